// Replacing a group of files all or nothing: targets held by another
// process refuse, a process stopped or killed at any step is completed or
// rolled back by the recovery, and the intent record is read strictly.
#include "platform/os/replace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
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
  // A replacement killed past its commit: a.dat is new, b.dat and c.dat old.
  void KilledAfterTheCommit() {
    GivenOldAndPrepared();
    StopAtStep(3);
    ASSERT_EQ(ERROR_OPERATION_ABORTED, Replace().code());
    os::SetReplaceStepHook(nullptr);
    ASSERT_EQ("mixed", State());
  }
  // The file Name replaced by a copy of itself that keeps its times (as
  // cp -a makes it: another inode, a later status change); Mtime, when
  // given, is the modification time the copy gets instead.
  void CopyKeepingTimes(const std::string& Name, const timespec* Mtime = nullptr) {
    struct stat St;
    ASSERT_EQ(0, ::stat((Dir / Name).c_str(), &St));
    const std::string Content = Dir.Read(Name), Copy = Dir / (Name + ".kopie");
    std::ofstream(Copy, std::ios::binary) << Content;
    const timespec Times[2] = {St.st_atim, Mtime ? *Mtime : St.st_mtim};
    ASSERT_EQ(0, ::utimensat(AT_FDCWD, Copy.c_str(), Times, 0));
    ASSERT_EQ(0, ::rename(Copy.c_str(), (Dir / Name).c_str()));
    ASSERT_EQ(0, ::stat((Dir / Name).c_str(), &St));
  }
  // Overwrites the start of Name with Bytes, keeping its size and times.
  void OverwriteKeepingTimes(const std::string& Name, const std::string& Bytes) {
    struct stat St;
    ASSERT_EQ(0, ::stat((Dir / Name).c_str(), &St));
    std::fstream(Dir / Name, std::ios::in | std::ios::out | std::ios::binary) << Bytes;
    const timespec Times[2] = {St.st_atim, St.st_mtim};
    ASSERT_EQ(0, ::utimensat(AT_FDCWD, (Dir / Name).c_str(), Times, 0));
  }
  // The record's text with its head and stamps turned into the second
  // format's (inode, size, modified and changed time as the target stands).
  std::string SecondFormatRecord() {
    std::vector<os::Replacement> Items;
    EXPECT_TRUE(os::ParseReplaceRecord(Dir.Read(Record), Items));
    std::string Text = "MDS-REPLACE 2\n" + std::to_string(Items.size()) + "\n";
    for (const os::Replacement& R : Items) {
      struct stat St;
      EXPECT_EQ(0, ::stat((Dir / R.Target).c_str(), &St));
      Text += R.Prepared + "\t" + R.Target + "\t" + std::to_string(St.st_ino) + ":" + std::to_string(St.st_size) +
              ":" + std::to_string(St.st_mtim.tv_sec * 1000000000LL + St.st_mtim.tv_nsec) + ":" +
              std::to_string(St.st_ctim.tv_sec * 1000000000LL + St.st_ctim.tv_nsec) + "\n";
    }
    return Text + "END\n";
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

// What lies under the name of an unfinished record is never written
// through: a link there goes (what it leads to stays as it was), a folder
// there fails the replacement before anything changed.
TEST_F(ReplaceTest, AnUnfinishedRecordsNameIsNeverWrittenThrough) {
  GivenOldAndPrepared();
  const std::string Unfinished = Dir / (std::string(Record) + ".tmp");
  Dir.Put("fremd.dat", "fremd");
  ASSERT_EQ(0, ::symlink((Dir / "fremd.dat").c_str(), Unfinished.c_str()));
  ASSERT_TRUE(Replace().ok());
  EXPECT_EQ("new", State());
  EXPECT_EQ("fremd", Dir.Read("fremd.dat"));
  EXPECT_FALSE(Dir.Has(std::string(Record) + ".tmp"));

  GivenOldAndPrepared();
  Dir.MakeDir(std::string(Record) + ".tmp");
  EXPECT_FALSE(Replace().ok());
  EXPECT_EQ("old", State());
  EXPECT_FALSE(Dir.Has(Record));
  EXPECT_TRUE(Recover().ok());  // it stops no recovery either
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

// What moves where a file lives or who may read it is no change: a killed
// replacement is completed after a copy that keeps the times (also onto a
// file system with a coarser clock) or a change of rights.
TEST_F(ReplaceTest, ACopyKeepingTheTimesOrAChangeOfRightsIsCompleted) {
  for (bool OldRecord : {false, true}) {
    SCOPED_TRACE(OldRecord ? "second format" : "third format");
    KilledAfterTheCommit();
    if (OldRecord) Dir.Put(Record, SecondFormatRecord());
    CopyKeepingTimes(Record);
    CopyKeepingTimes("b.dat");
    ASSERT_EQ(0, ::chmod((Dir / "c.dat").c_str(), 0600));
    ASSERT_EQ(0, ::chmod((Dir / "c.dat").c_str(), 0640));
    ASSERT_TRUE(Recover().ok());
    EXPECT_EQ("new", State());
    EXPECT_FALSE(Dir.Has(Record));
  }
  KilledAfterTheCommit();
  struct stat St;
  ASSERT_EQ(0, ::stat((Dir / "c.dat").c_str(), &St));
  const timespec Seconds = {St.st_mtim.tv_sec, 0};
  CopyKeepingTimes("c.dat", &Seconds);
  ASSERT_TRUE(Recover().ok());
  EXPECT_EQ("new", State());
}

// A change of the content is named whatever the times say: one that keeps
// size and times shows in the head (where a table's change counter is),
// another in the size or the time. Nothing is renamed; the files stay.
TEST_F(ReplaceTest, AChangedTargetIsNamedWithItsReplacementAndNothingIsRenamed) {
  std::vector<std::pair<std::string, std::function<void()>>> Changes = {
      {"head", [&] { OverwriteKeepingTimes("c.dat", "OLD"); }},
      {"size", [&] { std::ofstream(Dir / "c.dat", std::ios::app) << "+"; }},
      {"time", [&] {
         struct stat St;
         ASSERT_EQ(0, ::stat((Dir / "c.dat").c_str(), &St));
         const timespec Later = {St.st_mtim.tv_sec + 3, St.st_mtim.tv_nsec};
         CopyKeepingTimes("c.dat", &Later);
       }},
      {"size, second format", [&] {
         Dir.Put(Record, SecondFormatRecord());
         std::ofstream(Dir / "c.dat", std::ios::app) << "+";
       }},
      {"first format", [&] {
         std::vector<os::Replacement> Items;
         ASSERT_TRUE(os::ParseReplaceRecord(Dir.Read(Record), Items));
         for (os::Replacement& R : Items) R.Format = 1;
         Dir.Put(Record, os::FormatReplaceRecord(Items));
         struct stat St;
         ASSERT_EQ(0, ::stat((Dir / Record).c_str(), &St));
         const timespec Later = {St.st_mtim.tv_sec + 3, St.st_mtim.tv_nsec};
         CopyKeepingTimes("c.dat", &Later);
       }}};
  for (auto& [What, Change] : Changes) {
    SCOPED_TRACE(What);
    KilledAfterTheCommit();
    Change();
    const std::string Changed = Dir.Read("c.dat");
    std::vector<os::Replacement> Named;
    os::Status S = os::RecoverReplacement(Dir.Path(), Record, &Named);
    EXPECT_EQ(ERROR_FILE_INVALID, S.code());
    EXPECT_EQ(Dir / "c.dat", S.context());
    ASSERT_EQ(1u, Named.size());
    EXPECT_EQ("c.dat.new", Named[0].Prepared);
    EXPECT_EQ("c.dat", Named[0].Target);
    EXPECT_EQ(Changed, Dir.Read("c.dat"));
    EXPECT_EQ("new b.dat", Dir.Read("b.dat.new"));
    EXPECT_TRUE(Dir.Has(Record));
    ASSERT_EQ(0, ::unlink((Dir / Record).c_str()));
  }
}

// A record that cannot be carried out as written is refused as unreadable
// (never as a file in use, never as an error of the disk), and nothing is
// renamed.
TEST_F(ReplaceTest, ARecordThatCannotBeCarriedOutAsWrittenIsRefusedAsUnreadable) {
  auto Line = [](const std::string& Prepared, const std::string& Target) {
    return Prepared + "\t" + Target + "\t-\n";
  };
  auto Crafted = [&](std::vector<std::string> Lines) {
    std::string Text = "MDS-REPLACE 3\n" + std::to_string(Lines.size()) + "\n";
    for (const std::string& L : Lines) Text += L;
    return Text + "END\n";
  };
  std::vector<std::pair<std::string, std::function<void()>>> Cases = {
      {"a folder", [&] { Dir.MakeDir(Record); }},
      {"a link", [&] { ASSERT_EQ(0, ::symlink("a.dat", (Dir / Record).c_str())); }},
      {"one target twice", [&] { Dir.Put(Record, Crafted({Line("a.dat.new", "b.dat"), Line("c.dat.new", "b.dat")})); }},
      {"one target in two spellings",
       [&] { Dir.Put(Record, Crafted({Line("a.dat.new", "b.dat"), Line("c.dat.new", "B.DAT.")})); }},
      {"a target that is a prepared copy",
       [&] { Dir.Put(Record, Crafted({Line("a.dat.new", "b.dat"), Line("b.dat", "c.dat")})); }},
      {"itself", [&] { Dir.Put(Record, Crafted({Line("a.dat.new", Record)})); }},
      {"a folder as a target", [&] {
         Dir.MakeDir("ordner");
         Dir.Put(Record, Crafted({Line("a.dat.new", "ordner")}));
       }},
      {"a folder as a prepared copy", [&] {
         Dir.MakeDir("ordner.new");
         Dir.Put(Record, Crafted({Line("ordner.new", "a.dat")}));
       }},
      {"a link as a prepared copy", [&] {
         ASSERT_EQ(0, ::symlink("a.dat.new", (Dir / "link.new").c_str()));
         Dir.Put(Record, Crafted({Line("link.new", "a.dat")}));
       }},
      {"two names of one file", [&] {
         ASSERT_EQ(0, ::link((Dir / "b.dat").c_str(), (Dir / "zwei.dat").c_str()));
         Dir.Put(Record, Crafted({Line("a.dat.new", "b.dat"), Line("c.dat.new", "zwei.dat")}));
       }}};
  for (auto& [What, Craft] : Cases) {
    SCOPED_TRACE(What);
    GivenOldAndPrepared();
    Craft();
    os::Status S = Recover();
    EXPECT_EQ(ERROR_INVALID_DATA, S.code());
    EXPECT_EQ(Dir / Record, S.context());
    EXPECT_EQ("old", State());
    for (const std::string& N : Names) EXPECT_TRUE(Dir.Has(N + ".new")) << N;
    std::filesystem::remove_all(Dir / Record);
  }
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
                          "MDS-REPLACE 1\n2\na\tb\nc\tB\nEND\n", "MDS-REPLACE 1\n2\na\tb\na.\tc\nEND\n",
                          "MDS-REPLACE 3\n1\na\tb\t1:2:3:4\nEND\n", "MDS-REPLACE 3\n1\na\tb\t1:2\nEND\n",
                          "MDS-REPLACE 3\n1\na\tb\t-1:2:3\nEND\n", "MDS-REPLACE 4\n1\na\tb\t-\nEND\n",
                          "MDS-REPLACE 1\n1\na\ta\nEND\n", "MDS-REPLACE 1\n2\na\tb\nEND\n",
                          "MDS-REPLACE 2\n1\na\tb\nEND\n", "MDS-REPLACE 1\n1\nab\nEND\n",
                          "MDS-REPLACE 2\n1\na\tb\t1:2:3\nEND\n", "MDS-REPLACE 2\n1\na\tb\t1:2:3:x\nEND\n",
                          "MDS-REPLACE 2\n1\na\tb\t:1:2:3\nEND\n", "MDS-REPLACE 2\n1\na\tb\t\nEND\n"}) {
    EXPECT_FALSE(os::ParseReplaceRecord(Bad, Read)) << Bad;
    EXPECT_TRUE(Read.empty());
  }
  // An older record's inode and changed time are read past.
  ASSERT_TRUE(os::ParseReplaceRecord("MDS-REPLACE 2\n2\na\tb\t7:12:-5:9\nc\td\t-\nEND\n", Read));
  ASSERT_EQ(2u, Read.size());
  EXPECT_EQ(2, Read[0].Format);
  EXPECT_TRUE(Read[0].TargetExisted);
  EXPECT_EQ((os::FileStamp{12, -5, 0}), Read[0].Stamp);
  EXPECT_FALSE(Read[1].TargetExisted);
  EXPECT_EQ("MDS-REPLACE 2\n2\na\tb\t0:12:-5:0\nc\td\t-\nEND\n", os::FormatReplaceRecord(Read));
  ASSERT_TRUE(os::ParseReplaceRecord("MDS-REPLACE 3\n1\na\tb\t12:-5:18446744073709551615\nEND\n", Read));
  EXPECT_EQ((os::FileStamp{12, -5, 18446744073709551615ULL}), Read[0].Stamp);
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
