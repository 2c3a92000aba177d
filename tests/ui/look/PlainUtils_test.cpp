// The colour and drawing routines of the flat controls: HSL, ShadeColor,
// the 3D frame, the button layout rule, the disabled glyph and the
// parent's picture as background.
#include <gtest/gtest.h>

#include "look_fixture.h"
#include "ui/look/PlainUtils.h"

namespace {

// ---- HSL and ShadeColor ------------------------------------------------------------

TEST(PlainColors, PureColoursHaveTheirTextbookHueSaturationAndLightness) {
  double H, S, L;
  RGBtoHSL(clRed, H, S, L);
  EXPECT_DOUBLE_EQ(H, 0);
  EXPECT_DOUBLE_EQ(S, 1);
  EXPECT_DOUBLE_EQ(L, 0.5);
  RGBtoHSL(clBlue, H, S, L);
  EXPECT_NEAR(H, 2.0 / 3.0, 1e-12);
  RGBtoHSL(RGB(128, 128, 128), H, S, L);
  EXPECT_DOUBLE_EQ(S, 0);
  EXPECT_NEAR(L, 128 / 255.0, 1e-12);
}

TEST(PlainColors, GreyIsEveryChannelAtTheLightness) {
  EXPECT_EQ(HSLtoRGB(0.3, 0, 0.5), RGB(128, 128, 128));
  EXPECT_EQ(HSLtoRGB(0, 0, 1), clWhite);
}

TEST(PlainColors, HslRoundTripKeepsTheColour) {
  for (TColor C : {clRed, clLime, clBlue, clYellow, TColor(0xE1EAEB), RGB(51, 102, 153)}) {
    double H, S, L;
    RGBtoHSL(C, H, S, L);
    EXPECT_EQ(HSLtoRGB(H, S, L), C) << std::hex << C;
  }
}

TEST(PlainColors, RangeFormScalesHueBy239AndTheOthersBy240) {
  Integer H, S, L;
  RGBtoHSLRange(clBlue, H, S, L);
  EXPECT_EQ(H, 159);  // 239 * 2/3 = 159.33
  EXPECT_EQ(S, 240);
  EXPECT_EQ(L, 120);
  EXPECT_EQ(HSLRangeToRGB(0, 240, 120), clRed);
}

TEST(PlainColors, SystemColoursAreResolvedBeforeConversion) {
  double H1, S1, L1, H2, S2, L2;
  RGBtoHSL(clBtnFace, H1, S1, L1);
  RGBtoHSL(TColor(ColorToRGB(clBtnFace)), H2, S2, L2);
  EXPECT_DOUBLE_EQ(L1, L2);
}

TEST(PlainShade, PercentZeroReturnsTheOriginalColourUnchanged) {
  EXPECT_EQ(ShadeColor(clWhite, clFuchsia, 0, false), clFuchsia);
  EXPECT_EQ(ShadeColor(clBlack, clAqua, 0, true), clAqua);
}

TEST(PlainShade, LighteningIsCappedAtLightness100NotWhite) {
  TColor C = ShadeColor(clWhite, clBlack, 10, false);
  Integer H, S, L;
  RGBtoHSLRange(C, H, S, L);
  EXPECT_EQ(L, 100);
  EXPECT_NE(C, clWhite);
  EXPECT_EQ(C, HSLRangeToRGB(0, 0, 100));
}

TEST(PlainShade, DarkeningSubtractsFromTheLightnessPlusTen) {
  // Grey of lightness 120: 120 + 10 - 50 = 80.
  TColor C = ShadeColor(HSLRangeToRGB(0, 0, 120), clNone, 50, true);
  EXPECT_EQ(C, HSLRangeToRGB(0, 0, 80));
  EXPECT_EQ(ShadeColor(clBlack, clNone, 50, true), clBlack);  // 0 + 10 - 50 stops at 0
}

TEST(PlainHelpers, ClampsAndRectangleSizes) {
  EXPECT_EQ(ClampByte(-4), 0);
  EXPECT_EQ(ClampByte(300), 255);
  EXPECT_EQ(ClampInt(7, 1, 5), 5);
  EXPECT_EQ(RectWidth(Rect(2, 3, 10, 20)), 8);
  EXPECT_EQ(RectHeight(Rect(2, 3, 10, 20)), 17);
  Byte R, G, B;
  ColorToRGBBytes(RGB(1, 2, 3), R, G, B);
  EXPECT_EQ(RGBBytesToColor(R, G, B), RGB(1, 2, 3));
}

// ---- Drawing on bitmaps ------------------------------------------------------------------

class PlainDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    Bmp.SetPixelFormat(pf24bit);
    Bmp.SetSize(20, 20);
    Bmp.Canvas()->Brush()->SetColor(clWhite);
    Bmp.Canvas()->FillRect(Rect(0, 0, 20, 20));
  }
  TColor At(int X, int Y) { return TColor(Bmp.PixelSurface().Get(X, Y)); }
  TBitmap Bmp;
};

