// Placement of forms on one monitor, on injected monitors.
#include "foundation/UFormPlacement.h"
#include "platform/gui/forms_fixture.h"

namespace {

class FormPlacementTest : public FormsTest {
 protected:
  // One 1280 x 1024 monitor with a task bar of 40 pixels at the bottom.
  void OneMonitor() { HeadlessSetMonitors({MonitorInfo(Rect(0, 0, 1280, 1024), Rect(0, 0, 1280, 984), true)}); }
  // The same, and a 1920 x 1080 monitor to its right.
  void TwoMonitors() {
    HeadlessSetMonitors({MonitorInfo(Rect(0, 0, 1280, 1024), Rect(0, 0, 1280, 984), true),
                         MonitorInfo(Rect(1280, 0, 3200, 1080), Rect(1280, 0, 3200, 1040), false)});
  }
  TForm* Form(TRect B, TPosition Position = poDesigned, TFormBorderStyle Border = bsSizeable) {
    TForm* F = NewPlainForm("F", B);
    F->SetBorderStyle(Border);
    F->SetPosition(Position);
    return F;
  }
  // Makes F the main form (the reference when no form is active).
  void WorkingOn(TForm* F) { Application->SetMainForm(F); }
};

TEST_F(FormPlacementTest, HoldsMoreThanHalfNeedsMoreThanHalfInBothDirections) {
  TRect Monitor = Rect(0, 0, 100, 100);
  EXPECT_TRUE(HoldsMoreThanHalf(Monitor, Rect(40, 40, 140, 140)));   // 60 of 100 both ways
  EXPECT_FALSE(HoldsMoreThanHalf(Monitor, Rect(50, 0, 150, 100)));   // exactly half wide
  EXPECT_FALSE(HoldsMoreThanHalf(Monitor, Rect(0, 60, 100, 160)));   // 40 of 100 high
  EXPECT_FALSE(HoldsMoreThanHalf(Monitor, Rect(200, 200, 300, 300)));  // apart
  EXPECT_TRUE(HoldsMoreThanHalf(Monitor, Rect(0, 0, 3, 3)));         // halves rounded down
}

TEST_F(FormPlacementTest, MonitorIndexIsTheFirstHoldingMoreThanHalf) {
  TwoMonitors();
  EXPECT_EQ(MonitorIndexOf(Form(Bounds(1500, 100, 400, 300))), 1);
  EXPECT_EQ(MonitorIndexOf(Form(Bounds(100, 100, 400, 300))), 0);
  EXPECT_EQ(MonitorIndexOf(Form(Bounds(1180, 100, 200, 300))), 0);  // half and half: none, 0
}

TEST_F(FormPlacementTest, OnOneMonitorAFormLeftOfTheScreenMovesToTheWorkAreasLeftEdge) {
  OneMonitor();
  TForm* F = Form(Bounds(-50, 100, 300, 200));
  PlaceFormOnMonitor(F, false);
  EXPECT_EQ(F->Left(), 0);
  EXPECT_EQ(F->Top(), 100);
}

TEST_F(FormPlacementTest, AFormBelowTheWorkAreaIsPulledUpIntoIt) {
  OneMonitor();
  TForm* F = Form(Bounds(100, 900, 300, 200));
  PlaceFormOnMonitor(F, false);
  EXPECT_EQ(F->Top(), 984 - 200);
}

TEST_F(FormPlacementTest, AScreenCentredFormLargerThanTheWorkAreaEndsOnItsRightAndBottomEdges) {
  OneMonitor();
  TForm* F = Form(Bounds(0, 0, 1400, 1100), poScreenCenter);
  PlaceFormOnMonitor(F, false);
  EXPECT_EQ(F->Position(), poDesigned);
  EXPECT_EQ(F->BoundsRect().Right, 1280);
  EXPECT_EQ(F->BoundsRect().Bottom, 984);
  EXPECT_EQ(F->Left(), (1280 - 1400) / 2);
  EXPECT_EQ(F->Top(), (984 - 1100) / 2);
}

TEST_F(FormPlacementTest, AScreenCentredFormIsCentredInTheWorkArea) {
  OneMonitor();
  TForm* F = Form(Bounds(0, 0, 400, 300), poScreenCenter);
  PlaceFormOnMonitor(F, false);
  EXPECT_EQ(F->BoundsRect(), Bounds(440, 342, 400, 300));
}

TEST_F(FormPlacementTest, ABorderlessFormIsLeftAloneUnlessForced) {
  OneMonitor();
  TForm* F = Form(Bounds(-50, -20, 300, 200), poDesigned, bsNone);
  PlaceFormOnMonitor(F, false);
  EXPECT_EQ(F->Left(), -50);
  PlaceFormOnMonitor(F, true);
  EXPECT_EQ(F->Left(), 0);
  EXPECT_EQ(F->Top(), 0);
}

TEST_F(FormPlacementTest, ANewFormFollowsTheMainFormOntoTheSecondMonitor) {
  TwoMonitors();
  WorkingOn(Form(Bounds(1500, 100, 600, 400)));
  TForm* F = Form(Bounds(100, 100, 300, 200));
  PlaceFormOnMonitor(F, false);
  EXPECT_EQ(F->Left(), 1280 + 100);  // the monitor's left added
  EXPECT_EQ(F->Top(), 100);
}

TEST_F(FormPlacementTest, ACentredFormOnTheSecondMonitorUsesTheWholeMonitor) {
  TwoMonitors();
  WorkingOn(Form(Bounds(1500, 100, 600, 400)));
  TForm* F = Form(Bounds(0, 0, 400, 1100), poScreenCenter);
  PlaceFormOnMonitor(F, false);
  EXPECT_EQ(F->Left(), 1280 + (1920 - 400) / 2);
  EXPECT_EQ(F->BoundsRect().Bottom, 1080);  // the monitor, not its work area
}

TEST_F(FormPlacementTest, TheActiveFormWinsOverTheMainForm) {
  TwoMonitors();
  WorkingOn(Form(Bounds(100, 100, 600, 400)));
  TForm* Active = Form(Bounds(1500, 100, 600, 400));
  Active->Show();
  ASSERT_EQ(Screen->ActiveCustomForm(), Active);
  TForm* F = Form(Bounds(0, 0, 400, 300), poScreenCenter);
  PlaceFormOnMonitor(F, false);
  EXPECT_EQ(F->Left(), 1280 + (1920 - 400) / 2);
}

TEST_F(FormPlacementTest, WithNoActiveFormAndNoMainFormTheFormsOwnMonitorCountsAsPrimary) {
  TwoMonitors();
  TForm* F = Form(Bounds(2000, 100, 400, 300), poScreenCenter);
  PlaceFormOnMonitor(F, false);
  // Its own monitor is the second one, treated as primary: the work area.
  EXPECT_EQ(F->BoundsRect(), Bounds((1280 - 400) / 2, (984 - 300) / 2, 400, 300));
}
}  // namespace
