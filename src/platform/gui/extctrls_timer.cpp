// TTimer on the window manager's thread timers.
#include "platform/gui/extctrls_timer.h"

#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TTimer, TComponent, &ComponentFactory<TTimer>)

RTL_PUBLISHED(TTimer) {
  P.Prop("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true);
  P.Prop("Interval", [](TTimer* T) { return Integer(T->Interval()); },
         [](TTimer* T, Integer V) { T->SetInterval(Cardinal(std::max(V, 0))); })
      .Default(1000);
  P.Prop("OnTimer", [](TTimer* T) { return T->OnTimer(); }, [](TTimer* T, TNotifyEvent V) { T->SetOnTimer(V); });
}

[[maybe_unused]] static const bool TimerRegistered = (RegisterClasses({TTimer::StaticClass()}), true);

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), FAlive(std::make_shared<TTimer*>(this)) {}

TTimer::~TTimer() {
  *FAlive = nullptr;
  if (FTimerId) KillTimer(nullptr, FTimerId);
}

void TTimer::SetEnabled(bool V) {
  if (V == FEnabled) return;
  FEnabled = V;
  UpdateTimer();
}

void TTimer::SetInterval(Cardinal V) {
  if (V == FInterval) return;
  FInterval = V;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent V) {
  FOnTimer = std::move(V);
  UpdateTimer();
}

void TTimer::Loaded() {
  TComponent::Loaded();
  UpdateTimer();
}

void TTimer::Timer() {
  if (FEnabled && FOnTimer) FOnTimer(this);
}

void TTimer::UpdateTimer() {
  if (FTimerId) KillTimer(nullptr, FTimerId);
  FTimerId = 0;
  if (!FEnabled || FInterval == 0 || !FOnTimer || ComponentState().Contains(csLoading)) return;
  std::weak_ptr<TTimer*> Alive = FAlive;
  FTimerId = SetTimer(nullptr, 0, FInterval, [Alive](HWND, UINT, std::uintptr_t, DWORD) {
    if (auto A = Alive.lock(); A && *A) (*A)->Timer();
  });
}
