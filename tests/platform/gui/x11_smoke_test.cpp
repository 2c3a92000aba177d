// Smoke test of the whole visual class library on a real X server (Xvfb in
// CI): a form shown as an X window, a click sent through the server
// (XTest) changing the form's state, and the screen compared pixel for
// pixel with the headless rendering of the same form after the same click.
// Skipped when no display (or no XTest) is available.
#include "x11_form_fixture.h"

namespace {

// A box that turns green where it is pressed and remembers where.
class TClickBox : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  int Clicks = 0;
  TPoint At{};

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(Clicks ? clLime : clRed);
    Canvas()->FillRect(ClientRect());
    Canvas()->TextOut(4, 4, "Abgleich");
  }
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    ++Clicks, At = {X, Y};
    Invalidate();
  }
};

constexpr int kFormLeft = 140, kFormTop = 120;
const TRect kBoxInForm = Bounds(20, 30, 90, 40);

class X11SmokeTest : public X11FormTest {
 protected:
  // The form of the test: a box on a plain form at a fixed place.
  TForm* MakeForm() {
    TForm* f = NewPlacedForm(kFormLeft, kFormTop, 220, 110);
    auto* box = new TClickBox(f);
    box->SetBoundsRect(kBoxInForm);
    box->SetParent(f);
    f->Show();
    return f;
  }
  TClickBox* Box(TForm* F) { return static_cast<TClickBox*>(F->Controls(0)); }
};

TEST_F(X11SmokeTest, ClickThroughTheServerReachesTheFormAndTheScreenMatchesHeadless) {
  TForm* onScreen = MakeForm();
  unsigned long win = X11WindowOfHandle(onScreen->Handle());
  ASSERT_NE(win, 0u);
  ASSERT_TRUE(PumpUntil([&] { return Probe.Viewable(win); }));
  Settle();
  EXPECT_EQ(Probe.Geometry(win), Bounds(kFormLeft, kFormTop, 220, 110));

  Probe.Click(kFormLeft + kBoxInForm.Left + 7, kFormTop + kBoxInForm.Top + 5);
  ASSERT_TRUE(PumpUntil([&] { return Box(onScreen)->Clicks == 1; }));
  EXPECT_EQ(Box(onScreen)->At, (TPoint{7, 5}));
  Settle();
  int w = 0, h = 0;
  std::vector<TColorRef> screen = Probe.Grab(win, w, h);
  ASSERT_EQ(w, 220);
  ASSERT_EQ(h, 110);
  EXPECT_EQ(screen[size_t(kBoxInForm.Top + 30) * w + kBoxInForm.Left + 50], 0x0000FF00u) << "the pressed box is green";

  // The same form after the same click on the in-memory desktop.
  X11 = SetGuiDriver(NewHeadlessDriver());
  TForm* headless = MakeForm();
  Pump();
  HeadlessClick(kFormLeft + kBoxInForm.Left + 7, kFormTop + kBoxInForm.Top + 5);
  Pump();
  ASSERT_EQ(Box(headless)->Clicks, 1);
  TPixelSurface s = HeadlessSurface(headless->Handle());
  ASSERT_EQ(s.Width, 220);
  int differ = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) differ += screen[size_t(y) * w + x] != s.Get(x, y);
  EXPECT_EQ(differ, 0) << "pixels that differ from the headless rendering";
}

TEST_F(X11SmokeTest, DesktopCloseButtonClosesTheForm) {
  TForm* f = MakeForm();
  unsigned long win = X11WindowOfHandle(f->Handle());
  ASSERT_TRUE(PumpUntil([&] { return Probe.Viewable(win); }));
  Probe.RequestClose(win);
  EXPECT_TRUE(PumpUntil([&] { return !f->Visible(); }));
  EXPECT_TRUE(PumpUntil([&] { return !Probe.Viewable(win); }));
}

}  // namespace
