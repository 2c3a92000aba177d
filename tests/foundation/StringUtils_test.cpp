#include "foundation/StringUtils.h"

#include <gtest/gtest.h>

#include "platform/rtl/strings.h"

namespace {

using TParts = std::vector<String>;

TParts Split(const String& Delimiter, const String& Text, Integer MaxCount = 0,
             Integer FinalLength = 0) {
  TParts Parts = {"stale"};
  SplitString(Delimiter, Text, MaxCount, Parts, FinalLength);
  return Parts;
}

String Replaced(String S, const String& Old, const String& New) {
  ReplaceTextAll(S, Old, New);
  return S;
}

// A list that records every exchange, to check that the sort moves items
// only through Exchange.
struct TRecordingList {
  TParts Items;
  int Exchanges = 0;
  String Get(Integer I) const { return Items.at(I); }
  void Exchange(Integer A, Integer B) {
    std::swap(Items.at(A), Items.at(B));
    ++Exchanges;
  }
};

// Runs on German formats and a fake clock at 5 March 2007, 14:07:09.045.
class StampTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFormatSettings();
    Clock = TFakeClock::At(2007, 3, 5, 14, 7, 9, 45);
    Use = std::make_unique<TClockOverride>(Clock);
  }
  void TearDown() override { ResetFormatSettings(); }

  std::shared_ptr<TFakeClock> Clock;
  std::unique_ptr<TClockOverride> Use;
};

}  // namespace

// ---------------------------------------------------------------------------
// SplitString

TEST(SplitString, KeepsEmptyInnerAndLeadingParts) {
  EXPECT_EQ(Split(";", "a;;b"), (TParts{"a", "", "b"}));
  EXPECT_EQ(Split(";", ";a"), (TParts{"", "a"}));
}

TEST(SplitString, TrailingDelimiterGivesNoEmptyLastPart) {
  EXPECT_EQ(Split(";", "a;b;"), (TParts{"a", "b"}));
  EXPECT_EQ(Split(";", ";"), (TParts{""}));
}

TEST(SplitString, MaxCountLetsTheLastPartRunToTheEnd) {
  EXPECT_EQ(Split(";", "a;b;c", 2), (TParts{"a", "b;c"}));
  EXPECT_EQ(Split(";", "a;b;c", 1), (TParts{"a;b;c"}));
  EXPECT_EQ(Split(";", "a;b;c", 5), (TParts{"a", "b", "c"}));
  EXPECT_EQ(Split(";", "a;b;c", 0), (TParts{"a", "b", "c"}));
}

TEST(SplitString, FinalLengthCutsOrPads) {
  EXPECT_EQ(Split(";", "a;b;c", 0, 5), (TParts{"a", "b", "c", "", ""}));
  EXPECT_EQ(Split(";", "a;b;c", 0, 2), (TParts{"a", "b"}));
}

TEST(SplitString, EmptyTextOrNegativeMaxCountGivesNothing) {
  EXPECT_TRUE(Split(";", "", 0, 5).empty());  // FinalLength not applied
  EXPECT_TRUE(Split(";", "a;b", -1, 5).empty());
}

TEST(SplitString, EmptyDelimiterGivesTheWholeText) {
  EXPECT_EQ(Split("", "a;b"), (TParts{"a;b"}));
}

TEST(SplitString, MultiCharacterDelimiterAndNulEndOfText) {
  EXPECT_EQ(Split("$$", "x$$y$z$$"), (TParts{"x", "y$z"}));
  EXPECT_EQ(Split(";", String("a;b\0;c", 6)), (TParts{"a", "b"}));
  EXPECT_EQ(Split(";", "A;a"), (TParts{"A", "a"}));
}

// ---------------------------------------------------------------------------
// ReplaceTextAll

TEST(ReplaceTextAll, IgnoresAsciiCase) {
  EXPECT_EQ(Replaced("Abc aBC", "abc", "x"), "x x");
}

