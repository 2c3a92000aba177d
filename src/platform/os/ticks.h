// The tick count and waits of the platform, as the system reaches them
// through platform/os. They come from the one injectable clock of the class
// library (platform/rtl/clock.h): a test that installs a TFakeClock moves
// GetTickCount and makes Sleep return at once.
//
// Thread safety: see platform/rtl/clock.h.
#pragma once

#include "platform/os/errors.h"
#include "platform/rtl/clock.h"

// GetTickCount and GetTickCount64 are declared in platform/rtl/clock.h.

// Waits Milliseconds on the clock in force (Win32's Sleep).
inline void Sleep(DWORD Milliseconds) { ClockSleep(Milliseconds); }
