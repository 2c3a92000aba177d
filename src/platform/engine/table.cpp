// The .OAT table file: header, field descriptors and records.
#include "platform/engine/table.h"

#include <algorithm>
#include <cstring>

#include "platform/engine/errors.h"
#include "platform/engine/txn.h"
#include "platform/rtl/byteorder.h"

namespace oak {

namespace {

constexpr char kMagic[8] = {'O', 'A', 'K', 'T', 'A', 'B', 'L', 0x1A};
constexpr UNSIGNED32 kVersion = 1;
// Offset of the record count inside the header (the autoincrement counter
// follows at 24, the change counter at 32; see FORMAT.md).
constexpr UNSIGNED32 kOffCount = 20;
// Offset of the change counter and of the transaction marker (8 bytes).
constexpr UNSIGNED32 kOffChange = 32;
constexpr UNSIGNED32 kOffMarker = TTableFile::kMarkerOffset;

// Bytes of the header that never change after create, with the
// descriptors: what the header checksum covers.
std::uint32_t StaticChecksum(const std::vector<std::uint8_t>& Header) {
  std::uint32_t C = Crc32(Header.data(), kOffCount);
  C = Crc32(Header.data() + 28, 4, C);
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
  StoreLE16(&H[28], static_cast<std::uint16_t>(Fields.size()));
  StoreLE16(&H[30], static_cast<std::uint16_t>(Chars));
  for (size_t I = 0; I < Fields.size(); ++I) {
    std::uint8_t* D = &H[kTableHeaderSize + I * kFieldDescSize];
    std::memcpy(D, Fields[I].Name.data(), Fields[I].Name.size());
    StoreLE16(D + 48, Fields[I].Type);
    StoreLE16(D + 50, Fields[I].Decimals);
    StoreLE32(D + 52, Fields[I].Length);
    StoreLE32(D + 56, Fields[I].Offset);
  }
  StoreLE32(&H[36], StaticChecksum(H));
  return H;
}

}  // namespace

std::string ChangeExtension(const std::string& Path, const char* Ext) {
  size_t Slash = Path.find_last_of('/');
  size_t Dot = Path.find_last_of('.');
  bool HasExt = Dot != std::string::npos && (Slash == std::string::npos || Dot > Slash);
  return (HasExt ? Path.substr(0, Dot) : Path) + Ext;
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
  if (!Exclusive) FHeadView.Map(FFile, kOffMarker + 8);
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
  UNSIGNED32 NumFields = LoadLE16(Fixed + 28);
  if (NumFields == 0 || NumFields > kMaxFields ||
      FDataOffset != kTableHeaderSize + NumFields * kFieldDescSize)
    Fail(E_CORRUPT_TABLE, Path() + ": bad field count");
  std::vector<std::uint8_t> H(FDataOffset);
  S = FFile.Read(0, H.data(), H.size(), &Got);
  if (!S.ok()) FailOs(S, Path());
  if (Got < H.size() || StaticChecksum(H) != LoadLE32(&H[36]))
    Fail(E_CORRUPT_TABLE, Path() + ": header checksum");
  FChars = LoadLE16(&H[30]) == 2 ? CharType::Oem : CharType::Ansi;
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
  if (FBatch) return false;
  // Nobody else can open a table this handle holds exclusively: the
  // counters in memory are those on the disk (but after a rollback, which
  // wrote old bytes back under it).
  if (FExclusive && FCountersRead && !Always) return false;
  if (FCountersRead && !Always && HeaderUnchanged()) return false;
  std::uint8_t Buf[16];
  size_t Got = 0;
  os::Status S = FFile.Read(kOffCount, Buf, sizeof Buf, &Got);
  if (!S.ok()) FailOs(S, Path());
  if (Got < sizeof Buf) Fail(E_CORRUPT_TABLE, Path() + ": header cut short");
  TTableCounters C;
  C.RecordCount = LoadLE32(Buf);
  C.LastAutoinc = LoadLE32(Buf + 4);
  C.ChangeCounter = LoadLE32(Buf + 12);
  bool Changed = C.ChangeCounter != FCounters.ChangeCounter ||
                 C.RecordCount != FCounters.RecordCount;
  if (C.RecordCount != FCounters.RecordCount) {
    auto Size = FFile.Size();
    if (!Size.ok()) FailOs(Size.status(), Path());
    if (Size.value() < RecordOffset(C.RecordCount + 1))
      Fail(E_CORRUPT_TABLE, Path() + ": file shorter than its record count");
  }
  FCounters = C;
  FCountersRead = true;
  if (Changed) ForgetReadAhead();
  return Changed;
}

void TTableFile::EncodeCounters(std::uint8_t (&Buf)[16]) const {
  StoreLE32(Buf, FCounters.RecordCount);
  StoreLE32(Buf + 4, FCounters.LastAutoinc);
  StoreLE16(Buf + 8, static_cast<std::uint16_t>(FFields.size()));
  StoreLE16(Buf + 10, static_cast<std::uint16_t>(FChars));
  StoreLE32(Buf + 12, FCounters.ChangeCounter);
}

bool TTableFile::HeaderUnchanged() {
  if (!FHeadView.IsMapped()) return false;
  std::uint8_t Known[16], Now[16];
  EncodeCounters(Known);
  if (!FHeadView.Read(kOffCount, Now, sizeof Now)) {
    // Another program cut the file short under the view: from now on the
    // header is read through the file, which tells a header cut short (an
    // error naming the file) from one written again.
    FHeadView.Unmap();
    return false;
  }
  // The record count, the autoincrement counter and the change counter
  // (field count and character type never change).
  return std::memcmp(Known, Now, 8) == 0 && std::memcmp(Known + 12, Now + 12, 4) == 0;
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
  if (!FUpdated.empty()) {
    auto It = FUpdated.find(RecNo);
    if (It != FUpdated.end()) {
      std::memcpy(Buf, It->second.data(), FRecordLength);
      return;
    }
  }
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
      if (At == FAppended.size()) FAppended.resize(At + FRecordLength);
      std::memcpy(&FAppended[At], Buf, FRecordLength);
      if (RecNo > FCounters.RecordCount) FCounters.RecordCount = RecNo;
    } else {
      // Other handles read the record as it was until the commit.
      auto* P = static_cast<const std::uint8_t*>(Buf);
      FUpdated[RecNo].assign(P, P + FRecordLength);
    }
    ++FCounters.ChangeCounter;
    FCountersDirty = true;
    if (FAppended.size() >= (std::size_t(8) << 20)) WriteAppended();
    return;
  }
  if (FJournal) FJournal->BeforeWrite(FFile, RecordOffset(RecNo), FRecordLength);
  os::Status S = FFile.Write(RecordOffset(RecNo), Buf, FRecordLength);
  if (!S.ok()) {
    ForgetReadAhead();
    FailOs(S, Path());
  }
  KeepInReadAhead(RecNo, Buf);
  // The record is on disk before the count that makes it visible.
  const bool Appended = RecNo > FCounters.RecordCount;
  if (Appended) FCounters.RecordCount = RecNo;
  ++FCounters.ChangeCounter;
  if (FBatch) {
    FCountersDirty = true;
  } else if (DefersCounters()) {
    // The first write of a pass moves the change counter on the disk away
    // from the index stamps, so that a crash before FlushCounters leaves
    // indexes that the next opener rebuilds; later writes count changes in
    // memory. An appended record is counted on the disk at once: it
    // survives a kill of this process like any other write.
    if (!FCountersDirty)
      WriteCounters();
    else if (Appended)
      WriteRecordCount();
    FCountersDirty = true;
  } else {
    WriteCounters();
  }
}

