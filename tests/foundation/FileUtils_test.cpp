#include "foundation/FileUtils.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/BusyCursor.h"
#include "platform/os/fileapi.h"
#include "platform/os/files.h"
#include "platform/os/filestream.h"
#include "platform/os/process.h"
#include "platform/rtl/strings.h"
#include "temp_dir.h"
#include "scoped_env.h"

namespace fs = std::filesystem;

namespace {

class FileUtilsTest : public ::testing::Test {
 protected:
  std::string root;

  void SetUp() override {
    root = MakeTempFolder("mds-fu-");
  }
  void TearDown() override {
    SetPaintMessagePump(nullptr);
    SetProcessLauncher(nullptr);
    os::FaultInjection::Reset();
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(root, ec))
      fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root, ec);
  }

  // ---- the office's files, in the domain's words ----------------------------
  std::string At(const std::string& rel) const { return root + "/" + rel; }
  std::string Put(const std::string& rel, const std::string& content = "x") {
    fs::create_directories(fs::path(At(rel)).parent_path());
    std::ofstream(At(rel), std::ios::binary) << content;
    return At(rel);
  }
  void MakeReadOnly(const std::string& rel) { ::chmod(At(rel).c_str(), 0444); }
  bool Has(const std::string& rel) const { return fs::exists(At(rel)); }
  std::string Read(const std::string& rel) const {
    std::ifstream in(At(rel), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // An office tree: two folders with files, one of them read-only.
  void MakeOfficeTree() {
    Put("tree/a.txt");
    Put("tree/sub/b.OAT", "table");
    Put("tree/sub/deeper/c.OAI");
    MakeReadOnly("tree/sub/b.OAT");
  }
};

// ---- IncludeTrailingBackslash ---------------------------------------------

TEST_F(FileUtilsTest, TrailingSeparatorIsAddedOnlyWhenMissing) {
  EXPECT_EQ(IncludeTrailingBackslash(""), "");
  EXPECT_EQ(IncludeTrailingBackslash("/x/"), "/x/");
  EXPECT_EQ(IncludeTrailingBackslash("/x"), "/x/");
  EXPECT_EQ(IncludeTrailingBackslash("7"), "7/");
}

TEST_F(FileUtilsTest, OneLetterAndColonPathsAreOrdinaryWithoutDrives) {
  EXPECT_EQ(IncludeTrailingBackslash("c"), "c/");
  EXPECT_EQ(IncludeTrailingBackslash("C:"), "C:/");
}

// ---- IsDirectory and ForceDirectoryTree -----------------------------------

TEST_F(FileUtilsTest, IsDirectoryTellsFoldersFromFilesAndNothing) {
  Put("f.txt");
  EXPECT_TRUE(IsDirectory(root));
  EXPECT_FALSE(IsDirectory(At("f.txt")));
  EXPECT_FALSE(IsDirectory(At("none")));
}

TEST_F(FileUtilsTest, ForceDirectoryTreeCreatesEveryMissingParent) {
  ForceDirectoryTree(At("a/b/"));
  EXPECT_TRUE(IsDirectory(At("a")));
  EXPECT_TRUE(IsDirectory(At("a/b")));
  ForceDirectoryTree(At("a/b"));  // a second call changes nothing
  EXPECT_TRUE(IsDirectory(At("a/b")));
}

TEST_F(FileUtilsTest, ForceDirectoryTreeOfTheRootDoesNothing) {
  EXPECT_NO_THROW(ForceDirectoryTree("/"));
}

TEST_F(FileUtilsTest, ForceDirectoryTreeOfNothingRaises) {
  try {
    ForceDirectoryTree("");
    FAIL() << "no exception";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), "Das Verzeichnis kann nicht erstellt werden");
  }
}

TEST_F(FileUtilsTest, ForceDirectoryTreeBelowAFileFailsSilently) {
  Put("file");
  EXPECT_NO_THROW(ForceDirectoryTree(At("file/sub")));
  EXPECT_FALSE(IsDirectory(At("file/sub")));
}

