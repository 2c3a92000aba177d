// TOakDataSet: the class library's dataset over an engine table or SQL
// cursor; the shared part of TOakTable and TOakQuery (unit oaktable).
//
// The dataset holds two engine handles while open: the table handle (of
// the table or cursor) and the active order handle (the selected index, or
// the table handle itself when none is selected). Records are fetched from
// the engine as raw images; fields are decoded from and encoded into the
// raw image at the offsets the engine gives (the OCE field descriptions).
//
// Record buffer, one per buffered row, in this order:
//   raw record (RawRecordLength bytes, as OakGetRecord gives it; the four
//     bytes of a memo/binary/image/varchar field hold -1 when it has data,
//     0 when empty);
//   calculated area (CalcFieldsSize bytes);
//   one TOakBlobCache* per blob field (BlobFieldCount of them);
//   TOakRecInfo;
//   the bookmark (BookmarkSize bytes; its first four bytes are the record
//     number passed to OakGotoRecord).
//
// The work is split over several files by topic: oakdata_open*.cpp
// (location, open, close, field descriptions), oakdata_nav*.cpp (buffers,
// fetching, navigation, bookmarks, record numbers), oakdata_fields*.cpp
// (decoding fields), oakdata_edit*.cpp (editing and posting),
// oakdata_filter*.cpp (filters, scopes, ranges, locate, master link),
// oakblob*.cpp (blob streams and caches), oaktable_index*.cpp (index
// selection), oaktable_ops*.cpp / oaktable_lock*.cpp (the operations of
// oakfunc.h), oakquery*.cpp (TOakQuery and the connection's direct SQL).
//
// The metaclass records (RTL_IMPLEMENT_CLASS) of every class declared in
// oakdata.h, oakfunc.h and oaktable.h are in oakdata_open_classes.cpp; the
// files of each topic define the members and RTL_PUBLISHED blocks only.
// Shared by the topics (implemented with the navigation): ResyncAfterMove,
// PositionOnCurrentRecord, ReadEngineRecord, RecInfo, BookmarkPtr,
// BufferRecordNumber, BlobCache, OCEFieldDef.
//
// Every engine failure raises EOAKDatabaseError (oakerrors.h).
//
// Thread safety: a dataset belongs to the thread that uses it; only the
// process-wide list of datasets is guarded by a lock.
#pragma once

#include <memory>
#include <vector>

#include "data/oak/oakcnnct.h"
#include "platform/db/dataset.h"
#include "platform/db/datasource.h"
#include "platform/db/fieldkinds.h"
#include "platform/rtl/streams.h"

class TOakDataSet;

// ---- Options --------------------------------------------------------------

enum TOakSequencedLevel { slStandard, slExact };
RTL_ENUM_INFO(TOakSequencedLevel, slStandard, slExact)
enum TOakLockTypes { Proprietary, Compatible };
RTL_ENUM_INFO(TOakLockTypes, Proprietary, Compatible)
enum TOakCharTypes { ANSI, OEM };
RTL_ENUM_INFO(TOakCharTypes, ANSI, OEM)
enum TOakRespectFilters { IGNORE_WHEN_COUNTING, RESPECT_WHEN_COUNTING };
RTL_ENUM_INFO(TOakRespectFilters, IGNORE_WHEN_COUNTING, RESPECT_WHEN_COUNTING)
enum TOakRespectScopes { IGNORE_SCOPES_WHEN_COUNTING, RESPECT_SCOPES_WHEN_COUNTING };
RTL_ENUM_INFO(TOakRespectScopes, IGNORE_SCOPES_WHEN_COUNTING, RESPECT_SCOPES_WHEN_COUNTING)
enum TOakRecordCacheTypes { rcNone, rcStandard, rcAggressive };
RTL_ENUM_INFO(TOakRecordCacheTypes, rcNone, rcStandard, rcAggressive)
enum TOakAOFTypes { atDynamic, atKeySet, atFixed };
RTL_ENUM_INFO(TOakAOFTypes, atDynamic, atKeySet, atFixed)
enum TOakRecordLockingModes { lmPessimistic, lmOptimistic };
RTL_ENUM_INFO(TOakRecordLockingModes, lmPessimistic, lmOptimistic)
enum TIndexCollationMismatchOptions { icmError, icmIgnore, icmReindex };
RTL_ENUM_INFO(TIndexCollationMismatchOptions, icmError, icmIgnore, icmReindex)

