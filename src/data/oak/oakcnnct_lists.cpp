// TOakConnection: transactions, server information, table and dictionary
// lists.
#include "data/oak/oakcnnct.h"
#include "data/oak/oakdata.h"
#include "platform/rtl/sysutils.h"

namespace {
String FromBuffer(const char* Buf, UNSIGNED16 Len, std::size_t Size) {
  return String(Buf, std::min<std::size_t>(Len, Size - 1));
}
}  // namespace

String TOakConnection::ServerName() const {
  if (!FConnected) {
    if (ComponentState().Contains(csDesigning)) return String();
    throw OakConnectionError("Must be connected to get Oak server name.");
  }
  char Buf[255] = {};
  UNSIGNED16 Len = sizeof(Buf);
  RaiseOakError(nullptr, OakGetServerName(FHandle, Buf, &Len));
  return FromBuffer(Buf, Len, sizeof(Buf));
}

String TOakConnection::GetConnectionType() const {
  if (!FConnected) return String();
  UNSIGNED16 Type = 0;
  RaiseOakError(nullptr, OakGetConnectionType(FHandle, &Type));
  switch (Type) {
    case OAK_CONNECTION_LOCAL:
      return "Local";
    case OAK_CONNECTION_REMOTE:
      return "Remote";
    case OAK_CONNECTION_INTERNET:
      return "Internet";
    default:
      return String();
  }
}

// ---- Transactions ------------------------------------------------------------

bool TOakConnection::TransactionActive() const {
  RequireConnected();
  return FTransactionActive;
}

void TOakConnection::BeginTransaction() {
  RequireConnected();
  RaiseOakError(nullptr, OakBeginTransaction(FHandle));
  FTransactionActive = true;
}

void TOakConnection::Commit() {
  RequireConnected();
  FireEvent(BeforeCommit);
  CloseCachedStatements();
  RaiseOakError(nullptr, OakCommitTransaction(FHandle));
  FTransactionActive = false;
  FireEvent(AfterCommit);
}

void TOakConnection::Rollback() {
  RequireConnected();
  FireEvent(BeforeRollback);
  CloseCachedStatements();
  auto Sets = FDataSets;
  for (TOakDataSet* D : Sets)
    if (D->State() == dsEdit || D->State() == dsInsert) D->Cancel();
  RaiseOakError(nullptr, OakRollbackTransaction(FHandle));
  FTransactionActive = false;
  FireEvent(AfterRollback);
}

// ---- Table lists --------------------------------------------------------------

namespace {
// The mask of a table list: folder, "/" and the pattern of the alias type.
String TableMask(const TOakConnection& C, const String& Pattern) {
  if (C.IsDictionary()) return String();
  String Folder =
      ExcludeTrailingPathDelimiter(!C.ConnectPath().empty() ? C.ConnectPath() : C.AliasPath());
  String Pat = Pattern;
  if (C.AliasType() == 3) Pat = "*.oat";
  if (C.AliasType() == 1 || C.AliasType() == 2) Pat = "*.dbf";
  return Folder + "/" + Pat;
}

// The search handle of a list routine, closed on every way out (a name
// that cannot be added, an error in the middle of the list). A find-first
// that failed handed out none.
class TSearch {
 public:
  using TClose = UNSIGNED32 (*)(OAKHANDLE Connection, OAKHANDLE Find);
  TSearch(OAKHANDLE Connection, TClose Close) : FConnection(Connection), FClose(Close) {}
  ~TSearch() {
    if (Handle != OAK_INVALID_HANDLE) FClose(FConnection, Handle);
  }
  TSearch(const TSearch&) = delete;
  TSearch& operator=(const TSearch&) = delete;

  OAKHANDLE Handle = OAK_INVALID_HANDLE;

 private:
  OAKHANDLE FConnection;
  TClose FClose;
};
}  // namespace

