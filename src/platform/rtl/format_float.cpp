// Floating-point and Currency conversions: FloatToStrF and friends, the
// parsers, and the decimal form they share.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "platform/rtl/format_decimal.h"

namespace {

void TrimTrailingZeros(TDecimal& D) {
  while (!D.Digits.empty() && D.Digits.back() == '0') D.Digits.pop_back();
  if (D.Digits.empty()) {
    D.Exponent = 0;
    D.Negative = false;
  }
}

// The digit of D at decimal position Index (0 = first digit after the
// point of 0.D1D2...), '0' outside the digit string.
char DigitAt(const TDecimal& D, Integer Index) {
  return Index >= 0 && Index < static_cast<Integer>(D.Digits.size()) ? D.Digits[Index] : '0';
}

String IntegerPart(const TDecimal& D, char Thousands) {
  String Digits;
  for (Integer i = 0; i < D.Exponent; ++i) Digits += DigitAt(D, i);
  if (Digits.empty()) Digits = "0";
  if (!Thousands) return Digits;
  String Out;
  const Integer N = static_cast<Integer>(Digits.size());
  for (Integer i = 0; i < N; ++i) {
    Out += Digits[i];
    const Integer Left = N - 1 - i;
    if (Left > 0 && Left % 3 == 0) Out += Thousands;
  }
  return Out;
}

String FractionPart(const TDecimal& D, Integer Decimals, char Separator) {
  if (Decimals <= 0) return String();
  String Out(1, Separator);
  for (Integer j = 0; j < Decimals; ++j) Out += DigitAt(D, D.Exponent + j);
  return Out;
}

String GeneralText(const TDecimal& D, Integer Precision, const TFormatSettings& FS) {
  if (D.IsZero()) return "0";
  String Out = D.Negative ? "-" : "";
  if (D.Exponent > Precision || D.Exponent < -4) {
    Out += D.Digits[0];
    if (D.Digits.size() > 1) Out += FS.DecimalSeparator + D.Digits.substr(1);
    return Out + "E" + IntToStr(D.Exponent - 1);
  }
  Out += IntegerPart(D, 0);
  const Integer Decimals = static_cast<Integer>(D.Digits.size()) - D.Exponent;
  return Out + FractionPart(D, Decimals, FS.DecimalSeparator);
}

String ExponentText(const TDecimal& D, Integer Precision, Integer Digits, const TFormatSettings& FS) {
  String Out = D.Negative ? "-" : "";
  Out += DigitAt(D, 0);
  if (Precision > 1) {
    Out += FS.DecimalSeparator;
    for (Integer i = 1; i < Precision; ++i) Out += DigitAt(D, i);
  }
  const Integer Exp = D.IsZero() ? 0 : D.Exponent - 1;
  String ExpText = IntToStr(Exp < 0 ? -Exp : Exp);
  const Integer MinDigits = std::clamp(Digits, 0, 4);
  if (static_cast<Integer>(ExpText.size()) < MinDigits)
    ExpText.insert(0, MinDigits - ExpText.size(), '0');
  return Out + "E" + (Exp < 0 ? "-" : "+") + ExpText;
}

// Places the amount text and the currency string as the settings ask.
String CurrencyText(const String& Amount, bool Negative, const TFormatSettings& FS) {
  const String& C = FS.CurrencyString;
  if (!Negative) {
    switch (FS.CurrencyFormat) {
      case 0: return C + Amount;
      case 1: return Amount + C;
      case 2: return C + " " + Amount;
      default: return Amount + " " + C;
    }
  }
  switch (FS.NegCurrFormat) {
    case 0: return "(" + C + Amount + ")";
    case 1: return "-" + C + Amount;
    case 2: return C + "-" + Amount;
    case 3: return C + Amount + "-";
    case 4: return "(" + Amount + C + ")";
    case 5: return "-" + Amount + C;
    case 6: return Amount + "-" + C;
    case 7: return Amount + C + "-";
    case 8: return "-" + Amount + " " + C;
    case 9: return "-" + C + " " + Amount;
    case 10: return Amount + " " + C + "-";
    case 11: return C + " " + Amount + "-";
    case 12: return C + " -" + Amount;
    case 13: return Amount + "- " + C;
    case 14: return "(" + C + " " + Amount + ")";
    default: return "(" + Amount + " " + C + ")";
  }
}

String FixedText(const TDecimal& D, TFloatFormat Format, Integer Digits, const TFormatSettings& FS) {
  const char Thousands = Format == ffFixed ? 0 : FS.ThousandSeparator;
  const String Amount = IntegerPart(D, Thousands) + FractionPart(D, Digits, FS.DecimalSeparator);
  if (Format == ffCurrency) return CurrencyText(Amount, D.Negative, FS);
  return D.Negative ? "-" + Amount : Amount;
}

bool IsFixedFormat(TFloatFormat Format) {
  return Format == ffFixed || Format == ffNumber || Format == ffCurrency;
}

// Parses S into a C-form number text; false when S is no number.
bool ScanFloat(const String& S, char Separator, std::string& Out) {
  std::size_t i = 0;
  const std::size_t n = S.size();
  auto SkipBlanks = [&] { while (i < n && S[i] == ' ') ++i; };
  auto Digits = [&] {
    std::size_t Count = 0;
    for (; i < n && S[i] >= '0' && S[i] <= '9'; ++i, ++Count) Out += S[i];
    return Count;
  };
  SkipBlanks();
  if (i < n && (S[i] == '+' || S[i] == '-')) {
    if (S[i] == '-') Out += '-';
    ++i;
  }
  std::size_t Mantissa = Digits();
  if (i < n && S[i] == Separator) {
    Out += '.';
    ++i;
    Mantissa += Digits();
  }
  if (Mantissa == 0) return false;
  if (i < n && (S[i] == 'E' || S[i] == 'e')) {
    Out += 'e';
    ++i;
    if (i < n && (S[i] == '+' || S[i] == '-')) Out += S[i++];
    if (Digits() == 0) return false;
  }
  SkipBlanks();
  return i == n;
}

[[noreturn]] void RaiseInvalidFloat(const String& S) {
  throw EConvertError(Format(SInvalidFloat, {S}));
}

}  // namespace

