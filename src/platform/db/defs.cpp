#include "platform/db/defs.h"

#include "platform/db/dataset.h"
#include "platform/db/fieldkinds.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/lists.h"

RTL_IMPLEMENT_CLASS(TFieldDef, TPersistent, nullptr)
RTL_IMPLEMENT_CLASS(TFieldDefs, TPersistent, nullptr)
RTL_IMPLEMENT_CLASS(TIndexDef, TPersistent, nullptr)
RTL_IMPLEMENT_CLASS(TIndexDefs, TPersistent, nullptr)

namespace {

[[noreturn]] void ListIndexError(Integer Index) {
  throw EListError(DbFormat(SListIndexError, {std::to_string(Index)}));
}

// Index of the item named Name (case-insensitive) in Items, or -1.
template <class T>
Integer IndexByName(const std::vector<std::unique_ptr<T>>& Items, const String& Name) {
  for (size_t I = 0; I < Items.size(); ++I)
    if (AnsiSameText(Items[I]->Name(), Name)) return static_cast<Integer>(I);
  return -1;
}

}  // namespace

// ---- TFieldDef ----------------------------------------------------------

TFieldDef::TFieldDef(TFieldDefs* Owner, const String& AName, TFieldType ADataType, Integer ASize,
                     bool ARequired, Integer AFieldNo)
    : FOwner(Owner), FName(AName), FDataType(ADataType), FSize(ASize), FFieldNo(AFieldNo) {
  SetRequired(ARequired);
}

TFieldDef::~TFieldDef() = default;

TFieldDefs* TFieldDef::ChildDefs() {
  if (!FChildDefs) FChildDefs = std::make_unique<TFieldDefs>(FOwner ? FOwner->DataSet() : nullptr, this);
  return FChildDefs.get();
}

bool TFieldDef::HasChildDefs() const { return FChildDefs && FChildDefs->Count() > 0; }

TFieldDef* TFieldDef::ParentDef() const { return FOwner ? FOwner->ParentDef() : nullptr; }

void TFieldDef::SetRequired(bool Value) {
  if (Value)
    FAttributes.Include(faRequired);
  else
    FAttributes.Exclude(faRequired);
}

Integer TFieldDef::Index() const {
  for (Integer I = 0; I < FOwner->Count(); ++I)
    if (FOwner->Items(I) == this) return I;
  return -1;
}

TFieldClass TFieldDef::FieldClass() const {
  TDataSet* D = FOwner ? FOwner->DataSet() : nullptr;
  return D ? D->GetFieldClass(FDataType) : DefaultFieldClass(FDataType);
}

TField* TFieldDef::CreateField(TComponent* Owner, TObjectField* ParentField) {
  TFieldClass C = FieldClass();
  if (!C) DatabaseErrorFmt(SUnknownFieldType, FName);
  TObject* O = C->Create(Owner);
  auto* F = dynamic_cast<TField*>(O);
  if (!F) {
    delete O;
    DatabaseErrorFmt(SUnknownFieldType, FName);
  }
  try {
    F->SetFieldType(FDataType);
    if (FSize != 0 || FDataType == ftBCD) F->SetSize(FSize);
    F->SetFieldName(FName);
    F->SetRequired(Required());
    F->SetReadOnly(FAttributes.Contains(faReadonly));
    if (FInternalCalcField) F->SetFieldKind(fkInternalCalc);
    if (ParentField) F->SetParentField(ParentField);
    if (FOwner && FOwner->DataSet()) F->SetDataSet(FOwner->DataSet());
  } catch (...) {
    F->Free();
    throw;
  }
  // The children follow their object field in the dataset's list.
  if (auto* Object = dynamic_cast<TObjectField*>(F); Object && FChildDefs)
    for (Integer I = 0; I < FChildDefs->Count(); ++I) FChildDefs->Items(I)->CreateField(Owner, Object);
  return F;
}

void TFieldDef::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TFieldDef*>(Source);
  if (!S) {
    TPersistent::Assign(Source);
    return;
  }
  FName = S->FName;
  FDataType = S->FDataType;
  FSize = S->FSize;
  FPrecision = S->FPrecision;
  FAttributes = S->FAttributes;
  FInternalCalcField = S->FInternalCalcField;
  if (S->HasChildDefs()) ChildDefs()->Assign(S->FChildDefs.get());
  else if (FChildDefs) FChildDefs->Clear();
}

// ---- TFieldDefs ---------------------------------------------------------

TFieldDef* TFieldDefs::Items(Integer Index) const {
  if (Index < 0 || Index >= Count()) ListIndexError(Index);
  return FItems[static_cast<size_t>(Index)].get();
}

TFieldDef* TFieldDefs::Add(const String& Name, TFieldType DataType, Integer Size, bool Required) {
  if (Name.empty()) DatabaseError(SFieldNameMissing, FDataSet);
  FItems.push_back(std::make_unique<TFieldDef>(this, Name, DataType, Size, Required, Count() + 1));
  TFieldDef* D = FItems.back().get();
  bool Nested = FParentDef != nullptr;
  for (const auto& Item : FItems) Nested = Nested || Item->HasChildDefs();
  if (Nested) Renumber();
  return D;
}

