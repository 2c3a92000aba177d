// PlainUtils: HSL colours, ShadeColor, the 3D frame, the parent's picture
// as background and the button layout rule.
#include "ui/look/PlainUtils.h"

#include <algorithm>
#include <cmath>

#include "platform/gui/graphics_drawtext.h"
#include "ui/look/sb.h"

namespace {

// Rounds to the nearest integer, halves to the even neighbour.
Integer RoundNearest(double V) { return static_cast<Integer>(std::nearbyint(V)); }

Byte ChannelOf(double Value) { return ClampByte(RoundNearest(255.0 * Value)); }

}  // namespace

// ---- Small helpers ----------------------------------------------------------------

void ColorToRGBBytes(TColor Color, Byte& R, Byte& G, Byte& B) {
  TColorRef C = ColorToRGB(Color);
  R = GetRValue(C);
  G = GetGValue(C);
  B = GetBValue(C);
}

TColor RGBBytesToColor(Byte R, Byte G, Byte B) { return RGB(R, G, B); }

Byte ClampByte(Integer Value) { return static_cast<Byte>(ClampInt(Value, 0, 255)); }

Integer ClampInt(Integer Value, Integer Min, Integer Max) { return std::max(Min, std::min(Max, Value)); }

bool IsCaptionAccelerator(char32_t Key, const String& Caption) {
  auto Up = [](char32_t C) { return (C >= 'a' && C <= 'z') ? C - 'a' + 'A' : C; };
  for (size_t I = 0; I + 1 < Caption.size(); ++I) {
    if (Caption[I] != '&') continue;
    if (Caption[I + 1] == '&') {
      ++I;
      continue;
    }
    return Up(char32_t(static_cast<unsigned char>(Caption[I + 1]))) == Up(Key);
  }
  return false;
}

Integer RectWidth(const TRect& R) { return R.Right - R.Left; }

Integer RectHeight(const TRect& R) { return R.Bottom - R.Top; }

// ---- HSL ------------------------------------------------------------------------

Byte HueToRGB(double m1, double m2, double h) {
  if (h < 0) h += 1;
  if (h > 1) h -= 1;
  double V;
  if (6 * h < 1)
    V = m1 + (m2 - m1) * h * 6;
  else if (2 * h < 1)
    V = m2;
  else if (3 * h < 2)
    V = m1 + (m2 - m1) * (2.0 / 3.0 - h) * 6;
  else
    V = m1;
  return ChannelOf(V);
}

TColor HSLtoRGB(double H, double S, double L) {
  if (S == 0) {
    Byte V = ChannelOf(L);
    return RGB(V, V, V);
  }
  double m2 = L <= 0.5 ? L * (1 + S) : L + S - L * S;
  double m1 = 2 * L - m2;
  return RGB(HueToRGB(m1, m2, H + 1.0 / 3.0), HueToRGB(m1, m2, H), HueToRGB(m1, m2, H - 1.0 / 3.0));
}

void RGBtoHSL(TColor Color, double& H, double& S, double& L) {
  Byte R8, G8, B8;
  ColorToRGBBytes(Color, R8, G8, B8);
  double R = R8 / 255.0, G = G8 / 255.0, B = B8 / 255.0;
  double Max = std::max({R, G, B}), Min = std::min({R, G, B});
  L = (Max + Min) / 2;
  if (Max == Min) {
    H = 0;
    S = 0;
    return;
  }
  double D = Max - Min;
  S = L <= 0.5 ? D / (Max + Min) : D / (2 - Max - Min);
  if (R == Max)
    H = (G - B) / D;
  else if (G == Max)
    H = 2 + (B - R) / D;
  else
    H = 4 + (R - G) / D;
  H /= 6;
  if (H < 0) H += 1;
}

void RGBtoHSLRange(TColor Color, Integer& H, Integer& S, Integer& L) {
  double Hr, Sr, Lr;
  RGBtoHSL(Color, Hr, Sr, Lr);
  H = RoundNearest(Hr * (HSLRange - 1));
  S = RoundNearest(Sr * HSLRange);
  L = RoundNearest(Lr * HSLRange);
}

TColor HSLRangeToRGB(Integer H, Integer S, Integer L) {
  return HSLtoRGB(H / double(HSLRange - 1), S / double(HSLRange), L / double(HSLRange));
}

TColor ShadeColor(TColor BaseColor, TColor OriginalColor, Byte Percent, bool Darker) {
  if (Percent == 0) return OriginalColor;
  Integer H, S, L;
  RGBtoHSLRange(BaseColor, H, S, L);
  L += 10;
  if (Darker)
    L = std::max(0, L - Integer(Percent));
  else
    L = std::min(100, L + Integer(Percent));
  return HSLRangeToRGB(H, S, L);
}

// ---- Drawing ----------------------------------------------------------------------

