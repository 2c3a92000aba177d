// The index's page file: header, free list and page cache.
#include "platform/engine/btree_pager.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/engine/expr_error.h"
#include "platform/os/files.h"
#include "platform/rtl/byteorder.h"

namespace oak {

namespace {

const char kMagic[8] = {'O', 'A', 'K', 'I', 'N', 'D', 'X', '\x1A'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderBytes = kIndexHeaderBytes;
// Where the header's words lie (FORMAT_INDEX.md).
constexpr std::size_t kOffVersion = 8, kOffPageSize = 12, kOffPageCount = 16, kOffFreeHead = 20, kOffDirHead = 24,
                      kOffChange = 28, kOffOwner = 32, kOffChecksum = 36, kOffStamp = 40, kOffCopyLength = 44,
                      kOffCopySum = 48;

std::uint32_t Checksum(const std::uint8_t* P, std::size_t N) {
  std::uint32_t H = 2166136261u;
  for (std::size_t i = 0; i < N; ++i) H = (H ^ P[i]) * 16777619u;
  return H;
}
// Page flags of the cache (Pager::FFlags).
constexpr std::uint8_t kDirty = 1, kChanged = 2, kUsed = 4;

std::atomic<std::size_t> gDefaultCacheLimit{8192};
// The most the cache holds, whatever its limit in pages (8192 pages of
// the default size).
constexpr std::size_t kCacheBytes = std::size_t(32) << 20;

bool ValidPageSize(std::uint32_t S) {
  return S >= kMinPageSize && S <= kMaxPageSize && (S & (S - 1)) == 0;
}

class DiskBlockFile : public BlockFile {
 public:
  explicit DiskBlockFile(os::File F) : FFile(std::move(F)) {}
  std::size_t ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) override {
    std::size_t Got = 0;
    Check(FFile.Read(Offset, Buffer, Count, &Got));
    return Got;
  }
  void WriteAt(std::uint64_t Offset, const void* Buffer, std::size_t Count) override {
    Check(FFile.Write(Offset, Buffer, Count));
  }
  std::uint64_t Size() override {
    os::Result<std::uint64_t> R = FFile.Size();
    Check(R.status());
    return R.value();
  }
  void Truncate(std::uint64_t Size) override { Check(FFile.Truncate(Size)); }
  void Sync() override { Check(FFile.Flush()); }
  std::string Name() const override { return FFile.Path(); }

 private:
  void Check(const os::Status& S) {
    if (!S.ok()) ThrowEngineError(kIndexIOError, "Index file " + FFile.Path() + ": " + S.Message());
  }
  os::File FFile;
};

// A file held in a string: its own, or one the caller keeps.
class MemoryBlockFile : public BlockFile {
 public:
  explicit MemoryBlockFile(std::string Image) : FOwn(std::move(Image)), FData(FOwn) {}
  explicit MemoryBlockFile(std::string* Shared) : FData(*Shared) {}
  std::size_t ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) override {
    if (Offset >= FData.size()) return 0;
    std::size_t N = std::min<std::size_t>(Count, FData.size() - Offset);
    std::memcpy(Buffer, FData.data() + Offset, N);
    return N;
  }
  void WriteAt(std::uint64_t Offset, const void* Buffer, std::size_t Count) override {
    if (FData.size() < Offset + Count) FData.resize(Offset + Count, '\0');
    std::memcpy(FData.data() + Offset, Buffer, Count);
  }
  std::uint64_t Size() override { return FData.size(); }
  void Truncate(std::uint64_t Size) override { FData.resize(Size, '\0'); }
  void Sync() override {}

 private:
  std::string FOwn;
  std::string& FData;
};

}  // namespace

std::unique_ptr<BlockFile> OpenDiskBlockFile(const String& Path, bool Create, bool ReadOnly) {
  os::File F;
  os::Status S = F.Open(Path, ReadOnly ? os::Access::Read : os::Access::ReadWrite,
                        os::Share::DenyNone,
                        Create ? os::Disposition::CreateNew : os::Disposition::OpenExisting);
  if (!S.ok()) ThrowEngineError(kIndexIOError, "Cannot open index file " + Path + ": " + S.Message());
  return std::make_unique<DiskBlockFile>(std::move(F));
}

