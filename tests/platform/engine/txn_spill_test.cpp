// Transactions larger than their batch's memory: with small bounds the
// changed records of a table handle and the changed pages of its index
// wait in temporary files. A seeded run of updates and appends reads back
// through the handle inside the transaction while another connection
// reads the committed state, and ends in a commit or a rollback, each
// compared with a model; a killed one is rolled back and leaves no
// temporary file; a spill that cannot be written fails the write.
#include <map>
#include <random>

#include "kill_fixture.h"
#include "platform/engine/btree_pager.h"
#include "platform/engine/spill.h"
#include "platform/engine/table.h"
#include "scoped_env.h"

namespace {

// Batch bounds this small for the life of the object, as before afterwards.
class TSmallBatches {
 public:
  TSmallBatches() : FMemory(oak::TTableFile::BatchMemory()), FPages(oak::Pager::DefaultCacheLimit()) {
    oak::TTableFile::SetBatchMemory(2048);
    oak::Pager::SetDefaultCacheLimit(6);
  }
  ~TSmallBatches() {
    oak::TTableFile::SetBatchMemory(FMemory);
    oak::Pager::SetDefaultCacheLimit(FPages);
  }

 private:
  std::size_t FMemory, FPages;
};

TEST(SpillFileTest, SlotsComeBackAsPutAndRunsFollowTheBitmap) {
  oak::TSpillFile Spill(3, "test slots");
  std::map<std::uint32_t, std::string> Model;
  std::mt19937 Rng(17);
  for (int I = 0; I < 3000; ++I) {
    const std::uint32_t Slot = Rng() % 700, N = 1 + Rng() % 70;
    std::string Bytes;
    for (std::uint32_t K = 0; K < N * 3; ++K) Bytes += char('a' + Rng() % 26);
    Spill.Put(Slot, Bytes.data(), N);
    for (std::uint32_t K = 0; K < N; ++K) Model[Slot + K] = Bytes.substr(K * 3, 3);
  }
  ASSERT_EQ(Model.size(), Spill.Count());
  std::uint32_t Slot = 0;
  for (auto It = Model.begin(); It != Model.end(); ++Slot) {
    ASSERT_TRUE(Spill.Next(&Slot, UINT32_MAX));
    ASSERT_EQ(It->first, Slot);
    const std::uint32_t Run = Spill.RunFrom(Slot, 1000);
    std::string Got(Run * 3, '\0');
    Spill.Get(Slot, Got.data(), Run);
    for (std::uint32_t K = 0; K < Run; ++K, ++It) {
      ASSERT_TRUE(It != Model.end() && It->first == Slot + K) << Slot + K;
      ASSERT_EQ(It->second, Got.substr(K * 3, 3)) << Slot + K;
    }
    Slot += Run - 1;
  }
  EXPECT_FALSE(Spill.Next(&Slot, UINT32_MAX));
  Spill.Clear();
  EXPECT_EQ(0u, Spill.Count());
  EXPECT_FALSE(Spill.Has(Model.begin()->first));
}

class TxnSpillTest : public KillTest {
 protected:
  struct TRow {
    std::string Name;
    int Number = 0;
  };
  using TModel = std::vector<TRow>;  // record N at N - 1

  void SetUp() override {
    KillTest::SetUp();
    OAKHANDLE I = 0;
    T = Create("spill", "ID,Integer;NAME,Character,20;N,Integer");
    ASSERT_EQ(0u, OakCreateIndex61(T, "", "BYNAME", "NAME", "", "", OAK_COMPOUND, 512, &I));
    for (int R = 0; R < 300; ++R) Committed.push_back(NewRow());
    for (const TRow& Row : Committed) Append(Row);
    ASSERT_EQ(0u, OakCloseTable(T));
    T = OpenOk("spill");
    ASSERT_EQ(0u, Open("spill", &Reader, false, Connect()));
  }
  TRow NewRow() { return {"n" + std::to_string(Rng() % 5000), int(Rng() % 100000)}; }
  void Append(const TRow& Row) { Add(T, {{"NAME", Row.Name}, {"N", std::to_string(Row.Number)}}); }
  void Change(UNSIGNED32 RecNo, const TRow& Row) {
    ASSERT_EQ(0u, OakGotoRecord(T, RecNo));
    Set(T, "NAME", Row.Name);
    Set(T, "N", std::to_string(Row.Number));
    ASSERT_EQ(0u, OakWriteRecord(T));
  }
  static void ExpectRecord(OAKHANDLE H, UNSIGNED32 RecNo, const TRow& Row) {
    ASSERT_EQ(0u, OakGotoRecord(H, RecNo));
    ASSERT_EQ(Row.Name, Get(H, "NAME")) << "record " << RecNo;
    ASSERT_EQ(std::to_string(Row.Number), Get(H, "N")) << "record " << RecNo;
  }
  // H shows Model: every record, and the tag's walk in (name, record) order.
  static void ExpectShows(OAKHANDLE H, const TModel& Model) {
    ASSERT_EQ(Model.size(), Count(H));
    for (UNSIGNED32 R = 1; R <= Model.size(); ++R) ExpectRecord(H, R, Model[R - 1]);
    std::vector<std::pair<std::string, UNSIGNED32>> Order;
    for (UNSIGNED32 R = 1; R <= Model.size(); ++R) Order.emplace_back(Model[R - 1].Name, R);
    std::sort(Order.begin(), Order.end());
    OAKHANDLE I = 0;
    ASSERT_EQ(0u, OakGetIndexHandle(H, "BYNAME", &I));
    std::size_t At = 0;
    ASSERT_EQ(0u, OakGotoTop(I));
    for (; !Eof(H); ++At) {
      ASSERT_LT(At, Order.size());
      ASSERT_EQ(Order[At].second, RecNo(H)) << "key " << At << " of the tag";
      ASSERT_EQ(0u, OakSkip(I, 1));
    }
    ASSERT_EQ(Order.size(), At);
  }

