// Memo and binary fields through the dataset's blob streams and the blob
// cache: reading, writing in edit and insert, the refusals of the wrong
// state, mode or field, and values that reach the engine only on post.
#include "largest_allocation.h"
#include "memo_reference.h"
#include "oak_fixture.h"

namespace {

class BlobTest : public OakTest {
 protected:
  // Settings rows: 1 with a memo, 2 with an empty memo, 3 with bytes.
  void GivenSettings() {
    CreateTable("SETUP", "IDENT,Integer;STRINGITEM,Character,20;MEMOITEM,Memo;BIN,Binary");
    AddRow("SETUP", {{"IDENT", "1"}, {"MEMOITEM", "first memo"}});
    AddRow("SETUP", {{"IDENT", "2"}});
    AddRow("SETUP", {{"IDENT", "3"}});
    CreateIndex("SETUP", "IDENT", "IDENT");
  }
  TOakTable* Settings() { return OpenTable("SETUP", "IDENT"); }
  static void GoTo(TOakTable* T, int Ident) {
    ASSERT_TRUE(T->Locate("IDENT", Variant(Ident), {}));
  }
  static std::string ReadBlob(TDataSet* D, const std::string& Field) {
    std::unique_ptr<TStream> S = D->CreateBlobStream(D->FieldByName(Field), bmRead);
    std::string Out(static_cast<std::size_t>(S->Size()), '\0');
    S->Seek(0, soBeginning);
    if (!Out.empty()) S->ReadBuffer(Out.data(), static_cast<Int64>(Out.size()));
    return Out;
  }
  static void WriteBlob(TDataSet* D, const std::string& Field, const std::string& Data,
                        TBlobStreamMode Mode = bmWrite) {
    std::unique_ptr<TStream> S = D->CreateBlobStream(D->FieldByName(Field), Mode);
    if (!Data.empty()) S->WriteBuffer(Data.data(), static_cast<Int64>(Data.size()));
  }
  // The memo of row Ident as another user reads it through the engine.
  std::string StoredMemo(int Ident) {
    OAKHANDLE T = EngineOpen("SETUP", OtherUser());
    for (OakGotoTop(T);; OakSkip(T, 1)) {
      UNSIGNED16 Eof = 0;
      OakAtEOF(T, &Eof);
      if (Eof) return "<missing>";
      SIGNED32 Id = 0;
      OakGetLong(T, FieldNo(T, "IDENT"), &Id);
      if (Id != Ident) continue;
      char Buf[256] = {};
      UNSIGNED32 Len = sizeof(Buf);
      EXPECT_EQ(0u, OakGetField(T, FieldNo(T, "MEMOITEM"), Buf, &Len, 0));
      return std::string(Buf, Len);
    }
  }
  static std::string Text(const EOAKDatabaseError& E) { return E.Message(); }
};

TEST_F(BlobTest, MemoReadsBackWithExactLength) {
  GivenSettings();
  TOakTable* T = Settings();
  EXPECT_EQ("first memo", ReadBlob(T, "MEMOITEM"));
  EXPECT_EQ("first memo", T->FieldByName("MEMOITEM")->AsString());
}

// A record whose memo reference claims 1.2 GB of a small memo file: the
// stream refuses with the memo file's corruption code and allocates
// nothing near the claim.
TEST_F(BlobTest, MemoReferencePastTheMemoFileRaisesAndAllocatesNothingLarge) {
  GivenSettings();
  OAKHANDLE Raw = EngineOpen("SETUP");
  UNSIGNED32 Offset = 0;
  ASSERT_EQ(0u, OakGetFieldOffset(Raw, FieldNo(Raw, "MEMOITEM"), &Offset));
  mds_test::SetMemoReference(Dir + "/SETUP.OAT", 1, Offset, 1, 0x48000000u);
  TOakTable* T = Settings();
  GoTo(T, 1);
  mds_test::TLargestAllocation Probe;
  try {
    ReadBlob(T, "MEMOITEM");
    ADD_FAILURE() << "the damaged memo was read";
  } catch (const EOAKDatabaseError& E) {
    EXPECT_EQ(5011, E.ErrorCode) << Text(E);
  }
  EXPECT_LT(Probe.Bytes(), 1u << 20);
}

TEST_F(BlobTest, EmptyMemoGivesEmptyStreamAndNullField) {
  GivenSettings();
  TOakTable* T = Settings();
  GoTo(T, 2);
  EXPECT_EQ("", ReadBlob(T, "MEMOITEM"));
  EXPECT_TRUE(T->FieldByName("MEMOITEM")->IsNull());
}

TEST_F(BlobTest, EachRecordShowsItsOwnValue) {
  GivenSettings();
  TOakTable* T = Settings();
  EXPECT_EQ("first memo", ReadBlob(T, "MEMOITEM"));
  T->Next();
  EXPECT_EQ("", ReadBlob(T, "MEMOITEM"));
  T->Prior();
  EXPECT_EQ("first memo", ReadBlob(T, "MEMOITEM"));
}

TEST_F(BlobTest, WalkAndSeekTellFilledEmptyAndNullMemos) {
  GivenSettings();
  AddRow("SETUP", {{"IDENT", "4"}, {"MEMOITEM", ""}});
  AddRow("SETUP", {{"IDENT", "5"}, {"MEMOITEM", "fifth"}});
  TOakTable* T = Settings();
  std::vector<std::string> Seen;
  for (T->First(); !T->Eof(); T->Next()) {
    TField* Memo = T->FieldByName("MEMOITEM");
    Seen.push_back(Memo->IsNull() ? "<null>" : Memo->AsString());
  }
  EXPECT_EQ((std::vector<std::string>{"first memo", "<null>", "<null>", "<null>", "fifth"}), Seen);
  // Another user fills the memo of row 2: a seek shows it.
  OtherUserSets("SETUP", 2, "MEMOITEM", "second");
  ASSERT_TRUE(T->Seek("2", true));
  EXPECT_FALSE(T->FieldByName("MEMOITEM")->IsNull());
  EXPECT_EQ("second", ReadBlob(T, "MEMOITEM"));
  ASSERT_TRUE(T->Seek("5", true));
  EXPECT_EQ("fifth", T->FieldByName("MEMOITEM")->AsString());
}

TEST_F(BlobTest, EditShowsMemosAsAnotherUserLeftThem) {
  GivenSettings();
  TOakTable* T = Settings();
  OtherUserSets("SETUP", 1, "MEMOITEM", "");
  OtherUserSets("SETUP", 2, "MEMOITEM", "von nebenan");
  GoTo(T, 1);
  T->Edit();
  EXPECT_TRUE(T->FieldByName("MEMOITEM")->IsNull());
  T->Cancel();
  GoTo(T, 2);
  T->Edit();
  EXPECT_FALSE(T->FieldByName("MEMOITEM")->IsNull());
  EXPECT_EQ("von nebenan", ReadBlob(T, "MEMOITEM"));
  T->Cancel();
}

TEST_F(BlobTest, AWalkReadingEachMemoVisitsEveryRowOnce) {
  GivenSettings();
  TOakTable* T = Settings();
  std::vector<std::string> Seen;
  for (T->First(); !T->Eof(); T->Next())
    Seen.push_back(T->FieldByName("IDENT")->AsString() + ":" + ReadBlob(T, "MEMOITEM"));
  EXPECT_EQ((std::vector<std::string>{"1:first memo", "2:", "3:"}), Seen);
  // The engine left elsewhere: reading the memo brings it back, and the
  // walk goes on from the row shown.
  GoTo(T, 1);
  EXPECT_FALSE(T->IsRecordDeleted(3));
  EXPECT_EQ("first memo", ReadBlob(T, "MEMOITEM"));
  T->Next();
  EXPECT_EQ(2, T->FieldByName("IDENT")->AsInteger());
}

TEST_F(BlobTest, WriteModeOutsideEditIsRefused) {
  GivenSettings();
  TOakTable* T = Settings();
  EOAKDatabaseError E = CatchOak([&] { WriteBlob(T, "MEMOITEM", "x"); });
  EXPECT_EQ(5121, E.ErrorCode);
  EXPECT_NE(std::string::npos,
            Text(E).find("Table must be in Edit or Insert state to open blob stream in Write Mode."));
}

TEST_F(BlobTest, BlobStreamOnCharacterFieldIsRefused) {
  GivenSettings();
  TOakTable* T = Settings();
  EOAKDatabaseError E = CatchOak([&] { T->CreateBlobStream(T->FieldByName("STRINGITEM"), bmRead); });
  EXPECT_NE(std::string::npos, Text(E).find("Invalid blob open on non-blob field."));
}

TEST_F(BlobTest, ReadStreamRefusesWrites) {
  GivenSettings();
  TOakTable* T = Settings();
  T->Edit();
  std::unique_ptr<TStream> S = T->CreateBlobStream(T->FieldByName("MEMOITEM"), bmRead);
  EOAKDatabaseError E = CatchOak([&] { S->WriteBuffer("x", 1); });
  EXPECT_NE(std::string::npos, Text(E).find("Error modifying read only blob."));
}

TEST_F(BlobTest, StreamWithoutRecordReadsNothingAndRefusesWrites) {
  CreateTable("SETUP", "IDENT,Integer;MEMOITEM,Memo");
  TOakTable* T = OpenTable("SETUP");
  auto* Field = static_cast<TBlobField*>(T->FieldByName("MEMOITEM"));
  TOakBlobStream S(Field, bmWrite);
  char C = 0;
  EXPECT_EQ(0, S.Read(&C, 1));
  EXPECT_EQ(0, S.Seek(0, soEnd));
  EOAKDatabaseError E = CatchOak([&] { S.Write("x", 1); });
  EXPECT_NE(std::string::npos, Text(E).find("Cannot write to blob in current state."));
}

TEST_F(BlobTest, WrittenValueReplacesOldAndReachesEngineOnPost) {
  GivenSettings();
  TOakTable* T = Settings();
  T->Edit();
  WriteBlob(T, "MEMOITEM", "new");
  EXPECT_EQ("first memo", StoredMemo(1));
  T->Post();
  EXPECT_EQ("new", StoredMemo(1));
  EXPECT_EQ("new", ReadBlob(T, "MEMOITEM"));
}

TEST_F(BlobTest, CancelDiscardsWrittenValue) {
  GivenSettings();
  TOakTable* T = Settings();
  T->Edit();
  WriteBlob(T, "MEMOITEM", "discarded");
  T->Cancel();
  EXPECT_EQ("first memo", ReadBlob(T, "MEMOITEM"));
  EXPECT_EQ("first memo", StoredMemo(1));
}

TEST_F(BlobTest, ReadWriteStreamKeepsUnsavedChanges) {
  GivenSettings();
  TOakTable* T = Settings();
  T->Edit();
  WriteBlob(T, "MEMOITEM", "pending");
  std::unique_ptr<TStream> S = T->CreateBlobStream(T->FieldByName("MEMOITEM"), bmReadWrite);
  EXPECT_EQ(7, S->Size());
  S->Seek(0, soEnd);
  S->WriteBuffer("!", 1);
  S.reset();
  T->Post();
  EXPECT_EQ("pending!", StoredMemo(1));
}

TEST_F(BlobTest, BinaryValueWithZeroBytesRoundTrips) {
  GivenSettings();
  TOakTable* T = Settings();
  GoTo(T, 3);
  const std::string Bytes("\x00\x01\xff\x00z", 5);
  T->Edit();
  WriteBlob(T, "BIN", Bytes);
  T->Post();
  T->First();
  GoTo(T, 3);
  EXPECT_EQ(Bytes, ReadBlob(T, "BIN"));
}

TEST_F(BlobTest, MemoOfInsertedRecordIsStoredWithIt) {
  GivenSettings();
  TOakTable* T = Settings();
  T->Append();
  T->FieldByName("IDENT")->SetAsInteger(9);
  EXPECT_EQ("", ReadBlob(T, "MEMOITEM"));
  WriteBlob(T, "MEMOITEM", "appended memo");
  T->Post();
  EXPECT_EQ("appended memo", StoredMemo(9));
}

}  // namespace
