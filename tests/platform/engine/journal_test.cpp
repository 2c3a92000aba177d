// Journals left behind: a killed transaction over two tables is rolled
// back when either opens; a journal naming anything but the table files of
// its folder is refused and kept; a failed rollback is reported and
// completed at the next open.
#include <sys/wait.h>
#include <unistd.h>

#include "engine_fixture.h"
#include "platform/os/files.h"

namespace {

class JournalTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    for (const char* Name : {"adr", "orders"}) {
      OAKHANDLE T = Create(Name, "NAME,Character,10;NOTE,Memo"), I = 0;
      ASSERT_EQ(0u, OakCreateIndex61(T, "", "NAME", "NAME", "", "", OAK_COMPOUND, 0, &I));
      for (const char* N : {"a", "b", "c"}) Add(T, {{"NAME", N}, {"NOTE", std::string(200, *N)}});
      ASSERT_EQ(0u, OakCloseTable(T));
    }
  }
  // One entry: the old bytes of Page of Path, whose old size was Size.
  static std::string Entry(const std::string& Path, std::uint64_t Size, std::uint64_t Page,
                           const std::string& Bytes) {
    const std::uint32_t PathLen = std::uint32_t(Path.size()), Len = std::uint32_t(Bytes.size());
    auto Raw = [](const auto& V) { return std::string(reinterpret_cast<const char*>(&V), sizeof V); };
    return Raw(PathLen) + Path + Raw(Size) + Raw(Page) + Raw(Len) + Bytes;
  }
};

TEST_F(JournalTest, KilledTransactionOverTwoTablesIsRolledBackWhenEitherOpens) {
  auto Adr = Files("adr"), Orders = Files("orders");
  if (fork() == 0) {  // changes both tables in one transaction and dies
    OAKHANDLE C = 0, T[2] = {};
    OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C);
    OakOpenTable(C, "adr", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T[0]);
    OakOpenTable(C, "orders", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T[1]);
    OakBeginTransaction(C);
    for (OAKHANDLE X : T) {
      OakGotoRecord(X, 1);
      OakSetField(X, 2, "changed", 7);
      OakAppendRecord(X);  // writes the change
      OakWriteRecord(X);
      OakCloseTable(X);  // kept, with its part of the transaction, until the transaction ends
    }
    _exit(0);
  }
  wait(nullptr);
  ASSERT_NE(Orders, Files("orders"));
  OAKHANDLE T = OpenOk("orders");  // the journal is named after a file of adr
  EXPECT_EQ(Orders, Files("orders"));
  EXPECT_EQ(Adr, Files("adr"));
  EXPECT_EQ(3u, Count(T));
  EXPECT_FALSE(std::filesystem::exists(PathOf("adr.OAT.OAJ")));
}

TEST_F(JournalTest, JournalNamingAnythingButTheTableFilesOfItsFolderIsRefusedAndKept) {
  std::filesystem::create_directory(PathOf("outside"));
  std::filesystem::copy_file(PathOf("orders.OAT"), PathOf("outside/orders.OAT"));
  WriteFile("notes.OAT", "notes\n");
  WriteFile("adr.txt", "text\n");
  const std::string X(4096, 'X');
  for (const std::string& Bad : {Entry(PathOf("outside/orders.OAT"), 4096, 0, X),  // another folder
                                 Entry(PathOf("outside/../adr.txt"), 4096, 0, X),  // another kind
                                 Entry(PathOf("notes.OAT"), 4096, 0, X),           // no table header
                                 Entry(PathOf("adr.OAT"), 1ull << 40, (1ull << 28) - 1, X),  // a hole
                                 Entry(PathOf("adr.OAT"), 4096, 3, X)}) {  // past the old size
    auto Before = Files("adr");
    WriteFile("adr.OAT.OAJ", Entry(PathOf("adr.OAT"), Before[0].size(), 0, Before[0].substr(0, 4096)) + Bad);
    OAKHANDLE T = OAK_INVALID_HANDLE;
    EXPECT_EQ(5095u, Open("adr", &T));
    EXPECT_NE(std::string::npos, LastErrorText().find(PathOf("adr.OAT.OAJ"))) << LastErrorText();
    EXPECT_EQ(Before, Files("adr"));
    EXPECT_TRUE(std::filesystem::exists(PathOf("adr.OAT.OAJ")));
  }
  EXPECT_EQ(ReadFile("orders.OAT"), ReadFile("outside/orders.OAT"));
  EXPECT_EQ("text\n", ReadFile("adr.txt"));
  EXPECT_EQ("notes\n", ReadFile("notes.OAT"));
}

TEST_F(JournalTest, FailedRollbackIsReportedAndCompletedAtTheNextOpen) {
  auto Before = Files("adr");
  OAKHANDLE T = OpenOk("adr");
  ASSERT_EQ(0u, OakBeginTransaction(Conn));
  Add(T, {{"NAME", "d"}, {"NOTE", "new"}});
  os::FaultInjection::SetDiskFull(true);
  EXPECT_NE(0u, OakRollbackTransaction(Conn));
  EXPECT_NE(std::string::npos, LastErrorText().find("rollback failed")) << LastErrorText();
  // The transaction is over; its journal waits, unlocked, for the next open.
  UNSIGNED16 In = 1;
  EXPECT_EQ(0u, OakInTransaction(Conn, &In));
  EXPECT_EQ(0, In);
  os::FaultInjection::Reset();
  EXPECT_EQ(0u, OakCloseTable(T));
  T = OpenOk("adr");
  EXPECT_EQ(Before, Files("adr"));
  EXPECT_EQ(3u, Count(T));
}

}  // namespace
