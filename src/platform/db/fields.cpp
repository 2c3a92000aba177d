#include "platform/db/fields.h"

#include <algorithm>

#include "platform/db/dataset.h"
#include "platform/db/fieldkinds.h"
#include "platform/rtl/charset.h"

RTL_IMPLEMENT_CLASS(TField, TComponent, nullptr)
RTL_IMPLEMENT_CLASS(TFields, TObject, nullptr)

RTL_PUBLISHED(TField) {
  P.Prop("Alignment", &TField::Alignment, &TField::SetAlignment).Default(taLeftJustify);
  P.Prop("DefaultExpression", &TField::DefaultExpression, &TField::SetDefaultExpression)
      .Default(String());
  P.Prop("DisplayLabel", &TField::DisplayLabel, &TField::SetDisplayLabel)
      .Stored(&TField::HasDisplayLabel);
  P.Prop("DisplayWidth", &TField::DisplayWidth, &TField::SetDisplayWidth)
      .Stored(&TField::IsDisplayWidthStored);
  P.Prop("EditMask", &TField::EditMask, &TField::SetEditMask).Default(String());
  P.Prop("FieldKind", &TField::FieldKind, &TField::SetFieldKind).Default(fkData);
  P.Prop("FieldName", &TField::FieldName, &TField::SetFieldName);
  P.Prop("KeyFields", &TField::KeyFields, &TField::SetKeyFields).Default(String());
  P.Prop("LookupDataSet", &TField::LookupDataSet, &TField::SetLookupDataSet);
  P.Prop("LookupKeyFields", &TField::LookupKeyFields, &TField::SetLookupKeyFields)
      .Default(String());
  P.Prop("LookupResultField", &TField::LookupResultField, &TField::SetLookupResultField)
      .Default(String());
  P.Prop("ReadOnly", &TField::ReadOnly, &TField::SetReadOnly).Default(false);
  P.Prop("Required", &TField::Required, &TField::SetRequired).Default(false);
  P.Prop("Visible", &TField::Visible, &TField::SetVisible).Default(true);
  P.Field("OnChange", &TField::OnChange);
  P.Field("OnGetText", &TField::OnGetText);
  P.Field("OnSetText", &TField::OnSetText);
  P.Field("OnValidate", &TField::OnValidate);
}

TField::TField(TComponent* AOwner) : TComponent(AOwner) {}

TField::~TField() {
  if (FParentField) FParentField->Fields().Remove(this);
  if (FDataSet) FDataSet->Fields().Remove(this);
}

void TField::SetParentField(TObjectField* Value) {
  if (Value == FParentField) return;
  if (FDataSet) FDataSet->CheckInactive();
  if (FParentField) FParentField->Fields().Remove(this);
  FParentField = Value;
  if (Value) Value->Fields().Add(this);
}

String TField::FullName() const {
  return FParentField ? FParentField->FullName() + "." + FFieldName : FFieldName;
}

// ---- Identity ---------------------------------------------------------

void TField::SetDataSet(TDataSet* ADataSet) {
  if (ADataSet == FDataSet) return;
  if (FDataSet) FDataSet->CheckInactive();
  if (ADataSet) {
    ADataSet->CheckInactive();
    if (!FFieldName.empty() && ADataSet->FindField(FullName()))
      DatabaseErrorFmt(SDuplicateFieldName, FullName(), ADataSet);
  }
  if (FDataSet) {
    FDataSet->Fields().Remove(this);
    FDataSet->DataEvent(deFieldListChange, 0);
  }
  FDataSet = ADataSet;
  if (FDataSet) {
    FDataSet->Fields().Add(this);
    FDataSet->DataEvent(deFieldListChange, 0);
  }
}

void TField::SetFieldName(const String& Value) {
  if (FDataSet && !AnsiSameText(Value, FFieldName)) {
    TField* Other = FDataSet->FindField(Value);
    if (Other && Other != this) DatabaseErrorFmt(SDuplicateFieldName, Value, FDataSet);
  }
  FFieldName = Value;
  if (FDataSet) FDataSet->DataEvent(deFieldListChange, 0);
}

void TField::SetFieldKind(TFieldKind Value) {
  if (FFieldKind == Value) return;
  if (FDataSet) FDataSet->CheckInactive();
  FFieldKind = Value;
}

void TField::SetSize(Integer Value) {
  if (FDataSet) FDataSet->CheckInactive();
  CheckSize(Value);
  FSize = Value;
}

