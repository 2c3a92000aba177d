// The folder tree as a user drives it: keys while the selected folder
// changes, finding a folder by typing its name, check boxes, the right
// button's menu with its verbs, autoscroll, and the linked list and combo.
#include <sys/stat.h>

#include "platform/gui/menus.h"
#include "platform/gui/stdctrls.h"
#include "platform/os/process.h"
#include "shell_tree_fixture.h"
#include "ui/controls/ItemProp.h"

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
    T->SetSelected(T->Items()->GetFirstNode());
    T->SetFocus();
    Pump();
    return T;
  }
  // The desktop point in the middle of Node's label.
  static TPoint OnLabel(TshSystemTreeView* T, TTreeNode* Node) {
    TRect R = Node->DisplayRect(true);
    return T->ClientToScreen(Point((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2));
  }
  void RightClick(TPoint P) { HeadlessClick(P.X, P.Y, 1); }
  static String SelectedText(TshSystemTreeView* T) { return T->Selected() ? T->Selected()->Text() : "(none)"; }

  std::string Base;
};

TEST_F(ShellTreeInputTest, KeysMoveOnWhileTheSelectedFolderChangesAndRightEntersAnOpenNode) {
  TshSystemTreeView* T = TreeOver({"alpha", "beta", "gamma"});
  TTreeNode* Top = T->Selected();
  ASSERT_TRUE(Top->Expanded());
  PressKey(VK_RIGHT);
  EXPECT_EQ(SelectedText(T), "alpha") << "Right on an open node goes to its first child";
  PressKey(VK_LEFT);
  EXPECT_EQ(T->Selected(), Top);
  // The watcher of the base folder runs once the read delay has passed.
  Clock->Advance(T->ReadDelay());
  ASSERT_TRUE(WaitFor([&] { return T->WatchedFolder() == Base; }));
  PressKey(VK_DOWN);
  ASSERT_EQ(SelectedText(T), "alpha");
  // The base folder changes before the selection's own watcher starts:
  // the refresh keeps the selected child.
  fs::create_directories(Base + "/delta");
  ASSERT_TRUE(WaitFor([&] { return Child(Top, "delta") != nullptr; }));
  EXPECT_EQ(SelectedText(T), "alpha");
  PressKey(VK_DOWN);
  EXPECT_EQ(SelectedText(T), "beta");
  // A closed node opens with Right and is entered with the next Right.
  MakeDir("base/beta/inner");
  T->RefreshNode(Top);
  PressKey(VK_RIGHT);
  EXPECT_TRUE(T->Selected()->Expanded());
  PressKey(VK_RIGHT);
  EXPECT_EQ(SelectedText(T), "inner");
}

TEST_F(ShellTreeInputTest, TypingANameFindsTheFolderAndTheSameLetterStepsOn) {
  TshSystemTreeView* T = TreeOver({"alpha", "beta", "bravo", "Berta", "charlie"});
  HeadlessType("br");
  Pump();
  EXPECT_EQ(SelectedText(T), "bravo");
  Clock->Advance(2000);  // a pause starts a new name
  HeadlessType("c");
  Pump();
  EXPECT_EQ(SelectedText(T), "charlie");
  Clock->Advance(2000);
  HeadlessType("bbb");
  Pump();
  // After charlie, wrapping: the root "base", then Berta, then beta.
  EXPECT_EQ(SelectedText(T), "beta");
  Clock->Advance(2000);
  HeadlessType("x");
  Pump();
  EXPECT_EQ(SelectedText(T), "beta") << "no match keeps the selection";
}

TEST_F(ShellTreeInputTest, CheckBoxesToggleBySpaceAndClickOnceEachAndSurviveARefresh) {
  TshSystemTreeView* T = TreeOver({"eins", "zwei"});
  T->SetCheckboxes(true);
  Pump();
  T->SetFocus();
  std::vector<String> Events;
  T->OnCheckChange = [&](TObject*, TTreeNode* N) { Events.push_back(N->Text()); };
  TTreeNode* Top = T->Items()->GetFirstNode();
  T->SetSelected(Child(Top, "eins"));
  PressKey(VK_SPACE);
  EXPECT_EQ(Events, std::vector<String>{"eins"});
  EXPECT_TRUE(T->Checked(T->Selected()));
  // A click on the box of another row checks it (and selects it).
  TTreeNode* Zwei = Child(Top, "zwei");
  TRect R = Zwei->DisplayRect(true);
  TPoint Box = T->ClientToScreen(Point(R.Left - ShellSmallImages()->Width() - 2 - 8, (R.Top + R.Bottom) / 2));
  HeadlessClick(Box.X, Box.Y);
  Pump();
  EXPECT_EQ(Events, (std::vector<String>{"eins", "zwei"}));
  EXPECT_EQ(T->CheckedPaths(), (std::vector<String>{Base + "/eins", Base + "/zwei"}));
  PressKey(VK_SPACE);
  EXPECT_EQ(T->CheckedPaths(), std::vector<String>{Base + "/eins"});
  T->RebuildTree();
  EXPECT_EQ(T->CheckedPaths(), std::vector<String>{Base + "/eins"});
  Pump();
  // The box is drawn: dark tick pixels inside the checked row's box only.
  auto Dark = [&](TTreeNode* N) {
    TRect L = N->DisplayRect(true);
    TPixelSurface S = HeadlessSurface(Form->Handle());
    TPoint O = T->ClientOrigin();
    TPoint F = Form->ClientOrigin();
    int Count = 0;
    for (int X = L.Left - 36; X < L.Left - 20; ++X)
      for (int Y = L.Top; Y < L.Bottom; ++Y)
        if (S.Get(O.X - F.X + X + (Form->Width() - Form->ClientWidth()) / 2, O.Y - F.Y + Y) == RGB(0, 0, 0)) ++Count;
    return Count;
  };
  Top = T->Items()->GetFirstNode();
  if (const char* Dir = getenv("TREE_PNG_DIR")) HeadlessSavePng(Form->Handle(), String(Dir) + "/shell_tree_checks.png");
  EXPECT_GT(Dark(Child(Top, "eins")), 6);
  EXPECT_EQ(Dark(Child(Top, "zwei")), 0);
}

