// Text, Boolean, date/time, binary and blob field kinds, and the default
// field class of each type.
#include <cstring>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/db/fieldkinds.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/format.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TStringField, TField, ComponentFactory<TStringField>)
RTL_IMPLEMENT_CLASS(TWideStringField, TStringField, ComponentFactory<TWideStringField>)
RTL_IMPLEMENT_CLASS(TBooleanField, TField, ComponentFactory<TBooleanField>)
RTL_IMPLEMENT_CLASS(TDateTimeField, TField, ComponentFactory<TDateTimeField>)
RTL_IMPLEMENT_CLASS(TDateField, TDateTimeField, ComponentFactory<TDateField>)
RTL_IMPLEMENT_CLASS(TTimeField, TDateTimeField, ComponentFactory<TTimeField>)
RTL_IMPLEMENT_CLASS(TBytesField, TField, ComponentFactory<TBytesField>)
RTL_IMPLEMENT_CLASS(TVarBytesField, TBytesField, ComponentFactory<TVarBytesField>)
RTL_IMPLEMENT_CLASS(TBlobField, TField, ComponentFactory<TBlobField>)
RTL_IMPLEMENT_CLASS(TMemoField, TBlobField, ComponentFactory<TMemoField>)
RTL_IMPLEMENT_CLASS(TGraphicField, TBlobField, ComponentFactory<TGraphicField>)

RTL_PUBLISHED(TStringField) {
  P.Prop("FixedChar", &TStringField::FixedChar, &TStringField::SetFixedChar).Default(false);
  P.Prop("Size", &TStringField::Size, &TStringField::SetSize).Default(20);
  P.Prop("Transliterate", &TStringField::Transliterate, &TStringField::SetTransliterate)
      .Default(true);
}
RTL_PUBLISHED(TBooleanField) {
  P.Prop("DisplayValues", &TBooleanField::DisplayValues, &TBooleanField::SetDisplayValues)
      .Default(String());
}
RTL_PUBLISHED(TDateTimeField) {
  P.Prop("DisplayFormat", &TDateTimeField::DisplayFormat, &TDateTimeField::SetDisplayFormat)
      .Default(String());
}
RTL_PUBLISHED(TBytesField) {
  P.Prop("Size", &TBytesField::Size, &TBytesField::SetSize).Default(16);
}
RTL_PUBLISHED(TBlobField) {
  P.Prop("BlobType", &TBlobField::BlobType, &TBlobField::SetBlobType);
  P.Prop("Size", &TBlobField::Size, &TBlobField::SetSize).Default(0);
}

namespace {
// The field classes are found by name when a form description is read.
[[maybe_unused]] const bool FieldClassesRegistered = [] {
  RegisterClasses({TStringField::StaticClass(), TWideStringField::StaticClass(),
                   TSmallintField::StaticClass(), TIntegerField::StaticClass(),
                   TWordField::StaticClass(), TAutoIncField::StaticClass(),
                   TLargeintField::StaticClass(), TFloatField::StaticClass(),
                   TCurrencyField::StaticClass(), TBCDField::StaticClass(),
                   TBooleanField::StaticClass(), TDateField::StaticClass(),
                   TTimeField::StaticClass(), TDateTimeField::StaticClass(),
                   TBytesField::StaticClass(), TVarBytesField::StaticClass(),
                   TBlobField::StaticClass(), TMemoField::StaticClass(),
                   TGraphicField::StaticClass(), TObjectField::StaticClass()});
  return true;
}();
}  // namespace

// ---- TStringField ---------------------------------------------------------

TStringField::TStringField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftString);
  SetSize(20);
}

void TStringField::CheckSize(Integer Value) const {
  if (Value < 1 || Value > 8192) DatabaseError(SInvalidFieldSize);
}

void TStringField::SetFieldType(TFieldType Value) {
  if (Value != ftString && Value != ftFixedChar && Value != ftWideString) TField::SetFieldType(Value);
  SetDataType(Value);
  if (Value == ftFixedChar) FFixedChar = true;
}

bool TStringField::GetValue(String& Value) const {
  // The usual field fits a buffer on the stack.
  const size_t Bytes = static_cast<size_t>(DataSize()) + 1;
  char Small[512];
  std::vector<char> Large(Bytes > sizeof Small ? Bytes : 0);
  char* Buf = Bytes > sizeof Small ? Large.data() : Small;
  std::memset(Buf, 0, Bytes);
  if (!GetData(Buf)) return false;
  Value.assign(Buf);
  if (FFixedChar) Value = TrimRight(Value);
  return true;
}