std::unique_ptr<BlockFile> NewMemoryBlockFile(std::string Image) {
  return std::make_unique<MemoryBlockFile>(std::move(Image));
}

std::unique_ptr<BlockFile> NewMemoryBlockFileOver(std::string& Image) {
  return std::make_unique<MemoryBlockFile>(&Image);
}

std::uint32_t IndexTableStamp(const std::uint8_t* H) { return LoadLE32(H + kOffStamp); }
std::uint32_t IndexChangeCounter(const std::uint8_t* H) { return LoadLE32(H + kOffChange); }

bool RestampIndexHeader(std::uint8_t* H, std::uint32_t Before, bool Bump, std::optional<std::uint32_t> Stamp) {
  if (std::memcmp(H, kMagic, 8) != 0 || LoadLE32(H + kOffVersion) != kVersion || LoadLE32(H + kOffChecksum) != Checksum(H, kOffChecksum))
    return false;
  if (Bump) {
    std::uint32_t Counter = LoadLE32(H + kOffChange);
    if (static_cast<std::int32_t>(Before - Counter) > 0) Counter = Before;
    StoreLE32(H + kOffChange, Counter + 1);
    StoreLE32(H + kOffChecksum, Checksum(H, kOffChecksum));
  }
  if (Stamp) StoreLE32(H + kOffStamp, *Stamp);
  return true;
}

Pager::Pager(std::unique_ptr<BlockFile> File, bool ReadOnly)
    : FFile(std::move(File)), FReadOnly(ReadOnly), FCacheLimit(gDefaultCacheLimit) {}

void Pager::SetDefaultCacheLimit(std::size_t Pages) { gDefaultCacheLimit = Pages; }
std::size_t Pager::DefaultCacheLimit() { return gDefaultCacheLimit; }
std::size_t Pager::SpilledPages() const { return FSpill ? FSpill->Count() : 0; }

Pager::~Pager() = default;

std::unique_ptr<Pager> Pager::Create(std::unique_ptr<BlockFile> File, std::uint32_t PageSize,
                                     std::uint32_t OwnerFlags) {
  if (PageSize == 0) PageSize = kDefaultPageSize;
  if (!ValidPageSize(PageSize))
    ThrowEngineError(kIndexBadTag, "Invalid index page size " + std::to_string(PageSize));
  std::unique_ptr<Pager> P(new Pager(std::move(File), false));
  P->FPageSize = PageSize;
  P->FOwnerFlags = OwnerFlags;
  P->FFile->Truncate(0);
  std::vector<std::uint8_t> Zero(PageSize, 0);
  P->FFile->WriteAt(0, Zero.data(), Zero.size());
  P->WriteHeader();
  return P;
}

std::unique_ptr<Pager> Pager::Open(std::unique_ptr<BlockFile> File, bool ReadOnly) {
  std::unique_ptr<Pager> P(new Pager(std::move(File), ReadOnly));
  P->ReadHeader();
  return P;
}

