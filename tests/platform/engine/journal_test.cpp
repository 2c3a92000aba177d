// Transaction journals left behind: a killed transaction is rolled back at
// the next open, also over several tables; a journal that names anything
// else than the table files of its own folder is refused and kept; a
// rollback that fails is reported and completed at the next open.
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "engine_fixture.h"
#include "platform/os/files.h"

namespace {

class JournalTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    for (const char* Name : {"adr", "orders"}) {
      OAKHANDLE T = Create(Name, "NAME,Character,10;NOTE,Memo");
      OAKHANDLE I = OAK_INVALID_HANDLE;
      ASSERT_EQ(0u, OakCreateIndex61(T, "", "NAME", "NAME", "", "", OAK_COMPOUND, 0, &I));
      for (const char* N : {"a", "b", "c"}) Add(T, {{"NAME", N}, {"NOTE", std::string(200, *N)}});
      ASSERT_EQ(0u, OakCloseTable(T));
    }
  }
  std::vector<std::string> Files(const std::string& Table) {
    return {ReadFile(Table + ".OAT"), ReadFile(Table + ".OAM"), ReadFile(Table + ".OAI")};
  }
  // One journal entry: the old bytes of Page of Path.
  static std::string Entry(const std::string& Path, std::uint64_t Size, std::uint64_t Page,
                           const std::string& Bytes) {
    std::string E;
    auto Put = [&E](const void* P, size_t N) { E.append(static_cast<const char*>(P), N); };
    std::uint32_t PathLen = static_cast<std::uint32_t>(Path.size()), Len = static_cast<std::uint32_t>(Bytes.size());
    Put(&PathLen, 4);
    E += Path;
    Put(&Size, 8);
    Put(&Page, 8);
    Put(&Len, 4);
    return E + Bytes;
  }
  void WriteFile(const std::string& File, const std::string& Data) {
    std::ofstream(PathOf(File), std::ios::binary | std::ios::trunc) << Data;
  }
  // A child changes both tables in one transaction and dies before commit
  // or rollback.
  void KilledTransactionOverBothTables() {
    pid_t Pid = fork();
    if (Pid == 0) {
      OAKHANDLE C = 0, A = 0, O = 0;
      OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C);
      OakOpenTable(C, "adr", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &A);
      OakOpenTable(C, "orders", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &O);
      OakBeginTransaction(C);
      for (OAKHANDLE T : {A, O}) {
        OakGotoRecord(T, 1);
        OakSetField(T, 2, "changed", 7);
        OakWriteRecord(T);
        OakAppendRecord(T);
        OakSetField(T, 1, "new", 3);
        OakWriteRecord(T);
      }
      OakCloseTable(A);  // writes what the transaction deferred, under the journal
      OakCloseTable(O);
      _exit(0);
    }
    int Status = 0;
    waitpid(Pid, &Status, 0);
  }
};

TEST_F(JournalTest, KilledTransactionOverTwoTablesIsRolledBackWhenEitherOpens) {
  auto Adr = Files("adr"), Orders = Files("orders");
  KilledTransactionOverBothTables();
  ASSERT_NE(Orders, Files("orders"));
  OAKHANDLE T = OpenOk("orders");  // the journal is named after a file of adr
  EXPECT_EQ(Orders, Files("orders"));
  EXPECT_EQ(Adr, Files("adr"));
  EXPECT_EQ(3u, Count(T));
  ASSERT_EQ(0u, OakGotoTop(T));
  EXPECT_EQ(std::string(200, 'a'), Get(T, "NOTE"));
  EXPECT_FALSE(std::filesystem::exists(PathOf("adr.OAT.OAJ")));
}

TEST_F(JournalTest, JournalNamingAnythingButTheTableFilesOfItsFolderIsRefusedAndKept) {
  std::filesystem::create_directory(PathOf("outside"));
  std::filesystem::copy_file(PathOf("orders.OAT"), PathOf("outside/orders.OAT"));
  WriteFile("notes.OAT", "not a table, just notes\n");
  const std::string Garbage(4096, 'X');
  const std::string Journals[] = {
      Entry(PathOf("outside/orders.OAT"), 4096, 0, Garbage),    // another folder
      Entry(PathOf("outside/../adr.txt"), 4096, 0, Garbage),    // another kind
      Entry(PathOf("notes.OAT"), 4096, 0, Garbage),             // no table header
      Entry(PathOf("adr.OAT"), 1ull << 40, (1ull << 40) / 4096 - 1, Garbage),  // a hole of 1 TB
      Entry(PathOf("adr.OAT"), 4096, 3, Garbage),               // a page past the old size
  };
  WriteFile("adr.txt", "plain text\n");
  for (const std::string& J : Journals) {
    auto Before = Files("adr");
    WriteFile("adr.OAT.OAJ", Entry(PathOf("adr.OAT"), Before[0].size(), 0, Before[0].substr(0, 4096)) + J);
    OAKHANDLE T = OAK_INVALID_HANDLE;
    EXPECT_EQ(5095u, Open("adr", &T));
    EXPECT_NE(std::string::npos, LastErrorText().find(PathOf("adr.OAT.OAJ"))) << LastErrorText();
    EXPECT_EQ(Before, Files("adr"));
    EXPECT_TRUE(std::filesystem::exists(PathOf("adr.OAT.OAJ")));
  }
  EXPECT_EQ(ReadFile("orders.OAT"), ReadFile("outside/orders.OAT"));
  EXPECT_EQ("plain text\n", ReadFile("adr.txt"));
  EXPECT_EQ("not a table, just notes\n", ReadFile("notes.OAT"));
}

TEST_F(JournalTest, FailedRollbackIsReportedAndCompletedAtTheNextOpen) {
  auto Before = Files("adr");
  OAKHANDLE T = OpenOk("adr");
  ASSERT_EQ(0u, OakBeginTransaction(Conn));
  Add(T, {{"NAME", "d"}, {"NOTE", "new"}});
  ASSERT_EQ(0u, OakGotoRecord(T, 1));
  Set(T, "NAME", "z");
  ASSERT_EQ(0u, OakWriteRecord(T));
  os::FaultInjection::SetDiskFull(true);
  EXPECT_NE(0u, OakRollbackTransaction(Conn));
  EXPECT_NE(std::string::npos, LastErrorText().find("rollback failed")) << LastErrorText();
  EXPECT_NE(0u, OakDisconnect(Conn));  // the second attempt fails too: reported
  os::FaultInjection::Reset();
  Conn = 0;
  ASSERT_EQ(0u, OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Conn));
  T = OpenOk("adr");
  EXPECT_EQ(Before, Files("adr"));
  EXPECT_EQ(3u, Count(T));
}

}  // namespace
