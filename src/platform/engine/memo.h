// The memo file (.OAM): the values of memo, binary, image and variable
// character fields, each in a run of fixed-size blocks. A record's field
// holds the number of the value's first block and its length (table_fields.h).
//
// Freed runs go to a free list and are reused first-fit; pack rewrites the
// file with only the live values. Layout in FORMAT.md.
//
// Thread safety: none; the engine lock serialises every use.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/engine/oak.h"
#include "platform/os/files.h"

namespace oak {

class TTxnJournal;

constexpr std::uint32_t kDefaultMemoBlockSize = 64;

class TMemoFile {
 public:
  // Creates an empty memo file (BlockSize 0: the default); E_TABLE_EXISTS
  // when it exists.
  static void Create(const std::string& Path, std::uint32_t BlockSize);
  // Opens Path with the table's share mode. Missing: E_FILE_NOT_FOUND; bad
  // header: E_CORRUPT_MEMO.
  TMemoFile(const std::string& Path, bool Exclusive, bool ReadOnly);

  const std::string& Path() const { return FFile.Path(); }
  const os::File& File() const { return FFile; }

  // Reads the value at Block (Len bytes expected). Raises E_CORRUPT_MEMO
  // when the block does not hold a value of that length; nothing larger
  // than the file can hold is allocated (CheckReference first).
  std::string Read(UNSIGNED32 Block, UNSIGNED32 Len) const;
  // Raises E_CORRUPT_MEMO unless a value of Len bytes can start at Block:
  // the block lies inside the used file, and the run header and Len bytes
  // fit both the header's end block and the file's size from there on.
  void CheckReference(UNSIGNED32 Block, UNSIGNED32 Len) const;
  // The stored type (OAK_MEMO_TEXT, OAK_BINARY ...) of the value at Block.
  UNSIGNED16 TypeOf(UNSIGNED32 Block) const;
  // Stores a value and returns its first block (never 0).
  UNSIGNED32 Write(const std::string& Data, UNSIGNED16 Type);
  // Returns the run at Block to the free list.
  void Free(UNSIGNED32 Block);
  // Empties the file (zap). Under a journal the file is cut only by
  // FinishCut, once the journal is gone.
  void Clear();
  void FinishCut();
  // Forgets a cut that a rollback made needless.
  void ForgetCut() { FCutPending = false; }
  // Cuts what lies past the header's end block (a cut that a program
  // killed past its commit point did not finish). REQUIRES: the table's
  // write lock.
  void CutToEnd() {
    ReadHeader();
    FCutPending = true;
    FinishCut();
  }
  void Sync();
  void SetJournal(TTxnJournal* J) { FJournal = J; }
  // The header is read again before its next use: another program may
  // have written the file since (outside batch mode).
  void ForgetHeader() const {
    if (!FBatch) FHeader.EndBlock = 0;
  }

  // Batch mode, for a handle that holds the table's write lock through a
  // transaction: no other handle can store or free a value meanwhile, so
  // the header is read once at BeginBatch and written at FlushBatch
  // instead of around every Write and Free; only a Write that extends the
  // file writes it at once (readers of other handles find new runs by the
  // header's end). New values are written at once, into runs no record on
  // the disk refers to; a Free waits for FlushBatch, since the records
  // other handles read until the commit still refer to the run.
  void BeginBatch();
  // Frees the runs the batch let go of, writes the header when it changed
  // and leaves batch mode.
  void FlushBatch();
  // Leaves batch mode without writing (rollback: the journal restores the
  // file; the next Write reads the header again).
  void DropBatch();

 private:
  struct THeader {
    std::uint32_t BlockSize = kDefaultMemoBlockSize;
    std::uint32_t EndBlock = 1;
    std::uint32_t FreeHead = 0;
  };
  void ReadHeader() const;
  // A reader's header is the one of its open or its last write: a block at
  // or past its end may have been stored by another handle since, so the
  // header is read again (not in batch mode, whose header is the newest).
  void CatchUpWith(UNSIGNED32 Block) const;
  void WriteHeader();
  void ReadBlockHeader(UNSIGNED32 Block, std::uint32_t W[3]) const;
  // Reads up to Len bytes of the run at Block (a valid block number) into
  // Buf; Got receives the bytes read, at least the run header.
  void ReadRun(UNSIGNED32 Block, void* Buf, std::size_t Len, std::size_t& Got) const;
  // The three words of the run header in Bytes, the run length checked.
  void DecodeRunHeader(UNSIGNED32 Block, const void* Bytes, std::uint32_t W[3]) const;
  void WriteAt(std::uint64_t Offset, const void* Data, std::size_t Len);
  UNSIGNED32 Allocate(UNSIGNED32 Blocks);
  // Puts the run at Block on the free list (its header read first).
  void FreeRun(UNSIGNED32 Block);

  os::File FFile;
  mutable THeader FHeader;
  bool FReadOnly = false;
  TTxnJournal* FJournal = nullptr;
  bool FBatch = false, FHeaderDirty = false;
  bool FCutPending = false;
  std::vector<UNSIGNED32> FFreedInBatch;  // runs Free let go of in batch mode
  // In batch mode, the run headers this handle read or wrote (block ->
  // the three words), so that freeing a value it read and reusing a run it
  // freed need not read them again. Forgotten when the batch ends.
  static constexpr std::size_t kMaxRunHeads = 1 << 16;
  mutable std::unordered_map<UNSIGNED32, std::array<std::uint32_t, 3>> FRunHeads;
  void Remember(UNSIGNED32 Block, const std::uint32_t W[3]) const;
  // WriteHeader now, or at FlushBatch in batch mode.
  void HeaderChanged();
};

}  // namespace oak
