#include "foundation/ZLibStreams.h"

#include <cstring>
#include <vector>

#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(EZlibError, Exception, nullptr)
RTL_IMPLEMENT_CLASS(ECompressionError, EZlibError, nullptr)
RTL_IMPLEMENT_CLASS(EDecompressionError, EZlibError, nullptr)
RTL_IMPLEMENT_CLASS(EDecompressionLimitError, EDecompressionError, nullptr)

namespace {

constexpr uInt BufferSize = 65536;
constexpr uInt WindowSize = 32768;

const int LevelTable[] = {0, 1, -1, 9};
const int WindowBitsTable[] = {15, 31, -15};

// A memory stream whose bytes can be used in place, or null.
TCustomMemoryStream* AsMemory(TStream* S) { return dynamic_cast<TCustomMemoryStream*>(S); }

Byte* MemoryAt(TCustomMemoryStream* S, Int64 Pos) { return static_cast<Byte*>(S->Memory()) + Pos; }

}  // namespace

int ZCompressCheck(int Code) {
  if (Code < 0) throw ECompressionError("error");
  return Code;
}

int ZDecompressCheck(int Code) {
  if (Code < 0) throw EDecompressionError("error");
  return Code;
}

// ---- compression ------------------------------------------------------------------

namespace {

class TDeflater {
 public:
  TDeflater(TStream* In, TStream* Out, bool Direct) : FIn(In), FOut(Out) {
    FInMem = AsMemory(In);
    FOutMem = Direct ? dynamic_cast<TMemoryStream*>(Out) : nullptr;
    if (!FInMem) FInBuf.resize(BufferSize);
    if (!FOutMem) FOutBuf.resize(BufferSize);
  }

  void Run(int Level, int WindowBits) {
    ZCompressCheck(deflateInit2(&Z, Level, Z_DEFLATED, WindowBits, 9, Z_DEFAULT_STRATEGY));
    try {
      StartInput();
      OfferOutput();
      for (;;) {
        if (!FInMem && Z.avail_in == 0) Refill();
        if (Z.avail_out == 0) Flush();
        if (Z.avail_in == 0) break;
        ZCompressCheck(deflate(&Z, Z_NO_FLUSH));
      }
      int R;
      do {
        if (Z.avail_out == 0) Flush();
        R = ZCompressCheck(deflate(&Z, Z_FINISH));
        Flush();
      } while (R != Z_STREAM_END);
      Finish();
    } catch (...) {
      deflateEnd(&Z);
      throw;
    }
    ZCompressCheck(deflateEnd(&Z));
  }

 private:
  void StartInput() {
    if (FInMem) {
      Int64 Pos = FInMem->Position();
      Int64 Avail = FInMem->Size() - Pos;
      Z.next_in = Avail > 0 ? MemoryAt(FInMem, Pos) : nullptr;
      Z.avail_in = Avail > 0 ? uInt(Avail) : 0;
      FInStart = Pos;
    }
  }
  void Refill() {
    Int64 Got = FIn->Read(FInBuf.data(), BufferSize);
    Z.next_in = FInBuf.data();
    Z.avail_in = Got > 0 ? uInt(Got) : 0;
  }
  // Points zlib at the output space: the buffer, or the memory stream from
  // its position to its end (grown by 64 KB when none is left).
  void OfferOutput() {
    if (!FOutMem) {
      Z.next_out = FOutBuf.data();
      Z.avail_out = BufferSize;
      return;
    }
    Int64 Pos = FOutMem->Position();
    if (FOutMem->Size() - Pos <= 0) FOutMem->SetSize(Pos + BufferSize);
    Z.next_out = MemoryAt(FOutMem, Pos);
    Z.avail_out = uInt(FOutMem->Size() - Pos);
    FOfferStart = Z.next_out;
  }
  void Flush() {
    if (!FOutMem) {
      uInt Produced = BufferSize - Z.avail_out;
      if (Produced) FOut->WriteBuffer(FOutBuf.data(), Produced);
    } else {
      FOutMem->Seek(Z.next_out - FOfferStart, soCurrent);
    }
    OfferOutput();
  }
  void Finish() {
    if (FOutMem) FOutMem->SetSize(FOutMem->Position());
    if (FInMem) FInMem->SetPosition(FInStart + Int64(Z.total_in));
    else if (Z.avail_in) FIn->Seek(-Int64(Z.avail_in), soCurrent);
  }

