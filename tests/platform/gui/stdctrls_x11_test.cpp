// A form with an edit and a list box on a real X server (Xvfb in CI),
// driven by pointer and keys sent through the server (XTest): the state
// after typing and choosing, and the screen compared pixel for pixel with
// the headless rendering after the same input. Skipped when no display
// (or no XTest) is available.
#include <X11/keysym.h>

#include "platform/gui/stdctrls.h"
#include "x11_form_fixture.h"

namespace {

constexpr int kFormLeft = 160, kFormTop = 140;
const TRect kEdit = Bounds(10, 10, 140, 21), kList = Bounds(10, 40, 140, 100);

class StdCtrlsX11Test : public X11FormTest {
 protected:
  // The form: an edit above a list of five rows.
  TForm* MakeForm() {
    TForm* F = NewPlacedForm(kFormLeft, kFormTop, 170, 160);
    auto* E = new TEdit(F);
    E->SetBoundsRect(kEdit);
    E->SetParent(F);
    auto* L = new TListBox(F);
    L->SetBoundsRect(kList);
    L->SetParent(F);
    for (const char* S : {"eins", "zwei", "drei", "vier", "fünf"}) L->Items()->Add(S);
    F->Show();
    return F;
  }
  TEdit* Edit(TForm* F) { return static_cast<TEdit*>(F->Components(0)); }
  TListBox* List(TForm* F) { return static_cast<TListBox*>(F->Components(1)); }
  // A desktop point at client (X, Y) of the list.
  TPoint InList(TForm* F, int X, int Y) { return List(F)->ClientToScreen(Point(X, Y)); }
};

TEST_F(StdCtrlsX11Test, TypingAndChoosingThroughTheServerMatchesTheHeadlessScreen) {
  TForm* F = MakeForm();
  unsigned long Win = X11WindowOfHandle(F->Handle());
  ASSERT_NE(Win, 0u);
  ASSERT_TRUE(PumpUntil([&] { return Probe.Viewable(Win); }));
  Settle();

  Probe.Click(kFormLeft + kEdit.Left + 20, kFormTop + kEdit.Top + 8);
  ASSERT_TRUE(PumpUntil([&] { return Edit(F)->Focused(); }));
  for (unsigned long Key : {XK_h, XK_a, XK_l, XK_l, XK_o}) Probe.TapKey(Key);
  ASSERT_TRUE(PumpUntil([&] { return Edit(F)->Text() == "hallo"; }));
  Integer H = List(F)->ItemHeight();
  TPoint Row = InList(F, 30, 2 * H + H / 2);
  Probe.Click(Row.X, Row.Y);
  ASSERT_TRUE(PumpUntil([&] { return List(F)->ItemIndex() == 2; }));
  Probe.TapKey(XK_Down);
  ASSERT_TRUE(PumpUntil([&] { return List(F)->ItemIndex() == 3; }));
  Settle();
  int W = 0, Ht = 0;
  std::vector<TColorRef> Screen = Probe.Grab(Win, W, Ht);
  ASSERT_EQ(W, 170);
  ASSERT_EQ(Ht, 160);

  // The same input on the in-memory desktop.
  X11 = SetGuiDriver(NewHeadlessDriver());
  TForm* G = MakeForm();
  Pump();
  HeadlessClick(kFormLeft + kEdit.Left + 20, kFormTop + kEdit.Top + 8);
  HeadlessType("hallo");
  Pump();
  TPoint RowH = InList(G, 30, 2 * H + H / 2);
  HeadlessClick(RowH.X, RowH.Y);
  Pump();
  HeadlessKey(VK_DOWN);
  Pump();
  ASSERT_EQ(Edit(G)->Text(), "hallo");
  ASSERT_EQ(List(G)->ItemIndex(), 3);
  TPixelSurface S = HeadlessSurface(G->Handle());
  int Differ = 0;
  for (int Y = 0; Y < Ht; ++Y)
    for (int X = 0; X < W; ++X) Differ += Screen[size_t(Y) * W + X] != S.Get(X, Y);
  EXPECT_EQ(Differ, 0) << "pixels that differ from the headless rendering";
}

}  // namespace
