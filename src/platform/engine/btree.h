// One index tag's B+tree over pages of the index file.
//
// Entries are fixed-size: the key (KeyLength bytes, see keys.h) followed by
// the record number big-endian; entries are ordered by memcmp of the whole
// entry, so every (key, record) pair is unique and equal keys keep
// record-number order. Leaves are chained both ways for scans.
//
// Page layout (little-endian words):
//   0 type (1 leaf, 2 inner)  1 level (0 for leaves)  2 entry count (u16)
//   4 leaf: next leaf / inner: leftmost child       8 leaf: previous leaf
//   16.. entries: leaf (key, recno); inner (key, recno, child)
// An inner entry's child holds the entries >= that entry; the leftmost
// child those below the first entry. Leaves may become underfull on
// delete; an emptied page is freed and unlinked from its parent.
//
// Every page read is checked (type, level, count, page numbers within the
// file) and a violation raises EEngineError 5320 "index file corrupt";
// Reindex rebuilds the tree.
//
// Thread safety: as the Pager (one thread at a time).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/engine/btree_entry.h"
#include "platform/engine/btree_pager.h"

namespace oak {

class NodeView;  // btree_node.h

// The persistent state of one tree, kept in the tag directory.
struct BTreeState {
  std::uint32_t Root = 0;        // root page (0: not created yet)
  std::uint16_t KeyLength = 0;   // key bytes (without the record number)
  std::uint32_t KeyCount = 0;    // number of entries
};

// The largest key length a page size allows (at least four inner entries).
std::uint16_t MaxKeyLength(std::uint32_t PageSize);

class BTree {
 public:
  // A tree over the pages of P, state in S (both outlive the tree).
  BTree(Pager& P, BTreeState& S) : FPager(P), FState(S) {}

  // Allocates an empty root leaf (S.Root was 0 or its pages were freed).
  // Raises 5324 when the key length does not fit the page size.
  void CreateEmpty();
  // Adds (Key, RecNo). Key must be KeyLength bytes. Returns false (and
  // changes nothing) when that exact entry is already present.
  bool Insert(std::string_view Key, std::uint32_t RecNo);
  // Removes (Key, RecNo); returns false when it is absent.
  bool Remove(std::string_view Key, std::uint32_t RecNo);
  // True when (Key, RecNo) is present.
  bool Contains(std::string_view Key, std::uint32_t RecNo);
  // True when some entry has this key (any record): the unique-tag test.
  bool ContainsKey(std::string_view Key);
  // Frees every page of the tree (S.Root becomes 0).
  void FreeAll();
  // Replaces the tree with Entries, each EntrySize() bytes as a leaf slot
  // holds it (key, then the record number high byte first), which must be
  // sorted and free of duplicates: builds full leaves bottom up.
  void BulkLoad(const std::vector<const std::uint8_t*>& Entries);
  std::uint32_t Count() const { return FState.KeyCount; }
  std::uint16_t KeyLength() const { return FState.KeyLength; }
  // Walks the whole tree and checks order, links and the key count; raises
  // 5320 on the first fault.
  void Verify();

  Pager& GetPager() { return FPager; }
  BTreeState& State() { return FState; }

 private:
  friend class BTreeCursor;
  struct Split;
  std::size_t EntrySize() const { return FState.KeyLength + kEntryRecNoBytes; }
  // The tree page Page, checked (type, level, count); raises 5320.
  NodeView Node(std::uint32_t Page);
  std::uint32_t LeafCapacity() const;
  std::uint32_t InnerCapacity() const;
  bool InsertInto(std::uint32_t Page, const std::string& Entry, int Depth, Split& Out);
  bool RemoveFrom(std::uint32_t Page, const std::string& Entry, int Depth, bool& Emptied);
  void RemoveChild(std::uint32_t Inner, std::size_t Slot, bool& Emptied);
  void UnlinkLeaf(std::uint32_t Leaf);
  // Every page of the tree, each once; raises 5320 when a page is reached
  // twice or the tree is too deep.
  std::vector<std::uint32_t> Pages();
  struct VerifyState;
  std::uint32_t VerifyPage(std::uint32_t Page, int Depth, VerifyState& V);

  Pager& FPager;
  BTreeState& FState;
};

// A position in a tree. It survives changes of the tree: when the file
// changed since the cursor last moved, Next and Prev find their way again
// from the entry they stood on (if that entry was deleted, they go to its
// neighbour in the given direction).
class BTreeCursor {
 public:
  explicit BTreeCursor(BTree& Tree) : FTree(Tree) {}

  // True while the cursor stands on an entry.
  bool Valid() const { return FValid; }
  // The entry's key and record number. REQUIRES: Valid().
  std::string_view Key() const;
  std::uint32_t RecNo() const;

  // Go to the first / last entry; false (not valid) for an empty tree.
  bool First();
  bool Last();
  // Go to the first entry whose first Prefix.size() key bytes are >= Prefix
  // (a partial key compares with the beginning of each key). False (not
  // valid) when there is none.
  bool SeekGE(std::string_view Prefix);
  // Go to the first entry whose key prefix is > Prefix.
  bool SeekGT(std::string_view Prefix);
  // Go to the last entry whose key prefix is <= Prefix.
  bool SeekLE(std::string_view Prefix);
  // Go to exactly (Key, RecNo), or the first entry after it when absent;
  // returns true only when the exact entry is there.
  bool SeekEntry(std::string_view Key, std::uint32_t RecNo);
  // Step; false (not valid) past either end.
  bool Next();
  bool Prev();
  // Forgets the position.
  void Reset() { FValid = false; }

  // The position as a fraction 0..1 (approximate for large trees: from the
  // path of slots through the tree). 0 for an empty tree.
  double RelativePosition();
  // Goes to the entry at fraction Pos (0..1) of the tree; false when empty.
  bool SetRelativePosition(double Pos);
  // The 1-based ordinal of the current entry (exact; walks the leaves).
  std::uint32_t KeyNumber();

 private:
  enum class Bound { GE, GT, Last };
  bool Descend(std::string_view Probe, Bound B);
  bool Settle(bool Forward);
  bool Reseek(bool Forward);
  void Load(std::uint32_t Leaf, std::uint32_t Slot);
  bool Fresh() const { return FValid && FGeneration == FTree.FPager.Generation(); }

  BTree& FTree;
  bool FValid = false;
  std::uint32_t FLeaf = 0;
  std::uint32_t FSlot = 0;
  std::uint64_t FGeneration = 0;
  std::string FEntry;  // key + record number of the current entry
};

}  // namespace oak
