// Record storage of the in-memory table: the chunked pointer list TmtList,
// the field list with compare options TmtFieldList, the stored record
// TmtRecord and the storage TmtCommon that a table shares with the tables
// attached to it.
//
// Record data layout (one block per record, TmtCommon::DataSize bytes): for
// each field definition in order, when the field is kept in the record, a
// null-flag byte (0 null, 2 value) followed by the field's native value
// (the buffer of fieldkinds.h: strings as NUL-terminated UTF-8 of up to
// 4 x Size + 1 bytes, SmallInt/Word/Boolean 2, Integer/Date/Time/AutoInc 4,
// Float/Currency/DateTime/Largeint 8, BCD 34, Bytes Size, VarBytes
// Size + 2). Then the out-of-record area: per field kept outside a flag
// byte and a pointer to a heap block (32-bit little-endian length, then the
// bytes). Blob types are always kept outside; String, FixedChar,
// WideString, Bytes and VarBytes of Size 13 or more are kept outside when
// the performance is not mtpfFast. The dataset's record buffers begin with
// the same layout, so keys and records compare alike.
//
// Thread safety: TmtList and TmtFieldList are not thread-safe. TmtCommon
// guards its record list, free list, counters and attached-table list with
// one re-entrant critical section: every operation that reads or changes
// them takes it (Lock/Unlock or TmtCommonLock); callers that run several
// operations as one unit hold it themselves across them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "data/memtable/mtMemTableRecordPool.h"
#include "data/memtable/mtMemTableTypes.h"
#include "platform/db/defs.h"
#include "platform/rtl/syncobjs.h"

class TmtCustomMemTable;

// ---- TmtList --------------------------------------------------------------

// A list of pointers kept in blocks of at most about 2000 items, so that
// inserts and deletes in the middle of large lists stay cheap. Lookups walk
// the block counts from the nearer end.
class TmtList : public TObject {
  RTL_DECLARE_CLASS(TmtList)
 public:
  TmtList() = default;
  ~TmtList() override = default;

  Integer Count() const { return FCount; }
  // The item at Index; null for an index outside the list.
  void* Get(Integer Index) const;
  // Replaces the item at Index; does nothing for an index outside.
  void Put(Integer Index, void* Item);
  // Appends Item; returns its index.
  Integer Add(void* Item);
  // Inserts Item before Index (at or beyond Count: appends; negative:
  // inserts at 0).
  void Insert(Integer Index, void* Item);
  // Removes the item at Index; does nothing for an index outside.
  void Delete(Integer Index);
  void Clear();
  // Reserves room for Capacity items in the last block (a hint).
  void SetCapacity(Integer Capacity);
  // Number of blocks (for tests of the block structure).
  Integer BlockCount() const { return static_cast<Integer>(FBlocks.size()); }
  // Calls Action(item) for every item in order, block by block (no lookup
  // per item). Action must not change the list.
  template <class Fn>
  void ForEach(Fn Action) const {
    for (std::size_t B = 0; B < FBlocks.size(); ++B)
      for (Integer I = 0; I < FCounts[B]; ++I) Action(FBlocks[B].Items[static_cast<std::size_t>(I)]);
  }
  // Copies the items into / from a plain vector (sorting works on it).
  std::vector<void*> ToVector() const;
  void Assign(const std::vector<void*>& Items);

  // Block growth and split limits.
  static constexpr Integer BlockSplitCount = 2000;

 private:
  struct TBlock {
    std::unique_ptr<void*[]> Items;
    Integer Capacity = 0;
  };
  // Finds the block and offset of Index (0 <= Index < Count).
  void Locate(Integer Index, Integer& Block, Integer& Offset) const;
  void Grow(Integer Block);
  void NewBlockAt(Integer Block, Integer Capacity);
  void Recount() { FMidPoint = FCount / 2; }
  std::vector<TBlock> FBlocks;
  std::vector<Word> FCounts;  // items per block
  Integer FCount = 0;
  Integer FMidPoint = 0;
};

// ---- TmtFieldList -----------------------------------------------------------