// ---------------------------------------------------------------------------
// Decimal form

void RoundDecimal(TDecimal& D, Integer Keep) {
  if (Keep >= static_cast<Integer>(D.Digits.size())) return;
  if (Keep < 0) {
    D.Digits.clear();
    TrimTrailingZeros(D);
    return;
  }
  const bool Up = D.Digits[Keep] >= '5';
  D.Digits.resize(Keep);
  if (Up) {
    Integer i = Keep - 1;
    while (i >= 0 && D.Digits[i] == '9') D.Digits[i--] = '0';
    if (i < 0) {
      D.Digits.insert(D.Digits.begin(), '1');
      ++D.Exponent;
    } else {
      ++D.Digits[i];
    }
  }
  TrimTrailingZeros(D);
}

TDecimal DoubleToDecimal(double Value, Integer Precision, Integer Decimals) {
  TDecimal D;
  if (std::isnan(Value)) {
    D.NaN = true;
    return D;
  }
  D.Negative = std::signbit(Value);
  if (std::isinf(Value)) {
    D.Infinite = true;
    return D;
  }
  if (Value == 0) {
    D.Negative = false;
    return D;
  }
  // All 17 significant digits first, then rounding half away from zero on
  // the decimal digits: 1234.5 to four digits is 1235, not the binary
  // tie-to-even 1234.
  char Buf[64];
  std::snprintf(Buf, sizeof Buf, "%.16e", std::fabs(Value));
  const char* E = Buf;
  for (; *E && *E != 'e'; ++E)
    if (*E >= '0' && *E <= '9') D.Digits += *E;
  D.Exponent = std::atoi(E + 1) + 1;
  TrimTrailingZeros(D);
  RoundDecimal(D, std::clamp(Precision, 1, 17));
  if (Decimals < 1000) RoundDecimal(D, D.Exponent + Decimals);
  return D;
}

