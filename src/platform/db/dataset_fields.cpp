// TDataSet: fields and field definitions, calculated and lookup fields,
// filtering and the record-by-record Locate/Lookup.
#include <cstring>

#include "platform/db/dataset.h"
#include "platform/db/fieldkinds.h"
#include "platform/rtl/charset.h"

// ---- Fields -----------------------------------------------------------

TField* TDataSet::FieldByName(const String& FieldName) const {
  TField* F = FindField(FieldName);
  if (!F) DatabaseErrorFmt(SFieldNotFound, FieldName, const_cast<TDataSet*>(this));
  return F;
}

void TDataSet::GetFieldList(std::vector<TField*>& List, const String& FieldNames) const {
  for (const String& Name : SplitFieldNames(FieldNames)) List.push_back(FieldByName(Name));
}

Variant TDataSet::FieldValues(const String& FieldNames) const {
  std::vector<TField*> List;
  GetFieldList(List, FieldNames);
  if (List.size() == 1) return List[0]->AsVariant();
  std::vector<Variant> Values;
  for (TField* F : List) Values.push_back(F->AsVariant());
  return VarArrayOf(Values);
}

void TDataSet::SetFieldValues(const String& FieldNames, const Variant& Value) {
  std::vector<TField*> List;
  GetFieldList(List, FieldNames);
  if (List.size() == 1 && !Value.IsArray()) {
    List[0]->SetAsVariant(Value);
    return;
  }
  for (size_t I = 0; I < List.size(); ++I)
    List[I]->SetAsVariant(Value[Value.LowBound() + static_cast<int>(I)]);
}

void TDataSet::GetFieldNames(TStrings* List) {
  List->Clear();
  if (FieldCount() > 0 || Active()) {
    for (TField* F : FFields->Items()) List->Add(F->FullName());
    return;
  }
  FFieldDefs->Update();
  for (Integer I = 0; I < FFieldDefs->Count(); ++I) List->Add(FFieldDefs->Items(I)->Name());
}

void TDataSet::ClearFields() {
  if (FState != dsEdit && FState != dsInsert) DatabaseError(SNotEditing, this);
  for (TField* F : FFields->Items())
    if (F->FieldKind() == fkData && !F->ReadOnly()) F->Clear();
}

TFieldClass TDataSet::GetFieldClass(TFieldType FieldType) const {
  return DefaultFieldClass(FieldType);
}

void TDataSet::CreateFields() {
  for (Integer I = 0; I < FFieldDefs->Count(); ++I) {
    TFieldDef* D = FFieldDefs->Items(I);
    if (D->DataType() != ftUnknown && !D->Attributes().Contains(faHiddenCol)) D->CreateField(this);
  }
}

void TDataSet::DestroyFields() {
  std::vector<TField*> Own;
  for (TField* F : FFields->Items())
    if (F->Owner() == this) Own.push_back(F);
  for (TField* F : Own) F->Free();
}

namespace {

// Whether a field of type FieldType may stand over a definition of type
// DefType (the storage keeps the value in the same native layout).
bool CompatibleTypes(TFieldType FieldType, TFieldType DefType) {
  if (FieldType == DefType) return true;
  auto Pair = [&](TFieldType A, TFieldType B) {
    return (FieldType == A && DefType == B) || (FieldType == B && DefType == A);
  };
  return Pair(ftInteger, ftAutoInc) || Pair(ftString, ftFixedChar) ||
         Pair(ftString, ftWideString) || Pair(ftMemo, ftFmtMemo) || Pair(ftBlob, ftGraphic) ||
         Pair(ftBlob, ftTypedBinary);
}

// The definition of field F: the dataset's, or for a child field the one
// among its parent's ChildDefs; null when none.
TFieldDef* DefinitionOf(TFieldDefs& Defs, const TField* F) {
  TFieldDefs* List = &Defs;
  if (TObjectField* Parent = F->ParentField()) {
    TFieldDef* P = DefinitionOf(Defs, Parent);
    if (!P) return nullptr;
    List = P->ChildDefs();
  }
  Integer I = List->IndexOf(F->FieldName());
  return I < 0 ? nullptr : List->Items(I);
}

}  // namespace

