// TOakDataSet: construction, location (connection, alias, data path) and
// the location properties.
#include "data/oak/oaktable.h"
#include "platform/rtl/sysutils.h"

void RegisterOakDataSet(TOakDataSet* D, bool Add);

RTL_PUBLISHED(TOakDataSet) {
  using T = TOakDataSet;
  P.Prop("DatabaseName", &T::DatabaseName, &T::SetDatabaseName);
  P.Prop("IndexFieldNames", &T::IndexFieldNames, &T::SetIndexFieldNames);
  P.Prop("IndexName", &T::IndexName, &T::SetIndexName);
  P.Prop("InfoStructure", &T::InfoStructure, &T::SetInfoStructure);
  P.Prop("MasterFields", &T::MasterFields, &T::SetMasterFields);
  P.Prop("MasterSource", &T::MasterSource, &T::SetMasterSource);
  P.Prop("Sequenced", &T::Sequenced, &T::SetSequenced).Default(false);
  P.Prop("SequencedLevel", &T::SequencedLevel, &T::SetSequencedLevel).Default(slStandard);
  P.Prop("Scoped", &T::Scoped, &T::SetScoped).Default(false);
  P.Prop("ScopeBegin", &T::ScopeBegin, &T::SetScopeBegin);
  P.Prop("ScopeEnd", &T::ScopeEnd, &T::SetScopeEnd);
  P.Prop("StoreActive", &T::StoreActive, &T::SetStoreActive);
  P.ReadOnly("Version", &T::Version).Stored(false);
}

TOakDataSet::TOakDataSet(TComponent* AOwner)
    : TDataSet(AOwner),
      FOptions(std::make_unique<TOakTableOptions>(this)),
      FMasterLink(std::make_unique<TMasterDataLink>(this)) {
  RegisterOakDataSet(this, true);
}

TOakDataSet::~TOakDataSet() {
  try {
    Close();
  } catch (...) {
  }
  if (FConnection) FConnection->DetachDataSet(this);
  FConnection = nullptr;
  RegisterOakDataSet(this, false);
}

String OakDataSetPath(TOakDataSet* DataSet) { return DataSet ? DataSet->DataPath() : String(); }

// ---- Location --------------------------------------------------------------------

namespace {
bool HasDelimiter(const String& S) { return S.find_first_of("/\\") != String::npos; }

// Whether Name designates connection C (its name, or owner "." name).
bool NamesConnection(const String& Name, const TOakConnection* C) {
  if (SameText(Name, C->Name())) return true;
  return C->Owner() && SameText(Name, C->Owner()->Name() + "." + C->Name());
}
}  // namespace

bool TOakDataSet::IsDictionaryConnection() const {
  return FConnection && FConnection->IsDictionary();
}

String TOakDataSet::DataPath() {
  String Path = ResolveDataPath();
  if (Path.size() > 1 && (Path.back() == '/' || Path.back() == '\\')) Path.pop_back();
  return Path;
}

String TOakDataSet::ResolveDataPath() {
  if (FAliasPathCached) return FCachedAliasPath;
  if (FConnection && (FDatabaseName.empty() || NamesConnection(FDatabaseName, FConnection))) {
    if (OakAliasTableType(FConnection->AliasType(), FTableType))
      FTableTypeCode = OakTableTypeCode(FTableType);
    return FConnection->DataPath();
  }
  if (FDatabaseName.empty() || HasDelimiter(FDatabaseName)) return FDatabaseName;
  TOakAlias A = ResolveOakAlias(FDatabaseName);
  if (!A.Valid()) return FDatabaseName;
  FCachedAliasPath = A.Path;
  FAliasPathCached = true;
  FTableType = A.TableType;
  FTableTypeCode = OakTableTypeCode(FTableType);
  return FCachedAliasPath;
}

OAKHANDLE TOakDataSet::GetConnectionHandle() {
  if (FConnection) {
    if (!FConnection->IsConnected()) FConnection->Connect();
    return FConnection->ConnectionHandle();
  }
  return DynamicConnList().FindOrConnect(DataPath());
}

void TOakDataSet::SetDatabaseName(const String& Value) {
  if (Active())
    OakDatabaseError(this, OAK_ERR_STATE, "Cannot perform this operation on an open dataset");
  FAliasPathCached = false;
  FCachedAliasPath.clear();
  FDatabaseName = Value;
  if (Value.empty()) return;
  // Preference: same owner and this thread; this thread; same owner; then
  // "owner.name".
  TOakConnection* Best = nullptr;
  int BestRank = 5;
  auto Self = std::this_thread::get_id();
  TOakConnection::ForEachConnection([&](TOakConnection* C) {
    int Rank = 5;
    if (SameText(C->Name(), Value)) {
      bool SameOwner = C->Owner() == Owner();
      bool SameThread = C->CreatorThread() == Self;
      Rank = SameOwner && SameThread ? 1 : SameThread ? 2 : SameOwner ? 3 : 5;
    } else if (C->Owner() && SameText(C->Owner()->Name() + "." + C->Name(), Value)) {
      Rank = 4;
    }
    if (Rank < BestRank) {
      BestRank = Rank;
      Best = C;
    }
    return true;
  });
  if (Best) SetOakConnection(Best);
}

