// TmtIndex and TmtIndexes: ordered record lists of the in-memory table.
#include "data/memtable/mtMemTableIndex.h"

#include <utility>

#include "data/memtable/mtMemTable.h"
#include "platform/rtl/charset.h"

RTL_IMPLEMENT_CLASS(TmtIndex, TObject, nullptr)
RTL_IMPLEMENT_CLASS(TmtIndexes, TObject, nullptr)

namespace {

// Ranges of at most this many records are left to the insertion sort.
constexpr Integer SortCutOff = 5;

TmtRecord* Rec(void* P) { return static_cast<TmtRecord*>(P); }

// A walk over many records asks this many records ahead for the memory of
// the record header, which is seldom in the cache any more.
constexpr std::size_t PrefetchAhead = 16;

}  // namespace

// ---- TmtIndex -----------------------------------------------------------

TmtIndex::TmtIndex(TmtCustomMemTable* Table, const String& Name, const String& FieldNames,
                   TmtMemTableCompareOptions Options, TmtRecordStatuses Statuses, bool Sorted,
                   bool RowOrder)
    : FTable(Table), FName(Name), FFieldNames(FieldNames), FOptions(Options),
      FStatuses(Statuses), FSorted(Sorted && !RowOrder), FRowOrder(RowOrder) {
  if (FRowOrder) FOrdered = true;
  if (Table->FCursorOpen) BuildFieldList();
}

bool TmtIndex::IsMaintained() const {
  if (FRowOrder) return true;
  return !FOptions.Contains(mtcoNonMaintained) && FEnabled && FTable->EnableIndexes();
}

void TmtIndex::BuildFieldList() {
  FFieldList.Clear();
  if (!FRowOrder) mtBuildFieldList(FTable, FTable, FFieldList, FFieldNames, FOptions);
}

bool TmtIndex::HoldsStatus(const TmtRecord* Record) const {
  return FStatuses.Contains(static_cast<TmtRecordStatus>(Record->Status));
}

Integer TmtIndex::CompareUnique(const TmtRecord* A, const TmtRecord* B) const {
  TmtCompareFlags Flags;
  Flags.UniqueOrder = true;
  return mtCompareRecords(FTable->Common(), FFieldList, A->Data, A->RecordID, B->Data,
                          B->RecordID, -1, Flags);
}

void TmtIndex::LoadReferences() {
  TmtCommon& C = FTable->Common();
  TmtCommonLock Lock(C);
  FReferences.Clear();
  FReferences.SetCapacity(C.RecordCount());
  std::vector<void*> Items;
  Items.reserve(static_cast<size_t>(C.RecordCount()));
  const std::vector<void*> Slots = C.Records().ToVector();
  for (std::size_t Slot = 0; Slot < Slots.size(); ++Slot) {
    if (Slot + PrefetchAhead < Slots.size() && Slots[Slot + PrefetchAhead])
      __builtin_prefetch(Slots[Slot + PrefetchAhead]);
    TmtRecord* R = static_cast<TmtRecord*>(Slots[Slot]);
    if (!R || !HoldsStatus(R)) continue;
    if (R->Status == mtrsDeleted && !C.EnableVersioning()) continue;
    if (FTable->OnFilterIndex) {
      bool Accept = true;
      FTable->SetOverrideRecord(R);
      try {
        FTable->OnFilterIndex(FTable, this, Accept);
      } catch (...) {
        FTable->SetOverrideRecord(nullptr);
        throw;
      }
      FTable->SetOverrideRecord(nullptr);
      if (!Accept) continue;
    }
    Items.push_back(R);
  }
  FReferences.Assign(Items);
}

void TmtIndex::QuickSort(std::vector<void*>& Items, Integer L, Integer R) const {
  while (R - L > SortCutOff) {
    // Median of first, middle and last as the pivot.
    Integer M = L + (R - L) / 2;
    if (CompareUnique(Rec(Items[M]), Rec(Items[L])) < 0) std::swap(Items[M], Items[L]);
    if (CompareUnique(Rec(Items[R]), Rec(Items[L])) < 0) std::swap(Items[R], Items[L]);
    if (CompareUnique(Rec(Items[R]), Rec(Items[M])) < 0) std::swap(Items[R], Items[M]);
    TmtRecord* Pivot = Rec(Items[M]);
    Integer I = L, J = R;
    while (I <= J) {
      while (CompareUnique(Rec(Items[I]), Pivot) < 0) ++I;
      while (CompareUnique(Pivot, Rec(Items[J])) < 0) --J;
      if (I <= J) std::swap(Items[I++], Items[J--]);
    }
    // Recurse into the smaller part, loop over the larger one.
    if (J - L < R - I) {
      QuickSort(Items, L, J);
      L = I;
    } else {
      QuickSort(Items, I, R);
      R = J;
    }
  }
}

