// TParams/TParam: named values for parameterised statements.
//
// A parameter has a name, a data type, a direction (ParamType) and a value
// (a Variant; Null until bound). The typed setters set the data type too,
// as the class library does: AsString gives ftString, AsInteger ftInteger,
// AsFloat ftFloat, AsCurrency ftCurrency, AsBoolean ftBoolean, AsDateTime
// ftDateTime, AsDate ftDate, AsTime ftTime, AsSmallInt ftSmallint, AsWord
// ftWord, AsMemo ftMemo, AsBlob ftBlob.
//
// TParams::ParseSQL finds the ":name" markers of a statement (outside
// quoted literals; "::" stands for a colon; a name may be written in double
// quotes), replaces each by "?" and, when asked, creates one parameter per
// marker (a name used twice gives one parameter).
//
// Thread safety: none.
#pragma once

#include <memory>
#include <vector>

#include "platform/db/fields.h"

class TParams;

class TParam : public TPersistent {
  RTL_DECLARE_CLASS(TParam)
 public:
  explicit TParam(TParams* AOwner = nullptr, TParamType AParamType = ptUnknown);

  const String& Name() const { return FName; }
  void SetName(const String& Value) { FName = Value; }
  TFieldType DataType() const { return FDataType; }
  void SetDataType(TFieldType Value) { FDataType = Value; }
  TParamType ParamType() const { return FParamType; }
  void SetParamType(TParamType Value) { FParamType = Value; }
  Integer Size() const { return FSize; }
  void SetSize(Integer Value) { FSize = Value; }
  Integer Precision() const { return FPrecision; }
  void SetPrecision(Integer Value) { FPrecision = Value; }
  Integer NumericScale() const { return FNumericScale; }
  void SetNumericScale(Integer Value) { FNumericScale = Value; }
  // Whether a value was assigned (statements bind only bound parameters).
  bool Bound() const { return FBound; }
  void SetBound(bool Value) { FBound = Value; }
  TParams* Collection() const { return FOwner; }
  Integer Index() const;

  const Variant& Value() const { return FValue; }
  // Stores the value; an unknown data type is taken from the value's type.
  void SetValue(const Variant& V);
  bool IsNull() const { return VarIsNullOrEmpty(FValue); }
  // Null value, still bound.
  void Clear();

  // Conversions of the value; each raises EVariantError when it does not
  // convert (a Null value gives "", 0, False).
  String AsString() const { return VarToStr(FValue); }
  Integer AsInteger() const { return IsNull() ? 0 : FValue.AsInteger(); }
  double AsFloat() const { return IsNull() ? 0.0 : FValue.AsDouble(); }
  double AsCurrency() const { return IsNull() ? 0.0 : FValue.AsCurrency(); }
  bool AsBoolean() const { return !IsNull() && FValue.AsBoolean(); }
  TDateTime AsDateTime() const { return IsNull() ? 0.0 : FValue.AsDateTime(); }
  void SetAsString(const String& V) { SetTyped(ftString, Variant(V)); }
  void SetAsInteger(Integer V) { SetTyped(ftInteger, Variant(V)); }
  void SetAsSmallInt(Integer V) { SetTyped(ftSmallint, Variant(V)); }
  void SetAsWord(Integer V) { SetTyped(ftWord, Variant(V)); }
  void SetAsFloat(double V) { SetTyped(ftFloat, Variant(V)); }
  void SetAsCurrency(double V) { SetTyped(ftCurrency, Variant::FromCurrency(V)); }
  void SetAsBoolean(bool V) { SetTyped(ftBoolean, Variant(V)); }
  void SetAsDateTime(TDateTime V) { SetTyped(ftDateTime, Variant::FromDateTime(V)); }
  void SetAsDate(TDateTime V) { SetTyped(ftDate, Variant::FromDateTime(V)); }
  void SetAsTime(TDateTime V) { SetTyped(ftTime, Variant::FromDateTime(V)); }
  void SetAsMemo(const String& V) { SetTyped(ftMemo, Variant(V)); }
  void SetAsBlob(const String& V) { SetTyped(ftBlob, Variant(V)); }

  // Takes name, data type and value of Field.
  void AssignField(TField* Field);
  // Takes the data type and value of Field (keeps the name).
  void AssignFieldValue(TField* Field, const Variant& Value);
  // Writes the value into Field (Null clears it).
  void AssignToField(TField* Field) const;
  void Assign(TPersistent* Source) override;

 private:
  void SetTyped(TFieldType T, const Variant& V);
  TParams* FOwner;
  String FName;
  TFieldType FDataType = ftUnknown;
  TParamType FParamType;
  Integer FSize = 0, FPrecision = 0, FNumericScale = 0;
  bool FBound = false;
  Variant FValue = Null();
};

class TParams : public TPersistent {
  RTL_DECLARE_CLASS(TParams)
 public:
  explicit TParams(TPersistent* AOwner = nullptr) : FOwner(AOwner) {}

  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  // Raises EListError for an index outside the list.
  TParam* Items(Integer Index) const;
  TParam* operator[](Integer Index) const { return Items(Index); }

  // Appends a new, empty parameter and returns it. The list owns it: the
  // pointer stays valid until RemoveParam, Clear or the list's end.
  TParam* AddParam();
  // AddParam with name, data type and parameter type set; owned as above.
  TParam* CreateParam(TFieldType DataType, const String& Name, TParamType ParamType);
  // Takes Param out of the list and frees it (the pointer dangles
  // afterwards); a parameter of another list is left alone.
  void RemoveParam(TParam* Param);
  // Frees every parameter; pointers handed out before dangle.
  void Clear() { FItems.clear(); }
  // Case-insensitive search; null when absent.
  TParam* FindParam(const String& Name) const;
  // As FindParam; raises EDatabaseError SParameterNotFound when absent.
  TParam* ParamByName(const String& Name) const;
  // Copies the values (and data types) of Source's parameters to the
  // parameters of the same names here.
  void AssignValues(const TParams& Source);
  // One Variant for one name, an array for a ";"-separated list.
  Variant ParamValues(const String& Names) const;
  void SetParamValues(const String& Names, const Variant& Values);
  bool IsEqual(const TParams& Other) const;

  // Returns SQL with each ":name" replaced by "?"; with DoCreate the list
  // is cleared and one ptUnknown/ftUnknown parameter made per new name.
  String ParseSQL(const String& SQL, bool DoCreate);

  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override { return FOwner; }

 private:
  TPersistent* FOwner;
  std::vector<std::unique_ptr<TParam>> FItems;
};
