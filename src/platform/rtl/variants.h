// Variant: the class library's tagged value type.
//
// A Variant holds one of: Empty (never assigned), Null (no value, as a
// database field without data), a 32- or 64-bit integer, a double, a
// currency amount, a Boolean, a date (TDateTime), a string, or an array of
// Variants (VarArrayOf), which the dataset framework uses for keys over
// several fields. Field values, Locate/Lookup keys and query parameters all
// travel as Variants.
//
// Conversions follow the class library: numbers convert among themselves
// (a double becomes an integer by rounding half to even), strings convert
// to numbers and dates with the process-wide format settings, Null and
// Empty convert to nothing but strings (VarToStr gives "") and Booleans.
// A conversion that cannot be made raises EVariantError "Ungültige
// Variant-Typumwandlung"; an integer out of range raises EVariantError
// "Variant-Überlauf".
//
// Thread safety: a Variant is a plain value; distinct Variants may be used
// from distinct threads. Conversions read the process-wide format settings.
#pragma once

#include <concepts>
#include <initializer_list>
#include <type_traits>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"

// The type codes of the class library (VarType). An array of Variants
// reports varArray | varVariant.
enum TVarType : Word {
  varEmpty = 0x0000,
  varNull = 0x0001,
  varSmallint = 0x0002,
  varInteger = 0x0003,
  varSingle = 0x0004,
  varDouble = 0x0005,
  varCurrency = 0x0006,
  varDate = 0x0007,
  varBoolean = 0x000B,
  varVariant = 0x000C,
  varShortInt = 0x0010,
  varByte = 0x0011,
  varWord = 0x0012,
  varLongWord = 0x0013,
  varInt64 = 0x0014,
  varString = 0x0100,
  varTypeMask = 0x0FFF,
  varArray = 0x2000,
};

// Result of VarCompareValue.
enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

// Messages of the variant errors.
extern const char* const SInvalidVarCast;   // "Ungültige Variant-Typumwandlung"
extern const char* const SVarOverflow;      // "Variant-Überlauf"
extern const char* const SVarArrayBounds;   // array index out of range
extern const char* const SVarNotArray;      // "Variant ist kein Array"

