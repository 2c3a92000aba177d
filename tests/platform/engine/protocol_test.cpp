// The lock protocol between programs on one folder (locks.h), one scenario
// for each way programs meet: readers wait for another program's pack,
// reindex and commit and then read the new state; a handle that read
// before a dead pack or commit writes only over what it read; writes and
// record locks wait for another program's recovery; record and table locks
// wait for the transaction that changed the row; a shared open waits for
// a dead writer's lock and repairs what it left; a folder copied with its
// journal, a table held exclusively during a recovery, a journal cut short
// or damaged; a single write killed at each step; a memo read after
// another program's zap; and a transaction holds its tables' write locks
// to its last file change.
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/engine/errors.h"
#include "platform/engine/locks.h"
#include "programs_fixture.h"

namespace {

namespace fs = std::filesystem;

class ProtocolTest : public TwoProgramsTest {
 protected:
  // The write sequence of a table file (header bytes 48..51).
  std::uint32_t SeqOf(const std::string& Table) const {
    const std::string H = ReadFile(Table + ".OAT");
    std::uint32_t S = 0;
    if (H.size() >= 52) std::memcpy(&S, H.data() + 48, 4);
    return S;
  }
  // Runs Call on a thread of its own while the other program stands in
  // the middle of its work: Call must not answer before Release lets the
  // program go on (a call that does not wait answers at once; the window
  // only gives it the time to show that). Returns Call's answer.
  static UNSIGNED32 WaitsFor(const std::function<UNSIGNED32()>& Call, const std::function<void()>& Release) {
    std::atomic<bool> Done{false};
    UNSIGNED32 Answer = 0;
    std::thread T([&] {
      Answer = Call();
      Done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_FALSE(Done.load()) << "answered while the other program was in the middle of its work";
    Release();
    T.join();
    return Answer;
  }
  static UNSIGNED32 SeekId(OAKHANDLE T, UNSIGNED32 Id, bool* Found) {
    OAKHANDLE I = OAK_INVALID_HANDLE;
    EXPECT_EQ(0u, OakGetIndexHandle(T, "BYID", &I));
    const std::string Key = std::to_string(Id);
    UNSIGNED16 F = 0;
    const UNSIGNED32 R = OakSeek(I, Key.data(), UNSIGNED16(Key.size()), OAK_STRINGKEY, OAK_HARDSEEK, &F);
    *Found = F != 0;
    return R;
  }
  // Every ID of T once.
  static void ExpectUniqueIds(OAKHANDLE T) {
    std::set<std::string> Ids;
    for (UNSIGNED32 R = 1, N = Count(T); R <= N; ++R) {
      EXPECT_EQ(0u, OakGotoRecord(T, R));
      EXPECT_TRUE(Ids.insert(Get(T, "ID")).second) << "ID " << Get(T, "ID") << " twice";
    }
  }
  // The other program's work of each kind on orders, on its connection.
  enum TWork { Pack, Reindex, Commit, Zap };
  std::function<bool(OAKHANDLE)> Work(TWork Kind) const {
    return [this, Kind](OAKHANDLE C) {
      OAKHANDLE T = 0;
      if (!Ok(OakOpenTable(C, "orders", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T))) return false;
      switch (Kind) {
        case Pack:  // the first rows go: the others move up
          for (UNSIGNED32 R = 1; R <= 3; ++R)
            if (!Ok(OakGotoRecord(T, R)) || !Ok(OakDeleteRecord(T))) return false;
          return Ok(OakLockTable(T)) && Ok(OakPackTable(T));
        case Reindex: return Ok(OakReindex61(T, 0));
        case Commit:  // every third row rewritten, with its key
          if (!Ok(OakBeginTransaction(C))) return false;
          for (UNSIGNED32 R = 1; R <= UNSIGNED32(Layout().Rows); R += 3)
            if (!Ok(OakGotoRecord(T, R)) || !Put(T, 2, "rewritten " + std::to_string(R)) || !Ok(OakWriteRecord(T)))
              return false;
          return Ok(OakCommitTransaction(C));
        case Zap:
          if (!Ok(OakLockTable(T)) || !Ok(OakZapTable(T))) return false;
          for (int N = 1; N <= 4; ++N)
            if (!Ok(OakAppendRecord(T)) || !Put(T, 1, std::to_string(900 + N)) || !Put(T, 2, "after zap") ||
                !Put(T, 3, std::string(50 + N, 'z')) || !Ok(OakWriteRecord(T)))
              return false;
          return true;
      }
      return false;
    };
  }
  // Kill steps to try of work with Changes file changes: every one for a
  // small table, some thirty spread over a large one.
  int Stride(int Changes) const { return Layout().Rows > 100 ? std::max(1, Changes / 30) : 1; }
};

TEST_P(ProtocolTest, ReadersWaitForAnotherProgramsPackReindexAndCommitAndThenReadTheNewState) {
  for (const TWork Kind : {Pack, Reindex, Commit}) {
    PutBack("orders", Raw);
    const int Changes = CountChanges(Work(Kind));
    PutBack("orders", Raw);
    OAKHANDLE B = OpenOk("orders");
    TOtherProgram A([&](TOtherProgram& Self) {
      OAKHANDLE C = 0;
      ASSERT_EQ(0u, OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C));
      Self.PauseBeforeChange(Changes / 2 + 1);
      EXPECT_TRUE(Work(Kind)(C));
    });
    // A stands in the middle of its work, the table written in place.
    EXPECT_EQ(1u, SeqOf("orders") & 1) << Kind;
    bool Found = false;
    EXPECT_EQ(0u, WaitsFor([&] { return SeekId(B, Mid(), &Found); }, [&] { EXPECT_FALSE(A.Handover()); }));
    EXPECT_EQ(0, A.End());
    EXPECT_TRUE(Found) << Kind;
    EXPECT_EQ(std::to_string(Mid()), Get(B, "ID"));
    EXPECT_EQ(UNSIGNED32(Layout().Rows - (Kind == Pack ? 3 : 0)), Count(B));
    if (Kind == Commit) {
      EXPECT_EQ("rewritten 1", TextOf(B, "1"));
    }
    ExpectWhole(B);
    ASSERT_EQ(0u, OakCloseTable(B));
    ASSERT_FALSE(HasFailure()) << "work " << Kind;
  }
}

// B walks a tag backwards; between two of its steps another program packs
// the table (the records before B's move to lower numbers): B's next step
// goes on to the record before, never to the record it stands on, moved.
TEST_P(ProtocolTest, WalkGoesOnAcrossAnotherProgramsPack) {
  OAKHANDLE B = OpenOk("orders"), ById = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakGetIndexHandle(B, "BYID", &ById));
  ASSERT_EQ(0u, OakGotoBottom(ById));
  ASSERT_EQ(0u, OakSkip(ById, -1));
  const int Stood = std::stoi(Get(B, "ID"));
  ASSERT_FALSE(RunChild(0, Work(Pack)));
  ASSERT_EQ(0u, OakSkip(ById, -1));
  EXPECT_EQ(Stood - 1, std::stoi(Get(B, "ID")));
}

// B read a record before A's pack or commit; A dies at each of its file
// changes in turn (or lives). B's write of what it read answers 0 only
// when the record on the disk is still the one B read, and then it is
// there once; else it is refused (5075): nothing is written over another
// record or undone.
TEST_P(ProtocolTest, HandleThatReadBeforeADeadPackOrCommitWritesOnlyOverWhatItRead) {
  for (const TWork Kind : {Pack, Commit}) {
    PutBack("orders", Raw);
    const int Changes = CountChanges(Work(Kind));
    for (int Step = 1; Step <= Changes + 1; Step += Stride(Changes)) {
      PutBack("orders", Raw);
      OAKHANDLE B = OpenOk("orders");
      ASSERT_EQ(0u, OakGotoRecord(B, 4));
      const std::string Id = Get(B, "ID");
      const bool Killed = RunChild(Step > Changes ? 0 : Step, Work(Kind));
      Set(B, "TXT", "by B");
      const UNSIGNED32 Wrote = OakWriteRecord(B);
      EXPECT_TRUE(Wrote == 0 || Wrote == UNSIGNED32(oak::E_RECORD_CHANGED)) << Wrote << ": " << LastErrorText();
      // The pack moved another record into the slot; the commit rewrote
      // record 4: B's image is no longer what the disk holds.
      if (!Killed) {
        EXPECT_EQ(UNSIGNED32(oak::E_RECORD_CHANGED), Wrote);
      }
      ASSERT_EQ(0u, OakCloseTable(B));
      OAKHANDLE T = OpenOk("orders");
      ExpectWhole(T);
      ExpectUniqueIds(T);
      if (Wrote == 0) {
        EXPECT_EQ("by B", TextOf(T, Id));
      }
      ASSERT_EQ(0u, OakCloseTable(T));
      EXPECT_EQ("", Journals());
      ASSERT_FALSE(HasFailure()) << "work " << Kind << ", killed before file change " << Step;
    }
  }
}

// C applies a dead transaction's journal when it opens another table.
// While C stands in the middle of that recovery, B's write waits and then
// goes through; when C dies there, B's write completes the recovery
// first. Either way B's change is there, and nothing of the dead
// transaction; a record lock taken meanwhile waits as well.
TEST_P(ProtocolTest, WriteAndRecordLockDuringAnotherProgramsRecoveryWaitForItsEnd) {
  OAKHANDLE B = OpenOk("orders"), L = OpenOk("orders");
  const std::string Journal = KillBeforeCommitPoint();
  ASSERT_NE("", Journal);
  const std::vector<std::string> Dead = RawFiles("orders");
  const std::string DeadJournal = ReadFile(Journal);
  auto OpenOther = [](OAKHANDLE C) {
    OAKHANDLE T = 0;
    return Ok(OakOpenTable(C, "other", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T));
  };
  const int Changes = CountChanges(OpenOther);
  for (const bool Dies : {false, true}) {
    PutBack("orders", Dead);
    WriteFile(Journal, DeadJournal);
    auto WriteB = [&] {
      const UNSIGNED32 R = OakGotoRecord(B, Mid() + 1);
      if (R) return R;
      Set(B, "TXT", "by B");
      return OakWriteRecord(B);
    };
    if (Dies) {
      ASSERT_TRUE(RunChild(Changes / 2 + 1, OpenOther));
      EXPECT_EQ(0u, WriteB()) << LastErrorText();
      EXPECT_EQ(0u, OakLockRecord(L, 1));
    } else {
      TOtherProgram C([&](TOtherProgram& Self) {
        OAKHANDLE Conn = 0;
        ASSERT_EQ(0u, OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Conn));
        Self.PauseBeforeChange(Changes / 2 + 1);
        EXPECT_TRUE(OpenOther(Conn));
      });
      EXPECT_EQ(1u, SeqOf("orders") & 1);
      EXPECT_EQ(0u, WaitsFor(
                        [&] {
                          const UNSIGNED32 R = OakLockRecord(L, 1);
                          return R ? R : WriteB();
                        },
                        [&] { EXPECT_FALSE(C.Handover()); }))
          << LastErrorText();
      EXPECT_EQ(0, C.End());
    }
    ASSERT_EQ(0u, OakUnlockRecord(L, 1));
    OAKHANDLE T = OpenOk("orders");
    ExpectWhole(T);
    EXPECT_EQ("by B", TextOf(T, std::to_string(Mid() + 1)));
    EXPECT_EQ("", TextOf(T, "70001"));
    EXPECT_EQ(std::to_string(Mid()), [&] {
      EXPECT_EQ(0u, OakGotoRecord(T, Mid()));
      return Get(T, "ID");
    }());
    EXPECT_EQ(UNSIGNED32(Layout().Rows), Count(T));
    ASSERT_EQ(0u, OakCloseTable(T));
    EXPECT_EQ("", Journals());
    ASSERT_FALSE(HasFailure()) << (Dies ? "recovery killed" : "recovery paused");
  }
}

