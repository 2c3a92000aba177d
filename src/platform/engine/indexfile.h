// An index file (.OAI): the structural index that opens with its table and
// holds every tag of it, or an extra index file opened with OakOpenIndex.
// Both have the same format (see FORMAT_INDEX.md, section ".OAI").
//
// A tag is a B+tree (btree.h) plus its definition: name, key expression,
// condition, unique, descending, custom. The file keeps the definitions in a
// directory chain; the key expressions are parsed against the table's field
// catalog when the file opens.
//
// Maintenance rules, as the engine applies them on every record write:
//  - a record whose condition is false has no key in that tag;
//  - a unique tag takes only the first record of a key: a later record with
//    the same key is left out (reindex re-decides: the lowest record wins);
//  - a custom tag gets keys only through AddKey; a record write moves an
//    existing custom key along and a removal takes it out.
//
// Changes stay in the page cache until Flush (the table flushes at commit
// and takes its locks first); Discard throws them away; Refresh picks up
// what another handle flushed. A corrupt file raises EEngineError 5320/5321
// on open or on the first bad page; Reindex rebuilds every tree from the
// records while the directory is readable.
//
// Thread safety: one IndexFile belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/engine/btree.h"
#include "platform/engine/btree_pager.h"
#include "platform/engine/expr.h"
#include "platform/engine/keys.h"

namespace oak {

// Option bits of OakCreateIndex61, as the dataset layer sums them.
constexpr std::uint32_t kIndexUnique = 1;
constexpr std::uint32_t kIndexCompound = 2;
constexpr std::uint32_t kIndexCustom = 4;
constexpr std::uint32_t kIndexDescending = 8;
constexpr std::uint32_t kIndexUserDefined = 16;

constexpr std::size_t kMaxTagName = 128;
constexpr std::size_t kMaxTags = 255;

// What defines a tag.
struct TagDefinition {
  String Name;       // at most 128 characters; compared without regard to case
  String KeyExpr;    // key expression
  String Condition;  // FOR condition ("" for none)
  bool Unique = false;
  bool Descending = false;
  bool Custom = false;
  // Fills the flags from OakCreateIndex61 option bits.
  void SetOptions(std::uint32_t Bits);
  std::uint32_t Options() const;
};

// Calls Visit once for every record of the table (deleted ones too), with
// the record as the current record of the context.
using RecordVisitor = std::function<void(const ExprRecordContext&)>;
using RecordScan = std::function<void(const RecordVisitor& Visit)>;

struct IndexFileOptions {
  std::uint32_t PageSize = 0;        // 0: 4096 (only for new files)
  CharType Chars = CharType::Ansi;   // the table's character type
  bool ReadOnly = false;
  ExprOptions Expr;                  // for key and condition evaluation
};

class IndexFile;

// One tag of an open index file. Owned by its IndexFile; valid until the
// tag is deleted, the file closed, or a Discard/Refresh finds another set
// of tags.
class IndexTag {
 public:
  const TagDefinition& Definition() const { return FDef; }
  const String& Name() const { return FDef.Name; }
  const KeySpec& Spec() const { return FSpec; }
  const Expression& KeyExpression() const { return *FKey; }
  // The condition, or null when the tag has none.
  const Expression* Condition() const { return FCond.get(); }
  BTree& Tree() { return FTree; }
  std::uint32_t KeyCount() const { return FState.KeyCount; }
  IndexFile& File() { return FFile; }

  // The key of Rec's current record. Returns false when the condition
  // excludes the record. Raises expression errors (5303, 5307 ...).
  bool KeyOf(const ExprRecordContext& Rec, std::string& Key) const;
  // Adds Key for RecNo; on a unique tag only when no record has the key yet.
  // Returns true when an entry was added. Key must have Spec().Length bytes
  // (else 5308).
  bool AddKey(std::string_view Key, std::uint32_t RecNo);
  // Removes Key for RecNo; false when absent.
  bool DeleteKey(std::string_view Key, std::uint32_t RecNo);

 private:
  friend class IndexFile;
  IndexTag(IndexFile& File, TagDefinition Def, std::unique_ptr<Expression> Key,
           std::unique_ptr<Expression> Cond, KeySpec Spec, BTreeState State);
  IndexFile& FFile;
  TagDefinition FDef;
  std::unique_ptr<Expression> FKey;
  std::unique_ptr<Expression> FCond;
  KeySpec FSpec;
  BTreeState FState;
  BTree FTree;
  // A key that is a character field's text (Expression::IsFieldText): the
  // field, and the byte maps for a table of each character type (Ansi,
  // Oem; null: evaluate). KeyOf takes the stored bytes through them when
  // the record context gives them (ExprRecordContext::StoredText).
  int FTextField = -1;
  const TKeyByteMap* FTextMaps[2] = {nullptr, nullptr};
  // A key that is a number field's value (Expression::IsFieldNumber): the
  // field, taken through ExprRecordContext::StoredNumber.
  int FNumberField = -1;
};

class IndexFile {
 public:
  ~IndexFile();
  IndexFile(const IndexFile&) = delete;
  IndexFile& operator=(const IndexFile&) = delete;

