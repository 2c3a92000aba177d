// Focus and activation: the messages of SetFocus, which windows may take
// the focus, activation of forms by code and by click, popups that take
// no activation, and what happens when the active form goes away.
#include "wm_fixture.h"

using Strings = std::vector<std::string>;

class WmFocusTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    Main = Form("Main", Bounds(0, 0, 200, 200));
    Edit1 = Child("Edit1", Main, Bounds(10, 10, 50, 20));
    Edit2 = Child("Edit2", Main, Bounds(10, 40, 50, 20));
    ProcessMessages();
  }
  void LogFocus() {
    LogOnly({WM_SETFOCUS, WM_KILLFOCUS, WM_ACTIVATE, WM_NCACTIVATE, WM_ACTIVATEAPP, WM_MOUSEACTIVATE});
  }
  HWND Main = nullptr, Edit1 = nullptr, Edit2 = nullptr;
};

TEST_F(WmFocusTest, ShownFormIsActiveAndFocused) {
  EXPECT_EQ(GetActiveWindow(), Main);
  EXPECT_EQ(GetFocus(), Main);
  EXPECT_EQ(GetForegroundWindow(), Main);
}

TEST_F(WmFocusTest, SetFocusKillsTheOldFocusThenSetsTheNew) {
  SetFocus(Edit1);
  WPARAM killedFor = 0, setFrom = 0;
  On(Edit1, [&](UINT M, WPARAM W, LPARAM, LRESULT&) {
    if (M == WM_KILLFOCUS) killedFor = W;
    return false;
  });
  On(Edit2, [&](UINT M, WPARAM W, LPARAM, LRESULT&) {
    if (M == WM_SETFOCUS) setFrom = W;
    return false;
  });
  LogFocus();
  EXPECT_EQ(SetFocus(Edit2), Edit1);
  EXPECT_EQ(TakeLog(), (Strings{"Edit1:WM_KILLFOCUS", "Edit2:WM_SETFOCUS"}));
  EXPECT_EQ(killedFor, reinterpret_cast<WPARAM>(Edit2));
  EXPECT_EQ(setFrom, reinterpret_cast<WPARAM>(Edit1));
  On(Edit1, nullptr);
  On(Edit2, nullptr);
}

TEST_F(WmFocusTest, DisabledOrHiddenWindowsCannotTakeTheFocus) {
  SetFocus(Edit1);
  EnableWindow(Edit2, false);
  EXPECT_EQ(SetFocus(Edit2), nullptr);
  EXPECT_EQ(GetFocus(), Edit1);
  EnableWindow(Edit2, true);
  ShowWindow(Edit2, SW_HIDE);
  EXPECT_EQ(SetFocus(Edit2), nullptr);
  EXPECT_EQ(GetFocus(), Edit1);
}

TEST_F(WmFocusTest, DisablingOrHidingTheFocusWindowTakesTheFocusAway) {
  SetFocus(Edit1);
  LogFocus();
  EnableWindow(Edit1, false);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(TakeLog(), Strings{"Edit1:WM_KILLFOCUS"});
  SetFocus(Edit2);
  ShowWindow(Main, SW_HIDE);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WmFocusTest, ActivatingAnotherFormDeactivatesTheFirst) {
  SetFocus(Edit1);
  LogFocus();
  HWND other = Form("Other", Bounds(300, 0, 100, 100));
  EXPECT_EQ(TakeLog(), (Strings{"Main:WM_NCACTIVATE", "Main:WM_ACTIVATE", "Other:WM_NCACTIVATE",
                                "Other:WM_ACTIVATE", "Edit1:WM_KILLFOCUS", "Other:WM_SETFOCUS"}));
  EXPECT_EQ(GetActiveWindow(), other);
  EXPECT_EQ(GetFocus(), other);
}

TEST_F(WmFocusTest, SetFocusInAnInactiveFormActivatesIt) {
  HWND other = Form("Other", Bounds(300, 0, 100, 100));
  HWND edit = Child("OtherEdit", other, Bounds(0, 0, 10, 10));
  SetActiveWindow(Main);
  EXPECT_EQ(GetActiveWindow(), Main);
  SetFocus(edit);
  EXPECT_EQ(GetActiveWindow(), other);
  EXPECT_EQ(GetFocus(), edit);
}