String TStringField::GetAsString() const {
  String V;
  if (!GetValue(V)) V.clear();
  return V;
}

std::size_t TStringField::StoredLength(std::string_view V) const {
  return std::min(Utf8ByteOffset(V, Size()), static_cast<std::size_t>(DataSize()) - 1);
}

void TStringField::SetAsStringValue(const String& V) {
  // Up to Size characters; a longer text is cut at a character boundary.
  // The usual field fits a buffer on the stack.
  const size_t Bytes = static_cast<size_t>(DataSize());
  char Small[512];
  std::vector<char> Large(Bytes > sizeof Small ? Bytes : 0);
  char* Buf = Bytes > sizeof Small ? Large.data() : Small;
  size_t N = StoredLength(V);
  std::memcpy(Buf, V.data(), N);
  std::memset(Buf + N, 0, Bytes - N);
  SetData(Buf);
}

Integer TStringField::GetAsInteger() const {
  String S = GetAsString();
  Integer V;
  if (!TryStrToInt(Trim(S), V)) DatabaseErrorFmt(SInvalidIntegerValue, S, DisplayName());
  return V;
}

void TStringField::SetAsIntegerValue(Integer V) { SetAsStringValue(IntToStr(V)); }

Int64 TStringField::GetAsLargeInt() const {
  String S = GetAsString();
  Int64 V;
  if (!TryStrToInt64(Trim(S), V)) DatabaseErrorFmt(SInvalidIntegerValue, S, DisplayName());
  return V;
}

double TStringField::GetAsFloat() const {
  String S = GetAsString();
  double V;
  if (!TryStrToFloat(Trim(S), V)) DatabaseErrorFmt(SInvalidFloatValue, S, DisplayName());
  return V;
}

void TStringField::SetAsFloatValue(double V) { SetAsStringValue(FloatToStr(V)); }

bool TStringField::GetAsBoolean() const {
  String S = GetAsString();
  return !S.empty() && (S[0] == 'Y' || S[0] == 'y' || S[0] == 'T' || S[0] == 't');
}

void TStringField::SetAsBooleanValue(bool V) { SetAsStringValue(V ? "T" : "F"); }

TDateTime TStringField::GetAsDateTime() const { return StrToDateTime(GetAsString()); }

void TStringField::SetAsDateTimeValue(TDateTime V) { SetAsStringValue(DateTimeToStr(V)); }

Variant TStringField::GetAsVariant() const {
  String V;
  return GetValue(V) ? Variant(V) : Null();
}

void TStringField::SetVarValue(const Variant& V) { SetAsStringValue(V.AsString()); }

TWideStringField::TWideStringField(TComponent* AOwner) : TStringField(AOwner) {
  SetDataType(ftWideString);
}

// ---- TBooleanField ----------------------------------------------------

TBooleanField::TBooleanField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftBoolean); }

void TBooleanField::SetDisplayValues(const String& Value) {
  FDisplayValues = Value;
  size_t P = Value.find(';');
  if (Value.empty() || P == 0) {
    FTextTrue = STextTrue;
    FTextFalse = STextFalse;
  } else {
    FTextTrue = Value.substr(0, P);
    FTextFalse = P == String::npos ? String() : Value.substr(P + 1);
  }
  if (DataSet()) DataSet()->DataEvent(deLayoutChange, 0);
}

bool TBooleanField::GetValue(bool& Value) const {
  Word W = 0;
  if (!GetData(&W)) return false;
  Value = W != 0;
  return true;
}

String TBooleanField::GetAsString() const {
  bool V;
  return GetValue(V) ? (V ? FTextTrue : FTextFalse) : String();
}

void TBooleanField::SetAsStringValue(const String& V) {
  if (V.empty()) {
    Clear();
    return;
  }
  // A prefix of either text is enough, ignoring case ("T", "fa" ...).
  Integer L = Length(V);
  if (AnsiSameText(V, Copy(FTextFalse, 1, L)))
    SetAsBooleanValue(false);
  else if (AnsiSameText(V, Copy(FTextTrue, 1, L)))
    SetAsBooleanValue(true);
  else
    DatabaseErrorFmt(SInvalidBoolValue, V, DisplayName());
}

