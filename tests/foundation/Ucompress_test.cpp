// Compressed memo fields against a real settings table: what the field
// holds after storing, and what reading gives for zlib, gzip, raw deflate,
// plain and damaged field contents.
#include "foundation/Ucompress.h"

#include <cstring>

#include "../data/oak/oak_fixture.h"

namespace {

class UcompressTest : public OakTest {
 protected:
  void SetUp() override {
    OakTest::SetUp();
    CreateTable("SETUP", "IDENT,Integer;MEMOITEM,Memo");
    AddRow("SETUP", {{"IDENT", "2"}});
    Table = OpenTable("SETUP");
  }
  // Stores Data compressed in the row's memo and posts.
  void Store(const std::string& Data, Int64 StartAt = 0) {
    TStringStream S(Data);
    S.Seek(StartAt, soBeginning);
    Table->Edit();
    SaveStreamToBlobField(Table, &S, "MEMOITEM");
    Table->Post();
  }
  // Puts Bytes into the memo as they are (another program's writing).
  void StoreRaw(const std::string& Bytes) {
    Table->Edit();
    std::unique_ptr<TStream> B = Table->CreateBlobStream(Table->FieldByName("MEMOITEM"), bmWrite);
    B->WriteBuffer(Bytes.data(), static_cast<Int64>(Bytes.size()));
    B.reset();
    Table->Post();
  }
  std::string FieldBytes() {
    std::unique_ptr<TStream> B = Table->CreateBlobStream(Table->FieldByName("MEMOITEM"), bmRead);
    std::string Out(static_cast<std::size_t>(B->Size()), '\0');
    if (!Out.empty()) B->ReadBuffer(Out.data(), static_cast<Int64>(Out.size()));
    return Out;
  }
  std::string Load() {
    TMemoryStream M;
    M.WriteBuffer("stale", 5);
    LoadBlobFieldToStream(Table, "MEMOITEM", &M);
    EXPECT_EQ(0, M.Position());
    return std::string(static_cast<const char*>(M.Memory()), static_cast<std::size_t>(M.Size()));
  }
  static std::string Compressed(const std::string& Data, TZStreamType Type) {
    TStringStream In(Data);
    TMemoryStream Out;
    ZCompressStream(&In, &Out, zcDefault, false, Type);
    return std::string(static_cast<const char*>(Out.Memory()), static_cast<std::size_t>(Out.Size()));
  }
  static std::string LongText() {
    std::string S;
    for (int I = 0; I < 20000; ++I) S += "ID;Name;Path;" + std::to_string(I * 7919) + "\r\n";
    return S;
  }
  TOakTable* Table = nullptr;
};

TEST_F(UcompressTest, EmptyStreamStoresTheEightByteZlibStream) {
  Store("");
  EXPECT_EQ(std::string("\x78\x01\x03\x00\x00\x00\x00\x01", 8), FieldBytes());
  EXPECT_EQ("", Load());
}

TEST_F(UcompressTest, StoredAsZlibLevelOneAndReadBack) {
  const std::string Data = LongText();
  Store(Data);
  std::string Field = FieldBytes();
  ASSERT_GE(Field.size(), 2u);
  EXPECT_EQ(0x78, static_cast<unsigned char>(Field[0]));
  EXPECT_EQ(0x01, static_cast<unsigned char>(Field[1]));
  EXPECT_LT(Field.size(), Data.size() / 4);
  EXPECT_EQ(Data, Load());
}

TEST_F(UcompressTest, WholeStreamIsStoredWhateverItsPosition) {
  Store("installation list", 9);
  EXPECT_EQ("installation list", Load());
}

TEST_F(UcompressTest, GzipFieldReadsBack) {
  StoreRaw(Compressed("written by another program", zsGZip));
  EXPECT_EQ("written by another program", Load());
}

TEST_F(UcompressTest, RawDeflateFieldReadsBack) {
  const std::string Data = LongText();
  StoreRaw(Compressed(Data, zsRaw));
  EXPECT_EQ(Data, Load());
}

TEST_F(UcompressTest, PlainTextReadsBackAsItIs) {
  StoreRaw("Ident=2;Name=Laptop");
  EXPECT_EQ("Ident=2;Name=Laptop", Load());
}

TEST_F(UcompressTest, WrongChecksumIsNotVerified) {
  std::string Z = Compressed("checksum ignored", zsZLib);
  Z[Z.size() - 1] = static_cast<char>(Z[Z.size() - 1] ^ 0x55);
  StoreRaw(Z);
  EXPECT_EQ("checksum ignored", Load());
}

TEST_F(UcompressTest, CorruptMemoReadsAsStoredAndChangesNothing) {
  std::string Z = Compressed(LongText(), zsZLib);
  Z.resize(Z.size() / 2);
  StoreRaw(Z);
  EXPECT_EQ(Z, Load());
  EXPECT_EQ(dsBrowse, Table->State());
  EXPECT_EQ(Z, FieldBytes());
}

TEST_F(UcompressTest, StoringOutsideEditIsTheDatasetsError) {
  TStringStream S("x");
  EOAKDatabaseError E = CatchOak([&] { SaveStreamToBlobField(Table, &S, "MEMOITEM"); });
  EXPECT_EQ(5121, E.ErrorCode);
}

TEST_F(UcompressTest, MissingFieldIsTheDatasetsError) {
  TMemoryStream M;
  EXPECT_THROW(LoadBlobFieldToStream(Table, "NOSUCHFIELD", &M), EDatabaseError);
}

}  // namespace

namespace {

TEST_F(UcompressTest, MemoBombIsRefusedWithAClearErrorAndLeavesTheStreamEmpty) {
  TMemoryStream Plain;
  Plain.SetSize(ZMaxInflatedSize + 65536);
  std::memset(Plain.Memory(), 0, std::size_t(Plain.Size()));
  TMemoryStream Packed;
  ZCompressStream(&Plain, &Packed, zcFastest, false, zsZLib);
  StoreRaw(std::string(static_cast<char*>(Packed.Memory()), Packed.Size()));
  TMemoryStream Out;
  try {
    LoadBlobFieldToStream(Table, "MEMOITEM", &Out);
    ADD_FAILURE() << "no error";
  } catch (const EDecompressionLimitError& E) {
    EXPECT_NE(std::string::npos, E.Message().find("zulässige Größe")) << E.Message();
  }
  EXPECT_EQ(0, Out.Size());
}

}  // namespace
