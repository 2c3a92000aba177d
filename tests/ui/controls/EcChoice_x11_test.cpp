// A form with a validating edit, its drop button and a drop-down list on a
// real X server (Xvfb in CI), driven through the server (XTest): typing,
// the button, picking from the list, and leaving with an empty value that
// brings the error balloon. The form and the balloon are compared pixel
// for pixel with the headless rendering after the same input. Skipped
// without a display (or XTest).
#include <X11/keysym.h>

#include "platform/gui/x11_form_fixture.h"
#include "platform/rtl/clock.h"
#include "ui/controls/EcChoice.h"

namespace {

constexpr int kFormLeft = 200, kFormTop = 160;
const TRect kEdit = Bounds(10, 10, 150, 22), kOther = Bounds(10, 80, 150, 22);

// The scene: the edit with a drop button at its right end that opens the
// list below it; picking a row puts its text into the edit.
struct TScene {
  TForm* Form = nullptr;
  TEcParentEdit* Edit = nullptr;
  TEcParentEdit* Other = nullptr;
  TEcPopupListBox* List = nullptr;
  std::unique_ptr<TI_EditButtons> Buttons;
};

class ChoiceX11Test : public X11FormTest {
 protected:
  void SetUp() override {
    X11FormTest::SetUp();
    UseClock = std::make_unique<TClockOverride>(std::make_shared<TFakeClock>());
  }
  void TearDown() override {
    Scenes.clear();
    X11FormTest::TearDown();
    UseClock.reset();
  }
  TScene& MakeScene() {
    auto S = std::make_unique<TScene>();
    S->Form = NewPlacedForm(kFormLeft, kFormTop, 180, 120);
    S->Form->SetColor(clBtnFace);
    S->Edit = Put(S->Form, kEdit);
    S->Other = Put(S->Form, kOther);
    TEcParentEdit* E = S->Edit;
    E->CanEmpty = false;
    E->OnGetErrorHint = [](TObject*, Integer, String& Text) { Text = "Bitte einen Wert wählen"; };
    E->Perform(EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(1, 18));
    S->List = new TEcPopupListBox(E);
    for (const char* T : {"eins", "zwei", "drei"}) S->List->Items()->Add(T);
    S->List->SetPlacement(1);
    TEcPopupListBox* L = S->List;
    L->OnClick = [E, L](TObject*) {
      E->SetText(L->Items()->Strings(L->ItemIndex()));
      E->SetSelStart(Integer(E->Text().size()));
      L->HidePopup();
    };
    S->Buttons = std::make_unique<TI_EditButtons>(E);
    S->Buttons->Subclass();
    TI_EditButton* B = S->Buttons->Add();
    B->Left = E->ClientWidth() - 17, B->Top = 0, B->Width = 17, B->Height = E->ClientHeight();
    B->ButtonStyle = 0;
    B->OnClick = [E, L](TObject*) {
      L->SetPlacementRect(Bounds(0, 0, E->Width(), 0));
      L->Popup();
    };
    S->Form->Show();
    Scenes.push_back(std::move(S));
    return *Scenes.back();
  }
  static TEcParentEdit* Put(TForm* F, TRect R) {
    auto* E = new TEcParentEdit(F);
    E->SetBoundsRect(R);
    E->SetParent(F);
    return E;
  }
  static TPoint At(TControl* C, int X, int Y) { return C->ClientToScreen({X, Y}); }
  // Pixels of the window that differ, within Shape.
  static int Differ(const std::vector<TColorRef>& Screen, int W, int H, HWND Headless, const TRegion* Shape) {
    TPixelSurface S = HeadlessSurface(Headless);
    int N = 0;
    for (int Y = 0; Y < H; ++Y)
      for (int X = 0; X < W; ++X)
        if (Shape->Contains(X, Y)) N += Screen[size_t(Y) * W + X] != S.Get(X, Y);
    return N;
  }

