// Window scroll bars: the state calls, showing and hiding, the strip they
// take from the client area, the messages the mouse sends, and the pixels.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gui/backend.h"
#include "platform/gui/graphics.h"
#include "platform/gui/scrollbars.h"
#include "platform/gui/wm_headless.h"

namespace {

class ScrollBarTest : public ::testing::Test {
 protected:
  static constexpr int X = 100, Y = 100, W = 200, H = 150, Bar = 17;

  void SetUp() override {
    SetGuiDriver(NewHeadlessDriver());
    Wnd = CreateWindowEx(0, "Test", "", WS_POPUP | WS_VSCROLL, X, Y, W, H, nullptr, nullptr,
                         [this](HWND Hw, UINT Msg, WPARAM Wp, LPARAM Lp) -> LRESULT {
                           if (ScrollBarMouse(Hw, Msg, Wp, Lp)) return 0;
                           if (Msg == WM_VSCROLL || Msg == WM_HSCROLL) {
                             Codes.push_back(LOWORD(Wp));
                             Positions.push_back(HIWORD(Wp));
                             return 0;
                           }
                           if (Msg == WM_PAINT) {
                             PAINTSTRUCT Ps;
                             TCanvas* C = BeginPaint(Hw, Ps);
                             C->Brush()->SetColor(clWhite);
                             C->FillRect(ScrollBarClientRect(Hw));
                             PaintScrollBars(Hw, *C);
                             EndPaint(Hw, Ps);
                             return 0;
                           }
                           return DefWindowProc(Hw, Msg, Wp, Lp);
                         });
    ShowWindow(Wnd, SW_SHOW);
    SetRange(0, 100, 10);
    Pump();
  }
  void TearDown() override {
    ForgetScrollBars(Wnd);
    DestroyWindow(Wnd);
  }
  void SetRange(int Min, int Max, UINT Page) {
    SCROLLINFO I;
    I.fMask = SIF_RANGE | SIF_PAGE;
    I.nMin = Min;
    I.nMax = Max;
    I.nPage = Page;
    SetScrollInfo(Wnd, SB_VERT, I, true);
  }
  void Pump() {
    MSG M;
    while (PeekMessage(M, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(M);
  }
  void Input(std::function<void()> E) {
    Headless().Queue(std::move(E));
    Pump();
  }
  void Press(int Cx, int Cy) { Input([=] { TDesktopInput::MouseButton(0, true, {X + Cx, Y + Cy}); }); }
  void MoveTo(int Cx, int Cy) { Input([=] { TDesktopInput::MouseMove({X + Cx, Y + Cy}); }); }
  void Release(int Cx, int Cy) { Input([=] { TDesktopInput::MouseButton(0, false, {X + Cx, Y + Cy}); }); }
  void Click(int Cx, int Cy) {
    MoveTo(Cx, Cy);
    Press(Cx, Cy);
    Release(Cx, Cy);
  }

  HWND Wnd = nullptr;
  std::vector<int> Codes, Positions;
};

TEST_F(ScrollBarTest, PositionIsKeptWithinTheRangeLessThePage) {
  EXPECT_EQ(SetScrollPos(Wnd, SB_VERT, 500, false), 0);
  EXPECT_EQ(GetScrollPos(Wnd, SB_VERT), 91);
  SetScrollPos(Wnd, SB_VERT, -5, false);
  EXPECT_EQ(GetScrollPos(Wnd, SB_VERT), 0);
  SCROLLINFO I;
  I.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(Wnd, SB_VERT, I));
  EXPECT_EQ(I.nMax, 100);
  EXPECT_EQ(I.nPage, 10u);
}

TEST_F(ScrollBarTest, ShownBarsTakeTheirStripFromTheClientArea) {
  EXPECT_EQ(ScrollBarClientRect(Wnd), Rect(0, 0, W - Bar, H));
  EXPECT_EQ(ScrollBarRect(Wnd, SB_VERT), Rect(W - Bar, 0, W, H));
  ShowScrollBar(Wnd, SB_HORZ, true);
  EXPECT_EQ(ScrollBarClientRect(Wnd), Rect(0, 0, W - Bar, H - Bar));
  EXPECT_EQ(ScrollBarRect(Wnd, SB_HORZ), Rect(0, H - Bar, W - Bar, H));
  ShowScrollBar(Wnd, SB_BOTH, false);
  EXPECT_EQ(ScrollBarClientRect(Wnd), Rect(0, 0, W, H));
  EXPECT_EQ(GetWindowLong(Wnd, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), 0);
}

TEST_F(ScrollBarTest, ArrowsAndTrackSendTheirCodes) {
  Click(W - 8, 5);
  Click(W - 8, H - 5);
  Click(W - 8, H / 2);
  EXPECT_EQ(Codes, (std::vector<int>{SB_LINEUP, SB_ENDSCROLL, SB_LINEDOWN, SB_ENDSCROLL, SB_PAGEDOWN, SB_ENDSCROLL}));
}

TEST_F(ScrollBarTest, DraggingTheThumbTracksAndEndsWithItsPosition) {
  // The thumb starts right below the up arrow.
  MoveTo(W - 8, Bar + 3);
  Press(W - 8, Bar + 3);
  MoveTo(W - 8, H);
  Release(W - 8, H);
  ASSERT_GE(Codes.size(), 3u);
  EXPECT_EQ(Codes.front(), SB_THUMBTRACK);
  EXPECT_EQ(Codes[Codes.size() - 2], SB_THUMBPOSITION);
  EXPECT_EQ(Positions[Positions.size() - 2], 91) << "the end of the range";
  EXPECT_EQ(Codes.back(), SB_ENDSCROLL);
}

TEST_F(ScrollBarTest, ThumbIsDrawnWhereThePositionSays) {
  TPixelSurface S = HeadlessSurface(Wnd);
  // Thumb at the top: the track below it has the scroll-bar colour.
  EXPECT_EQ(S.Get(W - 8, Bar + 5), ColorToRGB(clBtnFace));
  EXPECT_EQ(S.Get(W - 8, H - Bar - 5), ColorToRGB(clScrollBar));
  SetScrollPos(Wnd, SB_VERT, 91, true);
  S = HeadlessSurface(Wnd);
  EXPECT_EQ(S.Get(W - 8, H - Bar - 5), ColorToRGB(clBtnFace));
  EXPECT_EQ(S.Get(W - 8, Bar + 5), ColorToRGB(clScrollBar));
}

TEST_F(ScrollBarTest, NoRangeMeansNoThumbAndNoMessages) {
  SetRange(0, 5, 10);
  Click(W - 8, H / 2);
  Click(W - 8, 5);
  EXPECT_EQ(Codes, (std::vector<int>{SB_ENDSCROLL, SB_ENDSCROLL}));
}

}  // namespace
