// Replacing a group of files all or nothing: held targets refuse, a
// process stopped at any step is completed or rolled back by the
// recovery, and the intent record is read strictly.
#include "platform/os/replace.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>

#include "platform/os/private_folder.h"
#include "temp_dir.h"

namespace {

const char* const Record = "group.rec";
const std::vector<std::string> Names = {"a.dat", "b.dat", "c.dat"};

class ReplaceTest : public ::testing::Test {
 protected:
  void TearDown() override { os::SetReplaceStepHook(nullptr); }

  // The old targets and the prepared copies of the new ones.
  void GivenOldAndPrepared() {
    for (const std::string& N : Names) {
      Dir.Put(N, "old " + N);
      Dir.Put(N + ".new", "new " + N);
    }
  }
  os::Status Replace() {
    os::FileReplacement Group(Dir.Path(), Record);
    for (const std::string& N : Names) Group.Add(N + ".new", N);
    return Group.Commit();
  }
  // Stops the next replacement before step Step, as a killed process would.
  void StopAtStep(int Step) {
    os::SetReplaceStepHook([Step](int At) { return At != Step; });
  }
  os::Status Recover() { return os::RecoverReplacement(Dir.Path(), Record); }
  // "old", "new" or "mixed" over the three targets.
  std::string State() {
    int New = 0, Old = 0;
    for (const std::string& N : Names) {
      std::string T = Dir.Read(N);
      New += T == "new " + N;
      Old += T == "old " + N;
    }
    return New == 3 ? "new" : Old == 3 ? "old" : "mixed";
  }
  // Removes prepared copies that no record names (the caller's part).
  void RemoveStalePrepared() {
    for (const std::string& N : Names) ::unlink((Dir / (N + ".new")).c_str());
  }

