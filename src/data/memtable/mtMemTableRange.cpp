// TmtCustomMemTable: the range over the leading fields of the current index.
#include "data/memtable/mtMemTable.h"

void TmtCustomMemTable::FreeRange() {
  if (FRangeStart) FCommon->FreeRecord(FRangeStart);
  if (FRangeEnd) FCommon->FreeRecord(FRangeEnd);
  FRangeStart = FRangeEnd = nullptr;
  FRangeStartCount = FRangeEndCount = 0;
  FRangeActive = false;
}

void TmtCustomMemTable::SetRange(const std::vector<Variant>& StartValues,
                                 const std::vector<Variant>& EndValues) {
  CheckBrowseMode();
  const TmtFieldList& Keys = *FIndexFieldList;
  if (static_cast<Integer>(StartValues.size()) > Keys.Count() ||
      static_cast<Integer>(EndValues.size()) > Keys.Count())
    throw EMemTableError(mtSMoreFieldsThanValues);
  FreeRange();
  TmtCommonLock Lock(*FCommon);
  auto MakeBound = [&](const std::vector<Variant>& Values, TmtRecord*& Bound, Integer& Count) {
    Bound = FCommon->AllocRecord();
    Count = static_cast<Integer>(Values.size());
    TmtFieldList Fields;
    for (Integer I = 0; I < Count; ++I) Fields.Add(Keys.Fields(I), Keys.Options(I));
    if (Count > 0) FillKeyData(Bound->Data, Fields, Count == 1 ? Values[0] : VarArrayOf(Values));
  };
  MakeBound(StartValues, FRangeStart, FRangeStartCount);
  MakeBound(EndValues, FRangeEnd, FRangeEndCount);
  SetRangeActive(true);
}

void TmtCustomMemTable::CancelRange() {
  CheckBrowseMode();
  FreeRange();
  UpdateFilterNeeded();
  if (Active()) ResetCursor();
}

void TmtCustomMemTable::SetRangeActive(bool V) {
  bool Now = V && FRangeStart;
  if (Now == FRangeActive) return;
  FRangeActive = Now;
  UpdateFilterNeeded();
  if (Active() && FWorkState != mtwsSaving) ResetCursor();
}

bool TmtCustomMemTable::InRange(const TmtRecord* Record) const {
  TmtCompareFlags Flags;
  Flags.IgnoreNullKeys = FRangeIgnoreNullKeyValues;
  const TmtFieldList& Keys = *FIndexFieldList;
  if (FRangeStart && mtCompareRecords(*FCommon, Keys, FRangeStart->Data, 0, Record->Data, 0,
                                      FRangeStartCount, Flags) > 0)
    return false;
  return !FRangeEnd || mtCompareRecords(*FCommon, Keys, FRangeEnd->Data, 0, Record->Data, 0,
                                        FRangeEndCount, Flags) >= 0;
}