TEST(ReplaceTextAll, ComparesUmlautsExactly) {
  EXPECT_EQ(Replaced("Äpfel äpfel", "äpfel", "Obst"), "Äpfel Obst");
}

TEST(ReplaceTextAll, ReplacedTextIsNotScannedAgain) {
  EXPECT_EQ(Replaced("a.b", ".", ".."), "a..b");
  EXPECT_EQ(Replaced("1.234,5", ".", ","), "1,234,5");
}

TEST(ReplaceTextAll, EmptyInputsChangeNothing) {
  EXPECT_EQ(Replaced("", "a", "b"), "");
  EXPECT_EQ(Replaced("abc", "", "b"), "abc");
  EXPECT_EQ(Replaced("abc", "b", ""), "ac");
}

TEST(ReplaceTextAll, ResultEndsAtNul) {
  EXPECT_EQ(Replaced(String("ab\0cd", 5), "a", "x"), "xb");
}

// ---------------------------------------------------------------------------
// Time stamps

TEST_F(StampTest, StampOfAKnownInstant) {
  const TDateTime T = EncodeDateTime(2007, 3, 5, 14, 7, 9, 45);
  EXPECT_EQ(DateTimeToStamp(T), "20070305-140709045");
  EXPECT_EQ(StampToDateTime("20070305-140709045"), T);
}

TEST_F(StampTest, ZeroMeansNow) {
  Clock->Advance(1000);
  EXPECT_EQ(DateTimeToStamp(0), "20070305-140710045");
}

TEST_F(StampTest, TextOrderIsTimeOrder) {
  const String Earlier = DateTimeToStamp(EncodeDateTime(2007, 3, 5, 9, 59, 59, 999));
  const String Later = DateTimeToStamp(EncodeDateTime(2007, 3, 5, 10, 0, 0, 0));
  EXPECT_LT(Earlier, Later);
  EXPECT_EQ(DateTimeToStamp(EncodeDate(1, 1, 1)), "00010101-000000000");
  EXPECT_EQ(DateTimeToStamp(EncodeDateTime(9999, 12, 31, 23, 59, 59, 999)), "99991231-235959999");
}

TEST_F(StampTest, NonStampsGiveZero) {
  EXPECT_EQ(StampToDateTime(""), 0);
  EXPECT_EQ(StampToDateTime("kein Stempel"), 0);
  EXPECT_EQ(StampToDateTime("00000305-140709045"), 0);  // year 0
  EXPECT_EQ(StampToDateTime("20070305-250709045"), 0);  // hour 25
  EXPECT_EQ(StampToDateTime("20070230-000000000"), 0);  // 30 February
}

TEST_F(StampTest, NinthCharacterIsNotRead) {
  EXPECT_EQ(StampToDateTime("20070305X140709045"), StampToDateTime("20070305-140709045"));
}

TEST_F(StampTest, ShortStampReadsMissingTimeAsZero) {
  EXPECT_EQ(StampToDateTime("20070305"), EncodeDate(2007, 3, 5));
}

// ---------------------------------------------------------------------------
// Quoting

TEST(UnquoteText, RemovesOuterQuotes) {
  EXPECT_EQ(UnquoteText("\"abc\""), "abc");
  EXPECT_EQ(UnquoteText("\"abc"), "ab");  // the last character goes whatever it is
  EXPECT_EQ(UnquoteText("\"\""), "");
  EXPECT_EQ(UnquoteText("\""), "\"");
  EXPECT_EQ(UnquoteText("ab"), "ab");
  EXPECT_EQ(UnquoteText("abc\""), "abc\"");
  EXPECT_EQ(UnquoteText("\"Größe\""), "Größe");
  EXPECT_EQ(UnquoteText("\"aä"), "a");
}