class Variant {
 public:
  Variant() = default;  // Empty
  Variant(int V) : FType(varInteger), FInt(V) {}
  Variant(Int64 V) : FType(varInt64), FInt(V) {}
  Variant(double V) : FType(varDouble), FDbl(V) {}
  Variant(bool V) : FType(varBoolean), FInt(V ? 1 : 0) {}
  Variant(const String& V) : FType(varString), FStr(V) {}
  Variant(String&& V) : FType(varString), FStr(std::move(V)) {}
  Variant(const char* V) : FType(varString), FStr(V ? V : "") {}
  // Other integer types: up to 32 bits signed as varInteger, else varInt64.
  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, int> &&
             !std::same_as<T, Int64>)
  Variant(T V)
      : FType(sizeof(T) < 4 || (sizeof(T) == 4 && std::is_signed_v<T>) ? varInteger : varInt64),
        FInt(static_cast<Int64>(V)) {}
  // A Currency amount (varCurrency).
  Variant(Currency V) : FType(varCurrency), FDbl(V.ToDouble()) {}

  // Named constructors for the types that share a C++ representation.
  static Variant MakeNull();
  static Variant FromDateTime(TDateTime V);
  static Variant FromCurrency(double V);  // rounded to 4 decimals
  static Variant FromSmallint(std::int16_t V);
  static Variant FromWord(Word V);
  static Variant FromArray(std::vector<Variant> Items);

  TVarType VarType() const { return FType; }
  bool IsEmpty() const { return FType == varEmpty; }
  bool IsNull() const { return FType == varNull; }
  bool IsClear() const { return FType == varEmpty; }
  bool IsArray() const { return (FType & varArray) != 0; }
  bool IsNumeric() const;  // integer, float or currency kinds
  bool IsOrdinal() const;  // integer kinds and Boolean
  bool IsFloat() const;    // double, single, currency
  bool IsStr() const { return FType == varString; }

  // Conversions; each raises EVariantError when the value does not
  // convert (see the top of this file).
  Integer AsInteger() const;
  Int64 AsInt64() const;
  double AsDouble() const;
  double AsCurrency() const;
  bool AsBoolean() const;
  TDateTime AsDateTime() const;
  // Null and Empty give ""; a Boolean "True"/"False"; numbers and dates in
  // the process-wide formats. Arrays raise EVariantError.
  String AsString() const;

  // Array access (index from the low bound, which is 0 for VarArrayOf).
  // Raise EVariantError when this is no array or the index is outside.
  int LowBound() const { return FLow; }
  int HighBound() const;
  const Variant& operator[](int Index) const;
  Variant& operator[](int Index);
  const std::vector<Variant>& Items() const;

  // Class-library equality: Null equals Null (and Empty), and nothing
  // else; numbers compare by value, strings exactly, mixed string/number
  // pairs by converting the string. Arrays compare item by item.
  bool operator==(const Variant& Other) const;
  bool operator!=(const Variant& Other) const { return !(*this == Other); }
  // Ordering by VarCompareValue; a pair that has no order (Null against a
  // value) raises EVariantError.
  bool operator<(const Variant& Other) const;
  bool operator>(const Variant& Other) const { return Other < *this; }
  bool operator<=(const Variant& Other) const { return !(Other < *this); }
  bool operator>=(const Variant& Other) const { return !(*this < Other); }

 private:
  friend Variant VarArrayCreate(int Low, int High);
  void CheckArray() const;
  TVarType FType = varEmpty;
  Int64 FInt = 0;
  double FDbl = 0.0;
  String FStr;
  std::vector<Variant> FArr;
  int FLow = 0;
};

// The Null value and the Empty (unassigned) value.
Variant Null();
Variant Unassigned();

bool VarIsNull(const Variant& V);
bool VarIsEmpty(const Variant& V);
bool VarIsClear(const Variant& V);
bool VarIsArray(const Variant& V);
bool VarIsNumeric(const Variant& V);
bool VarIsStr(const Variant& V);
// True when V is Null or Empty.
bool VarIsNullOrEmpty(const Variant& V);
TVarType VarType(const Variant& V);

// The text of V; Null and Empty give "".
String VarToStr(const Variant& V);
// The text of V, or Default when V is Null or Empty.
String VarToStrDef(const Variant& V, const String& Default);
TDateTime VarToDateTime(const Variant& V);
Variant VarFromDateTime(TDateTime V);

// Converts V to the type code AType (one of the scalar codes above);
// raises EVariantError when it does not convert.
Variant VarAsType(const Variant& V, TVarType AType);

// A one-dimensional array of Variants indexed from 0.
Variant VarArrayOf(std::initializer_list<Variant> Items);
Variant VarArrayOf(const std::vector<Variant>& Items);
// A one-dimensional array Low..High whose items are Empty.
Variant VarArrayCreate(int Low, int High);
// Dimension count: 1 for an array, 0 otherwise.
int VarArrayDimCount(const Variant& V);
// Bounds of dimension Dim (only 1 exists); raise EVariantError otherwise.
int VarArrayLowBound(const Variant& V, int Dim);
int VarArrayHighBound(const Variant& V, int Dim);

// Compares two values: vrEqual, vrLessThan, vrGreaterThan, or vrNotEqual
// when they have no order (Null or Empty against a value). Null equals
// Null. Strings compare byte-wise; mixed string/number pairs convert the
// string to a number.
TVariantRelationship VarCompareValue(const Variant& A, const Variant& B);
// True when VarCompareValue gives vrEqual.
bool VarSameValue(const Variant& A, const Variant& B);