  z_stream Z{};
  TStream* FIn;
  TStream* FOut;
  TCustomMemoryStream* FInMem;
  TMemoryStream* FOutMem;
  std::vector<Byte> FInBuf, FOutBuf;
  Int64 FInStart = 0;
  Byte* FOfferStart = nullptr;
};

}  // namespace

void ZCompressStream(TStream* InStream, TStream* OutStream, TZCompressionLevel Level, bool DirectOutput,
                     TZStreamType StreamType) {
  TDeflater D(InStream, OutStream, DirectOutput);
  D.Run(LevelTable[Level], WindowBitsTable[StreamType]);
}

// ---- decompression ------------------------------------------------------------------

int DetectZStreamType(z_stream& Z, gz_header* Header) {
  for (int Type = 0; Type < 2; ++Type) {
    z_stream T{};
    Byte NoOutput = 0;  // inflate insists on an output pointer; Z_BLOCK needs no room
    T.next_out = &NoOutput;
    T.avail_out = 0;
    T.next_in = Z.next_in;
    T.avail_in = Z.avail_in;
    ZDecompressCheck(inflateInit2(&T, WindowBitsTable[Type]));
    if (Type == 1 && Header) ZDecompressCheck(inflateGetHeader(&T, Header));
    int R = inflate(&T, Z_BLOCK);
    ZDecompressCheck(inflateEnd(&T));
    if (R == Z_OK) {
      Z.next_in = T.next_in;
      Z.avail_in = T.avail_in;
      return Type;
    }
  }
  return 2;
}

namespace {

struct TInflateWork {
  TStream* In;
  TStream* Out;
  TCustomMemoryStream* InMem;
  std::vector<Byte> Buffer = std::vector<Byte>(BufferSize);
  std::vector<Byte> Window = std::vector<Byte>(WindowSize);
  Int64 Room = ZMaxInflatedSize;  // bytes OutStream may still receive
  bool FirstChunkTaken = false;
  bool OverLimit = false;

  // The next piece of input: the rest of a memory stream at once, else up
  // to 64 KB read into the buffer. Zero bytes at the end.
  unsigned NextChunk(z_const unsigned char** Buf) {
    if (InMem) {
      if (FirstChunkTaken) return 0;
      FirstChunkTaken = true;
      Int64 Pos = InMem->Position();
      Int64 Avail = InMem->Size() - Pos;
      InMem->Seek(0, soEnd);
      *Buf = Avail > 0 ? MemoryAt(InMem, Pos) : Buffer.data();
      return Avail > 0 ? unsigned(Avail) : 0;
    }
    Int64 Got = In->Read(Buffer.data(), BufferSize);
    *Buf = Buffer.data();
    return Got > 0 ? unsigned(Got) : 0;
  }
};

unsigned InFunc(void* Desc, z_const unsigned char** Buf) { return static_cast<TInflateWork*>(Desc)->NextChunk(Buf); }

int OutFunc(void* Desc, unsigned char* Buf, unsigned Len) {
  auto* W = static_cast<TInflateWork*>(Desc);
  if (Int64(Len) > W->Room) {
    W->OverLimit = true;
    return 1;
  }
  W->Room -= Len;
  return W->Out->Write(Buf, Len) == Int64(Len) ? 0 : 1;
}

}  // namespace

void ZDecompressStream(TStream* InStream, TStream* OutStream, Int64 MaxOutput) {
  TInflateWork W{InStream, OutStream, AsMemory(InStream)};
  W.Room = MaxOutput;
  z_stream Z{};
  z_const unsigned char* First = nullptr;
  Z.avail_in = W.NextChunk(&First);
  Z.next_in = First;
  DetectZStreamType(Z);
  ZDecompressCheck(inflateBackInit(&Z, 15, W.Window.data()));
  int R = inflateBack(&Z, InFunc, &W, OutFunc, &W);
  // Z_BUF_ERROR: the input ended before the deflate data did.
  if (R != Z_STREAM_END) {
    inflateBackEnd(&Z);
    if (W.OverLimit)
      throw EDecompressionLimitError("Die entpackten Daten überschreiten die zulässige Größe von " +
                                     IntToStr(Integer(MaxOutput / 1024)) + " KB");
    throw EDecompressionError("error");
  }
  if (Z.avail_in) InStream->Seek(-Int64(Z.avail_in), soCurrent);
  ZDecompressCheck(inflateBackEnd(&Z));
}
