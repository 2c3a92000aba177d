// The .OAT table file: header, field descriptors and records.
#include "platform/engine/table.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/engine/errors.h"
#include "platform/engine/txn.h"
#include "platform/rtl/byteorder.h"

namespace oak {

namespace {

constexpr char kMagic[8] = {'O', 'A', 'K', 'T', 'A', 'B', 'L', 0x1A};
constexpr UNSIGNED32 kVersion = 1;
// Bytes of the header that never change after create, with the
// descriptors: what the header checksum covers.
std::uint32_t StaticChecksum(const std::vector<std::uint8_t>& Header) {
  std::uint32_t C = Crc32(Header.data(), kOffRecordCount);
  C = Crc32(Header.data() + kOffFieldCount, 4, C);
  return Crc32(Header.data() + kTableHeaderSize, Header.size() - kTableHeaderSize, C);
}

std::vector<std::uint8_t> BuildHeader(const std::vector<TFieldDesc>& Fields, CharType Chars) {
  std::vector<std::uint8_t> H(kTableHeaderSize + kFieldDescSize * Fields.size(), 0);
  std::memcpy(H.data(), kMagic, 8);
  StoreLE32(&H[8], kVersion);
  StoreLE32(&H[12], static_cast<std::uint32_t>(H.size()));
  UNSIGNED32 RecLen = 1;
  for (auto& F : Fields) RecLen += F.Length;
  StoreLE32(&H[16], RecLen);
  StoreLE16(&H[kOffFieldCount], static_cast<std::uint16_t>(Fields.size()));
  StoreLE16(&H[kOffCharType], static_cast<std::uint16_t>(Chars));
  for (size_t I = 0; I < Fields.size(); ++I) {
    std::uint8_t* D = &H[kTableHeaderSize + I * kFieldDescSize];
    std::memcpy(D, Fields[I].Name.data(), Fields[I].Name.size());
    StoreLE16(D + 48, Fields[I].Type);
    StoreLE16(D + 50, Fields[I].Decimals);
    StoreLE32(D + 52, Fields[I].Length);
    StoreLE32(D + 56, Fields[I].Offset);
  }
  StoreLE32(&H[kOffChecksum], StaticChecksum(H));
  return H;
}

// Resizes the records of a batch to Size bytes: twice the room when
// full, as a vector grows, but never more than Bound, past which the batch
// writes them elsewhere; no room kept that a large reserve would take from
// the rest of the program.
void GrowWithin(std::vector<std::uint8_t>& Bytes, std::size_t Size, std::size_t Bound) {
  if (Size > Bytes.capacity()) Bytes.reserve(std::max(Size, std::min(2 * Bytes.capacity(), Bound)));
  Bytes.resize(Size);
}

}  // namespace

std::string ChangeExtension(const std::string& Path, const char* Ext) {
  size_t Slash = Path.find_last_of('/');
  size_t Dot = Path.find_last_of('.');
  bool HasExt = Dot != std::string::npos && (Slash == std::string::npos || Dot > Slash);
  return (HasExt ? Path.substr(0, Dot) : Path) + Ext;
}

std::string FolderOf(const std::string& Path) {
  size_t Slash = Path.find_last_of('/');
  if (Slash == std::string::npos) return ".";
  return Slash == 0 ? "/" : Path.substr(0, Slash);
}

bool SameName(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t I = 0; I < A.size(); ++I)
    if (std::toupper(static_cast<unsigned char>(A[I])) != std::toupper(static_cast<unsigned char>(B[I])))
      return false;
  return true;
}

std::uint32_t Crc32(const void* Data, std::size_t Len, std::uint32_t Seed) {
  static std::uint32_t Table[256];
  static bool Ready = [] {
    for (std::uint32_t I = 0; I < 256; ++I) {
      std::uint32_t C = I;
      for (int K = 0; K < 8; ++K) C = (C & 1) ? 0xEDB88320u ^ (C >> 1) : C >> 1;
      Table[I] = C;
    }
    return true;
  }();
  (void)Ready;
  std::uint32_t C = ~Seed;
  auto* P = static_cast<const std::uint8_t*>(Data);
  for (std::size_t I = 0; I < Len; ++I) C = Table[(C ^ P[I]) & 0xFF] ^ (C >> 8);
  return ~C;
}

