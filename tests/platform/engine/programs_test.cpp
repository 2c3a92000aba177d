// Several programs on one folder: one program's rollback or death never
// costs another's write, index or table. A handle that read during
// another program's transaction reads and writes the rolled-back state; a
// handle opened before a transaction whose program died writes after it,
// and a later recovery undoes nothing of that; a pack or zap is all or
// nothing; a recovery killed itself is completed by the next; files put
// back under a dead journal are left as they are; a transaction makes no
// files and changes the tables of one folder.
#include <set>

#include "programs_fixture.h"
#include "platform/engine/errors.h"

namespace {

namespace fs = std::filesystem;

class ProgramsTest : public TwoProgramsTest {};

// The other program rolls back a transaction whose changes were in memory,
// and one whose pack reached the files while this program read them; this
// program's handle, which read in between, then writes the record beside
// and the record itself, and appends: every tag holds each record once.
TEST_P(ProgramsTest, HandleThatReadDuringARolledBackTransactionWritesTheRolledBackState) {
  for (const bool Packs : {false, true}) {
    PutBack("orders", Raw);
    OAKHANDLE B = OpenOk("orders");
    OAKHANDLE ByText = OAK_INVALID_HANDLE;
    ASSERT_EQ(0u, OakGetIndexHandle(B, "BYTXT", &ByText));
    const std::vector<std::string> Texts = Walk(ByText, "TXT");
    {
      TOtherProgram A([&](TOtherProgram& Self) {
        OAKHANDLE C = 0, T = OrdersInTransaction(C);
        ASSERT_TRUE(Change(T));
        if (Packs) {
          ASSERT_EQ(0u, OakGotoRecord(T, 1));
          ASSERT_EQ(0u, OakDeleteRecord(T));
          ASSERT_EQ(0u, OakLockTable(T));
          ASSERT_EQ(0u, OakPackTable(T));  // reaches the files at once
          ASSERT_EQ(0u, OakUnlockTable(T));
        }
        Self.Handover();
        EXPECT_EQ(0u, OakRollbackTransaction(C));
      });
      // Meanwhile this program reads what the transaction keeps in memory
      // as it was; a table its pack wrote in place is not read until the
      // transaction ends: the read waits, and is refused while it does not.
      UNSIGNED32 N = 0;
      EXPECT_EQ(Packs ? 5035u : 0u, OakGetRecordCount(B, OAK_IGNOREFILTERS, &N));
      if (!Packs) {
        EXPECT_EQ(UNSIGNED32(Layout().Rows), N);
        EXPECT_EQ(Texts, Walk(ByText, "TXT"));
        ASSERT_EQ(0u, OakGotoRecord(B, Mid()));
        EXPECT_EQ(std::to_string(Mid()), Get(B, "ID"));
      }
      EXPECT_FALSE(A.Handover());
      EXPECT_EQ(0, A.End());
    }
    ASSERT_EQ(0u, OakGotoRecord(B, Mid()));
    EXPECT_EQ(std::to_string(Mid()), Get(B, "ID"));
    Set(B, "TXT", "by B");
    ASSERT_EQ(0u, OakWriteRecord(B));
    ASSERT_EQ(0u, OakGotoRecord(B, Mid() + 1));
    Set(B, "TXT", "beside");
    ASSERT_EQ(0u, OakWriteRecord(B));
    Add(B, {{"ID", "9999"}, {"TXT", "appended by B"}});
    ASSERT_EQ(0u, OakCloseTable(B));
    OAKHANDLE T = OpenOk("orders");
    EXPECT_EQ(UNSIGNED32(Layout().Rows + 1), Count(T)) << Packs;
    ExpectWhole(T);
    EXPECT_EQ("by B", TextOf(T, std::to_string(Mid())));
    EXPECT_EQ("appended by B", TextOf(T, "9999"));
    EXPECT_EQ("", TextOf(T, "70001"));
    ASSERT_EQ(0u, OakCloseTable(T));
    EXPECT_EQ("", Journals());
  }
}

// The other program dies before each file change of its transaction in
// turn. A handle this program opened before it began then reads the
// changed record (what the dead program left on the disk) and writes it,
// writes the record beside and appends: all answer 0, every tag holds each
// record once, and the writes are there after every later open, beside
// all of the dead transaction or none of it.
TEST_P(ProgramsTest, HandleOpenedBeforeADeadTransactionWritesAfterIt) {
  for (int Step = 1;; ++Step) {
    PutBack("orders", Raw);
    OAKHANDLE B = OpenOk("orders");
    const bool Killed = RunChild(Step, [&](OAKHANDLE C) { return ChangeInTransaction(C); });
    ASSERT_EQ(0u, OakGotoRecord(B, Mid()));
    Set(B, "TXT", "by B");
    EXPECT_EQ(0u, OakWriteRecord(B)) << LastErrorText();
    ASSERT_EQ(0u, OakGotoRecord(B, Mid() + 1));
    Set(B, "TXT", "beside");
    EXPECT_EQ(0u, OakWriteRecord(B)) << LastErrorText();
    ASSERT_EQ(0u, OakAppendRecord(B));
    Set(B, "ID", "9999");
    Set(B, "TXT", "appended by B");
    EXPECT_EQ(0u, OakWriteRecord(B)) << LastErrorText();
    ASSERT_EQ(0u, OakCloseTable(B));
    for (bool ReadOnly : {true, false}) {
      OAKHANDLE T = OAK_INVALID_HANDLE;
      ASSERT_EQ(0u, OakOpenTable(Conn, "orders", nullptr, OAK_OAT, OAK_ANSI, 1, 1, ReadOnly ? OAK_READONLY : 0, &T))
          << LastErrorText();
      ExpectWhole(T);
      ASSERT_EQ(0u, OakGotoRecord(T, Mid()));
      EXPECT_EQ("by B", Get(T, "TXT"));
      EXPECT_EQ("beside", TextOf(T, std::to_string(Mid() + 1)));
      EXPECT_EQ("appended by B", TextOf(T, "9999"));
      const bool Committed = TextOf(T, "70002") == "new 70002";
      EXPECT_EQ(Committed, TextOf(T, "70001") == "new 70001");
      EXPECT_EQ(UNSIGNED32(Layout().Rows + (Committed ? 3 : 1)), Count(T));
      EXPECT_TRUE(Killed || Committed);
      ASSERT_EQ(0u, OakCloseTable(T));
    }
    EXPECT_EQ("", Journals());
    ASSERT_FALSE(HasFailure()) << "killed before file change " << Step;
    if (!Killed) break;
  }
}

// A recovery killed before each of its own file changes is completed by
// the next open: the table reads and is, byte for byte but its counters,
// as before the dead transaction.
TEST_P(ProgramsTest, RecoveryKilledItselfIsCompletedByTheNext) {
  const std::string Journal = KillBeforeCommitPoint();
  ASSERT_NE("", Journal);
  const std::vector<std::string> Dead = RawFiles("orders");
  const std::string DeadJournal = ReadFile(Journal);
  ASSERT_NE(Before, Files("orders"));
  for (int Step = 1;; ++Step) {
    PutBack("orders", Dead);
    WriteFile(Journal, DeadJournal);
    const bool Killed = RunChild(Step, [&](OAKHANDLE C) {
      OAKHANDLE T = 0;
      return Ok(OakOpenTable(C, "other", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T));
    });
    EXPECT_EQ(Was, Read("orders", Step % 2 == 0));
    EXPECT_EQ(Before, Files("orders"));
    EXPECT_EQ("", Journals());
    ASSERT_FALSE(HasFailure()) << "recovery killed before file change " << Step;
    if (!Killed) break;
  }
}

// Table files put back (from a backup) under a dead transaction's journal
// are left as they are, written over or renamed in place, also with a
// change counter ahead of the transaction's: the open says so once,
// naming the journal, now set aside, and the file; then the table reads
// as put back.
TEST_P(ProgramsTest, FilesPutBackUnderADeadJournalAreLeftAsTheyAre) {
  for (const int Way : {0, 1, 2}) {
    const bool Renamed = Way == 1;
    KillBeforeCommitPoint();
    ASSERT_NE("", Journals());
    if (Way == 2) {
      std::vector<std::string> Ahead = Raw;
      Ahead[0][33] = char(Ahead[0][33] + 100);  // the counter some 25,600 writes on
      PutBack("orders", Ahead);
    } else if (Renamed) {
      const char* Ext[] = {".OAT", ".OAM", ".OAI"};
      for (int I = 0; I < 3; ++I) {
        WriteFile("copy", Raw[I]);
        fs::rename(PathOf("copy"), PathOf(std::string("orders") + Ext[I]));
      }
    } else {
      PutBack("orders", Raw);
    }
    OAKHANDLE T = OAK_INVALID_HANDLE;
    EXPECT_EQ(5095u, Open("other", &T));
    const oak::TRefusedJournal Refused = oak::LastRefusedJournal();
    EXPECT_EQ(oak::TJournalCause::Replaced, Refused.Cause);
    EXPECT_NE(std::string::npos, Refused.Path.find(".OAJ.aside")) << Refused.Path;
    EXPECT_TRUE(fs::exists(Refused.Path));
    EXPECT_NE(std::string::npos, LastErrorText().find(PathOf("orders.OAT"))) << LastErrorText();
    EXPECT_EQ(PathOf("orders.OAT"), Refused.File);
    if (Way != 2) {
      EXPECT_EQ(Raw, RawFiles("orders"));
    }
    EXPECT_EQ("", Journals());
    EXPECT_EQ(Was, Read("orders", false));
    fs::remove(Refused.Path);
    ASSERT_FALSE(HasFailure()) << (Way == 2 ? "counter ahead" : Renamed ? "renamed" : "written over");
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ProgramsTest, ::testing::Values(kSmall, kLarge), LayoutName);

// Pack and zap outside a transaction, through an exclusive handle or the
// table lock, killed before each of their file changes: the next open
// reads the table as before or as packed (zapped), whole.
class MaintenanceKillTest : public KillTest,
                            public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(MaintenanceKillTest, PackAndZapOutsideATransactionAreAllOrNothing) {
  const auto [Zaps, Exclusive] = GetParam();
  MakeTable("orders", kLarge.Rows, kLarge);
  OAKHANDLE T = OpenOk("orders");
  for (UNSIGNED32 R = UNSIGNED32(kLarge.Rows) - 40; R <= UNSIGNED32(kLarge.Rows); R += 7) {
    ASSERT_EQ(0u, OakGotoRecord(T, R));
    ASSERT_EQ(0u, OakDeleteRecord(T));
  }
  ASSERT_EQ(0u, OakCloseTable(T));
  const std::vector<std::string> Raw = RawFiles("orders");
  const std::string Was = Read("orders", true);
  auto Maintain = [&](OAKHANDLE C) {
    OAKHANDLE X = 0;
    return Ok(OakOpenTable(C, "orders", nullptr, OAK_OAT, OAK_ANSI, 1, 1, Exclusive ? OAK_EXCLUSIVE : 0, &X)) &&
           (Exclusive || Ok(OakLockTable(X))) && Ok(Zaps ? OakZapTable(X) : OakPackTable(X));
  };
  ASSERT_FALSE(RunChild(0, Maintain));
  const std::string Done = Read("orders", true);
  ASSERT_NE(Was, Done);
  for (int Step = 1;; ++Step) {
    PutBack("orders", Raw);
    const bool Killed = RunChild(Step, Maintain);
    const std::string Now = Read("orders", Step % 2 == 0);
    EXPECT_TRUE(Now == Was || Now == Done) << "killed before file change " << Step;
    EXPECT_EQ(Now, Read("orders", Step % 2 != 0));
    EXPECT_EQ("", Journals());
    if (!Killed) {
      EXPECT_EQ(Done, Now);
      break;
    }
    ASSERT_FALSE(HasFailure()) << "killed before file change " << Step;
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, MaintenanceKillTest, ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<bool, bool>>& P) {
                           return std::string(std::get<0>(P.param) ? "Zap" : "Pack") +
                                  (std::get<1>(P.param) ? "Exclusive" : "TableLock");
                         });

// Inside a transaction no file is made (an index file, a table) and no
// table of a second folder is changed: each is refused with a reason,
// the transaction goes on, and its rollback leaves the folders as they
// were. A tag in an index file that exists is made as ever.
class TransactionFilesTest : public EngineTest {};

TEST_F(TransactionFilesTest, NewFilesAndASecondFolderAreRefusedInsideATransaction) {
  OAKHANDLE T = Create("orders", "ID,Integer;TXT,Character,10"), I = 0;
  ASSERT_EQ(0u, OakCreateIndex61(T, "", "BYID", "ID", "", "", OAK_COMPOUND, 0, &I));
  Add(T, {{"ID", "1"}, {"TXT", "one"}});
  OAKHANDLE Plain = Create("plain", "ID,Integer");
  fs::create_directory(PathOf("second"));
  OAKHANDLE Second = 0, Far = 0;
  ASSERT_EQ(0u, OakConnect60(PathOf("second").c_str(), OAK_LOCAL_SERVER, "", "", 0, &Second));
  ASSERT_EQ(0u, OakCreateTable(Second, "far", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, "ID,Integer", &Far));
  ASSERT_EQ(0u, OakCloseTable(Far));
  ASSERT_EQ(0u, OakDisconnect(Second));
  ASSERT_EQ(0u, OakOpenTable(Conn, PathOf("second/far.OAT").c_str(), nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &Far));
  ASSERT_EQ(0u, OakCloseTable(T));  // made exclusively: its index is written at the close
  T = OpenOk("orders");
  const auto Orders = Files("orders");

  ASSERT_EQ(0u, OakBeginTransaction(Conn));
  Add(T, {{"ID", "2"}, {"TXT", "two"}});
  auto Refused = [&](UNSIGNED32 Code, const char* Why) {
    EXPECT_EQ(5095u, Code);
    EXPECT_NE(std::string::npos, LastErrorText().find(Why)) << LastErrorText();
  };
  Refused(OakCreateIndex61(Plain, "", "BYID", "ID", "", "", OAK_COMPOUND, 0, &I), "index file cannot be made");
  Refused(OakCreateIndex61(T, "extra.OAI", "X", "TXT", "", "", OAK_COMPOUND, 0, &I), "index file cannot be made");
  OAKHANDLE New = 0;
  Refused(OakCreateTable(Conn, "new", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, "ID,Integer", &New),
          "table cannot be made");
  ASSERT_EQ(0u, OakAppendRecord(Far));
  Refused(OakWriteRecord(Far), "one folder");
  EXPECT_EQ(0u, OakCancelUpdate(Far));
  EXPECT_EQ(0u, OakCreateIndex61(T, "", "BYTXT", "TXT", "", "", OAK_COMPOUND, 0, &I)) << LastErrorText();
  EXPECT_EQ(2u, Count(T));
  ASSERT_EQ(0u, OakRollbackTransaction(Conn));

  for (const char* Gone : {"plain.OAI", "extra.OAI", "new.OAT", "orders.OAT.OAJ", "second/far.OAT.OAJ"})
    EXPECT_FALSE(fs::exists(PathOf(Gone))) << Gone;
  EXPECT_EQ(Orders, Files("orders"));
  EXPECT_EQ(1u, Count(T));
  EXPECT_EQ(0u, Count(Far));
  EXPECT_NE(0u, OakGetIndexHandle(T, "BYTXT", &I));
}

}  // namespace
