// The in-memory table: TmtCustomMemTable, a dataset of the class library
// that keeps all its records in memory, and its published descendant
// TmtMemTable.
//
// A table owns a record storage (TmtCommon, mtMemTableStorage.h) unless it
// is attached to another table's storage (AttachedTo), an index collection
// (TmtIndexes, mtMemTableIndex.h) that always holds "__MT__ROWORDER", its
// IndexDefs, three field lists (index, master, detail fields) and a master
// data link. The cursor is a record number in the current index (-1 before
// the first record). Opening makes the fields, lays out the storage and
// builds the indexes; closing the owner of a storage discards its records
// (a Persistent table saves them to its file first).
//
// Saving and loading go through a stream format (mtMemTableStreamFormat.h):
// SaveToStream / LoadFromStream use DefaultFormat, the *WithFormat variants
// a given one; the file variants open the file through TFileStream. A load
// that fails leaves the table as it was before the load and re-raises.
//
// Record buffers of the framework: the record data in the storage's layout
// (so a buffer compares like a record), the calculated area, then a
// TmtBufferInfo. Bookmarks are TmtBookmark (record, ids and the storage's
// generation): they survive inserts and deletes of other records and die
// with EmptyTable.
//
// Where the members live: the master/detail setters and reactions, the
// copies from and to other datasets, GotoCurrent and the delta-handler
// link are defined in mtMemMaster*, mtMemCopy* and mtMemFilter*.cpp (the
// section "Filters, master/detail and copies" below); everything else,
// the record filter and the Filtered / Filter / OnFilterRecord setters
// included, in mtMemTable*.cpp.
//
// Thread safety: a table is used from one thread. Record operations take
// the storage's lock, so tables attached to one storage may live on
// different threads.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "data/memtable/mtMemTableIndex.h"
#include "data/memtable/mtMemTableStorage.h"
#include "data/memtable/mtMemTableStreamFormat.h"
#include "data/memtable/mtMemTableSupport.h"
#include "data/memtable/mtMemTableTypes.h"
#include "platform/db/dataset.h"
#include "platform/db/datasource.h"

class TmtCustomMemTable;
class TmtCustomDeltaHandler;

class TmtCustomMemTable : public TDataSet {
  RTL_DECLARE_CLASS(TmtCustomMemTable)
 public:
  // Makes the storage, the indexes with "__MT__ROWORDER" (current), the
  // field lists, the master link and the defaults.
  explicit TmtCustomMemTable(TComponent* AOwner);
  // Closes the table, detaches it from a shared storage (closing attached
  // tables first when it owns the storage) and frees what it owns.
  ~TmtCustomMemTable() override;

