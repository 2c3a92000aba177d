#include "platform/os/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "temp_dir.h"

using os::Access;
using os::Disposition;
using os::File;
using os::LockKind;
using os::Share;

namespace {

class FilesTest : public ::testing::Test {
 protected:
  TempDir dir;

  DWORD OpenCode(File& f, const std::string& name, Access a, Share s,
                 Disposition d = Disposition::OpenExisting) {
    return f.Open(dir / name, a, s, d).code();
  }
  // Opens the file in a forked child with the given modes and returns the
  // Win32 code the child saw (0 for success).
  DWORD OpenCodeInOtherProcess(const std::string& name, Access a, Share s) {
    pid_t pid = ::fork();
    if (pid == 0) {
      File f;
      ::_exit(static_cast<int>(f.Open(dir / name, a, s).code()));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status)) : 255;
  }
  void TearDown() override { os::FaultInjection::Reset(); }
};

// ---- names ------------------------------------------------------------------

TEST_F(FilesTest, ExistingFileIsFoundWhateverTheCase) {
  dir.Put("setup.OAT");
  EXPECT_EQ(os::ResolvePath(dir / "Setup.oat"), dir / "setup.OAT");
  File f;
  EXPECT_EQ(OpenCode(f, "SETUP.oat", Access::Read, Share::DenyNone), 0u);
  EXPECT_EQ(f.Path(), dir / "setup.OAT");
}

TEST_F(FilesTest, EveryFolderOnTheWayIsMatchedWithoutCase) {
  dir.Put("Data/Sub/File.txt");
  EXPECT_EQ(os::ResolvePath(dir / "DATA/sub/file.TXT"), dir / "Data/Sub/File.txt");
}

TEST_F(FilesTest, NewFileKeepsTheNameAsGiven) {
  dir.MakeDir("data");
  File f;
  EXPECT_EQ(OpenCode(f, "DATA/New.OAT", Access::ReadWrite, Share::DenyNone,
                     Disposition::CreateNew), 0u);
  EXPECT_TRUE(dir.Has("data/New.OAT"));
  EXPECT_FALSE(dir.Has("data/new.oat"));
}

TEST_F(FilesTest, TrailingDotOfANameIsDropped) {
  dir.Put("readme");
  EXPECT_EQ(os::ResolvePath(dir / "README."), dir / "readme");
  EXPECT_EQ(os::StripTrailingDots("a./b.."), "a/b");
  EXPECT_EQ(os::StripTrailingDots("./../x"), "./../x");
}

TEST_F(FilesTest, UmlautsCompareWithoutCase) {
  EXPECT_TRUE(os::SameFileName("Äpfel.TXT", "äpfel.txt"));
  EXPECT_FALSE(os::SameFileName("a.txt", "b.txt"));
}

