// Numeric field kinds: integers, large integers, floats, currency, BCD.
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/db/dataset.h"
#include "platform/db/fieldkinds.h"
#include "platform/rtl/format.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TNumericField, TField, nullptr)
RTL_IMPLEMENT_CLASS(TIntegerField, TNumericField, ComponentFactory<TIntegerField>)
RTL_IMPLEMENT_CLASS(TSmallintField, TIntegerField, ComponentFactory<TSmallintField>)
RTL_IMPLEMENT_CLASS(TWordField, TIntegerField, ComponentFactory<TWordField>)
RTL_IMPLEMENT_CLASS(TAutoIncField, TIntegerField, ComponentFactory<TAutoIncField>)
RTL_IMPLEMENT_CLASS(TLargeintField, TNumericField, ComponentFactory<TLargeintField>)
RTL_IMPLEMENT_CLASS(TFloatField, TNumericField, ComponentFactory<TFloatField>)
RTL_IMPLEMENT_CLASS(TCurrencyField, TFloatField, ComponentFactory<TCurrencyField>)
RTL_IMPLEMENT_CLASS(TBCDField, TFloatField, ComponentFactory<TBCDField>)

RTL_PUBLISHED(TNumericField) {
  P.Prop("DisplayFormat", &TNumericField::DisplayFormat, &TNumericField::SetDisplayFormat)
      .Default(String());
  P.Prop("EditFormat", &TNumericField::EditFormat, &TNumericField::SetEditFormat)
      .Default(String());
}
RTL_PUBLISHED(TIntegerField) {
  P.Prop("MaxValue", &TIntegerField::MaxValue, &TIntegerField::SetMaxValue).Default(0);
  P.Prop("MinValue", &TIntegerField::MinValue, &TIntegerField::SetMinValue).Default(0);
}
RTL_PUBLISHED(TFloatField) {
  P.Prop("Currency", &TFloatField::Currency, &TFloatField::SetCurrency).Default(false);
  P.Prop("MaxValue", &TFloatField::MaxValue, &TFloatField::SetMaxValue).Default(0.0);
  P.Prop("MinValue", &TFloatField::MinValue, &TFloatField::SetMinValue).Default(0.0);
  P.Prop("Precision", &TFloatField::Precision, &TFloatField::SetPrecision).Default(15);
}
RTL_PUBLISHED(TBCDField) {
  P.Prop("Size", &TBCDField::Size, &TBCDField::SetSize).Default(4);
}

// ---- TNumericField --------------------------------------------------------

TNumericField::TNumericField(TComponent* AOwner) : TField(AOwner) {
  SetAlignment(taRightJustify);
}

void TNumericField::SetDisplayFormat(const String& Value) {
  FDisplayFormat = Value;
  if (DataSet()) DataSet()->DataEvent(deLayoutChange, 0);
}

void TNumericField::SetEditFormat(const String& Value) {
  FEditFormat = Value;
  if (DataSet()) DataSet()->DataEvent(deLayoutChange, 0);
}

const String& TNumericField::FormatFor(bool DisplayText) const {
  return DisplayText || FEditFormat.empty() ? FDisplayFormat : FEditFormat;
}

// ---- TIntegerField ----------------------------------------------------

TIntegerField::TIntegerField(TComponent* AOwner)
    : TIntegerField(AOwner, ftInteger, std::numeric_limits<Integer>::min(),
                    std::numeric_limits<Integer>::max()) {}

TIntegerField::TIntegerField(TComponent* AOwner, TFieldType Type, Int64 MinRange, Int64 MaxRange)
    : TNumericField(AOwner), FMinRange(MinRange), FMaxRange(MaxRange) {
  SetDataType(Type);
}

Integer TIntegerField::ReadNative(const void* Buffer) const {
  Integer V;
  std::memcpy(&V, Buffer, 4);
  return V;
}

void TIntegerField::WriteNative(void* Buffer, Integer Value) const { std::memcpy(Buffer, &Value, 4); }

bool TIntegerField::GetValue(Integer& Value) const {
  Byte Buf[8];
  if (!GetData(Buf)) return false;
  Value = ReadNative(Buf);
  return true;
}

void TIntegerField::CheckRange(Int64 Value) const {
  Int64 Lo = FMinRange, Hi = FMaxRange;
  if (FMinValue != 0 || FMaxValue != 0) {
    Lo = FMinValue;
    Hi = FMaxValue;
  }
  if (Value < Lo || Value > Hi)
    DatabaseErrorFmt(SFieldRangeError, IntToStr(Value), DisplayName(), IntToStr(Lo),
                     IntToStr(Hi));
}

String TIntegerField::GetAsString() const {
  Integer V;
  return GetValue(V) ? IntToStr(V) : String();
}

