#include "platform/rtl/charset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

// ---------------------------------------------------------------------------
// Character counting

TEST(Utf8Text, LengthCountsCharactersNotBytes) {
  EXPECT_EQ(Length("Größe"), 5);
  EXPECT_EQ(Length(""), 0);
  EXPECT_EQ(Length("€"), 1);
  EXPECT_EQ(Utf8CharCount("a😀b"), 3);
}

TEST(Utf8Text, CopyTakesCharactersFromOneBasedIndex) {
  EXPECT_EQ(Copy("Müller", 2, 3), "üll");
  EXPECT_EQ(Copy("Müller", 0, 2), "M");   // index below 1 eats into the count
  EXPECT_EQ(Copy("Müller", 5, 100), "er");
  EXPECT_EQ(Copy("Müller", 7, 1), "");
  EXPECT_EQ(Copy("Müller", 2, 0), "");
  EXPECT_EQ(Copy("Müller", 2, -1), "");
}

TEST(Utf8Text, PosReturnsCharacterPosition) {
  EXPECT_EQ(Pos("ß", "Straße"), 5);
  EXPECT_EQ(Pos("e", "Straße"), 6);
  EXPECT_EQ(Pos("x", "Straße"), 0);
  EXPECT_EQ(Pos("", "Straße"), 0);
  EXPECT_EQ(PosEx("ä", "äbä", 2), 3);
  EXPECT_EQ(PosEx("ä", "äbä", 4), 0);
}

TEST(Utf8Text, DeleteAndInsertWorkInCharacters) {
  String S = "Bärenhöhle";
  Delete(S, 2, 4);
  EXPECT_EQ(S, "Bhöhle");
  Insert("ä", S, 2);
  EXPECT_EQ(S, "Bähöhle");
  Insert("!", S, 99);
  EXPECT_EQ(S, "Bähöhle!");
  Delete(S, 0, 3);
  EXPECT_EQ(S, "Bähöhle!");
}

TEST(Utf8Text, ByteOffsetAndCharPosAreInverse) {
  const String S = "aäb€c";
  for (Integer i = 0; i <= Length(S); ++i)
    EXPECT_EQ(Utf8CharPos(S, Utf8ByteOffset(S, i)), i + 1);
  EXPECT_EQ(CharAt(S, 4), "€");
  EXPECT_EQ(CharAt(S, 9), "");
}

// A field cut to N characters: the byte offset of character N, or the
// whole text when it has no more than N characters, however many bytes.
TEST(Utf8Text, ByteOffsetAtAndAroundTheTextsEnd) {
  const String S = "\xC3\xA4\xE2\x82\xAC" "b";  // "ä€b": 3 characters, 6 bytes
  EXPECT_EQ(Utf8ByteOffset(S, 1), 2u);
  EXPECT_EQ(Utf8ByteOffset(S, 2), 5u);
  EXPECT_EQ(Utf8ByteOffset(S, 3), 6u);
  EXPECT_EQ(Utf8ByteOffset(S, 5), 6u);  // fewer bytes than asked for
  EXPECT_EQ(Utf8ByteOffset(S, 6), 6u);
  EXPECT_EQ(Utf8ByteOffset(S, 0), 0u);
  EXPECT_EQ(Utf8ByteOffset("", 3), 0u);
}

TEST(Utf8Text, InvalidBytesDecodeAsReplacementCharacter) {
  const String S = "a\xFF" "b";
  std::size_t I = 1;
  EXPECT_EQ(Utf8Decode(S, I), char32_t(0xFFFD));
  EXPECT_EQ(I, 2u);
}

// ---------------------------------------------------------------------------
// Code pages

TEST(CodePages, AnsiRoundTripsEveryByte) {
  std::string All;
  for (int b = 1; b < 256; ++b) All += static_cast<char>(b);
  EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(All)), All);
}

TEST(CodePages, AnsiKnowsTheEuroAndTheUmlauts) {
  EXPECT_EQ(AnsiToUtf8("\x80"), "€");
  EXPECT_EQ(AnsiToUtf8("M\xFCller"), "Müller");
  EXPECT_EQ(Utf8ToAnsi("Größe €"), "Gr\xF6\xDF" "e \x80");
}

