// Connections, the process-wide engine settings and the handle table.
//
// A connection is a data folder (or the folder of a data dictionary file
// ".OAD") plus the transaction in progress. Every object the API hands out
// (connection, table, index order, statement, cursor, find) is registered
// in one handle table under a 32-bit number that is never 0 nor -1 and is
// not reused while the process lives.
//
// Thread safety: only under the engine lock (errors.h: oak::Call).
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/engine/oak.h"
#include "platform/engine/txn.h"

namespace oak {

class TCursor;
class TIndexOrder;
class TLockSet;
class TStatement;
class TTableFile;

// Process-wide settings of OakSetDateFormat, OakSetDecimals, OakShowDeleted,
// OakSetServerType and the caches.
struct TEngineSettings {
  std::string DateFormat = "MM/DD/CCYY";
  UNSIGNED16 Decimals = 2;
  bool ShowDeleted = true;
  UNSIGNED16 ServerTypes = OAK_LOCAL_SERVER | OAK_REMOTE_SERVER | OAK_NET_SERVER;
  UNSIGNED16 CachedTables = 0;
  UNSIGNED16 CachedCursors = 25;
};
TEngineSettings& Settings();

enum class THandleKind { Connection, Table, Index, Statement, Find };

class THandled {
 public:
  virtual ~THandled() = default;
  virtual THandleKind Kind() const = 0;
  OAKHANDLE Handle = OAK_INVALID_HANDLE;
};

// Registers Obj (not owned) and returns its new handle.
OAKHANDLE RegisterHandle(THandled* Obj);
void UnregisterHandle(OAKHANDLE H);
// The object of H, or null.
THandled* FindHandle(OAKHANDLE H);
// The object of H when it has kind K; raises E_INVALID_HANDLE otherwise.
THandled* LookupHandle(OAKHANDLE H, THandleKind K);
// Number of live handles of kind K.
size_t CountHandles(THandleKind K);
// Every live object of kind K.
std::vector<THandled*> HandlesOf(THandleKind K);

class TConnection : public THandled {
 public:
  // Connects to Path: a folder, or a ".OAD" file (its folder is the data
  // folder). Raises E_FILE_NOT_FOUND when the folder does not exist.
  TConnection(const std::string& Path, UNSIGNED16 ServerTypes);
  ~TConnection() override;
  THandleKind Kind() const override { return THandleKind::Connection; }

  const std::string& ConnectPath() const { return FConnectPath; }
  // The data folder, without a trailing '/'.
  const std::string& DataPath() const { return FDataPath; }
  bool IsDictionary() const { return FDictionary; }
  UNSIGNED16 ConnectionType() const { return FType; }
  // Resolves a table name against the data folder (a name with a '/' is
  // taken as it is) and adds ".OAT" when it has no extension.
  std::string TablePath(const std::string& Name) const;

  // Cursors and statements register here so that disconnect closes them.
  void Attach(TCursor* C) { FCursors.insert(C); }
  void Detach(TCursor* C) { FCursors.erase(C); }
  void AttachStatement(TStatement* S) { FStatements.insert(S); }
  void DetachStatement(TStatement* S) { FStatements.erase(S); }
  // Closes every cursor and statement (disconnect).
  void CloseAll();

  bool InTransaction() const { return FJournal != nullptr; }
  // The journal of the transaction in progress (null when none).
  TTxnJournal* Journal() const { return FJournal.get(); }
  // Makes every other cursor of this connection on the table at Path write
  // what its transaction deferred (the table's write lock stays with the
  // transaction), so that Self sees those records and may write itself.
  void ReleaseHolds(TCursor* Self, const std::string& Path);
  // Takes the table of C into the transaction in progress, once: its write
  // lock, through C's locks, held until the transaction ends (so that no
  // other program writes a table a rollback writes back), a table a dead
  // program left settled first (TCursor::SettleDead), and its marker set. Raises E_LOCKED when another handle keeps the write
  // lock for 5 s, E_TRANSACTION (the journal's refusals, a table of a
  // second folder) and the os codes of the journal.
  void HoldTable(TCursor& C);
  // True when the transaction in progress holds the table at Path.
  bool HoldsTable(const std::string& Path) const { return FHeld.count(Path) != 0; }
  // A handle closed while the transaction holds its table (TCursor::
  // CloseInTransaction) stays open, without its handle number, until the
  // transaction ends: its part of the transaction is written at the commit
  // like any other, and its file keeps its share mode and the write lock.
  // Inside a transaction every change of a table is kept in memory until
  // the commit writes it (the changes of pack, zap, reindex and of making
  // or dropping an index tag are written at once). Raise the engine codes
  // of the files; a failed commit leaves the transaction open, to be
  // rolled back. Rollback writes the files back and leaves every handle
  // reading them anew.
  void BeginTransaction();
  void Commit();
  void Rollback();
  // A write inside the transaction failed half way (its keys changed, its
  // record not): the transaction can only be rolled back; Commit refuses
  // it (E_TRANSACTION, naming Why).
  void SpoilTransaction(const std::string& Why) {
    if (FSpoiled.empty()) FSpoiled = Why;
  }

 private:
  // Lets go of the write locks the transaction held and closes the handles
  // closed meanwhile.
  void EndHolds();
  std::string FConnectPath;
  std::string FDataPath;
  bool FDictionary = false;
  UNSIGNED16 FType = OAK_CONNECTION_LOCAL;
  std::set<TCursor*> FCursors;
  std::set<TStatement*> FStatements;
  std::unique_ptr<TTxnJournal> FJournal;
  std::string FSpoiled;
  std::map<std::string, TLockSet*> FHeld;  // table path -> the locks holding its write lock
};

// The connection of H (E_NOT_CONNECTED when H is none).
TConnection& ConnectionOf(OAKHANDLE H);

}  // namespace oak
