// Regions as bands of spans, with one combiner for every set operation.
#include "platform/gui/region.h"

#include <cmath>

namespace {

using TSpan = TRegion::TSpan;

// Combines two sorted span lists of one row by a per-pixel rule.
template <class TOp>
std::vector<TSpan> CombineSpans(const std::vector<TSpan>& A, const std::vector<TSpan>& B,
                                TOp Op) {
  std::vector<Integer> edges;
  edges.reserve(2 * (A.size() + B.size()));
  for (const TSpan& s : A) { edges.push_back(s.Left); edges.push_back(s.Right); }
  for (const TSpan& s : B) { edges.push_back(s.Left); edges.push_back(s.Right); }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  std::vector<TSpan> out;
  size_t ia = 0, ib = 0;
  for (size_t i = 0; i + 1 < edges.size(); ++i) {
    Integer x = edges[i];
    while (ia < A.size() && A[ia].Right <= x) ++ia;
    while (ib < B.size() && B[ib].Right <= x) ++ib;
    bool inA = ia < A.size() && A[ia].Left <= x;
    bool inB = ib < B.size() && B[ib].Left <= x;
    if (!Op(inA, inB)) continue;
    if (!out.empty() && out.back().Right == x)
      out.back().Right = edges[i + 1];
    else
      out.push_back({x, edges[i + 1]});
  }
  return out;
}

// The spans of the band of R covering row Y, advancing Index as Y grows.
const std::vector<TSpan>* SpansAt(const std::vector<TRegion::TBand>& Bands, size_t& Index,
                                  Integer Y) {
  static const std::vector<TSpan> kNone;
  while (Index < Bands.size() && Bands[Index].Bottom <= Y) ++Index;
  if (Index < Bands.size() && Bands[Index].Top <= Y) return &Bands[Index].Spans;
  return &kNone;
}

}  // namespace

TRegion::TRegion(const TRect& R) {
  if (!R.IsEmpty()) FBands.push_back({R.Top, R.Bottom, {{R.Left, R.Right}}});
}

void TRegion::AppendBand(Integer Top, Integer Bottom, std::vector<TSpan>&& Spans) {
  if (Spans.empty() || Bottom <= Top) return;
  if (!FBands.empty() && FBands.back().Bottom == Top && FBands.back().Spans == Spans) {
    FBands.back().Bottom = Bottom;
    return;
  }
  FBands.push_back({Top, Bottom, std::move(Spans)});
}

template <class TOp>
TRegion TRegion::Combine(const TRegion& A, const TRegion& B, TOp Op) {
  std::vector<Integer> ys;
  for (const TBand& b : A.FBands) { ys.push_back(b.Top); ys.push_back(b.Bottom); }
  for (const TBand& b : B.FBands) { ys.push_back(b.Top); ys.push_back(b.Bottom); }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  TRegion out;
  size_t ia = 0, ib = 0;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    const auto* sa = SpansAt(A.FBands, ia, ys[i]);
    const auto* sb = SpansAt(B.FBands, ib, ys[i]);
    out.AppendBand(ys[i], ys[i + 1], CombineSpans(*sa, *sb, Op));
  }
  return out;
}

TRegion TRegion::Union(const TRegion& O) const {
  return Combine(*this, O, [](bool a, bool b) { return a || b; });
}
TRegion TRegion::Intersect(const TRegion& O) const {
  return Combine(*this, O, [](bool a, bool b) { return a && b; });
}
TRegion TRegion::Subtract(const TRegion& O) const {
  return Combine(*this, O, [](bool a, bool b) { return a && !b; });
}
TRegion TRegion::Xor(const TRegion& O) const {
  return Combine(*this, O, [](bool a, bool b) { return a != b; });
}

TSpan RoundRectRowSpan(const TRect& R, Integer W, Integer H, Integer Y) {
  if (R.IsEmpty() || Y < R.Top || Y >= R.Bottom) return {1, 0};
  double rx = std::min(W, R.Width()) / 2.0, ry = std::min(H, R.Height()) / 2.0;
  double yc = Y + 0.5;
  if (rx <= 0 || ry <= 0 || (yc >= R.Top + ry && yc <= R.Bottom - ry))
    return {R.Left, R.Right - 1};
  double cy = yc < R.Top + ry ? R.Top + ry : R.Bottom - ry;
  double t = (yc - cy) / ry;
  if (t * t > 1.0) return {1, 0};
  double dx = rx * std::sqrt(1.0 - t * t);
  auto l = static_cast<Integer>(std::ceil(R.Left + rx - dx - 0.5));
  auto r = static_cast<Integer>(std::floor(R.Right - rx + dx - 0.5));
  return {std::max(l, R.Left), std::min(r, R.Right - 1)};
}

TRegion TRegion::RoundRect(const TRect& R, Integer EllipseW, Integer EllipseH) {
  TRegion out;
  for (Integer y = R.Top; y < R.Bottom; ++y) {
    TSpan s = RoundRectRowSpan(R, EllipseW, EllipseH, y);
    if (s.Left <= s.Right) out.AppendBand(y, y + 1, {{s.Left, s.Right + 1}});
  }
  return out;
}

TRegion TRegion::Ellipse(const TRect& R) { return RoundRect(R, R.Width(), R.Height()); }