void Pager::ReadHeader() {
  std::uint8_t H[kHeaderBytes] = {};
  std::size_t Got = FFile->ReadAt(0, H, kHeaderBytes);
  if (Got < kHeaderBytes || std::memcmp(H, kMagic, 8) != 0)
    ThrowEngineError(kIndexBadMagic, "Not an index file (bad signature)");
  if (LoadLE32(H + kOffVersion) != kVersion || LoadLE32(H + kOffChecksum) != Checksum(H, kOffChecksum))
    ThrowEngineError(kIndexBadMagic, "Index file header damaged or of an unknown version");
  std::uint32_t Size = LoadLE32(H + kOffPageSize), Count = LoadLE32(H + kOffPageCount);
  if (!ValidPageSize(Size) || Count == 0)
    ThrowEngineError(kIndexCorrupt, "Index file corrupt: impossible page size or count");
  if (FFile->Size() < static_cast<std::uint64_t>(Count) * Size)
    ThrowEngineError(kIndexCorrupt, "Index file corrupt: file is truncated");
  std::uint32_t Free = LoadLE32(H + kOffFreeHead), Dir = LoadLE32(H + kOffDirHead);
  if (Free >= Count || Dir >= Count)
    ThrowEngineError(kIndexCorrupt, "Index file corrupt: header points beyond the file");
  FPageSize = Size;
  FPageCount = Count;
  FFreeHead = Free;
  FDirHead = Dir;
  FChangeCounter = LoadLE32(H + kOffChange);
  FOwnerFlags = LoadLE32(H + kOffOwner);
  FTableStamp = LoadLE32(H + kOffStamp);
  // The directory copy after the header words; one that does not fit the
  // page or fails its checksum is ignored (the chain then holds the tags).
  FDirCopy.clear();
  std::uint32_t CopyLength = LoadLE32(H + kOffCopyLength);
  if (CopyLength > 0 && CopyLength <= Size - kHeaderBytes) {
    std::string Copy(CopyLength, '\0');
    if (FFile->ReadAt(kHeaderBytes, Copy.data(), CopyLength) == CopyLength &&
        Checksum(reinterpret_cast<const std::uint8_t*>(Copy.data()), CopyLength) == LoadLE32(H + kOffCopySum))
      FDirCopy = std::move(Copy);
  }
  FHeaderDirty = FStampDirty = false;
}

void Pager::WriteHeader() {
  std::uint8_t H[kHeaderBytes] = {};
  std::memcpy(H, kMagic, 8);
  StoreLE32(H + kOffVersion, kVersion);
  StoreLE32(H + kOffPageSize, FPageSize);
  StoreLE32(H + kOffPageCount, FPageCount);
  StoreLE32(H + kOffFreeHead, FFreeHead);
  StoreLE32(H + kOffDirHead, FDirHead);
  StoreLE32(H + kOffChange, FChangeCounter);
  StoreLE32(H + kOffOwner, FOwnerFlags);
  StoreLE32(H + kOffChecksum, Checksum(H, kOffChecksum));
  StoreLE32(H + kOffStamp, FTableStamp);
  // Header and directory copy in one write of the header page.
  std::string Page(reinterpret_cast<const char*>(H), kHeaderBytes);
  if (!FDirCopy.empty()) {
    StoreLE32(reinterpret_cast<std::uint8_t*>(Page.data()) + kOffCopyLength, static_cast<std::uint32_t>(FDirCopy.size()));
    StoreLE32(reinterpret_cast<std::uint8_t*>(Page.data()) + kOffCopySum,
          Checksum(reinterpret_cast<const std::uint8_t*>(FDirCopy.data()), FDirCopy.size()));
    Page += FDirCopy;
  }
  FFile->WriteAt(0, Page.data(), Page.size());
  FHeaderDirty = FStampDirty = false;
}

void Pager::SetDirectoryCopy(const std::string& Bytes) {
  CheckWritable();
  FDirCopy = Bytes.size() <= FPageSize - kHeaderBytes ? Bytes : std::string();
  FHeaderDirty = true;
}

std::uint8_t* Pager::Keep(std::uint32_t Page, std::unique_ptr<std::uint8_t[]> Buf) {
  if (FCache.size() <= Page) {
    FCache.resize(std::max<std::size_t>(Page + 1, FCache.size() * 2));
    FFlags.resize(FCache.size());
  }
  if (!FCache[Page]) ++FCached;
  FCache[Page] = std::move(Buf);
  FFlags[Page] |= kUsed;
  return FCache[Page].get();
}

void Pager::ClearCache() {
  FCache.clear();
  FFlags.clear();
  FChanged.clear();
  FCached = FDirtyCached = 0;
  FHand = 0;
  FSpill.reset();
}

void Pager::MarkDirty(std::uint32_t Page) {
  std::uint8_t& Flags = FFlags[Page];
  if (!(Flags & kDirty)) ++FDirtyCached;
  if (!(Flags & kChanged)) FChanged.push_back(Page);
  Flags |= kDirty | kChanged;
}

