#include "platform/rtl/streams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/rtl/byteorder.h"

const char* const SReadError = "Stream-Lesefehler";
const char* const SWriteError = "Stream-Schreibfehler";
const char* const SInvalidStreamFormat = "Ungültiges Stream-Format";

namespace {
const char* const SSeekBeforeStart = "Ungültige Stream-Position";
const char* const SReadOnlyStream = "Ressourcen-Stream kann nicht bearbeitet werden";
}  // namespace

RTL_IMPLEMENT_CLASS(TStream, TObject, nullptr)
RTL_IMPLEMENT_CLASS(TCustomMemoryStream, TStream, nullptr)
RTL_IMPLEMENT_CLASS(TMemoryStream, TCustomMemoryStream,
                    [](TObject*) -> TObject* { return new TMemoryStream(); })
RTL_IMPLEMENT_CLASS(TStringStream, TMemoryStream,
                    [](TObject*) -> TObject* { return new TStringStream(); })
RTL_IMPLEMENT_CLASS(TReadOnlyMemoryStream, TCustomMemoryStream, nullptr)

// ---- TStream ---------------------------------------------------------------

void TStream::SetSize(Int64) {}

Int64 TStream::GetSize() {
  Int64 Pos = Seek(0, soCurrent);
  Int64 End = Seek(0, soEnd);
  Seek(Pos, soBeginning);
  return End;
}

void TStream::ReadBuffer(void* Buffer, Int64 Count) {
  if (Count > 0 && Read(Buffer, Count) != Count) throw EReadError(SReadError);
}

void TStream::WriteBuffer(const void* Buffer, Int64 Count) {
  if (Count > 0 && Write(Buffer, Count) != Count) throw EWriteError(WriteFailureText(Count));
}

String TStream::WriteFailureText(Int64) { return SWriteError; }

Int64 TStream::CopyFrom(TStream* Source, Int64 Count) {
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  Int64 Result = Count;
  std::vector<Byte> Buffer(static_cast<std::size_t>(std::min(Count, MaxStreamBufSize)));
  while (Count > 0) {
    Int64 N = std::min(Count, MaxStreamBufSize);
    Source->ReadBuffer(Buffer.data(), N);
    WriteBuffer(Buffer.data(), N);
    Count -= N;
  }
  return Result;
}

std::uint64_t TStream::ReadLE(int N) {
  Byte Bytes[8];
  ReadBuffer(Bytes, N);
  return rtl_bytes::LoadLE(Bytes, static_cast<std::size_t>(N));
}

void TStream::WriteLE(std::uint64_t V, int N) {
  Byte Bytes[8];
  rtl_bytes::StoreLE(Bytes, V, static_cast<std::size_t>(N));
  WriteBuffer(Bytes, N);
}

Byte TStream::ReadByte() { return static_cast<Byte>(ReadLE(1)); }

Word TStream::ReadWord() { return static_cast<Word>(ReadLE(2)); }

std::int16_t TStream::ReadSmallInt() { return static_cast<std::int16_t>(ReadWord()); }

Cardinal TStream::ReadCardinal() { return static_cast<Cardinal>(ReadLE(4)); }

Integer TStream::ReadInteger() { return static_cast<Integer>(ReadCardinal()); }

Int64 TStream::ReadInt64() { return static_cast<Int64>(ReadLE(8)); }

void TStream::WriteByte(Byte V) { WriteLE(V, 1); }
void TStream::WriteWord(Word V) { WriteLE(V, 2); }
void TStream::WriteSmallInt(std::int16_t V) { WriteLE(static_cast<Word>(V), 2); }
void TStream::WriteInteger(Integer V) { WriteLE(static_cast<Cardinal>(V), 4); }
void TStream::WriteCardinal(Cardinal V) { WriteLE(V, 4); }
void TStream::WriteInt64(Int64 V) { WriteLE(static_cast<std::uint64_t>(V), 8); }

String TStream::ReadString(Int64 Count) {
  if (Count < 0) Count = std::max<Int64>(0, Size() - Position());
  String S(static_cast<std::size_t>(Count), '\0');
  Int64 Got = Count > 0 ? Read(S.data(), Count) : 0;
  S.resize(static_cast<std::size_t>(std::max<Int64>(0, Got)));
  return S;
}

