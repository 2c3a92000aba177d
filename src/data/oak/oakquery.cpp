// TOakQuery: construction, the SQL text and its parameters, the master
// data source, Prepare/Unprepare and the properties of the query.
#include "data/oak/oakdata_filter.h"
#include "data/oak/oakquery.h"
#include "platform/rtl/sysutils.h"

RTL_PUBLISHED(TOakQuery) {
  using T = TOakQuery;
  P.Prop("OakConnection", &T::OakConnection, &T::SetOakConnection);
  P.Prop("OakTableOptions", &T::OakTableOptions, &T::SetOakTableOptions);
  P.Prop("ReadAllColumns", &T::ReadAllColumns, &T::SetReadAllColumns).Default(false);
  P.Prop("Constrained", &T::Constrained, &T::SetConstrained).Default(false);
  P.Prop("DataSource", &T::DataSource, &T::SetDataSource);
  P.Prop("ParamCheck", &T::ParamCheck, &T::SetParamCheck).Default(true);
  P.Prop("RequestLive", &T::RequestLive, &T::SetRequestLive).Default(false);
  P.Prop("SQL", &T::SQL, &T::SetSQL);
  P.Prop("SourceTableType", &T::SourceTableType, &T::SetSourceTableType).Default(ttOakOAT);
  // Older forms still carry this; it is read and ignored.
  P.Prop("WaitCursor", [](T*) { return false; }, [](T*, bool) {}).Stored(false);
}

TOakQuery::TOakQuery(TComponent* AOwner)
    : TOakDataSet(AOwner),
      FSQL(std::make_unique<TStringList>()),
      FParams(std::make_unique<TParams>(this)),
      FDataLink(std::make_unique<TOakQueryDataLink>(this)) {
  static_cast<TStringList*>(FSQL.get())->OnChange = [this](TObject*) { SQLChanged(); };
}

TOakQuery::~TOakQuery() {
  try {
    Close();
    bool Connected = !FConnection || FConnection->IsConnected();
    if (FStatement != OAK_INVALID_HANDLE && Connected) OakCloseStatement(this, FStatement);
  } catch (...) {
  }
  FStatement = OAK_INVALID_HANDLE;
  FDataLink->SetDataSource(nullptr);
}

// ---- SQL text and parameters -----------------------------------------------------------

void TOakQuery::SetSQL(TStrings* Value) {
  if (Value && Value->Text() == FSQL->Text()) return;
  Close();
  FPrepared = false;
  if (Value)
    FSQL->Assign(Value);
  else
    FSQL->Clear();
}

// Every change of the lines checks the text in the engine and, outside
// loading, builds the parameter list again (values kept by name).
void TOakQuery::SQLChanged() {
  String Text = FSQL->Text();
  RaiseOakError(this, OakGetSQLStmtParams(Text.c_str(), nullptr, nullptr));
  if (ComponentState().Contains(csLoading)) return;
  Close();
  FPrepared = false;
  FStoredData.clear();
  if (FParamCheck || ComponentState().Contains(csDesigning)) {
    TParams List(this);
    List.ParseSQL(Text, true);
    List.AssignValues(*FParams);
    FParams->Clear();
    FParams->Assign(&List);
  }
  DataEvent(dePropertyChange, 0);
}

void TOakQuery::SetParams(TParams* Value) { FParams->Assign(Value); }

TParam* TOakQuery::ParamByName(const String& Name) const { return FParams->ParamByName(Name); }

void TOakQuery::SetSourceTableType(TOakTableTypes Value) {
  if (Value == ttOakNTX)
    OakDatabaseError(this, OAK_ERR_STATE,
                     "The TOakQuery component does not support the NTX table type");
  FSourceTableType = Value;
}

// ---- Master data source ----------------------------------------------------------------

TDataSource* TOakQuery::DataSource() const { return FDataLink->DataSource(); }

void TOakQuery::SetDataSource(TDataSource* Value) {
  if (OakLeadsBackTo(Value, this)) OakDatabaseError(this, OAK_ERR_STATE, "Circular Data Link");
  FDataLink->SetDataSource(Value);
}

void TOakQuery::MasterChanged() {
  TDataSet* Master = DataSource() ? DataSource()->DataSet() : nullptr;
  if (!Master || Master->State() == dsSetKey) return;
  DisableControls();
  try {
    OakParamsFromMaster(FParams.get(), Master);
    if (Active()) {
      Close();
      Open();
    }
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}

void OakParamsFromMaster(TParams* Params, TDataSet* Master) {
  if (!Master || !Master->Active()) return;
  for (Integer I = 0; I < Params->Count(); ++I) {
    TParam* P = Params->Items(I);
    TField* F = P->Bound() ? nullptr : Master->FindField(P->Name());
    if (!F) continue;
    P->AssignFieldValue(F, F->Value());
    P->SetBound(false);
  }
}

void TOakQuery::GetDetailLinkFields(std::vector<TField*>& MasterFields,
                                    std::vector<TField*>& DetailFields) {
  MasterFields.clear();
  DetailFields.clear();
  TDataSet* Master = DataSource() ? DataSource()->DataSet() : nullptr;
  if (!Master) return;
  for (Integer I = 0; I < FParams->Count(); ++I) {
    TField* M = Master->FindField(FParams->Items(I)->Name());
    if (!M) continue;
    MasterFields.push_back(M);
    if (TField* D = FindField(FParams->Items(I)->Name())) DetailFields.push_back(D);
  }
}

void TOakQueryDataLink::ActiveChanged() {
  if (FQuery->Active()) FQuery->MasterChanged();
}

void TOakQueryDataLink::RecordChanged(TField* Field) {
  if (!Field && FQuery->Active()) FQuery->MasterChanged();
}

void TOakQueryDataLink::CheckBrowseMode() {
  if (FQuery->Active()) FQuery->CheckBrowseMode();
}

// ---- Preparing ---------------------------------------------------------------------------

void TOakQuery::Prepare() {
  if (Active())
    OakDatabaseError(this, OAK_ERR_STATE, "Cannot perform this operation on an open dataset");
  FPrepared = true;
  FRowsAffected = -1;
}

void TOakQuery::Unprepare() {
  if (Active())
    OakDatabaseError(this, OAK_ERR_STATE, "Cannot perform this operation on an open dataset");
  FPrepared = false;
}

void TOakQuery::ConnectionClosed() {
  FPrepared = false;
  FStatement = OAK_INVALID_HANDLE;
  FStatementConnection = OAK_INVALID_HANDLE;
}

void TOakQuery::SetDatabaseName(const String& Value) {
  bool Changed = !SameText(Value, DatabaseName());
  if (OakConnection() && !Active()) SetOakConnection(nullptr);
  TOakDataSet::SetDatabaseName(Value);
  if (Changed && FStatementConnection != OAK_INVALID_HANDLE) {
    OakCloseSQLStatement(FStatement);
    FStatement = FStatementConnection = OAK_INVALID_HANDLE;
  }
}
