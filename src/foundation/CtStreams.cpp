#include "foundation/CtStreams.h"

#include <cstring>

#include "platform/rtl/byteorder.h"

RTL_IMPLEMENT_CLASS(TCtFiler, TObject, nullptr)
RTL_IMPLEMENT_CLASS(TCtReader, TCtFiler, nullptr)
RTL_IMPLEMENT_CLASS(TCtWriter, TCtFiler, nullptr)
RTL_IMPLEMENT_CLASS(TCtBinaryReader, TCtReader, nullptr)
RTL_IMPLEMENT_CLASS(TCtBinaryWriter, TCtWriter, nullptr)

namespace {

const char* const SInvalidElementType = "Invalid Element Type";

[[noreturn]] void InvalidElement() { throw EReadError(SInvalidElementType); }

// Number of significant bits of V (0 for 0).
int SignificantBits(std::uint64_t V) {
  int Bits = 0;
  while (V) {
    ++Bits;
    V >>= 1;
  }
  return Bits;
}

}  // namespace

TCtFiler::TCtFiler(TStream* Stream, Integer BufSize)
    : FStream(Stream), FBuffer(BufSize > 0 ? BufSize : 1) {}

// ---- reader ----------------------------------------------------------------

TCtReader::~TCtReader() {
  Integer Unread = FBufEnd - FBufPos;
  if (Unread > 0 && FStream) {
    try {
      FStream->Seek(-Unread, soCurrent);
    } catch (...) {
      // A stream that cannot seek back keeps its position; nothing to undo.
    }
  }
}

void TCtReader::Refill() {
  Int64 Got = FStream->Read(FBuffer.data(), static_cast<Int64>(FBuffer.size()));
  if (Got <= 0) throw EReadError(SReadError);
  FBufPos = 0;
  FBufEnd = static_cast<Integer>(Got);
}

void TCtReader::ReadBuffer(void* Buffer, Integer Count) {
  Byte* Out = static_cast<Byte*>(Buffer);
  while (Count > 0) {
    if (FBufPos >= FBufEnd) Refill();
    Integer Take = std::min(Count, FBufEnd - FBufPos);
    std::memcpy(Out, FBuffer.data() + FBufPos, Take);
    FBufPos += Take;
    Out += Take;
    Count -= Take;
  }
}

Byte TCtReader::ReadByte() {
  Byte B;
  ReadBuffer(&B, 1);
  return B;
}

// ---- writer ----------------------------------------------------------------

TCtWriter::~TCtWriter() {
  try {
    FlushBuffer();
  } catch (...) {
  }
}

void TCtWriter::FlushBuffer() {
  if (FBufPos > 0) {
    Integer Count = FBufPos;
    FBufPos = 0;
    FStream->WriteBuffer(FBuffer.data(), Count);
  }
}

void TCtWriter::WriteBuffer(const void* Buffer, Integer Count) {
  const Byte* In = static_cast<const Byte*>(Buffer);
  while (Count > 0) {
    if (FBufPos >= static_cast<Integer>(FBuffer.size())) FlushBuffer();
    Integer Take = std::min(Count, static_cast<Integer>(FBuffer.size()) - FBufPos);
    std::memcpy(FBuffer.data() + FBufPos, In, Take);
    FBufPos += Take;
    In += Take;
    Count -= Take;
  }
}

// ---- binary reader ----------------------------------------------------------

std::uint64_t TCtBinaryReader::ReadPayload(int Length, bool SignExtend) {
  Byte Bytes[8];
  ReadBuffer(Bytes, Length);
  std::uint64_t V = rtl_bytes::LoadLE(Bytes, static_cast<std::size_t>(Length));
  if (SignExtend && Length < 8) V |= ~std::uint64_t(0) << (8 * Length);
  return V;
}

Integer TCtBinaryReader::ReadInteger() {
  Byte Tag = ReadByte();
  if (Tag < 1 || Tag > 11) InvalidElement();
  int Length = (Tag - 1) / 3 + 1;
  bool Negative = (Tag - 1) % 3 == 0;
  return static_cast<Integer>(ReadPayload(Length, Negative));
}

Cardinal TCtBinaryReader::ReadCardinal() {
  Byte Tag = ReadByte();
  if (Tag < 2 || Tag > 12 || (Tag - 1) % 3 == 0) InvalidElement();
  int Length = (Tag - 1) / 3 + 1;
  return static_cast<Cardinal>(ReadPayload(Length, false));
}

String TCtBinaryReader::ReadString() {
  Byte Tag = ReadByte();
  if (Tag == ctTagEmptyString || Tag == ctTagEmptyString2) return String();
  if (Tag < 30 || Tag > 33) InvalidElement();
  std::uint64_t Length = ReadPayload(Tag - ctTagEmptyString, false);
  String S(Length, '\0');
  if (Length) ReadBuffer(S.data(), static_cast<Integer>(Length));
  return S;
}

// ---- binary writer ----------------------------------------------------------

void TCtBinaryWriter::WriteTagged(Byte Tag, std::uint64_t Payload, int Length) {
  Byte Bytes[9];
  Bytes[0] = Tag;
  rtl_bytes::StoreLE(Bytes + 1, Payload, static_cast<std::size_t>(Length));
  WriteBuffer(Bytes, 1 + Length);
}

void TCtBinaryWriter::WriteInteger(Integer Value) {
  if (Value < 0) {
    // Room for the complement's significant bits plus a sign bit.
    int Bits = SignificantBits(static_cast<std::uint32_t>(~Value)) + 1;
    int Length = (Bits + 7) / 8;
    WriteTagged(CtIntTag(Length, 1), static_cast<std::uint32_t>(Value), Length);
    return;
  }
  WriteCardinal(static_cast<Cardinal>(Value));
}

void TCtBinaryWriter::WriteCardinal(Cardinal Value) {
  int Bits = SignificantBits(Value);
  if (Bits > 0 && Bits % 8 == 0) {
    WriteTagged(CtIntTag(Bits / 8, 3), Value, Bits / 8);
    return;
  }
  int Length = (Bits + 1 + 7) / 8;
  WriteTagged(CtIntTag(Length, 2), Value, Length);
}

void TCtBinaryWriter::WriteString(const String& Value) {
  if (Value.empty()) {
    WriteByte(ctTagEmptyString);
    return;
  }
  std::uint64_t Length = Value.size();
  int LengthBytes = 1;
  while (LengthBytes < 4 && (Length >> (8 * LengthBytes)) != 0) ++LengthBytes;
  WriteTagged(Byte(ctTagEmptyString + LengthBytes), Length, LengthBytes);
  WriteBuffer(Value.data(), static_cast<Integer>(Value.size()));
}
