// The programs of the several-programs run that live for the whole run:
// the writer, the locker and the readers (the transaction program, which
// the parent kills and restarts by rounds, is in programs_txn.h). Each runs
// in a child process of its own with a connection of its own until the
// parent closes the stop pipe, checks every answer it gets, and reports
// through its log (programs_report.h).
//
// What a program may rely on across calls is only what no other program
// can change meanwhile: its own rows (it alone writes them, so a read gives
// its last acknowledged write), rows that exist for good (the initial rows
// of shared and ledger, the writer's acknowledged appends), the immutable
// keys ID (unique, never changed) and AMT of group rows, and a record or
// table it holds locked. Everything else is judged within one call.
#pragma once

#include <poll.h>
#include <time.h>

#include <initializer_list>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "programs_report.h"
#include "programs_rows.h"

namespace programs {

struct TProgramSetup {
  std::string Dir, LogPath, Name;
  TShared* Shared = nullptr;
  int StopFd = -1;  // the read end of the stop pipe: readable once the parent closed it
  std::uint64_t Seed = 0;
};

inline std::uint64_t HashName(const std::string& S) {
  std::uint64_t H = 1469598103934665603ull;
  for (unsigned char C : S) H = (H ^ C) * 1099511628211ull;
  return H;
}

// Sleeps up to MaxMs milliseconds, a random part of a program's workload.
inline void RandomPause(std::mt19937_64& Rng, int MaxMs) {
  const long Us = long(Rng() % (std::uint64_t(MaxMs) * 1000 + 1));
  timespec T{Us / 1000000, (Us % 1000000) * 1000};
  ::nanosleep(&T, nullptr);
}

// What every program has: its connection and tables, its log, its
// random numbers, its counts and findings.
class TProgram {
 public:
  explicit TProgram(const TProgramSetup& S) : Setup(S), Log(S.LogPath), Rng(Mix(S.Seed ^ HashName(S.Name))) {}

  bool Stopped() const {
    pollfd P{Setup.StopFd, POLLIN, 0};
    return ::poll(&P, 1, 0) > 0;
  }
  int Round() const { return Setup.Shared->Round.load(); }
  void Finding(const std::string& Kind, const std::string& Detail) {
    if (++FFound[Kind] <= 20) Log.Line({"F", Kind, std::to_string(Round()), Detail});
  }
  void Count(const std::string& What, long N = 1) { FCounts[What] += N; }
  // True for 0. A refusal (5035, after the engine's bounded wait) is
  // counted by call; any other answer is a finding.
  bool Answered(UNSIGNED32 Code, const std::string& Call) {
    if (Code == 0) return true;
    if (Code == 5035)
      Count("refused (5035): " + Call);
    else
      Finding(Call + " answered " + std::to_string(Code), LastError());
    return false;
  }
  // True when the record one call reported (if any) is whole.
  bool Whole(const TAt& At, const std::string& Context) {
    const std::string Why = At.Row.RecNo ? Inconsistency(At.Row) : "";
    if (!Why.empty()) Finding("a call answered a record that is not whole", Context + ": " + Why);
    return Why.empty();
  }
  // Connects and opens Tables. Once: false when a call fails. Else a
  // failed call (a finding, or a refusal) is tried again after a pause
  // until the stop, so that the program goes on once the folder lets it.
  bool Connect(std::initializer_list<TTable> Tables, bool Once = false) {
    while (!Answered(OakConnect60(Setup.Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Conn), "OakConnect60"))
      if (Once || !Again()) return false;
    OakShowDeleted(0);
    for (TTable T : Tables)
      if (!Open(T, Once)) return false;
    return true;
  }
  bool Open(TTable T, bool Once = false) {
    while (!Answered(Tables[T].Open(Conn, T), std::string("OakOpenTable ") + kTableNames[T])) {
      Tables[T].Close();
      if (Once || !Again()) return false;
    }
    return true;
  }
  // Writes the counts and the number of findings not written out; the
  // program's exit code.
  int End() {
    if (Conn) OakDisconnect(Conn);
    for (const auto& [What, N] : FCounts) Log.Line({"K", What, std::to_string(N)});
    for (const auto& [Kind, N] : FFound)
      if (N > 20) Log.Line({"K", "more " + Kind, std::to_string(N - 20)});
    return 0;
  }

