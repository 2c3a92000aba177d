#include "platform/rtl/datetime.h"

#include <gtest/gtest.h>

#include "platform/rtl/conversion_test_helpers.h"

namespace {

// Tests run on German defaults and a fake clock standing at
// Monday, 5 March 2007, 14:07:09.045.
class DateTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFormatSettings();
    Use = std::make_unique<TClockOverride>(TFakeClock::At(2007, 3, 5, 14, 7, 9, 45));
  }
  void TearDown() override { ResetFormatSettings(); }

  static TDateTime Moment() { return EncodeDateTime(2007, 3, 5, 14, 7, 9, 45); }

  std::unique_ptr<TClockOverride> Use;
};

}  // namespace

// ---------------------------------------------------------------------------
// Calendar

TEST_F(DateTimeTest, EpochAndKnownSerials) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
}

TEST_F(DateTimeTest, DecodeInvertsEncodeOverCenturies) {
  for (Word Y : {1, 4, 100, 1600, 1899, 1900, 2000, 2004, 2100, 9999})
    for (Word M = 1; M <= 12; ++M)
      for (Word D : {Word(1), Word(15), DaysInMonth(Y, M)}) {
        Word Y2, M2, D2;
        DecodeDate(EncodeDate(Y, M, D), Y2, M2, D2);
        ASSERT_EQ(Y2 * 10000 + M2 * 100 + D2, Y * 10000 + M * 100 + D);
      }
}

TEST_F(DateTimeTest, DecodeTimeRoundsToMilliseconds) {
  Word H, N, S, Ms;
  DecodeTime(Moment(), H, N, S, Ms);
  EXPECT_EQ(H * 10000000 + N * 100000 + S * 1000 + Ms, 14 * 10000000 + 7 * 100000 + 9 * 1000 + 45);
  Word Y, M, D;
  const TDateTime AlmostMidnight = EncodeDate(2007, 3, 5) + (MSecsPerDay - 0.4) / MSecsPerDay;
  DecodeDateTime(AlmostMidnight, Y, M, D, H, N, S, Ms);
  EXPECT_EQ(D, 6);
  EXPECT_EQ(H + N + S + Ms, 0);
}

TEST_F(DateTimeTest, NegativeValuesCountTimeForwardFromTheirDay) {
  Word Y, M, D, H, N, S, Ms;
  DecodeDateTime(-1.25, Y, M, D, H, N, S, Ms);
  EXPECT_EQ(D, 29);
  EXPECT_EQ(H, 6);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
}

TEST_F(DateTimeTest, InvalidPartsAreRefused) {
  TDateTime V = 7;
  EXPECT_FALSE(TryEncodeDate(2007, 2, 29, V));
  EXPECT_TRUE(TryEncodeDate(2008, 2, 29, V));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, V));
  EXPECT_FALSE(TryEncodeDate(2000, 13, 1, V));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, V));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, V));
  EXPECT_EQ(ConvertErrorOf([] { EncodeDate(2007, 2, 30); }), "Ungültiges Argument für Datumskodierung");
  EXPECT_EQ(ConvertErrorOf([] { EncodeTime(1, 60, 0, 0); }), "Ungültiges Argument für Zeitkodierung");
}

TEST_F(DateTimeTest, LeapYearsAndMonthLengths) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(2000, 13), 0);
}

TEST_F(DateTimeTest, DayOfWeekStartsOnSunday) {
  EXPECT_EQ(DayOfWeek(EncodeDate(2007, 3, 4)), 1);  // Sunday
  EXPECT_EQ(DayOfWeek(Moment()), 2);                // Monday
  EXPECT_EQ(DayOfWeek(0), 7);                       // 30.12.1899 was a Saturday
}

TEST_F(DateTimeTest, IncMonthClampsTheDayAndKeepsTheTime) {
  const TDateTime Jan31 = EncodeDateTime(2007, 1, 31, 8, 30, 0, 0);
  EXPECT_EQ(IncMonth(Jan31, 1), EncodeDateTime(2007, 2, 28, 8, 30, 0, 0));
  EXPECT_EQ(IncMonth(Jan31, -2), EncodeDateTime(2006, 11, 30, 8, 30, 0, 0));
  EXPECT_EQ(IncMonth(Jan31, 13), EncodeDateTime(2008, 2, 29, 8, 30, 0, 0));
}