void TStream::WriteString(const String& S) { WriteBuffer(S.data(), static_cast<Int64>(S.size())); }

// ---- TCustomMemoryStream ---------------------------------------------------

Int64 TCustomMemoryStream::Read(void* Buffer, Int64 Count) {
  if (Count <= 0 || FPosition >= FSize) return 0;
  Int64 N = std::min(Count, FSize - FPosition);
  std::memcpy(Buffer, static_cast<Byte*>(FMemory) + FPosition, static_cast<std::size_t>(N));
  FPosition += N;
  return N;
}

Int64 TCustomMemoryStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  Int64 Base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPosition : FSize;
  if (Base + Offset < 0) throw EStreamError(SSeekBeforeStart);
  FPosition = Base + Offset;
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) { Stream->WriteBuffer(FMemory, FSize); }

void TCustomMemoryStream::SetPointer(void* Ptr, Int64 Size) {
  FMemory = Ptr;
  FSize = Size;
}

// ---- TMemoryStream ---------------------------------------------------------

void TMemoryStream::TFreeBlock::operator()(Byte* P) const { std::free(P); }

void TMemoryStream::SetCapacity(Int64 NewCapacity) {
  NewCapacity = std::max(NewCapacity, Size());
  if (NewCapacity == FCapacity) return;
  if (NewCapacity == 0) {
    FData.reset();
  } else {
    void* Grown = std::realloc(FData.get(), static_cast<std::size_t>(NewCapacity));
    if (!Grown) throw EOutOfMemory("Zu wenig Arbeitsspeicher");
    static_cast<void>(FData.release());
    FData.reset(static_cast<Byte*>(Grown));
  }
  FCapacity = NewCapacity;
  SetPointer(FData.get(), Size());
}

// Grows the block in steps that at least double it, so that many small
// writes cost amortised constant time.
void TMemoryStream::Grow(Int64 MinSize) {
  if (MinSize <= Capacity()) return;
  SetCapacity(std::max(MinSize, std::max<Int64>(Capacity() * 2, 8192)));
}

void TMemoryStream::SetSize(Int64 NewSize) {
  if (NewSize < 0) NewSize = 0;
  Int64 OldSize = Size();
  Grow(NewSize);
  if (NewSize > OldSize) std::memset(FData.get() + OldSize, 0, static_cast<std::size_t>(NewSize - OldSize));
  SetPointer(FData.get(), NewSize);
  if (FPosition > NewSize) FPosition = NewSize;
}

Int64 TMemoryStream::Write(const void* Buffer, Int64 Count) {
  if (Count <= 0) return 0;
  Int64 End = FPosition + Count;
  if (FPosition > Size()) SetSize(FPosition);  // the gap reads as zeros
  if (End > Size()) {
    // The new bytes are written at once: no zero fill first.
    Grow(End);
    SetPointer(FData.get(), End);
  }
  std::memcpy(FData.get() + FPosition, Buffer, static_cast<std::size_t>(Count));
  FPosition = End;
  return Count;
}

void TMemoryStream::Clear() {
  FData.reset();
  FCapacity = 0;
  SetPointer(nullptr, 0);
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  Int64 N = Stream->Size();
  SetSize(N);
  FPosition = 0;
  if (N > 0) Stream->ReadBuffer(FData.get(), N);
}

// ---- TStringStream ---------------------------------------------------------

TStringStream::TStringStream(const String& AString) {
  WriteString(AString);
  FPosition = 0;
}

String TStringStream::DataString() const {
  return String(static_cast<const char*>(Memory()), static_cast<std::size_t>(MemorySize()));
}

// ---- TReadOnlyMemoryStream -------------------------------------------------

TReadOnlyMemoryStream::TReadOnlyMemoryStream(const void* Data, Int64 Size) {
  SetPointer(const_cast<void*>(Data), Size);
}

Int64 TReadOnlyMemoryStream::Write(const void*, Int64) { throw EStreamError(SReadOnlyStream); }

void TReadOnlyMemoryStream::SetSize(Int64) { throw EStreamError(SReadOnlyStream); }