TEST_F(ShellTreeInputTest, TheRightButtonSelectsAndItsMenuMakesAFolderRefreshesAndShowsProperties) {
  TshSystemTreeView* T = TreeOver({"eins", "zwei"});
  TTreeNode* Top = T->Items()->GetFirstNode();
  std::vector<String> Shown;
  T->ShellMenu()->OnPopup = [&](TObject*) {
    for (Integer K = 0; K < T->ShellMenu()->Items()->Count(); ++K)
      Shown.push_back(T->ShellMenu()->Items()->Items(K)->Caption());
  };
  // "n" chooses "Neuer Ordner" in the menu the click opens.
  RightClick(OnLabel(T, Child(Top, "zwei")));
  HeadlessType("n");
  Pump();
  EXPECT_EQ(Shown, (std::vector<String>{"Ö&ffnen", "&Neuer Ordner", "&Aktualisieren", "-", "&Eigenschaften"}))
      << "a read-only tree offers no renaming";
  EXPECT_TRUE(fs::is_directory(Base + "/zwei/Neuer Ordner"));
  ASSERT_EQ(SelectedText(T), "Neuer Ordner");
  EXPECT_EQ(T->Selected()->Parent()->Text(), "zwei");
  // A second one gets a number.
  RightClick(OnLabel(T, Child(Top, "zwei")));
  HeadlessType("n");
  Pump();
  EXPECT_EQ(SelectedText(T), "Neuer Ordner (2)");
  // Properties: path, size and rights of the folder under the mouse.
  std::ofstream(Base + "/eins/a.txt") << "12345";
  Answers().AnswerWith("Eigenschaften von eins", mrOk, "Größe: 5 Bytes in 1 Datei");
  RightClick(OnLabel(T, Child(Top, "eins")));
  HeadlessType("e");
  Pump();
  EXPECT_EQ(SelectedText(T), "eins");
  EXPECT_NE(ItemPropertiesText(Base + "/eins").find("Rechte: rwx"), String::npos);
  // "Aktualisieren" shows what appeared meanwhile.
  MakeDir("base/eins/neu");
  RightClick(OnLabel(T, Child(Top, "eins")));
  HeadlessType("a");
  Pump();
  T->Selected()->Expand(false);
  EXPECT_NE(Child(T->Selected(), "neu"), nullptr);
  // Where the tree may be edited, the menu renames too.
  T->SetReadOnly(false);
  RightClick(OnLabel(T, Child(Top, "eins")));
  HeadlessType("u");
  Pump();
  EXPECT_TRUE(T->IsEditing());
  HeadlessKey(VK_ESCAPE);
  Pump();
  EXPECT_FALSE(T->IsEditing());
}

TEST_F(ShellTreeInputTest, OpenGoesToTheFileManagerAndTheOwnMenuFollowsAsPopupMenuMethodSays) {
  TshSystemTreeView* T = TreeOver({"eins"});
  std::string Bin = Folder + "/bin";
  fs::create_directories(Bin);
  std::ofstream(Bin + "/xdg-open") << "#!/bin/sh\n";
  fs::permissions(Bin + "/xdg-open", fs::perms::owner_all);
  ScopedEnv Path("PATH", Bin);
  std::vector<std::vector<String>> Started;
  TProcessLauncher Before = SetProcessLauncher([&](const TLaunchRequest& R, TProcessHandle&) {
    Started.push_back(R.Argv);
    return DWORD(0);
  });
  auto* Own = new TPopupMenu(Form);
  auto* Mine = new TMenuItem(Own);
  Mine->SetCaption("&Zählen");
  int Counted = 0;
  Mine->OnClick = [&](TObject*) { ++Counted; };
  Own->Items()->Add(Mine);
  T->SetPopupMenu(Own);
  TTreeNode* Eins = Child(T->Items()->GetFirstNode(), "eins");
  RightClick(OnLabel(T, Eins));
  HeadlessType("f");
  Pump();
  ASSERT_EQ(Started.size(), 1u);
  EXPECT_EQ(Started[0], (std::vector<String>{"xdg-open", Base + "/eins"}));
  RightClick(OnLabel(T, Eins));
  HeadlessType("z");
  HeadlessKey(VK_ESCAPE);
  Pump();
  EXPECT_EQ(Counted, 0) << "pmmContext does not offer the own menu";
  T->SetPopupMenuMethod(pmmContextUser);
  RightClick(OnLabel(T, Eins));
  HeadlessType("z");
  Pump();
  EXPECT_EQ(Counted, 1);
  T->SetPopupMenuMethod(pmmUser);
  RightClick(OnLabel(T, Eins));
  HeadlessType("z");
  Pump();
  EXPECT_EQ(Counted, 2);
  T->SetPopupMenuMethod(pmmNone);
  RightClick(OnLabel(T, Eins));
  HeadlessType("z");
  Pump();
  EXPECT_EQ(Counted, 2);
  SetProcessLauncher(Before);
}

