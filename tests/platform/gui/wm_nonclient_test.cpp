// Non-client areas: the client rectangle comes from WM_NCCALCSIZE, the
// frame is painted on WM_NCPAINT and input over it arrives as WM_NC*
// messages, for child and top-level windows alike.
#include "platform/gui/scrollbars.h"
#include "platform/gui/wm_fixture.h"

namespace {

class NonClientTest : public WmTest {
 protected:
  // Gives Wnd a frame of the given insets, painted in FrameColour, with
  // the hit-test answer Hit over it; the frame is asked for at once.
  void Frame(HWND Wnd, TRect Insets, TColor FrameColour, int Hit = HTBORDER) {
    On(Wnd, [=](UINT M, WPARAM, LPARAM LP, LRESULT& R) {
      if (M == WM_NCCALCSIZE) {
        TRect& c = reinterpret_cast<NCCALCSIZE_PARAMS*>(LP)->rgrc[0];
        c.Left += Insets.Left, c.Top += Insets.Top, c.Right -= Insets.Right, c.Bottom -= Insets.Bottom;
        R = 0;
        return true;
      }
      if (M == WM_NCPAINT) {
        TCanvas* dc = GetWindowDC(Wnd);
        TRect w = GetWindowRect(Wnd);
        dc->Brush()->SetColor(FrameColour);
        dc->FillRect(Rect(0, 0, w.Width(), w.Height()));
        ReleaseDC(Wnd, dc);
        return true;
      }
      if (M == WM_NCHITTEST) {
        R = DefWindowProc(Wnd, M, 0, LP);
        if (R == HTBORDER) R = Hit;
        return true;
      }
      return false;
    });
    SetWindowPos(Wnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  }
};

TEST_F(NonClientTest, ChildClientAreaComesFromItsProcedure) {
  HWND top = Form("top", Bounds(100, 100, 200, 150));
  HWND child = Child("child", top, Bounds(10, 20, 60, 40), clBlue);
  Frame(child, Rect(3, 3, 3, 3), clRed);
  EXPECT_EQ(GetClientRect(child), Rect(0, 0, 54, 34));
  EXPECT_EQ(ClientToScreen(child, {0, 0}), (TPoint{113, 123}));
  ProcessMessages();
  EXPECT_EQ(At(top, 10, 20), clRed);
  EXPECT_EQ(At(top, 12, 22), clRed);
  EXPECT_EQ(At(top, 13, 23), clBlue);
  EXPECT_EQ(At(top, 69, 59), clRed);
}

TEST_F(NonClientTest, ResizingAsksForTheClientRectangleAgain) {
  HWND top = Form("top", Bounds(100, 100, 200, 150));
  HWND child = Child("child", top, Bounds(10, 20, 60, 40));
  Frame(child, Rect(3, 3, 3, 3), clRed);
  MoveWindow(child, 10, 20, 80, 50, true);
  EXPECT_EQ(GetClientRect(child), Rect(0, 0, 74, 44));
  MoveWindow(child, 10, 20, 4, 4, true);  // smaller than its frame: an empty client area
  EXPECT_EQ(GetClientRect(child), Rect(0, 0, 0, 0));
}

TEST_F(NonClientTest, BorderStylesShapeTheDefaultFrame) {
  HWND top = Form("top", Bounds(100, 100, 200, 150));
  HWND child = Child("child", top, Bounds(10, 20, 60, 40));
  EXPECT_EQ(GetClientRect(child), Rect(0, 0, 60, 40));
  SetWindowLong(child, GWL_EXSTYLE, WS_EX_CLIENTEDGE);
  EXPECT_EQ(GetClientRect(child), Rect(0, 0, 56, 36));
  SetWindowLong(child, GWL_STYLE, GetWindowLong(child, GWL_STYLE) | WS_BORDER);
  EXPECT_EQ(GetClientRect(child), Rect(0, 0, 54, 34));
}

TEST_F(NonClientTest, TopLevelWindowGetsCaptionAndGripInsets) {
  HWND pop = Form("pop", Bounds(300, 200, 120, 100), clWhite, WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW);
  Frame(pop, Rect(2, 14, 2, 17), clNavy, HTCAPTION);
  HWND inner = Child("inner", pop, Bounds(0, 0, 20, 20), clLime);
  ProcessMessages();
  EXPECT_EQ(GetClientRect(pop), Rect(0, 0, 116, 69));
  EXPECT_EQ(ClientToScreen(pop, {0, 0}), (TPoint{302, 214}));
  EXPECT_EQ(At(pop, 50, 5), clNavy);      // caption
  EXPECT_EQ(At(pop, 50, 95), clNavy);     // grip row
  EXPECT_EQ(At(pop, 50, 50), clWhite);    // client
  EXPECT_EQ(At(pop, 2, 14), clLime);      // the child lies in the client area
  EXPECT_EQ(WindowFromPoint({310, 216}), inner);
}

TEST_F(NonClientTest, PressOnTheFrameComesAsNonClientMessage) {
  HWND pop = Form("pop", Bounds(300, 200, 120, 100), clWhite, WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW);
  Frame(pop, Rect(2, 14, 2, 17), clNavy, HTCAPTION);
  int Code = -1;
  auto Framed = Win(pop).Handler;
  On(pop, [&, Framed](UINT M, WPARAM WP, LPARAM LP, LRESULT& R) {
    if (M == WM_NCLBUTTONDOWN) Code = int(WP);
    return Framed(M, WP, LP, R);
  });
  LogOnly({WM_NCLBUTTONDOWN, WM_LBUTTONDOWN});
  HeadlessClick(350, 205);
  ProcessMessages();
  EXPECT_EQ(Code, HTCAPTION);
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"pop:WM_NCLBUTTONDOWN"}));
  HeadlessClick(350, 250);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"pop:WM_LBUTTONDOWN"}));
}

TEST_F(NonClientTest, ScrollBarsTakeTheirStripFromTheFrame) {
  HWND top = Form("top", Bounds(100, 100, 200, 150));
  HWND child = Child("child", top, Bounds(10, 10, 100, 80), clWhite, WS_CHILD | WS_VISIBLE | WS_VSCROLL);
  SetScrollRange(child, SB_VERT, 0, 100, false);
  int Code = -1;
  On(child, [&](UINT M, WPARAM WP, LPARAM, LRESULT&) {
    if (M == WM_VSCROLL && LOWORD(WP) != SB_ENDSCROLL) Code = LOWORD(WP);
    return false;
  });
  EXPECT_EQ(GetClientRect(child), Rect(0, 0, 100 - GetSystemMetrics(SM_CXVSCROLL), 80));
  EXPECT_EQ(ScrollBarRect(child, SB_VERT), Rect(83, 0, 100, 80));
  ProcessMessages();
  EXPECT_NE(At(top, 10 + 90, 10 + 40), clWhite);  // the track, painted with the frame
  HeadlessClick(100 + 10 + 90, 100 + 10 + 75);     // the down arrow
  ProcessMessages();
  EXPECT_EQ(Code, SB_LINEDOWN);
  ShowScrollBar(child, SB_VERT, false);
  EXPECT_EQ(GetClientRect(child), Rect(0, 0, 100, 80));
}

}  // namespace
