// TCanvas: text output and measuring with the font engine.
#include "platform/gui/graphics_canvas.h"

#include <cmath>

// Measuring always uses the upright face; only drawing turns the text.
TFontFace& TCanvas::FontFace() {
  TFontSpec spec = FFont->Spec();
  spec.Escapement = 0;
  return GetFontFace(spec);
}

TTextMetric TCanvas::GetTextMetrics() { return FontFace().Metrics(); }

TSize TCanvas::TextExtent(const String& Text) {
  TFontFace& face = FontFace();
  return {face.TextWidth(Text), face.Metrics().tmHeight};
}

Integer TCanvas::TextFitChars(const String& Text, Integer MaxWidth) {
  return FontFace().FitChars(Text, MaxWidth);
}

// Draws one line of text with its cell's top-left at logical (X, Y). When
// Opaque is given, that logical rectangle is first filled with the
// background colour.
void TCanvas::DrawTextRun(Integer X, Integer Y, const String& Text, const TRect* Opaque) {
  RealizeTools();
  TFontFace& face = FontFace();
  const TTextMetric& m = face.Metrics();
  if (Opaque) {
    TRect d = LogicalToSurface(*Opaque);
    for (Integer y = d.Top; y < d.Bottom; ++y) PaintSpanRop2(y, d.Left, d.Right, FBkColor, 13);
  }
  TPoint d = LogicalToSurface(Point(X, Y));
  TFontSpec spec = FFont->Spec();
  if (spec.Escapement != 0) return DrawRotatedRun(d, Text, GetFontFace(spec), m.tmAscent);
  Integer baseline = d.Y + m.tmAscent, penX = d.X;
  for (char32_t ch : Utf8ToCodePoints(Text)) {
    const TGlyphImage& g = face.Glyph(ch);
    BlendGlyph(g, penX, baseline);
    penX += g.Advance;
  }
  auto line = [&](Integer top, Integer thickness) {
    for (Integer y = top; y < top + thickness; ++y) PaintSpanRop2(y, d.X, penX, FTextColor, 13);
  };
  if (FFont->Style().Contains(fsUnderline)) line(baseline + m.UnderlinePos, m.UnderlineThickness);
  if (FFont->Style().Contains(fsStrikeOut))
    line(baseline - m.StrikeOutPos, m.StrikeOutThickness);
}

void TCanvas::BlendGlyph(const TGlyphImage& G, Integer PenX, Integer Baseline) {
  for (Integer row = 0; row < G.Height; ++row)
    BlendCoverageRow(Baseline - G.Top + row, PenX + G.Left, &G.Coverage[size_t(row) * G.Width],
                     G.Width, FTextColor);
}

// Text turned by the font's orientation around the cell's top-left
// corner (Origin, on the surface): the baseline starts Ascent pixels
// "below" it in the turned direction; pen positions keep 1/64 pixels.
void TCanvas::DrawRotatedRun(TPoint Origin, const String& Text, TFontFace& Face, Integer Ascent) {
  double a = FFont->Orientation() / 10.0 * M_PI / 180.0;
  Int64 x64 = Int64(std::lround((Origin.X + Ascent * std::sin(a)) * 64));
  Int64 y64 = Int64(std::lround((Origin.Y + Ascent * std::cos(a)) * 64));
  for (char32_t ch : Utf8ToCodePoints(Text)) {
    const TGlyphImage& g = Face.Glyph(ch);
    BlendGlyph(g, Integer((x64 + 32) >> 6), Integer((y64 + 32) >> 6));
    x64 += g.AdvanceX64;
    y64 -= g.AdvanceY64;
  }
}

void TCanvas::TextOut(Integer X, Integer Y, const String& Text) {
  Changing();
  RealizeTools();
  TSize size = TextExtent(Text);
  TRect cell = Bounds(X, Y, size.cx, size.cy);
  bool upright = FFont->Orientation() % 3600 == 0;
  DrawTextRun(X, Y, Text, FBkMode == OPAQUE && upright ? &cell : nullptr);
  FPenPos = {X + size.cx, Y};
  Changed();
}

void TCanvas::TextRect(const TRect& R, Integer X, Integer Y, const String& Text) {
  Changing();
  RealizeTools();
  SaveDC();
  IntersectClipRect(R.Left, R.Top, R.Right, R.Bottom);
  DrawTextRun(X, Y, Text, FBkMode == OPAQUE ? &R : nullptr);
  RestoreDC(-1);
  Changed();
}
