// Format and the integer conversions.
#include "platform/rtl/format.h"

#include <algorithm>

#include "platform/rtl/charset.h"

const char* const SInvalidInteger = "'%s' ist kein gültiger Integerwert";
const char* const SInvalidFloat = "'%s' ist kein gültiger Gleitkommawert";
const char* const SInvalidFormat = "Format '%s' ungültig oder nicht kompatibel mit Argument";
const char* const SInvalidBoolean = "'%s' ist kein gültiger Boolescher Wert";

// ---------------------------------------------------------------------------
// Integers

namespace rtl_detail {

String UnsignedToDecimal(std::uint64_t V, bool Negative) {
  char Buf[24];
  char* P = Buf + sizeof Buf;
  do {
    *--P = static_cast<char>('0' + V % 10);
    V /= 10;
  } while (V);
  if (Negative) *--P = '-';
  return String(P, Buf + sizeof Buf);
}

String UnsignedToHex(std::uint64_t V, Integer Digits) {
  static const char kHex[] = "0123456789ABCDEF";
  String Out;
  do {
    Out.insert(Out.begin(), kHex[V & 15]);
    V >>= 4;
  } while (V);
  if (Integer(Out.size()) < Digits) Out.insert(0, Digits - Out.size(), '0');
  return Out;
}

}  // namespace rtl_detail

namespace {

// Reads an integer as the class library's Val does: leading blanks, sign,
// decimal digits or "$"/"0x"/"x" and hexadecimal digits, nothing after.
// Magnitude is the absolute value; false on any malformation or when the
// magnitude exceeds Limit.
bool ScanInteger(const String& S, std::uint64_t Limit, std::uint64_t& Magnitude, bool& Negative,
                 bool& Hex) {
  std::size_t i = 0;
  const std::size_t n = S.size();
  while (i < n && S[i] == ' ') ++i;
  Negative = false;
  if (i < n && (S[i] == '+' || S[i] == '-')) Negative = S[i++] == '-';
  Hex = false;
  if (i < n && S[i] == '$') {
    Hex = true;
    ++i;
  } else if (i < n && (S[i] == 'x' || S[i] == 'X')) {
    Hex = true;
    ++i;
  } else if (i + 1 < n && S[i] == '0' && (S[i + 1] == 'x' || S[i + 1] == 'X')) {
    Hex = true;
    i += 2;
  }
  const std::uint64_t Base = Hex ? 16 : 10;
  std::uint64_t V = 0;
  const std::size_t Start = i;
  const std::uint64_t Cut = Limit / Base;  // above it, one more digit overflows
  for (; i < n; ++i) {
    const char C = S[i];
    int Digit;
    if (C >= '0' && C <= '9') Digit = C - '0';
    else if (Hex && C >= 'a' && C <= 'f') Digit = C - 'a' + 10;
    else if (Hex && C >= 'A' && C <= 'F') Digit = C - 'A' + 10;
    else return false;
    if (V > Cut || V * Base > Limit - Digit) return false;
    V = V * Base + Digit;
  }
  Magnitude = V;
  return i > Start;
}

bool ScanSigned(const String& S, Int64 Min, std::uint64_t HexMax, Int64& Value) {
  const std::uint64_t Max = static_cast<std::uint64_t>(-(Min + 1)) + 1;  // |Min|
  std::uint64_t M = 0;
  bool Negative = false, Hex = false;
  if (!ScanInteger(S, std::max(Max, HexMax), M, Negative, Hex)) return false;
  if (Hex && M >= Max) {
    // A hexadecimal pattern at or beyond the sign bit is taken as the
    // two's complement of the target width.
    const Int64 Pattern = HexMax == ~0ULL ? static_cast<Int64>(M)
                                          : static_cast<Int64>(static_cast<std::int32_t>(M));
    Value = Negative ? -Pattern : Pattern;
    return true;
  }
  if (!Negative && M > Max - 1) return false;
  if (Negative && M > Max) return false;
  Value = Negative ? static_cast<Int64>(~M + 1) : static_cast<Int64>(M);
  return true;
}

[[noreturn]] void RaiseInvalidInteger(const String& S) {
  throw EConvertError(Format(SInvalidInteger, {S}));
}

}  // namespace

bool TryStrToInt(const String& S, Integer& Value) {
  Int64 V = 0;
  if (!ScanSigned(S, INT32_MIN, 0xFFFFFFFFULL, V)) return false;
  Value = static_cast<Integer>(V);
  return true;
}

Integer StrToInt(const String& S) {
  Integer V = 0;
  if (!TryStrToInt(S, V)) RaiseInvalidInteger(S);
  return V;
}

Integer StrToIntDef(const String& S, Integer Default) {
  Integer V = 0;
  return TryStrToInt(S, V) ? V : Default;
}

bool TryStrToInt64(const String& S, Int64& Value) {
  return ScanSigned(S, INT64_MIN, ~0ULL, Value);
}

Int64 StrToInt64(const String& S) {
  Int64 V = 0;
  if (!TryStrToInt64(S, V)) RaiseInvalidInteger(S);
  return V;
}

Int64 StrToInt64Def(const String& S, Int64 Default) {
  Int64 V = 0;
  return TryStrToInt64(S, V) ? V : Default;
}