TEST_F(PlainDrawing, Frame3DPaintsTopLeftAndBottomRightEdges) {
  DrawFrame3D(*Bmp.Canvas(), Rect(0, 0, 10, 10), clRed, clBlue, 1);
  EXPECT_EQ(At(0, 0), clRed);
  EXPECT_EQ(At(5, 0), clRed);
  EXPECT_EQ(At(0, 5), clRed);
  EXPECT_EQ(At(9, 5), clBlue);
  EXPECT_EQ(At(5, 9), clBlue);
  EXPECT_EQ(At(0, 9), clBlue);  // bottom-left corner belongs to the dark side
  EXPECT_EQ(At(9, 0), clBlue);  // top-right corner too
  EXPECT_EQ(At(5, 5), clWhite);
  EXPECT_EQ(At(10, 5), clWhite);
}

TEST_F(PlainDrawing, Frame3DOfWidthTwoNestsASecondFrame) {
  DrawFrame3D(*Bmp.Canvas(), Rect(0, 0, 10, 10), clRed, clBlue, 2);
  EXPECT_EQ(At(1, 4), clRed);
  EXPECT_EQ(At(8, 4), clBlue);
  EXPECT_EQ(At(2, 4), clWhite);
}

TEST_F(PlainDrawing, DisabledGlyphIsGreyAndLightened) {
  TBitmap Glyph;
  Glyph.SetSize(4, 4);
  Glyph.Canvas()->Brush()->SetColor(RGB(0, 0, 255));
  Glyph.Canvas()->FillRect(Rect(0, 0, 4, 4));
  std::unique_ptr<TBitmap> D = CreateDisabledGlyph(&Glyph);
  ASSERT_EQ(D->Width(), 4);
  ASSERT_EQ(D->Height(), 4);
  // grey 255 div 3 = 85; lightened by 90: 85 + 170 * 90 div 256 = 144.
  EXPECT_EQ(TColor(D->PixelSurface().Get(2, 2)), RGB(144, 144, 144));
  EXPECT_EQ(D->PixelFormat(), Glyph.PixelFormat());
}

// ---- Button layout --------------------------------------------------------------------

class PlainLayout : public ::testing::Test {
 protected:
  TBitmap Bmp;
  TPoint GlyphPos;
  TRect Text;
  TSize Measure(const String& S) {
    TRect R = Rect(0, 0, 1000, 0);
    DrawText(*Bmp.Canvas(), S, R, DT_CALCRECT | DT_WORDBREAK);
    return {R.Width(), R.Height()};
  }
  void Layout(const String& Caption, TButtonLayout L, Integer Margin, Integer Spacing, TBitmap* Glyph,
              TRect Client = Rect(0, 0, 100, 40), TPoint Offset = {}) {
    CalcButtonLayout(*Bmp.Canvas(), Client, Offset, Caption, L, Margin, Spacing, Glyph, 1, GlyphPos, Text);
  }
};

