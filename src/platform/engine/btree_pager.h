// The page file under the index: fixed-size pages of one file, a header
// page, a free-page list and a page cache with dirty pages held until the
// owner flushes them.
//
// Page 0 is the header (little-endian words):
//   0  magic "OAKINDX" 0x1A      20 free-list head (0: none)
//   8  format version (1)        24 directory head page (0: none)
//   12 page size                 28 change counter (+1 per flush)
//   16 page count (incl. 0)      32 owner flags      36 checksum of 0..35
//   40 table stamp: the table's change counter that the last flush matched
// A freed page holds the number of the next free page in its first word,
// after the page-type byte 0xFE.
//
// The cache holds at most about CacheLimit pages (and 32 MiB): beyond
// that, Trim drops pages down to seven eighths of it. Changed (dirty)
// pages wait for Flush (the table decides when, at commit); Trim drops
// clean pages, and dirty ones only when they alone are more than it keeps:
// those go to a spill file of the pager (spill.h, by page number), from
// where Load reads them back and Flush writes them in page order with the
// others; Discard and Reset forget them. Trim is a clock: its hand goes
// on from the page where it stopped, takes the mark of a page used since
// it last came by and drops the others, so that the pages in use stay
// and a Trim walks about as many pages as it drops, however many a
// transaction changed. Pages are dropped only by Trim, so page pointers
// stay valid until the next Trim, Flush, Discard or Refresh. Files are
// reached through BlockFile: the os layer's file or a memory image
// (tests, fuzzing).
//
// Thread safety: not synchronised; one Pager belongs to one thread at a
// time. Between processes the table's locks order access; Refresh picks up
// what another process flushed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/engine/spill.h"
#include "platform/rtl/system.h"

namespace oak {

// Bytes at offsets of one file. Failures raise EEngineError 5326.
class BlockFile {
 public:
  virtual ~BlockFile() = default;
  // Reads Count bytes at Offset; returns the number read (less at the end).
  virtual std::size_t ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) = 0;
  virtual void WriteAt(std::uint64_t Offset, const void* Buffer, std::size_t Count) = 0;
  virtual std::uint64_t Size() = 0;
  virtual void Truncate(std::uint64_t Size) = 0;
  // Forces written data to the disk.
  virtual void Sync() = 0;

  // A rebuild of the whole file writes a new, empty file beside it that
  // then takes its place at once, so that a process killed at any step
  // leaves the old file or the new one, never a mix. NewReplacement makes
  // that file; null when this file is rebuilt in place (a memory image; a
  // file under a transaction's journal, which restores it page by page).
  virtual std::unique_ptr<BlockFile> NewReplacement() { return nullptr; }
  // Forces this replacement to the disk and puts it in Old's place (Old:
  // the file whose NewReplacement made it; it is dropped afterwards).
  virtual void TakePlaceOf(BlockFile& Old) { (void)Old; }
  // Removes this replacement (its rebuild failed).
  virtual void Abandon() {}
  // True when the file's name now names another file (another handle's
  // rebuild put its replacement there); Reopen then opens that file with
  // this file's modes.
  virtual bool Replaced() { return false; }
  virtual void Reopen() {}
  // The file's path, for messages (empty for a file in memory).
  virtual std::string Name() const { return {}; }
};

// Opens (Create: makes new and exclusively; anything at the name, a link
// too, fails) Path through the os layer, shared read/write. Raises
// EEngineError 5326 with the system's text on failure.
std::unique_ptr<BlockFile> OpenDiskBlockFile(const String& Path, bool Create, bool ReadOnly);
// A file held in memory, starting with Image.
std::unique_ptr<BlockFile> NewMemoryBlockFile(std::string Image = std::string());
// A file held in Image, which the caller keeps (and can read afterwards);
// Image must outlive the file.
std::unique_ptr<BlockFile> NewMemoryBlockFileOver(std::string& Image);

