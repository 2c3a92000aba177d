// Number conversions and formatted text of the class library.
//
// Format builds text from a format string and an argument list; the other
// routines convert integers, floating-point values and Currency amounts to
// and from text. Everything that writes or reads a decimal number uses the
// separators and currency settings of a TFormatSettings, by default the
// process-wide FormatSettings (formatsettings.h), so that the program's
// start-up choices (',' as decimal separator, "€" ...) apply everywhere.
// Failures raise EConvertError with the class library's German messages.
//
// Thread safety: all routines are reentrant; they read the format settings,
// which must not change meanwhile (see formatsettings.h).
#pragma once

#include <cmath>
#include <concepts>
#include <initializer_list>
#include <type_traits>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"

// Message templates (for Format) of the conversion errors.
extern const char* const SInvalidInteger;  // "'%s' ist kein gültiger Integerwert"
extern const char* const SInvalidFloat;    // "'%s' ist kein gültiger Gleitkommawert"
extern const char* const SInvalidFormat;   // "Format '%s' ungültig oder nicht kompatibel mit Argument"
extern const char* const SInvalidBoolean;  // "'%s' ist kein gültiger Boolescher Wert"

// ---------------------------------------------------------------------------
// Currency: a fixed-point amount with four decimals (the value times 10000
// in 64 bits), exact for sums of money.

struct Currency {
  Int64 Value = 0;  // the amount times 10000

  constexpr Currency() = default;
  // Rounds D to four decimals (ties to even, as the FPU does).
  Currency(double D) : Value(static_cast<Int64>(std::nearbyint(D * 10000.0))) {}
  template <std::integral T>
  constexpr Currency(T N) : Value(static_cast<Int64>(N) * 10000) {}

  // The Currency whose scaled value is Scaled (Scaled / 10000 units).
  static constexpr Currency FromScaled(Int64 Scaled) {
    Currency C;
    C.Value = Scaled;
    return C;
  }
  double ToDouble() const { return static_cast<double>(Value) / 10000.0; }
  explicit operator double() const { return ToDouble(); }

  friend constexpr bool operator==(Currency A, Currency B) { return A.Value == B.Value; }
  friend constexpr auto operator<=>(Currency A, Currency B) { return A.Value <=> B.Value; }
  friend constexpr Currency operator+(Currency A, Currency B) { return FromScaled(A.Value + B.Value); }
  friend constexpr Currency operator-(Currency A, Currency B) { return FromScaled(A.Value - B.Value); }
  friend constexpr Currency operator-(Currency A) { return FromScaled(-A.Value); }
  friend Currency operator*(Currency A, double F) { return Currency(A.ToDouble() * F); }
  friend Currency operator/(Currency A, double F) { return Currency(A.ToDouble() / F); }
  Currency& operator+=(Currency B) { Value += B.Value; return *this; }
  Currency& operator-=(Currency B) { Value -= B.Value; return *this; }
};

// ---------------------------------------------------------------------------
// Format

// One argument of Format. Built implicitly from the argument expressions:
// Format("%s: %d", {Name, Count}). String arguments are referenced, not
// copied: the TVarRec must not outlive the argument (a braced list in the
// call is always fine).
struct TVarRec {
  enum TVType : Byte {
    vtInteger,   // 32-bit signed (also char-sized and short integers)
    vtInt64,     // 64-bit signed, and 32-bit unsigned values
    vtUInt64,    // 64-bit unsigned
    vtExtended,  // floating point
    vtCurrency,  // Currency (VInt64 holds the scaled value)
    vtPChar,     // const char*
    vtString,    // String
    vtChar,      // char
    vtBoolean,
    vtPointer
  };
  TVType VType;
  union {
    Int64 VInt64;
    std::uint64_t VUInt64;
    double VExtended;
    const char* VPChar;
    const String* VString;
    char VChar;
    bool VBoolean;
    const void* VPointer;
  };

