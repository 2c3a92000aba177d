// The engine's locks between handles and programs, as one protocol, and
// the record, table and write locks of one table handle.
//
// Every lock is an open-file-description byte-range lock (os::File::Lock),
// so it excludes other handles of this process and other processes alike.
// On each table's .OAT file, far beyond any record, below the share-mode
// bytes of the os layer:
//   T     kLockBase + 0       table byte: shared while the handle holds
//                             record locks, exclusive for the table lock
//   W     kLockBase + 1       write byte, exclusive: the one writer of the
//                             table's files
//   R(n)  kLockBase + 16 + n  record n, exclusive
// and the os layer's share-mode bytes, which make exclusive opens
// exclusive. On each journal (.OAJ), J = byte 0, exclusive: its
// transaction runs, or a recovery applies it.
//
// In the table's header (table.h, FORMAT.md):
//   M  the transaction marker: the id of the transaction that may have
//      changed the table's files (0: none);
//   S  the write sequence: even while the files are at rest, odd while
//      the holder of W changes them in place. It only moves on.
//
// A table is
//   at rest    S even, M 0: every file holds the last commit;
//   written    W held, S odd: a record write, a commit's write phase, pack,
//              zap, reindex, a tag made or dropped, a rollback or a recovery
//              changes the files in place;
//   held       W held by a transaction, M its id, S even: its changes are
//              in its memory (and in unused space of the files), the files
//              hold the last commit;
//   dead       W free, and S odd or M set: its writer died (or failed) in
//              the middle. A kernel may release a killed program's locks
//              some tens of milliseconds after the program is gone: a W
//              still held is waited for, never taken for a live writer.
//
// Who holds what, and what they meet:
//
// | to ...             | holds                           | meets (waits are 5 s, then 5035)                       |
// |--------------------|---------------------------------|--------------------------------------------------------|
// | read (every call)  | nothing; reads S before its     | S odd and W held: waits; dead: settles it first; S     |
// |                    | reads and after them            | moved meanwhile: reads again from where it stood       |
// | open               | nothing                         | applies the folder's unlocked journals, then reads as  |
// |                    |                                 | a reader (a dead table is settled)                     |
// | write a record     | W, S odd from its first change  | W of another: waits; T or R(n) of another: 5035 at     |
// |                    | to its last (counters, index)   | once; dead or M of another: lets W go, settles, takes  |
// |                    |                                 | it again; the record not as read: 5075                 |
// | lock a record or   | R(n) or T                       | R(n) or T of another: 5035 at once; W of another (a    |
// | the table          |                                 | writer, or a transaction that may have changed the     |
// |                    |                                 | row): lets go, waits for W, takes it again; dead:      |
// |                    |                                 | settles; then reads the current record anew (when it   |
// |                    |                                 | is the one locked and has no changes of the handle)    |
// | transaction        | W of each table from its first  | as a write; a second folder or a new file: refused     |
// |                    | change to its end, M its id;    |                                                        |
// |                    | S odd from the commit's write   |                                                        |
// |                    | phase (or a pack in it) to the  |                                                        |
// |                    | end; J from its first change    |                                                        |
// | pack, zap, reindex | exclusive open or T; W; S odd;  | as a write                                             |
// |                    | own journal for pack and zap    |                                                        |
// | recover a journal  | J, then W of every table it     | J held: a live transaction or another recovery: left   |
// |                    | writes back, S odd, for its     | alone (a settle waits for it); W of another: waits,    |
// |                    | whole run                       | then refuses, cause "held"; a table opened             |
// |                    |                                 | exclusively: refuses, cause "held"                     |
//
// Rules:
//  1. Only the holder of W changes a table's files in place, and only with
//     S odd: S goes odd before the first such change and even after the
//     last (for a transaction, after its journal is gone). Appended
//     records past the count and memo runs no record on the disk refers
//     to may be written while S is even: no reader looks there.
//  2. A reader's answer comes from files at one even S: a call reads S
//     first and again at its end, and reads again when it moved. Its
//     caches (read-ahead, index pages, the memo header) are dropped when S
//     or the counters moved, and filled again only inside such a read.
//  3. Whoever meets a dead table settles it before anything else: a marker
//     whose journal lies in the folder is settled by applying it (J and W
//     held for the run); a marker whose journal is gone (its transaction
//     reached the commit point, or its rollback removed it) is cleared
//     under W; S odd without a marker means a write that died between its
//     record and its index: the open index files are rebuilt under W. A
//     marker is never cleared while a journal of the folder cannot be
//     read. A read-only handle, which may not write, reads such a table
//     with an index rebuilt in its memory.
//  4. Nobody holds W while it waits for J: a handle that meets a marker
//     lets W go, waits for the recovery (or runs it) and looks again.
//  5. A write refuses a record whose bytes on the disk are not those the
//     handle read (another program changed it, a recovery or rollback put
//     it back, a pack moved another record into its place).
//  6. A handle opened exclusively takes no locks and keeps S odd across
//     its calls from its first write to its flush: nobody else can open
//     the table meanwhile.
//
// Thread safety: none; the engine lock serialises every use.
#pragma once

#include <cstdint>
#include <set>

#include "platform/os/files.h"

namespace oak {

constexpr std::uint64_t kLockBase = 0x7FFE000000000000ULL;
constexpr std::uint64_t kWriteByte = kLockBase + 1;
// How long a lock or a wait for another program's work waits at most.
constexpr int kLockWaitMs = 5000;

// Takes W of the table file F (a description of the caller's own),
// waiting up to TimeoutMs; false when another handle kept it.
bool TakeWriteByte(const os::File& F, int TimeoutMs);

class TLockSet {
 public:
  // Locks on F (which outlives the set); NoLocks for exclusive handles.
  TLockSet(const os::File& F, bool NoLocks) : FFile(F), FNoLocks(NoLocks) {}

  // Each raises E_LOCKED (5035) when another handle holds a conflicting
  // lock. Locking what this handle holds already succeeds. (TCursor adds
  // the wait for W around them.)
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

  // Takes W, waiting up to TimeoutMs for other writers. Nests: only the
  // outermost EndWrite releases it.
  void BeginWrite(int TimeoutMs = kLockWaitMs);
  void EndWrite();
  // Takes W when nobody holds it; false (and nothing held) when another
  // handle does. Pair a true result with EndWrite.
  bool TryBeginWrite();
  bool HoldsWrite() const { return FNoLocks || FWriteDepth > 0; }
  // True when another handle holds W (a probe that takes nothing).
  bool WriteHeldByOther() const;
  // Waits up to TimeoutMs while another handle holds W, without taking it
  // (read-only handles cannot). False when the wait ran out.
  bool WaitWhileOthersWrite(int TimeoutMs);

 private:
  void SetTableByte(bool Exclusive);
  const os::File& FFile;
  bool FNoLocks;
  bool FTable = false;
  int FWriteDepth = 0;
  std::set<std::uint32_t> FRecords;
};

// Holds W for one scope (none when L is null: a transaction holds it for
// longer).
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
