// The .OAM memo file: block runs with a free list.
#include "platform/engine/memo.h"

#include <cstring>
#include <vector>

#include "platform/engine/errors.h"
#include "platform/engine/table.h"
#include "platform/engine/table_fields.h"
#include "platform/engine/txn.h"

namespace oak {

namespace {

constexpr char kMagic[8] = {'O', 'A', 'K', 'M', 'E', 'M', 'O', 0x1A};
constexpr std::uint32_t kVersion = 1;
constexpr std::uint32_t kFreeRun = 0xFFFFFFFFu;
constexpr std::uint32_t kRunHeader = 12;
// A free list longer than this is taken as a broken chain.
constexpr int kMaxFreeWalk = 4096;

}  // namespace

void TMemoFile::Create(const std::string& Path, std::uint32_t BlockSize) {
  if (BlockSize == 0) BlockSize = kDefaultMemoBlockSize;
  if (BlockSize < 32 || BlockSize > 65536) Fail(E_INVALID_OPTION, "memo block size");
  os::File F;
  os::Status S = F.Open(Path, os::Access::ReadWrite, os::Share::Exclusive,
                        os::Disposition::CreateNew);
  if (!S.ok()) FailOs(S, Path);
  std::vector<std::uint8_t> H(BlockSize, 0);
  std::memcpy(H.data(), kMagic, 8);
  Store32(&H[8], kVersion);
  Store32(&H[12], BlockSize);
  Store32(&H[16], 1);
  S = F.Write(0, H.data(), H.size());
  if (!S.ok()) FailOs(S, Path);
}

TMemoFile::TMemoFile(const std::string& Path, bool Exclusive, bool ReadOnly)
    : FReadOnly(ReadOnly) {
  os::Status S = FFile.Open(Path, ReadOnly ? os::Access::Read : os::Access::ReadWrite,
                            Exclusive ? os::Share::Exclusive : os::Share::DenyNone);
  if (!S.ok()) FailOs(S, Path);
  ReadHeader();
}

void TMemoFile::ReadHeader() {
  std::uint8_t H[24];
  size_t Got = 0;
  os::Status S = FFile.Read(0, H, sizeof H, &Got);
  if (!S.ok()) FailOs(S, Path());
  if (Got < sizeof H || std::memcmp(H, kMagic, 8) != 0 || Load32(H + 8) != kVersion)
    Fail(E_CORRUPT_MEMO, Path() + ": not a memo file");
  FHeader.BlockSize = Load32(H + 12);
  FHeader.EndBlock = Load32(H + 16);
  FHeader.FreeHead = Load32(H + 20);
  if (FHeader.BlockSize < 32 || FHeader.BlockSize > 65536 || FHeader.EndBlock == 0 ||
      FHeader.FreeHead >= FHeader.EndBlock)
    Fail(E_CORRUPT_MEMO, Path() + ": bad header");
}

void TMemoFile::WriteHeader() {
  std::uint8_t H[12];
  Store32(H, FHeader.BlockSize);
  Store32(H + 4, FHeader.EndBlock);
  Store32(H + 8, FHeader.FreeHead);
  WriteAt(12, H, sizeof H);
}

void TMemoFile::WriteAt(std::uint64_t Offset, const void* Data, std::size_t Len) {
  if (FReadOnly) Fail(E_READ_ONLY, Path());
  if (FJournal) FJournal->BeforeWrite(FFile, Offset, Len);
  os::Status S = FFile.Write(Offset, Data, Len);
  if (!S.ok()) FailOs(S, Path());
}

void TMemoFile::ReadBlockHeader(UNSIGNED32 Block, std::uint32_t W[3]) const {
  if (Block == 0 || Block >= FHeader.EndBlock) Fail(E_CORRUPT_MEMO, Path() + ": block number");
  std::uint8_t B[kRunHeader];
  size_t Got = 0;
  os::Status S = FFile.Read(std::uint64_t(Block) * FHeader.BlockSize, B, sizeof B, &Got);
  if (!S.ok()) FailOs(S, Path());
  if (Got < sizeof B) Fail(E_CORRUPT_MEMO, Path() + ": file cut short");
  for (int I = 0; I < 3; ++I) W[I] = Load32(B + 4 * I);
  if (W[2] == 0 || W[2] > FHeader.EndBlock - Block) Fail(E_CORRUPT_MEMO, Path() + ": run length");
}

std::string TMemoFile::Read(UNSIGNED32 Block, UNSIGNED32 Len) const {
  std::uint32_t W[3];
  ReadBlockHeader(Block, W);
  if (W[0] == kFreeRun || W[1] != Len ||
      std::uint64_t(Len) + kRunHeader > std::uint64_t(W[2]) * FHeader.BlockSize)
    Fail(E_CORRUPT_MEMO, Path() + ": value does not match its reference");
  std::string Data(Len, '\0');
  size_t Got = 0;
  os::Status S =
      FFile.Read(std::uint64_t(Block) * FHeader.BlockSize + kRunHeader, Data.data(), Len, &Got);
  if (!S.ok()) FailOs(S, Path());
  if (Got < Len) Fail(E_CORRUPT_MEMO, Path() + ": file cut short");
  return Data;
}

UNSIGNED16 TMemoFile::TypeOf(UNSIGNED32 Block) const {
  std::uint32_t W[3];
  ReadBlockHeader(Block, W);
  return static_cast<UNSIGNED16>(W[0]);
}

UNSIGNED32 TMemoFile::Allocate(UNSIGNED32 Blocks) {
  std::uint32_t Prev = 0, Cur = FHeader.FreeHead;
  for (int Walk = 0; Cur != 0 && Walk < kMaxFreeWalk; ++Walk) {
    std::uint32_t W[3];
    ReadBlockHeader(Cur, W);
    if (W[0] != kFreeRun) Fail(E_CORRUPT_MEMO, Path() + ": free list");
    if (W[2] >= Blocks) {
      std::uint32_t Next = W[1];
      if (W[2] > Blocks) {  // the rest of the run stays free
        std::uint32_t Rest = Cur + Blocks;
        std::uint8_t B[kRunHeader];
        Store32(B, kFreeRun);
        Store32(B + 4, Next);
        Store32(B + 8, W[2] - Blocks);
        WriteAt(std::uint64_t(Rest) * FHeader.BlockSize, B, sizeof B);
        Next = Rest;
      }
      if (Prev == 0) {
        FHeader.FreeHead = Next;
      } else {
        std::uint8_t B[4];
        Store32(B, Next);
        WriteAt(std::uint64_t(Prev) * FHeader.BlockSize + 4, B, 4);
      }
      return Cur;
    }
    Prev = Cur;
    Cur = W[1];
  }
  std::uint32_t Block = FHeader.EndBlock;
  FHeader.EndBlock += Blocks;
  return Block;
}

UNSIGNED32 TMemoFile::Write(const std::string& Data, UNSIGNED16 Type) {
  ReadHeader();  // another handle may have written since
  std::uint64_t Need = (Data.size() + kRunHeader + FHeader.BlockSize - 1) / FHeader.BlockSize;
  if (Need > 0x7FFFFFFF) Fail(E_BAD_VALUE, "value too large for the memo file");
  UNSIGNED32 Blocks = static_cast<UNSIGNED32>(Need);
  UNSIGNED32 Block = Allocate(Blocks);
  std::vector<std::uint8_t> Buf(std::uint64_t(Blocks) * FHeader.BlockSize, 0);
  Store32(&Buf[0], Type);
  Store32(&Buf[4], static_cast<std::uint32_t>(Data.size()));
  Store32(&Buf[8], Blocks);
  if (!Data.empty()) std::memcpy(&Buf[kRunHeader], Data.data(), Data.size());
  // The header first: a crash before the value is written leaves the run
  // taken off the free list (lost space), never a free-list entry that
  // points at a value.
  WriteHeader();
  WriteAt(std::uint64_t(Block) * FHeader.BlockSize, Buf.data(), Buf.size());
  return Block;
}

void TMemoFile::Free(UNSIGNED32 Block) {
  ReadHeader();
  std::uint32_t W[3];
  ReadBlockHeader(Block, W);
  if (W[0] == kFreeRun) return;  // freed already: keep the list a list
  std::uint8_t B[8];
  Store32(B, kFreeRun);
  Store32(B + 4, FHeader.FreeHead);
  WriteAt(std::uint64_t(Block) * FHeader.BlockSize, B, sizeof B);
  FHeader.FreeHead = Block;
  WriteHeader();
}

void TMemoFile::Clear() {
  if (FJournal) FJournal->BeforeResize(FFile);
  FHeader.EndBlock = 1;
  FHeader.FreeHead = 0;
  WriteHeader();
  os::Status S = FFile.Truncate(FHeader.BlockSize);
  if (!S.ok()) FailOs(S, Path());
}

void TMemoFile::Sync() {
  os::Status S = FFile.Flush();
  if (!S.ok()) FailOs(S, Path());
}

}  // namespace oak