void TOakDataSet::SetOakConnection(TOakConnection* Value) {
  if (Value == FConnection) return;
  if (Active()) OakDatabaseError(this, OAK_ERR_STATE, "Table must not be Active.");
  AttachToConnection(Value);
}

void TOakDataSet::AttachToConnection(TOakConnection* Value) {
  if (FConnection) FConnection->DetachDataSet(this);
  FConnection = Value;
  if (FConnection) FConnection->AttachDataSet(this);
  FAliasPathCached = false;
}

void TOakDataSet::SetTableName(const String& Value) {
  if (Active())
    OakDatabaseError(this, OAK_ERR_STATE, "Cannot perform this operation on an open dataset");
  bool Changed = !SameText(Value, FTableName);
  FTableName = Value;
  auto* Table = dynamic_cast<TOakTable*>(this);
  if (Changed && Table && !ComponentState().Contains(csLoading) && Table->IndexFiles())
    Table->IndexFiles()->Clear();
}

void TOakDataSet::SetTableType(TOakTableTypes Value) {
  if (Active())
    OakDatabaseError(this, OAK_ERR_STATE, "Cannot perform this operation on an open dataset");
  bool Fixed = false;
  TOakTableTypes AliasTypeValue = ttOakOAT;
  if (!FDatabaseName.empty() && !HasDelimiter(FDatabaseName) &&
      !(FConnection && NamesConnection(FDatabaseName, FConnection))) {
    TOakAlias A = ResolveOakAlias(FDatabaseName);
    Fixed = A.Valid();
    AliasTypeValue = A.TableType;
  } else if (FDatabaseName.empty() && FConnection) {
    Fixed = OakAliasTableType(FConnection->AliasType(), AliasTypeValue);
  }
  if (Fixed && Value != AliasTypeValue && !(Value == ttOakDefault && AliasTypeValue == ttOakOAT))
    OakDatabaseError(this, OAK_ERR_STATE,
                     "The table type must remain identical to the table type associated with "
                     "the alias.");
  FTableType = Value;
  FTableTypeCode = OakTableTypeCode(Value);
}

void TOakDataSet::SetExclusive(bool Value) {
  CheckInactive();
  FExclusive = Value;
}

void TOakDataSet::SetReadOnly(bool Value) {
  CheckInactive();
  FReadOnly = Value;
}

void TOakDataSet::SetIndexCollationMismatch(TIndexCollationMismatchOptions Value) {
  if (Active())
    OakDatabaseError(this, OAK_ERR_STATE, "Cannot perform this operation on an open dataset");
  FCollation = Value;
}

String TOakDataSet::Version() const {
  UNSIGNED32 Major = 0, Minor = 0;
  char Letter = ' ';
  char Desc[128] = {};
  UNSIGNED16 Len = sizeof(Desc);
  OakGetVersion(&Major, &Minor, &Letter, Desc, &Len);
  String V =
      "7.1 (OCE " + std::to_string(Major) + "." + (Minor < 10 ? "0" : "") + std::to_string(Minor);
  if (Letter != ' ' && Letter != '\0') V += Letter;
  return V + ")";
}

// ---- Unsupported operations and notifications -------------------------------------------

void TOakDataSet::BatchMove() {
  OakDatabaseError(this, OAK_ERR_STATE, "The method BatchMove in TOakDataSet is not supported.");
}

void TOakDataSet::RenameTable(const String& NewName) {
  (void)NewName;
  OakDatabaseError(this, OAK_ERR_STATE, "The method RenameTable in TOakDataSet is not supported.");
}

TUpdateStatus TOakDataSet::UpdateStatus() {
  OakDatabaseError(this, OAK_ERR_STATE, "The method UpdateStatus in TOakDataSet is not supported.");
}

void TOakDataSet::DataEvent(TDataEvent Event, intptr_t Info) {
  if (Event == dePropertyChange) FIndexDefsUpToDate = false;
  TDataSet::DataEvent(Event, Info);
}

void TOakDataSet::InternalHandleException() {
  // Without an application object there is nobody to show the error to;
  // the caller's handler reports it.
}

void TOakDataSet::DoAfterOpen() {
  if (FMasterLink->Active() && !FMasterLink->Fields().empty() && FMasterLink->OnMasterChange)
    FMasterLink->OnMasterChange(this);
  TDataSet::DoAfterOpen();
}

TDataSource* TOakDataSet::MasterSource() const { return FMasterLink->DataSource(); }
const String& TOakDataSet::MasterFields() const { return FMasterLink->FieldNames(); }
