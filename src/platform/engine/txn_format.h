// The journal's bytes (FORMAT.md, ".OAJ") and the write-back that a
// rollback and a recovery share. Internal to txn.cpp and txn_recover.cpp.
//
// Thread safety: none; the engine lock serialises every use.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/engine/errors.h"
#include "platform/os/files.h"

namespace oak::journal {

constexpr std::uint64_t kPage = 4096;
constexpr char kMagic[8] = {'O', 'A', 'K', 'J', 'R', 'N', 'L', 0x1A};
constexpr std::uint32_t kVersion = 2;
constexpr std::uint32_t kHeaderBytes = 64;
// Header offsets: the checksum of bytes kSummedFrom..63, the transaction's
// id and the end of the entries that count.
constexpr std::uint32_t kOffSum = 12;
constexpr std::uint32_t kSummedFrom = 16;
constexpr std::uint32_t kOffId = 16;
constexpr std::uint32_t kOffEnd = 24;
// The page number of an entry that holds no page: the first entry of every
// file, which gives its size when the transaction first touched it.
constexpr std::uint64_t kSizeRecord = ~std::uint64_t(0);
// A journal names the files of one folder that one transaction wrote: a
// path longer than a path can be, or more files than any transaction
// holds open, is no journal of ours.
constexpr std::uint32_t kMaxPath = 4096;
constexpr std::size_t kMaxFiles = 65536;
// Bytes of an entry around its path and old bytes: path length, size,
// page, length, checksum.
constexpr std::uint32_t kEntryFrame = 4 + 8 + 8 + 4 + 4;

// The header of a journal of transaction Id whose entries end at End.
std::string EncodeHeader(std::uint64_t Id, std::uint64_t End);
struct THeader {
  std::uint64_t Id = 0, End = 0;
};
// The header in Bytes (kHeaderBytes), or nullopt with *Why set when it is
// not one of this engine's.
std::optional<THeader> DecodeHeader(const std::uint8_t* Bytes, std::string* Why);
// One entry, its checksum last.
std::string EncodeEntry(const std::string& Path, std::uint64_t OriginalSize, std::uint64_t Page,
                        const std::string& Bytes);

// The file kinds a transaction writes: their extension and the first
// bytes of their header.
struct TKind {
  const char* Ext;
  char Magic[8];
};
extern const TKind kTableKind, kMemoKind, kIndexKind;
// The kind of Path by its extension, or null.
const TKind* KindOf(const std::string& Path);
// Path without its extension, in capitals: the table a memo or structural
// index file belongs to.
std::string BaseOf(const std::string& Path);

// Where the old bytes of each page lie in a journal (offset, length).
using TPageMap = std::map<std::uint64_t, std::pair<std::uint64_t, std::uint32_t>>;

// A file to be written back from a journal.
struct TTarget {
  const os::File* F;    // open for writing
  const TKind* Kind;    // null: a file of another kind (written back, never counted)
  std::uint64_t OriginalSize;
  const TPageMap* Pages;
};

// Writes the targets back to their state before the transaction Id from
// the journal J: every table's write sequence goes odd first (readers
// wait), then the memo and index files, then each table's records and
// last its header page, which keeps the marker Id (the journal still has
// to be removed) with the change counter and the sequence moved past every
// value they had (the structural index's table stamp follows its table
// when it matched). A kill at any step leaves the marker for the next
// recovery. The caller then forces the files to the disk, removes the
// journal and calls SetAtRest.
void WriteBack(const os::File& J, const std::vector<TTarget>& Targets, std::uint64_t Id);
// Forces the targets to the disk.
void SyncTargets(const std::vector<TTarget>& Targets);
// Sets the written-back tables at rest: marker 0, the sequence even (odd
// when the structural index does not match the table: the next handle
// rebuilds it).
void SetAtRest(const std::vector<TTarget>& Targets);
// True when the structural index of the table at TablePath is stamped
// with Counter, or there is none.
bool IndexMatches(const std::string& TablePath, std::uint32_t Counter);

void CheckOs(const os::Status& S, const std::string& Path);

}  // namespace oak::journal
