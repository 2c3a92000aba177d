// TOakExtendedTable: table locks.
//
// A table lock is the engine's lock for this table handle; it keeps every
// other handle (of this or another process) from locking the table or a
// record of it, and it lasts until the table is closed.
#include "data/oak/oakfunc.h"

bool TOakExtendedTable::LockTable() {
  CheckBrowseMode();
  UNSIGNED32 Code = OakLockTable(FTableHandle);
  // Another user holds the table or one of its records: the caller may try
  // again later.
  if (Code != OAK_LOCKED) CheckOakResult(this, Code);
  ResyncAfterMove();
  return Code == OAK_SUCCESS;
}

bool TOakExtendedTable::IsTableLocked() {
  UNSIGNED16 Locked = 0;
  CheckOakResult(this, OakIsTableLocked(FTableHandle, &Locked));
  return Locked != 0;
}
