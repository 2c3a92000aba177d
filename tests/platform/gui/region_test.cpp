#include <gtest/gtest.h>

#include "platform/gui/region.h"

namespace {

// How many pixels of Box belong to Rgn.
int Area(const TRegion& Rgn) {
  int n = 0;
  for (const TRect& r : Rgn.Rects()) n += r.Width() * r.Height();
  return n;
}

}  // namespace

TEST(RegionTest, RectangleRegionHoldsItsPixelsOnly) {
  TRegion r = CreateRectRgn(2, 3, 6, 5);
  EXPECT_TRUE(PtInRegion(r, 2, 3));
  EXPECT_TRUE(PtInRegion(r, 5, 4));
  EXPECT_FALSE(PtInRegion(r, 6, 4));
  EXPECT_FALSE(PtInRegion(r, 5, 5));
  EXPECT_EQ(r.Kind(), SIMPLEREGION);
  EXPECT_EQ(Area(r), 8);
}

TEST(RegionTest, EmptyRectangleGivesNullRegion) {
  EXPECT_EQ(CreateRectRgn(5, 5, 5, 9).Kind(), NULLREGION);
  EXPECT_EQ(CreateRectRgn(5, 5, 2, 9).Kind(), NULLREGION);
}

TEST(RegionTest, UnionOfTouchingRectanglesIsOneRectangle) {
  TRegion r;
  EXPECT_EQ(CombineRgn(r, CreateRectRgn(0, 0, 4, 4), CreateRectRgn(4, 0, 8, 4), RGN_OR),
            SIMPLEREGION);
  EXPECT_EQ(r, CreateRectRgn(0, 0, 8, 4));
  CombineRgn(r, r, CreateRectRgn(0, 4, 8, 6), RGN_OR);
  EXPECT_EQ(r, CreateRectRgn(0, 0, 8, 6));
}

TEST(RegionTest, IntersectSubtractXor) {
  TRegion a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(5, 5, 15, 15), r;
  EXPECT_EQ(CombineRgn(r, a, b, RGN_AND), SIMPLEREGION);
  EXPECT_EQ(r, CreateRectRgn(5, 5, 10, 10));
  EXPECT_EQ(CombineRgn(r, a, b, RGN_DIFF), COMPLEXREGION);
  EXPECT_EQ(Area(r), 75);
  EXPECT_FALSE(PtInRegion(r, 7, 7));
  CombineRgn(r, a, b, RGN_XOR);
  EXPECT_EQ(Area(r), 150);
  EXPECT_FALSE(PtInRegion(r, 6, 6));
  EXPECT_TRUE(PtInRegion(r, 12, 12));
  EXPECT_EQ(CombineRgn(r, a, b, 99), RGN_ERROR);
}

TEST(RegionTest, XorWithItselfIsEmptyAndRestoresByRepeat) {
  TRegion frame = CreateRectRgn(0, 0, 10, 10).Subtract(CreateRectRgn(2, 2, 8, 8));
  TRegion other = CreateRectRgn(1, 1, 11, 11).Subtract(CreateRectRgn(3, 3, 9, 9));
  EXPECT_TRUE(frame.Xor(frame).IsEmpty());
  EXPECT_EQ(frame.Xor(other).Xor(other), frame);
}

TEST(RegionTest, OffsetMovesEveryPixel) {
  TRegion r = CreateEllipticRgn(0, 0, 10, 6);
  TRegion moved = r;
  OffsetRgn(moved, 3, -2);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ(r.Contains(x, y), moved.Contains(x + 3, y - 2));
}

TEST(RegionTest, RectInRegionAndBox) {
  TRegion r = CreateRectRgn(0, 0, 4, 4).Union(CreateRectRgn(10, 10, 12, 12));
  EXPECT_TRUE(RectInRegion(r, Rect(3, 3, 20, 5)));
  EXPECT_FALSE(RectInRegion(r, Rect(5, 5, 9, 9)));
  TRect box;
  EXPECT_EQ(GetRgnBox(r, box), COMPLEXREGION);
  EXPECT_EQ(box, Rect(0, 0, 12, 12));
}

TEST(RegionTest, EllipseIsSymmetricAndInsideItsBox) {
  TRegion e = CreateEllipticRgn(0, 0, 20, 12);
  EXPECT_EQ(e.Bounds(), Rect(0, 0, 20, 12));
  EXPECT_TRUE(e.Contains(10, 6));
  EXPECT_FALSE(e.Contains(0, 0));
  EXPECT_FALSE(e.Contains(19, 11));
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 20; ++x) EXPECT_EQ(e.Contains(x, y), e.Contains(19 - x, 11 - y));
}

TEST(RegionTest, RoundRectCutsOnlyTheCorners) {
  TRegion r = CreateRoundRectRgn(0, 0, 20, 20, 8, 8);
  EXPECT_FALSE(r.Contains(0, 0));
  EXPECT_TRUE(r.Contains(10, 0));
  EXPECT_TRUE(r.Contains(0, 10));
  EXPECT_TRUE(r.Contains(19, 10));
  EXPECT_LT(Area(r), 400);
  EXPECT_GT(Area(r), 400 - 4 * 16);
}

TEST(RegionTest, PolygonSquareCoversHalfOpenBox) {
  TRegion p = CreatePolygonRgn({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  EXPECT_EQ(p, CreateRectRgn(0, 0, 10, 10));
}

TEST(RegionTest, ArrowPolygonPointsUp) {
  // The drop-position arrow of the grid: a tip at the top, a shaft below.
  TRegion p = CreatePolygonRgn({{5, 0}, {10, 5}, {7, 5}, {7, 9}, {3, 9}, {3, 5}, {0, 5}});
  EXPECT_TRUE(p.Contains(5, 1));
  EXPECT_TRUE(p.Contains(1, 4));
  EXPECT_FALSE(p.Contains(1, 6));
  EXPECT_TRUE(p.Contains(5, 8));
  EXPECT_FALSE(p.Contains(5, 9));
}

TEST(RegionTest, WindingAndAlternateDifferForOverlappingLoops) {
  // A path that runs twice around the same square.
  std::vector<TPoint> twice = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0},
                               {10, 0}, {10, 10}, {0, 10}};
  EXPECT_TRUE(CreatePolygonRgn(twice, WINDING).Contains(5, 5));
  EXPECT_FALSE(CreatePolygonRgn(twice, ALTERNATE).Contains(5, 5));
}