  // ---- Properties ------------------------------------------------------
  // Whether an Active value read from a form description is applied.
  bool DesignActivation() const { return FDesignActivation; }
  void SetDesignActivation(bool V) { FDesignActivation = V; }
  TmtCustomMemTable* AttachedTo() const { return FAttachedTo; }
  // Shares Value's storage (null: own storage again). Raises
  // EMemTableError mtSCantAttachToSelf, mtSCantAttachToAttachment,
  // mtSTableMustBeClosed (open table).
  void SetAttachedTo(TmtCustomMemTable* Value);
  bool AttachedAutoRefresh() const { return FAttachedAutoRefresh; }
  void SetAttachedAutoRefresh(bool V) { FAttachedAutoRefresh = V; }
  Integer AttachMaxCount() const { return FCommon->AttachMaxCount(); }
  void SetAttachMaxCount(Integer V) { FCommon->SetAttachMaxCount(V); }
  Integer AutoIncMinValue() const { return FCommon->AutoIncMinValue(); }
  void SetAutoIncMinValue(Integer V) { FCommon->SetAutoIncMinValue(V); }
  const String& IndexFieldNames() const { return FIndexFieldNames; }
  // Makes current an index over these fields (made when none exists);
  // empty: the row-order index. Clears IndexName.
  void SetIndexFieldNames(const String& Value);
  const String& IndexName() const { return FIndexName; }
  // Makes the named index current (empty: row order); clears
  // IndexFieldNames. Raises EDatabaseError SIndexNotFound on an open table.
  void SetIndexName(const String& Value);
  bool EnableIndexes() const { return FEnableIndexes; }
  void SetEnableIndexes(bool V) { FEnableIndexes = V; }
  bool AutoAddIndexes() const { return FAutoAddIndexes; }
  void SetAutoAddIndexes(bool V) { FAutoAddIndexes = V; }
  bool AutoReposition() const { return FAutoReposition; }
  void SetAutoReposition(bool V) { FAutoReposition = V; }
  bool RecalcOnIndex() const { return FRecalcOnIndex; }
  void SetRecalcOnIndex(bool V) { FRecalcOnIndex = V; }
  bool RecalcOnFetch() const { return FRecalcOnFetch; }
  void SetRecalcOnFetch(bool V) { FRecalcOnFetch = V; }
  const String& SortFields() const { return FSortFields; }
  void SetSortFields(const String& V) { FSortFields = V; }
  TmtMemTableCompareOptions SortOptions() const { return FSortOptions; }
  void SetSortOptions(TmtMemTableCompareOptions V) { FSortOptions = V; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool V) { FReadOnly = V; }
  TmtPerformance Performance() const { return FCommon->Performance(); }
  // Raises EDatabaseError SDataSetOpen on an open table.
  void SetPerformance(TmtPerformance V);
  bool Standalone() const { return FCommon->Standalone(); }
  // Raises mtSTableMustBeClosed (open) or mtSTableIsAttached (attached).
  void SetStandalone(bool V);
  const String& PersistentFile() const { return FPersistentFile; }
  void SetPersistentFile(const String& V) { FPersistentFile = V; }
  bool Persistent() const { return FPersistent; }
  void SetPersistent(bool V) { FPersistent = V; }
  bool PersistentBackup() const { return FPersistentBackup; }
  void SetPersistentBackup(bool V) { FPersistentBackup = V; }
  const String& PersistentBackupExt() const { return FPersistentBackupExt; }
  void SetPersistentBackupExt(const String& V) { FPersistentBackupExt = V; }
  bool StoreDataOnForm() const { return FStoreDataOnForm; }
  void SetStoreDataOnForm(bool V) { FStoreDataOnForm = V; }
  TmtProgressCodes ProgressFlags() const { return FProgressFlags; }
  void SetProgressFlags(TmtProgressCodes V) { FProgressFlags = V; }
  Integer LoadLimit() const { return FLoadLimit; }
  void SetLoadLimit(Integer V) { FLoadLimit = V; }
  bool LoadedCompletely() const { return FLoadedCompletely; }
  void SetLoadedCompletely(bool V) { FLoadedCompletely = V; }
  Integer SaveLimit() const { return FSaveLimit; }
  void SetSaveLimit(Integer V) { FSaveLimit = V; }
  bool SavedCompletely() const { return FSavedCompletely; }
  void SetSavedCompletely(bool V) { FSavedCompletely = V; }
  Integer LoadedRecordCount() const { return FLoadCount; }
  void SetLoadedRecordCount(Integer V) { FLoadCount = V; }
  Integer SavedRecordCount() const { return FSaveCount; }
  void SetSavedRecordCount(Integer V) { FSaveCount = V; }
  bool EnableVersioning() const { return FCommon->EnableVersioning(); }
  void SetEnableVersioning(bool V) { FCommon->SetEnableVersioning(V); }
  TmtVersioningMode VersioningMode() const { return FCommon->VersioningMode(); }
  void SetVersioningMode(TmtVersioningMode V) { FCommon->SetVersioningMode(V); }
  String Version() const { return MT_MEMTABLE_VERSION; }
  Integer LanguageID() const { return FCommon->LanguageID(); }
  void SetLanguageID(Integer V) { FCommon->SetLanguageID(V); }
  Integer SubLanguageID() const { return FCommon->SubLanguageID(); }
  void SetSubLanguageID(Integer V) { FCommon->SetSubLanguageID(V); }
  Integer SortID() const { return FCommon->SortID(); }
  void SetSortID(Integer V) { FCommon->SetSortID(V); }
  Integer LocaleID() const { return FCommon->LocaleID(); }
  void SetLocaleID(Integer V) { FCommon->SetLocaleID(V); }
  TmtCustomStreamFormat* DefaultFormat() const { return FDefaultFormat; }
  void SetDefaultFormat(TmtCustomStreamFormat* V) { SetFormatRef(FDefaultFormat, V); }
  TmtCustomStreamFormat* CommaTextFormat() const { return FCommaTextFormat; }
  void SetCommaTextFormat(TmtCustomStreamFormat* V) { SetFormatRef(FCommaTextFormat, V); }
  TmtCustomStreamFormat* PersistentFormat() const { return FPersistentFormat; }
  void SetPersistentFormat(TmtCustomStreamFormat* V) { SetFormatRef(FPersistentFormat, V); }
  TmtCustomStreamFormat* AllDataFormat() const { return FAllDataFormat; }
  void SetAllDataFormat(TmtCustomStreamFormat* V) { SetFormatRef(FAllDataFormat, V); }
  TmtCustomStreamFormat* FormFormat() const { return FFormFormat; }
  void SetFormFormat(TmtCustomStreamFormat* V) { SetFormatRef(FFormFormat, V); }
  bool RangeIgnoreNullKeyValues() const { return FRangeIgnoreNullKeyValues; }
  void SetRangeIgnoreNullKeyValues(bool V) { FRangeIgnoreNullKeyValues = V; }

