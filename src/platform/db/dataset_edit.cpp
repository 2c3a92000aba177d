// TDataSet: the editing state machine (Edit, Insert, Append, Post,
// Cancel, Delete) and whole-record inserts.
#include "platform/db/dataset.h"

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError(SDataSetReadOnly, const_cast<TDataSet*>(this));
}

void TDataSet::CheckEditState() const {
  switch (FState) {
    case dsEdit: case dsInsert: case dsSetKey: case dsCalcFields: case dsFilter:
    case dsNewValue: case dsInternalCalc:
      return;
    default:
      DatabaseError(SNotEditing, const_cast<TDataSet*>(this));
  }
}

void TDataSet::CheckRequiredFields() {
  for (TField* F : FFields->Items())
    if (F->Required() && !F->ReadOnly() && F->FieldKind() == fkData && F->IsNull()) {
      F->FocusControl();
      DatabaseErrorFmt(SFieldRequired, F->DisplayName());
    }
}

void TDataSet::CheckOperation(void (TDataSet::*Operation)(),
                              const TDataSetErrorEvent& ErrorEvent) {
  for (;;) {
    try {
      UpdateCursorPos();
      (this->*Operation)();
      return;
    } catch (EDatabaseError& E) {
      TDataAction Action = daFail;
      if (ErrorEvent) ErrorEvent(this, E, Action);
      if (Action == daFail) throw;
      if (Action == daAbort) Abort();
    }
  }
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  switch (FState) {
    case dsEdit: case dsInsert:
      UpdateRecord();
      if (FModified) Post(); else Cancel();
      break;
    case dsSetKey:
      Post();
      break;
    default:
      break;
  }
}

void TDataSet::UpdateRecord() {
  if (FState != dsEdit && FState != dsInsert && FState != dsSetKey)
    DatabaseError(SNotEditing, this);
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::Edit() {
  if (FState == dsEdit || FState == dsInsert) return;
  if (FRecordCount == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeEdit();
  CheckOperation(&TDataSet::InternalEdit, OnEditError);
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  DoAfterEdit();
}

void TDataSet::InitRecord(TRecordBuffer Buffer) {
  InternalInitRecord(Buffer);
  ClearCalcFields(Buffer);
  SetBookmarkFlag(Buffer, bfInserted);
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeInsert();
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    UpdateCursorPos();
    SetState(dsBrowse);
    Resync(TResyncMode{});
    throw;
  }
  FModified = false;
  DataEvent(deDataSetChange, 0);
  DoAfterInsert();
  DoAfterScroll();
}

void TDataSet::DoOnNewRecord() { DoEvent(OnNewRecord); }

void TDataSet::Insert() {
  BeginInsertAppend();
  TBookmark OldCurrent = GetBookmark();
  MoveBuffer(FRecordCount, FActiveRecord);
  TRecordBuffer Buffer = ActiveBuffer();
  InitRecord(Buffer);
  if (FRecordCount == 0)
    SetBookmarkFlag(Buffer, bfBOF);
  else if (!OldCurrent.empty())
    SetBookmarkData(Buffer, OldCurrent.data());
  if (FRecordCount < FBufferCount) ++FRecordCount;
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  TRecordBuffer Buffer = FBuffers[0];
  InitRecord(Buffer);
  SetBookmarkFlag(Buffer, bfEOF);
  FRecordCount = 1;
  FBOF = false;
  GetPriorRecords();
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Post() {
  UpdateRecord();
  if (FState != dsEdit && FState != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforePost();
  CheckOperation(&TDataSet::InternalPost, OnPostError);
  SetState(dsBrowse);
  Resync(TResyncMode{});
  DoAfterPost();
}

void TDataSet::Cancel() {
  if (FState != dsEdit && FState != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeCancel();
  bool ScrollEvents = FState == dsInsert;
  if (ScrollEvents) DoBeforeScroll();
  UpdateCursorPos();
  InternalCancel();
  SetState(dsBrowse);
  Resync(TResyncMode{});
  DoAfterCancel();
  if (ScrollEvents) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == dsInsert || FState == dsSetKey) {
    Cancel();
    return;
  }
  if (FRecordCount == 0) DatabaseError(SDataSetEmpty, this);
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeDelete();
  DoBeforeScroll();
  CheckOperation(&TDataSet::InternalDelete, OnDeleteError);
  SetState(dsBrowse);
  Resync(TResyncMode{});
  DoAfterDelete();
  DoAfterScroll();
}

void TDataSet::InternalPost() { CheckRequiredFields(); }

void TDataSet::InternalDelete() { DatabaseError(SDataSetReadOnly, this); }

void TDataSet::InternalAddRecord(TRecordBuffer Buffer, bool Append) {
  (void)Buffer;
  (void)Append;
  DatabaseError(SDataSetReadOnly, this);
}

void TDataSet::SetFieldsFromValues(const std::vector<Variant>& Values) {
  for (size_t I = 0; I < Values.size() && I < FFields->Items().size(); ++I) {
    TField* F = FFields->Items()[I];
    if (Values[I].IsEmpty()) continue;  // an unassigned value leaves the default
    if (F->FieldKind() == fkData || F->FieldKind() == fkInternalCalc) F->SetAsVariant(Values[I]);
  }
}

void TDataSet::AddRecordValues(const std::vector<Variant>& Values, bool IsAppend) {
  if (IsAppend) Append(); else Insert();
  SetFieldsFromValues(Values);
  DataEvent(deCheckBrowseMode, 0);
  DoBeforePost();
  // The storage cursor goes to the insert position (before the old current
  // record, or after the last one); a failure leaves the insert pending.
  UpdateCursorPos();
  InternalAddRecord(ActiveBuffer(), IsAppend);
  SetState(dsBrowse);
  Resync(TResyncMode{});
  DoAfterPost();
}

void TDataSet::InsertRecord(const std::vector<Variant>& Values) { AddRecordValues(Values, false); }

void TDataSet::AppendRecord(const std::vector<Variant>& Values) { AddRecordValues(Values, true); }
