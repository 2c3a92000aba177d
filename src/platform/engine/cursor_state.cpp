// Cursor: the table's state between programs (locks.h): waiting for rest,
// settling what a dead program left, the write lock of one change, record
// and table locks, and reads that read again when the table was written
// under them.
#include <chrono>
#include <optional>
#include <thread>

#include "platform/engine/cursor.h"
#include "platform/engine/errors.h"
#include "platform/engine/txn.h"
#include "platform/engine/txn_format.h"

namespace oak {

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point DeadlineIn(int Ms) { return Clock::now() + std::chrono::milliseconds(Ms); }

void Pause() { std::this_thread::sleep_for(std::chrono::microseconds(200)); }

}  // namespace

bool TCursor::ReadsUnderOthers() const {
  if (FOptions.Exclusive || FTxnBatch) return false;
  return !(FJournal && FConn.HoldsTable(FTable->Path()));
}

bool TCursor::Writable(const TTableCounters& State) const {
  const std::uint64_t Own = FJournal ? FJournal->Id() : 0;
  return (State.Marker == 0 || State.Marker == Own) && ((State.WriteSeq & 1) == 0 || FTable->InPlace());
}

UNSIGNED32 TCursor::AwaitRest() {
  const UNSIGNED32 Seq = FTable->WriteSeqNow();
  if ((Seq & 1) == 0) return Seq;
  TTableCounters Now = FTable->State();
  auto AtRest = [&] { return (Now.WriteSeq & 1) == 0 || FTable->InPlace() || FSettledOdd == Now.WriteSeq; };
  if (AtRest()) return Now.WriteSeq;
  const auto Deadline = DeadlineIn(kLockWaitMs);
  for (;;) {
    // A writer at work, or a dead one whose lock the kernel has not let
    // go yet: both are waited for.
    if (FLocks->WriteHeldByOther())
      Pause();
    else
      SettleDead();
    Now = FTable->State();
    if (AtRest()) return Now.WriteSeq;
    if (Clock::now() > Deadline) Fail(E_LOCKED, FTable->Path() + " (being written by another program)");
  }
}

void TCursor::SettleDead() {
  const std::uint64_t Own = FJournal ? FJournal->Id() : 0;
  for (int Round = 0; Round < 8; ++Round) {
    const TTableCounters Now = FTable->State();
    const bool Foreign = Now.Marker != 0 && Now.Marker != Own;
    const bool Odd = (Now.WriteSeq & 1) && !FTable->InPlace() && FSettledOdd != Now.WriteSeq;
    if ((!Foreign && !Odd) || FLocks->WriteHeldByOther()) return;
    if (Foreign) {
      // A read-only handle reads a table at rest as it is; only the files
      // matter to it, not the marker.
      if (FOptions.ReadOnly && !Odd) return;
      SettleMarker(Now.Marker);
    } else {
      RebuildAfterDeadWrite();
    }
    if (FSettledOdd && *FSettledOdd == FTable->State().WriteSeq) return;
  }
}

