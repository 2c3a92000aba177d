// TmtCustomMemTable: construction, published properties, attachment to
// another table's storage, stream-format references and progress.
#include "data/memtable/mtMemTable.h"

#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TmtCustomMemTable, TDataSet, nullptr)
RTL_IMPLEMENT_CLASS(TmtMemTable, TmtCustomMemTable, ComponentFactory<TmtMemTable>)
RTL_IMPLEMENT_CLASS(TmtMasterDataLink, TMasterDataLink, nullptr)
RTL_IMPLEMENT_CLASS(TmtCustomDeltaHandler, TComponent, nullptr)

RTL_PUBLISHED(TmtMemTable) {
  using T = TmtMemTable;
  P.Prop("DesignActivation", &T::DesignActivation, &T::SetDesignActivation).Default(true);
  P.Prop("AttachedTo", &T::AttachedTo, &T::SetAttachedTo);
  P.Prop("AttachedAutoRefresh", &T::AttachedAutoRefresh, &T::SetAttachedAutoRefresh).Default(true);
  P.Prop("AttachMaxCount", &T::AttachMaxCount, &T::SetAttachMaxCount).Default(1);
  P.Prop("AutoIncMinValue", &T::AutoIncMinValue, &T::SetAutoIncMinValue).Default(0);
  P.Prop("IndexFieldNames", &T::IndexFieldNames, &T::SetIndexFieldNames).Default(String());
  P.Prop("IndexName", &T::IndexName, &T::SetIndexName).Default(String());
  P.Prop("EnableIndexes", &T::EnableIndexes, &T::SetEnableIndexes).Default(true);
  P.Prop("AutoAddIndexes", &T::AutoAddIndexes, &T::SetAutoAddIndexes).Default(false);
  P.Prop("AutoReposition", &T::AutoReposition, &T::SetAutoReposition).Default(false);
  P.Prop("RecalcOnIndex", &T::RecalcOnIndex, &T::SetRecalcOnIndex).Default(false);
  P.Prop("RecalcOnFetch", &T::RecalcOnFetch, &T::SetRecalcOnFetch).Default(true);
  P.Prop("SortFields", &T::SortFields, &T::SetSortFields).Default(String());
  P.Prop("SortOptions", &T::SortOptions, &T::SetSortOptions).Default(TmtMemTableCompareOptions{});
  P.Prop("ReadOnly", &T::ReadOnly, &T::SetReadOnly).Default(false);
  P.Prop("Performance", &T::Performance, &T::SetPerformance).Default(mtpfFast);
  P.Prop("Standalone", &T::Standalone, &T::SetStandalone).Default(false);
  P.Prop("PersistentFile", &T::PersistentFile, &T::SetPersistentFile).Default(String());
  P.Prop("Persistent", &T::Persistent, &T::SetPersistent).Default(false);
  P.Prop("PersistentBackup", &T::PersistentBackup, &T::SetPersistentBackup).Default(false);
  P.Prop("PersistentBackupExt", &T::PersistentBackupExt, &T::SetPersistentBackupExt)
      .Default(String());
  P.Prop("StoreDataOnForm", &T::StoreDataOnForm, &T::SetStoreDataOnForm).Default(false);
  P.Prop("ProgressFlags", &T::ProgressFlags, &T::SetProgressFlags)
      .Default(TmtProgressCodes{mtpcLoad, mtpcSave, mtpcCopy});
  P.Prop("LoadLimit", &T::LoadLimit, &T::SetLoadLimit).Default(-1);
  P.Prop("SaveLimit", &T::SaveLimit, &T::SetSaveLimit).Default(-1);
  P.Prop("EnableVersioning", &T::EnableVersioning, &T::SetEnableVersioning).Default(false);
  P.Prop("VersioningMode", &T::VersioningMode, &T::SetVersioningMode)
      .Default(mtvm1SinceCheckPoint);
  P.Prop("MasterFields", &T::MasterFields, &T::SetMasterFields).Default(String());
  P.Prop("DetailFields", &T::DetailFields, &T::SetDetailFields).Default(String());
  P.Prop("MasterSource", &T::MasterSource, &T::SetMasterSource);
  P.Prop("LanguageID", &T::LanguageID, &T::SetLanguageID);
  P.Prop("SortID", &T::SortID, &T::SetSortID);
  P.Prop("SubLanguageID", &T::SubLanguageID, &T::SetSubLanguageID);
  P.Prop("LocaleID", &T::LocaleID, &T::SetLocaleID);
  P.Prop("DefaultFormat", &T::DefaultFormat, &T::SetDefaultFormat);
  P.Prop("CommaTextFormat", &T::CommaTextFormat, &T::SetCommaTextFormat);
  P.Prop("PersistentFormat", &T::PersistentFormat, &T::SetPersistentFormat);
  P.Prop("AllDataFormat", &T::AllDataFormat, &T::SetAllDataFormat);
  P.Prop("FormFormat", &T::FormFormat, &T::SetFormFormat);
  P.Prop("RangeIgnoreNullKeyValues", &T::RangeIgnoreNullKeyValues,
         &T::SetRangeIgnoreNullKeyValues)
      .Default(true);
  P.Field("OnProgress", &T::OnProgress);
  P.Field("OnLoadRecord", &T::OnLoadRecord);
  P.Field("OnLoadField", &T::OnLoadField);
  P.Field("OnSaveRecord", &T::OnSaveRecord);
  P.Field("OnSaveField", &T::OnSaveField);
  P.Field("OnSave", &T::OnSave);
  P.Field("OnLoad", &T::OnLoad);
}