void TmtIndex::InsertionSort(std::vector<void*>& Items) const {
  for (size_t I = 1; I < Items.size(); ++I) {
    void* V = Items[I];
    size_t J = I;
    while (J > 0 && CompareUnique(Rec(V), Rec(Items[J - 1])) < 0) {
      Items[J] = Items[J - 1];
      --J;
    }
    Items[J] = V;
  }
}

void TmtIndex::CheckSortedUnique(const std::vector<void*>& Items) const {
  TmtCompareFlags Flags;
  for (size_t I = 1; I < Items.size(); ++I)
    if (mtCompareRecords(FTable->Common(), FFieldList, Rec(Items[I - 1])->Data, 0,
                         Rec(Items[I])->Data, 0, -1, Flags) == 0)
      throw EMemTableDupKey(mtSDuplicateIndexValue);
}

void TmtIndex::Sort() {
  if (FRowOrder || !FSorted) {
    FOrdered = true;
    return;
  }
  FTable->Progress(0, mtpcSort);
  std::vector<void*> Items = FReferences.ToVector();
  if (!mtSortRecordsByKeys(FTable->Common(), FFieldList, Items)) {
    if (!Items.empty()) QuickSort(Items, 0, static_cast<Integer>(Items.size()) - 1);
    InsertionSort(Items);
  }
  if (IsUnique()) CheckSortedUnique(Items);
  FReferences.Assign(Items);
  FOrdered = true;
  FTable->Progress(100, mtpcSort);
}

void TmtIndex::Rebuild() {
  if (!FTable->FCursorOpen) {
    FOrdered = true;
    return;
  }
  TmtCommonLock Lock(FTable->Common());
  if (FFieldList.Count() == 0) BuildFieldList();
  FOrdered = false;
  LoadReferences();
  if (Count() > 0)
    Sort();
  else
    FOrdered = true;
  if (FTable->CurrentIndex() == this && FTable->FRecNo >= Count()) FTable->FRecNo = Count() - 1;
}

// ---- Search ---------------------------------------------------------------

Integer TmtIndex::FindKey(const Byte* Key, Integer KeyId, Integer N, const TmtCompareFlags& Flags,
                          bool& Found) const {
  const TmtCommon& C = FTable->Common();
  Integer Lo = 0, Hi = Count();
  while (Lo < Hi) {
    Integer Mid = Lo + (Hi - Lo) / 2;
    const TmtRecord* R = Record(Mid);
    if (mtCompareRecords(C, FFieldList, Key, KeyId, R->Data, R->RecordID, N, Flags) > 0)
      Lo = Mid + 1;
    else
      Hi = Mid;
  }
  Found = Lo < Count() &&
          mtCompareRecords(C, FFieldList, Key, KeyId, Record(Lo)->Data, Record(Lo)->RecordID, N,
                           Flags) == 0;
  return Lo;
}

Integer TmtIndex::IndexOfRecord(const TmtRecord* Record) const {
  if (!FRowOrder && FSorted && FOrdered) {
    TmtCompareFlags Flags;
    Flags.UniqueOrder = true;
    bool Found;
    Integer P = FindKey(Record->Data, Record->RecordID, -1, Flags, Found);
    if (P < Count() && this->Record(P) == Record) return P;
  }
  for (Integer I = Count() - 1; I >= 0; --I)
    if (this->Record(I) == Record) return I;
  return -1;
}

Integer TmtIndex::FindRecordID(Integer RecordID) const {
  Integer Lo = 0, Hi = Count() - 1;
  while (Lo <= Hi) {
    Integer Mid = Lo + (Hi - Lo) / 2;
    Integer Id = Record(Mid)->RecordID;
    if (Id == RecordID) return Mid;
    if (Id < RecordID) Lo = Mid + 1; else Hi = Mid - 1;
  }
  // Lists not ordered by id (sorted indexes, reused slots) are walked.
  for (Integer I = 0; I < Count(); ++I)
    if (Record(I)->RecordID == RecordID) return I;
  return -1;
}

