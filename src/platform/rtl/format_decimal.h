// Decimal digits of a number, shared by the float and Currency formatters.
//
// A TDecimal holds a number as sign, digit string and decimal exponent:
// value = 0.D1D2D3... x 10^Exponent, digits without trailing zeros; zero has
// no digits. Formatting rounds on this decimal form (half away from zero),
// so that 2.675 shown with two decimals gives 2.68, as in the class library.
//
// Thread safety: pure functions.
#pragma once

#include "platform/rtl/format.h"

struct TDecimal {
  bool Negative = false;
  Integer Exponent = 0;
  String Digits;
  bool NaN = false;
  bool Infinite = false;

  bool IsZero() const { return Digits.empty() && !NaN && !Infinite; }
  bool IsSpecial() const { return NaN || Infinite; }
};

// Value with at most Precision (1..17) significant digits, then rounded to
// Decimals digits after the decimal point (pass a large Decimals for none).
TDecimal DoubleToDecimal(double Value, Integer Precision, Integer Decimals);

// The exact Currency amount, rounded to Decimals digits after the point.
TDecimal CurrencyToDecimal(Currency Value, Integer Decimals);

// Rounds D to Keep significant digits, half away from zero (Keep <= 0 keeps
// at most a carry digit).
void RoundDecimal(TDecimal& D, Integer Keep);

// Decimal text of a TDecimal in general, exponent, fixed, number and
// currency formats (the routines behind FloatToStrF).
String DecimalToText(const TDecimal& D, TFloatFormat Format, Integer Precision, Integer Digits,
                     const TFormatSettings& FS);

// The picture formatter behind FormatFloat and FormatCurr. MakeDecimal
// produces the rounded decimal for a requested precision and number of
// decimals.
using TDecimalMaker = TDecimal (*)(const void* Source, Integer Precision, Integer Decimals);
String FormatDecimalPicture(const String& Fmt, const void* Source, TDecimalMaker Make,
                            const TFormatSettings& FS);
