// Screen, monitors, metrics and the clipboard of the headless desktop.
#include "wm_fixture.h"

class WmScreenTest : public WmTest {
 protected:
  void TwoMonitors() {
    HeadlessSetMonitors({TMonitorInfo{Rect(0, 0, 1280, 1024), Rect(0, 0, 1280, 984), true},
                         TMonitorInfo{Rect(1280, 0, 2560, 1024), Rect(1280, 0, 2560, 1024), false}});
  }
};

TEST_F(WmScreenTest, HeadlessScreenIs1280By1024At96Ppi) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
  EXPECT_EQ(GetScreenPixelsPerInch(), 96);
  EXPECT_EQ(GetMonitorCount(), 1);
  EXPECT_STREQ(GuiDriver().Name(), "headless");
}

TEST_F(WmScreenTest, MonitorsAreFoundByPointRectAndWindow) {
  TwoMonitors();
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
  HMONITOR second = MonitorFromPoint(Point(1300, 10), MONITOR_DEFAULTTONULL);
  TMonitorInfo info;
  ASSERT_TRUE(GetMonitorInfo(second, info));
  EXPECT_EQ(info.rcMonitor.Left, 1280);
  EXPECT_FALSE(info.Primary);
  EXPECT_EQ(MonitorFromRect(Rect(1200, 0, 1500, 100), MONITOR_DEFAULTTONULL), second);
  HWND f = Form("F", Bounds(1250, 0, 100, 100));
  EXPECT_EQ(MonitorFromWindow(f, MONITOR_DEFAULTTONULL), second);
}

TEST_F(WmScreenTest, PointsOffEveryMonitorFallBackAsAsked) {
  TwoMonitors();
  EXPECT_EQ(MonitorFromPoint(Point(5000, 10), MONITOR_DEFAULTTONULL), 0);
  TMonitorInfo info;
  GetMonitorInfo(MonitorFromPoint(Point(5000, 10), MONITOR_DEFAULTTONEAREST), info);
  EXPECT_EQ(info.rcMonitor.Left, 1280);
  GetMonitorInfo(MonitorFromPoint(Point(5000, 10), MONITOR_DEFAULTTOPRIMARY), info);
  EXPECT_TRUE(info.Primary);
  EXPECT_EQ(info.rcWork.Bottom, 984);
}

TEST_F(WmScreenTest, ClipboardKeepsText) {
  EXPECT_EQ(GetClipboardText(), "");
  SetClipboardText("Auftrag 4711");
  EXPECT_EQ(GetClipboardText(), "Auftrag 4711");
}

TEST_F(WmScreenTest, CloseRequestFromTheDesktopBecomesWmClose) {
  HWND f = Form("F", Bounds(0, 0, 10, 10));
  LogOnly({WM_CLOSE});
  TDesktopInput::CloseRequest(f);
  ProcessMessages();
  EXPECT_TRUE(Logged("F:WM_CLOSE"));
  EXPECT_FALSE(IsWindow(f));
}

TEST_F(WmScreenTest, ResizeByTheDesktopRepaints) {
  HWND f = Form("F", Bounds(0, 0, 10, 10), clRed);
  ProcessMessages();
  LogOnly({WM_SIZE, WM_PAINT});
  TDesktopInput::Configured(f, Bounds(0, 0, 30, 20));
  ProcessMessages();
  EXPECT_TRUE(Logged("F:WM_SIZE"));
  EXPECT_TRUE(Logged("F:WM_PAINT"));
  EXPECT_EQ(GetClientRect(f), Rect(0, 0, 30, 20));
}

namespace {

// A back end that records what its windows are asked to do.
class TRecordingDriver : public TDriverWithoutDesktop {
 public:
  struct TWindow : TNativeWindow {
    explicit TWindow(TRecordingDriver& D, const TRect& B) : Owner(D), Pixels(size_t(B.Width()) * B.Height() * 4) {
      Size = B;
    }
    TPixelSurface Surface() override {
      return TPixelSurface{Pixels.data(), Size.Width(), Size.Height(), Size.Width() * 4, 4};
    }
    void Present(const TRect& R) override { Owner.Presented.push_back(R); }
    void SetBounds(const TRect& B) override { Size = B, Pixels.resize(size_t(B.Width()) * B.Height() * 4); }
    void SetVisible(bool V) override { Owner.Log.push_back(V ? "show" : "hide"); }
    void SetTitle(const String& T) override { Owner.Log.push_back("title " + T); }
    void SetShape(const TRegion*) override {}
    void Raise() override { Owner.Log.push_back("raise"); }
    void SetCursor(HCURSOR) override {}
    void Activate() override { Owner.Log.push_back("activate"); }
    TRecordingDriver& Owner;
    std::vector<Byte> Pixels;
    TRect Size;
  };
  const char* Name() const override { return "recording"; }
  std::unique_ptr<TNativeWindow> CreateNativeWindow(HWND, TNativeKind Kind, const TRect& B, HWND) override {
    Log.push_back(Kind == TNativeKind::Popup ? "create popup" : "create");
    return std::make_unique<TWindow>(*this, B);
  }
  void PumpEvents(int) override {}
  void Wake() override {}
  std::vector<TMonitorInfo> Monitors() override { return {}; }
  int PixelsPerInch() override { return 120; }
  String ClipboardText() override { return ""; }
  void SetClipboardText(const String&) override {}
  std::vector<std::string> Log;
  std::vector<TRect> Presented;
};

}  // namespace

TEST_F(WmScreenTest, BackEndCreatesShowsAndPresentsNativeWindows) {
  auto owned = std::make_unique<TRecordingDriver>();
  TRecordingDriver* d = owned.get();
  SetGuiDriver(std::move(owned));
  EXPECT_EQ(GetScreenPixelsPerInch(), 120);
  HWND f = Form("Kasse", Bounds(0, 0, 30, 20));
  EXPECT_EQ(d->Log, (std::vector<std::string>{"create", "title Kasse", "show", "raise", "activate"}));
  ProcessMessages();
  ASSERT_FALSE(d->Presented.empty());
  EXPECT_EQ(d->Presented.back(), Rect(0, 0, 30, 20));
  d->Presented.clear();
  TDesktopInput::Expose(f, Rect(1, 2, 3, 4));
  ProcessMessages();
  EXPECT_EQ(d->Presented, std::vector<TRect>{Rect(1, 2, 3, 4)});
  DestroyWindow(f);
}
