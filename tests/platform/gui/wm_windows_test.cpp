// Window records: creation and destruction messages, the tree, z-order,
// coordinates and the windows under a point.
#include "wm_fixture.h"

using Strings = std::vector<std::string>;

class WmWindowsTest : public WmTest {};

TEST_F(WmWindowsTest, CreationSendsCreateSizeAndMoveBeforeReturning) {
  LogOnly({WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE});
  HWND f = Form("F", Bounds(10, 20, 100, 50));
  EXPECT_TRUE(IsWindow(f));
  EXPECT_EQ(TakeLog(), (Strings{"F:WM_NCCREATE", "F:WM_CREATE", "F:WM_SIZE", "F:WM_MOVE"}));
}

TEST_F(WmWindowsTest, CreateAnsweredWithMinusOneGivesNoWindow) {
  auto win = std::make_shared<TWin>();
  HWND h = CreateWindowEx(0, "TTest", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                          [](HWND W, UINT M, WPARAM P, LPARAM L) -> LRESULT {
                            return M == WM_CREATE ? -1 : DefWindowProc(W, M, P, L);
                          });
  EXPECT_EQ(h, nullptr);
}

TEST_F(WmWindowsTest, ChildStyleWithoutParentIsRefused) {
  EXPECT_THROW(CreateWindowEx(0, "TTest", "", WS_CHILD, 0, 0, 10, 10, nullptr, nullptr, nullptr),
               EInvalidOperation);
}

TEST_F(WmWindowsTest, DestroyGoesParentFirstThenNcDestroyChildrenFirst) {
  HWND f = Form("F", Bounds(0, 0, 100, 100));
  HWND c = Child("C", f, Bounds(0, 0, 10, 10));
  LogOnly({WM_DESTROY, WM_NCDESTROY});
  EXPECT_TRUE(DestroyWindow(f));
  EXPECT_EQ(TakeLog(), (Strings{"F:WM_DESTROY", "C:WM_DESTROY", "C:WM_NCDESTROY", "F:WM_NCDESTROY"}));
  EXPECT_FALSE(IsWindow(f));
  EXPECT_FALSE(IsWindow(c));
  EXPECT_FALSE(DestroyWindow(f));
}

TEST_F(WmWindowsTest, OwnedWindowsAreDestroyedWithTheirOwner) {
  HWND owner = Form("Owner", Bounds(0, 0, 100, 100));
  HWND dlg = Form("Dlg", Bounds(10, 10, 50, 50), clWhite, WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, owner);
  EXPECT_EQ(GetWindow(dlg, GW_OWNER), owner);
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(dlg));
}

TEST_F(WmWindowsTest, HandlesAreNeverReused) {
  HWND a = Form("A", Bounds(0, 0, 10, 10));
  DestroyWindow(a);
  HWND b = Form("B", Bounds(0, 0, 10, 10));
  EXPECT_NE(a, b);
  EXPECT_FALSE(IsWindow(a));
}

TEST_F(WmWindowsTest, NewChildrenGoOnTopAndZOrderCanChange) {
  HWND f = Form("F", Bounds(0, 0, 100, 100));
  HWND a = Child("A", f, Bounds(0, 0, 10, 10));
  HWND b = Child("B", f, Bounds(0, 0, 10, 10));
  EXPECT_EQ(GetWindow(f, GW_CHILD), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), a);
  SetWindowPos(b, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(f, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDLAST), b);
  EXPECT_TRUE(IsChild(f, a));
  EXPECT_EQ(GetParent(a), f);
}

TEST_F(WmWindowsTest, ClientAreaLeavesOutTheBorderOfChildWindows) {
  HWND f = Form("F", Bounds(100, 50, 200, 200));
  HWND c = Child("C", f, Bounds(10, 20, 50, 40), clWhite, WS_CHILD | WS_VISIBLE | WS_BORDER, WS_EX_CLIENTEDGE);
  EXPECT_EQ(GetClientRect(c), Rect(0, 0, 44, 34));
  EXPECT_EQ(GetWindowRect(c), Rect(110, 70, 160, 110));
  EXPECT_EQ(ClientToScreen(c, Point(0, 0)), Point(113, 73));
  EXPECT_EQ(ScreenToClient(c, Point(113, 73)), Point(0, 0));
  EXPECT_EQ(GetClientRect(f), Rect(0, 0, 200, 200));
}

