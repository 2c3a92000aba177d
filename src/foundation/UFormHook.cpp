// The form hook's global storage and its four routines.
#include "foundation/UFormHook.h"

namespace {
TFormHookProc GFormHookProc = nullptr;
bool GFormHookLocked = false;
}  // namespace

TFormHookProc FormHookProc() { return GFormHookProc; }

bool FormHookLocked() { return GFormHookLocked; }

void SetFormHook(TFormHookProc Proc) {
  if (!GFormHookLocked) GFormHookProc = Proc;
}

void SetFormHookLocked(TFormHookProc Proc) {
  GFormHookProc = Proc;
  GFormHookLocked = true;
}

void ClearFormHook() { GFormHookProc = nullptr; }

void CallFormHook(TComponent* Form, bool Flag) {
  if (GFormHookProc) GFormHookProc(Form, Flag);
}

void ResetFormHookForTesting() {
  GFormHookProc = nullptr;
  GFormHookLocked = false;
}
