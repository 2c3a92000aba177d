#include "platform/rtl/typinfo_util.h"

#include <charconv>
#include <cmath>

namespace {

char UpAscii(char C) { return (C >= 'a' && C <= 'z') ? char(C - 'a' + 'A') : C; }

bool IsIdentStart(char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_'; }

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  C = UpAscii(C);
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

// Accumulates digits of Base into Value; false on a bad digit or overflow.
bool AccumulateDigits(const String& Digits, int Base, std::uint64_t Limit, std::uint64_t& Value) {
  if (Digits.empty()) return false;
  Value = 0;
  for (char C : Digits) {
    int D = Base == 16 ? HexDigit(C) : ((C >= '0' && C <= '9') ? C - '0' : -1);
    if (D < 0) return false;
    if (Value > (Limit - std::uint64_t(D)) / std::uint64_t(Base)) return false;
    Value = Value * std::uint64_t(Base) + std::uint64_t(D);
  }
  return true;
}

}  // namespace

bool SameIdent(const String& A, const String& B) {
  if (A.size() != B.size()) return false;
  for (size_t I = 0; I < A.size(); ++I)
    if (UpAscii(A[I]) != UpAscii(B[I])) return false;
  return true;
}

String UpperIdent(const String& S) {
  String R = S;
  for (char& C : R) C = UpAscii(C);
  return R;
}

bool IsValidIdentifier(const String& S) {
  if (S.empty() || !IsIdentStart(S[0])) return false;
  for (char C : S)
    if (!IsIdentStart(C) && !(C >= '0' && C <= '9')) return false;
  return true;
}

String TrimBlanks(const String& S) {
  size_t B = 0, E = S.size();
  while (B < E && static_cast<unsigned char>(S[B]) <= ' ') ++B;
  while (E > B && static_cast<unsigned char>(S[E - 1]) <= ' ') --E;
  return S.substr(B, E - B);
}

std::vector<String> SplitTrimmed(const String& S, char Sep) {
  std::vector<String> Parts;
  if (TrimBlanks(S).empty()) return Parts;
  size_t Start = 0;
  for (;;) {
    size_t P = S.find(Sep, Start);
    Parts.push_back(TrimBlanks(S.substr(Start, P == String::npos ? String::npos : P - Start)));
    if (P == String::npos) break;
    Start = P + 1;
  }
  return Parts;
}

bool ParseInteger(const String& Text, Int64& Value, bool& WasHex) {
  String S = TrimBlanks(Text);
  bool Negative = false;
  if (!S.empty() && (S[0] == '-' || S[0] == '+')) {
    Negative = S[0] == '-';
    S.erase(0, 1);
  }
  WasHex = false;
  if (!S.empty() && S[0] == '$') {
    WasHex = true;
    S.erase(0, 1);
  } else if (S.size() > 1 && S[0] == '0' && (S[1] == 'x' || S[1] == 'X')) {
    WasHex = true;
    S.erase(0, 2);
  }
  const std::uint64_t Limit = WasHex ? ~std::uint64_t(0) : std::uint64_t(1) << 63;
  std::uint64_t U = 0;
  if (!AccumulateDigits(S, WasHex ? 16 : 10, Limit, U)) return false;
  if (!WasHex && !Negative && U > std::uint64_t(INT64_MAX)) return false;
  Value = Negative ? Int64(0 - U) : Int64(U);
  return true;
}

bool ParseFloat(const String& Text, double& Value) {
  String S = TrimBlanks(Text);
  for (char& C : S)
    if (C == ',') C = '.';
  if (!S.empty() && S[0] == '+') S.erase(0, 1);
  if (S.empty()) return false;
  auto [End, Err] = std::from_chars(S.data(), S.data() + S.size(), Value);
  return Err == std::errc() && End == S.data() + S.size() && std::isfinite(Value);
}

String FloatToText(double Value) {
  char Buf[64];
  auto [End, Err] = std::to_chars(Buf, Buf + sizeof Buf, Value);
  if (Err != std::errc()) return "0";
  return String(Buf, End);
}
