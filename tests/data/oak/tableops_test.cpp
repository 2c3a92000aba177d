// The direct table operations: seek on the active index, table locks
// between connections and between processes, index creation and deletion,
// delete and recall, go to top and skip, pack, zap and reindex.
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "oak_fixture.h"

namespace {

// Another process working on the data folder through the engine: it runs
// Hold (which takes a lock and answers whether it got it), reports, and
// keeps what it holds until Release (or the end of the scope).
class OtherProcess {
 public:
  explicit OtherProcess(const std::function<bool()>& Hold) {
    if (pipe(FToParent) != 0 || pipe(FToChild) != 0) return;
    FPid = fork();
    if (FPid == 0) {
      char Answer = Hold() ? '1' : '0';
      (void)!write(FToParent[1], &Answer, 1);
      char Wait = 0;
      (void)!read(FToChild[0], &Wait, 1);
      _exit(0);
    }
    char Answer = 0;
    FReady = read(FToParent[0], &Answer, 1) == 1 && Answer == '1';
  }
  OtherProcess(const OtherProcess&) = delete;
  OtherProcess& operator=(const OtherProcess&) = delete;
  ~OtherProcess() { Release(); }
  bool Ready() const { return FReady; }
  // Lets the child end (its locks go with it) and waits for it.
  void Release() {
    if (FPid <= 0) return;
    (void)!write(FToChild[1], "x", 1);
    int Status = 0;
    waitpid(FPid, &Status, 0);
    FPid = -1;
    for (int* P : {FToParent, FToChild}) {
      close(P[0]);
      close(P[1]);
    }
  }

