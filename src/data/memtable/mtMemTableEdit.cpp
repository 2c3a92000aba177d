// TmtCustomMemTable: posting, deleting, new records, auto-increment,
// transactions and emptying.
#include <cstring>

#include "data/memtable/mtMemTable.h"

// ---- Posting ----------------------------------------------------------------------

void TmtCustomMemTable::CheckRecordUniqueness(const Byte* Data, const TmtRecord* Except) {
  for (Integer I = 1; I < FIndexes->Count(); ++I) FIndexes->Items(I)->CheckUnique(Data, Except);
}

void TmtCustomMemTable::InternalPost() {
  TDataSet::InternalPost();
  TmtCommonLock Lock(*FCommon);
  TRecordBuffer B = ActiveBuffer();
  if (State() == dsInsert)
    PostInsert(B, GetBookmarkFlag(B) == bfEOF);
  else
    PostEdit(B);
}

void TmtCustomMemTable::InternalAddRecord(TRecordBuffer Buffer, bool Append) {
  TmtCommonLock Lock(*FCommon);
  PostInsert(Buffer, Append);
}

void TmtCustomMemTable::PostInsert(TRecordBuffer Buffer, bool Append,
                                   std::vector<TmtRecord*>* Pending) {
  CheckRecordUniqueness(Buffer, nullptr);
  TmtBufferInfo* I = Info(Buffer);
  // The row-order position: before the record the insert was started on.
  Integer RowPos = -1;
  if (!Append && I->Record && FCommon->RecordAt(I->RecordID) == I->Record)
    RowPos = FIndexes->RowOrder()->IndexOfRecord(I->Record);
  // Room for the new record first, so that nothing fails once it is stored.
  if (Pending && Pending->size() == Pending->capacity()) Pending->reserve(Pending->size() * 2 + 64);
  TmtRecord* R = FCommon->AllocStoredRecord(Buffer);
  try {
    R->TransactionLevel = FCommon->TransactionLevel();
    FCommon->AddRecord(R);
  } catch (...) {
    FCommon->FreeRecord(R);
    throw;
  }
  FCommon->SetDataChanged(true);
  if (Pending)
    Pending->push_back(R);
  else
    FCommon->IndexesInsert(R, this, RowPos);
  NoteAutoIncPosted(R->Data);
  I->Record = R;
  I->RecordID = R->RecordID;
  I->UniqueRecordID = R->UniqueRecordID;
  if (!Pending) FRecNo = PositionOf(R);
  AfterStorageChange();
}

void TmtCustomMemTable::KeepVersion(TmtRecord* Record) {
  if (Record->Status == mtrsInserted &&
      Record->TransactionLevel == FCommon->TransactionLevel())
    return;
  if (FCommon->VersioningMode() == mtvm1SinceCheckPoint && Record->PrevRecordVersion) return;
  TmtRecord* Copy = FCommon->CopyRecord(Record);
  Record->PrevRecordVersion = Copy;
}

void TmtCustomMemTable::PostEdit(TRecordBuffer Buffer) {
  TmtRecord* R = Info(Buffer)->Record;
  if (!R || FCommon->RecordAt(Info(Buffer)->RecordID) != R)
    throw EMemTableInvalidRecord(mtSInvalidRecord);
  CheckRecordUniqueness(Buffer, R);
  if (FCommon->KeepVersions()) KeepVersion(R);
  bool NewInLevel = R->Status == mtrsInserted && R->TransactionLevel == FCommon->TransactionLevel();
  FCommon->IndexesRemoveKeys(R);
  FCommon->CopyRecordData(Buffer, R->Data);
  if (!NewInLevel) R->Status = mtrsModified;
  R->TransactionLevel = FCommon->TransactionLevel();
  R->Flag |= mtrfChanged;
  FCommon->IndexesInsertKeys(R);
  FCommon->SetDataChanged(true);
  NoteAutoIncPosted(R->Data);
  FRecNo = PositionOf(R);
  AfterStorageChange();
}

void TmtCustomMemTable::InternalDelete() {
  TmtCommonLock Lock(*FCommon);
  TRecordBuffer B = ActiveBuffer();
  TmtRecord* R = Info(B)->Record;
  if (!R || FCommon->RecordAt(Info(B)->RecordID) != R)
    throw EMemTableInvalidRecord(mtSInvalidRecord);
  Integer Pos = PositionOf(R);
  FCommon->IndexesDelete(R);
  if (FCommon->KeepVersions()) {
    TmtRecord* Copy = FCommon->CopyRecord(R);
    Copy->PrevRecordVersion = R->PrevRecordVersion;
    R->PrevRecordVersion = Copy;
    R->Status = mtrsDeleted;
    R->TransactionLevel = FCommon->TransactionLevel();
    FCommon->SetDeletedCount(FCommon->DeletedCount() + 1);
  } else {
    FCommon->DeleteRecord(R);
  }
  FCommon->SetDataChanged(true);
  if (Pos >= 0) FRecNo = Pos;
  AfterStorageChange();
}