  TempDir Dir;
};

// ---- The replacement ------------------------------------------------------------------

TEST_F(ReplaceTest, EveryTargetIsReplacedAndTheRecordIsGone) {
  GivenOldAndPrepared();
  ASSERT_TRUE(Replace().ok());
  EXPECT_EQ("new", State());
  EXPECT_FALSE(Dir.Has(Record));
  EXPECT_FALSE(Dir.Has("a.dat.new"));
}

TEST_F(ReplaceTest, ATargetHeldElsewhereRefusesTheWholeGroup) {
  GivenOldAndPrepared();
  os::File Other;
  ASSERT_TRUE(Other.Open(Dir / "c.dat", os::Access::ReadWrite, os::Share::DenyNone).ok());
  os::Status S = Replace();
  EXPECT_EQ(ERROR_SHARING_VIOLATION, S.code());
  EXPECT_NE(std::string::npos, S.context().find("c.dat"));
  EXPECT_EQ("old", State());
  EXPECT_FALSE(Dir.Has(Record));
  // The other user's later write lands in the file that stays.
  ASSERT_TRUE(Other.Write(0, "OTHER", 5).ok());
  EXPECT_EQ("OTHER", Dir.Read("c.dat").substr(0, 5));
}

TEST_F(ReplaceTest, HeldTargetsStayExclusiveUntilReleased) {
  GivenOldAndPrepared();
  os::FileReplacement Group(Dir.Path(), Record);
  Group.Add("a.dat.new", "A.DAT");  // the target is found without regard to case
  ASSERT_TRUE(Group.Hold().ok());
  EXPECT_TRUE(Group.HeldTarget(0).IsOpen());
  os::File Other;
  EXPECT_EQ(ERROR_SHARING_VIOLATION, Other.Open(Dir / "a.dat", os::Access::Read, os::Share::DenyNone).code());
  Group.Release();
  EXPECT_TRUE(Other.Open(Dir / "a.dat", os::Access::Read, os::Share::DenyNone).ok());
}

TEST_F(ReplaceTest, AReadOnlyTargetIsReplacedToo) {
  GivenOldAndPrepared();
  ASSERT_EQ(0, ::chmod((Dir / "b.dat").c_str(), 0444));
  ASSERT_TRUE(Replace().ok());
  EXPECT_EQ("new", State());
}

TEST_F(ReplaceTest, AMissingTargetIsCreated) {
  Dir.Put("a.dat.new", "new a.dat");
  os::FileReplacement Group(Dir.Path(), Record);
  Group.Add("a.dat.new", "a.dat");
  ASSERT_TRUE(Group.Commit().ok());
  EXPECT_EQ("new a.dat", Dir.Read("a.dat"));
}

// ---- Stopped at every step, then recovered --------------------------------------------

TEST_F(ReplaceTest, AStopAtAnyStepEndsAllOldOrAllNewAfterRecovery) {
  // Steps: 0 inside the record, 1 before committing it, 2..4 before each
  // rename, 5 before removing the record.
  std::map<int, std::string> Expected = {{0, "old"}, {1, "old"}, {2, "new"},
                                         {3, "new"}, {4, "new"}, {5, "new"}};
  for (auto [Step, After] : Expected) {
    SCOPED_TRACE(Step);
    GivenOldAndPrepared();
    StopAtStep(Step);
    EXPECT_EQ(ERROR_OPERATION_ABORTED, Replace().code());
    os::SetReplaceStepHook(nullptr);
    if (Step == 3) {
      EXPECT_EQ("mixed", State());  // what the recovery must mend
    }
    ASSERT_TRUE(Recover().ok());
    RemoveStalePrepared();
    EXPECT_EQ(After, State());
    EXPECT_FALSE(Dir.Has(Record));
    EXPECT_FALSE(Dir.Has(std::string(Record) + ".tmp"));
  }
}

TEST_F(ReplaceTest, ARecoveryStoppedItselfIsCompletedByTheNextOne) {
  GivenOldAndPrepared();
  StopAtStep(3);
  Replace();
  StopAtStep(1);  // the recovery's second rename
  EXPECT_EQ(ERROR_OPERATION_ABORTED, Recover().code());
  os::SetReplaceStepHook(nullptr);
  ASSERT_TRUE(Recover().ok());
  EXPECT_EQ("new", State());
}

TEST_F(ReplaceTest, AKilledProcessIsCompletedByTheNextStart) {
  GivenOldAndPrepared();
  pid_t Child = ::fork();
  ASSERT_GE(Child, 0);
  if (Child == 0) {
    os::SetReplaceStepHook([](int Step) {
      if (Step == 3) ::raise(SIGKILL);
      return true;
    });
    Replace();
    ::_exit(0);
  }
  int Status = 0;
  ASSERT_EQ(Child, ::waitpid(Child, &Status, 0));
  ASSERT_TRUE(WIFSIGNALED(Status));
  EXPECT_EQ("mixed", State());
  ASSERT_TRUE(Recover().ok());
  EXPECT_EQ("new", State());
}

TEST_F(ReplaceTest, RecoveryWaitsWhileAFileOfTheRecordIsHeld) {
  GivenOldAndPrepared();
  StopAtStep(3);
  Replace();
  os::SetReplaceStepHook(nullptr);
  os::File Other;
  ASSERT_TRUE(Other.Open(Dir / "c.dat", os::Access::Read, os::Share::DenyNone).ok());
  EXPECT_EQ(ERROR_SHARING_VIOLATION, Recover().code());
  EXPECT_TRUE(Dir.Has(Record));
  Other.Close();
  ASSERT_TRUE(Recover().ok());
  EXPECT_EQ("new", State());
}

TEST_F(ReplaceTest, AnUnreadableCommittedRecordChangesNothing) {
  GivenOldAndPrepared();
  Dir.Put(Record, "MDS-REPLACE 1\n1\na.dat.new\ta.dat\n");  // no END
  EXPECT_EQ(ERROR_INVALID_DATA, Recover().code());
  EXPECT_EQ("old", State());
  EXPECT_TRUE(Dir.Has(Record));
}

TEST_F(ReplaceTest, NothingToRecoverIsFine) { EXPECT_TRUE(Recover().ok()); }

// ---- The record -------------------------------------------------------------------------

TEST(ReplaceRecordTest, ReadsBackWhatItWrote) {
  std::vector<os::Replacement> Items = {{"a.~p", "A.OAT"}, {"b.~p", "b.oam"}}, Read;
  ASSERT_TRUE(os::ParseReplaceRecord(os::FormatReplaceRecord(Items), Read));
  EXPECT_EQ(Items, Read);
}

TEST(ReplaceRecordTest, RefusesTornOrForeignRecords) {
  const std::string Good = os::FormatReplaceRecord({{"a.~p", "a"}});
  std::vector<os::Replacement> Read;
  for (std::size_t Cut = 0; Cut < Good.size(); ++Cut)
    EXPECT_FALSE(os::ParseReplaceRecord(Good.substr(0, Cut), Read)) << Cut;
  for (const char* Bad : {"MDS-REPLACE 1\n1\n../x\ta\nEND\n", "MDS-REPLACE 1\n1\na\t/etc/passwd\nEND\n",
                          "MDS-REPLACE 1\n1\na\ta\nEND\n", "MDS-REPLACE 1\n2\na\tb\nEND\n",
                          "MDS-REPLACE 2\n1\na\tb\nEND\n", "MDS-REPLACE 1\n1\nab\nEND\n"}) {
    EXPECT_FALSE(os::ParseReplaceRecord(Bad, Read)) << Bad;
    EXPECT_TRUE(Read.empty());
  }
}

// ---- Identity ---------------------------------------------------------------------------

TEST(FileIdentityTest, ChangesWithTheContentAlsoAtTheSameSize) {
  TempDir Dir;
  Dir.Put("t", "abcd");
  auto Before = os::IdentityOf(Dir / "t");
  ASSERT_TRUE(Before.ok());
  EXPECT_EQ(4u, Before.value().Size);
  EXPECT_EQ(Before.value(), os::IdentityOf(Dir / "t").value());
  os::File F;
  ASSERT_TRUE(F.Open(Dir / "t", os::Access::ReadWrite, os::Share::DenyNone).ok());
  ASSERT_TRUE(F.Write(1, "X", 1).ok());
  auto After = os::IdentityOf(F);
  ASSERT_TRUE(After.ok());
  EXPECT_NE(Before.value().Checksum, After.value().Checksum);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, os::IdentityOf(Dir / "missing").status().code());
}