void TIntegerField::SetAsStringValue(const String& V) {
  if (V.empty()) {
    Clear();
    return;
  }
  Int64 N;
  if (!TryStrToInt64(Trim(V), N)) DatabaseErrorFmt(SInvalidIntegerValue, V, DisplayName());
  CheckRange(N);
  SetAsIntegerValue(static_cast<Integer>(N));
}

Integer TIntegerField::GetAsInteger() const {
  Integer V;
  return GetValue(V) ? V : 0;
}

void TIntegerField::SetAsIntegerValue(Integer V) {
  CheckRange(V);
  Byte Buf[8];
  WriteNative(Buf, V);
  SetData(Buf);
}

double TIntegerField::GetAsFloat() const { return GetAsInteger(); }

void TIntegerField::SetAsFloatValue(double V) {
  double R = std::nearbyint(V);
  if (R < static_cast<double>(FMinRange) || R > static_cast<double>(FMaxRange))
    DatabaseErrorFmt(SFieldRangeError, FloatToStr(V), DisplayName(), IntToStr(FMinRange),
                     IntToStr(FMaxRange));
  SetAsIntegerValue(static_cast<Integer>(R));
}

Variant TIntegerField::GetAsVariant() const {
  Integer V;
  return GetValue(V) ? Variant(V) : Null();
}

void TIntegerField::SetVarValue(const Variant& V) {
  if (V.IsStr()) {
    SetAsStringValue(V.AsString());
    return;
  }
  Int64 N = V.AsInt64();
  CheckRange(N);
  SetAsIntegerValue(static_cast<Integer>(N));
}

String TIntegerField::GetTextValue(bool DisplayText) const {
  Integer V;
  if (!GetValue(V)) return String();
  const String& Fmt = FormatFor(DisplayText);
  return Fmt.empty() ? IntToStr(V) : FormatFloat(Fmt, V);
}

// ---- TSmallintField, TWordField, TAutoIncField ---------------------------

TSmallintField::TSmallintField(TComponent* AOwner)
    : TIntegerField(AOwner, ftSmallint, -32768, 32767) {}

Integer TSmallintField::ReadNative(const void* Buffer) const {
  std::int16_t V;
  std::memcpy(&V, Buffer, 2);
  return V;
}

void TSmallintField::WriteNative(void* Buffer, Integer Value) const {
  auto V = static_cast<std::int16_t>(Value);
  std::memcpy(Buffer, &V, 2);
}

TWordField::TWordField(TComponent* AOwner) : TIntegerField(AOwner, ftWord, 0, 65535) {}

Integer TWordField::ReadNative(const void* Buffer) const {
  Word V;
  std::memcpy(&V, Buffer, 2);
  return V;
}

void TWordField::WriteNative(void* Buffer, Integer Value) const {
  auto V = static_cast<Word>(Value);
  std::memcpy(Buffer, &V, 2);
}

TAutoIncField::TAutoIncField(TComponent* AOwner)
    : TIntegerField(AOwner, ftAutoInc, std::numeric_limits<Integer>::min(),
                    std::numeric_limits<Integer>::max()) {}

// ---- TLargeintField -------------------------------------------------------

TLargeintField::TLargeintField(TComponent* AOwner) : TNumericField(AOwner) {
  SetDataType(ftLargeint);
}

bool TLargeintField::GetValue(Int64& Value) const { return GetData(&Value); }

String TLargeintField::GetAsString() const {
  Int64 V;
  return GetValue(V) ? IntToStr(V) : String();
}

void TLargeintField::SetAsStringValue(const String& V) {
  if (V.empty()) {
    Clear();
    return;
  }
  Int64 N;
  if (!TryStrToInt64(Trim(V), N)) DatabaseErrorFmt(SInvalidIntegerValue, V, DisplayName());
  SetAsLargeIntValue(N);
}

Integer TLargeintField::GetAsInteger() const {
  Int64 V = GetAsLargeInt();
  if (V < std::numeric_limits<Integer>::min() || V > std::numeric_limits<Integer>::max())
    AccessError("Integer");
  return static_cast<Integer>(V);
}

Int64 TLargeintField::GetAsLargeInt() const {
  Int64 V;
  return GetValue(V) ? V : 0;
}

void TLargeintField::SetAsLargeIntValue(Int64 V) { SetData(&V); }

double TLargeintField::GetAsFloat() const { return static_cast<double>(GetAsLargeInt()); }

void TLargeintField::SetAsFloatValue(double V) { SetAsLargeIntValue(static_cast<Int64>(std::nearbyint(V))); }

Variant TLargeintField::GetAsVariant() const {
  Int64 V;
  return GetValue(V) ? Variant(V) : Null();
}

