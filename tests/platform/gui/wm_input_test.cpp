// Mouse input: routing by hit test and capture, double clicks, disabled
// and transparent windows, the wheel, the cursor, mouse leave and hooks.
#include "wm_fixture.h"

using Strings = std::vector<std::string>;

class WmInputTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    F = Form("F", Bounds(100, 100, 200, 200));
    Button = Child("Button", F, Bounds(10, 10, 50, 20));
    ProcessMessages();
    LogOnly({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_MOUSEWHEEL, WM_MOUSELEAVE,
             WM_CAPTURECHANGED});
  }
  // Records the client position of each button-down message of W.
  std::shared_ptr<std::vector<TPoint>> DownPositions(HWND W) {
    auto pts = std::make_shared<std::vector<TPoint>>();
    On(W, [pts](UINT M, WPARAM, LPARAM L, LRESULT&) {
      if (M == WM_LBUTTONDOWN) pts->push_back({GET_X_LPARAM(L), GET_Y_LPARAM(L)});
      return false;
    });
    return pts;
  }
  HWND F = nullptr, Button = nullptr;
};

TEST_F(WmInputTest, ClickGoesToTheChildUnderTheMouseInClientCoordinates) {
  auto pts = DownPositions(Button);
  HeadlessClick(115, 112);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"Button:WM_LBUTTONDOWN", "Button:WM_LBUTTONUP"}));
  ASSERT_EQ(pts->size(), 1u);
  EXPECT_EQ((*pts)[0], Point(5, 2));
}

TEST_F(WmInputTest, ClickBesideTheChildGoesToTheForm) {
  HeadlessClick(200, 200);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"F:WM_LBUTTONDOWN", "F:WM_LBUTTONUP"}));
}

TEST_F(WmInputTest, CaptureTakesTheMouseWhereverItIs) {
  SetCapture(Button);
  auto pts = DownPositions(Button);
  HeadlessClick(250, 250);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"Button:WM_LBUTTONDOWN", "Button:WM_LBUTTONUP"}));
  EXPECT_EQ((*pts)[0], Point(140, 140));
  ReleaseCapture();
  EXPECT_EQ(TakeLog(), Strings{"Button:WM_CAPTURECHANGED"});
  HeadlessClick(250, 250);
  ProcessMessages();
  EXPECT_TRUE(Logged("F:WM_LBUTTONDOWN"));
}

TEST_F(WmInputTest, TakingTheCaptureTellsThePreviousHolder) {
  SetCapture(Button);
  EXPECT_EQ(SetCapture(F), Button);
  EXPECT_EQ(TakeLog(), Strings{"Button:WM_CAPTURECHANGED"});
  EXPECT_EQ(GetCapture(), F);
}

TEST_F(WmInputTest, TwoQuickClicksMakeADoubleClick) {
  HeadlessDoubleClick(115, 112);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"Button:WM_LBUTTONDOWN", "Button:WM_LBUTTONUP", "Button:WM_LBUTTONDBLCLK",
                                "Button:WM_LBUTTONUP"}));
}

TEST_F(WmInputTest, SlowClicksStaySingle) {
  HeadlessClick(115, 112);
  ProcessMessages();
  Clock->Advance(GetDoubleClickTime() + 1);
  HeadlessClick(115, 112);
  ProcessMessages();
  EXPECT_EQ(Count("Button:WM_LBUTTONDOWN"), 2);
  EXPECT_EQ(Count("Button:WM_LBUTTONDBLCLK"), 0);
}

TEST_F(WmInputTest, DistantClicksStaySingle) {
  HeadlessClick(115, 112);
  HeadlessClick(125, 112);
  ProcessMessages();
  EXPECT_EQ(Count("Button:WM_LBUTTONDOWN"), 2);
}

TEST_F(WmInputTest, ThirdClickStartsAfresh) {
  HeadlessDoubleClick(115, 112);
  HeadlessClick(115, 112);
  ProcessMessages();
  EXPECT_EQ(Count("Button:WM_LBUTTONDBLCLK"), 1);
  EXPECT_EQ(Count("Button:WM_LBUTTONDOWN"), 2);
}

TEST_F(WmInputTest, DisabledChildLeavesTheClickToItsParent) {
  EnableWindow(Button, false);
  HeadlessClick(115, 112);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"F:WM_LBUTTONDOWN", "F:WM_LBUTTONUP"}));
}

