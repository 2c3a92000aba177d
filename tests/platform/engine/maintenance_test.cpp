// Pack, zap, recall and transactions: what maintenance leaves in the files.
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "engine_fixture.h"

namespace {

class MaintenanceTest : public EngineTest {
 protected:
  // A table with a memo and an index on NAME: five records, two deleted.
  OAKHANDLE Prepared(bool Exclusive = true) {
    OAKHANDLE T = Create("adr", "NAME,Character,10;NOTE,Memo;ID,AutoInc");
    OAKHANDLE I = OAK_INVALID_HANDLE;
    EXPECT_EQ(0u, OakCreateIndex61(T, "", "NAME", "NAME", "", "", OAK_COMPOUND, 0, &I));
    for (const char* N : {"e", "d", "c", "b", "a"}) Add(T, {{"NAME", N}, {"NOTE", std::string(300, *N)}});
    for (UNSIGNED32 R : {2u, 4u}) {
      EXPECT_EQ(0u, OakGotoRecord(T, R));
      EXPECT_EQ(0u, OakDeleteRecord(T));
    }
    if (!Exclusive) {
      OakCloseTable(T);
      T = OpenOk("adr");
    }
    return T;
  }
  OAKHANDLE Order(OAKHANDLE T) {
    OAKHANDLE I = OAK_INVALID_HANDLE;
    EXPECT_EQ(0u, OakGetIndexHandle(T, "NAME", &I));
    return I;
  }
  bool Seek(OAKHANDLE I, const std::string& Key) {
    UNSIGNED16 Found = 0;
    EXPECT_EQ(0u, OakSeek(I, Key.data(), static_cast<UNSIGNED16>(Key.size()), OAK_STRINGKEY,
                          OAK_HARDSEEK, &Found));
    return Found != 0;
  }
  std::vector<std::string> Files() { return EngineTest::Files("adr"); }
};

TEST_F(MaintenanceTest, PackDropsDeletedRecordsAndKeepsIndexAndMemos) {
  OAKHANDLE T = Prepared();
  ASSERT_EQ(0u, OakPackTable(T));
  EXPECT_EQ(3u, Count(T));
  EXPECT_EQ((std::vector<std::string>{"e", "c", "a"}), Walk(T, "NAME"));
  EXPECT_EQ((std::vector<std::string>{"a", "c", "e"}), Walk(Order(T), "NAME"));
  ASSERT_EQ(0u, OakGotoRecord(T, 2));
  EXPECT_EQ(std::string(300, 'c'), Get(T, "NOTE"));
  auto MemoSize = std::filesystem::file_size(PathOf("adr.OAM"));
  Add(T, {{"NAME", "f"}, {"NOTE", std::string(300, 'f')}});  // reuses a freed run
  EXPECT_EQ(MemoSize, std::filesystem::file_size(PathOf("adr.OAM")));
}

TEST_F(MaintenanceTest, PackNeedsExclusiveUseOrTheTableLock) {
  OAKHANDLE T = Prepared(false);
  EXPECT_EQ(5026u, OakPackTable(T));
  EXPECT_EQ(5026u, OakZapTable(T));
  ASSERT_EQ(0u, OakLockTable(T));
  EXPECT_EQ(0u, OakPackTable(T));
  EXPECT_EQ(3u, Count(T));
}

TEST_F(MaintenanceTest, ZapEmptiesTableMemoAndIndex) {
  OAKHANDLE T = Prepared();
  ASSERT_EQ(0u, OakZapTable(T));
  EXPECT_EQ(0u, Count(T));
  ASSERT_EQ(0u, OakGotoTop(Order(T)));
  EXPECT_TRUE(Eof(T));
  Add(T, {{"NAME", "z"}});
  EXPECT_EQ((std::vector<std::string>{"z"}), Walk(Order(T), "NAME"));
}

// Zap and pack inside a transaction, then new rows with memos in the same
// transaction: another connection reads exactly the new rows and their
// memos after the commit, and the files end where the rows and values do.
TEST_F(MaintenanceTest, RowsAppendedAfterAZapOrPackInOneTransactionAreAllThatIsLeft) {
  for (const bool Zaps : {true, false}) {
    OAKHANDLE T = Prepared(false);
    ASSERT_EQ(0u, OakBeginTransaction(Conn));
    ASSERT_EQ(0u, OakLockTable(T));
    ASSERT_EQ(0u, Zaps ? OakZapTable(T) : OakPackTable(T));
    ASSERT_EQ(0u, OakUnlockTable(T));
    for (const char* N : {"x", "y"}) Add(T, {{"NAME", N}, {"NOTE", std::string(90, *N)}});
    ASSERT_EQ(0u, OakCommitTransaction(Conn)) << LastErrorText();
    OAKHANDLE U = 0;
    ASSERT_EQ(0u, Open("adr", &U, false, Connect()));
    const std::vector<std::string> Names = Zaps ? std::vector<std::string>{"x", "y"}
                                                : std::vector<std::string>{"a", "c", "e", "x", "y"};
    EXPECT_EQ(Names, Walk(Order(U), "NAME")) << Zaps;
    for (const std::string& N : Names) {
      ASSERT_TRUE(Seek(Order(U), N));
      EXPECT_EQ(std::string(N < "x" ? 300 : 90, N[0]), Get(U, "NOTE")) << N;
    }
    ASSERT_EQ(0u, OakCloseTable(U));
    ASSERT_EQ(0u, OakCloseTable(T));
    if (Zaps) {
      EXPECT_LT(ReadFile("adr.OAM").size(), 1024u);
    }
    std::filesystem::remove(PathOf("adr.OAT"));
    std::filesystem::remove(PathOf("adr.OAM"));
    std::filesystem::remove(PathOf("adr.OAI"));
  }
}

TEST_F(MaintenanceTest, RecallBringsADeletedRecordBack) {
  OAKHANDLE T = Prepared();
  ASSERT_EQ(0u, OakGotoRecord(T, 2));
  UNSIGNED16 Deleted = 0;
  ASSERT_EQ(0u, OakIsRecordDeleted(T, &Deleted));
  EXPECT_EQ(1, Deleted);
  ASSERT_EQ(0u, OakRecallRecord(T));
  ASSERT_EQ(0u, OakIsRecordDeleted(T, &Deleted));
  EXPECT_EQ(0, Deleted);
  ASSERT_EQ(0u, OakPackTable(T));
  EXPECT_EQ(4u, Count(T));
}

TEST_F(MaintenanceTest, AutoincrementCountsOnAndIsReported) {
  OAKHANDLE T = Prepared();
  UNSIGNED32 Last = 0;
  ASSERT_EQ(0u, OakGetLastAutoinc(T, &Last));
  EXPECT_EQ(5u, Last);
  ASSERT_EQ(0u, OakZapTable(T));
  Add(T, {{"NAME", "n"}});
  EXPECT_EQ("6", Get(T, "ID"));
}

TEST_F(MaintenanceTest, RolledBackTransactionLeavesTheFilesUnchanged) {
  OAKHANDLE T = Prepared(false);
  auto Before = Files();
  ASSERT_EQ(0u, OakBeginTransaction(Conn));
  Add(T, {{"NAME", "new"}, {"NOTE", "memo in txn"}});
  ASSERT_EQ(0u, OakGotoRecord(T, 1));
  Set(T, "NAME", "changed");
  Set(T, "NOTE", "other memo");
  ASSERT_EQ(0u, OakWriteRecord(T));
  ASSERT_EQ(0u, OakGotoRecord(T, 3));
  ASSERT_EQ(0u, OakDeleteRecord(T));
  EXPECT_NE(Before, Files());
  ASSERT_EQ(0u, OakRollbackTransaction(Conn));
  EXPECT_EQ(Before, Files());
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d", "e"}), Walk(Order(T), "NAME"));
  EXPECT_FALSE(std::filesystem::exists(PathOf("adr.OAT.OAJ")));
}

TEST_F(MaintenanceTest, CommittedTransactionKeepsEveryChange) {
  OAKHANDLE T = Prepared(false);
  ASSERT_EQ(0u, OakBeginTransaction(Conn));
  UNSIGNED16 In = 0;
  ASSERT_EQ(0u, OakInTransaction(Conn, &In));
  EXPECT_EQ(1, In);
  Add(T, {{"NAME", "new"}});
  ASSERT_EQ(0u, OakCommitTransaction(Conn));
  EXPECT_EQ(5095u, OakCommitTransaction(Conn));
  ASSERT_EQ(0u, OakCloseTable(T));
  T = OpenOk("adr");
  EXPECT_EQ(6u, Count(T));
  EXPECT_TRUE(Seek(Order(T), "new"));
}

// Values of every size replaced at random, inside a transaction (where
// the memo file keeps its header and the run headers it knows in memory),
// after its commit and after a rolled-back one, must read back as a plain
// model has them.
TEST_F(MaintenanceTest, MemoValuesChangedAtRandomReadBackAsAModelHasThem) {
  OAKHANDLE T = Create("memos", "NOTE,Memo");
  std::vector<std::string> Model(40, "x");
  for (size_t I = 0; I < Model.size(); ++I) Add(T, {{"NOTE", "x"}});
  std::mt19937 Rng(7);
  auto Change = [&] {
    UNSIGNED32 R = 1 + Rng() % Model.size();
    std::string V(Rng() % 300, char('a' + Rng() % 26));
    ASSERT_EQ(0u, OakGotoRecord(T, R));
    Set(T, "NOTE", V);
    ASSERT_EQ(0u, OakWriteRecord(T));
    Model[R - 1] = V;
  };
  auto Stored = [&] {
    std::vector<std::string> Notes;
    for (UNSIGNED32 R = 1; R <= Model.size(); ++R) {
      EXPECT_EQ(0u, OakGotoRecord(T, R));
      Notes.push_back(Get(T, "NOTE", OAK_NONE));
    }
    return Notes;
  };
  ASSERT_EQ(0u, OakBeginTransaction(Conn));
  for (int I = 0; I < 400; ++I) Change();
  EXPECT_EQ(Model, Stored());
  ASSERT_EQ(0u, OakCommitTransaction(Conn));
  for (int I = 0; I < 100; ++I) Change();
  const std::vector<std::string> Kept = Model;
  ASSERT_EQ(0u, OakBeginTransaction(Conn));
  for (int I = 0; I < 50; ++I) Change();
  ASSERT_EQ(0u, OakRollbackTransaction(Conn));
  Model = Kept;
  for (int I = 0; I < 50; ++I) Change();
  ASSERT_EQ(0u, OakCloseTable(T));
  T = OpenOk("memos");
  EXPECT_EQ(Model, Stored());
}

// Another program reads the table as the last commit left it while a
// transaction changes, appends and frees memo values, also after the
// changing handle closed; then the commit's state, a memo past the old end
// of the memo file included.
TEST_F(MaintenanceTest, AnotherConnectionReadsTheCommittedStateUntilTheCommit) {
  OAKHANDLE T = Prepared(false);
  OAKHANDLE Reader = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, Open("adr", &Reader, false, Connect()));
  const std::vector<std::string> Names = Walk(Order(Reader), "NAME");
  ASSERT_EQ(0u, OakBeginTransaction(Conn));
  ASSERT_EQ(0u, OakGotoRecord(T, 1));
  Set(T, "NAME", "z");
  Set(T, "NOTE", std::string(500, 'n'));  // past the memo file's end
  ASSERT_EQ(0u, OakWriteRecord(T));
  Add(T, {{"NAME", "new"}, {"NOTE", std::string(300, 'x')}});  // may take the run of record 1
  ASSERT_EQ(0u, OakCloseTable(T));  // its part waits for the commit
  ASSERT_EQ(0u, OakGotoRecord(Reader, 1));
  EXPECT_EQ(std::string(300, 'e'), Get(Reader, "NOTE"));
  EXPECT_EQ(Names, Walk(Order(Reader), "NAME"));
  EXPECT_EQ(5u, Count(Reader));
  ASSERT_EQ(0u, OakCommitTransaction(Conn));
  ASSERT_EQ(0u, OakGotoRecord(Reader, 1));
  EXPECT_EQ(std::string(500, 'n'), Get(Reader, "NOTE"));
  ASSERT_EQ(0u, OakGotoRecord(Reader, 6));
  EXPECT_EQ(std::string(300, 'x'), Get(Reader, "NOTE"));
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d", "new", "z"}), Walk(Order(Reader), "NAME"));
}

