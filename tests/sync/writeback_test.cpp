// The write-back of the merged tables: stopped at any of its file steps it
// leaves the office all old or all new once the tool starts again; a table
// another user holds or changed since the copy refuses it before anything
// changed. (Another process holding a table meets the same share modes:
// tests/platform/os/replace_test.cpp.)
#include <map>

#include "platform/os/replace.h"
#include "sync/run_fixture.h"

namespace {

class WriteBackTest : public RunStepTest {
 protected:
  using TSnapshot = std::map<String, String>;

  void SetUp() override {
    RunStepTest::SetUp();
    GivenRunOnOffice();
  }
  void TearDown() override {
    os::SetReplaceStepHook(nullptr);
    RunStepTest::TearDown();
  }

  // The run has copied the office and merged: the copies hold a new order,
  // a new address with a memo and a new article.
  void GivenMergedCopies() {
    ASSERT_TRUE(Form->ReadCurrentMandant());
    const String Copies = Tree("M_Temp/Server/Data/");
    AddRow(Copies, "Auftraege", {{"ID_ORDER", "300000002"}, {"Status", "0"}, {"AdressID", "2"}, {"Notiz", "neu"}});
    AddRow(Copies, "Adressen", {{"ADR_46_", "3         2"}, {"Name", "Neukunde"}, {"Bemerkung", "Memo"}});
    AddRow(Copies, "ArtikelMain", {{"ArtNr", "A-1"}, {"Text", "Artikeltext"}});
  }
  TSnapshot Snapshot(const String& Folder) {
    TSnapshot Files;
    for (const String& Name : RunTableFiles()) Files[Name] = ReadTable(Folder + Name);
    return Files;
  }
  // The write-back stops before file step Step, as a killed tool would.
  void StopAtStep(int Step) {
    os::SetReplaceStepHook([Step](int At) { return At != Step; });
  }
  void ExpectNoLeftovers() {
    for (auto& E : std::filesystem::directory_iterator(Office)) {
      EXPECT_EQ(String::npos, E.path().string().find(".~md")) << E.path();
    }
  }
  void ExpectEveryTableOpens() {
    for (const char* Table : {"setup", "Auftraege", "Adressen", "ArtikelMain", "ArtikelSub", "OrderVL", "TEXT"}) {
      OAKHANDLE T = OpenEngineTable(Office + Table);
      if (T != OAK_INVALID_HANDLE) OakCloseTable(T);
    }
  }
  std::vector<String> ArticleNumbers() { return LiveRows(Office, "ArtikelMain", "ArtNr"); }

  // The text of the write-back's failure ("" when it went through).
  String WriteBackFailure() {
    try {
      Form->WriteBackMandant();
    } catch (const ECanNotUpdateMandant& E) {
      return E.Message().empty() ? String("(leer)") : E.Message();
    }
    return String();
  }
};

// ---- Killed half-way --------------------------------------------------------------------

TEST_F(WriteBackTest, AWriteBackStoppedAtAnyFileStepIsAllOldOrAllNewAfterTheNextStart) {
  // Steps: two while writing the intent record, one per table file, one
  // before removing the record.
  const int Steps = 2 + static_cast<int>(RunTableFiles().size()) + 1;
  for (int Step = 0; Step < Steps; ++Step) {
    SCOPED_TRACE(Step);
    GivenMergedCopies();
    const TSnapshot Old = Snapshot(Office), New = Snapshot(Tree("M_Temp/Server/Data/"));
    ASSERT_NE(Old, New);
    StopAtStep(Step);
    EXPECT_THROW(Form->WriteBackMandant(), ECanNotUpdateMandant);
    os::SetReplaceStepHook(nullptr);
    delete std::exchange(Form, nullptr);  // the tool starts again
    MakeRunForm();
    StartDatabase();
    ASSERT_TRUE(Form->OakConnection->IsConnected());
    Form->LockDatabase(Form, false);
    EXPECT_TRUE(Snapshot(Office) == (Step < 2 ? Old : New));
    ExpectNoLeftovers();
    ExpectEveryTableOpens();
  }
}

TEST_F(WriteBackTest, CopiesLeftByAToolKilledWhileCopyingAreRemovedAtTheNextStart) {
  const TSnapshot Old = Snapshot(Office);
  WriteFile(Office + "Adressen.OAT.~mds", "half a copy");
  StartDatabase();
  EXPECT_TRUE(Form->OakConnection->IsConnected());
  EXPECT_EQ(Old, Snapshot(Office));
  ExpectNoLeftovers();
}

TEST_F(WriteBackTest, AnInterruptedWriteBackIsCompletedBeforeTheNextRunReadsTheOffice) {
  GivenMergedCopies();
  const TSnapshot New = Snapshot(Tree("M_Temp/Server/Data/"));
  StopAtStep(5);
  EXPECT_THROW(Form->WriteBackMandant(), ECanNotUpdateMandant);
  os::SetReplaceStepHook(nullptr);
  ASSERT_NE(New, Snapshot(Office));
  EXPECT_TRUE(Form->ReadCurrentMandant());
  EXPECT_EQ(New, Snapshot(Office));
  ExpectNoLeftovers();
  EXPECT_TRUE(Form->WriteBackMandant());
  EXPECT_EQ(std::vector<String>({"A-1"}), ArticleNumbers());
}

// ---- Tables in use ------------------------------------------------------------------------

TEST_F(WriteBackTest, ATableAnotherUserHoldsOpenRefusesTheWholeWriteBack) {
  GivenMergedCopies();
  const TSnapshot Old = Snapshot(Office);
  OAKHANDLE Other = OpenEngineTable(Office + "ArtikelMain");
  const String Failure = WriteBackFailure();
  EXPECT_NE(String::npos, Failure.find("Die Datei ArtikelMain.OA")) << Failure;
  EXPECT_NE(String::npos, Failure.find("anderen Benutzer")) << Failure;
  EXPECT_EQ(Old, Snapshot(Office));
  ExpectNoLeftovers();
  // The other user's later write is kept.
  ASSERT_EQ(0u, OakAppendRecord(Other));
  UNSIGNED16 No = 0;
  ASSERT_EQ(0u, OakGetFieldNum(Other, "ArtNr", &No));
  ASSERT_EQ(0u, OakSetField(Other, No, "B-2", 3));
  ASSERT_EQ(0u, OakWriteRecord(Other));
  OakCloseTable(Other);
  EXPECT_EQ(std::vector<String>({"B-2"}), ArticleNumbers());
}

TEST_F(WriteBackTest, AnOfficeTableChangedSinceTheCopyRefusesTheWriteBackByName) {
  GivenMergedCopies();
  AddRow(Office, "ArtikelMain", {{"ArtNr", "im Büro erfasst"}});
  const TSnapshot Changed = Snapshot(Office);
  const String Failure = WriteBackFailure();
  EXPECT_NE(String::npos, Failure.find("ArtikelMain.OAT")) << Failure;
  EXPECT_NE(String::npos, Failure.find("geändert")) << Failure;
  EXPECT_EQ(String::npos, Failure.find("Adressen")) << Failure;
  EXPECT_EQ(Changed, Snapshot(Office));
  EXPECT_EQ(std::vector<String>({"im Büro erfasst"}), ArticleNumbers());
  ExpectNoLeftovers();
}

}  // namespace
