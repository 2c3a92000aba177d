// TOakQuery: the engine statement (getting, options, execution, release),
// the cursor a SELECT yields, the query's record number and closing.
#include <climits>
#include <cmath>

#include "data/oak/oakquery.h"

namespace {
bool IsOpenStatement(OAKHANDLE H) {
  UNSIGNED16 Type = 0;
  return H != OAK_INVALID_HANDLE && OakGetHandleType(H, &Type) == OAK_SUCCESS &&
         Type == OAK_STATEMENT;
}
}  // namespace

OAKHANDLE TOakQuery::GetStatement() {
  if (IsOpenStatement(FStatement)) return FStatement;
  if (!FConnection && DatabaseName().empty())
    OakDatabaseError(this, OAK_ERR_STATE, "The DatabaseName property has not been assigned a value.");
  OAKHANDLE Connection = GetConnectionHandle();
  if (Connection == 0 || Connection == OAK_INVALID_HANDLE)
    OakDatabaseError(this, OAK_ERR_STATE, "Internal Error: invalid connection handle.");
  OAKHANDLE Statement = OAK_INVALID_HANDLE;
  RaiseOakError(this, OakCreateSQLStatement(Connection, &Statement));
  FStatement = Statement;
  FStatementConnection = Connection;
  FPrepared = false;
  return Statement;
}

void TOakQuery::ReleaseStatement() {
  if (Active())
    OakDatabaseError(this, OAK_ERR_STATE, "Cannot perform this operation on an open dataset");
  if (FStatement == OAK_INVALID_HANDLE) return;
  OAKHANDLE S = FStatement;
  FStatement = OAK_INVALID_HANDLE;
  FPrepared = false;
  OakCloseStatement(this, S);
}

void TOakQuery::SetStatementOptions() {
  bool ConnectionReadOnly = FConnection && FConnection->ReadOnly();
  bool Live = FRequestLive && !ConnectionReadOnly;
  RaiseOakError(this, OakStmtSetTableLockType(FStatement, FOptions->EngineLockType()));
  RaiseOakError(this, OakStmtSetTableCharType(FStatement, FOptions->EngineCharType()));
  RaiseOakError(this, OakStmtSetTableRights(FStatement, FOptions->EngineRights()));
  RaiseOakError(this, OakStmtSetTableReadOnly(FStatement, Live ? OAK_STMT_LIVE : OAK_STMT_READONLY));
  RaiseOakError(this, OakStmtSetTableType(FStatement, FSourceTableType == ttOakCDX ? OAK_CDX : OAK_OAT));
  RaiseOakError(this, OakStmtConstrainUpdates(FStatement, FConstrained ? 1 : 2));
  RaiseOakError(this, OakStmtReadAllColumns(FStatement, FReadAllColumns ? 1 : 2));
}

// A query with a master data source takes its unbound parameters from the
// master's row first.
void TOakQuery::BindParams() {
  if (DataSource()) OakParamsFromMaster(FParams.get(), DataSource()->DataSet());
  OakBindParams(this, FStatement, FParams.get());
}

// Runs the statement and returns its cursor (OAK_INVALID_HANDLE when the
// statement yields none); the affected row count is kept.
OAKHANDLE TOakQuery::Execute() {
  bool Fresh = !IsOpenStatement(FStatement);
  GetStatement();
  SetStatementOptions();
  if (Fresh || !FPrepared) {
    RaiseOakError(this, OakPrepareSQL(FStatement, FSQL->Text().c_str()));
    FPrepared = true;
  }
  BindParams();
  OAKHANDLE Cursor = OAK_INVALID_HANDLE;
  UNSIGNED32 Code = OakExecuteSQL(FStatement, &Cursor);
  if (Code != OAK_SUCCESS) {
    EOAKDatabaseError E = LastEngineError(this, Code);
    // A statement refused for its parameters is not kept for the next try.
    if (E.Message().find("7209") != String::npos) ReleaseStatement();
    throw E;
  }
  if (Cursor == 0) Cursor = OAK_INVALID_HANDLE;
  FRowsAffected = OakStatementRowCount(this, FStatement, -1);
  return Cursor;
}