bool TBooleanField::GetAsBoolean() const {
  bool V;
  return GetValue(V) && V;
}

void TBooleanField::SetAsBooleanValue(bool V) {
  Word W = V ? 0xFFFF : 0;
  SetData(&W);
}

Integer TBooleanField::GetAsInteger() const { return GetAsBoolean() ? 1 : 0; }

Variant TBooleanField::GetAsVariant() const {
  bool V;
  return GetValue(V) ? Variant(V) : Null();
}

void TBooleanField::SetVarValue(const Variant& V) {
  if (V.IsStr())
    SetAsStringValue(V.AsString());
  else
    SetAsBooleanValue(V.AsBoolean());
}

// ---- Dates and times --------------------------------------------------

TDateTimeField::TDateTimeField(TComponent* AOwner) : TDateTimeField(AOwner, ftDateTime) {}

TDateTimeField::TDateTimeField(TComponent* AOwner, TFieldType Type) : TField(AOwner) {
  SetDataType(Type);
}

void TDateTimeField::SetDisplayFormat(const String& Value) {
  FDisplayFormat = Value;
  if (DataSet()) DataSet()->DataEvent(deLayoutChange, 0);
}

bool TDateTimeField::GetValue(TDateTime& Value) const {
  TDateTimeRec R;
  R.DateTime = 0;
  if (!GetData(&R)) return false;
  Value = NativeToDateTime(DataType(), R);
  return true;
}

TDateTime TDateTimeField::GetAsDateTime() const {
  TDateTime V;
  return GetValue(V) ? V : 0.0;
}

void TDateTimeField::SetAsDateTimeValue(TDateTime V) {
  TDateTimeRec R = DateTimeToNative(DataType(), V);
  SetData(&R);
}

void TDateTimeField::SetAsStringValue(const String& V) {
  if (V.empty())
    Clear();
  else
    SetAsDateTimeValue(ParseText(V));
}

Variant TDateTimeField::GetAsVariant() const {
  TDateTime V;
  return GetValue(V) ? Variant::FromDateTime(V) : Null();
}

void TDateTimeField::SetVarValue(const Variant& V) {
  if (V.IsStr())
    SetAsStringValue(V.AsString());
  else
    SetAsDateTimeValue(V.AsDateTime());
}

String TDateTimeField::GetTextValue(bool DisplayText) const {
  TDateTime V;
  if (!GetValue(V)) return String();
  if (DisplayText && !FDisplayFormat.empty()) return FormatDateTime(FDisplayFormat, V);
  return DefaultText(V);
}

String TDateTimeField::DefaultText(TDateTime V) const { return DateTimeToStr(V); }
TDateTime TDateTimeField::ParseText(const String& S) const { return StrToDateTime(S); }

TDateField::TDateField(TComponent* AOwner) : TDateTimeField(AOwner, ftDate) {}
String TDateField::DefaultText(TDateTime V) const { return DateToStr(V); }
TDateTime TDateField::ParseText(const String& S) const { return StrToDate(S); }

TTimeField::TTimeField(TComponent* AOwner) : TDateTimeField(AOwner, ftTime) {}
String TTimeField::DefaultText(TDateTime V) const { return TimeToStr(V); }
TDateTime TTimeField::ParseText(const String& S) const { return StrToTime(S); }

// ---- Binary -----------------------------------------------------------

TBytesField::TBytesField(TComponent* AOwner) : TBytesField(AOwner, ftBytes, 16) {}

TBytesField::TBytesField(TComponent* AOwner, TFieldType Type, Integer DefaultSize)
    : TField(AOwner) {
  SetDataType(Type);
  SetSize(DefaultSize);
}

void TBytesField::CheckSize(Integer Value) const {
  if (Value < 1 || Value > 65535) DatabaseError(SInvalidFieldSize);
}

String TBytesField::GetAsString() const {
  String Buf(static_cast<size_t>(DataSize()), '\0');
  return GetData(Buf.data()) ? Buf : String();
}

void TBytesField::SetAsStringValue(const String& V) {
  String Buf(static_cast<size_t>(DataSize()), '\0');
  std::memcpy(Buf.data(), V.data(), std::min(V.size(), Buf.size()));
  SetData(Buf.data());
}

TVarBytesField::TVarBytesField(TComponent* AOwner) : TBytesField(AOwner, ftVarBytes, 16) {}

