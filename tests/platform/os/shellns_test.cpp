// The shell namespace over a home folder and a mount table of the test's
// own, and the watcher threads that report folder and mount changes.
#include "platform/os/shellns.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "platform/os/filechange.h"
#include "scoped_env.h"
#include "temp_dir.h"

namespace {

class ShellNamespaceTest : public ::testing::Test {
 protected:
  ShellNamespaceTest()
      : HomeEnv("HOME", Dir.MakeDir("home")),
        TableEnv("MDS_MOUNT_TABLE", Dir / "mounts"),
        Personal("MDS_PERSONAL", Dir / "home/Dokumente"),
        DesktopEnv("XDG_DESKTOP_DIR", Dir / "home/Schreibtisch"),
        Downloads("XDG_DOWNLOAD_DIR", nullptr) {
    MountTable("");
  }
  // Writes the mount table: "/" plus Lines.
  void MountTable(const std::string& Lines) {
    Dir.Put("mounts.new", "/dev/sda1 / ext4 rw 0 0\n" + Lines);
    std::filesystem::rename(Dir / "mounts.new", Dir / "mounts");
  }
  static std::vector<String> Names(const TShellFolder& F, DWORD Flags) {
    std::vector<String> Out;
    for (const TItemIDList& I : F.EnumObjects(Flags)) Out.push_back(F.GetDisplayNameOf(I));
    return Out;
  }
  std::shared_ptr<TShellFolder> FolderOf(const String& Path) {
    TItemIDList L;
    EXPECT_EQ(SHGetDesktopFolder()->ParseDisplayName(Path, L), S_OK) << Path;
    return std::make_shared<TShellFolder>(L);
  }
  // Runs handed-over work until Done holds, for at most five seconds.
  static bool WaitFor(const std::function<bool()>& Done) {
    auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!Done()) {
      if (std::chrono::steady_clock::now() > Until) return false;
      CheckSynchronize(20);
    }
    return true;
  }

  TempDir Dir;
  ScopedEnv HomeEnv, TableEnv, Personal, DesktopEnv, Downloads;
};

TEST_F(ShellNamespaceTest, DrivesComeFromTheMountTableRootFirst) {
  std::string Stick = Dir.MakeDir("media/my stick");
  Dir.MakeDir("media/b");
  Dir.Put("afile");
  MountTable("proc /proc proc rw 0 0\ntmpfs /run/user tmpfs rw 0 0\n/dev/sdc " + Dir / "media/b" +
             " vfat rw 0 0\n/dev/sdb " + Dir / "media/my\\040stick" + " vfat rw 0 0\n/dev/sdb " +
             Dir / "media/b" + " vfat rw 0 0\nnone " + Dir / "afile" + " ext4 rw 0 0\nnone " + Dir / "gone" +
             " ext4 rw 0 0\n");
  std::vector<TShellDrive> D = ShellDrives();
  ASSERT_EQ(D.size(), 3u);
  EXPECT_EQ(D[0].Dir, "/");
  EXPECT_EQ(D[1].Dir, Dir / "media/b");
  EXPECT_EQ(D[2].Dir, Stick);
  EXPECT_FALSE(D[2].Removable);
}

TEST_F(ShellNamespaceTest, AnUnreadableMountTableLeavesTheRootDrive) {
  ScopedEnv Missing("MDS_MOUNT_TABLE", Dir / "no-such-table");
  std::vector<TShellDrive> D = ShellDrives();
  ASSERT_EQ(D.size(), 1u);
  EXPECT_EQ(D[0].Dir, "/");
}