  TVarRec(int V) : VType(vtInteger), VInt64(V) {}
  TVarRec(short V) : VType(vtInteger), VInt64(V) {}
  TVarRec(unsigned short V) : VType(vtInteger), VInt64(V) {}
  TVarRec(signed char V) : VType(vtInteger), VInt64(V) {}
  TVarRec(unsigned char V) : VType(vtInteger), VInt64(V) {}
  TVarRec(unsigned V) : VType(vtInt64), VInt64(V) {}
  TVarRec(long V) : VType(vtInt64), VInt64(V) {}
  TVarRec(long long V) : VType(vtInt64), VInt64(V) {}
  TVarRec(unsigned long V) : VType(vtUInt64), VUInt64(V) {}
  TVarRec(unsigned long long V) : VType(vtUInt64), VUInt64(V) {}
  TVarRec(double V) : VType(vtExtended), VExtended(V) {}
  TVarRec(float V) : VType(vtExtended), VExtended(V) {}
  TVarRec(long double V) : VType(vtExtended), VExtended(static_cast<double>(V)) {}
  TVarRec(Currency V) : VType(vtCurrency), VInt64(V.Value) {}
  TVarRec(const char* V) : VType(vtPChar), VPChar(V) {}
  TVarRec(const String& V) : VType(vtString), VString(&V) {}
  TVarRec(char V) : VType(vtChar), VChar(V) {}
  TVarRec(bool V) : VType(vtBoolean), VBoolean(V) {}
  TVarRec(const void* V) : VType(vtPointer), VPointer(V) {}
  TVarRec(std::nullptr_t) : VType(vtPointer), VPointer(nullptr) {}
};

// Formats Args into Fmt. Specifiers: "%" [index ":"] ["-"] [width]
// ["." precision] type, where index, width and precision may be "*" (taken
// from the next argument, an integer), and type is one of (either case):
//   d  signed decimal (integer args); precision = minimum digits
//   u  unsigned decimal (a negative 32-bit argument is read as Cardinal)
//   x  hexadecimal, upper-case digits; precision = minimum digits
//   e  scientific "-d,ddd...E+ddd"; precision = significant digits (15)
//   f  fixed "-ddd,dd"; precision = decimals (2)
//   g  the shorter of fixed and scientific; precision = significant digits
//   n  as f with thousand separators
//   m  money: CurrencyString placed by CurrencyFormat/NegCurrFormat;
//      precision = decimals (CurrencyDecimals)
//   p  pointer, 8 or more upper-case hex digits
//   s  text (String, const char*, char); precision = maximum characters
// e f g n m take only floating-point and Currency arguments, d u x only
// integers, as in the class library. "%%" gives '%'. Width pads with blanks
// (counted in characters) on the left, or on the right with "-". An index
// selects the argument; the following specifiers continue after it.
// Raises EConvertError (SInvalidFormat with Fmt) on a malformed specifier,
// a missing argument or an argument of the wrong kind.
String Format(const String& Fmt, std::initializer_list<TVarRec> Args,
              const TFormatSettings& FS = FormatSettings);
String Format(const String& Fmt, const std::vector<TVarRec>& Args,
              const TFormatSettings& FS = FormatSettings);

// ---------------------------------------------------------------------------
// Integers

namespace rtl_detail {
String UnsignedToDecimal(std::uint64_t V, bool Negative);
String UnsignedToHex(std::uint64_t V, Integer Digits);
}  // namespace rtl_detail

// Decimal text of any integer.
template <std::integral T>
  requires(!std::same_as<T, bool>)
String IntToStr(T Value) {
  if constexpr (std::is_signed_v<T>) {
    const auto U = static_cast<std::uint64_t>(static_cast<Int64>(Value));
    return rtl_detail::UnsignedToDecimal(Value < 0 ? ~U + 1 : U, Value < 0);
  } else {
    return rtl_detail::UnsignedToDecimal(static_cast<std::uint64_t>(Value), false);
  }
}

// Upper-case hexadecimal text of Value, at least Digits digits (zero
// padded). A negative value is shown in two's complement of its own width
// (IntToHex(-1, 2) = "FFFFFFFF" for an Integer).
template <std::integral T>
  requires(!std::same_as<T, bool>)
String IntToHex(T Value, Integer Digits) {
  return rtl_detail::UnsignedToHex(static_cast<std::make_unsigned_t<T>>(Value), Digits);
}

