// Locks between handles: record and table locks between two connections of
// one process and between two processes, and exclusive opens.
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "engine_fixture.h"

namespace {

class LocksTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    OAKHANDLE T = Create("orders", "ID,Integer;TXT,Character,10");
    for (int I = 1; I <= 3; ++I) Add(T, {{"ID", std::to_string(I)}});
    OakCloseTable(T);
  }
  // Opens "orders" on a connection of its own, as another user would.
  OAKHANDLE OtherUser() {
    OAKHANDLE C = Connect();
    OAKHANDLE T = OAK_INVALID_HANDLE;
    EXPECT_EQ(0u, Open("orders", &T, false, C));
    return T;
  }
  // Runs Body in a child process; returns its exit code.
  static int InChild(const std::function<int()>& Body) {
    pid_t Pid = fork();
    if (Pid == 0) _exit(Body());
    int Status = 0;
    waitpid(Pid, &Status, 0);
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  }
  // In a child: opens the table on a new connection and returns the code
  // of Op on it (as 0..255: 0 ok, 35 for 5035, 1 anything else).
  int ChildTries(const std::function<UNSIGNED32(OAKHANDLE)>& Op) {
    std::string D = Dir;
    return InChild([D, Op] {
      OAKHANDLE C = 0, T = 0;
      if (OakConnect60(D.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C)) return 2;
      UNSIGNED32 R = OakOpenTable(C, "orders", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T);
      if (R == 0) R = Op(T);
      return R == 0 ? 0 : (R == 5035 ? 35 : 1);
    });
  }
};

TEST_F(LocksTest, RecordLockedByOneConnectionIsRefusedToAnother) {
  OAKHANDLE A = OpenOk("orders"), B = OtherUser();
  ASSERT_EQ(0u, OakLockRecord(A, 2));
  ASSERT_EQ(0u, OakLockRecord(A, 2));  // twice on one handle is fine
  EXPECT_EQ(5035u, OakLockRecord(B, 2));
  EXPECT_EQ(0u, OakLockRecord(B, 3));
  ASSERT_EQ(0u, OakGotoRecord(B, 2));
  Set(B, "TXT", "b was here");
  EXPECT_EQ(5035u, OakWriteRecord(B));
  ASSERT_EQ(0u, OakCancelUpdate(B));
  ASSERT_EQ(0u, OakUnlockRecord(A, 2));
  EXPECT_EQ(0u, OakLockRecord(B, 2));
}

TEST_F(LocksTest, TableLockExcludesRecordLocksOfOthers) {
  OAKHANDLE A = OpenOk("orders"), B = OtherUser();
  ASSERT_EQ(0u, OakLockTable(A));
  ASSERT_EQ(0u, OakLockTable(A));
  UNSIGNED16 Locked = 0;
  ASSERT_EQ(0u, OakIsTableLocked(A, &Locked));
  EXPECT_EQ(1, Locked);
  EXPECT_EQ(5035u, OakLockTable(B));
  EXPECT_EQ(5035u, OakLockRecord(B, 1));
  ASSERT_EQ(0u, OakUnlockTable(A));
  ASSERT_EQ(0u, OakLockRecord(B, 1));
  EXPECT_EQ(5035u, OakLockTable(A));
}

TEST_F(LocksTest, ClosingATableReleasesItsLocks) {
  OAKHANDLE A = OpenOk("orders"), B = OtherUser();
  ASSERT_EQ(0u, OakLockTable(A));
  ASSERT_EQ(0u, OakCloseTable(A));
  EXPECT_EQ(0u, OakLockTable(B));
}

TEST_F(LocksTest, LocksHoldBetweenProcesses) {
  OAKHANDLE A = OpenOk("orders");
  ASSERT_EQ(0u, OakLockRecord(A, 1));
  EXPECT_EQ(35, ChildTries([](OAKHANDLE T) { return OakLockRecord(T, 1); }));
  EXPECT_EQ(0, ChildTries([](OAKHANDLE T) { return OakLockRecord(T, 2); }));
  EXPECT_EQ(35, ChildTries([](OAKHANDLE T) { return OakLockTable(T); }));
  ASSERT_EQ(0u, OakUnlockRecord(A, 1));
  ASSERT_EQ(0u, OakLockTable(A));
  EXPECT_EQ(35, ChildTries([](OAKHANDLE T) { return OakLockRecord(T, 3); }));
  ASSERT_EQ(0u, OakUnlockTable(A));
  EXPECT_EQ(0, ChildTries([](OAKHANDLE T) { return OakLockTable(T); }));
}

TEST_F(LocksTest, ChildProcessWritesAreSeenByTheParent) {
  OAKHANDLE A = OpenOk("orders");
  EXPECT_EQ(3u, Count(A));
  EXPECT_EQ(0, ChildTries([](OAKHANDLE T) {
    UNSIGNED32 R = OakAppendRecord(T);
    if (R == 0) R = OakSetField(T, 1, "99", 2);
    return R ? R : OakWriteRecord(T);
  }));
  EXPECT_EQ(4u, Count(A));
  ASSERT_EQ(0u, OakGotoBottom(A));
  EXPECT_EQ("99", Get(A, "ID"));
}