// An ordered list of fields with compare options per field (index keys,
// master and detail fields). Holds at most MT_MAX_FIELDS entries.
class TmtFieldList : public TObject {
  RTL_DECLARE_CLASS(TmtFieldList)
 public:
  struct TEntry {
    TField* Field = nullptr;
    TmtMemTableCompareOptions Options;
    Integer FieldNo = 0;  // the field's number when added
    Integer Size = 0;     // the field's size when added
  };

  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TField* Fields(Integer I) const { return FItems[static_cast<size_t>(I)].Field; }
  TmtMemTableCompareOptions Options(Integer I) const { return FItems[static_cast<size_t>(I)].Options; }
  void SetOptions(Integer I, TmtMemTableCompareOptions O) { FItems[static_cast<size_t>(I)].Options = O; }
  // Appends a field; returns its index. Raises EMemTableError
  // mtSTooManyFieldDefs beyond MT_MAX_FIELDS entries.
  Integer Add(TField* Field, TmtMemTableCompareOptions Options);
  void Clear() { FItems.clear(); }
  // Position of Field, or -1.
  Integer IndexOf(const TField* Field) const;
  // Makes Dest a copy of this list.
  void AssignTo(TmtFieldList& Dest) const;
  // Ors the options of Other's fields into the same fields of this list.
  void MergeOptions(const TmtFieldList& Other);

 private:
  std::vector<TEntry> FItems;
};

// ---- Records ------------------------------------------------------------------

// Flag bit of TmtRecord::Flag: set when the record is added or posted.
constexpr Byte mtrfChanged = 1;

// A stored record: header and data in one memory block.
struct TmtRecord {
  Integer RecordID;            // slot in the storage's record list
  Integer UniqueRecordID;      // never reused; the bookmark's identity
  Byte Flag;                   // mtrfChanged
  Byte Status;                 // TmtRecordStatus
  std::uint16_t Pool;          // 1 + the storage's pool of the block, 0 when on the heap
  Integer TransactionLevel;    // level at which it was last changed
  TmtRecord* PrevRecordVersion;  // older version (versioning), or null
  Byte* Data;                  // the record data (follows the header)
};

// Layout of one field definition in the record data.
struct TmtFieldLayout {
  TFieldType DataType = ftUnknown;
  Integer Size = 0;          // the definition's size
  Integer Offset = -1;       // offset of the null-flag byte, -1 when out of record
  Integer ValueSize = 0;     // bytes of an in-record value
  Integer OutOffset = -1;    // offset of the out-of-record slot, or -1
  Byte Flags = 0;            // mtlfOutOfRecord, mtlfCompressed
};
constexpr Byte mtlfOutOfRecord = 1;
constexpr Byte mtlfCompressed = 2;
// Bytes of one out-of-record slot: flag byte and heap-block pointer.
constexpr Integer MT_OUT_SLOT_SIZE = 1 + static_cast<Integer>(sizeof(void*));

// Heap blocks of out-of-record values: 32-bit length, then the bytes.
// Allocates a block holding Length bytes copied from Data (zero-filled when
// Data is null).
Byte* mtAllocHeapBlock(const void* Data, Integer Length);
Integer mtHeapBlockLength(const Byte* Block);
const Byte* mtHeapBlockData(const Byte* Block);
void mtFreeHeapBlock(Byte* Block);
// Reads / writes the pointer of an out-of-record slot (unaligned).
Byte* mtGetSlotBlock(const Byte* Slot);
void mtSetSlotBlock(Byte* Slot, Byte* Block);

// ---- TmtCommon ------------------------------------------------------------------

// The record storage shared by a table and the tables attached to it.
class TmtCommon : public TObject {
  RTL_DECLARE_CLASS(TmtCommon)
 public:
  explicit TmtCommon(TmtCustomMemTable* Owner);
  // Frees every record with its versions and out-of-record values.
  ~TmtCommon() override;

  // ---- Lock (re-entrant) ----------------------------------------------
  void Lock() const { FLock.Enter(); }
  void Unlock() const { FLock.Leave(); }

  // ---- Attached tables ------------------------------------------------
  TmtCustomMemTable* Owner() const { return FOwner; }
  // The list of attached tables; slot 0 is the owner; free slots are null.
  const std::vector<TmtCustomMemTable*>& AttachedTables() const { return FTables; }
  Integer AttachMaxCount() const { return static_cast<Integer>(FTables.size()); }
  // Raises the class library's argument error (EInvalidOperation
  // mtSInvalidArgument) below 1, EMemTableError mtSTableMustBeClosed while
  // an attached table is open.
  void SetAttachMaxCount(Integer Value);
  // Puts Table into the first free slot (or appends). Raises
  // mtSTableMustBeClosed when a slot must be added while tables are open.
  void AttachTable(TmtCustomMemTable* Table);
  void DetachTable(TmtCustomMemTable* Table);
  // Number of attached tables other than the owner.
  Integer AttachCount() const;
  // Whether any table on the storage is open.
  bool AnyTableOpen() const;

