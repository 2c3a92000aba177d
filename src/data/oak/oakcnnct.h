// TOakConnection: one engine connection to a data folder or a data
// dictionary (a connect path ending in ".OAD"), named directly or through
// an alias of "oak.ini"; and the process-wide list of connections that
// datasets without a connection component open by path.
//
// A connection connects when IsConnected becomes true (or, while the form
// is being read, when loading completes) and disconnects when it becomes
// false; disconnecting closes every attached dataset. It also runs
// transactions, lists tables and dictionary objects, and executes SQL
// directly with a cache of prepared statements.
//
// Aliases: section "Databases" of "oak.ini" in the program's folder, value
// "path[;letter]"; see ResolveOakAlias.
//
// Thread safety: the list of connection components and the list of
// connections by path are each guarded by their own lock; a connection is
// used by the thread that made it.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "data/oak/oakset.h"
#include "platform/db/params.h"
#include "platform/rtl/strings.h"

class TOakDataSet;

// A process-wide list of live instances (connections, datasets) guarded by
// its own lock; each constructor adds itself and each destructor removes
// itself.
template <class T>
class TOakInstanceList {
 public:
  void Add(T* Item) {
    std::lock_guard<std::mutex> G(FLock);
    FItems.push_back(Item);
  }
  void Remove(T* Item) {
    std::lock_guard<std::mutex> G(FLock);
    FItems.erase(std::remove(FItems.begin(), FItems.end(), Item), FItems.end());
  }
  // Visits every instance under the lock until Visit returns false.
  void ForEach(const std::function<bool(T*)>& Visit) {
    std::lock_guard<std::mutex> G(FLock);
    for (T* Item : FItems)
      if (!Visit(Item)) break;
  }

 private:
  std::mutex FLock;
  std::vector<T*> FItems;
};

enum TOakCompressionTypes {
  ccOakCompressionNotSet,
  ccOakCompressInternet,
  ccOakCompressAlways,
  ccOakCompressNever
};
RTL_ENUM_INFO(TOakCompressionTypes, ccOakCompressionNotSet, ccOakCompressInternet,
              ccOakCompressAlways, ccOakCompressNever)

// Table types of a dataset (unit oaktable re-uses them).
enum TOakTableTypes { ttOakCDX, ttOakNTX, ttOakOAT, ttOakDefault };
RTL_ENUM_INFO(TOakTableTypes, ttOakCDX, ttOakNTX, ttOakOAT, ttOakDefault)

// Replaces the login dialog of a dictionary connection.
RTL_DECLARE_EVENT(TOakDatabaseLoginEvent,
                  void(TObject* Sender, String& Username, String& Password));

// The engine's code of a table type: 2 CDX, 1 NTX, 3 OAT and default.
inline UNSIGNED16 OakTableTypeCode(TOakTableTypes Type) {
  return Type == ttOakCDX ? OAK_CDX : Type == ttOakNTX ? OAK_NTX : OAK_OAT;
}
// The table type a connection's alias type fixes (1 CDX, 2 NTX, 3 OAT);
// false for alias type 0 (nothing fixed).
inline bool OakAliasTableType(Integer AliasType, TOakTableTypes& Type) {
  if (AliasType < 1 || AliasType > 3) return false;
  const TOakTableTypes Types[] = {ttOakCDX, ttOakNTX, ttOakOAT};
  Type = Types[AliasType - 1];
  return true;
}

// An alias of "oak.ini" as the datasets and the connection read it.
struct TOakAlias {
  String Path;                          // without the ";letter" suffix
  TOakTableTypes TableType = ttOakOAT;  // N: NTX, C: CDX, else OAT
  Integer AliasType = 0;                // connection's view: N 2, C 1, A 3, else 0
  bool Valid() const { return !Path.empty(); }
};
// Reads Alias from section "Databases" of "oak.ini" in the program's folder
// (else "oak.ini" found by the INI search). Returns an alias with an empty
// path when there is none.
TOakAlias ResolveOakAlias(const String& Alias);
// The file ResolveOakAlias reads; tests may point it elsewhere (empty: the
// program's folder, as above).
void SetOakIniFileName(const String& FileName);
String OakIniFileName();

// An engine connection opened for a data path by a dataset without a
// connection component.
struct TDynamicConn {
  OAKHANDLE Handle = 0;
  String Path;
};

// The process-wide connections opened by path; each handle is disconnected
// when the unit finalises.
class TDynamicConnList {
 public:
  ~TDynamicConnList();
  // The handle of the connection for Path (upper-cased comparison), or 0.
  OAKHANDLE Find(const String& Path);
  // Connects with OakConnect (the server types of TOakSettings apply), adds
  // the entry and returns the handle. EOAKDatabaseError without dataset on
  // failure.
  OAKHANDLE Connect(const String& Path);
  // Find, else Connect, under one lock.
  OAKHANDLE FindOrConnect(const String& Path);
  Integer Count();