 private:
  int FToParent[2] = {-1, -1}, FToChild[2] = {-1, -1};
  pid_t FPid = -1;
  bool FReady = false;
};

class TableOpsTest : public OakTest {
 protected:
  // The articles of most scenarios: numbers 1..4 with names, tags NR and
  // NAME in the structural index.
  void GivenArticles() {
    CreateTable("ARTIKEL", "NR,Integer;NAME,Character,20");
    const char* Names[] = {"Anker", "Kette", "Boje", "Segel"};
    for (int I = 0; I < 4; ++I)
      AddRow("ARTIKEL", {{"NR", std::to_string(I + 1)}, {"NAME", Names[I]}});
    CreateIndex("ARTIKEL", "NR", "NR");
    CreateIndex("ARTIKEL", "NAME", "NAME");
  }
  TOakExtendedTable* Articles(const std::string& Index = "") {
    return OpenTable("ARTIKEL", Index);
  }
  // A lock of the articles table held by another process.
  OtherProcess TableLockedByOtherProcess() {
    std::string D = Dir;
    return OtherProcess([D] {
      OAKHANDLE C = 0, T = 0;
      if (OakConnect60(D.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C)) return false;
      if (OakOpenTable(C, "ARTIKEL", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T)) return false;
      return OakLockTable(T) == 0;
    });
  }
  // Another process that opens the articles table and runs Op on it;
  // Ready() tells whether Op succeeded.
  OtherProcess ProcessDoing(const std::function<UNSIGNED32(OAKHANDLE)>& Op) {
    std::string D = Dir;
    return OtherProcess([D, Op] {
      OAKHANDLE C = 0, T = 0;
      if (OakConnect60(D.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C)) return false;
      if (OakOpenTable(C, "ARTIKEL", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T)) return false;
      return Op(T) == 0;
    });
  }
  // The articles table opened by another user of this process.
  OAKHANDLE OtherUsersArticles() { return EngineOpen("ARTIKEL", OtherUser()); }
  static std::string Name(TDataSet* D) { return Trimmed(D, "NAME"); }
};

// ---- Seek ---------------------------------------------------------------------------

TEST_F(TableOpsTest, HardSeekOnTextKeyFindsAndShowsTheRecord) {
  GivenArticles();
  auto* T = Articles("NAME");
  EXPECT_TRUE(T->Seek("Kette", true));
  EXPECT_EQ("Kette", Name(T));
  EXPECT_EQ(2, T->FieldByName("NR")->AsInteger());
}

TEST_F(TableOpsTest, HardSeekOnIntegerKeyFindsTheRecord) {
  GivenArticles();
  auto* T = Articles("NR");
  EXPECT_TRUE(T->Seek("3", true));
  EXPECT_EQ("Boje", Name(T));
}

TEST_F(TableOpsTest, HardSeekOfMissingKeyReturnsFalseAndShowsTheLastRecord) {
  GivenArticles();
  auto* T = Articles("NAME");
  EXPECT_FALSE(T->Seek("Mast", true));
  // The engine stands at EOF, so the dataset shows its last record.
  EXPECT_TRUE(T->Eof());
  EXPECT_EQ("Segel", Name(T));
}

TEST_F(TableOpsTest, SoftSeekStopsOnTheNextGreaterKey) {
  GivenArticles();
  auto* T = Articles("NAME");
  EXPECT_FALSE(T->Seek("C", false));
  EXPECT_EQ("Kette", Name(T));
  EXPECT_TRUE(T->Seek("Bo", false));
  EXPECT_EQ("Boje", Name(T));
}

TEST_F(TableOpsTest, SeekWithoutActiveIndexRaisesTheEngineError) {
  GivenArticles();
  auto* T = Articles();
  auto E = CatchOak([&] { T->Seek("1", true); });
  EXPECT_NE(0, E.ErrorCode);
  EXPECT_EQ("Anker", Name(T));
}

TEST_F(TableOpsTest, KeyLongerThan4082CharactersIsSearchedWithItsFirst4082) {
  CreateTable("LANG", "TXT,Character,4096");
  std::string Stored = std::string(4082, 'a') + "bbbb";
  AddRow("LANG", {{"TXT", Stored}});
  auto* T = OpenTable("LANG");
  T->OakTableOptions()->SetOakIndexPageSize(32768);
  T->CreateIndex("", "TXT", "TXT", "", "", {ioCompound});
  T->SetIndexName("TXT");
  // Cut to 4082 characters the key is a prefix of the stored one; the
  // characters after them would not match.
  EXPECT_TRUE(T->Seek(std::string(4082, 'a') + std::string(918, 'z'), true));
  EXPECT_FALSE(T->Seek(std::string(4081, 'a') + "c" + std::string(918, 'a'), true));
}

TEST_F(TableOpsTest, SeekPostsAPendingEditFirst) {
  GivenArticles();
  auto* T = Articles("NR");
  T->Edit();
  T->FieldByName("NAME")->SetAsString("Anker2");
  EXPECT_TRUE(T->Seek("4", true));
  EXPECT_EQ(dsBrowse, T->State());
  EXPECT_TRUE(T->Seek("1", true));
  EXPECT_EQ("Anker2", Name(T));
}

TEST_F(TableOpsTest, SeekShowsTheSoughtRecordAsAnotherUserLastWroteIt) {
  GivenArticles();
  auto* T = Articles("NR");
  EXPECT_TRUE(T->Seek("3", true));
  EXPECT_EQ("Boje", Name(T));
  OtherUserSets("ARTIKEL", 3, "NAME", "Boje rot");
  EXPECT_TRUE(T->Seek("3", true));
  EXPECT_EQ("Boje rot", Name(T));
  EXPECT_EQ(3, T->FieldByName("NR")->AsInteger());
  EXPECT_TRUE(T->Seek("1", true));
  EXPECT_EQ("Anker", Name(T));
  EXPECT_FALSE(T->Eof());
}

// ---- Table locks ----------------------------------------------------------------------

TEST_F(TableOpsTest, LockTableTwiceOnOneHandleSucceedsAndIsReported) {
  GivenArticles();
  auto* T = Articles();
  EXPECT_FALSE(T->IsTableLocked());
  EXPECT_TRUE(T->LockTable());
  EXPECT_TRUE(T->LockTable());
  EXPECT_TRUE(T->IsTableLocked());
  EXPECT_EQ("Anker", Name(T));
}

TEST_F(TableOpsTest, LockTableAnswersFalseWhileAnotherConnectionHoldsTheLock) {
  GivenArticles();
  OAKHANDLE Other = OtherUsersArticles();
  ASSERT_EQ(0u, OakLockTable(Other));
  auto* T = Articles();
  EXPECT_FALSE(T->LockTable());
  EXPECT_FALSE(T->IsTableLocked());
  ASSERT_EQ(0u, OakUnlockTable(Other));
  EXPECT_TRUE(T->LockTable());
}

TEST_F(TableOpsTest, LockTableAnswersFalseWhileAnotherConnectionLocksARecord) {
  GivenArticles();
  OAKHANDLE Other = OtherUsersArticles();
  ASSERT_EQ(0u, OakLockRecord(Other, 3));
  auto* T = Articles();
  EXPECT_FALSE(T->LockTable());
}

TEST_F(TableOpsTest, LockTableAnswersFalseWhileAnotherProcessHoldsTheLock) {
  GivenArticles();
  auto* T = Articles();
  {
    OtherProcess Other = TableLockedByOtherProcess();
    ASSERT_TRUE(Other.Ready());
    EXPECT_FALSE(T->LockTable());
    EXPECT_FALSE(T->LockTable());
  }
  EXPECT_TRUE(T->LockTable());
}

TEST_F(TableOpsTest, TableLockHeldHereKeepsOtherUsersOut) {
  GivenArticles();
  auto* T = Articles();
  ASSERT_TRUE(T->LockTable());
  OAKHANDLE Other = OtherUsersArticles();
  EXPECT_EQ(5035u, OakLockRecord(Other, 1));
  T->Close();
  EXPECT_EQ(0u, OakLockRecord(Other, 1));
}

TEST_F(TableOpsTest, LockFailureOtherThanLockedRaises) {
  GivenArticles();
  auto* T = Articles();
  ASSERT_EQ(0u, OakCloseTable(T->TableHandle()));  // the handle goes stale
  auto E = CatchOak([&] { T->LockTable(); });
  EXPECT_NE(0, E.ErrorCode);
  EXPECT_NE(5035, E.ErrorCode);
  try {
    T->Close();
  } catch (EOAKDatabaseError&) {
  }
}

// ---- Record locks and changes of another process ------------------------------------------

TEST_F(TableOpsTest, EditIsRefusedWhileAnotherProcessLocksTheRecord) {
  GivenArticles();
  auto* T = Articles();
  T->Next();
  {
    OtherProcess Other = ProcessDoing([](OAKHANDLE H) { return OakLockRecord(H, 2); });
    ASSERT_TRUE(Other.Ready());
    EXPECT_EQ(5035, CatchOak([&] { T->Edit(); }).ErrorCode);
    EXPECT_EQ(dsBrowse, T->State());
  }
  T->Edit();
  T->FieldByName("NAME")->SetAsString("Kette2");
  T->Post();
  EXPECT_EQ("Kette2", Name(T));
}

TEST_F(TableOpsTest, PessimisticEditKeepsAnotherProcessFromLockingTheRecord) {
  GivenArticles();
  auto* T = Articles();
  T->Edit();
  EXPECT_FALSE(ProcessDoing([](OAKHANDLE H) { return OakLockRecord(H, 1); }).Ready());
  EXPECT_TRUE(ProcessDoing([](OAKHANDLE H) { return OakLockRecord(H, 2); }).Ready());
  T->Cancel();
  EXPECT_TRUE(ProcessDoing([](OAKHANDLE H) { return OakLockRecord(H, 1); }).Ready());
}

TEST_F(TableOpsTest, OptimisticPostAfterAnotherProcessChangedTheRecordRaises5186) {
  GivenArticles();
  auto* T = MakeTable("ARTIKEL");
  T->OakTableOptions()->SetOakRecordLockingMode(lmOptimistic);
  T->Open();
  T->Edit();
  T->FieldByName("NAME")->SetAsString("Mein Anker");
  EXPECT_TRUE(ProcessDoing([](OAKHANDLE H) {
                UNSIGNED32 R = OakGotoRecord(H, 1);
                if (R == 0) R = OakSetField(H, 1, "99", 2);
                return R ? R : OakWriteRecord(H);
              }).Ready());
  EXPECT_EQ(5186, CatchOak([&] { T->Post(); }).ErrorCode);
  T->Cancel();
  EXPECT_EQ(99, T->FieldByName("NR")->AsInteger());
  EXPECT_EQ("Anker", Name(T));
}

// ---- Indexes -----------------------------------------------------------------------------

TEST_F(TableOpsTest, IndexOptionsGiveTheEngineBits) {
  EXPECT_EQ(2u, OakIndexOptionBits({ioCompound}));
  EXPECT_EQ(1u, OakIndexOptionBits({ioUnique}));
  EXPECT_EQ(8u, OakIndexOptionBits({ioDescending}));
  EXPECT_EQ(4u, OakIndexOptionBits({ioCustom}));
  EXPECT_EQ(16u, OakIndexOptionBits({ioUserDefined}));
  EXPECT_EQ(31u, OakIndexOptionBits({ioCompound, ioUnique, ioDescending, ioCustom, ioUserDefined}));
  EXPECT_EQ(0u, OakIndexOptionBits({}));
}

TEST_F(TableOpsTest, CreatedTagCanBeSelectedByIndexName) {
  CreateTable("ADRESSEN", "ADR_46_,Character,10");
  for (const char* V : {"m", "c", "x", "a"}) AddRow("ADRESSEN", {{"ADR_46_", V}});
  auto* T = OpenTable("ADRESSEN");
  T->CreateIndex("", "ADR_46_", "ADR_46_", "", "", {ioCompound});
  T->SetIndexName("ADR_46_");
  EXPECT_EQ((std::vector<std::string>{"a", "c", "m", "x"}), Column(T, "ADR_46_"));
}

TEST_F(TableOpsTest, CreatedTagCarriesTheOptionBits) {
  GivenArticles();
  auto* T = Articles();
  T->CreateIndex("", "NRDESC", "NR", "", "", {ioCompound, ioUnique, ioDescending});
  OAKHANDLE Index = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakGetIndexHandle(T->TableHandle(), "NRDESC", &Index));
  UNSIGNED16 Unique = 0, Descending = 0;
  ASSERT_EQ(0u, OakIsIndexUnique(Index, &Unique));
  ASSERT_EQ(0u, OakIsIndexDescending(Index, &Descending));
  EXPECT_TRUE(Unique);
  EXPECT_TRUE(Descending);
  T->SetIndexName("NRDESC");
  EXPECT_EQ((std::vector<std::string>{"Segel", "Boje", "Kette", "Anker"}), Column(T, "NAME"));
}