// The table options of a dataset (owned by it). OakLockType, OakCharType
// and OakRightsCheck change only while the dataset is closed (5121 "Table
// must not be Active."); OakRecordCache and OakOptimizedFilters apply at
// once on an open dataset.
class TOakTableOptions : public TPersistent {
  RTL_DECLARE_CLASS(TOakTableOptions)
 public:
  explicit TOakTableOptions(TOakDataSet* AOwner) : FDataSet(AOwner) {}
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override;

  TOakLockTypes OakLockType() const { return FLockType; }
  void SetOakLockType(TOakLockTypes Value);
  TOakCharTypes OakCharType() const { return FCharType; }
  void SetOakCharType(TOakCharTypes Value);
  // Sets the character type without the closed-only check (query cursors).
  void ForceCharType(TOakCharTypes Value) { FCharType = Value; }
  TOakRespectFilters OakFilterOptions() const { return FFilterOptions; }
  void SetOakFilterOptions(TOakRespectFilters Value) { FFilterOptions = Value; }
  bool OakFreshRecordCount() const { return FFreshRecordCount; }
  void SetOakFreshRecordCount(bool Value) { FFreshRecordCount = Value; }
  TOakRespectScopes OakScopeOptions() const { return FScopeOptions; }
  void SetOakScopeOptions(TOakRespectScopes Value) { FScopeOptions = Value; }
  bool OakAOFResolveImmediate() const { return FAOFResolveImmediate; }
  void SetOakAOFResolveImmediate(bool Value) { FAOFResolveImmediate = Value; }
  bool OakRightsCheck() const { return FRightsCheck; }
  void SetOakRightsCheck(bool Value);
  bool OakOptimizedFilters() const { return FOptimizedFilters; }
  void SetOakOptimizedFilters(bool Value);
  Word OakIndexPageSize() const { return FIndexPageSize; }
  void SetOakIndexPageSize(Word Value) { FIndexPageSize = Value; }
  TOakRecordCacheTypes OakRecordCache() const { return FRecordCache; }
  void SetOakRecordCache(TOakRecordCacheTypes Value);
  TOakAOFTypes OakAOFType() const { return FAOFType; }
  void SetOakAOFType(TOakAOFTypes Value) { FAOFType = Value; }
  bool OakAutoKeyFieldCount() const { return FAutoKeyFieldCount; }
  void SetOakAutoKeyFieldCount(bool Value) { FAutoKeyFieldCount = Value; }
  bool OakCalcFieldsBeforeFilter() const { return FCalcFieldsBeforeFilter; }
  void SetOakCalcFieldsBeforeFilter(bool Value) { FCalcFieldsBeforeFilter = Value; }
  TOakRecordLockingModes OakRecordLockingMode() const { return FLockingMode; }
  void SetOakRecordLockingMode(TOakRecordLockingModes Value) { FLockingMode = Value; }

  // Engine values: lock type 1/0, character type 1/2, rights 1/2, AOF
  // option (2/1, 6/5, 10/9).
  UNSIGNED16 EngineLockType() const { return FLockType == Proprietary ? 1 : 0; }
  UNSIGNED16 EngineCharType() const { return FCharType == ANSI ? 1 : 2; }
  UNSIGNED16 EngineRights() const { return FRightsCheck ? 1 : 2; }
  UNSIGNED16 EngineAOFOption() const;

