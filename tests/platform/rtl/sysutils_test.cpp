#include "platform/rtl/sysutils.h"

#include <gtest/gtest.h>

// ---------------------------------------------------------------------------
// Trimming and case

TEST(SysUtilsText, TrimRemovesBlanksAndControlsOnly) {
  EXPECT_EQ(Trim(" \t Größe \r\n"), "Größe");
  EXPECT_EQ(TrimLeft("  a b  "), "a b  ");
  EXPECT_EQ(TrimRight("  a b  "), "  a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("\xC2\xA0x"), "\xC2\xA0x");  // a no-break space is no blank
}

TEST(SysUtilsText, AsciiCaseLeavesUmlautsAlone) {
  EXPECT_EQ(UpperCase("straße äb"), "STRAßE äB");
  EXPECT_EQ(LowerCase("ÄRGER Ab"), "Ärger ab");
}

TEST(SysUtilsText, AsciiComparisons) {
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("abc", "abd"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  EXPECT_GT(CompareText("_", "a"), 0);  // folds to upper case: '_' (0x5F) > 'A'
  EXPECT_LT(CompareStr("ABC", "abc"), 0);
  EXPECT_TRUE(SameText("Kelpo", "KELPO"));
  EXPECT_FALSE(SameText("Äpfel", "äpfel"));
  EXPECT_TRUE(SameStr("x", "x"));
}

TEST(SysUtilsText, AnsiSearchHelpers) {
  EXPECT_EQ(AnsiPos("ö", "Möhre"), 2);
  EXPECT_TRUE(AnsiStartsText("MÖ", "möhre"));
  EXPECT_TRUE(AnsiEndsText("HRE", "möhre"));
  EXPECT_FALSE(AnsiStartsText("möhren", "möhre"));
  EXPECT_TRUE(AnsiContainsText("Große Möhre", "ÖHR"));
}

// ---------------------------------------------------------------------------
// Quoting

TEST(SysUtilsQuoting, QuotedStrDoublesInnerQuotes) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
}

TEST(SysUtilsQuoting, DequotingUndoesQuoting) {
  for (const String S : {"it's", "plain", "''", "x'"})
    EXPECT_EQ(AnsiDequotedStr(QuotedStr(S), '\''), S);
}

TEST(SysUtilsQuoting, DequotingOddInputs) {
  EXPECT_EQ(AnsiDequotedStr("abc", '\''), "abc");        // not quoted
  EXPECT_EQ(AnsiDequotedStr("'abc", '\''), "abc");       // missing closing quote
  EXPECT_EQ(AnsiDequotedStr("'ab'cd", '\''), "ab");      // text after the quote
  EXPECT_EQ(AnsiDequotedStr("''", '\''), "''");          // empty quoted text gives S
  EXPECT_EQ(AnsiExtractQuotedStr("''", '\''), "");
}

// ---------------------------------------------------------------------------
// Replacing and building

TEST(SysUtilsReplace, FirstOrAllOccurrences) {
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", 0), "a+b-c");
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", rfReplaceAll), "a+b+c");
  EXPECT_EQ(StringReplace("aaa", "a", "aa", rfReplaceAll), "aaaaaa");  // no rescanning
  EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
}

TEST(SysUtilsReplace, IgnoreCaseUsesGermanRules) {
  EXPECT_EQ(StringReplace("Öl und öl", "ÖL", "Fett", rfReplaceAll | rfIgnoreCase), "Fett und Fett");
  EXPECT_EQ(StringReplace("Öl und öl", "ÖL", "Fett", rfReplaceAll), "Öl und öl");
  EXPECT_EQ(StringReplace("xÄäy", "ä", "-", rfReplaceAll | rfIgnoreCase), "x--y");
}

TEST(SysUtilsBuild, StringOfChar) {
  EXPECT_EQ(StringOfChar('0', 3), "000");
  EXPECT_EQ(StringOfChar('0', -1), "");
  EXPECT_EQ(StringOfChar("ä", 2), "ää");
}

TEST(SysUtilsBuild, DelimitersAreFoundByCharacterPosition) {
  EXPECT_EQ(LastDelimiter("./", "/ä/b.txt"), 5);
  EXPECT_EQ(LastDelimiter("ü", "Müllerü"), 7);
  EXPECT_EQ(LastDelimiter(".", "abc"), 0);
  EXPECT_TRUE(IsDelimiter(";,", "a;ä,b", 4));
  EXPECT_FALSE(IsDelimiter(";,", "a;ä,b", 3));
  EXPECT_FALSE(IsDelimiter(";,", "a;", 9));
}

TEST(SysUtilsBuild, AdjustLineBreaksMakesCrLf) {
  EXPECT_EQ(AdjustLineBreaks("a\nb\rc\r\nd\n\re"), "a\r\nb\r\nc\r\nd\r\ne");
  EXPECT_EQ(AdjustLineBreaks("a\n\nb"), "a\r\n\r\nb");
  EXPECT_EQ(AdjustLineBreaks("a\r\nb\r", tlbsLF), "a\nb\n");
}

// ---------------------------------------------------------------------------
// Booleans

TEST(SysUtilsBool, BoolTextsBothWays) {
  EXPECT_EQ(BoolToStr(true), "-1");
  EXPECT_EQ(BoolToStr(false), "0");
  EXPECT_EQ(BoolToStr(true, true), "True");
  EXPECT_TRUE(StrToBool("true"));
  EXPECT_FALSE(StrToBool("FALSE"));
  EXPECT_TRUE(StrToBool("-1"));
  EXPECT_TRUE(StrToBool("2"));
  EXPECT_FALSE(StrToBool("0"));
  EXPECT_TRUE(StrToBoolDef("ja", true));
  try {
    StrToBool("ja");
    FAIL();
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.Message(), "'ja' ist kein gültiger Boolescher Wert");
  }
}