TEST_F(TableOpsTest, CreateIndexWithBadExpressionRaises) {
  GivenArticles();
  auto* T = Articles();
  auto E = CatchOak([&] { T->CreateIndex("", "BAD", "NOSUCHFIELD+", "", "", {ioCompound}); });
  EXPECT_NE(0, E.ErrorCode);
}

TEST_F(TableOpsTest, DeletedTagIsGone) {
  GivenArticles();
  auto* T = Articles();
  T->DeleteIndex("NAME");
  OAKHANDLE Index = OAK_INVALID_HANDLE;
  EXPECT_NE(0u, OakGetIndexHandle(T->TableHandle(), "NAME", &Index));
  auto E = CatchOak([&] { T->DeleteIndex("NAME"); });
  EXPECT_NE(0, E.ErrorCode);
}

// ---- Delete and recall ----------------------------------------------------------------------

TEST_F(TableOpsTest, DeleteRecordMarksTheActiveRecordAndRecallRevivesIt) {
  GivenArticles();
  auto* T = Articles();
  T->Next();
  T->DeleteRecord();
  EXPECT_EQ("Kette", Name(T));  // deleted records are shown in these tests
  EXPECT_TRUE(T->IsRecordDeleted(0));
  T->RecallRecord();
  EXPECT_FALSE(T->IsRecordDeleted(0));
  EXPECT_EQ("Kette", Name(T));
}