bool TmtIndex::Serves(const TmtFieldList& Fields, Integer N) const {
  if (!FOrdered || FRowOrder || !FSorted || FFieldList.Count() < N || N > Fields.Count())
    return false;
  for (Integer I = 0; I < N; ++I) {
    if (FFieldList.Fields(I) != Fields.Fields(I)) return false;
    if (FFieldList.Options(I).Contains(mtcoCaseInsensitive) !=
        Fields.Options(I).Contains(mtcoCaseInsensitive))
      return false;
  }
  return true;
}

// ---- Upkeep -----------------------------------------------------------------

void TmtIndex::InsertRecord(TmtRecord* Record, Integer RowPos) {
  if (!HoldsStatus(Record)) return;
  if (FRowOrder || !FSorted) {
    if (RowPos < 0) FReferences.Add(Record); else FReferences.Insert(RowPos, Record);
    return;
  }
  TmtCompareFlags Flags;
  Flags.UniqueOrder = true;
  bool Found;
  FReferences.Insert(FindKey(Record->Data, Record->RecordID, -1, Flags, Found), Record);
}

void TmtIndex::AppendRecords(const std::vector<TmtRecord*>& Records) {
  for (std::size_t I = 0; I < Records.size(); ++I) {
    if (I + PrefetchAhead < Records.size()) __builtin_prefetch(Records[I + PrefetchAhead]);
    if (HoldsStatus(Records[I])) FReferences.Add(Records[I]);
  }
}

void TmtIndex::DeleteRecord(const TmtRecord* Record) {
  Integer P = IndexOfRecord(Record);
  if (P >= 0) FReferences.Delete(P);
}

void TmtIndex::CheckUnique(const Byte* Data, const TmtRecord* Except) const {
  if (!IsUnique() || !FOrdered || !IsMaintained()) return;
  TmtCompareFlags Flags;
  bool Found;
  Integer P = FindKey(Data, 0, -1, Flags, Found);
  for (; P < Count(); ++P) {
    const TmtRecord* R = Record(P);
    if (mtCompareRecords(FTable->Common(), FFieldList, Data, 0, R->Data, 0, -1, Flags) != 0) break;
    if (R != Except) throw EMemTableDupKey(mtSDuplicateIndexValue);
  }
}

// ---- TmtIndexes -------------------------------------------------------------

TmtIndexes::TmtIndexes(TmtCustomMemTable* Table) {
  FItems.push_back(std::make_unique<TmtIndex>(Table, MT_ROWORDER_INDEX_NAME, String(),
                                              TmtMemTableCompareOptions{},
                                              MT_DEFAULT_INDEX_STATUSES, false, true));
}

TmtIndex* TmtIndexes::Find(const String& Name) const {
  for (const auto& I : FItems)
    if (AnsiSameText(I->Name(), Name)) return I.get();
  return nullptr;
}

TmtIndex* TmtIndexes::FindByFields(const String& FieldNames) const {
  for (size_t I = 1; I < FItems.size(); ++I)
    if (AnsiSameText(FItems[I]->FieldNames(), FieldNames)) return FItems[I].get();
  return nullptr;
}

TmtIndex* TmtIndexes::Add(std::unique_ptr<TmtIndex> Index) {
  FItems.push_back(std::move(Index));
  return FItems.back().get();
}

void TmtIndexes::Delete(TmtIndex* Index) {
  for (size_t I = 1; I < FItems.size(); ++I)
    if (FItems[I].get() == Index) {
      FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(I));
      return;
    }
}

void TmtIndexes::Clear() { FItems.resize(1); }

void TmtIndexes::EmptyAll() {
  for (auto& I : FItems) {
    I->References().Clear();
    I->SetOrdered(I->IsRowOrder());
  }
}

void TmtIndexes::MarkAllUnordered() {
  for (auto& I : FItems) I->SetOrdered(false);
}

void TmtIndexes::RebuildUnordered() {
  for (auto& I : FItems)
    if (!I->IsOrdered()) I->Rebuild();
}

TmtIndex* TmtIndexes::FindServing(const TmtFieldList& Fields, Integer Count) const {
  for (size_t I = FItems.size(); I-- > 1;)
    if (FItems[I]->Serves(Fields, Count)) return FItems[I].get();
  return nullptr;
}
