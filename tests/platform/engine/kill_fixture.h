// The tables of the kill tests and the verbs of other programs on their
// folder: a child process that dies before a given file change, and one
// whose steps interleave with the test's.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "engine_fixture.h"

// How a kill test's table is made.
struct TLayout {
  const char* Name;
  int Rows, TxtLength, MemoBlock, IndexPage;
  bool OnPages;  // every file ends on a 4 KiB page (else inside one)
};

// A second program on the folder: Script runs in a child process, and
// Handover passes the turn between it and the test, so that their steps
// interleave as written. The test goes on once the script handed over
// first (or ended). A failed expectation in the script fails the test
// through the child's exit code (End).
class TOtherProgram {
 public:
  explicit TOtherProgram(const std::function<void(TOtherProgram&)>& Script) {
    if (::pipe(FToChild) != 0 || ::pipe(FToParent) != 0) ADD_FAILURE() << "pipe";
    FPid = ::fork();
    if (FPid == 0) {
      FChild = true;
      ::close(FToChild[1]);
      ::close(FToParent[0]);
      Script(*this);
      _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    ::close(FToChild[0]);
    ::close(FToParent[1]);
    AwaitTurn();
  }
  ~TOtherProgram() {
    if (FPid > 0) End();
  }
  // Lets the other side go on and waits until it hands the turn back;
  // false when it ended instead.
  bool Handover() {
    const char C = 1;
    if (::write(FChild ? FToParent[1] : FToChild[1], &C, 1) != 1) return false;
    return AwaitTurn();
  }
  // In the script: hands the turn over before its Step-th file change from
  // now on (through os::FaultInjection's change hook), so that the test
  // finds the program standing there, in the middle of its work, until it
  // hands back.
  void PauseBeforeChange(int Step) {
    Pausing() = this;
    mds_test::ChangeCount() = Step;
    os::FaultInjection::SetChangeHook([] {
      if (--mds_test::ChangeCount() == 0) Pausing()->Handover();
    });
  }
  // In the script: hands the turn over before every file change from now on.
  void PauseBeforeEveryChange() {
    Pausing() = this;
    os::FaultInjection::SetChangeHook([] { Pausing()->Handover(); });
  }
  // Waits for the script's end: its exit code, or 128 + the signal that
  // killed it.
  int End() {
    if (FPid <= 0) return FStatus;
    ::close(FToChild[1]);
    int Status = 0;
    ::waitpid(FPid, &Status, 0);
    ::close(FToParent[0]);
    FPid = 0;
    FStatus = WIFSIGNALED(Status) ? 128 + WTERMSIG(Status) : WEXITSTATUS(Status);
    return FStatus;
  }

 private:
  static TOtherProgram*& Pausing() {
    static TOtherProgram* P = nullptr;
    return P;
  }
  bool AwaitTurn() {
    char C = 0;
    return ::read(FChild ? FToChild[0] : FToParent[0], &C, 1) == 1;
  }
  int FToChild[2] = {-1, -1}, FToParent[2] = {-1, -1};
  pid_t FPid = 0;
  bool FChild = false;
  int FStatus = 0;
};

class KillTest : public EngineTest {
 protected:
  // Makes table Name with the fields ID, TXT and NOTE (a memo) and the tags
  // BYID and BYTXT, laid out as L, holding Rows rows.
  void MakeTable(const char* Name, int Rows, const TLayout& L) {
    const std::string Fields = "ID,Integer;TXT,Character," + std::to_string(L.TxtLength) + ";NOTE,Memo";
    OAKHANDLE T = 0, I = 0;
    ASSERT_EQ(0u, OakCreateTable(Conn, Name, nullptr, OAK_OAT, OAK_ANSI, 1, 1, UNSIGNED16(L.MemoBlock),
                                 Fields.c_str(), &T));
    for (const char* Tag : {"ID", "TXT"})
      ASSERT_EQ(0u, OakCreateIndex61(T, "", (std::string("BY") + Tag).c_str(), Tag, "", "", OAK_COMPOUND,
                                     UNSIGNED32(L.IndexPage), &I));
    for (int N = 1; N <= Rows; ++N) Row(T, N, L);
    ASSERT_EQ(0u, OakCloseTable(T));
  }
  // Record N: its text says N, one in three has a memo of a length of its own.
  static void Row(OAKHANDLE T, int N, const TLayout& L) {
    const bool Memo = N % 3 == 0 && (!L.OnPages || N % 30 == 0);
    Add(T, {{"ID", std::to_string(N)}, {"TXT", "row " + std::to_string(N * 7919 % 10007)},
            {"NOTE", Memo ? std::string(20 + N % 700, char('a' + N % 26)) : std::string()}});
  }
  static bool Ok(UNSIGNED32 R) { return R == 0; }
  // Sets field number Field (1 ID, 2 TXT, 3 NOTE); false on a failure.
  static bool Put(OAKHANDLE T, UNSIGNED16 Field, const std::string& V) {
    return Ok(OakSetField(T, Field, V.data(), UNSIGNED32(V.size())));
  }

  // The table as a reader sees it: its number of tags, every record
  // (deleted flag, fields, memo) in record order, then each tag's IDs
  // walked down and up.
  static std::string Contents(OAKHANDLE T) {
    UNSIGNED16 Tags = 0;
    EXPECT_EQ(0u, OakGetNumIndexes(T, &Tags));
    std::string Out = "tags " + std::to_string(Tags) + "\n";
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
  // Files of a table with its transaction marker and write sequence left
  // out.
  static std::vector<std::string> Unmarked(std::vector<std::string> F) {
    if (F[0].size() >= 52) F[0].replace(40, 12, 12, '#');
    return F;
  }
  // Runs Work in a program of its own (a child process) that dies before
  // its Step-th file change from Work's start (Step 0: lives); Work gets
  // a connection to the folder and answers false on a failure, which
  // fails the test. True when the program was killed.
  bool RunChild(int Step, const std::function<bool(OAKHANDLE Conn)>& Work) {
    pid_t Pid = fork();
    if (Pid == 0) {
      OAKHANDLE C = 0;
      if (OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C)) _exit(2);
      if (Step) DieBeforeChange(Step);
      if (!Work(C)) {
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
};