void Pager::Evict(std::size_t Page) {
  std::uint8_t& Flags = FFlags[Page];
  if (Flags & kDirty) {
    if (!FSpill) {
      const std::string Name = FFile->Name();
      FSpill = std::make_unique<TSpillFile>(FPageSize, "changed index pages" + (Name.empty() ? Name : " of " + Name));
    }
    FSpill->Put(static_cast<std::uint32_t>(Page), FCache[Page].get());
    --FDirtyCached;
  }
  Flags &= static_cast<std::uint8_t>(~(kDirty | kUsed));
  FCache[Page].reset();
  --FCached;
}

std::uint8_t* Pager::Load(std::uint32_t Page) {
  if (Page == 0 || Page >= FPageCount)
    ThrowEngineError(kIndexCorrupt, "Index file corrupt: page " + std::to_string(Page) +
                                        " is outside the file");
  if (Page < FCache.size() && FCache[Page]) {
    FFlags[Page] |= kUsed;
    return FCache[Page].get();
  }
  std::unique_ptr<std::uint8_t[]> Buf(new std::uint8_t[FPageSize]);
  if (FSpill && FSpill->Has(Page)) {
    FSpill->Get(Page, Buf.get());
  } else {
    std::size_t Got = FFile->ReadAt(static_cast<std::uint64_t>(Page) * FPageSize, Buf.get(), FPageSize);
    if (Got < FPageSize) ThrowEngineError(kIndexCorrupt, "Index file corrupt: file is truncated");
  }
  return Keep(Page, std::move(Buf));
}

void Pager::CheckWritable() const {
  if (FReadOnly) ThrowEngineError(kIndexReadOnly, "Index file is opened read only");
}

const std::uint8_t* Pager::Read(std::uint32_t Page) { return Load(Page); }

std::uint8_t* Pager::Write(std::uint32_t Page) {
  CheckWritable();
  std::uint8_t* P = Load(Page);
  MarkDirty(Page);
  ++FGeneration;
  return P;
}

std::uint32_t Pager::Allocate() {
  CheckWritable();
  std::uint32_t Page;
  if (FFreeHead != 0) {
    Page = FFreeHead;
    std::uint8_t* P = Write(Page);
    std::uint32_t Next = LoadLE32(P + 4);
    if (P[0] != kFreePageType || Next >= FPageCount || Next == Page)
      ThrowEngineError(kIndexCorrupt, "Index file corrupt: broken free-page list");
    FFreeHead = Next;
    std::memset(P, 0, FPageSize);
  } else {
    Page = FPageCount++;
    Keep(Page, std::unique_ptr<std::uint8_t[]>(new std::uint8_t[FPageSize]()));
    MarkDirty(Page);
  }
  FHeaderDirty = true;
  ++FGeneration;
  return Page;
}

void Pager::Free(std::uint32_t Page) {
  std::uint8_t* P = Write(Page);
  std::memset(P, 0, FPageSize);
  P[0] = kFreePageType;
  StoreLE32(P + 4, FFreeHead);
  FFreeHead = Page;
  FHeaderDirty = true;
}

void Pager::SetDirectoryHead(std::uint32_t Page) {
  CheckWritable();
  FDirHead = Page;
  FHeaderDirty = true;
  ++FGeneration;
}

void Pager::SetTableStamp(std::uint32_t Stamp) {
  if (Stamp == FTableStamp) return;
  FTableStamp = Stamp;
  FStampDirty = true;
}

void Pager::Flush() {
  if (FReadOnly) return;
  if (!FReplaced) return WritePages();
  // A rebuild: the new file is complete and on the disk before it takes
  // the old one's place; anything failing on the way leaves the old one.
  try {
    WritePages();
    FFile->TakePlaceOf(*FReplaced);
  } catch (...) {
    try {
      Discard();  // back to the old file
    } catch (...) {
      // The failure of the flush is the one to report.
    }
    throw;
  }
  FReplaced.reset();
}

