#include "foundation/CtStreams.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Encodes with a writer and returns the bytes.
template <class Fn>
std::vector<Byte> Encode(Fn Write) {
  TMemoryStream S;
  {
    TCtBinaryWriter W(&S, 16);
    Write(W);
  }
  auto* P = static_cast<Byte*>(S.Memory());
  return std::vector<Byte>(P, P + S.Size());
}

std::vector<Byte> EncodeInt(Integer V) {
  return Encode([&](TCtWriter& W) { W.WriteInteger(V); });
}

TStringStream* StreamOf(const std::vector<Byte>& Bytes) {
  return new TStringStream(String(Bytes.begin(), Bytes.end()));
}

}  // namespace

TEST(TaggedStream, SmallIntegersTakeTheShortestTag) {
  EXPECT_EQ(EncodeInt(0), (std::vector<Byte>{2, 0}));
  EXPECT_EQ(EncodeInt(127), (std::vector<Byte>{2, 127}));
  EXPECT_EQ(EncodeInt(128), (std::vector<Byte>{3, 128}));
  EXPECT_EQ(EncodeInt(255), (std::vector<Byte>{3, 255}));
  EXPECT_EQ(EncodeInt(256), (std::vector<Byte>{5, 0, 1}));
  EXPECT_EQ(EncodeInt(-1), (std::vector<Byte>{1, 255}));
  EXPECT_EQ(EncodeInt(-128), (std::vector<Byte>{1, 0x80}));
  EXPECT_EQ(EncodeInt(-129), (std::vector<Byte>{4, 0x7F, 0xFF}));
  EXPECT_EQ(EncodeInt(0x7FFFFFFF), (std::vector<Byte>{11, 0xFF, 0xFF, 0xFF, 0x7F}));
}

TEST(TaggedStream, CardinalsWithTheTopBitSetUseTheUnsignedTag) {
  auto Bytes = Encode([](TCtWriter& W) { W.WriteCardinal(0x80000000u); });
  EXPECT_EQ(Bytes, (std::vector<Byte>{12, 0, 0, 0, 0x80}));
  std::unique_ptr<TStringStream> S(StreamOf(Bytes));
  TCtBinaryReader R(S.get(), 16);
  EXPECT_EQ(R.ReadCardinal(), 0x80000000u);
}

TEST(TaggedStream, IntegersRoundTripAcrossTheWholeRange) {
  std::vector<Integer> Values{0, 1, -1, 127, 128, -128, -129, 255, 256, 32767, 32768, -32768, -32769,
                              0xFFFFFF, 0x1000000, -0x800000, -0x800001, 0x7FFFFFFF, INT32_MIN};
  TMemoryStream S;
  {
    TCtBinaryWriter W(&S, 7);  // a tiny buffer forces flushes mid-element
    for (Integer V : Values) W.WriteInteger(V);
  }
  S.SetPosition(0);
  TCtBinaryReader R(&S, 5);
  for (Integer V : Values) EXPECT_EQ(R.ReadInteger(), V);
}

TEST(TaggedStream, StringsCarryTheirLengthInAsFewBytesAsNeeded) {
  EXPECT_EQ(Encode([](TCtWriter& W) { W.WriteString(""); }), (std::vector<Byte>{29}));
  auto Short = Encode([](TCtWriter& W) { W.WriteString("ab"); });
  EXPECT_EQ(Short, (std::vector<Byte>{30, 2, 'a', 'b'}));
  auto Long = Encode([](TCtWriter& W) { W.WriteString(String(300, 'x')); });
  ASSERT_EQ(Long.size(), 3u + 300u);
  EXPECT_EQ(Long[0], 31);
  EXPECT_EQ(Long[1], 300 & 0xFF);
  EXPECT_EQ(Long[2], 300 >> 8);
}

TEST(TaggedStream, TagThirtyFourReadsAsAnEmptyString) {
  std::unique_ptr<TStringStream> S(StreamOf({34, 30, 1, 'z'}));
  TCtBinaryReader R(S.get(), 16);
  EXPECT_EQ(R.ReadString(), "");
  EXPECT_EQ(R.ReadString(), "z");
}

TEST(TaggedStream, UnexpectedTagsRaiseTheReadError) {
  std::unique_ptr<TStringStream> S(StreamOf({12, 0, 0, 0, 0x80}));
  TCtBinaryReader R(S.get(), 16);
  try {
    R.ReadInteger();
    FAIL() << "tag 12 accepted as integer";
  } catch (const EReadError& E) {
    EXPECT_EQ(E.Message(), "Invalid Element Type");
  }
  std::unique_ptr<TStringStream> S2(StreamOf({1, 0xFF}));
  TCtBinaryReader R2(S2.get(), 16);
  EXPECT_THROW(R2.ReadCardinal(), EReadError);
  std::unique_ptr<TStringStream> S3(StreamOf({2, 5}));
  TCtBinaryReader R3(S3.get(), 16);
  EXPECT_THROW(R3.ReadString(), EReadError);
}

TEST(TaggedStream, ATruncatedStreamRaisesTheStreamReadError) {
  std::unique_ptr<TStringStream> S(StreamOf({5, 1}));
  TCtBinaryReader R(S.get(), 16);
  EXPECT_THROW(R.ReadInteger(), EReadError);
}

TEST(TaggedStream, DestroyingAReaderLeavesTheStreamAfterTheLastElementRead) {
  std::unique_ptr<TStringStream> S(StreamOf({2, 7, 2, 8, 2, 9}));
  {
    TCtBinaryReader R(S.get(), 4096);
    EXPECT_EQ(R.ReadInteger(), 7);
  }
  EXPECT_EQ(S->Position(), 2);
}
