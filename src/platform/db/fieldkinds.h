// The field kinds of the class library and their native buffers.
//
// Native buffer of each kind, as TDataSet::GetFieldData must fill it and
// SetFieldData receives it (DataSize() bytes):
//   TStringField, TWideStringField  UTF-8 text, NUL-terminated; up to Size
//                                   characters, so DataSize is Size*4+1
//   TSmallintField                  16-bit signed
//   TWordField                      16-bit unsigned
//   TIntegerField, TAutoIncField    32-bit signed
//   TLargeintField                  64-bit signed
//   TFloatField, TCurrencyField     double (8 bytes)
//   TBCDField                       TBCD (34 bytes, dbtypes.h)
//   TBooleanField                   16-bit: 0 False, any other True
//                                   (written as 0xFFFF)
//   TDateField / TTimeField         TDateTimeRec.Date / .Time (4 bytes)
//   TDateTimeField                  TDateTimeRec.DateTime (8 bytes)
//   TBytesField                     Size raw bytes
//   TVarBytesField                  16-bit length, then up to Size bytes
//   TBlobField, TMemoField, TGraphicField
//                                   no buffer (DataSize 0): the value is
//                                   read and written through
//                                   TDataSet::CreateBlobStream
//   TObjectField (ftOAT)            no buffer (DataSize 0): its value is
//                                   its child fields' values
// All integers are in host (little-endian) order.
//
// Text conversions use the process-wide format settings (formatsettings.h):
// numbers with DecimalSeparator, dates with ShortDateFormat and friends.
//
// Thread safety: as TField.
#pragma once

#include <memory>
#include <string_view>

#include "platform/db/fields.h"

class TStream;

// ---- Text ------------------------------------------------------------------

class TStringField : public TField {
  RTL_DECLARE_CLASS(TStringField)
 public:
  explicit TStringField(TComponent* AOwner);
  Integer DataSize() const override { return Size() * 4 + 1; }
  // Fixed-length columns: the value is read without trailing blanks.
  bool FixedChar() const { return FFixedChar; }
  void SetFixedChar(bool Value) { FFixedChar = Value; }
  // Kept for the storage's character conversion (the original converted
  // between ANSI and OEM when set).
  bool Transliterate() const { return FTransliterate; }
  void SetTransliterate(bool Value) { FTransliterate = Value; }
  void SetFieldType(TFieldType Value) override;
  // The value, or false when null (no conversion errors).
  bool GetValue(String& Value) const;
  // Bytes of V the field keeps: up to Size characters, cut at a character
  // boundary, and room for the closing zero.
  std::size_t StoredLength(std::string_view V) const;

 protected:
  void CheckSize(Integer Value) const override;
  Integer DefaultDisplayWidth() const override { return Size(); }
  String GetAsString() const override;
  void SetAsStringValue(const String& V) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer V) override;
  Int64 GetAsLargeInt() const override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double V) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool V) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime V) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& V) override;

 private:
  bool FFixedChar = false;
  bool FTransliterate = true;
};

class TWideStringField : public TStringField {
  RTL_DECLARE_CLASS(TWideStringField)
 public:
  explicit TWideStringField(TComponent* AOwner);
};

// ---- Numbers ---------------------------------------------------------------

// Common part of the numeric kinds: display and edit formats (FormatFloat
// patterns) and right alignment.
class TNumericField : public TField {
  RTL_DECLARE_CLASS(TNumericField)
 public:
  explicit TNumericField(TComponent* AOwner);
  const String& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& Value);
  const String& EditFormat() const { return FEditFormat; }
  void SetEditFormat(const String& Value);

 protected:
  // DisplayFormat (display) or EditFormat, else DisplayFormat, (edit).
  const String& FormatFor(bool DisplayText) const;

 private:
  String FDisplayFormat, FEditFormat;
};

// 16/32-bit integers; MinValue/MaxValue of 0 and 0 mean the type's range.
class TIntegerField : public TNumericField {
  RTL_DECLARE_CLASS(TIntegerField)
 public:
  explicit TIntegerField(TComponent* AOwner);
  Integer DataSize() const override { return 4; }
  Integer MinValue() const { return FMinValue; }
  Integer MaxValue() const { return FMaxValue; }
  void SetMinValue(Integer V) { FMinValue = V; }
  void SetMaxValue(Integer V) { FMaxValue = V; }
  // The value, or false when null.
  bool GetValue(Integer& Value) const;

 protected:
  TIntegerField(TComponent* AOwner, TFieldType Type, Int64 MinRange, Int64 MaxRange);
  Integer DefaultDisplayWidth() const override { return 11; }
  String GetAsString() const override;
  void SetAsStringValue(const String& V) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer V) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double V) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& V) override;
  String GetTextValue(bool DisplayText) const override;
  // Reads/writes the native integer of this kind.
  virtual Integer ReadNative(const void* Buffer) const;
  virtual void WriteNative(void* Buffer, Integer Value) const;

 private:
  void CheckRange(Int64 Value) const;
  Integer FMinValue = 0, FMaxValue = 0;
  Int64 FMinRange, FMaxRange;
};

