// A choice edit near the bottom of the screen on a real X server (Xvfb in
// CI), driven through the server (XTest): a click on its button opens the
// list above the edit, a click on a row takes it. The form and the open
// list are compared pixel for pixel with the headless rendering after the
// same input. Skipped without a display (or XTest).
#include "platform/gui/x11_form_fixture.h"
#include "platform/rtl/clock.h"
#include "ui/controls/EcChoice.h"

namespace {

constexpr int kFormLeft = 300, kFormWidth = 200, kFormHeight = 40;

struct TComboScene {
  TForm* Form = nullptr;
  TEcComboBox* Combo = nullptr;
};

class ComboX11Test : public X11FormTest {
 protected:
  void SetUp() override {
    X11FormTest::SetUp();
    UseClock = std::make_unique<TClockOverride>(std::make_shared<TFakeClock>());
  }
  void TearDown() override {
    X11FormTest::TearDown();
    UseClock.reset();
  }
  // The form sits 10 pixels above the screen's bottom edge.
  TComboScene MakeScene() {
    TComboScene S;
    S.Form = NewPlacedForm(kFormLeft, Screen->Height() - kFormHeight - 10, kFormWidth, kFormHeight);
    S.Form->SetColor(clBtnFace);
    S.Combo = new TEcComboBox(S.Form);
    S.Combo->SetBounds(10, 9, 170, 22);
    S.Combo->SetDrawStyle(fsFlat);
    S.Combo->SetEmptyText("Eingabe");
    S.Combo->SetParent(S.Form);
    for (const char* T : {"Aachen", "Berlin", "Bern", "Bonn", "Dresden"}) S.Combo->Items()->Add(T);
    S.Form->Show();
    return S;
  }
  static TPoint At(TControl* C, int X, int Y) { return C->ClientToScreen({X, Y}); }
  // Clicks into the text, then on the button, and waits for the list to show.
  bool OpenByMouse(TComboScene& S) {
    TPoint InEdit = At(S.Combo, 30, 10), OnButton = At(S.Combo, S.Combo->Width() - 10, 10);
    Probe.Click(InEdit.X, InEdit.Y);
    if (!PumpUntil([&] { return S.Combo->Focused(); })) return false;
    Probe.Click(OnButton.X, OnButton.Y);
    if (!PumpUntil([&] { return S.Combo->DroppedDown(); })) return false;
    return PumpUntil([&] { return Probe.Viewable(X11WindowOfHandle(S.Combo->DropDownList()->Handle())); });
  }
  // Pixels that differ, outside Covered (window coordinates).
  static int Differ(const std::vector<TColorRef>& Shot, int W, int H, HWND Headless, TRect Covered = TRect{}) {
    TPixelSurface S = HeadlessSurface(Headless);
    int N = 0;
    for (int Y = 0; Y < H; ++Y)
      for (int X = 0; X < W; ++X) N += !PtInRect(Covered, {X, Y}) && Shot[size_t(Y) * W + X] != S.Get(X, Y);
    return N;
  }
  std::unique_ptr<TClockOverride> UseClock;
};

TEST_F(ComboX11Test, NearTheScreensBottomTheListOpensAboveAndMatchesTheHeadlessScreen) {
  TComboScene S = MakeScene();
  unsigned long Win = X11WindowOfHandle(S.Form->Handle());
  ASSERT_NE(Win, 0u);
  ASSERT_TRUE(ShownOnServer(S.Form));
  TPoint InEdit = At(S.Combo, 30, 10), OnButton = At(S.Combo, S.Combo->Width() - 10, 10);
  ASSERT_TRUE(OpenByMouse(S));
  TEcPopupListBox* L = S.Combo->DropDownList();
  unsigned long ListWin = X11WindowOfHandle(L->Handle());
  EXPECT_EQ(L->PlacementResult(), 1);
  EXPECT_EQ(L->BoundsRect().Bottom, At(S.Combo, 0, 0).Y);
  Settle();
  int W = 0, H = 0, LW = 0, LH = 0;
  std::vector<TColorRef> Form = Probe.Grab(Win, W, H);
  std::vector<TColorRef> List = Probe.Grab(ListWin, LW, LH);
  ASSERT_EQ(W, kFormWidth);
  ASSERT_EQ(LW, L->Width());
  Integer RowH = L->ItemHeight();
  TPoint Row = At(L, 20, 3 * RowH + RowH / 2);
  Probe.Click(Row.X, Row.Y);
  ASSERT_TRUE(PumpUntil([&] { return !S.Combo->DroppedDown(); }));
  EXPECT_EQ(S.Combo->Text(), "Bonn");
  EXPECT_EQ(S.Combo->ItemIndex(), 3);

  // The same input on the in-memory desktop.
  X11 = SetGuiDriver(NewHeadlessDriver());
  TComboScene T = MakeScene();
  Pump();
  HeadlessClick(InEdit.X, InEdit.Y);
  Pump();
  HeadlessClick(OnButton.X, OnButton.Y);
  Pump();
  ASSERT_TRUE(T.Combo->DroppedDown());
  // The server keeps no pixels of the form where the list covers it.
  TRect Covered = T.Combo->DropDownList()->BoundsRect();
  OffsetRect(Covered, -T.Form->Left(), -T.Form->Top());
  EXPECT_EQ(Differ(Form, W, H, T.Form->Handle(), Covered), 0) << "form pixels that differ";
  EXPECT_EQ(Differ(List, LW, LH, T.Combo->DropDownList()->Handle()), 0) << "list pixels that differ";
  SaveShot(Form, W, H, "combo_form_x11.png");
  SaveShot(List, LW, LH, "combo_list_x11.png");
  if (const char* Dir = getenv("EDIT_PNG_DIR")) HeadlessSavePng(T.Form->Handle(), String(Dir) + "/combo_form.png");
  HeadlessClick(Row.X, Row.Y);
  Pump();
  EXPECT_EQ(T.Combo->Text(), "Bonn");
}


// The cursor is the I-beam over the text and the arrow over the button; a
// press on the form's background closes the open list without taking a
// row; a drop-down list's face shows the arrow too.
TEST_F(ComboX11Test, APressOnTheFormsBackgroundClosesTheOpenListAndTheButtonShowsTheArrow) {
  TComboScene S = MakeScene();
  ASSERT_TRUE(ShownOnServer(S.Form));
  auto CursorAt = [&](TPoint P, HCURSOR Want) {
    Probe.MoveMouse(P.X, P.Y);
    return PumpUntil([&] { return GetCursor() == Want; });
  };
  TPoint InEdit = At(S.Combo, 30, 10);
  EXPECT_TRUE(CursorAt(InEdit, IDC_IBEAM));
  EXPECT_TRUE(CursorAt(At(S.Combo, S.Combo->Width() - 10, 10), IDC_ARROW));
  ASSERT_TRUE(OpenByMouse(S));
  Settle();
  SaveShown(S.Form->Handle(), "combo_open_form_x11.png");
  SaveShown(S.Combo->DropDownList()->Handle(), "combo_open_list_x11.png");
  TPoint Background = At(S.Form, kFormWidth - 8, kFormHeight - 4);
  Probe.Click(Background.X, Background.Y);
  ASSERT_TRUE(PumpUntil([&] { return !S.Combo->DroppedDown(); }));
  EXPECT_EQ(S.Combo->ItemIndex(), -1);
  S.Combo->SetStyle(csDropDownList);
  EXPECT_TRUE(CursorAt({InEdit.X + 5, InEdit.Y}, IDC_ARROW));
}

}  // namespace
