// The folder tree's right button on a real X server (Xvfb in CI), driven
// through the server (XTest): the click selects the folder under it and
// opens the shell menu, whose "Neuer Ordner" makes a folder that the tree
// then shows and selects. Skipped without a display (or XTest).
#include <X11/keysym.h>

#include "platform/gui/menus.h"
#include "platform/gui/x11_form_fixture.h"
#include "shell_tree_fixture.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFormLeft = 220, kFormTop = 180;

class ShellTreeX11Test : public X11FormTest {
 protected:
  void SetUp() override {
    X11FormTest::SetUp();
    if (IsSkipped()) return;
    Temp = std::make_unique<TempDir>("shell_tree_x11_");
    Shell = std::make_unique<TShellTestEnv>(Temp->Path());
    Home = Shell->Home;
    fs::create_directories(Home + "/base/eins");
    fs::create_directories(Home + "/base/zwei");
  }
  void TearDown() override {
    X11FormTest::TearDown();
    Shell.reset();
    Temp.reset();
  }

  std::unique_ptr<TempDir> Temp;
  std::unique_ptr<TShellTestEnv> Shell;
  std::string Home;
};

TEST_F(ShellTreeX11Test, ARightClickSelectsTheFolderAndItsMenuMakesANewFolder) {
  TForm* F = NewPlacedForm(kFormLeft, kFormTop, 260, 200);
  auto* T = new TshSystemTreeView(F);
  T->SetBounds(0, 0, 260, 200);
  T->SetReadOnly(true);
  T->SetParent(F);
  T->SetRootFolder(rfCustom);
  T->SetCustomDir(Home + "/base");
  F->Show();
  ASSERT_TRUE(ShownOnServer(F));
  TTreeNode* Zwei = T->Items()->GetFirstNode()->Item(1);
  ASSERT_EQ(Zwei->Text(), "zwei");
  ASSERT_NE(T->Selected(), Zwei);

  // While the menu runs its own loop, a timer looks at it: once it shows
  // it is photographed and "n" is typed to choose "Neuer Ordner".
  String SelectedAtPopup;
  T->ShellMenu()->OnPopup = [&](TObject*) { SelectedAtPopup = T->Selected() ? T->Selected()->Text() : ""; };
  std::vector<TColorRef> Menu;
  int MW = 0, MH = 0, Ticks = 0;
  std::uintptr_t Timer = SetTimer(nullptr, 0, 30, [&](HWND, UINT, std::uintptr_t Id, DWORD) {
    HWND Captured = GetCapture();
    if (!T->ShellMenu()->Showing() || !Captured || !Probe.Viewable(X11WindowOfHandle(Captured))) return;
    if (++Ticks < 4) return;  // painted and shown by the server
    KillTimer(nullptr, Id);
    Menu = Probe.Grab(X11WindowOfHandle(Captured), MW, MH);
    Probe.TapKey(XK_n);
  });
  TRect L = Zwei->DisplayRect(true);
  TPoint At = T->ClientToScreen(Point((L.Left + L.Right) / 2, (L.Top + L.Bottom) / 2));
  Probe.Click(At.X, At.Y, 3);
  ASSERT_TRUE(PumpUntil([&] { return T->Selected() && T->Selected()->Text() == "Neuer Ordner"; }));
  KillTimer(nullptr, Timer);
  EXPECT_EQ(SelectedAtPopup, "zwei") << "the right click selects the folder under it first";
  EXPECT_TRUE(fs::is_directory(Home + "/base/zwei/Neuer Ordner"));
  EXPECT_EQ(T->Selected()->Parent(), Zwei);
  ASSERT_GT(MW, 60);
  ASSERT_GT(MH, 5 * 12) << "five items and a line";
  SaveShot(Menu, MW, MH, "shell_tree_menu_x11.png", "TREE_PNG_DIR");
}

}  // namespace