void Pager::WritePages() {
  if (!HasChanges()) {
    if (FStampDirty) WriteHeader();
    return;
  }
  // In page order; a page Trim evicted comes back from the spill file.
  std::sort(FChanged.begin(), FChanged.end());
  std::unique_ptr<std::uint8_t[]> Spilled;
  for (std::uint32_t Page : FChanged) {
    const std::uint8_t* Bytes = FCache[Page].get();
    if (!Bytes) {
      if (!Spilled) Spilled.reset(new std::uint8_t[FPageSize]);
      FSpill->Get(Page, Spilled.get());
      Bytes = Spilled.get();
    }
    FFile->WriteAt(static_cast<std::uint64_t>(Page) * FPageSize, Bytes, FPageSize);
  }
  for (std::uint32_t Page : FChanged) FFlags[Page] &= static_cast<std::uint8_t>(~(kDirty | kChanged));
  FChanged.clear();
  FDirtyCached = 0;
  FSpill.reset();
  std::uint64_t Want = static_cast<std::uint64_t>(FPageCount) * FPageSize;
  if (FFile->Size() > Want) FFile->Truncate(Want);
  ++FChangeCounter;
  WriteHeader();
}

void Pager::Sync() { FFile->Sync(); }

void Pager::AbandonReplacement() {
  std::unique_ptr<BlockFile> Replacement = std::move(FFile);
  FFile = std::move(FReplaced);
  Replacement->Abandon();
}

void Pager::Discard() {
  if (FReplaced) AbandonReplacement();
  ClearCache();
  ++FGeneration;
  ReadHeader();
}

bool Pager::ReturnToFile() {
  bool Other = false;
  if (FOnDisk) {  // back from memory to the file
    FFile = std::move(FOnDisk);
    FReadOnly = FOnDiskReadOnly;
    Other = true;
  }
  if (FFile->Replaced()) {
    FFile->Reopen();
    Other = true;
  }
  return Other;
}

void Pager::Reload() {
  if (FReplaced) AbandonReplacement();
  ReturnToFile();
  ClearCache();
  ++FGeneration;
  ReadHeader();
}

bool Pager::Refresh() {
  if (HasChanges()) return false;
  if (ReturnToFile()) {
    ClearCache();
    ++FGeneration;
    ReadHeader();
    return true;
  }
  std::uint32_t Before = FChangeCounter;
  std::uint32_t Count = FPageCount;
  ReadHeader();
  if (FChangeCounter == Before && FPageCount == Count) return false;
  ClearCache();
  ++FGeneration;
  return true;
}

void Pager::Trim() {
  const std::size_t Limit = std::min(FCacheLimit, kCacheBytes / FPageSize);
  if (FCached <= Limit) return;
  const std::size_t Want = Limit - Limit / 8;
  // Two rounds of the hand reach every page: the first takes the used
  // marks, the second finds every page unused.
  for (std::size_t Step = 0, End = 2 * FCache.size(); FCached > Want && Step < End; ++Step) {
    if (FHand >= FCache.size()) FHand = 0;
    const std::size_t Page = FHand++;
    if (!FCache[Page]) continue;
    std::uint8_t& Flags = FFlags[Page];
    if (Flags & kUsed) {
      Flags &= static_cast<std::uint8_t>(~kUsed);
    } else if (!(Flags & kDirty) || FDirtyCached > Want) {
      Evict(Page);
    }
  }
}

void Pager::UseMemoryImage() {
  if (!FOnDisk) {
    FOnDisk = std::move(FFile);
    FOnDiskReadOnly = FReadOnly;
  }
  FFile = NewMemoryBlockFile(std::string(FPageSize, '\0'));
  FReadOnly = false;
  Reset();
}

void Pager::Reset() {
  CheckWritable();
  if (!FReplaced) {
    if (std::unique_ptr<BlockFile> Fresh = FFile->NewReplacement()) {
      std::vector<std::uint8_t> Zero(FPageSize, 0);  // the header page, whole
      Fresh->WriteAt(0, Zero.data(), Zero.size());
      FReplaced = std::move(FFile);
      FFile = std::move(Fresh);
    }
  }
  ClearCache();
  FPageCount = 1;
  FFreeHead = 0;
  FDirHead = 0;
  FDirCopy.clear();
  FHeaderDirty = true;
  ++FGeneration;
}

}  // namespace oak
