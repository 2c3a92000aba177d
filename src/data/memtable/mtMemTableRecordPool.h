// TmtRecordPool: the blocks of the records a storage keeps, all of one
// size, carved from chunks that grow with the table (64 KiB doubling up to
// 4 MiB). A freed block goes on a free list and is the next one handed
// out; the chunks go back to the system when the last block is freed or
// the pool goes. Large chunks ask the system for huge pages, so that a
// table of a million rows does not fault in every 4 KiB page on its own;
// up to 64 MiB of them are kept for the next pool when a pool empties.
//
// Thread safety: a pool has none (the storage calls it under its lock);
// the kept chunks are shared under a lock of their own.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

class TmtRecordPool {
 public:
  // Blocks of at least Bytes bytes, aligned to 16.
  explicit TmtRecordPool(std::size_t Bytes);
  ~TmtRecordPool();
  TmtRecordPool(const TmtRecordPool&) = delete;
  TmtRecordPool& operator=(const TmtRecordPool&) = delete;

  std::size_t BlockBytes() const { return FBlockBytes; }
  // An uninitialised block; null when the system has no memory left.
  void* Take();
  // Gives back a block Take handed out.
  void Give(void* Block);
  // Blocks handed out and not given back.
  std::size_t Live() const { return FLive; }

 private:
  bool Grow();
  void Release();
  std::size_t FBlockBytes;
  std::size_t FNextChunkBytes;
  std::vector<std::pair<void*, std::size_t>> FChunks;  // start and length (mapped when large)
  char* FNext = nullptr;
  char* FEnd = nullptr;
  void* FFree = nullptr;  // freed blocks, each holding the next one's address
  std::size_t FLive = 0;
};