// A's transaction changed row Mid and lives: B's record lock on it, and
// C's table lock, wait until it commits, and then read and write the
// committed row (nothing is lost).
TEST_P(ProtocolTest, RecordAndTableLocksWaitForTheTransactionThatChangedTheRow) {
  for (const bool Table : {false, true}) {
    OAKHANDLE B = OpenOk("orders");
    TOtherProgram A([&](TOtherProgram& Self) {
      OAKHANDLE C = 0, T = OrdersInTransaction(C);
      ASSERT_EQ(0u, OakGotoRecord(T, Mid()));
      ASSERT_TRUE(Put(T, 2, "by A"));
      ASSERT_EQ(0u, OakWriteRecord(T));
      Self.Handover();
      EXPECT_EQ(0u, OakCommitTransaction(C));
    });
    EXPECT_EQ(0u, WaitsFor([&] { return Table ? OakLockTable(B) : OakLockRecord(B, Mid()); },
                           [&] { EXPECT_FALSE(A.Handover()); }))
        << LastErrorText();
    EXPECT_EQ(0, A.End());
    ASSERT_EQ(0u, OakGotoRecord(B, Mid()));
    EXPECT_EQ("by A", Get(B, "TXT"));
    Set(B, "TXT", "by A, then B");
    ASSERT_EQ(0u, OakWriteRecord(B));
    ASSERT_EQ(0u, Table ? OakUnlockTable(B) : OakUnlockRecord(B, Mid()));
    ASSERT_EQ(0u, OakCloseTable(B));
    EXPECT_EQ("by A, then B", TextOf(OpenOk("orders"), std::to_string(Mid())));
  }
}

