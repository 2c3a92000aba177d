// Helpers shared by the TDateTime modules (not part of the public API).
//
// Thread safety: pure functions.
#pragma once

#include "platform/rtl/datetime.h"

// Splits Value into its day number (0001-01-01 = 1) and the milliseconds of
// its day, rounded to the nearest millisecond (a rounding up to midnight
// moves to the next day). False for values outside years 1..9999.
bool SplitDateTime(TDateTime Value, Int64& DayNumber, Integer& MsOfDay);

// A date plus a time of day, respecting that before 1899-12-30 the time
// fraction counts with the opposite sign.
TDateTime ComposeDateTime(TDateTime DatePart, TDateTime TimePart);
