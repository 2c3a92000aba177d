// The table locks of the running host: held while the host is up, so that
// the tool cannot lock the office tables, and released when it ends.
#include "host/HostLocks.h"

#include <signal.h>

#include "host_fixture.h"
#include "host/SampleOffice.h"

namespace {

class HostLocksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Office = T.Root + "Mandant";
    CreateSampleOffice(Office);
  }
  // Whether the tool (another handle) gets the table lock on Name now.
  bool ToolCanLock(const char* Name) {
    OfficeTable Table(Office, Name);
    EXPECT_TRUE(Table.Opened()) << Name;
    UNSIGNED32 Code = OakLockTable(Table.Table);
    if (Code == 0) OakUnlockTable(Table.Table);
    return Code == 0;
  }

  TempTree T;
  std::string Office;
};

}  // namespace

TEST_F(HostLocksTest, TheHostKeepsTheToolOutOfItsTables) {
  THostDatabaseLocks Locks(Office, {"Auftraege", "Adressen", "setup"});
  EXPECT_EQ(Locks.Count(), 3u);
  for (const char* Name : HostLockedTables) EXPECT_FALSE(ToolCanLock(Name)) << Name;
  EXPECT_TRUE(ToolCanLock("ArtikelMain"));
}

TEST_F(HostLocksTest, TheLocksGoWithTheHost) {
  { THostDatabaseLocks Locks(Office, {"Auftraege"}); }
  EXPECT_TRUE(ToolCanLock("Auftraege"));
}

TEST_F(HostLocksTest, AMissingTableReleasesTheLocksTakenBefore) {
  EXPECT_THROW(THostDatabaseLocks(Office, {"Auftraege", "Fehlt"}), EHostSetupError);
  EXPECT_TRUE(ToolCanLock("Auftraege"));
}

TEST_F(HostLocksTest, TheHostProgramHoldsTheLocksUntilItIsClosed) {
  REQUIRE_HOST_PROGRAM("kelpohost");
  std::string Line;
  pid_t Pid = StartProgram(HostProgram("kelpohost"), {Office}, {"DISPLAY="}, &Line);
  ASSERT_NE(Pid, 0);
  EXPECT_NE(Line.find("3 Tabellen gesperrt"), std::string::npos) << Line;
  EXPECT_FALSE(ToolCanLock("Auftraege"));
  EXPECT_FALSE(ToolCanLock("setup"));
  kill(Pid, SIGTERM);
  EXPECT_EQ(WaitProgram(Pid), 0);
  EXPECT_TRUE(ToolCanLock("Auftraege"));
}

TEST_F(HostLocksTest, TheHostProgramLocksOnlyTheNamedTables) {
  REQUIRE_HOST_PROGRAM("kelpohost");
  std::string Line;
  pid_t Pid = StartProgram(HostProgram("kelpohost"), {Office, "Adressen"}, {"DISPLAY="}, &Line);
  ASSERT_NE(Pid, 0);
  EXPECT_FALSE(ToolCanLock("Adressen"));
  EXPECT_TRUE(ToolCanLock("Auftraege"));
  kill(Pid, SIGTERM);
  EXPECT_EQ(WaitProgram(Pid), 0);
}

TEST_F(HostLocksTest, TheHostProgramRefusesAFolderWithoutOffice) {
  REQUIRE_HOST_PROGRAM("kelpohost");
  EXPECT_EQ(RunProgram(HostProgram("kelpohost"), {T.Root + "leer"}, {"DISPLAY="}), 1);
}