// A writer dies at each step of an append; its write lock is still held
// a while (as a kernel may let a killed program's locks go late). A shared
// open waits for that lock instead of taking it for a live writer's, then
// settles what the writer left: every tag walks every record.
TEST_P(ProtocolTest, SharedOpenRightAfterAWritersDeathWaitsForItsLockAndRepairs) {
  auto Append = [](OAKHANDLE C) {
    OAKHANDLE T = 0;
    return Ok(OakOpenTable(C, "orders", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T)) && Ok(OakAppendRecord(T)) &&
           Put(T, 1, "80001") && Put(T, 2, "appended") && Put(T, 3, std::string(300, 'p')) && Ok(OakWriteRecord(T));
  };
  const int Changes = CountChanges(Append);
  for (int Step = 1; Step <= Changes; ++Step) {
    PutBack("orders", Raw);
    ASSERT_TRUE(RunChild(Step, Append));
    os::File Held;
    ASSERT_TRUE(Held.Open(PathOf("orders.OAT"), os::Access::ReadWrite, os::Share::DenyNone).ok());
    ASSERT_TRUE(Held.Lock(oak::kWriteByte, 1, os::LockKind::Exclusive).ok());
    OAKHANDLE T = 0, C = Connect();
    // Left in the middle of a change (the sequence odd): the open waits.
    if (SeqOf("orders") & 1)
      EXPECT_EQ(0u, WaitsFor([&] { return Open("orders", &T, false, C); }, [&] { Held.Close(); }));
    else
      EXPECT_EQ(0u, Open("orders", &T, false, C));
    ExpectWhole(T);
    const UNSIGNED32 N = Count(T);
    EXPECT_TRUE(N == UNSIGNED32(Layout().Rows) || N == UNSIGNED32(Layout().Rows + 1)) << N;
    ASSERT_EQ(0u, OakDisconnect(C));
    Extra.pop_back();
    ASSERT_FALSE(HasFailure()) << "killed before file change " << Step;
  }
}