 private:
  OAKHANDLE FindLocked(const String& Path) const;
  OAKHANDLE ConnectLocked(const String& Path);
  std::mutex FLock;
  std::vector<TDynamicConn> FItems;
};
TDynamicConnList& DynamicConnList();

// One cached prepared statement of a connection.
struct TOakSQLCacheEntry {
  Cardinal Hash = 0;
  OAKHANDLE Statement = OAK_INVALID_HANDLE;
  String SQL;
};
// Hash of an SQL text: fewer than 16 characters over all characters with
// multiplier 37, else every (length div 8)-th character with multiplier 39.
Cardinal OakSQLHash(const String& SQL);

// Table options that the twin of Execute sets on a new statement.
struct TOakStmtTableOptions {
  UNSIGNED16 LockType = 1;
  UNSIGNED16 CharType = 1;
  UNSIGNED16 Rights = 1;
  UNSIGNED16 ReadOnly = 1;
  UNSIGNED16 TableType = 3;
};

// The most characters of a connect path that a connection passes to the
// engine: a longer one is cut to its first ones when connecting.
constexpr Integer MaxOakConnectPath = 254;

class TOakConnection : public TComponent {
  RTL_DECLARE_CLASS(TOakConnection)
 public:
  explicit TOakConnection(TComponent* AOwner);
  // Closes and detaches every dataset, closes the cached statements and
  // disconnects (5024 ignored, other codes raise OakError); leaves the
  // process-wide list.
  ~TOakConnection() override;

  // ---- Properties ----------------------------------------------------
  const String& AliasName() const { return FAliasName; }
  // Refused while connected ("The TOakConnection.AliasName may not be
  // changed when IsConnected is TRUE"). Resolves the alias, clears
  // ConnectPath and gives the attached datasets the alias's table type.
  void SetAliasName(const String& Value);
  bool IsConnected() const { return FConnected; }
  // Connects or disconnects (see the algorithms in oakcnnct.cpp).
  void SetIsConnected(bool Value);
  const String& ConnectPath() const { return FConnectPath; }
  // Refused while connected ("The TOakConnection.ConnectPath may not be
  // changed when IsConnected is TRUE"); clears AliasName.
  void SetConnectPath(const String& Value);
  // OakGetServerName; OakConnectionError "Must be connected to get Oak
  // server name." when not connected.
  String ServerName() const;
  OAKHANDLE ConnectionHandle() const { return FHandle; }
  TOakServerTypes OakServerTypes() const { return FServerTypes; }
  void SetOakServerTypes(TOakServerTypes Value) { FServerTypes = Value; }
  bool LoginPrompt() const { return FLoginPrompt; }
  void SetLoginPrompt(bool Value) { FLoginPrompt = Value; }
  const String& Username() const { return FUsername; }
  void SetUsername(const String& Value) { FUsername = Value; }
  const String& Password() const { return FPassword; }
  void SetPassword(const String& Value) { FPassword = Value; }
  bool MiddleTierConnection() const { return FMiddleTier; }
  void SetMiddleTierConnection(bool Value) { FMiddleTier = Value; }
  bool StoreConnected() const { return FStoreConnected; }
  void SetStoreConnected(bool Value) { FStoreConnected = Value; }
  bool StoredProcedureConnection() const { return FStoredProc; }
  void SetStoredProcedureConnection(bool Value) { FStoredProc = Value; }
  TOakCompressionTypes Compression() const { return FCompression; }
  void SetCompression(TOakCompressionTypes Value) { FCompression = Value; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }

  TNotifyEvent AfterCommit, BeforeCommit, AfterRollback, BeforeRollback;
  TNotifyEvent OnConnect, OnDisconnect, AfterConnect, BeforeConnect;
  TNotifyEvent AfterDisconnect, BeforeDisconnect;
  TOakDatabaseLoginEvent OnLogin;

  // ---- Operations ------------------------------------------------------
  void Connect() { SetIsConnected(true); }
  void Disconnect() { SetIsConnected(false); }
  // ConnectPath when set, else the alias's path.
  String GetConnectPath() const;
  // Folder of the tables: the connect path, or for a dictionary the part
  // before its last delimiter ("./" for a bare dictionary name).
  String DataPath() const;
  // "Local", "Remote", "Internet" or "" (also when not connected).
  String GetConnectionType() const;
  bool IsDictionary() const { return FDictionary; }
  // 0 none, 1 CDX, 2 NTX, 3 OAT (from the alias suffix).
  Integer AliasType() const { return FAliasType; }
  const String& AliasPath() const { return FAliasPath; }
  bool AliasValid() const { return FAliasValid; }
  // The dictionary's property 1102 of Username, read after connecting.
  const String& UserProperty() const { return FUserProperty; }
  // Uses Handle instead of connecting; it is never disconnected.
  void SetExternalHandle(OAKHANDLE Handle) { FExternalHandle = Handle; }

