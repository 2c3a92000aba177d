// TOakDataSet: starting an edit or insert, defaults of new records,
// cancelling, deleting, and the end of a key-entry state.
//
// Record locks: with lmPessimistic the record is locked from the start of
// an edit until its post or cancel; with lmOptimistic only while the post
// runs, and the post compares the record's checksum with the one taken
// when the edit began. Exclusive tables take no record locks at all.
#include <cstring>

#include "data/oak/oakdata_filter.h"

void TOakDataSet::NotePermission(const String& Text) {
  // The engine keeps the text as its last error; the edit goes on, so that
  // tables without rights information stay editable.
  RaiseOakError(this, OakSetLastError(OAK_ERR_PERMISSION, Text.c_str()));
}

namespace {
void ClearModified(TOCEFieldDefs& Defs) {
  for (auto& D : Defs) D.Modified = false;
}
}  // namespace

// ---- Edit ----------------------------------------------------------------------------

void TOakDataSet::InternalEdit() {
  if (!(FOpenOptions & OAK_PERM_UPDATE)) NotePermission("Update permission not granted on this table.");
  TRecordBuffer Buffer = ActiveBuffer();
  UNSIGNED32 N = BufferRecordNumber(Buffer);
  FEditRecordNumber = N;
  TOakRecordLockingModes Mode = FOptions->OakRecordLockingMode();
  bool Locked = false;
  if (!FExclusive && Mode == lmPessimistic) {
    UNSIGNED32 Code = OakLockRecord(FTableHandle, N);
    if (Code == static_cast<UNSIGNED32>(OAK_ERR_STATIC_VIEW))
      OakDatabaseError(this, OAK_ERR_STATIC_VIEW,
                       "This table is based on a static VIEW. Static VIEWs can not be updated.");
    RaiseOakError(this, Code);
    Locked = true;
  }
  try {
    // The record as it stands now, not as it was buffered.
    RaiseOakError(this, OakGotoRecord(FTableHandle, N));
    ReadEngineRecord(Buffer);
    CursorPosChanged();
    if (!FExclusive && Mode == lmOptimistic)
      RaiseOakError(this, OakGetRecordCRC(FTableHandle, &FRecordCRC, 0));
  } catch (...) {
    if (Locked) OakUnlockRecord(FTableHandle, N);
    throw;
  }
  std::memcpy(FOldRecord.data(), Buffer, FRawRecordLength);
  ClearModified(FOCEFieldDefs);
}

// ---- Insert --------------------------------------------------------------------------

void TOakDataSet::DoOnNewRecord() {
  if (!(FOpenOptions & OAK_PERM_INSERT)) NotePermission("Insert permission not granted on this table.");
  UNSIGNED16 Eof = 0, Bof = 0;
  RaiseOakError(this, OakAtEOF(FTableHandle, &Eof));
  RaiseOakError(this, OakAtBOF(FTableHandle, &Bof));
  FInsertAtEOF = Eof != 0;
  FInsertAtBOF = Bof != 0;
  // A detail record starts with the master's key in its index fields.
  if (FMasterLink && FMasterLink->Active() && !FMasterLink->Fields().empty()) {
    const auto& Master = FMasterLink->Fields();
    Integer Segments = GetNumSegments();
    for (Integer I = 0; I < Segments && I < static_cast<Integer>(Master.size()); ++I)
      if (TField* Detail = GetSegmentField(I + 1)) Detail->SetAsVariant(Master[I]->AsVariant());
  }
  TDataSet::DoOnNewRecord();
}

// ---- Cancel ---------------------------------------------------------------------------

void TOakDataSet::InternalCancel() {
  UNSIGNED32 Code = OakCancelUpdate(FTableHandle);
  if (Code != OAK_NO_CURRENT_RECORD && Code != OAK_NO_PENDING_UPDATE) RaiseOakError(this, Code);
  TRecordBuffer Buffer = ActiveBuffer();
  if (State() == dsInsert) {
    if (GetBookmarkFlag(Buffer) == bfEOF || FInsertAtEOF) {
      RaiseOakError(this, OakGotoBottom(FOrderHandle));
    } else if (GetBookmarkFlag(Buffer) != bfBOF) {
      // The insert buffer carries the bookmark of the row it was placed
      // before: the row after the active one.
      UNSIGNED32 Back = OakGotoBookmark(FTableHandle, BookmarkPtr(Buffer), FBookmarkLength);
      if (Back != OAK_INVALID_BOOKMARK) RaiseOakError(this, Back);
    }
    CursorPosChanged();
    return;
  }
  RaiseOakError(this, OakGotoRecord(FTableHandle, FEditRecordNumber));
  ReadEngineRecord(Buffer);
  CursorPosChanged();
  if (State() == dsEdit && !FExclusive && FOptions->OakRecordLockingMode() == lmPessimistic)
    RaiseOakError(this, OakUnlockRecord(FTableHandle, FEditRecordNumber));
}

// ---- Delete ---------------------------------------------------------------------------

void TOakDataSet::InternalDelete() {
  RaiseOakError(this, OakDeleteRecord(FTableHandle));
  RaiseOakError(this, OakWriteRecord(FTableHandle));
  UNSIGNED16 Shown = 0;
  RaiseOakError(this, OakGetDeleted(&Shown));
  if (!Shown) RaiseOakError(this, OakSkip(FOrderHandle, 1));
}

// ---- Post and Cancel, and the end of key entry -------------------------------------------

void TOakDataSet::Post() {
  TDataSet::Post();
  if (State() == dsSetKey) OakPostKeyBuffer(this, true);
}

void TOakDataSet::Cancel() {
  TDataSet::Cancel();
  if (State() == dsSetKey) OakPostKeyBuffer(this, false);
}
