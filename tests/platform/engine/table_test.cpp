// Tables through the entry points: every field type and its null image,
// records surviving close and reopen, natural-order navigation, bookmarks
// and damaged files.
#include <cstring>

#include "engine_fixture.h"

namespace {

const char* kAllTypes =
    "L,Logical;N,Numeric,8,2;D,Date;C,Character,10;M,Memo;B,Binary;IMG,Image;V,VarChar;"
    "CD,CompactDate;DB,Double;IN,Integer;SI,ShortInt;T,Time;TS,TimeStamp;AI,AutoInc;"
    "R,Raw,4;CU,CurDouble;CI,CICharacter,6";

class TableTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    OakSetDateFormat("DD.MM.YYYY");
  }
  std::vector<std::uint8_t> Raw(OAKHANDLE T) {
    UNSIGNED32 Len = 0;
    OakGetRecordLength(T, &Len);
    std::vector<std::uint8_t> Buf(Len);
    EXPECT_EQ(0u, OakGetRecord(T, Buf.data(), &Len));
    return Buf;
  }
  const std::uint8_t* At(const std::vector<std::uint8_t>& Rec, OAKHANDLE T, const char* F) {
    UNSIGNED32 Off = 0;
    EXPECT_EQ(0u, OakGetFieldOffset(T, Fld(T, F), &Off));
    return Rec.data() + Off;
  }
  OAKHANDLE Reopen(OAKHANDLE T, const char* Name) {
    EXPECT_EQ(0u, OakCloseTable(T));
    OAKHANDLE N = OpenOk(Name);
    EXPECT_EQ(0u, OakGotoTop(N));
    return N;
  }
  void Truncate(const std::string& File, size_t Cut) {
    auto Size = std::filesystem::file_size(PathOf(File));
    std::filesystem::resize_file(PathOf(File), Size - Cut);
  }
};

TEST_F(TableTest, EmptyRecordHoldsTheNullImageOfEveryTypeAfterReopen) {
  OAKHANDLE T = Create("types", kAllTypes);
  Add(T, {});
  T = Reopen(T, "types");
  auto R = Raw(T);
  const std::uint8_t DoubleNull[8] = {0x20, 0, 0, 0, 0, 0, 0, 0x80};
  EXPECT_EQ(' ', *At(R, T, "L"));
  EXPECT_EQ(0, std::memcmp(At(R, T, "DB"), DoubleNull, 8));
  EXPECT_EQ(0, std::memcmp(At(R, T, "CU"), DoubleNull, 8));
  const std::uint8_t IntNull[4] = {0, 0, 0, 0x80}, ShortNull[2] = {0, 0x80};
  EXPECT_EQ(0, std::memcmp(At(R, T, "IN"), IntNull, 4));
  EXPECT_EQ(0, std::memcmp(At(R, T, "SI"), ShortNull, 2));
  const std::uint8_t Ones[4] = {0xFF, 0xFF, 0xFF, 0xFF}, Zero[10] = {};
  EXPECT_EQ(0, std::memcmp(At(R, T, "T"), Ones, 4));
  EXPECT_EQ(0, std::memcmp(At(R, T, "TS"), Zero, 4));
  for (const char* F : {"N", "D", "C", "M", "B", "IMG", "V", "CD", "R", "CI"})
    EXPECT_EQ(0, std::memcmp(At(R, T, F), Zero, 3)) << F;
  for (const char* F : {"L", "N", "D", "C", "M", "B", "CD", "DB", "IN", "SI", "T", "TS", "CU"})
    EXPECT_TRUE(Empty(T, F)) << F;
  EXPECT_EQ("1", Get(T, "AI"));  // autoincrement is assigned on write
  EXPECT_EQ(' ', R[0]);          // not deleted
}

