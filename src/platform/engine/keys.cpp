// Index keys: order-preserving byte forms of expression values.
#include "platform/engine/keys.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/engine/expr_date.h"
#include "platform/rtl/byteorder.h"
#include "platform/rtl/charset.h"

namespace oak {

namespace {

void PutBE64(std::string& Out, std::uint64_t V) {
  char Field[8];
  StoreBE64(Field, V);
  Out.append(Field, 8);
}

void PutBE32(std::string& Out, std::uint32_t V) {
  char Field[4];
  StoreBE32(Field, V);
  Out.append(Field, 4);
}

std::uint64_t OrderedDouble(double D) {
  if (std::isnan(D)) return 0xFFF8000000000000ULL;  // after +inf
  if (D == 0) D = 0;  // -0 sorts as 0
  std::uint64_t Bits;
  std::memcpy(&Bits, &D, sizeof Bits);
  return (Bits & 0x8000000000000000ULL) ? ~Bits : Bits | 0x8000000000000000ULL;
}

double DoubleFromOrdered(std::uint64_t Bits) {
  Bits = (Bits & 0x8000000000000000ULL) ? Bits & ~0x8000000000000000ULL : ~Bits;
  double D;
  std::memcpy(&D, &Bits, sizeof D);
  return D;
}

void Invert(std::string& Key) {
  for (char& c : Key) c = static_cast<char>(~static_cast<unsigned char>(c));
}

std::string Trimmed(std::string_view S) {
  std::size_t B = 0, E = S.size();
  while (B < E && std::isspace(static_cast<unsigned char>(S[B]))) ++B;
  while (E > B && std::isspace(static_cast<unsigned char>(S[E - 1]))) --E;
  return std::string(S.substr(B, E - B));
}

String CharacterText(const ExprValue& V, int Width) {
  switch (V.Type) {
    case ExprType::String: return V.Str;
    case ExprType::Number: {
      char Buf[64];
      std::snprintf(Buf, sizeof Buf, "%*.0f", Width, V.Num);
      return Buf;
    }
    case ExprType::Date: return JulianToDtos(V.Julian);
    case ExprType::Logical: return V.Bool ? "T" : "F";
    case ExprType::Timestamp: return JulianToDtos(V.Julian) + FormatTimeOfDay(V.Ms);
    default: return String();
  }
}

std::string RawKey(const ExprValue& V, const KeySpec& Spec) {
  std::string K;
  K.reserve(Spec.Length);
  switch (Spec.Type) {
    case KeyType::Character: {
      K = ToTableChars(CharacterText(V, Spec.Length), Spec.Chars);
      K.resize(Spec.Length, ' ');
      break;
    }
    case KeyType::Numeric:
      PutBE64(K, V.Type == ExprType::Number ? OrderedDouble(V.Num) : 0);
      break;
    case KeyType::Date:
      PutBE32(K, (V.Type == ExprType::Date || V.Type == ExprType::Timestamp) && V.Julian > 0
                     ? static_cast<std::uint32_t>(V.Julian) : 0);
      break;
    case KeyType::Timestamp: {
      bool Ok = V.Type == ExprType::Date || V.Type == ExprType::Timestamp;
      PutBE32(K, Ok && V.Julian > 0 ? static_cast<std::uint32_t>(V.Julian) : 0);
      PutBE32(K, Ok && V.Type == ExprType::Timestamp && V.Ms > 0 ? static_cast<std::uint32_t>(V.Ms) : 0);
      break;
    }
    case KeyType::Logical:
      K.push_back(V.Type == ExprType::Logical ? (V.Bool ? 'T' : 'F') : '\0');
      break;
  }
  K.resize(Spec.Length, '\0');
  return K;
}

[[noreturn]] void BadSeek(std::string_view Text, const char* Kind) {
  ThrowEngineError(kExprBadSeekKey, "Seek key '" + String(Text) + "' is not a valid " + Kind + " key");
}

ExprValue SeekValue(std::string_view Text, const KeySpec& Spec, std::string_view DateFormat) {
  std::string T = Trimmed(Text);
  std::int32_t J = 0, Ms = 0;
  switch (Spec.Type) {
    case KeyType::Numeric: {
      char* End = nullptr;
      double D = std::strtod(T.c_str(), &End);
      if (End == T.c_str() || *End != '\0') BadSeek(Text, "numeric");
      return ExprValue::FromNumber(D);
    }
    case KeyType::Date:
      if (!(T.size() == 8 && DtosToJulian(T, J)) && !ParseJulian(T, DateFormat, J)) BadSeek(Text, "date");
      return ExprValue::FromDate(J);
    case KeyType::Logical: {
      std::string U = T;
      for (char& c : U) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      U.erase(std::remove(U.begin(), U.end(), '.'), U.end());
      if (U == "T" || U == "Y" || U == "TRUE") return ExprValue::FromLogical(true);
      if (U == "F" || U == "N" || U == "FALSE") return ExprValue::FromLogical(false);
      BadSeek(Text, "logical");
    }
    default: {  // Timestamp
      std::size_t Space = T.find(' ');
      std::string D = T.substr(0, Space);
      bool DateOk = (D.size() == 8 && DtosToJulian(D, J)) || ParseJulian(D, DateFormat, J);
      bool TimeOk = Space == std::string::npos || ParseTimeOfDay(T.substr(Space + 1), Ms);
      if (!DateOk || !TimeOk) BadSeek(Text, "timestamp");
      return ExprValue::FromTimestamp(J, Ms);
    }
  }
}

}  // namespace

KeySpec KeySpecFor(const Expression& KeyExpr, bool Descending, CharType Chars, int MaxLength) {
  KeySpec S;
  S.Descending = Descending;
  S.Chars = Chars;
  switch (KeyExpr.ResultType()) {
    case ExprType::String: S.Type = KeyType::Character; break;
    case ExprType::Number: S.Type = KeyType::Numeric; break;
    case ExprType::Date: S.Type = KeyType::Date; break;
    case ExprType::Logical: S.Type = KeyType::Logical; break;
    case ExprType::Timestamp: S.Type = KeyType::Timestamp; break;
    default:
      ThrowEngineError(kExprTypeMismatch,
                       "Key expression '" + KeyExpr.Text() + "' has no fixed type");
  }
  int Len = KeyExpr.ResultLength();
  if (Len <= 0 || Len > MaxLength)
    ThrowEngineError(kExprKeyLength, "Key expression '" + KeyExpr.Text() + "' gives a key of " +
                                         (Len <= 0 ? String("no fixed") : std::to_string(Len)) +
                                         " length (at most " + std::to_string(MaxLength) + ")");
  S.Length = static_cast<std::uint16_t>(Len);
  return S;
}

std::string BuildKey(const ExprValue& Value, const KeySpec& Spec) {
  std::string K = RawKey(Value, Spec);
  if (Spec.Descending) Invert(K);
  return K;
}

const TKeyByteMap* StoredTextKeyMap(CharType TableChars, CharType KeyChars, ExprCase Case) {
  // Every combination: [table chars - 1][key chars - 1][case]. Each entry
  // is made by the very conversions the evaluated key goes through.
  struct TMaps {
    TKeyByteMap Map[2][2][3];
    bool Usable[2][2][3];
  };
  static const TMaps Maps = [] {
    TMaps M{};
    for (int T = 0; T < 2; ++T)
      for (int K = 0; K < 2; ++K)
        for (int C = 0; C < 3; ++C) {
          M.Usable[T][K][C] = true;
          for (int B = 0; B < 256 && M.Usable[T][K][C]; ++B) {
            String Text = FromTableChars(std::string(1, static_cast<char>(B)), static_cast<CharType>(T + 1));
            if (static_cast<ExprCase>(C) == ExprCase::Upper) Text = AnsiUpperCase(Text);
            if (static_cast<ExprCase>(C) == ExprCase::Lower) Text = AnsiLowerCase(Text);
            const std::string Key = ToTableChars(Text, static_cast<CharType>(K + 1));
            M.Usable[T][K][C] = Key.size() == 1;
            M.Map[T][K][C][B] = static_cast<std::uint8_t>(Key[0]);
          }
        }
    return M;
  }();
  const int T = TableChars == CharType::Oem, K = KeyChars == CharType::Oem, C = static_cast<int>(Case);
  return Maps.Usable[T][K][C] ? &Maps.Map[T][K][C] : nullptr;
}

void StoredTextKey(std::string_view Stored, bool Null, const TKeyByteMap& Map, const KeySpec& Spec,
                   std::string& Key) {
  const std::size_t Length = Spec.Length, Text = Null ? 0 : std::min(Stored.size(), Length);
  const std::uint8_t Flip = Spec.Descending ? 0xFF : 0;  // Invert, byte by byte
  Key.resize(Length);
  for (std::size_t I = 0; I < Text; ++I)
    Key[I] = static_cast<char>(Map[static_cast<std::uint8_t>(Stored[I])] ^ Flip);
  for (std::size_t I = Text; I < Length; ++I) Key[I] = static_cast<char>(' ' ^ Flip);
}

void StoredNumberKey(bool Null, double Value, const KeySpec& Spec, std::string& Key) {
  char Bytes[8];
  StoreBE64(Bytes, Null ? 0 : OrderedDouble(Value));
  const std::size_t Length = Spec.Length, Head = std::min<std::size_t>(8, Length);
  const char Flip = Spec.Descending ? '\xFF' : '\0';  // Invert, byte by byte
  Key.resize(Length);
  for (std::size_t I = 0; I < Head; ++I) Key[I] = static_cast<char>(Bytes[I] ^ Flip);
  for (std::size_t I = Head; I < Length; ++I) Key[I] = Flip;
}

std::string SeekKeyFromText(std::string_view Text, const KeySpec& Spec, std::string_view DateFormat) {
  std::string K;
  if (Spec.Type == KeyType::Character) {
    K = ToTableChars(Text, Spec.Chars);
    if (K.size() > Spec.Length) K.resize(Spec.Length);
  } else {
    if (Trimmed(Text).empty()) return std::string();  // matches every key
    K = RawKey(SeekValue(Text, Spec, DateFormat), Spec);
  }
  if (Spec.Descending) Invert(K);
  return K;
}

std::string SeekKeyFromRaw(std::string_view Raw, const KeySpec& Spec) {
  return std::string(Raw.substr(0, std::min<std::size_t>(Raw.size(), Spec.Length)));
}

bool StepKey(std::string& Key, int Direction) {
  if (Direction >= 0) {
    for (std::size_t i = Key.size(); i-- > 0;) {
      unsigned char c = static_cast<unsigned char>(Key[i]);
      if (c != 0xFF) {
        Key[i] = static_cast<char>(c + 1);
        return true;
      }
      Key[i] = '\0';
    }
    for (char& c : Key) c = '\xFF';  // restore: there is no next key
    return false;
  }
  for (std::size_t i = Key.size(); i-- > 0;) {
    unsigned char c = static_cast<unsigned char>(Key[i]);
    if (c != 0) {
      Key[i] = static_cast<char>(c - 1);
      return true;
    }
    Key[i] = '\xFF';
  }
  for (char& c : Key) c = '\0';
  return false;
}

ExprValue KeyToValue(std::string_view Key, const KeySpec& Spec) {
  std::string K(Key.substr(0, std::min<std::size_t>(Key.size(), Spec.Length)));
  if (Spec.Descending) Invert(K);
  K.resize(Spec.Length, '\0');
  switch (Spec.Type) {
    case KeyType::Character: return ExprValue::FromString(FromTableChars(K, Spec.Chars));
    case KeyType::Numeric: {
      std::uint64_t Bits = LoadBE64(K.data());
      if (Bits == 0) return ExprValue();
      return ExprValue::FromNumber(DoubleFromOrdered(Bits));
    }
    case KeyType::Date: return ExprValue::FromDate(static_cast<std::int32_t>(LoadBE32(K.data())));
    case KeyType::Timestamp:
      return ExprValue::FromTimestamp(static_cast<std::int32_t>(LoadBE32(K.data())),
                                      static_cast<std::int32_t>(LoadBE32(K.data() + 4)));
    default:
      if (K[0] == '\0') return ExprValue();
      return ExprValue::FromLogical(K[0] == 'T');
  }
}

std::string ToTableChars(std::string_view Utf8, CharType Chars) {
  return Chars == CharType::Oem ? Utf8ToOem(String(Utf8)) : Utf8ToAnsi(String(Utf8));
}

String FromTableChars(std::string_view Bytes, CharType Chars) {
  return Chars == CharType::Oem ? OemToUtf8(std::string(Bytes)) : AnsiToUtf8(std::string(Bytes));
}

}  // namespace oak