TEST(CodePages, PlainTextAndTextThatTurnsLateConvertBothWays) {
  EXPECT_EQ(AnsiToUtf8("20261105-100000000"), "20261105-100000000");
  EXPECT_EQ(Utf8ToAnsi("300000001"), "300000001");
  EXPECT_EQ(AnsiToUtf8(""), "");
  EXPECT_EQ(AnsiToUtf8("Kunde M\xFCller \x80"), "Kunde Müller €");
  EXPECT_EQ(Utf8ToAnsi("Kunde Müller €"), "Kunde M\xFCller \x80");
  EXPECT_EQ(OemToUtf8("Stra\xE1" "e 1"), "Straße 1");
  EXPECT_EQ(Utf8ToOem("Straße 1"), "Stra\xE1" "e 1");
}

TEST(CodePages, UnmappableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToAnsi("a😀b"), "a?b");
  EXPECT_EQ(Utf8ToAnsi("╔"), "?");
  EXPECT_EQ(Utf8ToOem("€"), "?");
}

TEST(CodePages, OemRoundTripsEveryByteAndMapsBoxDrawing) {
  std::string All;
  for (int b = 1; b < 256; ++b) All += static_cast<char>(b);
  EXPECT_EQ(Utf8ToOem(OemToUtf8(All)), All);
  EXPECT_EQ(OemToUtf8("\x84\x94\x81\xE1"), "äöüß");
  EXPECT_EQ(OemToUtf8("\xC9\xCD\xBB"), "╔═╗");
  EXPECT_EQ(Utf8ToOem("ÄÖÜ"), "\x8E\x99\x9A");
}

// ---------------------------------------------------------------------------
// Case mapping

TEST(AnsiCase, UpperCaseHandlesUmlautsButKeepsSharpS) {
  EXPECT_EQ(AnsiUpperCase("straße äöü éàç"), "STRAßE ÄÖÜ ÉÀÇ");
  EXPECT_EQ(AnsiUpperCase("ÿšžœ"), "ŸŠŽŒ");
  EXPECT_EQ(AnsiUpperCase("÷µ"), "÷µ");
}

TEST(AnsiCase, LowerCaseIsTheInverse) {
  EXPECT_EQ(AnsiLowerCase("STRAßE ÄÖÜ ÉÀÇ ŸŠ×"), "straße äöü éàç ÿš×");
}

TEST(AnsiCase, MappingKeepsByteLength) {
  for (char32_t c = 0; c < 0x180; ++c) {
    String A, U, L;
    Utf8Append(A, c);
    Utf8Append(U, AnsiUpperChar(c));
    Utf8Append(L, AnsiLowerChar(c));
    EXPECT_EQ(A.size(), U.size()) << unsigned(c);
    EXPECT_EQ(A.size(), L.size()) << unsigned(c);
  }
}

// ---------------------------------------------------------------------------
// Collation

namespace {

std::vector<String> SortedByLocale(std::vector<String> V, bool IgnoreCase) {
  std::stable_sort(V.begin(), V.end(), [&](const String& A, const String& B) {
    return (IgnoreCase ? AnsiCompareText(A, B) : AnsiCompareStr(A, B)) < 0;
  });
  return V;
}

}  // namespace

TEST(GermanCollation, UmlautsSortNextToTheirBaseLetters) {
  const std::vector<String> Sorted =
      SortedByLocale({"Zander", "Mueller", "Müller", "Muller", "Aal", "Äpfel", "Apfel"}, true);
  const std::vector<String> Expected = {"Aal", "Apfel", "Äpfel", "Mueller", "Muller", "Müller",
                                        "Zander"};
  EXPECT_EQ(Sorted, Expected);
}

TEST(GermanCollation, AccentDecidesOnlyWhenBaseLettersTie) {
  EXPECT_LT(AnsiCompareText("Ärger", "Arm"), 0);  // a-r-g < a-r-m despite the umlaut
  EXPECT_LT(AnsiCompareText("Arger", "Ärger"), 0);
  EXPECT_EQ(LocaleCompare(NORM_IGNORECASE | NORM_IGNORENONSPACE, "Ärger", "arger"), CSTR_EQUAL);
}

TEST(GermanCollation, LowerCaseSortsBeforeUpperCaseUnlessIgnored) {
  EXPECT_LT(AnsiCompareStr("abc", "Abc"), 0);
  EXPECT_GT(AnsiCompareStr("Abc", "abc"), 0);
  EXPECT_LT(AnsiCompareStr("Abc", "abd"), 0);  // letters first, case last
  EXPECT_EQ(AnsiCompareText("ABC", "abc"), 0);
  EXPECT_TRUE(AnsiSameText("ÄRGER", "ärger"));
  EXPECT_FALSE(AnsiSameStr("ÄRGER", "ärger"));
}

