// TDataSet: the class library's abstract dataset.
//
// A dataset is a cursor over records with a window of record buffers that
// the data-aware controls show (BufferCount buffers, the largest
// BufferCount any attached TDataLink asks for). The dataset moves the
// window with First/Last/Next/Prior/MoveBy, keeps the state machine
// (dsInactive, dsBrowse, dsEdit, dsInsert, and the temporary states
// dsCalcFields, dsFilter ... while it computes or tests one record), fires
// the Before/After events, and tells its data sources about every change
// (DataEvent). The records themselves belong to a descendant, which
// implements the storage behind a small set of virtual operations.
//
// ======================================================================
// CONTRACT FOR DESCENDANTS
// ======================================================================
// Must override (pure virtual here):
//   AllocRecordBuffer()      new buffer for one record; layout is the
//                            descendant's (record data, calculated area of
//                            CalcFieldsSize() bytes, bookmark, flag).
//   FreeRecordBuffer(Buf)    frees what AllocRecordBuffer made; sets Buf
//                            to null.
//   GetRecord(Buf, Mode, DoCheck)
//                            fills Buf with the current (gmCurrent), next
//                            (gmNext) or prior (gmPrior) record, moving the
//                            cursor; returns grOK, grBOF/grEOF when there is
//                            no such record, grError on failure (raise
//                            instead when DoCheck is true). It skips records
//                            that DoFilterRecord(Buf) refuses, fills the
//                            bookmark and sets the flag bfCurrent, and
//                            calls GetCalcFields(Buf).
//   GetRecordSize()          bytes of the record data.
//   GetBookmarkData(Buf, Data) / SetBookmarkData(Buf, Data)
//                            copy BookmarkSize() bytes between the buffer's
//                            bookmark and Data.
//   GetBookmarkFlag(Buf) / SetBookmarkFlag(Buf, Flag)
//   GetFieldData(Field, Buffer)
//                            copies the field's native value (see
//                            fieldkinds.h) of the record that the state
//                            selects (GetActiveRecordBuffer) into Buffer;
//                            Buffer null = only test. Returns false for
//                            null. Calculated/lookup fields: read them with
//                            GetCalcData from the buffer's calculated area.
//   SetFieldData(Field, Buffer)
//                            stores a native value (null Buffer = null)
//                            into that record; raises EDatabaseError
//                            SNotEditing outside edit states. Must call
//                            Field->Validate(Buffer) first for data fields
//                            and DataEvent(deFieldChange, Field) after,
//                            except in dsCalcFields/dsFilter/dsNewValue.
//                            Calculated fields: SetCalcData.
//   InternalOpen()           opens the storage, calls InternalInitFieldDefs
//                            when needed, CreateFields() when
//                            DefaultFields(), BindFields(true), sets
//                            BookmarkSize, and positions before the first
//                            record.
//   InternalClose()          BindFields(false), DestroyFields() when
//                            DefaultFields(), releases the storage.
//   InternalFirst()/InternalLast()
//                            put the cursor on the crack before the first /
//                            after the last record.
//   InternalGotoBookmark(Bookmark)   positions the cursor on that record.
//   InternalSetToRecord(Buf) positions the cursor on Buf's record.
//   InternalInitFieldDefs()  fills FieldDefs() from the storage.
//   InternalHandleException() reports an exception caught in a component
//                            method (the class library shows it).
//   IsCursorOpen()           whether the storage is open.
// Override when the storage can do it (defaults in brackets):
//   InternalPost() [checks required fields: call it first; stores the
//   active buffer: State() tells edit from insert, and an insert buffer's
//   flag is bfEOF for Append],
//   InternalDelete() [raises SDataSetReadOnly; deletes the record under
//   the cursor and leaves the cursor on its successor],
//   InternalAddRecord(Buf, Append) [raises SDataSetReadOnly; stores Buf as
//   a new record at the cursor (Append: at the end) and leaves the cursor
//   on it], InternalInitRecord(Buf) [nothing],
//   InternalEdit()/InternalInsert()/InternalCancel()/InternalRefresh()
//   [nothing], ClearCalcFields(Buf) [nothing: clear the calculated area],
//   GetRecordCount() [-1], GetRecNo() [-1], SetRecNoValue(N) [nothing],
//   IsSequenced() [false], CompareBookmarks(A, B) [0], BookmarkValid(B)
//   [false], Locate/Lookup [record-by-record search through GetRecord],
//   FindRecord(Restart, GoForward) [finds nothing], GetCurrentRecord(Buf)
//   [false], UpdateStatus() [usUnmodified], GetDetailLinkFields [none],
//   GetIsIndexField(F) [false], GetCanModify() [true],
//   CreateBlobStream(Field, Mode) [raises SNoBlobStream; TBlobStream of
//   blobstream.h serves simple storages], GetDataSource() [null: the
//   master's source for detail datasets], SetFilteredValue /
//   SetFilterText / SetOnFilterRecordValue [store the value; Filtered
//   also goes to First], GetFieldClass(T) [the class library's class],
//   UpdateIndexDefs() [nothing], the Do* event steps and
//   OpenCursor/CloseCursor [fire the events / open and close], DataEvent
//   [bookkeeping and notification]; call the inherited version of the
//   last three groups.
// Field access by state: GetActiveRecordBuffer() answers for browse, edit,
// insert, calculation and filter; a descendant that offers dsSetKey,
// dsOldValue or dsCurValue serves those states itself (TField::OldValue
// reads in dsOldValue).
// C++ note: the base destructor cannot reach the descendant's virtuals, so
// a descendant's destructor calls Close() itself (this frees the window's
// buffers through FreeRecordBuffer).
// The framework calls GetRecord only through its window operations; the
// cursor's position (CurrentRecord) is the buffer last fetched or set, and
// CursorPosChanged() forgets it so that UpdateCursorPos re-positions.
// ======================================================================
//
// Thread safety: none; a dataset and its fields, sources and links belong
// to one thread.
#pragma once