 private:
  void CheckClosed() const;
  TOakDataSet* FDataSet;
  TOakLockTypes FLockType = Proprietary;
  TOakCharTypes FCharType = ANSI;
  TOakRespectFilters FFilterOptions = IGNORE_WHEN_COUNTING;
  bool FFreshRecordCount = false;
  TOakRespectScopes FScopeOptions = IGNORE_SCOPES_WHEN_COUNTING;
  bool FAOFResolveImmediate = false;
  bool FRightsCheck = true;
  bool FOptimizedFilters = true;
  Word FIndexPageSize = 0;
  TOakRecordCacheTypes FRecordCache = rcStandard;
  TOakAOFTypes FAOFType = atDynamic;
  bool FAutoKeyFieldCount = false;
  bool FCalcFieldsBeforeFilter = false;
  TOakRecordLockingModes FLockingMode = lmPessimistic;
};

// ---- Field descriptions -----------------------------------------------------

// One column as the engine describes it.
struct TOCEFieldDef {
  String FieldName;          // up to 128 characters
  UNSIGNED16 FieldNo = 0;    // engine field number, 1-based
  UNSIGNED32 Length = 0;     // bytes in the raw record
  UNSIGNED16 FieldType = 0;  // engine type code (OAK_LOGICAL ...)
  UNSIGNED16 Decimals = 0;
  UNSIGNED32 Offset = 0;       // offset in the raw record
  UNSIGNED32 Permissions = 0;  // column permissions (2 update, 4 insert)
  bool Modified = false;       // assigned since the edit began
  // Whether the type's value lives outside the raw record (5, 6, 7, 8).
  bool IsBlob() const { return FieldType >= OAK_MEMO && FieldType <= OAK_VARCHAR; }
  bool IsCharacter() const { return FieldType == OAK_STRING || FieldType == OAK_CISTRING; }
};
using TOCEFieldDefs = std::vector<TOCEFieldDef>;

// The class library's field type for an engine column; raises
// EOAKDatabaseError 5121 "Unknown field type (n) encountered." for codes it
// does not know. Size receives the field size (0 when none).
TFieldType OakFieldTypeToFieldType(TOakDataSet* DataSet, UNSIGNED16 OakType, UNSIGNED32 Length,
                                   UNSIGNED16 Decimals, Integer& Size);

// ---- Raw value helpers (shared by reading and writing) -----------------------

// Offset of the class library's date (days since 1 January 0001, plus 1)
// from the engine's Julian day numbers.
constexpr Integer OakJulianOffset = 1721425;
// Packs and unpacks a compact date (engine type 9, three bytes).
void PackCompactDate(Word Year, Word Month, Word Day, Byte* Raw);
void UnpackCompactDate(const Byte* Raw, Word& Year, Word& Month, Word& Day);
// Whether the raw field holds no value, for an OAT table (TableType 3) or
// another table.
bool IsRawFieldNull(const TOCEFieldDef& Def, const Byte* Raw, UNSIGNED16 TableType);
// The null image of a double and currency double on OAT tables.
void WriteOakDoubleNull(Byte* Raw);

// ---- Field classes -------------------------------------------------------

class TOakStringField : public TStringField {
  RTL_DECLARE_CLASS(TOakStringField)
 public:
  explicit TOakStringField(TComponent* AOwner);
  bool CaseInsensitive() const { return FCaseInsensitive; }
  void SetCaseInsensitive(bool Value) { FCaseInsensitive = Value; }

 private:
  bool FCaseInsensitive = false;
};

class TOakBCDField : public TBCDField {
  RTL_DECLARE_CLASS(TOakBCDField)
 public:
  explicit TOakBCDField(TComponent* AOwner);
};

// ---- Blob cache and stream (oakblob*.cpp) ---------------------------------------

// The value of one blob field of one buffered record.
class TOakBlobCache : public TMemoryStream {
  RTL_DECLARE_CLASS(TOakBlobCache)
 public:
  TOakBlobCache() = default;
  // Forgets the value: empty, handle -1, record and field 0, flags clear.
  void Reset() {
    Clear();
    TableHandle = OAK_INVALID_HANDLE;
    RecordNumber = 0;
    FieldNumber = 0;
    Modified = false;
  }
  // Loads the value of field AField of record ARecord from ATable (see the
  // blob topic); only rewinds when not forced and already loaded. When it
  // moves the engine to ARecord, DataSet's cursor position is marked
  // changed (also when the load fails after the move).
  void Load(TOakDataSet* DataSet, OAKHANDLE ATable, UNSIGNED16 AField, bool Force,
            UNSIGNED32 ARecord);
  // Empties the value and marks it modified.
  void Truncate();
  // Writes a modified value to the engine's current record.
  void Flush();
  bool Loaded() const { return TableHandle != OAK_INVALID_HANDLE; }