// ---- DeleteDirectoryTree -------------------------------------------------------

TEST_F(FileUtilsTest, DeleteTreeWithRootRemovesEverything) {
  MakeOfficeTree();
  EXPECT_TRUE(DeleteDirectoryTree(At("tree"), true));
  EXPECT_FALSE(Has("tree"));
}

TEST_F(FileUtilsTest, DeleteTreeWithoutRootKeepsEveryFolderEmpty) {
  MakeOfficeTree();
  EXPECT_TRUE(DeleteDirectoryTree(At("tree/"), false));
  EXPECT_TRUE(IsDirectory(At("tree/sub/deeper")));
  EXPECT_FALSE(Has("tree/a.txt"));
  EXPECT_FALSE(Has("tree/sub/b.OAT"));  // read-only, deleted after its reset
  EXPECT_FALSE(Has("tree/sub/deeper/c.OAI"));
}

TEST_F(FileUtilsTest, DeleteTreeOfAFileOrNothingDeletesNothing) {
  Put("f.txt");
  EXPECT_FALSE(DeleteDirectoryTree(At("f.txt"), true));
  EXPECT_TRUE(Has("f.txt"));
  EXPECT_FALSE(DeleteDirectoryTree(At("none"), true));
}

TEST_F(FileUtilsTest, DeleteTreeReportsAFileItCouldNotDeleteAndGoesOn) {
  Put("tree/held.OAT");
  Put("tree/z.txt");
  os::File holder;
  ASSERT_TRUE(holder.Open(At("tree/held.OAT"), os::Access::ReadWrite, os::Share::Exclusive).ok());
  EXPECT_FALSE(DeleteDirectoryTree(At("tree"), true));
  EXPECT_TRUE(Has("tree/held.OAT"));
  EXPECT_FALSE(Has("tree/z.txt"));
}

TEST_F(FileUtilsTest, DeleteTreeRemovesHiddenDotFilesAndFolders) {
  Put("tree/.keep");
  Put("tree/.cache/x");
  Put("tree/a.txt");
  EXPECT_TRUE(DeleteDirectoryTree(At("tree"), true));
  EXPECT_FALSE(Has("tree"));
}

// ---- CopyFileByStreams ----------------------------------------------------------

TEST_F(FileUtilsTest, DeleteTreeRemovesAPlantedLinkButNeverWhatItPointsTo) {
  MakeOfficeTree();
  Put("other/keep.txt", "someone else's");
  fs::create_directory_symlink(At("other"), At("tree/sub/planted"));
  fs::create_symlink(At("other/keep.txt"), At("tree/file-link"));
  EXPECT_TRUE(DeleteDirectoryTree(At("tree"), true));
  EXPECT_FALSE(Has("tree"));
  EXPECT_EQ("someone else's", Read("other/keep.txt"));
}

TEST_F(FileUtilsTest, DeleteTreeOfALinkUnlinksItOnlyWithTheRoot) {
  Put("other/keep.txt", "someone else's");
  fs::create_directory_symlink(At("other"), At("tree"));
  EXPECT_FALSE(DeleteDirectoryTree(At("tree/"), false));
  EXPECT_TRUE(fs::is_symlink(At("tree")));
  EXPECT_TRUE(DeleteDirectoryTree(At("tree/"), true));
  EXPECT_FALSE(fs::is_symlink(At("tree")));
  EXPECT_EQ("someone else's", Read("other/keep.txt"));
}

