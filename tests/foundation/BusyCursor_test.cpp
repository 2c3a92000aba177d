// The busy cursor and the animated cursors of the program's resources.
#include <filesystem>

#include "foundation/BusyCursor.h"
#include "foundation/FileUtils.h"
#include "platform/gui/forms_fixture.h"
#include "platform/gui/resources.h"

namespace {

class BusyCursorTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    SetBusyCursorHooks({});
    while (BusyCursorNesting() > 0) StopWait();
    while (BusyCursorNesting() < 0) StartWait(), Screen->SetCursor(crDefault);
  }
  void TearDown() override {
    Screen->SetCursors(TestCursorId, 0);
    UnregisterResource("crTestCursor", RT_ANICURSOR);
    FormsTest::TearDown();
  }
  // A resource in the cursor format, registered for the test.
  void RegisterTestCursor() {
    RegisterResource("crTestCursor", RT_ANICURSOR, String("ANICURSOR 2 2 0 0 90\nframe\n#o\n.#\n"));
  }

  static constexpr Integer TestCursorId = -4990;
};

TEST_F(BusyCursorTest, StartWaitShowsTheThirdAnimatedCursor) {
  StartWait();
  EXPECT_EQ(Screen->Cursor(), -4995);
  StopWait();
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(BusyCursorTest, StopWaitRestoresTheDefaultAtOnceEvenInsideNestedWaits) {
  StartWait();
  StartWait();
  EXPECT_EQ(BusyCursorNesting(), 2);
  StopWait();
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_EQ(BusyCursorNesting(), 1);
  StopWait();
  EXPECT_EQ(BusyCursorNesting(), 0);
}

TEST_F(BusyCursorTest, TheFourShippedCursorsAreRegisteredAtStart) {
  // Static initialisation may run before the embedded resources are
  // linked in; the first wait loads what was missing then.
  StartWait();
  StopWait();
  for (Integer Id : {-4997, -4996, -4995, -4994}) {
    EXPECT_TRUE(Screen->HasCursor(Id)) << Id;
    const TCursorImage* Image = FindCursorImage(Screen->Cursors(Id));
    ASSERT_NE(Image, nullptr) << Id;
    EXPECT_GT(Image->Frames.size(), 1u) << Id;  // animated
  }
}

TEST_F(BusyCursorTest, WhileBusyTheWindowManagerShowsTheBusyCursorsHandle) {
  StartWait();
  EXPECT_EQ(GetCursor(), Screen->Cursors(-4995));
  StopWait();
}

TEST_F(BusyCursorTest, LoadAnimatedCursorRegistersTheResourceAndDeletesItsTemporaryFile) {
  RegisterTestCursor();
  LoadAnimatedCursor("CRTESTCURSOR", TestCursorId);
  ASSERT_TRUE(Screen->HasCursor(TestCursorId));
  EXPECT_EQ(FindCursorImage(Screen->Cursors(TestCursorId))->Rate, 90);
  EXPECT_FALSE(std::filesystem::exists(GetTempDir() + "-4990.ani"));
}

TEST_F(BusyCursorTest, AMissingCursorResourceLeavesTheNumberUnregisteredSilently) {
  EXPECT_NO_THROW(LoadAnimatedCursor("crNoSuchCursor", TestCursorId));
  EXPECT_FALSE(Screen->HasCursor(TestCursorId));
}

TEST_F(BusyCursorTest, ACursorResourceThatCannotBeLoadedIsSkippedSilently) {
  RegisterResource("crTestCursor", RT_ANICURSOR, String("no cursor at all"));
  EXPECT_NO_THROW(LoadAnimatedCursor("crTestCursor", TestCursorId));
  EXPECT_FALSE(Screen->HasCursor(TestCursorId));
}

TEST_F(BusyCursorTest, HooksReplaceWhatTheCallsShow) {
  int Busy = 0, Default = 0;
  SetBusyCursorHooks({[&] { ++Busy; }, [&] { ++Default; }});
  StartWait();
  StopWait();
  SetBusyCursorHooks({});
  EXPECT_EQ(Busy, 1);
  EXPECT_EQ(Default, 1);
  EXPECT_EQ(Screen->Cursor(), crDefault);
}
}  // namespace