TEST_F(WmWindowsTest, WindowFromPointFindsTheDeepestVisibleWindow) {
  HWND f = Form("F", Bounds(100, 100, 200, 200));
  HWND panel = Child("P", f, Bounds(10, 10, 100, 100));
  HWND button = Child("B", panel, Bounds(5, 5, 20, 20));
  HWND hidden = Child("H", panel, Bounds(50, 50, 20, 20), clWhite, WS_CHILD);
  EXPECT_EQ(WindowFromPoint(Point(116, 116)), button);
  EXPECT_EQ(WindowFromPoint(Point(161, 161)), panel);
  EXPECT_EQ(WindowFromPoint(Point(250, 250)), f);
  EXPECT_EQ(WindowFromPoint(Point(5, 5)), nullptr);
  EXPECT_EQ(ChildWindowFromPoint(panel, Point(55, 55)), hidden);
  EXPECT_EQ(ChildWindowFromPoint(f, Point(199, 199)), f);
}

TEST_F(WmWindowsTest, SetWindowPosReportsChangesAndMovesTheWindow) {
  HWND f = Form("F", Bounds(0, 0, 100, 100));
  HWND c = Child("C", f, Bounds(0, 0, 10, 10));
  LogOnly({WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE});
  MoveWindow(c, 5, 6, 30, 40, true);
  EXPECT_EQ(TakeLog(), (Strings{"C:WM_WINDOWPOSCHANGING", "C:WM_WINDOWPOSCHANGED", "C:WM_MOVE", "C:WM_SIZE"}));
  EXPECT_EQ(GetWindowRect(c), Rect(5, 6, 35, 46));
  SetWindowPos(c, nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(TakeLog(), (Strings{"C:WM_WINDOWPOSCHANGING", "C:WM_WINDOWPOSCHANGED"}));
}

TEST_F(WmWindowsTest, PositionChangingMayBeCorrectedByTheProcedure) {
  HWND f = Form("F", Bounds(0, 0, 100, 100));
  On(f, [](UINT M, WPARAM, LPARAM L, LRESULT&) {
    if (M == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(L)->cx = 150;
    return false;
  });
  MoveWindow(f, 0, 0, 300, 80, true);
  EXPECT_EQ(GetWindowRect(f), Rect(0, 0, 150, 80));
  EXPECT_EQ(HeadlessSurface(f).Width, 150);
}

TEST_F(WmWindowsTest, TextStylesAndLongsAreKept) {
  HWND f = Form("F", Bounds(0, 0, 10, 10));
  SetWindowText(f, "Mobile Daten-Syncronisation");
  EXPECT_EQ(GetWindowText(f), "Mobile Daten-Syncronisation");
  SetWindowLong(f, GWL_USERDATA, 42);
  EXPECT_EQ(GetWindowLong(f, GWL_USERDATA), 42);
  EXPECT_TRUE(GetWindowLong(f, GWL_STYLE) & WS_VISIBLE);
  EXPECT_EQ(GetClassName(f), "TTest");
  EXPECT_EQ(FindWindow("ttest", "Mobile Daten-Syncronisation"), f);
  EXPECT_EQ(FindWindow("TTest", "Nothing"), nullptr);
  String text;
  SendMessage(f, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(&text));
  EXPECT_EQ(text, "Mobile Daten-Syncronisation");
}

TEST_F(WmWindowsTest, ReplacedProcedureGetsTheMessagesAndCanChainToTheOld) {
  HWND f = Form("F", Bounds(0, 0, 10, 10));
  auto seen = std::make_shared<int>(0);
  TWndProc old = GetWindowProc(f);
  TWndProc prev = SetWindowProc(f, [old, seen](HWND W, UINT M, WPARAM P, LPARAM L) {
    if (M == WM_USER) ++*seen;
    return old(W, M, P, L);
  });
  ASSERT_TRUE(prev);
  LogOnly({WM_USER});
  SendMessage(f, WM_USER);
  EXPECT_EQ(*seen, 1);
  EXPECT_TRUE(Logged("F:WM_USER"));
}

TEST_F(WmWindowsTest, VisibilityFollowsTheAncestors) {
  HWND f = Form("F", Bounds(0, 0, 100, 100));
  HWND c = Child("C", f, Bounds(0, 0, 10, 10));
  EXPECT_TRUE(IsWindowVisible(c));
  ShowWindow(f, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(c));
  EXPECT_TRUE(GetWindowLong(c, GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(ShowWindow(f, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(c));
}

TEST_F(WmWindowsTest, ReparentingMovesAChildBetweenWindows) {
  HWND a = Form("A", Bounds(0, 0, 100, 100));
  HWND b = Form("B", Bounds(200, 0, 100, 100));
  HWND c = Child("C", a, Bounds(5, 5, 10, 10));
  EXPECT_EQ(SetParent(c, b), a);
  EXPECT_TRUE(IsChild(b, c));
  EXPECT_FALSE(IsChild(a, c));
  EXPECT_EQ(GetWindowRect(c), Rect(205, 5, 215, 15));
}

TEST_F(WmWindowsTest, FrameChangeAfterAStyleChangeResizesTheClientArea) {
  HWND f = Form("F", Bounds(0, 0, 100, 100));
  HWND c = Child("C", f, Bounds(0, 0, 50, 50));
  SetWindowLong(c, GWL_EXSTYLE, WS_EX_CLIENTEDGE);
  LogOnly({WM_SIZE});
  SetWindowPos(c, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  EXPECT_EQ(TakeLog(), Strings{"C:WM_SIZE"});
  EXPECT_EQ(GetClientRect(c), Rect(0, 0, 46, 46));
}

TEST_F(WmWindowsTest, MaximisingFillsTheWorkAreaAndRestoringGoesBack) {
  HeadlessSetMonitors({TMonitorInfo{Rect(0, 0, 800, 600), Rect(0, 0, 800, 560), true}});
  HWND f = Form("F", Bounds(10, 20, 100, 50));
  ShowWindow(f, SW_SHOWMAXIMIZED);
  EXPECT_EQ(GetWindowRect(f), Rect(0, 0, 800, 560));
  EXPECT_TRUE(GetWindowLong(f, GWL_STYLE) & WS_MAXIMIZE);
  ShowWindow(f, SW_RESTORE);
  EXPECT_EQ(GetWindowRect(f), Rect(10, 20, 110, 70));
  EXPECT_FALSE(GetWindowLong(f, GWL_STYLE) & WS_MAXIMIZE);
}

TEST_F(WmWindowsTest, DestroyingHidesQuietly) {
  HWND f = Form("F", Bounds(0, 0, 10, 10));
  LogOnly({WM_SHOWWINDOW, WM_DESTROY});
  DestroyWindow(f);
  EXPECT_EQ(TakeLog(), Strings{"F:WM_DESTROY"});
}

TEST_F(WmWindowsTest, EnumerationVisitsTheThreadsFormsAndAllChildren) {
  HWND a = Form("A", Bounds(0, 0, 50, 50));
  HWND b = Form("B", Bounds(0, 0, 50, 50));
  HWND p = Child("P", a, Bounds(0, 0, 20, 20));
  HWND q = Child("Q", p, Bounds(0, 0, 5, 5));
  std::vector<HWND> tops, kids;
  EnumThreadWindows(GetCurrentThreadId(), [&](HWND W) { return tops.push_back(W), true; });
  EnumChildWindows(a, [&](HWND W) { return kids.push_back(W), true; });
  EXPECT_EQ(tops, (std::vector<HWND>{b, a}));
  EXPECT_EQ(kids, (std::vector<HWND>{p, q}));
}

TEST_F(WmWindowsTest, PointsMapBetweenWindows) {
  HWND f = Form("F", Bounds(100, 100, 200, 200));
  HWND c = Child("C", f, Bounds(10, 20, 50, 50));
  TPoint pts[2] = {{0, 0}, {5, 5}};
  MapWindowPoints(c, f, pts, 2);
  EXPECT_EQ(pts[0], Point(10, 20));
  EXPECT_EQ(pts[1], Point(15, 25));
  MapWindowPoints(f, nullptr, pts, 1);
  EXPECT_EQ(pts[0], Point(110, 120));
}