void FailOs(const os::Status& S, const std::string& Path) {
  switch (S.code()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      Fail(E_FILE_NOT_FOUND, Path);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      Fail(E_LOCKED, Path);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      Fail(E_TABLE_EXISTS, Path);
    default:
      Fail(E_IO, S.ToString());
  }
}

void TTableFile::Create(const std::string& Path, const std::vector<TFieldDesc>& Fields,
                        CharType Chars) {
  os::File F;
  os::Status S = F.Open(Path, os::Access::ReadWrite, os::Share::Exclusive,
                        os::Disposition::CreateNew);
  if (!S.ok()) FailOs(S, Path);
  std::vector<std::uint8_t> H = BuildHeader(Fields, Chars);
  S = F.Write(0, H.data(), H.size());
  if (!S.ok()) FailOs(S, Path);
}

TTableFile::TTableFile(const std::string& Path, bool Exclusive, bool ReadOnly)
    : FExclusive(Exclusive), FReadOnly(ReadOnly) {
  os::Status S = FFile.Open(Path, ReadOnly ? os::Access::Read : os::Access::ReadWrite,
                            Exclusive ? os::Share::Exclusive : os::Share::DenyNone);
  if (!S.ok()) FailOs(S, Path);
  ReadHeader();
  // Other handles may write a shared table: each step compares the
  // counters, in the view when one can be made.
  if (!Exclusive) FHeadView.Map(FFile, kTailOffset + kTailBytes);
}

void TTableFile::ReadHeader() {
  std::uint8_t Fixed[kTableHeaderSize];
  size_t Got = 0;
  os::Status S = FFile.Read(0, Fixed, sizeof Fixed, &Got);
  if (!S.ok()) FailOs(S, Path());
  if (Got < sizeof Fixed || std::memcmp(Fixed, kMagic, 8) != 0 || LoadLE32(Fixed + 8) != kVersion)
    Fail(E_CORRUPT_TABLE, Path() + ": not a table file");
  FDataOffset = LoadLE32(Fixed + 12);
  FRecordLength = LoadLE32(Fixed + 16);
  UNSIGNED32 NumFields = LoadLE16(Fixed + kOffFieldCount);
  if (NumFields == 0 || NumFields > kMaxFields ||
      FDataOffset != kTableHeaderSize + NumFields * kFieldDescSize)
    Fail(E_CORRUPT_TABLE, Path() + ": bad field count");
  std::vector<std::uint8_t> H(FDataOffset);
  S = FFile.Read(0, H.data(), H.size(), &Got);
  if (!S.ok()) FailOs(S, Path());
  if (Got < H.size() || StaticChecksum(H) != LoadLE32(&H[kOffChecksum]))
    Fail(E_CORRUPT_TABLE, Path() + ": header checksum");
  std::memcpy(FStaticTail, &H[kOffFieldCount], 4);
  std::memcpy(FStaticTail + 4, &H[kOffChecksum], 4);
  FChars = LoadLE16(&H[kOffCharType]) == 2 ? CharType::Oem : CharType::Ansi;
  UNSIGNED32 Offset = 1;
  for (UNSIGNED32 I = 0; I < NumFields; ++I) {
    const std::uint8_t* D = &H[kTableHeaderSize + I * kFieldDescSize];
    TFieldDesc F;
    F.Name.assign(reinterpret_cast<const char*>(D), strnlen(reinterpret_cast<const char*>(D), 48));
    F.Type = LoadLE16(D + 48);
    F.Decimals = LoadLE16(D + 50);
    F.Length = LoadLE32(D + 52);
    F.Offset = LoadLE32(D + 56);
    if (F.Offset != Offset || F.Length == 0) Fail(E_CORRUPT_TABLE, Path() + ": field layout");
    Offset += F.Length;
    FFields.push_back(std::move(F));
  }
  if (Offset != FRecordLength) Fail(E_CORRUPT_TABLE, Path() + ": record length");
  Refresh();
}

