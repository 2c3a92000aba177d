// TCustomForm: modal showing as a nested message loop.
#include "platform/gui/forms.h"

namespace {
TModalShowHook& Hook() {
  static TModalShowHook H;
  return H;
}

// Disables every other visible, enabled form; returns those disabled.
std::vector<TCustomForm*> DisableOtherForms(TCustomForm* Modal) {
  std::vector<TCustomForm*> Disabled;
  for (Integer I = 0; I < Screen->CustomFormCount(); ++I) {
    TCustomForm* F = Screen->CustomForms(I);
    if (F == Modal || !F->HandleAllocated() || !F->Visible() || !IsWindowEnabled(F->Handle())) continue;
    EnableWindow(F->Handle(), false);
    Disabled.push_back(F);
  }
  return Disabled;
}

void EnableForms(const std::vector<TCustomForm*>& Forms) {
  for (Integer I = 0; I < Screen->CustomFormCount(); ++I) {
    TCustomForm* F = Screen->CustomForms(I);
    if (std::find(Forms.begin(), Forms.end(), F) != Forms.end() && F->HandleAllocated())
      EnableWindow(F->Handle(), true);
  }
}
}  // namespace

void SetModalShowHook(TModalShowHook H) { Hook() = std::move(H); }
const TModalShowHook& ModalShowHook() { return Hook(); }

TModalResult TCustomForm::ShowModal() {
  AfterConstruction();
  if (Visible() || !Enabled() || FFormState.Contains(fsModal))
    throw EInvalidOperation("Sichtbares Fenster kann nicht modal gemacht werden");
  if (HWND Captured = GetCapture()) {
    SendMessage(Captured, WM_CANCELMODE);
    ReleaseCapture();
  }
  Application->CancelHint();
  HWND PrevActive = GetActiveWindow();
  std::vector<TCustomForm*> Disabled = DisableOtherForms(this);
  Application->ModalStarted();
  FFormState.Include(fsModal);
  FModalResult = mrNone;
  auto Finish = [&] {
    FFormState.Exclude(fsModal);
    if (Visible()) Hide();
    EnableForms(Disabled);
    if (PrevActive && IsWindow(PrevActive)) SetActiveWindow(PrevActive);
    Application->ModalFinished();
  };
  try {
    Show();
    RunModalLoop();
  } catch (...) {
    Finish();
    throw;
  }
  Finish();
  return FModalResult;
}

void TCustomForm::RunModalLoop() {
  bool Asked = false;
  for (;;) {
    if (Application->Terminated()) {
      if (FModalResult == mrNone) FModalResult = mrCancel;
      return;
    }
    if (FModalResult != mrNone) {
      CloseModal();
      if (FModalResult != mrNone) return;
    }
    MSG Pending;
    if (Hook() && !PeekMessage(Pending, nullptr, 0, 0, PM_NOREMOVE)) {
      Hook()(this, Asked);
      Asked = true;
      continue;
    }
    Application->HandleMessage();
  }
}

void TCustomForm::CloseModal() {
  TCloseAction Action = caNone;
  if (CloseQuery()) {
    Action = caHide;
    DoClose(Action);
  }
  if (Action == caNone) FModalResult = mrNone;
  else if (Action == caFree) Release();
}
