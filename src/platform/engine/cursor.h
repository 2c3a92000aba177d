// A cursor: one open table handle with its position, record buffer,
// pending changes, filters, locks and index orders. OakOpenTable makes one;
// every record-level entry point works on one.
//
// Position: a cursor stands on a record (RecNo > 0), before the first
// (BOF) or after the last (EOF); both flags are set for an empty order.
// Navigation goes in natural order (Order null) or in the order of an index
// tag (TIndexOrder), and visits only visible records: not deleted unless
// deleted records are shown, accepted by the filter and the AOF, and, in
// an index order, within the order's scopes.
//
// Changes: field setters change the record buffer; WriteRecord stores it
// (appending when AppendRecord started it), keeps every index up to date
// and flushes, under the table's write lock. Other handles' changes become
// visible through Sync (the table header's change counter).
//
// The cursor is the record context of its expressions (filters, keys):
// field values come from the record buffer, memo values from the memo file
// or the pending change.
//
// Thread safety: none; the engine lock serialises every use.
#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/engine/connection.h"
#include "platform/engine/errors.h"
#include "platform/engine/indexfile.h"
#include "platform/engine/locks.h"
#include "platform/engine/memo.h"
#include "platform/engine/table.h"

namespace oak {

class TCursor;

// A record buffer seen as an expression context (old and new images of a
// record while the indexes are updated, records of a scan).
class TRecordView : public ExprRecordContext {
 public:
  TRecordView(const TCursor& C, const std::uint8_t* Rec, std::uint32_t RecNo, bool Pending)
      : FCursor(C), FRec(Rec), FRecNo(RecNo), FPending(Pending) {}
  bool FindField(std::string_view Name, ExprFieldInfo& Info) const override;
  ExprValue FieldValue(int Index) const override;
  std::uint32_t RecordNumber() const override { return FRecNo; }
  bool IsDeleted() const override { return FRec[0] == kRecordDeleted; }
  bool StoredText(int Index, ExprStoredText& Out) const override;
  bool StoredNumber(int Index, bool& Null, double& Value) const override;

 private:
  const TCursor& FCursor;
  const std::uint8_t* FRec;
  std::uint32_t FRecNo;
  bool FPending;  // blob values from the cursor's pending changes first
};

// An index order: one tag of one of the cursor's index files, with its
// scopes, raw-key buffer and tree position. Owned by its cursor.
class TIndexOrder : public THandled {
 public:
  TIndexOrder(TCursor& Owner, IndexFile& File, std::string TagName);
  ~TIndexOrder() override;
  THandleKind Kind() const override { return THandleKind::Index; }

  TCursor& Owner() const { return FOwner; }
  IndexFile& File() const { return FFile; }
  const std::string& TagName() const { return FTagName; }
  // The tag (looked up again after the file changed). E_INDEX_NOT_FOUND
  // when it was deleted.
  IndexTag& Tag() const;
  // The tree position, rebuilt when the index file was re-read.
  BTreeCursor& Pos();

  // Scopes: key prefixes (key bytes) that bound the order; empty optional
  // when not set.
  std::optional<std::string> ScopeTop, ScopeBottom;
  // True when Key lies within both scopes.
  bool InScope(std::string_view Key) const;
  // The key record of OakInitRawKey / OakBuildRawKey.
  std::vector<std::uint8_t> KeyRecord;

 private:
  TCursor& FOwner;
  IndexFile& FFile;
  std::string FTagName;
  std::unique_ptr<BTreeCursor> FPos;
  std::uint64_t FPosGeneration = 0;
};

struct TOpenOptions {
  bool Exclusive = false;
  bool ReadOnly = false;
  CharType Chars = CharType::Ansi;
  // A table of the engine's own (an SQL result) that never takes part in
  // its connection's transactions.
  bool OutsideTransactions = false;
};

class TCursor : public THandled, public ExprRecordContext {
 public:
  // Opens the table at Path (a hot journal is rolled back first), its memo
  // file and its structural index. Raises the codes of TTableFile.
  TCursor(TConnection& Conn, const std::string& Path, const TOpenOptions& Options);
  ~TCursor() override;
  THandleKind Kind() const override { return THandleKind::Table; }