TEST_F(TableTest, EveryTypeRoundTripsThroughTheFiles) {
  OAKHANDLE T = Create("types", kAllTypes);
  Add(T, {{"L", "T"}, {"N", "12.5"}, {"D", "31.12.2024"}, {"C", "Müller"}, {"M", "a memo"},
          {"B", std::string("\0\1\2", 3)}, {"V", "varchar"}, {"CD", "29.02.2024"},
          {"DB", "3.25"}, {"IN", "-42"}, {"SI", "7"}, {"T", "13:14:15"},
          {"TS", "01.02.2003 04:05:06"}, {"R", "ab"}, {"CU", "19.99"}, {"CI", "Zz"}});
  T = Reopen(T, "types");
  EXPECT_EQ("T", Get(T, "L"));
  EXPECT_EQ("12.50", Get(T, "N"));
  EXPECT_EQ("31.12.2024", Get(T, "D"));
  EXPECT_EQ("Müller", Get(T, "C"));
  EXPECT_EQ("a memo", Get(T, "M"));
  EXPECT_EQ(std::string("\0\1\2", 3), Get(T, "B", OAK_NONE));
  EXPECT_EQ("varchar", Get(T, "V"));
  EXPECT_EQ("29.02.2024", Get(T, "CD"));
  EXPECT_EQ("3.25", Get(T, "DB"));
  EXPECT_EQ("-42", Get(T, "IN"));
  EXPECT_EQ("7", Get(T, "SI"));
  EXPECT_EQ("13:14:15", Get(T, "T"));
  EXPECT_EQ("01.02.2003 04:05:06", Get(T, "TS"));
  EXPECT_EQ("19.99", Get(T, "CU"));
  EXPECT_EQ("Zz", Get(T, "CI"));
  for (const char* F : {"L", "N", "D", "C", "M", "B", "CD", "DB", "IN", "SI", "T", "TS", "CU"})
    EXPECT_FALSE(Empty(T, F)) << F;
  EXPECT_TRUE(Empty(T, "IMG"));
}

TEST_F(TableTest, RawRecordHoldsTheDocumentedEncodings) {
  OAKHANDLE T = Create("types", kAllTypes);
  Add(T, {{"N", "12.5"}, {"D", "31.12.2024"}, {"CD", "31.12.2024"}, {"C", "Müller"}, {"IN", "2"}});
  auto R = Raw(T);
  EXPECT_EQ("   12.50", std::string(reinterpret_cast<const char*>(At(R, T, "N")), 8));
  const std::uint8_t Compact[3] = {0x0F, 0xD1, 0x9F};
  EXPECT_EQ(0, std::memcmp(At(R, T, "CD"), Compact, 3));
  std::int32_t Julian;
  std::memcpy(&Julian, At(R, T, "D"), 4);
  EXPECT_EQ(2460676, Julian);  // 31.12.2024
  EXPECT_EQ(std::string("M\xFCller    "), std::string(reinterpret_cast<const char*>(At(R, T, "C")), 10));
  std::int32_t I;
  std::memcpy(&I, At(R, T, "IN"), 4);
  EXPECT_EQ(2, I);
}

TEST_F(TableTest, NumericTooWideForItsFieldIsRefused) {
  OAKHANDLE T = Create("num", "N,Numeric,5,2");
  ASSERT_EQ(0u, OakAppendRecord(T));
  UNSIGNED16 N = Fld(T, "N");
  EXPECT_EQ(5013u, OakSetField(T, N, "1234.5", 6));
  EXPECT_EQ(0u, OakSetField(T, N, "12.5", 4));
  EXPECT_EQ(0u, OakWriteRecord(T));
  EXPECT_EQ("12.50", Get(T, "N", OAK_NONE));
}

TEST_F(TableTest, RecordsComeBackInNaturalOrderAfterReopen) {
  OAKHANDLE T = Create("names", "NAME,Character,20;NR,Integer");
  for (int I = 1; I <= 5; ++I) Add(T, {{"NAME", "n" + std::to_string(I)}, {"NR", std::to_string(I)}});
  T = Reopen(T, "names");
  EXPECT_EQ((std::vector<std::string>{"n1", "n2", "n3", "n4", "n5"}), Walk(T, "NAME"));
  EXPECT_EQ(5u, Count(T));
  ASSERT_EQ(0u, OakGotoBottom(T));
  EXPECT_EQ("n5", Get(T, "NAME"));
  ASSERT_EQ(0u, OakSkip(T, -4));
  EXPECT_EQ("n1", Get(T, "NAME"));
  ASSERT_EQ(0u, OakSkip(T, -1));
  EXPECT_TRUE(Bof(T));
  UNSIGNED32 Len = 0;
  EXPECT_EQ(5068u, OakGetRecord(T, nullptr, &Len));
}

