// Helpers shared by the parts of the settings load (USettingsLoad*.cpp).
//
// Thread safety: main thread only.
#pragma once

#include <exception>

#include "platform/rtl/system.h"

// Runs Body; an exception from it skips what is left of Body silently
// (settings read under their own guard).
template <class F>
void Guarded(F&& Body) {
  try {
    Body();
  } catch (std::exception&) {
  }
}

// Runs Body, the reading of the settings row Ident; an exception from it
// (a memo that does not read) is shown through ShowSettingsFailure naming
// the row, the row keeps its default and the load goes on.
template <class F>
void ReportedRow(Integer Ident, F&& Body);

// Shows "<B>Möglicher Fehler in der Datenbank:<BR></B>" + Message +
// "<BR>Führen Sie das Datenbankdienstprogramm aus." through
// SettingsMessageHook (nothing without a hook).
void ShowSettingsFailure(const String& Message);

// Shows ShowSettingsFailure's frame around "Einstellung <Ident> ist
// beschädigt und wurde übersprungen: " + Reason.
void ShowSkippedRow(Integer Ident, const String& Reason);

template <class F>
void ReportedRow(Integer Ident, F&& Body) {
  try {
    Body();
  } catch (std::exception& E) {
    ShowSkippedRow(Ident, E.what());
  }
}
