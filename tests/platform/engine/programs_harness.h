// A seeded randomized run of several programs on one data folder at once,
// each a child process with its own connection (programs_children.h,
// programs_txn.h):
//   - the writer appends and updates its rows of shared, outside
//     transactions, and logs every answer with the values written;
//   - the locker locks records and whole tables of shared and ledger,
//     reads (and writes its own rows) under the lock, holds it a moment;
//   - the readers seek and walk every tag of every table and check every
//     answer;
//   - the transaction program runs one transaction a round and is killed
//     before a random file change, or stopped a random while and then let
//     go on or killed, or left to commit or roll back; the parent starts
//     it again for the next round.
// After each round the parent opens the folder afresh, finds out whether a
// transaction killed in its commit is there (wholly or not at all) and
// compares everything the transactions own with its model; at the end,
// with every program stopped, it checks every table whole: every
// acknowledged write there once at its last version, every transaction all
// or nothing, every tag walking exactly its table's records in key order,
// every memo value its record's, ledger's amounts adding up, no journal
// left. Everything random comes from the seed; the timing between the
// programs does not, so a seed replays the plans, kill points and
// workloads, not the interleaving.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "programs_check.h"

namespace programs {

struct TProgramsConfig {
  std::uint64_t Seed = 1;
  double Seconds = 30;
  std::string Folder{};  // an empty folder of the run's own: "data" and "logs" go there
  bool Writer = true, Locker = true;
  int Readers = 2;
  bool Transactions = true;
  bool Maintenance = true;  // pack, zap and reindex inside the transactions
  bool Kills = true;        // transactions killed before a random file change
  bool Stops = true;        // transactions stopped a while, then let go on or killed
  // Runs with every program stopped, before the final check (a test plants
  // a fault there).
  std::function<void(const std::string& DataFolder)> BeforeFinalCheck{};
};

// Waits up to Seconds for the child Pid to end: its wait status, or -1 when
// it did not end in time (it is killed then).
inline int WaitFor(pid_t Pid, double Seconds) {
  const int Fd = int(::syscall(SYS_pidfd_open, Pid, 0));
  if (Fd >= 0) {
    pollfd P{Fd, POLLIN, 0};
    int Ready;
    do Ready = ::poll(&P, 1, int(Seconds * 1000));
    while (Ready < 0 && errno == EINTR);
    ::close(Fd);
    if (Ready == 0) ::kill(Pid, SIGKILL);
    int Status = 0;
    ::waitpid(Pid, &Status, 0);
    return Ready == 0 ? -1 : Status;
  }
  int Status = 0;
  return ::waitpid(Pid, &Status, 0) == Pid ? Status : -1;
}

inline std::string StatusText(int Status) {
  if (Status == -1) return "did not end in time";
  if (WIFSIGNALED(Status)) return std::string("died by signal ") + ::strsignal(WTERMSIG(Status));
  return "exited with " + std::to_string(WEXITSTATUS(Status));
}

class TRun {
 public:
  explicit TRun(const TProgramsConfig& C)
      : FC(C), FDir(C.Folder + "/data"), FLogs(C.Folder + "/logs"), FRng(Mix(C.Seed)), FTxnLog(LogOf("transactions")) {
    FReport.Seed = C.Seed;
  }

  TReport Run() {
    std::filesystem::create_directories(FDir);
    std::filesystem::create_directories(FLogs);
    UNSIGNED16 ShowDeleted = 1;
    OakGetDeleted(&ShowDeleted);
    FShm = MapShared();
    if (FShm && ::pipe2(FStop, O_CLOEXEC) == 0 && MakeTables()) {
      const auto Deadline = std::chrono::steady_clock::now() +
                            std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                std::chrono::duration<double>(FC.Seconds));
      if (FC.Writer) Start("writer", RunWriter);
      if (FC.Locker) Start("locker", RunLocker);
      for (int I = 1; I <= FC.Readers; ++I)
        Start("reader " + std::to_string(I),
              [this](TProgram& P) { return TReader(P, LogOf("writer"), LogOf("locker")).Run(); });
      for (int R = 1; FC.Transactions && std::chrono::steady_clock::now() < Deadline; ++R) Round(FRounds = R);
      WaitUntil(Deadline);
      StopAll();
      FinalCheck();
    } else if (FReport.Findings.empty()) {
      FReport.Find("parent", "the run could not start", 0, "shared page, stop pipe or tables");
    }
    if (FStop[0] >= 0) ::close(FStop[0]);
    UnmapShared(FShm);
    OakShowDeleted(ShowDeleted);
    return FReport;
  }