  // ---- structure -------------------------------------------------------
  TTableFile& Table() const { return *FTable; }
  TConnection& Connection() const { return FConn; }
  const std::vector<TFieldDesc>& Fields() const { return FTable->Fields(); }
  // Field n (1-based); E_INVALID_FIELD when out of range.
  const TFieldDesc& Field(UNSIGNED16 N) const;
  UNSIGNED16 FieldNumber(const std::string& Name) const;  // E_INVALID_FIELD
  UNSIGNED32 OpenOptions() const;
  TLockSet& Locks() { return *FLocks; }
  TMemoFile* Memo() const { return FMemo.get(); }

  // ---- ExprRecordContext over the record buffer -------------------------
  bool FindField(std::string_view Name, ExprFieldInfo& Info) const override;
  ExprValue FieldValue(int Index) const override;
  std::uint32_t RecordNumber() const override { return FRecNo; }
  bool IsDeleted() const override { return FRec[0] == kRecordDeleted; }
  bool StoredText(int Index, ExprStoredText& Out) const override;
  bool StoredNumber(int Index, bool& Null, double& Value) const override;
  // The value of field Index of Rec (blob values read from the memo file,
  // or from the pending changes when Pending).
  ExprValue ValueOf(const std::uint8_t* Rec, int Index, bool Pending) const;
  // StoredText of field Index of Rec (Out.Bytes points into Rec): false
  // for a field number out of range or a field that is not of a character
  // type (OAK_STRING, OAK_CISTRING).
  bool StoredTextOf(const std::uint8_t* Rec, int Index, ExprStoredText& Out) const;
  // StoredNumber of field Index of Rec: false for a field number out of
  // range or a field that is not a binary number (integer, short integer,
  // autoincrement, double, currency double).
  bool StoredNumberOf(const std::uint8_t* Rec, int Index, bool& Null, double& Value) const;
  ExprOptions EvalOptions() const;

  // ---- position and records (cursor_nav.cpp) ---------------------------
  // Picks up what other handles wrote (counters, index files). Every move
  // and count does this first.
  void Sync();
  // Moves write pending changes first (like an explicit Write). Order null:
  // natural order. Nothing visible: both BOF and EOF.
  void GotoTop(TIndexOrder* Order);
  void GotoBottom(TIndexOrder* Order);
  // Before the first record: a Skip(1) reaches the first visible one.
  void GotoBOF(TIndexOrder* Order);
  // N visible records on; past the last: EOF, before the first: BOF.
  void Skip(TIndexOrder* Order, SIGNED32 N);
  // Record RecNo whether visible or not; 0 or past the end: EOF.
  void GotoRecord(UNSIGNED32 RecNo);
  // Seeks Key (key bytes, a prefix of the tag's keys). Hard: EOF unless a
  // visible record has the key; soft: stays on the next greater visible key
  // (EOF when none). Last: the last record of the key. Returns found.
  bool Seek(TIndexOrder& Order, const std::string& Key, bool Soft, bool Last);
  bool AtBOF() const { return FAtBOF; }
  bool AtEOF() const { return FAtEOF; }
  UNSIGNED32 RecNo() const { return FRecNo; }
  bool HasRecord() const { return FRecNo != 0; }
  // Raises E_NO_CURRENT_RECORD when the cursor stands on no record.
  void RequireRecord() const;
  // Where the cursor stands, as OakSkipAndRead reports it: the OAK_STEP_*
  // flags, the record number (0: none) and, on a record, its raw image in
  // Rec. Len: Rec's size in, the record length out; E_BUFFER_TOO_SMALL
  // when Rec cannot hold the record.
  void ReportPosition(UNSIGNED8* Rec, UNSIGNED32& Len, UNSIGNED32& RecNo, UNSIGNED16& State);
  const std::vector<std::uint8_t>& Record() const { return FRec; }
  // True when Rec passes the deleted setting, the filter, the AOF and (with
  // Order) the order's scopes.
  bool IsVisible(const std::uint8_t* Rec, std::uint32_t RecNo, TIndexOrder* Order);
  // Counts per OakGetRecordCount's options (oak.h); keeps the position.
  UNSIGNED32 CountRecords(TIndexOrder* Order, UNSIGNED16 Option);
  // 1-based position of the current record in Order (0 when none).
  UNSIGNED32 KeyNumber(TIndexOrder& Order);
  // Position as 0..1 in Order (natural order: by record number);
  // E_NO_KEY_POSITION for an empty index.
  double RelativePosition(TIndexOrder* Order);
  void SetRelativePosition(TIndexOrder* Order, double Pos);
  // Reads the current record again, dropping pending changes.
  void RefreshRecord();