void TLargeintField::SetVarValue(const Variant& V) {
  if (V.IsStr())
    SetAsStringValue(V.AsString());
  else
    SetAsLargeIntValue(V.AsInt64());
}

String TLargeintField::GetTextValue(bool DisplayText) const {
  Int64 V;
  if (!GetValue(V)) return String();
  const String& Fmt = FormatFor(DisplayText);
  return Fmt.empty() ? IntToStr(V) : FormatFloat(Fmt, static_cast<double>(V));
}

// ---- TFloatField ------------------------------------------------------

TFloatField::TFloatField(TComponent* AOwner) : TNumericField(AOwner) { SetDataType(ftFloat); }

void TFloatField::SetCurrency(bool Value) {
  FCurrency = Value;
  if (DataSet()) DataSet()->DataEvent(deLayoutChange, 0);
}

void TFloatField::SetPrecision(Integer Value) {
  FPrecision = Value < 2 ? 2 : (Value > 15 ? 15 : Value);
  if (DataSet()) DataSet()->DataEvent(deLayoutChange, 0);
}

double TFloatField::ReadNative(const void* Buffer) const {
  double V;
  std::memcpy(&V, Buffer, 8);
  return V;
}

void TFloatField::WriteNative(void* Buffer, double Value) const { std::memcpy(Buffer, &Value, 8); }

bool TFloatField::GetValue(double& Value) const {
  alignas(8) Byte Buf[sizeof(TBCD)];
  if (!GetData(Buf)) return false;
  Value = ReadNative(Buf);
  return true;
}

String TFloatField::GetAsString() const {
  double V;
  return GetValue(V) ? FloatToStr(V) : String();
}

void TFloatField::SetAsStringValue(const String& V) {
  if (V.empty()) {
    Clear();
    return;
  }
  double D;
  if (!TryStrToFloat(Trim(V), D)) DatabaseErrorFmt(SInvalidFloatValue, V, DisplayName());
  SetAsFloatValue(D);
}

Integer TFloatField::GetAsInteger() const {
  double V = GetAsFloat();
  if (V < std::numeric_limits<Integer>::min() || V > std::numeric_limits<Integer>::max())
    AccessError("Integer");
  return static_cast<Integer>(std::nearbyint(V));
}

double TFloatField::GetAsFloat() const {
  double V;
  return GetValue(V) ? V : 0.0;
}

void TFloatField::SetAsFloatValue(double V) {
  if ((FMinValue != 0 || FMaxValue != 0) && (V < FMinValue || V > FMaxValue))
    DatabaseErrorFmt(SFieldRangeError, FloatToStr(V), DisplayName(), FloatToStr(FMinValue),
                     FloatToStr(FMaxValue));
  alignas(8) Byte Buf[sizeof(TBCD)];
  WriteNative(Buf, V);
  SetData(Buf);
}

Variant TFloatField::GetAsVariant() const {
  double V;
  if (!GetValue(V)) return Null();
  return DataType() == ftFloat ? Variant(V) : Variant::FromCurrency(V);
}

void TFloatField::SetVarValue(const Variant& V) {
  if (V.IsStr())
    SetAsStringValue(V.AsString());
  else
    SetAsFloatValue(V.AsDouble());
}

String TFloatField::PlainText(double Value, bool DisplayText) const {
  if (!FCurrency) return FloatToStrF(Value, ffGeneral, FPrecision, 0);
  return FloatToStrF(Value, DisplayText ? ffCurrency : ffFixed, 15, CurrencyDecimals);
}

String TFloatField::GetTextValue(bool DisplayText) const {
  double V;
  if (!GetValue(V)) return String();
  const String& Fmt = FormatFor(DisplayText);
  return Fmt.empty() ? PlainText(V, DisplayText) : FormatFloat(Fmt, V);
}

TCurrencyField::TCurrencyField(TComponent* AOwner) : TFloatField(AOwner) {
  SetDataType(ftCurrency);
  SetCurrency(true);
}

// ---- TBCDField --------------------------------------------------------

TBCDField::TBCDField(TComponent* AOwner) : TFloatField(AOwner) {
  SetDataType(ftBCD);
  SetSize(4);
  SetCurrency(true);
}

void TBCDField::CheckSize(Integer Value) const {
  if (Value < 0 || Value > 32) DatabaseError(SInvalidFieldSize);
}

double TBCDField::ReadNative(const void* Buffer) const {
  TBCD B;
  std::memcpy(&B, Buffer, sizeof B);
  return BCDToDouble(B);
}

void TBCDField::WriteNative(void* Buffer, double Value) const {
  TBCD B = DoubleToBCD(Value, Size());
  std::memcpy(Buffer, &B, sizeof B);
}
