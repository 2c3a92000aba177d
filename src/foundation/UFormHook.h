// The form hook: one process-wide procedure that dialogs call from their
// creation handler, so that a look-and-feel unit can restyle every dialog
// without the dialog units knowing it.
//
// A default look installs its routine first (SetFormHook); the look-and-feel
// engine later installs its own and locks it (SetFormHookLocked), after
// which SetFormHook leaves the hook alone. The dialogs, the message box and
// the default look all call the one routine CallFormHook.
//
// Thread safety: set during start-up and shutdown and read when forms are
// created, all on the GUI thread; no lock.
#pragma once

class TComponent;

// The hook: a plain procedure taking the form being created and a flag.
using TFormHookProc = void (*)(TComponent* Form, bool Flag);

// The installed hook, or null when none is.
TFormHookProc FormHookProc();
// True once SetFormHookLocked has run (nothing clears it).
bool FormHookLocked();

// Installs Proc unless the hook is locked (then silently does nothing).
void SetFormHook(TFormHookProc Proc);
// Installs Proc and locks the hook.
void SetFormHookLocked(TFormHookProc Proc);
// Removes the hook, locked or not; the lock flag stays as it is.
void ClearFormHook();
// Calls the hook with (Form, Flag) when one is installed; otherwise does
// nothing. Exceptions of the hook pass to the caller.
void CallFormHook(TComponent* Form, bool Flag);

// Empties and unlocks the hook: the state at program start. For tests;
// the program itself never unlocks.
void ResetFormHookForTesting();