  // ---- filters -----------------------------------------------------------
  // Parses Text as the filter (or the AOF); expression errors raise their
  // codes, a result that is not logical E_EXPRESSION.
  void SetFilter(const std::string& Text, bool Aof);
  // E_NO_FILTER when none is set.
  void ClearFilter(bool Aof);
  // The text of the filter or AOF, or null when none is set.
  const std::string* FilterText(bool Aof) const;
  // String '=' of filters compares whole texts (OakSetExact22).
  bool Exact = false;
  // Deleted records are visible (OakShowDeleted).
  bool ShowDeleted = true;
  // A cursor over the result of an SQL SELECT (OakGetHandleType: cursor).
  bool IsSqlResult = false;
  UNSIGNED16 SqlKind = OAK_SQL_STATIC;
  // A folder removed with everything in it when the cursor closes (the
  // temporary table of an SQL result).
  std::string RemoveOnClose;

  // ---- editing (cursor_edit.cpp) ---------------------------------------
  // Starts a new record of null fields; its number is the next free one
  // (given for good at Write).
  void Append();
  // Makes the buffer changeable: requires a record, a writable table.
  void BeginChange();
  std::uint8_t* MutableRecord() { return FRec.data(); }
  void SetBlob(UNSIGNED16 N, std::string Data);
  // The current value of a blob field (pending change first), read as
  // Consistently reads.
  std::string BlobValue(UNSIGNED16 N);
  bool BlobIsEmpty(UNSIGNED16 N) const;
  // The length of BlobValue(N), from the pending change or the record's
  // reference (checked against the memo file, whose value is not read;
  // E_CORRUPT_MEMO for a reference the file cannot hold).
  UNSIGNED32 BlobLength(UNSIGNED16 N);
  // Blob values set on the current record and not yet written.
  bool HasPendingBlobs() const { return !FPendingBlobs.empty(); }
  // Stores the pending changes or the new record: autoincrement values,
  // memo values, the record, every index; E_LOCKED when another handle
  // locks the record or the table, E_READ_ONLY on a read-only open.
  void Write();
  // Drops pending changes; false when there were none.
  bool Cancel();
  // Writes what an exclusive handle kept in memory: the counters, then
  // the index files stamped with them (the close does it too, quietly).
  void FlushDeferred();
  // Marks the current record deleted or live and writes it.
  void SetDeleted(bool Deleted);
  UNSIGNED32 LastAutoinc() const { return FLastAutoinc; }
  // Pack and zap need an exclusive open or the table lock (E_NOT_EXCLUSIVE);
  // both rebuild every index and leave the cursor on the first record.
  void Pack();
  void Zap();
  // Rebuilds every tag of every open index file from the records.
  void Reindex();

  // ---- indexes (cursor_index.cpp) ----------------------------------------
  // Every tag of every open index file (structural first).
  std::vector<TIndexOrder*> Orders() const;
  // The order of a tag (any case), or null.
  TIndexOrder* FindOrder(const std::string& Tag) const;
  // Adds a tag to the structural index (FileName empty; the file is made
  // when missing) or to the index file FileName (relative to the table's
  // folder), and fills it. The new order is owned by the cursor. Inside a
  // transaction no index file is made (E_TRANSACTION): a tag goes into an
  // index file that exists.
  TIndexOrder& CreateIndex(const std::string& FileName, const TagDefinition& Def,
                           UNSIGNED32 PageSize);
  // The path of an extra index file FileName (relative to the table's
  // folder unless it holds a '/').
  std::string IndexFilePath(const std::string& FileName) const;
  // Drops the tag; Order is destroyed.
  void DeleteIndex(TIndexOrder& Order);
  // Opens an extra index file (once) and returns its orders.
  std::vector<TIndexOrder*> OpenIndexFile(const std::string& Path);
  // Closes an extra index file with its orders (not the structural one).
  void CloseIndexFile(IndexFile& File);
  // The path an index file was opened under.
  const std::string& IndexPath(const IndexFile& File) const;
  // Bumped whenever an index file is re-read: orders rebuild positions.
  std::uint64_t IndexGeneration() const { return FIndexGeneration; }
  // Visits every record (for index builds).
  void ScanAll(const RecordVisitor& Visit);

