// Pixel-exact shapes: rectangles, lines, round shapes, polygons.
#include "drawing_fixture.h"

using CanvasShapes = DrawingTest;

TEST_F(CanvasShapes, FillRectCoversLeftTopButNotRightBottom) {
  Canvas().Brush()->SetColor(clBlack);
  Canvas().FillRect(Rect(2, 1, 5, 3));
  EXPECT_EQ(Row(0, 0, 7), ".......");
  EXPECT_EQ(Row(1, 0, 7), "..###..");
  EXPECT_EQ(Row(2, 0, 7), "..###..");
  EXPECT_EQ(Row(3, 0, 7), ".......");
  EXPECT_EQ(Inked(), 6);
}

TEST_F(CanvasShapes, FillRectWithClearBrushDrawsNothing) {
  Canvas().Brush()->SetStyle(bsClear);
  Canvas().FillRect(Rect(0, 0, 10, 10));
  EXPECT_EQ(Inked(), 0);
}

TEST_F(CanvasShapes, RectangleFramesWithPenAndFillsInsideWithBrush) {
  Canvas().Brush()->SetColor(clRed);
  Canvas().Rectangle(1, 1, 6, 5);
  EXPECT_EQ(Row(1, 0, 7), ".#####.");
  EXPECT_EQ(Row(2, 0, 7), ".#ooo#.");
  EXPECT_EQ(Row(4, 0, 7), ".#####.");
  EXPECT_EQ(Row(5, 0, 7), ".......");
  EXPECT_EQ(At(3, 3), clRed);
}

TEST_F(CanvasShapes, RectangleWithClearPenIsOnePixelSmaller) {
  Canvas().Pen()->SetStyle(psClear);
  Canvas().Brush()->SetColor(clBlack);
  Canvas().Rectangle(0, 0, 4, 3);
  EXPECT_EQ(Row(0, 0, 5), "###..");
  EXPECT_EQ(Row(1, 0, 5), "###..");
  EXPECT_EQ(Row(2, 0, 5), ".....");
}

TEST_F(CanvasShapes, FrameRectUsesBrushColour) {
  Canvas().Brush()->SetColor(clBlack);
  Canvas().FrameRect(Rect(0, 0, 4, 4));
  EXPECT_EQ(Row(0, 0, 5), "####.");
  EXPECT_EQ(Row(1, 0, 5), "#..#.");
  EXPECT_EQ(Row(3, 0, 5), "####.");
  EXPECT_EQ(Inked(), 12);
}

TEST_F(CanvasShapes, LineExcludesItsEndPoint) {
  Canvas().MoveTo(1, 2);
  Canvas().LineTo(6, 2);
  EXPECT_EQ(Row(2, 0, 8), ".#####..");
  EXPECT_EQ(Canvas().PenPos(), Point(6, 2));
}