  TSmallBatches Small;
  std::mt19937 Rng{4711};
  OAKHANDLE T = 0, Reader = 0;
  TModel Committed;
};

TEST_F(TxnSpillTest, SeededTransactionsBeyondTheMemoryBoundsMatchTheModel) {
  for (int Round = 0; Round < 4; ++Round) {
    TModel Working = Committed;
    ASSERT_EQ(0u, OakBeginTransaction(Conn));
    for (int Op = 1; Op <= 1200; ++Op) {
      const unsigned Kind = Rng() % 10;
      const UNSIGNED32 Some = UNSIGNED32(1 + Rng() % Working.size());
      if (Kind < 6) {
        Working[Some - 1] = NewRow();
        ASSERT_NO_FATAL_FAILURE(Change(Some, Working[Some - 1]));
      } else if (Kind < 8) {
        Working.push_back(NewRow());
        ASSERT_NO_FATAL_FAILURE(Append(Working.back()));
      } else {
        ASSERT_NO_FATAL_FAILURE(ExpectRecord(T, Some, Working[Some - 1]));
      }
      if (Op % 400 == 0) {
        ASSERT_NO_FATAL_FAILURE(ExpectShows(Reader, Committed)) << "round " << Round;
      }
    }
    ASSERT_NO_FATAL_FAILURE(ExpectShows(T, Working)) << "round " << Round;
    const bool Commit = Round % 2 == 0;
    ASSERT_EQ(0u, Commit ? OakCommitTransaction(Conn) : OakRollbackTransaction(Conn));
    if (Commit) Committed = Working;
    ASSERT_NO_FATAL_FAILURE(ExpectShows(T, Committed)) << "round " << Round;
    ASSERT_NO_FATAL_FAILURE(ExpectShows(Reader, Committed)) << "round " << Round;
  }
}

TEST_F(TxnSpillTest, ASpillThatCannotBeWrittenFailsTheWriteNamingItsFolderAndTheTransactionIsRolledBack) {
  const std::string Missing = Dir + "/no such folder";
  ScopedEnv Temp("TMPDIR", Missing);
  ASSERT_EQ(0u, OakBeginTransaction(Conn));
  UNSIGNED32 Failed = 0;
  for (UNSIGNED32 R = 1; R <= Committed.size() && !Failed; ++R) {
    ASSERT_EQ(0u, OakGotoRecord(T, R));
    Set(T, "NAME", "changed");
    Failed = OakWriteRecord(T);
  }
  EXPECT_EQ(5006u, Failed);
  EXPECT_NE(std::string::npos, LastErrorText().find(Missing)) << LastErrorText();
  EXPECT_NE(std::string::npos, LastErrorText().find("/spill.OA")) << "names what spilled: " << LastErrorText();
  // Its keys changed and its record did not: the transaction cannot be
  // committed, only rolled back.
  EXPECT_EQ(5095u, OakCommitTransaction(Conn));
  EXPECT_NE(std::string::npos, LastErrorText().find("only be rolled back")) << LastErrorText();
  ASSERT_EQ(0u, OakRollbackTransaction(Conn));
  ExpectShows(T, Committed);
}

// A transaction whose changed records and pages spill, killed before
// every seventh of its file changes: the next open rolls it back, and
// nothing is left in the temporary folder.
TEST_F(TxnSpillTest, AKilledTransactionThatSpilledIsRolledBackAndLeavesNoFile) {
  const std::string Temp = Dir + "/temp";
  std::filesystem::create_directories(Temp);
  ScopedEnv TempDir("TMPDIR", Temp);
  TModel Changed = Committed;
  for (UNSIGNED32 R = 1; R <= Changed.size(); R += 2) Changed[R - 1].Name = "k" + std::to_string(R * 7 % 300);
  auto Work = [&](OAKHANDLE C) {
    OAKHANDLE W = 0;
    if (!Ok(OakOpenTable(C, "spill", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &W)) || !Ok(OakBeginTransaction(C)))
      return false;
    for (UNSIGNED32 R = 1; R <= Changed.size(); R += 2)
      if (!Ok(OakGotoRecord(W, R)) || !Put(W, 2, Changed[R - 1].Name) || !Ok(OakWriteRecord(W))) return false;
    return Ok(OakCommitTransaction(C));
  };
  auto ExpectOpenShows = [&](const TModel& Model) {
    OAKHANDLE H = OpenOk("spill");
    ExpectShows(H, Model);
    EXPECT_EQ(0u, OakCloseTable(H));
  };
  int Step = 1;
  for (; RunChild(Step, Work); Step += 7) {
    ExpectOpenShows(Committed);
    EXPECT_EQ("", Journals());
    EXPECT_TRUE(std::filesystem::is_empty(Temp));
    ASSERT_FALSE(HasFailure()) << "killed before file change " << Step;
  }
  EXPECT_GT(Step, 50);
  ExpectOpenShows(Changed);
  EXPECT_TRUE(std::filesystem::is_empty(Temp));
}

}  // namespace
