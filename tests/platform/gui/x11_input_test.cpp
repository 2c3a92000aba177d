// Device input of the X11 back end: pointer and keys sent through the X
// server (XTest) as a user at the screen would, focus, the clipboard
// between two connections, monitors, and waking a waiting pump. Skipped
// when no display can be opened (or, for the XTest cases, without XTest).
#include <gtest/gtest.h>
#include "display_check.h"

#include <X11/keysym.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/gui/x11.h"
#include "platform/gui/x11_probe.h"

namespace {

constexpr unsigned kLeft = 1, kMiddle = 2, kRight = 3, kWheelUp = 4, kWheelDown = 5;

class X11InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Bench.Valid()) MDS_SKIP_WITHOUT_DISPLAY("no X display");
    if (!Probe().HasXTest()) MDS_SKIP_WITHOUT_DISPLAY("no XTest");
  }

  TX11Probe& Probe() { return Bench.Probe(); }
  TGuiDriver& Driver() { return Bench.Driver(); }
  TNativeWindow& Open(const TRect& B, TNativeKind Kind = TNativeKind::Normal, std::uintptr_t Handle = 1) {
    return Bench.Open(B, Kind, Handle);
  }
  bool WaitFor(const String& Line) { return Bench.WaitFor(Line); }
  // Activates W and waits until the server gave it the focus.
  void Focus(TNativeWindow& W, std::uintptr_t Handle) {
    W.Activate();
    ASSERT_TRUE(WaitFor("activated " + std::to_string(Handle)));
  }
  void Press(unsigned XButton, int X, int Y) {
    Probe().MoveMouse(X, Y);
    Probe().Button(XButton, true);
    Probe().Button(XButton, false);
  }

  TX11TestBench Bench;
};

// ---- Pointer ---------------------------------------------------------------------

TEST_F(X11InputTest, ClickArrivesAtItsDesktopPosition) {
  Open(Bounds(100, 100, 60, 40));
  Probe().Click(120, 130);
  EXPECT_TRUE(WaitFor("move 120,130"));
  EXPECT_TRUE(WaitFor("button 0 down 120,130"));
  EXPECT_TRUE(WaitFor("button 0 up 120,130"));
}

TEST_F(X11InputTest, LeavingOurWindowsTellsWhereThePointerWent) {
  Open(Bounds(100, 100, 60, 40));
  Probe().MoveMouse(120, 120);
  ASSERT_TRUE(WaitFor("move 120,120"));
  Probe().MoveMouse(500, 400);
  EXPECT_TRUE(WaitFor("move 500,400"));
}

TEST_F(X11InputTest, RightAndMiddleButtonsKeepTheClassLibrarysNumbers) {
  Open(Bounds(100, 100, 60, 40));
  Press(kRight, 110, 110);
  Press(kMiddle, 111, 111);
  EXPECT_TRUE(WaitFor("button 1 down 110,110"));
  EXPECT_TRUE(WaitFor("button 2 up 111,111"));
}

TEST_F(X11InputTest, WheelNotchesBecomeDeltasNotButtons) {
  Open(Bounds(100, 100, 60, 40));
  Press(kWheelUp, 130, 120);
  Press(kWheelDown, 130, 120);
  Press(kLeft, 131, 121);
  ASSERT_TRUE(WaitFor("button 0 up 131,121"));
  EXPECT_TRUE(Bench.Logged("wheel 120 130,120"));
  EXPECT_TRUE(Bench.Logged("wheel -120 130,120"));
  EXPECT_FALSE(Bench.Logged("button 0 down 130,120"));
}

TEST_F(X11InputTest, ShapedWindowLetsClicksOutsideItsShapeThrough) {
  TNativeWindow& w = Open(Bounds(300, 300, 40, 40), TNativeKind::Normal, 5);
  TRegion rightHalf(Rect(20, 0, 40, 40));
  w.SetShape(&rightHalf);
  X11Sync(Driver());
  Press(kLeft, 305, 310);
  Press(kLeft, 330, 310);
  ASSERT_TRUE(WaitFor("button 0 down 330,310"));
  EXPECT_FALSE(Bench.Logged("button 0 down 305,310"));
  w.SetShape(nullptr);
  X11Sync(Driver());
  Press(kLeft, 306, 311);
  EXPECT_TRUE(WaitFor("button 0 down 306,311"));
}

// ---- Keyboard and focus -----------------------------------------------------------

TEST_F(X11InputTest, FocusedWindowGetsKeysWithTheirText) {
  TNativeWindow& w = Open(Bounds(100, 100, 60, 40));
  Focus(w, 1);
  Probe().TapKey(XK_a);
  Probe().TapKey(XK_Return);
  EXPECT_TRUE(WaitFor("key 65 down [a]"));
  EXPECT_TRUE(WaitFor("key 65 up []"));
  EXPECT_TRUE(WaitFor("key 13 down [\r]"));
}

TEST_F(X11InputTest, ShiftedKeyGivesItsCharacterOnTheKeysVirtualKey) {
  TNativeWindow& w = Open(Bounds(100, 100, 60, 40));
  Focus(w, 1);
  Probe().Key(XK_Shift_L, true);
  Probe().TapKey(XK_1);
  Probe().Key(XK_Shift_L, false);
  EXPECT_TRUE(WaitFor("key 16 down []"));
  EXPECT_TRUE(WaitFor("key 49 down [!]"));
  EXPECT_TRUE(WaitFor("key 16 up []"));
}

