#include "platform/rtl/variants.h"

#include "platform/rtl/datetime.h"
#include "platform/rtl/format.h"
#include "platform/rtl/sysutils.h"

#include <cmath>
#include <limits>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

const char* const SInvalidVarCast = "Ungültige Variant-Typumwandlung";
const char* const SVarOverflow = "Variant-Überlauf";
const char* const SVarArrayBounds =
    "Variant- oder sicherer Array-Index außerhalb des gültigen Bereichs";
const char* const SVarNotArray = "Variant ist kein Array";

namespace VariantText {

// Text of numbers and dates as the class library writes them.
bool ParseInt(const String& S, Int64& Out);
bool ParseFloat(const String& S, double& Out);
bool ParseBool(const String& S, bool& Out);
bool ParseDateTime(const String& S, TDateTime& Out);
String FloatText(double D);
String CurrencyText(double C);
String DateTimeText(TDateTime D);

}  // namespace VariantText

namespace {

[[noreturn]] void CastError() { throw EVariantError(SInvalidVarCast); }
[[noreturn]] void OverflowError() { throw EVariantError(SVarOverflow); }

bool IsIntegerType(TVarType T) {
  switch (T) {
    case varSmallint: case varInteger: case varShortInt: case varByte:
    case varWord: case varLongWord: case varInt64:
      return true;
    default:
      return false;
  }
}

Int64 RoundHalfEven(double D) {
  if (!std::isfinite(D) || D > 9.2e18 || D < -9.2e18) OverflowError();
  return static_cast<Int64>(std::nearbyint(D));
}

// The value as a double for numeric comparison and conversion.
double NumericValue(const Variant& V) { return V.AsDouble(); }

int Sign(double D) { return D < 0 ? -1 : (D > 0 ? 1 : 0); }

}  // namespace

Variant Variant::MakeNull() {
  Variant V;
  V.FType = varNull;
  return V;
}

Variant Variant::FromDateTime(TDateTime D) {
  Variant V(D);
  V.FType = varDate;
  return V;
}

Variant Variant::FromCurrency(double C) {
  Variant V(std::nearbyint(C * 10000.0) / 10000.0);
  V.FType = varCurrency;
  return V;
}

Variant Variant::FromSmallint(std::int16_t S) {
  Variant V(static_cast<int>(S));
  V.FType = varSmallint;
  return V;
}

Variant Variant::FromWord(Word W) {
  Variant V(static_cast<int>(W));
  V.FType = varWord;
  return V;
}

Variant Variant::FromArray(std::vector<Variant> Items) {
  Variant V;
  V.FType = static_cast<TVarType>(varArray | varVariant);
  V.FArr = std::move(Items);
  return V;
}

bool Variant::IsNumeric() const { return IsIntegerType(FType) || IsFloat(); }
bool Variant::IsOrdinal() const { return IsIntegerType(FType) || FType == varBoolean; }
bool Variant::IsFloat() const {
  return FType == varDouble || FType == varSingle || FType == varCurrency;
}

Int64 Variant::AsInt64() const {
  if (IsIntegerType(FType) || FType == varBoolean) return FType == varBoolean ? -FInt : FInt;
  switch (FType) {
    case varDouble: case varSingle: case varCurrency: case varDate:
      return RoundHalfEven(FDbl);
    case varString: {
      Int64 I;
      if (VariantText::ParseInt(FStr, I)) return I;
      double D;
      if (VariantText::ParseFloat(FStr, D)) return RoundHalfEven(D);
      CastError();
    }
    default:
      CastError();
  }
}

Integer Variant::AsInteger() const {
  Int64 I = AsInt64();
  if (I < std::numeric_limits<Integer>::min() || I > std::numeric_limits<Integer>::max())
    OverflowError();
  return static_cast<Integer>(I);
}

double Variant::AsDouble() const {
  if (IsIntegerType(FType)) return static_cast<double>(FInt);
  switch (FType) {
    case varBoolean: return FInt ? -1.0 : 0.0;
    case varDouble: case varSingle: case varCurrency: case varDate: return FDbl;
    case varString: {
      double D;
      if (VariantText::ParseFloat(FStr, D)) return D;
      CastError();
    }
    default:
      CastError();
  }
}

double Variant::AsCurrency() const { return std::nearbyint(AsDouble() * 10000.0) / 10000.0; }