TEST_F(WmInputTest, DisabledFormSwallowsTheClick) {
  EnableWindow(F, false);
  HeadlessClick(115, 112);
  ProcessMessages();
  EXPECT_TRUE(TakeLog().empty());
}

TEST_F(WmInputTest, TransparentHitTestLetsTheClickThroughToTheWindowBelow) {
  HWND glass = Child("Glass", F, Bounds(0, 0, 100, 100));
  On(glass, [](UINT M, WPARAM, LPARAM, LRESULT& R) {
    if (M != WM_NCHITTEST) return false;
    R = HTTRANSPARENT;
    return true;
  });
  HeadlessClick(115, 112);
  ProcessMessages();
  EXPECT_TRUE(Logged("Button:WM_LBUTTONDOWN"));
  EXPECT_FALSE(Logged("Glass:WM_LBUTTONDOWN"));
}

TEST_F(WmInputTest, WheelGoesToTheFocusWindowAndOnToItsParent) {
  SetFocus(Button);
  int delta = 0;
  On(F, [&](UINT M, WPARAM W, LPARAM, LRESULT&) {
    if (M == WM_MOUSEWHEEL) delta = std::int16_t(HIWORD(W));
    return false;
  });
  TDesktopInput::MouseWheel(-120, Point(250, 250));
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"Button:WM_MOUSEWHEEL", "F:WM_MOUSEWHEEL"}));
  EXPECT_EQ(delta, -120);
  On(F, nullptr);
}

TEST_F(WmInputTest, SetCursorIsAskedWhenTheMouseMoves) {
  LogOnly({WM_SETCURSOR});
  On(Button, [](UINT M, WPARAM, LPARAM, LRESULT& R) {
    if (M != WM_SETCURSOR) return false;
    SetCursor(IDC_HAND);
    R = 1;
    return true;
  });
  HeadlessMouseMove(115, 112);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), Strings{"Button:WM_SETCURSOR"});
  EXPECT_EQ(GetCursor(), IDC_HAND);
  HeadlessMouseMove(250, 250);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), Strings{"F:WM_SETCURSOR"});
  EXPECT_EQ(GetCursor(), IDC_ARROW);
}

TEST_F(WmInputTest, TrackedWindowHearsWhenTheMouseLeaves) {
  HeadlessMouseMove(115, 112);
  ProcessMessages();
  TrackMouseLeave(Button);
  HeadlessMouseMove(116, 112);
  ProcessMessages();
  EXPECT_TRUE(TakeLog().empty());
  HeadlessMouseMove(250, 250);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), Strings{"Button:WM_MOUSELEAVE"});
  HeadlessMouseMove(115, 112);
  HeadlessMouseMove(250, 250);
  ProcessMessages();
  EXPECT_TRUE(TakeLog().empty());
}

TEST_F(WmInputTest, TrackingAWindowTheMouseIsNotOverLeavesAtOnce) {
  HeadlessMouseMove(250, 250);
  ProcessMessages();
  TrackMouseLeave(Button);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), Strings{"Button:WM_MOUSELEAVE"});
}

TEST_F(WmInputTest, MouseHookSwallowsAClick) {
  std::vector<UINT> seen;
  Hooks.push_back(SetWindowsHookEx(WH_MOUSE, [&](int Code, WPARAM W, LPARAM L) -> LRESULT {
    auto* mh = reinterpret_cast<MOUSEHOOKSTRUCT*>(L);
    seen.push_back(UINT(W));
    EXPECT_EQ(Code, HC_ACTION);
    EXPECT_EQ(mh->pt, Point(115, 112));
    return W == WM_LBUTTONDOWN ? 1 : 0;
  }));
  HeadlessClick(115, 112);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), Strings{"Button:WM_LBUTTONUP"});
  EXPECT_NE(std::find(seen.begin(), seen.end(), UINT(WM_LBUTTONDOWN)), seen.end());
  UnhookWindowsHookEx(Hooks.back());
  Hooks.pop_back();
}