TEST_F(WmFocusTest, ApplicationHearsWhenItLosesAndRegainsActivation) {
  LogFocus();
  TDesktopInput::Activated(Main, false);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(TakeLog(),
            (Strings{"Main:WM_NCACTIVATE", "Main:WM_ACTIVATE", "Main:WM_ACTIVATEAPP", "Main:WM_KILLFOCUS"}));
  TDesktopInput::Activated(Main, true);
  EXPECT_TRUE(Logged("Main:WM_ACTIVATEAPP"));
  EXPECT_EQ(GetActiveWindow(), Main);
}

TEST_F(WmFocusTest, ClickIntoAnInactiveFormAsksAndActivatesIt) {
  HWND other = Form("Other", Bounds(300, 0, 100, 100));
  ProcessMessages();
  int how = -1;
  On(Main, [&](UINT M, WPARAM W, LPARAM, LRESULT&) {
    if (M == WM_ACTIVATE && LOWORD(W) != WA_INACTIVE) how = LOWORD(W);
    return false;
  });
  LogOnly({WM_MOUSEACTIVATE, WM_LBUTTONDOWN});
  HeadlessClick(15, 15);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"Edit1:WM_MOUSEACTIVATE", "Main:WM_MOUSEACTIVATE", "Edit1:WM_LBUTTONDOWN"}));
  EXPECT_EQ(GetActiveWindow(), Main);
  EXPECT_EQ(how, WA_CLICKACTIVE);
  EXPECT_NE(GetActiveWindow(), other);
  On(Main, nullptr);
}

TEST_F(WmFocusTest, MouseActivateCanEatTheClick) {
  Form("Other", Bounds(300, 0, 100, 100));
  On(Main, [](UINT M, WPARAM, LPARAM, LRESULT& R) {
    if (M != WM_MOUSEACTIVATE) return false;
    R = MA_ACTIVATEANDEAT;
    return true;
  });
  LogOnly({WM_LBUTTONDOWN});
  HeadlessClick(150, 150);
  ProcessMessages();
  EXPECT_EQ(GetActiveWindow(), Main);
  EXPECT_TRUE(TakeLog().empty());
}

TEST_F(WmFocusTest, PopupsNeverTakeActivation) {
  HWND popup = Form("Popup", Bounds(20, 20, 50, 50), clWhite, WS_POPUP | WS_BORDER | WS_VISIBLE,
                    WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  HWND hint = Form("Hint", Bounds(120, 20, 50, 50), clWhite, WS_POPUP | WS_VISIBLE, WS_EX_NOACTIVATE);
  EXPECT_EQ(GetActiveWindow(), Main);
  LogOnly({WM_MOUSEACTIVATE, WM_LBUTTONDOWN});
  HeadlessClick(30, 30);
  HeadlessClick(130, 30);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), (Strings{"Popup:WM_LBUTTONDOWN", "Hint:WM_LBUTTONDOWN"}));
  EXPECT_EQ(GetActiveWindow(), Main);
  EXPECT_EQ(SetActiveWindow(popup), nullptr);
  EXPECT_EQ(WindowFromPoint(Point(130, 30)), hint);
}

TEST_F(WmFocusTest, TopmostWindowsStayAboveNormalOnes) {
  HWND top = Form("Top", Bounds(0, 0, 50, 50), clWhite, WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST);
  HWND other = Form("Other", Bounds(0, 0, 100, 100));
  EXPECT_EQ(GetActiveWindow(), other);
  EXPECT_EQ(WindowFromPoint(Point(10, 10)), top);
  EXPECT_EQ(WindowFromPoint(Point(60, 60)), other);
}

TEST_F(WmFocusTest, HidingTheActiveDialogActivatesItsOwner) {
  HWND other = Form("Other", Bounds(300, 0, 100, 100));
  HWND dlg = Form("Dlg", Bounds(10, 10, 50, 50), clWhite, WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, Main);
  SetActiveWindow(other);
  SetActiveWindow(dlg);
  ShowWindow(dlg, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), Main);
  DestroyWindow(other);
  EXPECT_EQ(GetActiveWindow(), Main);
}

TEST_F(WmFocusTest, OwnedWindowsComeUpWithTheirOwner) {
  HWND dlg = Form("Dlg", Bounds(10, 10, 50, 50), clWhite, WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, Main);
  HWND other = Form("Other", Bounds(0, 0, 100, 100));
  EXPECT_EQ(WindowFromPoint(Point(20, 20)), other);
  SetActiveWindow(Main);
  EXPECT_EQ(WindowFromPoint(Point(20, 20)), dlg);
}

TEST_F(WmFocusTest, KeysGoToTheFocusWindow) {
  SetFocus(Edit2);
  LogOnly({WM_KEYDOWN});
  HeadlessKey(VK_TAB);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), Strings{"Edit2:WM_KEYDOWN"});
}
