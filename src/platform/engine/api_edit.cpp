// Entry points: appending, writing, deleting, locks and table maintenance.
#include "platform/engine/cursor.h"
#include "platform/engine/errors.h"

using namespace oak;

namespace {

UNSIGNED32 RecordOf(TCursor& C, UNSIGNED32 ulRec) {
  if (ulRec) return ulRec;
  C.RequireRecord();
  return C.RecNo();
}

}  // namespace

extern "C" {

UNSIGNED32 OakAppendRecord(OAKHANDLE hTable) {
  return Call([&] { CursorOf(hTable).Append(); });
}

UNSIGNED32 OakWriteRecord(OAKHANDLE hTable) {
  return Call([&] { CursorOf(hTable).Write(); });
}

UNSIGNED32 OakCancelUpdate(OAKHANDLE hTable) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    if (!C.Cancel()) Fail(C.HasRecord() ? E_NO_PENDING_UPDATE : E_NO_CURRENT_RECORD);
  });
}

UNSIGNED32 OakDeleteRecord(OAKHANDLE hTable) {
  return Call([&] { CursorOf(hTable).SetDeleted(true); });
}

UNSIGNED32 OakRecallRecord(OAKHANDLE hTable) {
  return Call([&] { CursorOf(hTable).SetDeleted(false); });
}

UNSIGNED32 OakLockRecord(OAKHANDLE hTable, UNSIGNED32 ulRec) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    C.LockRecord(RecordOf(C, ulRec));
  });
}

UNSIGNED32 OakUnlockRecord(OAKHANDLE hTable, UNSIGNED32 ulRec) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    C.Locks().UnlockRecord(RecordOf(C, ulRec));
  });
}

UNSIGNED32 OakIsRecordLocked(OAKHANDLE hTable, UNSIGNED32 ulRec, UNSIGNED16* pbLocked) {
  return Call([&] {
    TCursor& C = CursorOf(hTable);
    Out(pbLocked) = C.Locks().HoldsRecord(RecordOf(C, ulRec)) ? 1 : 0;
  });
}

UNSIGNED32 OakLockTable(OAKHANDLE hTable) {
  return Call([&] {
    CursorOf(hTable).LockTable();
  });
}

UNSIGNED32 OakUnlockTable(OAKHANDLE hTable) {
  return Call([&] { CursorOf(hTable).Locks().UnlockTable(); });
}

UNSIGNED32 OakIsTableLocked(OAKHANDLE hTable, UNSIGNED16* pbLocked) {
  return Call([&] { Out(pbLocked) = CursorOf(hTable).Locks().HoldsTable() ? 1 : 0; });
}

UNSIGNED32 OakPackTable(OAKHANDLE hTable) {
  return Call([&] { CursorOf(hTable).Pack(); });
}

UNSIGNED32 OakZapTable(OAKHANDLE hTable) {
  return Call([&] { CursorOf(hTable).Zap(); });
}

UNSIGNED32 OakReindex61(OAKHANDLE hTable, UNSIGNED32) {
  return Call([&] { CursorOf(hTable).Reindex(); });
}

}  // extern "C"
