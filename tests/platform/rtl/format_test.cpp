#include "platform/rtl/format.h"

#include <gtest/gtest.h>

#include "platform/rtl/conversion_test_helpers.h"

#include <cmath>
#include <limits>

namespace {

// Every test starts from the German defaults and leaves them behind.
class FormatTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetFormatSettings(); }
  void TearDown() override { ResetFormatSettings(); }
};

}  // namespace

// ---------------------------------------------------------------------------
// Format

TEST_F(FormatTest, DecimalWithWidthPrecisionAndAlignment) {
  EXPECT_EQ(Format("%d", {42}), "42");
  EXPECT_EQ(Format("[%5d]", {42}), "[   42]");
  EXPECT_EQ(Format("[%-5d]", {42}), "[42   ]");
  EXPECT_EQ(Format("%.5d", {-12}), "-00012");
  EXPECT_EQ(Format("%15d", {Int64(1) << 40}), "  1099511627776");
  EXPECT_EQ(Format("%D", {7}), "7");
}

TEST_F(FormatTest, PaddingCountsCharacters) {
  EXPECT_EQ(Format("[%6s]", {"Maß"}), "[   Maß]");
  EXPECT_EQ(Format("[%-6s]", {String("Öl")}), "[Öl    ]");
  EXPECT_EQ(Format("%.2s", {"Übung"}), "Üb");
}

TEST_F(FormatTest, UnsignedReadsNegativeIntegersAsCardinal) {
  EXPECT_EQ(Format("%u", {-1}), "4294967295");
  EXPECT_EQ(Format("%u", {Cardinal(7)}), "7");
}

TEST_F(FormatTest, HexIsUpperCaseWithMinimumDigits) {
  EXPECT_EQ(Format("%x", {255}), "FF");
  EXPECT_EQ(Format("%.4x", {255}), "00FF");
  EXPECT_EQ(Format("%x", {-1}), "FFFFFFFF");
  EXPECT_EQ(Format("%X", {Int64(-1)}), "FFFFFFFFFFFFFFFF");
}

TEST_F(FormatTest, FloatsUseTheDecimalSeparator) {
  EXPECT_EQ(Format("%f", {3.14159}), "3,14");
  EXPECT_EQ(Format("%.3f", {2.0}), "2,000");
  EXPECT_EQ(Format("%.0f", {2.5}), "3");
  EXPECT_EQ(Format("%n", {1234567.891}), "1.234.567,89");
  EXPECT_EQ(Format("%.1n", {-1234.56}), "-1.234,6");
  EXPECT_EQ(Format("%g", {1234.5}), "1234,5");
  EXPECT_EQ(Format("%.3g", {1234.5}), "1,23E3");
  EXPECT_EQ(Format("%e", {1234.5}), "1,23450000000000E+003");
  EXPECT_EQ(Format("%.3e", {-0.000123}), "-1,23E-004");
}

TEST_F(FormatTest, MoneyFollowsTheCurrencySettings) {
  EXPECT_EQ(Format("%m", {1234.5}), "1.234,50 €");
  EXPECT_EQ(Format("%m", {-1234.5}), "-1.234,50 €");
  EXPECT_EQ(Format("%.0m", {Currency(12)}), "12 €");
  CurrencyFormat = 1;
  NegCurrFormat = 5;
  CurrencyString = " €";
  EXPECT_EQ(Format("%m", {-7.0}), "-7,00 €");
}

TEST_F(FormatTest, IndexWidthAndPrecisionFromArguments) {
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b", "c"}), "b a b");
  EXPECT_EQ(Format("dd%0:smm%0:syyyy", {"."}), "dd.mm.yyyy");
  EXPECT_EQ(Format("[%*d]", {4, 7}), "[   7]");
  EXPECT_EQ(Format("[%-*.*f]", {8, 1, 2.25}), "[2,3     ]");
}

TEST_F(FormatTest, TextArgumentsOfEveryKind) {
  const String Name = "Kelpo";
  EXPECT_EQ(Format("%s/%s/%s", {Name, "x", 'c'}), "Kelpo/x/c");
  EXPECT_EQ(Format("100%% %s", {"sicher"}), "100% sicher");
  EXPECT_EQ(Format("%p", {static_cast<const void*>(nullptr)}), "00000000");
  EXPECT_EQ(Format("no args", {}), "no args");
}

TEST_F(FormatTest, MismatchesRaiseConvertErrorWithGermanText) {
  EXPECT_EQ(ConvertErrorOf([] { Format("%d", {"x"}); }),
            "Format '%d' ungültig oder nicht kompatibel mit Argument");
  EXPECT_THROW(Format("%f", {5}), EConvertError);  // integers are no floats
  EXPECT_THROW(Format("%s", {5}), EConvertError);
  EXPECT_THROW(Format("%d", {true}), EConvertError);
  EXPECT_THROW(Format("%d %d", {1}), EConvertError);  // missing argument
  EXPECT_THROW(Format("%q", {1}), EConvertError);     // unknown type
  EXPECT_THROW(Format("abc %", {1}), EConvertError);  // unfinished specifier
}