TEST(GermanCollation, SymbolsThenDigitsThenLetters) {
  const std::vector<String> Sorted = SortedByLocale({"b", "1", "a", " ", "#", "9"}, false);
  const std::vector<String> Expected = {" ", "#", "1", "9", "a", "b"};
  EXPECT_EQ(Sorted, Expected);
}

TEST(GermanCollation, SharpSComparesLikeDoubleS) {
  EXPECT_LT(AnsiCompareText("Strasse", "Straße"), 0);
  EXPECT_LT(AnsiCompareText("Straße", "Strasset"), 0);
  EXPECT_GT(AnsiCompareText("Straße", "Strasb"), 0);
}

TEST(GermanCollation, HyphenCountsOnlyAsTieBreaker) {
  EXPECT_LT(AnsiCompareText("coop", "co-op"), 0);
  EXPECT_LT(AnsiCompareText("co-op", "cooq"), 0);
  EXPECT_LT(LocaleCompare(SORT_STRINGSORT, "co-op", "coop"), CSTR_EQUAL);
}

TEST(GermanCollation, PrefixSortsFirst) {
  EXPECT_EQ(LocaleCompare(0, "Mai", "Maier"), CSTR_LESS_THAN);
  EXPECT_EQ(LocaleCompare(0, "", ""), CSTR_EQUAL);
  EXPECT_EQ(LocaleCompare(0, "b", "a"), CSTR_GREATER_THAN);
}

TEST(GermanCollation, CompareStringATakesCountsOrTerminators) {
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "ABCx", 3, "abc", -1), CSTR_EQUAL);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0, "ABC", -1, "abc", -1), CSTR_GREATER_THAN);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0, nullptr, -1, "abc", -1), 0);
}

TEST(GermanCollation, IgnoreSymbolsDropsPunctuation) {
  EXPECT_EQ(LocaleCompare(NORM_IGNORESYMBOLS, "a.b c", "abc"), CSTR_EQUAL);
}

// AnsiSameText answers ASCII texts without building collation keys; it
// must agree with the full comparison on every pair, word-sort quirks
// (hyphen, apostrophe and control characters) included.
TEST(GermanCollation, SameTextAgreesWithFullComparisonOnAsciiTexts) {
  const char Alphabet[] = {'a', 'A', 'b', 'B', '-', '\'', '\x01', '1', ' ', '_'};
  unsigned Seed = 12345;
  auto Next = [&Seed] { return (Seed = Seed * 1103515245u + 12345u) >> 16; };
  auto RandomText = [&] {
    String S;
    for (unsigned N = Next() % 5; N > 0; --N) S += Alphabet[Next() % sizeof Alphabet];
    return S;
  };
  int Equal = 0;
  for (int I = 0; I < 20000; ++I) {
    const String A = RandomText(), B = RandomText();
    const bool Full = LocaleCompare(NORM_IGNORECASE, A, B) == CSTR_EQUAL;
    Equal += Full;
    ASSERT_EQ(AnsiSameText(A, B), Full) << '"' << A << "\" / \"" << B << '"';
  }
  EXPECT_GT(Equal, 100);  // the pairs did reach the equal case
  EXPECT_TRUE(AnsiSameText("a-b", "AB-"));  // ignorables count only in order
  EXPECT_FALSE(AnsiSameText("a-b", "ab"));
  EXPECT_TRUE(AnsiSameText("Straße", "STRAßE"));
}

// Sort keys order texts as the comparison does, at every flag combination.
TEST(GermanCollation, SortKeysOrderAsTheComparison) {
  const std::vector<String> Pieces = {"a", "A", "ä", "Ä", "b", "ß", "ss", "-", "'", "1", " ", "é", "\x01", "z", "Z", "€"};
  unsigned Seed = 99;
  auto Next = [&Seed] { return (Seed = Seed * 1103515245u + 12345u) >> 16; };
  auto RandomText = [&] {
    String S;
    for (unsigned N = Next() % 5; N > 0; --N) S += Pieces[Next() % Pieces.size()];
    return S;
  };
  for (Cardinal Flags : {Cardinal(0), NORM_IGNORECASE, NORM_IGNORECASE | NORM_IGNORENONSPACE, NORM_IGNORESYMBOLS,
                         SORT_STRINGSORT}) {
    for (int I = 0; I < 5000; ++I) {
      const String A = RandomText(), B = RandomText();
      const int ByKey = LocaleSortKey(Flags, A).compare(LocaleSortKey(Flags, B));
      const int Expected = LocaleCompare(Flags, A, B) - CSTR_EQUAL;
      ASSERT_EQ((ByKey > 0) - (ByKey < 0), Expected) << Flags << ": \"" << A << "\" / \"" << B << '"';
    }
  }
}