void DrawFrame3D(TCanvas& Canvas, TRect Rect, TColor TopLeftColor, TColor BottomRightColor, Integer Width) {
  Canvas.Pen()->SetWidth(1);
  --Rect.Bottom;
  --Rect.Right;
  for (Integer I = 0; I < Width; ++I) {
    Canvas.Pen()->SetColor(TopLeftColor);
    Canvas.Polyline({Point(Rect.Left, Rect.Bottom), Point(Rect.Left, Rect.Top), Point(Rect.Right, Rect.Top)});
    Canvas.Pen()->SetColor(BottomRightColor);
    Canvas.Polyline(
        {Point(Rect.Right, Rect.Top), Point(Rect.Right, Rect.Bottom), Point(Rect.Left - 1, Rect.Bottom)});
    InflateRect(Rect, -1, -1);
  }
}

void DrawParentImage(TControl* Control, TCanvas& Canvas) {
  TWinControl* Parent = Control ? Control->Parent() : nullptr;
  if (!Parent) return;
  Integer Saved = Canvas.SaveDC();
  try {
    TPoint Org = Canvas.GetViewportOrgEx();
    Canvas.SetViewportOrgEx(Org.X - Control->Left(), Org.Y - Control->Top());
    TRect Client = Parent->ClientRect();
    Canvas.IntersectClipRect(0, 0, Client.Width(), Client.Height());
    Parent->Perform(WM_ERASEBKGND, WPARAM(&Canvas), LPARAM(&Canvas));
    Parent->Perform(WM_PAINT, WPARAM(&Canvas), 0);
  } catch (...) {
    // A parent that fails to paint leaves the background as it is.
  }
  Canvas.RestoreDC(Saved);
}

void FollowColorChange(TControl& Control, bool UseDerivedColors, const std::function<void()>& Recompute) {
  if (UseDerivedColors) {
    Control.SetParentColor(true);
    Recompute();
  }
  Control.Invalidate();
}

String ReplaceBrTags(const String& Text) {
  String Out = Text;
  ReplaceAllNoCase(Out, "<br>", "\r\n");
  return Out;
}

namespace {

bool Horizontal(TButtonLayout Layout) { return Layout == blGlyphLeft || Layout == blGlyphRight; }

// Margin and Spacing resolved along the layout axis (ClientSize, GlyphSize
// and TextSize are the sizes along that axis).
void ResolveGaps(Integer ClientSize, Integer GlyphSize, Integer TextSize, Integer& Margin, Integer& Spacing) {
  if (Margin == -1) {
    if (Spacing == -1) {
      Margin = (ClientSize - GlyphSize - TextSize) / 3;
      Spacing = Margin;
    } else {
      Margin = (ClientSize - (GlyphSize + Spacing + TextSize) + 1) / 2;
    }
  } else if (Spacing == -1) {
    Spacing = (ClientSize - (Margin + GlyphSize) - TextSize) / 2;
  }
}

}  // namespace

void CalcButtonLayout(TCanvas& Canvas, const TRect& Client, TPoint Offset, const String& Caption,
                      TButtonLayout Layout, Integer Margin, Integer Spacing, TBitmap* Glyph,
                      TNumGlyphs NumGlyphs, TPoint& GlyphPos, TRect& TextBounds) {
  TPoint ClientSize{RectWidth(Client), RectHeight(Client)};
  TPoint GlyphSize{};
  if (Glyph && !Glyph->Empty()) GlyphSize = {Glyph->Width() / std::max(1, NumGlyphs), Glyph->Height()};
  TPoint TextSize{};
  TextBounds = TRect{};
  if (!Caption.empty()) {
    TextBounds = Rect(0, 0, ClientSize.X, 0);
    DrawText(Canvas, ReplaceBrTags(Caption), TextBounds, DT_CALCRECT | DT_WORDBREAK);
    TextSize = {RectWidth(TextBounds), RectHeight(TextBounds)};
  }
  TPoint TextPos{};
  GlyphPos = TPoint{};
  // Work along the layout axis; the other axis centres glyph and text.
  bool H = Horizontal(Layout);
  auto Along = [H](TPoint& P) -> Integer& { return H ? P.X : P.Y; };
  auto Across = [H](TPoint& P) -> Integer& { return H ? P.Y : P.X; };
  Across(GlyphPos) = (Across(ClientSize) - Across(GlyphSize) + 1) / 2;
  Across(TextPos) = (Across(ClientSize) - Across(TextSize) + 1) / 2;
  if (TextSize.X == 0 || GlyphSize.X == 0) Spacing = 0;
  ResolveGaps(Along(ClientSize), Along(GlyphSize), Along(TextSize), Margin, Spacing);
  if (Layout == blGlyphLeft || Layout == blGlyphTop) {
    Along(GlyphPos) = Margin;
    Along(TextPos) = Margin + Along(GlyphSize) + Spacing;
  } else {
    Along(GlyphPos) = Along(ClientSize) - Margin - Along(GlyphSize);
    Along(TextPos) = Along(GlyphPos) - Spacing - Along(TextSize);
  }
  GlyphPos.X += Client.Left + Offset.X;
  GlyphPos.Y += Client.Top + Offset.Y;
  OffsetRect(TextBounds, TextPos.X + Client.Left + Offset.X, TextPos.Y + Client.Top + Offset.Y);
}