// ---------------------------------------------------------------------------
// File names

TEST(SysUtilsFileNames, PartsOfAPath) {
  const String F = "/daten/Kelpo/setup.OAT";
  EXPECT_EQ(ExtractFilePath(F), "/daten/Kelpo/");
  EXPECT_EQ(ExtractFileDir(F), "/daten/Kelpo");
  EXPECT_EQ(ExtractFileName(F), "setup.OAT");
  EXPECT_EQ(ExtractFileExt(F), ".OAT");
  EXPECT_EQ(ChangeFileExt(F, ".OAI"), "/daten/Kelpo/setup.OAI");
  EXPECT_EQ(ChangeFileExt(F, ""), "/daten/Kelpo/setup");
}

TEST(SysUtilsFileNames, EdgeCases) {
  EXPECT_EQ(ExtractFileDir("/x"), "/");
  EXPECT_EQ(ExtractFileDir("x"), "");
  EXPECT_EQ(ExtractFilePath("x"), "");
  EXPECT_EQ(ExtractFileExt("/a.b/c"), "");
  EXPECT_EQ(ExtractFileExt("arc.tar.gz"), ".gz");
  EXPECT_EQ(ChangeFileExt("/a.b/c", ".txt"), "/a.b/c.txt");
  EXPECT_EQ(ExtractFileName("/a/"), "");
}

TEST(SysUtilsFileNames, TrailingDelimiter) {
  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp/"), "/tmp");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp"), "/tmp");
}

TEST(SysUtilsFileNames, SameFileNameIgnoresCase) {
  EXPECT_TRUE(SameFileName("/Daten/Setup.oat", "/daten/SETUP.OAT"));
  EXPECT_TRUE(SameFileName("Größe.txt", "GRÖßE.TXT"));
  EXPECT_FALSE(SameFileName("a.txt", "b.txt"));
}

// ---------------------------------------------------------------------------
// The one include gives the whole layer

TEST(SysUtilsInclude, EverythingIsReachable) {
  ResetFormatSettings();
  EXPECT_EQ(Format("%s %d", {IntToStr(1), Length("äö")}), "1 2");
  EXPECT_EQ(FormatDateTime("yyyy", EncodeDate(2001, 1, 1)), "2001");
  EXPECT_EQ(DecimalSeparator, ',');
  EXPECT_GT(GetTickCount64(), 0u);
}
