// TmtCustomMemTable: opening and closing, field definitions, the storage
// layout and the table's indexes.
#include <cstring>

#include "data/memtable/mtMemTable.h"
#include "platform/rtl/charset.h"

// ---- Opening ----------------------------------------------------------------

void TmtCustomMemTable::OpenCursor() {
  if (FAttachedTo && !FAttachedTo->Active()) FAttachedTo->Open();
  {
    TmtCommonLock Lock(*FCommon);
    if (OwnsStorage()) {
      if (FieldCount() > 0)
        BuildFieldDefsFromFields();
      else if (FieldDefs().Count() == 0)
        throw EMemTableError(mtSAtLeastOneField);
      if (FieldDefs().Count() > MT_MAX_FIELDS) throw EMemTableError(mtSTooManyFieldDefs);
      FCommon->ResetAutoInc();
    } else if (FieldCount() == 0 || FieldDefs().Count() == 0) {
      FieldDefs().Assign(&FAttachedTo->FieldDefs());
    }
  }
  // A failed open fires no BeforeClose; a complete one clears the mark.
  FBeforeCloseFired = true;
  TDataSet::OpenCursor();
}

void TmtCustomMemTable::BuildFieldDefsFromFields() {
  FieldDefs().Clear();
  for (TField* F : Fields().Items()) {
    if (F->FieldKind() != fkData && F->FieldKind() != fkInternalCalc) continue;
    TFieldDef* D = FieldDefs().Add(F->FieldName(), F->DataType(), F->Size(), F->Required());
    D->SetInternalCalcField(F->FieldKind() == fkInternalCalc);
    if (F->ReadOnly()) D->SetAttributes(D->Attributes() + TFieldAttributes{faReadonly});
  }
  FieldDefs().SetUpdated(true);
}

void TmtCustomMemTable::InternalInitFieldDefs() {
  if (FieldCount() > 0 && !DefaultFields()) BuildFieldDefsFromFields();
}

void TmtCustomMemTable::InternalOpen() {
  TmtCommonLock Lock(*FCommon);
  if (DefaultFields()) CreateFields();
  BindFields(true);
  if (OwnsStorage()) SetupStorageLayout();
  SetBookmarkSize(static_cast<Integer>(sizeof(TmtBookmark)));
  FKeyBuffer = static_cast<Byte*>(std::calloc(1, static_cast<size_t>(FCommon->DataSize()) + 1));
  FAutoIncField = nullptr;
  for (TField* F : Fields().Items())
    if (F->DataType() == ftAutoInc && F->FieldKind() == fkData) {
      FAutoIncField = F;
      break;
    }
  FCursorOpen = true;
  FRecNo = -1;
  FCurrentIndex = FIndexes->RowOrder();
  BuildIndexesFromDefs();
  BuildMasterDetailLists();
  FIndexes->MarkAllUnordered();
  FIndexes->RebuildUnordered();
  SelectIndexFromProperties();
  UpdateFilterNeeded();
}

void TmtCustomMemTable::SetupStorageLayout() {
  std::vector<Byte> Flags;
  for (Integer I = 0; I < FieldDefs().Count(); ++I) {
    TFieldDef* D = FieldDefs().Items(I);
    Byte F = TmtCommon::DefaultOutOfRecord(D->DataType(), D->Size(), FCommon->Performance())
                 ? mtlfOutOfRecord
                 : 0;
    if (FCommon->Performance() == mtpfSmall && (F & mtlfOutOfRecord)) F |= mtlfCompressed;
    if (OnSetupField) {
      TField* Field = FindField(D->Name());
      if (Field) OnSetupField(this, Field, F);
    }
    Flags.push_back(F);
  }
  FCommon->SetupLayout(FieldDefs(), Flags);
}

void TmtCustomMemTable::BuildIndexesFromDefs() {
  for (Integer I = 0; I < IndexDefs().Count(); ++I) {
    TIndexDef* D = IndexDefs().Items(I);
    if (D->Name().empty() || D->Fields().empty()) throw EMemTableError(mtSMissingIndexDefName);
    if (FIndexes->Find(D->Name())) continue;
    FIndexes->Add(std::make_unique<TmtIndex>(this, D->Name(), D->Fields(),
                                             IndexOptionsToCompareOptions(D->Options()),
                                             MT_DEFAULT_INDEX_STATUSES, true));
  }
}