void TmtCustomMemTable::AfterStorageChange() {
  if (!FAttachedAutoRefresh) return;
  for (TmtCustomMemTable* T : FCommon->AttachedTables())
    if (T && T != this && T->Active()) T->RefreshFromStorage();
}

void TmtCustomMemTable::InternalEdit() {}

void TmtCustomMemTable::InternalCancel() {}

void TmtCustomMemTable::InternalRefresh() {}

// ---- New records and auto-increment --------------------------------------------

void TmtCustomMemTable::DoOnNewRecord() {
  const TmtFieldList& Detail = DetailSide();
  const std::vector<TField*>& Master = FMasterLink->Fields();
  if (FMasterLink->Active() && !Master.empty() && Detail.Count() > 0) {
    size_t N = std::min(Master.size(), static_cast<size_t>(Detail.Count()));
    for (size_t I = 0; I < N; ++I)
      Detail.Fields(static_cast<Integer>(I))->SetAsVariant(Master[I]->AsVariant());
  }
  for (TField* F : Fields().Items())
    if (!F->DefaultExpression().empty() && F->DataType() != ftLargeint)
      F->SetAsString(F->DefaultExpression());
  TDataSet::DoOnNewRecord();
  if (FAutoIncField && !FLoading) {
    const TmtFieldLayout* L = FCommon->FieldLayout(FAutoIncField->FieldNo());
    TRecordBuffer B = ActiveBuffer();
    if (L && L->Offset >= 0 && B) {
      Integer V = FCommon->NextAutoInc();
      B[L->Offset] = 2;
      std::memcpy(B + L->Offset + 1, &V, sizeof(V));
    }
  }
}

void TmtCustomMemTable::NoteAutoIncPosted(const Byte* Data) {
  if (!FAutoIncField) return;
  const TmtFieldLayout* L = FCommon->FieldLayout(FAutoIncField->FieldNo());
  if (!L || L->Offset < 0 || Data[L->Offset] == 0) return;
  Integer V;
  std::memcpy(&V, Data + L->Offset + 1, sizeof(V));
  if (V > FCommon->AutoIncMax()) FCommon->SetAutoIncMax(V);
}

// ---- Transactions ----------------------------------------------------------------

void TmtCustomMemTable::StartTransaction() {
  if (Active() &&
      !(FCommon->EnableVersioning() && FCommon->VersioningMode() == mtvmAllSinceCheckPoint))
    throw EMemTableError(mtSTransactionVersioning);
  FCommon->IncTransactionLevel();
}

void TmtCustomMemTable::Rollback() {
  if (FCommon->TransactionLevel() <= 0) return;
  if (State() == dsEdit || State() == dsInsert) Cancel();
  {
    TmtCommonLock Lock(*FCommon);
    FCommon->SetVersioningSuspended(true);
    FCommon->Rollback();
    FCommon->DecTransactionLevel();
    FCommon->SetVersioningSuspended(false);
    for (TmtCustomMemTable* T : FCommon->AttachedTables())
      if (T && T->Active()) T->RebuildIndexes();
  }
  for (TmtCustomMemTable* T : FCommon->AttachedTables())
    if (T && T->Active()) {
      T->CursorPosChanged();
      if (T->FRecNo >= T->FCurrentIndex->Count()) T->FRecNo = T->FCurrentIndex->Count() - 1;
      T->Resync(TResyncMode{});
    }
}

void TmtCustomMemTable::Commit() {
  if (FCommon->TransactionLevel() <= 0) return;
  FCommon->DecTransactionLevel();
  if (Active()) Refresh();
}

void TmtCustomMemTable::CheckPoint() {
  CheckBrowseMode();
  FCommon->CheckPoint();
  if (Active()) Refresh();
}

// ---- Emptying -----------------------------------------------------------------------

void TmtCustomMemTable::EmptyTable() {
  Progress(0, mtpcEmpty);
  DisableControls();
  try {
    TmtWorkState Old = FWorkState;
    FWorkState = mtwsEmptying;
    FCommon->EmptyRecords();
    FWorkState = Old;
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
  Progress(100, mtpcEmpty);
}