  // ---- Saving and loading ------------------------------------------------
  // Save through DefaultFormat / Format (OnSave kind 1). Raise
  // EDatabaseError SDataSetClosed on a closed table, EMemTableError
  // mtSNoFormat without a format, and what the format raises.
  void SaveToStream(TStream* Stream) { SaveToStreamWithFormat(Stream, FDefaultFormat); }
  void SaveToStreamWithFormat(TStream* Stream, TmtCustomStreamFormat* Format);
  // Load through DefaultFormat / Format (OnLoad kind 1). The table may be
  // closed when the text brings its definition. On failure the table is
  // restored to its state before the load and the error re-raised.
  void LoadFromStream(TStream* Stream) { LoadFromStreamWithFormat(Stream, FDefaultFormat); }
  void LoadFromStreamWithFormat(TStream* Stream, TmtCustomStreamFormat* Format);
  // File variants (OnSave / OnLoad kind 3). Saving creates the file anew,
  // or with sfSaveAppend opens it (deny write) at its end; loading opens it
  // for reading, others denied writing. Raise EFCreateError / EFOpenError.
  void SaveToFile(const String& FileName) { SaveToFileWithFormat(FileName, FDefaultFormat); }
  void SaveToFileWithFormat(const String& FileName, TmtCustomStreamFormat* Format);
  void LoadFromFile(const String& FileName) { LoadFromFileWithFormat(FileName, FDefaultFormat); }
  void LoadFromFileWithFormat(const String& FileName, TmtCustomStreamFormat* Format);
  // Removes every record of the storage (all tables on it are reset).
  // Reports progress 0 and 100 with mtpcEmpty.
  void EmptyTable();

  // ---- Transactions and versions ----------------------------------------
  // Raises EMemTableError mtSTransactionVersioning unless versioning is on
  // in mtvmAllSinceCheckPoint mode.
  void StartTransaction();
  void Commit();
  void Rollback();
  Integer TransactionLevel() const { return FCommon->TransactionLevel(); }
  // Forgets the versions kept so far (every record becomes unmodified).
  void CheckPoint();