TEST_F(FormatTest, ExplicitSettingsOverrideTheProcessOnes) {
  TFormatSettings Us = GermanFormatSettings();
  Us.DecimalSeparator = '.';
  Us.ThousandSeparator = ',';
  EXPECT_EQ(Format("%n", {1234.5}, Us), "1,234.50");
  EXPECT_EQ(FloatToStr(0.5, Us), "0.5");
}

// ---------------------------------------------------------------------------
// Integers

TEST_F(FormatTest, IntToStrAndHex) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(IntToStr(std::numeric_limits<Int64>::min()), "-9223372036854775808");
  EXPECT_EQ(IntToStr(Cardinal(4000000000u)), "4000000000");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(Int64(0x123456789), 0), "123456789");
}

TEST_F(FormatTest, StrToIntAcceptsDecimalAndHex) {
  EXPECT_EQ(StrToInt("42"), 42);
  EXPECT_EQ(StrToInt("  -17"), -17);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("0x10"), 16);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<Int64>::max());
  // The last digit that still fits, at each limit.
  EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<Int64>::min());
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
}

TEST_F(FormatTest, StrToIntRejectsWithGermanText) {
  EXPECT_EQ(ConvertErrorOf([] { StrToInt("12a"); }), "'12a' ist kein gültiger Integerwert");
  EXPECT_THROW(StrToInt(""), EConvertError);
  EXPECT_THROW(StrToInt("12 "), EConvertError);  // nothing may follow
  EXPECT_THROW(StrToInt("2147483648"), EConvertError);
  EXPECT_THROW(StrToInt("$"), EConvertError);
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_THROW(StrToInt64("99999999999999999999"), EConvertError);  // beyond 64 bits
  EXPECT_THROW(StrToInt64("$10000000000000000"), EConvertError);
  EXPECT_THROW(StrToInt("4294967296"), EConvertError);
  EXPECT_THROW(StrToInt("$100000000"), EConvertError);
  EXPECT_EQ(StrToIntDef("x", -9), -9);
  Integer V = 5;
  EXPECT_FALSE(TryStrToInt("1.5", V));
  EXPECT_EQ(V, 5);
}

// ---------------------------------------------------------------------------
// Floats

TEST_F(FormatTest, FloatToStrUsesFifteenDigitsAndGeneralFormat) {
  EXPECT_EQ(FloatToStr(1234.5), "1234,5");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0,3");
  EXPECT_EQ(FloatToStr(-3), "-3");
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(1.5e-7), "1,5E-7");
  EXPECT_EQ(FloatToStr(0.00001), "0,00001");
  EXPECT_EQ(FloatToStr(123456789012345678.0), "1,23456789012346E17");
  EXPECT_EQ(FloatToStr(std::nan("")), "NAN");
  EXPECT_EQ(FloatToStr(-INFINITY), "-INF");
}

TEST_F(FormatTest, FloatToStrFFormats) {
  EXPECT_EQ(FloatToStrF(2.675, ffFixed, 15, 2), "2,68");  // rounds on decimal digits
  EXPECT_EQ(FloatToStrF(-0.001, ffFixed, 15, 2), "0,00");
  EXPECT_EQ(FloatToStrF(123.456, ffFixed, 4, 2), "123,50");
  EXPECT_EQ(FloatToStrF(1234567.0, ffNumber, 15, 0), "1.234.567");
  EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1,235E+03");
  EXPECT_EQ(FloatToStrF(0, ffExponent, 3, 0), "0,00E+0");
  EXPECT_EQ(FloatToStrF(9.9996, ffFixed, 15, 3), "10,000");
  EXPECT_EQ(FloatToStrF(1e20, ffFixed, 15, 2), "1E20");
}

TEST_F(FormatTest, CurrencyFormatsCoverEveryNegativePattern) {
  CurrencyString = "€";
  const char* Expected[16] = {"(€1,50)", "-€1,50", "€-1,50", "€1,50-",  "(1,50€)", "-1,50€",
                              "1,50-€",  "1,50€-", "-1,50 €", "-€ 1,50", "1,50 €-", "€ 1,50-",
                              "€ -1,50", "1,50- €", "(€ 1,50)", "(1,50 €)"};
  for (int F = 0; F < 16; ++F) {
    NegCurrFormat = static_cast<Byte>(F);
    EXPECT_EQ(FloatToStrF(-1.5, ffCurrency, 15, 2), Expected[F]) << F;
  }
  const char* Positive[4] = {"€1,50", "1,50€", "€ 1,50", "1,50 €"};
  for (int F = 0; F < 4; ++F) {
    CurrencyFormat = static_cast<Byte>(F);
    EXPECT_EQ(FloatToStrF(1.5, ffCurrency, 15, 2), Positive[F]) << F;
  }
}