TDecimal CurrencyToDecimal(Currency Value, Integer Decimals) {
  TDecimal D;
  if (Value.Value == 0) return D;
  D.Negative = Value.Value < 0;
  const auto U = static_cast<std::uint64_t>(Value.Value);
  D.Digits = rtl_detail::UnsignedToDecimal(D.Negative ? ~U + 1 : U, false);
  D.Exponent = static_cast<Integer>(D.Digits.size()) - 4;
  TrimTrailingZeros(D);
  if (Decimals < 1000) RoundDecimal(D, D.Exponent + Decimals);
  return D;
}

String DecimalToText(const TDecimal& D, TFloatFormat Format, Integer Precision, Integer Digits,
                     const TFormatSettings& FS) {
  if (D.NaN) return "NAN";
  if (D.Infinite) return D.Negative ? "-INF" : "INF";
  if (Format == ffExponent) return ExponentText(D, Precision, Digits, FS);
  if (Format == ffGeneral || D.Exponent > Precision) return GeneralText(D, Precision, FS);
  return FixedText(D, Format, std::clamp(Digits, 0, 18), FS);
}

// ---------------------------------------------------------------------------
// Public conversions

String FloatToStrF(double Value, TFloatFormat Format, Integer Precision, Integer Digits,
                   const TFormatSettings& FS) {
  Precision = std::clamp(Precision, 1, 18);
  const Integer Decimals = IsFixedFormat(Format) ? std::clamp(Digits, 0, 18) : 1000;
  return DecimalToText(DoubleToDecimal(Value, Precision, Decimals), Format, Precision, Digits, FS);
}

String FloatToStr(double Value, const TFormatSettings& FS) {
  return FloatToStrF(Value, ffGeneral, 15, 0, FS);
}

String CurrToStrF(Currency Value, TFloatFormat Format, Integer Digits, const TFormatSettings& FS) {
  const Integer Decimals = IsFixedFormat(Format) ? std::clamp(Digits, 0, 18) : 1000;
  TDecimal D = CurrencyToDecimal(Value, Decimals);
  const Integer Precision = Format == ffExponent ? 15 : 19;
  if (Format == ffExponent) RoundDecimal(D, Precision);
  return DecimalToText(D, Format, Precision, Digits, FS);
}

String CurrToStr(Currency Value, const TFormatSettings& FS) {
  return CurrToStrF(Value, ffGeneral, 0, FS);
}

String FloatToStr(Currency Value, const TFormatSettings& FS) { return CurrToStr(Value, FS); }

bool TryStrToFloat(const String& S, double& Value, const TFormatSettings& FS) {
  std::string Text;
  if (!ScanFloat(S, FS.DecimalSeparator, Text)) return false;
  double V = 0;
  const auto R = std::from_chars(Text.data(), Text.data() + Text.size(), V);
  if (R.ec != std::errc() || std::isinf(V)) return false;
  Value = V;
  return true;
}

double StrToFloat(const String& S, const TFormatSettings& FS) {
  double V = 0;
  if (!TryStrToFloat(S, V, FS)) RaiseInvalidFloat(S);
  return V;
}

double StrToFloatDef(const String& S, double Default, const TFormatSettings& FS) {
  double V = Default;
  return TryStrToFloat(S, V, FS) ? V : Default;
}

bool TryStrToCurr(const String& S, Currency& Value, const TFormatSettings& FS) {
  double V = 0;
  if (!TryStrToFloat(S, V, FS) || std::fabs(V) >= 922337203685477.0) return false;
  Value = Currency(V);
  return true;
}

Currency StrToCurr(const String& S, const TFormatSettings& FS) {
  Currency C;
  if (!TryStrToCurr(S, C, FS)) RaiseInvalidFloat(S);
  return C;
}

Currency StrToCurrDef(const String& S, Currency Default, const TFormatSettings& FS) {
  Currency C;
  return TryStrToCurr(S, C, FS) ? C : Default;
}