bool TTableFile::Refresh(bool Always) {
  // A handle whose counters are ahead of the disk (a batch, a change in
  // place not written yet) holds the write lock: they are the table's.
  if (FBatch || (FCountersDirty && !Always)) return false;
  // Nobody else can open a table this handle holds exclusively: the
  // counters in memory are those on the disk (but after a rollback, which
  // wrote old bytes back under it).
  if (FExclusive && FCountersRead && !Always) return false;
  if (FCountersRead && !Always && HeaderUnchanged()) return false;
  std::uint8_t Buf[kTailBytes];
  size_t Got = 0;
  os::Status S = FFile.Read(kTailOffset, Buf, sizeof Buf, &Got);
  if (!S.ok()) FailOs(S, Path());
  if (Got < sizeof Buf) Fail(E_CORRUPT_TABLE, Path() + ": header cut short");
  const TTableCounters C = DecodeTail(Buf);
  const bool Changed = C.ChangeCounter != FCounters.ChangeCounter || C.RecordCount != FCounters.RecordCount ||
                       C.WriteSeq != FCounters.WriteSeq;
  if (C.RecordCount != FCounters.RecordCount || !FCountersRead) {
    auto Size = FFile.Size();
    if (!Size.ok()) FailOs(Size.status(), Path());
    if (Size.value() < RecordOffset(C.RecordCount + 1))
      Fail(E_CORRUPT_TABLE, Path() + ": file shorter than its record count");
  }
  // The marker kept is this handle's own (a transaction's); another's is
  // read with State, never written back.
  const std::uint64_t Own = FCounters.Marker;
  FCounters = C;
  FCounters.Marker = Own;
  FCountersRead = true;
  if (Changed) ForgetReadAhead();
  return Changed;
}

TTableCounters TTableFile::DecodeTail(const std::uint8_t* Tail) {
  TTableCounters C;
  C.RecordCount = LoadLE32(Tail + (kOffRecordCount - kTailOffset));
  C.LastAutoinc = LoadLE32(Tail + (kOffAutoinc - kTailOffset));
  C.ChangeCounter = LoadLE32(Tail + (kOffChange - kTailOffset));
  C.Marker = LoadLE64(Tail + (kOffMarker - kTailOffset));
  C.WriteSeq = LoadLE32(Tail + (kOffWriteSeq - kTailOffset));
  return C;
}

void TTableFile::EncodeTail(const TTableCounters& C, std::uint8_t* Tail) {
  StoreLE32(Tail + (kOffRecordCount - kTailOffset), C.RecordCount);
  StoreLE32(Tail + (kOffAutoinc - kTailOffset), C.LastAutoinc);
  StoreLE32(Tail + (kOffChange - kTailOffset), C.ChangeCounter);
  StoreLE64(Tail + (kOffMarker - kTailOffset), C.Marker);
  StoreLE32(Tail + (kOffWriteSeq - kTailOffset), C.WriteSeq);
}

bool TTableFile::HeaderUnchanged() {
  if (!FHeadView.IsMapped()) return false;
  std::uint8_t Now[kTailBytes];
  if (!FHeadView.Read(kTailOffset, Now, sizeof Now)) {
    // Another program cut the file short under the view: from now on the
    // header is read through the file, which tells a header cut short (an
    // error naming the file) from one written again.
    FHeadView.Unmap();
    return false;
  }
  // The record count, the autoincrement counter, the change counter and
  // the write sequence (field count and character type never change, the
  // marker alone tells readers nothing).
  const TTableCounters C = DecodeTail(Now);
  return C.RecordCount == FCounters.RecordCount && C.LastAutoinc == FCounters.LastAutoinc &&
         C.ChangeCounter == FCounters.ChangeCounter && C.WriteSeq == FCounters.WriteSeq;
}