TEST_F(FileUtilsTest, CopyCreatesTheDestinationFolderAndCopiesEveryByte) {
  std::string content(CopyBlockSize * 2 + 17, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  Put("office/Adressen.OAT", content);
  CopyFileByStreams(At("office/adressen.oat"), At("tmp/M_Temp/Server/Data/Adressen.OAT"));
  EXPECT_EQ(Read("tmp/M_Temp/Server/Data/Adressen.OAT"), content);
}

TEST_F(FileUtilsTest, TrailingDotNameIsCopiedWithoutTheDot) {
  Put("prog/OAKLOC32.dll", "library");
  CopyFileByStreams(At("prog/OAKLOC32.dll."), At("out/OAKLOC32.dll."));
  EXPECT_EQ(Read("out/OAKLOC32.dll"), "library");
}

TEST_F(FileUtilsTest, CopyOfAnEmptyFileMakesAnEmptyFile) {
  Put("empty.txt", "");
  CopyFileByStreams(At("empty.txt"), At("out/empty.txt"));
  EXPECT_TRUE(Has("out/empty.txt"));
  EXPECT_EQ(Read("out/empty.txt"), "");
}

TEST_F(FileUtilsTest, CopyReplacesAnExistingDestination) {
  Put("src.txt", "new");
  Put("dst.txt", "old and longer");
  CopyFileByStreams(At("src.txt"), At("dst.txt"));
  EXPECT_EQ(Read("dst.txt"), "new");
}

// A link put at the copy's name (a symbolic one, also leading nowhere, or
// a second name of a file elsewhere) is replaced by the copy: the file it
// leads to keeps its bytes. A plain stream made anew refuses such a name.
TEST_F(FileUtilsTest, CopyAndNewFilesAreNeverWrittenThroughALinkAtTheirName) {
  Put("src.OAT", "merged table");
  Put("outside/victim.txt", "victim");
  ASSERT_EQ(0, ::symlink(At("outside/victim.txt").c_str(), At("sym.OAT.~mds").c_str()));
  ASSERT_EQ(0, ::symlink(At("outside/absent").c_str(), At("dangling.OAT.~mds").c_str()));
  ASSERT_EQ(0, ::link(At("outside/victim.txt").c_str(), At("hard.OAT.~mds").c_str()));
  for (const char* Name : {"sym.OAT.~mds", "dangling.OAT.~mds", "hard.OAT.~mds"}) {
    CopyFileByStreams(At("src.OAT"), At(Name));
    struct stat St;
    ASSERT_EQ(0, ::lstat(At(Name).c_str(), &St)) << Name;
    EXPECT_TRUE(S_ISREG(St.st_mode) && St.st_nlink == 1) << Name;
    EXPECT_EQ("merged table", Read(Name)) << Name;
  }
  EXPECT_EQ("victim", Read("outside/victim.txt"));
  EXPECT_FALSE(Has("outside/absent"));

  ASSERT_EQ(0, ::symlink(At("outside/victim.txt").c_str(), At("look.txt").c_str()));
  ASSERT_EQ(0, ::link(At("outside/victim.txt").c_str(), At("second.txt").c_str()));
  EXPECT_THROW(TFileStream(At("look.txt"), fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream(At("second.txt"), fmCreate), EFCreateError);
  EXPECT_EQ("victim", Read("outside/victim.txt"));
}

TEST_F(FileUtilsTest, CopyReadsAFileAnotherProcessHoldsOpenForWriting) {
  Put("live.OAT", "live data");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  if (child == 0) {
    os::File f;
    bool ok = f.Open(At("live.OAT"), os::Access::ReadWrite, os::Share::DenyWrite).ok();
    char c = ok ? 'y' : 'n';
    (void)!::write(ready[1], &c, 1);
    ::sleep(5);
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  EXPECT_NO_THROW(CopyFileByStreams(At("live.OAT"), At("copy/live.OAT")));
  EXPECT_EQ(Read("copy/live.OAT"), "live data");
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
}

TEST_F(FileUtilsTest, CopyOfAMissingSourceRaisesAndLeavesNoDestination) {
  EXPECT_THROW(CopyFileByStreams(At("none.OAT"), At("out/none.OAT")), EFOpenError);
  EXPECT_FALSE(Has("out/none.OAT"));
  EXPECT_EQ(BusyCursorNesting(), 0);  // the cursor was restored
}

TEST_F(FileUtilsTest, ShortReadRaisesAndDeletesThePartialDestination) {
  Put("shrinks.OAT", std::string(CopyBlockSize * 3, 'a'));
  // After the first block, someone cuts the source short.
  SetPaintMessagePump([&] { ::truncate(At("shrinks.OAT").c_str(), CopyBlockSize + 10); });
  EXPECT_THROW(CopyFileByStreams(At("shrinks.OAT"), At("out/shrinks.OAT")), EReadError);
  EXPECT_FALSE(Has("out/shrinks.OAT"));
}

TEST_F(FileUtilsTest, FullDiskRaisesAndDeletesThePartialDestination) {
  Put("big.OAT", std::string(CopyBlockSize * 2, 'b'));
  SetPaintMessagePump([] { os::FaultInjection::SetDiskFull(true); });
  EXPECT_THROW(CopyFileByStreams(At("big.OAT"), At("out/big.OAT")), EWriteError);
  EXPECT_FALSE(Has("out/big.OAT"));
}

TEST_F(FileUtilsTest, CopyRunsTheBusyCursorAndThePaintPump) {
  Put("a.txt", "abc");
  int shown = 0, restored = 0, painted = 0;
  SetBusyCursorHooks({[&] { ++shown; }, [&] { ++restored; }});
  SetPaintMessagePump([&] { ++painted; });
  CopyFileByStreams(At("a.txt"), At("b.txt"));
  SetBusyCursorHooks({});
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(restored, 1);
  EXPECT_EQ(painted, 1);  // once, after the first block
}

// Between two file systems the kernel cannot copy across, the blocks pass
// through the streams: every byte still arrives, the pump still runs.
TEST_F(FileUtilsTest, CopyFallsBackToTheStreamsWhenTheKernelRefuses) {
  std::string content(CopyBlockSize * 3 + 5, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 13 + 1);
  Put("office/Auftraege.OAT", content);
  int painted = 0;
  SetPaintMessagePump([&] { ++painted; });
  os::FaultInjection::SetKernelCopyRefused(true);
  CopyFileByStreams(At("office/Auftraege.OAT"), At("out/Auftraege.OAT"));
  EXPECT_EQ(Read("out/Auftraege.OAT"), content);
  EXPECT_EQ(painted, 1);
}

// The kernel copies several blocks per call, but the pump runs after the
// same blocks as in the stream loop: after the first and every thousandth.
TEST_F(FileUtilsTest, KernelCopyPaintsAfterTheSameBlocksAsTheStreamLoop) {
  std::string content(CopyBlockSize * (PaintEveryBlocks + 1) + 7, '\0');
  for (std::size_t i = 0; i < content.size(); i += 4093) content[i] = static_cast<char>(i % 251 + 1);
  Put("large.OAT", content);
  int kernel = 0, streams = 0;
  SetPaintMessagePump([&] { ++kernel; });
  CopyFileByStreams(At("large.OAT"), At("out/kernel.OAT"));
  os::FaultInjection::SetKernelCopyRefused(true);
  SetPaintMessagePump([&] { ++streams; });
  CopyFileByStreams(At("large.OAT"), At("out/streams.OAT"));
  EXPECT_EQ(kernel, 2);
  EXPECT_EQ(streams, 2);
  EXPECT_EQ(Read("out/kernel.OAT"), content);
}

// The kernel's calls end on a grid of their own, not on block ends; the
// pump must still run when exactly the same bytes have arrived as in the
// stream loop, for sizes at and around the blocks it runs after.
TEST_F(FileUtilsTest, KernelCopyPaintsAtTheSameBytesAsTheStreamLoopForEdgeSizes) {
  const Int64 Paint = CopyBlockSize * PaintEveryBlocks;
  for (Int64 size : {Int64(1), CopyBlockSize - 1, CopyBlockSize, CopyBlockSize + 1, Int64(1) << 20,
                     (Int64(1) << 20) + CopyBlockSize, Paint, Paint + 1, Paint + CopyBlockSize,
                     Paint + CopyBlockSize + 1, 2 * Paint + 3}) {
    SCOPED_TRACE(size);
    // Sparse, with a mark at the start, at the paint blocks and at the end.
    std::string source = Put("edge.OAT", "");
    ASSERT_EQ(::truncate(source.c_str(), size), 0);
    {
      std::fstream f(source, std::ios::in | std::ios::out | std::ios::binary);
      for (Int64 at : {Int64(0), Paint, size - 1})
        if (at < size) f.seekp(at).put(static_cast<char>('A' + at % 23));
    }
    std::vector<Int64> kernel, streams;
    auto record = [&](std::vector<Int64>& into, const std::string& dest) {
      SetPaintMessagePump([&into, dest] {
        struct stat st;
        into.push_back(::stat(dest.c_str(), &st) == 0 ? st.st_size : -1);
      });
    };
    record(kernel, At("out/kernel.OAT"));
    CopyFileByStreams(source, At("out/kernel.OAT"));
    os::FaultInjection::SetKernelCopyRefused(true);
    record(streams, At("out/streams.OAT"));
    CopyFileByStreams(source, At("out/streams.OAT"));
    os::FaultInjection::SetKernelCopyRefused(false);
    EXPECT_EQ(kernel, streams);
    EXPECT_EQ(kernel.size(), static_cast<std::size_t>((size + Paint - 1) / Paint));
    EXPECT_EQ(Read("out/kernel.OAT"), Read("edge.OAT"));
  }
}

TEST_F(FileUtilsTest, FallbackCopyOnAFullDiskDeletesThePartialDestination) {
  Put("big.OAT", std::string(CopyBlockSize * 2, 'b'));
  os::FaultInjection::SetKernelCopyRefused(true);
  SetPaintMessagePump([] { os::FaultInjection::SetDiskFull(true); });
  EXPECT_THROW(CopyFileByStreams(At("big.OAT"), At("out/big.OAT")), EWriteError);
  EXPECT_FALSE(Has("out/big.OAT"));
}

// ---- CopyStreamBlocks -------------------------------------------------------------

TEST_F(FileUtilsTest, CopyStreamBlocksWithCountZeroCopiesTheWholeSource) {
  TStringStream source("0123456789");
  source.SetPosition(4);
  TMemoryStream dest;
  EXPECT_EQ(CopyStreamBlocks(&source, &dest, 0), 10);
  EXPECT_EQ(dest.Size(), 10);
}

TEST_F(FileUtilsTest, CopyStreamBlocksRaisesWhenTheSourceRunsOut) {
  TStringStream source("short");
  TMemoryStream dest;
  EXPECT_THROW(CopyStreamBlocks(&source, &dest, 100), EReadError);
}

// ---- ShellExecuteAndWait ----------------------------------------------------------

TEST_F(FileUtilsTest, ShellExecuteAndWaitWaitsForTheProgram) {
  std::string script = Put("srv.sh", "#!/bin/sh\nsleep 0.2\necho \"$1\" > \"$0.done\"\n");
  ::chmod(script.c_str(), 0755);
  int code = ShellExecuteAndWait(nullptr, "", script, "STOP", "", 5);
  EXPECT_GT(code, 32);
  EXPECT_EQ(Read("srv.sh.done"), "STOP\n");  // written before the call returned
}

TEST_F(FileUtilsTest, ShellExecuteAndWaitReturnsTheShellsFailureCode) {
  EXPECT_EQ(ShellExecuteAndWait(nullptr, "open", At("none.exe"), "", "", 5), 2);
}

// ---- temp folder and enumeration -----------------------------------------------

TEST_F(FileUtilsTest, TempDirEndsWithASeparator) {
  std::string t = GetTempDir();
  ASSERT_FALSE(t.empty());
  EXPECT_EQ(t.back(), '/');
}

// The private folder of a run that was killed is removed at the next
// start; that of a live run, and a folder of the prefix that is not a
// run's, stay.
TEST_F(FileUtilsTest, AbandonedPrivateTempFoldersGoAndLiveOnesStay) {
  ScopedEnv Temp("TMPDIR", root.c_str());
  int Pipe[2];
  ASSERT_EQ(0, ::pipe(Pipe));
  pid_t Child = ::fork();
  if (Child == 0) {  // a run that ends without cleaning up
    std::string Made = CreatePrivateTempDir("mds-");
    (void)!::write(Pipe[1], Made.data(), Made.size());
    ::_exit(0);
  }
  ::close(Pipe[1]);
  char Buf[512];
  ssize_t N = ::read(Pipe[0], Buf, sizeof Buf);
  ::close(Pipe[0]);
  ::waitpid(Child, nullptr, 0);
  ASSERT_GT(N, 0);
  std::string Dead(Buf, size_t(N));
  std::string Live = CreatePrivateTempDir("mds-");
  Put("mds-other/keep.txt");
  EXPECT_EQ(1, RemoveAbandonedTempDirs("mds-"));
  EXPECT_FALSE(fs::exists(Dead));
  EXPECT_TRUE(fs::exists(Live + PrivateTempOwnerFile));
  EXPECT_TRUE(fs::exists(At("mds-other/keep.txt")));
  ReleasePrivateTempDir(Live);
  EXPECT_EQ(1, RemoveAbandonedTempDirs("mds-"));
  EXPECT_FALSE(fs::exists(Live));
}

TEST_F(FileUtilsTest, EnumFilesUpperCasesWithPrefixAndSkipsHiddenAndFolders) {
  Put("d/notes.txt");
  Put("d/Readme.TXT");
  Put("d/.secret.txt");
  Put("d/folder.txt/inner");
  Put("d/other.doc");
  TStringList list;
  list.Add("stale");
  EnumFiles(At("d/*.txt"), &list, true, "X/");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0], "X/NOTES.TXT");
  EXPECT_EQ(list[1], "X/README.TXT");
}

TEST_F(FileUtilsTest, EnumFilesKeepsTheSpellingWithoutUpperCase) {
  Put("d/Readme.TXT");
  TStringList list;
  EnumFiles(At("d/*.*"), &list, false, "");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0], "Readme.TXT");
}

