// Native windows of the X11 back end on a real X server (Xvfb in CI),
// watched from outside through a probe connection: what a window shows,
// where it is, and its protocols with the desktop. Skipped when no
// display can be opened.
#include <gtest/gtest.h>
#include "display_check.h"

#include <algorithm>
#include <memory>

#include "platform/gui/winapi.h"
#include "platform/gui/x11.h"
#include "platform/gui/x11_internal.h"
#include "platform/gui/x11_probe.h"

namespace {

HWND FakeHandle(std::uintptr_t N) { return reinterpret_cast<HWND>(N); }

// Each case runs with buffers shared with the server (when it can) and
// with buffers of the window's own.
class X11WindowTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!Bench.Valid()) MDS_SKIP_WITHOUT_DISPLAY("no X display");
    if (!GetParam()) dynamic_cast<x11::TX11Driver&>(Bench.Driver()).DisableShm();
  }

  TNativeWindow& Open(const TRect& B, TNativeKind Kind = TNativeKind::Normal, std::uintptr_t Handle = 1,
                      HWND Owner = nullptr) {
    return Bench.Open(B, Kind, Handle, Owner);
  }
  bool WaitFor(const String& Line) { return Bench.WaitFor(Line); }
  TX11Probe& Probe() { return Bench.Probe(); }
  unsigned long Id(TNativeWindow& W) { return X11WindowId(W); }
  // Paints the whole buffer in one colour and shows it.
  void Fill(TNativeWindow& W, TColorRef C) {
    TPixelSurface s = W.Surface();
    for (int y = 0; y < s.Height; ++y)
      for (int x = 0; x < s.Width; ++x) s.Set(x, y, C);
    W.Present(Rect(0, 0, s.Width, s.Height));
  }
  TColorRef Shown(TNativeWindow& W, int X, int Y) {
    int w = 0, h = 0;
    std::vector<TColorRef> px = Bench.Grab(W, w, h);
    return X < w && Y < h ? px[size_t(Y) * w + X] : 0xFFFFFFFF;
  }
  bool AnyConfigured() {
    const auto& log = Bench.Log();
    return std::any_of(log.begin(), log.end(), [](const String& L) { return L.rfind("configured", 0) == 0; });
  }

  TX11TestBench Bench;
};

// ---- What a window shows ----------------------------------------------------

