// Crash recovery: a writer that dies between its record and its index
// keys, or anywhere else in a write, leaves tags that match their table
// (and memo values that read) for the next handle; another handle's table
// lock refuses appends.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <filesystem>
#include <fstream>
#include <random>

#include "engine_fixture.h"
#include "platform/os/files.h"

namespace {

class CrashTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    OAKHANDLE T = Create("orders", "ID,Integer;TXT,Character,12;NOTE,Memo");
    OAKHANDLE I = OAK_INVALID_HANDLE;
    ASSERT_EQ(0u, OakCreateIndex61(T, "", "BYID", "ID", "", "", OAK_COMPOUND, 0, &I));
    ASSERT_EQ(0u, OakCreateIndex61(T, "", "BYTXT", "TXT", "", "", OAK_COMPOUND, 0, &I));
    for (int N = 1; N <= 3; ++N) Order(T, N);
    ASSERT_EQ(0u, OakCloseTable(T));
  }
  // Appends order N: its text and memo say N.
  static void Order(OAKHANDLE T, int N) {
    Add(T, {{"ID", std::to_string(N)}, {"TXT", "order " + std::to_string(N)},
            {"NOTE", std::string(50 + N % 300, 'a' + N % 26)}});
  }
  // A child that opens the table (with Flags) and runs Body on it; its
  // process id. Exit code 2: the table did not open.
  pid_t Child(int Flags, const std::function<void(OAKHANDLE)>& Body) {
    pid_t Pid = fork();
    if (Pid != 0) return Pid;
    OAKHANDLE C = 0, T = 0;
    OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C);
    if (OakOpenTable(C, "orders", nullptr, OAK_OAT, OAK_ANSI, 1, 1, Flags, &T)) _exit(2);
    Body(T);
    _exit(0);
  }
  static int Reaped(pid_t Pid) {
    int Status = 0;
    waitpid(Pid, &Status, 0);
    return Status;
  }
  // A child that writes without end (Body, one byte down its pipe after
  // each step) is killed after Steps steps plus Spin microseconds.
  void KillAfter(int Flags, int Steps, int Spin, const std::function<void(OAKHANDLE, int Pipe)>& Body) {
    int P[2];
    ASSERT_EQ(0, pipe(P));
    pid_t Pid = Child(Flags, [&](OAKHANDLE T) {
      close(P[0]);
      Body(T, P[1]);
    });
    close(P[1]);
    char B;
    for (int I = 0; I < Steps && read(P[0], &B, 1) == 1; ++I) {
    }
    auto Until = std::chrono::steady_clock::now() + std::chrono::microseconds(Spin);
    while (std::chrono::steady_clock::now() < Until) {
    }
    kill(Pid, SIGKILL);
    int Status = Reaped(Pid);
    close(P[0]);
    ASSERT_TRUE(WIFSIGNALED(Status)) << "writer ended by itself: " << WEXITSTATUS(Status);
  }
  // One step done: a byte down Pipe.
  static void Stepped(int Pipe) {
    if (write(Pipe, "x", 1) != 1) _exit(4);
  }
  // Kills a writer that appends orders from First on (and rewrites memos
  // of earlier ones) after Steps appends plus Spin microseconds.
  void KillWriterAfter(int First, int Steps, int Spin) {
    KillAfter(0, Steps, Spin, [First](OAKHANDLE T, int Pipe) {
      for (int N = First;; ++N) {
        std::string Id = std::to_string(N), Txt = "order " + Id, Note(50 + N % 300, 'a' + N % 26);
        OakAppendRecord(T);
        OakSetField(T, 1, Id.data(), Id.size());
        OakSetField(T, 2, Txt.data(), Txt.size());
        OakSetField(T, 3, Note.data(), Note.size());
        if (OakWriteRecord(T)) _exit(3);
        OakGotoRecord(T, 1 + N % 3);
        OakSetField(T, 3, Note.data(), Note.size() / 2);
        if (OakWriteRecord(T)) _exit(3);
        Stepped(Pipe);
      }
    });
  }
  // A child opens the table and runs Body, dying before its Step-th file
  // change from then on. True when it was killed (Body made fewer).
  bool KilledBeforeChange(int Step, void (*Body)(OAKHANDLE)) {
    int Status = Reaped(Child(0, [&](OAKHANDLE X) {
      DieBeforeChange(Step);
      Body(X);
    }));
    EXPECT_FALSE(WIFEXITED(Status) && WEXITSTATUS(Status) != 0) << "step " << Step;
    return WIFSIGNALED(Status);
  }
  // Each tag holds exactly the table's records in key order, and every
  // record's memo reads.
  void ExpectTagsMatchTable(OAKHANDLE T) {
    UNSIGNED32 Records = Count(T);
    OAKHANDLE ById = OAK_INVALID_HANDLE, ByTxt = OAK_INVALID_HANDLE;
    ASSERT_EQ(0u, OakGetIndexHandle(T, "BYID", &ById));
    ASSERT_EQ(0u, OakGetIndexHandle(T, "BYTXT", &ByTxt));
    auto Ids = Walk(ById, "ID");
    ASSERT_EQ(Records, Ids.size());
    for (size_t I = 1; I < Ids.size(); ++I) ASSERT_LT(std::stoi(Ids[I - 1]), std::stoi(Ids[I]));
    ASSERT_EQ(Records, Walk(ByTxt, "TXT").size());
    ASSERT_EQ(0u, OakGotoTop(ByTxt));
    while (!Eof(ByTxt)) {
      // TXT holds 12 characters: "order -100000" keeps its first 12.
      ASSERT_EQ(("order " + Get(ByTxt, "ID")).substr(0, 12), Get(ByTxt, "TXT"));
      ASSERT_FALSE(Get(ByTxt, "NOTE").empty());
      ASSERT_EQ(0u, OakSkip(ByTxt, 1));
    }
  }
};