  // Raise OakConnectionError "No connection to Oak server." when not
  // connected.
  bool TransactionActive() const;
  void BeginTransaction();
  void Commit();
  // Cancels the pending changes of every attached dataset first.
  void Rollback();

  // Adds the table names matching Pattern ("*.oat" ...) to List (null List:
  // nothing). Raises when not connected.
  void GetTableNames(TStrings* List, const String& Pattern = "*.*");
  // Fills DatabaseNames and TableNames (either may be null).
  void GetTableNames62(TStrings* DatabaseNames, TStrings* TableNames,
                       const String& Pattern = "*.*");
  // Names of the dictionary's objects of ObjectType under Parent.
  void GetDictionaryObjects(TStrings* List, UNSIGNED16 ObjectType = OAK_DD_TABLE_OBJECT,
                            const String& Parent = String());
  UNSIGNED16 GetNumActiveLinks() const;
  void GetActiveLinkNames(TStrings* List) const;
  // The server's clock; raises when not connected.
  TDateTime GetServerTime() const;
  void CloseCachedTables();

  // Direct SQL (implemented with the query, oakquery*.cpp): runs SQL
  // with Params (may be null), returns the affected row count (0 when the
  // engine gives none) or, when Cursor is given, stores the cursor handle
  // there.
  // KeepStatement keeps the prepared statement in the cache.
  Integer Execute(const String& SQL, TParams* Params = nullptr, OAKHANDLE* Cursor = nullptr,
                  bool KeepStatement = false);
  Integer Execute(const String& SQL, const TOakStmtTableOptions& Options, TParams* Params = nullptr,
                  OAKHANDLE* Cursor = nullptr, bool KeepStatement = false);
  bool StatementCacheEnabled() const { return FStatementCacheEnabled; }
  void SetStatementCacheEnabled(bool Value) { FStatementCacheEnabled = Value; }
  std::vector<TOakSQLCacheEntry>& StatementCache() { return FStatementCache; }
  // Closes every cached statement (OakCloseSQLStatement each) and empties
  // the cache.
  void CloseCachedStatements();

  // ---- Attached datasets ------------------------------------------------
  void AttachDataSet(TOakDataSet* DataSet);
  void DetachDataSet(TOakDataSet* DataSet);
  Integer DataSetCount() const { return static_cast<Integer>(FDataSets.size()); }
  TOakDataSet* DataSets(Integer Index) const { return FDataSets.at(Index); }
  // Thread that created the component.
  std::thread::id CreatorThread() const { return FCreatorThread; }

  // The class library's login dialog: titled Caption, User pre-filled;
  // returns false when cancelled. Unset, the dialog counts as cancelled.
  static std::function<bool(const String& Caption, String& User, String& Password)> LoginDialog;

  // Every connection component of the process, under its lock.
  static void ForEachConnection(const std::function<bool(TOakConnection*)>& Visit);

  void Loaded() override;
  void SetName(const String& NewName) override;

 private:
  void RequireConnected() const;
  void DoConnect();
  void DoDisconnect();
  void Login(String& User, String& Password);
  void ApplyDictionaryDefaultIndexes();
  void ReadUserProperty();
  void ApplyAliasTableType();
  UNSIGNED32 ConnectOptions() const;
  void FireEvent(const TNotifyEvent& Event) {
    if (Event) Event(this);
  }

  String FAliasName, FConnectPath, FAliasPath, FUsername, FPassword, FUserProperty;
  bool FConnected = false, FStreamedConnected = false, FDictionary = false;
  bool FAliasValid = true, FTransactionActive = false;
  bool FLoginPrompt = false, FMiddleTier = false, FStoreConnected = true;
  bool FStoredProc = false, FReadOnly = false, FStatementCacheEnabled = true;
  Integer FAliasType = 0;
  TOakServerTypes FServerTypes{stOAK_REMOTE, stOAK_LOCAL, stOAK_NET};
  TOakCompressionTypes FCompression = ccOakCompressionNotSet;
  OAKHANDLE FHandle = 0, FExternalHandle = 0;
  std::vector<TOakDataSet*> FDataSets;
  std::vector<TOakSQLCacheEntry> FStatementCache;
  std::thread::id FCreatorThread;
};