// A data folder copied with its hot journal (every file a new inode) put
// in place of the old: the tables still carry the transaction's marker,
// and the next open rolls it back.
TEST_P(ProtocolTest, FolderCopiedWithItsHotJournalIsRolledBack) {
  KillBeforeCommitPoint();
  ASSERT_NE("", Journals());
  for (const auto& E : fs::directory_iterator(Dir)) {
    const std::string Name = E.path().filename().string(), Bytes = ReadFile(Name);
    fs::remove(E.path());
    WriteFile(Name, Bytes);
  }
  EXPECT_EQ(Was, Read("orders", true));
  EXPECT_EQ(Before, Files("orders"));
  EXPECT_EQ("", Journals());
  for (const auto& E : fs::directory_iterator(Dir)) EXPECT_EQ(std::string::npos, E.path().string().find(".aside"));
}

// A transaction that changed orders and other died before its commit
// wrote them. Another program opened other exclusively meanwhile (while a
// third applied the journal, which the open leaves to it) and holds it
// when orders opens: the journal is refused as held, nothing is written
// back, and writes of orders are refused meanwhile. Once other is let go,
// the next open rolls back both.
TEST_P(ProtocolTest, TableHeldExclusivelyDuringARecoveryIsWaitedForNotSkipped) {
  const std::string OtherWas = Read("other", true);
  const std::vector<std::string> OtherRaw = RawFiles("other");
  OAKHANDLE B = OpenOk("orders");
  auto Both = [this](OAKHANDLE C) {
    OAKHANDLE O = 0;
    return Ok(OakOpenTable(C, "other", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &O)) && ChangeInTransaction(C, [&] {
             return Ok(OakAppendRecord(O)) && Put(O, 1, "77") && Put(O, 2, "in other") && Ok(OakWriteRecord(O));
           });
  };
  // The first kill that leaves both tables marked.
  std::string Journal;
  for (int Step = 1; Journal.empty(); ++Step) {
    PutBack("orders", Raw);
    PutBack("other", OtherRaw);
    for (const auto& E : fs::directory_iterator(Dir))
      if (E.path().extension() == ".OAJ") fs::remove(E.path());
    ASSERT_TRUE(RunChild(Step, Both)) << "no kill left both tables marked";
    if (ReadFile("other.OAT").substr(40, 8) != std::string(8, '\0')) Journal = Journals();
  }
  Journal.pop_back();
  ASSERT_EQ(0u, SeqOf("other") & 1);
  OAKHANDLE X = 0, XC = Connect();
  {
    os::File Applying;
    ASSERT_TRUE(Applying.Open(PathOf(Journal), os::Access::ReadWrite, os::Share::DenyNone).ok());
    ASSERT_TRUE(Applying.Lock(0, 1, os::LockKind::Exclusive).ok());
    ASSERT_EQ(0u, Open("other", &X, true, XC)) << LastErrorText();
  }
  OAKHANDLE T = OAK_INVALID_HANDLE;
  EXPECT_EQ(5095u, Open("orders", &T));
  EXPECT_EQ(oak::TJournalCause::Held, oak::LastRefusedJournal().Cause);
  EXPECT_EQ(PathOf("other.OAT"), oak::LastRefusedJournal().File);
  EXPECT_EQ(Journal + " ", Journals());
  ASSERT_EQ(0u, OakGotoRecord(B, 1));
  Set(B, "TXT", "refused");
  EXPECT_EQ(5095u, OakWriteRecord(B));
  ASSERT_EQ(0u, OakCancelUpdate(B));
  ASSERT_EQ(0u, OakCloseTable(X));
  EXPECT_EQ(Was, Read("orders", false));
  EXPECT_EQ(OtherWas, Read("other", true));
  EXPECT_EQ("", Journals());
}