  // ---- Indexes ------------------------------------------------------------
  // Adds an index definition and its index (see mtMemTableIndex.h); on
  // failure the definition is removed again. Returns the index.
  TmtIndex* AddIndex(const String& Name, const String& Fields, TIndexOptions Options,
                     TmtRecordStatuses Statuses = MT_DEFAULT_INDEX_STATUSES);
  // Drops the definition and the index named Name.
  void DeleteIndex(const String& Name);
  // Brings the indexes in line with IndexDefs (drops, adds, rebuilds).
  void UpdateIndexes();
  // Rebuilds every index (records reloaded and sorted).
  void RebuildIndexes();
  // Makes current a sorted index over FieldNames (replacing an earlier
  // sort); Sort uses SortFields and Options.
  void SortOn(const String& FieldNames, TmtMemTableCompareOptions Options);
  void Sort(TmtMemTableCompareOptions Options) { SortOn(FSortFields, Options); }
  TmtIndexes& Indexes() { return *FIndexes; }
  TmtIndex* CurrentIndex() const { return FCurrentIndex; }
  // Makes Index current (null: row order) and re-reads the window.
  void SetCurrentIndex(TmtIndex* Index);
  // Whether the indexes wait for a rebuild (set during loads).
  bool IndexesDirty() const { return FIndexesDirty; }
  void SetIndexesDirty(bool V) { FIndexesDirty = V; }

  // ---- Dataset operations --------------------------------------------
  bool Locate(const String& KeyFields, const Variant& KeyValues,
              TLocateOptions Options) override;
  Variant Lookup(const String& KeyFields, const Variant& KeyValues,
                 const String& ResultFields) override;
  bool BookmarkValid(const TBookmark& Bookmark) override;
  Integer CompareBookmarks(const TBookmark& A, const TBookmark& B) override;
  bool IsSequenced() const override;
  bool GetFieldData(TField* Field, void* Buffer) const override;
  void SetFieldData(TField* Field, const void* Buffer) override;
  std::unique_ptr<TStream> CreateBlobStream(TField* Field, TBlobStreamMode Mode) override;
  bool GetCurrentRecord(TRecordBuffer Buffer) override;
  TUpdateStatus UpdateStatus() override;
  bool GetIsIndexField(const TField* Field) const override;
  TDataSource* GetDataSource() const override;
  // Copies edit mask, display width, label, flags, default expression,
  // alignment and the kind's formats and limits of Source's fields onto
  // the fields of the same name, then OnSetupFieldProperties.
  void CopyFieldsProperties(TDataSet* Source);

