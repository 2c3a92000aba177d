// TTimer: a component that raises OnTimer every Interval milliseconds
// while Enabled. It runs on the window manager's thread timers (winapi.h
// SetTimer with a procedure), so it counts on the injectable clock and
// fires from the message loop of the thread that made it: tests with a
// TFakeClock advance the clock and pump.
//
// The timer runs only while Enabled, Interval > 0 and OnTimer is set (and
// not while the component is being read from a form description); each
// change of these starts it afresh. Missed periods give one event, as
// WM_TIMER does.
//
// Thread safety: GUI thread only (the thread that set it up).
#pragma once

#include "platform/gui/controls.h"

class TTimer : public TComponent {
  RTL_DECLARE_CLASS(TTimer)
 public:
  explicit TTimer(TComponent* AOwner);
  // Stops the timer.
  ~TTimer() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool V);
  // Milliseconds between events (default 1000); 0 stops the timer.
  Cardinal Interval() const { return FInterval; }
  void SetInterval(Cardinal V);
  const TNotifyEvent& OnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent V);
  // True while a window-manager timer is running for this component.
  bool Running() const { return FTimerId != 0; }

  void Loaded() override;

 protected:
  // Raises OnTimer.
  virtual void Timer();

 private:
  void UpdateTimer();

  bool FEnabled = true;
  Cardinal FInterval = 1000;
  TNotifyEvent FOnTimer;
  std::uintptr_t FTimerId = 0;
  // Tells a queued tick that the component is gone.
  std::shared_ptr<TTimer*> FAlive;
};