TEST_F(PlainLayout, CaptionWithoutGlyphIsCentredWhateverTheSpacing) {
  TSize S = Measure("Weiter");
  Layout("Weiter", blGlyphTop, -1, 4, nullptr);
  EXPECT_EQ(Text.Left, (100 - S.cx + 1) / 2);
  EXPECT_EQ(Text.Top, (40 - S.cy + 1) / 2);
  EXPECT_EQ(Text.Width(), S.cx);
}

TEST_F(PlainLayout, MarginAndSpacingMinusOneSpreadTheFreeSpaceInThirds) {
  TBitmap Glyph;
  Glyph.SetSize(16, 16);
  TSize S = Measure("OK");
  Layout("OK", blGlyphLeft, -1, -1, &Glyph, Rect(0, 0, 100, 30));
  Integer Third = (100 - 16 - S.cx) / 3;
  EXPECT_EQ(GlyphPos.X, Third);
  EXPECT_EQ(Text.Left - (GlyphPos.X + 16), Third);
  EXPECT_EQ(GlyphPos.Y, (30 - 16 + 1) / 2);
}

TEST_F(PlainLayout, GlyphRightPutsTheTextBeforeTheGlyph) {
  TBitmap Glyph;
  Glyph.SetSize(16, 16);
  Layout("OK", blGlyphRight, 5, 3, &Glyph);
  EXPECT_EQ(GlyphPos.X, 100 - 5 - 16);
  EXPECT_EQ(Text.Right, GlyphPos.X - 3);
}

TEST_F(PlainLayout, ResultsMoveByTheClientCornerAndThePressedOffset) {
  TBitmap Glyph;
  Glyph.SetSize(16, 16);
  Layout("", blGlyphTop, 2, 4, &Glyph, Rect(10, 20, 110, 60), Point(1, 1));
  EXPECT_EQ(GlyphPos.Y, 20 + 2 + 1);
  EXPECT_EQ(GlyphPos.X, 10 + (100 - 16 + 1) / 2 + 1);
}

TEST_F(PlainLayout, BrTagsBreakTheCaptionIntoLines) {
  TSize One = Measure("Zeile");
  Layout("Zeile<Br>Zeile", blGlyphTop, -1, 4, nullptr);
  EXPECT_EQ(Text.Height(), 2 * One.cy);
  EXPECT_EQ(ReplaceBrTags("a<br>b<BR>c"), "a\r\nb\r\nc");
}

// ---- The parent's picture -----------------------------------------------------------

class PlainParentImage : public LookTest {};

TEST_F(PlainParentImage, TheParentsPixelsUnderTheControlLandAtTheCanvasOrigin) {
  TForm* F = ShownForm();
  F->OnPaint = [F](TObject*) {
    F->Canvas()->Brush()->SetColor(clRed);
    F->Canvas()->FillRect(Rect(50, 50, 60, 60));
  };
  auto* C = Put<TCustomControl>(F, Bounds(45, 45, 20, 20));
  TBitmap Bmp;
  Bmp.SetSize(20, 20);
  DrawParentImage(C, *Bmp.Canvas());
  EXPECT_EQ(TColor(Bmp.PixelSurface().Get(7, 7)), clRed);
  EXPECT_EQ(TColor(Bmp.PixelSurface().Get(2, 2)), clWhite);
  EXPECT_EQ(Bmp.Canvas()->GetViewportOrgEx(), Point(0, 0));
}

TEST_F(PlainParentImage, AControlWithoutParentLeavesTheCanvasAlone) {
  TCustomControl C(nullptr);
  TBitmap Bmp;
  Bmp.SetSize(4, 4);
  Bmp.Canvas()->Brush()->SetColor(clBlue);
  Bmp.Canvas()->FillRect(Rect(0, 0, 4, 4));
  DrawParentImage(&C, *Bmp.Canvas());
  EXPECT_EQ(TColor(Bmp.PixelSurface().Get(1, 1)), clBlue);
}

}  // namespace