bool Variant::AsBoolean() const {
  if (FType == varBoolean || IsIntegerType(FType)) return FInt != 0;
  if (IsFloat()) return FDbl != 0.0;
  if (FType == varString) {
    bool B;
    if (VariantText::ParseBool(FStr, B)) return B;
    double D;
    if (VariantText::ParseFloat(FStr, D)) return D != 0.0;
  }
  CastError();
}

TDateTime Variant::AsDateTime() const {
  if (FType == varString) {
    TDateTime D;
    if (VariantText::ParseDateTime(FStr, D)) return D;
    CastError();
  }
  if (FType == varBoolean) CastError();
  return AsDouble();
}

String Variant::AsString() const {
  if (IsIntegerType(FType)) return std::to_string(FInt);
  switch (FType) {
    case varEmpty: case varNull: return String();
    case varBoolean: return FInt ? "True" : "False";
    case varDouble: case varSingle: return VariantText::FloatText(FDbl);
    case varCurrency: return VariantText::CurrencyText(FDbl);
    case varDate: return VariantText::DateTimeText(FDbl);
    case varString: return FStr;
    default: CastError();
  }
}

void Variant::CheckArray() const {
  if (!IsArray()) throw EVariantError(SVarNotArray);
}

int Variant::HighBound() const {
  CheckArray();
  return FLow + static_cast<int>(FArr.size()) - 1;
}

const Variant& Variant::operator[](int Index) const {
  CheckArray();
  if (Index < FLow || Index > HighBound()) throw EVariantError(SVarArrayBounds);
  return FArr[static_cast<size_t>(Index - FLow)];
}

Variant& Variant::operator[](int Index) {
  CheckArray();
  if (Index < FLow || Index > HighBound()) throw EVariantError(SVarArrayBounds);
  return FArr[static_cast<size_t>(Index - FLow)];
}

const std::vector<Variant>& Variant::Items() const {
  CheckArray();
  return FArr;
}

bool Variant::operator==(const Variant& Other) const {
  if (IsArray() || Other.IsArray()) {
    if (!IsArray() || !Other.IsArray() || FArr.size() != Other.FArr.size()) return false;
    for (size_t i = 0; i < FArr.size(); ++i)
      if (FArr[i] != Other.FArr[i]) return false;
    return true;
  }
  try {
    return VarCompareValue(*this, Other) == vrEqual;
  } catch (const EVariantError&) {
    return false;  // a string that is no number differs from any number
  }
}

bool Variant::operator<(const Variant& Other) const {
  TVariantRelationship R = VarCompareValue(*this, Other);
  if (R == vrNotEqual) CastError();
  return R == vrLessThan;
}

Variant Null() { return Variant::MakeNull(); }
Variant Unassigned() { return Variant(); }

bool VarIsNull(const Variant& V) { return V.IsNull(); }
bool VarIsEmpty(const Variant& V) { return V.IsEmpty(); }
bool VarIsClear(const Variant& V) { return V.IsClear(); }
bool VarIsArray(const Variant& V) { return V.IsArray(); }
bool VarIsNumeric(const Variant& V) { return V.IsNumeric(); }
bool VarIsStr(const Variant& V) { return V.IsStr(); }
bool VarIsNullOrEmpty(const Variant& V) { return V.IsNull() || V.IsEmpty(); }
TVarType VarType(const Variant& V) { return V.VarType(); }

String VarToStr(const Variant& V) { return V.AsString(); }

String VarToStrDef(const Variant& V, const String& Default) {
  return VarIsNullOrEmpty(V) ? Default : V.AsString();
}

TDateTime VarToDateTime(const Variant& V) { return V.AsDateTime(); }
Variant VarFromDateTime(TDateTime V) { return Variant::FromDateTime(V); }

Variant VarAsType(const Variant& V, TVarType AType) {
  switch (AType) {
    case varEmpty: return Variant();
    case varNull: return Null();
    case varSmallint: {
      Integer I = V.AsInteger();
      if (I < -32768 || I > 32767) throw EVariantError(SVarOverflow);
      return Variant::FromSmallint(static_cast<std::int16_t>(I));
    }
    case varWord: {
      Integer I = V.AsInteger();
      if (I < 0 || I > 65535) throw EVariantError(SVarOverflow);
      return Variant::FromWord(static_cast<Word>(I));
    }
    case varInteger: return Variant(V.AsInteger());
    case varInt64: return Variant(V.AsInt64());
    case varSingle: case varDouble: return Variant(V.AsDouble());
    case varCurrency: return Variant::FromCurrency(V.AsCurrency());
    case varDate: return Variant::FromDateTime(V.AsDateTime());
    case varBoolean: return Variant(V.AsBoolean());
    case varString: return Variant(V.AsString());
    default: throw EVariantError(SInvalidVarCast);
  }
}