TEST_F(ShellTreeInputTest, AutoscrollMovesOneLineNearAnEdgeAndGoesOnWhileTheMouseStays) {
  static const std::vector<std::string> Names = [] {
    std::vector<std::string> N;
    for (int K = 0; K < 40; ++K) N.push_back("f" + std::to_string(100 + K));
    return N;
  }();
  TshSystemTreeView* T = TreeOver({});
  for (const std::string& N : Names) MakeDir("base/" + N);
  T->RefreshNode(T->Items()->GetFirstNode());
  T->Items()->GetFirstNode()->Expand(false);
  T->SetTopItem(T->Items()->GetFirstNode());
  TPoint Low = T->ClientToScreen(Point(60, T->ClientHeight() - 3));
  HeadlessMouseMove(Low.X, Low.Y);
  Pump();
  EXPECT_EQ(T->TopItem(), T->Items()->GetFirstNode()) << "off by default";
  T->SetAutoscroll(true);
  HeadlessMouseMove(Low.X, Low.Y - 1);
  Pump();
  EXPECT_EQ(T->TopItem()->Text(), "f100");
  Clock->Advance(100);
  Pump();
  EXPECT_EQ(T->TopItem()->Text(), "f101");
  TPoint Mid = T->ClientToScreen(Point(60, T->ClientHeight() / 2));
  HeadlessMouseMove(Mid.X, Mid.Y);
  Pump();
  Clock->Advance(100);
  Pump();
  EXPECT_EQ(T->TopItem()->Text(), "f101") << "away from the edge it stops";
  TPoint High = T->ClientToScreen(Point(60, 2));
  HeadlessMouseMove(High.X, High.Y);
  Pump();
  EXPECT_EQ(T->TopItem()->Text(), "f100");
}

TEST_F(ShellTreeInputTest, TheListAndTheComboFollowTheTreeAndLeadItBack) {
  TshSystemTreeView* T = TreeOver({"eins", "zwei"});
  MakeDir("base/zwei/drei");
  std::ofstream(Base + "/zwei/brief.txt") << "x";
  std::ofstream(Base + "/zwei/bild.png") << "x";
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
  ASSERT_EQ(List->Items()->Count(), 3);
  EXPECT_EQ(List->Items()->Get(0), "drei") << "folders first";
  EXPECT_EQ(List->PathOf(2), Base + "/zwei/brief.txt");
  ASSERT_EQ(Combo->Items()->Count(), 2);
  EXPECT_EQ(Combo->Items()->Get(1), "zwei");
  EXPECT_EQ(Combo->Directory(), Base + "/zwei");
  if (const char* Dir = getenv("TREE_PNG_DIR")) {
    HeadlessSavePng(Form->Handle(), String(Dir) + "/shell_tree_list_combo.png");
    Combo->SetFocus();
    PressKey(VK_F4);
    HeadlessSavePng(Combo->ListBox()->Handle(), String(Dir) + "/shell_combo_open.png");
    PressKey(VK_ESCAPE);
  }
  // Opening a folder of the list selects it in the tree; Backspace goes up.
  List->SetFocus();
  List->SetItemIndex(0);
  Pump();
  ASSERT_TRUE(List->Focused());
  PressKey(VK_RETURN);
  EXPECT_EQ(T->GetSelection(), Base + "/zwei/drei");
  EXPECT_EQ(List->Directory(), Base + "/zwei/drei");
  EXPECT_EQ(Combo->Items()->Count(), 3);
  PressKey(VK_BACK);
  EXPECT_EQ(T->GetSelection(), Base + "/zwei");
  // A file appears in the list when the watcher sees it.
  std::ofstream(Base + "/zwei/neu.txt") << "x";
  EXPECT_TRUE(WaitFor([&] { return List->Items()->IndexOf("neu.txt") >= 0; }));
  // Choosing the top row of the combo selects the base.
  Combo->SetFocus();
  PressKey(VK_UP);
  EXPECT_EQ(T->GetSelection(), Base);
  List->Free();
  Combo->Free();
  EXPECT_EQ(T->ListView(), nullptr);
  EXPECT_EQ(T->ComboBox(), nullptr);
}

}  // namespace