void TmtCustomMemTable::SelectIndexFromProperties() {
  TmtIndex* X = nullptr;
  if (!FIndexFieldNames.empty())
    X = IndexForFields(FIndexFieldNames);
  else if (!FIndexName.empty())
    X = IndexByName(FIndexName);
  FCurrentIndex = X ? X : FIndexes->RowOrder();
  FCurrentIndex->FieldList().AssignTo(*FIndexFieldList);
}

void TmtCustomMemTable::DoAfterOpen() {
  FBeforeCloseFired = false;
  LoadPersistent();
  UpdateFilterNeeded();
  // A detail opened after its master shows the master's records at once.
  if (MasterLink().Active() && !MasterLink().Fields().empty()) MasterChanged(this);
  TDataSet::DoAfterOpen();
}

// ---- Closing ------------------------------------------------------------------

void TmtCustomMemTable::DoBeforeClose() {
  if (FBeforeCloseFired) return;
  FBeforeCloseFired = true;
  if (State() == dsEdit || State() == dsInsert) Cancel();
  TDataSet::DoBeforeClose();
  SavePersistent();
}

void TmtCustomMemTable::CloseAttachedTables() {
  for (TmtCustomMemTable* T : FCommon->AttachedTables())
    if (T && T != this && T->Active()) T->Close();
}

void TmtCustomMemTable::CloseCursor() {
  if (!FBeforeCloseFired && !ComponentState().Contains(csDestroying)) {
    // The close started inside the table (the storage's owner closes its
    // attached tables): BeforeClose still fires once.
    FBeforeCloseFired = true;
    TDataSet::DoBeforeClose();
  }
  if (OwnsStorage()) CloseAttachedTables();
  TDataSet::CloseCursor();
}

void TmtCustomMemTable::InternalClose() {
  TmtCommonLock Lock(*FCommon);
  if (OwnsStorage() && FCursorOpen) FCommon->EmptyRecords();
  if (FMasterKeyRecord) {
    FCommon->FreeRecord(FMasterKeyRecord);
    FMasterKeyRecord = nullptr;
  }
  FreeRange();
  if (FKeyBuffer) {
    FCommon->FreeOutOfRecord(FKeyBuffer);
    std::free(FKeyBuffer);
    FKeyBuffer = nullptr;
  }
  FIndexes->Clear();
  FIndexes->EmptyAll();
  FCurrentIndex = FIndexes->RowOrder();
  FIndexFieldList->Clear();
  FMasterFieldList->Clear();
  FDetailFieldList->Clear();
  FAutoIncField = nullptr;
  FOverrideRecord = nullptr;
  FRecNo = -1;
  FCursorOpen = false;
  BindFields(false);
  if (DefaultFields()) DestroyFields();
}

void TmtCustomMemTable::ClearFieldsAndDefs() {
  Close();
  FieldDefs().Clear();
  std::vector<TField*> All = Fields().Items();
  for (TField* F : All) F->Free();
  Fields().Clear();
}

TField* TmtCustomMemTable::CreateFieldForDef(TFieldDef* Def) {
  return Def->CreateField(this);
}

// ---- Indexes ------------------------------------------------------------------

void TmtCustomMemTable::SetCurrentIndex(TmtIndex* Index) {
  if (!Index) Index = FIndexes->RowOrder();
  if (Index == FCurrentIndex) return;
  TmtRecord* Current = nullptr;
  if (Active() && !IsEmpty() && ActiveBuffer()) {
    TmtBufferInfo* I = Info(ActiveBuffer());
    if (I->Record && FCommon->IsRecord(I->Record)) Current = I->Record;
  }
  if (!Index->IsOrdered()) Index->Rebuild();
  FreeRange();  // a range belongs to the index it was set on
  FCurrentIndex = Index;
  Index->FieldList().AssignTo(*FIndexFieldList);
  UpdateFilterNeeded();
  if (!Active()) return;
  FRecNo = Current ? Index->IndexOfRecord(Current) : -1;
  if (FRecNo < 0) {
    First();
    return;
  }
  CursorPosChanged();
  Resync(TResyncMode{rmCenter});
}

