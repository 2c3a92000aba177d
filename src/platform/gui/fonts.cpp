// FreeType faces, their metrics and glyphs, in one process-wide cache.
#include "platform/gui/fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "platform/gui/fonts_lookup.h"
#include "platform/rtl/exceptions.h"

namespace {

std::recursive_mutex& EngineMutex() {
  static std::recursive_mutex m;
  return m;
}

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) throw EOutOfResources("FreeType kann nicht gestartet werden");
    return l;
  }();
  return lib;
}

Integer Round(double V) { return static_cast<Integer>(std::lround(V)); }

class TFreeTypeFace final : public TFontFace {
 public:
  TFreeTypeFace(const TFontSpec& Spec, const TFontFileMatch& Match);
  ~TFreeTypeFace() override { FT_Done_Face(FFace); }

  const TTextMetric& Metrics() const override { return FMetrics; }
  const TGlyphImage& Glyph(char32_t Ch) override;
  const String& FamilyName() const override { return FFamily; }
  const String& FileName() const override { return FFile; }

 private:
  void ChooseSize(Integer Height);
  void ComputeMetrics();
  void Render(char32_t Ch, TGlyphImage& Out);

  FT_Face FFace = nullptr;
  String FFamily, FFile;
  Integer FPpem = 12;
  bool FEmbolden = false;
  bool FWiden = false;  // emboldened glyphs also advance further
  bool FMono = false;
  TTextMetric FMetrics;
  std::unordered_map<char32_t, TGlyphImage> FGlyphs;
};

TFreeTypeFace::TFreeTypeFace(const TFontSpec& Spec, const TFontFileMatch& Match)
    : FFamily(Match.Family), FFile(Match.File), FMono(Spec.Mono) {
  if (FT_New_Face(Library(), Match.File.c_str(), Match.Index, &FFace) != 0)
    throw EOutOfResources("Schriftart " + Spec.Name + " kann nicht geladen werden");
  FEmbolden = Spec.Bold && !Match.RealBold;
  FWiden = FEmbolden && !Match.BoldAdvances;
  FT_Matrix m{0x10000, 0, 0, 0x10000};
  if (Spec.Italic && !Match.RealItalic) m.xy = 0x0366A;  // slant of about 12 degrees
  if (Spec.Escapement % 3600 != 0) {
    double a = Spec.Escapement / 10.0 * M_PI / 180.0;
    FT_Matrix rot{FT_Fixed(std::cos(a) * 0x10000), FT_Fixed(-std::sin(a) * 0x10000),
                  FT_Fixed(std::sin(a) * 0x10000), FT_Fixed(std::cos(a) * 0x10000)};
    FT_Matrix_Multiply(&rot, &m);
  }
  if (m.xy != 0 || m.yx != 0) FT_Set_Transform(FFace, &m, nullptr);
  ChooseSize(Spec.Height);
  ComputeMetrics();
}

void TFreeTypeFace::ChooseSize(Integer Height) {
  if (Height < 0) {
    FPpem = -Height;
  } else if (Height > 0) {
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(FFace, FT_SFNT_OS2));
    double cell = os2 ? os2->usWinAscent + os2->usWinDescent
                      : FFace->ascender - FFace->descender;
    FPpem = std::max(1, Round(Height * double(FFace->units_per_EM) / cell));
  }
  FT_Set_Pixel_Sizes(FFace, 0, FPpem);
}

void TFreeTypeFace::ComputeMetrics() {
  double scale = double(FPpem) / FFace->units_per_EM;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(FFace, FT_SFNT_OS2));
  double asc = os2 ? os2->usWinAscent : FFace->ascender;
  double desc = os2 ? os2->usWinDescent : -FFace->descender;
  TTextMetric& m = FMetrics;
  m.tmAscent = Round(asc * scale);
  m.tmDescent = Round(desc * scale);
  m.tmHeight = m.tmAscent + m.tmDescent;
  m.tmInternalLeading = std::max(0, m.tmHeight - FPpem);
  double gap = FFace->height - (asc + desc);
  m.tmExternalLeading = std::max(0, Round(gap * scale));
  m.tmAveCharWidth = os2 && os2->xAvgCharWidth > 0 ? Round(os2->xAvgCharWidth * scale)
                                                   : Round(FPpem / 2.0);
  m.tmMaxCharWidth = Round(FFace->max_advance_width * scale);
  m.UnderlineThickness = std::max(1, Round(FFace->underline_thickness * scale));
  m.UnderlinePos = std::max(1, Round(-FFace->underline_position * scale));
  m.StrikeOutThickness = os2 ? std::max(1, Round(os2->yStrikeoutSize * scale))
                             : m.UnderlineThickness;
  m.StrikeOutPos = os2 ? Round(os2->yStrikeoutPosition * scale) : m.tmAscent / 3;
  if (FWiden) {
    m.tmAveCharWidth += 1;
    m.tmMaxCharWidth += 1;
  }
}

namespace {
// A face with bold advances around regular outlines (Wine's bold Tahoma)
// leaves the room its bold glyphs would fill to the right of the thinner
// ink: a bold path reads "/home/ anna/". The ink moves right by whole
// pixels (no blur) to stand in the middle of its advance.
void CentreInAdvance(FT_GlyphSlot Slot) {
  FT_BBox Box;
  FT_Outline_Get_CBox(&Slot->outline, &Box);
  FT_Pos Shift = ((Slot->advance.x - (Box.xMax - Box.xMin)) / 2 - Box.xMin) / 64 * 64;
  if (Shift > 0) FT_Outline_Translate(&Slot->outline, Shift, 0);
}
}  // namespace