  // ---- transactions --------------------------------------------------------
  // Closes the handle while its connection's transaction holds the table:
  // pending changes are dropped, the handle (and its orders' handles) go,
  // and the cursor stays with the connection, which writes its part of the
  // transaction at the commit and deletes it when the transaction ends.
  void CloseInTransaction();
  bool ClosedInTransaction() const { return FClosedInTransaction; }
  // Routes every write through J (null: none).
  void SetJournal(TTxnJournal* J);
  bool JoinsTransactions() const { return !FOptions.OutsideTransactions; }
  // Re-reads everything after a rollback restored the files.
  void AfterRollback();
  // Writes what this handle's part of the transaction keeps in memory
  // (records, counters, index pages) to the files, under the journal; the
  // table's write lock stays with the transaction. Also before a change
  // that writes the table's files at once (pack, zap, reindex, a tag made
  // or dropped), so that the records and keys kept back match it.
  void FlushTxnBatch();
  // Forgets it (rollback).
  void DropTxnBatch();
  // Cuts what a pack or zap under a journal dropped from the files, once
  // the journal is gone (its commit).
  void FinishCuts();
  // ---- the table's state (locks.h) ----------------------------------------
  // Waits until the table is at rest and returns its write sequence: while
  // another handle holds W with the sequence odd it waits (5 s, then
  // E_LOCKED); a table left dead is settled first (SettleDead). A
  // read-only handle may be given an odd sequence that it settled for
  // itself (see SettleDead).
  UNSIGNED32 AwaitRest();
  // Settles what a dead program left on the table: applies the journal of
  // a foreign marker (or waits for the recovery at work on it), clears a
  // marker whose journal is gone, rebuilds the open indexes after a write
  // that died between its record and its index. REQUIRES: this handle
  // does not hold W. Returns at once while another handle holds W (a
  // writer at work; callers wait). Raises the journal's refusals
  // (EJournalRefused), E_LOCKED when a recovery at work does not end
  // within the wait, and the os codes.
  void SettleDead();
  // Record and table locks (OakLockRecord, OakLockTable): taken at once or
  // refused (E_LOCKED) when another handle holds them; while another
  // handle holds W (a writer, or a transaction that may have changed the
  // row) they are let go again and taken once W is free (5 s, then
  // E_LOCKED); a dead table is settled. Once locked, the current record
  // (when it is the one locked, or under the table lock) is read anew
  // unless it has changes of this handle.
  void LockRecord(UNSIGNED32 RecNo);
  void LockTable();
  // True when the table's state on the disk lets this handle, which holds
  // W, write: no foreign marker, the sequence even or odd by this handle.
  bool Writable(const TTableCounters& State) const;
  // Reads the current record anew when it is record RecNo and clean.
  void ReadLockedAgain(UNSIGNED32 RecNo);
  // Runs Body, which reads the table's files (a move, a seek, a count, a
  // memo value), so that what it reads comes from files at rest: the
  // write sequence is read before and after, and when it moved (or Body
  // failed while it moved) the position is put back and Body runs again.
  // Nested calls run Body once. Handles that no other program can write
  // under (an exclusive one, one whose transaction holds the table) run
  // Body as it is.
  template <class F>
  void Consistently(F&& Body);
  // Inside Consistently: raises TReadAgain (caught there) when the write
  // sequence moved, so that a long loop over files being written ends.
  void CheckStillAtRest();

