// TCanvas: pixels, rectangles, round shapes, polygons, regions and the
// focus rectangle.
#include <algorithm>

#include "platform/gui/graphics_canvas.h"

namespace {

constexpr Integer R2_COPYPEN = 13;
constexpr Integer R2_NOT = 6;

TRect Normalized(Integer X1, Integer Y1, Integer X2, Integer Y2) {
  return {std::min(X1, X2), std::min(Y1, Y2), std::max(X1, X2), std::max(Y1, Y2)};
}

}  // namespace

TColor TCanvas::Pixel(Integer X, Integer Y) {
  TPoint d = LogicalToSurface(Point(X, Y));
  if (!VisibleRegion().Contains(d.X, d.Y)) return CLR_INVALID;
  return static_cast<TColor>(FSurface.Get(d.X, d.Y));
}

void TCanvas::SetPixel(Integer X, Integer Y, TColor Color) {
  Changing();
  TPoint d = LogicalToSurface(Point(X, Y));
  PaintSpanRop2(d.Y, d.X, d.X + 1, ColorToRGB(Color), R2_COPYPEN);
  Changed();
}

void TCanvas::FillRgn(const TRegion& Rgn) {
  Changing();
  TRegion dev = Rgn;
  TPoint o = LogicalToSurface(Point(0, 0));
  dev.Offset(o.X, o.Y);
  FillSurfaceRegion(dev, R2_COPYPEN);
  Changed();
}

void TCanvas::FillRect(const TRect& R) { FillRgn(TRegion(R)); }

void TCanvas::FrameRect(const TRect& R) {
  if (R.IsEmpty()) return;
  TRect inner = R;
  InflateRect(inner, -1, -1);
  FillRgn(TRegion(R).Subtract(TRegion(inner)));
}

void TCanvas::InvertRect(const TRect& R) {
  Changing();
  TRect d = LogicalToSurface(R);
  for (Integer y = d.Top; y < d.Bottom; ++y) PaintSpanRop2(y, d.Left, d.Right, 0, R2_NOT);
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& R) {
  if (R.IsEmpty()) return;
  Changing();
  TRect d = LogicalToSurface(R);
  TRegion frame = TRegion(d).Subtract(TRegion(Rect(d.Left + 1, d.Top + 1, d.Right - 1, d.Bottom - 1)));
  for (const TRegion::TBand& b : frame.Bands())
    for (Integer y = b.Top; y < b.Bottom; ++y)
      for (const TRegion::TSpan& s : b.Spans)
        ForEachVisibleSpan(y, s.Left, s.Right, [&](Integer yy, Integer a, Integer e) {
          for (Integer x = a; x < e; ++x)
            if (((x + yy) & 1) == 0) FSurface.Set(x, yy, FSurface.Get(x, yy) ^ 0xFFFFFF);
        });
  Changed();
}

// Starts drawing a shape in the logical box R: false when R is empty;
// otherwise the tools are realised and Surface receives R on the surface.
bool TCanvas::BeginShape(const TRect& R, TRect& Surface) {
  if (R.IsEmpty()) return false;
  Changing();
  RealizeTools();
  Surface = LogicalToSurface(R);
  return true;
}

void TCanvas::Rectangle(Integer X1, Integer Y1, Integer X2, Integer Y2) {
  TRect r = Normalized(X1, Y1, X2, Y2), d;
  if (!BeginShape(r, d)) return;
  bool pen = FPen->Style() != psClear;
  TRect fill = pen ? Rect(d.Left + 1, d.Top + 1, d.Right - 1, d.Bottom - 1)
                   : Rect(d.Left, d.Top, d.Right - 1, d.Bottom - 1);
  FillSurfaceRegion(TRegion(fill), FRop2);
  if (pen)
    DrawOutline({{r.Left, r.Top}, {r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1},
                 {r.Left, r.Bottom - 1}},
                true);
  Changed();
}

