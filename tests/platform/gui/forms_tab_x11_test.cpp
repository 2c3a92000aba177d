// The focus keys of a form on the real X server (Xvfb in CI), typed
// through the server (XTest): Tab and Shift+Tab walk three edits, a grid
// and two buttons in tab order, skipping a hidden edit and a control
// without tab stop; a grid with goTabs keeps Tab for its columns; Return
// still reaches the form's key preview, where the program's forms answer
// it. Skipped without a display (or XTest).
#include <X11/keysym.h>

#include "platform/gui/grids.h"
#include "platform/gui/stdctrls_edit.h"
#include "x11_form_fixture.h"

namespace {

class FormTabX11Test : public X11FormTest {
 protected:
  // Three edits, a hidden edit, a grid, a control without tab stop and
  // two buttons, in that creation (tab) order.
  void MakeForm() {
    Form = NewPlacedForm(200, 200, 400, 300);
    Form->SetKeyPreview(true);
    Form->OnKeyPress = [this](TObject*, char32_t& Key) { Pressed.push_back(Key); };
    for (int I = 0; I < 3; ++I) Edits.push_back(Add(new TEdit(Form), 10, 10 + 30 * I, 120, 22));
    Add(new TEdit(Form), 140, 10, 120, 22)->SetVisible(false);
    Grid = Add(new TCustomGrid(Form), 10, 110, 250, 100);
    Grid->SetColCount(4);
    Grid->SetRowCount(4);
    Add(new TCustomControl(Form), 270, 110, 60, 30)->SetTabStop(false);
    for (int I = 0; I < 2; ++I) Buttons.push_back(Add(new TCustomControl(Form), 10 + 90 * I, 230, 80, 26));
    Form->Show();
  }
  template <class C>
  C* Add(C* Control, int L, int T, int W, int H) {
    Control->SetBounds(L, T, W, H);
    Control->SetParent(Form);
    Control->SetTabStop(true);
    return Control;
  }
  // Taps Keysym (with Shift held) and waits for the focus to reach Want.
  bool TabTo(TWinControl* Want, bool Shift = false, unsigned long Keysym = XK_Tab) {
    if (Shift) Probe.Key(XK_Shift_L, true);
    Probe.TapKey(Keysym);
    if (Shift) Probe.Key(XK_Shift_L, false);
    return PumpUntil([&] { return Want->Focused() && Form->ActiveControl() == Want; });
  }

  TForm* Form = nullptr;
  std::vector<TWinControl*> Edits, Buttons;
  TCustomGrid* Grid = nullptr;
  std::vector<char32_t> Pressed;
};

TEST_F(FormTabX11Test, TabAndShiftTabWalkTheTabOrderAndAGridWithTabsKeepsTheKey) {
  MakeForm();
  ASSERT_TRUE(ShownOnServer(Form));
  TPoint InFirst = Edits[0]->ClientToScreen({20, 10});
  Probe.Click(InFirst.X, InFirst.Y);
  ASSERT_TRUE(PumpUntil([&] { return Edits[0]->Focused(); }));

  // Forward through every tab stop and around, then backwards.
  for (TWinControl* Next : {Edits[1], Edits[2], static_cast<TWinControl*>(Grid), Buttons[0], Buttons[1], Edits[0]})
    ASSERT_TRUE(TabTo(Next)) << "Tab did not reach control " << Next->TabOrder();
  EXPECT_EQ(Edits[0]->Text(), "") << "Tab typed no character";
  for (TWinControl* Prev : {Buttons[1], Buttons[0], static_cast<TWinControl*>(Grid), Edits[2]})
    ASSERT_TRUE(TabTo(Prev, true)) << "Shift+Tab did not reach control " << Prev->TabOrder();

  // A grid with goTabs moves between its columns and keeps the focus.
  ASSERT_TRUE(TabTo(Grid));
  TGridOptions O = Grid->Options();
  O.Include(goTabs);
  Grid->SetOptions(O);
  Integer Col = Grid->Col();
  Probe.TapKey(XK_Tab);
  ASSERT_TRUE(PumpUntil([&] { return Grid->Col() == Col + 1; }));
  EXPECT_TRUE(Grid->Focused());

  // Return goes on to the form's key preview (the forms' default button).
  Probe.TapKey(XK_Return);
  ASSERT_TRUE(PumpUntil([&] { return !Pressed.empty(); }));
  EXPECT_EQ(Pressed.back(), U'\r');
}

}  // namespace
