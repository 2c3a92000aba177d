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

// Shows "<B>Möglicher Fehler in der Datenbank:<BR></B>" + Message +
// "<BR>Führen Sie das Datenbankdienstprogramm aus." through
// SettingsMessageHook (nothing without a hook).
void ShowSettingsFailure(const String& Message);
