#include "platform/rtl/streams.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// A stream that accepts only a fixed number of bytes, as a full disk does.
class TFullStream : public TMemoryStream {
 public:
  explicit TFullStream(Int64 Room) : FRoom(Room) {}
  Int64 Write(const void* Buffer, Int64 Count) override {
    Int64 N = std::min(Count, FRoom);
    FRoom -= N;
    return TMemoryStream::Write(Buffer, N);
  }

 private:
  Int64 FRoom;
};

class StreamTest : public ::testing::Test {
 protected:
  // Writes the bytes of Text to the memory stream and rewinds it.
  void Fill(const String& Text) {
    Mem.Clear();
    Mem.WriteString(Text);
    Mem.SetPosition(0);
  }
  String Content(TCustomMemoryStream& S) {
    return String(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
  }
  TMemoryStream Mem;
};

TEST_F(StreamTest, WrittenBytesReadBackAfterRewind) {
  Fill("Hallo Welt");
  char Buf[5];
  EXPECT_EQ(Mem.Read(Buf, 5), 5);
  EXPECT_EQ(String(Buf, 5), "Hallo");
  EXPECT_EQ(Mem.Position(), 5);
  EXPECT_EQ(Mem.Size(), 10);
}

TEST_F(StreamTest, ReadAtTheEndReturnsFewerBytes) {
  Fill("abc");
  char Buf[10];
  Mem.SetPosition(1);
  EXPECT_EQ(Mem.Read(Buf, 10), 2);
  EXPECT_EQ(Mem.Read(Buf, 10), 0);
}

TEST_F(StreamTest, ReadBufferPastTheEndRaisesReadError) {
  Fill("abc");
  char Buf[4];
  try {
    Mem.ReadBuffer(Buf, 4);
    FAIL() << "no exception";
  } catch (const EReadError& E) {
    EXPECT_EQ(E.Message(), "Stream-Lesefehler");
  }
}

TEST_F(StreamTest, WriteBufferOnAFullMediumRaisesWriteError) {
  TFullStream Full(3);
  EXPECT_THROW(Full.WriteBuffer("abcdef", 6), EWriteError);
  EXPECT_EQ(Full.Size(), 3);
  try {
    Full.WriteBuffer("x", 1);
  } catch (const EWriteError& E) {
    EXPECT_EQ(E.Message(), "Stream-Schreibfehler");
  }
}

TEST_F(StreamTest, SeekFromEveryOriginAndBothSpellings) {
  Fill("0123456789");
  EXPECT_EQ(Mem.Seek(3, soBeginning), 3);
  EXPECT_EQ(Mem.Seek(2, soCurrent), 5);
  EXPECT_EQ(Mem.Seek(-1, soEnd), 9);
  EXPECT_EQ(Mem.Seek(0, soFromBeginning), 0);
  EXPECT_EQ(Mem.Seek(4, soFromCurrent), 4);
  EXPECT_EQ(Mem.Seek(0, soFromEnd), 10);
}

TEST_F(StreamTest, SeekBeforeTheStartRaisesAndKeepsPosition) {
  Fill("abc");
  Mem.SetPosition(2);
  EXPECT_THROW(Mem.Seek(-3, soCurrent), EStreamError);
  EXPECT_EQ(Mem.Position(), 2);
}

TEST_F(StreamTest, WritingBeyondTheEndFillsTheGapWithZeros) {
  Fill("ab");
  Mem.Seek(5, soBeginning);
  Mem.WriteString("z");
  EXPECT_EQ(Content(Mem), String("ab\0\0\0z", 6));
}

TEST_F(StreamTest, SetSizeTruncatesAndPullsThePositionBack) {
  Fill("abcdef");
  Mem.Seek(0, soEnd);
  Mem.SetSize(2);
  EXPECT_EQ(Mem.Position(), 2);
  EXPECT_EQ(Content(Mem), "ab");
  Mem.SetSize(4);
  EXPECT_EQ(Content(Mem), String("ab\0\0", 4));
}

TEST_F(StreamTest, ClearEmptiesTheStream) {
  Fill("abc");
  Mem.Clear();
  EXPECT_EQ(Mem.Size(), 0);
  EXPECT_EQ(Mem.Position(), 0);
  EXPECT_EQ(Mem.Memory(), nullptr);
}

TEST_F(StreamTest, IntegersAreLittleEndian) {
  Mem.WriteInteger(-2);
  Mem.WriteWord(0x1234);
  Mem.WriteCardinal(0xA1B2C3D4u);
  Mem.WriteInt64(0x0102030405060708LL);
  Mem.WriteByte(0xFF);
  Mem.WriteSmallInt(-300);
  EXPECT_EQ(Content(Mem).substr(0, 6), String("\xFE\xFF\xFF\xFF\x34\x12", 6));
  Mem.SetPosition(0);
  EXPECT_EQ(Mem.ReadInteger(), -2);
  EXPECT_EQ(Mem.ReadWord(), 0x1234);
  EXPECT_EQ(Mem.ReadCardinal(), 0xA1B2C3D4u);
  EXPECT_EQ(Mem.ReadInt64(), 0x0102030405060708LL);
  EXPECT_EQ(Mem.ReadByte(), 0xFF);
  EXPECT_EQ(Mem.ReadSmallInt(), -300);
  EXPECT_THROW(Mem.ReadByte(), EReadError);
}

TEST_F(StreamTest, ReadStringStopsAtTheEnd) {
  Fill("abcdef");
  Mem.SetPosition(2);
  EXPECT_EQ(Mem.ReadString(2), "cd");
  EXPECT_EQ(Mem.ReadString(), "ef");
  EXPECT_EQ(Mem.ReadString(5), "");
}

TEST_F(StreamTest, CopyFromZeroCopiesTheWholeSourceFromItsStart) {
  Fill("whole source");
  Mem.SetPosition(6);
  TMemoryStream Dest;
  Dest.WriteString(">");
  EXPECT_EQ(Dest.CopyFrom(&Mem, 0), 12);
  EXPECT_EQ(Content(Dest), ">whole source");
  EXPECT_EQ(Mem.Position(), 12);
}

TEST_F(StreamTest, CopyFromCountCopiesFromTheCurrentPosition) {
  Fill("0123456789");
  Mem.SetPosition(3);
  TMemoryStream Dest;
  EXPECT_EQ(Dest.CopyFrom(&Mem, 4), 4);
  EXPECT_EQ(Content(Dest), "3456");
}

TEST_F(StreamTest, CopyFromMoreThanAvailableRaisesReadError) {
  Fill("0123");
  TMemoryStream Dest;
  EXPECT_THROW(Dest.CopyFrom(&Mem, 10), EReadError);
}

TEST_F(StreamTest, CopyFromLargerThanOneBlock) {
  String Big(MaxStreamBufSize * 2 + 17, 'x');
  for (std::size_t i = 0; i < Big.size(); ++i) Big[i] = static_cast<char>(i * 7);
  Fill(Big);
  TMemoryStream Dest;
  Dest.CopyFrom(&Mem, 0);
  EXPECT_EQ(Content(Dest), Big);
}

TEST_F(StreamTest, LoadFromStreamReplacesContentAndRewinds) {
  Fill("new content");
  Mem.SetPosition(4);
  TMemoryStream Target;
  Target.WriteString("old old old old");
  Target.LoadFromStream(&Mem);
  EXPECT_EQ(Content(Target), "new content");
  EXPECT_EQ(Target.Position(), 0);
}

TEST_F(StreamTest, SaveToStreamWritesEverythingAtTheTargetPosition) {
  Fill("abc");
  Mem.SetPosition(2);
  TStringStream Target("12345");
  Target.SetPosition(1);
  Mem.SaveToStream(&Target);
  EXPECT_EQ(Target.DataString(), "1abc5");
}

TEST_F(StreamTest, CapacityGrowsAheadOfSize) {
  for (int i = 0; i < 1000; ++i) Mem.WriteByte(static_cast<Byte>(i));
  EXPECT_EQ(Mem.Size(), 1000);
  EXPECT_GE(Mem.Capacity(), 1000);
  Mem.SetCapacity(10);  // never below the size
  EXPECT_EQ(Mem.Capacity(), 1000);
  EXPECT_EQ(static_cast<const Byte*>(Mem.Memory())[999], static_cast<Byte>(999));
}

// The block grows without zero-filling its reserve: bytes a shrink left
// behind in the reserve must not come back when the stream grows again.
TEST_F(StreamTest, GrowingAgainAfterAShrinkReadsZerosNotOldBytes) {
  String Text(100, 'x');
  Mem.WriteString(Text);
  Mem.SetSize(10);
  EXPECT_EQ(Mem.Capacity() >= 100, true);  // the reserve is kept
  Mem.SetSize(100);
  EXPECT_EQ(Content(Mem), String(10, 'x') + String(90, '\0'));
  Mem.SetPosition(200);  // a gap written over reads as zeros too
  Mem.WriteByte(7);
  EXPECT_EQ(Content(Mem).substr(100), String(100, '\0') + '\7');
}

TEST_F(StreamTest, AGrowingBlockKeepsEveryByteThroughManyMoves) {
  std::string Expected;
  for (int I = 0; I < 300000; ++I) {
    std::string Piece = std::to_string(I * 7919LL) + ";";
    Mem.WriteString(Piece);
    Expected += Piece;
  }
  EXPECT_EQ(Content(Mem), Expected);
  Mem.SetCapacity(Mem.Size());  // trimming to the size keeps the content
  EXPECT_EQ(Mem.Capacity(), Mem.Size());
  EXPECT_EQ(Content(Mem), Expected);
  Mem.Clear();
  EXPECT_EQ(Mem.Capacity(), 0);
  EXPECT_EQ(Mem.Memory(), nullptr);
}

TEST(StringStreamTest, StartsWithTheTextAtPositionZero) {
  TStringStream S("Grüße");
  EXPECT_EQ(S.Position(), 0);
  EXPECT_EQ(S.Size(), 7);
  EXPECT_EQ(S.DataString(), "Grüße");
  S.Seek(0, soEnd);
  S.WriteString("!");
  EXPECT_EQ(S.DataString(), "Grüße!");
}

TEST(ReadOnlyMemoryStreamTest, ReadsTheBlockAndRefusesChanges) {
  static const char Data[] = "resource";
  TReadOnlyMemoryStream S(Data, 8);
  EXPECT_EQ(S.ReadString(), "resource");
  EXPECT_EQ(S.Memory(), Data);
  EXPECT_THROW(S.Write("x", 1), EStreamError);
  EXPECT_THROW(S.SetSize(2), EStreamError);
  EXPECT_EQ(S.Size(), 8);
}

TEST(StreamClassTest, MetaclassesFollowTheHierarchy) {
  std::unique_ptr<TObject> S(TStringStream::StaticClass()->Create());
  ASSERT_NE(S, nullptr);
  EXPECT_TRUE(S->Is<TMemoryStream>());
  EXPECT_TRUE(S->Is<TStream>());
  EXPECT_EQ(S->ClassName(), "TStringStream");
}

}  // namespace
