// TmtCustomMemTable: Locate and Lookup through an index or record by record.
#include <cstdlib>

#include "data/memtable/mtMemTable.h"

namespace {

// Indexes are searched by binary search only from this many records on.
constexpr Integer MinIndexedSearchCount = 21;

// A zeroed record-data block that frees its out-of-record values.
class TKeyBlock {
 public:
  explicit TKeyBlock(const TmtCommon& C)
      : FCommon(C), FData(static_cast<Byte*>(std::calloc(1, static_cast<size_t>(C.DataSize()) + 1))) {}
  ~TKeyBlock() {
    FCommon.FreeOutOfRecord(FData);
    std::free(FData);
  }
  TKeyBlock(const TKeyBlock&) = delete;
  TKeyBlock& operator=(const TKeyBlock&) = delete;
  Byte* Data() const { return FData; }

 private:
  const TmtCommon& FCommon;
  Byte* FData;
};

}  // namespace

void TmtCustomMemTable::FillKeyData(Byte* Key, const TmtFieldList& Fields,
                                    const Variant& KeyValues) {
  Integer Count = 1;
  if (KeyValues.IsArray()) {
    if (VarArrayDimCount(KeyValues) != 1) throw EMemTableError(mtSVarArrayDimensions);
    Count = KeyValues.HighBound() - KeyValues.LowBound() + 1;
  }
  if (Fields.Count() > Count) throw EMemTableError(mtSMoreFieldsThanValues);
  Byte* OldKey = FKeyBuffer;
  TmtRecord* OldOverride = FOverrideRecord;
  TDataSetState OldState = SetTempState(dsSetKey);
  FKeyBuffer = Key;
  FOverrideRecord = nullptr;
  try {
    for (Integer I = 0; I < Fields.Count(); ++I) {
      const Variant& V = KeyValues.IsArray() ? KeyValues[KeyValues.LowBound() + I] : KeyValues;
      if (VarIsNullOrEmpty(V))
        Fields.Fields(I)->Clear();
      else
        Fields.Fields(I)->SetAsVariant(V);
    }
  } catch (...) {
    FKeyBuffer = OldKey;
    FOverrideRecord = OldOverride;
    RestoreState(OldState);
    throw;
  }
  FKeyBuffer = OldKey;
  FOverrideRecord = OldOverride;
  RestoreState(OldState);
}

Integer TmtCustomMemTable::FindByKeyRecord(const TmtFieldList& Fields, const Byte* Key,
                                           Integer Count, const TmtCompareFlags& Flags) {
  TmtIndex* X = nullptr;
  if (FCurrentIndex->IsOrdered() && FCurrentIndex->Count() >= MinIndexedSearchCount) {
    X = FIndexes->FindServing(Fields, Count);
    if (!X && FAutoAddIndexes) {
      String Names;
      for (Integer I = 0; I < Count; ++I) Names += (I ? ";" : "") + Fields.Fields(I)->FieldName();
      TIndexOptions Opt;
      if (Fields.Count() > 0 && Fields.Options(0).Contains(mtcoCaseInsensitive))
        Opt.Include(ixCaseInsensitive);
      X = AddIndex(MT_AUTO_INDEX_PREFIX + Names, Names, Opt);
    }
  }
  if (X) {
    // Compare in the index's own order, with the search's partial keys.
    TmtFieldList Cmp;
    X->FieldList().AssignTo(Cmp);
    for (Integer I = 0; I < Count; ++I)
      if (Fields.Options(I).Contains(mtcoPartialKey))
        Cmp.SetOptions(I, Cmp.Options(I) + TmtMemTableCompareOptions{mtcoPartialKey});
    Integer Lo = 0, Hi = X->Count();
    while (Lo < Hi) {
      Integer Mid = Lo + (Hi - Lo) / 2;
      if (mtCompareRecords(*FCommon, Cmp, Key, 0, X->Record(Mid)->Data, 0, Count, Flags) > 0)
        Lo = Mid + 1;
      else
        Hi = Mid;
    }
    for (; Lo < X->Count(); ++Lo) {
      TmtRecord* R = X->Record(Lo);
      if (mtCompareRecords(*FCommon, Cmp, Key, 0, R->Data, 0, Count, Flags) != 0) break;
      if (!RecordPasses(R)) continue;
      Integer P = X == FCurrentIndex ? Lo : PositionOf(R);
      if (P >= 0) return P;
    }
    return -1;
  }
  for (Integer P = 0; P < FCurrentIndex->Count(); ++P) {
    TmtRecord* R = FCurrentIndex->Record(P);
    if (mtCompareRecords(*FCommon, Fields, Key, 0, R->Data, 0, Count, Flags) == 0 &&
        RecordPasses(R))
      return P;
  }
  return -1;
}

Integer TmtCustomMemTable::SearchFields(const String& KeyFields, const Variant& KeyValues,
                                        TLocateOptions Options) {
  TmtMemTableCompareOptions Extra;
  if (Options.Contains(loCaseInsensitive)) Extra.Include(mtcoCaseInsensitive);
  if (Options.Contains(loPartialKey)) Extra.Include(mtcoPartialKey);
  TmtFieldList Fields;
  mtBuildFieldList(this, this, Fields, KeyFields, Extra);
  TmtCommonLock Lock(*FCommon);
  TKeyBlock Key(*FCommon);
  FillKeyData(Key.Data(), Fields, KeyValues);
  TmtCompareFlags Flags;
  return FindByKeyRecord(Fields, Key.Data(), Fields.Count(), Flags);
}

bool TmtCustomMemTable::Locate(const String& KeyFields, const Variant& KeyValues,
                               TLocateOptions Options) {
  CheckBrowseMode();
  Integer P = SearchFields(KeyFields, KeyValues, Options);
  SetFound(P >= 0);
  if (P < 0) return false;
  DoBeforeScroll();
  FRecNo = P;
  CursorPosChanged();
  Resync(TResyncMode{rmExact, rmCenter});
  DoAfterScroll();
  return true;
}

Variant TmtCustomMemTable::Lookup(const String& KeyFields, const Variant& KeyValues,
                                  const String& ResultFields) {
  CheckBrowseMode();
  Integer P = SearchFields(KeyFields, KeyValues, TLocateOptions{});
  if (P < 0) return Null();
  TmtRecord* Old = FOverrideRecord;
  FOverrideRecord = FCurrentIndex->Record(P);
  Variant Result;
  try {
    Result = FieldValues(ResultFields);
  } catch (...) {
    FOverrideRecord = Old;
    throw;
  }
  FOverrideRecord = Old;
  return Result;
}