  std::unique_ptr<TClockOverride> UseClock;
  std::vector<std::unique_ptr<TScene>> Scenes;
};

TEST_F(ChoiceX11Test, TypingPickingAndLeavingEmptyMatchTheHeadlessScreen) {
  TScene& S = MakeScene();
  unsigned long Win = X11WindowOfHandle(S.Form->Handle());
  ASSERT_NE(Win, 0u);
  ASSERT_TRUE(PumpUntil([&] { return Probe.Viewable(Win); }));
  Settle();

  TPoint InEdit = At(S.Edit, 20, 8), OnButton = At(S.Edit, S.Edit->ClientWidth() - 8, 8);
  Probe.Click(InEdit.X, InEdit.Y);
  ASSERT_TRUE(PumpUntil([&] { return S.Edit->Focused(); }));
  for (unsigned long Key : {XK_a, XK_b}) Probe.TapKey(Key);
  ASSERT_TRUE(PumpUntil([&] { return S.Edit->Text() == "ab"; }));
  Probe.Click(OnButton.X, OnButton.Y);
  ASSERT_TRUE(PumpUntil([&] { return S.List->PopupShowing() && Probe.Viewable(X11WindowOfHandle(S.List->Handle())); }));
  Settle();
  Integer RowH = S.List->ItemHeight();
  TPoint Row = At(S.List, 20, 2 * RowH + RowH / 2);
  Probe.Click(Row.X, Row.Y);
  ASSERT_TRUE(PumpUntil([&] { return S.Edit->Text() == "drei" && !S.List->PopupShowing(); }));
  EXPECT_TRUE(S.Edit->Focused());
  for (int I = 0; I < 4; ++I) Probe.TapKey(XK_BackSpace);
  ASSERT_TRUE(PumpUntil([&] { return S.Edit->Text().empty(); }));
  TPoint InOther = At(S.Other, 20, 8);
  Probe.Click(InOther.X, InOther.Y);
  ASSERT_TRUE(PumpUntil([&] { return TEcCustomEdit::ErrorBalloon() != nullptr; }));
  TEcMessageWindow* B = TEcCustomEdit::ErrorBalloon();
  unsigned long BalloonWin = X11WindowOfHandle(B->Handle());
  ASSERT_TRUE(PumpUntil([&] { return Probe.Viewable(BalloonWin); }));
  EXPECT_TRUE(S.Edit->Focused());
  Settle();
  int W = 0, H = 0, BW = 0, BH = 0;
  std::vector<TColorRef> Screen = Probe.Grab(Win, W, H);
  std::vector<TColorRef> Balloon = Probe.Grab(BalloonWin, BW, BH);
  ASSERT_EQ(W, 180);
  ASSERT_EQ(BW, B->Width());
  TRegion Shape = B->BalloonRegion();
  // Where the balloon covers the form the server keeps no pixels of the
  // form: those are compared in the balloon's own picture.
  TRect Covered = B->BoundsRect();
  OffsetRect(Covered, -kFormLeft, -kFormTop);
  TRegion FormPart = TRegion(Rect(0, 0, W, H)).Subtract(TRegion(Covered));

  // The same input on the in-memory desktop.
  X11 = SetGuiDriver(NewHeadlessDriver());
  TScene& T = MakeScene();
  Pump();
  HeadlessClick(InEdit.X, InEdit.Y);
  HeadlessType("ab");
  Pump();
  HeadlessClick(OnButton.X, OnButton.Y);
  Pump();
  ASSERT_TRUE(T.List->PopupShowing());
  HeadlessClick(Row.X, Row.Y);
  Pump();
  ASSERT_EQ(T.Edit->Text(), "drei");
  for (int I = 0; I < 4; ++I) HeadlessKey(VK_BACK);
  Pump();
  HeadlessClick(InOther.X, InOther.Y);
  Pump();
  ASSERT_NE(TEcCustomEdit::ErrorBalloon(), nullptr);
  EXPECT_EQ(TEcCustomEdit::ErrorBalloonOwner(), T.Edit);
  EXPECT_EQ(Differ(Screen, W, H, T.Form->Handle(), &FormPart), 0) << "form pixels that differ";
  EXPECT_EQ(Differ(Balloon, BW, BH, TEcCustomEdit::ErrorBalloon()->Handle(), &Shape), 0)
      << "balloon pixels that differ";
  if (const char* Dir = getenv("EDIT_PNG_DIR")) {
    TBitmap X;
    X.SetSize(W, H);
    for (int Y = 0; Y < H; ++Y)
      for (int I = 0; I < W; ++I) X.PixelSurface().Set(I, Y, Screen[size_t(Y) * W + I]);
    X.SavePng(String(Dir) + "/choice_form_x11.png");
    HeadlessSavePng(T.Form->Handle(), String(Dir) + "/choice_form.png");
    HeadlessSavePng(TEcCustomEdit::ErrorBalloon()->Handle(), String(Dir) + "/choice_balloon.png");
  }
}

}  // namespace