class TSmallintField : public TIntegerField {
  RTL_DECLARE_CLASS(TSmallintField)
 public:
  explicit TSmallintField(TComponent* AOwner);
  Integer DataSize() const override { return 2; }

 protected:
  Integer DefaultDisplayWidth() const override { return 6; }
  Integer ReadNative(const void* Buffer) const override;
  void WriteNative(void* Buffer, Integer Value) const override;
};

class TWordField : public TIntegerField {
  RTL_DECLARE_CLASS(TWordField)
 public:
  explicit TWordField(TComponent* AOwner);
  Integer DataSize() const override { return 2; }

 protected:
  Integer DefaultDisplayWidth() const override { return 5; }
  Integer ReadNative(const void* Buffer) const override;
  void WriteNative(void* Buffer, Integer Value) const override;
};

class TAutoIncField : public TIntegerField {
  RTL_DECLARE_CLASS(TAutoIncField)
 public:
  explicit TAutoIncField(TComponent* AOwner);
};

class TLargeintField : public TNumericField {
  RTL_DECLARE_CLASS(TLargeintField)
 public:
  explicit TLargeintField(TComponent* AOwner);
  Integer DataSize() const override { return 8; }
  bool GetValue(Int64& Value) const;

 protected:
  Integer DefaultDisplayWidth() const override { return 15; }
  String GetAsString() const override;
  void SetAsStringValue(const String& V) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer V) override { SetAsLargeIntValue(V); }
  Int64 GetAsLargeInt() const override;
  void SetAsLargeIntValue(Int64 V) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double V) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& V) override;
  String GetTextValue(bool DisplayText) const override;
};

// Floating point; Currency switches the text to the currency format.
// Precision is the count of significant digits of the general format.
class TFloatField : public TNumericField {
  RTL_DECLARE_CLASS(TFloatField)
 public:
  explicit TFloatField(TComponent* AOwner);
  Integer DataSize() const override { return 8; }
  bool Currency() const { return FCurrency; }
  void SetCurrency(bool Value);
  Integer Precision() const { return FPrecision; }
  void SetPrecision(Integer Value);
  double MinValue() const { return FMinValue; }
  double MaxValue() const { return FMaxValue; }
  void SetMinValue(double V) { FMinValue = V; }
  void SetMaxValue(double V) { FMaxValue = V; }
  bool GetValue(double& Value) const;

 protected:
  Integer DefaultDisplayWidth() const override { return 10; }
  String GetAsString() const override;
  void SetAsStringValue(const String& V) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer V) override { SetAsFloatValue(V); }
  double GetAsFloat() const override;
  void SetAsFloatValue(double V) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& V) override;
  String GetTextValue(bool DisplayText) const override;
  // Reads/writes the native value of this kind (BCD overrides).
  virtual double ReadNative(const void* Buffer) const;
  virtual void WriteNative(void* Buffer, double Value) const;
  // Text of a value without DisplayFormat.
  String PlainText(double Value, bool DisplayText) const;

 private:
  bool FCurrency = false;
  Integer FPrecision = 15;
  double FMinValue = 0, FMaxValue = 0;
};

class TCurrencyField : public TFloatField {
  RTL_DECLARE_CLASS(TCurrencyField)
 public:
  explicit TCurrencyField(TComponent* AOwner);
};

// Packed decimal; Size is the count of decimal places (default 4).
class TBCDField : public TFloatField {
  RTL_DECLARE_CLASS(TBCDField)
 public:
  explicit TBCDField(TComponent* AOwner);
  Integer DataSize() const override { return static_cast<Integer>(sizeof(TBCD)); }

 protected:
  void CheckSize(Integer Value) const override;
  double ReadNative(const void* Buffer) const override;
  void WriteNative(void* Buffer, double Value) const override;
};

// ---- Boolean, dates ------------------------------------------------------

class TBooleanField : public TField {
  RTL_DECLARE_CLASS(TBooleanField)
 public:
  explicit TBooleanField(TComponent* AOwner);
  Integer DataSize() const override { return 2; }
  // "TrueText;FalseText"; empty gives "True;False".
  const String& DisplayValues() const { return FDisplayValues; }
  void SetDisplayValues(const String& Value);
  bool GetValue(bool& Value) const;

 protected:
  Integer DefaultDisplayWidth() const override { return 5; }
  String GetAsString() const override;
  void SetAsStringValue(const String& V) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool V) override;
  Integer GetAsInteger() const override;
  void SetAsIntegerValue(Integer V) override { SetAsBooleanValue(V != 0); }
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& V) override;

 private:
  String FDisplayValues;
  String FTextTrue = STextTrue, FTextFalse = STextFalse;
};