  // False once stopped, else true after a pause.
  bool Again() {
    if (Stopped()) return false;
    RandomPause(Rng, 50);
    return true;
  }

  const TProgramSetup Setup;
  TLog Log;
  std::mt19937_64 Rng;
  OAKHANDLE Conn = 0;
  TOpened Tables[kTables];

 private:
  std::map<std::string, long> FCounts;
  std::map<std::string, long> FFound;
};

// The rows one program alone writes (the writer's, the locker's): the
// version its last acknowledged write of each left, and the versions of
// the writes refused since, which must not be there.
class TOwnRows {
 public:
  explicit TOwnRows(TProgram& P) : FP(P) {}
  void Add(std::int32_t Id, std::int32_t Ver) {
    FAcked[Id] = Ver;
    FNext[Id] = Ver + 1;
  }
  // A version of Id read: it must be the last acknowledged one.
  void Seen(const TRow& R, const std::string& Context) {
    const std::int32_t Acked = FAcked[R.Id];
    if (R.Ver == Acked) return;
    if (auto Refused = FRefused[R.Id].find(R.Ver); Refused != FRefused[R.Id].end())
      FP.Finding(Refused->second == 5035 ? "a refused write (5035) is there" : "a write that answered an error is there",
                 Context + ": " + Describe(R));
    else
      FP.Finding("a read of a program's own row is not its last acknowledged write",
                 Context + ": last acknowledged version " + std::to_string(Acked) + ", read " + Describe(R));
    FAcked[R.Id] = R.Ver;  // go on from what is there, so that one fault is reported once
    FNext[R.Id] = std::max(FNext[R.Id], R.Ver + 1);
    FP.Log.Line({"S", std::to_string(R.Id), std::to_string(R.Ver)});
  }
  // Writes the next version of Current (T's current record, just read)
  // and logs the answer; true when it was acknowledged.
  bool WriteNext(TOpened& O, const TRow& Current, const std::string& Context) {
    Seen(Current, Context);
    const TRow New = MakeRow(Current.Id, 0, 0, 0, FNext[Current.Id]++);
    UNSIGNED32 E = PutRow(O.Table, New);
    if (!E) E = OakWriteRecord(O.Table);
    return Written("U", New, E, O);
  }
  // Appends R and logs the answer.
  bool Append(TOpened& O, const TRow& R) {
    UNSIGNED32 E = OakAppendRecord(O.Table);
    if (!E) E = PutRow(O.Table, R);
    if (!E) E = OakWriteRecord(O.Table);
    if (!E) Add(R.Id, R.Ver);
    return Written("A", R, E, O);
  }