UNSIGNED32 TTableFile::WriteSeqNow() const {
  std::uint8_t Buf[4];
  if (FHeadView.IsMapped() && FHeadView.Read(kOffWriteSeq, Buf, sizeof Buf)) return LoadLE32(Buf);
  return State().WriteSeq;
}

TTableCounters TTableFile::State() const {
  std::uint8_t Buf[kTailBytes];
  if (!FHeadView.IsMapped() || !FHeadView.Read(kTailOffset, Buf, sizeof Buf)) {
    size_t Got = 0;
    os::Status S = FFile.Read(kTailOffset, Buf, sizeof Buf, &Got);
    if (!S.ok()) FailOs(S, Path());
    if (Got < sizeof Buf) Fail(E_CORRUPT_TABLE, Path() + ": header cut short");
  }
  return DecodeTail(Buf);
}

std::uint64_t TTableFile::RecordOffset(UNSIGNED32 RecNo) const {
  return FDataOffset + std::uint64_t(RecNo - 1) * FRecordLength;
}

bool TTableFile::HasBlobs() const {
  for (auto& F : FFields)
    if (IsBlobType(F.Type)) return true;
  return false;
}

void TTableFile::ReadRecord(UNSIGNED32 RecNo, void* Buf) const {
  if (RecNo == 0 || RecNo > FCounters.RecordCount) Fail(E_NO_CURRENT_RECORD);
  if (FBatch && RecNo > FFlushedCount) {
    std::memcpy(Buf, &FAppended[std::size_t(RecNo - FFlushedCount - 1) * FRecordLength],
                FRecordLength);
    return;
  }
  if (FBatch && ReadUpdated(RecNo, Buf)) return;
  if (ReadAhead(RecNo, Buf) || ReadFromBlock(RecNo, Buf)) return;
  size_t Got = 0;
  os::Status S = FFile.Read(RecordOffset(RecNo), Buf, FRecordLength, &Got);
  if (!S.ok()) FailOs(S, Path());
  if (Got < FRecordLength) Fail(E_CORRUPT_TABLE, Path() + ": record cut short");
}

// Bytes read at once while records are read one after the other.
constexpr std::size_t kReadAheadBytes = 64 * 1024;

bool TTableFile::ReadAhead(UNSIGNED32 RecNo, void* Buf) const {
  const bool Next = RecNo == FLastRead + 1;
  FLastRead = RecNo;
  if (RecNo < FAheadFirst || RecNo - FAheadFirst >= FAheadCount) {
    // Only records on the disk: in batch mode the later ones are in memory.
    const UNSIGNED32 Last = FBatch ? FFlushedCount : FCounters.RecordCount;
    const UNSIGNED32 PerBlock = static_cast<UNSIGNED32>(kReadAheadBytes / FRecordLength);
    if (!Next || PerBlock < 2 || RecNo > Last) return false;
    const UNSIGNED32 Count = std::min(PerBlock, Last - RecNo + 1);
    FAhead.resize(std::size_t(Count) * FRecordLength);
    FAheadCount = 0;
    size_t Got = 0;
    os::Status S = FFile.Read(RecordOffset(RecNo), FAhead.data(), FAhead.size(), &Got);
    if (!S.ok()) FailOs(S, Path());
    if (Got < FAhead.size()) Fail(E_CORRUPT_TABLE, Path() + ": record cut short");
    FAheadFirst = RecNo;
    FAheadCount = Count;
  }
  std::memcpy(Buf, &FAhead[std::size_t(RecNo - FAheadFirst) * FRecordLength], FRecordLength);
  return true;
}

// Bytes of records in one block read for reads out of order, and in all
// blocks of a handle (the size of an index file's page cache).
constexpr std::size_t kBlockBytes = 16 * 1024;
constexpr std::size_t kBlockCacheBytes = 32 * 1024 * 1024;