// Round shapes: the interior of the rounded rectangle goes to the brush,
// its border pixels (those with a 4-neighbour outside) to the pen; a wider
// pen repeats the border inwards.
void TCanvas::RoundRect(Integer X1, Integer Y1, Integer X2, Integer Y2, Integer X3, Integer Y3) {
  TRect r = Normalized(X1, Y1, X2, Y2), d;
  if (!BeginShape(r, d)) return;
  bool pen = FPen->Style() != psClear;
  if (!pen) {
    d.Right -= 1;
    d.Bottom -= 1;
  }
  Integer rings = pen ? FPen->Width() : 0;
  TColorRef penColor = ColorToRGB(FPen->Color());
  for (Integer y = d.Top; y < d.Bottom; ++y) {
    auto span = [&](Integer yy, Integer inset) {
      TRect in = Rect(d.Left + inset, d.Top + inset, d.Right - inset, d.Bottom - inset);
      return RoundRectRowSpan(in, X3 - 2 * inset, Y3 - 2 * inset, yy);
    };
    TRegion::TSpan outer = span(y, 0);
    if (outer.Left > outer.Right) continue;
    // Interior of the innermost ring.
    TRegion::TSpan in{outer.Left, outer.Right};
    for (Integer k = 0; k < rings; ++k) {
      TRegion::TSpan s = span(y, k), up = span(y - 1, k), dn = span(y + 1, k);
      if (s.Left > s.Right) { in = {1, 0}; break; }
      in = {std::max({s.Left + 1, up.Left, dn.Left}), std::min({s.Right - 1, up.Right, dn.Right})};
      if (up.Left > up.Right || dn.Left > dn.Right) in = {1, 0};
      Integer l = in.Left <= in.Right ? in.Left : s.Right + 1;
      Integer rr = in.Left <= in.Right ? in.Right : s.Right;
      PaintSpanRop2(y, s.Left, l, penColor, FRop2);
      if (in.Left <= in.Right) PaintSpanRop2(y, rr + 1, s.Right + 1, penColor, FRop2);
    }
    if (in.Left <= in.Right) PaintSpanBrush(y, in.Left, in.Right + 1, FRop2);
  }
  Changed();
}

void TCanvas::Ellipse(Integer X1, Integer Y1, Integer X2, Integer Y2) {
  RoundRect(X1, Y1, X2, Y2, std::abs(X2 - X1), std::abs(Y2 - Y1));
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) {
  if (Points.size() < 2) return;
  Changing();
  RealizeTools();
  std::vector<TPoint> dev;
  for (const TPoint& p : Points) dev.push_back(LogicalToSurface(p));
  FillSurfaceRegion(TRegion::Polygon(dev, ALTERNATE), FRop2);
  if (FPen->Style() != psClear) DrawOutline(Points, true);
  Changed();
}

void TCanvas::FloodFill(Integer X, Integer Y, TColor Color, TFillStyle FillStyle) {
  TPoint start = LogicalToSurface(Point(X, Y));
  const TRegion& vis = VisibleRegion();
  if (!vis.Contains(start.X, start.Y)) return;
  Changing();
  TColorRef key = ColorToRGB(Color) & 0xFFFFFF;
  auto inside = [&](Integer x, Integer y) {
    bool same = FSurface.Get(x, y) == key;
    return (FillStyle == fsSurface) == same;
  };
  if (!inside(start.X, start.Y)) return Changed();
  std::vector<bool> seen(size_t(FSurface.Width) * FSurface.Height, false);
  std::vector<TPoint> stack{start};
  while (!stack.empty()) {
    TPoint p = stack.back();
    stack.pop_back();
    if (p.X < 0 || p.Y < 0 || p.X >= FSurface.Width || p.Y >= FSurface.Height) continue;
    size_t i = size_t(p.Y) * FSurface.Width + p.X;
    if (seen[i] || !vis.Contains(p.X, p.Y) || !inside(p.X, p.Y)) continue;
    seen[i] = true;
    stack.insert(stack.end(), {{p.X + 1, p.Y}, {p.X - 1, p.Y}, {p.X, p.Y + 1}, {p.X, p.Y - 1}});
  }
  for (Integer y = 0; y < FSurface.Height; ++y)
    for (Integer x = 0; x < FSurface.Width;) {
      if (!seen[size_t(y) * FSurface.Width + x]) { ++x; continue; }
      Integer e = x;
      while (e < FSurface.Width && seen[size_t(y) * FSurface.Width + e]) ++e;
      PaintSpanBrush(y, x, e, R2_COPYPEN);
      x = e;
    }
  Changed();
}
