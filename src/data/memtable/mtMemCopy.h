// Record exchange between an in-memory table and any other dataset of the
// class library: the field map the copies share, and the helpers behind
// TmtCustomMemTable::LoadFromDataSet, SaveToDataSet, UpdateToDataSet,
// CopyRecords, UpdateRecords and CopyStructure (declared in mtMemTable.h,
// defined in mtMemCopy*.cpp).
//
// The copies work through the datasets' public interface (open, First,
// Next, Append, Post, Locate, field values), so either side may be any
// dataset. Values of fields of the same field class travel as variants,
// others through their text.
//
// Thread safety: main thread only, like the datasets involved.
#pragma once

#include <vector>

#include "data/memtable/mtMemTable.h"

// Whether a copy carries fields of this type: String .. TypedBinary (but
// Cursor), FixedChar, WideString, Largeint, OAT and Array.
bool mtIsCopySupportedType(TFieldType Type);

// The field map of a copy: one entry per field of Destination, in its field
// order: the index of the Source field of the same name that feeds it, or
// -1 when the field is not copied (lookup or aggregate field, unsupported
// type, no source field of that name). With AutoIncOnlyWhenEmpty an AutoInc
// destination field is mapped only while Destination holds no records.
std::vector<Integer> mtBuildCopyFieldMap(TDataSet* Destination, TDataSet* Source,
                                         bool AutoIncOnlyWhenEmpty);

// Copies the value of Source into Dest: null clears Dest; a field of the
// same class is copied as a variant, another through its text.
void mtCopyFieldValue(TField* Source, TField* Dest);

// Progress of a record walk: every 100th record (0, 100, ...) reports
// trunc(Seen / Total x 100) with Code; nothing without a positive total.
void mtWalkProgress(TmtCustomMemTable* Table, Integer Seen, Integer Total,
                    TmtProgressCode Code);

// The bracket of a save into another dataset (SaveToDataSet,
// UpdateToDataSet): the constructor remembers the destination's open and
// controls state, disables the controls of both sides, opens the
// destination (leaving any edit) and the table (leaving any edit, on its
// first record); the destructor enables the table's controls, closes a
// destination that was closed and enables its controls when they were
// enabled before. Raises what opening raises (the states are then already
// put back).
class TmtDestinationScope {
 public:
  TmtDestinationScope(TmtCustomMemTable* Table, TDataSet* Destination);
  ~TmtDestinationScope();
  TmtDestinationScope(const TmtDestinationScope&) = delete;
  TmtDestinationScope& operator=(const TmtDestinationScope&) = delete;

 private:
  void Restore() noexcept;
  TmtCustomMemTable* FTable;
  TDataSet* FDestination;
  bool FWasActive, FWasDisabled;
};