UNSIGNED32 TTableFile::RecordsPerBlock() const {
  return static_cast<UNSIGNED32>(std::max<std::size_t>(1, kBlockBytes / FRecordLength));
}

bool TTableFile::ReadFromBlock(UNSIGNED32 RecNo, void* Buf) const {
  const UNSIGNED32 Per = RecordsPerBlock(), Block = (RecNo - 1) / Per, First = Block * Per + 1;
  const std::size_t Bytes = std::size_t(Per) * FRecordLength;
  auto It = FBlocks.find(Block);
  if (It == FBlocks.end()) {
    // Only whole blocks on the disk: in batch mode the later records are in
    // memory, and a block must not miss records appended later.
    const UNSIGNED32 Last = FBatch ? FFlushedCount : FCounters.RecordCount;
    if (First - 1 + std::uint64_t(Per) > Last) return false;
    if ((FBlocks.size() + 1) * Bytes > kBlockCacheBytes && !FBlockOrder.empty()) {
      FBlocks.erase(FBlockOrder.front());
      FBlockOrder.pop_front();
    }
    auto Data = std::make_unique<std::uint8_t[]>(Bytes);
    size_t Got = 0;
    os::Status S = FFile.Read(RecordOffset(First), Data.get(), Bytes, &Got);
    if (!S.ok()) FailOs(S, Path());
    if (Got < Bytes) Fail(E_CORRUPT_TABLE, Path() + ": record cut short");
    It = FBlocks.emplace(Block, std::move(Data)).first;
    FBlockOrder.push_back(Block);
  }
  std::memcpy(Buf, It->second.get() + std::size_t(RecNo - First) * FRecordLength, FRecordLength);
  return true;
}

void TTableFile::KeepInReadAhead(UNSIGNED32 RecNo, const void* Buf) {
  if (RecNo >= FAheadFirst && RecNo - FAheadFirst < FAheadCount)
    std::memcpy(&FAhead[std::size_t(RecNo - FAheadFirst) * FRecordLength], Buf, FRecordLength);
  const UNSIGNED32 Per = RecordsPerBlock();
  auto It = FBlocks.find((RecNo - 1) / Per);
  if (It != FBlocks.end())
    std::memcpy(It->second.get() + std::size_t((RecNo - 1) % Per) * FRecordLength, Buf, FRecordLength);
}

void TTableFile::WriteRecord(UNSIGNED32 RecNo, const void* Buf) {
  if (FReadOnly) Fail(E_READ_ONLY, Path());
  if (RecNo == 0 || RecNo > FCounters.RecordCount + 1) Fail(E_NO_CURRENT_RECORD);
  if (FBatch) {
    if (RecNo > FFlushedCount) {
      std::size_t At = std::size_t(RecNo - FFlushedCount - 1) * FRecordLength;
      if (At == FAppended.size()) GrowWithin(FAppended, At + FRecordLength, FBatchMemory / 2 + FRecordLength);
      std::memcpy(&FAppended[At], Buf, FRecordLength);
      if (RecNo > FCounters.RecordCount) FCounters.RecordCount = RecNo;
    } else {
      // Other handles read the record as it was until the commit.
      KeepUpdated(RecNo, Buf);
    }
    ++FCounters.ChangeCounter;
    if (FAppended.size() >= FBatchMemory / 2) WriteAppended();
    return;
  }
  if (!FInPlace) Fail(E_INTERNAL, Path() + ": a record written outside a change in place");
  WriteRun(RecNo, 1, static_cast<const std::uint8_t*>(Buf));
  const bool Appended = RecNo > FCounters.RecordCount;
  if (Appended) FCounters.RecordCount = RecNo;
  ++FCounters.ChangeCounter;
  FCountersDirty = true;
  // A handle that holds the table alone stays in place across its calls:
  // a record it appends is counted on the disk at once (the record is
  // there before the count), so that it survives a kill of this process;
  // the next opener finds the sequence odd and rebuilds the indexes.
  if (Appended && FExclusive && !FJournal) WriteTail();
}