 private:
  bool Written(const char* Kind, const TRow& R, UNSIGNED32 E, TOpened& O) {
    FP.Log.Line({Kind, std::to_string(R.Id), std::to_string(R.Ver), std::to_string(E)});
    FP.Count(std::string(*Kind == 'A' ? "appends" : "updates") + (E ? " not acknowledged" : " acknowledged"));
    FP.Answered(E, *Kind == 'A' ? "append (OakWriteRecord)" : "update (OakWriteRecord)");
    if (E) {
      FRefused[R.Id][R.Ver] = E;
      OakCancelUpdate(O.Table);
    } else {
      FAcked[R.Id] = R.Ver;
    }
    return E == 0;
  }
  TProgram& FP;
  std::map<std::int32_t, std::int32_t> FAcked, FNext;
  std::map<std::int32_t, std::map<std::int32_t, UNSIGNED32>> FRefused;  // version: answer
};

// A seek of a row that exists: found, on its own key, visible, whole.
inline bool SeekExisting(TProgram& P, TTable T, std::int32_t Id, TAt& At) {
  const std::string Where = std::string(kTableNames[T]) + " ID " + std::to_string(Id);
  At = P.Tables[T].SeekId(Id, false);
  if (!P.Answered(At.Code, "OakSeekAndRead")) return false;
  if (!At.Found || !At.Row.RecNo) {
    P.Finding("a seek missed a row that exists", Where);
  } else if (At.Row.Id != Id) {
    P.Finding("a seek answered another key", Where + ": " + Describe(At.Row));
  } else if (!At.Visible || At.Row.Deleted) {
    P.Finding("a seek answered a hidden record", Where + ": " + Describe(At.Row));
  } else {
    return P.Whole(At, "seek " + Where);
  }
  return false;
}

// The writer: appends rows and writes new versions of its rows, outside
// transactions, logging each answer with the values written.
inline int RunWriter(TProgram& P) {
  if (!P.Connect({Shared})) return P.End();
  TOwnRows Own(P);
  std::vector<std::int32_t> Ids;
  for (std::int32_t Id = 1; Id <= kInitialRows[Shared]; ++Id)
    if (OwnerOf(Shared, Id) == OwnedByWriter) Own.Add(Id, 0), Ids.push_back(Id);
  for (std::int32_t Next = kWriterBase; !P.Stopped(); RandomPause(P.Rng, P.Rng() % 8 ? 0 : 2)) {
    TAt At;
    if (P.Rng() % 10 < 3) {
      if (Own.Append(P.Tables[Shared], MakeRow(Next, 0, 0, 0, 0))) Ids.push_back(Next);
      ++Next;
    } else if (const std::int32_t Id = Ids[P.Rng() % Ids.size()]; SeekExisting(P, Shared, Id, At)) {
      Own.WriteNext(P.Tables[Shared], At.Row, "writer's seek before an update");
    }
  }
  return P.End();
}

// The locker: locks a record or a whole table of shared or ledger, reads
// under the lock, sometimes writes its own rows there, holds the lock a
// moment and reads again: what it holds locked does not change.
class TLocker {
 public:
  explicit TLocker(TProgram& P) : FP(P), FOwn(P) {
    for (std::int32_t Id = 4; Id <= kInitialRows[Shared]; Id += 4) FOwn.Add(Id, 0);
  }
  int Run() {
    if (!FP.Connect({Shared, Ledger})) return FP.End();
    while (!FP.Stopped()) {
      const TTable T = FP.Rng() % 4 ? Shared : Ledger;
      FP.Rng() % 10 < 8 ? LockOneRecord(T) : LockTable(T);
      RandomPause(FP.Rng, 6);
    }
    return FP.End();
  }