TEST_F(TableTest, SkippingPastTheEndsGivesBofAndEof) {
  OAKHANDLE T = Create("names", "NAME,Character,20");
  ASSERT_EQ(0u, OakGotoTop(T));
  EXPECT_TRUE(Bof(T));
  EXPECT_TRUE(Eof(T));
  Add(T, {{"NAME", "a"}});
  ASSERT_EQ(0u, OakGotoBOF(T));
  EXPECT_TRUE(Bof(T));
  ASSERT_EQ(0u, OakSkip(T, 1));
  EXPECT_EQ("a", Get(T, "NAME"));
  ASSERT_EQ(0u, OakSkip(T, 1));
  EXPECT_TRUE(Eof(T));
  char Buf[8];
  UNSIGNED32 Len = sizeof Buf;
  EXPECT_EQ(5068u, OakGetField(T, 1, Buf, &Len, 0));
}

TEST_F(TableTest, BookmarksLeadBackToTheirRecord) {
  OAKHANDLE T = Create("names", "NAME,Character,20");
  for (const char* N : {"a", "b", "c"}) Add(T, {{"NAME", N}});
  ASSERT_EQ(0u, OakGotoRecord(T, 2));
  UNSIGNED8 Bm[4];
  UNSIGNED32 Len = sizeof Bm;
  ASSERT_EQ(0u, OakGetBookmark60(T, Bm, &Len));
  EXPECT_EQ(2u, Bm[0]);
  ASSERT_EQ(0u, OakGotoTop(T));
  ASSERT_EQ(0u, OakGotoBookmark(T, Bm, 4));
  EXPECT_EQ("b", Get(T, "NAME"));
  const UNSIGNED8 Bad[4] = {9, 0, 0, 0};
  EXPECT_EQ(5022u, OakGotoBookmark(T, Bad, 4));
  SIGNED32 Cmp = 0;
  ASSERT_EQ(0u, OakCompareBookmarks(Bm, Bad, &Cmp));
  EXPECT_LT(Cmp, 0);
}

TEST_F(TableTest, DeletedRecordsAreHiddenOnlyWhenAsked) {
  OAKHANDLE T = Create("names", "NAME,Character,20");
  for (const char* N : {"a", "b", "c"}) Add(T, {{"NAME", N}});
  ASSERT_EQ(0u, OakGotoRecord(T, 2));
  ASSERT_EQ(0u, OakDeleteRecord(T));
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), Walk(T, "NAME"));
  ASSERT_EQ(0u, OakShowDeleted(0));
  OAKHANDLE Hidden = Reopen(T, "names");
  EXPECT_EQ((std::vector<std::string>{"a", "c"}), Walk(Hidden, "NAME"));
  EXPECT_EQ(2u, Count(Hidden, OAK_RESPECTFILTERS));
  EXPECT_EQ(3u, Count(Hidden, OAK_IGNOREFILTERS));
  OakShowDeleted(1);
}

TEST_F(TableTest, UnknownFieldsAndBadDefinitionsGiveCodes) {
  OAKHANDLE T = OAK_INVALID_HANDLE;
  EXPECT_EQ(5046u, OakCreateTable(Conn, "bad", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0,
                                  "A,NoSuchType", &T));
  T = Create("good", "A,Character,3");
  UNSIGNED16 N = 0;
  EXPECT_EQ(5012u, OakGetFieldNum(T, "NOPE", &N));
  UNSIGNED16 Type = 0;
  EXPECT_EQ(5012u, OakGetFieldType(T, 9, &Type));
  EXPECT_NE(std::string::npos, LastErrorText().find("field"));
  EXPECT_EQ(5069u, OakCreateTable(Conn, "good", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, "A,Logical", &T));
}

TEST_F(TableTest, TruncatedTableFileGivesCorruptCode) {
  OAKHANDLE T = Create("cut", "NAME,Character,20");
  for (int I = 0; I < 3; ++I) Add(T, {{"NAME", "x"}});
  ASSERT_EQ(0u, OakCloseTable(T));
  Truncate("cut.OAT", 5);
  EXPECT_EQ(5010u, Open("cut", &T));
  EXPECT_NE(std::string::npos, LastErrorText().find("corrupt"));
}

TEST_F(TableTest, GarbageHeaderGivesCorruptCodeAndMissingFileNotFound) {
  std::ofstream(PathOf("junk.OAT")) << "this is no table at all, just some text\n";
  OAKHANDLE T;
  EXPECT_EQ(5010u, Open("junk", &T));
  std::ofstream(PathOf("empty.OAT"));
  EXPECT_EQ(5010u, Open("empty", &T));
  EXPECT_EQ(5002u, Open("missing", &T));
}