  // ---- Layout -------------------------------------------------------
  // Size in bytes of an in-record value of Type/Size, or -1 when the type
  // has no size rule (blob types give 0: always out of record).
  static Integer ValueSizeOf(TFieldType Type, Integer Size);
  // Whether a field is kept out of record by default.
  static bool DefaultOutOfRecord(TFieldType Type, Integer Size, TmtPerformance Performance);
  // Sets the layout up from the field definitions. Flags per definition
  // (in order; missing entries take the defaults) may be given by the
  // caller (the table's OnSetupField). Raises EMemTableError
  // mtSAtLeastOneField without definitions, and "Fielddef Name
  // (DisplayName) Datatype %d not supported." for a type without size rule.
  void SetupLayout(const TFieldDefs& Defs, const std::vector<Byte>& FlagOverrides);
  const std::vector<TmtFieldLayout>& Layout() const { return FLayout; }
  // Layout of the field with FieldNo (1-based); null when outside.
  const TmtFieldLayout* FieldLayout(Integer FieldNo) const;
  Integer DataSize() const { return FDataSize; }
  Integer OutOfRecordCount() const { return FOutOfRecordCount; }
  Integer OutOfRecordStart() const { return FOutOfRecordStart; }

  // ---- Records --------------------------------------------------------
  // A new record of the current layout: every field null, ids unset.
  TmtRecord* AllocRecord() const;
  // A new record for the storage holding a copy of Source's data (the
  // current layout; out-of-record values duplicated), ids unset. Its block
  // comes from the storage's pool of blocks of this size.
  TmtRecord* AllocStoredRecord(const Byte* Source) const;
  // Copies Source's data into Dest (same layout), duplicating
  // out-of-record values (Dest's old ones are freed).
  void CopyRecordData(const Byte* Source, Byte* Dest) const;
  // A complete copy of Record (data and out-of-record values, same ids).
  TmtRecord* CopyRecord(const TmtRecord* Record) const;
  // Frees a record (out-of-record values, and its older versions when
  // Versions is set). Does not touch the record list.
  void FreeRecord(TmtRecord* Record, bool Versions = true) const;
  // Frees the out-of-record values of a data block and clears the slots.
  void FreeOutOfRecord(Byte* Data) const;
  // Adds a record: reuses the most recently freed slot or appends; gives
  // the next unique id; marks it changed (inserted with versioning).
  // Raises EMemTableFatalError mtSBookmarkCounterOutOfRange when the
  // unique-id counter is exhausted. The storage owns the record.
  void AddRecord(TmtRecord* Record);
  // Frees Record, puts its slot on the free list.
  void DeleteRecord(TmtRecord* Record);
  // Raises EMemTableInvalidRecord mtSInvalidRecord unless Record is a
  // record of this storage.
  void CheckRecord(const TmtRecord* Record) const;
  bool IsRecord(const TmtRecord* Record) const;
  // Resets every open table on the storage and frees every record; the
  // counters return to 0 and a new generation starts.
  void EmptyRecords();
  TmtList& Records() { return FRecords; }
  const TmtList& Records() const { return FRecords; }
  TmtRecord* RecordAt(Integer Slot) const { return static_cast<TmtRecord*>(FRecords.Get(Slot)); }
  // Number of stored records (slots in use).
  Integer RecordCount() const { return FRecords.Count() - FFreeSlots.Count(); }
  Integer NextRecordID() const { return FNextRecordID; }
  Integer NextUniqueRecordID() const { return FNextUniqueRecordID; }
  Integer Generation() const { return FGeneration; }
  Integer FreeSlotCount() const { return FFreeSlots.Count(); }

  // ---- Index upkeep ----------------------------------------------------
  // Reflects an insert (RowPos: position in the row-order index of the
  // calling table, -1 = end), an edit (Before: remove from the sorted
  // indexes; After: put back) or a delete in every maintained index of
  // every open table on the storage.
  void IndexesInsert(TmtRecord* Record, TmtCustomMemTable* Caller, Integer RowPos);
  // IndexesInsert(Record, Caller, -1) for each of Records in order, one
  // index at a time.
  void IndexesAppend(const std::vector<TmtRecord*>& Records);
  void IndexesRemoveKeys(TmtRecord* Record);
  void IndexesInsertKeys(TmtRecord* Record);
  void IndexesDelete(TmtRecord* Record);

