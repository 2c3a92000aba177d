// TOakExtendedDataSet and TOakExtendedTable: the direct engine operations
// that the class library's dataset lacks (seek on the active index, table
// locks, index creation and deletion, delete and recall of a record, pack,
// zap, reindex, skip, go to top).
//
// Each operation calls one or two engine entry points on the handles of
// the open dataset and then brings the dataset's buffers back in step with
// the engine's position (TOakDataSet::ResyncAfterMove). Results are checked
// with CheckOakResult, which lets 5068 (no current record) pass; LockTable
// answers False instead of raising while another user holds the table.
// The operations are implemented in oaktable_ops*.cpp and
// oaktable_lock*.cpp; ResyncAfterMove and PositionOnCurrentRecord, which
// they use, are TOakDataSet members (oakdata_nav.cpp).
//
// Thread safety: as TOakDataSet.
#pragma once

#include "data/oak/oakdata.h"

// Options of CreateIndex; the engine gets the sum of their bits: compound
// 2, unique 1, descending 8, custom 4, user-defined 16.
enum TOakIndexOption { ioCompound, ioUnique, ioDescending, ioCustom, ioUserDefined };
RTL_ENUM_INFO(TOakIndexOption, ioCompound, ioUnique, ioDescending, ioCustom, ioUserDefined)
using TOakIndexOptions = TSet<TOakIndexOption>;
// The engine's bits of a set of index options.
UNSIGNED32 OakIndexOptionBits(TOakIndexOptions Options);

class TOakExtendedDataSet : public TOakDataSet {
  RTL_DECLARE_CLASS(TOakExtendedDataSet)
 public:
  using TOakDataSet::TOakDataSet;
};

class TOakExtendedTable : public TOakExtendedDataSet {
  RTL_DECLARE_CLASS(TOakExtendedTable)
 public:
  using TOakExtendedDataSet::TOakExtendedDataSet;

  // Seeks Key (at most 4082 characters) as a character key on the active
  // index: Flag True a hard seek (exact key only), else a soft seek (next
  // greater key). Returns whether the key was found; the dataset shows
  // wherever the engine stands afterwards. Raises without an active index.
  bool Seek(const String& Key, bool Flag);
  // Locks the table for this handle; False while another user holds the
  // table or a record of it (5035); other failures raise.
  bool LockTable();
  bool IsTableLocked();
  // Creates an index (empty FileName: a tag of the structural index).
  void CreateIndex(const String& FileName, const String& Tag, const String& Expression,
                   const String& Condition, const String& WhileExpr, TOakIndexOptions Options);
  void DeleteIndex(const String& Tag);
  // Marks the active record deleted / live again.
  void DeleteRecord();
  void RecallRecord();
  // Whether the active record (RecNo 0) or record RecNo is deleted; moves
  // the engine, not the dataset.
  bool IsRecordDeleted(Integer RecNo);
  void GotoTop();
  void Skip(Integer N);
  // Need an exclusive open or a table lock; leave the dataset on its first
  // record.
  void PackTable();
  void ZapTable();
  void Reindex();
};
