// TFxBitmap: the pixel model, conversion, drawing and every effect against
// pixels computed by hand on small images.
#include "ui/look/PlainUtilsFx.h"

#include <gtest/gtest.h>

#include "platform/gui/graphics.h"

namespace {

TFxPixel Px(Byte B, Byte G, Byte R) { return TFxPixel{B, G, R}; }
TFxPixel Grey(Byte V) { return TFxPixel{V, V, V}; }

class FxBitmap : public ::testing::Test {
 protected:
  // A W x H image whose pixel (x, y) is (x, y, x + y) unless set otherwise.
  void Make(Integer W, Integer H) {
    Fx.SetSize(W, H);
    for (Integer Y = 0; Y < H; ++Y)
      for (Integer X = 0; X < W; ++X) Fx.SetPixel(X, Y, Px(Byte(X * 10), Byte(Y * 10), Byte(X + Y)));
  }
  // Every channel of every pixel is V.
  void Fill(Byte V) {
    for (Integer Y = 0; Y < Fx.Height(); ++Y)
      for (Integer X = 0; X < Fx.Width(); ++X) Fx.SetPixel(X, Y, Grey(V));
  }
  std::vector<Byte> Snapshot() const { return std::vector<Byte>(Fx.Bits(), Fx.Bits() + Fx.ImageSize()); }
  // One row of channel values, one pixel per byte given.
  void Row(Integer Y, std::initializer_list<Byte> Values) {
    Integer X = 0;
    for (Byte V : Values) Fx.SetPixel(X++, Y, Grey(V));
  }
  TFxBitmap Fx;
};

// ---- Pixel model and life ----------------------------------------------------------------

TEST_F(FxBitmap, SetSizeMakesAWhiteImageWithPaddedRows) {
  Fx.SetSize(10, 5);
  EXPECT_EQ(Fx.Stride(), 32);
  EXPECT_EQ(Fx.Padding(), 2);
  EXPECT_EQ(Fx.ImageSize(), 160);
  EXPECT_EQ(Fx.Rows(1) - Fx.Rows(0), 32);
  EXPECT_EQ(Fx.Pixel(9, 4), Grey(255));
  EXPECT_EQ(Fx.Header().Height, -5);
  EXPECT_EQ(Fx.Header().BitCount, 24);
  Fx.SetSize(0, 5);
  EXPECT_TRUE(Fx.Empty());
  EXPECT_EQ(Fx.Width(), 0);
  EXPECT_EQ(Fx.ImageSize(), 0);
}

TEST_F(FxBitmap, ChangingOneSideMakesANewImageTheSameSizeKeepsThePixels) {
  Make(10, 5);
  Fx.SetWidth(10);
  EXPECT_EQ(Fx.Pixel(3, 2), Px(30, 20, 5));
  Fx.SetHeight(7);
  EXPECT_EQ(Fx.Height(), 7);
  EXPECT_EQ(Fx.Pixel(3, 2), Grey(255));
}

TEST_F(FxBitmap, CanvasDrawsIntoThePixels) {
  Fx.SetSize(4, 4);
  Fx.Canvas()->Brush()->SetColor(RGB(1, 2, 3));
  Fx.Canvas()->FillRect(Rect(1, 1, 3, 3));
  EXPECT_EQ(Fx.Pixel(1, 1), Px(3, 2, 1));
  EXPECT_EQ(Fx.Pixel(0, 0), Grey(255));
}

TEST_F(FxBitmap, StashKeepsThePixelsWhileTheImageIsReleased) {
  Make(3, 2);
  std::vector<Byte> Before = Snapshot();
  Fx.StashPixels();
  EXPECT_TRUE(Fx.Empty());
  EXPECT_TRUE(Fx.Stashed());
  Fx.RestorePixels();
  EXPECT_FALSE(Fx.Stashed());
  ASSERT_EQ(Fx.Width(), 3);
  EXPECT_EQ(Snapshot(), Before);
}

// ---- Conversion ---------------------------------------------------------------------------

TEST_F(FxBitmap, BitmapRoundTripKeepsPixelsAndFormat) {
  TBitmap B;
  B.SetPixelFormat(pf32bit);
  B.SetSize(3, 2);
  B.PixelSurface().Set(2, 1, RGB(10, 20, 30));
  Fx.Assign(&B);
  EXPECT_EQ(Fx.PixelFormat, pf32bit);
  EXPECT_EQ(Fx.Pixel(2, 1), Px(30, 20, 10));
  TBitmap Back;
  Back.Assign(&Fx);
  EXPECT_EQ(Back.PixelFormat(), pf32bit);
  EXPECT_EQ(TColor(Back.PixelSurface().Get(2, 1)), RGB(10, 20, 30));
}

TEST_F(FxBitmap, AssignToFromAnEmptyImageEmptiesTheDestination) {
  TFxBitmap Dest;
  Dest.SetSize(4, 4);
  Fx.AssignTo(&Dest);
  EXPECT_TRUE(Dest.Empty());
  Make(2, 2);
  Fx.Smooth = true;
  Fx.AssignTo(&Dest);
  EXPECT_EQ(Dest.Pixel(1, 1), Fx.Pixel(1, 1));
  EXPECT_TRUE(Dest.Smooth);
}

// ---- Drawing --------------------------------------------------------------------------------

TEST_F(FxBitmap, TransparentDrawingLeavesOutTheTopLeftColour) {
  Fx.SetSize(3, 1);
  Row(0, {9, 200, 9});
  Fx.SetTransparent(true);
  TBitmap Dest;
  Dest.SetSize(3, 1);
  Dest.Canvas()->Brush()->SetColor(clRed);
  Dest.Canvas()->FillRect(Rect(0, 0, 3, 1));
  Fx.Draw(*Dest.Canvas(), Rect(0, 0, 3, 1));
  EXPECT_EQ(TColor(Dest.PixelSurface().Get(0, 0)), clRed);
  EXPECT_EQ(TColor(Dest.PixelSurface().Get(1, 0)), RGB(200, 200, 200));
  EXPECT_EQ(TColor(Dest.PixelSurface().Get(2, 0)), clRed);
  TBitmap* Mask = Fx.GetMask();
  EXPECT_EQ(TColor(Mask->PixelSurface().Get(0, 0)), clBlack);
  EXPECT_EQ(TColor(Mask->PixelSurface().Get(1, 0)), clWhite);
}

TEST_F(FxBitmap, SmoothStretchOfTheOwnSizeIsACopyAndInterpolatesOtherwise) {
  Fx.SetSize(2, 1);
  Row(0, {0, 200});
  TBitmap Dest;
  Dest.SetSize(4, 1);
  Fx.SmoothStretchDraw(*Dest.Canvas(), Rect(0, 0, 2, 1));
  EXPECT_EQ(TColor(Dest.PixelSurface().Get(1, 0)), RGB(200, 200, 200));
  Fx.SmoothStretchDraw(*Dest.Canvas(), Rect(0, 0, 4, 1));
  // XStep = 32768 / 4 = 8192: weights 0, 1/4, 1/2, 3/4 of the second pixel.
  EXPECT_EQ(TColor(Dest.PixelSurface().Get(1, 0)), RGB(50, 50, 50));
  EXPECT_EQ(TColor(Dest.PixelSurface().Get(3, 0)), RGB(150, 150, 150));
}

TEST_F(FxBitmap, TileDrawPutsTilesSideBySide) {
  Fx.SetSize(10, 10);
  Fx.SetPixel(0, 0, Grey(0));
  TBitmap Dest;
  Dest.SetSize(30, 10);
  Fx.TileDraw(*Dest.Canvas(), Rect(0, 0, 25, 10));
  for (Integer X : {0, 10, 20}) EXPECT_EQ(TColor(Dest.PixelSurface().Get(X, 0)), clBlack) << X;
  EXPECT_EQ(TColor(Dest.PixelSurface().Get(5, 0)), clWhite);
}

// ---- Point operations ----------------------------------------------------------------------

TEST_F(FxBitmap, BrightnessFollowsBothFormulas) {
  Fx.SetSize(3, 1);
  Row(0, {0, 128, 255});
  Fx.Brightness(90);
  EXPECT_EQ(Fx.Pixel(0, 0), Grey(89));
  EXPECT_EQ(Fx.Pixel(1, 0), Grey(172));
  EXPECT_EQ(Fx.Pixel(2, 0), Grey(255));
  Row(0, {200});
  Fx.Brightness(-64);
  EXPECT_EQ(Fx.Pixel(0, 0), Grey(150));
}

TEST_F(FxBitmap, NeutralAmountsLeaveThePixels) {
  Make(5, 3);
  std::vector<Byte> Before = Snapshot();
  Fx.Contrast(0);
  Fx.AddColor(0, 0, 0);
  Fx.TintColor(192, 192, 192);
  Fx.Saturation(256);
  Fx.Blur(0);
  Fx.Spray(0);
  Fx.Rotate(Point(-1, -1), 0);
  Fx.Wave(0, 3, 2, false);
  EXPECT_EQ(Snapshot(), Before);
  Fx.Invert();
  EXPECT_NE(Snapshot(), Before);
  Fx.Invert();
  EXPECT_EQ(Snapshot(), Before);
}

TEST_F(FxBitmap, GrayScaleDividesEachChannelByThree) {
  Fx.SetSize(3, 1);
  Fx.SetPixel(0, 0, Grey(255));
  Fx.SetPixel(1, 0, Grey(1));
  Fx.SetPixel(2, 0, Px(30, 60, 91));
  TFxBitmap Copy;
  Copy.Assign(&Fx);
  Fx.GrayScale();
  EXPECT_EQ(Fx.Pixel(0, 0), Grey(255));
  EXPECT_EQ(Fx.Pixel(1, 0), Grey(0));
  EXPECT_EQ(Fx.Pixel(2, 0), Grey(10 + 20 + 30));
  Copy.Saturation(0);
  EXPECT_EQ(Copy.Pixel(2, 0), Fx.Pixel(2, 0));
}

TEST_F(FxBitmap, ContrastAddColorAndTint) {
  Fx.SetSize(3, 1);
  Row(0, {100, 127, 250});
  Fx.Contrast(128);
  // |128 - c| * 128 / 256: 14 below, 0 at 127, 61 above (clamped).
  EXPECT_EQ(Fx.Pixel(0, 0), Grey(86));
  EXPECT_EQ(Fx.Pixel(1, 0), Grey(127));
  EXPECT_EQ(Fx.Pixel(2, 0), Grey(255));
  Row(0, {100});
  Fx.AddColor(10, -20, 300);
  EXPECT_EQ(Fx.Pixel(0, 0), Px(255, 80, 110));
  Row(0, {100, 100});
  Fx.TransparentColor = RGB(100, 100, 100);
  Fx.TintColor(200, 192, 0);
  EXPECT_EQ(Fx.Pixel(0, 0), Grey(100));
}

TEST_F(FxBitmap, MaskAndReplaceColourCompareWholePixels) {
  Fx.SetSize(3, 1);
  Fx.SetPixel(0, 0, Px(1, 2, 3));
  Fx.SetPixel(1, 0, Px(1, 2, 4));
  Fx.SetPixel(2, 0, Px(1, 2, 3));
  Fx.ReplaceColor(Px(1, 2, 3), Px(7, 8, 9));
  EXPECT_EQ(Fx.Pixel(2, 0), Px(7, 8, 9));
  EXPECT_EQ(Fx.Pixel(1, 0), Px(1, 2, 4));
  Fx.MaskColor(Px(7, 8, 9));
  EXPECT_EQ(Fx.Pixel(0, 0), Grey(0));
  EXPECT_EQ(Fx.Pixel(1, 0), Grey(255));
}

// ---- Neighbourhood and geometry --------------------------------------------------------------

TEST_F(FxBitmap, FlipExchangesColumnsOrRows) {
  Fx.SetSize(3, 3);
  Row(0, {1, 2, 3});
  Row(1, {4, 5, 6});
  Row(2, {7, 8, 9});
  Fx.Flip(true);
  EXPECT_EQ(Fx.Pixel(0, 0), Grey(3));
  EXPECT_EQ(Fx.Pixel(1, 0), Grey(2));
  EXPECT_EQ(Fx.Pixel(2, 0), Grey(1));
  Fx.Flip(false);
  EXPECT_EQ(Fx.Pixel(0, 0), Grey(9));
  EXPECT_EQ(Fx.Pixel(0, 1), Grey(6));
  EXPECT_EQ(Fx.Pixel(0, 2), Grey(3));
}

TEST_F(FxBitmap, SpreadAveragesDiagonalNeighboursInPlace) {
  Fx.SetSize(2, 1);
  Row(0, {100, 20});
  Fx.Spread(1);
  // (0,0): neighbours (1,1)->(1,0), (1,-1)->(1,0), (-1,..)->(0,0) twice.
  EXPECT_EQ(Fx.Pixel(0, 0), Grey((20 + 20 + 100 + 100) / 4));
  // (1,0) reads the already replaced (0,0).
  EXPECT_EQ(Fx.Pixel(1, 0), Grey((20 + 20 + 60 + 60) / 4));
}

TEST_F(FxBitmap, SharpenLiftsAPeakAndKeepsAFlatArea) {
  Fx.SetSize(3, 3);
  Fill(100);
  Fx.Sharpen(1);
  EXPECT_EQ(Fx.Pixel(0, 0), Grey(100));
  Fill(10);
  Fx.SetPixel(1, 1, Grey(50));
  Fx.Sharpen(1);
  // (0,0): 2*10 - (10*7 + 50)/8 = 5; the centre: 2*50 - (7*10 + 5)/8 (truncated).
  EXPECT_EQ(Fx.Pixel(0, 0), Grey(5));
}

TEST_F(FxBitmap, EmbossUsesTheLowerRightPartnerAndTheSavedBottomRow) {
  Fx.SetSize(2, 3);
  Row(0, {10, 20});
  Row(1, {30, 40});
  Row(2, {50, 60});
  Fx.Emboss();
  EXPECT_EQ(Fx.Pixel(0, 0), Grey((10 + 255 - 40) / 2));
  EXPECT_EQ(Fx.Pixel(1, 0), Grey((20 + 255 - 40) / 2));
  EXPECT_EQ(Fx.Pixel(0, 1), Grey((30 + 255 - 60) / 2));
  EXPECT_EQ(Fx.Pixel(1, 2), Grey((60 + 255 - 60) / 2));
}

TEST_F(FxBitmap, SprayTakesPixelsFromNearby) {
  Fx.SetSize(20, 1);
  for (Integer X = 0; X < 20; ++X) Fx.SetPixel(X, 0, Grey(Byte(X * 10)));
  Fx.Spray(3);
  for (Integer X = 0; X < 20; ++X) {
    Integer From = Fx.Pixel(X, 0).B / 10;
    EXPECT_LE(std::abs(From - X), 2 * 3) << X;
  }
}

TEST_F(FxBitmap, RotateByHalfATurnMirrorsAboutTheCentre) {
  Fx.SetSize(4, 4);
  Fx.SetPixel(0, 0, Grey(0));
  Fx.Rotate(Point(-1, -1), 180);
  EXPECT_EQ(Fx.Pixel(3, 3), Grey(0));
  EXPECT_EQ(Fx.Pixel(0, 0), Grey(255));
}

TEST_F(FxBitmap, WaveWithoutWrapLeavesWhiteWhereTheSourceIsOutside) {
  Fx.SetSize(4, 4);
  Fill(0);
  // Rows shift by round(sin(y) * 2): 0, 2, 2, 0; columns by round(sin(x/100) * 2) = 0.
  Fx.Wave(100, 1, 2, false);
  EXPECT_EQ(Fx.Pixel(0, 0), Grey(0));
  EXPECT_EQ(Fx.Pixel(1, 1), Grey(0));
  EXPECT_EQ(Fx.Pixel(2, 1), Grey(255));
  Fill(0);
  Fx.Wave(100, 1, 2, true);
  EXPECT_EQ(Fx.Pixel(2, 1), Grey(0));
}

}  // namespace
