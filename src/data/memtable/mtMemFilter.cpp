// TmtCustomMemTable: moving to the record another table on the same record
// storage has current (GotoCurrent) and the link to a change-resolving
// component (DeltaHandler). The record filter itself is in
// mtMemTableFilterRecord.cpp.
#include "data/memtable/mtMemTable.h"

void TmtCustomMemTable::GotoCurrent(TmtCustomMemTable* DataSet) {
  if (!DataSet || !DataSet->Active() || DataSet->IsEmpty()) return;
  TRecordBuffer Buffer = DataSet->ActiveBuffer();
  if (!Buffer) return;
  const TmtBufferInfo* I = DataSet->Info(Buffer);
  Integer Pos = -1;
  if (FCurrentIndex && I->Record) Pos = FCurrentIndex->IndexOfRecord(I->Record);
  if (FCurrentIndex && Pos < 0 && !I->Record) Pos = FCurrentIndex->FindRecordID(I->RecordID);
  if (Pos < 0 || Pos >= IndexRecordCount() || !FilterRecord(IndexRecord(Pos)))
    throw Exception(mtSRecordNotFound);
  CheckBrowseMode();
  SetRecNo(Pos + 1);
}

void TmtCustomMemTable::SetDeltaHandler(TmtCustomDeltaHandler* Value) {
  if (FDeltaHandler == Value) return;
  if (FDeltaHandler) {
    FDeltaHandler->SetDataSet(nullptr);
    FDeltaHandler->RemoveFreeNotification(this);
  }
  FDeltaHandler = Value;
  if (FDeltaHandler) {
    FDeltaHandler->SetDataSet(this);
    FDeltaHandler->FreeNotification(this);
  }
}