void TTableFile::FlushCounters() {
  if (FCountersDirty && !FBatch) WriteCounters();
}

void TTableFile::WriteAppended() {
  if (!FAppended.empty()) {
    std::uint64_t At = RecordOffset(FFlushedCount + 1);
    if (FJournal) FJournal->BeforeWrite(FFile, At, FAppended.size());
    os::Status S = FFile.Write(At, FAppended.data(), FAppended.size());
    if (!S.ok()) FailOs(S, Path());
    FFlushedCount += static_cast<UNSIGNED32>(FAppended.size() / FRecordLength);
    FAppended.clear();
  }
}

void TTableFile::WriteUpdated(UNSIGNED32 Last) {
  std::vector<UNSIGNED32> Order;
  Order.reserve(FUpdated.size());
  for (auto& [RecNo, Bytes] : FUpdated)
    if (RecNo <= Last) Order.push_back(RecNo);
  std::sort(Order.begin(), Order.end());
  for (UNSIGNED32 RecNo : Order) {
    const std::vector<std::uint8_t>& Bytes = FUpdated[RecNo];
    if (FJournal) FJournal->BeforeWrite(FFile, RecordOffset(RecNo), FRecordLength);
    os::Status S = FFile.Write(RecordOffset(RecNo), Bytes.data(), FRecordLength);
    if (!S.ok()) {
      ForgetReadAhead();
      FailOs(S, Path());
    }
    KeepInReadAhead(RecNo, Bytes.data());
  }
  FUpdated.clear();
}