TEST_F(CrashTest, AppendIsRefusedWhileAnotherHandleHoldsTheTableLock) {
  OAKHANDLE A = OpenOk("orders"), B = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, Open("orders", &B, false, Connect()));
  ASSERT_EQ(0u, OakLockTable(A));
  EXPECT_EQ(5035u, OakAppendRecord(B));
  ASSERT_EQ(0u, OakGotoRecord(B, 1));
  EXPECT_EQ(5035u, OakDeleteRecord(B));
  EXPECT_EQ(5035u, OakReindex61(B, 0));
  int Status = Reaped(Child(0, [](OAKHANDLE X) { _exit(OakAppendRecord(X) == 5035 ? 0 : 1); }));
  EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
  Order(A, 7);  // the holder itself appends
  ASSERT_EQ(0u, OakUnlockTable(A));
  Order(B, 8);
  EXPECT_EQ(5u, Count(B));
}

TEST_F(CrashTest, IndexThatMissedAWriteIsRebuiltOnOpen) {
  std::string Before = ReadFile("orders.OAI");
  OAKHANDLE T = OpenOk("orders");
  Order(T, 4);
  ASSERT_EQ(0u, OakCloseTable(T));
  // As if the writer died after the record, before its index keys.
  std::ofstream(PathOf("orders.OAI"), std::ios::binary | std::ios::trunc) << Before;
  T = OpenOk("orders");
  ExpectTagsMatchTable(T);
  EXPECT_EQ(4u, Count(T));
}

TEST_F(CrashTest, IndexThatMissedAWriteIsRebuiltByTheNextWriterAlreadyOpen) {
  OAKHANDLE Other = OpenOk("orders");
  std::string Before = ReadFile("orders.OAI");
  OAKHANDLE T = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, Open("orders", &T, false, Connect()));
  Order(T, 4);
  std::ofstream(PathOf("orders.OAI"), std::ios::binary | std::ios::trunc) << Before;
  Order(Other, 5);
  ExpectTagsMatchTable(Other);
  EXPECT_EQ(5u, Count(Other));
}

// A writer that dies after its index pages and before the header page:
// the directory pages were rewritten in place (new roots, beyond the old
// page count), the header is the old one. The header's own copy of the
// directory still opens the file, and the missed write is rebuilt.
TEST_F(CrashTest, IndexWhoseHeaderMissedTheLastFlushOpensAndIsRebuilt) {
  std::string Before = ReadFile("orders.OAI");
  OAKHANDLE T = OpenOk("orders");
  for (int N = 4; N < 1500; ++N) Order(T, N);  // the trees grow by many pages
  ASSERT_EQ(0u, OakCloseTable(T));
  std::string After = ReadFile("orders.OAI");
  ASSERT_GT(After.size(), Before.size());
  After.replace(0, 4096, Before.substr(0, 4096));  // the old header page
  std::ofstream(PathOf("orders.OAI"), std::ios::binary | std::ios::trunc) << After;
  T = OpenOk("orders");
  ExpectTagsMatchTable(T);
  EXPECT_EQ(1499u, Count(T));
}

