#include "foundation/ZLibStreams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

// A stream that is not a memory stream, so the buffered paths run.
class TPlainStream : public TStream {
 public:
  explicit TPlainStream(std::string Bytes = {}) : Data(std::move(Bytes)) {}
  Int64 Read(void* Buffer, Int64 Count) override {
    Int64 N = std::min<Int64>(Count, Int64(Data.size()) - Pos);
    if (N <= 0) return 0;
    std::memcpy(Buffer, Data.data() + Pos, N);
    Pos += N;
    return N;
  }
  Int64 Write(const void* Buffer, Int64 Count) override {
    if (Pos + Count > Int64(Data.size())) Data.resize(Pos + Count);
    std::memcpy(Data.data() + Pos, Buffer, Count);
    Pos += Count;
    return Count;
  }
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override {
    Pos = (Origin == soBeginning ? 0 : Origin == soCurrent ? Pos : Int64(Data.size())) + Offset;
    return Pos;
  }
  std::string Data;
  Int64 Pos = 0;
};

std::string Bytes(TMemoryStream& S) { return std::string(static_cast<char*>(S.Memory()), S.Size()); }

std::string Deflated(const std::string& Text, int WindowBits) {
  z_stream Z{};
  deflateInit2(&Z, 6, Z_DEFLATED, WindowBits, 8, Z_DEFAULT_STRATEGY);
  std::string Out(deflateBound(&Z, Text.size()) + 32, '\0');
  Z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Text.data()));
  Z.avail_in = uInt(Text.size());
  Z.next_out = reinterpret_cast<Bytef*>(Out.data());
  Z.avail_out = uInt(Out.size());
  deflate(&Z, Z_FINISH);
  Out.resize(Z.total_out);
  deflateEnd(&Z);
  return Out;
}

std::string Inflated(const std::string& Packed) {
  TStringStream In(Packed);
  TMemoryStream Out;
  ZDecompressStream(&In, &Out);
  return Bytes(Out);
}

std::string Sample(size_t N) {
  std::mt19937 Rng(3);
  std::string S(N, '\0');
  for (char& C : S) C = "Auftrag Adresse 0123456789 "[Rng() % 27];
  return S;
}

}  // namespace

TEST(ZLibStreams, AnEmptyStreamCompressesToTheEightByteZlibStream) {
  TMemoryStream In, Out;
  ZCompressStream(&In, &Out, zcFastest, true, zsZLib);
  EXPECT_EQ(Bytes(Out), std::string("\x78\x01\x03\x00\x00\x00\x00\x01", 8));
  Out.SetPosition(0);
  TMemoryStream Back;
  ZDecompressStream(&Out, &Back);
  EXPECT_EQ(Back.Size(), 0);
}

TEST(ZLibStreams, DirectAndBufferedPathsRoundTripLargeData) {
  std::string Text = Sample(300000);
  TStringStream In(Text);
  TMemoryStream Direct;
  ZCompressStream(&In, &Direct, zcFastest, true, zsZLib);
  EXPECT_EQ(In.Position(), Int64(Text.size()));
  EXPECT_LT(Direct.Size(), Int64(Text.size()));
  TPlainStream Plain(Text), Buffered;
  ZCompressStream(&Plain, &Buffered, zcFastest, false, zsZLib);
  EXPECT_EQ(Buffered.Data, Bytes(Direct));
  EXPECT_EQ(Inflated(Bytes(Direct)), Text);
  TPlainStream PackedPlain(Buffered.Data);
  TPlainStream Back;
  ZDecompressStream(&PackedPlain, &Back);
  EXPECT_EQ(Back.Data, Text);
}

TEST(ZLibStreams, GzipAndRawDeflateAreDetectedAndRead) {
  std::string Text = Sample(5000);
  EXPECT_EQ(Inflated(Deflated(Text, 31)), Text);
  EXPECT_EQ(Inflated(Deflated(Text, -15)), Text);
  TMemoryStream In, Gz;
  In.WriteString(Text);
  In.SetPosition(0);
  ZCompressStream(&In, &Gz, zcMax, true, zsGZip);
  EXPECT_EQ(Bytes(Gz).substr(0, 2), "\x1f\x8b");
  EXPECT_EQ(Inflated(Bytes(Gz)), Text);
}

TEST(ZLibStreams, AWrongTrailerIsNotChecked) {
  std::string Packed = Deflated("Kelpo-Laptop-Installer", 15);
  Packed[Packed.size() - 1] ^= 0x55;
  EXPECT_EQ(Inflated(Packed), "Kelpo-Laptop-Installer");
}

TEST(ZLibStreams, TheInputStopsRightAfterTheDeflateData) {
  std::string Packed = Deflated("abc", 15) + "TRAILING";
  TPlainStream In(Packed);
  TMemoryStream Out;
  ZDecompressStream(&In, &Out);
  // The Adler-32 trailer (4 bytes) and what follows stay unread.
  EXPECT_EQ(In.Pos, Int64(Packed.size() - 8 - 4));
}

TEST(ZLibStreams, PlainTextAndTruncatedDataRaise) {
  EXPECT_THROW(Inflated("just some plain text, not deflate"), EDecompressionError);
  std::string Packed = Deflated(Sample(10000), 15);
  EXPECT_THROW(Inflated(Packed.substr(0, Packed.size() / 2)), EDecompressionError);
  try {
    ZCompressCheck(Z_STREAM_ERROR);
  } catch (const EZlibError& E) {
    EXPECT_EQ(E.Message(), "error");
  }
}

TEST(ZLibStreams, DataInflatingBeyondTheLimitIsRefusedBeforeItIsKept) {
  std::string Bomb = Deflated(std::string(ZMaxInflatedSize + 1, '\0'), 15);
  ASSERT_LT(Bomb.size(), 64u * 1024);
  TStringStream In(Bomb);
  TPlainStream Out;
  EXPECT_THROW(ZDecompressStream(&In, &Out), EDecompressionLimitError);
  EXPECT_LE(Int64(Out.Data.size()), ZMaxInflatedSize);
  TStringStream Small(Deflated(std::string(5000, 'x'), 15));
  TMemoryStream Kept;
  EXPECT_THROW(ZDecompressStream(&Small, &Kept, 4999), EDecompressionLimitError);
  Small.Seek(0, soBeginning);
  Kept.Clear();
  ZDecompressStream(&Small, &Kept, 5000);
  EXPECT_EQ(std::string(5000, 'x'), Bytes(Kept));
}