// ftDateTime; TDateField and TTimeField keep only their part.
class TDateTimeField : public TField {
  RTL_DECLARE_CLASS(TDateTimeField)
 public:
  explicit TDateTimeField(TComponent* AOwner);
  Integer DataSize() const override { return 8; }
  // FormatDateTime pattern for DisplayText; empty: the kind's default.
  const String& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& Value);
  bool GetValue(TDateTime& Value) const;

 protected:
  TDateTimeField(TComponent* AOwner, TFieldType Type);
  Integer DefaultDisplayWidth() const override { return 18; }
  String GetAsString() const override { return GetTextValue(false); }
  void SetAsStringValue(const String& V) override;
  double GetAsFloat() const override { return GetAsDateTime(); }
  void SetAsFloatValue(double V) override { SetAsDateTimeValue(V); }
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime V) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& V) override;
  String GetTextValue(bool DisplayText) const override;
  // Default text and parsing of this kind.
  virtual String DefaultText(TDateTime V) const;
  virtual TDateTime ParseText(const String& S) const;

 private:
  String FDisplayFormat;
};

class TDateField : public TDateTimeField {
  RTL_DECLARE_CLASS(TDateField)
 public:
  explicit TDateField(TComponent* AOwner);
  Integer DataSize() const override { return 4; }

 protected:
  Integer DefaultDisplayWidth() const override { return 10; }
  String DefaultText(TDateTime V) const override;
  TDateTime ParseText(const String& S) const override;
};

class TTimeField : public TDateTimeField {
  RTL_DECLARE_CLASS(TTimeField)
 public:
  explicit TTimeField(TComponent* AOwner);
  Integer DataSize() const override { return 4; }

 protected:
  Integer DefaultDisplayWidth() const override { return 10; }
  String DefaultText(TDateTime V) const override;
  TDateTime ParseText(const String& S) const override;
};

// ---- Binary ------------------------------------------------------------

// Fixed-size bytes; AsString gives and takes the raw bytes.
class TBytesField : public TField {
  RTL_DECLARE_CLASS(TBytesField)
 public:
  explicit TBytesField(TComponent* AOwner);
  Integer DataSize() const override { return Size(); }

 protected:
  TBytesField(TComponent* AOwner, TFieldType Type, Integer DefaultSize);
  void CheckSize(Integer Value) const override;
  String GetAsString() const override;
  void SetAsStringValue(const String& V) override;
  Variant GetAsVariant() const override { return IsNull() ? Null() : Variant(GetAsString()); }
  void SetVarValue(const Variant& V) override { SetAsStringValue(V.AsString()); }
};

// Up to Size bytes with a 16-bit length before them.
class TVarBytesField : public TBytesField {
  RTL_DECLARE_CLASS(TVarBytesField)
 public:
  explicit TVarBytesField(TComponent* AOwner);
  Integer DataSize() const override { return Size() + 2; }

 protected:
  String GetAsString() const override;
  void SetAsStringValue(const String& V) override;
};

// A value outside the record buffer, reached through blob streams.
class TBlobField : public TField {
  RTL_DECLARE_CLASS(TBlobField)
 public:
  explicit TBlobField(TComponent* AOwner);
  bool IsBlob() const override { return true; }
  TFieldType BlobType() const { return DataType(); }
  void SetBlobType(TFieldType Value) { SetFieldType(Value); }
  void SetFieldType(TFieldType Value) override;
  // Bytes of the value (reads it through a stream).
  Integer BlobSize() const;
  // Replace the value with Stream's content from its position / write the
  // value to Stream. Need edit or insert state for loading.
  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream) const;

 protected:
  TBlobField(TComponent* AOwner, TFieldType Type);
  void CheckSize(Integer Value) const override;
  String GetAsString() const override;
  void SetAsStringValue(const String& V) override;
  Variant GetAsVariant() const override { return IsNull() ? Null() : Variant(GetAsString()); }
  void SetVarValue(const Variant& V) override { SetAsStringValue(V.AsString()); }
  String GetTextValue(bool DisplayText) const override;
};

class TMemoField : public TBlobField {
  RTL_DECLARE_CLASS(TMemoField)
 public:
  explicit TMemoField(TComponent* AOwner);

 protected:
  String GetTextValue(bool DisplayText) const override;
};

class TGraphicField : public TBlobField {
  RTL_DECLARE_CLASS(TGraphicField)
 public:
  explicit TGraphicField(TComponent* AOwner);
};

// The class the framework makes for a field type (null when none).
TFieldClass DefaultFieldClass(TFieldType FieldType);

// ---- Object fields -------------------------------------------------------------

// A field of type ftOAT that holds no value of its own but child fields
// (Fields, in order; any kind, object fields too). A dataset makes the
// children from the definition's ChildDefs and lists them after the object
// field. Its text is the children's display texts, "(Hauptstr. 1, Köln)";
// its value an array of theirs; it is null when every child is.
class TObjectField : public TField {
  RTL_DECLARE_CLASS(TObjectField)
 public:
  explicit TObjectField(TComponent* AOwner);
  // The children become top-level fields; they stay with their owner.
  ~TObjectField() override;
  // The child fields (the list does not own them).
  TFields& Fields() const { return *FFields; }
  Integer FieldCount() const { return FFields->Count(); }

 protected:
  String GetAsString() const override;
  Variant GetAsVariant() const override;
  String GetTextValue(bool DisplayText) const override;

 private:
  std::unique_ptr<TFields> FFields;
};