TEST_F(TableOpsTest, DeleteRecordWithHiddenDeletedRecordsShowsAnotherRecord) {
  GivenArticles();
  OakShowDeleted(0);
  auto* T = Articles();
  T->Next();
  T->DeleteRecord();
  EXPECT_NE("Kette", Name(T));
  EXPECT_EQ((std::vector<std::string>{"Anker", "Boje", "Segel"}), Column(T, "NAME"));
  OakShowDeleted(1);
}

TEST_F(TableOpsTest, IsRecordDeletedOfAnotherRecordLeavesTheDatasetWhereItWas) {
  GivenArticles();
  OAKHANDLE Other = OtherUsersArticles();
  ASSERT_EQ(0u, OakGotoRecord(Other, 3));
  ASSERT_EQ(0u, OakDeleteRecord(Other));
  auto* T = Articles();
  EXPECT_TRUE(T->IsRecordDeleted(3));
  EXPECT_FALSE(T->IsRecordDeleted(2));
  EXPECT_EQ("Anker", Name(T));
  EXPECT_FALSE(T->IsRecordDeleted(0));
  T->Next();
  EXPECT_EQ("Kette", Name(T));
}

// ---- Moving ---------------------------------------------------------------------------------

TEST_F(TableOpsTest, GotoTopShowsTheFirstRecordOfTheIndex) {
  GivenArticles();
  auto* T = Articles("NAME");
  T->Last();
  T->GotoTop();
  EXPECT_EQ("Anker", Name(T));
  T->Next();
  EXPECT_EQ("Boje", Name(T));
}

