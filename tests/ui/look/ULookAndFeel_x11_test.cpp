// The popup parent on a real X server: a dialog created while the main
// form is shown is transient for it and stays above it when the user
// clicks the main form; without the look engine's patches the click
// brings the main form over the dialog. Skipped without a display.
#include <algorithm>

#include "foundation/UFormHook.h"
#include "platform/gui/x11_form_fixture.h"
#include "ui/look/ULookAndFeel.h"

namespace {

class PopupParentX11 : public X11FormTest {
 protected:
  void TearDown() override {
    ULookAndFeelDone();
    ResetFormHookForTesting();
    Application->SetMainForm(nullptr);
    X11FormTest::TearDown();
  }
  TForm* ShownDialogForm(int Left, int Top, bool Main) {
    auto* F = new TForm(nullptr, 0);
    Forms.emplace_back(F);
    F->AfterConstruction();
    F->SetPosition(poDesigned);
    F->SetBorderStyle(bsDialog);
    F->SetBounds(Left, Top, 300, 200);
    if (Main) Application->SetMainForm(F);
    F->Show();
    return F;
  }
  // Shows the main form and a dialog over it, then clicks the main form
  // where the dialog does not cover it and waits until the click has made
  // the main form active.
  void ClickMainBesideDialog() {
    TForm* Main = ShownDialogForm(100, 100, true);
    MainWin = X11WindowOfHandle(Main->Handle());
    ASSERT_TRUE(PumpUntil([&] { return Probe.Viewable(MainWin); }));
    TForm* Dialog = ShownDialogForm(250, 150, false);
    DialogWin = X11WindowOfHandle(Dialog->Handle());
    ASSERT_TRUE(PumpUntil([&] { return Probe.Viewable(DialogWin); }));
    Settle();
    Probe.Click(120, 160);
    ASSERT_TRUE(PumpUntil([&] { return Screen->ActiveCustomForm() == Main; }));
    Settle();
    Owner = Probe.Property(DialogWin, "WM_TRANSIENT_FOR");
  }
  // True when the dialog is above the main form on the server.
  bool DialogAbove() {
    auto Order = Probe.StackingOrder();
    auto At = [&](unsigned long W) { return std::find(Order.begin(), Order.end(), W) - Order.begin(); };
    return At(DialogWin) > At(MainWin);
  }
  unsigned long MainWin = 0;
  unsigned long DialogWin = 0;
  String Owner;
};

TEST_F(PopupParentX11, WithoutThePatchTheMainFormComesOverTheDialog) {
  ClickMainBesideDialog();
  EXPECT_TRUE(PumpUntil([&] { return !DialogAbove(); }));
  EXPECT_TRUE(Owner.empty());
}

TEST_F(PopupParentX11, WithThePatchTheDialogStaysAboveItsOwner) {
  ULookAndFeelInit();
  ClickMainBesideDialog();
  // The click has been handled and the requests it made have reached the
  // server: the order is final.
  EXPECT_TRUE(DialogAbove());
  ASSERT_EQ(Owner.size(), sizeof(long));
  EXPECT_EQ(*reinterpret_cast<const unsigned long*>(Owner.data()), MainWin);
}

}  // namespace
