// Timers driven by the injectable clock, and the blinking caret.
#include "wm_fixture.h"

using Strings = std::vector<std::string>;

class WmTimersTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    F = Form("F", Bounds(0, 0, 100, 100), clWhite);
    ProcessMessages();
    LogOnly({WM_TIMER});
  }
  // Handles messages until one WM_TIMER was dispatched (GetMessage waits).
  MSG WaitForTimer() {
    MSG m;
    do {
      GetMessage(m);
      DispatchMessage(m);
    } while (m.message != WM_TIMER);
    return m;
  }
  HWND F = nullptr;
};

TEST_F(WmTimersTest, TimerFiresThroughGetMessageWithoutRealWaiting) {
  std::uint64_t start = GetTickCount64();
  SetTimer(F, 7, 1000);
  MSG m = WaitForTimer();
  EXPECT_EQ(m.hwnd, F);
  EXPECT_EQ(m.wParam, 7u);
  EXPECT_EQ(GetTickCount64() - start, 1000u);
  EXPECT_EQ(Clock->SleptMilliseconds(), 1000u);
}

TEST_F(WmTimersTest, TimerIsNotDueBeforeItsTime) {
  SetTimer(F, 1, 100);
  Clock->Advance(99);
  ProcessMessages();
  EXPECT_TRUE(TakeLog().empty());
  Clock->Advance(1);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), Strings{"F:WM_TIMER"});
}

TEST_F(WmTimersTest, MissedPeriodsGiveOneMessage) {
  SetTimer(F, 1, 100);
  Clock->Advance(350);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), Strings{"F:WM_TIMER"});
  Clock->Advance(100);
  ProcessMessages();
  EXPECT_EQ(TakeLog(), Strings{"F:WM_TIMER"});
}

TEST_F(WmTimersTest, KilledTimerStops) {
  SetTimer(F, 1, 100);
  EXPECT_TRUE(KillTimer(F, 1));
  EXPECT_FALSE(KillTimer(F, 1));
  Clock->Advance(500);
  ProcessMessages();
  EXPECT_TRUE(TakeLog().empty());
}

TEST_F(WmTimersTest, SettingTheSameTimerAgainRestartsIt) {
  SetTimer(F, 1, 100);
  Clock->Advance(80);
  SetTimer(F, 1, 100);
  Clock->Advance(80);
  ProcessMessages();
  EXPECT_TRUE(TakeLog().empty());
}

TEST_F(WmTimersTest, TimerProcedureRunsInsteadOfTheWindow) {
  std::vector<std::uintptr_t> ids;
  std::uintptr_t id = SetTimer(nullptr, 0, 50, [&](HWND, UINT, std::uintptr_t Id, DWORD) { ids.push_back(Id); });
  EXPECT_NE(id, 0u);
  Clock->Advance(50);
  ProcessMessages();
  EXPECT_EQ(ids, std::vector<std::uintptr_t>{id});
  EXPECT_TRUE(TakeLog().empty());
  KillTimer(nullptr, id);
}

TEST_F(WmTimersTest, DestroyedWindowsTimersGoWithIt) {
  HWND g = Form("G", Bounds(0, 0, 10, 10));
  SetTimer(g, 1, 10);
  DestroyWindow(g);
  Clock->Advance(100);
  ProcessMessages();
  EXPECT_TRUE(TakeLog().empty());
}

class WmCaretTest : public WmTimersTest {
 protected:
  TColor CaretPixel() { return At(F, 11, 12); }
};

TEST_F(WmCaretTest, CaretIsCreatedHiddenAndShownByInversion) {
  ASSERT_TRUE(CreateCaret(F, 2, 10));
  SetCaretPos(10, 10);
  EXPECT_EQ(CaretPixel(), clWhite);
  ShowCaret(F);
  EXPECT_EQ(CaretPixel(), clBlack);
  EXPECT_EQ(At(F, 12, 12), clWhite);
  EXPECT_EQ(GetCaretPos(), Point(10, 10));
}

TEST_F(WmCaretTest, CaretBlinksWithTheClock) {
  CreateCaret(F, 2, 10);
  SetCaretPos(10, 10);
  ShowCaret(F);
  Clock->Advance(530);
  ProcessMessages();
  EXPECT_EQ(CaretPixel(), clWhite);
  Clock->Advance(530);
  ProcessMessages();
  EXPECT_EQ(CaretPixel(), clBlack);
  EXPECT_TRUE(TakeLog().empty());
}

TEST_F(WmCaretTest, HidingOrMovingTheCaretRestoresThePixels) {
  CreateCaret(F, 2, 10);
  SetCaretPos(10, 10);
  ShowCaret(F);
  SetCaretPos(50, 50);
  EXPECT_EQ(CaretPixel(), clWhite);
  EXPECT_EQ(At(F, 50, 50), clBlack);
  HideCaret(F);
  EXPECT_EQ(At(F, 50, 50), clWhite);
  DestroyCaret();
  EXPECT_EQ(At(F, 50, 50), clWhite);
}

TEST_F(WmCaretTest, PaintingUnderTheCaretLeavesNoTrace) {
  CreateCaret(F, 2, 10);
  SetCaretPos(10, 10);
  ShowCaret(F);
  Win(F).Fill = clRed;
  InvalidateRect(F, nullptr, false);
  ProcessMessages();
  EXPECT_EQ(TColorRef(CaretPixel()), TColorRef(clRed) ^ 0xFFFFFF);
  HideCaret(F);
  EXPECT_EQ(CaretPixel(), clRed);
}

TEST_F(WmCaretTest, OnlyTheOwnerShowsTheCaret) {
  HWND g = Child("G", F, Bounds(0, 0, 5, 5));
  CreateCaret(F, 1, 5);
  EXPECT_FALSE(ShowCaret(g));
  EXPECT_TRUE(ShowCaret(F));
  DestroyWindow(F);
  EXPECT_FALSE(DestroyCaret());
}