void TOakConnection::GetTableNames(TStrings* List, const String& Pattern) {
  RequireConnected();
  if (!List) return;
  String Mask = TableMask(*this, Pattern);
  char Name[260] = {};
  UNSIGNED16 Len = sizeof(Name);
  TSearch Find(FHandle, OakFindClose);
  UNSIGNED32 Code = OakFindFirstTable(FHandle, Mask.c_str(), Name, &Len, &Find.Handle);
  while (Code == OAK_SUCCESS) {
    List->Add(FromBuffer(Name, Len, sizeof(Name)));
    Len = sizeof(Name);
    Code = OakFindNextTable(FHandle, Find.Handle, Name, &Len);
  }
  if (Code != OAK_NO_MORE_TABLES) RaiseOakError(nullptr, Code);
}

void TOakConnection::GetTableNames62(TStrings* DatabaseNames, TStrings* TableNames,
                                     const String& Pattern) {
  RequireConnected();
  String Mask = TableMask(*this, Pattern);
  char Db[260] = {}, Name[260] = {};
  UNSIGNED16 DbLen = sizeof(Db), Len = sizeof(Name);
  TSearch Find(FHandle, OakFindClose);
  UNSIGNED32 Code = OakFindFirstTable62(FHandle, Mask.c_str(), Db, &DbLen, Name, &Len, &Find.Handle);
  while (Code == OAK_SUCCESS) {
    if (DatabaseNames) DatabaseNames->Add(FromBuffer(Db, DbLen, sizeof(Db)));
    if (TableNames) TableNames->Add(FromBuffer(Name, Len, sizeof(Name)));
    DbLen = sizeof(Db);
    Len = sizeof(Name);
    Code = OakFindNextTable62(FHandle, Find.Handle, Db, &DbLen, Name, &Len);
  }
  if (Code != OAK_NO_MORE_TABLES) RaiseOakError(nullptr, Code);
}

void TOakConnection::GetDictionaryObjects(TStrings* List, UNSIGNED16 ObjectType,
                                          const String& Parent) {
  if (!FDictionary || !List) return;
  if (!FConnected) Connect();
  char Name[200] = {};
  UNSIGNED16 Len = sizeof(Name);
  TSearch Find(FHandle, OakDDFindClose);
  UNSIGNED32 Code = OakDDFindFirstObject(
      FHandle, ObjectType, Parent.empty() ? nullptr : Parent.c_str(), Name, &Len, &Find.Handle);
  while (Code == OAK_SUCCESS) {
    List->Add(FromBuffer(Name, Len, sizeof(Name)));
    Len = sizeof(Name);
    Code = OakDDFindNextObject(FHandle, Find.Handle, Name, &Len);
  }
  if (Code != OAK_NO_MORE_OBJECTS) RaiseOakError(nullptr, Code);
}

// ---- Links, time, caches -----------------------------------------------------

UNSIGNED16 TOakConnection::GetNumActiveLinks() const {
  RequireConnected();
  UNSIGNED16 N = 0;
  RaiseOakError(nullptr, OakGetNumActiveLinks(FHandle, &N));
  return N;
}

void TOakConnection::GetActiveLinkNames(TStrings* List) const {
  UNSIGNED16 N = GetNumActiveLinks();
  for (UNSIGNED16 I = 1; I <= N; ++I) {
    char Buf[664] = {};
    UNSIGNED16 Len = sizeof(Buf);
    RaiseOakError(nullptr, OakGetActiveLinkInfo(FHandle, I, Buf, &Len));
    String Info = FromBuffer(Buf, Len, sizeof(Buf));
    std::size_t Start = 0;
    while (Start <= Info.size()) {
      auto Semi = Info.find(';', Start);
      String Part = Info.substr(Start, Semi == String::npos ? String::npos : Semi - Start);
      if (!Part.empty()) List->Add(Part);
      if (Semi == String::npos) break;
      Start = Semi + 1;
    }
  }
}

TDateTime TOakConnection::GetServerTime() const {
  RequireConnected();
  char Buf[16] = {};
  UNSIGNED16 Len = sizeof(Buf);
  UNSIGNED32 Ms = 0;
  RaiseOakError(nullptr, OakGetServerTime(FHandle, Buf, &Len, &Ms));
  double Julian = 0;
  RaiseOakError(nullptr, OakConvertStringToJulian(Buf, 8, &Julian));
  return (Julian - OakJulianOffset - DateDelta) + Ms / MSecsPerDayF;
}

void TOakConnection::CloseCachedTables() {
  if (FConnected) RaiseOakError(nullptr, OakCloseCachedTables(FHandle));
}
