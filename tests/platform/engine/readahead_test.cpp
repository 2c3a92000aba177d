// A walk in natural order reads records ahead in blocks: what it shows
// must stay what the file holds when another handle, the walking handle
// itself or a rolled-back transaction changes records it has read ahead.
// A walk in key order on a shared handle keeps the blocks it read while
// the table's counters stay, and still shows every write of another handle
// or process that returned before its step.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

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

// A handle that holds the table alone, as the data check opens it: a
// write inside the block read ahead shows as written, and a state written
// again unchanged reads back the same without counting as a change.
TEST_F(ReadAheadTest, AnExclusiveWalkShowsItsWritesAndCountsOnlyRealChanges) {
  MakeTable(Records);
  auto ChangeCounter = [this] {  // a little-endian word, as the host's
    std::uint32_t N = 0;
    std::memcpy(&N, ReadFile("walk.OAT").data() + 32, 4);
    return N;
  };
  const std::uint32_t Before = ChangeCounter();
  OAKHANDLE T = OpenOk("walk", true);
  ASSERT_EQ(0u, OakGotoTop(T));
  Step(T, 9);
  EXPECT_EQ("r10", Get(T, "NAME"));
  Change(T, 12, "neu12");  // ahead of the walk, inside its block
  Change(T, 8, "neu8");    // behind it
  ASSERT_EQ(0u, OakGotoRecord(T, 10));
  Step(T, 2);
  EXPECT_EQ("neu12", Get(T, "NAME"));
  ASSERT_EQ(0u, OakGotoRecord(T, 7));
  Step(T, 1);
  EXPECT_EQ("neu8", Get(T, "NAME"));
  ASSERT_EQ(0u, OakGotoRecord(T, 5));
  ASSERT_EQ(0u, OakDeleteRecord(T));
  ASSERT_EQ(0u, OakGotoTop(T));
  while (!Eof(T)) {
    UNSIGNED16 Deleted = 0;
    ASSERT_EQ(0u, OakIsRecordDeleted(T, &Deleted));
    ASSERT_EQ(0u, Deleted ? OakDeleteRecord(T) : OakRecallRecord(T));
    ASSERT_EQ(0u, OakSkip(T, 1));
  }
  ASSERT_EQ(0u, OakCloseTable(T));
  EXPECT_EQ(Before + 3, ChangeCounter());  // two names and one state
  T = OpenOk("walk");
  std::vector<std::string> Names = Walk(T, "NAME");
  ASSERT_EQ(Names.size(), size_t(Records));
  for (int I = 1; I <= Records; ++I)
    ASSERT_EQ(I == 8 ? "neu8" : I == 12 ? "neu12" : "r" + std::to_string(I), Names[I - 1]);
  ASSERT_EQ(0u, OakGotoRecord(T, 5));
  UNSIGNED16 Deleted = 0;
  ASSERT_EQ(0u, OakIsRecordDeleted(T, &Deleted));
  EXPECT_EQ(1, Deleted);
}