 private:
  std::int32_t AnyId(TTable T) { return 1 + std::int32_t(FP.Rng() % kInitialRows[T]); }
  std::int32_t OwnId() { return 4 * (1 + std::int32_t(FP.Rng() % (kInitialRows[Shared] / 4))); }
  // The current record of T, whole: read anew from the disk, or (Locked)
  // as the lock just read it.
  bool Reread(TTable T, TAt& At, const std::string& Context, bool Locked = false) {
    if (!Locked && !FP.Answered(OakSkip(FP.Tables[T].Table, 0), "OakSkip (0)")) return false;
    At = FP.Tables[T].Step(FP.Tables[T].Table, 0);
    return FP.Answered(At.Code, "OakSkipAndRead") && FP.Whole(At, Context);
  }
  // The packs begun before a lock, or -1 when one of them was not settled.
  int PacksBefore() const {
    const int Settled = FP.Setup.Shared->PacksSettled.load();
    const int Begun = FP.Setup.Shared->Packs.load();
    return Settled == Begun ? Begun : -1;
  }
  // Whether a change of what T held locked since PacksBefore is judged:
  // not in ledger when a live transaction's pack was seen meanwhile (see
  // TShared::Packs).
  bool Judged(TTable T, int PacksBefore) {
    if (T != Ledger || (PacksBefore >= 0 && PacksBefore == FP.Setup.Shared->Packs.load())) return true;
    FP.Count("locks not judged: a live transaction packed ledger");
    return false;
  }
  void LockOneRecord(TTable T) {
    TOpened& O = FP.Tables[T];
    TAt At, Held, Again;
    const int Packs = PacksBefore();
    if (!SeekExisting(FP, T, AnyId(T), At)) return;
    const UNSIGNED32 RecNo = At.Row.RecNo;
    if (!FP.Answered(OakLockRecord(O.Table, RecNo), "OakLockRecord")) return;
    FP.Count("record locks held");
    const std::string Where = std::string(kTableNames[T]) + " record " + std::to_string(RecNo) + " locked";
    if (Reread(T, Held, Where, true)) {
      std::string Memo;
      if (FP.Answered(ReadMemo(O.Table, Memo), "OakGetField (memo) under a record lock")) {
        const std::string Why = MemoMismatch(Held.Row, Memo);
        if (!Why.empty()) FP.Finding("a memo value is not the one of its record", Where + ": " + Why);
      }
      if (T == Shared && OwnerOf(T, Held.Row.Id) == OwnedByLocker && FP.Rng() % 2 &&
          FOwn.WriteNext(O, Held.Row, Where))
        Reread(T, Held, Where + ", after this program's write");
      RandomPause(FP.Rng, 15);
      if (Reread(T, Again, Where) && !SameImage(Held.Row, Again.Row) && Judged(T, Packs))
        FP.Finding("a record changed while this program held its lock",
                   Where + ": was " + Describe(Held.Row) + ", then " + Describe(Again.Row));
    }
    FP.Answered(OakUnlockRecord(O.Table, RecNo), "OakUnlockRecord");
  }
  void LockTable(TTable T) {
    TOpened& O = FP.Tables[T];
    const int Packs = PacksBefore();
    if (!FP.Answered(OakLockTable(O.Table), "OakLockTable")) return;
    FP.Count("table locks held");
    const std::string Where = std::string(kTableNames[T]) + " locked";
    std::vector<TRow> Held;
    TAt At;
    for (int I = 0; I < 3; ++I)
      if (SeekExisting(FP, T, AnyId(T), At)) Held.push_back(At.Row);
    if (T == Shared && SeekExisting(FP, T, OwnId(), At) && FOwn.WriteNext(O, At.Row, Where) &&
        SeekExisting(FP, T, At.Row.Id, At)) {
      std::erase_if(Held, [&](const TRow& R) { return R.Id == At.Row.Id; });  // read before this program's write
      Held.push_back(At.Row);
    }
    RandomPause(FP.Rng, 10);
    for (const TRow& R : Held)
      if (SeekExisting(FP, T, R.Id, At) && !SameImage(R, At.Row) && Judged(T, Packs))
        FP.Finding("a record changed while this program held the table lock",
                   Where + ": was " + Describe(R) + ", then " + Describe(At.Row));
    FP.Answered(OakUnlockTable(O.Table), "OakUnlockTable");
  }

  TProgram& FP;
  TOwnRows FOwn;
};

inline int RunLocker(TProgram& P) { return TLocker(P).Run(); }

// A reader: seeks rows that exist for good, seeks anywhere, walks every
// tag of every table both ways, reads memo values, and reopens its tables
// now and then (an open takes back a dead program's transaction).
class TReader {
 public:
  TReader(TProgram& P, const std::string& WriterLog, const std::string& LockerLog)
      : FP(P), FLogs{TLogTail(WriterLog), TLogTail(LockerLog)} {}
  int Run() {
    if (!FP.Connect({Shared, Ledger, Scratch})) return FP.End();
    for (long Op = 1; !FP.Stopped(); ++Op) {
      if (Op % 50 == 1) Tail();
      if (Op % 500 == 0 && !Reopen()) break;
      const std::uint64_t R = FP.Rng() % 100;
      R < 50 ? SeekForGood() : R < 60 ? SeekAnywhere() : Walk();
    }
    return FP.End();
  }

