// TCustomForm: activation, the active control and the focus memory.
#include "platform/gui/forms.h"

namespace {
const char* const SCannotFocus = "Ein deaktiviertes oder unsichtbares Fenster kann nicht den Fokus erhalten";

bool Holds(TWinControl* Container, TWinControl* Control) {
  return Control && (Container == Control || Container->ContainsControl(Control));
}
}  // namespace

void TCustomForm::Activate() {
  FActive = true;
  FireEvent(OnActivate, this);
}

void TCustomForm::Deactivate() {
  FActive = false;
  FireEvent(OnDeactivate, this);
}

void TCustomForm::CMActivate(TMessage&) {
  if (!FActive) Activate();
}

void TCustomForm::CMDeactivate(TMessage&) {
  if (FActive) Deactivate();
}

void TCustomForm::WMActivate(TMessage& M) {
  if (LOWORD(M.WParam) != WA_INACTIVE) {
    Screen->SetActiveForm(this);
    FFormState.Include(fsActivated);
    Perform(CM_ACTIVATE, 0, 0);
    SetWindowFocus();
  } else {
    Perform(CM_DEACTIVATE, 0, 0);
    if (Screen->ActiveCustomForm() == this) Screen->SetActiveForm(nullptr);
  }
}

void TCustomForm::WMSetFocus(TMessage& M) {
  if (FActiveControl && FActiveControl != this && FActiveControl->CanFocus()) {
    ::SetFocus(FActiveControl->Handle());
    return;
  }
  Inherited(TCustomForm::StaticClass(), M);
}

void TCustomForm::SetWindowFocus() {
  if (!HandleAllocated() || !Showing()) return;
  TWinControl* Target = FActiveControl && FActiveControl->CanFocus() ? FActiveControl : nullptr;
  if (!Target) Target = FindNextControl(nullptr, true, true, false);
  ::SetFocus(Target && Target != this ? Target->Handle() : Handle());
}

void TCustomForm::SetFocus() {
  if (!Visible() || !Enabled()) throw EInvalidOperation(SCannotFocus);
  AfterConstruction();
  if (!Showing()) return;
  SetActiveWindow(Handle());
  SetWindowFocus();
}

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  FFocusedControl = Control;
  if (Control != this) FActiveControl = Control;
  else if (FActiveControl && !FActiveControl->CanFocus()) FActiveControl = nullptr;  // hidden or disabled
  Screen->SetFocusedControl(this, Control);
  return TWinControl::SetFocusedControl(Control);
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (FActiveControl == Control) return;
  bool Loading = ComponentState().Contains(csLoading);
  if (Control && !Loading &&
      (Control == this || GetParentForm(Control) != this || (FActive && !Control->CanFocus())))
    throw EInvalidOperation(SCannotFocus);
  FActiveControl = Control;
  if (!Loading && FActive && Control) SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* Control) {
  bool WasActive = FActive;
  SetActiveControl(Control);
  if (!WasActive && Visible() && Enabled()) SetFocus();
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
  if (!Control) return;
  if (Removing && Holds(Control, FFocusedControl)) FFocusedControl = Control->Parent();
  if (Holds(Control, FActiveControl)) FActiveControl = nullptr;
}

void TCustomForm::SendCancelMode(TControl* Sender) {
  if (FActiveControl && FActiveControl != this) FActiveControl->Perform(CM_CANCELMODE, 0, LPARAM(Sender));
}

void TCustomForm::CMDialogKey(TMessage& M) {
  TShiftState Shift = KeyDataToShiftState(M.LParam);
  if (M.WParam == VK_TAB && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt)) {
    SelectNext(FActiveControl, !Shift.Contains(ssShift), true);
    M.Result = 1;
    return;
  }
  Inherited(TCustomForm::StaticClass(), M);
}