TEST_F(LocksTest, ExclusiveOpenIsRefusedWhileAnotherHasTheTableOpen) {
  OAKHANDLE A = OpenOk("orders");
  OAKHANDLE C = Connect(), X = OAK_INVALID_HANDLE;
  EXPECT_EQ(5035u, Open("orders", &X, true, C));
  ASSERT_EQ(0u, OakCloseTable(A));
  ASSERT_EQ(0u, Open("orders", &X, true, C));
  OAKHANDLE Y = OAK_INVALID_HANDLE;
  EXPECT_EQ(5035u, Open("orders", &Y));
  EXPECT_EQ(35, ChildTries([](OAKHANDLE) { return 0u; }));
  ASSERT_EQ(0u, OakLockRecord(X, 1));  // exclusive handles need no locks
  UNSIGNED32 Opts = 0;
  ASSERT_EQ(0u, OakGetTableOpenOptions(X, &Opts));
  EXPECT_TRUE(Opts & OAK_EXCLUSIVE);
}

TEST_F(LocksTest, OptimisticCheckSeesTheOtherUsersChange) {
  OAKHANDLE A = OpenOk("orders"), B = OtherUser();
  ASSERT_EQ(0u, OakGotoRecord(A, 1));
  UNSIGNED32 Before = 0, After = 0;
  ASSERT_EQ(0u, OakGetRecordCRC(A, &Before, 0));
  ASSERT_EQ(0u, OakGotoRecord(B, 1));
  Set(B, "TXT", "changed");
  ASSERT_EQ(0u, OakWriteRecord(B));
  ASSERT_EQ(0u, OakGetRecordCRC(A, &After, 0));
  EXPECT_NE(Before, After);
  ASSERT_EQ(0u, OakRefreshRecord(A));
  EXPECT_EQ("changed", Get(A, "TXT"));
}

// A record read before the lock and written by another user meanwhile: the
// lock shows what the disk holds, so an edit under it starts from there;
// changes the handle made before the lock stay, and their write is refused.
TEST_F(LocksTest, LockReadsTheCurrentRecordAnewUnlessItHasChanges) {
  OAKHANDLE A = OpenOk("orders"), B = OtherUser();
  auto WriteByB = [&](UNSIGNED32 RecNo, const std::string& Txt) {
    ASSERT_EQ(0u, OakGotoRecord(B, RecNo));
    Set(B, "TXT", Txt);
    ASSERT_EQ(0u, OakWriteRecord(B));
  };
  ASSERT_EQ(0u, OakGotoRecord(A, 1));
  WriteByB(1, "by b");
  ASSERT_EQ(0u, OakLockRecord(A, 0));
  EXPECT_EQ("by b", Get(A, "TXT"));
  Set(A, "TXT", "by a");
  EXPECT_EQ(0u, OakWriteRecord(A));
  ASSERT_EQ(0u, OakUnlockRecord(A, 1));

  ASSERT_EQ(0u, OakGotoRecord(A, 2));
  WriteByB(2, "b again");
  ASSERT_EQ(0u, OakLockTable(A));
  EXPECT_EQ("b again", Get(A, "TXT"));
  ASSERT_EQ(0u, OakUnlockTable(A));

  ASSERT_EQ(0u, OakGotoRecord(A, 3));
  Set(A, "TXT", "mine");
  WriteByB(3, "theirs");
  ASSERT_EQ(0u, OakLockRecord(A, 3));
  EXPECT_EQ("mine", Get(A, "TXT"));
  EXPECT_EQ(5075u, OakWriteRecord(A));
  ASSERT_EQ(0u, OakCancelUpdate(A));
  ASSERT_EQ(0u, OakUnlockRecord(A, 3));
  ASSERT_EQ(0u, OakGotoRecord(A, 1));
  EXPECT_EQ("by a", Get(A, "TXT"));
}

}  // namespace

namespace {

TEST_F(LocksTest, TwoProcessesAppendingAtOnceKeepTableAndIndexWhole) {
  OAKHANDLE T = OpenOk("orders");
  OAKHANDLE I = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakCreateIndex61(T, "", "BYID", "ID", "", "", OAK_COMPOUND, 0, &I));
  std::string D = Dir;
  pid_t Pid = fork();
  if (Pid == 0) {
    OAKHANDLE C = 0, X = 0;
    OakConnect60(D.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C);
    OakOpenTable(C, "orders", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &X);
    int Bad = 0;
    for (int N = 1000; N < 1200; ++N) {
      std::string K = std::to_string(N);
      Bad += OakAppendRecord(X) != 0;
      Bad += OakSetField(X, 1, K.data(), K.size()) != 0;
      Bad += OakWriteRecord(X) != 0;
    }
    _exit(Bad ? 1 : 0);
  }
  for (int N = 2000; N < 2200; ++N) Add(T, {{"ID", std::to_string(N)}});
  int Status = 0;
  waitpid(Pid, &Status, 0);
  ASSERT_TRUE(WIFEXITED(Status));
  EXPECT_EQ(0, WEXITSTATUS(Status));
  EXPECT_EQ(403u, Count(T));
  auto Ids = Walk(I, "ID");
  ASSERT_EQ(403u, Ids.size());
  EXPECT_EQ("1", Ids.front());
  EXPECT_EQ("1000", Ids[3]);
  EXPECT_EQ("2199", Ids.back());
}

TEST_F(LocksTest, TagMadeByOneHandleIsMaintainedByAnother) {
  OAKHANDLE A = OpenOk("orders"), B = OtherUser();
  OAKHANDLE I = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakCreateIndex61(A, "", "BYID", "ID", "", "", OAK_COMPOUND, 0, &I));
  Add(B, {{"ID", "0"}});
  EXPECT_EQ("0", Walk(I, "ID").front());
  OAKHANDLE IB = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakGetIndexHandle(B, "BYID", &IB));
  EXPECT_EQ(4u, Walk(IB, "ID").size());
}

}  // namespace