TEST_F(X11InputTest, ActivatingAnotherWindowDeactivatesTheFirst) {
  TNativeWindow& a = Open(Bounds(100, 100, 60, 40), TNativeKind::Normal, 1);
  TNativeWindow& b = Open(Bounds(200, 100, 60, 40), TNativeKind::Normal, 2);
  Focus(a, 1);
  Focus(b, 2);
  EXPECT_TRUE(WaitFor("deactivated 1"));
  EXPECT_EQ(Probe().FocusWindow(), X11WindowId(b));
}

TEST_F(X11InputTest, PopupNeverTakesTheFocus) {
  TNativeWindow& form = Open(Bounds(100, 100, 60, 40), TNativeKind::Normal, 1);
  Focus(form, 1);
  TNativeWindow& popup = Open(Bounds(120, 120, 60, 40), TNativeKind::Popup, 2);
  popup.Activate();
  X11Sync(Driver());
  Driver().PumpEvents(30);
  EXPECT_EQ(Probe().FocusWindow(), X11WindowId(form));
  EXPECT_FALSE(Bench.Logged("deactivated 1"));
}

// ---- Clipboard, screen, waking -------------------------------------------------------

// One test, so that no two clipboard cases of one program run side by side.
TEST_F(X11InputTest, ClipboardTextTravelsBetweenConnectionsInUtf8) {
  Driver().SetClipboardText("Gr\xC3\xBC\xC3\x9F" "e aus dem B\xC3\xBCro");
  EXPECT_EQ(Driver().ClipboardText(), "Gr\xC3\xBC\xC3\x9F" "e aus dem B\xC3\xBCro") << "our own text";
  std::unique_ptr<TGuiDriver> other = NewX11Driver();
  ASSERT_NE(other, nullptr);
  std::atomic<bool> done{false};
  // The owner answers from its pump while the other connection asks.
  std::thread owner([&] {
    while (!done) Driver().PumpEvents(10);
  });
  String read = other->ClipboardText();
  done = true;
  owner.join();
  EXPECT_EQ(read, "Gr\xC3\xBC\xC3\x9F" "e aus dem B\xC3\xBCro");
  other->SetClipboardText("zur\xC3\xBC" "ck");
  done = false;
  std::thread back([&] {
    while (!done) other->PumpEvents(10);
  });
  read = Driver().ClipboardText();
  done = true;
  back.join();
  EXPECT_EQ(read, "zur\xC3\xBC" "ck");
}

TEST_F(X11InputTest, ScreenHasOnePrimaryMonitorAt96PixelsPerInch) {
  std::vector<TMonitorInfo> m = Driver().Monitors();
  ASSERT_FALSE(m.empty());
  EXPECT_EQ(std::count_if(m.begin(), m.end(), [](const TMonitorInfo& I) { return I.Primary; }), 1);
  for (const TMonitorInfo& i : m) {
    EXPECT_GT(i.rcMonitor.Width(), 0);
    TRect in;
    EXPECT_TRUE(IntersectRect(in, i.rcWork, i.rcMonitor) && in == i.rcWork) << "work area inside the monitor";
  }
  EXPECT_EQ(Driver().PixelsPerInch(), 96);
}

// Watches an endless wait of the GUI thread: when the wait has not ended
// within ten seconds, the watchdog notes it and wakes the pump itself, so
// that a wait that would hang fails the test instead of stopping it.
class TWaitWatchdog {
 public:
  explicit TWaitWatchdog(TGuiDriver& D)
      : FThread([this, &D] {
          std::unique_lock<std::mutex> L(FMutex);
          if (FEnded.wait_for(L, std::chrono::seconds(10), [this] { return FDone; })) return;
          FTimedOut = true;
          while (!FDone) {
            D.Wake();
            FEnded.wait_for(L, std::chrono::milliseconds(100), [this] { return FDone; });
          }
        }) {}
  // The wait has returned; true when it did so before the watchdog woke it.
  bool EndedInTime() {
    {
      std::lock_guard<std::mutex> L(FMutex);
      FDone = true;
    }
    FEnded.notify_all();
    FThread.join();
    return !FTimedOut;
  }

 private:
  std::mutex FMutex;
  std::condition_variable FEnded;
  bool FDone = false, FTimedOut = false;
  std::thread FThread;
};

TEST_F(X11InputTest, WakeFromAnotherThreadEndsAnEndlessWait) {
  TWaitWatchdog Watchdog(Driver());
  std::thread waker([&] { Driver().Wake(); });
  Driver().PumpEvents(-1);
  waker.join();
  EXPECT_TRUE(Watchdog.EndedInTime());
}

TEST_F(X11InputTest, WakeBeforeTheWaitEndsTheNextOneAtOnce) {
  TWaitWatchdog Watchdog(Driver());
  Driver().Wake();
  Driver().PumpEvents(-1);
  EXPECT_TRUE(Watchdog.EndedInTime());
}

}  // namespace