  // ---- Internal state the stream formats and the other parts use -------
  TmtCommon& Common() const { return *FCommon; }
  // The table that owns the storage.
  bool OwnsStorage() const { return FCommon->Owner() == this; }
  TmtWorkState WorkState() const { return FWorkState; }
  void SetWorkState(TmtWorkState V) { FWorkState = V; }
  // While set, read-only checks and the automatic numbering of
  // auto-increment fields are suspended (records are being loaded).
  bool IsLoading() const { return FLoading; }
  void SetLoading(bool V) { FLoading = V; }
  // Fires OnProgress when Code is among ProgressFlags.
  void Progress(Integer Percent, TmtProgressCode Code);
  // ---- Bulk load (the stream formats) ----------------------------------
  // Rows of a load stored without a full Append and Post each: one insert
  // state lasts the whole load, each row is checked (required fields,
  // unique keys) and stored as a Post stores it, and the sorted indexes are
  // rebuilt at the end of the load as they are anyway. Allowed only where
  // that leaves the same table and fires the same events: open, in browse
  // state, no insert, post, cancel, scroll, new-record or calculation
  // event, only data fields without default expressions, no active master
  // link, no other open table on the storage.
  bool CanBulkLoad() const;
  // Enters the one insert state of the load. CallerQuiet: the caller fires
  // no event of its own while the rows are stored. When besides no event of
  // the table (progress, load record or field, a field's OnValidate or
  // OnChange) could look at it in between, and no sorted index is kept up
  // to date during the load, the stored rows join the indexes all at once
  // at EndBulkLoad instead of one by one: the same indexes, in the same
  // order, without the upkeep per row.
  void BeginBulkLoad(bool CallerQuiet = false);
  // Empties the insert buffer for the next row (every field null).
  void BulkNewRow();
  // Stores the buffer's row as Post stores an appended record. Raises
  // what Post raises for the row.
  void BulkPostRow();
  // Puts rows stored since BeginBulkLoad into the indexes where that was
  // left for the end, and leaves the insert state; the stored rows stay.
  void EndBulkLoad();
  // Stores Text (already unescaped) as the value of the string field
  // Field in the row being loaded, straight into the insert buffer, as
  // AsString would store it. Returns false, having stored nothing, where
  // that would skip something AsString does (another field type, a value
  // outside the record, OnValidate or OnChange assigned, controls
  // enabled): the caller then sets the value through the field.
  bool BulkStoreString(TField* Field, std::string_view Text, bool IsNull);
  // The same for a plain integer field without its own range and Text
  // that is a decimal number of at most ten digits, optionally negative,
  // inside the 32-bit range; anything else returns false.
  bool BulkStoreInteger(TField* Field, std::string_view Text);
  // The record that field access reads and writes while set (save and
  // load walk records this way); null: the state decides.
  TmtRecord* OverrideRecord() const { return FOverrideRecord; }
  void SetOverrideRecord(TmtRecord* Record) { FOverrideRecord = Record; }
  // Whether the record passes the record filter (status, range,
  // master/detail, OnFilterRecord when Filtered or Force).
  bool FilterRecord(TmtRecord* Record, bool Force = false);
  bool FilterNeeded() const { return FFilterNeeded; }
  // Recomputes the filter-needed flag.
  void UpdateFilterNeeded();
  // ---- Range ----------------------------------------------------------------
  // Restricts the table to the records whose leading current-index fields
  // lie between StartValues and EndValues (inclusive; one value per field,
  // from the first key field on). A null start or end value matches
  // anything while RangeIgnoreNullKeyValues is set. Raises EMemTableError
  // mtSMoreFieldsThanValues when more values than key fields are given.
  void SetRange(const std::vector<Variant>& StartValues, const std::vector<Variant>& EndValues);
  // Removes the range and shows every record again.
  void CancelRange();
  // Whether the range restricts the records; the stream formats switch it
  // off and on around a save (no effect without a range).
  bool RangeActive() const { return FRangeActive; }
  void SetRangeActive(bool V);
  // The master/detail restriction switch (default on).
  bool MasterDetailRestriction() const { return FMasterDetailRestriction; }
  void SetMasterDetailRestriction(bool V) { FMasterDetailRestriction = V; UpdateFilterNeeded(); }
  TField* AutoIncField() const { return FAutoIncField; }
  // Closes the table, clears its field definitions and destroys all its
  // fields (those made at design time included).
  void ClearFieldsAndDefs();
  // Makes the field of one definition, owned by the table.
  TField* CreateFieldForDef(TFieldDef* Def);
  // Record-wise walk of the current index (formats): count and record.
  Integer IndexRecordCount() const;
  TmtRecord* IndexRecord(Integer Position) const;
  // The cursor's record number in the current index (-1: before first).
  Integer CursorRecordNo() const { return FRecNo; }
  // Drops the buffered records and re-reads the window from the first
  // record (after the storage changed behind the table's back).
  void ResetCursor();
  // Makes the buffer's stored record / a stored record current in the
  // framework's sense (for GotoCurrent and the formats).
  void GotoRecord(TmtRecord* Record);
  TmtFieldList& IndexFieldList() { return *FIndexFieldList; }
  TmtFieldList& MasterFieldList() { return *FMasterFieldList; }
  TmtFieldList& DetailFieldList() { return *FDetailFieldList; }
  TmtMasterDataLink& MasterLink() const { return *FMasterLink; }
  // The record holding the master's key values (taken on first use).
  TmtRecord* MasterKeyRecord() const { return FMasterKeyRecord; }
  TmtRecord* TakeMasterKeyRecord();
  // Whether the master/detail restriction applies now, and whether a
  // record matches the master key.
  bool MasterDetailActive() const;
  bool MatchesMasterKey(const TmtRecord* Record) const;
  // Whether a record lies in the range.
  bool InRange(const TmtRecord* Record) const;
  // The detail side: the detail field list, else the index field list.
  const TmtFieldList& DetailSide() const;