#include <memory>
#include <vector>

#include "platform/db/defs.h"
#include "platform/db/fields.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"

class TDataSource;
class TDataLink;
class TStream;

RTL_DECLARE_EVENT(TDataSetNotifyEvent, void(TDataSet* DataSet));
RTL_DECLARE_EVENT(TDataSetErrorEvent,
                  void(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action));
RTL_DECLARE_EVENT(TFilterRecordEvent, void(TDataSet* DataSet, bool& Accept));

class TDataSet : public TComponent {
  RTL_DECLARE_CLASS(TDataSet)
 public:
  explicit TDataSet(TComponent* AOwner);
  // Closes the dataset, detaches its data sources and fields, frees the
  // fields it owns.
  ~TDataSet() override;

  // ---- Opening and state ---------------------------------------------
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  bool Active() const { return FState != dsInactive && FState != dsOpening; }
  // Opens (BeforeOpen, InternalOpen, dsBrowse, AfterOpen, AfterScroll) or
  // closes (BeforeClose, InternalClose, dsInactive, AfterClose). While the
  // component is being read from a form the value is kept and applied in
  // Loaded.
  void SetActive(bool Value);
  TDataSetState State() const { return FState; }
  // Raises EDatabaseError SDataSetClosed when the dataset is not open.
  void CheckActive() const;
  // Raises EDatabaseError SDataSetOpen when the dataset is open.
  void CheckInactive() const;
  bool Modified() const { return FModified; }
  void SetModified(bool Value) { FModified = Value; }

  // ---- Navigation -----------------------------------------------------
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves Distance records (negative: backwards) and returns how many it
  // moved; stops at the ends (Bof/Eof). Posts or cancels a pending edit
  // first (CheckBrowseMode).
  Integer MoveBy(Integer Distance);
  bool Bof() const { return FBOF; }
  bool Eof() const { return FEOF; }
  bool IsEmpty() const { return FActiveRecord >= FRecordCount; }
  // 1-based record number of the active record, or -1 when unknown.
  Integer RecNo() const { return GetRecNo(); }
  void SetRecNo(Integer Value) { SetRecNoValue(Value); }
  Integer RecordCount() const { return GetRecordCount(); }
  // Whether RecNo/RecordCount give positions usable for scrolling.
  virtual bool IsSequenced() const { return false; }

