// The table locks of the running host application.
#include "host/HostLocks.h"

const char* const HostLockedTables[3] = {"Auftraege", "Adressen", "setup"};

THostDatabaseLocks::THostDatabaseLocks(const String& Folder, const std::vector<String>& Tables)
    : FConnection(Folder) {
  try {
    for (const String& Name : Tables) {
      OAKHANDLE Table = OAK_INVALID_HANDLE;
      CheckOak(OakOpenTable(FConnection.Handle(), Name.c_str(), nullptr, OAK_OAT, OAK_ANSI,
                            OAK_PROPRIETARY_LOCKING, OAK_IGNORERIGHTS, 0, &Table),
               Name);
      FTables.push_back(Table);
      CheckOak(OakLockTable(Table), Name);
    }
  } catch (...) {
    Release();
    throw;
  }
}

THostDatabaseLocks::~THostDatabaseLocks() { Release(); }

void THostDatabaseLocks::Release() {
  for (OAKHANDLE Table : FTables) {
    OakUnlockTable(Table);
    OakCloseTable(Table);
  }
  FTables.clear();
}
