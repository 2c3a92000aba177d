// The font engine under TFont and the canvas: finds a font file through
// fontconfig, renders glyphs with FreeType and keeps sized faces, their
// metrics and their rendered glyphs in a process-wide cache.
//
// Names of the original platform's fonts map to the installed family
// closest in width (fonts_lookup.h): Wine's Tahoma for "Tahoma" and "MS
// Sans Serif", Liberation for "Arial", "Times New Roman" and "Courier New",
// DejaVu for the rest; MDS_FONT_DIRS pins the font folders (tests), so
// that text layout does not depend on what else is installed. Bold and
// italic use real faces when the family has them, otherwise the outline is
// emboldened or slanted.
//
// Heights follow the original platform: a negative height is the em size
// in pixels (character height), a positive one the cell height (ascent plus
// descent). Widths are sums of whole-pixel advances, without kerning.
//
// Thread safety: every entry point takes the engine's mutex; a TFontFace
// returned by GetFontFace lives until ClearFontCache and may be used from
// the thread that paints (the GUI thread).
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/system.h"

// What the canvas asks the engine for.
struct TFontSpec {
  String Name = "MS Sans Serif";
  Integer Height = -11;  // < 0: em size in pixels; > 0: cell height
  bool Bold = false;
  bool Italic = false;
  bool Mono = false;  // render without anti-aliasing
  Integer Escapement = 0;  // text angle, tenths of a degree counter-clockwise
  friend bool operator==(const TFontSpec&, const TFontSpec&) = default;
};

// The text metrics of a sized face, in pixels (as TEXTMETRIC gives them).
struct TTextMetric {
  Integer tmHeight = 0;  // ascent + descent
  Integer tmAscent = 0;
  Integer tmDescent = 0;
  Integer tmInternalLeading = 0;  // tmHeight - em size
  Integer tmExternalLeading = 0;
  Integer tmAveCharWidth = 0;
  Integer tmMaxCharWidth = 0;
  Integer UnderlinePos = 0;       // top of the underline, pixels below the baseline
  Integer UnderlineThickness = 1;
  Integer StrikeOutPos = 0;       // top of the strike-out line, pixels above the baseline
  Integer StrikeOutThickness = 1;
};

// One rendered glyph: coverage values 0..255, Width x Height, row-major.
struct TGlyphImage {
  Integer Advance = 0;  // pen movement in whole pixels (unrotated text)
  Integer AdvanceX64 = 0;  // pen movement in 1/64 pixels, x right
  Integer AdvanceY64 = 0;  // and y up (non-zero for rotated text)
  Integer Left = 0;     // bitmap's left edge relative to the pen position
  Integer Top = 0;      // bitmap's top row, pixels above the baseline
  Integer Width = 0;
  Integer Height = 0;
  std::vector<Byte> Coverage;
};

// A face at one pixel size with its style. Made and owned by the cache.
class TFontFace {
 public:
  virtual ~TFontFace() = default;
  virtual const TTextMetric& Metrics() const = 0;
  // The glyph of code point Ch (the face's missing-glyph box when it has
  // none). The reference stays valid as long as the face.
  virtual const TGlyphImage& Glyph(char32_t Ch) = 0;
  // The family name fontconfig resolved the request to.
  virtual const String& FamilyName() const = 0;
  // The file the face came from.
  virtual const String& FileName() const = 0;

  // Width in pixels of the UTF-8 text (sum of advances).
  Integer TextWidth(const String& Text);
  // How many characters of Text fit into MaxWidth pixels; Widths, when
  // given, receives the width after each character.
  Integer FitChars(const String& Text, Integer MaxWidth, std::vector<Integer>* Widths = nullptr);
};

// The sized face for Spec from the cache, made on first use. Raises
// EOutOfResources ("Schriftart %s kann nicht geladen werden") when no font
// at all can be loaded (no font installed).
TFontFace& GetFontFace(const TFontSpec& Spec);

// The family an installed font file gives for Name (after the fallback),
// e.g. "DejaVu Sans" for "Tahoma".
String ResolveFontFamily(const String& Name);

// Frees every cached face (for tests and at shutdown). Invalidates every
// TFontFace reference handed out before.
void ClearFontCache();

// Splits UTF-8 text into code points; invalid bytes become U+FFFD.
std::u32string Utf8ToCodePoints(const String& Text);
// Encodes code points as UTF-8.
String CodePointsToUtf8(const std::u32string& Text);
// The byte length of the UTF-8 character starting at Text[Pos] (1 for an
// invalid byte).
size_t Utf8CharLength(const String& Text, size_t Pos);
