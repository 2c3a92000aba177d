// TCanvas: lines and polylines with the pen (Bresenham, end point
// excluded, dash patterns, wide pens).
#include <cstdlib>
#include <map>

#include "platform/gui/graphics_canvas.h"

namespace {

// On/off run lengths of the styled pens, starting with "on".
const std::vector<Integer>& DashPattern(TPenStyle Style) {
  static const std::vector<Integer> kNone, kDash{18, 6}, kDot{3, 3}, kDashDot{9, 6, 3, 6},
      kDashDotDot{9, 3, 3, 3, 3, 3};
  switch (Style) {
    case psDash: return kDash;
    case psDot: return kDot;
    case psDashDot: return kDashDot;
    case psDashDotDot: return kDashDotDot;
    default: return kNone;
  }
}

// True when position Pos of the pattern is drawn.
bool DashOn(const std::vector<Integer>& Pattern, Integer Pos) {
  Integer total = 0;
  for (Integer n : Pattern) total += n;
  Integer p = Pos % total;
  for (size_t i = 0; i < Pattern.size(); ++i) {
    if (p < Pattern[i]) return i % 2 == 0;
    p -= Pattern[i];
  }
  return true;
}

// The pixels of a Bresenham line from A towards B (B included when Last).
template <class F>
void Bresenham(TPoint A, TPoint B, bool Last, F&& Plot) {
  Integer dx = std::abs(B.X - A.X), dy = -std::abs(B.Y - A.Y);
  Integer sx = A.X < B.X ? 1 : -1, sy = A.Y < B.Y ? 1 : -1;
  Integer err = dx + dy, x = A.X, y = A.Y;
  while (true) {
    bool end = x == B.X && y == B.Y;
    if (end && !Last) return;
    Plot(x, y);
    if (end) return;
    Integer e2 = 2 * err;
    if (e2 >= dy) { err += dy; x += sx; }
    if (e2 <= dx) { err += dx; y += sy; }
  }
}

}  // namespace

void TCanvas::MoveTo(Integer X, Integer Y) { FPenPos = {X, Y}; }

void TCanvas::LineTo(Integer X, Integer Y) {
  Changing();
  RealizeTools();
  Integer dash = 0;
  if (FPen->Style() != psClear) StrokeSegment(FPenPos, {X, Y}, false, dash);
  FPenPos = {X, Y};
  Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
  if (Points.size() < 2) return;
  Changing();
  RealizeTools();
  if (FPen->Style() != psClear) DrawOutline(Points, false);
  Changed();
}

// Strokes the segments of Points (and back to the first when Close). The
// last point of an open polyline is excluded, as LineTo excludes it.
void TCanvas::DrawOutline(const std::vector<TPoint>& Points, bool Close) {
  Integer dash = 0;
  for (size_t i = 0; i + 1 < Points.size(); ++i) StrokeSegment(Points[i], Points[i + 1], false, dash);
  if (Close && Points.size() > 1) StrokeSegment(Points.back(), Points.front(), false, dash);
}

void TCanvas::StrokeSegment(TPoint A, TPoint B, bool LastPixel, Integer& DashPos) {
  TPoint a = LogicalToSurface(A), b = LogicalToSurface(B);
  TColorRef color = ColorToRGB(FPen->Color()) & 0xFFFFFF;
  Integer width = FPen->Width();
  if (width <= 1) {
    const auto& pattern = DashPattern(FPen->Style());
    Bresenham(a, b, LastPixel, [&](Integer x, Integer y) {
      if (pattern.empty() || DashOn(pattern, DashPos))
        PaintSpanRop2(y, x, x + 1, color, FRop2);
      else if (FBkMode == OPAQUE)
        PaintSpanRop2(y, x, x + 1, FBkColor, FRop2);
      ++DashPos;
    });
    return;
  }
  // A wide pen: the union of square stamps along the line, end included,
  // painted once so that XOR pens do not cancel themselves.
  std::map<Integer, std::vector<TRegion::TSpan>> rows;
  Integer lo = -(width - 1) / 2, hi = width / 2;
  Bresenham(a, b, true, [&](Integer x, Integer y) {
    for (Integer yy = y + lo; yy <= y + hi; ++yy) rows[yy].push_back({x + lo, x + hi + 1});
  });
  for (auto& [y, spans] : rows) {
    std::sort(spans.begin(), spans.end(), [](auto& l, auto& r) { return l.Left < r.Left; });
    Integer l = spans[0].Left, r = spans[0].Right;
    for (const auto& s : spans) {
      if (s.Left > r) { PaintSpanRop2(y, l, r, color, FRop2); l = s.Left; }
      r = std::max(r, s.Right);
    }
    PaintSpanRop2(y, l, r, color, FRop2);
  }
}
