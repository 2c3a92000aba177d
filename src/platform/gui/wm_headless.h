// The headless back end's driver class, shared by headless_driver.cpp
// (windows, event pump) and headless_input.cpp (what tests inject).
//
// Thread safety: Queue and Wake may be called from any thread; the rest
// belongs to the GUI thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/gui/backend.h"

class THeadlessDriver : public TDriverWithoutDesktop {
 public:
  THeadlessDriver(int ScreenWidth, int ScreenHeight);

  const char* Name() const override { return "headless"; }
  std::unique_ptr<TNativeWindow> CreateNativeWindow(HWND Wnd, TNativeKind Kind, const TRect& Bounds,
                                                    HWND Owner) override;
  void PumpEvents(int TimeoutMs) override;
  void Wake() override;
  std::vector<TMonitorInfo> Monitors() override;
  int PixelsPerInch() override { return 96; }
  String ClipboardText() override;
  void SetClipboardText(const String& Text) override;

  // Queues a device event; PumpEvents hands it to the window manager.
  void Queue(std::function<void()> Event);
  void SetMonitors(const std::vector<TMonitorInfo>& M);

 private:
  std::mutex FLock;
  std::condition_variable FCv;
  std::deque<std::function<void()>> FEvents;
  bool FWoken = false;
  std::vector<TMonitorInfo> FMonitors;
  String FClipboard;
};

// The active driver as the headless one. Raises EInvalidOperation when
// another back end is active.
THeadlessDriver& Headless();