TEST_F(DateTimeTest, NowDateAndTimeComeFromTheClock) {
  EXPECT_EQ(Now(), Moment());
  EXPECT_EQ(Date(), EncodeDate(2007, 3, 5));
  EXPECT_DOUBLE_EQ(Time(), EncodeTime(14, 7, 9, 45));
}

// ---------------------------------------------------------------------------
// FormatDateTime

TEST_F(DateTimeTest, NumericTokens) {
  const TDateTime T = EncodeDateTime(2007, 3, 5, 4, 7, 9, 45);
  EXPECT_EQ(FormatDateTime("d.m.yy h:n:s.z", T), "5.3.07 4:7:9.45");
  EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", T), "05.03.2007 04:07:09.045");
  EXPECT_EQ(FormatDateTime("YYYY-MM-DD", T), "2007-03-05");
  EXPECT_EQ(FormatDateTime("y", T), "07");
}

TEST_F(DateTimeTest, MAfterHourMeansMinutes) {
  const TDateTime T = EncodeDateTime(2007, 3, 5, 4, 7, 9, 0);
  EXPECT_EQ(FormatDateTime("hh:mm", T), "04:07");
  EXPECT_EQ(FormatDateTime("h 'Uhr' m", T), "4 Uhr 7");
  EXPECT_EQ(FormatDateTime("mm hh", T), "03 04");
  EXPECT_EQ(FormatDateTime("hh:mm dd.mm", T), "04:07 05.03");
  EXPECT_EQ(FormatDateTime("hh mmmm", T), "04 März");
}

TEST_F(DateTimeTest, NamesComeFromTheSettings) {
  EXPECT_EQ(FormatDateTime("ddd dddd mmm mmmm", Moment()), "Mo Montag Mrz März");
  LongMonthNames[3] = "Lenzing";
  EXPECT_EQ(FormatDateTime("mmmm", Moment()), "Lenzing");
}

TEST_F(DateTimeTest, CompositeTokensUseTheSettingsFormats) {
  EXPECT_EQ(FormatDateTime("ddddd", Moment()), "05.03.2007");
  EXPECT_EQ(FormatDateTime("dddddd", Moment()), "Montag, 5. März 2007");
  EXPECT_EQ(FormatDateTime("t", Moment()), "14:07");
  EXPECT_EQ(FormatDateTime("tt", Moment()), "14:07:09");
  EXPECT_EQ(FormatDateTime("c", Moment()), "05.03.2007 14:07:09");
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2007, 3, 5)), "05.03.2007");
  EXPECT_EQ(FormatDateTime("", EncodeDate(2007, 3, 5)), "05.03.2007");
}

TEST_F(DateTimeTest, SeparatorsAndQuotedText) {
  DateSeparator = '/';
  TimeSeparator = '-';
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", Moment()), "05/03/2007 14-07");
  EXPECT_EQ(FormatDateTime("'dd/mm' \"hh\" dd", Moment()), "dd/mm hh 05");
  EXPECT_EQ(FormatDateTime("yyyy#dd!", Moment()), "2007#05!");
}

TEST_F(DateTimeTest, TwelveHourClockWithAmPmTokens) {
  const TDateTime Afternoon = EncodeTime(14, 5, 0, 0);
  const TDateTime Midnight = EncodeTime(0, 30, 0, 0);
  EXPECT_EQ(FormatDateTime("h:nn am/pm", Afternoon), "2:05 pm");
  EXPECT_EQ(FormatDateTime("h:nn AM/PM", Midnight), "12:30 AM");
  EXPECT_EQ(FormatDateTime("hh a/p", Afternoon), "02 p");
  EXPECT_EQ(FormatDateTime("hh A/P", Midnight), "12 A");
  TimeAMString = "vorm.";
  TimePMString = "nachm.";
  EXPECT_EQ(FormatDateTime("h ampm", Afternoon), "2 nachm.");
  EXPECT_EQ(FormatDateTime("hh", Afternoon), "14");
}

// ---------------------------------------------------------------------------
// Parsing

