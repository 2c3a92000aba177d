// SQL statements over our tables, run by SQLite.
#include "platform/engine/sql.h"

#include <sqlite3.h>
#include <stdlib.h>
#include <strings.h>

#include <cmath>
#include <memory>

#include "platform/engine/cursor.h"
#include "platform/engine/errors.h"
#include "platform/engine/memo.h"
#include "platform/engine/sql_vtab.h"
#include "platform/engine/table_fields.h"
#include "platform/os/folders.h"

namespace oak {

namespace {

using TDb = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;
using TStmt = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

[[noreturn]] void FailSql(sqlite3* Db) {
  Fail(E_SQL, "NativeError = " + std::to_string(sqlite3_extended_errcode(Db)) + "; " +
                  sqlite3_errmsg(Db));
}

// One result value, copied out of SQLite.
struct TCell {
  int Type = SQLITE_NULL;
  std::string Bytes;
  double Number = 0;
};

std::string ColumnName(sqlite3_stmt* St, int I, std::vector<std::string>& Taken) {
  std::string Name = sqlite3_column_name(St, I) ? sqlite3_column_name(St, I) : "";
  for (char& C : Name)
    if (C == ',' || C == ';' || C == ' ' || C == '(' || C == ')' || C == '"') C = '_';
  if (Name.empty()) Name = "EXPR";
  Name = Name.substr(0, kMaxFieldName - 4);
  std::string Base = Name;
  for (int N = 2;; ++N) {
    bool Clash = false;
    for (auto& T : Taken) Clash = Clash || strcasecmp(T.c_str(), Name.c_str()) == 0;
    if (!Clash) break;
    Name = Base + std::to_string(N);
  }
  Taken.push_back(Name);
  return Name;
}

// The field that holds column I of the result.
TFieldDesc FieldFor(sqlite3_stmt* St, int I, const std::vector<std::vector<TCell>>& Rows,
                    std::vector<std::string>& Taken) {
  TFieldDesc F;
  F.Name = ColumnName(St, I, Taken);
  int Kind = SQLITE_NULL;
  size_t Width = 1;
  bool Wide = false;
  for (auto& R : Rows) {
    if (R[I].Type == SQLITE_NULL) continue;
    if (Kind == SQLITE_NULL || Kind == SQLITE_INTEGER) Kind = R[I].Type;
    if (R[I].Type == SQLITE_INTEGER && std::fabs(R[I].Number) > 2147483647.0) Wide = true;
    Width = std::max(Width, R[I].Bytes.size());
  }
  switch (Kind) {
    case SQLITE_INTEGER: F.Type = Wide ? OAK_DOUBLE : OAK_INTEGER; break;
    case SQLITE_FLOAT: F.Type = OAK_DOUBLE; break;
    case SQLITE_BLOB: F.Type = OAK_BINARY; break;
    default: F.Type = Width > 254 ? OAK_MEMO : OAK_STRING;
  }
  F.Length = F.Type == OAK_STRING ? static_cast<UNSIGNED32>(Width)
             : F.Type == OAK_INTEGER ? 4
                                     : 8;
  return F;
}

void PutCell(TCursor& T, UNSIGNED16 N, const TCell& C) {
  const TFieldDesc& F = T.Field(N);
  if (C.Type == SQLITE_NULL) return;
  if (IsBlobType(F.Type)) return T.SetBlob(N, C.Bytes);
  if (F.Type == OAK_STRING)
    return SetFieldText(F, T.MutableRecord(), C.Bytes, T.Table().Chars(), "YYYY-MM-DD");
  SetFieldDouble(F, T.MutableRecord(), C.Number);
}

}  // namespace

TStatement::TStatement(TConnection& Conn) : FConn(Conn) {
  Handle = RegisterHandle(this);
  FConn.AttachStatement(this);
}

TStatement::~TStatement() {
  FConn.DetachStatement(this);
  UnregisterHandle(Handle);
}

std::vector<std::string> TStatement::ParamNames(const std::string& Sql) {
  std::vector<std::string> Names;
  char Quote = 0;
  for (size_t I = 0; I < Sql.size(); ++I) {
    char C = Sql[I];
    if (Quote) {
      if (C == Quote) Quote = 0;
      continue;
    }
    if (C == '\'' || C == '"') {
      Quote = C;
    } else if (C == '?') {
      Names.push_back("?");
    } else if (C == ':' && I + 1 < Sql.size() &&
               (std::isalpha(static_cast<unsigned char>(Sql[I + 1])) || Sql[I + 1] == '_')) {
      size_t E = I + 1;
      while (E < Sql.size() && (std::isalnum(static_cast<unsigned char>(Sql[E])) || Sql[E] == '_'))
        ++E;
      Names.push_back(Sql.substr(I + 1, E - I - 1));
      I = E - 1;
    }
  }
  if (Quote) Fail(E_SQL, "unterminated literal in SQL text");
  return Names;
}

void TStatement::Prepare(const std::string& Sql) {
  ParamNames(Sql);
  FSql = Sql;
}

void TStatement::SetParam(UNSIGNED16 N, std::string Value, bool IsNull) {
  FParams[N] = {std::move(Value), IsNull};
}

UNSIGNED32 TStatement::RowsAffected() const {
  if (FRows < 0) Fail(E_NO_ROW_COUNT);
  return static_cast<UNSIGNED32>(FRows);
}

OAKHANDLE TStatement::Execute() {
  if (FSql.empty()) Fail(E_SQL, "no statement text");
  sqlite3* Raw = nullptr;
  if (sqlite3_open(":memory:", &Raw) != SQLITE_OK) Fail(E_SQL, "cannot start the SQL engine");
  TDb Db(Raw, &sqlite3_close);
  RegisterOakModule(Db.get(), FConn);
  TStmt St(nullptr, &sqlite3_finalize);
  // Each table the text names becomes a virtual table when first missed.
  for (int Attempt = 0;; ++Attempt) {
    sqlite3_stmt* P = nullptr;
    if (sqlite3_prepare_v2(Db.get(), FSql.c_str(), -1, &P, nullptr) == SQLITE_OK) {
      St.reset(P);
      break;
    }
    std::string Msg = sqlite3_errmsg(Db.get());
    const std::string Missing = "no such table: ";
    if (Attempt > 64 || Msg.compare(0, Missing.size(), Missing) != 0) FailSql(Db.get());
    std::string Name = Msg.substr(Missing.size());
    if (Name.find('.') != std::string::npos && Name.compare(0, 5, "main.") == 0) Name = Name.substr(5);
    std::string Path = os::ResolvePath(FConn.TablePath(Name));
    os::File Probe;
    if (!Probe.Open(Path, os::Access::Read, os::Share::DenyNone).ok()) FailSql(Db.get());
    Probe.Close();
    std::string Quoted;
    for (char C : Path) Quoted += C == '\'' ? std::string("''") : std::string(1, C);
    std::string Create = "CREATE VIRTUAL TABLE temp.\"" + Name + "\" USING oak('" + Quoted + "')";
    if (sqlite3_exec(Db.get(), Create.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      FailSql(Db.get());
  }
  for (auto& [N, V] : FParams) {
    if (N == 0 || N > sqlite3_bind_parameter_count(St.get())) continue;
    if (V.second)
      sqlite3_bind_null(St.get(), N);
    else
      sqlite3_bind_text(St.get(), N, V.first.data(), static_cast<int>(V.first.size()),
                        SQLITE_TRANSIENT);
  }
  if (sqlite3_column_count(St.get()) == 0) {
    int Rc;
    while ((Rc = sqlite3_step(St.get())) == SQLITE_ROW) {
    }
    if (Rc != SQLITE_DONE) FailSql(Db.get());
    FRows = sqlite3_changes(Db.get());
    return OAK_INVALID_HANDLE;
  }
  return Materialise(St.get(), Db.get());
}

OAKHANDLE TStatement::Materialise(sqlite3_stmt* St, sqlite3* Db) {
  int Cols = sqlite3_column_count(St);
  std::vector<std::vector<TCell>> Rows;
  int Rc;
  while ((Rc = sqlite3_step(St)) == SQLITE_ROW) {
    std::vector<TCell>& R = Rows.emplace_back(Cols);
    for (int I = 0; I < Cols; ++I) {
      R[I].Type = sqlite3_column_type(St, I);
      R[I].Number = sqlite3_column_double(St, I);
      const char* B = static_cast<const char*>(sqlite3_column_blob(St, I));
      R[I].Bytes.assign(B ? B : "", static_cast<size_t>(sqlite3_column_bytes(St, I)));
      if (R[I].Type == SQLITE_INTEGER || R[I].Type == SQLITE_FLOAT)
        R[I].Bytes = reinterpret_cast<const char*>(sqlite3_column_text(St, I));
    }
  }
  if (Rc != SQLITE_DONE) FailSql(Db);
  FRows = static_cast<long long>(Rows.size());
  std::vector<TFieldDesc> Fields;
  std::vector<std::string> Taken;
  UNSIGNED32 Offset = 1;
  for (int I = 0; I < Cols; ++I) {
    Fields.push_back(FieldFor(St, I, Rows, Taken));
    Fields.back().Offset = Offset;
    Offset += Fields.back().Length;
  }
  std::string Tmpl = GetTempPath() + "oaksqlXXXXXX";
  if (!mkdtemp(Tmpl.data())) Fail(E_IO, "temporary folder for an SQL result");
  std::string Path = Tmpl + "/result.OAT";
  TTableFile::Create(Path, Fields, CharType::Ansi);
  for (auto& F : Fields)
    if (IsBlobType(F.Type)) {
      TMemoFile::Create(Tmpl + "/result.OAM", 0);
      break;
    }
  {
    TOpenOptions Fill;
    Fill.Exclusive = Fill.OutsideTransactions = true;
    TCursor Writer(FConn, Path, Fill);
    for (auto& R : Rows) {
      Writer.Append();
      for (int I = 0; I < Cols; ++I) PutCell(Writer, static_cast<UNSIGNED16>(I + 1), R[I]);
      Writer.Write();
    }
  }
  TOpenOptions Read;
  Read.Exclusive = Read.ReadOnly = Read.OutsideTransactions = true;
  auto* Result = new TCursor(FConn, Path, Read);
  Result->IsSqlResult = true;
  Result->SqlKind = OAK_SQL_STATIC;
  Result->RemoveOnClose = Tmpl;
  Result->GotoTop(nullptr);
  return Result->Handle;
}

}  // namespace oak