void TDataSet::BindFields(bool Binding) {
  FCalcFieldsSize = 0;
  for (TField* F : FFields->Items()) {
    if (!Binding) {
      F->Bind(false);
      F->SetFieldNo(0);
      continue;
    }
    if (F->FieldKind() == fkCalculated || F->FieldKind() == fkLookup) {
      F->SetFieldNo(-1);
      F->SetOffset(FCalcFieldsSize);
      FCalcFieldsSize += F->DataSize() + 1;
    } else {
      TFieldDef* D = DefinitionOf(*FFieldDefs, F);
      if (!D) DatabaseErrorFmt(SFieldNotFound, F->FullName(), this);
      if (!CompatibleTypes(F->DataType(), D->DataType()))
        DatabaseErrorFmt(SFieldTypeMismatch, F->DisplayName(), FieldTypeNames[F->DataType()],
                         FieldTypeNames[D->DataType()], String(), this);
      F->SetFieldNo(D->FieldNo());
    }
    F->Bind(true);
  }
}

void TDataSet::InitFieldDefs() {
  InternalInitFieldDefs();
  FFieldDefs->SetUpdated(true);
}

// ---- Record under access ----------------------------------------------

class TDataSet::TRecordScope {
 public:
  TRecordScope(TDataSet* D, TDataSetState State, TRecordBuffer Buffer)
      : FDataSet(D),
        FSlot(State == dsFilter ? D->FFilterBuffer : D->FCalcBuffer),
        FOldBuffer(FSlot),
        FOldState(D->SetTempState(State)) {
    FSlot = Buffer;
  }
  ~TRecordScope() {
    FSlot = FOldBuffer;
    FDataSet->RestoreState(FOldState);
  }
  TRecordScope(const TRecordScope&) = delete;
  TRecordScope& operator=(const TRecordScope&) = delete;

 private:
  TDataSet* FDataSet;
  TRecordBuffer& FSlot;
  TRecordBuffer FOldBuffer;
  TDataSetState FOldState;
};

TRecordBuffer TDataSet::GetActiveRecordBuffer() const {
  switch (FState) {
    case dsBrowse: case dsBlockRead:
      return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit: case dsInsert: case dsNewValue: case dsCurValue:
      return ActiveBuffer();
    case dsCalcFields: case dsInternalCalc:
      return FCalcBuffer;
    case dsFilter:
      return FFilterBuffer;
    default:
      return nullptr;
  }
}

bool TDataSet::GetCalcData(const Byte* CalcArea, const TField* Field, void* Buffer) {
  const Byte* Slot = CalcArea + Field->Offset();
  if (Slot[0] == 0) return false;
  if (Buffer) std::memcpy(Buffer, Slot + 1, static_cast<size_t>(Field->DataSize()));
  return true;
}

void TDataSet::SetCalcData(Byte* CalcArea, const TField* Field, const void* Buffer) {
  Byte* Slot = CalcArea + Field->Offset();
  Slot[0] = Buffer ? 1 : 0;
  if (Buffer)
    std::memcpy(Slot + 1, Buffer, static_cast<size_t>(Field->DataSize()));
  else
    std::memset(Slot + 1, 0, static_cast<size_t>(Field->DataSize()));
}

// ---- Calculated and lookup fields ---------------------------------------

void TDataSet::GetCalcFields(TRecordBuffer Buffer) {
  if (FCalcFieldsSize == 0 || !Buffer) return;
  TRecordScope Scope(this, dsCalcFields, Buffer);
  ClearCalcFields(Buffer);
  CalculateLookupFields();
  DoOnCalcFields();
}