TEST_F(TableTest, FlippedDescriptorByteIsDetected) {
  OAKHANDLE T = Create("flip", "NAME,Character,20");
  ASSERT_EQ(0u, OakCloseTable(T));
  std::string Bytes = ReadFile("flip.OAT");
  Bytes[64 + 52] ^= 0x01;  // the field's length
  std::ofstream(PathOf("flip.OAT"), std::ios::binary) << Bytes;
  EXPECT_EQ(5010u, Open("flip", &T));
}

TEST_F(TableTest, BytesAfterTheLastCountedRecordAreIgnored) {
  OAKHANDLE T = Create("tail", "NAME,Character,4");
  Add(T, {{"NAME", "one"}});
  ASSERT_EQ(0u, OakCloseTable(T));
  std::ofstream(PathOf("tail.OAT"), std::ios::binary | std::ios::app) << " hal";  // a cut-off append
  T = OpenOk("tail");
  EXPECT_EQ(1u, Count(T));
  Add(T, {{"NAME", "two"}});
  EXPECT_EQ((std::vector<std::string>{"one", "two"}), Walk(T, "NAME"));
}

TEST_F(TableTest, MemoValuesAreReplacedAndTheirBlocksReused) {
  OAKHANDLE T = Create("memo", "M,Memo");
  Add(T, {{"M", std::string(1000, 'a')}});
  auto SizeAfterFirst = std::filesystem::file_size(PathOf("memo.OAM"));
  for (int I = 0; I < 20; ++I) {
    ASSERT_EQ(0u, OakGotoTop(T));
    Set(T, "M", std::string(1000, char('b' + I % 5)));
    ASSERT_EQ(0u, OakWriteRecord(T));
  }
  EXPECT_LE(std::filesystem::file_size(PathOf("memo.OAM")), 2 * SizeAfterFirst + 64);
  T = Reopen(T, "memo");
  EXPECT_EQ(std::string(1000, 'b' + 19 % 5), Get(T, "M"));
  ASSERT_EQ(0u, OakSetEmpty(T, Fld(T, "M")));
  ASSERT_EQ(0u, OakWriteRecord(T));
  EXPECT_TRUE(Empty(T, "M"));
}

TEST_F(TableTest, MemoReferenceLongerThanTheMemoFileGivesMemoCode) {
  OAKHANDLE T = Create("memo", "M,Memo");
  Add(T, {{"M", "hello"}});
  ASSERT_EQ(0u, OakCloseTable(T));
  // The reference's length (the field's last four bytes) claims 2 GB.
  std::string Table = ReadFile("memo.OAT");
  const std::size_t Record = 64 + 64;  // after the header and one descriptor
  Table[Record + 8] = '\x80';
  std::ofstream(PathOf("memo.OAT"), std::ios::binary) << Table;
  T = OpenOk("memo");
  ASSERT_EQ(0u, OakGotoTop(T));
  char Buf[16];
  UNSIGNED32 Len = sizeof Buf;
  EXPECT_EQ(5011u, OakGetField(T, 1, Buf, &Len, 0));
}

TEST_F(TableTest, MemoLengthIsThatOfTheStoredOrPendingValue) {
  OAKHANDLE T = Create("memo", "M,Memo;C,Character,4");
  Add(T, {{"M", "Grüße"}});
  Add(T, {{"M", ""}});
  Add(T, {{"C", "x"}});
  auto Length = [&] {
    UNSIGNED32 Len = 99;
    EXPECT_EQ(0u, OakGetMemoLength(T, 1, &Len));
    return Len;
  };
  const UNSIGNED32 Expected[] = {7, 0, 0};  // the stored bytes (UTF-8 here)
  for (UNSIGNED32 R = 1; R <= 3; ++R) {
    ASSERT_EQ(0u, OakGotoRecord(T, R));
    EXPECT_EQ(Expected[R - 1], Length()) << R;
    EXPECT_EQ(Length(), Get(T, "M", OAK_NONE).size()) << R;
  }
  Set(T, "M", "neu, noch nicht geschrieben");
  EXPECT_EQ(27u, Length());
  UNSIGNED32 Len = 0;
  EXPECT_EQ(5012u, OakGetMemoLength(T, 2, &Len));
}

