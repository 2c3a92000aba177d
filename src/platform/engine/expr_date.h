// Calendar arithmetic of the engine: Julian day numbers, the engine's date
// formats and the texts of dates, times and timestamps.
//
// A Julian day number counts days from 1 January 4713 BC (proleptic
// Julian); 2451545 is 1 January 2000. The class library's TDateTime day
// number plus 2415019 is the Julian day (Julian 1721425 + class-library
// date = the table's 4-byte date, see the record layout). Julian 0 is the
// empty date everywhere in the engine.
//
// Date formats are the engine's: letters D (day), M (month), Y or C (year or
// century digits; "CCYY" and "YYYY" both mean a four-digit year, "YY" two
// digits), any other character is a separator. Case does not matter.
//
// Thread safety: pure functions.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/rtl/system.h"

namespace oak {

// Offset between the class library's day number and the Julian day.
constexpr std::int32_t kJulianOfDateZero = 2415019;

// Julian day of a Gregorian date; 0 when the date is not valid (month 1..12,
// day within the month, year 1..9999).
std::int32_t JulianFromYMD(int Year, int Month, int Day);
// The Gregorian date of a Julian day (> 0).
void YMDFromJulian(std::int32_t Julian, int& Year, int& Month, int& Day);

// "YYYYMMDD" of a date; eight blanks for the empty date.
String JulianToDtos(std::int32_t Julian);
// Reads "YYYYMMDD" (blanks or empty text: the empty date). Returns false
// when the text is no valid date.
bool DtosToJulian(std::string_view Text, std::int32_t& Julian);

// The date in Format ("DD.MM.YYYY" -> "31.12.2024"); the empty date gives
// blanks of the format's width.
String FormatJulian(std::int32_t Julian, std::string_view Format);
// Reads a date written in Format; a blank text is the empty date (true,
// Julian 0). Two-digit years are taken as 19xx above 49, else 20xx.
// Returns false when the text does not fit the format or is no valid date.
bool ParseJulian(std::string_view Text, std::string_view Format, std::int32_t& Julian);

// Reads a time of day "hh:mm[:ss[.zzz]]" (optionally followed by AM/PM)
// into milliseconds since midnight. Returns false when malformed.
bool ParseTimeOfDay(std::string_view Text, std::int32_t& Millis);
// "hh:mm:ss" of milliseconds since midnight.
String FormatTimeOfDay(std::int32_t Millis);

// Splits a TDateTime into Julian day and milliseconds since midnight.
void DateTimeToJulianMs(TDateTime Value, std::int32_t& Julian, std::int32_t& Millis);

}  // namespace oak