// A dead transaction's journal cut short, or with an entry damaged, is
// refused (5095, named) and stays; the table it marks, left in the middle
// of the commit, keeps its marker and refuses reads and writes; the
// journal made whole again is applied.
TEST_P(ProtocolTest, CutShortOrDamagedJournalIsRefusedAndItsTablesAreNotWritten) {
  OAKHANDLE B = OpenOk("orders");
  ASSERT_EQ(0u, OakGotoRecord(B, 1));
  const std::string Journal = KillBeforeCommitPoint();
  ASSERT_NE("", Journal);
  const std::string Whole = ReadFile(Journal);
  ASSERT_GT(Whole.size(), 200u);
  for (const bool Cut : {true, false}) {
    std::string Spoilt = Whole;
    if (Cut)
      Spoilt.resize(Whole.size() - 100);
    else
      Spoilt[Whole.size() / 2] ^= 0x40;
    WriteFile(Journal, Spoilt);
    OAKHANDLE T = OAK_INVALID_HANDLE;
    EXPECT_EQ(5095u, Open("other", &T));
    EXPECT_NE(std::string::npos, LastErrorText().find(Cut ? "cut short" : "damaged")) << LastErrorText();
    EXPECT_EQ(PathOf(Journal), oak::LastRefusedJournal().Path);
    Set(B, "TXT", "refused");
    EXPECT_EQ(5095u, OakWriteRecord(B)) << Cut;
    ASSERT_EQ(0u, OakCancelUpdate(B));
    EXPECT_EQ(5095u, OakGotoRecord(B, 2));
    EXPECT_NE(std::string(8, '\0'), ReadFile("orders.OAT").substr(40, 8)) << "the marker went";
    EXPECT_EQ(Spoilt, ReadFile(Journal));
  }
  WriteFile(Journal, Whole);
  EXPECT_EQ(Was, Read("orders", false));
  EXPECT_EQ("", Journals());
}

