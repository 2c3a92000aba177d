// TPen, TBrush and TFont.
#include "platform/gui/graphics_tools.h"

#include <cmath>

RTL_IMPLEMENT_CLASS(TGraphicsObject, TPersistent, nullptr)
RTL_IMPLEMENT_CLASS(TPen, TGraphicsObject, nullptr)
RTL_IMPLEMENT_CLASS(TBrush, TGraphicsObject, nullptr)
RTL_IMPLEMENT_CLASS(TFont, TGraphicsObject, nullptr)

namespace {

// Assigns V to Field and reports a change when it differs.
template <class T>
bool Update(T& Field, const T& V) {
  if (Field == V) return false;
  Field = V;
  return true;
}

Integer MulDivRound(Integer A, Integer B, Integer C) {
  return static_cast<Integer>(std::lround(double(A) * B / C));
}

}  // namespace

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

Integer PenModeToRop2(TPenMode Mode) {
  static const Integer kRop2[] = {1, 16, 11, 6, 13, 4, 14, 5, 12, 3, 15, 2, 9, 8, 7, 10};
  return kRop2[Mode];
}

void TPen::SetColor(TColor V) { if (Update(FColor, V)) Changed(); }
void TPen::SetWidth(Integer V) { if (Update(FWidth, std::max(1, V))) Changed(); }
void TPen::SetStyle(TPenStyle V) { if (Update(FStyle, V)) Changed(); }
void TPen::SetMode(TPenMode V) { if (Update(FMode, V)) Changed(); }

void TPen::Assign(TPersistent* Source) {
  auto* p = dynamic_cast<TPen*>(Source);
  if (!p) return TPersistent::Assign(Source);
  FColor = p->FColor;
  FWidth = p->FWidth;
  FStyle = p->FStyle;
  FMode = p->FMode;
  Changed();
}

void TBrush::SetColor(TColor V) {
  bool styled = FStyle == bsClear;
  if (styled) FStyle = bsSolid;
  if (Update(FColor, V) || styled) Changed();
}
void TBrush::SetStyle(TBrushStyle V) { if (Update(FStyle, V)) Changed(); }
void TBrush::SetBitmap(TBitmap* V) { if (Update(FBitmap, V)) Changed(); }

void TBrush::Assign(TPersistent* Source) {
  auto* b = dynamic_cast<TBrush*>(Source);
  if (!b) return TPersistent::Assign(Source);
  FColor = b->FColor;
  FStyle = b->FStyle;
  FBitmap = b->FBitmap;
  Changed();
}

void TFont::SetName(const String& V) { if (!V.empty() && Update(FName, V)) Changed(); }
Integer TFont::Size() const { return -MulDivRound(FHeight, 72, FPixelsPerInch); }
void TFont::SetSize(Integer V) { SetHeight(-MulDivRound(V, FPixelsPerInch, 72)); }
void TFont::SetHeight(Integer V) { if (Update(FHeight, V)) Changed(); }
void TFont::SetStyle(TFontStyles V) { if (Update(FStyle, V)) Changed(); }
void TFont::SetColor(TColor V) { if (Update(FColor, V)) Changed(); }
void TFont::SetCharset(TFontCharset V) { if (Update(FCharset, V)) Changed(); }
void TFont::SetPitch(TFontPitch V) { if (Update(FPitch, V)) Changed(); }
void TFont::SetQuality(TFontQuality V) { if (Update(FQuality, V)) Changed(); }
void TFont::SetOrientation(Integer V) { if (Update(FOrientation, V)) Changed(); }

TFontSpec TFont::Spec() const {
  TFontSpec s;
  s.Name = FPitch == fpFixed && FName.empty() ? "Courier New" : FName;
  s.Height = FHeight == 0 ? -MulDivRound(8, FPixelsPerInch, 72) : FHeight;
  s.Bold = FStyle.Contains(fsBold);
  s.Italic = FStyle.Contains(fsItalic);
  s.Mono = FQuality == fqNonAntialiased || FQuality == fqDraft;
  s.Escapement = FOrientation % 3600;
  return s;
}

void TFont::Assign(TPersistent* Source) {
  auto* f = dynamic_cast<TFont*>(Source);
  if (!f) return TPersistent::Assign(Source);
  FName = f->FName;
  FHeight = f->FHeight;
  FStyle = f->FStyle;
  FColor = f->FColor;
  FCharset = f->FCharset;
  FPitch = f->FPitch;
  FQuality = f->FQuality;
  FOrientation = f->FOrientation;
  Changed();
}