TEST_F(MaintenanceTest, HotJournalOfAKilledProcessIsRolledBackOnOpen) {
  OAKHANDLE T = Prepared(false);
  ASSERT_EQ(0u, OakCloseTable(T));
  auto Before = Files();
  pid_t Pid = fork();
  if (Pid == 0) {
    OAKHANDLE C = 0, X = 0;
    OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C);
    OakOpenTable(C, "adr", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &X);
    OakBeginTransaction(C);
    OakGotoRecord(X, 1);
    OakSetField(X, 1, "killed", 6);
    OakWriteRecord(X);
    OakAppendRecord(X);
    OakWriteRecord(X);
    _exit(0);  // no commit, no rollback: as if killed
  }
  int Status = 0;
  waitpid(Pid, &Status, 0);
  EXPECT_NE(Before, Files());
  T = OpenOk("adr");
  EXPECT_EQ(Before, Files());
  EXPECT_EQ(5u, Count(T));
}

}  // namespace

namespace {

TEST_F(MaintenanceTest, TwoHandlesOfOneConnectionShareATransaction) {
  OAKHANDLE A = Prepared(false);
  OAKHANDLE B = OpenOk("adr");
  auto Before = Files();
  ASSERT_EQ(0u, OakBeginTransaction(Conn));
  Add(A, {{"NAME", "fromA"}});
  EXPECT_EQ(6u, Count(B));
  Add(B, {{"NAME", "fromB"}});
  Add(A, {{"NAME", "againA"}});
  EXPECT_EQ(8u, Count(B));
  ASSERT_EQ(0u, OakRollbackTransaction(Conn));
  EXPECT_EQ(Before, Files());
  EXPECT_EQ(5u, Count(A));
  EXPECT_EQ(5u, Count(B));
}

}  // namespace

namespace {

TEST_F(MaintenanceTest, RunningTransactionIsNotRolledBackByAnotherOpen) {
  OAKHANDLE T = Prepared(false);
  ASSERT_EQ(0u, OakBeginTransaction(Conn));
  Add(T, {{"NAME", "pending"}, {"NOTE", "x"}});
  OAKHANDLE C = Connect(), Other = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, Open("adr", &Other, false, C));
  ASSERT_EQ(0u, OakCommitTransaction(Conn));
  EXPECT_EQ(6u, Count(Other));
  EXPECT_EQ(6u, Count(T));
}

}  // namespace