TmtIndex* TmtCustomMemTable::IndexForFields(const String& FieldNames) {
  if (TmtIndex* X = FIndexes->FindByFields(FieldNames)) return X;
  TmtIndex* X = FIndexes->Add(std::make_unique<TmtIndex>(this, "__MT__IDXFLD_" + FieldNames,
                                                         FieldNames, TmtMemTableCompareOptions{},
                                                         MT_DEFAULT_INDEX_STATUSES, true));
  X->Rebuild();
  return X;
}

TmtIndex* TmtCustomMemTable::IndexByName(const String& Name) {
  TmtIndex* X = FIndexes->Find(Name);
  if (!X) DatabaseErrorFmt(SIndexNotFound, Name, this);
  return X;
}

void TmtCustomMemTable::SetIndexFieldNames(const String& Value) {
  FIndexFieldNames = Value;
  FIndexName.clear();
  if (Active()) SetCurrentIndex(Value.empty() ? nullptr : IndexForFields(Value));
}

void TmtCustomMemTable::SetIndexName(const String& Value) {
  FIndexName = Value;
  FIndexFieldNames.clear();
  if (Active()) SetCurrentIndex(Value.empty() ? nullptr : IndexByName(Value));
}

TmtIndex* TmtCustomMemTable::AddIndex(const String& Name, const String& Fields,
                                      TIndexOptions Options, TmtRecordStatuses Statuses) {
  if (Name.empty() || Fields.empty()) throw EMemTableError(mtSMissingIndexDefName);
  IndexDefs().Add(Name, Fields, Options);
  IndexDefs().SetUpdated(true);
  try {
    auto X = std::make_unique<TmtIndex>(this, Name, Fields, IndexOptionsToCompareOptions(Options),
                                        Statuses, true);
    TmtIndex* Result = FIndexes->Add(std::move(X));
    UpdateIndexes();
    return Result;
  } catch (...) {
    Integer I = IndexDefs().IndexOf(Name);
    if (I >= 0) IndexDefs().Delete(I);
    if (TmtIndex* X = FIndexes->Find(Name)) {
      if (X == FCurrentIndex) FCurrentIndex = FIndexes->RowOrder();
      FIndexes->Delete(X);
    }
    UpdateIndexes();
    throw;
  }
}

void TmtCustomMemTable::DeleteIndex(const String& Name) {
  Integer I = IndexDefs().IndexOf(Name);
  if (I >= 0) IndexDefs().Delete(I);
  UpdateIndexes();
}

void TmtCustomMemTable::UpdateIndexes() {
  bool Refresh = false;
  for (Integer I = FIndexes->Count() - 1; I >= 1; --I) {
    TmtIndex* X = FIndexes->Items(I);
    if (IndexDefs().IndexOf(X->Name()) >= 0) continue;
    if (X == FCurrentIndex) {
      FCurrentIndex = FIndexes->RowOrder();
      FIndexFieldNames.clear();
      FIndexFieldList->Clear();
      Refresh = true;
    }
    FIndexes->Delete(X);
  }
  BuildIndexesFromDefs();
  for (Integer I = 0; I < FIndexes->Count(); ++I) {
    TmtIndex* X = FIndexes->Items(I);
    if (X->IsOrdered()) continue;
    X->Rebuild();
    if (X == FCurrentIndex && Active()) Refresh = true;
  }
  if (Refresh && Active()) {
    CursorPosChanged();
    if (FRecNo >= FCurrentIndex->Count()) FRecNo = FCurrentIndex->Count() - 1;
    Resync(TResyncMode{});
  }
}

void TmtCustomMemTable::RebuildIndexes() {
  TmtCommonLock Lock(*FCommon);
  FIndexes->MarkAllUnordered();
  if (Active()) FIndexes->RebuildUnordered();
}

void TmtCustomMemTable::SortOn(const String& FieldNames, TmtMemTableCompareOptions Options) {
  CheckActive();
  CheckBrowseMode();
  if (TmtIndex* Old = FIndexes->Find("__MT__SORT")) {
    if (Old == FCurrentIndex) FCurrentIndex = FIndexes->RowOrder();
    FIndexes->Delete(Old);
  }
  Options.Include(mtcoNonMaintained);
  TmtIndex* X = FIndexes->Add(std::make_unique<TmtIndex>(this, "__MT__SORT", FieldNames, Options,
                                                         MT_DEFAULT_INDEX_STATUSES, true));
  X->Rebuild();
  SetCurrentIndex(X);
  First();
}