TEST_F(ReadAheadTest, AKeyOrderWalkOnASharedHandleSeesWritesMadeWhileItWalks) {
  OAKHANDLE T = Create("walk", "NAME,Character,10;VAL,Character,10");
  for (int I = 1; I <= Records; ++I) Add(T, {{"NAME", "r" + std::to_string(I)}, {"VAL", "alt"}});
  OAKHANDLE I = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakCreateIndex61(T, "", "BYNAME", "NAME", "", "", OAK_COMPOUND, 0, &I));
  ASSERT_EQ(0u, OakCloseTable(T));
  std::vector<std::string> Keys;  // the names in key order
  for (int N = 1; N <= Records; ++N) Keys.push_back("r" + std::to_string(N));
  std::sort(Keys.begin(), Keys.end());

  UNSIGNED16 WasShown = 1;
  ASSERT_EQ(0u, OakGetDeleted(&WasShown));
  ASSERT_EQ(0u, OakShowDeleted(0));
  struct TRestore {
    UNSIGNED16 Shown;
    ~TRestore() { OakShowDeleted(Shown); }
  } Restore{WasShown};

  OAKHANDLE A = OpenOk("walk"), B = OAK_INVALID_HANDLE, Order = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, Open("walk", &B, false, Connect()));
  ASSERT_EQ(0u, OakGetIndexHandle(A, "BYNAME", &Order));
  // Records ahead of the walk; a record written is the one after the step.
  auto Ahead = [&](std::size_t Pos) { return static_cast<UNSIGNED32>(std::stoul(Keys[Pos].substr(1))); };
  auto WriteVal = [](OAKHANDLE H, UNSIGNED32 Record, const std::string& Val) {
    ASSERT_EQ(0u, OakGotoRecord(H, Record));
    Set(H, "VAL", Val);
    ASSERT_EQ(0u, OakWriteRecord(H));
  };
  ASSERT_EQ(0u, OakGotoTop(Order));
  std::vector<std::string> Seen;
  while (!Eof(A)) {
    const std::string Name = Get(A, "NAME");
    const std::size_t Pos = std::lower_bound(Keys.begin(), Keys.end(), Name) - Keys.begin();
    Seen.push_back(Name + "=" + Get(A, "VAL"));
    if (Pos == 100) {  // another handle of this process
      WriteVal(B, Ahead(101), "neu");
      ASSERT_EQ(0u, OakGotoRecord(B, Ahead(120)));
      ASSERT_EQ(0u, OakDeleteRecord(B));
    }
    if (Pos == 500) {  // another process, finished before the next step
      const UNSIGNED32 Target = Ahead(501), Later = Ahead(900);
      const pid_t Pid = fork();
      if (Pid == 0) {
        OAKHANDLE C = 0, H = 0;
        OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C);
        if (OakOpenTable(C, "walk", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &H)) _exit(2);
        for (UNSIGNED32 R : {Target, Later}) {
          OakGotoRecord(H, R);
          OakSetField(H, 2, "fremd", 5);
          if (OakWriteRecord(H)) _exit(3);
        }
        OakAppendRecord(H);
        OakSetField(H, 1, "s1", 2);  // after every key
        OakSetField(H, 2, "fremd", 5);
        _exit(OakWriteRecord(H) ? 4 : 0);
      }
      int Status = -1;
      ASSERT_EQ(Pid, waitpid(Pid, &Status, 0));
      ASSERT_TRUE(WIFEXITED(Status));
      ASSERT_EQ(0, WEXITSTATUS(Status));
    }
    ASSERT_EQ(0u, OakSkip(Order, 1));
  }
  std::vector<std::string> Want;
  for (std::size_t Pos = 0; Pos < Keys.size(); ++Pos) {
    if (Pos == 120) continue;  // deleted while the walk was before it
    const bool Own = Pos == 101, Foreign = Pos == 501 || Pos == 900;
    Want.push_back(Keys[Pos] + "=" + (Own ? "neu" : Foreign ? "fremd" : "alt"));
  }
  Want.push_back("s1=fremd");
  ASSERT_EQ(Want.size(), Seen.size());
  for (std::size_t Pos = 0; Pos < Want.size(); ++Pos) ASSERT_EQ(Want[Pos], Seen[Pos]) << "step " << Pos;
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

// The one-call step a dataset walks with: the same record, flags and
// number as the separate calls, and another handle's writes still seen.
class StepAndReadTest : public ReadAheadTest {
 protected:
  struct TStep {
    UNSIGNED32 RecNo = 0;
    UNSIGNED16 State = 0;
    std::string Name;  // the NAME bytes of the record image, blanks cut
  };
  static TStep StepOn(OAKHANDLE T, SIGNED32 By) {
    TStep S;
    char Rec[64] = {};
    UNSIGNED32 Len = sizeof Rec;
    EXPECT_EQ(0u, OakSkipAndRead(T, By, reinterpret_cast<UNSIGNED8*>(Rec), &Len, &S.RecNo, &S.State));
    if (S.RecNo) {
      EXPECT_EQ(11u, Len);
      S.Name.assign(Rec + 1, 10);
      S.Name.erase(S.Name.find_last_not_of(' ') + 1);
    }
    return S;
  }
};

