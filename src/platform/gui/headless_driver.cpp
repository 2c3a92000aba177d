// The headless back end: native windows are pixel buffers in memory, the
// screen is a list of monitors, and device events come from a queue that
// tests fill (headless_input.cpp).
#include "platform/gui/wm_headless.h"

#include <algorithm>
#include <cstring>

namespace {

class THeadlessWindow : public TNativeWindow {
 public:
  explicit THeadlessWindow(const TRect& Bounds) { SetBounds(Bounds); }

  TPixelSurface Surface() override {
    TPixelSurface s;
    s.Bits = FPixels.empty() ? nullptr : FPixels.data();
    s.Width = FBounds.Width(), s.Height = FBounds.Height();
    s.Stride = s.Width * 4, s.BytesPerPixel = 4;
    return s;
  }
  void Present(const TRect&) override {}
  // Keeps the pixels that stay inside; new ones start white.
  void SetBounds(const TRect& Bounds) override {
    int w = std::max(Bounds.Width(), 0), h = std::max(Bounds.Height(), 0);
    int ow = FBounds.Width(), oh = FBounds.Height();
    if (w != ow || h != oh) {
      std::vector<Byte> px(size_t(w) * h * 4, 0xFF);
      for (int y = 0; y < std::min(h, oh); ++y)
        std::memcpy(&px[size_t(y) * w * 4], &FPixels[size_t(y) * ow * 4], size_t(std::min(w, ow)) * 4);
      FPixels.swap(px);
    }
    FBounds = Bounds;
  }
  void SetVisible(bool) override {}
  void SetTitle(const String&) override {}
  void SetShape(const TRegion*) override {}
  void Raise() override {}
  void SetCursor(HCURSOR) override {}
  void Activate() override {}

 private:
  TRect FBounds{};
  std::vector<Byte> FPixels;
};

}  // namespace

THeadlessDriver::THeadlessDriver(int ScreenWidth, int ScreenHeight) {
  TRect r = Rect(0, 0, ScreenWidth, ScreenHeight);
  FMonitors.push_back(TMonitorInfo{r, r, true});
}

std::unique_ptr<TNativeWindow> THeadlessDriver::CreateNativeWindow(HWND, TNativeKind, const TRect& Bounds,
                                                                   HWND) {
  return std::make_unique<THeadlessWindow>(Bounds);
}

void THeadlessDriver::PumpEvents(int TimeoutMs) {
  std::deque<std::function<void()>> events;
  {
    std::unique_lock<std::mutex> l(FLock);
    auto ready = [&] { return FWoken || !FEvents.empty(); };
    if (TimeoutMs < 0)
      FCv.wait(l, ready);
    else if (TimeoutMs > 0)
      FCv.wait_for(l, std::chrono::milliseconds(TimeoutMs), ready);
    FWoken = false;
    events.swap(FEvents);
  }
  for (auto& e : events) e();
}

void THeadlessDriver::Wake() {
  std::lock_guard<std::mutex> l(FLock);
  FWoken = true;
  FCv.notify_all();
}

std::vector<TMonitorInfo> THeadlessDriver::Monitors() {
  std::lock_guard<std::mutex> l(FLock);
  return FMonitors;
}

String THeadlessDriver::ClipboardText() {
  std::lock_guard<std::mutex> l(FLock);
  return FClipboard;
}

void THeadlessDriver::SetClipboardText(const String& Text) {
  std::lock_guard<std::mutex> l(FLock);
  FClipboard = Text;
}

void THeadlessDriver::Queue(std::function<void()> Event) {
  std::lock_guard<std::mutex> l(FLock);
  FEvents.push_back(std::move(Event));
  FCv.notify_all();
}

void THeadlessDriver::SetMonitors(const std::vector<TMonitorInfo>& M) {
  std::lock_guard<std::mutex> l(FLock);
  FMonitors = M;
}

std::unique_ptr<TGuiDriver> NewHeadlessDriver(int ScreenWidth, int ScreenHeight) {
  return std::make_unique<THeadlessDriver>(ScreenWidth, ScreenHeight);
}

THeadlessDriver& Headless() {
  auto* h = dynamic_cast<THeadlessDriver*>(&GuiDriver());
  if (!h) throw EInvalidOperation("Die Oberfläche läuft nicht ohne Anzeige (headless)");
  return *h;
}