TEST_F(FileUtilsTest, FindFirstMatchGivesTheFileSystemsSpellingOrNothing) {
  Put("common/Srv.TXT");
  EXPECT_EQ(FindFirstMatch(At("common/srv.txt"), false, ""), "Srv.TXT");
  EXPECT_EQ(FindFirstMatch(At("common/srv.txt"), true, "p/"), "P/SRV.TXT");
  EXPECT_EQ(FindFirstMatch(At("common/none.txt"), false, ""), "");
}

// ---- FileExistsEx -----------------------------------------------------------------

TEST_F(FileUtilsTest, LockedFileCountsAsExisting) {
  Put("t.OAT");
  os::File holder;
  ASSERT_TRUE(holder.Open(At("t.OAT"), os::Access::ReadWrite, os::Share::Exclusive).ok());
  ASSERT_TRUE(holder.Lock(0, 1, os::LockKind::Exclusive).ok());
  EXPECT_TRUE(FileExistsEx(At("T.oat")));
}

TEST_F(FileUtilsTest, FolderAndMissingNamesDoNotCountAsFiles) {
  Put("d/f.txt");
  EXPECT_FALSE(FileExistsEx(At("d")));
  EXPECT_FALSE(FileExistsEx(At("none.txt")));
  EXPECT_FALSE(FileExistsEx(At("nodir/none.txt")));
  EXPECT_FALSE(FileExistsEx(""));
}

// ---- scratch folder ---------------------------------------------------------------

TEST_F(FileUtilsTest, ScratchFolderIsEmptyUntilSet) {
  EXPECT_EQ(ScratchDir(), "");
  SetScratchDir(At("scratch"));
  EXPECT_EQ(ScratchDir(), At("scratch"));
  SetScratchDir("");
}

}  // namespace