TEST_F(FilesTest, MissingFileAndMissingFolderAreTold) {
  File f;
  EXPECT_EQ(OpenCode(f, "nope.txt", Access::Read, Share::DenyNone), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(OpenCode(f, "nodir/nope.txt", Access::Read, Share::DenyNone), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(OpenCode(f, "", Access::Read, Share::DenyNone), ERROR_INVALID_NAME);
}

TEST_F(FilesTest, CreateNewRefusesAnExistingFile) {
  dir.Put("a.txt");
  File f;
  EXPECT_EQ(OpenCode(f, "A.TXT", Access::Write, Share::DenyNone, Disposition::CreateNew),
            ERROR_FILE_EXISTS);
}

// ---- data -------------------------------------------------------------------

TEST_F(FilesTest, WritesAndReadsAtOffsets) {
  File f;
  ASSERT_EQ(OpenCode(f, "d.bin", Access::ReadWrite, Share::Exclusive, Disposition::CreateAlways), 0u);
  ASSERT_TRUE(f.Write(10, "abc", 3).ok());
  EXPECT_EQ(f.Size().value(), 13u);
  char buf[8] = {};
  std::size_t got = 0;
  ASSERT_TRUE(f.Read(11, buf, sizeof buf, &got).ok());
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(std::string(buf, got), "bc");
  ASSERT_TRUE(f.Truncate(4).ok());
  EXPECT_EQ(f.Size().value(), 4u);
  EXPECT_TRUE(f.Flush().ok());
}

TEST_F(FilesTest, TemporaryFileHasNoNameInItsFolderAndAMissingFolderIsTold) {
  File f;
  ASSERT_TRUE(f.OpenTemporary(dir.Path()).ok());
  ASSERT_TRUE(f.Write(1 << 20, "spill", 5).ok());
  char buf[5] = {};
  std::size_t got = 0;
  ASSERT_TRUE(f.Read(1 << 20, buf, sizeof buf, &got).ok());
  EXPECT_EQ(std::string(buf, got), "spill");
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
  File g;
  EXPECT_EQ(g.OpenTemporary(dir / "nodir").code(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(g.IsOpen());
}

TEST_F(FilesTest, KernelCopyIsShortOnlyAtTheSourcesEndAndTellsARefusal) {
  File from, to;
  ASSERT_EQ(OpenCode(from, "a.bin", Access::ReadWrite, Share::DenyNone, Disposition::CreateAlways), 0u);
  ASSERT_TRUE(from.Write(0, std::string(100, 'a').data(), 100).ok());
  ASSERT_EQ(OpenCode(to, "b.bin", Access::ReadWrite, Share::DenyNone, Disposition::CreateAlways), 0u);
  std::size_t copied = 99;
  ASSERT_TRUE(to.CopyFrom(from, 10, 5, 200, &copied).ok());
  EXPECT_EQ(copied, 90u);
  EXPECT_EQ(to.Size().value(), 95u);
  os::FaultInjection::SetKernelCopyRefused(true);
  EXPECT_EQ(to.CopyFrom(from, 0, 0, 100, &copied).code(), ERROR_NOT_SUPPORTED);
  EXPECT_EQ(copied, 0u);
  os::FaultInjection::Reset();
  os::FaultInjection::FailNextWrites(1);
  EXPECT_EQ(to.CopyFrom(from, 0, 0, 100, &copied).code(), ERROR_DISK_FULL);
  File reader;
  ASSERT_EQ(OpenCode(reader, "a.bin", Access::Read, Share::DenyNone), 0u);
  EXPECT_EQ(reader.CopyFrom(from, 0, 0, 10, &copied).code(), 5u);  // not open for writing
}

TEST_F(FilesTest, CreateAlwaysEmptiesAnExistingFile) {
  dir.Put("a.txt", "old content");
  File f;
  ASSERT_EQ(OpenCode(f, "a.txt", Access::Write, Share::DenyNone, Disposition::CreateAlways), 0u);
  EXPECT_EQ(f.Size().value(), 0u);
}

TEST_F(FilesTest, ReadOnlyHandleCannotWrite) {
  dir.Put("a.txt");
  File f;
  ASSERT_EQ(OpenCode(f, "a.txt", Access::Read, Share::DenyNone), 0u);
  EXPECT_EQ(f.Write(0, "x", 1).code(), ERROR_ACCESS_DENIED);
}

TEST_F(FilesTest, InjectedDiskFullFailsWrites) {
  File f;
  ASSERT_EQ(OpenCode(f, "a.bin", Access::Write, Share::DenyNone, Disposition::CreateAlways), 0u);
  os::FaultInjection::FailNextWrites(1);
  EXPECT_EQ(f.Write(0, "x", 1).code(), ERROR_DISK_FULL);
  EXPECT_TRUE(f.Write(0, "x", 1).ok());
  os::FaultInjection::SetDiskFull(true);
  EXPECT_EQ(f.Write(0, "x", 1).code(), ERROR_DISK_FULL);
}

// ---- share modes ------------------------------------------------------------

TEST_F(FilesTest, ExclusiveHandleShutsOutASecondHandle) {
  dir.Put("t.oat");
  File a, b;
  ASSERT_EQ(OpenCode(a, "t.oat", Access::ReadWrite, Share::Exclusive), 0u);
  EXPECT_EQ(OpenCode(b, "t.oat", Access::Read, Share::DenyNone), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  a.Close();
  EXPECT_EQ(OpenCode(b, "t.oat", Access::Read, Share::DenyNone), 0u);
}

TEST_F(FilesTest, DenyWriteAdmitsReadersButNoWriters) {
  dir.Put("t.oat");
  File a, r, w;
  ASSERT_EQ(OpenCode(a, "t.oat", Access::Read, Share::DenyWrite), 0u);
  EXPECT_EQ(OpenCode(r, "t.oat", Access::Read, Share::DenyNone), 0u);
  EXPECT_EQ(OpenCode(w, "t.oat", Access::Write, Share::DenyNone), ERROR_SHARING_VIOLATION);
}

TEST_F(FilesTest, DenyWriteIsRefusedWhileAWriterIsOpen) {
  dir.Put("t.oat");
  File w, b;
  ASSERT_EQ(OpenCode(w, "t.oat", Access::ReadWrite, Share::DenyNone), 0u);
  EXPECT_EQ(OpenCode(b, "t.oat", Access::Read, Share::DenyWrite), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(OpenCode(b, "t.oat", Access::Read, Share::DenyNone), 0u);
}

TEST_F(FilesTest, DenyReadShutsOutReaders) {
  dir.Put("t.oat");
  File a, b;
  ASSERT_EQ(OpenCode(a, "t.oat", Access::Write, Share::DenyRead), 0u);
  EXPECT_EQ(OpenCode(b, "t.oat", Access::Read, Share::DenyNone), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(OpenCode(b, "t.oat", Access::Write, Share::DenyNone), 0u);
}

TEST_F(FilesTest, ShareModeHoldsAgainstAnotherProcess) {
  dir.Put("t.oat");
  File a;
  ASSERT_EQ(OpenCode(a, "t.oat", Access::ReadWrite, Share::Exclusive), 0u);
  EXPECT_EQ(OpenCodeInOtherProcess("t.oat", Access::Read, Share::DenyNone),
            ERROR_SHARING_VIOLATION);
  a.Close();
  EXPECT_EQ(OpenCodeInOtherProcess("t.oat", Access::Read, Share::DenyNone), 0u);
}

TEST_F(FilesTest, SharedReadersInTwoProcessesCoexist) {
  dir.Put("t.oat");
  File a;
  ASSERT_EQ(OpenCode(a, "t.oat", Access::Read, Share::DenyWrite), 0u);
  EXPECT_EQ(OpenCodeInOtherProcess("t.oat", Access::Read, Share::DenyWrite), 0u);
  EXPECT_EQ(OpenCodeInOtherProcess("t.oat", Access::Write, Share::DenyNone),
            ERROR_SHARING_VIOLATION);
}

TEST_F(FilesTest, TwoRacingExclusiveOpenersNeverBothWin) {
  dir.Put("t.oat");
  for (int round = 0; round < 200; ++round) {
    std::atomic<int> winners{0};
    File a, b;  // both stay open until the round is judged
    auto race = [&](File& f) {
      if (f.Open(dir / "t.oat", Access::ReadWrite, Share::Exclusive).ok()) ++winners;
    };
    std::thread t1(race, std::ref(a));
    std::thread t2(race, std::ref(b));
    t1.join();
    t2.join();
    ASSERT_LE(winners.load(), 1) << "round " << round;
  }
}

// ---- byte-range locks -------------------------------------------------------

TEST_F(FilesTest, ExclusiveRecordLockExcludesAnotherHandleOfTheSameProcess) {
  dir.Put("t.oat", std::string(100, 'x'));
  File a, b;
  ASSERT_EQ(OpenCode(a, "t.oat", Access::ReadWrite, Share::DenyNone), 0u);
  ASSERT_EQ(OpenCode(b, "t.oat", Access::ReadWrite, Share::DenyNone), 0u);
  ASSERT_TRUE(a.Lock(10, 5, LockKind::Exclusive).ok());
  EXPECT_EQ(b.Lock(12, 1, LockKind::Shared).code(), ERROR_LOCK_VIOLATION);
  EXPECT_TRUE(b.IsLockedByOther(10, 1, LockKind::Shared));
  EXPECT_TRUE(b.Lock(15, 5, LockKind::Exclusive).ok());  // the next record is free
  ASSERT_TRUE(a.Unlock(10, 5).ok());
  EXPECT_TRUE(b.Lock(12, 1, LockKind::Shared).ok());
}

TEST_F(FilesTest, SharedLocksCoexistButBlockAnExclusiveOne) {
  dir.Put("t.oat");
  File a, b, c;
  ASSERT_EQ(OpenCode(a, "t.oat", Access::ReadWrite, Share::DenyNone), 0u);
  ASSERT_EQ(OpenCode(b, "t.oat", Access::ReadWrite, Share::DenyNone), 0u);
  ASSERT_EQ(OpenCode(c, "t.oat", Access::ReadWrite, Share::DenyNone), 0u);
  ASSERT_TRUE(a.Lock(0, 1, LockKind::Shared).ok());
  EXPECT_TRUE(b.Lock(0, 1, LockKind::Shared).ok());
  EXPECT_EQ(c.Lock(0, 1, LockKind::Exclusive).code(), ERROR_LOCK_VIOLATION);
}

TEST_F(FilesTest, ClosingAHandleReleasesItsLocks) {
  dir.Put("t.oat");
  File a, b;
  ASSERT_EQ(OpenCode(a, "t.oat", Access::ReadWrite, Share::DenyNone), 0u);
  ASSERT_EQ(OpenCode(b, "t.oat", Access::ReadWrite, Share::DenyNone), 0u);
  ASSERT_TRUE(a.Lock(0, 100, LockKind::Exclusive).ok());
  a.Close();
  EXPECT_TRUE(b.Lock(0, 100, LockKind::Exclusive).ok());
}

TEST_F(FilesTest, ReadOnlyHandleCanStillTakeAnExclusiveLock) {
  dir.Put("t.oat");
  File a, b;
  ASSERT_EQ(OpenCode(a, "t.oat", Access::Read, Share::DenyNone), 0u);
  ASSERT_EQ(OpenCode(b, "t.oat", Access::ReadWrite, Share::DenyNone), 0u);
  EXPECT_TRUE(a.Lock(0, 1, LockKind::Exclusive).ok());
  EXPECT_EQ(b.Lock(0, 1, LockKind::Shared).code(), ERROR_LOCK_VIOLATION);
}

TEST_F(FilesTest, LocksInTheShareModeAreaAreRefused) {
  dir.Put("t.oat");
  File a;
  ASSERT_EQ(OpenCode(a, "t.oat", Access::ReadWrite, Share::DenyNone), 0u);
  EXPECT_EQ(a.Lock(os::kShareLockBase, 1, LockKind::Exclusive).code(), ERROR_INVALID_PARAMETER);
}

// A scratch folder covers what lies below it, not a sibling sharing its
// name's start; a file renamed out of it lands whole; registering twice
// takes two removals.
TEST_F(FilesTest, ScratchFolderCoversItsTreeOnly) {
  const std::string Scratch = dir / "scratch", Kept = dir / "kept";
  std::filesystem::create_directories(Scratch + "/sub");
  std::filesystem::create_directories(Scratch + "er");
  std::filesystem::create_directories(Kept);
  os::AddScratchFolder(Scratch);
  os::AddScratchFolder(Scratch + "/");
  EXPECT_TRUE(os::InScratchFolder(os::ResolvePath(Scratch + "/sub/t.oat")));
  EXPECT_FALSE(os::InScratchFolder(os::ResolvePath(Scratch + "er/t.oat")));
  EXPECT_FALSE(os::InScratchFolder(os::ResolvePath(Scratch)));

  File F;
  ASSERT_EQ(F.Open(Scratch + "/sub/t.oat", Access::ReadWrite, Share::DenyNone, Disposition::CreateNew).code(), 0u);
  ASSERT_TRUE(F.Write(0, "abc", 3).ok());
  EXPECT_TRUE(F.Flush().ok());
  ASSERT_TRUE(F.Rename(Kept + "/t.oat").ok());
  EXPECT_FALSE(os::InScratchFolder(F.Path()));
  F.Close();
  EXPECT_EQ(std::filesystem::file_size(Kept + "/t.oat"), 3u);

  os::RemoveScratchFolder(Scratch);
  EXPECT_TRUE(os::InScratchFolder(os::ResolvePath(Scratch + "/sub/t.oat")));
  os::RemoveScratchFolder(Scratch);
  EXPECT_FALSE(os::InScratchFolder(os::ResolvePath(Scratch + "/sub/t.oat")));
}

// ---- files left or planted beside user data -----------------------------------

// What a killed process left at a name goes by that name: a file, a link
// (never what it leads to), in any case of the name; a folder stays.
// CreateNew never goes through a link, one leading nowhere included; a
// rename moves only the file written, never a link put at its name since.
TEST_F(FilesTest, LeftoversGoByTheirNameAndLinksAreNeverFollowed) {
  TempDir Outside("mds-outside-");
  const std::string Victim = Outside.Put("victim.txt", "victim\n"), Absent = Outside / "absent";
  auto Read = [](const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
  };
  auto Present = [](const std::string& Path) {
    struct stat St;
    return ::lstat(Path.c_str(), &St) == 0;
  };
  ASSERT_EQ(0, ::symlink(Victim.c_str(), (dir / "a.rebuild").c_str()));
  ASSERT_EQ(0, ::symlink(Absent.c_str(), (dir / "b.rebuild").c_str()));
  dir.Put("C.REBUILD", "left");
  std::filesystem::create_directory(dir / "d.rebuild");
  File F;
  EXPECT_EQ(ERROR_FILE_EXISTS, OpenCode(F, "a.rebuild", Access::ReadWrite, Share::Exclusive, Disposition::CreateNew));
  EXPECT_EQ(ERROR_FILE_EXISTS, OpenCode(F, "b.rebuild", Access::ReadWrite, Share::Exclusive, Disposition::CreateNew));
  EXPECT_FALSE(Present(Absent));
  for (const char* Name : {"a.rebuild", "b.rebuild", "c.rebuild", "e.rebuild"}) {
    EXPECT_TRUE(os::RemoveLeftover(dir / Name).ok()) << Name;
    EXPECT_FALSE(Present(dir / Name)) << Name;
  }
  EXPECT_FALSE(Present(dir / "C.REBUILD"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, os::RemoveLeftover(dir / "d.rebuild").code());
  EXPECT_TRUE(std::filesystem::is_directory(dir / "d.rebuild"));
  EXPECT_EQ("victim\n", Read(Victim));

  ASSERT_EQ(0u, OpenCode(F, "a.rebuild", Access::ReadWrite, Share::Exclusive, Disposition::CreateNew));
  ASSERT_TRUE(F.Write(0, "new", 3).ok());
  // A link put at the name meanwhile: the rename refuses and moves nothing.
  ASSERT_EQ(0, ::rename((dir / "a.rebuild").c_str(), (dir / "moved").c_str()));
  ASSERT_EQ(0, ::symlink(Victim.c_str(), (dir / "a.rebuild").c_str()));
  EXPECT_EQ(ERROR_FILE_INVALID, F.Rename(dir / "index").code());
  EXPECT_FALSE(Present(dir / "index"));
  EXPECT_EQ(dir / "a.rebuild", F.Path());
  ASSERT_EQ(0, ::unlink((dir / "a.rebuild").c_str()));
  ASSERT_EQ(0, ::rename((dir / "moved").c_str(), (dir / "a.rebuild").c_str()));
  ASSERT_TRUE(F.Rename(dir / "index").ok());
  EXPECT_EQ("new", Read(dir / "index"));
  EXPECT_EQ("victim\n", Read(Victim));
}

}  // namespace
