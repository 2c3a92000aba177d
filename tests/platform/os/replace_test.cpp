// Replacing a group of files all or nothing: targets held by another
// process refuse, a process stopped or killed at any step is completed or
// rolled back by the recovery, and the intent record is read strictly.
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

// A link planted at the temporary name of the record (leading to a file
// outside, or nowhere) is removed, never written through; so is a record a
// killed writer left there. The group is replaced as ever.
TEST_F(ReplaceTest, TheRecordIsWrittenNewNeverThroughALinkAtItsName) {
  TempDir Outside("mds-outside-");
  const std::string Victim = Outside.Put("victim.txt", "victim\n"), Absent = Outside / "absent";
  const std::string Unfinished = Dir / (std::string(Record) + ".tmp");
  for (int Left = 0; Left < 3; ++Left) {
    GivenOldAndPrepared();
    if (Left == 2)
      Dir.Put(std::string(Record) + ".tmp", "MDS-REPLACE 2\n");
    else
      ASSERT_EQ(0, ::symlink((Left ? Absent : Victim).c_str(), Unfinished.c_str()));
    ASSERT_TRUE(Replace().ok()) << Left;
    EXPECT_EQ("new", State());
    EXPECT_FALSE(Dir.Has(Record));
    struct stat St;
    EXPECT_NE(0, ::lstat(Unfinished.c_str(), &St));
    EXPECT_NE(0, ::lstat(Absent.c_str(), &St));
    EXPECT_EQ("victim\n", Outside.Read("victim.txt"));
  }
}

TEST_F(ReplaceTest, ATargetAnotherProcessHoldsRefusesTheWholeGroup) {
  GivenOldAndPrepared();
  int Ready[2], Go[2];
  ASSERT_EQ(0, ::pipe(Ready));
  ASSERT_EQ(0, ::pipe(Go));
  pid_t Child = ::fork();
  ASSERT_GE(Child, 0);
  if (Child == 0) {  // another user: holds c.dat shared, writes once told to
    os::File Other;
    char C = 0;
    bool Ok = Other.Open(Dir / "c.dat", os::Access::ReadWrite, os::Share::DenyNone).ok() &&
              ::write(Ready[1], "r", 1) == 1 && ::read(Go[0], &C, 1) == 1 && Other.Write(0, "OTHER", 5).ok();
    ::_exit(Ok ? 0 : 1);
  }
  char C = 0;
  ASSERT_EQ(1, ::read(Ready[0], &C, 1));
  os::Status S = Replace();
  EXPECT_EQ(ERROR_SHARING_VIOLATION, S.code());
  EXPECT_NE(std::string::npos, S.context().find("c.dat"));
  EXPECT_EQ("old", State());
  EXPECT_FALSE(Dir.Has(Record));
  ASSERT_EQ(1, ::write(Go[1], "g", 1));
  int Status = 0;
  ASSERT_EQ(Child, ::waitpid(Child, &Status, 0));
  EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
  EXPECT_EQ("OTHER", Dir.Read("c.dat").substr(0, 5));  // the other user's write is kept
  for (int Fd : {Ready[0], Ready[1], Go[0], Go[1]}) ::close(Fd);
}

TEST_F(ReplaceTest, AReadOnlyTargetIsReplacedToo) {
  GivenOldAndPrepared();
  ASSERT_EQ(0, ::chmod((Dir / "b.dat").c_str(), 0444));
  ASSERT_TRUE(Replace().ok());
  EXPECT_EQ("new", State());
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

TEST_F(ReplaceTest, ARecordOfTheFirstFormatIsStillCompleted) {
  GivenOldAndPrepared();
  std::vector<os::Replacement> Items;  // unstamped, as the first format wrote them
  for (const std::string& N : Names) Items.emplace_back(N + ".new", N);
  Dir.Put(Record, os::FormatReplaceRecord(Items));
  ASSERT_EQ(0u, Dir.Read(Record).rfind("MDS-REPLACE 1\n", 0));
  ASSERT_EQ(0, ::rename((Dir / "a.dat.new").c_str(), (Dir / "a.dat").c_str()));
  ASSERT_TRUE(Recover().ok());
  EXPECT_EQ("new", State());
}

// ---- The record -------------------------------------------------------------------------

TEST(ReplaceRecordTest, RefusesTornOrForeignRecords) {
  const std::string Good = os::FormatReplaceRecord({os::Replacement("a.~p", "a")});
  std::vector<os::Replacement> Read;
  for (std::size_t Cut = 0; Cut < Good.size(); ++Cut)
    EXPECT_FALSE(os::ParseReplaceRecord(Good.substr(0, Cut), Read)) << Cut;
  for (const char* Bad : {"MDS-REPLACE 1\n1\n../x\ta\nEND\n", "MDS-REPLACE 1\n1\na\t/etc/passwd\nEND\n",
                          "MDS-REPLACE 1\n1\na\ta\nEND\n", "MDS-REPLACE 1\n2\na\tb\nEND\n",
                          "MDS-REPLACE 2\n1\na\tb\nEND\n", "MDS-REPLACE 1\n1\nab\nEND\n",
                          "MDS-REPLACE 2\n1\na\tb\t1:2:3\nEND\n", "MDS-REPLACE 2\n1\na\tb\t1:2:3:x\nEND\n",
                          "MDS-REPLACE 2\n1\na\tb\t:1:2:3\nEND\n", "MDS-REPLACE 2\n1\na\tb\t\nEND\n"}) {
    EXPECT_FALSE(os::ParseReplaceRecord(Bad, Read)) << Bad;
    EXPECT_TRUE(Read.empty());
  }
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

}  // namespace