TEST_F(WmInputTest, HooksChainNewestFirst) {
  std::vector<std::string> order;
  HHOOK first = SetWindowsHookEx(WH_GETMESSAGE, [&](int, WPARAM, LPARAM) -> LRESULT {
    order.push_back("first");
    return 0;
  });
  HHOOK second = 0;
  second = SetWindowsHookEx(WH_GETMESSAGE, [&](int C, WPARAM W, LPARAM L) -> LRESULT {
    order.push_back("second");
    reinterpret_cast<MSG*>(L)->wParam = 99;
    return CallNextHookEx(second, C, W, L);
  });
  Hooks = {first, second};
  PostMessage(F, WM_USER, 1);
  MSG m;
  ASSERT_TRUE(PeekMessage(m, nullptr, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(m.wParam, 99u);
  EXPECT_EQ(order, (Strings{"second", "first"}));
  for (HHOOK h : Hooks) UnhookWindowsHookEx(h);
  Hooks.clear();
}

TEST_F(WmInputTest, RightButtonAndMouseKeysAreReported) {
  WPARAM keys = 0;
  On(F, [&](UINT M, WPARAM W, LPARAM, LRESULT&) {
    if (M == WM_RBUTTONDOWN) keys = W;
    return false;
  });
  HeadlessClick(250, 250, 1);
  ProcessMessages();
  EXPECT_TRUE(Logged("F:WM_RBUTTONDOWN"));
  EXPECT_EQ(keys, WPARAM(MK_RBUTTON));
  On(F, nullptr);
}

TEST_F(WmInputTest, KeyboardHookSwallowsAKey) {
  SetFocus(Button);
  Hooks.push_back(SetWindowsHookEx(WH_KEYBOARD, [](int, WPARAM W, LPARAM) -> LRESULT { return W == 'X'; }));
  LogOnly({WM_KEYDOWN, WM_CHAR});
  HeadlessType("xy");
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"Button:WM_KEYDOWN", "Button:WM_CHAR"}));
}

TEST_F(WmInputTest, CallWndProcHookSeesSentMessages) {
  std::vector<UINT> seen;
  Hooks.push_back(SetWindowsHookEx(WH_CALLWNDPROC, [&seen](int, WPARAM, LPARAM L) -> LRESULT {
    seen.push_back(reinterpret_cast<CWPSTRUCT*>(L)->message);
    return 0;
  }));
  SendMessage(F, WM_USER + 2, 0, 0);
  UnhookWindowsHookEx(Hooks.back());
  Hooks.pop_back();
  EXPECT_EQ(seen, std::vector<UINT>{WM_USER + 2});
}

TEST_F(WmInputTest, CaptureKeepsTheCursorItSet) {
  LogOnly({WM_SETCURSOR});
  SetCapture(Button);
  HeadlessMouseMove(250, 250);
  ProcessMessages();
  EXPECT_TRUE(TakeLog().empty());
}

TEST_F(WmInputTest, RightClickAsksForTheContextMenuUpToTheParent) {
  LPARAM where = 0;
  On(F, [&where](UINT M, WPARAM, LPARAM L, LRESULT&) {
    if (M == WM_CONTEXTMENU) where = L;
    return false;
  });
  HeadlessClick(115, 112, 1);
  ProcessMessages();
  EXPECT_EQ(where, MAKELPARAM(115, 112));
  On(F, nullptr);
}

TEST_F(WmInputTest, AltF4ClosesTheForm) {
  SetFocus(Button);
  HeadlessKey(VK_F4, 2);
  ProcessMessages();
  EXPECT_FALSE(IsWindow(F));
}

TEST_F(WmInputTest, ClicksOnABorderAreNonClientMessagesWithTheHitCode) {
  HWND edit = Child("Edit", F, Bounds(100, 100, 40, 20), clWhite, WS_CHILD | WS_VISIBLE | WS_BORDER);
  std::vector<UINT> hits;
  Hooks.push_back(SetWindowsHookEx(WH_MOUSE, [&hits](int, WPARAM W, LPARAM L) -> LRESULT {
    if (W == WM_NCRBUTTONDOWN) hits.push_back(reinterpret_cast<MOUSEHOOKSTRUCT*>(L)->wHitTestCode);
    return 0;
  }));
  WPARAM code = 0;
  On(edit, [&code](UINT M, WPARAM W, LPARAM, LRESULT&) {
    if (M == WM_NCLBUTTONDOWN) code = W;
    return false;
  });
  LogOnly({WM_NCLBUTTONDOWN, WM_NCRBUTTONDOWN, WM_LBUTTONDOWN});
  HeadlessClick(200, 200);
  HeadlessClick(200, 200, 1);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"Edit:WM_NCLBUTTONDOWN", "Edit:WM_NCRBUTTONDOWN"}));
  EXPECT_EQ(code, WPARAM(HTBORDER));
  EXPECT_EQ(hits, std::vector<UINT>{HTBORDER});
  UnhookWindowsHookEx(Hooks.back());
  Hooks.pop_back();
  On(edit, nullptr);
}