// ---- Private folders and links ------------------------------------------------------------

TEST(PrivateFolderTest, IsNewOwnerOnlyAndNeverAPlantedName) {
  TempDir Dir;
  auto A = os::CreatePrivateFolder(Dir.Path(), "run-");
  auto B = os::CreatePrivateFolder(Dir.Path() + "/", "run-");
  ASSERT_TRUE(A.ok());
  ASSERT_TRUE(B.ok());
  EXPECT_NE(A.value(), B.value());
  EXPECT_EQ(0u, A.value().rfind(Dir.Path() + "/run-", 0));
  struct stat St;
  ASSERT_EQ(0, ::lstat(A.value().c_str(), &St));
  EXPECT_TRUE(S_ISDIR(St.st_mode));
  EXPECT_EQ(0700u, St.st_mode & 0777);
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, os::CreatePrivateFolder(Dir / "missing", "run-").status().code());
}

TEST(PrivateFolderTest, TellsLinksFromFolders) {
  TempDir Dir;
  Dir.MakeDir("real");
  ASSERT_EQ(0, ::symlink((Dir / "real").c_str(), (Dir / "Link").c_str()));
  ASSERT_EQ(0, ::symlink((Dir / "nowhere").c_str(), (Dir / "dangling").c_str()));
  EXPECT_TRUE(os::IsSymbolicLink(Dir / "link/"));
  EXPECT_TRUE(os::IsSymbolicLink(Dir / "dangling"));
  EXPECT_FALSE(os::IsSymbolicLink(Dir / "real"));
  EXPECT_FALSE(os::IsSymbolicLink(Dir / "missing"));
}

}  // namespace
