// TmtCommon: the record storage shared by a table and its attached tables;
// heap blocks of out-of-record values.
#include "data/memtable/mtMemTableStorage.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "data/memtable/mtMemTable.h"

RTL_IMPLEMENT_CLASS(TmtCommon, TObject, nullptr)

namespace {

// Generations are unique in the process, so that a bookmark of one storage
// never matches another one.
std::atomic<Integer> GenerationCounter{0};

Integer NewGeneration() { return ++GenerationCounter; }

void* IdItem(Integer Id) { return reinterpret_cast<void*>(static_cast<intptr_t>(Id)); }
Integer ItemId(void* Item) { return static_cast<Integer>(reinterpret_cast<intptr_t>(Item)); }

}  // namespace

// ---- Construction -------------------------------------------------------

TmtCommon::TmtCommon(TmtCustomMemTable* Owner) : FOwner(Owner), FGeneration(NewGeneration()) {
  FTables.push_back(Owner);
}

TmtCommon::~TmtCommon() { FreeAllRecords(); }

// ---- Attached tables ------------------------------------------------------

void TmtCommon::SetAttachMaxCount(Integer Value) {
  if (Value < 1) throw EInvalidOperation(mtSInvalidArgument);
  TmtCommonLock L(*this);
  for (size_t I = 1; I < FTables.size(); ++I)
    if (FTables[I] && FTables[I]->Active()) throw EMemTableError(mtSTableMustBeClosed);
  size_t Used = 1;
  for (size_t I = 0; I < FTables.size(); ++I)
    if (FTables[I]) Used = I + 1;
  FTables.resize(std::max(static_cast<size_t>(Value), Used), nullptr);
}

void TmtCommon::AttachTable(TmtCustomMemTable* Table) {
  TmtCommonLock L(*this);
  for (size_t I = 1; I < FTables.size(); ++I)
    if (!FTables[I]) {
      FTables[I] = Table;
      return;
    }
  if (AnyTableOpen()) throw EMemTableError(mtSTableMustBeClosed);
  FTables.push_back(Table);
}

void TmtCommon::DetachTable(TmtCustomMemTable* Table) {
  TmtCommonLock L(*this);
  for (size_t I = 1; I < FTables.size(); ++I)
    if (FTables[I] == Table) FTables[I] = nullptr;
}

Integer TmtCommon::AttachCount() const {
  Integer N = 0;
  for (size_t I = 1; I < FTables.size(); ++I)
    if (FTables[I]) ++N;
  return N;
}

bool TmtCommon::AnyTableOpen() const {
  for (TmtCustomMemTable* T : FTables)
    if (T && T->Active()) return true;
  return false;
}

void TmtCommon::SetStandalone(bool Value) {
  if (Value != FStandalone && AttachCount() > 0) throw EMemTableError(mtSChildrenAttached);
  FStandalone = Value;
}

// ---- Records ------------------------------------------------------------

TmtRecord* TmtCommon::AllocRecord() const {
  size_t Bytes = sizeof(TmtRecord) + static_cast<size_t>(FDataSize);
  auto* Block = static_cast<Byte*>(std::calloc(1, Bytes));
  if (!Block) throw EOutOfMemory("Zu wenig Arbeitsspeicher");
  auto* R = new (Block) TmtRecord{};
  R->RecordID = -1;
  R->UniqueRecordID = -1;
  R->Data = Block + sizeof(TmtRecord);
  return R;
}

void TmtCommon::FreeOutOfRecord(Byte* Data) const {
  if (FOutOfRecordCount == 0) return;  // the usual layout: every value in the record
  for (const TmtFieldLayout& L : FLayout) {
    if (L.OutOffset < 0) continue;
    Byte* Slot = Data + L.OutOffset;
    mtFreeHeapBlock(mtGetSlotBlock(Slot));
    Slot[0] = 0;
    mtSetSlotBlock(Slot, nullptr);
  }
}

void TmtCommon::CopyRecordData(const Byte* Source, Byte* Dest) const {
  if (Source == Dest) return;
  FreeOutOfRecord(Dest);
  std::memcpy(Dest, Source, static_cast<size_t>(FDataSize));
  if (FOutOfRecordCount == 0) return;
  for (const TmtFieldLayout& L : FLayout) {
    if (L.OutOffset < 0) continue;
    const Byte* Block = mtGetSlotBlock(Source + L.OutOffset);
    mtSetSlotBlock(Dest + L.OutOffset,
                   Block ? mtAllocHeapBlock(mtHeapBlockData(Block), mtHeapBlockLength(Block))
                         : nullptr);
  }
}