TEST_F(ShellNamespaceTest, TheDesktopListsHomeExistingSpecialFoldersAndTheComputer) {
  Dir.MakeDir("home/Schreibtisch");
  auto Desktop = SHGetDesktopFolder();
  EXPECT_EQ(Names(*Desktop, SHCONTF_FOLDERS),
            (std::vector<String>{"Persönlicher Ordner", "Desktop", "Arbeitsplatz"}));
  Dir.MakeDir("home/Dokumente");
  EXPECT_EQ(Names(*Desktop, SHCONTF_FOLDERS).size(), 4u);
  TItemIDList Computer;
  ASSERT_EQ(SHGetSpecialFolderLocation(CSIDL_DRIVES, Computer), S_OK);
  String Path = "x";
  EXPECT_FALSE(SHGetPathFromIDList(Computer, Path));
  EXPECT_EQ(Path, "");
  EXPECT_FALSE(SHGetPathFromIDList({}, Path));
  TItemIDList Docs;
  ASSERT_EQ(SHGetSpecialFolderLocation(CSIDL_PERSONAL, Docs), S_OK);
  EXPECT_TRUE(SHGetPathFromIDList(Docs, Path));
  EXPECT_EQ(Path, Dir / "home/Dokumente");
}

TEST_F(ShellNamespaceTest, FoldersListSubfoldersFirstAndHideDotNames) {
  Dir.MakeDir("home/Beta");
  Dir.MakeDir("home/alpha");
  Dir.MakeDir("home/.config");
  Dir.Put("home/aaa.txt");
  auto Home = FolderOf(Dir / "home");
  EXPECT_EQ(Names(*Home, SHCONTF_FOLDERS), (std::vector<String>{"alpha", "Beta"}));
  EXPECT_EQ(Names(*Home, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN),
            (std::vector<String>{".config", "alpha", "Beta", "aaa.txt"}));
  EXPECT_TRUE(Home->GetAttributesOf({".config"}, ~0u) & SFGAO_HIDDEN);
  EXPECT_FALSE(Home->GetAttributesOf({"alpha"}, ~0u) & SFGAO_HASSUBFOLDER);
  Dir.MakeDir("home/alpha/sub");
  EXPECT_TRUE(Home->GetAttributesOf({"alpha"}, ~0u) & SFGAO_HASSUBFOLDER);
  EXPECT_FALSE(Home->GetAttributesOf({"aaa.txt"}, ~0u) & SFGAO_FOLDER);
  EXPECT_EQ(Home->BindToObject({"aaa.txt"}), nullptr);
}

TEST_F(ShellNamespaceTest, PathsParseThroughTheDriveThatHoldsThem) {
  std::string Stick = Dir.MakeDir("stick");
  Dir.MakeDir("stick/daten/x");
  MountTable("/dev/sdb " + Stick + " vfat rw 0 0\n");
  TItemIDList L;
  ASSERT_EQ(SHGetDesktopFolder()->ParseDisplayName(Stick + "/daten/x/", L), S_OK);
  EXPECT_EQ(L, (TItemIDList{"::computer", Stick, "daten", "x"}));
  String Path;
  EXPECT_TRUE(SHGetPathFromIDList(L, Path));
  EXPECT_EQ(Path, Stick + "/daten/x");
  EXPECT_EQ(SHGetDesktopFolder()->ParseDisplayName(Stick + "/missing", L), E_FAIL);
  EXPECT_EQ(SHGetDesktopFolder()->ParseDisplayName("relative/path", L), E_FAIL);
  TShellFolder Daten({"::computer", Stick, "daten"});
  ASSERT_EQ(Daten.ParseDisplayName(Stick + "/daten/x", L), S_OK);
  EXPECT_EQ(L, TItemIDList{"x"});
  EXPECT_EQ(Daten.ParseDisplayName(Dir / "home", L), E_FAIL);
}

TEST_F(ShellNamespaceTest, AFolderWithoutReadPermissionListsNothing) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  Dir.MakeDir("home/locked/inner");
  std::filesystem::permissions(Dir / "home/locked", std::filesystem::perms::owner_write |
                                                        std::filesystem::perms::owner_exec);
  auto Home = FolderOf(Dir / "home");
  EXPECT_FALSE(Home->GetAttributesOf({"locked"}, ~0u) & SFGAO_HASSUBFOLDER);
  EXPECT_TRUE(Home->BindToObject({"locked"})->EnumObjects(SHCONTF_FOLDERS).empty());
}