void TFieldDefs::Renumber() {
  TFieldDefs* Top = this;
  while (Top->FParentDef && Top->FParentDef->Collection()) Top = Top->FParentDef->Collection();
  Integer No = 0;
  auto Walk = [&No](auto& Self, TFieldDefs* List) -> void {
    for (auto& D : List->FItems) {
      D->SetFieldNo(++No);
      if (D->HasChildDefs()) Self(Self, D->ChildDefs());
    }
  };
  Walk(Walk, Top);
}

TFieldDef* TFieldDefs::AddFieldDef() {
  FItems.push_back(std::make_unique<TFieldDef>(this, String(), ftUnknown, 0, false, Count() + 1));
  return FItems.back().get();
}

void TFieldDefs::Delete(Integer Index) {
  Items(Index);
  FItems.erase(FItems.begin() + Index);
  for (Integer I = Index; I < Count(); ++I) FItems[static_cast<size_t>(I)]->SetFieldNo(I + 1);
}

void TFieldDefs::Clear() { FItems.clear(); }

Integer TFieldDefs::IndexOf(const String& Name) const { return IndexByName(FItems, Name); }

TFieldDef* TFieldDefs::Find(const String& Name) const {
  Integer I = IndexOf(Name);
  if (I < 0) DatabaseErrorFmt(SFieldNotFound, Name, FDataSet);
  return Items(I);
}

void TFieldDefs::Update() {
  if (!FUpdated && FDataSet) FDataSet->InitFieldDefs();
}

void TFieldDefs::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TFieldDefs*>(Source);
  if (!S) {
    TPersistent::Assign(Source);
    return;
  }
  Clear();
  for (const auto& D : S->FItems) AddFieldDef()->Assign(D.get());
}

// ---- TIndexDef ----------------------------------------------------------

TIndexDef::TIndexDef(TIndexDefs* Owner, const String& AName, const String& AFields,
                     TIndexOptions AOptions)
    : FOwner(Owner), FName(AName), FFields(AFields), FOptions(AOptions) {}

void TIndexDef::SetExpression(const String& Value) {
  FExpression = Value;
  if (!Value.empty()) FOptions.Include(ixExpression);
}

void TIndexDef::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TIndexDef*>(Source);
  if (!S) {
    TPersistent::Assign(Source);
    return;
  }
  FName = S->FName;
  FFields = S->FFields;
  FExpression = S->FExpression;
  FDescFields = S->FDescFields;
  FCaseInsFields = S->FCaseInsFields;
  FSource = S->FSource;
  FOptions = S->FOptions;
}

// ---- TIndexDefs ---------------------------------------------------------

TIndexDef* TIndexDefs::Items(Integer Index) const {
  if (Index < 0 || Index >= Count()) ListIndexError(Index);
  return FItems[static_cast<size_t>(Index)].get();
}

TIndexDef* TIndexDefs::Add(const String& Name, const String& Fields, TIndexOptions Options) {
  if (!Name.empty() && IndexOf(Name) >= 0) DatabaseErrorFmt(SDuplicateIndexName, Name, FDataSet);
  FItems.push_back(std::make_unique<TIndexDef>(this, Name, Fields, Options));
  return FItems.back().get();
}

TIndexDef* TIndexDefs::AddIndexDef() {
  FItems.push_back(std::make_unique<TIndexDef>(this, String(), String(), TIndexOptions{}));
  return FItems.back().get();
}

void TIndexDefs::Delete(Integer Index) {
  Items(Index);
  FItems.erase(FItems.begin() + Index);
}

void TIndexDefs::Clear() { FItems.clear(); }

Integer TIndexDefs::IndexOf(const String& Name) const { return IndexByName(FItems, Name); }

TIndexDef* TIndexDefs::Find(const String& Name) const {
  Integer I = IndexOf(Name);
  if (I < 0) DatabaseErrorFmt(SIndexNotFound, Name, FDataSet);
  return Items(I);
}

TIndexDef* TIndexDefs::FindIndexForFields(const String& Fields) const {
  for (const auto& D : FItems)
    if (AnsiSameText(D->Fields(), Fields)) return D.get();
  return nullptr;
}

TIndexDef* TIndexDefs::GetIndexForFields(const String& Fields, bool CaseInsensitive) const {
  for (const auto& D : FItems) {
    if (D->Options().Contains(ixExpression)) continue;
    if (CaseInsensitive && !D->Options().Contains(ixCaseInsensitive)) continue;
    const String& F = D->Fields();
    if (F.size() < Fields.size() || !AnsiSameText(F.substr(0, Fields.size()), Fields)) continue;
    if (F.size() == Fields.size() || F[Fields.size()] == ';') return D.get();
  }
  return nullptr;
}

void TIndexDefs::Update() {
  if (FDataSet) FDataSet->UpdateIndexDefs();
  FUpdated = true;
}

void TIndexDefs::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TIndexDefs*>(Source);
  if (!S) {
    TPersistent::Assign(Source);
    return;
  }
  Clear();
  for (const auto& D : S->FItems) AddIndexDef()->Assign(D.get());
}
