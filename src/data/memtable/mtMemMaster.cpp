// TmtCustomMemTable: the master/detail link. The detail table shows only
// the records whose detail-side fields (DetailFields, else the current
// index's key fields) equal the master's current MasterFields values; the
// record filter that applies this lives with the other filter tests
// (mtMemTableFilterRecord.cpp), the link's set-up and reactions here.
#include <algorithm>

#include "data/memtable/mtMemTable.h"

namespace {

// Whether Source's dataset is Table or reaches it through its chain of
// master sources.
bool LeadsBackTo(TDataSource* Source, const TDataSet* Table) {
  TDataSet* D = Source ? Source->DataSet() : nullptr;
  for (int Guard = 0; D && Guard < 10000; ++Guard) {
    if (D == Table) return true;
    TDataSource* Next = D->DataSource();
    D = Next ? Next->DataSet() : nullptr;
  }
  return false;
}

}  // namespace

void TmtCustomMemTable::SetMasterSource(TDataSource* Value) {
  if (LeadsBackTo(Value, this)) {
    String Msg = mtSSelfReferencingMasterDetail;
    if (!Name().empty()) Msg = Name() + ": " + Msg;
    throw EMemTableError(Msg);
  }
  FMasterLink->OnMasterChange = [this](TObject* Sender) { MasterChanged(Sender); };
  FMasterLink->OnMasterDisable = [this](TObject* Sender) { MasterDisabled(Sender); };
  FMasterLink->SetDataSource(Value);
}

void TmtCustomMemTable::SetMasterFields(const String& Value) {
  FMasterLink->SetFieldNames(Value);
  TDataSource* S = FMasterLink->DataSource();
  if (Active() && S && S->DataSet() && S->DataSet()->Active()) {
    FMasterFieldList->Clear();
    mtBuildFieldList(nullptr, S->DataSet(), *FMasterFieldList, Value, {});
  }
}

void TmtCustomMemTable::SetDetailFields(const String& Value) {
  FDetailFields = Value;
  if (!Active()) return;
  FDetailFieldList->Clear();
  if (!Value.empty()) mtBuildFieldList(this, this, *FDetailFieldList, Value, {});
  UpdateFilterNeeded();
  // The master key is held in the detail-side fields: take it again.
  if (FMasterLink->Active() && !FMasterLink->Fields().empty()) MasterChanged(this);
}

void TmtCustomMemTable::MasterChanged(TObject* Sender) {
  (void)Sender;
  UpdateFilterNeeded();
  const std::vector<TField*>& Master = FMasterLink->Fields();
  const TmtFieldList& Detail = DetailSide();
  Integer N = std::min(static_cast<Integer>(Master.size()), Detail.Count());
  if (Master.empty() || N <= 0 || !Active()) return;
  TmtRecord* Key = TakeMasterKeyRecord();
  TmtFieldList KeyFields;
  std::vector<Variant> Values;
  for (Integer I = 0; I < N; ++I) {
    KeyFields.Add(Detail.Fields(I), Detail.Options(I));
    Values.push_back(Master[static_cast<size_t>(I)]->AsVariant());
  }
  FillKeyData(Key->Data, KeyFields, N == 1 ? Values[0] : VarArrayOf(Values));
  CheckBrowseMode();
  ResetCursor();
}

void TmtCustomMemTable::MasterDisabled(TObject* Sender) {
  (void)Sender;
  UpdateFilterNeeded();
  if (Active()) ResetCursor();
}