void TTableFile::WriteRecords(UNSIGNED32 First, const void* Buf, UNSIGNED32 Count) {
  if (FReadOnly) Fail(E_READ_ONLY, Path());
  if (FBatch || !FInPlace) Fail(E_INTERNAL, Path() + ": records written outside a change in place");
  if (Count == 0) return;
  if (First == 0 || First > FCounters.RecordCount + 1) Fail(E_NO_CURRENT_RECORD);
  WriteRun(First, Count, static_cast<const std::uint8_t*>(Buf));
  FCounters.RecordCount = std::max(FCounters.RecordCount, First + Count - 1);
  FCounters.ChangeCounter += Count;
  FCountersDirty = true;
}

namespace {

// What the memory of one changed record costs beside its bytes: its entry
// in the map by record number.
constexpr std::size_t kUpdatedEntryBytes = 48;

std::atomic<std::size_t> gBatchMemory{std::size_t(16) << 20};

// Records of RecordLength bytes in a run of kRunBytes (at least one).
UNSIGNED32 RecordsPerRun(UNSIGNED32 RecordLength) {
  return static_cast<UNSIGNED32>(std::max<std::size_t>(1, TTableFile::kRunBytes / RecordLength));
}

}  // namespace

void TTableFile::SetBatchMemory(std::size_t Bytes) { gBatchMemory = Bytes; }
std::size_t TTableFile::BatchMemory() { return gBatchMemory; }

void TTableFile::WriteRun(UNSIGNED32 First, UNSIGNED32 Count, const std::uint8_t* Bytes) {
  const std::size_t Len = std::size_t(Count) * FRecordLength;
  if (FJournal) FJournal->BeforeWrite(FFile, RecordOffset(First), Len);
  os::Status S = FFile.Write(RecordOffset(First), Bytes, Len);
  if (!S.ok()) {
    ForgetReadAhead();
    FailOs(S, Path());
  }
  for (UNSIGNED32 I = 0; I < Count; ++I) KeepInReadAhead(First + I, Bytes + std::size_t(I) * FRecordLength);
}

void TTableFile::WriteAppended() {
  if (FAppended.empty()) return;
  const auto Count = static_cast<UNSIGNED32>(FAppended.size() / FRecordLength);
  WriteRun(FFlushedCount + 1, Count, FAppended.data());
  FFlushedCount += Count;
  FAppended.clear();
}

void TTableFile::KeepUpdated(UNSIGNED32 RecNo, const void* Buf) {
  auto [It, Added] = FUpdatedAt.try_emplace(RecNo, FUpdatedBytes.size());
  if (Added) GrowWithin(FUpdatedBytes, FUpdatedBytes.size() + FRecordLength, FBatchMemory + FRecordLength);
  std::memcpy(&FUpdatedBytes[It->second], Buf, FRecordLength);
  if (FUpdatedBytes.size() + FUpdatedAt.size() * kUpdatedEntryBytes >= FBatchMemory) SpillUpdated();
}

bool TTableFile::ReadUpdated(UNSIGNED32 RecNo, void* Buf) const {
  if (!FUpdatedAt.empty()) {
    auto It = FUpdatedAt.find(RecNo);
    if (It != FUpdatedAt.end()) {
      std::memcpy(Buf, &FUpdatedBytes[It->second], FRecordLength);
      return true;
    }
  }
  if (!FSpilled || !FSpilled->Has(RecNo)) return false;
  FSpilled->Get(RecNo, Buf);
  return true;
}