  // ---- Filters, master/detail and copies (mtMemFilter*, mtMemMaster*,
  //      mtMemCopy*.cpp) ----------------------------------------------------
  // (The getters are defined with the table: the master link's source and
  // field names.)
  TDataSource* MasterSource() const;
  String MasterFields() const;
  void SetMasterSource(TDataSource* Value);
  void SetMasterFields(const String& Value);
  const String& DetailFields() const { return FDetailFields; }
  void SetDetailFields(const String& Value);
  // Called by the master link.
  void MasterChanged(TObject* Sender);
  void MasterDisabled(TObject* Sender);
  void LoadFromDataSet(TDataSet* Source, TmtCopyOptions CopyOptions);
  void SaveToDataSet(TDataSet* Destination, TmtCopyOptions CopyOptions);
  void UpdateToDataSet(TDataSet* Destination, const String& KeyFields,
                       TmtUpdateFlags UpdateFlags);
  Integer CopyRecords(TDataSet* Source, TDataSet* Destination, Integer Limit,
                      bool IgnoreErrors);
  Integer UpdateRecords(TDataSet* Source, TDataSet* Destination, const String& KeyFields,
                        Integer Limit, TmtUpdateFlags UpdateFlags);
  void GotoCurrent(TmtCustomMemTable* DataSet);
  void CopyStructure(TDataSet* Source, TmtCopyOptions CopyOptions);
  TmtCustomDeltaHandler* DeltaHandler() const { return FDeltaHandler; }
  void SetDeltaHandler(TmtCustomDeltaHandler* Value);

  // ---- Events -----------------------------------------------------------
  TmtProgressEvent OnProgress;
  TmtRecordEvent OnLoadRecord, OnSaveRecord;
  TmtFieldEvent OnLoadField, OnSaveField;
  TmtBlobStreamEvent OnCompressBlobStream, OnDecompressBlobStream;
  TmtSetupFieldEvent OnSetupField;
  TmtSetupFieldPropertiesEvent OnSetupFieldProperties;
  TmtCompressFieldEvent OnCompressField, OnDecompressField;
  TmtStreamEvent OnSave, OnLoad;
  TmtCompareFieldsEvent OnCompareFields;
  TmtFilterIndexEvent OnFilterIndex;

  // Re-reads the window after the storage changed (attached tables).
  void RefreshFromStorage();
  // Called by the storage on EmptyTable: forget buffers and cursor.
  void ResetForEmpty();
  // Parses the master and detail field texts into their lists.
  void BuildMasterDetailLists();