TEST_F(FormatTest, FormatFloatPictures) {
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1.234,50");
  EXPECT_EQ(FormatFloat("#,##0.00", 0), "0,00");
  EXPECT_EQ(FormatFloat("0.###", 1.5), "1,5");
  EXPECT_EQ(FormatFloat("0.###", 2), "2");
  EXPECT_EQ(FormatFloat("0.000", 2.0005), "2,001");
  EXPECT_EQ(FormatFloat("000", 7), "007");
  EXPECT_EQ(FormatFloat("#", 0), "");
  EXPECT_EQ(FormatFloat("0", 1234567), "1234567");
  EXPECT_EQ(FormatFloat("#,##0", -1234567), "-1.234.567");
  EXPECT_EQ(FormatFloat(".00", 12.5), "12,50");
  EXPECT_EQ(FormatFloat("#############0.00", 3.14159), "3,14");
  EXPECT_EQ(FormatFloat("", 1.5), "1,5");
}

TEST_F(FormatTest, FormatFloatSectionsAndLiterals) {
  const String Pic = "0.00 'Soll';0.00 'Haben';'null'";
  EXPECT_EQ(FormatFloat(Pic, 5), "5,00 Soll");
  EXPECT_EQ(FormatFloat(Pic, -5), "5,00 Haben");
  EXPECT_EQ(FormatFloat(Pic, 0), "null");
  EXPECT_EQ(FormatFloat("0;;", -3), "-3");
  EXPECT_EQ(FormatFloat("\"Nr. \"000", 42), "Nr. 042");
  EXPECT_EQ(FormatFloat("0 kg", 3), "3 kg");
  EXPECT_EQ(FormatFloat("0.0", -0.01), "0,0");  // no minus on a rounded zero
}

TEST_F(FormatTest, FormatFloatScientific) {
  EXPECT_EQ(FormatFloat("0.00E+00", 1234.5), "1,23E+03");
  EXPECT_EQ(FormatFloat("0.00E-00", 1234.5), "1,23E03");
  EXPECT_EQ(FormatFloat("0.00e-0", 0.00012), "1,20e-4");
  EXPECT_EQ(FormatFloat("00.0E+0", 1234.5), "12,3E+2");
}

TEST_F(FormatTest, CurrencyIsExactToFourDecimals) {
  const Currency C = Currency(0.1) + Currency(0.2);
  EXPECT_EQ(C.Value, 3000);
  EXPECT_EQ(CurrToStr(C), "0,3");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(1)), "0,0001");
  EXPECT_EQ(CurrToStr(Currency(-12)), "-12");
  EXPECT_EQ(FloatToStr(Currency(2.5)), "2,5");
  EXPECT_EQ(CurrToStrF(Currency(1234.565), ffCurrency, 2), "1.234,57 €");
  EXPECT_EQ(FormatCurr("#,##0.00", Currency(9999999.995)), "10.000.000,00");
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(std::numeric_limits<Int64>::max()), ffFixed, 4),
            "922337203685477,5807");
}

TEST_F(FormatTest, StrToFloatAcceptsOnlyTheDecimalSeparator) {
  EXPECT_DOUBLE_EQ(StrToFloat("3,25"), 3.25);
  EXPECT_DOUBLE_EQ(StrToFloat(" -1,5E3 "), -1500);
  EXPECT_DOUBLE_EQ(StrToFloat(",5"), 0.5);
  EXPECT_DOUBLE_EQ(StrToFloat("7"), 7);
  EXPECT_EQ(ConvertErrorOf([] { StrToFloat("3.25"); }), "'3.25' ist kein gültiger Gleitkommawert");
  EXPECT_THROW(StrToFloat("1.234,5"), EConvertError);  // no thousand separators
  EXPECT_THROW(StrToFloat(""), EConvertError);
  EXPECT_THROW(StrToFloat("1E"), EConvertError);
  EXPECT_THROW(StrToFloat("1E999"), EConvertError);
  EXPECT_DOUBLE_EQ(StrToFloatDef("abc", 2.5), 2.5);
  DecimalSeparator = '.';
  EXPECT_DOUBLE_EQ(StrToFloat("3.25"), 3.25);
}

TEST_F(FormatTest, GermanNumbersRoundTrip) {
  for (double V : {0.0, 1.5, -1234.5678, 1e-3, 98765.4321, 1e15}) {
    EXPECT_DOUBLE_EQ(StrToFloat(FloatToStr(V)), V) << V;
    EXPECT_DOUBLE_EQ(StrToFloat(FloatToStrF(V, ffFixed, 15, 4)), V) << V;
  }
  EXPECT_EQ(StrToCurr(CurrToStr(Currency(-47.1234))), Currency(-47.1234));
  EXPECT_EQ(StrToCurrDef("x", Currency(1)), Currency(1));
}
