// The transaction program of the several-programs run: one transaction a
// round, in a child process the parent starts for the round and may kill
// (at a file change, or stopped a while first) or let run.
//
// The parent keeps the model of every row the transactions own (all of
// ledger and scratch, and in shared the initial rows with ID modulo 4 = 1
// and the group rows), and before each round makes the round's plan from
// it: the child, forked after, carries out that plan and compares every row
// it reads before changing it with the plan's expectation. Each transaction
// appends a group to ledger (the marker: GRP = round x 4, GSIZE rows, AMT
// summing to 0), and moves amounts between ledger rows, so that ledger's
// amounts keep their sum; it may also write new versions of its rows of
// shared (new TXT and memo), append a group to shared, delete a whole group
// of an earlier round, pack ledger under the table lock, zap scratch under
// the table lock and append a group there, and reindex shared or ledger.
// It commits, or rolls back by plan.
//
// Round lines in its log (programs_report.h):
//   B  round             began          C   round        commit called
//   CA round answer      commit answered RB  round answer rollback answered
//   R  round op answer   an operation refused or failed; rollback follows
//   X  round             never began (a table did not open)
//   N  round changes     the file changes of a transaction that lived
#pragma once

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "kill_at_change.h"
#include "programs_children.h"

namespace programs {

enum TOpKind { Update, Append, Delete, Pack, Zap, Reindex };
inline const char* const kOpNames[] = {"update", "append", "delete", "pack", "zap", "reindex"};

struct TOp {
  TOpKind Kind = Update;
  TTable Table = Ledger;
  TRow Before, After;  // Before: the row read before an update or delete; After: the row written
};

struct TPlan {
  int Round = 0;
  std::vector<TOp> Ops;
  bool RollsBack = false;
  int MarkerSize = 0;  // rows of the ledger group GRP = Round x 4
};

// The rows the transactions own, as the committed ones left them.
struct TModel {
  std::map<std::int32_t, TRow> Rows[kTables];  // shared: the transactions' rows only
  long LedgerSum = 0;                          // of AMT over ledger's live rows, for good

  void Apply(const TOp& Op) {
    auto& Rows = this->Rows[Op.Table];
    switch (Op.Kind) {
      case Update:
      case Append: Rows[Op.After.Id] = Op.After; break;
      case Delete: Rows[Op.Before.Id].Deleted = true; break;
      case Pack: std::erase_if(Rows, [](const auto& R) { return R.second.Deleted; }); break;
      case Zap: Rows.clear(); break;
      case Reindex: break;
    }
  }
  // The groups of T with live rows, but those of round Round.
  std::vector<std::int32_t> LiveGroups(TTable T, int Round) const {
    std::set<std::int32_t> Groups;
    for (const auto& [Id, R] : Rows[T])
      if (R.Grp > 0 && !R.Deleted && R.Grp / 4 != Round) Groups.insert(R.Grp);
    return {Groups.begin(), Groups.end()};
  }
};

// A round's transaction, made from the model with the round's random numbers.
class TPlanner {
 public:
  TPlanner(const TModel& M, int Round, std::mt19937_64& Rng) : FSim(M), FRng(Rng) { FPlan.Round = Round; }

  TPlan Make(bool Maintenance) {
    const int Units = 1 + int(FRng() % 4), Marker = int(FRng() % (Units + 1));
    bool Zapped = false;
    for (int U = 0; U <= Units; ++U) {
      if (U == Marker) {
        FPlan.MarkerSize = 1 + int(FRng() % 5);
        Group(Ledger, 0, FPlan.MarkerSize);
        continue;
      }
      const std::uint64_t Kind = FRng() % (Maintenance ? 100 : 68);
      if (Kind < 30) {
        const std::int32_t A = AnyInitial(Ledger), Amount = 1 + std::int32_t(FRng() % 100);
        const std::int32_t B = 1 + (A + std::int32_t(FRng() % (kInitialRows[Ledger] - 1))) % kInitialRows[Ledger];
        Change(Ledger, A, -Amount);
        Change(Ledger, B, Amount);
      } else if (Kind < 50) {
        Change(Shared, 1 + 4 * std::int32_t(FRng() % ((kInitialRows[Shared] + 3) / 4)), 0);
      } else if (Kind < 68) {
        DeleteGroup(FRng() % 2 ? Ledger : Shared);
      } else if (Kind < 80) {
        if (FRng() % 2) DeleteGroup(Ledger);
        Whole(Pack, Ledger);
      } else if (Kind < 90 && !Zapped) {
        Zapped = true;
        Whole(Zap, Scratch);
        Group(Scratch, 2, 1 + int(FRng() % 7));
      } else {
        Whole(Reindex, FRng() % 2 ? Shared : Ledger);
      }
    }
    if (FRng() % 5 < 2) Group(Shared, 1, 1 + int(FRng() % 4));
    FPlan.RollsBack = FRng() % 8 == 0;
    return FPlan;
  }