// The bytes of an index file's header (page 0 begins with them).
constexpr std::size_t kIndexHeaderBytes = 64;
// The table stamp and the change counter of H, an index file's first
// kIndexHeaderBytes.
std::uint32_t IndexTableStamp(const std::uint8_t* H);
std::uint32_t IndexChangeCounter(const std::uint8_t* H);
// Changes the header H (an index file's first kIndexHeaderBytes) in
// place, for the rollback of a transaction that wrote the file back under
// other handles: with Bump, its change counter moves past both its own
// value and Before (so that every handle drops its cached pages); with a
// Stamp, the table stamp becomes *Stamp; the checksum is made anew. False,
// and H left alone, when H is no valid index header.
bool RestampIndexHeader(std::uint8_t* H, std::uint32_t Before, bool Bump, std::optional<std::uint32_t> Stamp);

constexpr std::uint32_t kDefaultPageSize = 4096;
constexpr std::uint32_t kMinPageSize = 512;
constexpr std::uint32_t kMaxPageSize = 65536;
constexpr std::uint8_t kFreePageType = 0xFE;

class Pager {
 public:
  // Formats File as an empty index file (header page only). PageSize 0
  // means kDefaultPageSize; others must be a power of two within
  // kMinPageSize..kMaxPageSize (else 5327).
  static std::unique_ptr<Pager> Create(std::unique_ptr<BlockFile> File,
                                       std::uint32_t PageSize, std::uint32_t OwnerFlags);
  // Opens an existing file. Raises 5321 (bad magic, version or checksum)
  // or 5320 (impossible page size, file shorter than its page count).
  static std::unique_ptr<Pager> Open(std::unique_ptr<BlockFile> File, bool ReadOnly);
  ~Pager();

  std::uint32_t PageSize() const { return FPageSize; }
  std::uint32_t PageCount() const { return FPageCount; }
  bool ReadOnly() const { return FReadOnly; }

  // The page's bytes (PageSize). Raises 5320 for page 0 or a page beyond
  // the file. Valid until the next Trim/Flush/Discard/Refresh.
  const std::uint8_t* Read(std::uint32_t Page);
  // The page's bytes for change; marks it dirty. Raises 5328 when read only.
  std::uint8_t* Write(std::uint32_t Page);
  // A fresh zeroed dirty page (from the free list or appended).
  std::uint32_t Allocate();
  // Returns Page to the free list.
  void Free(std::uint32_t Page);

  std::uint32_t DirectoryHead() const { return FDirHead; }
  void SetDirectoryHead(std::uint32_t Page);
  // A copy of the tag directory's bytes that travels in the header page,
  // written with the header in one write: it always matches the header,
  // even when a writer died after rewriting the directory pages in place
  // and before its header. Empty when the file has none (older writers, or
  // a directory larger than the header page's room).
  const std::string& DirectoryCopy() const { return FDirCopy; }
  // Sets the copy for the next header write; one that does not fit the
  // header page is dropped (the chain alone then holds the directory).
  void SetDirectoryCopy(const std::string& Bytes);
  std::uint32_t OwnerFlags() const { return FOwnerFlags; }

  // The table's change counter as of the last flush (0 in files of older
  // writers). SetTableStamp marks the header for the next Flush when the
  // stamp differs; a flush of the stamp alone does not bump the change
  // counter, so other handles keep their page caches.
  std::uint32_t TableStamp() const { return FTableStamp; }
  void SetTableStamp(std::uint32_t Stamp);

  // Changes with every page change and every cache drop: cursors compare it
  // to know whether their position still holds.
  std::uint64_t Generation() const { return FGeneration; }
  bool HasChanges() const { return FHeaderDirty || !FChanged.empty(); }

