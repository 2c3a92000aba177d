// TmtCustomMemTable: storing the rows of a load without a full Append and
// Post for each.
#include "data/memtable/mtMemTable.h"

bool TmtCustomMemTable::CanBulkLoad() const {
  if (!Active() || State() != dsBrowse) return false;
  if (BeforeInsert || AfterInsert || OnNewRecord || BeforePost || AfterPost || OnPostError || BeforeCancel ||
      AfterCancel || BeforeScroll || AfterScroll || OnCalcFields)
    return false;
  if (FMasterLink->Active()) return false;
  for (TField* F : Fields().Items())
    if (F->FieldKind() != fkData || !F->DefaultExpression().empty()) return false;
  for (TmtCustomMemTable* T : FCommon->AttachedTables())
    if (T && T != this && T->Active()) return false;
  return true;
}

void TmtCustomMemTable::BeginBulkLoad() { Append(); }

void TmtCustomMemTable::BulkNewRow() {
  TRecordBuffer B = ActiveBuffer();
  InitRecord(B);
  SetBookmarkFlag(B, bfEOF);
}

void TmtCustomMemTable::BulkPostRow() {
  UpdateRecord();
  CheckRequiredFields();
  TmtCommonLock Lock(*FCommon);
  PostInsert(ActiveBuffer(), true);
}

void TmtCustomMemTable::EndBulkLoad() { Cancel(); }