  Int64 Write(const void* Buffer, Int64 Count) override;
  void SetSize(Int64 NewSize) override;

  OAKHANDLE TableHandle = OAK_INVALID_HANDLE;
  UNSIGNED32 RecordNumber = 0;
  UNSIGNED16 FieldNumber = 0;
  bool Modified = false;
};

// The stream CreateBlobStream returns (the caller owns it).
class TOakBlobStream : public TStream {
  RTL_DECLARE_CLASS(TOakBlobStream)
 public:
  TOakBlobStream(TBlobField* Field, TBlobStreamMode Mode);
  // When modified, marks the field modified and signals a field change.
  ~TOakBlobStream() override;
  Int64 Read(void* Buffer, Int64 Count) override;
  Int64 Write(const void* Buffer, Int64 Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;

 private:
  TBlobField* FField;
  TBlobStreamMode FMode;
  TOakBlobCache* FCache = nullptr;
  bool FModified = false;
};

// ---- Record info ------------------------------------------------------------

struct TOakRecInfo {
  Integer RecordNumber = -1;
  TBookmarkFlag BookmarkFlag = bfCurrent;
  bool Inserted = false;  // appended to the engine by a post that failed later
};

// A key buffer of key entry and ranges: the raw record image and, per OCE
// field, the length of the key part set (0: not set).
struct TOakKeyBuffer {
  std::vector<Byte> Record;
  std::vector<Integer> KeyPart;
  bool Exclusive = false;
  Integer FieldCount = 0;
  bool Modified = false;
  void Clear() {
    std::fill(Record.begin(), Record.end(), Byte(0));
    std::fill(KeyPart.begin(), KeyPart.end(), 0);
    Exclusive = false;
    FieldCount = 0;
    Modified = false;
  }
};
enum TOakKeyIndex { kiLookup, kiRangeStart, kiRangeEnd, kiCurRangeStart, kiCurRangeEnd, kiSave };

// ---- The dataset ----------------------------------------------------------------

class TOakDataSet : public TDataSet {
  RTL_DECLARE_CLASS(TOakDataSet)
 public:
  explicit TOakDataSet(TComponent* AOwner);
  // Closes, detaches from the connection, leaves the process-wide list.
  ~TOakDataSet() override;

  // ---- Location (oakdata_open.cpp) -------------------------------------------
  const String& DatabaseName() const { return FDatabaseName; }
  // Refused on an open dataset (5121 "Cannot perform this operation on an
  // open dataset"); a name of a connection component of the process
  // attaches the dataset to it.
  virtual void SetDatabaseName(const String& Value);
  // Stores a new DatabaseName without checks (a connection was renamed).
  void ChangeDatabaseName(const String& Value) { FDatabaseName = Value; }
  TOakConnection* OakConnection() const { return FConnection; }
  // Refused when active (5121 "Table must not be Active.").
  void SetOakConnection(TOakConnection* Value);
  const String& TableName() const { return FTableName; }
  void SetTableName(const String& Value);
  TOakTableTypes TableType() const { return FTableType; }
  virtual void SetTableType(TOakTableTypes Value);
  // Engine table type code kept for the open: 2 CDX, 1 NTX, 3 OAT/default.
  UNSIGNED16 TableTypeCode() const { return FTableTypeCode; }
  // The resolved folder of the table (alias, connection or path), without
  // a trailing delimiter.
  String DataPath();
  // Whether the attached connection is a dictionary connection.
  bool IsDictionaryConnection() const;
  // The connection handle of the data path: the connection component's
  // (connected first) or the process's connection by path.
  OAKHANDLE GetConnectionHandle();