// A reindex killed before each of its file changes in turn (page writes,
// header, sync, rename, the table's counter) leaves the old index or the
// new one: the table opens and its tags match it; a handle that had the
// table open throughout reads on, from the old file or the new one.
TEST_F(CrashTest, ReindexKilledAtEachStepLeavesAnIndexThatOpens) {
  OAKHANDLE T = OpenOk("orders"), Other = OAK_INVALID_HANDLE;
  for (int N = 4; N <= 600; ++N) Order(T, N);  // trees of several pages
  ASSERT_EQ(0u, Open("orders", &Other, false, Connect()));
  ASSERT_EQ(0u, OakCloseTable(T));
  // Each step starts from the index as the writes left it: pages half
  // full, larger than the rebuilt one, which is cut to its size.
  const std::string Saved[] = {ReadFile("orders.OAT"), ReadFile("orders.OAI")};
  namespace fs = std::filesystem;
  const auto Shared = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                      fs::perms::group_write;
  fs::permissions(PathOf("orders.OAI"), Shared);
  for (int Step = 1;; ++Step) {
    std::ofstream(PathOf("orders.OAT"), std::ios::binary | std::ios::trunc) << Saved[0];
    std::ofstream(PathOf("orders.OAI"), std::ios::binary | std::ios::trunc) << Saved[1];
    const bool Killed = KilledBeforeChange(Step, [](OAKHANDLE X) {
      if (OakReindex61(X, 0)) _exit(3);
    });
    OAKHANDLE Again = OAK_INVALID_HANDLE;
    ASSERT_EQ(0u, Open("orders", &Again)) << "step " << Step << ": " << LastErrorText();
    ExpectTagsMatchTable(Again);
    ExpectTagsMatchTable(Other);
    ASSERT_EQ(0u, OakCloseTable(Again));
    ASSERT_FALSE(HasFailure()) << "step " << Step;
    if (!Killed) {
      ASSERT_GT(Step, 4);  // the reindex ran through; no step was left out
      break;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(PathOf("orders.OAI.rebuild")));
  EXPECT_EQ(Shared, fs::status(PathOf("orders.OAI")).permissions());  // as the old file had
}

// A writer killed before each file change of an append in turn, among
// them the window between its record and its index keys: a read-only open
// afterwards (which may not repair the index file) walks every tag with a
// key for every record, and leaves the index file as it found it.
TEST_F(CrashTest, ReadOnlyOpenAfterAWriterKilledAtEachStepHasNoShortTag) {
  for (int Step = 1;; ++Step) {
    const bool Killed = KilledBeforeChange(Step, [](OAKHANDLE X) { Order(X, 100 + mds_test::ChangeCount()); });
    const std::string Index = ReadFile("orders.OAI");
    OAKHANDLE T = OAK_INVALID_HANDLE;
    ASSERT_EQ(0u, OakOpenTable(Conn, "orders", nullptr, OAK_OAT, OAK_ANSI, 1, 1, OAK_READONLY, &T))
        << "step " << Step << ": " << LastErrorText();
    ExpectTagsMatchTable(T);
    ASSERT_FALSE(HasFailure()) << "step " << Step;
    ASSERT_EQ(0u, OakCloseTable(T));
    EXPECT_EQ(Index, ReadFile("orders.OAI"));
    if (!Killed) break;
    T = OpenOk("orders");  // a writing handle repairs the index for the next round
    ASSERT_EQ(0u, OakCloseTable(T));
  }
}

TEST_F(CrashTest, WritersKilledAtRandomPointsLeaveTagsThatMatchTheTable) {
  std::mt19937 Rng(20240131);
  for (int Round = 0; Round < 40; ++Round) {
    KillWriterAfter(1000 * (Round + 1), 1 + Rng() % 8, Rng() % 400);
    OAKHANDLE T = OpenOk("orders");
    ExpectTagsMatchTable(T);
    ASSERT_FALSE(HasFailure()) << "round " << Round;
    ASSERT_EQ(0u, OakCloseTable(T));
  }
  EXPECT_FALSE(std::filesystem::exists(PathOf("orders.OAT.OAJ")));
}

// Records appended through a handle that holds its table alone (an
// exclusive open, and the handle that creating a table returns) survive a
// kill of their process before the handle closes, as through any other
// handle: the next open counts every one, and the tags hold them.
TEST_F(CrashTest, RecordsAppendedThroughHandlesHoldingTheirTableAloneSurviveAKill) {
  KillAfter(OAK_EXCLUSIVE, 1, 0, [this](OAKHANDLE T, int Pipe) {
    for (int N = 1000; N < 1100; ++N) {
      std::string Id = std::to_string(N), Txt = "order " + Id, Note(50 + N % 300, 'a' + N % 26);
      if (OakAppendRecord(T) || OakSetField(T, 1, Id.data(), Id.size()) ||
          OakSetField(T, 2, Txt.data(), Txt.size()) || OakSetField(T, 3, Note.data(), Note.size()) ||
          OakWriteRecord(T))
        _exit(3);
    }
    OAKHANDLE C = 0, F = 0;
    if (OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C) ||
        OakCreateTable(C, "fresh", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, "N,Integer;M,Memo", &F))
      _exit(3);
    for (int N = 1; N <= 100; ++N) {
      std::string Id = std::to_string(N), Memo(N, 'm');
      if (OakAppendRecord(F) || OakSetField(F, 1, Id.data(), Id.size()) ||
          OakSetField(F, 2, Memo.data(), Memo.size()) || OakWriteRecord(F))
        _exit(3);
    }
    Stepped(Pipe);
    for (;;) pause();
  });
  OAKHANDLE T = OpenOk("orders");
  EXPECT_EQ(103u, Count(T));
  ExpectTagsMatchTable(T);
  ASSERT_EQ(0u, OakGotoRecord(T, 103));
  EXPECT_EQ("1099", Get(T, "ID"));
  EXPECT_EQ(std::string(50 + 1099 % 300, 'a' + 1099 % 26), Get(T, "NOTE"));
  ASSERT_EQ(0u, OakCloseTable(T));
  OAKHANDLE F = OpenOk("fresh");
  ASSERT_EQ(100u, Count(F));
  for (UNSIGNED32 N = 1; N <= 100; N += 33) {
    ASSERT_EQ(0u, OakGotoRecord(F, N));
    EXPECT_EQ(std::to_string(N), Get(F, "N"));
    EXPECT_EQ(std::string(N, 'm'), Get(F, "M"));
  }
  ASSERT_EQ(0u, OakCloseTable(F));
}

