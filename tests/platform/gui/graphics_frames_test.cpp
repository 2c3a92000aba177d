// DrawEdge, DrawFrameControl and FillGradient.
#include "drawing_fixture.h"

using FramesTest = DrawingTest;

TEST_F(FramesTest, RaisedEdgeIsLightTopLeftAndDarkBottomRight) {
  TRect r = Rect(0, 0, 6, 5);
  DrawEdge(Canvas(), r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
  EXPECT_EQ(r, Rect(2, 2, 4, 3));
  EXPECT_EQ(ColorToRGB(At(0, 0)), ColorToRGB(cl3DLight));
  EXPECT_EQ(ColorToRGB(At(1, 1)), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(ColorToRGB(At(5, 4)), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(ColorToRGB(At(4, 3)), ColorToRGB(clBtnShadow));
  EXPECT_EQ(ColorToRGB(At(0, 4)), ColorToRGB(cl3DDkShadow));  // bottom-left corner is dark
  EXPECT_EQ(ColorToRGB(At(5, 0)), ColorToRGB(cl3DDkShadow));  // top-right corner too
  EXPECT_EQ(ColorToRGB(At(2, 2)), ColorToRGB(clBtnFace));
}

TEST_F(FramesTest, SunkenEdgeSwapsTheColours) {
  TRect r = Rect(0, 0, 6, 5);
  DrawEdge(Canvas(), r, EDGE_SUNKEN, BF_RECT);
  EXPECT_EQ(ColorToRGB(At(0, 0)), ColorToRGB(clBtnShadow));
  EXPECT_EQ(ColorToRGB(At(1, 1)), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(ColorToRGB(At(5, 4)), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(r, Rect(0, 0, 6, 5));
  EXPECT_EQ(At(2, 2), clWhite);
}

TEST_F(FramesTest, OnlyTheRequestedSidesAreDrawn) {
  TRect r = Rect(0, 0, 6, 5);
  DrawEdge(Canvas(), r, BDR_SUNKENOUTER, BF_BOTTOM);
  EXPECT_EQ(Row(4, 0, 6), "......");  // clBtnHighlight is white
  EXPECT_EQ(Inked(), 0);
  DrawEdge(Canvas(), r, BDR_RAISEDOUTER, BF_BOTTOM);
  EXPECT_EQ(Row(4, 0, 7), "######.");
  EXPECT_EQ(Inked(), 6);
}

TEST_F(FramesTest, CheckedCheckBoxHasATick) {
  DrawFrameControl(Canvas(), Rect(0, 0, 13, 13), DFC_BUTTON, DFCS_BUTTONCHECK);
  int empty = Count(clBlack);
  DrawFrameControl(Canvas(), Rect(0, 0, 13, 13), DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  EXPECT_EQ(Count(clBlack) - empty, 21);
}

TEST_F(FramesTest, RadioButtonDotOnlyWhenChecked) {
  DrawFrameControl(Canvas(), Rect(0, 0, 12, 12), DFC_BUTTON, DFCS_BUTTONRADIO);
  EXPECT_EQ(At(6, 6), clWhite);
  DrawFrameControl(Canvas(), Rect(0, 0, 12, 12), DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
  EXPECT_EQ(At(6, 6), clBlack);
}

TEST_F(FramesTest, ScrollArrowIsDrawnOnAButton) {
  DrawFrameControl(Canvas(), Rect(0, 0, 16, 16), DFC_SCROLL, DFCS_SCROLLDOWN);
  EXPECT_GT(Count(clBlack), 4 + 16 + 15);
  EXPECT_FALSE(DrawFrameControl(Canvas(), Rect(0, 0, 16, 16), 99, 0));
}

TEST_F(FramesTest, GradientRunsFromFirstToLastColour) {
  FillGradient(Canvas(), Rect(0, 0, 5, 2), clBlack, clWhite, false);
  EXPECT_EQ(At(0, 1), clBlack);
  EXPECT_EQ(At(4, 1), clWhite);
  EXPECT_EQ(At(2, 0), RGB(127, 127, 127));
  FillGradient(Canvas(), Rect(0, 0, 2, 3), clRed, clBlue, true);
  EXPECT_EQ(At(1, 0), clRed);
  EXPECT_EQ(At(1, 2), clBlue);
}
