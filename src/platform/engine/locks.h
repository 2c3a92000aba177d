// Record locks, table locks and the write lock of one table handle.
//
// Every lock is an open-file-description byte-range lock on the handle's
// own .OAT description (os::File::Lock), so it excludes other handles of
// this process and other processes alike. The bytes lie far beyond any
// record, below the share-mode bytes of the os layer:
//   kLockBase + 0       table byte: shared while the handle holds record
//                       locks, exclusive while it holds the table lock;
//   kLockBase + 1       write byte: held exclusively for the span of one
//                       write (record, its memo values and index keys);
//   kLockBase + 16 + n  record n, exclusive.
// A table lock thus fails while another handle holds any record lock, and
// a record lock fails while another handle holds the table lock; so do the
// appends and other changes of other handles (RequireNoTableLockOfOther).
// A handle opened exclusively takes no locks (nobody else can open).
//
// Thread safety: none; the engine lock serialises every use.
#pragma once

#include <cstdint>
#include <set>

#include "platform/os/files.h"

namespace oak {

constexpr std::uint64_t kLockBase = 0x7FFE000000000000ULL;

class TLockSet {
 public:
  // Locks on F (which outlives the set); NoLocks for exclusive handles.
  TLockSet(const os::File& F, bool NoLocks) : FFile(F), FNoLocks(NoLocks) {}

  // Each raises E_LOCKED (5035) when another handle holds a conflicting
  // lock. Locking what this handle holds already succeeds.
  void LockRecord(std::uint32_t RecNo);
  void UnlockRecord(std::uint32_t RecNo);  // E_RECORD_NOT_LOCKED when not held
  void LockTable();
  void UnlockTable();
  void UnlockAll();
  bool HoldsRecord(std::uint32_t RecNo) const { return FNoLocks || FTable || FRecords.count(RecNo); }
  bool HoldsTable() const { return FNoLocks || FTable; }
  bool HoldsAnyRecord() const { return !FRecords.empty(); }
  // True when another handle holds record RecNo or the table.
  bool LockedByOther(std::uint32_t RecNo) const;
  // Raises E_LOCKED when another handle holds the table lock: appends and
  // every other change wait for it to go, as updates of locked records do.
  void RequireNoTableLockOfOther() const;

  // Takes the write byte, waiting up to TimeoutMs for other writers.
  // Nests: only the outermost EndWrite releases it.
  void BeginWrite(int TimeoutMs = 5000);
  void EndWrite();
  // Takes the write byte when nobody holds it; false (and nothing held)
  // when another writer does. Pair a true result with EndWrite.
  bool TryBeginWrite();
  // Waits up to TimeoutMs while another handle holds the write byte (a
  // write in progress), without taking it (read-only handles cannot).
  // False when the wait ran out.
  bool WaitWhileOthersWrite(int TimeoutMs);

 private:
  void SetTableByte(bool Exclusive);
  const os::File& FFile;
  bool FNoLocks;
  bool FTable = false;
  int FWriteDepth = 0;
  std::set<std::uint32_t> FRecords;
};

// Holds the write byte for one scope (none when L is null: a transaction
// holds it for longer).
class TWriteScope {
 public:
  explicit TWriteScope(TLockSet* L) : FLocks(L) {
    if (FLocks) FLocks->BeginWrite();
  }
  ~TWriteScope() {
    if (FLocks) FLocks->EndWrite();
  }
  TWriteScope(TWriteScope&& Other) noexcept : FLocks(Other.FLocks) { Other.FLocks = nullptr; }
  TWriteScope(const TWriteScope&) = delete;
  TWriteScope& operator=(const TWriteScope&) = delete;

 private:
  TLockSet* FLocks;
};

}  // namespace oak
