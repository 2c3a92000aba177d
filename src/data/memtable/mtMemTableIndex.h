// Indexes and comparison of the in-memory table.
//
// An index (TmtIndex) is an ordered list of record pointers of the table's
// storage; the table navigates through its current index. Every table has
// the row-order index "__MT__ROWORDER" (records in the order they were
// added); further indexes come from IndexDefs, IndexFieldNames, SortOn and
// searches. Keys are lists of fields with compare options (TmtFieldList),
// written as text "Name[:Letters];Name..." with the letters C
// (case-insensitive), D (descending), N (ignore null key), P (partial key)
// and L (ignore locale).
//
// Comparison of two records walks the key fields and gives -1, 0 or 1;
// nulls sort first; strings compare with the platform's locale collation
// (the storage's LocaleID) or byte-wise with mtcoIgnoreLocale. A sorted
// index keeps its records in "unique order": equal keys are ordered by
// record id, so every record has exactly one position.
//
// Thread safety: indexes belong to their table; loading, sorting and upkeep
// run under the storage's lock (TmtCommon), which the callers take.
#pragma once

#include <memory>
#include <vector>

#include "data/memtable/mtMemTableStorage.h"

class TmtCustomMemTable;

// Switches of a record comparison.
struct TmtCompareFlags {
  bool NoDescending = false;    // descending switched off for all fields
  bool PartialKey = false;      // partial key switched on for all fields
  bool IgnoreNullKeys = false;  // a null key field matches anything
  bool UniqueOrder = false;     // equal keys are ordered by record id
};

// ---- Comparison ----------------------------------------------------------

// Compares the values of one field in two record data blocks (A is the key
// side). Full tells whether the comparison was a full one (false for a
// shorter partial string key). Raises EMemTableInvalidLocale "Invalid
// locale." when the locale comparison fails.
Integer mtCompareFieldValues(const TmtCommon& Common, const TmtFieldLayout& Layout,
                             const Byte* A, const Byte* B, TmtMemTableCompareOptions Options,
                             bool& Full);
// Compares two record data blocks over the first Count fields of Fields
// (-1: all). IdA/IdB break ties with Flags.UniqueOrder.
Integer mtCompareRecords(const TmtCommon& Common, const TmtFieldList& Fields, const Byte* A,
                         Integer IdA, const Byte* B, Integer IdB, Integer Count,
                         const TmtCompareFlags& Flags);
// Sorts Items (records of Common) in the unique order of mtCompareRecords
// over Fields, making each locale-compared string's sort key once per
// record instead of at every comparison. Returns false, leaving Items as
// they were, when the order depends on what keys cannot express (an
// OnCompareFields handler, partial keys, an unknown locale).
bool mtSortRecordsByKeys(const TmtCommon& Common, const TmtFieldList& Fields, std::vector<void*>& Items);
// Byte-wise comparison of two texts (case-folded through the class
// library's upper-case table when CaseInsensitive): -1, 0 or 1.
Integer mtCompareBytes(const String& A, const String& B, bool CaseInsensitive);
// The platform's locale comparison; -1, 0 or 1. Raises
// EMemTableInvalidLocale for a locale the platform does not know.
Integer mtCompareLocale(Integer LocaleID, const String& A, const String& B, bool CaseInsensitive);
// Whether the platform knows the locale (its language and sort).
bool mtIsValidLocale(Integer LocaleID);

// Fills List with the fields named in FieldNames ("A;B:DC;..."), each with
// its letters' options plus ExtraOptions (only the per-field ones:
// descending, case-insensitive, partial key, ignore null key, ignore
// locale). Raises EDatabaseError SFieldNotFound for an unknown name and
// "Can't index on field %s" for an aggregate field or a type that can not
// be indexed. An indexed calculated field switches RecalcOnIndex on.
void mtBuildFieldList(TmtCustomMemTable* Table, TDataSet* Over, TmtFieldList& List,
                      const String& FieldNames, TmtMemTableCompareOptions ExtraOptions);
// Whether a field of this type may be a key field.
bool mtIsIndexableType(TFieldType Type);

// ---- TmtIndex ----------------------------------------------------------------

class TmtIndex : public TObject {
  RTL_DECLARE_CLASS(TmtIndex)
 public:
  // Makes an index of Table over the fields named in FieldNames (parsed
  // when the table is open, or at the first rebuild). Sorted: kept in key
  // order; RowOrder: the table's row-order index (never sorted).
  TmtIndex(TmtCustomMemTable* Table, const String& Name, const String& FieldNames,
           TmtMemTableCompareOptions Options, TmtRecordStatuses Statuses, bool Sorted,
           bool RowOrder = false);
  ~TmtIndex() override = default;