  TOakTableOptions* OakTableOptions() const { return FOptions.get(); }
  void SetOakTableOptions(TOakTableOptions* Value) { FOptions->Assign(Value); }
  bool Exclusive() const { return FExclusive; }
  void SetExclusive(bool Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  TIndexCollationMismatchOptions IndexCollationMismatch() const { return FCollation; }
  void SetIndexCollationMismatch(TIndexCollationMismatchOptions Value);
  const String& EncryptionPassword() const { return FEncryptionPassword; }
  void SetEncryptionPassword(const String& Value) { FEncryptionPassword = Value; }
  bool Sequenced() const { return FSequenced; }
  void SetSequenced(bool Value) { FSequenced = Value; }
  TOakSequencedLevel SequencedLevel() const { return FSequencedLevel; }
  void SetSequencedLevel(TOakSequencedLevel Value) { FSequencedLevel = Value; }
  bool StoreActive() const { return FStoreActive; }
  void SetStoreActive(bool Value) { FStoreActive = Value; }
  const String& InfoStructure() const { return FInfoStructure; }
  void SetInfoStructure(const String& Value) { FInfoStructure = Value; }
  // "7.1 (OCE major.minor[letter])".
  String Version() const;

  // ---- Handles and layout ---------------------------------------------------
  OAKHANDLE TableHandle() const { return FTableHandle; }
  OAKHANDLE OrderHandle() const { return FOrderHandle; }
  // The active order handle, or -1 when no index is active (seeks).
  OAKHANDLE SeekHandle() const {
    return FOrderHandle == FTableHandle ? OAK_INVALID_HANDLE : FOrderHandle;
  }
  bool HasActiveIndex() const {
    return FOrderHandle != OAK_INVALID_HANDLE && FOrderHandle != FTableHandle;
  }
  UNSIGNED32 RawRecordLength() const { return FRawRecordLength; }
  UNSIGNED32 TableOpenOptions() const { return FOpenOptions; }
  TOCEFieldDefs& OCEFieldDefs() { return FOCEFieldDefs; }
  // The description of a dataset field (by its FieldNo), or null.
  TOCEFieldDef* OCEFieldDef(const TField* Field);
  TOCEFieldDef* OCEFieldDefByNo(Integer FieldNo);
  TOakRecInfo* RecInfo(TRecordBuffer Buffer) const;
  Byte* BookmarkPtr(TRecordBuffer Buffer) const;
  Byte* CalcArea(TRecordBuffer Buffer) const;
  // The blob cache of Field in Buffer (null when Field is no blob field).
  TOakBlobCache* BlobCache(TRecordBuffer Buffer, const TField* Field) const;
  // The record number in Buffer's bookmark (its first four bytes).
  UNSIGNED32 BufferRecordNumber(TRecordBuffer Buffer) const;
  // The buffer that field access addresses in the current state (the key
  // buffer in dsSetKey, the edit copy in dsOldValue).
  TRecordBuffer OakRecordBuffer() const;
  // The active buffer (public for the blob stream).
  TRecordBuffer ActiveOakBuffer() const { return ActiveBuffer(); }
  bool IsCalculating() const { return State() == dsCalcFields || State() == dsInternalCalc; }

  // ---- Index selection (oaktable_index.cpp) ----------------------------------
  const String& IndexName() const { return FIndexName; }
  void SetIndexName(const String& Value);
  const String& IndexFieldNames() const { return FIndexFieldNames; }
  void SetIndexFieldNames(const String& Value);
  // 0 none, 1 by name, 2 by fields, 3 dictionary default.
  Integer IndexMode() const { return FIndexMode; }
  // Selects the index of IndexName / IndexFieldNames as the order.
  void ApplyIndex();
  void UpdateIndexDefs() override;
  void SetIndexDefsOutOfDate() { FIndexDefsUpToDate = false; }
  // Field of the n-th (1-based) segment of the active index, or null.
  TField* GetSegmentField(Integer N);
  // Engine field number of the n-th segment (5121 "Internal Error:
  // GetSegmentFieldNum : No Active Index" without an index).
  Integer GetSegmentFieldNum(Integer N);
  // Segments of the active index (0 without one).
  Integer GetNumSegments();
  // Name of the dictionary's default index ("OAK_DEFAULT" selects it).
  const String& DefaultIndexName() const { return FDefaultIndexName; }
  void SetDefaultIndexName(const String& Value) { FDefaultIndexName = Value; }
  // Opens / closes an extra index file on the open table ("Table must be
  // Active." otherwise).
  void OpenIndexFile(const String& FileName);
  void CloseIndexFile(const String& FileName);
  bool GetIsIndexField(const TField* Field) const override;
  // The master link's fields and the active index's segment fields.
  void GetDetailLinkFields(std::vector<TField*>& MasterFields,
                           std::vector<TField*>& DetailFields) override;

  // ---- Navigation and records (oakdata_nav.cpp) -------------------------------
  bool IsSequenced() const override { return FSequenced; }
  bool BookmarkValid(const TBookmark& Bookmark) override;
  Integer CompareBookmarks(const TBookmark& A, const TBookmark& B) override;
  bool GetCurrentRecord(TRecordBuffer Buffer) override;
  // Re-reads the current record from the engine (OakRefreshRecord).
  void InternalRefresh() override;
  // Reads the record number of the engine's current record for Buffer's
  // record info (index key number or physical number).
  Integer ReadRecordNumber();
  // Brings the buffers in step after a direct engine move (used by the
  // table operations): First at BOF, Last at EOF, else Resync([]).
  void ResyncAfterMove();
  // ResyncAfterMove after the engine's report of its position is in
  // FStepAhead (Valid set when it was made).
  void ResyncAfterStep();
  // FStepAhead's record buffer for a report, Valid cleared.
  UNSIGNED8* StepAheadBuffer();
  // Moves the engine to the active record (the table operations).
  void PositionOnCurrentRecord();
  // The class library's cursor update, public for the table operations.
  void SyncCursor() { UpdateCursorPos(); }

  // ---- Field access (oakdata_fields.cpp) -------------------------------------------
  bool GetFieldData(TField* Field, void* Buffer) const override;
  TFieldClass GetFieldClass(TFieldType FieldType) const override;
  // Decodes the raw value of Def in Raw into the field's native buffer
  // (Buffer may be null: test only). Returns false for null.
  bool DecodeRawField(const TOCEFieldDef& Def, const Byte* Raw, TField* Field, void* Buffer) const;

  // ---- Editing (oakdata_edit*.cpp) --------------------------------------------
  void SetFieldData(TField* Field, const void* Buffer) override;
  void Post() override;
  void Cancel() override;
  TUpdateStatus UpdateStatus() override;
  // Encodes a native value (null Buffer: no value) into Raw for Def.
  void EncodeRawField(const TOCEFieldDef& Def, Byte* Raw, TField* Field, const void* Buffer);
  // Last autoincrement value handed out (OakGetLastAutoinc).
  virtual UNSIGNED32 LastAutoIncValue() = 0;
  // Stores a permission text as the engine's last error (code 5054).
  void NotePermission(const String& Text);

  // ---- Filters, scopes, ranges, locate (oakdata_filter*.cpp) -------------------
  virtual void ActivateFilter();
  virtual void DeactivateFilter();
  virtual void ActivateScope();
  virtual void DeactivateScope();
  bool Scoped() const { return FScoped; }
  void SetScoped(bool Value);
  const String& ScopeBegin() const { return FScopeBegin; }
  void SetScopeBegin(const String& Value);
  const String& ScopeEnd() const { return FScopeEnd; }
  void SetScopeEnd(const String& Value);
  void SetKey();
  void EditKey();
  bool GotoKey();
  void GotoNearest();
  void SetRangeStart();
  void SetRangeEnd();
  void EditRangeStart();
  void EditRangeEnd();
  void ApplyRange();
  void CancelRange();
  void SetRange(const std::vector<Variant>& StartValues, const std::vector<Variant>& EndValues);
  bool KeyExclusive() const;
  void SetKeyExclusive(bool Value);
  bool Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options) override;
  Variant Lookup(const String& KeyFields, const Variant& KeyValues,
                 const String& ResultFields) override;
  bool FindRecord(bool Restart, bool GoForward) override;
  // The engine expression of the key values in the filter buffer (only in
  // dsFilter, else 5121 "Internal Error, << BuildFilterString >>").
  String BuildFilterString(const std::vector<TField*>& Fields, bool CaseInsensitive, bool Exact);
  // Filter text to the engine's expression (prefix literals, exact flag).
  String ConvertFilterText(const String& Text, bool& Exact);
  TDataSource* MasterSource() const;  // (getters in oakdata_open.cpp)
  void SetMasterSource(TDataSource* Value);
  const String& MasterFields() const;
  void SetMasterFields(const String& Value);
  TDataSource* GetDataSource() const override { return MasterSource(); }
  TOakKeyBuffer& KeyBuffer(TOakKeyIndex Index) { return FKeyBuffers[Index]; }