// A single write outside a transaction (a record's keys and memo change)
// killed before each of its file changes: the next opener, read-only or
// not, reads the record old or new, every tag walking every record.
TEST_P(ProtocolTest, SingleWriteKilledAtEachStepLeavesWhatTheNextOpenerRepairs) {
  auto Update = [this](OAKHANDLE C) {
    OAKHANDLE T = 0;
    return Ok(OakOpenTable(C, "orders", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T)) && Ok(OakGotoRecord(T, Mid())) &&
           Put(T, 1, "-9") && Put(T, 2, "moved") && Put(T, 3, std::string(700, 'u')) && Ok(OakWriteRecord(T));
  };
  const int Changes = CountChanges(Update);
  for (int Step = 1; Step <= Changes; ++Step) {
    PutBack("orders", Raw);
    ASSERT_TRUE(RunChild(Step, Update));
    for (const bool ReadOnly : {Step % 2 == 0, Step % 2 != 0}) {
      OAKHANDLE T = OAK_INVALID_HANDLE;
      ASSERT_EQ(0u, OakOpenTable(Conn, "orders", nullptr, OAK_OAT, OAK_ANSI, 1, 1, ReadOnly ? OAK_READONLY : 0, &T));
      ExpectWhole(T);
      ASSERT_EQ(0u, OakGotoRecord(T, Mid()));
      const std::string Id = Get(T, "ID");
      EXPECT_TRUE(Id == "-9" || Id == std::to_string(Mid())) << Id;
      ASSERT_EQ(0u, OakCloseTable(T));
    }
    ASSERT_FALSE(HasFailure()) << "killed before file change " << Step;
  }
}

// B read a record with a memo; another program zaps the table and appends
// rows with memos: B's next read of the memo answers the record's new
// value, without an error.
TEST_P(ProtocolTest, MemoReadAfterAnotherProgramsZapAndAppendsReadsTheNewValue) {
  OAKHANDLE B = OpenOk("orders");
  ASSERT_EQ(0u, OakGotoRecord(B, 3));
  EXPECT_NE("", Get(B, "NOTE"));
  ASSERT_FALSE(RunChild(0, Work(Zap)));
  EXPECT_EQ(std::string(53, 'z'), Get(B, "NOTE"));
  EXPECT_EQ("903", Get(B, "ID"));
}

// Another program's transaction, stopped before every file change of its
// commit and of its rollback: its table's write lock is held at each of
// them, to the last.
TEST_P(ProtocolTest, TransactionHoldsItsTablesWriteLockToItsLastFileChange) {
  for (const bool Commits : {true, false}) {
    PutBack("orders", Raw);
    TOtherProgram A([&](TOtherProgram& Self) {
      OAKHANDLE C = 0, T = OrdersInTransaction(C);
      ASSERT_TRUE(Change(T));
      Self.PauseBeforeEveryChange();
      EXPECT_EQ(0u, Commits ? OakCommitTransaction(C) : OakRollbackTransaction(C));
    });
    os::File Probe;
    ASSERT_TRUE(Probe.Open(PathOf("orders.OAT"), os::Access::Read, os::Share::DenyNone).ok());
    int Seen = 0;
    do {
      EXPECT_TRUE(Probe.IsLockedByOther(oak::kWriteByte, 1, os::LockKind::Exclusive)) << "at file change " << Seen;
      ++Seen;
    } while (A.Handover());
    EXPECT_EQ(0, A.End());
    EXPECT_GT(Seen, 5);
    EXPECT_EQ(Commits ? "new 70001" : "", TextOf(OpenOk("orders"), "70001"));
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ProtocolTest, ::testing::Values(kSmall, kLarge), LayoutName);

}  // namespace