 private:
  std::int32_t AnyInitial(TTable T) { return 1 + std::int32_t(FRng() % kInitialRows[T]); }
  void Add(const TOp& Op) {
    FPlan.Ops.push_back(Op);
    FSim.Apply(Op);
  }
  void Change(TTable T, std::int32_t Id, std::int32_t Delta) {
    auto It = FSim.Rows[T].find(Id);
    if (It == FSim.Rows[T].end() || It->second.Deleted) return;  // lost (a finding) and adopted so
    TOp Op{Update, T, It->second, {}};
    Op.After = NextVersion(Op.Before, Delta);
    Add(Op);
  }
  void DeleteGroup(TTable T) {
    const std::vector<std::int32_t> Groups = FSim.LiveGroups(T, FPlan.Round);
    if (Groups.empty()) return;
    const std::int32_t G = Groups[FRng() % Groups.size()];
    std::vector<TRow> Rows;
    for (const auto& [Id, R] : FSim.Rows[T])
      if (R.Grp == G && !R.Deleted) Rows.push_back(R);
    for (const TRow& R : Rows) Add({Delete, T, R, {}});
  }
  // Appends group Round x 4 + Part to T: Size rows whose AMT sum to 0.
  void Group(TTable T, int Part, int Size) {
    std::int32_t Sum = 0;
    for (int I = 0; I < Size; ++I) {
      const std::int32_t Amt = I + 1 == Size ? -Sum : std::int32_t(FRng() % 1001) - 500;
      Sum += Amt;
      Add({Append, T, {}, MakeRow(kGroupBase + 16 * FPlan.Round + FNextIndex++, 4 * FPlan.Round + Part, Size, Amt, 0)});
    }
  }
  void Whole(TOpKind K, TTable T) { Add({K, T, {}, {}}); }

  TModel FSim;
  std::mt19937_64& FRng;
  TPlan FPlan;
  int FNextIndex = 0;  // of the round's rows: IDs kGroupBase + 16 x round + 0..15
};

// Carries out a plan in the child. DieAt > 0: dies by SIGKILL before its
// DieAt-th file change from the transaction's start; 0: counts them.
class TTransactionProgram {
 public:
  TTransactionProgram(TProgram& P, const TPlan& Plan) : FP(P), FPlan(Plan), FRound(std::to_string(Plan.Round)) {}

  int Run(int DieAt) {
    if (!FP.Connect({Shared, Ledger, Scratch}, true)) {
      FP.Log.Line({"X", FRound});
      return FP.End();
    }
    DieAt ? mds_test::DieBeforeChange(DieAt) : mds_test::CountChanges();
    if (!FP.Answered(OakBeginTransaction(FP.Conn), "OakBeginTransaction")) {
      FP.Log.Line({"X", FRound});
      return FP.End();
    }
    FP.Log.Line({"B", FRound});
    for (std::size_t I = 0; I < FPlan.Ops.size(); ++I)
      if (const UNSIGNED32 E = Do(FPlan.Ops[I])) {
        FP.Log.Line({"R", FRound, kOpNames[FPlan.Ops[I].Kind], std::to_string(E)});
        return RollBack();
      }
    if (FPlan.RollsBack) return RollBack();
    FP.Log.Line({"C", FRound});
    const UNSIGNED32 E = WritingAtOnce([&] { return OakCommitTransaction(FP.Conn); });
    FP.Log.Line({"CA", FRound, std::to_string(E)});
    FP.Answered(E, "OakCommitTransaction");
    if (!DieAt) FP.Log.Line({"N", FRound, std::to_string(mds_test::StopCountingChanges())});
    return FP.End();
  }

