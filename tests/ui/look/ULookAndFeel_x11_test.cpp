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
  // where the dialog does not cover it; true when the dialog is still
  // above the main form on the server.
  bool DialogStaysAboveAfterClickOnMain() {
    TForm* Main = ShownDialogForm(100, 100, true);
    unsigned long MainWin = X11WindowOfHandle(Main->Handle());
    EXPECT_TRUE(PumpUntil([&] { return Probe.Viewable(MainWin); }));
    TForm* Dialog = ShownDialogForm(250, 150, false);
    unsigned long DialogWin = X11WindowOfHandle(Dialog->Handle());
    EXPECT_TRUE(PumpUntil([&] { return Probe.Viewable(DialogWin); }));
    Settle();
    Probe.Click(120, 160);
    PumpUntil([&] { return Screen->ActiveCustomForm() == Main; });
    Settle();
    auto Order = Probe.StackingOrder();
    auto At = [&](unsigned long W) { return std::find(Order.begin(), Order.end(), W) - Order.begin(); };
    Owner = Probe.Property(DialogWin, "WM_TRANSIENT_FOR");
    MainId = MainWin;
    return At(DialogWin) > At(MainWin);
  }
  String Owner;
  unsigned long MainId = 0;
};

TEST_F(PopupParentX11, WithoutThePatchTheMainFormComesOverTheDialog) {
  EXPECT_FALSE(DialogStaysAboveAfterClickOnMain());
  EXPECT_TRUE(Owner.empty());
}

TEST_F(PopupParentX11, WithThePatchTheDialogStaysAboveItsOwner) {
  ULookAndFeelInit();
  EXPECT_TRUE(DialogStaysAboveAfterClickOnMain());
  ASSERT_EQ(Owner.size(), sizeof(long));
  EXPECT_EQ(*reinterpret_cast<const unsigned long*>(Owner.data()), MainId);
}

}  // namespace