  // Writes the dirty pages, then the header with the change counter + 1.
  void Flush();
  // Forces the file to the disk (after Flush).
  void Sync();
  // Drops every change since the last Flush and re-reads the header.
  void Discard();
  // Re-reads the header; when another handle flushed since (change counter
  // differs), or put a rebuilt file in this one's place, the cache is
  // dropped (and the new file opened). Returns true then. REQUIRES: no
  // changes.
  bool Refresh();
  // Discard and Refresh in one read of the header: drops every change and
  // the cache, returns to the file (from a memory image, or to the file
  // another handle's rebuild put at its name) and re-reads the header.
  void Reload();
  // When more than the cache limit are held, drops pages down to seven
  // eighths of it: clean ones, and dirty ones into the spill file while
  // dirty pages alone are more than that.
  void Trim();
  void SetCacheLimit(std::size_t Pages) { FCacheLimit = Pages; }
  // The cache limit of pagers made from now on (8192 pages); tests make it
  // small. Any thread may call these.
  static void SetDefaultCacheLimit(std::size_t Pages);
  static std::size_t DefaultCacheLimit();
  // Dirty pages held in the spill file (tests).
  std::size_t SpilledPages() const;
  // Empties the file to its header page (no directory, no free pages).
  // Where the file offers a replacement (BlockFile::NewReplacement), the
  // empty file is that replacement: the old file stays untouched until
  // the next Flush puts the new one in its place; a Discard, or a Flush
  // that fails, removes it and returns to the old file.
  void Reset();
  // Moves the pager onto an empty file in memory, writable also when the
  // file is not: a handle that may not write the file builds its own view
  // there (a read-only handle's rebuild of a stale index). The next Refresh
  // returns to the file.
  void UseMemoryImage();
  bool InMemory() const { return FOnDisk != nullptr; }

 private:
  Pager(std::unique_ptr<BlockFile> File, bool ReadOnly);
  void ReadHeader();
  // Back from a memory image to the file, and to the file now at its name;
  // true when either happened.
  bool ReturnToFile();
  void WriteHeader();
  std::uint8_t* Load(std::uint32_t Page);
  // Puts Buf in the cache as page Page; returns its bytes.
  std::uint8_t* Keep(std::uint32_t Page, std::unique_ptr<std::uint8_t[]> Buf);
  // Empties the cache (dirty pages included, spilled ones too).
  void ClearCache();
  // Marks a cached page changed since the last flush.
  void MarkDirty(std::uint32_t Page);
  // Drops a cached page; a dirty one goes to the spill file first.
  void Evict(std::size_t Page);
  void CheckWritable() const;
  void WritePages();
  // Back to the file a Reset replaced: the replacement is removed.
  void AbandonReplacement();

  std::unique_ptr<BlockFile> FFile;
  // While a rebuild runs: the file it replaces (FFile is the replacement).
  std::unique_ptr<BlockFile> FReplaced;
  // While the pager works in memory (UseMemoryImage): the file, and
  // whether it was opened read only.
  std::unique_ptr<BlockFile> FOnDisk;
  bool FOnDiskReadOnly = false;
  std::string FDirCopy;
  bool FReadOnly = false;
  std::uint32_t FPageSize = kDefaultPageSize;
  std::uint32_t FPageCount = 1;
  std::uint32_t FFreeHead = 0;
  std::uint32_t FDirHead = 0;
  std::uint32_t FChangeCounter = 0;
  std::uint32_t FOwnerFlags = 0;
  std::uint32_t FTableStamp = 0;
  bool FHeaderDirty = false;
  bool FStampDirty = false;
  std::uint64_t FGeneration = 1;
  std::size_t FCacheLimit;
  // The cached pages by page number (null: not cached), so that a node
  // access is one index; FCached of them are held, FDirtyCached of these
  // dirty.
  std::vector<std::unique_ptr<std::uint8_t[]>> FCache;
  std::size_t FCached = 0, FDirtyCached = 0;
  // Per page number (as long as FCache): kDirty, the cached bytes are newer
  // than the file's and the spill file's; kChanged, the page is in
  // FChanged; kUsed, read or written since Trim's hand last passed.
  std::vector<std::uint8_t> FFlags;
  // The pages changed since the last flush (in memory or spilled).
  std::vector<std::uint32_t> FChanged;
  std::size_t FHand = 0;  // the page where the next Trim goes on
  // Dirty pages evicted by Trim (made at the first); a page's cached bytes
  // are as new as its spilled ones, or newer while kDirty.
  std::unique_ptr<TSpillFile> FSpill;
};

}  // namespace oak
