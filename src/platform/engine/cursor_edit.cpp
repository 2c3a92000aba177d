// Cursor: appending, writing, deleting, pack, zap and reindex.
#include <cstring>

#include "platform/engine/cursor.h"
#include "platform/engine/errors.h"
#include "platform/engine/table_fields.h"
#include "platform/engine/txn.h"

namespace oak {

void TCursor::CheckWritable() const {
  if (FOptions.ReadOnly) Fail(E_READ_ONLY, FTable->Path());
}

void TCursor::RequireExclusiveUse() const {
  if (!FOptions.Exclusive && !FLocks->HoldsTable()) Fail(E_NOT_EXCLUSIVE, FTable->Path());
}

TWriteScope TCursor::WriteLock() {
  FLocks->RequireNoTableLockOfOther();
  if (FJournal) {
    // A handle with a batch works on a table its transaction holds.
    if (!FTxnBatch) {
      FConn.ReleaseHolds(this, FTable->Path());
      FConn.HoldTable(*this);
    }
    return TWriteScope(nullptr);
  }
  TWriteScope Scope(FLocks.get());
  SettleDeadTransaction();
  return Scope;
}

void TCursor::AllOrNothing(const std::function<void()>& Work) {
  if (FJournal) {
    FlushTxnBatch();
    Work();
    return;
  }
  TTxnJournal Own;
  SetJournal(&Own);
  try {
    Own.MarkTable(*FTable);
    Work();
    Own.Commit();
  } catch (...) {
    try {
      Own.Rollback();
    } catch (...) {
      // The journal stays for the next open; the first failure is the one
      // to report.
    }
    SetJournal(nullptr);
    try {
      AfterRollback();
    } catch (...) {
    }
    throw;
  }
  SetJournal(nullptr);
}

void TCursor::Append() {
  if (FDirty || FAppending) Write();
  CheckWritable();
  FLocks->RequireNoTableLockOfOther();
  Sync();
  ClearRecord(Fields(), FRec.data(), FRec.size());
  FPendingBlobs.clear();
  // The number the record will get unless another handle appends first.
  FRecNo = FTable->Counters().RecordCount + 1;
  FAtBOF = FAtEOF = false;
  FAppending = true;
  FDirty = false;
}

void TCursor::BeginChange() {
  RequireRecord();
  CheckWritable();
  if (!FAppending) FDirty = true;
}

void TCursor::SetBlob(UNSIGNED16 N, std::string Data) {
  if (!IsBlobType(Field(N).Type)) Fail(E_INVALID_FIELD, Field(N).Name + " is no memo field");
  if (!FMemo) Fail(E_FILE_NOT_FOUND, "memo file of " + FTable->Path());
  BeginChange();
  FPendingBlobs[N] = std::move(Data);
}

void TCursor::StoreBlobs(const std::uint8_t* Old) {
  for (auto& [N, Data] : FPendingBlobs) {
    const TFieldDesc& F = Field(N);
    UNSIGNED32 Block = 0, Len = 0;
    if (Old) {
      GetBlobRef(F, Old, Block, Len);
      if (Block) FReplacedRuns.push_back(Block);
    }
    Block = Data.empty() ? 0 : FMemo->Write(Data, F.Type);
    SetBlobRef(F, FRec.data(), Block, Block ? static_cast<UNSIGNED32>(Data.size()) : 0);
  }
  FPendingBlobs.clear();
}

void TCursor::FreeReplacedRuns() {
  std::vector<UNSIGNED32> Runs;
  Runs.swap(FReplacedRuns);
  for (UNSIGNED32 Block : Runs) FMemo->Free(Block);
}

void TCursor::UpdateIndexes(const std::uint8_t* Old, const std::uint8_t* New, UNSIGNED32 RecNo) {
  TRecordView NewView(*this, New, RecNo, true);
  for (auto& F : FIndexFiles) {
    if (!Old) {
      F->AddRecord(NewView);
      continue;
    }
    TRecordView OldView(*this, Old, RecNo, false);
    F->UpdateRecord(OldView, NewView);
  }
}

void TCursor::FlushIndexes() {
  if (FTxnBatch) return;  // written at commit
  if (FTable->DefersCounters()) {
    FFlushPending = true;
    return;
  }
  for (auto& F : FIndexFiles) FlushIndexFile(*F);
}

void TCursor::FlushDeferred() {
  if (!FFlushPending) return;
  // The counters first: an index stamped with them is then never ahead
  // of the table on the disk.
  FTable->FlushCounters();
  for (auto& F : FIndexFiles) FlushIndexFile(*F);
  FFlushPending = false;
}

void TCursor::FlushIndexFile(IndexFile& File) {
  // The table is written before its indexes: a stamp behind the table's
  // counter tells the next writer or opener that the index missed a write.
  File.GetPager().SetTableStamp(FTable->Counters().ChangeCounter);
  File.Flush();
}

void TCursor::CatchUpIndexes() {
  // Keys this handle has not flushed yet are ahead of the stamp on purpose.
  if (!FHasStructural || FTxnBatch || FOptions.ReadOnly || FFlushPending) return;
  IndexFile& File = *FIndexFiles.front();
  if (File.GetPager().TableStamp() == FTable->Counters().ChangeCounter) return;
  RecordScan Scan = [this](const RecordVisitor& Visit) { ScanAll(Visit); };
  File.Reindex(Scan);
  // The rebuilt file takes the old one's place: the moved counter makes
  // every other handle re-read its indexes (and open the new file).
  FTable->Touch();
  FlushIndexFile(File);
  ++FIndexGeneration;
}

void TCursor::FlushTxnBatch() {
  if (!FTxnBatch) return;
  FTxnBatch = false;
  if (FMemo) FMemo->FlushBatch();
  FTable->FlushBatch();
  FlushIndexes();
}

void TCursor::DropTxnBatch() {
  if (!FTxnBatch) return;
  FTxnBatch = false;
  if (FMemo) FMemo->DropBatch();
  FTable->DropBatch();
  DiscardIndexes();
}

void TCursor::DiscardIndexes() {
  for (auto& F : FIndexFiles) F->Discard();
  ++FIndexGeneration;  // the tags may have been read again
}

void TCursor::Write() {
  if (!FDirty && !FAppending) return;
  CheckWritable();
  TWriteScope Guard = WriteLock();
  Sync();
  // Another handle may have made the structural index since this one opened.
  if (!FHasStructural && !FTxnBatch && FileExists(ChangeExtension(FTable->Path(), ".OAI")))
    OpenStructuralIndex(false, 0);
  CatchUpIndexes();
  if (FJournal && !FTxnBatch) {
    FTxnBatch = true;
    FTable->BeginBatch();
    if (FMemo) FMemo->BeginBatch();
  }
  try {
    if (FAppending) {
      for (auto& F : Fields())
        if (F.Type == OAK_AUTOINC && IsFieldNull(F, FRec.data())) {
          FLastAutoinc = FTable->NextAutoinc();
          SetFieldDouble(F, FRec.data(), FLastAutoinc);
        }
      UNSIGNED32 R = FTable->Counters().RecordCount + 1;
      UpdateIndexes(nullptr, FRec.data(), R);
      StoreBlobs(nullptr);
      FTable->WriteRecord(R, FRec.data());
      FRecNo = R;
      FreeReplacedRuns();
    } else {
      if (!FLocks->HoldsRecord(FRecNo) && FLocks->LockedByOther(FRecNo))
        Fail(E_LOCKED, FTable->Path() + ", record " + std::to_string(FRecNo));
      std::vector<std::uint8_t> Old(FRec.size());
      FTable->ReadRecord(FRecNo, Old.data());
      UpdateIndexes(Old.data(), FRec.data(), FRecNo);
      StoreBlobs(Old.data());
      FTable->WriteRecord(FRecNo, FRec.data());
      FreeReplacedRuns();
    }
    FlushIndexes();
  } catch (...) {
    FReplacedRuns.clear();  // the record still refers to them
    if (!FTxnBatch) {
      DiscardIndexes();
      // The keys of earlier deferred writes went too: the stamp on the disk
      // stays behind the counter, and the next write or open rebuilds.
      if (FFlushPending) {
        FFlushPending = false;
        FTable->FlushCounters();
      }
    }
    throw;
  }
  FDirty = FAppending = false;
}

bool TCursor::Cancel() {
  if (!FDirty && !FAppending) return false;
  if (FAppending) {
    SetPosition(0, false, true);
  } else {
    LoadRecord(FRecNo);
  }
  return true;
}

void TCursor::SetDeleted(bool Deleted) {
  RequireRecord();
  CheckWritable();
  const std::uint8_t State = Deleted ? kRecordDeleted : kRecordLive;
  if (StateStoredAlready(State)) return;
  FRec[0] = State;
  if (!FAppending) FDirty = true;
  Write();
}

bool TCursor::StateStoredAlready(std::uint8_t State) {
  // Only a record without other changes, outside a transaction (whose
  // writes the journal and the commit order).
  if (FAppending || FDirty || FJournal || !FPendingBlobs.empty()) return false;
  TWriteScope Guard = WriteLock();
  Sync();
  if (!FLocks->HoldsRecord(FRecNo) && FLocks->LockedByOther(FRecNo))
    Fail(E_LOCKED, FTable->Path() + ", record " + std::to_string(FRecNo));
  if (FRecNo > FTable->Counters().RecordCount) return false;
  // Called for every record of a table's check: the buffer is kept.
  thread_local std::vector<std::uint8_t> Stored;
  Stored.resize(FRec.size());
  FTable->ReadRecord(FRecNo, Stored.data());
  // The write would store the bytes the file holds: nothing to write, no
  // counter to bump, no index key to change.
  return Stored[0] == State && std::memcmp(Stored.data() + 1, FRec.data() + 1, FRec.size() - 1) == 0;
}

void TCursor::ScanAll(const RecordVisitor& Visit) {
  std::vector<std::uint8_t> Buf(FRec.size());
  UNSIGNED32 Count = FTable->Counters().RecordCount;
  for (UNSIGNED32 R = 1; R <= Count; ++R) {
    FTable->ReadRecord(R, Buf.data());
    TRecordView View(*this, Buf.data(), R, false);
    Visit(View);
  }
}

void TCursor::RebuildAfterMaintenance() {
  RecordScan Scan = [this](const RecordVisitor& Visit) { ScanAll(Visit); };
  FTable->Touch();
  for (auto& F : FIndexFiles) {
    F->Reindex(Scan);
    FlushIndexFile(*F);
  }
  ++FIndexGeneration;
}

void TCursor::Reindex() {
  if (FDirty || FAppending) Write();
  TWriteScope Guard = WriteLock();
  FlushTxnBatch();
  Sync();
  RebuildAfterMaintenance();
  if (FRecNo) LoadRecord(FRecNo);
}

void TCursor::Pack() {
  if (FDirty || FAppending) Write();
  CheckWritable();
  RequireExclusiveUse();
  TWriteScope Guard = WriteLock();
  Sync();
  AllOrNothing([this] { PackRecords(); });
  SetPosition(0, true, false);
  if (!StepNatural(1)) SetPosition(0, true, true);
}

void TCursor::PackRecords() {
  std::vector<std::uint8_t> Buf(FRec.size());
  UNSIGNED32 Count = FTable->Counters().RecordCount, Kept = 0;
  for (UNSIGNED32 R = 1; R <= Count; ++R) {
    FTable->ReadRecord(R, Buf.data());
    if (Buf[0] == kRecordDeleted) {
      // The memo blocks of a dropped record go back to the free list.
      for (auto& F : Fields()) {
        UNSIGNED32 Block = 0, Len = 0;
        if (IsBlobType(F.Type)) GetBlobRef(F, Buf.data(), Block, Len);
        if (Block && FMemo) FMemo->Free(Block);
      }
      continue;
    }
    if (++Kept != R) FTable->WriteRecord(Kept, Buf.data());
  }
  FTable->Truncate(Kept);
  RebuildAfterMaintenance();
}

void TCursor::Zap() {
  if (FDirty || FAppending) Write();
  CheckWritable();
  RequireExclusiveUse();
  TWriteScope Guard = WriteLock();
  Sync();
  AllOrNothing([this] {
    FTable->Truncate(0);
    if (FMemo) FMemo->Clear();
    RebuildAfterMaintenance();
  });
  SetPosition(0, true, true);
}

}  // namespace oak