 private:
  struct TRunning {
    std::string Name;
    pid_t Pid = 0;
    int Status = 0;
    bool Ended = false;
  };

  std::string LogOf(const std::string& Name) const {
    std::string File = Name;
    std::erase(File, ' ');
    return FLogs + "/" + File + ".log";
  }
  // Makes the tables with their initial rows, and the model of the
  // transactions' rows.
  bool MakeTables() {
    OAKHANDLE Conn = 0;
    auto Failed = [&](const std::string& What) {
      FReport.Find("parent", "the folder could not be made", 0, What + ": " + LastError());
      if (Conn) OakDisconnect(Conn);
      return false;
    };
    if (OakConnect60(FDir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Conn)) return Failed("OakConnect60");
    std::mt19937_64 Rng(Mix(FC.Seed + 1));
    for (TTable T : {Shared, Ledger, Scratch}) {
      OAKHANDLE H = 0, I = 0;
      if (OakCreateTable(Conn, kTableNames[T], nullptr, OAK_OAT, OAK_ANSI, 1, 1, 64, kFieldDefs, &H))
        return Failed("OakCreateTable");
      for (const TTagDef& Tag : kTags)
        if (OakCreateIndex61(H, "", Tag.Name, Tag.Expr, Tag.Condition, "",
                             OAK_COMPOUND | (Tag.Descending ? OAK_DESCENDING : 0), 512, &I))
          return Failed("OakCreateIndex61");
      for (std::int32_t Id = 1; Id <= kInitialRows[T]; ++Id) {
        const TRow R = MakeRow(Id, 0, 0, T == Ledger ? std::int32_t(Rng() % 1000) : 0, 0);
        if (OakAppendRecord(H) || PutRow(H, R) || OakWriteRecord(H)) return Failed("initial row");
        if (OwnerOf(T, Id) == OwnedByTransactions) FModel.Rows[T][Id] = R;
        if (T == Ledger) FModel.LedgerSum += R.Amt;
      }
      if (OakCloseTable(H)) return Failed("OakCloseTable");
      if (std::filesystem::file_size(FDir + "/" + kTableNames[T] + ".OAT") % 4096 == 0)
        return Failed(std::string(kTableNames[T]) + " ends on a page");
    }
    OakDisconnect(Conn);
    return true;
  }
  pid_t Start(const std::string& Name, const std::function<int(TProgram&)>& Body) {
    const pid_t Pid = ::fork();
    if (Pid == 0) {
      ::close(FStop[1]);
      TProgram P({FDir, LogOf(Name), Name, FShm, FStop[0], FC.Seed});
      ::_exit(Body(P));
    }
    if (Name != "transactions") FPrograms.push_back({Name, Pid});
    return Pid;
  }