TEST(QuoteText, AddsQuotesWithoutEscaping) {
  EXPECT_EQ(QuoteText("a\"b"), "\"a\"b\"");
  EXPECT_EQ(QuoteText(""), "\"\"");
  EXPECT_EQ(UnquoteText(QuoteText("C:/Daten/")), "C:/Daten/");
}

// ---------------------------------------------------------------------------
// SortStringsText

TEST(SortStringsText, SortsARangeIgnoringCase) {
  TRecordingList L{{"zeta", "Beta", "alpha", "Gamma", "delta"}};
  SortStringsText(0, 4, L);
  EXPECT_EQ(L.Items, (TParts{"alpha", "Beta", "delta", "Gamma", "zeta"}));
  EXPECT_GT(L.Exchanges, 0);
}

TEST(SortStringsText, LeavesItemsOutsideTheRangeAlone) {
  TRecordingList L{{"z", "c", "b", "a", "0"}};
  SortStringsText(1, 3, L);
  EXPECT_EQ(L.Items, (TParts{"z", "a", "b", "c", "0"}));
}

TEST(SortStringsText, HandlesDuplicatesAndSortedInput) {
  TRecordingList L{{"b", "A", "a", "B", "a", "c", "C"}};
  SortStringsText(0, 6, L);
  for (std::size_t i = 1; i < L.Items.size(); ++i)
    EXPECT_LE(CompareText(L.Items[i - 1], L.Items[i]), 0);
  TRecordingList One{{"x"}};
  SortStringsText(0, 0, One);
  EXPECT_EQ(One.Exchanges, 0);
}

TEST(SortStringsText, WorksOnTheClassLibraryStringList) {
  TStringList List;
  for (const char* S : {"Müller", "meier", "Adam", "zorn", "Bach"}) List.Add(S);
  TStrings& AsStrings = List;
  SortStringsText(0, AsStrings.Count() - 1, AsStrings);
  EXPECT_EQ(List[0], "Adam");
  EXPECT_EQ(List[1], "Bach");
  EXPECT_EQ(List[2], "meier");
  EXPECT_EQ(List[3], "Müller");
  EXPECT_EQ(List[4], "zorn");
}

// ---------------------------------------------------------------------------
// Numbers

TEST(StrToFloatOrZero, ParsesWithTheProcessSeparator) {
  ResetFormatSettings();
  EXPECT_DOUBLE_EQ(StrToFloatOrZero("12,5"), 12.5);
  EXPECT_DOUBLE_EQ(StrToFloatOrZero("12.5"), 0);
  EXPECT_DOUBLE_EQ(StrToFloatOrZero(""), 0);
  EXPECT_DOUBLE_EQ(StrToFloatOrZero("abc"), 0);
  DecimalSeparator = '.';
  EXPECT_DOUBLE_EQ(StrToFloatOrZero("12.5"), 12.5);
  ResetFormatSettings();
}

TEST(IsOneText, OnlyTheTextOne) {
  EXPECT_TRUE(IsOneText("1"));
  EXPECT_FALSE(IsOneText(" 1"));
  EXPECT_FALSE(IsOneText("01"));
  EXPECT_FALSE(IsOneText(""));
}

TEST(ZeroPadInt, PadsOrCuts) {
  EXPECT_EQ(ZeroPadInt(7, 3), "007");
  EXPECT_EQ(ZeroPadInt(12345, 4), "1234");
  EXPECT_EQ(ZeroPadInt(2007, 4), "2007");
  EXPECT_EQ(ZeroPadInt(0, 3), "000");
  EXPECT_EQ(ZeroPadInt(-5, 3), "0-5");
  EXPECT_EQ(ZeroPadInt(5, 0), "");
}

TEST(UnitTexts, HoldTheirCharacterSets) {
  EXPECT_EQ(SDigitChars, "0123456789");
  EXPECT_EQ(SLowerAlphaChars.size(), 26u);
  EXPECT_EQ(SUpperAlphaChars.front(), 'A');
}