  const String& Name() const { return FName; }
  const String& FieldNames() const { return FFieldNames; }
  TmtCustomMemTable* Table() const { return FTable; }
  TmtFieldList& FieldList() { return FFieldList; }
  const TmtFieldList& FieldList() const { return FFieldList; }
  TmtMemTableCompareOptions CompareOptions() const { return FOptions; }
  TmtRecordStatuses Statuses() const { return FStatuses; }
  bool IsRowOrder() const { return FRowOrder; }
  bool Sorted() const { return FSorted; }
  bool IsOrdered() const { return FOrdered; }
  void SetOrdered(bool V) { FOrdered = V; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool V) { FEnabled = V; }
  bool IsUnique() const { return FOptions.Contains(mtcoUnique); }
  // Kept up to date on changes (not non-maintained, enabled, and the
  // table's EnableIndexes on; the row-order index always).
  bool IsMaintained() const;

  // ---- Records -------------------------------------------------------
  Integer Count() const { return FReferences.Count(); }
  TmtRecord* Record(Integer I) const { return static_cast<TmtRecord*>(FReferences.Get(I)); }
  TmtList& References() { return FReferences; }

  // Parses the field names over the table's fields (again).
  void BuildFieldList();
  // Fills the list from the storage with the records whose status the
  // index holds (deleted ones only with versioning) that the table's
  // OnFilterIndex accepts.
  void LoadReferences();
  // Sorts in unique order (by sort keys made once per record where
  // mtSortRecordsByKeys can, else quicksort with insertion-sort finish), reports
  // progress mtpcSort, checks uniqueness (EMemTableDupKey), marks ordered.
  void Sort();
  // Load and sort (open table), else only mark ordered; keeps the table's
  // cursor inside the list when this is its current index.
  void Rebuild();

  // ---- Search --------------------------------------------------------
  // Position of the first record not below Key (data block; KeyId with
  // Flags.UniqueOrder) over the first Count key fields (-1: all). Found is
  // set when that record compares equal.
  Integer FindKey(const Byte* Key, Integer KeyId, Integer Count, const TmtCompareFlags& Flags,
                  bool& Found) const;
  // Position of Record in the list, or -1.
  Integer IndexOfRecord(const TmtRecord* Record) const;
  // Binary search on record ids (lists ordered by id); -1 when absent.
  Integer FindRecordID(Integer RecordID) const;
  // Whether this index can serve a search over Fields' first Count fields
  // (same fields in order, same case-insensitive option).
  bool Serves(const TmtFieldList& Fields, Integer Count) const;

  // ---- Upkeep --------------------------------------------------------
  // Inserts Record at its key position (row order: at RowPos, -1 = end).
  // Does nothing when the index does not hold the record's status.
  void InsertRecord(TmtRecord* Record, Integer RowPos = -1);
  // InsertRecord(Record) for each of Records in order (an unsorted index).
  void AppendRecords(const std::vector<TmtRecord*>& Records);
  // Removes Record (searched by key, else through the whole list).
  void DeleteRecord(const TmtRecord* Record);
  // Raises EMemTableDupKey when another record (not Except) has Data's key.
  void CheckUnique(const Byte* Data, const TmtRecord* Except) const;

 private:
  Integer CompareUnique(const TmtRecord* A, const TmtRecord* B) const;
  void QuickSort(std::vector<void*>& Items, Integer L, Integer R) const;
  void InsertionSort(std::vector<void*>& Items) const;
  void CheckSortedUnique(const std::vector<void*>& Items) const;
  bool HoldsStatus(const TmtRecord* Record) const;
  TmtCustomMemTable* FTable;
  String FName, FFieldNames;
  TmtFieldList FFieldList;
  TmtMemTableCompareOptions FOptions;
  TmtRecordStatuses FStatuses;
  bool FSorted, FRowOrder;
  bool FOrdered = false;
  bool FEnabled = true;
  TmtList FReferences;
};

// ---- TmtIndexes -------------------------------------------------------------

// A table's indexes; the row-order index is always present and first.
class TmtIndexes : public TObject {
  RTL_DECLARE_CLASS(TmtIndexes)
 public:
  explicit TmtIndexes(TmtCustomMemTable* Table);
  ~TmtIndexes() override = default;

  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TmtIndex* Items(Integer I) const { return FItems[static_cast<size_t>(I)].get(); }
  TmtIndex* RowOrder() const { return FItems.front().get(); }
  // The index named Name (case-insensitive), or null.
  TmtIndex* Find(const String& Name) const;
  // The first index whose field text equals FieldNames ignoring case.
  TmtIndex* FindByFields(const String& FieldNames) const;
  // Takes ownership; returns the index.
  TmtIndex* Add(std::unique_ptr<TmtIndex> Index);
  // Drops and frees an index (never the row-order one).
  void Delete(TmtIndex* Index);
  // Drops every index but the row-order one.
  void Clear();
  // Empties every list (the records are gone); marks them unordered.
  void EmptyAll();
  // Marks every index unordered / rebuilds every index not yet ordered.
  void MarkAllUnordered();
  void RebuildUnordered();
  // The most recently added ordered index that serves a search.
  TmtIndex* FindServing(const TmtFieldList& Fields, Integer Count) const;

 private:
  std::vector<std::unique_ptr<TmtIndex>> FItems;
};
