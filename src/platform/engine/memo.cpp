// The .OAM memo file: block runs with a free list.
#include "platform/engine/memo.h"

#include <cstring>
#include <vector>

#include "platform/engine/errors.h"
#include "platform/engine/table.h"
#include "platform/engine/table_fields.h"
#include "platform/engine/txn.h"
#include "platform/rtl/byteorder.h"

namespace oak {

namespace {

constexpr char kMagic[8] = {'O', 'A', 'K', 'M', 'E', 'M', 'O', 0x1A};
constexpr std::uint32_t kVersion = 1;
constexpr std::uint32_t kFreeRun = 0xFFFFFFFFu;
constexpr std::uint32_t kRunHeader = 12;
// Values up to this size are allocated on the header's word; larger ones
// only after the file's size confirmed them.
constexpr std::uint64_t kSmallValue = 64 * 1024;
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
  StoreLE32(&H[8], kVersion);
  StoreLE32(&H[12], BlockSize);
  StoreLE32(&H[16], 1);
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

void TMemoFile::ReadHeader() const {
  std::uint8_t H[24];
  size_t Got = 0;
  os::Status S = FFile.Read(0, H, sizeof H, &Got);
  if (!S.ok()) FailOs(S, Path());
  if (Got < sizeof H || std::memcmp(H, kMagic, 8) != 0 || LoadLE32(H + 8) != kVersion)
    Fail(E_CORRUPT_MEMO, Path() + ": not a memo file");
  FHeader.BlockSize = LoadLE32(H + 12);
  FHeader.EndBlock = LoadLE32(H + 16);
  FHeader.FreeHead = LoadLE32(H + 20);
  if (FHeader.BlockSize < 32 || FHeader.BlockSize > 65536 || FHeader.EndBlock == 0 ||
      FHeader.FreeHead >= FHeader.EndBlock)
    Fail(E_CORRUPT_MEMO, Path() + ": bad header");
}

void TMemoFile::WriteHeader() {
  std::uint8_t H[12];
  StoreLE32(H, FHeader.BlockSize);
  StoreLE32(H + 4, FHeader.EndBlock);
  StoreLE32(H + 8, FHeader.FreeHead);
  WriteAt(12, H, sizeof H);
}

void TMemoFile::WriteAt(std::uint64_t Offset, const void* Data, std::size_t Len) {
  if (FReadOnly) Fail(E_READ_ONLY, Path());
  if (FJournal) FJournal->BeforeWrite(FFile, Offset, Len);
  os::Status S = FFile.Write(Offset, Data, Len);
  if (!S.ok()) FailOs(S, Path());
}

void TMemoFile::CatchUpWith(UNSIGNED32 Block) const {
  if (Block >= FHeader.EndBlock && !FBatch) ReadHeader();
}

void TMemoFile::ReadRun(UNSIGNED32 Block, void* Buf, std::size_t Len, std::size_t& Got) const {
  CatchUpWith(Block);
  if (Block == 0 || Block >= FHeader.EndBlock) Fail(E_CORRUPT_MEMO, Path() + ": block number");
  Got = 0;
  os::Status S = FFile.Read(std::uint64_t(Block) * FHeader.BlockSize, Buf, Len, &Got);
  if (!S.ok()) FailOs(S, Path());
  if (Got < kRunHeader) Fail(E_CORRUPT_MEMO, Path() + ": file cut short");
}

void TMemoFile::DecodeRunHeader(UNSIGNED32 Block, const void* Bytes, std::uint32_t W[3]) const {
  for (int I = 0; I < 3; ++I) W[I] = LoadLE32(static_cast<const std::uint8_t*>(Bytes) + 4 * I);
  if (W[2] == 0 || W[2] > FHeader.EndBlock - Block) Fail(E_CORRUPT_MEMO, Path() + ": run length");
}

void TMemoFile::ReadBlockHeader(UNSIGNED32 Block, std::uint32_t W[3]) const {
  if (FBatch) {
    auto It = FRunHeads.find(Block);
    if (It != FRunHeads.end()) {
      std::memcpy(W, It->second.data(), sizeof(std::uint32_t) * 3);
      return;
    }
  }
  std::uint8_t B[kRunHeader];
  std::size_t Got = 0;
  ReadRun(Block, B, sizeof B, Got);
  DecodeRunHeader(Block, B, W);
  Remember(Block, W);
}

void TMemoFile::Remember(UNSIGNED32 Block, const std::uint32_t W[3]) const {
  if (!FBatch) return;
  if (FRunHeads.size() >= kMaxRunHeads) FRunHeads.clear();
  FRunHeads[Block] = {W[0], W[1], W[2]};
}

void TMemoFile::CheckReference(UNSIGNED32 Block, UNSIGNED32 Len) const {
  CatchUpWith(Block);
  if (Block == 0 || Block >= FHeader.EndBlock) Fail(E_CORRUPT_MEMO, Path() + ": block number");
  const std::uint64_t Need = std::uint64_t(Len) + kRunHeader;
  const std::uint64_t Start = std::uint64_t(Block) * FHeader.BlockSize;
  if (Need > std::uint64_t(FHeader.EndBlock - Block) * FHeader.BlockSize)
    Fail(E_CORRUPT_MEMO, Path() + ": value does not match its reference");
  // A damaged header may claim an end far past the file: a large value is
  // also checked against the file's size (a small one is read and checked
  // by its run header).
  if (Need <= kSmallValue) return;
  auto Size = FFile.Size();
  if (!Size.ok()) FailOs(Size.status(), Path());
  if (Size.value() < Start || Need > Size.value() - Start)
    Fail(E_CORRUPT_MEMO, Path() + ": value reaches past the end of the file");
}

std::string TMemoFile::Read(UNSIGNED32 Block, UNSIGNED32 Len) const {
  // The run header and the value in one read: the reference gives the
  // length (no more than the file holds from Block on), the run header
  // must then agree with it.
  CheckReference(Block, Len);
  std::string Run(std::size_t(Len) + kRunHeader, '\0');
  std::size_t Got = 0;
  ReadRun(Block, Run.data(), Run.size(), Got);
  std::uint32_t W[3];
  DecodeRunHeader(Block, Run.data(), W);
  Remember(Block, W);
  if (W[0] == kFreeRun || W[1] != Len ||
      std::uint64_t(Len) + kRunHeader > std::uint64_t(W[2]) * FHeader.BlockSize)
    Fail(E_CORRUPT_MEMO, Path() + ": value does not match its reference");
  if (Got < Run.size()) Fail(E_CORRUPT_MEMO, Path() + ": file cut short");
  Run.erase(0, kRunHeader);
  return Run;
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
        StoreLE32(B, kFreeRun);
        StoreLE32(B + 4, Next);
        StoreLE32(B + 8, W[2] - Blocks);
        WriteAt(std::uint64_t(Rest) * FHeader.BlockSize, B, sizeof B);
        const std::uint32_t RestHead[3] = {kFreeRun, Next, W[2] - Blocks};
        Remember(Rest, RestHead);
        Next = Rest;
      }
      if (Prev == 0) {
        FHeader.FreeHead = Next;
      } else {
        std::uint8_t B[4];
        StoreLE32(B, Next);
        WriteAt(std::uint64_t(Prev) * FHeader.BlockSize + 4, B, 4);
        auto Known = FRunHeads.find(Prev);
        if (Known != FRunHeads.end()) Known->second[1] = Next;
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

void TMemoFile::BeginBatch() {
  ReadHeader();
  FBatch = true;
  FHeaderDirty = false;
  FRunHeads.clear();
}

void TMemoFile::FlushBatch() {
  if (!FBatch) return;
  std::vector<UNSIGNED32> Freed;
  Freed.swap(FFreedInBatch);
  for (UNSIGNED32 Block : Freed) FreeRun(Block);
  const bool Dirty = FHeaderDirty;
  FBatch = FHeaderDirty = false;
  FRunHeads.clear();
  if (Dirty) WriteHeader();
}

void TMemoFile::DropBatch() {
  FBatch = FHeaderDirty = false;
  FRunHeads.clear();
  FFreedInBatch.clear();
}

void TMemoFile::HeaderChanged() {
  if (FBatch)
    FHeaderDirty = true;
  else
    WriteHeader();
}

UNSIGNED32 TMemoFile::Write(const std::string& Data, UNSIGNED16 Type) {
  if (!FBatch) ReadHeader();  // another handle may have written since
  std::uint64_t Need = (Data.size() + kRunHeader + FHeader.BlockSize - 1) / FHeader.BlockSize;
  if (Need > 0x7FFFFFFF) Fail(E_BAD_VALUE, "value too large for the memo file");
  UNSIGNED32 Blocks = static_cast<UNSIGNED32>(Need);
  const std::uint32_t End = FHeader.EndBlock;
  UNSIGNED32 Block = Allocate(Blocks);
  std::vector<std::uint8_t> Buf(std::uint64_t(Blocks) * FHeader.BlockSize, 0);
  StoreLE32(&Buf[0], Type);
  StoreLE32(&Buf[4], static_cast<std::uint32_t>(Data.size()));
  StoreLE32(&Buf[8], Blocks);
  if (!Data.empty()) std::memcpy(&Buf[kRunHeader], Data.data(), Data.size());
  // The header first: a crash before the value is written leaves the run
  // taken off the free list (lost space), never a free-list entry that
  // points at a value. (In batch mode the transaction's journal covers
  // both; a run past the old end is still announced at once, so that
  // readers of other handles find it.)
  if (FHeader.EndBlock != End)
    WriteHeader();
  else
    HeaderChanged();
  WriteAt(std::uint64_t(Block) * FHeader.BlockSize, Buf.data(), Buf.size());
  const std::uint32_t Head[3] = {Type, static_cast<std::uint32_t>(Data.size()), Blocks};
  Remember(Block, Head);
  return Block;
}

void TMemoFile::Free(UNSIGNED32 Block) {
  if (FBatch) {
    FFreedInBatch.push_back(Block);
    return;
  }
  ReadHeader();
  FreeRun(Block);
}

void TMemoFile::FreeRun(UNSIGNED32 Block) {
  std::uint32_t W[3];
  ReadBlockHeader(Block, W);
  if (W[0] == kFreeRun) return;  // freed already: keep the list a list
  std::uint8_t B[8];
  StoreLE32(B, kFreeRun);
  StoreLE32(B + 4, FHeader.FreeHead);
  WriteAt(std::uint64_t(Block) * FHeader.BlockSize, B, sizeof B);
  const std::uint32_t Freed[3] = {kFreeRun, FHeader.FreeHead, W[2]};
  Remember(Block, Freed);
  FHeader.FreeHead = Block;
  HeaderChanged();
}

void TMemoFile::Clear() {
  FHeader.EndBlock = 1;
  FHeader.FreeHead = 0;
  FHeaderDirty = false;
  FRunHeads.clear();
  FFreedInBatch.clear();
  WriteHeader();
  // Under a journal the file is cut once the journal is gone (FinishCut):
  // nothing past the header's end block is read, and a rollback then has
  // only the header to put back.
  FCutPending = true;
  if (!FJournal) FinishCut();
}

void TMemoFile::FinishCut() {
  if (!FCutPending) return;
  // The end block as the disk holds it now (the header kept in memory may
  // have been let go of since).
  if (!FBatch) ReadHeader();
  os::Status S = FFile.Truncate(std::uint64_t(FHeader.EndBlock) * FHeader.BlockSize);
  if (!S.ok()) FailOs(S, Path());
  FCutPending = false;
}

void TMemoFile::Sync() {
  os::Status S = FFile.Flush();
  if (!S.ok()) FailOs(S, Path());
}

}  // namespace oak
