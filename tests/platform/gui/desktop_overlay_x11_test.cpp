// The desktop overlay on a real X server (Xvfb in CI): a rubber frame
// drawn on the desktop shows the same pixels as on the headless desktop,
// lets a click through to the form below, and goes when drawn again.
#include "overlay_fixture.h"
#include "x11_form_fixture.h"

namespace {

class DesktopOverlayX11Test : public X11FormTest {
 protected:
  void TearDown() override {
    ClearDesktopOverlay();
    X11FormTest::TearDown();
  }
};

TEST_F(DesktopOverlayX11Test, FrameOnTheDesktopMatchesTheHeadlessOneAndLetsClicksThrough) {
  TForm* F = NewPlacedForm(300, 200, 200, 150);
  int Clicks = 0;
  F->OnClick = [&](TObject*) { ++Clicks; };
  F->Show();
  unsigned long Win = X11WindowOfHandle(F->Handle());
  ASSERT_TRUE(PumpUntil([&] { return Probe.Viewable(Win); }));
  Settle();
  const TRect Frame = Bounds(320, 220, 80, 50);
  InvertDesktopFrame(Frame);
  HWND O = DesktopOverlayWindow();
  ASSERT_NE(O, nullptr);
  unsigned long OverlayWin = X11WindowOfHandle(O);
  ASSERT_TRUE(PumpUntil([&] { return Probe.Viewable(OverlayWin); }));
  Settle();
  int W = 0, H = 0;
  std::vector<TColorRef> Screen = Probe.Grab(OverlayWin, W, H);
  ASSERT_GT(W, Frame.Right);
  Probe.Click(Frame.Left, Frame.Top + 10);  // on the frame: the form gets it
  ASSERT_TRUE(PumpUntil([&] { return Clicks == 1; }));
  InvertDesktopFrame(Frame);
  EXPECT_EQ(DesktopOverlayWindow(), nullptr);

  X11 = SetGuiDriver(NewHeadlessDriver());
  InvertDesktopFrame(Frame);
  TPixelSurface S = HeadlessSurface(DesktopOverlayWindow());
  int Differ = 0, Drawn = 0;
  for (int Y = Frame.Top; Y < Frame.Bottom; ++Y)
    for (int X = Frame.Left; X < Frame.Right; ++X) {
      bool OnFrame = X < Frame.Left + 2 || Y < Frame.Top + 2 || X >= Frame.Right - 2 || Y >= Frame.Bottom - 2;
      if (!OnFrame) continue;
      ++Drawn;
      Differ += Screen[size_t(Y) * W + X] != S.Get(X, Y);
    }
  EXPECT_GT(Drawn, 0);
  EXPECT_EQ(Differ, 0);
  EXPECT_EQ(S.Get(Frame.Left, Frame.Top), 0x999999u);
}

}  // namespace