void* TmtCommon::TakeBlock(std::uint16_t& Pool) const {
  const size_t Bytes = sizeof(TmtRecord) + static_cast<size_t>(FDataSize);
  size_t I = 0;
  while (I < FPools.size() && FPools[I]->BlockBytes() != ((Bytes + 15) & ~size_t(15))) ++I;
  if (I == FPools.size()) {
    if (I >= 0xFFFF) {  // a storage re-laid out that often keeps further records on the heap
      Pool = 0;
      return std::malloc(Bytes);
    }
    FPools.push_back(std::make_unique<TmtRecordPool>(Bytes));
  }
  Pool = static_cast<std::uint16_t>(I + 1);
  return FPools[I]->Take();
}

TmtRecord* TmtCommon::AllocStoredRecord(const Byte* Source) const {
  TmtCommonLock L(*this);
  std::uint16_t Pool = 0;
  auto* Block = static_cast<Byte*>(TakeBlock(Pool));
  if (!Block) throw EOutOfMemory("Zu wenig Arbeitsspeicher");
  auto* R = new (Block) TmtRecord{};
  R->RecordID = -1;
  R->UniqueRecordID = -1;
  R->Pool = Pool;
  R->Data = Block + sizeof(TmtRecord);
  // Out-of-record slots empty, so that the copy frees nothing of the block.
  std::memset(R->Data + FOutOfRecordStart, 0, static_cast<size_t>(FDataSize - FOutOfRecordStart));
  try {
    CopyRecordData(Source, R->Data);
  } catch (...) {
    FreeRecord(R);
    throw;
  }
  return R;
}

TmtRecord* TmtCommon::CopyRecord(const TmtRecord* Record) const {
  TmtRecord* R = AllocStoredRecord(Record->Data);
  Byte* Data = R->Data;
  const std::uint16_t Pool = R->Pool;
  *R = *Record;
  R->Data = Data;
  R->Pool = Pool;
  return R;
}

void TmtCommon::FreeRecord(TmtRecord* Record, bool Versions) const {
  TmtCommonLock L(*this);
  while (Record) {
    TmtRecord* Prev = Versions ? Record->PrevRecordVersion : nullptr;
    FreeOutOfRecord(Record->Data);
    const std::uint16_t Pool = Record->Pool;
    Record->~TmtRecord();
    if (Pool > 0 && Pool <= FPools.size())
      FPools[Pool - 1u]->Give(Record);
    else
      std::free(Record);
    Record = Prev;
  }
}

void TmtCommon::AddRecord(TmtRecord* Record) {
  TmtCommonLock L(*this);
  if (FNextUniqueRecordID >= MT_MAX_UNIQUE_RECORD_ID)
    throw EMemTableFatalError(mtSBookmarkCounterOutOfRange);
  if (FFreeSlots.Count() > 0) {
    Integer Last = FFreeSlots.Count() - 1;
    Record->RecordID = ItemId(FFreeSlots.Get(Last));
    FFreeSlots.Delete(Last);
    FRecords.Put(Record->RecordID, Record);
  } else {
    Record->RecordID = FNextRecordID++;
    FRecords.Add(Record);
  }
  Record->UniqueRecordID = FNextUniqueRecordID++;
  Record->Flag |= mtrfChanged;
  if (FEnableVersioning) Record->Status = mtrsInserted;
}

bool TmtCommon::IsRecord(const TmtRecord* Record) const {
  return Record && Record->RecordID >= 0 && RecordAt(Record->RecordID) == Record;
}

void TmtCommon::CheckRecord(const TmtRecord* Record) const {
  if (!IsRecord(Record)) throw EMemTableInvalidRecord(mtSInvalidRecord);
}

void TmtCommon::DeleteRecord(TmtRecord* Record) {
  TmtCommonLock L(*this);
  CheckRecord(Record);
  Integer Slot = Record->RecordID;
  FreeRecord(Record);
  FRecords.Put(Slot, nullptr);
  FFreeSlots.Add(IdItem(Slot));
}

void TmtCommon::FreeAllRecords() {
  for (Integer I = 0; I < FRecords.Count(); ++I) FreeRecord(RecordAt(I));
  FRecords.Clear();
  FFreeSlots.Clear();
}

void TmtCommon::EmptyRecords() {
  TmtCommonLock L(*this);
  for (TmtCustomMemTable* T : FTables)
    if (T && T->Active()) T->ResetForEmpty();
  FreeAllRecords();
  FNextRecordID = 0;
  FNextUniqueRecordID = 0;
  FDeletedCount = 0;
  FGeneration = NewGeneration();
}

// ---- Index upkeep ---------------------------------------------------------

template <class Fn>
void TmtCommon::ForEachOpenIndex(bool SortedOnly, Fn Action) {
  TmtCommonLock L(*this);
  for (TmtCustomMemTable* T : FTables) {
    if (!T || !T->Active()) continue;
    TmtIndexes& Ix = T->Indexes();
    for (Integer I = SortedOnly ? 1 : 0; I < Ix.Count(); ++I) Action(T, Ix.Items(I));
  }
}