TEST_F(DateTimeTest, GermanDatesRoundTrip) {
  for (TDateTime D : {EncodeDate(2007, 3, 5), EncodeDate(1999, 12, 31), EncodeDate(2024, 2, 29)})
    EXPECT_EQ(StrToDate(DateToStr(D)), D);
  EXPECT_EQ(StrToDateTime(DateTimeToStr(Moment() - EncodeTime(0, 0, 0, 45))),
            Moment() - EncodeTime(0, 0, 0, 45));
  EXPECT_DOUBLE_EQ(StrToTime(TimeToStr(EncodeTime(23, 59, 58, 0))), EncodeTime(23, 59, 58, 0));
}

TEST_F(DateTimeTest, StrToDateFollowsTheShortDateOrder) {
  EXPECT_EQ(StrToDate(" 5.3.2007 "), EncodeDate(2007, 3, 5));
  ShortDateFormat = "MM/dd/yyyy";
  DateSeparator = '/';
  EXPECT_EQ(StrToDate("3/5/2007"), EncodeDate(2007, 3, 5));
  ShortDateFormat = "yyyy-mm-dd";
  DateSeparator = '-';
  EXPECT_EQ(StrToDate("2007-03-05"), EncodeDate(2007, 3, 5));
  EXPECT_EQ(StrToDate("12-24"), EncodeDate(2007, 12, 24));
}

TEST_F(DateTimeTest, TwoNumbersMeanTheCurrentYear) {
  EXPECT_EQ(StrToDate("24.12"), EncodeDate(2007, 12, 24));
}

TEST_F(DateTimeTest, TwoDigitYearsFallInTheCenturyWindow) {
  EXPECT_EQ(StrToDate("1.1.07"), EncodeDate(2007, 1, 1));
  EXPECT_EQ(StrToDate("1.1.56"), EncodeDate(2056, 1, 1));  // window 1957..2056
  EXPECT_EQ(StrToDate("1.1.57"), EncodeDate(1957, 1, 1));
  EXPECT_EQ(StrToDate("1.1.0099"), EncodeDate(99, 1, 1));  // four digits are taken as written
  TwoDigitYearCenturyWindow = 0;
  EXPECT_EQ(StrToDate("1.1.58"), EncodeDate(2058, 1, 1));
}

TEST_F(DateTimeTest, TimesWithSecondsMillisecondsAndAmPm) {
  EXPECT_DOUBLE_EQ(StrToTime("9:00"), EncodeTime(9, 0, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("14:07:09,045"), EncodeTime(14, 7, 9, 45));
  EXPECT_DOUBLE_EQ(StrToTime("2:05 PM"), EncodeTime(14, 5, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("12:30 am"), EncodeTime(0, 30, 0, 0));
  EXPECT_THROW(StrToTime("13:00 pm"), EConvertError);
}

TEST_F(DateTimeTest, BadTextsRaiseGermanErrors) {
  EXPECT_EQ(ConvertErrorOf([] { StrToDate("30.02.2007"); }), "'30.02.2007' ist kein gültiges Datum");
  EXPECT_EQ(ConvertErrorOf([] { StrToTime("25:00"); }), "'25:00' ist keine gültige Zeit");
  EXPECT_EQ(ConvertErrorOf([] { StrToDateTime("heute"); }), "'heute' ist kein gültiges Datum und Zeit");
  EXPECT_THROW(StrToDate("5"), EConvertError);
  EXPECT_THROW(StrToDate("5.3.2007x"), EConvertError);
  EXPECT_THROW(StrToDate(""), EConvertError);
  EXPECT_THROW(StrToTime("9"), EConvertError);
  EXPECT_THROW(StrToDateTime("5.3.2007 9"), EConvertError);
}

TEST_F(DateTimeTest, TryAndDefaultVariantsDoNotRaise) {
  TDateTime V = 42;
  EXPECT_FALSE(TryStrToDate("x", V));
  EXPECT_EQ(V, 42);
  EXPECT_TRUE(TryStrToDateTime("10:30", V));
  EXPECT_DOUBLE_EQ(V, EncodeTime(10, 30, 0, 0));
  EXPECT_EQ(StrToDateDef("x", 1), 1);
  EXPECT_EQ(StrToTimeDef("x", 2), 2);
  EXPECT_EQ(StrToDateTimeDef("x", 3), 3);
  EXPECT_EQ(StrToDateTimeDef("5.3.2007", 3), EncodeDate(2007, 3, 5));
}