template <class TSink>
void TTableFile::ForEachUpdatedRun(UNSIGNED32 Last, TSink&& Sink) const {
  std::vector<std::pair<UNSIGNED32, std::size_t>> Order;
  Order.reserve(FUpdatedAt.size());
  for (const auto& Entry : FUpdatedAt)
    if (Entry.first <= Last) Order.push_back(Entry);
  std::sort(Order.begin(), Order.end());
  const UNSIGNED32 MaxRun = RecordsPerRun(FRecordLength);
  std::vector<std::uint8_t> Run;
  UNSIGNED32 First = 0, Count = 0;
  for (const auto& [RecNo, At] : Order) {
    if (Count && (RecNo != First + Count || Count == MaxRun)) {
      Sink(First, Count, Run.data());
      Run.clear();
      Count = 0;
    }
    if (!Count) First = RecNo;
    Run.insert(Run.end(), &FUpdatedBytes[At], &FUpdatedBytes[At] + FRecordLength);
    ++Count;
  }
  if (Count) Sink(First, Count, Run.data());
}

void TTableFile::SpillUpdated() {
  if (!FSpilled) FSpilled = std::make_unique<TSpillFile>(FRecordLength, "changed records of " + Path());
  ForEachUpdatedRun(UINT32_MAX, [this](UNSIGNED32 First, UNSIGNED32 Count, const std::uint8_t* Bytes) {
    FSpilled->Put(First, Bytes, Count);
  });
  FUpdatedAt.clear();
  FUpdatedBytes.clear();
}

void TTableFile::WriteUpdated(UNSIGNED32 Last) {
  auto Write = [this](UNSIGNED32 First, UNSIGNED32 Count, const std::uint8_t* Bytes) {
    WriteRun(First, Count, Bytes);
  };
  if (!FSpilled || FSpilled->Count() == 0) {
    ForEachUpdatedRun(Last, Write);
  } else {
    // The newest bytes of every record join the older ones in the spill
    // file, so that one walk over it meets them all in record order.
    SpillUpdated();
    const UNSIGNED32 MaxRun = RecordsPerRun(FRecordLength);
    std::vector<std::uint8_t> Run;
    for (UNSIGNED32 RecNo = 1, Count = 0; FSpilled->Next(&RecNo, Last); RecNo += Count) {
      Count = FSpilled->RunFrom(RecNo, std::min(MaxRun, Last - RecNo + 1));
      Run.resize(std::size_t(Count) * FRecordLength);
      FSpilled->Get(RecNo, Run.data(), Count);
      Write(RecNo, Count, Run.data());
    }
  }
  ForgetUpdated();
}

void TTableFile::ForgetUpdated() {
  std::unordered_map<UNSIGNED32, std::size_t>().swap(FUpdatedAt);
  std::vector<std::uint8_t>().swap(FUpdatedBytes);
  FSpilled.reset();
}

void TTableFile::BeginBatch() {
  FBatch = true;
  FFlushedCount = FCounters.RecordCount;
  FBatchMemory = BatchMemory();
}

void TTableFile::FlushBatch() {
  if (!FBatch) return;
  if (!FInPlace) Fail(E_INTERNAL, Path() + ": a batch written outside a change in place");
  WriteUpdated(FFlushedCount);
  WriteAppended();
  std::vector<std::uint8_t>().swap(FAppended);
  FBatch = false;
  WriteTail();
}

void TTableFile::DropBatch() {
  ForgetReadAhead();
  std::vector<std::uint8_t>().swap(FAppended);
  ForgetUpdated();
  FBatch = false;
}

void TTableFile::BeginInPlace() {
  if (FInPlace) return;
  if (FReadOnly) Fail(E_READ_ONLY, Path());
  // The holder of the write lock reads the sequence anew: a rollback or a
  // recovery of another program may have moved it since this handle read
  // it. An odd one (a writer died at it) is taken over as it is.
  const UNSIGNED32 Seq = State().WriteSeq | 1;
  std::uint8_t Buf[4];
  StoreLE32(Buf, Seq);
  if (FJournal) FJournal->BeforeWrite(FFile, kOffWriteSeq, sizeof Buf);
  os::Status S = FFile.Write(kOffWriteSeq, Buf, sizeof Buf);
  if (!S.ok()) FailOs(S, Path());
  FCounters.WriteSeq = Seq;
  FInPlace = true;
}

