#include "data/memtable/mtMemTableRecordPool.h"

#include <sanitizer/asan_interface.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

constexpr std::size_t FirstChunk = 64 * 1024;
constexpr std::size_t LastChunk = 4 * 1024 * 1024;
// Chunks from this size on are mapped on their own, aligned for huge pages.
constexpr std::size_t HugePage = 2 * 1024 * 1024;

// Large chunks of pools that emptied, kept (up to SpareLimit bytes) for the
// next pool: a table loaded again takes memory the system need not clear.
// The system may still take their pages back when it runs short (they are
// marked free), and a page it took comes back cleared.
constexpr std::size_t SpareLimit = 64 * 1024 * 1024;

struct TSpareChunks {
  std::mutex Lock;
  std::vector<std::pair<void*, std::size_t>> Chunks;
  std::size_t Bytes = 0;
};

// Never destroyed: pools of static tables may go after it would.
TSpareChunks& Spares() {
  static auto* S = new TSpareChunks;
  return *S;
}

void* TakeSpare(std::size_t Bytes) {
  TSpareChunks& S = Spares();
  std::lock_guard<std::mutex> Guard(S.Lock);
  for (std::size_t I = 0; I < S.Chunks.size(); ++I)
    if (S.Chunks[I].second == Bytes) {
      void* Chunk = S.Chunks[I].first;
      S.Chunks.erase(S.Chunks.begin() + static_cast<std::ptrdiff_t>(I));
      S.Bytes -= Bytes;
      return Chunk;
    }
  return nullptr;
}

void GiveLarge(void* Chunk, std::size_t Bytes) {
  ASAN_UNPOISON_MEMORY_REGION(Chunk, Bytes);
  {
    TSpareChunks& S = Spares();
    std::lock_guard<std::mutex> Guard(S.Lock);
    if (S.Bytes + Bytes <= SpareLimit && ::madvise(Chunk, Bytes, MADV_FREE) == 0) {
      S.Chunks.emplace_back(Chunk, Bytes);
      S.Bytes += Bytes;
      return;
    }
  }
  ::munmap(Chunk, Bytes);
}

}  // namespace

TmtRecordPool::TmtRecordPool(std::size_t Bytes)
    : FBlockBytes((std::max<std::size_t>(Bytes, sizeof(void*)) + 15) & ~std::size_t(15)),
      FNextChunkBytes(FirstChunk) {}

TmtRecordPool::~TmtRecordPool() { Release(); }

bool TmtRecordPool::Grow() {
  std::size_t Bytes = std::max(FNextChunkBytes, FBlockBytes);
  void* Chunk = nullptr;
  if (Bytes >= HugePage) {
    Bytes = (Bytes + HugePage - 1) & ~(HugePage - 1);
    Chunk = TakeSpare(Bytes);
  }
  if (!Chunk && Bytes >= HugePage) {
    // Map a huge page more than needed and trim it to an aligned start.
    void* Raw = ::mmap(nullptr, Bytes + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (Raw == MAP_FAILED) return false;
    const auto Start = reinterpret_cast<std::uintptr_t>(Raw);
    const std::uintptr_t Aligned = (Start + HugePage - 1) & ~std::uintptr_t(HugePage - 1);
    if (Aligned > Start) ::munmap(Raw, Aligned - Start);
    const std::uintptr_t End = Start + Bytes + HugePage;
    if (End > Aligned + Bytes) ::munmap(reinterpret_cast<void*>(Aligned + Bytes), End - (Aligned + Bytes));
    Chunk = reinterpret_cast<void*>(Aligned);
    ::madvise(Chunk, Bytes, MADV_HUGEPAGE);  // a hint: without huge pages the chunk still works
  } else if (!Chunk) {
    Chunk = std::malloc(Bytes);
    if (!Chunk) return false;
  }
  // Under AddressSanitizer a block counts as freed memory until it is
  // handed out: a record read or written after it was freed is reported.
  ASAN_POISON_MEMORY_REGION(Chunk, Bytes);
  FChunks.emplace_back(Chunk, Bytes);
  FNext = static_cast<char*>(Chunk);
  FEnd = FNext + Bytes;
  FNextChunkBytes = std::min(FNextChunkBytes * 2, LastChunk);
  return true;
}

void* TmtRecordPool::Take() {
  void* Block = FFree;
  if (Block) {
    ASAN_UNPOISON_MEMORY_REGION(Block, sizeof(void*));
    std::memcpy(&FFree, Block, sizeof(void*));
  } else {
    if (static_cast<std::size_t>(FEnd - FNext) < FBlockBytes && !Grow()) return nullptr;
    Block = FNext;
    FNext += FBlockBytes;
    // Rows are stored one after another: ask for the block after the next
    // one now, so that its memory arrives while the next rows are read.
    const char* Ahead = FNext + FBlockBytes;
    for (std::size_t Line = 0; Line < FBlockBytes && Ahead + Line < FEnd; Line += 64)
      __builtin_prefetch(Ahead + Line, 1);
  }
  ASAN_UNPOISON_MEMORY_REGION(Block, FBlockBytes);
  ++FLive;
  return Block;
}

void TmtRecordPool::Give(void* Block) {
  std::memcpy(Block, &FFree, sizeof(void*));
  ASAN_POISON_MEMORY_REGION(Block, FBlockBytes);
  FFree = Block;
  if (--FLive == 0) Release();
}

void TmtRecordPool::Release() {
  for (const auto& [Chunk, Bytes] : FChunks) {
    ASAN_UNPOISON_MEMORY_REGION(Chunk, Bytes);
    if (Bytes >= HugePage)
      GiveLarge(Chunk, Bytes);
    else
      std::free(Chunk);
  }
  FChunks.clear();
  FNext = FEnd = nullptr;
  FFree = nullptr;
  FLive = 0;
  FNextChunkBytes = FirstChunk;
}
