// The office tables that the running host application holds: while a user
// edits in the host, its tables are open and locked, so that the
// synchronisation tool has to wait for them (or give up after its
// countdown). The host stand-in keeps these locks for as long as its main
// window is up.
//
// Thread safety: the engine serialises its calls; the locks belong to the
// object's table handles and exclude every other handle, of this process
// and of others.
#pragma once

#include <vector>

#include "host/HostTable.h"

// The tables the tool locks at start-up: "Auftraege", "Adressen", "setup".
extern const char* const HostLockedTables[3];

class THostDatabaseLocks {
 public:
  // Opens each of Tables (names without ".OAT") in Folder shared and takes
  // its table lock. Raises EHostSetupError when a table cannot be opened or
  // locked; the locks taken so far are released again.
  THostDatabaseLocks(const String& Folder, const std::vector<String>& Tables);
  // Releases the locks and closes the tables.
  ~THostDatabaseLocks();
  THostDatabaseLocks(const THostDatabaseLocks&) = delete;
  THostDatabaseLocks& operator=(const THostDatabaseLocks&) = delete;

  size_t Count() const { return FTables.size(); }

 private:
  void Release();

  THostConnection FConnection;
  std::vector<OAKHANDLE> FTables;
};