void TFreeTypeFace::Render(char32_t Ch, TGlyphImage& Out) {
  FT_Int32 flags = FT_LOAD_DEFAULT | (FMono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
  // Outlines only: the embedded bitmaps of small sizes (Wine's Tahoma) can
  // be neither slanted nor turned, and its bold face repeats the regular
  // ones.
  flags |= FT_LOAD_NO_BITMAP;
  if (FT_Load_Char(FFace, Ch, flags) != 0 && FT_Load_Glyph(FFace, 0, flags) != 0) return;
  FT_GlyphSlot slot = FFace->glyph;
  Integer extra = 0;
  if (FEmbolden && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    FT_Pos strength = std::max<FT_Pos>(64, FPpem * 64 / 24);
    FT_Outline_Embolden(&slot->outline, strength);
    if (FWiden) extra = static_cast<Integer>((strength + 32) / 64);
    else CentreInAdvance(slot);
  }
  Out.Advance = static_cast<Integer>((slot->advance.x + 32) >> 6) + extra;
  Out.AdvanceX64 = static_cast<Integer>(slot->advance.x) + extra * 64;
  Out.AdvanceY64 = static_cast<Integer>(slot->advance.y);
  if (FT_Render_Glyph(slot, FMono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return;
  const FT_Bitmap& bm = slot->bitmap;
  Out.Left = slot->bitmap_left;
  Out.Top = slot->bitmap_top;
  Out.Width = static_cast<Integer>(bm.width);
  Out.Height = static_cast<Integer>(bm.rows);
  Out.Coverage.assign(size_t(Out.Width) * Out.Height, 0);
  for (Integer y = 0; y < Out.Height; ++y) {
    const unsigned char* row = bm.buffer + y * bm.pitch;
    for (Integer x = 0; x < Out.Width; ++x) {
      Byte v = bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x >> 3] >> (7 - (x & 7))) & 1) * 255
                                                   : row[x];
      Out.Coverage[size_t(y) * Out.Width + x] = v;
    }
  }
}

const TGlyphImage& TFreeTypeFace::Glyph(char32_t Ch) {
  std::lock_guard lock(EngineMutex());
  auto it = FGlyphs.find(Ch);
  if (it != FGlyphs.end()) return it->second;
  TGlyphImage& g = FGlyphs[Ch];
  Render(Ch, g);
  return g;
}

using TFaceKey = std::tuple<String, Integer, Integer, bool, bool, bool, Integer>;

std::map<TFaceKey, std::unique_ptr<TFontFace>>& FaceCache() {
  static std::map<TFaceKey, std::unique_ptr<TFontFace>> cache;
  return cache;
}

using TSpecKey = std::tuple<String, Integer, bool, bool, bool, Integer>;

// Requests already resolved, so that fontconfig runs once per request.
std::map<TSpecKey, TFontFace*>& SpecCache() {
  static std::map<TSpecKey, TFontFace*> cache;
  return cache;
}

}  // namespace

Integer TFontFace::TextWidth(const String& Text) {
  Integer w = 0;
  for (char32_t c : Utf8ToCodePoints(Text)) w += Glyph(c).Advance;
  return w;
}

Integer TFontFace::FitChars(const String& Text, Integer MaxWidth, std::vector<Integer>* Widths) {
  Integer w = 0, n = 0;
  if (Widths) Widths->clear();
  for (char32_t c : Utf8ToCodePoints(Text)) {
    w += Glyph(c).Advance;
    if (Widths) Widths->push_back(w);
    if (w <= MaxWidth) ++n;
  }
  return n;
}

TFontFace& GetFontFace(const TFontSpec& Spec) {
  std::lock_guard lock(EngineMutex());
  TSpecKey specKey{Spec.Name, Spec.Height, Spec.Bold, Spec.Italic, Spec.Mono, Spec.Escapement};
  if (auto it = SpecCache().find(specKey); it != SpecCache().end()) return *it->second;
  TFontFileMatch match;
  if (!FindFontFile(Spec.Name, Spec.Bold, Spec.Italic, match))
    throw EOutOfResources("Schriftart " + Spec.Name + " kann nicht geladen werden");
  TFaceKey key{match.File, match.Index, Spec.Height, Spec.Bold, Spec.Italic, Spec.Mono,
               Spec.Escapement};
  auto& slot = FaceCache()[key];
  if (!slot) slot = std::make_unique<TFreeTypeFace>(Spec, match);
  SpecCache()[specKey] = slot.get();
  return *slot;
}

String ResolveFontFamily(const String& Name) {
  std::lock_guard lock(EngineMutex());
  TFontFileMatch match;
  return FindFontFile(Name, false, false, match) ? match.Family : String();
}

void ClearFontCache() {
  std::lock_guard lock(EngineMutex());
  SpecCache().clear();
  FaceCache().clear();
}

size_t Utf8CharLength(const String& Text, size_t Pos) {
  auto c = static_cast<unsigned char>(Text[Pos]);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
  if (Pos + n > Text.size()) return 1;
  for (size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(Text[Pos + i]) & 0xC0) != 0x80) return 1;
  return n;
}

std::u32string Utf8ToCodePoints(const String& Text) {
  std::u32string out;
  for (size_t i = 0; i < Text.size();) {
    size_t n = Utf8CharLength(Text, i);
    auto c = static_cast<unsigned char>(Text[i]);
    char32_t cp;
    if (n == 1)
      cp = c < 0x80 ? c : 0xFFFD;
    else {
      cp = c & (0x7F >> n);
      for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (Text[i + k] & 0x3F);
    }
    out.push_back(cp);
    i += n;
  }
  return out;
}

String CodePointsToUtf8(const std::u32string& Text) {
  String out;
  for (char32_t c : Text) {
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}
