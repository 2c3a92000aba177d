// Geometry of the drawing layer: TPoint, TSize and TRect with the class
// library's helper routines (Rect, Bounds, Point, IntersectRect ...).
//
// A TRect is half-open as on the original platform: it covers the pixels
// Left..Right-1 and Top..Bottom-1, so Right - Left is its width.
//
// Thread safety: plain values; no shared state.
#pragma once

#include <algorithm>

#include "platform/rtl/system.h"

struct TPoint {
  Integer X = 0;
  Integer Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  Integer cx = 0;
  Integer cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

struct TRect {
  Integer Left = 0;
  Integer Top = 0;
  Integer Right = 0;
  Integer Bottom = 0;

  Integer Width() const { return Right - Left; }
  Integer Height() const { return Bottom - Top; }
  TPoint TopLeft() const { return {Left, Top}; }
  TPoint BottomRight() const { return {Right, Bottom}; }
  // True when the rectangle covers no pixel.
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TPoint Point(Integer X, Integer Y) { return {X, Y}; }
inline TRect Rect(Integer Left, Integer Top, Integer Right, Integer Bottom) {
  return {Left, Top, Right, Bottom};
}
// A rectangle given by its corner and size.
inline TRect Bounds(Integer Left, Integer Top, Integer Width, Integer Height) {
  return {Left, Top, Left + Width, Top + Height};
}

inline bool IsRectEmpty(const TRect& R) { return R.IsEmpty(); }
inline bool EqualRect(const TRect& A, const TRect& B) { return A == B; }
inline bool PtInRect(const TRect& R, const TPoint& P) {
  return P.X >= R.Left && P.X < R.Right && P.Y >= R.Top && P.Y < R.Bottom;
}

// Sets Dest to the common part of A and B. Returns false (and an all-zero
// Dest) when they do not overlap.
inline bool IntersectRect(TRect& Dest, const TRect& A, const TRect& B) {
  TRect R{std::max(A.Left, B.Left), std::max(A.Top, B.Top),
          std::min(A.Right, B.Right), std::min(A.Bottom, B.Bottom)};
  if (R.IsEmpty()) {
    Dest = TRect{};
    return false;
  }
  Dest = R;
  return true;
}

// Sets Dest to the smallest rectangle around A and B; an empty rectangle
// does not count. Returns false when both are empty.
inline bool UnionRect(TRect& Dest, const TRect& A, const TRect& B) {
  if (A.IsEmpty()) { Dest = B.IsEmpty() ? TRect{} : B; return !B.IsEmpty(); }
  if (B.IsEmpty()) { Dest = A; return true; }
  Dest = {std::min(A.Left, B.Left), std::min(A.Top, B.Top),
          std::max(A.Right, B.Right), std::max(A.Bottom, B.Bottom)};
  return true;
}

inline void OffsetRect(TRect& R, Integer DX, Integer DY) {
  R.Left += DX; R.Right += DX; R.Top += DY; R.Bottom += DY;
}
inline void InflateRect(TRect& R, Integer DX, Integer DY) {
  R.Left -= DX; R.Right += DX; R.Top -= DY; R.Bottom += DY;
}