TEST_P(X11WindowTest, PresentShowsTheBackBufferPixelForPixel) {
  TNativeWindow& w = Open(Bounds(50, 60, 40, 30));
  TPixelSurface s = w.Surface();
  for (int y = 0; y < s.Height; ++y)
    for (int x = 0; x < s.Width; ++x) s.Set(x, y, TColorRef(x * 6 | (y * 8) << 8 | ((x + y) * 3) << 16));
  w.Present(Rect(0, 0, 40, 30));
  int gw = 0, gh = 0;
  std::vector<TColorRef> px = Bench.Grab(w, gw, gh);
  ASSERT_EQ(gw, 40);
  ASSERT_EQ(gh, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(px[size_t(y) * 40 + x], s.Get(x, y)) << x << "," << y;
}

TEST_P(X11WindowTest, PresentCopiesOnlyTheDirtyRectangle) {
  TNativeWindow& w = Open(Bounds(10, 10, 50, 50));
  Fill(w, 0x00FFFFFF);
  TPixelSurface s = w.Surface();
  for (int y = 0; y < s.Height; ++y)
    for (int x = 0; x < s.Width; ++x) s.Set(x, y, 0x000000FF);
  w.Present(Rect(10, 10, 20, 20));
  EXPECT_EQ(Shown(w, 10, 10), 0x000000FFu);
  EXPECT_EQ(Shown(w, 19, 19), 0x000000FFu);
  EXPECT_EQ(Shown(w, 20, 20), 0x00FFFFFFu);
  EXPECT_EQ(Shown(w, 9, 15), 0x00FFFFFFu);
}

TEST_P(X11WindowTest, NewBufferIsWhite) {
  TNativeWindow& w = Open(Bounds(0, 0, 8, 8));
  EXPECT_EQ(w.Surface().Get(3, 3), 0x00FFFFFFu);
  EXPECT_EQ(w.Surface().Width, 8);
}

TEST_P(X11WindowTest, MappingTheWindowAsksToPaintIt) {
  Open(Bounds(30, 40, 25, 15), TNativeKind::Normal, 7);
  EXPECT_TRUE(WaitFor("expose 7 0,0-25,15"));
}

// ---- Where a window is ----------------------------------------------------------

TEST_P(X11WindowTest, SetBoundsMovesTheWindowAndKeepsThePixels) {
  TNativeWindow& w = Open(Bounds(100, 100, 20, 20));
  Fill(w, 0x0000FF00);
  w.SetBounds(Bounds(150, 120, 40, 10));
  X11Sync(Bench.Driver());
  EXPECT_EQ(Probe().Geometry(Id(w)), Bounds(150, 120, 40, 10));
  TPixelSurface s = w.Surface();
  EXPECT_EQ(s.Width, 40);
  EXPECT_EQ(s.Height, 10);
  EXPECT_EQ(s.Get(19, 9), 0x0000FF00u);
  EXPECT_EQ(s.Get(20, 0), 0x00FFFFFFu);
  Bench.Driver().PumpEvents(50);
  Bench.Driver().PumpEvents(50);
  EXPECT_FALSE(AnyConfigured()) << "our own move is no news for the window manager";
}

TEST_P(X11WindowTest, MoveByAnotherClientIsReportedWithTheNewBuffer) {
  TNativeWindow& w = Open(Bounds(100, 100, 20, 20), TNativeKind::Normal, 3);
  Probe().MoveResize(Id(w), Bounds(200, 210, 60, 50));
  ASSERT_TRUE(WaitFor("configured 3 200,210-260,260"));
  EXPECT_EQ(w.Surface().Width, 60);
  EXPECT_EQ(w.Surface().Height, 50);
}

// ---- Protocols of the desktop ---------------------------------------------------

TEST_P(X11WindowTest, CloseButtonOfTheDesktopAsksToClose) {
  TNativeWindow& w = Open(Bounds(10, 10, 30, 30), TNativeKind::Normal, 9);
  EXPECT_NE(Probe().Property(Id(w), "WM_PROTOCOLS"), "");
  Probe().RequestClose(Id(w));
  EXPECT_TRUE(WaitFor("close 9"));
}

TEST_P(X11WindowTest, PopupBypassesTheWindowManager) {
  TNativeWindow& normal = Open(Bounds(10, 10, 30, 30));
  TNativeWindow& popup = Open(Bounds(20, 20, 30, 30), TNativeKind::Popup, 2);
  EXPECT_TRUE(Probe().OverrideRedirect(Id(popup)));
  EXPECT_FALSE(Probe().OverrideRedirect(Id(normal)));
}

TEST_P(X11WindowTest, DialogIsTransientForItsOwner) {
  TNativeWindow& owner = Open(Bounds(10, 10, 100, 100), TNativeKind::Normal, 1);
  TNativeWindow& dialog = Open(Bounds(30, 30, 50, 50), TNativeKind::Dialog, 2, FakeHandle(1));
  String v = Probe().Property(Id(dialog), "WM_TRANSIENT_FOR");
  ASSERT_EQ(v.size(), sizeof(long));
  EXPECT_EQ(*reinterpret_cast<const unsigned long*>(v.data()), Id(owner));
}

TEST_P(X11WindowTest, TitleIsUtf8WithALatin1Fallback) {
  TNativeWindow& w = Open(Bounds(10, 10, 30, 30));
  w.SetTitle("Laptopabgleich - mobile Datenerfassung f\xC3\xBCr Torvane");
  X11Sync(Bench.Driver());
  EXPECT_EQ(Probe().Property(Id(w), "_NET_WM_NAME"), "Laptopabgleich - mobile Datenerfassung f\xC3\xBCr Torvane");
  EXPECT_EQ(Probe().Property(Id(w), "WM_NAME"), "Laptopabgleich - mobile Datenerfassung f\xFCr Torvane");
}

TEST_P(X11WindowTest, HiddenWindowLeavesTheScreen) {
  TNativeWindow& w = Open(Bounds(10, 10, 30, 30));
  w.SetVisible(false);
  EXPECT_TRUE(Bench.PumpUntil([&] { return !Probe().Viewable(Id(w)); }));
}

TEST_P(X11WindowTest, TopmostWindowAsksToStayAbove) {
  // A window of the window manager (under the in-memory back end) gives
  // the extended style; the X window is made for it here.
  HWND h = CreateWindowEx(WS_EX_TOPMOST, "X11Topmost", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                          DefWindowProc);
  ASSERT_NE(h, nullptr);
  auto w = Bench.Driver().CreateNativeWindow(h, TNativeKind::Normal, Bounds(5, 5, 20, 20), nullptr);
  w->SetVisible(true);
  X11Sync(Bench.Driver());
  String state = Probe().Property(Id(*w), "_NET_WM_STATE");
  w.reset();
  DestroyWindow(h);
  ASSERT_EQ(state.size(), sizeof(long));
  EXPECT_EQ(*reinterpret_cast<const unsigned long*>(state.data()), Probe().AtomOf("_NET_WM_STATE_ABOVE"));
}

INSTANTIATE_TEST_SUITE_P(Buffers, X11WindowTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& I) { return I.param ? "Shared" : "Own"; });

}  // namespace
