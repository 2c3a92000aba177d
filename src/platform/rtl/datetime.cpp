// Calendar arithmetic of TDateTime: encoding, decoding, the clock.
#include "platform/rtl/datetime.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/datetime_internal.h"

const char* const SInvalidDate = "'%s' ist kein gültiges Datum";
const char* const SInvalidTime = "'%s' ist keine gültige Zeit";
const char* const SInvalidDateTime = "'%s' ist kein gültiges Datum und Zeit";
const char* const SDateEncodeError = "Ungültiges Argument für Datumskodierung";
const char* const STimeEncodeError = "Ungültiges Argument für Zeitkodierung";

namespace {

constexpr Integer kMaxDay = 3652059;  // 9999-12-31, counted from 0001-01-01 as day 1

constexpr Word kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Year, month and day of a day number (0001-01-01 = 1).
void DayNumberToDate(Int64 Day, Word& Year, Word& Month, Word& DayOfMonth) {
  constexpr Int64 D1 = 365, D4 = D1 * 4 + 1, D100 = D4 * 25 - 1, D400 = D100 * 4 + 1;
  Int64 T = Day - 1;
  Int64 Y = 1 + T / D400 * 400;
  T %= D400;
  Int64 I = T / D100;
  T %= D100;
  if (I == 4) { --I; T += D100; }
  Y += I * 100;
  Y += T / D4 * 4;
  T %= D4;
  I = T / D1;
  T %= D1;
  if (I == 4) { --I; T += D1; }
  Y += I;
  Word M = 1;
  while (T >= DaysInMonth(static_cast<Word>(Y), M)) T -= DaysInMonth(static_cast<Word>(Y), M++);
  Year = static_cast<Word>(Y);
  Month = M;
  DayOfMonth = static_cast<Word>(T + 1);
}

}  // namespace

bool SplitDateTime(TDateTime Value, Int64& DayNumber, Integer& MsOfDay) {
  if (!std::isfinite(Value) || std::fabs(Value) > 3e6) return false;
  const double Whole = std::trunc(Value);
  Int64 Days = static_cast<Int64>(Whole);
  Int64 Ms = std::llround(std::fabs(Value - Whole) * MSecsPerDay);
  if (Ms >= MSecsPerDay) {
    Ms -= MSecsPerDay;
    Days += Value < 0 ? -1 : 1;
  }
  DayNumber = Days + DateDelta;
  MsOfDay = static_cast<Integer>(Ms);
  return DayNumber >= 1 && DayNumber <= kMaxDay;
}

TDateTime ComposeDateTime(TDateTime DatePart, TDateTime TimePart) {
  return DatePart < 0 ? DatePart - TimePart : DatePart + TimePart;
}

bool IsLeapYear(Word Year) { return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0); }

Word DaysInMonth(Word Year, Word Month) {
  if (Month < 1 || Month > 12) return 0;
  return Month == 2 && IsLeapYear(Year) ? 29 : kDaysInMonth[Month - 1];
}

bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date) {
  if (Year < 1 || Year > 9999 || Day < 1 || Day > DaysInMonth(Year, Month)) return false;
  Int64 N = Day;
  for (Word M = 1; M < Month; ++M) N += DaysInMonth(Year, M);
  const Int64 I = Year - 1;
  Date = static_cast<double>(I * 365 + I / 4 - I / 100 + I / 400 + N - DateDelta);
  return true;
}

TDateTime EncodeDate(Word Year, Word Month, Word Day) {
  TDateTime D = 0;
  if (!TryEncodeDate(Year, Month, Day, D)) throw EConvertError(SDateEncodeError);
  return D;
}

bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time) {
  if (Hour >= 24 || Min >= 60 || Sec >= 60 || MSec >= 1000) return false;
  Time = (Hour * 3600000.0 + Min * 60000.0 + Sec * 1000.0 + MSec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec) {
  TDateTime T = 0;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, T)) throw EConvertError(STimeEncodeError);
  return T;
}

bool TryEncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec, Word MSec,
                       TDateTime& Value) {
  TDateTime D = 0, T = 0;
  if (!TryEncodeDate(Year, Month, Day, D) || !TryEncodeTime(Hour, Min, Sec, MSec, T)) return false;
  Value = ComposeDateTime(D, T);
  return true;
}

TDateTime EncodeDateTime(Word Year, Word Month, Word Day, Word Hour, Word Min, Word Sec,
                         Word MSec) {
  return ComposeDateTime(EncodeDate(Year, Month, Day), EncodeTime(Hour, Min, Sec, MSec));
}

void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day) {
  Int64 N = 0;
  Integer Ms = 0;
  Year = Month = Day = 0;
  if (SplitDateTime(Date, N, Ms)) DayNumberToDate(N, Year, Month, Day);
}

void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec) {
  Int64 N = 0;
  Integer Ms = 0;
  Hour = Min = Sec = MSec = 0;
  if (!SplitDateTime(Time, N, Ms)) return;
  Hour = static_cast<Word>(Ms / 3600000);
  Min = static_cast<Word>(Ms / 60000 % 60);
  Sec = static_cast<Word>(Ms / 1000 % 60);
  MSec = static_cast<Word>(Ms % 1000);
}

void DecodeDateTime(TDateTime Value, Word& Year, Word& Month, Word& Day, Word& Hour, Word& Min,
                    Word& Sec, Word& MSec) {
  DecodeDate(Value, Year, Month, Day);
  DecodeTime(Value, Hour, Min, Sec, MSec);
}

Word DayOfWeek(TDateTime Date) {
  Int64 N = 0;
  Integer Ms = 0;
  if (!SplitDateTime(Date, N, Ms)) return 0;
  return static_cast<Word>(N % 7 + 1);
}

TDateTime IncMonth(TDateTime Date, Integer NumberOfMonths) {
  Word Y, M, D;
  DecodeDate(Date, Y, M, D);
  const Integer Total = Y * 12 + (M - 1) + NumberOfMonths;
  const Word NewYear = static_cast<Word>(Total / 12);
  const Word NewMonth = static_cast<Word>(Total % 12 + 1);
  const Word NewDay = std::min(D, DaysInMonth(NewYear, NewMonth));
  const TDateTime TimePart = std::fabs(Date - std::trunc(Date));
  return ComposeDateTime(EncodeDate(NewYear, NewMonth, NewDay), TimePart);
}

TDateTime SystemTimeToDateTime(const TSystemTime& T) {
  return EncodeDateTime(T.Year, T.Month, T.Day, T.Hour, T.Minute, T.Second, T.Milliseconds);
}

TDateTime Now() { return SystemTimeToDateTime(NowLocal()); }

TDateTime Date() {
  const TSystemTime T = NowLocal();
  return EncodeDate(T.Year, T.Month, T.Day);
}

TDateTime Time() {
  const TSystemTime T = NowLocal();
  return EncodeTime(T.Hour, T.Minute, T.Second, T.Milliseconds);
}
