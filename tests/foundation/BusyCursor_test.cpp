// The busy cursor and the animated cursors of the program's resources.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "foundation/BusyCursor.h"
#include "foundation/FileUtils.h"
#include "platform/gui/forms_fixture.h"
#include "platform/gui/resources.h"
#include "platform/os/fileapi.h"
#include "platform/os/filestream.h"
#include "scoped_env.h"

namespace {

class BusyCursorTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    // The temporary folder is the test's own, so that the files of other
    // tests running beside it cannot be mistaken for this one's.
    TmpDir.emplace("TMPDIR", Folder);
    SetBusyCursorHooks({});
    while (BusyCursorNesting() > 0) StopWait();
    while (BusyCursorNesting() < 0) StartWait(), Screen->SetCursor(crDefault);
  }
  void TearDown() override {
    Screen->SetCursors(TestCursorId, 0);
    UnregisterResource("crTestCursor", RT_ANICURSOR);
    TmpDir.reset();
    FormsTest::TearDown();
  }
  // A resource in the cursor format, registered for the test.
  void RegisterTestCursor() {
    RegisterResource("crTestCursor", RT_ANICURSOR, String("ANICURSOR 2 2 0 0 90\nframe\n#o\n.#\n"));
  }

  static constexpr Integer TestCursorId = -4990;
  std::optional<ScopedEnv> TmpDir;  // the test's own temporary folder
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
  for (const auto& Entry : std::filesystem::directory_iterator(GetTempDir()))
    EXPECT_NE(Entry.path().filename().string().rfind("-4990.", 0), 0u) << Entry.path();
}

TEST_F(BusyCursorTest, AnotherProgramsCursorFileIsNeitherReadNorDeleted) {
  // Programs starting at the same moment share the temporary folder; a
  // file of the plain name belongs to somebody else.
  const String Foreign = GetTempDir() + "-4990.ani";
  { TFileStream F(Foreign, fmCreate); F.Write("not a cursor", 12); }
  RegisterTestCursor();
  LoadAnimatedCursor("crTestCursor", TestCursorId);
  EXPECT_TRUE(Screen->HasCursor(TestCursorId));
  EXPECT_TRUE(std::filesystem::exists(Foreign));
  DeleteFile(Foreign);
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