TEST_F(TableTest, CorruptMemoReferenceGivesMemoCode) {
  OAKHANDLE T = Create("memo", "M,Memo");
  Add(T, {{"M", "hello"}});
  ASSERT_EQ(0u, OakCloseTable(T));
  std::string Memo = ReadFile("memo.OAM");
  std::ofstream(PathOf("memo.OAM"), std::ios::binary) << Memo.substr(0, 64);
  T = OpenOk("memo");
  ASSERT_EQ(0u, OakGotoTop(T));
  char Buf[16];
  UNSIGNED32 Len = sizeof Buf;
  EXPECT_EQ(5011u, OakGetField(T, 1, Buf, &Len, 0));
}

}  // namespace

namespace {

TEST_F(TableTest, OemTableStoresCodePage850AndReadsUtf8) {
  OAKHANDLE T = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakCreateTable(Conn, "oem", nullptr, OAK_OAT, OAK_OEM, 1, 1, 0, "C,Character,6", &T));
  Add(T, {{"C", "Müß"}});
  auto R = Raw(T);
  EXPECT_EQ(std::string("M\x81\xE1   "), std::string(reinterpret_cast<const char*>(At(R, T, "C")), 6));
  EXPECT_EQ("Müß", Get(T, "C"));
  EXPECT_EQ(std::string("M\xFC\xDF   "), Get(T, "C", OAK_ANSI_BYTES));
  UNSIGNED16 Chars = 0;
  ASSERT_EQ(0u, OakGetTableCharType(T, &Chars));
  EXPECT_EQ(OAK_OEM, Chars);
}

TEST_F(TableTest, CaseOfTheFileNameDoesNotMatter) {
  OAKHANDLE T = Create("Setup", "IDENT,Integer;MEMOITEM,Memo");
  Add(T, {{"IDENT", "2"}, {"MEMOITEM", "list"}});
  ASSERT_EQ(0u, OakCloseTable(T));
  T = OpenOk("SETUP.oat");
  ASSERT_EQ(0u, OakGotoTop(T));
  EXPECT_EQ("list", Get(T, "MEMOITEM"));
  char Name[16];
  UNSIGNED16 Len = sizeof Name;
  OAKHANDLE Find = 0;
  ASSERT_EQ(0u, OakFindFirstTable(Conn, (Dir + "/*.oat").c_str(), Name, &Len, &Find));
  EXPECT_EQ("Setup.OAT", std::string(Name, Len));
  Len = sizeof Name;
  EXPECT_EQ(5059u, OakFindNextTable(Conn, Find, Name, &Len));
  EXPECT_EQ(0u, OakFindClose(Conn, Find));
}

}  // namespace

namespace {

TEST_F(TableTest, BinaryValuesArriveInPiecesAndTimestampsRaw) {
  OAKHANDLE T = Create("bin", "B,Binary;TS,TimeStamp;T,Time");
  ASSERT_EQ(0u, OakAppendRecord(T));
  ASSERT_EQ(0u, OakSetBinary(T, 1, OAK_BINARY, 6, 0, "abc", 3));
  ASSERT_EQ(0u, OakSetBinary(T, 1, OAK_BINARY, 6, 3, "def", 3));
  const std::uint8_t Stamp[8] = {0x04, 0x8B, 0x25, 0x00, 0x10, 0x27, 0x00, 0x00};  // day 2460420, 10 s
  ASSERT_EQ(0u, OakSetTimeStampRaw(T, 2, Stamp, 8));
  ASSERT_EQ(0u, OakSetMilliseconds(T, 3, 3600000));
  ASSERT_EQ(0u, OakWriteRecord(T));
  T = Reopen(T, "bin");
  EXPECT_EQ("abcdef", Get(T, "B", OAK_NONE));
  UNSIGNED32 Len = 0;
  ASSERT_EQ(0u, OakGetBinaryLength(T, 1, &Len));
  EXPECT_EQ(6u, Len);
  auto R = Raw(T);
  EXPECT_EQ(0, std::memcmp(At(R, T, "TS"), Stamp, 8));
  EXPECT_EQ("01:00:00", Get(T, "T"));
  EXPECT_EQ(5013u, OakSetMilliseconds(T, 3, -5));
}

}  // namespace