TEST_F(CanvasShapes, VerticalAndDiagonalLines) {
  Canvas().MoveTo(3, 0);
  Canvas().LineTo(3, 4);
  EXPECT_EQ(Inked(), 4);
  EXPECT_EQ(At(3, 4), clWhite);
  Clear();
  Canvas().MoveTo(0, 0);
  Canvas().LineTo(4, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(At(i, i), clBlack);
  EXPECT_EQ(Inked(), 4);
}

TEST_F(CanvasShapes, ConsecutiveLinesJoinWithoutGapOrOverlap) {
  Canvas().Pen()->SetMode(pmXor);
  Canvas().Pen()->SetColor(clWhite);
  Canvas().MoveTo(0, 0);
  Canvas().LineTo(5, 0);
  Canvas().LineTo(5, 3);
  // XOR would cancel a pixel drawn twice; none is.
  EXPECT_EQ(Row(0, 0, 7), "######.");
  EXPECT_EQ(At(5, 1), clBlack);
  EXPECT_EQ(Count(clBlack), 8);
}

TEST_F(CanvasShapes, DottedPenSkipsPixels) {
  Canvas().Pen()->SetStyle(psDot);
  Canvas().SetBkMode(TRANSPARENT);
  Canvas().MoveTo(0, 0);
  Canvas().LineTo(12, 0);
  EXPECT_EQ(Row(0, 0, 12), "###...###...");
}

TEST_F(CanvasShapes, DashGapsTakeTheBackgroundWhenOpaque) {
  Canvas().Brush()->SetColor(clRed);
  Canvas().Pen()->SetStyle(psDot);
  Canvas().MoveTo(0, 0);
  Canvas().LineTo(6, 0);
  EXPECT_EQ(Row(0, 0, 7), "###ooo.");
}

// A wide pen reaches over the end point by half its width, as the
// original platform's round caps do.
TEST_F(CanvasShapes, WidePenCoversItsWidth) {
  Canvas().Pen()->SetWidth(3);
  Canvas().MoveTo(2, 5);
  Canvas().LineTo(10, 5);
  EXPECT_EQ(Row(4, 0, 13), ".###########.");
  EXPECT_EQ(Row(5, 0, 13), ".###########.");
  EXPECT_EQ(Row(6, 0, 13), ".###########.");
  EXPECT_EQ(Row(7, 0, 13), ".............");
}

TEST_F(CanvasShapes, PolylineLeavesLastPointOpen) {
  Canvas().Polyline({{0, 0}, {3, 0}, {3, 3}});
  EXPECT_EQ(Row(0, 0, 5), "####.");
  EXPECT_EQ(At(3, 2), clBlack);
  EXPECT_EQ(At(3, 3), clWhite);
}

TEST_F(CanvasShapes, PolygonIsFilledAndClosed) {
  Canvas().Brush()->SetColor(clRed);
  Canvas().Polygon({{1, 1}, {8, 1}, {8, 6}, {1, 6}});
  EXPECT_EQ(Row(1, 0, 10), ".########.");
  EXPECT_EQ(Row(3, 0, 10), ".#oooooo#.");
  EXPECT_EQ(Row(6, 0, 10), ".########.");
  EXPECT_EQ(Row(7, 0, 10), "..........");
}

TEST_F(CanvasShapes, EllipseStaysInsideItsBoxAndIsSymmetric) {
  Canvas().Brush()->SetColor(clRed);
  Canvas().Ellipse(2, 2, 22, 14);
  EXPECT_EQ(At(12, 8), clRed);
  EXPECT_EQ(At(2, 2), clWhite);
  for (int y = 0; y < 16; ++y) {
    EXPECT_EQ(At(1, y), clWhite);
    EXPECT_EQ(At(22, y), clWhite);
  }
  for (int y = 2; y < 14; ++y)
    for (int x = 2; x < 22; ++x) EXPECT_EQ(At(x, y), At(23 - x, 15 - y)) << x << "," << y;
  EXPECT_EQ(At(12, 2), clBlack);
  EXPECT_EQ(At(12, 13), clBlack);
}

TEST_F(CanvasShapes, RoundRectHasStraightEdgesAndCutCorners) {
  Canvas().RoundRect(0, 0, 20, 14, 6, 6);
  EXPECT_EQ(At(10, 0), clBlack);
  EXPECT_EQ(At(0, 7), clBlack);
  EXPECT_EQ(At(19, 7), clBlack);
  EXPECT_EQ(At(10, 13), clBlack);
  EXPECT_EQ(At(0, 0), clWhite);
  EXPECT_EQ(At(10, 7), clWhite);  // brush is white
}

TEST_F(CanvasShapes, FocusRectTwiceRestoresThePixels) {
  Canvas().Brush()->SetColor(clRed);
  Canvas().FillRect(Rect(3, 3, 12, 9));
  Canvas().DrawFocusRect(Rect(2, 2, 14, 10));
  EXPECT_GT(Count(clBlack) + Count(0x00FFFF), 0);
  EXPECT_EQ(Row(2, 2, 8), "#.#.#.");
  Canvas().DrawFocusRect(Rect(2, 2, 14, 10));
  EXPECT_EQ(Count(clRed), 54);
  EXPECT_EQ(Inked(), 54);
}

TEST_F(CanvasShapes, PixelsReadAndWrite) {
  Canvas().SetPixel(4, 5, clBlue);
  EXPECT_EQ(Canvas().Pixel(4, 5), clBlue);
  EXPECT_EQ(Canvas().Pixel(100, 5), CLR_INVALID);
}

TEST_F(CanvasShapes, HatchBrushLeavesGapsWhenTransparent) {
  Canvas().Brush()->SetColor(clBlack);
  Canvas().Brush()->SetStyle(bsHorizontal);
  Canvas().SetBkMode(TRANSPARENT);
  Canvas().FillRect(Rect(0, 0, 8, 16));
  EXPECT_EQ(Row(0, 0, 8), "########");
  EXPECT_EQ(Row(1, 0, 8), "........");
  EXPECT_EQ(Row(8, 0, 8), "########");
}

TEST_F(CanvasShapes, FloodFillStopsAtBorder) {
  Canvas().Brush()->SetStyle(bsClear);
  Canvas().Rectangle(2, 2, 10, 10);
  Canvas().Brush()->SetColor(clRed);
  Canvas().FloodFill(5, 5, clBlack, TCanvas::fsBorder);
  EXPECT_EQ(Count(clRed), 36);
  EXPECT_EQ(At(1, 1), clWhite);
}
