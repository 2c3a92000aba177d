// Editing through the table dataset: edit, insert, append, post, cancel
// and delete against the engine; record locks (pessimistic and optimistic)
// between two connections; the change check; encoding of every field type
// into the raw record; defaults of new records; repeated posts.
#include <cstring>

#include "oak_fixture.h"
#include "platform/rtl/datetime.h"

namespace {

const char* const AllTypes =
    "L,Logical;N,Numeric,6,2;NS,Numeric,4,0;D,Date;C,Character,10;CD,CompactDate;"
    "DB,Double;I,Integer;SI,ShortInt;T,Time;TS,TimeStamp;R,Raw,4;CU,CurDouble;"
    "CI,CICharacter,6;A,AutoInc";

class EditingTest : public OakTest {
 protected:
  // The orders of most scenarios: three rows, unique tag NR.
  void GivenOrders() {
    CreateTable("AUFTRAEGE", "NR,Integer;KUNDE,Character,20;STATUS,Integer");
    AddRow("AUFTRAEGE", {{"NR", "10"}, {"KUNDE", "Abel"}, {"STATUS", "0"}});
    AddRow("AUFTRAEGE", {{"NR", "20"}, {"KUNDE", "Berg"}, {"STATUS", "3"}});
    AddRow("AUFTRAEGE", {{"NR", "30"}, {"KUNDE", "Conz"}, {"STATUS", "1"}});
    CreateIndex("AUFTRAEGE", "NR", "NR", OAK_UNIQUE | OAK_COMPOUND);
    CreateIndex("AUFTRAEGE", "STATUS", "STATUS");
  }
  // The orders with a tag whose condition divides by STATUS: the engine
  // refuses to write a record with STATUS 0.
  void GivenOrdersWhoseIndexRefusesStatusZero() {
    CreateTable("AUFTRAEGE", "NR,Integer;KUNDE,Character,20;STATUS,Integer");
    for (int I = 1; I <= 3; ++I)
      AddRow("AUFTRAEGE", {{"NR", std::to_string(I * 10)}, {"STATUS", "1"}});
    OAKHANDLE T = EngineOpen("AUFTRAEGE"), Tag = OAK_INVALID_HANDLE;
    ASSERT_EQ(0u, OakCreateIndex61(T, "", "CHK", "NR", "100 / STATUS > 0", "", OAK_COMPOUND, 0,
                                   &Tag));
  }
  TOakTable* Orders(TOakRecordLockingModes Mode = lmPessimistic, bool Exclusive = false) {
    TOakTable* T = MakeTable("AUFTRAEGE");
    T->OakTableOptions()->SetOakRecordLockingMode(Mode);
    T->SetExclusive(Exclusive);
    T->Open();
    return T;
  }
  // The same table on a connection component of its own: another user.
  TOakTable* SecondUsersOrders() {
    auto* C = new TOakConnection(Form);
    C->SetName("SecondUser");
    C->SetConnectPath(Dir);
    auto* T = new TOakTable(Form);
    T->SetOakConnection(C);
    T->SetTableName("AUFTRAEGE");
    T->Open();
    return T;
  }
  static void Put(TDataSet* D, const std::string& Field, const std::string& Value) {
    D->FieldByName(Field)->SetAsString(Value);
  }
  static void EditCustomer(TDataSet* D, const std::string& Value) {
    D->Edit();
    Put(D, "KUNDE", Value);
  }
  // A field of record RecNo as the engine holds it on disk.
  std::string Stored(const std::string& Table, UNSIGNED32 RecNo, const std::string& Field) {
    OAKHANDLE T = EngineOpen(Table);
    EXPECT_EQ(0u, OakGotoRecord(T, RecNo));
    char Buf[256] = {};
    UNSIGNED32 Len = sizeof(Buf) - 1;
    EXPECT_EQ(0u, OakGetField(T, FieldNo(T, Field), Buf, &Len, OAK_RTRIM));
    return std::string(Buf, Len);
  }
  // The raw bytes of a field of record RecNo.
  std::string StoredRaw(const std::string& Table, UNSIGNED32 RecNo, const std::string& Field) {
    OAKHANDLE T = EngineOpen(Table);
    EXPECT_EQ(0u, OakGotoRecord(T, RecNo));
    UNSIGNED32 RecLen = 0, Offset = 0, FieldLen = 0;
    OakGetRecordLength(T, &RecLen);
    std::string Rec(RecLen, '\0');
    EXPECT_EQ(0u, OakGetRecord(T, reinterpret_cast<UNSIGNED8*>(Rec.data()), &RecLen));
    UNSIGNED16 No = FieldNo(T, Field);
    OakGetFieldOffset(T, No, &Offset);
    OakGetFieldLength(T, No, &FieldLen);
    return Rec.substr(Offset, FieldLen);
  }
  // Changes a field of record RecNo through another connection.
  void OtherUserChanges(UNSIGNED32 RecNo, const std::string& Field, const std::string& Value) {
    OAKHANDLE T = EngineOpen("AUFTRAEGE", OtherUser());
    ASSERT_EQ(0u, OakGotoRecord(T, RecNo));
    ASSERT_EQ(0u, OakSetField(T, FieldNo(T, Field), Value.data(), UNSIGNED32(Value.size())));
    ASSERT_EQ(0u, OakWriteRecord(T));
  }
  // The dataset's own table handle changes STATUS of record 1 on disk
  // behind the dataset's back (while an edit is pending).
  static void OwnHandleChangesStatus(TOakTable* T, const char* Value) {
    OAKHANDLE H = T->TableHandle();
    ASSERT_EQ(0u, OakGotoRecord(H, 1));
    ASSERT_EQ(0u, OakSetField(H, FieldNo(H, "STATUS"), Value, 1));
    ASSERT_EQ(0u, OakWriteRecord(H));
  }
  // Whether another connection can lock record RecNo now (and lets go).
  bool OtherUserCanLock(UNSIGNED32 RecNo) {
    OAKHANDLE T = EngineOpen("AUFTRAEGE", OtherUser());
    bool Ok = OakLockRecord(T, RecNo) == 0;
    if (Ok) OakUnlockRecord(T, RecNo);
    return Ok;
  }
};

// ---- Edit, post, cancel ---------------------------------------------------------------

TEST_F(EditingTest, PostedEditReachesTheTable) {
  GivenOrders();
  auto* T = Orders();
  T->Next();
  EditCustomer(T, "Brandt");
  T->Post();
  EXPECT_EQ(dsBrowse, T->State());
  EXPECT_EQ("Brandt", Trimmed(T, "KUNDE"));
  EXPECT_EQ("Brandt", Stored("AUFTRAEGE", 2, "KUNDE"));
}

TEST_F(EditingTest, EditShowsTheRecordAsItIsNowNotAsItWasBuffered) {
  GivenOrders();
  auto* T = Orders();
  OtherUserChanges(1, "STATUS", "7");
  T->Edit();
  EXPECT_EQ(7, T->FieldByName("STATUS")->AsInteger());
  T->Cancel();
}

TEST_F(EditingTest, CancelRestoresTheRecord) {
  GivenOrders();
  auto* T = Orders();
  EditCustomer(T, "Xaver");
  T->Cancel();
  EXPECT_EQ("Abel", Trimmed(T, "KUNDE"));
  EXPECT_EQ("Abel", Stored("AUFTRAEGE", 1, "KUNDE"));
}

TEST_F(EditingTest, AssigningOutsideEditModeIsRefused) {
  GivenOrders();
  auto* T = Orders();
  auto E = CatchOak([&] { Put(T, "KUNDE", "x"); });
  EXPECT_EQ(5121, E.ErrorCode);
  EXPECT_NE(String::npos, E.Message().find("Dataset not in edit mode"));
}

TEST_F(EditingTest, ReadOnlyFieldCannotBeAssigned) {
  GivenOrders();
  auto* T = Orders();
  T->FieldByName("KUNDE")->SetReadOnly(true);
  T->Edit();
  try {
    Put(T, "KUNDE", "x");
    ADD_FAILURE() << "no error";
  } catch (EDatabaseError& E) {
    EXPECT_NE(String::npos, E.Message().find("Feld 'KUNDE' kann nicht geändert werden"));
  }
  T->Cancel();
}

TEST_F(EditingTest, FieldNotAssignedIsNotWritten) {
  GivenOrders();
  auto* T = Orders(lmPessimistic, true);
  EditCustomer(T, "Anders");
  OwnHandleChangesStatus(T, "9");
  T->Post();
  T->Close();
  EXPECT_EQ("Anders", Stored("AUFTRAEGE", 1, "KUNDE"));
  EXPECT_EQ("9", Stored("AUFTRAEGE", 1, "STATUS"));
}

// ---- Pessimistic record locks -----------------------------------------------------------

TEST_F(EditingTest, PessimisticEditLocksTheRecordUntilPost) {
  GivenOrders();
  auto* T = Orders();
  EditCustomer(T, "Abele");
  EXPECT_FALSE(OtherUserCanLock(1));
  EXPECT_TRUE(OtherUserCanLock(2));
  T->Post();
  EXPECT_TRUE(OtherUserCanLock(1));
}

TEST_F(EditingTest, CancelReleasesThePessimisticLock) {
  GivenOrders();
  auto* T = Orders();
  T->Edit();
  T->Cancel();
  EXPECT_TRUE(OtherUserCanLock(1));
}

TEST_F(EditingTest, SecondUserCannotEditARecordBeingEdited) {
  GivenOrders();
  auto* T = Orders();
  auto* Second = SecondUsersOrders();
  EditCustomer(T, "Erster");
  auto E = CatchOak([&] { Second->Edit(); });
  EXPECT_EQ(5035, E.ErrorCode);
  EXPECT_EQ(dsBrowse, Second->State());
  Second->Next();
  Second->Edit();  // another record is free
  Second->Cancel();
  T->Post();
  Second->First();
  Second->Edit();
  EXPECT_EQ("Erster", Trimmed(Second, "KUNDE"));
  Second->Cancel();
}

TEST_F(EditingTest, RecordLockedElsewhereStillLetsTheTableBeBrowsed) {
  GivenOrders();
  OAKHANDLE Other = EngineOpen("AUFTRAEGE", OtherUser());
  ASSERT_EQ(0u, OakLockRecord(Other, 2));
  auto* T = Orders();
  EXPECT_EQ((std::vector<std::string>{"Abel", "Berg", "Conz"}), Column(T, "KUNDE"));
  T->First();
  T->Next();
  EXPECT_EQ(5035, CatchOak([&] { T->Edit(); }).ErrorCode);
}

// ---- Optimistic locking and the change check ------------------------------------------------

TEST_F(EditingTest, OptimisticEditLeavesTheRecordFreeUntilPost) {
  GivenOrders();
  auto* T = Orders(lmOptimistic);
  EditCustomer(T, "Opti");
  EXPECT_TRUE(OtherUserCanLock(1));
  T->Post();
  EXPECT_EQ("Opti", Stored("AUFTRAEGE", 1, "KUNDE"));
  EXPECT_TRUE(OtherUserCanLock(1));
}

TEST_F(EditingTest, OptimisticPostAfterAnotherUsersChangeRaises5186) {
  GivenOrders();
  auto* T = Orders(lmOptimistic);
  T->SetName("Table_Auftraege");
  EditCustomer(T, "Mine");
  OtherUserChanges(1, "STATUS", "5");
  auto E = CatchOak([&] { T->Post(); });
  EXPECT_EQ(5186, E.ErrorCode);
  EXPECT_EQ("Table_Auftraege: Record was changed by another user.", E.Message());
  EXPECT_EQ(dsEdit, T->State());
  EXPECT_TRUE(OtherUserCanLock(1));  // the post's lock was let go
  T->Cancel();
  EXPECT_EQ("Abel", Stored("AUFTRAEGE", 1, "KUNDE"));
  EXPECT_EQ(5, T->FieldByName("STATUS")->AsInteger());
}

TEST_F(EditingTest, SecondOptimisticUserLosesToTheFirstPost) {
  GivenOrders();
  auto* T = Orders(lmOptimistic);
  auto* Second = SecondUsersOrders();
  Second->OakTableOptions()->SetOakRecordLockingMode(lmOptimistic);
  EditCustomer(T, "Erster");
  EditCustomer(Second, "Zweiter");
  T->Post();
  auto E = CatchOak([&] { Second->Post(); });
  EXPECT_EQ(5186, E.ErrorCode);
  Second->Cancel();
  EXPECT_EQ("Erster", Trimmed(Second, "KUNDE"));
}

TEST_F(EditingTest, OptimisticPostIsRefusedWhileAnotherUserLocksTheRecord) {
  GivenOrders();
  auto* T = Orders(lmOptimistic);
  EditCustomer(T, "Mine");
  OAKHANDLE Other = EngineOpen("AUFTRAEGE", OtherUser());
  ASSERT_EQ(0u, OakLockRecord(Other, 1));
  EXPECT_EQ(5035, CatchOak([&] { T->Post(); }).ErrorCode);
  ASSERT_EQ(0u, OakUnlockRecord(Other, 1));
  T->Post();
  EXPECT_EQ("Mine", Stored("AUFTRAEGE", 1, "KUNDE"));
}

TEST_F(EditingTest, ExclusiveTableTakesNoLocksAndMakesNoChangeCheck) {
  GivenOrders();
  auto* T = Orders(lmOptimistic, true);
  EditCustomer(T, "Solo");
  OwnHandleChangesStatus(T, "4");
  T->Post();  // a changed checksum would refuse this on a shared table
  T->Close();
  EXPECT_EQ("Solo", Stored("AUFTRAEGE", 1, "KUNDE"));
}

TEST_F(EditingTest, SharedOptimisticTableChecksEvenItsOwnHandlesChanges) {
  GivenOrders();
  auto* T = Orders(lmOptimistic);
  EditCustomer(T, "Solo");
  OwnHandleChangesStatus(T, "4");
  EXPECT_EQ(5186, CatchOak([&] { T->Post(); }).ErrorCode);
  T->Cancel();
}

// ---- Insert and append ------------------------------------------------------------------------

TEST_F(EditingTest, AppendedRecordIsWrittenWithOnlyItsAssignedFields) {
  GivenOrders();
  auto* T = Orders();
  T->Append();
  Put(T, "NR", "40");
  Put(T, "KUNDE", "Dorn");
  T->Post();
  EXPECT_EQ("Dorn", Trimmed(T, "KUNDE"));
  EXPECT_EQ(4, T->RecordCount());
  EXPECT_EQ("Dorn", Stored("AUFTRAEGE", 4, "KUNDE"));
  EXPECT_TRUE(T->FieldByName("STATUS")->IsNull());
}

TEST_F(EditingTest, InsertOnIndexShowsTheNewRecordInItsPlace) {
  GivenOrders();
  auto* T = Orders();
  T->SetIndexName("NR");
  T->Next();
  T->Insert();
  Put(T, "NR", "15");
  Put(T, "KUNDE", "Eck");
  T->Post();
  EXPECT_EQ("Eck", Trimmed(T, "KUNDE"));
  EXPECT_EQ((std::vector<std::string>{"Abel", "Eck", "Berg", "Conz"}), Column(T, "KUNDE"));
}

TEST_F(EditingTest, DetailRecordStartsWithItsMastersKey) {
  GivenOrders();
  CreateTable("ADRESSEN", "KUNDENNR,Integer;NAME,Character,20");
  AddRow("ADRESSEN", {{"KUNDENNR", "7"}, {"NAME", "Abel"}});
  AddRow("ADRESSEN", {{"KUNDENNR", "8"}, {"NAME", "Berg"}});
  auto* Master = OpenTable("ADRESSEN");
  Master->Next();
  auto* Source = new TDataSource(Form);
  Source->SetDataSet(Master);
  auto* Detail = Orders();
  Detail->SetIndexName("STATUS");
  Detail->SetMasterSource(Source);
  Detail->SetMasterFields("KUNDENNR");
  Detail->Insert();
  EXPECT_EQ(8, Detail->FieldByName("STATUS")->AsInteger());
  Detail->Cancel();
}

TEST_F(EditingTest, CancelledInsertReturnsToTheRowItWasPlacedBefore) {
  GivenOrders();
  auto* T = Orders();
  T->Next();
  T->Insert();
  Put(T, "KUNDE", "Nie");
  T->Cancel();
  EXPECT_EQ("Berg", Trimmed(T, "KUNDE"));
  EXPECT_EQ(3, T->RecordCount());
}

TEST_F(EditingTest, CancelledAppendReturnsToTheLastRow) {
  GivenOrders();
  auto* T = Orders();
  T->Append();
  T->Cancel();
  EXPECT_EQ("Conz", Trimmed(T, "KUNDE"));
  EXPECT_EQ(3, T->RecordCount());
}

TEST_F(EditingTest, FailedInsertCanBePostedAgainWithoutASecondAppend) {
  GivenOrdersWhoseIndexRefusesStatusZero();
  auto* T = Orders();
  T->Append();
  Put(T, "NR", "40");
  Put(T, "KUNDE", "Doppelt");
  Put(T, "STATUS", "0");
  EXPECT_NE(0, CatchOak([&] { T->Post(); }).ErrorCode);
  EXPECT_EQ(dsInsert, T->State());
  Put(T, "STATUS", "2");
  T->Post();
  EXPECT_EQ(4, T->RecordCount());
  EXPECT_EQ("Doppelt", Trimmed(T, "KUNDE"));
  EXPECT_EQ("2", Stored("AUFTRAEGE", 4, "STATUS"));
}

TEST_F(EditingTest, FailedEditCanBePostedAgainAndKeepsItsLockMeanwhile) {
  GivenOrdersWhoseIndexRefusesStatusZero();
  auto* T = Orders();
  T->Edit();
  Put(T, "STATUS", "0");
  EXPECT_NE(0, CatchOak([&] { T->Post(); }).ErrorCode);
  EXPECT_EQ(dsEdit, T->State());
  EXPECT_FALSE(OtherUserCanLock(1));
  Put(T, "STATUS", "2");
  T->Post();
  EXPECT_EQ("2", Stored("AUFTRAEGE", 1, "STATUS"));
  EXPECT_TRUE(OtherUserCanLock(1));
}

// ---- Delete ------------------------------------------------------------------------------------

TEST_F(EditingTest, DeleteWithHiddenDeletedRecordsShowsTheNextRow) {
  GivenOrders();
  OakShowDeleted(0);
  auto* T = Orders();
  T->Next();
  T->Delete();
  EXPECT_EQ("Conz", Trimmed(T, "KUNDE"));
  EXPECT_EQ((std::vector<std::string>{"Abel", "Conz"}), Column(T, "KUNDE"));
  OakShowDeleted(1);
}

TEST_F(EditingTest, DeleteWithShownDeletedRecordsKeepsTheRow) {
  GivenOrders();
  auto* T = Orders();
  T->Next();
  T->Delete();
  EXPECT_EQ("Berg", Trimmed(T, "KUNDE"));
  EXPECT_TRUE(T->IsRecordDeleted(0));
}

// ---- Encoding values into the raw record ----------------------------------------------------

class EncodingTest : public EditingTest {
 protected:
  // A table with a column of every type and one empty row.
  TOakTable* Types() {
    CreateTable("TYPES", AllTypes);
    AddRow("TYPES", {});
    TOakTable* T = MakeTable("TYPES");
    T->Open();
    return T;
  }
  TOakTable* Reopened(TOakTable* T) {
    T->Close();
    T->Open();
    return T;
  }
  TField* F(TDataSet* D, const char* Name) { return D->FieldByName(Name); }
};

TEST_F(EncodingTest, EveryFieldTypeWrittenThroughItsFieldReadsBack) {
  auto* T = Types();
  T->Edit();
  F(T, "L")->SetAsBoolean(true);
  F(T, "N")->SetAsFloat(-12.5);
  F(T, "NS")->SetAsInteger(42);
  F(T, "D")->SetAsDateTime(EncodeDate(2024, 12, 31));
  F(T, "C")->SetAsString("Straße");
  F(T, "CD")->SetAsDateTime(EncodeDate(2024, 2, 29));
  F(T, "DB")->SetAsFloat(2.25);
  F(T, "I")->SetAsInteger(-7);
  F(T, "SI")->SetAsInteger(300);
  F(T, "T")->SetAsDateTime(EncodeTime(13, 45, 10, 0));
  F(T, "TS")->SetAsDateTime(EncodeDateTime(2024, 1, 2, 10, 0, 0, 500));
  F(T, "CU")->SetAsFloat(19.99);
  F(T, "CI")->SetAsString("Mixed");
  T->Post();
  Reopened(T);
  EXPECT_TRUE(F(T, "L")->AsBoolean());
  EXPECT_DOUBLE_EQ(-12.5, F(T, "N")->AsFloat());
  EXPECT_EQ(42, F(T, "NS")->AsInteger());
  EXPECT_EQ(EncodeDate(2024, 12, 31), F(T, "D")->AsDateTime());
  EXPECT_EQ("Straße", Trimmed(T, "C"));
  EXPECT_EQ(EncodeDate(2024, 2, 29), F(T, "CD")->AsDateTime());
  EXPECT_DOUBLE_EQ(2.25, F(T, "DB")->AsFloat());
  EXPECT_EQ(-7, F(T, "I")->AsInteger());
  EXPECT_EQ(300, F(T, "SI")->AsInteger());
  EXPECT_EQ("13:45:10", FormatDateTime("hh:nn:ss", F(T, "T")->AsDateTime()));
  EXPECT_EQ("02.01.2024 10:00:00.500",
            FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", F(T, "TS")->AsDateTime()));
  EXPECT_DOUBLE_EQ(19.99, F(T, "CU")->AsFloat());
  EXPECT_EQ("Mixed", Trimmed(T, "CI"));
  EXPECT_EQ(std::string("\x04\x8C\x25\x00", 4), StoredRaw("TYPES", 1, "D"));  // Julian day
}

TEST_F(EncodingTest, CompactDateIsPackedIntoThreeBytes) {
  auto* T = Types();
  T->Edit();
  F(T, "CD")->SetAsDateTime(EncodeDate(2024, 12, 31));
  T->Post();
  EXPECT_EQ(std::string("\x0F\xD1\x9F", 3), StoredRaw("TYPES", 1, "CD"));
}

TEST_F(EncodingTest, NumericIsRightAlignedTextWithAPointWhateverTheSeparator) {
  auto* T = Types();  // N: length 6, 2 decimals
  ASSERT_EQ(',', FormatSettings.DecimalSeparator);
  T->Edit();
  F(T, "N")->SetAsFloat(12.5);
  F(T, "NS")->SetAsInteger(7);
  T->Post();
  EXPECT_EQ(" 12.50", StoredRaw("TYPES", 1, "N"));
  EXPECT_EQ("   7", StoredRaw("TYPES", 1, "NS"));
}

TEST_F(EncodingTest, NumericTooWideForItsColumnIsRefused) {
  auto* T = Types();
  T->Edit();
  auto E = CatchOak([&] { F(T, "N")->SetAsFloat(1234.5); });
  EXPECT_EQ(5121, E.ErrorCode);
  EXPECT_NE(String::npos, E.Message().find("Numeric out of range."));
  F(T, "N")->SetAsFloat(-99.99);  // exactly six characters
  T->Post();
  EXPECT_EQ("-99.99", StoredRaw("TYPES", 1, "N"));
}

TEST_F(EncodingTest, BlankTextIsWrittenAsEmpty) {
  auto* T = Types();
  T->Edit();
  F(T, "C")->SetAsString("ab");
  T->Post();
  EXPECT_EQ("ab        ", StoredRaw("TYPES", 1, "C"));
  T->Edit();
  F(T, "C")->SetAsString("   ");
  T->Post();
  EXPECT_EQ(std::string(10, '\0'), StoredRaw("TYPES", 1, "C"));
  EXPECT_TRUE(Reopened(T)->FieldByName("C")->IsNull());
}

TEST_F(EncodingTest, ClearedFieldsGetTheNullMarkersOfTheTable) {
  auto* T = Types();
  T->Edit();
  F(T, "L")->SetAsBoolean(false);
  for (const char* N : {"I", "SI", "DB"}) F(T, N)->SetAsInteger(1);
  for (const char* N : {"D", "TS", "T"}) F(T, N)->SetAsDateTime(EncodeDateTime(2024, 1, 1, 1, 0, 0, 0));
  T->Post();
  T->Edit();
  for (const char* N : {"L", "I", "SI", "DB", "D", "TS", "T"}) F(T, N)->Clear();
  T->Post();
  EXPECT_EQ(" ", StoredRaw("TYPES", 1, "L"));
  EXPECT_EQ(std::string("\0\0\0\x80", 4), StoredRaw("TYPES", 1, "I"));
  EXPECT_EQ(std::string("\0\x80", 2), StoredRaw("TYPES", 1, "SI"));
  EXPECT_EQ(std::string("\x20\0\0\0\0\0\0\x80", 8), StoredRaw("TYPES", 1, "DB"));
  EXPECT_EQ(std::string(4, '\0'), StoredRaw("TYPES", 1, "D"));
  EXPECT_EQ(std::string("\0\0\0\0\xFF\xFF\xFF\xFF", 8), StoredRaw("TYPES", 1, "TS"));
  EXPECT_EQ(std::string(4, '\xFF'), StoredRaw("TYPES", 1, "T"));
  Reopened(T);
  for (const char* N : {"L", "I", "SI", "DB", "D", "TS", "T"}) EXPECT_TRUE(F(T, N)->IsNull()) << N;
}

TEST_F(EncodingTest, MemoValuesArePostedThroughTheirCaches) {
  CreateTable("NOTIZEN", "NR,Integer;M,Memo");
  AddRow("NOTIZEN", {{"NR", "1"}, {"M", "alt"}});
  auto* T = OpenTable("NOTIZEN");
  T->Edit();
  F(T, "M")->SetAsString("neu und länger");
  T->Post();
  T->Append();
  F(T, "NR")->SetAsInteger(2);
  F(T, "M")->SetAsString("zweiter");
  T->Post();
  Reopened(T);
  EXPECT_EQ("neu und länger", Text(T, "M"));
  T->Edit();
  F(T, "M")->Clear();
  T->Post();
  T->Next();
  EXPECT_EQ("zweiter", Text(T, "M"));
  Reopened(T);
  EXPECT_TRUE(F(T, "M")->IsNull());
  EXPECT_EQ("", Stored("NOTIZEN", 1, "M"));
  EXPECT_EQ("zweiter", Stored("NOTIZEN", 2, "M"));
}

TEST_F(EncodingTest, MemoOfAFailedPostIsWrittenByTheNextPost) {
  CreateTable("NOTIZEN", "NR,Integer;STATUS,Integer;M,Memo");
  AddRow("NOTIZEN", {{"NR", "1"}, {"STATUS", "1"}, {"M", "alt"}});
  OAKHANDLE H = EngineOpen("NOTIZEN"), Tag = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakCreateIndex61(H, "", "CHK", "NR", "100 / STATUS > 0", "", 2, 0, &Tag));
  auto* T = OpenTable("NOTIZEN");
  T->Edit();
  F(T, "M")->SetAsString("neu");
  F(T, "STATUS")->SetAsInteger(0);
  EXPECT_NE(0, CatchOak([&] { T->Post(); }).ErrorCode);
  F(T, "STATUS")->SetAsInteger(2);
  T->Post();
  EXPECT_EQ("neu", Stored("NOTIZEN", 1, "M"));
}

// ---- Defaults of new records ----------------------------------------------------------------

TEST_F(EncodingTest, NewRecordTakesTheDefaultExpressions) {
  auto* T = Types();
  F(T, "L")->SetDefaultExpression(".T.");
  F(T, "N")->SetDefaultExpression("12.5");
  F(T, "C")->SetDefaultExpression("  Bonn ");
  F(T, "D")->SetDefaultExpression("01.02.2024");
  F(T, "I")->SetDefaultExpression("17");
  T->Append();
  EXPECT_TRUE(F(T, "L")->AsBoolean());
  EXPECT_EQ("Bonn", Trimmed(T, "C"));
  T->Post();
  Reopened(T)->Last();
  EXPECT_TRUE(F(T, "L")->AsBoolean());
  EXPECT_DOUBLE_EQ(12.5, F(T, "N")->AsFloat());
  EXPECT_EQ("Bonn", Trimmed(T, "C"));
  EXPECT_EQ(EncodeDate(2024, 2, 1), F(T, "D")->AsDateTime());
  EXPECT_EQ(17, F(T, "I")->AsInteger());
  EXPECT_TRUE(F(T, "DB")->IsNull());
}

TEST_F(EncodingTest, LogicalDefaultIsTrueOnlyForItsFourSpellings) {
  auto* T = Types();
  for (const char* Text : {"TRUE", "t", ".T.", "1"}) {
    F(T, "L")->SetDefaultExpression(Text);
    T->Append();
    EXPECT_TRUE(F(T, "L")->AsBoolean()) << Text;
    T->Cancel();
  }
  F(T, "L")->SetDefaultExpression("Y");
  T->Append();
  EXPECT_FALSE(F(T, "L")->AsBoolean());
  T->Cancel();
}

TEST_F(EncodingTest, DefaultThatDoesNotConvertIsReportedWith5121) {
  auto* T = Types();
  F(T, "I")->SetDefaultExpression("abc");
  auto E = CatchOak([&] { T->Append(); });
  EXPECT_EQ(5121, E.ErrorCode);
  EXPECT_NE(String::npos, E.Message().find("Error setting default field value. ("));
  EXPECT_EQ(dsBrowse, T->State());
}

TEST_F(EncodingTest, NumericDefaultTooWideIsOutOfRange) {
  auto* T = Types();
  F(T, "NS")->SetDefaultExpression("123456");
  auto E = CatchOak([&] { T->Append(); });
  EXPECT_NE(String::npos,
            E.Message().find("Error setting default field value. (Numeric out of range: 123456)"));
}

// ---- Rights and key entry ------------------------------------------------------------------------

TEST_F(EditingTest, PermissionNoteBecomesTheEnginesLastErrorWithoutStoppingTheEdit) {
  GivenOrders();
  auto* T = Orders();
  T->NotePermission("Update permission not granted on this table.");
  EXPECT_EQ("Update permission not granted on this table.", OakLastErrorText());
  EditCustomer(T, "Trotzdem");
  T->Post();
  EXPECT_EQ("Trotzdem", Stored("AUFTRAEGE", 1, "KUNDE"));
}

TEST_F(EditingTest, KeyEntryAcceptsOnlyIndexFieldsAndEndsWithPostOrCancel) {
  GivenOrders();
  auto* T = Orders();
  T->SetIndexName("NR");
  T->SetKey();
  try {
    Put(T, "KUNDE", "x");
    ADD_FAILURE() << "no error";
  } catch (EDatabaseError& E) {
    EXPECT_NE(String::npos, E.Message().find("Feld 'KUNDE' ist nicht indiziert"));
  }
  Put(T, "NR", "20");
  T->Post();
  EXPECT_EQ(dsBrowse, T->State());
  EXPECT_TRUE(T->GotoKey());
  EXPECT_EQ("Berg", Trimmed(T, "KUNDE"));
  T->SetKey();
  T->Cancel();
  EXPECT_EQ(dsBrowse, T->State());
}

}  // namespace
