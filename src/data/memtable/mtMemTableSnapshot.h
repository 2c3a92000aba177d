// TmtTableSnapshot: what a table looked like before a load, so that a load
// that fails can put the table back (records added by the load removed, or
// a replaced structure and its records restored).
//
// Thread safety: used by the thread that runs the load.
#pragma once

#include <memory>
#include <vector>

#include "data/memtable/mtMemTable.h"

class TmtTableSnapshot {
 public:
  // Remembers Table's state. WithValues: also the structure (field
  // definitions, persistent fields, index definitions) and every record's
  // values, needed when the load may replace the structure.
  TmtTableSnapshot(TmtCustomMemTable* Table, bool WithValues);
  ~TmtTableSnapshot();
  TmtTableSnapshot(const TmtTableSnapshot&) = delete;
  TmtTableSnapshot& operator=(const TmtTableSnapshot&) = delete;

  // Puts the table back; errors are the caller's to swallow.
  void Restore();

 private:
  struct TFieldSpec {
    TClass Class;
    TComponent* Owner;
    String Name, FieldName, DisplayLabel, EditMask, DefaultExpression;
    TFieldKind Kind;
    Integer Size, DisplayWidth;
    bool Visible, ReadOnly, Required;
  };
  bool SameStructure() const;
  void RemoveNewRecords();
  void RestoreStructure();
  void RestoreRecords();
  TmtCustomMemTable* FTable;
  bool FWasActive;
  bool FWithValues;
  bool FDefaultFields;
  Integer FGeneration;
  Integer FWatermark;
  std::vector<TField*> FFieldPtrs;
  std::unique_ptr<TFieldDefs> FFieldDefs;
  std::unique_ptr<TIndexDefs> FIndexDefs;
  std::vector<TFieldSpec> FSpecs;
  std::vector<std::vector<Variant>> FRows;
};