  // ---- Blobs (oakblob*.cpp) -----------------------------------------------------------
  std::unique_ptr<TStream> CreateBlobStream(TField* Field, TBlobStreamMode Mode) override;

  // ---- Not supported ------------------------------------------------------------
  // Raise 5121 "The method BatchMove in TOakDataSet is not supported." and
  // "The method RenameTable in TOakDataSet is not supported.".
  virtual void BatchMove();
  virtual void RenameTable(const String& NewName);

  // ---- Notifications -------------------------------------------------------------
  // The connection is gone (it disconnected or is destroyed); nothing here.
  virtual void ConnectionClosed() {}
  void DataEvent(TDataEvent Event, intptr_t Info) override;

  // Every dataset of the process, under its lock (Visit returns false to
  // stop).
  static void ForEachDataSet(const std::function<bool(TOakDataSet*)>& Visit);

 protected:
  // ---- Open and close (oakdata_open.cpp) -------------------------------------
  // Opens the table or cursor and returns its handle (TOakTable, TOakQuery).
  virtual OAKHANDLE OpenTableCursor() = 0;
  // Raw record number of the current record (physical).
  virtual UNSIGNED32 RawRecordNumber();
  void InternalOpen() override;
  // A detail of an active master selects its master's rows before the
  // AfterOpen event.
  void DoAfterOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  bool IsCursorOpen() const override { return FTableHandle != OAK_INVALID_HANDLE; }
  void InternalHandleException() override;
  // Fills the OCE field descriptions (and FieldDefs when Defs is set) from
  // the engine table Table.
  void ReadFieldDescriptions(OAKHANDLE Table, bool Defs);
  // Recomputes the buffer layout (after the order changed).
  void ComputeLayout();
  // Opens the IndexFiles entries on Table (closes Table on failure).
  virtual void OpenIndexFiles(OAKHANDLE Table);
  bool GetCanModify() const override { return FCanModify && !FReadOnly; }