TEST_F(TableOpsTest, SkipMovesFromTheActiveRecordInIndexOrder) {
  GivenArticles();
  auto* T = Articles("NAME");  // Anker, Boje, Kette, Segel
  T->Next();
  T->Skip(2);
  EXPECT_EQ("Segel", Name(T));
  T->Skip(-3);
  EXPECT_EQ("Anker", Name(T));
}

TEST_F(TableOpsTest, SkipPastTheEndShowsTheLastRecord) {
  GivenArticles();
  auto* T = Articles("NAME");
  T->Skip(10);
  EXPECT_TRUE(T->Eof());
  EXPECT_EQ("Segel", Name(T));
}

// ---- Maintenance -------------------------------------------------------------------------------

TEST_F(TableOpsTest, PackOfExclusiveTableDropsDeletedRecordsAndShowsTheFirst) {
  GivenArticles();
  auto* T = MakeTable("ARTIKEL");
  T->SetExclusive(true);
  T->Open();
  T->Next();
  T->DeleteRecord();
  T->Last();
  T->DeleteRecord();
  T->PackTable();
  EXPECT_EQ("Anker", Name(T));
  EXPECT_EQ(2, T->RecordCount());
  EXPECT_EQ((std::vector<std::string>{"Anker", "Boje"}), Column(T, "NAME"));
}

TEST_F(TableOpsTest, PackNeedsAnExclusiveOpenOrATableLock) {
  GivenArticles();
  auto* T = Articles();
  T->DeleteRecord();
  auto E = CatchOak([&] { T->PackTable(); });
  EXPECT_EQ(5026, E.ErrorCode);
  ASSERT_TRUE(T->LockTable());
  T->PackTable();
  EXPECT_EQ(3, T->RecordCount());
  EXPECT_EQ("Kette", Name(T));
}

TEST_F(TableOpsTest, ZapEmptiesTheTable) {
  GivenArticles();
  auto* T = MakeTable("ARTIKEL");
  T->SetExclusive(true);
  T->SetIndexName("NAME");
  T->Open();
  T->ZapTable();
  EXPECT_TRUE(T->IsEmpty());
  EXPECT_TRUE(T->Eof());
  EXPECT_EQ(0, T->RecordCount());
}

TEST_F(TableOpsTest, ReindexKeepsTheIndexOrderAndTheRecord) {
  GivenArticles();
  auto* T = Articles("NAME");
  ASSERT_TRUE(T->LockTable());
  T->Next();
  T->Reindex();
  EXPECT_EQ("Boje", Name(T));
  EXPECT_EQ((std::vector<std::string>{"Anker", "Boje", "Kette", "Segel"}), Column(T, "NAME"));
}

}  // namespace
