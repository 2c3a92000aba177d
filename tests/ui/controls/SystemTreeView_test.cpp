// The shell folder tree over a namespace of the test's own: building,
// selecting, properties, watchers and drives.
#include "shell_tree_fixture.h"
#include "ui/controls/MaskSearch.h"

namespace {

namespace fs = std::filesystem;

TEST(MaskSearchTest, MaskListsSplitLowerAndMatchEitherMaskInAnyCase) {
  TStringList Masks;
  SplitMaskList("*.TXT;Read?e", &Masks);
  ASSERT_EQ(Masks.Count(), 2);
  EXPECT_EQ(Masks.Strings(0), "*.txt");
  EXPECT_EQ(Masks.Strings(1), "read?e");
  EXPECT_TRUE(MatchesMaskList("Notes.Txt", &Masks));
  EXPECT_TRUE(MatchesMaskList("README", &Masks));
  EXPECT_FALSE(MatchesMaskList("notes.txt.bak", &Masks));
  EXPECT_FALSE(MatchesMaskList("readme.doc", &Masks));
  SplitMaskList("", &Masks);
  ASSERT_EQ(Masks.Count(), 1);
  EXPECT_EQ(Masks.Strings(0), "*");
}

TEST(MaskSearchTest, StarDotStarTakesNamesWithAndWithoutExtension) {
  EXPECT_TRUE(MatchesFileMask("a.b", "*.*"));
  EXPECT_FALSE(MatchesFileMask("ab", "*.*"));
  TStringList Masks;
  SplitMaskList("*.*", &Masks);
  EXPECT_TRUE(MatchesMaskList("Makefile", &Masks));
  EXPECT_TRUE(MatchesFileMask("abcd.txt", "a*c?.t*"));
  EXPECT_FALSE(MatchesFileMask("abd.txt", "a*c?.t*"));
  EXPECT_TRUE(MatchesFileMask("x", "?"));
  EXPECT_FALSE(MatchesFileMask("", "?"));
}

TEST_F(ShellTreeTest, TheDesktopShowsHomeAndComputerWithOneDrivePerMount) {
  std::string Stick = Folder + "/media/stick";
  fs::create_directories(Stick);
  Mounts({Stick});
  TshSystemTreeView* T = ShownTree();
  TTreeNode* Top = T->Items()->GetFirstNode();
  ASSERT_NE(Top, nullptr);
  EXPECT_EQ(Top->Text(), "Desktop");
  EXPECT_TRUE(Top->Expanded());
  ASSERT_NE(Child(Top, "Persönlicher Ordner"), nullptr);
  TTreeNode* Computer = Child(Top, "Arbeitsplatz");
  ASSERT_NE(Computer, nullptr);
  Computer->Expand(false);
  ASSERT_EQ(Computer->Count(), 2);
  EXPECT_EQ(Computer->Item(0)->Text(), "System (/)");
  EXPECT_EQ(Computer->Item(1)->Text(), "stick (" + Stick + ")");
}

TEST_F(ShellTreeTest, AVirtualNodeGivesAnEmptyPath) {
  TshSystemTreeView* T = ShownTree();
  TTreeNode* Top = T->Items()->GetFirstNode();
  T->SetSelected(Top);
  EXPECT_EQ(T->GetSelection(), "");
  T->SetSelected(Child(Top, "Arbeitsplatz"));
  EXPECT_EQ(T->Directory(), "");
  T->SetSelected(Child(Top, "Persönlicher Ordner"));
  EXPECT_EQ(T->Directory(), Home);
}

TEST_F(ShellTreeTest, SelectingAPathExpandsTheWayAndAFileSelectsItsFolder) {
  std::string Deep = MakeDir("a/b/c");
  TshSystemTreeView* T = ShownTree();
  T->SetSelection(Deep);
  EXPECT_EQ(T->GetSelection(), Deep);
  Pump();
  if (const char* Dir = getenv("TREE_PNG_DIR")) HeadlessSavePng(Form->Handle(), String(Dir) + "/shell_tree.png");
  std::ofstream(Deep + "/file.txt") << "x";
  T->SetSelection(Deep + "/file.txt");
  EXPECT_EQ(T->GetSelection(), Deep);
  T->SetSelection(Deep + "/missing/more");
  EXPECT_EQ(T->GetSelection(), Deep);
}

TEST_F(ShellTreeTest, APathSetBeforeTheWindowIsAppliedWhenTheTreeIsBuilt) {
  std::string Deep = MakeDir("x/y");
  Form = NewPlainForm("Ordner", Bounds(100, 100, 395, 315));
  auto* T = new TshSystemTreeView(Form);
  T->SetSelection(Deep);
  EXPECT_EQ(T->GetSelection(), "");
  T->SetParent(Form);
  Form->Show();
  Pump();
  EXPECT_EQ(T->GetSelection(), Deep);
}

TEST_F(ShellTreeTest, UnchangedPropertyWritesDoNotRebuild) {
  TshSystemTreeView* T = ShownTree();
  Integer Built = T->RebuildCount();
  T->SetShowFiles(false);
  T->SetFileMask("");
  T->SetCustomDir("");
  T->SetRootFolder(rfDesktop);
  EXPECT_EQ(T->RebuildCount(), Built);
  T->SetFileMask("*.txt");
  EXPECT_EQ(T->RebuildCount(), Built + 1);
  T->SetFileMask("*.txt");
  T->SetShowHiddenDirs(true);
  EXPECT_EQ(T->RebuildCount(), Built + 1);
}

TEST_F(ShellTreeTest, CheckboxesRecreateTheWindowKeepingTheSelection) {
  std::string Deep = MakeDir("k/l");
  TshSystemTreeView* T = ShownTree();
  T->SetSelection(Deep);
  HWND Before = T->Handle();
  T->SetCheckboxes(true);
  Pump();
  EXPECT_NE(T->Handle(), Before);
  EXPECT_EQ(T->GetSelection(), Deep);
}

TEST_F(ShellTreeTest, ACustomRootShowsItsCaption) {
  MakeDir("root/child");
  TshSystemTreeView* T = ShownTree();
  T->SetRootFolder(rfCustom);
  T->SetCustomDir(Home + "/root");
  EXPECT_EQ(T->Items()->GetFirstNode()->Text(), "root");
  T->SetCustomDirCaption("Ablage");
  EXPECT_EQ(T->Items()->GetFirstNode()->Text(), "Ablage");
  T->SetSelection(Home + "/root/child");
  EXPECT_EQ(T->Selected()->Text(), "child");
  T->SetCustomDir(Home + "/none");
  EXPECT_EQ(T->Items()->GetFirstNode(), nullptr);
  EXPECT_EQ(T->GetSelection(), "");
}

TEST_F(ShellTreeTest, HiddenFoldersFollowTheDotRuleAndFilesTheMask) {
  MakeDir("visible");
  MakeDir(".hidden");
  std::ofstream(Home + "/a.txt") << "x";
  std::ofstream(Home + "/b.doc") << "x";
  TshSystemTreeView* T = ShownTree();
  T->SetRootFolder(rfCustom);
  T->SetCustomDir(Home);
  TTreeNode* Top = T->Items()->GetFirstNode();
  ASSERT_NE(Top, nullptr);
  EXPECT_EQ(Top->Count(), 1);
  EXPECT_NE(Child(Top, "visible"), nullptr);
  T->SetShowHiddenDirs(true);
  T->SetFileMask("*.TXT");
  T->SetShowFiles(true);
  Top = T->Items()->GetFirstNode();
  EXPECT_NE(Child(Top, ".hidden"), nullptr);
  EXPECT_NE(Child(Top, "a.txt"), nullptr);
  EXPECT_EQ(Child(Top, "b.doc"), nullptr);
}

TEST_F(ShellTreeTest, AnEmptyFolderLosesItsExpanderWithoutPopulating) {
  MakeDir("empty/.only-hidden");
  TshSystemTreeView* T = ShownTree();
  T->SetSelection(Home);
  T->Selected()->Expand(false);
  TTreeNode* Empty = Child(T->Selected(), "empty");
  ASSERT_NE(Empty, nullptr);
  EXPECT_TRUE(Empty->HasChildren());
  int Populated = 0;
  T->OnPopulated = [&](TObject*, TTreeNode*) { ++Populated; };
  Empty->Expand(false);
  EXPECT_FALSE(Empty->HasChildren());
  EXPECT_EQ(Populated, 0);
}

TEST_F(ShellTreeTest, ADeletedFolderSelectsItsParent) {
  std::string Gone = MakeDir("parent/gone");
  TshSystemTreeView* T = ShownTree();
  T->SetReadDelay(0);
  T->SetSelection(Gone);
  ASSERT_EQ(T->GetSelection(), Gone);
  ASSERT_TRUE(WaitFor([&] { return T->WatchedFolder() == Gone && T->WatchedParent() == Home + "/parent"; }));
  fs::remove(Gone);
  EXPECT_TRUE(WaitFor([&] { return T->GetSelection() == Home + "/parent"; }));
  EXPECT_EQ(Child(T->Selected(), "gone"), nullptr);
}

TEST_F(ShellTreeTest, AMountThatAppearsRebuildsAfterTheAutoRefreshDelay) {
  TshSystemTreeView* T = ShownTree();
  T->SetSelection(Home);
  Integer Built = T->RebuildCount();
  std::string Stick = Folder + "/media/usb";
  fs::create_directories(Stick);
  Mounts({Stick});
  ASSERT_TRUE(WaitFor([&] { return T->RefreshPending(); }));
  EXPECT_EQ(T->RebuildCount(), Built);
  Clock->Advance(T->AutoRefreshDelay());
  Pump();
  EXPECT_EQ(T->RebuildCount(), Built + 1);
  EXPECT_EQ(T->GetSelection(), Home);
  TTreeNode* Computer = Child(T->Items()->GetFirstNode(), "Arbeitsplatz");
  Computer->Expand(false);
  EXPECT_EQ(Computer->Count(), 2);
}

TEST_F(ShellTreeTest, AMountThatDisappearsWhileSelectedSelectsTheComputer) {
  std::string Stick = Folder + "/media/usb";
  fs::create_directories(Stick + "/daten");
  Mounts({Stick});
  TshSystemTreeView* T = ShownTree();
  T->SetAutoRefreshDelay(0);
  T->SetSelection(Stick + "/daten");
  ASSERT_EQ(T->GetSelection(), Stick + "/daten");
  Integer Built = T->RebuildCount();
  Mounts({});
  ASSERT_TRUE(WaitFor([&] { return T->RebuildCount() > Built; }));
  // The stick's folder is still there on disk, now under "/".
  EXPECT_EQ(T->GetSelection(), "");
  EXPECT_EQ(T->Selected()->Text(), "Arbeitsplatz");
}

TEST_F(ShellTreeTest, NodesFreeTheirFolderDataWithTheTree) {
  int Before = TFolderItemData::LiveCount();
  TshSystemTreeView* T = ShownTree();
  T->SetSelection(MakeDir("q"));
  EXPECT_GT(TFolderItemData::LiveCount(), Before);
  T->Free();
  EXPECT_EQ(TFolderItemData::LiveCount(), Before);
}

}  // namespace