  // ---- Versions and transactions --------------------------------------
  TmtPerformance Performance() const { return FPerformance; }
  void SetPerformance(TmtPerformance V) { FPerformance = V; }
  bool EnableVersioning() const { return FEnableVersioning; }
  void SetEnableVersioning(bool V) { FEnableVersioning = V; }
  TmtVersioningMode VersioningMode() const { return FVersioningMode; }
  void SetVersioningMode(TmtVersioningMode V) { FVersioningMode = V; }
  bool VersioningSuspended() const { return FVersioningSuspended; }
  void SetVersioningSuspended(bool V) { FVersioningSuspended = V; }
  // Whether edits keep versions now.
  bool KeepVersions() const { return FEnableVersioning && !FVersioningSuspended; }
  Integer TransactionLevel() const { return FTransactionLevel; }
  void IncTransactionLevel() { ++FTransactionLevel; }
  void DecTransactionLevel() { if (FTransactionLevel > 0) --FTransactionLevel; }
  // Undoes every change stamped with the current transaction level.
  void Rollback();
  // Forgets versions and deleted records; every record becomes unmodified.
  void CheckPoint();
  Integer DeletedCount() const { return FDeletedCount; }
  void SetDeletedCount(Integer V) { FDeletedCount = V; }
  bool DataChanged() const { return FDataChanged; }
  void SetDataChanged(bool V) { FDataChanged = V; }

  // ---- Auto-increment -------------------------------------------------
  Integer AutoIncMinValue() const { return FAutoIncMin; }
  // Makes the highest value Value - 1 when it is below, so that Value is
  // handed out next.
  void SetAutoIncMinValue(Integer Value);
  Integer AutoIncMax() const { return FAutoIncMax; }
  void SetAutoIncMax(Integer V) { FAutoIncMax = V; }
  // Highest + 1, remembered as the new highest.
  Integer NextAutoInc() { return ++FAutoIncMax; }
  void ResetAutoInc() { FAutoIncMax = FAutoIncMin - 1; }

  // ---- Locale ----------------------------------------------------------
  Integer LocaleID() const { return FLocaleID; }
  // Stores the id and splits it into its parts.
  void SetLocaleID(Integer Value);
  Integer LanguageID() const { return FLanguageID; }
  Integer SubLanguageID() const { return FSubLanguageID; }
  Integer SortID() const { return FSortID; }
  // Each recomputes LocaleID = Sort * 65536 + SubLanguage * 1024 + Language.
  void SetLanguageID(Integer V);
  void SetSubLanguageID(Integer V);
  void SetSortID(Integer V);

  bool Standalone() const { return FStandalone; }
  // Raises EMemTableError mtSChildrenAttached while tables are attached.
  void SetStandalone(bool Value);

 private:
  // Runs Action(table, index) for every index of every open table on the
  // storage (SortedOnly: all but the row-order index), under the lock.
  template <class Fn>
  void ForEachOpenIndex(bool SortedOnly, Fn Action);
  void RecomputeLocale();
  void FreeAllRecords();
  // An uninitialised block for a stored record of the current layout and
  // the number of its pool (TmtRecord::Pool).
  void* TakeBlock(std::uint16_t& Pool) const;
  mutable TCriticalSection FLock;
  mutable std::vector<std::unique_ptr<TmtRecordPool>> FPools;
  TmtCustomMemTable* FOwner;
  TmtList FRecords;
  TmtList FFreeSlots;
  std::vector<TmtCustomMemTable*> FTables;
  Integer FNextRecordID = 0, FNextUniqueRecordID = 0;
  Integer FGeneration = 0;
  std::vector<TmtFieldLayout> FLayout;
  Integer FDataSize = 0, FOutOfRecordCount = 0, FOutOfRecordStart = 0;
  TmtPerformance FPerformance = mtpfFast;
  bool FEnableVersioning = false;
  TmtVersioningMode FVersioningMode = mtvm1SinceCheckPoint;
  bool FVersioningSuspended = false;
  Integer FTransactionLevel = 0;
  Integer FDeletedCount = 0;
  bool FDataChanged = false;
  Integer FAutoIncMin = 0, FAutoIncMax = -1;
  Integer FLocaleID = MT_DEFAULT_LOCALE_ID;
  Integer FLanguageID = 0, FSubLanguageID = 1, FSortID = 0;
  bool FStandalone = false;
};

// Holds a storage's lock for its lifetime.
class TmtCommonLock {
 public:
  explicit TmtCommonLock(const TmtCommon& C) : FCommon(C) { FCommon.Lock(); }
  ~TmtCommonLock() { FCommon.Unlock(); }
  TmtCommonLock(const TmtCommonLock&) = delete;
  TmtCommonLock& operator=(const TmtCommonLock&) = delete;

 private:
  const TmtCommon& FCommon;
};