// A pass of a handle that holds the table alone, as the data check makes
// it (every record's state written again, each record's keys changed, new
// ones appended), killed anywhere: the table opens and its tags match.
TEST_F(CrashTest, ExclusivePassesKilledAtRandomPointsLeaveTagsThatMatchTheTable) {
  std::mt19937 Rng(20261207);
  for (int Round = 0; Round < 30; ++Round) {
    KillAfter(OAK_EXCLUSIVE, 1 + int(Rng() % 40), 0, [First = 100000 * (Round + 1)](OAKHANDLE T, int Pipe) {
      for (int N = First;; ++N) {
        UNSIGNED16 Eof = 0, Deleted = 0;
        for (OakGotoTop(T); OakAtEOF(T, &Eof) == 0 && !Eof; OakSkip(T, 1)) {
          OakIsRecordDeleted(T, &Deleted);
          if ((Deleted ? OakDeleteRecord(T) : OakRecallRecord(T)) != 0) _exit(3);
          char Id[16] = {};
          UNSIGNED32 Len = sizeof Id - 1;
          OakGetField(T, 1, Id, &Len, OAK_RTRIM);
          std::string Flipped = std::to_string(-std::atoi(Id)), Txt = "order " + Flipped;
          std::string Note(40 + N % 200, 'a' + N % 26);
          OakSetField(T, 1, Flipped.data(), Flipped.size());
          OakSetField(T, 2, Txt.data(), Txt.size());
          OakSetField(T, 3, Note.data(), Note.size());
          if (OakWriteRecord(T)) _exit(3);
          Stepped(Pipe);
        }
        Order(T, N);
      }
    });
    OAKHANDLE T = OpenOk("orders");
    ExpectTagsMatchTable(T);
    ASSERT_FALSE(HasFailure()) << "round " << Round;
    ASSERT_EQ(0u, OakCloseTable(T));
  }
}

}  // namespace
