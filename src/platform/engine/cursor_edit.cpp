// Cursor: appending, writing, deleting, pack, zap and reindex.
#include <cstring>
#include <optional>

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

bool TCursor::DefersFlush() const { return FOptions.Exclusive && !FJournal; }

void TCursor::EnterInPlace() {
  FTable->BeginInPlace();
  if (DefersFlush()) FFlushPending = true;
}

void TCursor::LeaveInPlace() {
  // A handle that holds the table alone ends at its flush, a transaction
  // at its end (its counters go now, for the other handles of its
  // connection).
  if (DefersFlush()) return;
  if (FJournal)
    FTable->StoreCounters();
  else
    FTable->EndInPlace();
}

TCursor::TInPlace::~TInPlace() {
  if (FDone) return;
  // Failed in the middle: what the files hold is left to the next settle
  // (the sequence stays odd on the disk), in a transaction to its
  // rollback.
  if (!FCursor.FJournal) {
    FCursor.FTable->ForgetInPlace();
    FCursor.FFlushPending = false;
  }
}

void TCursor::FinishCuts() {
  FTable->FinishCut();
  if (FMemo) FMemo->FinishCut();
}

void TCursor::AllOrNothing(const std::function<void()>& Work) {
  if (FJournal) {
    FlushTxnBatch();
    FTable->BeginInPlace();
    Work();
    RebuildAfterMaintenance();
    LeaveInPlace();
    return;
  }
  FlushDeferred();
  TTxnJournal Own;
  SetJournal(MaintenanceJournal() ? &Own : nullptr);
  try {
    if (FJournal) Own.MarkTable(*FTable);
    FTable->BeginInPlace();
    Work();
    // The indexes are built anew beside their files, each put in place at
    // once (BlockFile::NewReplacement), outside the journal: what they
    // held is derived from the records, and a table the journal puts back
    // is left with its sequence odd while its index does not match it, so
    // that the next handle rebuilds it.
    TTxnJournal* Journal = std::exchange(FJournal, nullptr);
    RebuildAfterMaintenance();
    FJournal = Journal;
    if (FJournal) {
      Own.Commit();
      FinishCuts();
      Own.EndWritePhase();
    } else {
      FinishCuts();
      FTable->EndInPlace();
    }
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
  Consistently([&] { Sync(); });
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
  if (DefersFlush()) {
    FFlushPending = true;
    return;
  }
  for (auto& F : FIndexFiles) FlushIndexFile(*F);
}

void TCursor::FlushDeferred() {
  if (!FFlushPending) return;
  // The index files stamped with the counters, then the counters with
  // the sequence even: a kill in between leaves it odd, and the next
  // opener rebuilds.
  for (auto& F : FIndexFiles) FlushIndexFile(*F);
  FTable->EndInPlace();
  FFlushPending = false;
}

void TCursor::FlushIndexFile(IndexFile& File) {
  File.GetPager().SetTableStamp(FTable->Counters().ChangeCounter);
  File.Flush();
}

void TCursor::CatchUpIndexes() {
  // Keys this handle has not flushed yet are ahead of the stamp on purpose.
  if (!FHasStructural || FTxnBatch || FOptions.ReadOnly || FFlushPending) return;
  IndexFile& File = *FIndexFiles.front();
  if (File.GetPager().TableStamp() == FTable->Counters().ChangeCounter) return;
  // An index behind its table (written by an older program, or put back
  // alone) is rebuilt; the moved counter makes every other handle re-read
  // its indexes (and open the new file).
  const bool Was = FTable->InPlace();
  TInPlace Change(*this);
  RecordScan Scan = [this](const RecordVisitor& Visit) { ScanAll(Visit); };
  File.Reindex(Scan);
  FTable->Touch();
  FlushIndexFile(File);
  ++FIndexGeneration;
  if (!Was) Change.Done();
  else Change.Keep();
}

void TCursor::FlushTxnBatch() {
  if (!FTxnBatch) return;
  // The transaction's tables are written: readers wait until it ends. A
  // failure on the way leaves the batch to the rollback.
  FTable->BeginInPlace();
  if (FMemo) FMemo->FlushBatch();
  FTable->FlushBatch();
  FTxnBatch = false;
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
  std::vector<std::uint8_t> Old;
  if (!FAppending) {
    if (!FLocks->HoldsRecord(FRecNo) && FLocks->LockedByOther(FRecNo))
      Fail(E_LOCKED, FTable->Path() + ", record " + std::to_string(FRecNo));
    Old.resize(FRec.size());
    FTable->ReadRecord(FRecNo, Old.data());
    // The image this handle changed must be the one on the disk: after
    // another program's change, a rollback or a recovery that put the
    // record back, or a pack that moved another record here, writing it
    // would undo what is there.
    if (Old != FLoaded)
      Fail(E_RECORD_CHANGED, FTable->Path() + ", record " + std::to_string(FRecNo) + ": changed by another program since it was read");
  }
  // The keys change in memory first: a key that cannot be made fails
  // before any file is touched.
  std::optional<TInPlace> Change;
  bool Keyed = false;  // the index keys changed (in memory)
  try {
    UNSIGNED32 R = FRecNo;
    if (FAppending) {
      for (auto& F : Fields())
        if (F.Type == OAK_AUTOINC && IsFieldNull(F, FRec.data())) {
          FLastAutoinc = FTable->NextAutoinc();
          SetFieldDouble(F, FRec.data(), FLastAutoinc);
        }
      R = FTable->Counters().RecordCount + 1;
      Keyed = true;
      UpdateIndexes(nullptr, FRec.data(), R);
    } else {
      Keyed = true;
      UpdateIndexes(Old.data(), FRec.data(), FRecNo);
    }
    if (!FTxnBatch) Change.emplace(*this);
    StoreBlobs(FAppending ? nullptr : Old.data());
    FTable->WriteRecord(R, FRec.data());
    FRecNo = R;
    FreeReplacedRuns();
    FlushIndexes();
  } catch (const std::exception& E) {
    FReplacedRuns.clear();  // the record still refers to them
    if (!FTxnBatch)
      DiscardIndexes();
    else if (Keyed)
      // The transaction's index keys (in memory) and records no longer
      // match: it can only be rolled back.
      FConn.SpoilTransaction(FTable->Path() + ": " + E.what());
    throw;
  }
  if (Change) Change->Done();
  FLoaded = FRec;
  FDirty = FAppending = false;
}

bool TCursor::Cancel() {
  if (!FDirty && !FAppending) return false;
  if (FAppending) {
    SetPosition(0, false, true);
  } else {
    // Back to the image as read: it needs no read of files another
    // program may be writing, or a dead one left.
    FRec.assign(FLoaded.begin(), FLoaded.end());
    FDirty = false;
    FPendingBlobs.clear();
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
  // counter to bump, no index key to change. (A record changed since it
  // was read goes on to Write, which refuses it.)
  return Stored == FLoaded && Stored[0] == State && std::memcmp(Stored.data() + 1, FRec.data() + 1, FRec.size() - 1) == 0;
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
  FlushDeferred();
  Sync();
  TInPlace Change(*this);
  RebuildAfterMaintenance();
  Change.Done();
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

namespace {
bool GMaintenanceJournal = true;
}  // namespace

bool MaintenanceJournal() { return GMaintenanceJournal; }
void SetMaintenanceJournal(bool On) { GMaintenanceJournal = On; }

void TCursor::PackRecords() {
  std::vector<std::uint8_t> Buf(FRec.size());
  // The kept records move up in runs written in one piece each, and the
  // memo runs of the dropped ones go back to the free list with the memo
  // header written once.
  std::vector<std::uint8_t> Run;
  UNSIGNED32 RunFirst = 0;
  auto WriteRun = [&] {
    FTable->WriteRecords(RunFirst, Run.data(), UNSIGNED32(Run.size() / Buf.size()));
    Run.clear();
  };
  if (FMemo) FMemo->BeginBatch();
  UNSIGNED32 Count = FTable->Counters().RecordCount, Kept = 0;
  for (UNSIGNED32 R = 1; R <= Count; ++R) {
    FTable->ReadRecord(R, Buf.data());
    if (Buf[0] == kRecordDeleted) {
      for (auto& F : Fields()) {
        UNSIGNED32 Block = 0, Len = 0;
        if (IsBlobType(F.Type)) GetBlobRef(F, Buf.data(), Block, Len);
        if (Block && FMemo) FMemo->Free(Block);
      }
      continue;
    }
    if (++Kept == R) continue;
    if (Run.empty()) RunFirst = Kept;
    Run.insert(Run.end(), Buf.begin(), Buf.end());
    if (Run.size() >= TTableFile::kRunBytes) WriteRun();
  }
  if (!Run.empty()) WriteRun();
  if (FMemo) FMemo->FlushBatch();
  FTable->Truncate(Kept);
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
  });
  SetPosition(0, true, true);
}

}  // namespace oak