 protected:
  // ---- The framework's record-buffer operations ----------------------
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& Buffer) override;
  TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override;
  Integer GetRecordSize() const override;
  void GetBookmarkData(TRecordBuffer Buffer, void* Data) const override;
  void SetBookmarkData(TRecordBuffer Buffer, const void* Data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) const override;
  void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalGotoBookmark(const void* Bookmark) override;
  void InternalSetToRecord(TRecordBuffer Buffer) override;
  void InternalInitFieldDefs() override;
  void InternalHandleException() override;
  bool IsCursorOpen() const override { return FCursorOpen; }
  void InternalPost() override;
  void InternalDelete() override;
  void InternalAddRecord(TRecordBuffer Buffer, bool Append) override;
  void InternalInitRecord(TRecordBuffer Buffer) override;
  void InternalEdit() override;
  void InternalCancel() override;
  void InternalRefresh() override;
  void ClearCalcFields(TRecordBuffer Buffer) override;
  Integer GetRecordCount() const override;
  Integer GetRecNo() const override;
  void SetRecNoValue(Integer Value) override;
  bool GetCanModify() const override { return !FReadOnly; }
  void SetFilteredValue(bool Value) override;
  void SetFilterText(const String& Value) override;
  void SetOnFilterRecordValue(const TFilterRecordEvent& Value) override;
  void DoOnNewRecord() override;
  void DoBeforeClose() override;
  void DoAfterOpen() override;
  void OpenCursor() override;
  void CloseCursor() override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // Where a bulk load stores a field's value straight into the insert
  // buffer (see BulkStoreString and BulkStoreInteger).
  struct TBulkSlot {
    enum TKind : Byte { bkThroughField, bkString, bkInteger, bkUnknown } Kind = bkUnknown;
    Integer Offset = 0;     // the null-flag byte in the record data
    std::size_t Room = 0;   // bytes of a string value
    std::size_t Limit = 0;  // bytes of text a string value keeps at most
    Integer Chars = 0;      // characters a string value keeps
  };
  // Field's slot as things stand now: bkThroughField unless Field is a
  // plain string or integer field kept in the record, without OnValidate
  // or OnChange, and the table is in the load's insert state with controls
  // disabled.
  TBulkSlot BulkSlot(TField* Field) const;
  // BulkSlot(Field), looked up once per load where nothing can change it
  // in between (see BeginBulkLoad).
  TBulkSlot BulkSlotOf(TField* Field);
  // Whether the rows of a bulk load may join the indexes at its end (see
  // BeginBulkLoad).
  bool BulkMayDeferIndexes() const;
  // Rows of the bulk load stored and not yet in the indexes, in order.
  std::vector<TmtRecord*> FBulkPending;
  bool FBulkDeferIndexes = false;
  // The slots looked up in this load, by field number.
  std::vector<TBulkSlot> FBulkSlots;
  friend class TmtCommon;
  friend class TmtBlobStream;
  friend class TmtTableSnapshot;
  friend class TmtIndex;
  // Buffer parts.
  TmtBufferInfo* Info(TRecordBuffer Buffer) const;
  Integer CalcAreaOffset() const { return FCommon->DataSize(); }
  Byte* CalcArea(TRecordBuffer Buffer) const { return Buffer + CalcAreaOffset(); }
  // The record data that field access addresses now (null: none).
  Byte* FieldAccessData() const;
  void FillBuffer(TRecordBuffer Buffer, TmtRecord* Record, Integer RecNo);
  TGetResult FetchRecord(TRecordBuffer Buffer, TGetMode GetMode);
  bool RecordPasses(TmtRecord* Record);
  void SetFormatRef(TmtCustomStreamFormat*& Ref, TmtCustomStreamFormat* Value);
  // Opening steps.
  void OpenStorage();
  void BuildFieldDefsFromFields();
  void SetupStorageLayout();
  void BuildIndexesFromDefs();
  void SelectIndexFromProperties();
  // The index over FieldNames (made and built when none exists) / the index
  // named Name (EDatabaseError SIndexNotFound when none is).
  TmtIndex* IndexForFields(const String& FieldNames);
  TmtIndex* IndexByName(const String& Name);
  void CloseAttachedTables();
  // Posting helpers. PostInsert with Pending: the new record goes to the
  // end of Pending instead of into the indexes (a bulk load puts them
  // there at its end), and the cursor position is left as it was.
  void PostInsert(TRecordBuffer Buffer, bool Append, std::vector<TmtRecord*>* Pending = nullptr);
  void PostEdit(TRecordBuffer Buffer);
  void CheckRecordUniqueness(const Byte* Data, const TmtRecord* Except);
  void KeepVersion(TmtRecord* Record);
  void NoteAutoIncPosted(const Byte* Data);
  void AfterStorageChange();
  void FreeRange();
  // Searching.
  Integer FindByKeyRecord(const TmtFieldList& Fields, const Byte* Key, Integer Count,
                          const TmtCompareFlags& Flags);
  Integer SearchFields(const String& KeyFields, const Variant& KeyValues,
                       TLocateOptions Options);
  void FillKeyData(Byte* Key, const TmtFieldList& Fields, const Variant& KeyValues);
  Integer PositionOf(const TmtRecord* Record) const;
  // Persistence.
  void SavePersistent();
  void LoadPersistent();
  void RunLoad(TStream* Stream, TmtCustomStreamFormat* Format, Integer Kind);
  void RunSave(TStream* Stream, TmtCustomStreamFormat* Format, Integer Kind);

  std::unique_ptr<TmtCommon> FOwnCommon;
  TmtCommon* FCommon;
  std::unique_ptr<TmtIndexes> FIndexes;
  TmtIndex* FCurrentIndex = nullptr;
  std::unique_ptr<TmtFieldList> FIndexFieldList, FMasterFieldList, FDetailFieldList;
  std::unique_ptr<TmtMasterDataLink> FMasterLink;
  TmtCustomMemTable* FAttachedTo = nullptr;
  TmtCustomDeltaHandler* FDeltaHandler = nullptr;
  TmtCustomStreamFormat *FDefaultFormat = nullptr, *FCommaTextFormat = nullptr,
                        *FPersistentFormat = nullptr, *FAllDataFormat = nullptr,
                        *FFormFormat = nullptr;
  TmtRecord* FOverrideRecord = nullptr;
  TmtRecord* FMasterKeyRecord = nullptr;
  TmtRecord *FRangeStart = nullptr, *FRangeEnd = nullptr;
  Integer FRangeStartCount = 0, FRangeEndCount = 0;
  TField* FAutoIncField = nullptr;
  Byte* FKeyBuffer = nullptr;  // record data for dsSetKey
  String FIndexFieldNames, FIndexName, FSortFields, FDetailFields;
  String FPersistentFile, FPersistentBackupExt;
  TmtMemTableCompareOptions FSortOptions;
  TmtProgressCodes FProgressFlags{mtpcLoad, mtpcSave, mtpcCopy};
  TmtWorkState FWorkState = mtwsIdle;
  Integer FRecNo = -1;
  Integer FLoadLimit = -1, FSaveLimit = -1, FLoadCount = 0, FSaveCount = 0;
  bool FCursorOpen = false;
  bool FDesignActivation = true, FAttachedAutoRefresh = true;
  bool FEnableIndexes = true, FAutoAddIndexes = false, FAutoReposition = false;
  bool FRecalcOnIndex = false, FRecalcOnFetch = true, FReadOnly = false;
  bool FPersistent = false, FPersistentBackup = false, FStoreDataOnForm = false;
  bool FLoadedCompletely = false, FSavedCompletely = false;
  bool FRangeIgnoreNullKeyValues = true;
  bool FLoading = false, FFilterNeeded = false, FRangeActive = false;
  bool FMasterDetailRestriction = true, FIndexesDirty = false;
  bool FBeforeCloseFired = false;
};

// The published table.
class TmtMemTable : public TmtCustomMemTable {
  RTL_DECLARE_CLASS(TmtMemTable)
 public:
  explicit TmtMemTable(TComponent* AOwner) : TmtCustomMemTable(AOwner) {}
};