void TField::CheckSize(Integer Value) const {
  if (Value != 0) DatabaseError(SInvalidFieldSize);
}

void TField::SetFieldType(TFieldType Value) {
  if (Value != FDataType)
    DatabaseErrorFmt(SFieldTypeMismatch, DisplayName(), FieldTypeNames[FDataType],
                     FieldTypeNames[Value], String());
}

Integer TField::Index() const { return FDataSet ? FDataSet->Fields().IndexOf(this) : -1; }

void TField::SetIndex(Integer Value) {
  if (!FDataSet) return;
  TFields& L = FDataSet->Fields();
  Value = std::clamp(Value, 0, std::max(L.Count() - 1, 0));
  L.Move(Index(), Value);
  FDataSet->DataEvent(deFieldListChange, 0);
}

// ---- Display ------------------------------------------------------------

void TField::SetDisplayLabel(const String& Value) {
  FDisplayLabel = Value == FFieldName ? String() : Value;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange, 0);
}

Integer TField::DisplayWidth() const {
  return FDisplayWidth > 0 ? FDisplayWidth : DefaultDisplayWidth();
}

void TField::SetDisplayWidth(Integer Value) {
  FDisplayWidth = Value;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange, 0);
}

void TField::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange, 0);
}

void TField::SetVisible(bool Value) {
  FVisible = Value;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange, 0);
}

void TField::SetReadOnly(bool Value) {
  FReadOnly = Value;
  if (FDataSet) FDataSet->DataEvent(deLayoutChange, 0);
}

void TField::SetLookupDataSet(TDataSet* Value) {
  if (Value && Value == FDataSet) DatabaseErrorFmt(SCircularDataLink, String(), FDataSet);
  if (FLookupDataSet && FLookupDataSet != Value) FLookupDataSet->RemoveFreeNotification(this);
  FLookupDataSet = Value;
  if (Value) Value->FreeNotification(this);
}

void TField::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FLookupDataSet) FLookupDataSet = nullptr;
}

bool TField::IsIndexField() const { return FDataSet && FDataSet->GetIsIndexField(this); }

bool TField::CanModify() const {
  if (!FDataSet) return false;
  switch (FFieldKind) {
    case fkData: case fkInternalCalc:
      if (FDataSet->State() == dsSetKey) return IsIndexField();
      return !FReadOnly && FDataSet->CanModify();
    case fkLookup: {
      if (FReadOnly || FKeyFields.empty()) return false;
      std::vector<TField*> Keys;
      FDataSet->GetFieldList(Keys, FKeyFields);
      return std::all_of(Keys.begin(), Keys.end(), [](TField* K) { return K->CanModify(); });
    }
    default:
      return FDataSet->State() == dsCalcFields;
  }
}

void TField::CheckCanModify() const {
  if (!CanModify()) DatabaseErrorFmt(SFieldReadOnly, DisplayName());
}

// ---- Value ----------------------------------------------------------------

bool TField::GetData(void* Buffer) const {
  if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, DisplayName());
  if (FValidating) {
    if (!FValueBuffer) return false;
    if (Buffer) std::copy_n(static_cast<const Byte*>(FValueBuffer), DataSize(), static_cast<Byte*>(Buffer));
    return true;
  }
  return FDataSet->GetFieldData(const_cast<TField*>(this), Buffer);
}

void TField::SetData(const void* Buffer) {
  if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, DisplayName());
  FDataSet->SetFieldData(this, Buffer);
}

bool TField::IsNull() const { return !GetData(nullptr); }

void TField::Validate(const void* Buffer) {
  if (!OnValidate) return;
  // While the handler runs, reads of this field see the new value.
  bool Old = FValidating;
  const void* OldBuffer = FValueBuffer;
  FValidating = true;
  FValueBuffer = Buffer;
  try {
    OnValidate(this);
  } catch (...) {
    FValidating = Old;
    FValueBuffer = OldBuffer;
    throw;
  }
  FValidating = Old;
  FValueBuffer = OldBuffer;
}

void TField::Change() {
  if (OnChange) OnChange(this);
}

void TField::DataChanged() {
  if (FDataSet) FDataSet->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(this));
}

void TField::FocusControl() {
  if (!FDataSet) return;
  TField* Self = this;
  FDataSet->DataEvent(deFocusControl, reinterpret_cast<intptr_t>(&Self));
}

void TField::Bind(bool Binding) { (void)Binding; }

TComponent* TField::GetParentComponent() const { return FDataSet; }

