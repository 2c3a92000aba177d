// The folder tree as a user drives it: keys while the selected folder
// changes, finding a folder by typing its name, check boxes, the right
// button's menu with its verbs, autoscroll, and the linked list and combo.
#include "platform/gui/menus.h"
#include "platform/os/process.h"
#include "shell_tree_fixture.h"

namespace {

namespace fs = std::filesystem;

class ShellTreeInputTest : public ShellTreeTest {
 protected:
  // A tree whose root is Home/base with the given sub-folders, the base
  // selected and open, the keyboard focus in the tree.
  TshSystemTreeView* TreeOver(std::initializer_list<const char*> Names) {
    Base = MakeDir("base");
    for (const char* N : Names) MakeDir(std::string("base/") + N);
    TshSystemTreeView* T = ShownTree();
    T->SetRootFolder(rfCustom);
    T->SetCustomDir(Base);
    Top = T->Items()->GetFirstNode();
    T->SetSelected(Top);
    T->SetFocus();
    Pump();
    return T;
  }
  // A right click on Node's label, then Typed (choosing from the menu).
  void RightClick(TshSystemTreeView* T, const String& Node, const String& Typed) {
    TRect R = Child(Top, Node)->DisplayRect(true);
    TPoint P = T->ClientToScreen(Point((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2));
    HeadlessClick(P.X, P.Y, 1);
    HeadlessType(Typed);
    HeadlessKey(VK_ESCAPE);  // closes a menu that had no such letter
    Pump();
  }
  static String Sel(TshSystemTreeView* T) { return T->Selected() ? T->Selected()->Text() : "(none)"; }

  std::string Base;
  TTreeNode* Top = nullptr;
};

TEST_F(ShellTreeInputTest, KeysMoveOnWhileTheSelectedFolderChangesRightEntersAndTypingFinds) {
  TshSystemTreeView* T = TreeOver({"alpha", "beta", "bravo", "Berta"});
  PressKey(VK_RIGHT);
  EXPECT_EQ(Sel(T), "alpha") << "Right on an open node goes to its first child";
  PressKey(VK_LEFT);
  Clock->Advance(T->ReadDelay());  // the base folder's watcher starts
  ASSERT_TRUE(WaitFor([&] { return T->WatchedFolder() == Base; }));
  PressKey(VK_DOWN);
  // The base changes before the watchers follow the selection: the
  // refresh keeps the selected child, and Down goes on from it.
  fs::create_directories(Base + "/delta");
  ASSERT_TRUE(WaitFor([&] { return Child(Top, "delta") != nullptr; }));
  EXPECT_EQ(Sel(T), "alpha");
  PressKey(VK_DOWN);
  EXPECT_EQ(Sel(T), "Berta");
  // A closed node opens with Right and is entered with the next one.
  MakeDir("base/Berta/inner");
  T->RefreshNode(Top);
  PressKey(VK_RIGHT);
  PressKey(VK_RIGHT);
  EXPECT_EQ(Sel(T), "inner");
  // Typing: a prefix; after a pause the same letter steps on, wrapping
  // (past the root "base").
  HeadlessType("br");
  Pump();
  EXPECT_EQ(Sel(T), "bravo");
  Clock->Advance(2000);
  HeadlessType("bbbx");
  Pump();
  EXPECT_EQ(Sel(T), "beta") << "after bravo: base, Berta, beta; then bbbx matches nothing";
}

TEST_F(ShellTreeInputTest, CheckBoxesToggleBySpaceAndClickOnceEachAndSurviveARebuild) {
  TshSystemTreeView* T = TreeOver({"eins", "zwei"});
  T->SetCheckboxes(true);
  Top = T->Items()->GetFirstNode();
  T->SetFocus();
  std::vector<String> Events;
  T->OnCheckChange = [&](TObject*, TTreeNode* N) { Events.push_back(N->Text()); };
  T->SetSelected(Child(Top, "eins"));
  PressKey(VK_SPACE);
  // A click on the box of another row checks it.
  TRect R = Child(Top, "zwei")->DisplayRect(true);
  TPoint Box = T->ClientToScreen(Point(R.Left - ShellSmallImages()->Width() - 10, (R.Top + R.Bottom) / 2));
  HeadlessClick(Box.X, Box.Y);
  Pump();
  EXPECT_EQ(Events, (std::vector<String>{"eins", "zwei"}));
  PressKey(VK_SPACE);
  T->RebuildTree();
  EXPECT_EQ(T->CheckedPaths(), std::vector<String>{Base + "/eins"});
  if (const char* Dir = getenv("TREE_PNG_DIR")) HeadlessSavePng(Form->Handle(), String(Dir) + "/shell_tree_checks.png");
}

TEST_F(ShellTreeInputTest, TheRightButtonSelectsAndItsMenuActsAsPopupMenuMethodSays) {
  TshSystemTreeView* T = TreeOver({"eins", "zwei"});
  std::vector<String> Shown;
  T->ShellMenu()->OnPopup = [&](TObject*) {
    Shown.clear();
    for (Integer K = 0; K < T->ShellMenu()->Items()->Count(); ++K)
      Shown.push_back(T->ShellMenu()->Items()->Items(K)->Caption());
  };
  RightClick(T, "zwei", "n");
  EXPECT_EQ(Shown, (std::vector<String>{"Ö&ffnen", "&Neuer Ordner", "&Aktualisieren", "-", "&Eigenschaften"}));
  EXPECT_TRUE(fs::is_directory(Base + "/zwei/Neuer Ordner"));
  EXPECT_EQ(Sel(T), "Neuer Ordner");
  RightClick(T, "zwei", "n");
  EXPECT_EQ(Sel(T), "Neuer Ordner (2)");
  std::ofstream(Base + "/eins/a.txt") << "12345";
  Answers().Do("Eigenschaften von eins", [](TCustomForm* F) {
    if (const char* Dir = getenv("TREE_PNG_DIR")) HeadlessSavePng(F->Handle(), String(Dir) + "/shell_properties.png");
    F->SetModalResult(mrOk);
  }, "Größe: 5 Bytes in 1 Datei\nRechte: rwx");
  RightClick(T, "eins", "e");
  MakeDir("base/eins/neu");
  RightClick(T, "eins", "a");
  EXPECT_TRUE(Child(Top, "eins")->HasChildren()) << "Aktualisieren";
  // "Öffnen" hands the folder to the desktop's opener.
  std::string Bin = MakeDir("bin");
  std::ofstream(Bin + "/xdg-open") << "#!/bin/sh\n";
  fs::permissions(Bin + "/xdg-open", fs::perms::owner_all);
  ScopedEnv Path("PATH", Bin);
  std::vector<String> Started;
  TProcessLauncher Before = SetProcessLauncher([&](const TLaunchRequest& R, TProcessHandle&) {
    Started = R.Argv;
    return DWORD(0);
  });
  RightClick(T, "eins", "f");
  SetProcessLauncher(Before);
  EXPECT_EQ(Started, (std::vector<String>{"xdg-open", Base + "/eins"}));
  // The own menu's items: offered with pmmUser and pmmContextUser only.
  auto* Own = new TPopupMenu(Form);
  auto* Mine = new TMenuItem(Own);
  Mine->SetCaption("&Zählen");
  int Counted = 0;
  Mine->OnClick = [&](TObject*) { ++Counted; };
  Own->Items()->Add(Mine);
  T->SetPopupMenu(Own);
  for (TPopupMenuMethod M : {pmmContext, pmmContextUser, pmmUser, pmmNone}) {
    T->SetPopupMenuMethod(M);
    RightClick(T, "eins", "z");
  }
  EXPECT_EQ(Counted, 2);
  // Renaming only where the tree may be edited.
  T->SetReadOnly(false);
  T->SetPopupMenuMethod(pmmContext);
  bool Editing = false;
  T->OnEditing = [&](TObject*, TTreeNode*, bool&) { Editing = true; };
  RightClick(T, "eins", "u");
  EXPECT_TRUE(Editing);
}

TEST_F(ShellTreeInputTest, AutoscrollMovesOneLineNearAnEdgeAndGoesOnWhileTheMouseStays) {
  TshSystemTreeView* T = TreeOver({});
  for (int K = 0; K < 40; ++K) MakeDir("base/f" + std::to_string(100 + K));
  T->RefreshNode(Top);
  Top->Expand(false);
  auto MoveTo = [&](int Y) {
    TPoint P = T->ClientToScreen(Point(60, Y));
    HeadlessMouseMove(P.X, P.Y);
    Pump();
    return T->TopItem()->Text();
  };
  EXPECT_EQ(MoveTo(T->ClientHeight() - 3), "base") << "off by default";
  T->SetAutoscroll(true);
  EXPECT_EQ(MoveTo(T->ClientHeight() - 2), "f100");
  Clock->Advance(100);
  Pump();
  EXPECT_EQ(T->TopItem()->Text(), "f101") << "and on while the mouse stays";
  MoveTo(T->ClientHeight() / 2);
  Clock->Advance(100);
  Pump();
  EXPECT_EQ(T->TopItem()->Text(), "f101");
  EXPECT_EQ(MoveTo(2), "f100");
}

TEST_F(ShellTreeInputTest, TheListAndTheComboFollowTheTreeAndLeadItBack) {
  TshSystemTreeView* T = TreeOver({"eins", "zwei/drei"});
  std::ofstream(Base + "/zwei/brief.txt") << "x";
  T->SetReadDelay(0);
  T->SetBounds(0, 0, 180, 260);
  auto* List = new TshSystemListView(Form);
  List->SetBounds(185, 0, 200, 260);
  List->SetParent(Form);
  auto* Combo = new TshSystemComboBox(Form);
  Combo->SetBounds(0, 262, 385, 22);
  Combo->SetParent(Form);
  T->SetListView(List);
  T->SetComboBox(Combo);
  T->SetSelection(Base + "/zwei");
  Pump();
  EXPECT_EQ(List->Items()->CommaText(), "drei,brief.txt") << "folders first";
  EXPECT_EQ(Combo->Items()->CommaText(), "base,zwei");
  if (const char* Dir = getenv("TREE_PNG_DIR")) {
    HeadlessSavePng(Form->Handle(), String(Dir) + "/shell_tree_list_combo.png");
    Combo->SetFocus();
    PressKey(VK_F4);
    HeadlessSavePng(Combo->ListBox()->Handle(), String(Dir) + "/shell_combo_open.png");
    PressKey(VK_ESCAPE);
  }
  // Enter on a folder of the list selects it in the tree; Backspace goes up.
  List->SetFocus();
  List->SetItemIndex(0);
  PressKey(VK_RETURN);
  EXPECT_EQ(T->GetSelection(), Base + "/zwei/drei");
  EXPECT_EQ(Combo->Items()->Count(), 3);
  PressKey(VK_BACK);
  EXPECT_EQ(List->Directory(), Base + "/zwei");
  std::ofstream(Base + "/zwei/neu.txt") << "x";
  EXPECT_TRUE(WaitFor([&] { return List->Items()->IndexOf("neu.txt") >= 0; })) << "the watcher tells the list";
  Combo->SetFocus();
  PressKey(VK_UP);
  EXPECT_EQ(T->GetSelection(), Base) << "the combo's upper row";
  List->Free();
  Combo->Free();
  EXPECT_EQ(T->ListView(), nullptr);
  EXPECT_EQ(T->ComboBox(), nullptr);
}

}  // namespace
