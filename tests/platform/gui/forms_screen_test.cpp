// The screen: monitors and work areas from the back end, the cursor table,
// the list of forms.
#include "forms_fixture.h"
#include "platform/rtl/sysutils.h"

namespace {

class ScreenTest : public FormsTest {
 protected:
  void TwoMonitors() {
    HeadlessSetMonitors({MonitorInfo(Rect(0, 0, 1280, 1024), Rect(0, 0, 1280, 984), true),
                         MonitorInfo(Rect(1280, 0, 3200, 1080), Rect(1280, 0, 3200, 1080), false)});
  }
};

TEST_F(ScreenTest, SizeIsThatOfThePrimaryMonitor) {
  TwoMonitors();
  EXPECT_EQ(Screen->Width(), 1280);
  EXPECT_EQ(Screen->Height(), 1024);
  EXPECT_EQ(Screen->PixelsPerInch(), 96);
}

TEST_F(ScreenTest, MonitorsAreListedInTheBackEndsOrder) {
  TwoMonitors();
  ASSERT_EQ(Screen->MonitorCount(), 2);
  EXPECT_TRUE(Screen->Monitors(0)->Primary());
  EXPECT_EQ(Screen->Monitors(1)->Left(), 1280);
  EXPECT_EQ(Screen->Monitors(1)->Width(), 1920);
  EXPECT_EQ(Screen->Monitors(1)->MonitorNum(), 1);
  EXPECT_THROW(Screen->Monitors(2), EListError);
}

TEST_F(ScreenTest, WorkAreaAndDesktop) {
  TwoMonitors();
  EXPECT_EQ(Screen->WorkAreaRect(), Rect(0, 0, 1280, 984));
  EXPECT_EQ(Screen->DesktopRect(), Rect(0, 0, 3200, 1080));
}

TEST_F(ScreenTest, MonitorFromRectPicksTheMonitorWithTheLargerShare) {
  TwoMonitors();
  EXPECT_EQ(Screen->MonitorFromRect(Rect(1200, 10, 1500, 100))->MonitorNum(), 1);
  EXPECT_EQ(Screen->MonitorFromRect(Rect(1000, 10, 1300, 100))->MonitorNum(), 0);
  EXPECT_EQ(Screen->MonitorFromRect(Rect(-900, -900, -800, -800))->MonitorNum(), 0);
}

TEST_F(ScreenTest, StandardCursorsMapToTheWindowManagersCursors) {
  EXPECT_EQ(Screen->Cursors(crHourGlass), HCURSOR(IDC_WAIT));
  EXPECT_EQ(Screen->Cursors(crIBeam), HCURSOR(IDC_IBEAM));
  EXPECT_EQ(Screen->Cursors(12345), HCURSOR(IDC_ARROW));
  EXPECT_FALSE(Screen->HasCursor(12345));
}

TEST_F(ScreenTest, ACursorLoadedFromAFileIsStoredAndShown) {
  std::string File = Folder + "/x.ani";
  FILE* Out = fopen(File.c_str(), "w");
  fputs("ANICURSOR 2 2 1 1 50\nframe\n#o\n.+\nframe\no#\n+.\n", Out);
  fclose(Out);
  HCURSOR H = LoadCursorFromFile(File);
  ASSERT_NE(H, 0);
  const TCursorImage* Image = FindCursorImage(H);
  ASSERT_NE(Image, nullptr);
  EXPECT_EQ(Image->Frames.size(), 2u);
  EXPECT_EQ(Image->Rate, 50);
  Screen->SetCursors(777, H);
  Screen->SetCursor(777);
  EXPECT_EQ(Screen->Cursor(), 777);
  EXPECT_EQ(GetCursor(), H);
}

TEST_F(ScreenTest, AFileThatIsNoCursorGivesNoHandle) {
  std::string File = Folder + "/bad.ani";
  FILE* Out = fopen(File.c_str(), "w");
  fputs("ANICURSOR 2 2 0 0 50\nframe\n#o\n", Out);
  fclose(Out);
  EXPECT_EQ(LoadCursorFromFile(File), 0);
  EXPECT_EQ(LoadCursorFromFile(Folder + "/missing.ani"), 0);
}

TEST_F(ScreenTest, TheScreenCursorShowsOverEveryControl) {
  TForm* F = NewPlainForm("Cursor", Bounds(100, 100, 200, 100));
  TCustomControl* C = AddControl(F, Bounds(10, 10, 50, 50));
  C->SetCursor(crHandPoint);
  F->Show();
  Pump();
  TPoint P = C->ClientToScreen(Point(5, 5));
  HeadlessMouseMove(P.X, P.Y);
  Pump();
  EXPECT_EQ(GetCursor(), HCURSOR(IDC_HAND));
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(GetCursor(), HCURSOR(IDC_WAIT));
  HeadlessMouseMove(P.X + 1, P.Y);
  Pump();
  EXPECT_EQ(GetCursor(), HCURSOR(IDC_WAIT));
}

TEST_F(ScreenTest, FontsListsTheInstalledFamiliesSorted) {
  TStrings* Fonts = Screen->Fonts();
  ASSERT_GT(Fonts->Count(), 0);
  for (Integer I = 1; I < Fonts->Count(); ++I) EXPECT_LE(CompareText(Fonts->Strings(I - 1), Fonts->Strings(I)), 0);
}

TEST_F(ScreenTest, FormsComeAndGoFromTheList) {
  Integer Before = Screen->FormCount();
  TForm* F = NewPlainForm();
  EXPECT_EQ(Screen->FormCount(), Before + 1);
  EXPECT_EQ(Screen->Forms(Screen->FormCount() - 1), F);
  F->DestroyForm();
  EXPECT_EQ(Screen->FormCount(), Before);
}

TEST_F(ScreenTest, ActiveFormFollowsActivation) {
  TForm* A = NewPlainForm("A");
  TForm* B = NewPlainForm("B", Bounds(500, 100, 200, 100));
  A->Show();
  B->Show();
  EXPECT_EQ(Screen->ActiveForm(), B);
  A->BringToFront();
  EXPECT_EQ(Screen->ActiveForm(), A);
}
}  // namespace