void TDataSet::CalculateLookupFields() {
  for (TField* F : FFields->Items()) {
    if (F->FieldKind() != fkLookup) continue;
    TDataSet* L = F->LookupDataSet();
    if (!L || !L->Active() || F->KeyFields().empty() || F->LookupKeyFields().empty() ||
        F->LookupResultField().empty())
      continue;
    Variant Key = FieldValues(F->KeyFields());
    F->SetAsVariant(L->Lookup(F->LookupKeyFields(), Key, F->LookupResultField()));
  }
}

// ---- Filtering --------------------------------------------------------

void TDataSet::SetFilteredValue(bool Value) {
  if (FFiltered == Value) return;
  FFiltered = Value;
  if (Active()) First();
}

bool TDataSet::DoFilterRecord(TRecordBuffer Buffer) {
  if (!FFiltered || !FOnFilterRecord) return true;
  TRecordScope Scope(this, dsFilter, Buffer);
  bool Accept = true;
  FOnFilterRecord(this, Accept);
  return Accept;
}

bool TDataSet::FindRecord(bool Restart, bool GoForward) {
  (void)Restart;
  (void)GoForward;
  FFound = false;
  return false;
}

// ---- Locate and Lookup ----------------------------------------------------

namespace {

bool MatchValue(TField* F, const Variant& Key, TLocateOptions Options) {
  if (VarIsNullOrEmpty(Key)) return F->IsNull();
  if (F->IsNull()) return false;
  bool IsText = F->DataType() == ftString || F->DataType() == ftFixedChar ||
                F->DataType() == ftWideString || F->DataType() == ftMemo;
  if (!IsText) {
    try {
      return VarCompareValue(F->AsVariant(), Key) == vrEqual;
    } catch (const EVariantError&) {
      return false;
    }
  }
  String Value = F->AsString(), K = Key.AsString();
  if (Options.Contains(loCaseInsensitive)) {
    Value = AnsiUpperCase(Value);
    K = AnsiUpperCase(K);
  }
  if (Options.Contains(loPartialKey)) return Value.compare(0, K.size(), K) == 0;
  return Value == K;
}

}  // namespace

bool TDataSet::FindByKey(const std::vector<TField*>& Fields, const Variant& KeyValues,
                         TLocateOptions Options) {
  TRecordBuffer Buffer = TempBuffer();
  CursorPosChanged();
  InternalFirst();
  while (GetRecord(Buffer, gmNext, true) == grOK) {
    TRecordScope Scope(this, dsFilter, Buffer);
    bool Match = true;
    for (size_t I = 0; I < Fields.size() && Match; ++I) {
      const Variant& Key = Fields.size() == 1 && !KeyValues.IsArray()
                               ? KeyValues
                               : KeyValues[KeyValues.LowBound() + static_cast<int>(I)];
      Match = MatchValue(Fields[I], Key, Options);
    }
    if (Match) return true;
  }
  return false;
}

bool TDataSet::Locate(const String& KeyFields, const Variant& KeyValues,
                      TLocateOptions Options) {
  CheckBrowseMode();
  std::vector<TField*> Fields;
  GetFieldList(Fields, KeyFields);
  if (!FindByKey(Fields, KeyValues, Options)) {
    CursorPosChanged();
    return false;
  }
  DoBeforeScroll();
  Resync(TResyncMode{rmExact, rmCenter});
  DoAfterScroll();
  return true;
}

Variant TDataSet::Lookup(const String& KeyFields, const Variant& KeyValues,
                         const String& ResultFields) {
  CheckBrowseMode();
  std::vector<TField*> Fields;
  GetFieldList(Fields, KeyFields);
  Variant Result = Null();
  if (FindByKey(Fields, KeyValues, TLocateOptions{})) {
    TRecordScope Scope(this, dsFilter, TempBuffer());
    Result = FieldValues(ResultFields);
  }
  CursorPosChanged();
  return Result;
}