namespace {

// Puts a record into a sorted index that is kept up to date; an index whose
// upkeep is switched off for the moment waits for a rebuild instead.
void InsertKey(TmtIndex* X, TmtRecord* Record) {
  if (X->IsOrdered() && X->IsMaintained())
    X->InsertRecord(Record);
  else if (!X->CompareOptions().Contains(mtcoNonMaintained))
    X->SetOrdered(false);
}

}  // namespace

void TmtCommon::IndexesInsert(TmtRecord* Record, TmtCustomMemTable* Caller, Integer RowPos) {
  ForEachOpenIndex(false, [&](TmtCustomMemTable* T, TmtIndex* X) {
    if (X->IsRowOrder())
      X->InsertRecord(Record, T == Caller ? RowPos : -1);
    else
      InsertKey(X, Record);
  });
}

void TmtCommon::IndexesAppend(const std::vector<TmtRecord*>& Records) {
  ForEachOpenIndex(false, [&](TmtCustomMemTable*, TmtIndex* X) {
    if (X->IsRowOrder()) {
      X->AppendRecords(Records);
    } else {
      for (TmtRecord* R : Records) InsertKey(X, R);
    }
  });
}

void TmtCommon::IndexesRemoveKeys(TmtRecord* Record) {
  ForEachOpenIndex(true, [&](TmtCustomMemTable*, TmtIndex* X) {
    if (X->IsOrdered() && X->IsMaintained()) X->DeleteRecord(Record);
  });
}

void TmtCommon::IndexesInsertKeys(TmtRecord* Record) {
  ForEachOpenIndex(true, [&](TmtCustomMemTable*, TmtIndex* X) { InsertKey(X, Record); });
}

void TmtCommon::IndexesDelete(TmtRecord* Record) {
  ForEachOpenIndex(false, [&](TmtCustomMemTable*, TmtIndex* X) { X->DeleteRecord(Record); });
}

// ---- Versions and transactions ---------------------------------------------

void TmtCommon::Rollback() {
  TmtCommonLock L(*this);
  for (Integer Slot = 0; Slot < FRecords.Count(); ++Slot) {
    TmtRecord* R = RecordAt(Slot);
    while (R && R->TransactionLevel == FTransactionLevel && R->Status != mtrsUnmodified) {
      TmtRecord* Prev = R->PrevRecordVersion;
      if (R->Status == mtrsInserted || !Prev) {
        FreeRecord(R);
        FRecords.Put(Slot, nullptr);
        FFreeSlots.Add(IdItem(Slot));
        R = nullptr;
        break;
      }
      R->PrevRecordVersion = nullptr;
      FreeRecord(R, false);
      FRecords.Put(Slot, Prev);
      R = Prev;
    }
  }
  FDataChanged = false;
  FDeletedCount = 0;
  for (Integer Slot = 0; Slot < FRecords.Count(); ++Slot) {
    TmtRecord* R = RecordAt(Slot);
    if (!R) continue;
    if (R->Status != mtrsUnmodified) FDataChanged = true;
    if (R->Status == mtrsDeleted) ++FDeletedCount;
  }
}

void TmtCommon::CheckPoint() {
  TmtCommonLock L(*this);
  for (Integer Slot = 0; Slot < FRecords.Count(); ++Slot) {
    TmtRecord* R = RecordAt(Slot);
    if (!R) continue;
    FreeRecord(R->PrevRecordVersion);
    R->PrevRecordVersion = nullptr;
    if (R->Status == mtrsDeleted) {
      IndexesDelete(R);
      DeleteRecord(R);
      continue;
    }
    R->Status = mtrsUnmodified;
  }
  FDeletedCount = 0;
  FDataChanged = false;
}

// ---- Auto-increment and locale ------------------------------------------------

void TmtCommon::SetAutoIncMinValue(Integer Value) {
  FAutoIncMin = Value;
  if (Value > FAutoIncMax) FAutoIncMax = Value - 1;
}

void TmtCommon::SetLocaleID(Integer Value) {
  FLocaleID = Value;
  FSortID = (Value >> 16) & 0xF;
  FLanguageID = Value & 0xFF;
  FSubLanguageID = (Value >> 10) & 0x3F;
}

void TmtCommon::RecomputeLocale() {
  FLocaleID = FSortID * 65536 + FSubLanguageID * 1024 + FLanguageID;
}

void TmtCommon::SetLanguageID(Integer V) {
  FLanguageID = V;
  RecomputeLocale();
}

void TmtCommon::SetSubLanguageID(Integer V) {
  FSubLanguageID = V;
  RecomputeLocale();
}

void TmtCommon::SetSortID(Integer V) {
  FSortID = V;
  RecomputeLocale();
}