 private:
  static constexpr UNSIGNED32 kUnexpectedRow = 1;  // no engine code: the row read was not the plan's

  // A call that writes table files at once: the epoch is odd meanwhile.
  template <class F>
  UNSIGNED32 WritingAtOnce(F Call) {
    FP.Setup.Shared->Epoch.fetch_add(1);
    const UNSIGNED32 E = Call();
    FP.Setup.Shared->Epoch.fetch_add(1);
    return E;
  }
  int RollBack() {
    for (TOpened& O : FP.Tables) OakCancelUpdate(O.Table);
    const UNSIGNED32 E = WritingAtOnce([&] { return OakRollbackTransaction(FP.Conn); });
    FP.Log.Line({"RB", FRound, std::to_string(E)});
    FP.Answered(E, "OakRollbackTransaction");
    return FP.End();
  }
  // The row an update or delete finds must be the plan's Before.
  UNSIGNED32 Find(const TOp& Op) {
    const TAt At = FP.Tables[Op.Table].SeekId(Op.Before.Id, false);
    if (At.Code) return At.Code;
    if (!At.Found || !At.Row.RecNo || !SameValues(At.Row, Op.Before) || At.Row.Txt != Op.Before.Txt) {
      FP.Finding("the transaction program read a row unlike the committed one",
                 std::string(kTableNames[Op.Table]) + ": expected " + Describe(Op.Before) + ", read " +
                     (At.Found && At.Row.RecNo ? Describe(At.Row) : "nothing"));
      return kUnexpectedRow;
    }
    return 0;
  }
  UNSIGNED32 Do(const TOp& Op) {
    const OAKHANDLE T = FP.Tables[Op.Table].Table;
    UNSIGNED32 E = 0;
    switch (Op.Kind) {
      case Update:
        if (!(E = Find(Op)) && !(E = PutRow(T, Op.After))) E = OakWriteRecord(T);
        break;
      case Delete:
        if (!(E = Find(Op))) E = OakDeleteRecord(T);
        break;
      case Append:
        if (!(E = OakAppendRecord(T)) && !(E = PutRow(T, Op.After))) E = OakWriteRecord(T);
        break;
      case Pack:
      case Zap:
        if (Op.Kind == Pack) FP.Setup.Shared->Packs.fetch_add(1);
        if (!(E = OakLockTable(T))) {
          E = WritingAtOnce([&] { return Op.Kind == Pack ? OakPackTable(T) : OakZapTable(T); });
          const UNSIGNED32 Unlocked = OakUnlockTable(T);
          E = E ? E : Unlocked;
        }
        break;
      case Reindex: E = WritingAtOnce([&] { return OakReindex61(T, 0); }); break;
    }
    if (E && E != kUnexpectedRow) FP.Answered(E, std::string(kOpNames[Op.Kind]) + " in a transaction");
    return E;
  }

  TProgram& FP;
  const TPlan& FPlan;
  const std::string FRound;
};

// What the log of a round says about its transaction.
struct TOutcome {
  bool Began = false, NeverBegan = false, CommitCalled = false, CommitAnswered = false, RollbackAnswered = false;
  UNSIGNED32 CommitAnswer = 0;
  int Changes = -1;
  std::string Refusal;  // the operation and answer that ended it early

  void Read(const std::vector<std::vector<std::string>>& Lines) {
    for (const auto& L : Lines) {
      const std::string& K = L[0];
      Began |= K == "B";
      NeverBegan |= K == "X";
      CommitCalled |= K == "C";
      RollbackAnswered |= K == "RB";
      if (K == "CA" && L.size() == 3) CommitAnswered = true, CommitAnswer = UNSIGNED32(std::atol(L[2].c_str()));
      if (K == "N" && L.size() == 3) Changes = std::atoi(L[2].c_str());
      if (K == "R" && L.size() == 4) Refusal = L[2] + " answered " + L[3];
    }
  }
  bool Committed() const { return CommitAnswered && CommitAnswer == 0; }
  // The commit began and did not answer 0: all of it or nothing may be there.
  bool InDoubt() const { return CommitCalled && !Committed(); }
};

}  // namespace programs