void TCursor::SettleMarker(std::uint64_t Marker) {
  const std::string Folder = FolderOf(FTable->Path());
  TTxnJournal::TLookup J = TTxnJournal::FindJournalOf(Folder, Marker);
  if (J.State == TTxnJournal::TFound::Hot) {
    TTxnJournal::RecoverJournalFile(J.Path);
    return;
  }
  if (J.State == TTxnJournal::TFound::Locked) {
    // Another program applies it now (its transaction is dead: nobody
    // holds the table's write lock): it is waited for, and looked at again.
    const auto Deadline = DeadlineIn(kLockWaitMs);
    while (TTxnJournal::FindJournalOf(Folder, Marker).State == TTxnJournal::TFound::Locked) {
      if (Clock::now() > Deadline) Fail(E_LOCKED, FTable->Path() + " (being recovered by another program: " + J.Path + ")");
      Pause();
    }
    return;
  }
  // The journal is gone: its transaction reached the commit point, or
  // its rollback ended, before the marker could be cleared. The files are
  // whole either way; the marker goes through a description of this
  // handle's own (a read-only handle may not write through its own).
  try {
    // A handle that holds the table exclusively writes through its own
    // description: nobody else can open the table.
    std::optional<TTableFile> Own;
    if (!FOptions.Exclusive) {
      Own.emplace(FTable->Path(), false, false);
      if (!TakeWriteByte(Own->File(), 0)) return;  // another handle is at it
    }
    TTableFile& T = Own ? *Own : *FTable;
    T.Refresh(true);
    const TTableCounters Now = T.State();
    if (Now.Marker != Marker || TTxnJournal::FindJournalOf(Folder, Marker).State != TTxnJournal::TFound::Gone) return;
    // What a pack or zap cut off past the record count may still be there,
    // and the indexes it rebuilt may not be in place yet: then the
    // sequence stays odd, and the index is rebuilt next.
    T.CutToCount();
    if (FMemo && FOptions.Exclusive)
      FMemo->CutToEnd();
    else if (T.HasBlobs())
      TMemoFile(ChangeExtension(T.Path(), ".OAM"), false, false).CutToEnd();
    const bool Whole = journal::IndexMatches(T.Path(), T.Counters().ChangeCounter);
    const UNSIGNED32 Seq = Now.WriteSeq & 1 ? (Whole ? EvenSeqAfter(Now.WriteSeq) : Now.WriteSeq) : Now.WriteSeq;
    TTableFile::StoreRest(T.File(), 0, Seq);
  } catch (const EEngineError&) {
    if (!FOptions.ReadOnly) throw;
    // A program without the right to write reads the table as it is.
    if (const UNSIGNED32 Seq = FTable->State().WriteSeq; Seq & 1) FSettledOdd = Seq;
  }
}

void TCursor::RebuildAfterDeadWrite() {
  RecordScan Scan = [this](const RecordVisitor& Visit) { ScanAll(Visit); };
  if (FOptions.ReadOnly) {
    // It may not write the table: the structural index is rebuilt in its
    // memory, and serves it while the table stays as the dead writer left
    // it.
    FTable->Refresh(true);
    if (FMemo) FMemo->ForgetHeader();
    FSettledOdd = FTable->Counters().WriteSeq;
    CatchUpInMemory();
    return;
  }
  if (!FLocks->TryBeginWrite()) return;  // another handle writes: the caller waits for it
  struct TEnd {
    TLockSet& L;
    ~TEnd() { L.EndWrite(); }
  } End{*FLocks};
  const TTableCounters Now = FTable->State();
  if ((Now.WriteSeq & 1) == 0 || Now.Marker != 0) return;  // settled meanwhile, or a marker first
  FTable->Refresh(true);
  if (FMemo) FMemo->ForgetHeader();
  if (!FHasStructural && FileExists(ChangeExtension(FTable->Path(), ".OAI"))) OpenStructuralIndex(false, 0);
  for (auto& F : FIndexFiles) F->Discard();
  // The dead writer's odd sequence is taken over, and ended once the
  // indexes match the records again.
  FTable->BeginInPlace();
  RebuildAfterMaintenance();
  FTable->EndInPlace();
  FFlushPending = false;
}

TWriteScope TCursor::WriteLock() {
  if (FJournal) {
    // A handle with a batch works on a table its transaction holds.
    if (!FTxnBatch) {
      FConn.ReleaseHolds(this, FTable->Path());
      FConn.HoldTable(*this);
    }
    return TWriteScope(nullptr);
  }
  const auto Deadline = DeadlineIn(kLockWaitMs);
  for (;;) {
    {
      TWriteScope Scope(FLocks.get());
      // Looked at under W: a table lock taken later waits for W to go.
      FLocks->RequireNoTableLockOfOther();
      if (Writable(FTable->State())) return Scope;
    }
    // A dead program's marker or odd sequence: settled without W (a
    // recovery takes it itself), then W is taken again.
    SettleDead();
    if (Clock::now() > Deadline) Fail(E_LOCKED, FTable->Path() + " (left by a program that died; it is being settled)");
  }
}