 private:
  friend class TRecordView;
  void LoadRecord(UNSIGNED32 RecNo);
  // Makes record RecNo, which FRec holds as just read, the current one.
  void TakeRecord(UNSIGNED32 RecNo);
  void SetPosition(UNSIGNED32 RecNo, bool Bof, bool Eof);
  bool StepNatural(int Dir);
  bool StepOrder(TIndexOrder& Order, int Dir);
  bool SettleOrder(TIndexOrder& Order, int Dir);
  bool ScopeEnded(TIndexOrder& Order, int Dir);
  bool PlaceOrderCursor(TIndexOrder& Order);
  // True when the order's tree position is an entry of the current
  // record's key whose record, at another number, is the current record
  // as read (moved there by a pack).
  bool IsCurrentRecordMoved(TIndexOrder& Order);
  void AfterSkip(bool Found, int Dir);
  void OpenStructuralIndex(bool Create, UNSIGNED32 PageSize);
  // Opens the memo file and the structural index anew (the open).
  void OpenMemoAndIndex();
  // Inside Consistently: the record's memo references as the disk holds
  // them now (see cursor.cpp).
  void RefreshBlobRefs();
  std::unique_ptr<IndexFile> OpenIndex(const std::string& Path, bool Create, UNSIGNED32 PageSize);
  void AddOrders(IndexFile& File);
  void UpdateIndexes(const std::uint8_t* Old, const std::uint8_t* New, UNSIGNED32 RecNo);
  // Flushes every index file; a handle that defers its counters (see
  // TTableFile::DefersCounters) only marks them for FlushDeferred.
  void FlushIndexes();
  // Flushes one index file stamped with the table's change counter.
  void FlushIndexFile(IndexFile& File);
  // Rebuilds the structural index when its stamp is not the table's change
  // counter (a writer died between its record and its index). REQUIRES:
  // the write lock, Sync done.
  void CatchUpIndexes();
  // CatchUpIndexes at open, when no other writer is at work.
  void CatchUpOnOpen();
  // For a read-only handle, which may not write the index: a structural
  // index whose stamp is not the table's change counter is rebuilt in
  // memory for this handle, so that no tag answers short.
  void CatchUpInMemory();
  void DiscardIndexes();
  // Stores the pending memo values; the runs they replace are kept in
  // FReplacedRuns and freed by FreeReplacedRuns once the record refers to
  // the new ones, so that a crash in between leaves the old value readable.
  void StoreBlobs(const std::uint8_t* Old);
  void FreeReplacedRuns();
  void RebuildAfterMaintenance();
  // Pack's work: the live records move up, the deleted ones' memo values
  // are freed, the file is cut and the indexes rebuilt.
  void PackRecords();
  // True when the current record, its state byte set to State, is what the
  // file holds already (checked under the write lock, after Sync), so that
  // SetDeleted has nothing to write. E_LOCKED as Write.
  bool StateStoredAlready(std::uint8_t State);
  void CheckWritable() const;
  // The table's write lock for one operation, a dead table settled first;
  // inside a transaction the transaction's hold on the table (other
  // cursors of this connection write what they kept back first).
  TWriteScope WriteLock();
  // True when other programs may write the table under this handle's
  // reads (see Consistently).
  bool ReadsUnderOthers() const;
  // SettleDead's steps.
  void SettleMarker(std::uint64_t Marker);
  void RebuildAfterDeadWrite();
  void SavePosition();
  void RestorePosition();
  // Drops everything read of the files (record blocks, index pages, the
  // memo header): they may have been read while another program wrote.
  void DropReadCaches();
  // A handle that holds the table alone keeps its counters and index pages
  // to its flush (FlushDeferred).
  bool DefersFlush() const;
  // Begins (the write sequence odd) and ends (even) a change of the
  // table's files in place; see LeaveInPlace for who ends later.
  void EnterInPlace();
  void LeaveInPlace();
  // A change in place for one scope: begun at construction (unless
  // Begin is false), ended by Done; a scope left without Done (a failure
  // in the middle) leaves the sequence odd on the disk for the next
  // settle, Keep leaves the change begun (it was begun before).
  class TInPlace {
   public:
    explicit TInPlace(TCursor& C, bool Begin = true) : FCursor(C), FDone(!Begin) {
      if (Begin) FCursor.EnterInPlace();
    }
    ~TInPlace();
    void Done() {
      if (!FDone) FCursor.LeaveInPlace();
      FDone = true;
    }
    void Keep() { FDone = true; }
    TInPlace(const TInPlace&) = delete;
    TInPlace& operator=(const TInPlace&) = delete;