TRegion TRegion::Polygon(const std::vector<TPoint>& Points, Integer FillMode) {
  TRegion out;
  if (Points.size() < 3) return out;
  Integer minY = Points[0].Y, maxY = Points[0].Y;
  for (const TPoint& p : Points) { minY = std::min(minY, p.Y); maxY = std::max(maxY, p.Y); }
  struct TCross { double X; int Dir; };
  std::vector<TCross> cross;
  for (Integer y = minY; y < maxY; ++y) {
    double yc = y + 0.5;
    cross.clear();
    for (size_t i = 0; i < Points.size(); ++i) {
      const TPoint& a = Points[i];
      const TPoint& b = Points[(i + 1) % Points.size()];
      if (a.Y == b.Y) continue;
      bool down = a.Y < b.Y;
      double y0 = down ? a.Y : b.Y, y1 = down ? b.Y : a.Y;
      if (yc < y0 || yc >= y1) continue;
      cross.push_back({a.X + (yc - a.Y) * (b.X - a.X) / double(b.Y - a.Y), down ? 1 : -1});
    }
    std::sort(cross.begin(), cross.end(), [](auto& l, auto& r) { return l.X < r.X; });
    std::vector<TSpan> spans;
    int wind = 0;
    for (size_t i = 0; i + 1 < cross.size(); ++i) {
      wind += FillMode == WINDING ? cross[i].Dir : 1;
      bool inside = FillMode == WINDING ? wind != 0 : (wind & 1) != 0;
      if (!inside) continue;
      auto l = static_cast<Integer>(std::ceil(cross[i].X - 0.5));
      auto r = static_cast<Integer>(std::ceil(cross[i + 1].X - 0.5));
      if (r <= l) continue;
      if (!spans.empty() && spans.back().Right >= l)
        spans.back().Right = std::max(spans.back().Right, r);
      else
        spans.push_back({l, r});
    }
    out.AppendBand(y, y + 1, std::move(spans));
  }
  return out;
}

void TRegion::Offset(Integer DX, Integer DY) {
  for (TBand& b : FBands) {
    b.Top += DY;
    b.Bottom += DY;
    for (TSpan& s : b.Spans) { s.Left += DX; s.Right += DX; }
  }
}

bool TRegion::Contains(Integer X, Integer Y) const {
  for (const TBand& b : FBands) {
    if (Y < b.Top) return false;
    if (Y >= b.Bottom) continue;
    for (const TSpan& s : b.Spans)
      if (X >= s.Left && X < s.Right) return true;
    return false;
  }
  return false;
}

bool TRegion::Overlaps(const TRect& R) const {
  return !Intersect(TRegion(R)).IsEmpty();
}

TRect TRegion::Bounds() const {
  if (FBands.empty()) return {};
  TRect r{FBands[0].Spans.front().Left, FBands.front().Top, FBands[0].Spans.back().Right,
          FBands.back().Bottom};
  for (const TBand& b : FBands) {
    r.Left = std::min(r.Left, b.Spans.front().Left);
    r.Right = std::max(r.Right, b.Spans.back().Right);
  }
  return r;
}

Integer TRegion::Kind() const {
  if (FBands.empty()) return NULLREGION;
  return FBands.size() == 1 && FBands[0].Spans.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

std::vector<TRect> TRegion::Rects() const {
  std::vector<TRect> out;
  for (const TBand& b : FBands)
    for (const TSpan& s : b.Spans) out.push_back({s.Left, b.Top, s.Right, b.Bottom});
  return out;
}

TRegion CreateRectRgn(Integer Left, Integer Top, Integer Right, Integer Bottom) {
  return TRegion(Rect(Left, Top, Right, Bottom));
}
TRegion CreateRectRgnIndirect(const TRect& R) { return TRegion(R); }
TRegion CreateRoundRectRgn(Integer Left, Integer Top, Integer Right, Integer Bottom,
                           Integer EllipseW, Integer EllipseH) {
  return TRegion::RoundRect(Rect(Left, Top, Right, Bottom), EllipseW, EllipseH);
}
TRegion CreateEllipticRgn(Integer Left, Integer Top, Integer Right, Integer Bottom) {
  return TRegion::Ellipse(Rect(Left, Top, Right, Bottom));
}
TRegion CreatePolygonRgn(const std::vector<TPoint>& Points, Integer FillMode) {
  return TRegion::Polygon(Points, FillMode);
}

Integer CombineRgn(TRegion& Dest, const TRegion& A, const TRegion& B, Integer Mode) {
  switch (Mode) {
    case RGN_AND: Dest = A.Intersect(B); break;
    case RGN_OR: Dest = A.Union(B); break;
    case RGN_XOR: Dest = A.Xor(B); break;
    case RGN_DIFF: Dest = A.Subtract(B); break;
    case RGN_COPY: Dest = A; break;
    default: return RGN_ERROR;
  }
  return Dest.Kind();
}

Integer OffsetRgn(TRegion& Rgn, Integer DX, Integer DY) {
  Rgn.Offset(DX, DY);
  return Rgn.Kind();
}
bool PtInRegion(const TRegion& Rgn, Integer X, Integer Y) { return Rgn.Contains(X, Y); }
bool RectInRegion(const TRegion& Rgn, const TRect& R) { return Rgn.Overlaps(R); }
Integer GetRgnBox(const TRegion& Rgn, TRect& R) {
  R = Rgn.Bounds();
  return Rgn.Kind();
}
bool EqualRgn(const TRegion& A, const TRegion& B) { return A == B; }
