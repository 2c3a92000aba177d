// TStyledCheckBox: the check states and their cycle, clicks released
// outside, the box-only repaint, keys, the painted box and tick, the
// see-through background, auto-size, and the look engine making it opaque.
#include "ui/look/StyledCtrls.h"

#include "look_engine_fixture.h"
#include "platform/rtl/charset.h"

namespace {

class StyledCheck : public LookTest {
 protected:
  TStyledCheckBox* ShownBox(const String& Caption = "Mandant sichern") {
    Form = ShownForm();
    auto* C = Put<TStyledCheckBox>(Form, Bounds(20, 20, 160, 24));
    C->SetCaption(Caption);
    Pump();
    return C;
  }
  // Presses the left button at (X, Y) of C and releases it at (RX, RY).
  void PressAndRelease(TControl* C, int X, int Y, int RX, int RY) {
    TPoint P = C->ClientToScreen(Point(X, Y)), R = C->ClientToScreen(Point(RX, RY));
    HeadlessMouseMove(P.X, P.Y);
    Pump();
    C->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(X, Y));
    Pump();
    HeadlessMouseMove(R.X, R.Y);
    C->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(RX, RY));
    C->Perform(WM_LBUTTONUP, 0, MAKELPARAM(RX, RY));
    Pump();
  }
  TForm* Form = nullptr;
};

TEST_F(StyledCheck, ClickTogglesAndGreyedReadsUnchecked) {
  TStyledCheckBox* C = ShownBox();
  int Clicks = 0;
  C->OnClick = [&](TObject*) { ++Clicks; };
  ClickOn(C, 6, 12);
  EXPECT_TRUE(C->Checked());
  EXPECT_EQ(Clicks, 1);
  C->SetState(cbGrayed);
  EXPECT_FALSE(C->Checked());
}

TEST_F(StyledCheck, AllowGrayedCyclesThroughThreeStates) {
  TStyledCheckBox* C = ShownBox();
  C->SetAllowGrayed(true);
  std::vector<TCheckBoxState> Seen;
  for (int I = 0; I < 4; ++I) {
    ClickOn(C, 6, 12);
    Seen.push_back(C->State());
  }
  EXPECT_EQ(Seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked, cbGrayed}));
}

TEST_F(StyledCheck, ReleaseOutsideDoesNotToggle) {
  TStyledCheckBox* C = ShownBox();
  PressAndRelease(C, 6, 12, 300, 12);
  EXPECT_FALSE(C->Checked());
  EXPECT_FALSE(C->Pressed());
  PressAndRelease(C, 6, 12, 100, 12);
  EXPECT_TRUE(C->Checked());
}

TEST_F(StyledCheck, WithoutButtonLikeAPressRepaintsOnlyTheBoxStrip) {
  TStyledCheckBox* C = ShownBox();
  C->SetButtonLike(false);
  Pump();
  EXPECT_EQ(C->LastPaintRect(), C->ClientRect());
  C->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, 12));
  Pump();
  EXPECT_EQ(C->LastPaintRect(), Rect(0, 0, 16, 22));
  C->Perform(WM_LBUTTONUP, 0, MAKELPARAM(6, 12));
  Pump();
  C->SetButtonLike(true);
  C->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, 12));
  Pump();
  EXPECT_EQ(C->LastPaintRect(), C->ClientRect());
  C->Perform(WM_LBUTTONUP, 0, MAKELPARAM(6, 12));
}

TEST_F(StyledCheck, SpaceAndTheAcceleratorToggle) {
  TStyledCheckBox* C = ShownBox("&Adressen");
  C->Perform(WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_TRUE(C->Pressed());
  C->Perform(WM_KEYUP, VK_SPACE, 0);
  EXPECT_TRUE(C->Checked());
  EXPECT_EQ(C->Perform(CM_DIALOGCHAR, 'a', 0), 1);
  EXPECT_FALSE(C->Checked());
  EXPECT_EQ(C->Perform(CM_DIALOGCHAR, 'x', 0), 0);
}

TEST_F(StyledCheck, PaintsARaisedBoxAndTheTickInCheckColor) {
  TStyledCheckBox* C = ShownBox();
  C->SetCheckColor(clRed);
  C->SetChecked(true);
  TRect Box = C->BoxRect();
  EXPECT_EQ(Box, Rect(1, 6, 13, 18));
  EXPECT_EQ(PixelOf(C, Box.Left, Box.Top + 4), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(PixelOf(C, Box.Right - 1, Box.Top + 4), ColorToRGB(clBtnShadow));
  // The first stroke of the tick: column L+2 from T+6 down.
  EXPECT_EQ(PixelOf(C, Box.Left + 2, Box.Top + 7), clRed);
  auto* Grey = Put<TStyledCheckBox>(Form, Bounds(20, 60, 160, 24));
  Grey->SetCaption("Adressen abgleichen");
  Grey->SetState(cbGrayed);
  Grey->SetStyle(cbsSunken);
  HeadlessSavePng(Form->Handle(), PngPath("styledcheckbox.png"));
  C->SetChecked(false);
  EXPECT_NE(PixelOf(C, Box.Left + 2, Box.Top + 7), clRed);
}

TEST_F(StyledCheck, TransparentModeShowsTheParent) {
  TStyledCheckBox* C = ShownBox("");
  Form->SetColor(clAqua);
  C->SetTransparentMode(styled::tmTransparent);
  C->SetBounds(21, 20, 160, 24);
  EXPECT_EQ(PixelOf(C, 100, 12), clAqua);
  C->SetTransparentMode(styled::tmOpaque);
  EXPECT_EQ(PixelOf(C, 100, 12), ColorToRGB(C->Color()));
}

TEST_F(StyledCheck, AutoSizeFitsTheCaption) {
  TStyledCheckBox* C = ShownBox("Mandant sichern");
  C->SetAutoSize(true);
  TBitmap B;
  B.Canvas()->SetFont(C->Font());
  EXPECT_EQ(C->Width(), B.Canvas()->TextWidth("Mandant sichern") + 1 + 22 + 1);
  EXPECT_EQ(C->Height(), B.Canvas()->TextHeight("Mandant sichern") + 1 + 2 + 1);
  // A caption is read back with at most 255 characters, however long.
  String Long;
  for (int I = 0; I < 300; ++I) Long += "ä";
  C->SetCaption(Long);
  EXPECT_EQ(Utf8CharCount(C->Caption()), 255);
  EXPECT_EQ(Utf8CharCount(GetStrProp(C, "Caption")), 255);
  C->SetCaption("kurz");
  EXPECT_EQ(C->Caption(), "kurz");
}

TEST_F(StyledCheck, TheLookMakesItOpaqueUnlessRemote) {
  TStyledCheckBox* C = ShownBox();
  C->SetTransparentMode(styled::tmSemiTransparent);
  DoubleBufferControl(C);
  EXPECT_EQ(C->TransparentMode(), styled::tmOpaque);
  EXPECT_TRUE(C->DoubleBuffered());
  EXPECT_EQ(GetPropValue(C, "TransparentMode"), "tmOpaque");
}

}  // namespace
