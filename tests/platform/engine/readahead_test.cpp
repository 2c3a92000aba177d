// A walk in natural order reads records ahead in blocks: what it shows
// must stay what the file holds when another handle, the walking handle
// itself or a rolled-back transaction changes records it has read ahead.
#include "engine_fixture.h"

namespace {

class ReadAheadTest : public EngineTest {
 protected:
  // A table of Count records "r1" .. "rCount", closed again.
  void MakeTable(int Count) {
    OAKHANDLE T = Create("walk", "NAME,Character,10");
    for (int I = 1; I <= Count; ++I) Add(T, {{"NAME", "r" + std::to_string(I)}});
    ASSERT_EQ(0u, OakCloseTable(T));
  }
  // Steps Count records on from the current one.
  static void Step(OAKHANDLE T, int Count) {
    for (int I = 0; I < Count; ++I) ASSERT_EQ(0u, OakSkip(T, 1));
  }
  static void Change(OAKHANDLE T, UNSIGNED32 Record, const std::string& Name) {
    ASSERT_EQ(0u, OakGotoRecord(T, Record));
    Set(T, "NAME", Name);
    ASSERT_EQ(0u, OakWriteRecord(T));
  }
  static const int Records = 2000;  // more than one block of read-ahead
};

TEST_F(ReadAheadTest, AWalkSeesWhatAnotherHandleWroteAheadOfIt) {
  MakeTable(Records);
  OAKHANDLE A = OpenOk("walk"), B = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, Open("walk", &B, false, Connect()));
  ASSERT_EQ(0u, OakGotoTop(A));
  Step(A, 4);
  EXPECT_EQ("r5", Get(A, "NAME"));
  Change(B, 7, "neu7");
  Add(B, {{"NAME", "r2001"}});
  Step(A, 2);
  EXPECT_EQ("neu7", Get(A, "NAME"));
  std::vector<std::string> Rest;
  while (!Eof(A)) {
    Rest.push_back(Get(A, "NAME"));
    ASSERT_EQ(0u, OakSkip(A, 1));
  }
  ASSERT_EQ(Rest.size(), size_t(Records + 1 - 6));
  EXPECT_EQ("r2001", Rest.back());
}

TEST_F(ReadAheadTest, AWalkSeesItsOwnWritesAndEveryRecordOnce) {
  MakeTable(Records);
  OAKHANDLE T = OpenOk("walk");
  std::vector<std::string> First = Walk(T, "NAME");
  ASSERT_EQ(First.size(), size_t(Records));
  EXPECT_EQ("r1500", First[1499]);
  Change(T, 1500, "eigen");
  ASSERT_EQ(0u, OakGotoTop(T));
  Step(T, 1498);
  EXPECT_EQ("r1499", Get(T, "NAME"));
  Step(T, 1);
  EXPECT_EQ("eigen", Get(T, "NAME"));
}

TEST_F(ReadAheadTest, ARolledBackChangeIsNotShownByTheNextWalk) {
  MakeTable(Records);
  OAKHANDLE T = OpenOk("walk");
  ASSERT_EQ(0u, OakBeginTransaction(Conn));
  Change(T, 30, "vorläufig");
  EXPECT_EQ("vorläufig", Walk(T, "NAME")[29]);
  ASSERT_EQ(0u, OakRollbackTransaction(Conn));
  std::vector<std::string> After = Walk(T, "NAME");
  ASSERT_EQ(After.size(), size_t(Records));
  EXPECT_EQ("r30", After[29]);
}

}  // namespace
