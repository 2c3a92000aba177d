// The desktop overlay: exclusive-or drawing on the desktop shows in a
// shaped, top-most window that lets clicks through, and drawing the same
// again takes it away.
#include "overlay_fixture.h"

#include "wm_fixture.h"

namespace {

class DesktopOverlayTest : public WmTest {
 protected:
  void TearDown() override {
    ClearDesktopOverlay();
    WmTest::TearDown();
  }
};

TEST_F(DesktopOverlayTest, InvertedFrameShowsAboveWindows) {
  HWND F = Form("F", Bounds(100, 100, 200, 150));
  ProcessMessages();
  InvertDesktopFrame(Bounds(150, 120, 60, 40));
  HWND O = DesktopOverlayWindow();
  ASSERT_NE(O, nullptr);
  EXPECT_EQ(GetWindowRect(O), Rect(0, 0, 1280, 1024));
  TPixelSurface S = HeadlessSurface(O);
  EXPECT_EQ(S.Get(150, 120), 0x999999u);
  EXPECT_EQ(S.Get(151, 121), 0x999999u);
  EXPECT_EQ(WindowFromPoint({151, 130}), O);     // on the frame
  EXPECT_EQ(WindowFromPoint({170, 140}), F);     // inside it: the form
  LogOnly({WM_LBUTTONDOWN});
  HeadlessClick(150, 120);                       // clicks go through the frame
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"F:WM_LBUTTONDOWN"}));
}

TEST_F(DesktopOverlayTest, SameFrameDrawnTwiceLeavesNothing) {
  InvertDesktopFrame(Bounds(10, 10, 50, 50));
  ASSERT_NE(DesktopOverlayWindow(), nullptr);
  InvertDesktopFrame(Bounds(12, 10, 50, 50));  // a moved frame: old and new at once
  ASSERT_NE(DesktopOverlayWindow(), nullptr);
  InvertDesktopFrame(Bounds(10, 10, 50, 50));
  InvertDesktopFrame(Bounds(12, 10, 50, 50));
  EXPECT_EQ(DesktopOverlayWindow(), nullptr);
}

TEST_F(DesktopOverlayTest, DesktopCanvasUsesDesktopCoordinatesOnEveryMonitor) {
  HeadlessSetMonitors({{Rect(0, 0, 800, 600), Rect(0, 0, 800, 600), true},
                       {Rect(-640, 0, 0, 480), Rect(-640, 0, 0, 480), false}});
  InvertDesktopFrame(Bounds(-100, 50, 20, 20));
  HWND O = DesktopOverlayWindow();
  ASSERT_NE(O, nullptr);
  EXPECT_EQ(GetWindowRect(O), Rect(-640, 0, 800, 600));
  EXPECT_EQ(HeadlessSurface(O).Get(540, 50), 0x999999u);
  EXPECT_TRUE(IsDesktopDC(GetWindowDC(nullptr)));
  ReleaseDC(nullptr, GetDC(nullptr));
}

}  // namespace
