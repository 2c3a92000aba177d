// The scenarios of two programs on one folder: a table "orders" in a
// layout of the test's parameter and a small table "other", the other
// program's transaction, kills before its commit point, and checks that
// every tag walks every record.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "kill_fixture.h"

// Small: a few rows. Large: thousands, every file ending inside a page.
constexpr TLayout kSmall = {"Small", 7, 20, 64, 512, false};
constexpr TLayout kLarge = {"Large", 3000, 20, 64, 512, false};

// Two programs on orders (and a second table, other): the verbs of the
// scenarios. Layout() is the test's parameter.
class TwoProgramsTest : public KillTest, public ::testing::WithParamInterface<TLayout> {
 protected:
  const TLayout& Layout() const { return GetParam(); }
  UNSIGNED32 Mid() const { return UNSIGNED32(Layout().Rows / 2 + 1); }
  void SetUp() override {
    KillTest::SetUp();
    MakeTable("orders", Layout().Rows, Layout());
    MakeTable("other", 7, Layout());
    Raw = RawFiles("orders");
    Before = Files("orders");
    Was = Read("orders", true);
  }
  // Another program's transaction on orders: record Mid moves (its keys
  // and memo change) and two records with memos are appended.
  bool Change(OAKHANDLE T) const {
    if (!Ok(OakGotoRecord(T, Mid())) || !Put(T, 1, "-5") || !Put(T, 2, "moved") ||
        !Put(T, 3, std::string(900, 'M')) || !Ok(OakWriteRecord(T)))
      return false;
    for (const char* Id : {"70001", "70002"})
      if (!Ok(OakAppendRecord(T)) || !Put(T, 1, Id) || !Put(T, 2, std::string("new ") + Id) ||
          !Put(T, 3, std::string(1200, 'n')) || !Ok(OakWriteRecord(T)))
        return false;
    return true;
  }
  // In another program's script: a connection of its own (in C), orders
  // opened on it (returned) and a transaction begun. A failure fails the
  // test.
  OAKHANDLE OrdersInTransaction(OAKHANDLE& C) {
    OAKHANDLE T = 0;
    EXPECT_EQ(0u, OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C));
    EXPECT_EQ(0u, Open("orders", &T, false, C));
    EXPECT_EQ(0u, OakBeginTransaction(C));
    return T;
  }
  // The same in a transaction, with Also (changes of other tables) before
  // the commit.
  bool ChangeInTransaction(OAKHANDLE Conn, const std::function<bool()>& Also = nullptr) const {
    OAKHANDLE T = 0;
    return Ok(OakOpenTable(Conn, "orders", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T)) && Ok(OakBeginTransaction(Conn)) &&
           Change(T) && (!Also || Also()) && Ok(OakCommitTransaction(Conn));
  }
  // Puts the table back as it was and has another program's transaction
  // killed at the last file change before its commit point (everything
  // written, the journal whole); returns the journal's name ("" when no
  // kill left one, a failure).
  std::string KillBeforeCommitPoint() {
    const int Changes = CountChanges([&](OAKHANDLE C) { return ChangeInTransaction(C); });
    for (int Step = Changes; Step > 0; --Step) {
      PutBack("orders", Raw);
      if (RunChild(Step, [&](OAKHANDLE C) { return ChangeInTransaction(C); }) && Journals() != "") {
        std::string Name = Journals();
        Name.pop_back();
        return Name;
      }
    }
    ADD_FAILURE() << "no kill left a journal";
    return "";
  }
  // The file changes Work makes in a program of its own that lives.
  int CountChanges(const std::function<bool(OAKHANDLE)>& Work) {
    int Pipe[2];
    EXPECT_EQ(0, ::pipe(Pipe));
    if (::fork() == 0) {
      OAKHANDLE C = 0;
      OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C);
      mds_test::CountChanges();
      const bool Done = Work(C);
      const int Result = Done ? mds_test::StopCountingChanges() : -1;
      if (::write(Pipe[1], &Result, sizeof Result) != sizeof Result) _exit(1);
      _exit(0);
    }
    int Result = -1;
    EXPECT_EQ(ssize_t(sizeof Result), ::read(Pipe[0], &Result, sizeof Result));
    ::wait(nullptr);
    ::close(Pipe[0]);
    ::close(Pipe[1]);
    EXPECT_GT(Result, 0);
    return Result;
  }
  // Every tag of T walks every record once, in key order.
  static void ExpectWhole(OAKHANDLE T) {
    std::vector<long> Ids;
    std::vector<std::string> Texts;
    for (UNSIGNED32 R = 1, N = Count(T); R <= N; ++R) {
      EXPECT_EQ(0u, OakGotoRecord(T, R));
      Ids.push_back(std::stol(Get(T, "ID")));
      Texts.push_back(Get(T, "TXT"));
    }
    std::sort(Ids.begin(), Ids.end());
    std::sort(Texts.begin(), Texts.end());
    OAKHANDLE I = OAK_INVALID_HANDLE;
    EXPECT_EQ(0u, OakGetIndexHandle(T, "BYID", &I));
    std::vector<long> Walked;
    for (const std::string& Id : Walk(I, "ID")) Walked.push_back(std::stol(Id));
    EXPECT_EQ(Ids, Walked);
    EXPECT_EQ(0u, OakGetIndexHandle(T, "BYTXT", &I));
    EXPECT_EQ(Texts, Walk(I, "TXT"));
  }
  // The text of the record whose ID is Id ("" when none).
  static std::string TextOf(OAKHANDLE T, const std::string& Id) {
    for (UNSIGNED32 R = 1, N = Count(T); R <= N; ++R) {
      EXPECT_EQ(0u, OakGotoRecord(T, R));
      if (Get(T, "ID") == Id) return Get(T, "TXT");
    }
    return "";
  }

  std::vector<std::string> Raw, Before;
  std::string Was;
};

inline std::string LayoutName(const ::testing::TestParamInfo<TLayout>& P) { return P.param.Name; }