  // ---- Buffers and navigation (oakdata_nav.cpp) --------------------------------
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& Buffer) override;
  TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override;
  Integer GetRecordSize() const override { return static_cast<Integer>(FRawRecordLength); }
  void GetBookmarkData(TRecordBuffer Buffer, void* Data) const override;
  void SetBookmarkData(TRecordBuffer Buffer, const void* Data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) const override;
  void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalGotoBookmark(const void* Bookmark) override;
  void InternalSetToRecord(TRecordBuffer Buffer) override;
  void InternalAddRecord(TRecordBuffer Buffer, bool Append) override;
  void ClearCalcFields(TRecordBuffer Buffer) override;
  Integer GetRecordCount() const override;
  Integer GetRecNo() const override;
  void SetRecNoValue(Integer Value) override;
  // Reads the engine's current record into Buffer (bookmark, blob markers,
  // OEM re-read); the caller has checked visibility.
  void ReadEngineRecord(TRecordBuffer Buffer);
  // The part of ReadEngineRecord after the raw image and the bookmark are
  // in Buffer: blob markers, blob caches, OEM re-read. BlobRefsTell: the
  // image's blob references tell emptiness (the engine's step reported no
  // pending blob value), so no engine call is made per blob field.
  void CompleteEngineRecord(TRecordBuffer Buffer, bool BlobRefsTell);
  // Puts the bookmark of record RecNo into Buffer.
  void StoreBookmark(TRecordBuffer Buffer, UNSIGNED32 RecNo);
  // The base part of a new record: record number -1, bookmark flag and
  // inserted mark cleared, calculated area cleared (InternalInitRecord
  // starts with it).
  void ResetRecordInfo(TRecordBuffer Buffer);