namespace {
// Forms name the table's class when they are read.
[[maybe_unused]] const bool MemTableRegistered = [] {
  RegisterClasses({TmtMemTable::StaticClass()});
  return true;
}();
}  // namespace

TmtMasterDataLink::TmtMasterDataLink(TmtCustomMemTable* Table) : TMasterDataLink(Table) {}

// ---- Construction -----------------------------------------------------------

TmtCustomMemTable::TmtCustomMemTable(TComponent* AOwner)
    : TDataSet(AOwner),
      FOwnCommon(std::make_unique<TmtCommon>(this)),
      FCommon(FOwnCommon.get()),
      FIndexFieldList(std::make_unique<TmtFieldList>()),
      FMasterFieldList(std::make_unique<TmtFieldList>()),
      FDetailFieldList(std::make_unique<TmtFieldList>()),
      FMasterLink(std::make_unique<TmtMasterDataLink>(this)) {
  FIndexes = std::make_unique<TmtIndexes>(this);
  FCurrentIndex = FIndexes->RowOrder();
}

TmtCustomMemTable::~TmtCustomMemTable() {
  Close();
  if (FAttachedTo) {
    FAttachedTo->Common().DetachTable(this);
    FAttachedTo = nullptr;
    FCommon = FOwnCommon.get();
  }
  // Tables still attached to this one get storages of their own.
  for (TmtCustomMemTable* T : FOwnCommon->AttachedTables()) {
    if (!T || T == this) continue;
    T->Close();
    T->FAttachedTo = nullptr;
    T->FCommon = T->FOwnCommon.get();
  }
  if (FDeltaHandler) FDeltaHandler->SetDataSet(nullptr);
}

// ---- Properties ----------------------------------------------------------

void TmtCustomMemTable::SetAttachedTo(TmtCustomMemTable* Value) {
  if (Value == FAttachedTo) return;
  if (Value == this) throw EMemTableError(mtSCantAttachToSelf);
  if (Value && Value->FAttachedTo) throw EMemTableError(mtSCantAttachToAttachment);
  if (Active()) throw EMemTableError(mtSTableMustBeClosed);
  if (Value) Value->Common().AttachTable(this);
  if (FAttachedTo) {
    FAttachedTo->Common().DetachTable(this);
    FAttachedTo->RemoveFreeNotification(this);
  }
  FAttachedTo = Value;
  FCommon = Value ? &Value->Common() : FOwnCommon.get();
  if (Value) Value->FreeNotification(this);
}

void TmtCustomMemTable::SetStandalone(bool V) {
  if (Active()) throw EMemTableError(mtSTableMustBeClosed);
  if (FAttachedTo) throw EMemTableError(mtSTableIsAttached);
  FCommon->SetStandalone(V);
}

void TmtCustomMemTable::SetPerformance(TmtPerformance V) {
  CheckInactive();
  FCommon->SetPerformance(V);
}

void TmtCustomMemTable::SetFormatRef(TmtCustomStreamFormat*& Ref, TmtCustomStreamFormat* Value) {
  if (Ref == Value) return;
  if (Ref) Ref->RemoveFreeNotification(this);
  Ref = Value;
  if (Value) Value->FreeNotification(this);
}

void TmtCustomMemTable::Notification(TComponent* AComponent, TOperation Operation) {
  TDataSet::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  for (TmtCustomStreamFormat** F : {&FDefaultFormat, &FCommaTextFormat, &FPersistentFormat,
                                    &FAllDataFormat, &FFormFormat})
    if (*F == AComponent) *F = nullptr;
  if (AComponent == FDeltaHandler) FDeltaHandler = nullptr;
  if (AComponent == FAttachedTo) {
    FAttachedTo = nullptr;
    FCommon = FOwnCommon.get();
  }
}

void TmtCustomMemTable::Loaded() {
  // A table stored active on a form opens only when DesignActivation asks.
  if (!FDesignActivation) {
    TComponent::Loaded();
    return;
  }
  TDataSet::Loaded();
}

void TmtCustomMemTable::Progress(Integer Percent, TmtProgressCode Code) {
  if (OnProgress && FProgressFlags.Contains(Code)) OnProgress(this, Percent, Code);
}

void TmtCustomMemTable::InternalHandleException() {}

// ---- Delta handler ----------------------------------------------------------

void TmtCustomDeltaHandler::Resolve() {
  if (!FDataSet) throw EMemTableError(mtSDeltaHandlerNotAssigned);
  TmtCommon& C = FDataSet->Common();
  TmtCommonLock Lock(C);
  for (Integer Slot = 0; Slot < C.Records().Count(); ++Slot) {
    TmtRecord* R = C.RecordAt(Slot);
    if (!R) continue;
    switch (R->Status) {
      case mtrsInserted: InsertRecord(R); break;
      case mtrsModified: ModifyRecord(R); break;
      case mtrsDeleted: DeleteRecord(R); break;
      default: break;
    }
  }
}