  // One transaction: planned, run in a program of its own, perhaps killed
  // or stopped, then checked.
  void Round(int R) {
    FShm->Round = R;
    const TPlan Plan = TPlanner(FModel, R, FRng).Make(FC.Maintenance);
    enum { Lives, DiesAtChange, StopsThenGoesOn, StopsThenDies } End = Lives;
    const std::uint64_t Pick = FRng() % 100;
    if (FC.Kills && Pick < 30) End = DiesAtChange;
    if (FC.Stops && Pick >= 75) End = FRng() % 2 ? StopsThenGoesOn : StopsThenDies;
    const int DieAt = End == DiesAtChange ? 1 + int(FRng() % (FMaxChanges + FMaxChanges / 4 + 1)) : 0;
    const pid_t Pid = Start("transactions", [&](TProgram& P) { return TTransactionProgram(P, Plan).Run(DieAt); });
    if (End == StopsThenGoesOn || End == StopsThenDies) {
      RandomPause(FRng, 20);
      ::kill(Pid, SIGSTOP);
      RandomPause(FRng, 400);
      ::kill(Pid, End == StopsThenGoesOn ? SIGCONT : SIGKILL);
    }
    const int Status = WaitFor(Pid, 120);
    TOutcome Out;
    Out.Read(FTxnLog.NewLines());
    if (Out.Changes > FMaxChanges) FMaxChanges = Out.Changes;
    const bool Killed = Status != -1 && WIFSIGNALED(Status) && WTERMSIG(Status) == SIGKILL;
    const bool MayDie = End == DiesAtChange || End == StopsThenDies;
    if (!(Killed && MayDie) && (Status == -1 || !WIFEXITED(Status) || WEXITSTATUS(Status)))
      FReport.Find("transactions", "the program ended unexpectedly", R, StatusText(Status));
    const std::string Ended = Killed ? (End == DiesAtChange ? "killed before a file change" : "stopped, then killed")
                              : End == StopsThenGoesOn ? "stopped, then went on" : "lived";
    const std::string Result = Out.NeverBegan         ? "never began"
                               : Out.Committed()      ? "committed"
                               : Out.InDoubt()        ? "ended within its commit"
                               : !Out.Refusal.empty() ? "rolled back after a refusal"
                               : Out.RollbackAnswered ? "rolled back"
                                                      : "ended before its commit";
    FReport.Count("transactions", "rounds");
    FReport.Count("transactions", Ended + ", " + Result);
    if (Out.Committed()) FReport.Count("transactions", "committed");
    if (Killed) FReport.Count("transactions", "killed");
    std::string How = "round " + std::to_string(R) + " (" + Ended;
    if (Killed && End == DiesAtChange) How += " " + std::to_string(DieAt);
    How += ", " + (Out.Refusal.empty() ? Result : Out.Refusal + ", " + Result) + ")";
    CheckRound(Plan, Out, How);
    if (FShm->Epoch % 2) FShm->Epoch++;
    FShm->Epoch += 2;
    FShm->PacksSettled = FShm->Packs.load();
  }
  // The folder after round Plan.Round: ledger and scratch whole and as the
  // model says, the transactions' rows of shared likewise; a commit that
  // did not answer is found there wholly or not at all.
  void CheckRound(const TPlan& Plan, const TOutcome& Out, std::string How) {
    AwaitJournalsTakenBack(Plan.Round, How);
    TFolderCheck C(FDir, FReport, Plan.Round, "after " + How);
    FReport.Count("parent", "round checks");
    if (!C.Opened()) return;
    const TRowsById& L = C.Scan(Ledger);
    const TRowsById& S = C.Scan(Scratch);
    int Marker = 0;
    for (const auto& [Id, Rows] : L)
      for (const TRow& Row : Rows) Marker += Row.Grp == 4 * Plan.Round && !Row.Deleted;
    bool Committed = Out.Committed();
    if (Out.InDoubt()) {
      Committed = Marker == Plan.MarkerSize;
      FReport.Count("transactions", Committed ? "commits in doubt found there" : "commits in doubt found not there");
    }
    TModel Expected = FModel;
    if (Committed)
      for (const TOp& Op : Plan.Ops) Expected.Apply(Op);
    TRowsById Own;  // the transactions' rows of shared, and the round's appends there
    for (const auto& [Id, Row] : Expected.Rows[Shared]) C.Seek(Shared, Id, Own);
    for (const TOp& Op : Plan.Ops)
      if (Op.Kind == Append && Op.Table == Shared) C.Seek(Shared, Op.After.Id, Own);
    C.LookForMissed(Shared, Own);
    if (C.CallFailed()) {  // what the check saw may be short: keep the model as expected
      FModel = std::move(Expected);
      return;
    }
    C.CheckModel(Expected, Ledger, L);
    C.CheckModel(Expected, Scratch, S);
    C.CheckModel(Expected, Shared, Own);
    C.CheckSum(Expected);
    for (TTable T : {Ledger, Scratch}) {
      C.CheckGroups(T);
      C.CheckTags(T);
    }
    if (C.Findings()) {  // go on from what is there, so that one fault is reported once
      for (TTable T : {Ledger, Scratch}) Expected.Rows[T].clear();
      TFolderCheck::Resync(Expected, Ledger, L);
      TFolderCheck::Resync(Expected, Scratch, S);
      TFolderCheck::Resync(Expected, Shared, Own);
      Expected.LedgerSum = 0;
      for (const auto& [Id, Row] : Expected.Rows[Ledger]) Expected.LedgerSum += Row.Deleted ? 0 : Row.Amt;
    }
    FModel = std::move(Expected);
  }
  // A dead transaction's journal is taken back by the next open (this
  // one's, or another program's open or write): waits until none is left,
  // so that the check reads every table as the recovery left it (while a
  // recovery writes, one table may be written back and another not yet).
  void AwaitJournalsTakenBack(int Round, const std::string& How) {
    OAKHANDLE Conn = 0, T = 0;
    if (OakConnect60(FDir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Conn) == 0) {
      if (OakOpenTable(Conn, kTableNames[Scratch], nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T) == 0) OakCloseTable(T);
      OakDisconnect(Conn);
    }
    const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::string Left;
    while (!(Left = Journals(FDir)).empty() && Left != FStuckJournals && std::chrono::steady_clock::now() < Until)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!Left.empty() && Left != FStuckJournals)
      FReport.Find("parent", "a dead transaction's journal is not taken back", Round, How + ": " + Left);
    FStuckJournals = Left;  // not waited for again
  }
  // Lets the programs run until Deadline; notes those that end before.
  void WaitUntil(std::chrono::steady_clock::time_point Deadline) {
    for (;;) {
      const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - std::chrono::steady_clock::now());
      if (Left.count() <= 0) return;
      std::vector<pollfd> Fds;
      std::vector<TRunning*> Of;
      for (TRunning& P : FPrograms)
        if (!P.Ended) {
          Fds.push_back({int(::syscall(SYS_pidfd_open, P.Pid, 0)), POLLIN, 0});
          Of.push_back(&P);
        }
      const int Ready = ::poll(Fds.data(), Fds.size(), int(Left.count()));
      for (std::size_t I = 0; I < Fds.size(); ++I) {
        if (Ready > 0 && (Fds[I].revents & POLLIN)) {
          ::waitpid(Of[I]->Pid, &Of[I]->Status, 0);
          Of[I]->Ended = true;
        }
        if (Fds[I].fd >= 0) ::close(Fds[I].fd);
      }
    }
  }
  // Closes the stop pipe and waits for every program's end.
  void StopAll() {
    ::close(FStop[1]);
    for (TRunning& P : FPrograms) {
      if (!P.Ended) P.Status = WaitFor(P.Pid, 60);
      if (P.Status == -1 || !WIFEXITED(P.Status) || WEXITSTATUS(P.Status))
        FReport.Find(P.Name, "the program ended unexpectedly", FRounds, StatusText(P.Status));
      FReport.Collect(P.Name, LogOf(P.Name));
    }
    FReport.Collect("transactions", LogOf("transactions"));
  }
  void FinalCheck() {
    if (FC.BeforeFinalCheck) FC.BeforeFinalCheck(FDir);
    TFolderCheck C(FDir, FReport, FRounds, "at the end");
    if (!C.Opened()) return;
    const std::string Left = Journals(FDir);
    if (!Left.empty()) C.Find("a journal is left after the next open", Left);
    for (TTable T : {Shared, Ledger, Scratch}) {
      C.Scan(T);
      if (C.CallFailed()) return;  // what it saw may be short: the answer is the finding
      C.CheckModel(FModel, T, C.Scanned(T));
      C.CheckGroups(T);
      C.CheckTags(T);
    }
    C.CheckSum(FModel);
    TAcknowledged Acked;
    Acked.Read(LogOf("writer"));
    Acked.Read(LogOf("locker"));
    Acked.Check(C, C.Scanned(Shared));
  }

  const TProgramsConfig FC;
  const std::string FDir, FLogs;
  std::mt19937_64 FRng;
  TLogTail FTxnLog;
  TReport FReport;
  TModel FModel;
  TShared* FShm = nullptr;
  int FStop[2] = {-1, -1};
  std::vector<TRunning> FPrograms;
  int FRounds = 0, FMaxChanges = 60;
  std::string FStuckJournals;
};

inline TReport RunPrograms(const TProgramsConfig& C) { return TRun(C).Run(); }

}  // namespace programs