   private:
    TCursor& FCursor;
    bool FDone;
  };
  // Runs Work, which changes the table's records and memo values at once,
  // and then rebuilds every index, all or nothing:
  // outside a transaction under a journal of its own, committed at the end
  // (a kill in between is rolled back by the next open or writer).
  void AllOrNothing(const std::function<void()>& Work);
  void RequireExclusiveUse() const;

  TConnection& FConn;
  TOpenOptions FOptions;
  std::unique_ptr<TTableFile> FTable;
  std::unique_ptr<TMemoFile> FMemo;
  std::unique_ptr<TLockSet> FLocks;
  std::vector<std::unique_ptr<IndexFile>> FIndexFiles;  // [0] structural when present
  std::map<const IndexFile*, std::string> FIndexPaths;
  bool FHasStructural = false;
  std::vector<std::unique_ptr<TIndexOrder>> FOrders;
  std::uint64_t FIndexGeneration = 1;

  UNSIGNED32 FRecNo = 0;
  bool FAtBOF = true, FAtEOF = true;
  std::vector<std::uint8_t> FRec;
  bool FDirty = false, FAppending = false;
  std::map<UNSIGNED16, std::string> FPendingBlobs;  // field number -> new value
  std::vector<UNSIGNED32> FReplacedRuns;             // memo runs to free after the write
  UNSIGNED32 FLastAutoinc = 0;

  TTxnJournal* FJournal = nullptr;
  // Inside a transaction the connection holds the table's write lock (see
  // TConnection::HoldTable); this handle's records, counters and index
  // pages are kept in memory (its batch) until the commit, or until
  // another cursor of the connection on the table needs them on the files.
  bool FTxnBatch = false;
  bool FClosedInTransaction = false;
  // Index pages and counters of an exclusive handle wait for FlushDeferred.
  bool FFlushPending = false;
  // The record as this handle read it (LoadRecord, its own writes): a
  // write refuses a record whose bytes on the disk are others now.
  std::vector<std::uint8_t> FLoaded;
  // The position Consistently puts back before it reads again.
  struct TPosition {
    UNSIGNED32 RecNo = 0;
    bool Bof = true, Eof = true;
    std::vector<std::uint8_t> Rec, Loaded;
  };
  TPosition FSaved;
  bool FReading = false;          // inside Consistently
  UNSIGNED32 FReadSeq = 0;        // the write sequence it reads at
  // An odd write sequence a read-only handle settled for itself (it may
  // not write the table): the index it rebuilt in memory serves it.
  std::optional<UNSIGNED32> FSettledOdd;
  std::unique_ptr<Expression> FFilter, FAof;
  std::string FFilterText, FAofText;
};

// Pack and zap outside a transaction run under a journal of their own;
// the benchmark that measures what that journal costs turns it off.
bool MaintenanceJournal();
void SetMaintenanceJournal(bool On);

// Raised inside TCursor::Consistently when the table was written under a
// read: the read runs again.
struct TReadAgain {};

template <class F>
void TCursor::Consistently(F&& Body) {
  if (FReading || !ReadsUnderOthers()) {
    Body();
    return;
  }
  SavePosition();
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockWaitMs);
  for (bool Again = false;; Again = true) {
    FReadSeq = AwaitRest();
    FReading = true;
    std::exception_ptr Failure;
    try {
      // The caches go with what they were read from; dropping them reads
      // the index headers and directories again, so that is a read too,
      // judged by the sequence like Body's.
      if (Again) DropReadCaches();
      Body();
    } catch (const TReadAgain&) {
    } catch (...) {
      Failure = std::current_exception();
    }
    FReading = false;
    if (FTable->WriteSeqNow() == FReadSeq) {
      if (Failure) std::rethrow_exception(Failure);
      return;
    }
    // Written under the read: what it read may mix two states.
    RestorePosition();
    if (std::chrono::steady_clock::now() > Deadline)
      Fail(E_LOCKED, FTable->Path() + " (written by another program throughout the read)");
  }
}

// True when a file exists at Path (also while another handle holds it
// exclusively).
bool FileExists(const std::string& Path);

// The cursor of a table handle, or of the table of an index handle.
TCursor& CursorOf(OAKHANDLE H);
// The order of a handle: null for a table handle (natural order).
TIndexOrder* OrderOf(OAKHANDLE H);
TIndexOrder& IndexOf(OAKHANDLE H);

}  // namespace oak
