// Transactions killed before their commit: a writer runs one kind of
// transaction and dies before each of its file changes in turn (journal
// writes, page writes, cuts, flushes). The next open, read-only or not, of
// the changed table or of another table of the folder rolls it back: every
// file of the changed table is byte for byte as before, its records,
// memo values and both walks of each tag read as before, the journal is
// gone, and the untouched table reads as ever. A writer that lives commits.
// The tables come in three layouts: small, and large with every file
// ending inside a 4 KiB page, and one whose files all end on a page.
#include "kill_fixture.h"

namespace {

// 256 bytes of header and 64-byte records: 636 rows end on a page.
constexpr TLayout kLayouts[] = {{"Small", 7, 20, 64, 512, false},
                                {"Large", 1500, 20, 64, 512, false},
                                {"OnPages", 636, 51, 4096, 4096, true}};

// Tag: a new tag in the table's index file (the merge's kind), then a
// change of a record.
enum TKind { Update, Delete, Memo, Append, Grow, Pack, Zap, Tag };
const char* const kKindNames[] = {"Update", "Delete", "Memo", "Append", "Grow", "Pack", "Zap", "Tag"};

class TxnKillTest : public KillTest, public ::testing::WithParamInterface<std::tuple<TLayout, int>> {
 protected:
  const TLayout& Layout() const { return std::get<0>(GetParam()); }
  TKind Kind() const { return TKind(std::get<1>(GetParam())); }

  void SetUp() override {
    KillTest::SetUp();
    MakeTable("orders", Layout().Rows, Layout());
    MakeTable("other", 7, Layout());
  }
  // The transaction of this test's kind on T (fields 1 ID, 2 TXT, 3 NOTE).
  bool Change(OAKHANDLE T) const {
    const UNSIGNED32 Mid = UNSIGNED32(Layout().Rows / 2 + 1);
    switch (Kind()) {
      case Update:
        return Ok(OakGotoRecord(T, Mid)) && Put(T, 1, "-5") && Put(T, 2, "moved") && Ok(OakWriteRecord(T));
      case Delete:
        return Ok(OakGotoRecord(T, Mid)) && Ok(OakDeleteRecord(T)) && Ok(OakGotoRecord(T, 1)) &&
               Ok(OakDeleteRecord(T));
      case Memo:
        return Ok(OakGotoRecord(T, Mid)) && Put(T, 3, std::string(1500, 'M')) && Ok(OakWriteRecord(T)) &&
               Ok(OakGotoRecord(T, 3)) && Put(T, 3, "") && Ok(OakWriteRecord(T));
      case Append:
      case Grow:
        for (int N = 0; N < (Kind() == Append ? 3 : 40); ++N) {
          const std::string Id = std::to_string(100000 + N);
          if (!Ok(OakAppendRecord(T)) || !Put(T, 1, Id) || !Put(T, 2, "new " + Id) ||
              !Put(T, 3, std::string(30 + N * 97 % 1900, 'n')) || !Ok(OakWriteRecord(T)))
            return false;
        }
        return true;
      case Pack:  // odd rows among the last eight: the kept ones move up
        for (int R = 1; R <= Layout().Rows; R += 2)
          if (R > Layout().Rows - 8 && (!Ok(OakGotoRecord(T, UNSIGNED32(R))) || !Ok(OakDeleteRecord(T))))
            return false;
        return Ok(OakPackTable(T));
      case Zap:
        return Ok(OakZapTable(T));
      case Tag: {
        OAKHANDLE I = 0;
        return Ok(OakCreateIndex61(T, "", "LATER", "TXT", "ID > 3", "", OAK_COMPOUND, 0, &I)) &&
               Ok(OakGotoRecord(T, Mid)) && Put(T, 2, "tagged") && Ok(OakWriteRecord(T));
      }
    }
    return false;
  }
  // Runs the transaction in a program that dies before its Step-th file
  // change from its start (Step 0: lives). True when it was killed.
  bool RunChild(int Step) {
    return KillTest::RunChild(Step, [&](OAKHANDLE C) {
      OAKHANDLE T = 0;
      const UNSIGNED32 Options = Kind() == Pack || Kind() == Zap ? OAK_EXCLUSIVE : 0;
      return Ok(OakOpenTable(C, "orders", nullptr, OAK_OAT, OAK_ANSI, 1, 1, Options, &T)) &&
             Ok(OakBeginTransaction(C)) && Change(T) && Ok(OakCommitTransaction(C));
    });
  }
};

TEST_P(TxnKillTest, KilledBeforeEachFileChangeRollsBackAtTheNextOpen) {
  const std::vector<std::string> Raw = RawFiles("orders"), Before = Files("orders"), Other = Files("other");
  for (const std::string& F : Raw)
    ASSERT_EQ(Layout().OnPages, F.size() % 4096 == 0) << Layout().Name << ", a file of " << F.size();
  const std::string Was = Read("orders", true), OtherWas = Read("other", true);
  ASSERT_FALSE(RunChild(0));  // the transaction as it commits
  const std::string Committed = Read("orders", false);
  const std::vector<std::string> CommittedFiles = Files("orders");
  ASSERT_NE(Was, Committed);
  // Past the commit point (the journal's removal) only the cut and the
  // marker are left, which the next handle finishes.
  int PastCommit = 0;
  for (int Step = 1;; ++Step) {
    PutBack("orders", Raw);
    if (!RunChild(Step)) {
      EXPECT_EQ(Committed, Read("orders", true));
      ASSERT_GT(Step, 3);
      break;
    }
    if (Journals().empty() && Read("orders", false) == Committed) {
      // Killed past the commit point (the journal's removal), while it cut
      // what a pack or zap dropped or set its table at rest: committed, and
      // the next handle finishes that.
      ++PastCommit;
      EXPECT_EQ(Unmarked(CommittedFiles), Unmarked(Files("orders")));
      EXPECT_EQ(Committed, Read("orders", true));
      EXPECT_LE(PastCommit, 3) << "killed before file change " << Step;
      continue;
    }
    EXPECT_EQ(0, PastCommit) << "killed before file change " << Step;
    // Either table's open rolls the transaction back, read-only or not;
    // then each table reads as before in both modes.
    const bool OrdersFirst = Step % 2 == 0, ReadOnlyFirst = Step % 4 < 2;
    EXPECT_EQ(OrdersFirst ? Was : OtherWas, Read(OrdersFirst ? "orders" : "other", ReadOnlyFirst));
    EXPECT_EQ("", Journals());
    EXPECT_EQ(Before, Files("orders"));
    EXPECT_EQ(Other, Files("other"));
    EXPECT_EQ(OrdersFirst ? OtherWas : Was, Read(OrdersFirst ? "other" : "orders", ReadOnlyFirst));
    EXPECT_EQ(Was, Read("orders", !ReadOnlyFirst));
    EXPECT_EQ(OtherWas, Read("other", !ReadOnlyFirst));
    ASSERT_FALSE(HasFailure()) << "killed before file change " << Step;
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, TxnKillTest,
                         ::testing::Combine(::testing::ValuesIn(kLayouts), ::testing::Range(0, 8)),
                         [](const ::testing::TestParamInfo<TxnKillTest::ParamType>& P) {
                           return std::string(std::get<0>(P.param).Name) + kKindNames[std::get<1>(P.param)];
                         });

}  // namespace
