// Transactions killed before their commit: a writer runs one kind of
// transaction and dies before each of its file changes in turn (journal
// writes, page writes, cuts, flushes). The next open, read-only or not, of
// the changed table or of another table of the folder rolls it back: every
// file of the changed table is byte for byte as before, its records,
// memo values and both walks of each tag read as before, the journal is
// gone, and the untouched table reads as ever. A writer that lives commits.
// The tables come in three layouts: small, and large with every file
// ending inside a 4 KiB page, and one whose files all end on a page.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "engine_fixture.h"
#include "platform/os/files.h"

namespace {

struct TLayout {
  const char* Name;
  int Rows, TxtLength, MemoBlock, IndexPage;
  bool OnPages;  // every file ends on a 4 KiB page (else inside one)
};
// 256 bytes of header and 64-byte records: 636 rows end on a page.
constexpr TLayout kLayouts[] = {{"Small", 7, 20, 64, 512, false},
                                {"Large", 1500, 20, 64, 512, false},
                                {"OnPages", 636, 51, 4096, 4096, true}};

enum TKind { Update, Delete, Memo, Append, Grow, Pack, Zap };
const char* const kKindNames[] = {"Update", "Delete", "Memo", "Append", "Grow", "Pack", "Zap"};

class TxnKillTest : public EngineTest, public ::testing::WithParamInterface<std::tuple<TLayout, int>> {
 protected:
  const TLayout& Layout() const { return std::get<0>(GetParam()); }
  TKind Kind() const { return TKind(std::get<1>(GetParam())); }

  void SetUp() override {
    EngineTest::SetUp();
    MakeTable("orders", Layout().Rows);
    MakeTable("other", 7);
  }
  void MakeTable(const char* Name, int Rows) {
    const std::string Fields = "ID,Integer;TXT,Character," + std::to_string(Layout().TxtLength) + ";NOTE,Memo";
    OAKHANDLE T = 0, I = 0;
    ASSERT_EQ(0u, OakCreateTable(Conn, Name, nullptr, OAK_OAT, OAK_ANSI, 1, 1,
                                 UNSIGNED16(Layout().MemoBlock), Fields.c_str(), &T));
    for (const char* Tag : {"ID", "TXT"})
      ASSERT_EQ(0u, OakCreateIndex61(T, "", (std::string("BY") + Tag).c_str(), Tag, "", "", OAK_COMPOUND,
                                     UNSIGNED32(Layout().IndexPage), &I));
    for (int N = 1; N <= Rows; ++N) Row(T, N);
    ASSERT_EQ(0u, OakCloseTable(T));
  }
  // Record N: its text says N, one in three has a memo of a length of its own.
  void Row(OAKHANDLE T, int N) const {
    const bool Memo = N % 3 == 0 && (!Layout().OnPages || N % 30 == 0);
    Add(T, {{"ID", std::to_string(N)}, {"TXT", "row " + std::to_string(N * 7919 % 10007)},
            {"NOTE", Memo ? std::string(20 + N % 700, char('a' + N % 26)) : std::string()}});
  }
  static bool Ok(UNSIGNED32 R) { return R == 0; }
  static bool Set(OAKHANDLE T, UNSIGNED16 Field, const std::string& V) {
    return Ok(OakSetField(T, Field, V.data(), UNSIGNED32(V.size())));
  }
  // The transaction of this test's kind on T (fields 1 ID, 2 TXT, 3 NOTE).
  bool Change(OAKHANDLE T) const {
    const UNSIGNED32 Mid = UNSIGNED32(Layout().Rows / 2 + 1);
    switch (Kind()) {
      case Update:
        return Ok(OakGotoRecord(T, Mid)) && Set(T, 1, "-5") && Set(T, 2, "moved") && Ok(OakWriteRecord(T));
      case Delete:
        return Ok(OakGotoRecord(T, Mid)) && Ok(OakDeleteRecord(T)) && Ok(OakGotoRecord(T, 1)) &&
               Ok(OakDeleteRecord(T));
      case Memo:
        return Ok(OakGotoRecord(T, Mid)) && Set(T, 3, std::string(1500, 'M')) && Ok(OakWriteRecord(T)) &&
               Ok(OakGotoRecord(T, 3)) && Set(T, 3, "") && Ok(OakWriteRecord(T));
      case Append:
      case Grow:
        for (int N = 0; N < (Kind() == Append ? 3 : 40); ++N) {
          const std::string Id = std::to_string(100000 + N);
          if (!Ok(OakAppendRecord(T)) || !Set(T, 1, Id) || !Set(T, 2, "new " + Id) ||
              !Set(T, 3, std::string(30 + N * 97 % 1900, 'n')) || !Ok(OakWriteRecord(T)))
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
    }
    return false;
  }
  // Runs the transaction in a child that dies before its Step-th file
  // change from its start (Step 0: lives). True when it was killed.
  bool RunChild(int Step) {
    pid_t Pid = fork();
    if (Pid == 0) {
      OAKHANDLE C = 0, T = 0;
      const UNSIGNED32 Options = Kind() == Pack || Kind() == Zap ? OAK_EXCLUSIVE : 0;
      if (OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C) ||
          OakOpenTable(C, "orders", nullptr, OAK_OAT, OAK_ANSI, 1, 1, Options, &T))
        _exit(2);
      if (Step) DieBeforeChange(Step);
      if (!Ok(OakBeginTransaction(C)) || !Change(T) || !Ok(OakCommitTransaction(C))) {
        std::fprintf(stderr, "%s\n", LastErrorText().c_str());
        _exit(3);
      }
      _exit(0);
    }
    int Status = 0;
    waitpid(Pid, &Status, 0);
    EXPECT_TRUE(WIFSIGNALED(Status) || (WIFEXITED(Status) && WEXITSTATUS(Status) == 0))
        << "step " << Step << ": exit " << WEXITSTATUS(Status);
    return WIFSIGNALED(Status);
  }

