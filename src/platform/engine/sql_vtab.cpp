// The "oak" virtual-table module of SQLite over our tables.
#include "platform/engine/sql_vtab.h"

#include <cstring>
#include <memory>

#include "platform/engine/cursor.h"
#include "platform/engine/errors.h"
#include "platform/engine/expr_date.h"
#include "platform/engine/table_fields.h"

namespace oak {

namespace {

constexpr const char* kIsoDate = "YYYY-MM-DD";

struct TOakVTab {
  sqlite3_vtab Base{};
  std::unique_ptr<TCursor> Table;  // the writer and catalog of this table
};

struct TOakVCursor {
  sqlite3_vtab_cursor Base{};
  std::unique_ptr<TCursor> Walk;
};

const char* SqlType(UNSIGNED16 T) {
  switch (T) {
    case OAK_LOGICAL:
    case OAK_INTEGER:
    case OAK_SHORTINT:
    case OAK_AUTOINC: return "INTEGER";
    case OAK_NUMERIC:
    case OAK_DOUBLE:
    case OAK_CURDOUBLE: return "REAL";
    case OAK_BINARY:
    case OAK_IMAGE:
    case OAK_RAW: return "BLOB";
    default: return "TEXT";
  }
}

int Fault(sqlite3_vtab* V, const std::exception& E) {
  sqlite3_free(V->zErrMsg);
  V->zErrMsg = sqlite3_mprintf("%s", E.what());
  return SQLITE_ERROR;
}

std::string Unquote(std::string S) {
  if (S.size() >= 2 && (S.front() == '\'' || S.front() == '"')) S = S.substr(1, S.size() - 2);
  return S;
}

int Connect(sqlite3* Db, void* Aux, int Argc, const char* const* Argv, sqlite3_vtab** Out,
            char** Err) {
  auto* Conn = static_cast<TConnection*>(Aux);
  try {
    if (Argc < 4) throw EEngineError(E_SQL, "oak tables need the table path");
    auto V = std::make_unique<TOakVTab>();
    V->Table = std::make_unique<TCursor>(*Conn, Unquote(Argv[3]), TOpenOptions());
    V->Table->ShowDeleted = false;
    std::string Schema = "CREATE TABLE x(";
    for (size_t I = 0; I < V->Table->Fields().size(); ++I) {
      const TFieldDesc& F = V->Table->Fields()[I];
      Schema += (I ? ", \"" : "\"") + F.Name + "\" " + SqlType(F.Type);
    }
    Schema += ")";
    if (sqlite3_declare_vtab(Db, Schema.c_str()) != SQLITE_OK)
      throw EEngineError(E_SQL, sqlite3_errmsg(Db));
    *Out = &V.release()->Base;
    return SQLITE_OK;
  } catch (const std::exception& E) {
    *Err = sqlite3_mprintf("%s", E.what());
    return SQLITE_ERROR;
  }
}

int Disconnect(sqlite3_vtab* V) {
  delete reinterpret_cast<TOakVTab*>(V);
  return SQLITE_OK;
}

int BestIndex(sqlite3_vtab*, sqlite3_index_info* Info) {
  Info->estimatedCost = 1e6;
  return SQLITE_OK;
}

int Open(sqlite3_vtab* V, sqlite3_vtab_cursor** Out) {
  auto* T = reinterpret_cast<TOakVTab*>(V);
  try {
    auto C = std::make_unique<TOakVCursor>();
    C->Walk = std::make_unique<TCursor>(T->Table->Connection(), T->Table->Table().Path(),
                                        TOpenOptions());
    C->Walk->ShowDeleted = false;
    *Out = &C.release()->Base;
    return SQLITE_OK;
  } catch (const std::exception& E) {
    return Fault(V, E);
  }
}

int Close(sqlite3_vtab_cursor* C) {
  delete reinterpret_cast<TOakVCursor*>(C);
  return SQLITE_OK;
}

TCursor& WalkOf(sqlite3_vtab_cursor* C) { return *reinterpret_cast<TOakVCursor*>(C)->Walk; }

int Filter(sqlite3_vtab_cursor* C, int, const char*, int, sqlite3_value**) {
  try {
    WalkOf(C).GotoTop(nullptr);
    return SQLITE_OK;
  } catch (const std::exception& E) {
    return Fault(C->pVtab, E);
  }
}

int Next(sqlite3_vtab_cursor* C) {
  try {
    WalkOf(C).Skip(nullptr, 1);
    return SQLITE_OK;
  } catch (const std::exception& E) {
    return Fault(C->pVtab, E);
  }
}

int Eof(sqlite3_vtab_cursor* C) { return WalkOf(C).HasRecord() ? 0 : 1; }

void ResultText(sqlite3_context* Ctx, const std::string& S) {
  sqlite3_result_text(Ctx, S.data(), static_cast<int>(S.size()), SQLITE_TRANSIENT);
}

int Column(sqlite3_vtab_cursor* C, sqlite3_context* Ctx, int N) {
  try {
    TCursor& W = WalkOf(C);
    UNSIGNED16 Num = static_cast<UNSIGNED16>(N + 1);
    const TFieldDesc& F = W.Field(Num);
    const std::uint8_t* Rec = W.Record().data();
    if (IsBlobType(F.Type)) {
      std::string V = W.BlobValue(Num);
      if (V.empty()) return sqlite3_result_null(Ctx), SQLITE_OK;
      if (F.Type == OAK_MEMO || F.Type == OAK_VARCHAR) return ResultText(Ctx, V), SQLITE_OK;
      sqlite3_result_blob(Ctx, V.data(), static_cast<int>(V.size()), SQLITE_TRANSIENT);
      return SQLITE_OK;
    }
    if (IsFieldNull(F, Rec)) return sqlite3_result_null(Ctx), SQLITE_OK;
    std::string Type = SqlType(F.Type);
    if (F.Type == OAK_LOGICAL)
      sqlite3_result_int(Ctx, Rec[F.Offset] == 'T');
    else if (Type == "INTEGER")
      sqlite3_result_int64(Ctx, static_cast<sqlite3_int64>(GetFieldDouble(F, Rec)));
    else if (Type == "REAL")
      sqlite3_result_double(Ctx, GetFieldDouble(F, Rec));
    else if (F.Type == OAK_RAW)
      sqlite3_result_blob(Ctx, Rec + F.Offset, static_cast<int>(F.Length), SQLITE_TRANSIENT);
    else {
      // Character values lose their padding, as SQL compares them.
      std::string Text = GetFieldText(F, Rec, W.Table().Chars(), kIsoDate);
      if (IsCharType(F.Type)) Text.erase(Text.find_last_not_of(' ') + 1);
      ResultText(Ctx, Text);
    }
    return SQLITE_OK;
  } catch (const std::exception& E) {
    return Fault(C->pVtab, E);
  }
}

int Rowid(sqlite3_vtab_cursor* C, sqlite3_int64* Out) {
  *Out = WalkOf(C).RecNo();
  return SQLITE_OK;
}

// Sets field N of T's current record from an SQL value.
void SetFromValue(TCursor& T, UNSIGNED16 N, sqlite3_value* V) {
  const TFieldDesc& F = T.Field(N);
  if (sqlite3_value_type(V) == SQLITE_NULL) {
    if (IsBlobType(F.Type)) return T.SetBlob(N, std::string());
    T.BeginChange();
    return SetFieldNull(F, T.MutableRecord());
  }
  const char* P = static_cast<const char*>(sqlite3_value_blob(V));
  std::string Bytes(P ? P : "", static_cast<size_t>(sqlite3_value_bytes(V)));
  if (IsBlobType(F.Type)) return T.SetBlob(N, Bytes);
  T.BeginChange();
  int Kind = sqlite3_value_type(V);
  if ((Kind == SQLITE_INTEGER || Kind == SQLITE_FLOAT) && F.Type != OAK_LOGICAL &&
      !IsCharType(F.Type) && ExprTypeOf(F.Type) == ExprType::Number)
    return SetFieldDouble(F, T.MutableRecord(), sqlite3_value_double(V));
  if (F.Type == OAK_LOGICAL && Kind == SQLITE_INTEGER) Bytes.assign(1, sqlite3_value_int(V) ? 'T' : 'F');
  SetFieldText(F, T.MutableRecord(), Bytes, T.Table().Chars(), kIsoDate);
}

int Update(sqlite3_vtab* V, int Argc, sqlite3_value** Argv, sqlite3_int64* RowId) {
  TCursor& T = *reinterpret_cast<TOakVTab*>(V)->Table;
  try {
    bool Delete = Argc == 1, Insert = sqlite3_value_type(Argv[0]) == SQLITE_NULL;
    if (Insert) {
      T.Append();
    } else {
      T.GotoRecord(static_cast<UNSIGNED32>(sqlite3_value_int64(Argv[0])));
      T.RequireRecord();
    }
    if (Delete) return T.SetDeleted(true), SQLITE_OK;
    for (int I = 2; I < Argc; ++I) {
      UNSIGNED16 N = static_cast<UNSIGNED16>(I - 1);
      if (Insert && T.Field(N).Type == OAK_AUTOINC && sqlite3_value_type(Argv[I]) == SQLITE_NULL)
        continue;
      if (!Insert && sqlite3_value_nochange(Argv[I])) continue;
      SetFromValue(T, N, Argv[I]);
    }
    if (Insert) T.BeginChange();
    T.Write();
    *RowId = T.RecNo();
    return SQLITE_OK;
  } catch (const std::exception& E) {
    T.Cancel();
    return Fault(V, E);
  }
}

sqlite3_module& Module() {
  static sqlite3_module M = [] {
    sqlite3_module X{};
    X.iVersion = 1;
    X.xCreate = Connect;
    X.xConnect = Connect;
    X.xBestIndex = BestIndex;
    X.xDisconnect = Disconnect;
    X.xDestroy = Disconnect;
    X.xOpen = Open;
    X.xClose = Close;
    X.xFilter = Filter;
    X.xNext = Next;
    X.xEof = Eof;
    X.xColumn = Column;
    X.xRowid = Rowid;
    X.xUpdate = Update;
    return X;
  }();
  return M;
}

}  // namespace

void RegisterOakModule(sqlite3* Db, TConnection& Conn) {
  if (sqlite3_create_module(Db, "oak", &Module(), &Conn) != SQLITE_OK)
    Fail(E_SQL, sqlite3_errmsg(Db));
}

}  // namespace oak