String TVarBytesField::GetAsString() const {
  String Buf(static_cast<size_t>(DataSize()), '\0');
  if (!GetData(Buf.data())) return String();
  Word Len;
  std::memcpy(&Len, Buf.data(), 2);
  return Buf.substr(2, std::min<size_t>(Len, static_cast<size_t>(Size())));
}

void TVarBytesField::SetAsStringValue(const String& V) {
  String Buf(static_cast<size_t>(DataSize()), '\0');
  Word Len = static_cast<Word>(std::min<size_t>(V.size(), static_cast<size_t>(Size())));
  std::memcpy(Buf.data(), &Len, 2);
  std::memcpy(Buf.data() + 2, V.data(), Len);
  SetData(Buf.data());
}

// ---- Blobs --------------------------------------------------------------

TBlobField::TBlobField(TComponent* AOwner) : TBlobField(AOwner, ftBlob) {}

TBlobField::TBlobField(TComponent* AOwner, TFieldType Type) : TField(AOwner) {
  SetDataType(Type);
}

void TBlobField::CheckSize(Integer Value) const {
  if (Value < 0) DatabaseError(SInvalidFieldSize);
}

void TBlobField::SetFieldType(TFieldType Value) {
  if (!IsBlobFieldType(Value)) TField::SetFieldType(Value);
  SetDataType(Value);
}

String TBlobField::GetAsString() const {
  if (!DataSet()) DatabaseErrorFmt(SDataSetMissing, DisplayName());
  std::unique_ptr<TStream> S = DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
  return S ? S->ReadString() : String();
}

void TBlobField::SetAsStringValue(const String& V) {
  if (!DataSet()) DatabaseErrorFmt(SDataSetMissing, DisplayName());
  std::unique_ptr<TStream> S = DataSet()->CreateBlobStream(this, bmWrite);
  S->WriteString(V);
}

Integer TBlobField::BlobSize() const { return static_cast<Integer>(GetAsString().size()); }

void TBlobField::LoadFromStream(TStream* Stream) {
  if (!DataSet()) DatabaseErrorFmt(SDataSetMissing, DisplayName());
  std::unique_ptr<TStream> S = DataSet()->CreateBlobStream(this, bmWrite);
  S->CopyFrom(Stream, Stream->Size() - Stream->Position());
}

void TBlobField::SaveToStream(TStream* Stream) const { Stream->WriteString(GetAsString()); }

String TBlobField::GetTextValue(bool DisplayText) const {
  (void)DisplayText;
  return "(" + String(FieldTypeNames[DataType()]) + ")";
}

TMemoField::TMemoField(TComponent* AOwner) : TBlobField(AOwner, ftMemo) {}

String TMemoField::GetTextValue(bool DisplayText) const {
  return DisplayText ? String("(Memo)") : GetAsString();
}

TGraphicField::TGraphicField(TComponent* AOwner) : TBlobField(AOwner, ftGraphic) {}

// ---- Default classes ----------------------------------------------------

TFieldClass DefaultFieldClass(TFieldType FieldType) {
  switch (FieldType) {
    case ftString: case ftFixedChar: return TStringField::StaticClass();
    case ftWideString: return TWideStringField::StaticClass();
    case ftSmallint: return TSmallintField::StaticClass();
    case ftInteger: return TIntegerField::StaticClass();
    case ftWord: return TWordField::StaticClass();
    case ftAutoInc: return TAutoIncField::StaticClass();
    case ftLargeint: return TLargeintField::StaticClass();
    case ftBoolean: return TBooleanField::StaticClass();
    case ftFloat: return TFloatField::StaticClass();
    case ftCurrency: return TCurrencyField::StaticClass();
    case ftBCD: return TBCDField::StaticClass();
    case ftDate: return TDateField::StaticClass();
    case ftTime: return TTimeField::StaticClass();
    case ftDateTime: return TDateTimeField::StaticClass();
    case ftBytes: return TBytesField::StaticClass();
    case ftVarBytes: return TVarBytesField::StaticClass();
    case ftMemo: case ftFmtMemo: return TMemoField::StaticClass();
    case ftGraphic: return TGraphicField::StaticClass();
    case ftOAT: return TObjectField::StaticClass();
    case ftBlob: case ftParadoxOle: case ftDBaseOle: case ftTypedBinary: case ftOraBlob:
    case ftOraClob:
      return TBlobField::StaticClass();
    default:
      return nullptr;
  }
}