// Parses S as an Integer: optional leading blanks, a sign, then decimal
// digits or hexadecimal digits after "$" or "0x"; nothing may follow.
// Hexadecimal values up to $FFFFFFFF are taken as their 32-bit pattern.
// Raises EConvertError "'S' ist kein gültiger Integerwert".
Integer StrToInt(const String& S);
// As StrToInt; returns Default instead of raising.
Integer StrToIntDef(const String& S, Integer Default);
// As StrToInt; returns false (Value untouched) instead of raising.
bool TryStrToInt(const String& S, Integer& Value);
// The same for 64-bit values.
Int64 StrToInt64(const String& S);
Int64 StrToInt64Def(const String& S, Int64 Default);
bool TryStrToInt64(const String& S, Int64& Value);

// ---------------------------------------------------------------------------
// Floating point and Currency

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// Value with 15 significant digits in general format (FloatToStrF(Value,
// ffGeneral, 15, 0)): "1234,5", "1E20", "1,5E-7", "0".
String FloatToStr(double Value, const TFormatSettings& FS = FormatSettings);
// An exact Currency amount in general format (up to four decimals).
String FloatToStr(Currency Value, const TFormatSettings& FS = FormatSettings);

// Value in the given format:
//   ffGeneral  shortest text with Precision significant digits; scientific
//              when the integer part needs more than Precision digits or
//              the value is below 0.00001; trailing zeros removed
//   ffExponent "d,dddE+xxx": Precision significant digits, an exponent of at
//              least Digits (0..4) digits with its sign
//   ffFixed    Digits decimals; scientific when the integer part has more
//              than Precision digits
//   ffNumber   as ffFixed with ThousandSeparator every three digits
//   ffCurrency as ffNumber with CurrencyString placed by CurrencyFormat
//              (positive) and NegCurrFormat (negative)
// NaN and infinities give "NAN", "INF" and "-INF". Precision is limited to
// 1..18 (beyond 17 digits a double has nothing more to say).
String FloatToStrF(double Value, TFloatFormat Format, Integer Precision, Integer Digits,
                   const TFormatSettings& FS = FormatSettings);

// Value formatted by a picture: sections "positive;negative;zero"; in each,
// '0' a digit always shown, '#' a digit shown when significant, '.' the
// decimal separator, ',' (anywhere before an exponent) thousand separators,
// "E+0" / "E-0" (and e+, e-) scientific notation with as many exponent
// digits as zeros follow, text in '...' or "..." and all other characters
// copied. A negative value with its own section is shown without sign; a
// zero value uses the third section when there is one. An empty picture
// gives FloatToStr. Rounds half away from zero on the value's 15
// significant digits.
String FormatFloat(const String& Fmt, double Value, const TFormatSettings& FS = FormatSettings);
// FormatFloat of an exact Currency amount.
String FormatCurr(const String& Fmt, Currency Value, const TFormatSettings& FS = FormatSettings);

// CurrToStrF(Value, ffGeneral, 0): "12,5", "-3", "0,0001".
String CurrToStr(Currency Value, const TFormatSettings& FS = FormatSettings);
// As FloatToStrF, exact on the Currency value (Precision is not needed).
String CurrToStrF(Currency Value, TFloatFormat Format, Integer Digits,
                  const TFormatSettings& FS = FormatSettings);

// Parses S: optional blanks, a sign, digits with at most one
// DecimalSeparator (ThousandSeparator is not accepted), an optional
// exponent "E[+|-]digits", optional blanks.
// Raises EConvertError "'S' ist kein gültiger Gleitkommawert".
double StrToFloat(const String& S, const TFormatSettings& FS = FormatSettings);
// As StrToFloat; returns false (Value untouched) instead of raising.
bool TryStrToFloat(const String& S, double& Value, const TFormatSettings& FS = FormatSettings);
// As StrToFloat; returns Default instead of raising.
double StrToFloatDef(const String& S, double Default, const TFormatSettings& FS = FormatSettings);

// The same for Currency values (rounded to four decimals).
Currency StrToCurr(const String& S, const TFormatSettings& FS = FormatSettings);
bool TryStrToCurr(const String& S, Currency& Value, const TFormatSettings& FS = FormatSettings);
Currency StrToCurrDef(const String& S, Currency Default, const TFormatSettings& FS = FormatSettings);