  // ---- Editing (oakdata_edit*.cpp) ---------------------------------------------
  void InternalEdit() override;
  void InternalInitRecord(TRecordBuffer Buffer) override;
  void InternalPost() override;
  void InternalCancel() override;
  void InternalDelete() override;
  void DoOnNewRecord() override;

  // ---- Filters (oakdata_filter*.cpp) ----------------------------------------------
  void SetFilteredValue(bool Value) override;
  void SetFilterText(const String& Value) override;

  // ---- State shared by the topics ------------------------------------------------
  OAKHANDLE FTableHandle = OAK_INVALID_HANDLE;
  OAKHANDLE FOrderHandle = OAK_INVALID_HANDLE;
  UNSIGNED32 FRawRecordLength = 0;
  UNSIGNED32 FBookmarkLength = 0;
  UNSIGNED32 FOpenOptions = 0;
  bool FCanModify = false;
  TOCEFieldDefs FOCEFieldDefs;
  // Layout offsets (bytes from the buffer start).
  Integer FCalcOffset = 0, FBlobOffset = 0, FRecInfoOffset = 0, FBookmarkOffset = 0;
  Integer FRecordBufferSize = 0;
  std::vector<Integer> FBlobFieldNos;  // FieldNo of each blob field, in buffer order

  TOakConnection* FConnection = nullptr;
  String FDatabaseName, FTableName, FCachedAliasPath, FDefaultIndexName;
  bool FAliasPathCached = false;
  TOakTableTypes FTableType = ttOakOAT;
  UNSIGNED16 FTableTypeCode = OAK_OAT;
  std::unique_ptr<TOakTableOptions> FOptions;
  bool FExclusive = false, FReadOnly = false;
  TIndexCollationMismatchOptions FCollation = icmError;
  String FEncryptionPassword, FInfoStructure;
  bool FSequenced = false, FStoreActive = true;
  TOakSequencedLevel FSequencedLevel = slStandard;

  // Index selection.
  String FIndexName, FIndexFieldNames;
  Integer FIndexMode = 0;
  bool FIndexDefsUpToDate = false;
  std::vector<String> FIndexFileNames;  // entries of IndexFiles (TOakTable)

  // The engine's answer to the step of 0 made by ResyncAfterMove, valid
  // only until the first fetch of the current record that follows it.
  struct TStepAhead {
    std::vector<Byte> Record;
    UNSIGNED32 RecNo = 0;
    UNSIGNED16 State = 0;
    bool Valid = false;
  } FStepAhead;

  // Editing.
  std::vector<Byte> FOldRecord;
  UNSIGNED32 FRecordCRC = 0;
  bool FInsertAtEOF = false, FInsertAtBOF = false;
  UNSIGNED32 FEditRecordNumber = 0;

  // Filters, scopes, ranges, master link.
  bool FScoped = false, FExactFlag = true, FRangeActive = false;
  String FScopeBegin, FScopeEnd;
  TOakKeyBuffer FKeyBuffers[6];
  TOakKeyBuffer* FKeyBuffer = nullptr;  // the key buffer of dsSetKey
  std::unique_ptr<TMasterDataLink> FMasterLink;

 private:
  void AttachToConnection(TOakConnection* Value);
  String ResolveDataPath();
};

// Pass-through of a dataset's DataPath for the error constructor.
String OakDataSetPath(TOakDataSet* DataSet);
