// TmtCustomMemTable: the record filter (master/detail restriction and
// OnFilterRecord), its switches, and the master key.
#include "data/memtable/mtMemTable.h"

void TmtCustomMemTable::UpdateFilterNeeded() {
  FFilterNeeded = (Filtered() && OnFilterRecord()) || MasterDetailActive() || FRangeActive;
}

const TmtFieldList& TmtCustomMemTable::DetailSide() const {
  return FDetailFieldList->Count() > 0 ? *FDetailFieldList : *FIndexFieldList;
}

bool TmtCustomMemTable::MasterDetailActive() const {
  return FMasterDetailRestriction && FMasterLink->DataSource() &&
         !FMasterLink->FieldNames().empty() && DetailSide().Count() > 0;
}

bool TmtCustomMemTable::MatchesMasterKey(const TmtRecord* Record) const {
  if (!FMasterKeyRecord) return true;
  Integer N = std::min(static_cast<Integer>(FMasterLink->Fields().size()), DetailSide().Count());
  TmtCompareFlags Flags;
  return mtCompareRecords(*FCommon, DetailSide(), FMasterKeyRecord->Data, 0, Record->Data, 0, N,
                          Flags) == 0;
}

TmtRecord* TmtCustomMemTable::TakeMasterKeyRecord() {
  if (!FMasterKeyRecord) FMasterKeyRecord = FCommon->AllocRecord();
  return FMasterKeyRecord;
}

bool TmtCustomMemTable::FilterRecord(TmtRecord* Record, bool Force) {
  if (FRangeActive && !InRange(Record)) return false;
  if (MasterDetailActive() && !MatchesMasterKey(Record)) return false;
  if (!(Filtered() || Force) || !OnFilterRecord()) return true;
  TmtRecord* OldOverride = FOverrideRecord;
  TDataSetState OldState = SetTempState(dsFilter);
  FOverrideRecord = Record;
  bool Accept = true;
  try {
    OnFilterRecord()(this, Accept);
  } catch (...) {
    FOverrideRecord = OldOverride;
    RestoreState(OldState);
    throw;
  }
  FOverrideRecord = OldOverride;
  RestoreState(OldState);
  return Accept;
}

void TmtCustomMemTable::SetFilteredValue(bool Value) {
  if (Value == Filtered()) return;
  TDataSet::SetFilteredValue(Value);  // stores it; an open table goes to First
  UpdateFilterNeeded();
  if (Active()) ResetCursor();
}

void TmtCustomMemTable::SetFilterText(const String& Value) {
  TDataSet::SetFilterText(Value);
  UpdateFilterNeeded();
  if (Active() && Filtered()) ResetCursor();
}

void TmtCustomMemTable::SetOnFilterRecordValue(const TFilterRecordEvent& Value) {
  TDataSet::SetOnFilterRecordValue(Value);
  UpdateFilterNeeded();
}

TDataSource* TmtCustomMemTable::GetDataSource() const { return FMasterLink->DataSource(); }

TDataSource* TmtCustomMemTable::MasterSource() const { return FMasterLink->DataSource(); }

String TmtCustomMemTable::MasterFields() const { return FMasterLink->FieldNames(); }

void TmtCustomMemTable::BuildMasterDetailLists() {
  FMasterFieldList->Clear();
  FDetailFieldList->Clear();
  TDataSource* S = FMasterLink->DataSource();
  if (S && S->DataSet() && S->DataSet()->Active() && !FMasterLink->FieldNames().empty())
    mtBuildFieldList(nullptr, S->DataSet(), *FMasterFieldList, FMasterLink->FieldNames(), {});
  if (!FDetailFields.empty()) mtBuildFieldList(this, this, *FDetailFieldList, FDetailFields, {});
}