TEST_F(ShellNamespaceTest, RenamingKeepsOrRefusesTheName) {
  Dir.MakeDir("home/old");
  Dir.MakeDir("home/taken");
  auto Home = FolderOf(Dir / "home");
  TItemIDList New;
  EXPECT_EQ(Home->SetNameOf({"old"}, "taken", New), E_FAIL);
  EXPECT_EQ(Home->SetNameOf({"old"}, "a/b", New), E_FAIL);
  ASSERT_EQ(Home->SetNameOf({"old"}, "neu", New), S_OK);
  EXPECT_EQ(New, TItemIDList{"neu"});
  EXPECT_TRUE(Dir.Has("home/neu"));
  EXPECT_EQ(SHGetDesktopFolder()->SetNameOf({"::home"}, "x", New), E_FAIL);
}

TEST_F(ShellNamespaceTest, IconsTellDrivesComputerFoldersAndFiles) {
  Dir.Put("home/f.txt");
  EXPECT_EQ(ShellIconOf({}, false), siDesktop);
  EXPECT_EQ(ShellIconOf({"::computer"}, false), siComputer);
  EXPECT_EQ(ShellIconOf({"::computer", "/"}, false), siDrive);
  EXPECT_EQ(ShellIconOf({"::computer", "/media/usb"}, false), siRemovableDrive);
  EXPECT_EQ(ShellIconOf({"::home"}, true), siFolderOpen);
  EXPECT_EQ(ShellIconOf({"::home", "f.txt"}, false), siFile);
}

TEST_F(ShellNamespaceTest, AWatcherOfAMissingFolderEndsAtOnceWithoutChange) {
  int Ended = 0;
  bool Seen = true;
  new TFileChangeThread(Dir / "missing", false, {fcDirName}, [&](TObject* T) {
    ++Ended;
    Seen = static_cast<TFileChangeThread*>(T)->ChangeSeen();
  });
  ASSERT_TRUE(WaitFor([&] { return Ended == 1; }));
  EXPECT_FALSE(Seen);
}

TEST_F(ShellNamespaceTest, AWatcherEndsAtTheFirstChangeOfItsKind) {
  std::string W = Dir.MakeDir("watched");
  bool Ended = false, Seen = false;
  auto* T = new TFileChangeThread(W, false, {fcDirName}, [&](TObject* Th) {
    Ended = true;
    Seen = static_cast<TFileChangeThread*>(Th)->ChangeSeen();
  });
  EXPECT_EQ(T->Folder(), W);
  Dir.MakeDir("watched/new");
  ASSERT_TRUE(WaitFor([&] { return Ended; }));
  EXPECT_TRUE(Seen);
  EXPECT_EQ(FileChangeFilter({fcFileName, fcSecurity}), FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SECURITY);
}

TEST_F(ShellNamespaceTest, TheMountWatcherReportsArrivalAndRemoval) {
  std::vector<unsigned> Events;
  std::string Stick = Dir.MakeDir("stick");
  {
    TMountTableWatcher Watcher([&](unsigned E) { Events.push_back(E); });
    MountTable("/dev/sdb " + Stick + " vfat rw 0 0\n");
    ASSERT_TRUE(WaitFor([&] { return Events.size() == 1; }));
    EXPECT_EQ(Events[0], DBT_DEVICEARRIVAL);
    MountTable("");
    ASSERT_TRUE(WaitFor([&] { return Events.size() == 2; }));
    EXPECT_EQ(Events[1], DBT_DEVICEREMOVECOMPLETE);
  }
  MountTable("/dev/sdb " + Stick + " vfat rw 0 0\n");
  CheckSynchronize(0);
  EXPECT_EQ(Events.size(), 2u);
}

}  // namespace
