// The process-wide number, currency and date formats.
//
// The class library formats and parses numbers and dates with one set of
// process-wide settings, initialised as on a German Windows and changed by
// the program's start-up code (currency setup, short date format). They are
// reachable two ways that name the same storage:
//   - the record FormatSettings (a TFormatSettings), which the conversion
//     routines take as an optional last argument, and
//   - plain variables with the historical names (DateSeparator,
//     ShortDateFormat, CurrencyString ...), references into that record.
// Month and day names are indexed from 1 (ShortMonthNames[1] = "Jan",
// LongDayNames[1] = "Sonntag").
//
// Thread safety: the settings are written on the GUI thread during start-up
// (and, bracketed, by the CSV stream format); readers on other threads must
// not run while they change. Do not format during static initialisation.
#pragma once

#include "platform/rtl/system.h"

// A fixed-size list of names indexed from 1, as the class library's arrays
// [1..N] are.
template <int N>
struct TNameArray {
  String Items[N];
  String& operator[](int Index) { return Items[Index - 1]; }
  const String& operator[](int Index) const { return Items[Index - 1]; }
  static constexpr int Count() { return N; }
};

// One complete set of formats. A default-constructed record has the German
// separators and numbers but empty texts and names; start from
// GermanFormatSettings() (or a copy of FormatSettings) instead.
struct TFormatSettings {
  Byte CurrencyFormat = 3;   // 0 "€1", 1 "1€", 2 "€ 1", 3 "1 €"
  Byte NegCurrFormat = 8;    // 0..15, see FloatToStrF(ffCurrency)
  char ThousandSeparator = '.';
  char DecimalSeparator = ',';
  Byte CurrencyDecimals = 2;
  char DateSeparator = '.';
  char TimeSeparator = ':';
  char ListSeparator = ';';
  String CurrencyString;
  String ShortDateFormat;
  String LongDateFormat;
  String TimeAMString;
  String TimePMString;
  String ShortTimeFormat;
  String LongTimeFormat;
  TNameArray<12> ShortMonthNames;
  TNameArray<12> LongMonthNames;
  TNameArray<7> ShortDayNames;  // 1 = Sunday
  TNameArray<7> LongDayNames;   // 1 = Sunday
  Word TwoDigitYearCenturyWindow = 50;
};

// The settings of a German Windows: '.', ':', ',', '.', "dd.MM.yyyy",
// "dddd, d. MMMM yyyy", "hh:mm", "hh:mm:ss", "€", currency format 3,
// negative format 8, 2 decimals, list separator ';', German names, no AM/PM
// strings (24-hour clock), century window 50.
TFormatSettings GermanFormatSettings();

// The process-wide settings.
extern TFormatSettings FormatSettings;

// Puts the process-wide settings back to GermanFormatSettings() (tests).
void ResetFormatSettings();

// The historical names of the process-wide settings.
inline Byte& CurrencyFormat = FormatSettings.CurrencyFormat;
inline Byte& NegCurrFormat = FormatSettings.NegCurrFormat;
inline char& ThousandSeparator = FormatSettings.ThousandSeparator;
inline char& DecimalSeparator = FormatSettings.DecimalSeparator;
inline Byte& CurrencyDecimals = FormatSettings.CurrencyDecimals;
inline char& DateSeparator = FormatSettings.DateSeparator;
inline char& TimeSeparator = FormatSettings.TimeSeparator;
inline char& ListSeparator = FormatSettings.ListSeparator;
inline String& CurrencyString = FormatSettings.CurrencyString;
inline String& ShortDateFormat = FormatSettings.ShortDateFormat;
inline String& LongDateFormat = FormatSettings.LongDateFormat;
inline String& TimeAMString = FormatSettings.TimeAMString;
inline String& TimePMString = FormatSettings.TimePMString;
inline String& ShortTimeFormat = FormatSettings.ShortTimeFormat;
inline String& LongTimeFormat = FormatSettings.LongTimeFormat;
inline TNameArray<12>& ShortMonthNames = FormatSettings.ShortMonthNames;
inline TNameArray<12>& LongMonthNames = FormatSettings.LongMonthNames;
inline TNameArray<7>& ShortDayNames = FormatSettings.ShortDayNames;
inline TNameArray<7>& LongDayNames = FormatSettings.LongDayNames;
inline Word& TwoDigitYearCenturyWindow = FormatSettings.TwoDigitYearCenturyWindow;