 private:
  // The acknowledged writes of the writer and the locker so far.
  void Tail() {
    for (TLogTail& L : FLogs)
      for (const auto& Line : L.NewLines()) {
        const bool Acknowledged = (Line[0] == "A" || Line[0] == "U") && Line.size() == 4 && Line[3] == "0";
        if (!Acknowledged && !(Line[0] == "S" && Line.size() == 3)) continue;
        const std::int32_t Id = std::atoi(Line[1].c_str()), Ver = std::atoi(Line[2].c_str());
        if (Line[0] == "A") FAppended.push_back(Id);
        FAcked[Id] = Line[0] == "S" ? Ver : std::max(FAcked[Id], Ver);
      }
  }
  bool Reopen() {
    for (TTable T : {Shared, Ledger, Scratch}) {
      FP.Answered(FP.Tables[T].Close(), "OakCloseTable");
      if (!FP.Open(T)) return false;  // stopped meanwhile
    }
    FP.Count("reopens");
    return true;
  }
  void SeekForGood() {
    const TTable T = FP.Rng() % 5 < 3 ? Shared : Ledger;
    std::int32_t Id = 1 + std::int32_t(FP.Rng() % kInitialRows[T]);
    if (T == Shared && !FAppended.empty() && FP.Rng() % 3 == 0) Id = FAppended[FP.Rng() % FAppended.size()];
    auto Acked = FAcked.find(Id);
    const std::int32_t Floor = T == Shared && Acked != FAcked.end() ? Acked->second : 0;
    TAt At;
    FP.Count("seeks of rows that exist");
    if (!SeekExisting(FP, T, Id, At)) return;
    if (At.Row.Ver < Floor)
      FP.Finding("a read answered a version older than one acknowledged before it",
                 std::string(kTableNames[T]) + ": acknowledged version " + std::to_string(Floor) + ", read " +
                     Describe(At.Row));
    if (FP.Rng() % 4 == 0) MemoCheck(T);
  }
  // The memo value of the current record, read between two reads of its
  // image: judged only when both images are the same and no transaction
  // wrote files at once around the three calls (else the value may be
  // that of a later version, legitimately).
  void MemoCheck(TTable T) {
    TOpened& O = FP.Tables[T];
    const std::uint32_t Epoch = FP.Setup.Shared->Epoch.load();
    std::string Memo;
    const TAt Before = O.Step(O.Table, 0);
    const UNSIGNED32 E = ReadMemo(O.Table, Memo);
    const TAt After = O.Step(O.Table, 0);
    if (!FP.Answered(Before.Code, "OakSkipAndRead") || !FP.Answered(After.Code, "OakSkipAndRead")) return;
    if (!Before.Row.RecNo || !SameImage(Before.Row, After.Row) || Epoch % 2 ||
        Epoch != FP.Setup.Shared->Epoch.load()) {
      FP.Count("memo reads not judged: the record changed meanwhile");
      return;
    }
    FP.Count("memo reads judged");
    const std::string Why = MemoMismatch(Before.Row, Memo);
    if (FP.Answered(E, "OakGetField (memo)") && !Why.empty())
      FP.Finding("a memo value is not the one of its record", std::string(kTableNames[T]) + ": " + Why);
  }
  std::int32_t RandomId() {
    switch (FP.Rng() % 3) {
      case 0: return 1 + std::int32_t(FP.Rng() % (kInitialRows[Shared] + 10));
      case 1: return kWriterBase + std::int32_t(FP.Rng() % (FAppended.size() + 10));
      default: return kGroupBase + std::int32_t(FP.Rng() % (16 * FP.Round() + 32));
    }
  }
  // A soft seek anywhere: the key sought or the next greater one, visible.
  void SeekAnywhere() {
    const TTable T = TTable(FP.Rng() % kTables);
    const std::int32_t Id = RandomId();
    const TAt At = FP.Tables[T].SeekId(Id, true);
    FP.Count("soft seeks");
    if (!FP.Answered(At.Code, "OakSeekAndRead (soft)") || !At.Row.RecNo) return;
    const std::string Where = std::string(kTableNames[T]) + " soft seek of ID " + std::to_string(Id);
    if (At.Found ? At.Row.Id != Id : At.Row.Id <= Id)
      FP.Finding("a seek answered another key", Where + ": " + Describe(At.Row));
    else if (!At.Visible || At.Row.Deleted)
      FP.Finding("a seek answered a hidden record", Where + ": " + Describe(At.Row));
    else
      FP.Whole(At, Where);
  }
  // Where a step on Tag may go from Prev: BYID strictly on (IDs are unique
  // and never change), BYAMT (descending) never back (group rows keep
  // their AMT). BYTXT keys change with every version, so a step there is
  // judged by itself only.
  static bool InOrder(TTag Tag, bool Forward, const TRow& Prev, const TRow& Next) {
    if (Tag == ById) return Forward ? Next.Id > Prev.Id : Next.Id < Prev.Id;
    if (Tag == ByAmt) return Forward ? Next.Amt <= Prev.Amt : Next.Amt >= Prev.Amt;
    return true;
  }
  // One step's record: visible, whole, in the tag and in order.
  bool StepOk(TTag Tag, bool Forward, const TAt& At, const TRow* Prev, const std::string& Where) {
    if (!At.Visible || At.Row.Deleted)
      FP.Finding("a walk answered a hidden record", Where + ": " + Describe(At.Row));
    else if (Tag == ByAmt && At.Row.Grp <= 0)
      FP.Finding("a walk answered a record outside its tag's condition", Where + ": " + Describe(At.Row));
    else if (Prev && !InOrder(Tag, Forward, *Prev, At.Row))
      FP.Finding("a walk went against its tag's order",
                 Where + ": after " + Describe(*Prev) + " came " + Describe(At.Row));
    else
      return FP.Whole(At, Where);
    return false;
  }
  // A walk past its bound: on BYID and BYAMT every step reaches a record
  // not reached before (their keys never change, the order is checked), so
  // it may go on while the table has grown past the bound meanwhile, else
  // it did not end. BYTXT keys change with every version, so a walk there
  // may meet a record again; it is only stopped.
  bool WalkMayGoOn(TOpened& O, TTag Tag, const std::string& Where, long Steps, long& Bound) {
    if (Tag == ByTxt) {
      FP.Count("walks on BYTXT stopped at their bound");
      return false;
    }
    UNSIGNED32 Records = 0;
    if (!FP.Answered(OakGetRecordCount(O.Table, OAK_IGNOREFILTERS, &Records), "OakGetRecordCount")) return false;
    Bound = 2 * long(Records) + 20000;
    if (Steps <= Bound) return true;
    FP.Finding("a walk did not end", Where + ": " + std::to_string(Steps) + " steps in a table of " +
                                         std::to_string(Records) + " records");
    return false;
  }
  void Walk() {
    const std::uint64_t R = FP.Rng() % 100;
    const TTable T = R < 50 ? Shared : R < 85 ? Ledger : Scratch;
    const TTag Tag = TTag(FP.Rng() % kTagCount);
    const bool Forward = FP.Rng() % 3 != 0, Full = FP.Rng() % 3 == 0;
    const long Limit = Full ? -1 : 20 + long(FP.Rng() % 400);
    TOpened& O = FP.Tables[T];
    const OAKHANDLE Order = O.Tags[Tag];
    const std::string Where = std::string(kTableNames[T]) + " " + kTags[Tag].Name + (Forward ? " forward" : " backward");
    UNSIGNED32 Records = 0;
    if (!FP.Answered(OakGetRecordCount(O.Table, OAK_IGNOREFILTERS, &Records), "OakGetRecordCount")) return;
    TRow Prev;
    bool HavePrev = false;
    if (!FP.Answered(Forward ? OakGotoBOF(Order) : OakGotoBottom(Order), Forward ? "OakGotoBOF" : "OakGotoBottom"))
      return;
    if (!Forward) {  // the bottom record read by a second call: a reference only when it is in the tag
      const TAt At = O.Step(Order, 0);
      if (!FP.Answered(At.Code, "OakSkipAndRead") || !FP.Whole(At, Where + " at the bottom")) return;
      HavePrev = At.Row.RecNo && At.Visible && !At.Row.Deleted && (Tag != ByAmt || At.Row.Grp > 0);
      Prev = At.Row;
    }
    long Bound = 2 * long(Records) + 20000, Steps = 0;
    for (;; ++Steps) {
      if (Steps == Limit) break;
      if (Steps > Bound && !WalkMayGoOn(O, Tag, Where, Steps, Bound)) break;
      const TAt At = O.Step(Order, Forward ? 1 : -1);
      if (!FP.Answered(At.Code, "OakSkipAndRead (walk)")) break;
      if (!At.Row.RecNo) {
        if (!(Forward ? At.Eof : At.Bof)) FP.Finding("a walk ended on no record but not at its end", Where);
        FP.Count("walks to the end");
        break;
      }
      if (!StepOk(Tag, Forward, At, HavePrev ? &Prev : nullptr, Where)) break;
      Prev = At.Row;
      HavePrev = true;
    }
    FP.Count("walk steps", Steps);
  }

  TProgram& FP;
  TLogTail FLogs[2];
  std::map<std::int32_t, std::int32_t> FAcked;
  std::vector<std::int32_t> FAppended;
};

}  // namespace programs