  // ---- Editing --------------------------------------------------------
  void Edit();
  void Insert();
  void Append();
  // Posts the pending edit or insert (BeforePost, InternalPost, AfterPost).
  // Raises what InternalPost raises (after OnPostError said daFail).
  virtual void Post();
  virtual void Cancel();
  void Delete();
  // Inserts (Append: appends) a record with Values for the fields in order
  // (Empty leaves a field as OnNewRecord set it, Null clears it) and stores
  // it in one step through InternalAddRecord.
  void InsertRecord(const std::vector<Variant>& Values);
  void AppendRecord(const std::vector<Variant>& Values);
  // Posts or cancels a pending edit (posts only when modified).
  void CheckBrowseMode();
  // Asks the data links to write their pending values (deUpdateRecord).
  // Raises EDatabaseError SNotEditing outside edit and insert.
  void UpdateRecord();
  bool CanModify() const { return GetCanModify(); }
  // Re-reads the window around the cursor's record. rmExact: the record
  // must still exist (else EDatabaseError SRecordNotFound); rmCenter: the
  // record is put in the middle of the window.
  virtual void Resync(TResyncMode Mode);
  // Forgets where the storage cursor stands relative to the buffers.
  void CursorPosChanged() { FCurrentRecord = -1; }
  // Positions the storage cursor on the active record.
  void UpdateCursorPos();
  // Re-reads the records: CheckBrowseMode, InternalRefresh, Resync([]).
  void Refresh();
  // Clears the calculated and lookup fields of the active record and
  // computes them again.
  void CalcFields() { GetCalcFields(ActiveBuffer()); }