  // The table as a reader sees it: every record (deleted flag, fields,
  // memo) in record order, then each tag's IDs walked down and up.
  static std::string Contents(OAKHANDLE T) {
    std::string Out;
    const UNSIGNED32 N = Count(T);
    for (UNSIGNED32 R = 1; R <= N; ++R) {
      UNSIGNED16 Deleted = 0;
      EXPECT_EQ(0u, OakGotoRecord(T, R));
      EXPECT_EQ(0u, OakIsRecordDeleted(T, &Deleted));
      Out += (Deleted ? "*" : " ") + Get(T, "ID") + "|" + Get(T, "TXT") + "|" + Get(T, "NOTE") + "\n";
    }
    for (const char* Tag : {"BYID", "BYTXT"}) {
      OAKHANDLE I = OAK_INVALID_HANDLE;
      EXPECT_EQ(0u, OakGetIndexHandle(T, Tag, &I));
      Out += Tag;
      for (const std::string& Id : Walk(I, "ID")) Out += " " + Id;
      Out += " /";
      EXPECT_EQ(0u, OakGotoBottom(I));
      while (!Bof(I)) {
        Out += " " + Get(I, "ID");
        EXPECT_EQ(0u, OakSkip(I, -1));
      }
      Out += "\n";
    }
    return Out;
  }
  // Files of a table with its transaction marker left out.
  static std::vector<std::string> Unmarked(std::vector<std::string> F) {
    if (F[0].size() >= 48) F[0].replace(40, 8, 8, '#');
    return F;
  }
  // The journals in the folder, by name.
  std::string Journals() const {
    std::string Names;
    for (const auto& E : std::filesystem::directory_iterator(Dir))
      if (E.path().extension() == ".OAJ") Names += E.path().filename().string() + " ";
    return Names;
  }
  // Opens Name read-only or as a writer and reads it whole.
  std::string Read(const std::string& Name, bool ReadOnly) {
    OAKHANDLE T = OAK_INVALID_HANDLE;
    UNSIGNED32 R = OakOpenTable(Conn, Name.c_str(), nullptr, OAK_OAT, OAK_ANSI, 1, 1,
                                ReadOnly ? OAK_READONLY : 0, &T);
    EXPECT_EQ(0u, R) << Name << ": " << LastErrorText();
    if (R) return "(not opened)";
    std::string Out = Contents(T);
    EXPECT_EQ(0u, OakCloseTable(T));
    return Out;
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
  // Past the commit point (the journal's removal) only the marker is left
  // to clear, which the next writer does.
  int PastCommit = 0;
  for (int Step = 1;; ++Step) {
    PutBack("orders", Raw);
    if (!RunChild(Step)) {
      EXPECT_EQ(Committed, Read("orders", true));
      ASSERT_GT(Step, 3);
      break;
    }
    if (Journals().empty() && Unmarked(Files("orders")) == Unmarked(CommittedFiles)) {
      // Killed while it cleared its marker: committed, and the next
      // writer clears the marker.
      ++PastCommit;
      EXPECT_EQ(Committed, Read("orders", false));
      EXPECT_EQ(Committed, Read("orders", true));
      EXPECT_LE(PastCommit, 1) << "killed before file change " << Step;
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
                         ::testing::Combine(::testing::ValuesIn(kLayouts), ::testing::Range(0, 7)),
                         [](const ::testing::TestParamInfo<TxnKillTest::ParamType>& P) {
                           return std::string(std::get<0>(P.param).Name) + kKindNames[std::get<1>(P.param)];
                         });

}  // namespace
