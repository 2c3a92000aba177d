// Metaclass records of the dataset layer's classes, the process-wide list
// of datasets, the field classes and the table options.
#include <algorithm>
#include <mutex>

#include "data/oak/oaktable.h"
#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TOakTableOptions, TPersistent, nullptr)
RTL_IMPLEMENT_CLASS(TOakStringField, TStringField, ComponentFactory<TOakStringField>)
RTL_IMPLEMENT_CLASS(TOakBCDField, TBCDField, ComponentFactory<TOakBCDField>)
RTL_IMPLEMENT_CLASS(TOakBlobCache, TMemoryStream, nullptr)
RTL_IMPLEMENT_CLASS(TOakBlobStream, TStream, nullptr)
RTL_IMPLEMENT_CLASS(TOakDataSet, TDataSet, nullptr)
RTL_IMPLEMENT_CLASS(TOakExtendedDataSet, TOakDataSet, nullptr)
RTL_IMPLEMENT_CLASS(TOakExtendedTable, TOakExtendedDataSet, nullptr)
RTL_IMPLEMENT_CLASS(TOakTable, TOakExtendedTable, ComponentFactory<TOakTable>)
RTL_IMPLEMENT_CLASS(TOakIndexFiles, TStringList, nullptr)
RTL_IMPLEMENT_CLASS(TOakQuery, TOakDataSet, ComponentFactory<TOakQuery>)
RTL_IMPLEMENT_CLASS(TOakQueryDataLink, TDataLink, nullptr)

RTL_PUBLISHED(TOakTableOptions) {
  using T = TOakTableOptions;
  P.Prop("OakLockType", &T::OakLockType, &T::SetOakLockType).Default(Proprietary);
  P.Prop("OakCharType", &T::OakCharType, &T::SetOakCharType).Default(ANSI);
  P.Prop("OakFilterOptions", &T::OakFilterOptions, &T::SetOakFilterOptions);
  P.Prop("OakFreshRecordCount", &T::OakFreshRecordCount, &T::SetOakFreshRecordCount).Default(false);
  P.Prop("OakScopeOptions", &T::OakScopeOptions, &T::SetOakScopeOptions);
  P.Prop("OakAOFResolveImmediate", &T::OakAOFResolveImmediate, &T::SetOakAOFResolveImmediate)
      .Default(false);
  P.Prop("OakRightsCheck", &T::OakRightsCheck, &T::SetOakRightsCheck).Default(true);
  P.Prop("OakOptimizedFilters", &T::OakOptimizedFilters, &T::SetOakOptimizedFilters).Default(true);
  P.Prop("OakIndexPageSize", &T::OakIndexPageSize, &T::SetOakIndexPageSize).Default(Word(0));
  P.Prop("OakRecordCache", &T::OakRecordCache, &T::SetOakRecordCache).Default(rcStandard);
  P.Prop("OakAOFType", &T::OakAOFType, &T::SetOakAOFType);
  P.Prop("OakAutoKeyFieldCount", &T::OakAutoKeyFieldCount, &T::SetOakAutoKeyFieldCount)
      .Default(false);
  P.Prop("OakCalcFieldsBeforeFilter", &T::OakCalcFieldsBeforeFilter,
         &T::SetOakCalcFieldsBeforeFilter)
      .Default(false);
  P.Prop("OakRecordLockingMode", &T::OakRecordLockingMode, &T::SetOakRecordLockingMode)
      .Default(lmPessimistic);
}

namespace {
[[maybe_unused]] const bool OakClassesRegistered = [] {
  RegisterClasses({TOakTable::StaticClass(), TOakQuery::StaticClass(),
                   TOakStringField::StaticClass(), TOakBCDField::StaticClass()});
  return true;
}();

TOakInstanceList<TOakDataSet>& DataSetList() {
  static TOakInstanceList<TOakDataSet> L;
  return L;
}
}  // namespace

void RegisterOakDataSet(TOakDataSet* D, bool Add) {
  if (Add)
    DataSetList().Add(D);
  else
    DataSetList().Remove(D);
}

void TOakDataSet::ForEachDataSet(const std::function<bool(TOakDataSet*)>& Visit) {
  DataSetList().ForEach(Visit);
}

// ---- Field classes -----------------------------------------------------------

TOakStringField::TOakStringField(TComponent* AOwner) : TStringField(AOwner) {}
TOakBCDField::TOakBCDField(TComponent* AOwner) : TBCDField(AOwner) {}

// ---- Table options -------------------------------------------------------------

void TOakTableOptions::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TOakTableOptions*>(Source);
  if (!S) {
    TPersistent::Assign(Source);
    return;
  }
  FLockType = S->FLockType;
  FCharType = S->FCharType;
  FFilterOptions = S->FFilterOptions;
  FFreshRecordCount = S->FFreshRecordCount;
  FScopeOptions = S->FScopeOptions;
  FAOFResolveImmediate = S->FAOFResolveImmediate;
  FRightsCheck = S->FRightsCheck;
  FOptimizedFilters = S->FOptimizedFilters;
  FIndexPageSize = S->FIndexPageSize;
  FRecordCache = S->FRecordCache;
  FAOFType = S->FAOFType;
  FAutoKeyFieldCount = S->FAutoKeyFieldCount;
  FCalcFieldsBeforeFilter = S->FCalcFieldsBeforeFilter;
  FLockingMode = S->FLockingMode;
}

TPersistent* TOakTableOptions::GetOwner() { return FDataSet; }

void TOakTableOptions::CheckClosed() const {
  if (FDataSet && FDataSet->Active())
    OakDatabaseError(FDataSet, OAK_ERR_STATE, "Table must not be Active.");
}

void TOakTableOptions::SetOakLockType(TOakLockTypes Value) {
  CheckClosed();
  FLockType = Value;
}

void TOakTableOptions::SetOakCharType(TOakCharTypes Value) {
  CheckClosed();
  FCharType = Value;
}

void TOakTableOptions::SetOakRightsCheck(bool Value) {
  CheckClosed();
  FRightsCheck = Value;
}

void TOakTableOptions::SetOakRecordCache(TOakRecordCacheTypes Value) {
  if (FDataSet && FDataSet->Active() && Value != FRecordCache) {
    UNSIGNED16 N = Value == rcNone ? 0 : Value == rcStandard ? 10 : 100;
    RaiseOakError(FDataSet, OakCacheRecords(FDataSet->TableHandle(), N));
  }
  FRecordCache = Value;
}

// On an open, filtered dataset the filter is set again in the new form.
void TOakTableOptions::SetOakOptimizedFilters(bool Value) {
  if (Value == FOptimizedFilters) return;
  bool Reapply = FDataSet && FDataSet->Active() && FDataSet->Filtered() &&
                 !FDataSet->ComponentState().Contains(csLoading);
  if (!Reapply) {
    FOptimizedFilters = Value;
    return;
  }
  FDataSet->DeactivateFilter();
  bool Old = FOptimizedFilters;
  FOptimizedFilters = Value;
  try {
    FDataSet->ActivateFilter();
  } catch (...) {
    FOptimizedFilters = Old;
    throw;
  }
  FDataSet->First();
}

UNSIGNED16 TOakTableOptions::EngineAOFOption() const {
  UNSIGNED16 Base = FAOFType == atDynamic ? 2 : FAOFType == atKeySet ? 6 : 10;
  return FAOFResolveImmediate ? Base - 1 : Base;
}