TEST_F(StepAndReadTest, AStepReportsWhatTheSeparateCallsReport) {
  MakeTable(3);
  OAKHANDLE T = OpenOk("walk");
  ASSERT_EQ(0u, OakGotoRecord(T, 2));
  ASSERT_EQ(0u, OakDeleteRecord(T));
  ASSERT_EQ(0u, OakGotoBOF(T));
  TStep S = StepOn(T, 0);
  EXPECT_EQ(OAK_STEP_BOF, S.State);
  EXPECT_EQ(0u, S.RecNo);
  S = StepOn(T, 1);
  EXPECT_EQ(OAK_STEP_VISIBLE, S.State);
  EXPECT_EQ(1u, S.RecNo);
  EXPECT_EQ("r1", S.Name);
  EXPECT_EQ("r1", Get(T, "NAME"));
  ASSERT_EQ(0u, OakSetFilter(T, "NAME <> 'r3'"));
  S = StepOn(T, 0);  // stays; the filter now hides nothing here
  EXPECT_EQ(1u, S.RecNo);
  EXPECT_EQ(OAK_STEP_VISIBLE, S.State);
  ASSERT_EQ(0u, OakGotoRecord(T, 3));
  S = StepOn(T, 0);
  EXPECT_EQ(3u, S.RecNo);
  EXPECT_EQ(0, S.State & OAK_STEP_VISIBLE);
  UNSIGNED16 Visible = 1;
  ASSERT_EQ(0u, OakIsRecordVisible(T, &Visible));
  EXPECT_EQ(0, Visible);
  ASSERT_EQ(0u, OakClearFilter(T));
  S = StepOn(T, 1);
  EXPECT_EQ(OAK_STEP_EOF, S.State);
  EXPECT_EQ(0u, S.RecNo);
  char Small[4];
  UNSIGNED32 Len = sizeof Small, RecNo = 0;
  UNSIGNED16 State = 0;
  EXPECT_EQ(5005u, OakSkipAndRead(T, 0, reinterpret_cast<UNSIGNED8*>(Small), &Len, &RecNo, &State));
  EXPECT_EQ(11u, Len);
}

// A seek that reports where it left the cursor: what OakSeek and a step
// of 0 give, and the seek standing when the report cannot be made.
TEST_F(StepAndReadTest, ASeekReportsWhatAStepOfZeroReports) {
  MakeTable(5);
  OAKHANDLE T = OpenOk("walk"), I = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakCreateIndex61(T, "", "NAME", "NAME", "", "", OAK_COMPOUND, 0, &I));
  auto Seek = [&](const std::string& Key, UNSIGNED16 Type, UNSIGNED32 BufLen, TStep& S) {
    char Rec[64] = {};
    UNSIGNED32 Len = BufLen;
    UNSIGNED16 Found = 9;
    EXPECT_EQ(0u, OakSeekAndRead(I, Key.data(), UNSIGNED16(Key.size()), OAK_STRINGKEY, Type, &Found,
                                 reinterpret_cast<UNSIGNED8*>(Rec), &Len, &S.RecNo, &S.State));
    S.Name.assign(Rec + 1, 10);
    S.Name.erase(S.Name.find_last_not_of(' ') + 1);
    return Found;
  };
  TStep S;
  EXPECT_EQ(1, Seek("r3", OAK_HARDSEEK, 64, S));
  EXPECT_EQ(OAK_STEP_VISIBLE | OAK_STEP_READ, S.State);
  EXPECT_EQ(3u, S.RecNo);
  EXPECT_EQ("r3", S.Name);
  EXPECT_EQ(0, Seek("r31", OAK_SOFTSEEK, 64, S));  // stops on r4
  EXPECT_EQ(4u, S.RecNo);
  EXPECT_EQ("r4", Get(T, "NAME"));
  EXPECT_EQ(0, Seek("r9", OAK_HARDSEEK, 64, S));
  EXPECT_EQ(OAK_STEP_EOF | OAK_STEP_READ, S.State);
  EXPECT_EQ(0u, S.RecNo);
  EXPECT_EQ(1, Seek("r2", OAK_HARDSEEK, 4, S));  // no room for the image
  EXPECT_EQ(0, S.State);
  EXPECT_EQ("r2", Get(T, "NAME"));
  UNSIGNED16 Found = 0, State = 0;
  UNSIGNED32 Len = 0, RecNo = 0;
  EXPECT_EQ(OakSeek(I, "r1", 2, OAK_STRINGKEY, 7, &Found),
            OakSeekAndRead(I, "r1", 2, OAK_STRINGKEY, 7, &Found, nullptr, &Len, &RecNo, &State));
}