void TTableFile::EndInPlace() {
  if (!FInPlace) return;
  FCounters.WriteSeq = EvenSeqAfter(FCounters.WriteSeq);
  FCounters.Marker = 0;
  WriteTail();
  FInPlace = false;
}

void TTableFile::SetMarker(std::uint64_t Id) {
  if (FReadOnly) Fail(E_READ_ONLY, Path());
  std::uint8_t Buf[8];
  StoreLE64(Buf, Id);
  if (FJournal) FJournal->BeforeWrite(FFile, kOffMarker, sizeof Buf);
  os::Status S = FFile.Write(kOffMarker, Buf, sizeof Buf);
  if (!S.ok()) FailOs(S, Path());
  FCounters.Marker = Id;
}

std::optional<TTableCounters> TTableFile::ReadState(const os::File& F) {
  std::uint8_t Buf[kTailBytes];
  size_t Got = 0;
  if (!F.Read(kTailOffset, Buf, sizeof Buf, &Got).ok() || Got < sizeof Buf) return std::nullopt;
  return DecodeTail(Buf);
}

void TTableFile::StoreRest(const os::File& F, std::uint64_t Marker, UNSIGNED32 WriteSeq) {
  std::uint8_t Buf[12];
  StoreLE64(Buf, Marker);
  StoreLE32(Buf + 8, WriteSeq);
  os::Status S = F.Write(kOffMarker, Buf, sizeof Buf);
  if (!S.ok()) FailOs(S, F.Path());
}

void TTableFile::Touch() {
  ++FCounters.ChangeCounter;
  FCountersDirty = true;
}

UNSIGNED32 TTableFile::NextAutoinc() {
  // Written with the record (and its counters) under the same write lock;
  // a write that fails before lets the next refresh read the value again.
  if (FInPlace || FBatch) FCountersDirty = true;
  return ++FCounters.LastAutoinc;
}

void TTableFile::Truncate(UNSIGNED32 RecordCount) {
  if (FReadOnly) Fail(E_READ_ONLY, Path());
  if (FBatch) {
    WriteUpdated(RecordCount);
    WriteAppended();
  }
  ForgetReadAhead();
  FCounters.RecordCount = RecordCount;
  // In batch mode the records on the disk end where the cut does: later
  // appends of the batch follow the kept records, and reads stop there.
  if (FBatch) FFlushedCount = RecordCount;
  ++FCounters.ChangeCounter;
  FCountersDirty = true;
  // Under a journal the file is cut only once the journal is gone
  // (FinishCut): no reader looks past the record count, and a rollback
  // has no page to keep for the bytes cut.
  FCutPending = true;
  if (!FJournal) FinishCut();
}

void TTableFile::FinishCut() {
  if (!FCutPending) return;
  // Appends of the batch may lie past the count on the disk still.
  const UNSIGNED32 Kept = FBatch ? FFlushedCount : FCounters.RecordCount;
  os::Status S = FFile.Truncate(RecordOffset(Kept + 1));
  if (!S.ok()) FailOs(S, Path());
  FCutPending = false;
}

void TTableFile::WriteTail() {
  if (!FInPlace) Fail(E_INTERNAL, Path() + ": the header written outside a change in place");
  std::uint8_t Buf[kTailBytes];
  std::memcpy(Buf + (kOffFieldCount - kTailOffset), FStaticTail, 4);
  std::memcpy(Buf + (kOffChecksum - kTailOffset), FStaticTail + 4, 4);
  EncodeTail(FCounters, Buf);
  if (FJournal) FJournal->BeforeWrite(FFile, kTailOffset, sizeof Buf);
  os::Status S = FFile.Write(kTailOffset, Buf, sizeof Buf);
  if (!S.ok()) FailOs(S, Path());
  FCountersDirty = false;
}

void TTableFile::Sync() {
  os::Status S = FFile.Flush();
  if (!S.ok()) FailOs(S, Path());
}

}  // namespace oak
