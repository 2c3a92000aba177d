// Byte-range locks of a table handle.
#include "platform/engine/locks.h"

#include <chrono>
#include <thread>

#include "platform/engine/errors.h"

namespace oak {

namespace {
constexpr std::uint64_t kTableByte = kLockBase;
std::uint64_t RecordByte(std::uint32_t RecNo) { return kLockBase + 16 + RecNo; }
// The pause between two looks at a lock another handle holds.
constexpr auto kPoll = std::chrono::microseconds(200);
}  // namespace

bool TakeWriteByte(const os::File& F, int TimeoutMs) {
  auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (!F.Lock(kWriteByte, 1, os::LockKind::Exclusive).ok()) {
    if (std::chrono::steady_clock::now() > Deadline) return false;
    std::this_thread::sleep_for(kPoll);
  }
  return true;
}

void TLockSet::SetTableByte(bool Exclusive) {
  os::Status S = FFile.Lock(kTableByte, 1, Exclusive ? os::LockKind::Exclusive : os::LockKind::Shared);
  if (!S.ok()) Fail(E_LOCKED, FFile.Path());
}

void TLockSet::LockRecord(std::uint32_t RecNo) {
  if (HoldsRecord(RecNo)) return;
  if (FRecords.empty()) SetTableByte(false);
  os::Status S = FFile.Lock(RecordByte(RecNo), 1, os::LockKind::Exclusive);
  if (!S.ok()) {
    if (FRecords.empty()) FFile.Unlock(kTableByte, 1);
    Fail(E_LOCKED, FFile.Path() + ", record " + std::to_string(RecNo));
  }
  FRecords.insert(RecNo);
}

void TLockSet::UnlockRecord(std::uint32_t RecNo) {
  if (FNoLocks) return;
  if (!FRecords.erase(RecNo)) {
    if (FTable) return;  // covered by the table lock
    Fail(E_RECORD_NOT_LOCKED, "record " + std::to_string(RecNo));
  }
  FFile.Unlock(RecordByte(RecNo), 1);
  if (FRecords.empty() && !FTable) FFile.Unlock(kTableByte, 1);
}

void TLockSet::LockTable() {
  if (FNoLocks || FTable) return;
  SetTableByte(true);
  FTable = true;
}

void TLockSet::UnlockTable() {
  if (FNoLocks || !FTable) return;
  FTable = false;
  if (FRecords.empty())
    FFile.Unlock(kTableByte, 1);
  else
    SetTableByte(false);
}

void TLockSet::UnlockAll() {
  if (FNoLocks) return;
  for (std::uint32_t R : FRecords) FFile.Unlock(RecordByte(R), 1);
  FRecords.clear();
  FTable = false;
  FFile.Unlock(kTableByte, 1);
}

bool TLockSet::LockedByOther(std::uint32_t RecNo) const {
  if (FNoLocks) return false;
  return FFile.IsLockedByOther(kTableByte, 1, os::LockKind::Shared) ||
         FFile.IsLockedByOther(RecordByte(RecNo), 1, os::LockKind::Exclusive);
}

void TLockSet::RequireNoTableLockOfOther() const {
  // The table byte this handle holds, shared for its record locks or
  // exclusive for its table lock, keeps every other table lock out.
  if (FNoLocks || FTable || !FRecords.empty()) return;
  if (FFile.IsLockedByOther(kTableByte, 1, os::LockKind::Shared)) Fail(E_LOCKED, FFile.Path() + " (table lock)");
}

void TLockSet::BeginWrite(int TimeoutMs) {
  if (FNoLocks || FWriteDepth++ > 0) return;
  if (!TakeWriteByte(FFile, TimeoutMs)) {
    FWriteDepth = 0;
    Fail(E_LOCKED, FFile.Path() + " (being written by another program)");
  }
}

bool TLockSet::WriteHeldByOther() const {
  return !FNoLocks && FWriteDepth == 0 && FFile.IsLockedByOther(kWriteByte, 1, os::LockKind::Exclusive);
}

bool TLockSet::TryBeginWrite() {
  if (FNoLocks || FWriteDepth > 0) {
    if (!FNoLocks) ++FWriteDepth;
    return true;
  }
  if (!FFile.Lock(kWriteByte, 1, os::LockKind::Exclusive).ok()) return false;
  FWriteDepth = 1;
  return true;
}

bool TLockSet::WaitWhileOthersWrite(int TimeoutMs) {
  if (FNoLocks || FWriteDepth > 0) return true;
  auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (FFile.IsLockedByOther(kWriteByte, 1, os::LockKind::Exclusive)) {
    if (std::chrono::steady_clock::now() > Deadline) return false;
    std::this_thread::sleep_for(kPoll);
  }
  return true;
}

void TLockSet::EndWrite() {
  if (!FNoLocks && FWriteDepth > 0 && --FWriteDepth == 0) FFile.Unlock(kWriteByte, 1);
}

}  // namespace oak