void TCursor::LockRecord(UNSIGNED32 RecNo) {
  if (FLocks->HoldsRecord(RecNo)) return;
  // A transaction of this handle's own connection holds W itself.
  const bool Own = FJournal && FConn.HoldsTable(FTable->Path());
  const auto Deadline = DeadlineIn(kLockWaitMs);
  for (;;) {
    FLocks->LockRecord(RecNo);
    if (Own || !FLocks->WriteHeldByOther()) break;
    // A writer at work, or a transaction that may have changed the row:
    // the lock waits for it to end, so that the row is read as committed.
    FLocks->UnlockRecord(RecNo);
    const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now()).count();
    if (Left <= 0 || !FLocks->WaitWhileOthersWrite(int(Left)))
      Fail(E_LOCKED, FTable->Path() + ", record " + std::to_string(RecNo) + " (being written by another program)");
  }
  try {
    if (!Own) SettleDead();
    ReadLockedAgain(RecNo);
  } catch (...) {
    FLocks->UnlockRecord(RecNo);
    throw;
  }
}

void TCursor::LockTable() {
  if (FLocks->HoldsTable()) return;
  const bool Own = FJournal && FConn.HoldsTable(FTable->Path());
  const auto Deadline = DeadlineIn(kLockWaitMs);
  for (;;) {
    FLocks->LockTable();
    if (Own || !FLocks->WriteHeldByOther()) break;
    FLocks->UnlockTable();
    const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now()).count();
    if (Left <= 0 || !FLocks->WaitWhileOthersWrite(int(Left)))
      Fail(E_LOCKED, FTable->Path() + " (table lock; being written by another program)");
  }
  try {
    if (!Own) SettleDead();
    ReadLockedAgain(FRecNo);
  } catch (...) {
    FLocks->UnlockTable();
    throw;
  }
}

void TCursor::ReadLockedAgain(UNSIGNED32 RecNo) {
  // The current record was read before the lock: another program may have
  // written it since. What the handle shows of a record it holds locked is
  // what the disk holds (an edit begun under the lock starts from it); a
  // record with changes of this handle keeps them (their write is checked
  // against the disk anyway).
  if (!FRecNo || RecNo != FRecNo || FDirty || FAppending) return;
  Consistently([&] {
    Sync();
    if (FRecNo <= FTable->Counters().RecordCount) LoadRecord(FRecNo);
  });
}

void TCursor::SavePosition() {
  // The image, not only the number: a move in an index order goes on from
  // the record's key, and a pack meanwhile may have put another record at
  // that number.
  FSaved.RecNo = FRecNo;
  FSaved.Bof = FAtBOF;
  FSaved.Eof = FAtEOF;
  FSaved.Rec.assign(FRec.begin(), FRec.end());
  FSaved.Loaded.assign(FLoaded.begin(), FLoaded.end());
}

void TCursor::RestorePosition() {
  FRecNo = FSaved.RecNo;
  FAtBOF = FSaved.Bof;
  FAtEOF = FSaved.Eof;
  FRec.assign(FSaved.Rec.begin(), FSaved.Rec.end());
  FLoaded.assign(FSaved.Loaded.begin(), FSaved.Loaded.end());
}

void TCursor::DropReadCaches() {
  FTable->DropCaches();
  if (FMemo) FMemo->ForgetHeader();
  for (auto& F : FIndexFiles) F->Reload();
  ++FIndexGeneration;
}

void TCursor::CheckStillAtRest() {
  if (FReading && FTable->WriteSeqNow() != FReadSeq) throw TReadAgain();
}

}  // namespace oak