  // Creates (or truncates) Path as an empty index file. Catalog resolves
  // the field names of key expressions and conditions; it must outlive the
  // file. Raises 5326 (I/O), 5327 (bad page size).
  static std::unique_ptr<IndexFile> Create(const String& Path, const ExprFieldCatalog& Catalog,
                                           const IndexFileOptions& Options);
  // Opens Path and parses every tag's expressions. Raises 5326 (cannot
  // open), 5321 (not an index file), 5320 (corrupt directory), expression
  // errors of a tag (5300..5304).
  static std::unique_ptr<IndexFile> Open(const String& Path, const ExprFieldCatalog& Catalog,
                                         const IndexFileOptions& Options);
  // The same over any block file (a memory image in tests and fuzzing).
  static std::unique_ptr<IndexFile> Create(std::unique_ptr<BlockFile> File,
                                           const ExprFieldCatalog& Catalog,
                                           const IndexFileOptions& Options);
  static std::unique_ptr<IndexFile> Open(std::unique_ptr<BlockFile> File,
                                         const ExprFieldCatalog& Catalog,
                                         const IndexFileOptions& Options);

  const String& Path() const { return FPath; }
  std::uint32_t PageSize() const { return FPager->PageSize(); }
  CharType Chars() const { return FOptions.Chars; }
  const ExprOptions& EvalOptions() const { return FOptions.Expr; }
  // Changes the evaluation settings (date format of DTOC in keys ...).
  void SetEvalOptions(const ExprOptions& Options) { FOptions.Expr = Options; }
  Pager& GetPager() { return *FPager; }

  std::size_t TagCount() const { return FTags.size(); }
  // The tag at Index (creation order). REQUIRES: Index < TagCount().
  IndexTag& Tag(std::size_t Index) { return *FTags[Index]; }
  // The tag named Name (any case), or null.
  IndexTag* FindTag(std::string_view Name);

  // Adds a tag and fills it from Scan (a custom tag stays empty). Raises
  // 5323 (name taken), 5327 (empty or too long name, bad flags), 5325 (too
  // many tags), 5324/5308 (key too long), expression errors.
  IndexTag& CreateTag(const TagDefinition& Def, const RecordScan& Scan);
  // Removes the tag named Name and frees its pages; 5322 when absent.
  void DeleteTag(std::string_view Name);

  // Record maintenance over every tag (rules above). Rec's current record
  // is the record being added, removed or (New) rewritten.
  void AddRecord(const ExprRecordContext& Rec);
  void RemoveRecord(const ExprRecordContext& Rec);
  void UpdateRecord(const ExprRecordContext& Old, const ExprRecordContext& New);

  // Rebuilds every tree from Scan by bulk load (custom tags become empty)
  // into a fresh file image; the tag definitions stay. Works on a file
  // whose trees are corrupt.
  void Reindex(const RecordScan& Scan);
  // The same in memory, for a handle that may not write the file (a
  // read-only handle whose index missed a write): the rebuilt trees, with
  // TableStamp as their stamp, serve this handle until the next Refresh,
  // which returns to the file. The file is not written.
  void RebuildInMemory(const RecordScan& Scan, std::uint32_t TableStamp);
  // Checks every tree (order, links, counts); raises 5320 on a fault.
  void Verify();

  // Writes the changes (pages, then the header) / forgets them / picks up
  // another handle's flushed changes (returns true when the file changed).
  // After Discard and Refresh the tags are re-read; IndexTag references
  // stay valid unless the set of tags itself changed.
  void Flush();
  void Discard();
  bool Refresh();
  // Discard and Refresh at once (Pager::Reload), the tags re-read.
  void Reload();

 private:
  IndexFile(std::unique_ptr<Pager> P, const ExprFieldCatalog& Catalog,
            const IndexFileOptions& Options, String Path);
  std::unique_ptr<IndexTag> MakeTag(const TagDefinition& Def, BTreeState State);
  void LoadDirectory();
  void SaveDirectory();
  void BuildTrees(const std::vector<IndexTag*>& Tags, const RecordScan& Scan);
  // Empties the pager and builds every tag's tree and the directory.
  void RebuildTrees(const RecordScan& Scan);

  std::unique_ptr<Pager> FPager;
  const ExprFieldCatalog& FCatalog;
  IndexFileOptions FOptions;
  String FPath;
  std::vector<std::unique_ptr<IndexTag>> FTags;
};

}  // namespace oak