void TField::SetParentComponent(TComponent* Value) {
  if (auto* D = dynamic_cast<TDataSet*>(Value)) SetDataSet(D);
}

void TField::AccessError(const char* TypeName) const {
  DatabaseErrorFmt(SFieldAccessError, DisplayName(), TypeName);
}

String TField::GetAsString() const { AccessError("String"); }
void TField::SetAsStringValue(const String&) { AccessError("String"); }
Integer TField::GetAsInteger() const { AccessError("Integer"); }
void TField::SetAsIntegerValue(Integer) { AccessError("Integer"); }
void TField::SetAsLargeIntValue(Int64 V) {
  if (V < INT32_MIN || V > INT32_MAX) AccessError("Largeint");
  SetAsIntegerValue(static_cast<Integer>(V));
}
double TField::GetAsFloat() const { AccessError("Float"); }
void TField::SetAsFloatValue(double) { AccessError("Float"); }
bool TField::GetAsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBooleanValue(bool) { AccessError("Boolean"); }
TDateTime TField::GetAsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTimeValue(TDateTime) { AccessError("DateTime"); }
Variant TField::GetAsVariant() const { AccessError("Variant"); }
void TField::SetVarValue(const Variant&) { AccessError("Variant"); }

Variant TField::ValueInState(TDataSetState State) const {
  if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, DisplayName());
  TDataSetState Old = FDataSet->SetTempState(State);
  Variant V;
  try {
    V = GetAsVariant();
  } catch (...) {
    FDataSet->RestoreState(Old);
    throw;
  }
  FDataSet->RestoreState(Old);
  return V;
}

void TField::SetAsVariant(const Variant& V) {
  if (VarIsNullOrEmpty(V))
    Clear();
  else
    SetVarValue(V);
}

String TField::GetText(bool DisplayText) const {
  if (OnGetText) {
    String Text;
    OnGetText(const_cast<TField*>(this), Text, DisplayText);
    return Text;
  }
  return GetTextValue(DisplayText);
}

void TField::SetText(const String& Value) {
  if (OnSetText)
    OnSetText(this, Value);
  else
    SetAsString(Value);
}

void TField::Assign(TPersistent* Source) {
  auto* F = dynamic_cast<TField*>(Source);
  if (!F) {
    TComponent::Assign(Source);
    return;
  }
  SetAsVariant(F->AsVariant());
}

std::vector<String> SplitFieldNames(const String& Names) {
  std::vector<String> R;
  size_t Pos = 0;
  while (Pos <= Names.size()) {
    size_t End = Names.find(';', Pos);
    if (End == String::npos) End = Names.size();
    String N = Names.substr(Pos, End - Pos);
    size_t B = N.find_first_not_of(' '), E = N.find_last_not_of(' ');
    if (B != String::npos) R.push_back(N.substr(B, E - B + 1));
    Pos = End + 1;
  }
  return R;
}

// ---- TFields --------------------------------------------------------------

TField* TFields::operator[](Integer Index) const {
  if (Index < 0 || Index >= Count()) DatabaseError(SFieldIndexError, FDataSet);
  return FList[static_cast<size_t>(Index)];
}

TField* TFields::FindField(const String& FieldName) const {
  for (TField* F : FList)
    if (AnsiSameText(F->ParentField() ? F->FullName() : F->FieldName(), FieldName)) return F;
  return nullptr;
}

TField* TFields::FieldByName(const String& FieldName) const {
  TField* F = FindField(FieldName);
  if (!F) DatabaseErrorFmt(SFieldNotFound, FieldName, FDataSet);
  return F;
}

TField* TFields::FieldByNumber(Integer N) const {
  for (TField* F : FList)
    if (F->FieldNo() == N) return F;
  return nullptr;
}

Integer TFields::IndexOf(const TField* Field) const {
  auto It = std::find(FList.begin(), FList.end(), Field);
  return It == FList.end() ? -1 : static_cast<Integer>(It - FList.begin());
}

void TFields::Add(TField* Field) { FList.push_back(Field); }

void TFields::Remove(TField* Field) {
  FList.erase(std::remove(FList.begin(), FList.end(), Field), FList.end());
}

void TFields::Move(Integer From, Integer To) {
  if (From < 0 || From >= Count() || To < 0 || To >= Count() || From == To) return;
  TField* F = FList[static_cast<size_t>(From)];
  FList.erase(FList.begin() + From);
  FList.insert(FList.begin() + To, F);
}
