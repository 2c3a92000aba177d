// TOakTable, the table dataset the application places on its forms and
// creates at run time, and TOakQuery, the dataset over an SQL statement.
//
// A TOakTable is located by OakConnection or DatabaseName (a connection
// name, an alias of "oak.ini" or a folder) and TableName; it opens with
// the options Exclusive, ReadOnly, TableType, IndexCollationMismatch and
// the table options, selects its index by IndexName or IndexFieldNames
// and opens the extra index files of IndexFiles.
//
// TOakQuery prepares its SQL text, binds Params and executes the statement;
// a SELECT yields a cursor that the dataset browses like a table. It is
// implemented in oakquery*.cpp.
//
// Thread safety: as TOakDataSet.
#pragma once

#include "data/oak/oakfunc.h"
#include "platform/rtl/strings.h"

// The extra index files of a table; entries without a folder lie in the
// dataset's data path. On an active dataset adding opens the file at once,
// deleting closes it first.
class TOakIndexFiles : public TStringList {
  RTL_DECLARE_CLASS(TOakIndexFiles)
 public:
  // Raises EOAKDatabaseError 5121 "TOakIndexFiles instances require a
  // non-nil owner" without an owner.
  explicit TOakIndexFiles(TOakDataSet* AOwner);
  Integer Add(const String& S) override;
  void Insert(Integer Index, const String& S) override;
  void Delete(Integer Index) override;
  void Clear() override;
  TOakDataSet* DataSet() const { return FOwner; }

 private:
  TOakDataSet* FOwner;
};

class TOakTable : public TOakExtendedTable {
  RTL_DECLARE_CLASS(TOakTable)
 public:
  explicit TOakTable(TComponent* AOwner);
  ~TOakTable() override;

  TOakIndexFiles* IndexFiles() const { return FIndexFiles.get(); }
  void SetIndexFiles(TStrings* Value);
  bool StoreDefs() const { return FStoreDefs; }
  void SetStoreDefs(bool Value) { FStoreDefs = Value; }
  const String& InfoExpression() const { return FInfoExpression; }
  void SetInfoExpression(const String& Value) { FInfoExpression = Value; }

  UNSIGNED32 LastAutoIncValue() override;

 protected:
  OAKHANDLE OpenTableCursor() override;
  void OpenIndexFiles(OAKHANDLE Table) override;

 private:
  std::unique_ptr<TOakIndexFiles> FIndexFiles;
  bool FStoreDefs = false;
  String FInfoExpression;
};

class TOakQuery;

// The master link of a query: the master's row changes re-bind the
// parameters.
class TOakQueryDataLink : public TDataLink {
  RTL_DECLARE_CLASS(TOakQueryDataLink)
 public:
  explicit TOakQueryDataLink(TOakQuery* AQuery) : FQuery(AQuery) {}

 protected:
  void ActiveChanged() override;
  void RecordChanged(TField* Field) override;
  void CheckBrowseMode() override;

 private:
  TOakQuery* FQuery;
};

class TOakQuery : public TOakDataSet {
  RTL_DECLARE_CLASS(TOakQuery)
 public:
  explicit TOakQuery(TComponent* AOwner);
  ~TOakQuery() override;

  TStrings* SQL() const { return FSQL.get(); }
  // Closes and unprepares when the text changes, then parses the
  // parameters again.
  void SetSQL(TStrings* Value);
  TParams* Params() const { return FParams.get(); }
  void SetParams(TParams* Value);
  TParam* ParamByName(const String& Name) const;
  bool ReadAllColumns() const { return FReadAllColumns; }
  void SetReadAllColumns(bool Value) { FReadAllColumns = Value; }
  bool Constrained() const { return FConstrained; }
  void SetConstrained(bool Value) { FConstrained = Value; }
  bool ParamCheck() const { return FParamCheck; }
  void SetParamCheck(bool Value) { FParamCheck = Value; }
  bool RequestLive() const { return FRequestLive; }
  void SetRequestLive(bool Value) { FRequestLive = Value; }
  TOakTableTypes SourceTableType() const { return FSourceTableType; }
  // ttOakNTX raises "The TOakQuery component does not support the NTX
  // table type".
  void SetSourceTableType(TOakTableTypes Value);
  TDataSource* DataSource() const;
  // A source leading back to this query raises 5121 "Circular Data Link".
  void SetDataSource(TDataSource* Value);

  void Prepare();
  void Unprepare();
  bool Prepared() const { return FPrepared; }
  // Executes a statement that yields no cursor.
  void ExecSQL();
  // Rows the last execution changed (-1 when unknown).
  Integer RowsAffected() const { return FRowsAffected; }
  OAKHANDLE StatementHandle() const { return FStatement; }

  void SetDatabaseName(const String& Value) override;
  UNSIGNED32 LastAutoIncValue() override;
  void ConnectionClosed() override;
  void GetDetailLinkFields(std::vector<TField*>& MasterFields,
                           std::vector<TField*>& DetailFields) override;
  TDataSource* GetDataSource() const override { return DataSource(); }
  // Re-binds from the master and reopens (the master link).
  void MasterChanged();

 protected:
  OAKHANDLE OpenTableCursor() override;
  Integer GetRecNo() const override;
  void InternalClose() override;

 private:
  void SQLChanged();
  OAKHANDLE GetStatement();
  void ReleaseStatement();
  void SetStatementOptions();
  void BindParams();
  OAKHANDLE Execute();
  std::unique_ptr<TStrings> FSQL;
  std::unique_ptr<TParams> FParams;
  std::unique_ptr<TOakQueryDataLink> FDataLink;
  OAKHANDLE FStatement = OAK_INVALID_HANDLE;
  OAKHANDLE FStatementConnection = OAK_INVALID_HANDLE;
  bool FPrepared = false, FReadAllColumns = false, FConstrained = false;
  bool FParamCheck = true, FRequestLive = false;
  TOakTableTypes FSourceTableType = ttOakOAT;
  Integer FRowsAffected = -1;
  String FStoredData;
};
