// TPlainButton: the shared hover timer, hover tracking, focus and the
// mouse.
#include "ui/look/TPlainButtonUnit.h"

namespace {

// The hover timer shared by every button: made on first use, freed with
// the last button; it watches the button the mouse entered last.
struct THoverTimer {
  Integer Instances = 0;
  TPlainButton* Tracked = nullptr;
  std::uintptr_t Id = 0;

  void Restart(TPlainButton* Button) {
    Stop();
    Tracked = Button;
    Id = SetTimer(nullptr, 0, 100, [](HWND, UINT, std::uintptr_t, DWORD) { TPlainButton::HoverTimerTick(); });
  }
  void Stop() {
    if (Id) KillTimer(nullptr, Id);
    Id = 0;
  }
};

THoverTimer& HoverTimer() {
  static THoverTimer Timer;
  return Timer;
}

}  // namespace

void TPlainButton::CountInstance(TPlainButton* Button, bool Created) {
  THoverTimer& T = HoverTimer();
  if (Created) {
    ++T.Instances;
    return;
  }
  if (T.Tracked == Button) {
    T.Stop();
    T.Tracked = nullptr;
  }
  if (--T.Instances == 0) T.Stop();
}

// ---- Hover tracking ---------------------------------------------------------------------

TPlainButton* TPlainButton::TrackedButton() { return HoverTimer().Tracked; }

void TPlainButton::HoverTimerTick() {
  TPlainButton* B = HoverTimer().Tracked;
  if (B && FindDragTarget(GetCursorPos(), true) != B) B->MouseLeaveStep();
}

void TPlainButton::MouseEnterStep() {
  if (!Enabled() || FMouseInControl) return;
  FMouseInControl = true;
  Repaint();
}

void TPlainButton::MouseLeaveStep() {
  if (!Enabled() || !FMouseInControl || FDragging) return;
  if (!FFocused) FMouseInControl = false;
  StopTracking();
  Repaint();
}

void TPlainButton::StopTracking() {
  THoverTimer& T = HoverTimer();
  if (T.Tracked != this) return;
  T.Stop();
  T.Tracked = nullptr;
}

void TPlainButton::UpdateTracking() {
  if (!Enabled()) return;
  bool Inside = FindDragTarget(GetCursorPos(), true) == this;
  FMouseInControl = !Inside;
  if (Inside)
    MouseEnterStep();
  else
    MouseLeaveStep();
}

void TPlainButton::CMEnabledChanged(TMessage& M) {
  Inherited(TPlainButton::StaticClass(), M);
  if (!Enabled()) {
    FMouseInControl = false;
    FState = 1;
    StopTracking();
  } else {
    UpdateTracking();
  }
  Repaint();
}

void TPlainButton::WMSetFocus(TMessage& M) {
  Inherited(TPlainButton::StaticClass(), M);
  if (!Enabled()) return;
  FFocused = true;
  FMouseInControl = true;
  Repaint();
}

void TPlainButton::WMKillFocus(TMessage& M) {
  Inherited(TPlainButton::StaticClass(), M);
  FFocused = false;
  MouseLeaveStep();
}

// ---- Mouse --------------------------------------------------------------------------------

bool TPlainButton::IsInside(Integer X, Integer Y) {
  return X >= 0 && X < ClientWidth() && Y >= 0 && Y <= ClientHeight();
}

void TPlainButton::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !Enabled()) return;
  if (!FDown) {
    FState = 2;
    Repaint();
  }
  FDragging = true;
  if (CanFocus()) SetFocus();
}

void TPlainButton::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  THoverTimer& T = HoverTimer();
  if (T.Tracked != this && FindDragTarget(GetCursorPos(), true) == this) {
    if (TPlainButton* Old = T.Tracked) Old->MouseLeaveStep();
    if (GetActiveWindow()) T.Restart(this);
    MouseEnterStep();
  }
  if (!FDragging) return;
  Integer NewState = FDown ? 3 : (IsInside(X, Y) ? 2 : 0);
  if (NewState != FState) {
    FState = NewState;
    Repaint();
  }
}

void TPlainButton::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (!FDragging) return;
  FDragging = false;
  bool Inside = IsInside(X, Y);
  if (FGroupIndex == 0) {
    FState = 0;
    FMouseInControl = false;
    if (Inside) Repaint();
  } else if (Inside) {
    SetDown(!FDown);
    if (FDown) Repaint();
  } else {
    if (FDown) FState = 3;
    Repaint();
  }
  if (Inside)
    Click();
  else
    MouseLeaveStep();
  UpdateTracking();
}

void TPlainButton::WMLButtonDblClk(TMessage& M) {
  Inherited(TPlainButton::StaticClass(), M);
  if (FDown) DblClick();
}

void TPlainButton::Click() {
  if (!Enabled() || !Visible()) return;
  bool Clicked = true;
  if (OnBeforeClick) OnBeforeClick(this, Clicked);
  if (!Clicked) return;
  if (TCustomForm* Form = GetParentForm(this)) Form->SetModalResult(FModalResult);
  TCustomControl::Click();
  if (PopupMenu() && PopupMenuHook) PopupMenuHook(this, PopupMenu(), ClientToScreen(Point(0, Height())));
}
