// Regions: areas of pixels made of rectangles, as the original platform's
// clipping and window-shaping regions.
//
// A TRegion is a value: a list of horizontal bands, each with sorted,
// disjoint, non-touching pixel spans; equal neighbouring bands are merged,
// so two regions covering the same pixels compare equal. Every boolean
// operation goes through one band combiner. Round rectangles, ellipses and
// polygons are built as scanline spans (one band per pixel row where the
// outline changes).
//
// Besides the class, the routines of the original platform are given
// with their names (CreateRectRgn, CombineRgn, PtInRegion ...), working on
// TRegion values instead of handles.
//
// Thread safety: plain values; no shared state.
#pragma once

#include <vector>

#include "platform/gui/graphics_types.h"

// Results of the region routines: what kind of region came out.
enum : Integer { RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
// CombineRgn modes.
enum : Integer { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
// Polygon fill modes.
enum : Integer { ALTERNATE = 1, WINDING = 2 };

class TRegion {
 public:
  struct TSpan {
    Integer Left, Right;  // half-open
    friend bool operator==(const TSpan&, const TSpan&) = default;
  };
  struct TBand {
    Integer Top, Bottom;  // half-open
    std::vector<TSpan> Spans;
    friend bool operator==(const TBand&, const TBand&) = default;
  };

  // The empty region.
  TRegion() = default;
  // The pixels of R (empty when R is empty).
  explicit TRegion(const TRect& R);

  // A rectangle with corners rounded by ellipses of EllipseW x EllipseH.
  static TRegion RoundRect(const TRect& R, Integer EllipseW, Integer EllipseH);
  // The ellipse inscribed in R.
  static TRegion Ellipse(const TRect& R);
  // The inside of the polygon through Points (closed automatically),
  // sampled at pixel centres with ALTERNATE or WINDING fill.
  static TRegion Polygon(const std::vector<TPoint>& Points, Integer FillMode = ALTERNATE);

  // Set operations; each returns a new region.
  TRegion Union(const TRegion& Other) const;
  TRegion Intersect(const TRegion& Other) const;
  TRegion Subtract(const TRegion& Other) const;
  TRegion Xor(const TRegion& Other) const;

  // Moves every pixel by (DX, DY).
  void Offset(Integer DX, Integer DY);

  bool IsEmpty() const { return FBands.empty(); }
  // True when the pixel (X, Y) belongs to the region.
  bool Contains(Integer X, Integer Y) const;
  // True when any pixel of R belongs to the region.
  bool Overlaps(const TRect& R) const;
  // The smallest rectangle around the region (all zero when empty).
  TRect Bounds() const;
  // NULLREGION, SIMPLEREGION (one rectangle) or COMPLEXREGION.
  Integer Kind() const;
  // The region as disjoint rectangles, top to bottom, left to right.
  std::vector<TRect> Rects() const;
  const std::vector<TBand>& Bands() const { return FBands; }

  friend bool operator==(const TRegion&, const TRegion&) = default;

 private:
  // Builds a region from one span per row (row Top + i gets Rows[i]; an
  // empty span leaves the row out).
  static TRegion FromRows(Integer Top, const std::vector<TSpan>& Rows);
  // The one boolean combiner: Op tells for (in A, in B) whether a pixel is in.
  template <class TOp>
  static TRegion Combine(const TRegion& A, const TRegion& B, TOp Op);
  void AppendBand(Integer Top, Integer Bottom, std::vector<TSpan>&& Spans);

  std::vector<TBand> FBands;
};

// The left and right end (inclusive, Left > Right when none) of row Y of
// a rectangle R whose corners are rounded by ellipses W x H; an ellipse
// is the case W = width, H = height. Used by regions and by the canvas.
TRegion::TSpan RoundRectRowSpan(const TRect& R, Integer W, Integer H, Integer Y);

TRegion CreateRectRgn(Integer Left, Integer Top, Integer Right, Integer Bottom);
TRegion CreateRectRgnIndirect(const TRect& R);
TRegion CreateRoundRectRgn(Integer Left, Integer Top, Integer Right, Integer Bottom,
                           Integer EllipseW, Integer EllipseH);
TRegion CreateEllipticRgn(Integer Left, Integer Top, Integer Right, Integer Bottom);
TRegion CreatePolygonRgn(const std::vector<TPoint>& Points, Integer FillMode = ALTERNATE);
// Sets Dest to A combined with B by Mode (RGN_AND, RGN_OR, RGN_XOR,
// RGN_DIFF; RGN_COPY copies A). Returns the kind of the result, or
// RGN_ERROR for an unknown mode (Dest unchanged). Dest may be A or B.
Integer CombineRgn(TRegion& Dest, const TRegion& A, const TRegion& B, Integer Mode);
// Moves the region; returns its kind.
Integer OffsetRgn(TRegion& Rgn, Integer DX, Integer DY);
bool PtInRegion(const TRegion& Rgn, Integer X, Integer Y);
bool RectInRegion(const TRegion& Rgn, const TRect& R);
// Sets R to the region's bounding box and returns the region's kind.
Integer GetRgnBox(const TRegion& Rgn, TRect& R);
bool EqualRgn(const TRegion& A, const TRegion& B);