void TTableFile::BeginBatch() {
  FBatch = true;
  FFlushedCount = FCounters.RecordCount;
}

void TTableFile::FlushBatch() {
  if (!FBatch) return;
  WriteUpdated(FFlushedCount);
  WriteAppended();
  if (FCountersDirty) WriteCounters();
  FCountersDirty = false;
  FBatch = false;
}

void TTableFile::DropBatch() {
  ForgetReadAhead();
  FAppended.clear();
  FUpdated.clear();
  FCountersDirty = false;
  FBatch = false;
}

std::uint64_t TTableFile::TxnMarker() const {
  std::uint8_t Buf[8] = {};
  if (FHeadView.IsMapped() && FHeadView.Read(kOffMarker, Buf, sizeof Buf)) return LoadLE64(Buf);
  size_t Got = 0;
  os::Status S = FFile.Read(kOffMarker, Buf, sizeof Buf, &Got);
  if (!S.ok()) FailOs(S, Path());
  if (Got < sizeof Buf) Fail(E_CORRUPT_TABLE, Path() + ": header cut short");
  return LoadLE64(Buf);
}

void TTableFile::StoreChangeCounter(const os::File& F, UNSIGNED32 Counter) {
  std::uint8_t Buf[4];
  StoreLE32(Buf, Counter);
  os::Status S = F.Write(kOffChange, Buf, sizeof Buf);
  if (!S.ok()) FailOs(S, F.Path());
}

void TTableFile::StoreTxnMarker(const os::File& F, std::uint64_t Id) {
  std::uint8_t Buf[8];
  StoreLE64(Buf, Id);
  os::Status S = F.Write(kOffMarker, Buf, sizeof Buf);
  if (!S.ok()) FailOs(S, F.Path());
}

void TTableFile::Touch() {
  ++FCounters.ChangeCounter;
  if (FBatch)
    FCountersDirty = true;
  else
    WriteCounters();
}

UNSIGNED32 TTableFile::NextAutoinc() {
  ++FCounters.LastAutoinc;
  if (FBatch) {
    FCountersDirty = true;
    return FCounters.LastAutoinc;
  }
  WriteCounters();
  return FCounters.LastAutoinc;
}

void TTableFile::Truncate(UNSIGNED32 RecordCount) {
  if (FReadOnly) Fail(E_READ_ONLY, Path());
  if (FBatch) {
    WriteUpdated(RecordCount);
    WriteAppended();
    FCountersDirty = false;
  }
  if (FJournal) FJournal->BeforeResize(FFile);
  ForgetReadAhead();
  FCounters.RecordCount = RecordCount;
  // In batch mode the records on the disk end where the cut does: later
  // appends of the batch follow the kept records, and reads stop there.
  if (FBatch) FFlushedCount = RecordCount;
  ++FCounters.ChangeCounter;
  WriteCounters();
  os::Status S = FFile.Truncate(RecordOffset(RecordCount + 1));
  if (!S.ok()) FailOs(S, Path());
}

void TTableFile::WriteCounters() {
  std::uint8_t Buf[16];
  EncodeCounters(Buf);
  if (FJournal) FJournal->BeforeWrite(FFile, kOffCount, sizeof Buf);
  os::Status S = FFile.Write(kOffCount, Buf, sizeof Buf);
  if (!S.ok()) FailOs(S, Path());
  FCountersDirty = false;
}

void TTableFile::WriteRecordCount() {
  std::uint8_t Buf[4];
  StoreLE32(Buf, FCounters.RecordCount);
  if (FJournal) FJournal->BeforeWrite(FFile, kOffCount, sizeof Buf);
  os::Status S = FFile.Write(kOffCount, Buf, sizeof Buf);
  if (!S.ok()) FailOs(S, Path());
}

void TTableFile::Sync() {
  os::Status S = FFile.Flush();
  if (!S.ok()) FailOs(S, Path());
}

}  // namespace oak