Variant VarArrayOf(std::initializer_list<Variant> Items) {
  return Variant::FromArray(std::vector<Variant>(Items));
}

Variant VarArrayOf(const std::vector<Variant>& Items) { return Variant::FromArray(Items); }

Variant VarArrayCreate(int Low, int High) {
  Variant V = Variant::FromArray(std::vector<Variant>(
      High >= Low ? static_cast<size_t>(High - Low + 1) : 0));
  V.FLow = Low;
  return V;
}

int VarArrayDimCount(const Variant& V) { return V.IsArray() ? 1 : 0; }

int VarArrayLowBound(const Variant& V, int Dim) {
  if (!V.IsArray() || Dim != 1) throw EVariantError(SVarArrayBounds);
  return V.LowBound();
}

int VarArrayHighBound(const Variant& V, int Dim) {
  if (!V.IsArray() || Dim != 1) throw EVariantError(SVarArrayBounds);
  return V.HighBound();
}

TVariantRelationship VarCompareValue(const Variant& A, const Variant& B) {
  bool ANone = VarIsNullOrEmpty(A), BNone = VarIsNullOrEmpty(B);
  if (ANone || BNone) return ANone && BNone ? vrEqual : vrNotEqual;
  if (A.IsArray() || B.IsArray()) return A == B ? vrEqual : vrNotEqual;
  int C;
  if (A.IsStr() && B.IsStr()) {
    int R = A.AsString().compare(B.AsString());
    C = R < 0 ? -1 : (R > 0 ? 1 : 0);
  } else if (A.VarType() == varBoolean || B.VarType() == varBoolean) {
    // Booleans order False before True, whatever their numeric value.
    C = static_cast<int>(A.AsBoolean()) - static_cast<int>(B.AsBoolean());
  } else if (A.IsOrdinal() && B.IsOrdinal()) {
    Int64 X = A.AsInt64(), Y = B.AsInt64();
    C = X < Y ? -1 : (X > Y ? 1 : 0);
  } else if (A.VarType() == varDate || B.VarType() == varDate) {
    C = Sign(A.AsDateTime() - B.AsDateTime());
  } else {
    C = Sign(NumericValue(A) - NumericValue(B));
  }
  return C < 0 ? vrLessThan : (C > 0 ? vrGreaterThan : vrEqual);
}

bool VarSameValue(const Variant& A, const Variant& B) {
  return VarCompareValue(A, B) == vrEqual;
}

// ---- Text conversions -------------------------------------------------

namespace VariantText {

namespace {
String Trimmed(const String& S) {
  size_t B = S.find_first_not_of(" \t"), E = S.find_last_not_of(" \t");
  return B == String::npos ? String() : S.substr(B, E - B + 1);
}
}  // namespace

bool ParseInt(const String& S, Int64& Out) {
  String T = Trimmed(S);
  if (T.empty()) return false;
  int Base = 10;
  size_t Pos = 0;
  bool Neg = false;
  if (T[0] == '-' || T[0] == '+') { Neg = T[0] == '-'; Pos = 1; }
  if (Pos < T.size() && T[Pos] == '$') { Base = 16; ++Pos; }
  if (Pos >= T.size()) return false;
  errno = 0;
  char* End = nullptr;
  unsigned long long U = std::strtoull(T.c_str() + Pos, &End, Base);
  if (errno != 0 || *End != '\0' || !std::isxdigit(static_cast<unsigned char>(T[Pos])))
    return false;
  if (U > static_cast<unsigned long long>(std::numeric_limits<Int64>::max()) + (Neg ? 1 : 0))
    return false;
  Out = Neg ? static_cast<Int64>(0 - U) : static_cast<Int64>(U);
  return true;
}

bool ParseFloat(const String& S, double& Out) { return TryStrToFloat(Trimmed(S), Out); }

bool ParseBool(const String& S, bool& Out) {
  String T = Trimmed(S);
  if (SameText(T, "True")) { Out = true; return true; }
  if (SameText(T, "False")) { Out = false; return true; }
  return false;
}

bool ParseDateTime(const String& S, TDateTime& Out) { return TryStrToDateTime(Trimmed(S), Out); }

String FloatText(double D) { return FloatToStr(D); }
String CurrencyText(double C) { return CurrToStr(Currency(C)); }
String DateTimeText(TDateTime D) { return DateTimeToStr(D); }

}  // namespace VariantText