// A dataset tells a memo's emptiness from the image's reference while no
// value is pending; the step must say when one is.
TEST_F(StepAndReadTest, MemoReferencesTellEmptinessUnlessAValueIsPending) {
  OAKHANDLE T = Create("memos", "NAME,Character,10;NOTIZ,Memo");
  Add(T, {{"NAME", "voll"}, {"NOTIZ", "Text"}});
  Add(T, {{"NAME", "leer"}, {"NOTIZ", ""}});
  Add(T, {{"NAME", "null"}});
  struct TImage {
    UNSIGNED16 State = 0;
    bool RefEmpty = false;
  };
  auto StepHere = [&] {
    UNSIGNED8 Rec[64] = {};
    UNSIGNED32 Len = sizeof Rec, RecNo = 0;
    TImage I;
    EXPECT_EQ(0u, OakSkipAndRead(T, 0, Rec, &Len, &RecNo, &I.State));
    I.RefEmpty = Rec[11] == 0 && Rec[12] == 0 && Rec[13] == 0 && Rec[14] == 0;  // NOTIZ at 11
    return I;
  };
  for (UNSIGNED32 R : {1u, 2u, 3u}) {
    ASSERT_EQ(0u, OakGotoRecord(T, R));
    TImage I = StepHere();
    EXPECT_EQ(0, I.State & OAK_STEP_PENDING_BLOBS) << R;
    EXPECT_EQ(R != 1, I.RefEmpty) << R;
    EXPECT_EQ(I.RefEmpty, Empty(T, "NOTIZ")) << R;
  }
  Set(T, "NOTIZ", "gesetzt");  // on record 3, not yet written
  EXPECT_NE(0, StepHere().State & OAK_STEP_PENDING_BLOBS);
  EXPECT_FALSE(Empty(T, "NOTIZ"));
  ASSERT_EQ(0u, OakWriteRecord(T));
  TImage After = StepHere();
  EXPECT_EQ(0, After.State & OAK_STEP_PENDING_BLOBS);
  EXPECT_FALSE(After.RefEmpty);
}

TEST_F(StepAndReadTest, StepsSeeWhatAnotherHandleWroteAheadOfThem) {
  MakeTable(Records);
  OAKHANDLE A = OpenOk("walk"), B = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, Open("walk", &B, false, Connect()));
  ASSERT_EQ(0u, OakGotoTop(A));
  EXPECT_EQ("r2", StepOn(A, 1).Name);
  Change(B, 3, "neu3");
  Add(B, {{"NAME", "r2001"}});
  EXPECT_EQ("neu3", StepOn(A, 1).Name);
  TStep S;
  for (int I = 4; I <= Records + 1; ++I) S = StepOn(A, 1);
  EXPECT_EQ("r2001", S.Name);
  EXPECT_EQ(UNSIGNED32(Records + 1), S.RecNo);
  EXPECT_EQ(OAK_STEP_EOF, StepOn(A, 1).State);
}