OAKHANDLE TOakQuery::OpenTableCursor() {
  OAKHANDLE Cursor = Execute();
  if (Cursor == OAK_INVALID_HANDLE)
    OakDatabaseError(this, OAK_ERR_STATE,
                     "The SQL statement did not generate a cursor handle.  Use TOakQuery.ExecSQL "
                     "to execute SQL statements that are not SELECT statements");
  try {
    UNSIGNED16 Kind = 0;
    RaiseOakError(this, OakSqlPeekStatement(Cursor, &Kind));
    FReadOnly = Kind == OAK_SQL_STATIC;
    if (Kind == OAK_SQL_LIVE) {
      UNSIGNED16 CharType = OAK_ANSI;
      RaiseOakError(this, OakGetTableCharType(Cursor, &CharType));
      FOptions->ForceCharType(CharType == OAK_OEM ? OEM : ANSI);
    }
    OpenIndexFiles(Cursor);
  } catch (...) {
    OakCloseTable(Cursor);
    throw;
  }
  return Cursor;
}

void TOakQuery::ExecSQL() {
  CheckInactive();
  OAKHANDLE Cursor = Execute();
  if (Cursor != OAK_INVALID_HANDLE) RaiseOakError(this, OakCloseTable(Cursor));
}

void TOakQuery::InternalClose() {
  TOakDataSet::InternalClose();
  if (ComponentState().Contains(csDesigning) && FStatement != OAK_INVALID_HANDLE) {
    OAKHANDLE S = FStatement;
    FStatement = OAK_INVALID_HANDLE;
    OakCloseStatement(this, S);
  }
}

// ---- Record number and autoincrement ---------------------------------------------------

Integer TOakQuery::GetRecNo() const {
  if (!Active() || IsEmpty()) return -1;
  auto* Self = const_cast<TOakQuery*>(this);
  Self->SyncCursor();
  OAKHANDLE Order = FOrderHandle;
  if (IndexName().empty() && IndexFieldNames().empty())
    RaiseOakError(Self, OakGetIndexHandle(FTableHandle, nullptr, &Order));
  bool ByIndex = Sequenced() && Order != 0 && Order != FTableHandle;
  UNSIGNED32 N = 0;
  if (!ByIndex) {
    RaiseOakError(Self, OakGetRecordNum(FTableHandle, OAK_IGNOREFILTERS, &N));
  } else if (SequencedLevel() == slExact) {
    RaiseOakError(Self, OakGetKeyNum(Order, OAK_RESPECTFILTERS, &N));
  } else {
    UNSIGNED32 Count = 0;
    RaiseOakError(Self, OakGetRecordCount(FTableHandle, OAK_IGNOREFILTERS, &Count));
    double Position = 0;
    UNSIGNED32 Code = OakGetRelKeyPos(Order, &Position);
    if (Code != OAK_NO_KEY_POSITION) RaiseOakError(Self, Code);
    double Rounded = std::round(Count * Position);
    if (Rounded > INT_MAX) throw ERangeError("Fehler bei Bereichsprüfung");
    return static_cast<Integer>(Rounded);
  }
  return static_cast<Integer>(N);
}

UNSIGNED32 TOakQuery::LastAutoIncValue() {
  OAKHANDLE H = FTableHandle != OAK_INVALID_HANDLE ? FTableHandle : FStatement;
  UNSIGNED32 Value = 0;
  RaiseOakError(this, OakGetLastAutoinc(H, &Value));
  if (Value > static_cast<UNSIGNED32>(INT_MAX)) throw ERangeError("Fehler bei Bereichsprüfung");
  return Value;
}
