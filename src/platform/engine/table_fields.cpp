// Raw field images: null markers and conversions.
#include "platform/engine/table_fields.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>

#include "platform/engine/errors.h"
#include "platform/engine/expr_date.h"
#include "platform/rtl/byteorder.h"

namespace oak {

namespace {

const std::uint8_t kDoubleNull[8] = {0x20, 0, 0, 0, 0, 0, 0, 0x80};

struct TTypeInfo {
  UNSIGNED16 Type;
  UNSIGNED32 FixedLength;  // 0: the definition gives the length
};

const std::map<std::string, TTypeInfo>& TypeNames() {
  static const std::map<std::string, TTypeInfo> M = {
      {"LOGICAL", {OAK_LOGICAL, 1}},     {"NUMERIC", {OAK_NUMERIC, 0}},
      {"DATE", {OAK_DATE, 4}},           {"CHARACTER", {OAK_STRING, 0}},
      {"CHAR", {OAK_STRING, 0}},         {"MEMO", {OAK_MEMO, 8}},
      {"BINARY", {OAK_BINARY, 8}},       {"BLOB", {OAK_BINARY, 8}},
      {"IMAGE", {OAK_IMAGE, 8}},         {"VARCHAR", {OAK_VARCHAR, 8}},
      {"COMPACTDATE", {OAK_COMPACTDATE, 3}}, {"DOUBLE", {OAK_DOUBLE, 8}},
      {"INTEGER", {OAK_INTEGER, 4}},     {"SHORTINT", {OAK_SHORTINT, 2}},
      {"TIME", {OAK_TIME, 4}},           {"TIMESTAMP", {OAK_TIMESTAMP, 8}},
      {"AUTOINC", {OAK_AUTOINC, 4}},     {"RAW", {OAK_RAW, 0}},
      {"CURDOUBLE", {OAK_CURDOUBLE, 8}}, {"MONEY", {OAK_CURDOUBLE, 8}},
      {"CICHARACTER", {OAK_CISTRING, 0}},
  };
  return M;
}

std::string Trim(const std::string& S) {
  size_t B = S.find_first_not_of(" \t\r\n"), E = S.find_last_not_of(" \t\r\n");
  return B == std::string::npos ? std::string() : S.substr(B, E - B + 1);
}

std::string Upper(std::string S) {
  for (char& C : S) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
  return S;
}

std::vector<std::string> Split(const std::string& S, char Sep) {
  std::vector<std::string> Out;
  size_t Start = 0;
  for (;;) {
    size_t P = S.find(Sep, Start);
    Out.push_back(S.substr(Start, P == std::string::npos ? std::string::npos : P - Start));
    if (P == std::string::npos) return Out;
    Start = P + 1;
  }
}

UNSIGNED32 ParseCount(const std::string& Text, const std::string& Entry) {
  char* End = nullptr;
  std::string T = Trim(Text);
  unsigned long V = std::strtoul(T.c_str(), &End, 10);
  if (T.empty() || *End || V > 65530) Fail(E_BAD_TABLE_DEFINITION, Entry);
  return static_cast<UNSIGNED32>(V);
}

void Fill(const TFieldDesc& F, std::uint8_t* Rec, std::uint8_t Byte) {
  std::memset(Rec + F.Offset, Byte, F.Length);
}

bool AllBytes(const TFieldDesc& F, const std::uint8_t* Rec, std::uint8_t Byte) {
  for (UNSIGNED32 I = 0; I < F.Length; ++I)
    if (Rec[F.Offset + I] != Byte) return false;
  return true;
}

bool ParseNumber(const std::string& Text, double& V) {
  std::string T = Trim(Text);
  for (char& C : T)
    if (C == ',') C = '.';
  char* End = nullptr;
  V = std::strtod(T.c_str(), &End);
  return !T.empty() && *End == 0 && std::isfinite(V);
}

// A date from text: CCYYMMDD or the engine's date format.
std::int32_t ParseDate(const std::string& Text, const std::string& DateFormat) {
  std::int32_t J = 0;
  std::string T = Trim(Text);
  if (T.size() == 8 && T.find_first_not_of("0123456789") == std::string::npos &&
      DtosToJulian(T, J))
    return J;
  if (ParseJulian(T, DateFormat, J)) return J;
  if (T.size() == 10 && T[4] == '-' && ParseJulian(T, "YYYY-MM-DD", J)) return J;
  Fail(E_BAD_VALUE, "'" + Text + "' is not a date");
}

void SetNumericText(const TFieldDesc& F, std::uint8_t* Rec, double V) {
  char Buf[64];
  std::snprintf(Buf, sizeof Buf, "%.*f", int(F.Decimals), V);
  size_t N = std::strlen(Buf);
  if (N > F.Length) Fail(E_BAD_VALUE, "numeric value does not fit field " + F.Name);
  Fill(F, Rec, ' ');
  std::memcpy(Rec + F.Offset + F.Length - N, Buf, N);
}

void SetIntegral(const TFieldDesc& F, std::uint8_t* Rec, double V, double Lo, double Hi) {
  if (!(V >= Lo && V <= Hi)) Fail(E_BAD_VALUE, "value out of range for field " + F.Name);
  auto I = static_cast<std::int64_t>(std::llround(V));
  if (F.Length == 2) {
    StoreLE16(Rec + F.Offset, static_cast<std::uint16_t>(I));
  } else {
    StoreLE32(Rec + F.Offset, static_cast<std::uint32_t>(I));
  }
}

void SetCompactDate(const TFieldDesc& F, std::uint8_t* Rec, std::int32_t J) {
  if (J == 0) return Fill(F, Rec, 0);
  int Y, M, D;
  YMDFromJulian(J, Y, M, D);
  unsigned W = unsigned(Y) * 2 + (unsigned(M) >> 3);
  StoreBE16(Rec + F.Offset, static_cast<std::uint16_t>(W));
  Rec[F.Offset + 2] = (M * 32 + D) & 0xFF;
}

std::int32_t GetCompactDate(const TFieldDesc& F, const std::uint8_t* Rec) {
  unsigned W = LoadBE16(Rec + F.Offset);
  unsigned B = Rec[F.Offset + 2];
  return JulianFromYMD(int(W >> 1), int((W & 1) * 8 + (B >> 5)), int(B & 31));
}

std::int32_t GetI32(const TFieldDesc& F, const std::uint8_t* Rec, UNSIGNED32 Extra = 0) {
  return static_cast<std::int32_t>(LoadLE32(Rec + F.Offset + Extra));
}

}  // namespace

bool IsBlobType(UNSIGNED16 T) {
  return T == OAK_MEMO || T == OAK_BINARY || T == OAK_IMAGE || T == OAK_VARCHAR;
}
bool IsCharType(UNSIGNED16 T) { return T == OAK_STRING || T == OAK_CISTRING; }

std::vector<TFieldDesc> ParseFieldDefinitions(const std::string& Text) {
  std::vector<TFieldDesc> Fields;
  UNSIGNED32 Offset = 1;
  for (const std::string& Raw : Split(Text, ';')) {
    std::string Entry = Trim(Raw);
    if (Entry.empty()) continue;
    std::vector<std::string> Parts = Split(Entry, ',');
    TFieldDesc F;
    F.Name = Trim(Parts[0]);
    if (F.Name.empty() || F.Name.size() > kMaxFieldName || Parts.size() < 2 || Parts.size() > 4)
      Fail(E_BAD_TABLE_DEFINITION, Entry);
    for (auto& Other : Fields)
      if (Upper(Other.Name) == Upper(F.Name)) Fail(E_BAD_TABLE_DEFINITION, "duplicate " + F.Name);
    auto It = TypeNames().find(Upper(Trim(Parts[1])));
    if (It == TypeNames().end()) Fail(E_BAD_TABLE_DEFINITION, Entry);
    F.Type = It->second.Type;
    F.Length = It->second.FixedLength;
    if (F.Length == 0) {
      if (Parts.size() < 3) Fail(E_BAD_TABLE_DEFINITION, Entry);
      F.Length = ParseCount(Parts[2], Entry);
      if (F.Length == 0 || (F.Type == OAK_NUMERIC && F.Length > 32))
        Fail(E_BAD_TABLE_DEFINITION, Entry);
    }
    if (Parts.size() == 4 && F.Type == OAK_NUMERIC) {
      F.Decimals = static_cast<UNSIGNED16>(ParseCount(Parts[3], Entry));
      if (F.Decimals + 2u > F.Length && F.Decimals > 0) Fail(E_BAD_TABLE_DEFINITION, Entry);
    }
    F.Offset = Offset;
    Offset += F.Length;
    Fields.push_back(std::move(F));
  }
  if (Fields.empty() || Fields.size() > kMaxFields) Fail(E_BAD_TABLE_DEFINITION, "no fields");
  return Fields;
}

void SetFieldNull(const TFieldDesc& F, std::uint8_t* Rec) {
  switch (F.Type) {
    case OAK_LOGICAL: return Fill(F, Rec, ' ');
    case OAK_DOUBLE:
    case OAK_CURDOUBLE: std::memcpy(Rec + F.Offset, kDoubleNull, 8); return;
    case OAK_INTEGER: return StoreLE32(Rec + F.Offset, 0x80000000u);
    case OAK_SHORTINT: Rec[F.Offset] = 0; Rec[F.Offset + 1] = 0x80; return;
    case OAK_TIME:
    case OAK_AUTOINC: return StoreLE32(Rec + F.Offset, 0xFFFFFFFFu);
    case OAK_TIMESTAMP:
      StoreLE32(Rec + F.Offset, 0);
      return StoreLE32(Rec + F.Offset + 4, 0xFFFFFFFFu);
    default: return Fill(F, Rec, 0);
  }
}

bool IsFieldNull(const TFieldDesc& F, const std::uint8_t* Rec) {
  switch (F.Type) {
    case OAK_LOGICAL: return Rec[F.Offset] == ' ';
    case OAK_DOUBLE:
    case OAK_CURDOUBLE: return std::memcmp(Rec + F.Offset, kDoubleNull, 8) == 0;
    case OAK_INTEGER: return LoadLE32(Rec + F.Offset) == 0x80000000u;
    case OAK_SHORTINT: return Rec[F.Offset] == 0 && Rec[F.Offset + 1] == 0x80;
    case OAK_TIME:
    case OAK_AUTOINC: return LoadLE32(Rec + F.Offset) == 0xFFFFFFFFu;
    case OAK_TIMESTAMP:
    case OAK_MEMO:
    case OAK_BINARY:
    case OAK_IMAGE:
    case OAK_VARCHAR:
    case OAK_DATE: return LoadLE32(Rec + F.Offset) == 0;
    default: return AllBytes(F, Rec, 0);
  }
}

void ClearRecord(const std::vector<TFieldDesc>& Fields, std::uint8_t* Rec, std::size_t Len) {
  std::memset(Rec, 0, Len);
  Rec[0] = kRecordLive;
  for (auto& F : Fields)
    if (F.Offset + F.Length <= Len) SetFieldNull(F, Rec);
}

void SetFieldDouble(const TFieldDesc& F, std::uint8_t* Rec, double V) {
  switch (F.Type) {
    case OAK_NUMERIC: return SetNumericText(F, Rec, V);
    case OAK_DOUBLE:
    case OAK_CURDOUBLE: StoreLEAs<double>(Rec + F.Offset, V); return;
    case OAK_INTEGER: return SetIntegral(F, Rec, V, -2147483647.0, 2147483647.0);
    case OAK_SHORTINT: return SetIntegral(F, Rec, V, -32767.0, 32767.0);
    case OAK_AUTOINC: return SetIntegral(F, Rec, V, 0, 4294967294.0);
    case OAK_TIME: return SetIntegral(F, Rec, V, 0, 86399999.0);
    case OAK_DATE: return SetIntegral(F, Rec, V, 0, 5373484.0);
    default: Fail(E_BAD_VALUE, "field " + F.Name + " takes no number");
  }
}

double GetFieldDouble(const TFieldDesc& F, const std::uint8_t* Rec) {
  if (IsFieldNull(F, Rec)) return 0;
  switch (F.Type) {
    case OAK_NUMERIC: {
      double V = 0;
      std::string T(reinterpret_cast<const char*>(Rec + F.Offset), F.Length);
      return ParseNumber(T, V) ? V : 0;
    }
    case OAK_DOUBLE:
    case OAK_CURDOUBLE: return LoadLEAs<double>(Rec + F.Offset);
    case OAK_INTEGER:
    case OAK_DATE: return GetI32(F, Rec);
    case OAK_SHORTINT: return static_cast<std::int16_t>(LoadLE16(Rec + F.Offset));
    case OAK_AUTOINC:
    case OAK_TIME: return LoadLE32(Rec + F.Offset);
    case OAK_LOGICAL: return Rec[F.Offset] == 'T' ? 1 : 0;
    default: Fail(E_BAD_VALUE, "field " + F.Name + " is not numeric");
  }
}

void SetFieldText(const TFieldDesc& F, std::uint8_t* Rec, const std::string& Text,
                  CharType Chars, const std::string& DateFormat) {
  if (IsCharType(F.Type)) {
    std::string Bytes = ToTableChars(Text, Chars);
    if (Bytes.find_first_not_of(' ') == std::string::npos) return Fill(F, Rec, 0);
    Fill(F, Rec, ' ');
    std::memcpy(Rec + F.Offset, Bytes.data(), std::min<size_t>(Bytes.size(), F.Length));
    return;
  }
  if (F.Type == OAK_RAW) {
    Fill(F, Rec, 0);
    std::memcpy(Rec + F.Offset, Text.data(), std::min<size_t>(Text.size(), F.Length));
    return;
  }
  std::string T = Trim(Text);
  if (T.empty()) return SetFieldNull(F, Rec);
  switch (F.Type) {
    case OAK_LOGICAL: {
      std::string U = Upper(T);
      Rec[F.Offset] = (U == "T" || U == "Y" || U == "1" || U == ".T." || U == "TRUE") ? 'T' : 'F';
      return;
    }
    case OAK_DATE: return StoreLE32(Rec + F.Offset, ParseDate(T, DateFormat));
    case OAK_COMPACTDATE: return SetCompactDate(F, Rec, ParseDate(T, DateFormat));
    case OAK_TIME: {
      std::int32_t Ms = 0;
      if (!ParseTimeOfDay(T, Ms)) Fail(E_BAD_VALUE, "'" + T + "' is not a time");
      return StoreLE32(Rec + F.Offset, static_cast<std::uint32_t>(Ms));
    }
    case OAK_TIMESTAMP: {
      size_t Sp = T.find(' ');
      std::int32_t J = ParseDate(T.substr(0, Sp), DateFormat), Ms = 0;
      if (Sp != std::string::npos && !ParseTimeOfDay(Trim(T.substr(Sp)), Ms))
        Fail(E_BAD_VALUE, "'" + T + "' is not a timestamp");
      StoreLE32(Rec + F.Offset, static_cast<std::uint32_t>(J));
      return StoreLE32(Rec + F.Offset + 4, static_cast<std::uint32_t>(Ms));
    }
    default: {
      if (IsBlobType(F.Type)) Fail(E_BAD_VALUE, "blob field " + F.Name);
      double V = 0;
      if (!ParseNumber(T, V)) Fail(E_BAD_VALUE, "'" + T + "' is not a number");
      return SetFieldDouble(F, Rec, V);
    }
  }
}

std::string GetFieldText(const TFieldDesc& F, const std::uint8_t* Rec, CharType Chars,
                         const std::string& DateFormat) {
  if (IsFieldNull(F, Rec)) return std::string();
  const char* P = reinterpret_cast<const char*>(Rec + F.Offset);
  char Buf[64];
  switch (F.Type) {
    case OAK_LOGICAL: return Rec[F.Offset] == 'T' ? "T" : "F";
    case OAK_NUMERIC: return Trim(std::string(P, F.Length));
    case OAK_STRING:
    case OAK_CISTRING: return FromTableChars(std::string_view(P, F.Length), Chars);
    case OAK_RAW: return std::string(P, F.Length);
    case OAK_DATE: return FormatJulian(GetI32(F, Rec), DateFormat);
    case OAK_COMPACTDATE: return FormatJulian(GetCompactDate(F, Rec), DateFormat);
    case OAK_TIME: return FormatTimeOfDay(GetI32(F, Rec));
    case OAK_TIMESTAMP: {
      std::int32_t Ms = GetI32(F, Rec, 4);
      return FormatJulian(GetI32(F, Rec), DateFormat) + " " + FormatTimeOfDay(Ms < 0 ? 0 : Ms);
    }
    case OAK_DOUBLE:
    case OAK_CURDOUBLE: std::snprintf(Buf, sizeof Buf, "%.15g", GetFieldDouble(F, Rec)); return Buf;
    default: std::snprintf(Buf, sizeof Buf, "%.0f", GetFieldDouble(F, Rec)); return Buf;
  }
}

ExprType ExprTypeOf(UNSIGNED16 T) {
  switch (T) {
    case OAK_LOGICAL: return ExprType::Logical;
    case OAK_DATE:
    case OAK_COMPACTDATE: return ExprType::Date;
    case OAK_TIMESTAMP: return ExprType::Timestamp;
    case OAK_STRING:
    case OAK_CISTRING:
    case OAK_MEMO:
    case OAK_VARCHAR:
    case OAK_RAW:
    case OAK_BINARY:
    case OAK_IMAGE: return ExprType::String;
    default: return ExprType::Number;
  }
}

ExprValue FieldToExpr(const TFieldDesc& F, const std::uint8_t* Rec, CharType Chars) {
  if (IsFieldNull(F, Rec)) return ExprValue::Null();
  switch (ExprTypeOf(F.Type)) {
    case ExprType::Logical: return ExprValue::FromLogical(Rec[F.Offset] == 'T');
    case ExprType::Date:
      return ExprValue::FromDate(F.Type == OAK_DATE ? GetI32(F, Rec) : GetCompactDate(F, Rec));
    case ExprType::Timestamp: return ExprValue::FromTimestamp(GetI32(F, Rec), GetI32(F, Rec, 4));
    case ExprType::String:
      return ExprValue::FromString(GetFieldText(F, Rec, Chars, std::string()));
    default: return ExprValue::FromNumber(GetFieldDouble(F, Rec));
  }
}

void GetBlobRef(const TFieldDesc& F, const std::uint8_t* Rec, UNSIGNED32& Block, UNSIGNED32& Len) {
  Block = LoadLE32(Rec + F.Offset);
  Len = LoadLE32(Rec + F.Offset + 4);
}

void SetBlobRef(const TFieldDesc& F, std::uint8_t* Rec, UNSIGNED32 Block, UNSIGNED32 Len) {
  StoreLE32(Rec + F.Offset, Block);
  StoreLE32(Rec + F.Offset + 4, Len);
}

}  // namespace oak
