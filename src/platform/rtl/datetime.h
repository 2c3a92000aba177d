// TDateTime: dates and times of the class library.
//
// A TDateTime (system.h) is a double: the integral part counts days since
// 30 December 1899, the fraction is the time of day (0.5 = noon). Negative
// values lie before 1899; their fraction still counts forward from
// midnight of the day given by the integral part (-1.25 = 29.12.1899 06:00).
// Text conversions use the date and time formats of a TFormatSettings, by
// default the process-wide FormatSettings ("dd.MM.yyyy", "hh:mm:ss" ...).
// Now, Date and Time read the clock of clock.h, so tests can set them.
//
// Thread safety: all routines are reentrant (see formatsettings.h for the
// settings they read).
#pragma once

#include "platform/rtl/clock.h"
#include "platform/rtl/format.h"

// Message templates of the date conversions.
extern const char* const SInvalidDate;      // "'%s' ist kein gültiges Datum"
extern const char* const SInvalidTime;      // "'%s' ist keine gültige Zeit"
extern const char* const SInvalidDateTime;  // "'%s' ist kein gültiges Datum und Zeit"
extern const char* const SDateEncodeError;  // "Ungültiges Argument für Datumskodierung"
extern const char* const STimeEncodeError;  // "Ungültiges Argument für Zeitkodierung"

constexpr Integer HoursPerDay = 24;
constexpr Integer MinsPerDay = 24 * 60;
constexpr Integer SecsPerDay = MinsPerDay * 60;
constexpr Integer MSecsPerDay = SecsPerDay * 1000;
// Days between 0001-01-01 and 1899-12-30.
constexpr Integer DateDelta = 693594;

// True for leap years of the Gregorian calendar.
bool IsLeapYear(Word Year);
// Days of Month (1..12) in Year; 0 for an invalid month.
Word DaysInMonth(Word Year, Word Month);

// The date Year-Month-Day (years 1..9999). TryEncodeDate returns false for
// an invalid date; EncodeDate raises EConvertError (SDateEncodeError).
bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date);
TDateTime EncodeDate(Word Year, Word Month, Word Day);

// The time of day Hour:Min:Sec.MSec as a fraction (hours 0..23, minutes and
// seconds 0..59, milliseconds 0..999). TryEncodeTime returns false when a
// part is out of range; EncodeTime raises EConvertError (STimeEncodeError).
bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time);
TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec);

// EncodeDate + EncodeTime; raises EConvertError when either part is invalid.
TDateTime EncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec,
                         Word MSec);
bool TryEncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec, Word MSec,
                       TDateTime& Value);

// Splits a value into its date parts. The value is first rounded to the
// nearest millisecond, so 23:59:59.9996 counts as the next day. Values
// outside years 1..9999 give zeros.
void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day);
void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec);
void DecodeDateTime(TDateTime Value, Word& Year, Word& Month, Word& Day, Word& Hour, Word& Min,
                    Word& Sec, Word& MSec);

// Day of the week of Date: 1 = Sunday .. 7 = Saturday.
Word DayOfWeek(TDateTime Date);

// Date moved by NumberOfMonths months (negative: back); a day beyond the
// end of the target month becomes its last day. The time of day is kept.
TDateTime IncMonth(TDateTime Date, Integer NumberOfMonths = 1);

// The current local date and time, date, and time of day, from the clock.
TDateTime Now();
TDateTime Date();
TDateTime Time();

// The value of a TSystemTime.
TDateTime SystemTimeToDateTime(const TSystemTime& T);

// Formats Value by Fmt. Tokens (letters in either case):
//   c       ShortDateFormat, then a blank and LongTimeFormat unless the time
//           is midnight
//   d dd    day without / with leading zero; ddd dddd short / long day name;
//           ddddd ShortDateFormat; dddddd LongDateFormat
//   m mm    month without / with leading zero, or minutes right after an h
//           or hh token; mmm mmmm short / long month name
//   yy yyyy two-digit / four-digit year
//   h hh    hour (12-hour clock when an am/pm token follows anywhere)
//   n nn    minutes; s ss seconds; z zzz milliseconds
//   t tt    ShortTimeFormat / LongTimeFormat
//   am/pm a/p  "am"/"pm" or "a"/"p" in the case written; ampm TimeAMString
//           or TimePMString
//   /  DateSeparator;  :  TimeSeparator
//   '...' "..."  text copied as it is; any other character is copied.
// An empty Fmt formats with "c".
String FormatDateTime(const String& Fmt, TDateTime Value,
                      const TFormatSettings& FS = FormatSettings);

// FormatDateTime with "ddddd", "tt" and "c".
String DateToStr(TDateTime Date, const TFormatSettings& FS = FormatSettings);
String TimeToStr(TDateTime Time, const TFormatSettings& FS = FormatSettings);
String DateTimeToStr(TDateTime Value, const TFormatSettings& FS = FormatSettings);

// Parses a date: up to three numbers separated by DateSeparator in the
// order of ShortDateFormat (day-month-year for "dd.MM.yyyy"); with two
// numbers the current year is assumed (by the clock). A year of one or two
// digits is placed in the century window: the hundred years starting
// TwoDigitYearCenturyWindow years before the current year (with 50 in 2026:
// 1976..2075; with 0: the current century). Blanks around the text are
// allowed.
// Raises EConvertError "'S' ist kein gültiges Datum".
TDateTime StrToDate(const String& S, const TFormatSettings& FS = FormatSettings);
bool TryStrToDate(const String& S, TDateTime& Value, const TFormatSettings& FS = FormatSettings);
TDateTime StrToDateDef(const String& S, TDateTime Default,
                       const TFormatSettings& FS = FormatSettings);

// Parses a time "h:n[:s[<DecimalSeparator>z]]" with TimeSeparator,
// optionally followed by am/pm (or TimeAMString/TimePMString).
// Raises EConvertError "'S' ist keine gültige Zeit".
TDateTime StrToTime(const String& S, const TFormatSettings& FS = FormatSettings);
bool TryStrToTime(const String& S, TDateTime& Value, const TFormatSettings& FS = FormatSettings);
TDateTime StrToTimeDef(const String& S, TDateTime Default,
                       const TFormatSettings& FS = FormatSettings);

// Parses a date optionally followed by a time, or a time alone.
// Raises EConvertError "'S' ist kein gültiges Datum und Zeit".
TDateTime StrToDateTime(const String& S, const TFormatSettings& FS = FormatSettings);
bool TryStrToDateTime(const String& S, TDateTime& Value,
                      const TFormatSettings& FS = FormatSettings);
TDateTime StrToDateTimeDef(const String& S, TDateTime Default,
                           const TFormatSettings& FS = FormatSettings);