  // ---- Controls -------------------------------------------------------
  void DisableControls();
  // Ends a DisableControls; the last one tells the data sources what
  // changed meanwhile.
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount != 0; }

  // ---- Bookmarks ------------------------------------------------------
  // The active record's bookmark, or "" when there is none.
  TBookmark GetBookmark() const;
  // Makes the bookmarked record active (CheckBrowseMode, BeforeScroll,
  // InternalGotoBookmark, Resync([rmExact, rmCenter]), AfterScroll). An
  // empty bookmark does nothing.
  void GotoBookmark(const TBookmark& Bookmark);
  void FreeBookmark(TBookmark& Bookmark) { Bookmark.clear(); }
  TBookmarkStr Bookmark() const { return GetBookmark(); }
  void SetBookmark(const TBookmarkStr& Value) { GotoBookmark(Value); }
  virtual bool BookmarkValid(const TBookmark& Bookmark);
  // -1, 0 or 1; empty bookmarks sort first (the descendant decides the
  // rest).
  virtual Integer CompareBookmarks(const TBookmark& A, const TBookmark& B);
  bool BookmarkAvailable() const;
  Integer BookmarkSize() const { return FBookmarkSize; }

  // ---- Fields -------------------------------------------------------
  // Every field, an object field's children right after it (see
  // ObjectView for how controls show them).
  TFields& Fields() const { return *FFields; }
  Integer FieldCount() const { return FFields->Count(); }
  TField* FindField(const String& FieldName) const { return FFields->FindField(FieldName); }
  // Raises EDatabaseError "Name: Feld 'x' nicht gefunden".
  TField* FieldByName(const String& FieldName) const;
  TFieldDefs& FieldDefs() const { return *FFieldDefs; }
  TIndexDefs& IndexDefs() const { return *FIndexDefs; }
  // Fills FieldDefs through InternalInitFieldDefs (which a closed
  // dataset serves by opening its storage for the moment) and marks them
  // up to date.
  void InitFieldDefs();
  // Fills IndexDefs (the default does nothing).
  virtual void UpdateIndexDefs() {}
  // Values of several fields named in a ";"-separated list: one Variant
  // for one field, an array for several.
  Variant FieldValues(const String& FieldNames) const;
  void SetFieldValues(const String& FieldNames, const Variant& Value);
  // Fills List with the fields named in a ";"-separated list; raises
  // SFieldNotFound for an unknown name.
  void GetFieldList(std::vector<TField*>& List, const String& FieldNames) const;
  // Replaces List's lines with the field names (a child field's full
  // name) in field order (when the dataset is closed and has no fields:
  // the field definitions' names).
  void GetFieldNames(TStrings* List);
  // Clears every data field of the record being edited (EDatabaseError
  // SNotEditing outside edit and insert).
  void ClearFields();
  // Whether controls show object fields as such, their children nested
  // under them (a grid: expandable columns), or every field on its own.
  bool ObjectView() const { return FObjectView; }
  void SetObjectView(bool Value) { FObjectView = Value; }
  bool DefaultFields() const { return FDefaultFields; }
  bool AutoCalcFields() const { return FAutoCalcFields; }
  // The field class for a data type (TStringField for ftString ...);
  // descendants may substitute their own classes.
  virtual TFieldClass GetFieldClass(TFieldType FieldType) const;
  void SetAutoCalcFields(bool V) { FAutoCalcFields = V; }

  // ---- Searching and filtering ---------------------------------------
  // Finds the first record whose KeyFields (";"-separated) equal
  // KeyValues (one Variant, or an array for several fields) and makes it
  // active. loCaseInsensitive compares strings ignoring case,
  // loPartialKey matches strings that begin with the key. Returns whether
  // a record was found; when none was, the active record stays.
  virtual bool Locate(const String& KeyFields, const Variant& KeyValues,
                      TLocateOptions Options);
  // As Locate without moving: returns the ResultFields of the found record
  // (one Variant or an array), or Null when none matches.
  virtual Variant Lookup(const String& KeyFields, const Variant& KeyValues,
                         const String& ResultFields);
  bool Filtered() const { return FFiltered; }
  void SetFiltered(bool Value) { SetFilteredValue(Value); }
  const String& Filter() const { return FFilterText; }
  void SetFilter(const String& Value) { SetFilterText(Value); }
  TFilterOptions FilterOptions() const { return FFilterOptions; }
  void SetFilterOptions(TFilterOptions Value) { FFilterOptions = Value; }
  const TFilterRecordEvent& OnFilterRecord() const { return FOnFilterRecord; }
  void SetOnFilterRecord(const TFilterRecordEvent& Value) { SetOnFilterRecordValue(Value); }

  // Searches from the first (Restart) or the current record forwards
  // (GoForward) or backwards for a record that passes Filter/OnFilterRecord
  // and makes it active; returns and stores in Found whether it found one.
  // The default finds nothing; descendants with a filter expression
  // override it.
  virtual bool FindRecord(bool Restart, bool GoForward);
  bool FindFirst() { return FindRecord(true, true); }
  bool FindNext() { return FindRecord(false, true); }
  bool FindLast() { return FindRecord(true, false); }
  bool FindPrior() { return FindRecord(false, false); }
  bool Found() const { return FFound; }

  // Copies the active record into Buffer when the cursor stands on it;
  // the default copies nothing and returns false.
  virtual bool GetCurrentRecord(TRecordBuffer Buffer) { (void)Buffer; return false; }
  // The cached-update status of the active record (usUnmodified by
  // default).
  virtual TUpdateStatus UpdateStatus() { return usUnmodified; }
  // Fields linking a detail dataset to its master (none by default).
  virtual void GetDetailLinkFields(std::vector<TField*>& MasterFields,
                                   std::vector<TField*>& DetailFields) {
    MasterFields.clear();
    DetailFields.clear();
  }
  // Whether Field belongs to the active index (false by default).
  virtual bool GetIsIndexField(const TField* Field) const { (void)Field; return false; }

  // ---- Blobs --------------------------------------------------------
  // A stream over Field's value in the active record; the caller owns it.
  // Writing modes need edit or insert. The default raises EDatabaseError
  // SNoBlobStream.
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* Field, TBlobStreamMode Mode);

  // ---- Data sources and links ----------------------------------------
  // The master data source (detail datasets); null by default.
  virtual TDataSource* GetDataSource() const { return nullptr; }
  TDataSource* DataSource() const { return GetDataSource(); }
  // Sends Event to the data sources (unless controls are disabled) after
  // the dataset's own bookkeeping (modified flag, calculated fields).
  virtual void DataEvent(TDataEvent Event, intptr_t Info);
  Integer BufferCount() const { return FBufferCount; }
  // Index of the active record in the buffer window.
  Integer ActiveRecord() const { return FActiveRecord; }
  // Index of the buffer the storage cursor stands on (-1: unknown).
  Integer CurrentRecord() const { return FCurrentRecord; }
  // Number of filled buffers in the window.
  Integer BufferedRecordCount() const { return FRecordCount; }
  Integer BlockReadSize() const { return FBlockReadSize; }
  void SetBlockReadSize(Integer Value);

  // ---- Events ---------------------------------------------------------
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent OnNewRecord, OnCalcFields;
  TDataSetErrorEvent OnPostError, OnDeleteError, OnEditError;

  void Loaded() override;
  // The writer streams the fields that Root owns as this dataset's
  // children.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;

 protected:
  friend class TDataLink;
  friend class TDataSource;
  friend class TField;

  // ---- Record buffers (see the contract above) ------------------------
  virtual TRecordBuffer AllocRecordBuffer() = 0;
  virtual void FreeRecordBuffer(TRecordBuffer& Buffer) = 0;
  virtual TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) = 0;
  virtual Integer GetRecordSize() const = 0;
  virtual void GetBookmarkData(TRecordBuffer Buffer, void* Data) const = 0;
  virtual void SetBookmarkData(TRecordBuffer Buffer, const void* Data) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) const = 0;
  virtual void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) = 0;
 public:
  virtual bool GetFieldData(TField* Field, void* Buffer) const = 0;
  virtual void SetFieldData(TField* Field, const void* Buffer) = 0;
 protected:
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual void InternalGotoBookmark(const void* Bookmark) = 0;
  virtual void InternalSetToRecord(TRecordBuffer Buffer) = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual void InternalHandleException() = 0;
  virtual bool IsCursorOpen() const = 0;

  virtual void InternalPost();
  virtual void InternalDelete();
  virtual void InternalAddRecord(TRecordBuffer Buffer, bool Append);
  virtual void InternalInitRecord(TRecordBuffer Buffer) { (void)Buffer; }
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalCancel() {}
  virtual void InternalRefresh() {}
  virtual void ClearCalcFields(TRecordBuffer Buffer) { (void)Buffer; }
  virtual Integer GetRecordCount() const { return -1; }
  virtual Integer GetRecNo() const { return -1; }
  virtual void SetRecNoValue(Integer Value) { (void)Value; }
  virtual bool GetCanModify() const { return true; }
  virtual void SetFilteredValue(bool Value);
  virtual void SetFilterText(const String& Value) { FFilterText = Value; }
  virtual void SetOnFilterRecordValue(const TFilterRecordEvent& Value) { FOnFilterRecord = Value; }
  // The event steps: each fires its event; descendants override them to
  // act around the events (call the inherited version).
  virtual void DoBeforeOpen() { DoEvent(BeforeOpen); }
  virtual void DoAfterOpen() { DoEvent(AfterOpen); }
  virtual void DoBeforeClose() { DoEvent(BeforeClose); }
  virtual void DoAfterClose() { DoEvent(AfterClose); }
  virtual void DoBeforeInsert() { DoEvent(BeforeInsert); }
  virtual void DoAfterInsert() { DoEvent(AfterInsert); }
  virtual void DoBeforeEdit() { DoEvent(BeforeEdit); }
  virtual void DoAfterEdit() { DoEvent(AfterEdit); }
  virtual void DoBeforePost() { DoEvent(BeforePost); }
  virtual void DoAfterPost() { DoEvent(AfterPost); }
  virtual void DoBeforeCancel() { DoEvent(BeforeCancel); }
  virtual void DoAfterCancel() { DoEvent(AfterCancel); }
  virtual void DoBeforeDelete() { DoEvent(BeforeDelete); }
  virtual void DoAfterDelete() { DoEvent(AfterDelete); }
  virtual void DoBeforeScroll() { DoEvent(BeforeScroll); }
  virtual void DoAfterScroll() { DoEvent(AfterScroll); }
  virtual void DoOnCalcFields() { DoEvent(OnCalcFields); }
  // Runs OnNewRecord (descendants may fill defaults around it).
  virtual void DoOnNewRecord();
  // Opens the storage (InternalOpen and the window) / closes it; override
  // to act before or after (call the inherited version).
  virtual void OpenCursor();
  virtual void CloseCursor();
  // Sets the buffer up as a new empty record: InternalInitRecord,
  // ClearCalcFields, flag bfInserted.
  virtual void InitRecord(TRecordBuffer Buffer);

  // ---- Helpers for descendants ---------------------------------------
  TRecordBuffer ActiveBuffer() const {
    return FActiveRecord < static_cast<Integer>(FBuffers.size()) ? FBuffers[FActiveRecord] : nullptr;
  }
  TRecordBuffer Buffers(Integer Index) const { return FBuffers[Index]; }
  // The buffer the window uses as scratch (one past the window).
  TRecordBuffer TempBuffer() const { return FBuffers[FRecordCount]; }
  // The record that field access addresses in the current state: the
  // active buffer (browse: null when empty; edit, insert, new/cur value,
  // block read), the calculation buffer (dsCalcFields, dsInternalCalc),
  // the record under test (dsFilter). Null for the other states, which a
  // descendant serves itself (dsSetKey, dsOldValue).
  TRecordBuffer GetActiveRecordBuffer() const;
  // Whether the record in Buffer passes Filtered + OnFilterRecord (runs
  // the handler in dsFilter with Buffer as the record under test).
  bool DoFilterRecord(TRecordBuffer Buffer);
  // Computes the calculated and lookup fields of Buffer (in
  // dsCalcFields): ClearCalcFields, lookups, OnCalcFields.
  void GetCalcFields(TRecordBuffer Buffer);
  // Size of the calculated area: per calculated or lookup field one
  // has-value byte followed by DataSize bytes, at Field->Offset().
  Integer CalcFieldsSize() const { return FCalcFieldsSize; }
  // Read/write a calculated field's slot inside a calculated area.
  static bool GetCalcData(const Byte* CalcArea, const TField* Field, void* Buffer);
  static void SetCalcData(Byte* CalcArea, const TField* Field, const void* Buffer);
  void SetBookmarkSize(Integer N) { FBookmarkSize = N; }
  void SetFound(bool Value) { FFound = Value; }
  // Makes one field per field definition (owned by this dataset).
  void CreateFields();
  // Frees the fields this dataset owns.
  void DestroyFields();
  // Binds the fields to the definitions (FieldNo, calculated offsets) or
  // unbinds them; computes CalcFieldsSize.
  void BindFields(bool Binding);
  TDataSetState SetTempState(TDataSetState Value);
  void RestoreState(TDataSetState Value);
  void SetState(TDataSetState Value);
  // Raises SNotEditing unless the state allows writing fields.
  void CheckEditState() const;
  // Raises EDatabaseError SDataSetReadOnly when CanModify is false.
  void CheckCanModify() const;
  // Raises SFieldRequired for the first required data field that is null.
  void CheckRequiredFields();
  void ClearBuffers();
  void SetBufferCount(Integer Value);
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void SetActiveRecord(Integer Value);
  void DoInternalOpen();
  void ActivateBuffers();
  bool GetNextRecord();
  bool GetPriorRecord();
  Integer GetNextRecords();
  Integer GetPriorRecords();
  void SetCurrentRecord(Integer Index);
  void MoveBuffer(Integer CurIndex, Integer NewIndex);
  void UpdateBufferCount();
  void BeginInsertAppend();
  void EndInsertAppend();
  void CheckOperation(void (TDataSet::*Operation)(), const TDataSetErrorEvent& ErrorEvent);
  void CalculateLookupFields();
  void AddDataSource(TDataSource* Source);
  void RemoveDataSource(TDataSource* Source);
  void NotifyDataSources(TDataEvent Event, intptr_t Info);
  void SetFieldsFromValues(const std::vector<Variant>& Values);
  void AddRecordValues(const std::vector<Variant>& Values, bool IsAppend);
  bool FindByKey(const std::vector<TField*>& Fields, const Variant& KeyValues,
                 TLocateOptions Options);
  void DoEvent(const TDataSetNotifyEvent& Event) { if (Event) Event(this); }
  // While alive, makes a buffer the record under access in a temporary
  // state (dsFilter or dsCalcFields); restores both when it ends.
  class TRecordScope;

  TDataSetState FState = dsInactive;
  bool FBOF = true, FEOF = true, FModified = false;
  bool FDefaultFields = false, FAutoCalcFields = true, FObjectView = false;
  bool FStreamedActive = false, FInternalOpenComplete = false;
  bool FFiltered = false, FFound = false;
  String FFilterText;
  TFilterOptions FFilterOptions;
  TFilterRecordEvent FOnFilterRecord;
  std::vector<TRecordBuffer> FBuffers;  // BufferCount + 1 once open
  Integer FBufferCount = 0, FRecordCount = 0, FActiveRecord = 0, FCurrentRecord = -1;
  Integer FBookmarkSize = 0, FCalcFieldsSize = 0, FBlockReadSize = 0;
  Integer FDisableCount = 0;
  TDataSetState FDisableState = dsInactive;
  TDataEvent FEnableEvent = deDataSetChange;
  TRecordBuffer FCalcBuffer = nullptr, FFilterBuffer = nullptr;
  std::unique_ptr<TFields> FFields;
  std::unique_ptr<TFieldDefs> FFieldDefs;
  std::unique_ptr<TIndexDefs> FIndexDefs;
  std::vector<TDataSource*> FDataSources;
};
