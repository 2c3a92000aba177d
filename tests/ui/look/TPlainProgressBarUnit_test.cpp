// The flat progress bar: range rules, blocks, the smooth bar, orientation
// and colours, by state and by pixels.
#include <gtest/gtest.h>

#include "look_fixture.h"
#include "platform/rtl/typinfo.h"
#include "ui/look/TPlainProgressBarUnit.h"

namespace {

class ProgressBarTest : public LookTest {
 protected:
  // A bar of the given size on a shown form at (10, 10).
  TPlainProgressBar* Bar(int W = 147, int H = 16) {
    Form = ShownForm();
    return Put<TPlainProgressBar>(Form, Bounds(10, 10, W, H));
  }
  TForm* Form = nullptr;
};

// ---- Range -------------------------------------------------------------------------------

TEST_F(ProgressBarTest, ANewBarHasTheFlatDefaults) {
  TPlainProgressBar B(nullptr);
  EXPECT_EQ(B.Width(), 147);
  EXPECT_EQ(B.Height(), 16);
  EXPECT_EQ(B.Min(), 0);
  EXPECT_EQ(B.Max(), 100);
  EXPECT_EQ(B.Step(), 10);
  EXPECT_EQ(B.ColorElement(), RGB(51, 102, 153));
  EXPECT_EQ(B.ColorBorder(), RGB(160, 150, 131));
  EXPECT_EQ(B.Color(), RGB(235, 234, 225));
  EXPECT_TRUE(B.ParentColor());
  EXPECT_EQ(B.ElementSize(), 8);
}

TEST_F(ProgressBarTest, MinUpToMaxPushesMaxOneFurther) {
  TPlainProgressBar B(nullptr);
  B.SetMin(100);
  EXPECT_EQ(B.Max(), 101);
}

TEST_F(ProgressBarTest, MaxBelowPositionLowersThePosition) {
  TPlainProgressBar B(nullptr);
  B.SetPosition(80);
  B.SetMax(50);
  EXPECT_EQ(B.Position(), 50);
  EXPECT_EQ(B.Max(), 50);
}

TEST_F(ProgressBarTest, MaxBelowMinEndsOneAboveMin) {
  TPlainProgressBar B(nullptr);
  B.SetMin(20);
  B.SetMax(5);
  EXPECT_EQ(B.Max(), 21);
}

TEST_F(ProgressBarTest, PositionIsClampedIntoTheRange) {
  TPlainProgressBar B(nullptr);
  B.SetPosition(150);
  EXPECT_EQ(B.Position(), 100);
  B.SetPosition(-5);
  EXPECT_EQ(B.Position(), 0);
}

TEST_F(ProgressBarTest, MinAbovePositionDoesNotClampThePosition) {
  TPlainProgressBar B(nullptr);
  B.SetPosition(10);
  B.SetMin(30);
  EXPECT_EQ(B.Position(), 10);
}

// ---- Blocks -------------------------------------------------------------------------------

TEST_F(ProgressBarTest, A147WideBarHolds16BlocksAndShows8AtHalfWay) {
  TPlainProgressBar* B = Bar();
  EXPECT_EQ(B->BlockCapacity(), 16);
  B->SetPosition(50);
  EXPECT_EQ(B->FilledBlocks(), 8);
  // Block 8 (index 7) starts at 2 + 7 * 9 = 65; block 9 would start at 74.
  EXPECT_EQ(PixelOf(B, 66, 8), RGB(51, 102, 153));
  EXPECT_EQ(PixelOf(B, 75, 8), B->Color());
  EXPECT_EQ(PixelOf(B, 10, 1), B->Color());  // gap between frame and block
  EXPECT_EQ(PixelOf(B, 0, 0), RGB(160, 150, 131));    // frame
  EXPECT_EQ(B->Color(), clWhite);                      // the parent's colour
}

TEST_F(ProgressBarTest, GrowthIsDrawnAtOnceAndShrinkingRepaints) {
  TPlainProgressBar* B = Bar();
  B->SetPosition(100);
  EXPECT_EQ(PixelOf(B, 140, 8), RGB(51, 102, 153));
  B->SetPosition(10);
  EXPECT_EQ(B->FilledBlocks(), 1);
  EXPECT_EQ(PixelOf(B, 140, 8), B->Color());
  EXPECT_EQ(PixelOf(B, 3, 8), RGB(51, 102, 153));
}

TEST_F(ProgressBarTest, ANarrowBarIsWidenedTo12AndOthersSnapToWholeBlocks) {
  TPlainProgressBar* B = Bar(10, 16);
  Pump();
  EXPECT_EQ(B->Width(), 12);
  B->SetWidth(100);
  Pump();
  EXPECT_EQ(B->Width(), 93);  // (97 div 9) * 9 + 3
}

TEST_F(ProgressBarTest, RightToLeftBlocksGrowFromTheRight) {
  TPlainProgressBar* B = Bar();
  B->SetBiDiMode(bdRightToLeft);
  B->SetPosition(10);
  EXPECT_EQ(PixelOf(B, B->Width() - 4, 8), RGB(51, 102, 153));
  EXPECT_EQ(PixelOf(B, 4, 8), B->Color());
}

TEST_F(ProgressBarTest, VerticalBlocksGrowUpwards) {
  TPlainProgressBar* B = Bar(16, 147);
  B->SetOrientation(pbVertical);  // swaps to 147 x 16 ...
  B->SetBounds(10, 10, 16, 147);  // ... so stand it up again
  B->SetPosition(10);
  Pump();
  EXPECT_EQ(PixelOf(B, 8, B->Height() - 4), RGB(51, 102, 153));
  EXPECT_EQ(PixelOf(B, 8, 4), B->Color());
}

// ---- Smooth bar --------------------------------------------------------------------------

TEST_F(ProgressBarTest, ASmoothBarFillsTheFractionInWholePixels) {
  Form = ShownForm("Lauf", Bounds(50, 50, 720, 120));
  auto* B = new TPlainProgressBar(Form);  // as the run page's "pgmain"
  B->SetSmooth(true);
  B->SetBounds(10, 10, 685, 29);
  B->SetParent(Form);
  Pump();
  B->SetPosition(50);
  Pump();
  EXPECT_EQ(B->Width(), 685);  // smooth bars keep their size
  Integer End = 2 + (685 - 4) * 50 / 100;  // 342
  EXPECT_EQ(PixelOf(B, End - 1, 14), RGB(51, 102, 153));
  EXPECT_EQ(PixelOf(B, End, 14), B->Color());
  HeadlessSavePng(Form->Handle(), PngPath("progressbar.png"));
}

TEST_F(ProgressBarTest, ASmoothBarAtMinShowsNoFill) {
  TPlainProgressBar* B = Bar(100, 20);
  B->SetSmooth(true);
  Pump();
  EXPECT_EQ(PixelOf(B, 2, 10), B->Color());
}

TEST_F(ProgressBarTest, ATransparentBarLeavesTheParentVisible) {
  TPlainProgressBar* B = Bar();
  B->SetParentColor(false);
  B->SetColor(clYellow);
  B->SetTransparent(true);
  Pump();
  EXPECT_NE(PixelOf(B, 100, 8), clYellow);
}

// ---- Orientation ----------------------------------------------------------------------

TEST_F(ProgressBarTest, ChangingOrientationAtRunTimeSwapsWidthAndHeight) {
  TPlainProgressBar B(nullptr);
  B.SetOrientation(pbVertical);
  EXPECT_EQ(B.Width(), 16);
  EXPECT_EQ(B.Height(), 147);
}

TEST_F(ProgressBarTest, ChangingOrientationWhileLoadingKeepsTheSize) {
  TPlainProgressBar B(nullptr);
  B.BeginReading();
  SetPropValue(&B, "Orientation", "pbVertical");
  B.EndReading();
  B.Loaded();
  EXPECT_EQ(B.Width(), 147);
  EXPECT_EQ(B.Orientation(), pbVertical);
}

// ---- Colours -------------------------------------------------------------------------------

TEST_F(ProgressBarTest, DerivedBorderIsADarkerShadeOfTheColour) {
  TPlainProgressBar B(nullptr);
  B.SetParentColor(false);
  B.SetColor(HSLRangeToRGB(0, 0, 120));
  B.SetUseDerivedColors(true);
  EXPECT_EQ(B.ColorBorder(), HSLRangeToRGB(0, 0, 80));  // 120 + 10 - 50
  EXPECT_TRUE(B.ParentColor());
}

TEST_F(ProgressBarTest, PublishedColoursCanBeSetByName) {
  TPlainProgressBar B(nullptr);
  SetPropValue(&B, "ColorElement", "clRed");
  EXPECT_EQ(B.ColorElement(), clRed);
  EXPECT_EQ(GetPropValue(&B, "Max"), "100");
  EXPECT_EQ(GetPropValue(&B, "Orientation"), "pbHorizontal");
}

}  // namespace
