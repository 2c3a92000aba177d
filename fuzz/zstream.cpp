// Fuzzes the compressed stream and memo readers: any bytes either inflate
// (zlib, gzip or raw deflate) within the limit, or fail with EZlibError;
// a memo field read with LoadBlobFieldToStream gives the inflated value,
// the stored bytes, or EDecompressionLimitError, and nothing else.
//
// Input: first byte bit 0 picks the buffered path (a stream that is no
// memory stream), bit 1 a small limit; the rest is the field's bytes.
#include <cstring>
#include <memory>

#include "data/memtable/mtMemTable.h"
#include "foundation/Ucompress.h"

namespace {

// A stream over bytes that is not a memory stream.
class TPlainStream : public TStream {
 public:
  explicit TPlainStream(std::string Bytes) : FData(std::move(Bytes)) {}
  Int64 Read(void* Buffer, Int64 Count) override {
    Int64 N = std::min<Int64>(Count, Int64(FData.size()) - FPos);
    if (N <= 0) return 0;
    std::memcpy(Buffer, FData.data() + FPos, size_t(N));
    FPos += N;
    return N;
  }
  Int64 Write(const void*, Int64) override { return 0; }
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override {
    FPos = (Origin == soBeginning ? 0 : Origin == soCurrent ? FPos : Int64(FData.size())) + Offset;
    return FPos;
  }

 private:
  std::string FData;
  Int64 FPos = 0;
};

void ReadThroughAMemoField(const std::string& Bytes) {
  TComponent Root(nullptr);
  auto* Table = new TmtMemTable(&Root);
  Table->FieldDefs().Add("MemoItem", ftMemo, 0);
  Table->Open();
  Table->AppendRecord({Variant(Bytes)});
  TMemoryStream Out;
  try {
    LoadBlobFieldToStream(Table, "MemoItem", &Out);
  } catch (const EDecompressionLimitError&) {
    if (Out.Size() != 0) std::abort();  // no half value
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  std::string Bytes(reinterpret_cast<const char*>(Data + 1), Size - 1);
  Int64 Limit = (Data[0] & 2) ? 1000 : ZMaxInflatedSize;
  TMemoryStream Out;
  try {
    if (Data[0] & 1) {
      TPlainStream In(Bytes);
      ZDecompressStream(&In, &Out, Limit);
    } else {
      TStringStream In(Bytes);
      ZDecompressStream(&In, &Out, Limit);
    }
  } catch (const EZlibError&) {
  }
  if (Out.Size() > Limit) std::abort();
  ReadThroughAMemoField(Bytes);
  return 0;
}
