// The parent's look at the folder of the several-programs run: after each
// round (while the writer, locker and readers go on, so only what the
// transactions own, which nobody else writes, is compared) and at the end
// with every program stopped. A fresh connection opens every table (which
// takes back a dead transaction), reads every record in record order with
// its memo value, walks every tag both ways, and compares the rows with the
// transactions' model and the acknowledged writes.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "programs_txn.h"

namespace programs {

using TRowsById = std::map<std::int32_t, std::vector<TRow>>;

class TFolderCheck {
 public:
  TFolderCheck(const std::string& Dir, TReport& R, int Round, std::string Stage)
      : FReport(R), FRound(Round), FStage(std::move(Stage)) {
    FOpened = Answered(OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &FConn), "OakConnect60");
    OakShowDeleted(1);
    for (TTable T : {Shared, Ledger, Scratch})
      FOpened = FOpened && Answered(FTables[T].Open(FConn, T), std::string("OakOpenTable ") + kTableNames[T]);
  }
  ~TFolderCheck() {
    for (TOpened& O : FTables) O.Close();
    if (FConn) OakDisconnect(FConn);
  }
  bool Opened() const { return FOpened; }
  // True when a call of the check answered an error: what it saw may be
  // short, so it is not compared (the answer is the finding).
  bool CallFailed() const { return FCallFailed; }
  int Findings() const { return FFindings; }
  void Find(const std::string& Kind, const std::string& Detail) {
    ++FFindings;
    FReport.Find("parent", Kind, FRound, FStage + ": " + Detail);
  }

  // Every record of T in record order, whole, and with its own memo value
  // unless Memos is false (a table others write: the memo read after the
  // record may be a later version's).
  const TRowsById& Scan(TTable T, bool Memos = true) {
    TOpened& O = FTables[T];
    TRowsById& Out = FScans[T];
    Out.clear();
    FRecords[T].clear();
    if (!Answered(OakGotoBOF(O.Table), "OakGotoBOF")) return Out;
    for (UNSIGNED32 Expected = 1;; ++Expected) {
      const TAt At = O.Step(O.Table, 1);
      if (!Answered(At.Code, "OakSkipAndRead") || !At.Row.RecNo) break;
      if (At.Row.RecNo != Expected) Find("a walk in record order skipped records", Where(T, At.Row));
      Check(T, At.Row, Memos);
      Out[At.Row.Id].push_back(At.Row);
      FRecords[T].push_back(At.Row);
    }
    return Out;
  }
  // Rows of T that seeks (Seek) did not find: looked for in a walk in
  // record order, as a seek cannot tell a row missing from a seek gone
  // wrong. A row found so is a finding of its own and goes into Seen.
  void LookForMissed(TTable T, TRowsById& Seen) {
    std::vector<std::int32_t> Missed;
    for (const auto& [Id, Rows] : Seen)
      if (Rows.empty()) Missed.push_back(Id);
    if (Missed.empty()) return;
    const TRowsById& All = Scan(T, false);
    for (std::int32_t Id : Missed)
      if (auto It = All.find(Id); It != All.end()) {
        Find("a seek missed a row that exists", std::string(kTableNames[T]) + " " + Describe(It->second.front()));
        Seen[Id] = It->second;
      }
  }
  // Looks a row up by ID through BYID (deleted ones too) into Seen: its
  // row, whole, with its own memo, or none. Nothing when the call failed.
  void Seek(TTable T, std::int32_t Id, TRowsById& Seen) {
    const TAt At = FTables[T].SeekId(Id, false);
    if (!Answered(At.Code, "OakSeekAndRead")) return;
    Seen[Id].clear();
    if (!At.Found || !At.Row.RecNo) return;
    if (At.Row.Id != Id) Find("a seek answered another key", Where(T, At.Row));
    Check(T, At.Row);
    Seen[Id].push_back(At.Row);
  }
  // Every tag of T walks exactly the records of the last Scan, in key
  // order (equal keys in any order), forward and backward.
  void CheckTags(TTable T) {
    for (int Tag = 0; Tag < kTagCount; ++Tag) {
      std::vector<UNSIGNED32> Expected;
      for (const TRow& R : FRecords[T])
        if (Tag != ByAmt || R.Grp > 0) Expected.push_back(R.RecNo);
      for (bool Forward : {true, false}) {
        const std::string Name = std::string(kTableNames[T]) + " " + kTags[Tag].Name + (Forward ? " forward" : " backward");
        std::vector<UNSIGNED32> Walked;
        std::string Why = WalkTag(T, TTag(Tag), Forward, Walked);
        std::sort(Walked.begin(), Walked.end());
        if (Why.empty() && Walked != Expected)
          Why = std::to_string(Walked.size()) + " records walked, " + std::to_string(Expected.size()) + " in the table";
        if (!Why.empty()) Find("a tag does not walk its table's records in key order", Name + ": " + Why);
      }
    }
  }
  // Every group of T is whole: GSIZE live rows, or all deleted, or gone.
  void CheckGroups(TTable T) {
    struct TCount {
      int Size = 0, Live = 0, Deleted = 0;
    };
    std::map<std::int32_t, TCount> Groups;
    for (const TRow& R : FRecords[T])
      if (R.Grp > 0) {
        TCount& N = Groups[R.Grp];
        N.Size = R.Gsize;
        ++(R.Deleted ? N.Deleted : N.Live);
      }
    for (const auto& [G, N] : Groups)
      if (!((N.Live == N.Size && !N.Deleted) || (!N.Live && N.Deleted == N.Size)))
        Find("a transaction's group is partly there",
             std::string(kTableNames[T]) + " group " + std::to_string(G) + " of " + std::to_string(N.Size) + ": " +
                 std::to_string(N.Live) + " live, " + std::to_string(N.Deleted) + " deleted rows");
  }
  // The transactions' rows of T against Model: each once, as committed;
  // no other row of theirs (Seen: all rows of T, or those looked up).
  void CheckModel(const TModel& Model, TTable T, const TRowsById& Seen) {
    const auto& Expected = Model.Rows[T];
    for (const auto& [Id, Want] : Expected) {
      auto It = Seen.find(Id);
      if (It == Seen.end() || It->second.empty())
        Find("a committed row is missing", std::string(kTableNames[T]) + " " + Describe(Want));
      else if (!SameValues(It->second.front(), Want))
        Find("a row is not as the committed transactions left it",
             std::string(kTableNames[T]) + " expected " + Describe(Want) + ", found " + Describe(It->second.front()));
    }
    for (const auto& [Id, Rows] : Seen)
      if (Rows.size() > 1)
        Find("a row is in its table more than once", std::string(kTableNames[T]) + " " + Describe(Rows[0]) + " and " +
                                                         Describe(Rows[1]));
      else if (!Rows.empty() && OwnerOf(T, Id) == OwnedByTransactions && !Expected.count(Id))
        Find("a row no committed transaction wrote is there", std::string(kTableNames[T]) + " " + Describe(Rows[0]));
  }
  // Ledger's live amounts add up to what they did at the start.
  void CheckSum(const TModel& Model) {
    long Sum = 0;
    for (const TRow& R : FRecords[Ledger])
      if (!R.Deleted) Sum += R.Amt;
    if (Sum != Model.LedgerSum)
      Find("ledger's amounts do not add up", "sum " + std::to_string(Sum) + ", for good " + std::to_string(Model.LedgerSum));
  }
  // Adopts the rows seen as the model's, so that one fault is reported once.
  static void Resync(TModel& Model, TTable T, const TRowsById& Seen) {
    for (const auto& [Id, Rows] : Seen)
      if (OwnerOf(T, Id) == OwnedByTransactions) {
        if (Rows.empty())
          Model.Rows[T].erase(Id);
        else
          Model.Rows[T][Id] = Rows.front();
      }
  }
  const TRowsById& Scanned(TTable T) const { return FScans[T]; }

 private:
  // True for 0. A refusal (5035) is counted, any other answer is a finding;
  // either leaves the check short.
  bool Answered(UNSIGNED32 Code, const std::string& Call) {
    if (Code == 5035)
      FReport.Count("parent", "refused (5035): " + Call);
    else if (Code)
      Find(Call + " answered " + std::to_string(Code), LastError());
    FCallFailed |= Code != 0;
    return Code == 0;
  }
  static std::string Where(TTable T, const TRow& R) { return std::string(kTableNames[T]) + " " + Describe(R); }
  // A record read by the check: whole, with its own memo value.
  void Check(TTable T, const TRow& R, bool Memo = true) {
    const std::string Why = Inconsistency(R);
    if (!Why.empty()) Find("a record is not whole", std::string(kTableNames[T]) + ": " + Why);
    if (Memo) CheckMemo(T, R);
  }
  void CheckMemo(TTable T, const TRow& R) {
    std::string Memo;
    if (!Answered(ReadMemo(FTables[T].Table, Memo), "OakGetField (memo)")) return;
    const std::string Wrong = MemoMismatch(R, Memo);
    if (!Wrong.empty()) Find("a memo value is not the one of its record", std::string(kTableNames[T]) + ": " + Wrong);
  }
  static bool Before(TTag Tag, const TRow& A, const TRow& B) {  // A's key sorts before B's
    return Tag == ById ? A.Id < B.Id : Tag == ByTxt ? A.Txt < B.Txt : A.Amt > B.Amt;
  }
  // Walks Tag of T to its end; "" or what went wrong.
  std::string WalkTag(TTable T, TTag Tag, bool Forward, std::vector<UNSIGNED32>& Walked) {
    TOpened& O = FTables[T];
    if (!Answered(Forward ? OakGotoBOF(O.Tags[Tag]) : OakGotoBottom(O.Tags[Tag]), "OakGotoBOF/Bottom")) return "no start";
    std::optional<TRow> Prev;
    for (SIGNED32 Step = Forward ? 1 : 0; Walked.size() <= FRecords[T].size(); Step = Forward ? 1 : -1) {
      const TAt At = O.Step(O.Tags[Tag], Step);
      if (!Answered(At.Code, "OakSkipAndRead")) return "a step failed";
      if (!At.Row.RecNo) return "";
      if (Prev && (Forward ? Before(Tag, At.Row, *Prev) : Before(Tag, *Prev, At.Row)))
        return "after " + Describe(*Prev) + " came " + Describe(At.Row);
      Walked.push_back(At.Row.RecNo);
      Prev = At.Row;
    }
    return "more steps than records";
  }

  TReport& FReport;
  const int FRound;
  const std::string FStage;
  OAKHANDLE FConn = 0;
  TOpened FTables[kTables];
  bool FOpened = false, FCallFailed = false;
  int FFindings = 0;
  TRowsById FScans[kTables];
  std::vector<TRow> FRecords[kTables];
};

// The kind of finding a write is whose answer was not 0 and that is there.
inline std::string WriteNotAcknowledged(const std::string& Answer) {
  return Answer == "5035" ? "a refused write (5035) is there" : "a write that answered an error is there";
}

// The writes the writer and the locker logged: each row's last
// acknowledged version, the versions refused since, the appends refused.
struct TAcknowledged {
  std::map<std::int32_t, std::int32_t> Last;
  std::map<std::int32_t, std::map<std::int32_t, std::string>> Refused;  // version: answer
  std::map<std::int32_t, std::string> RefusedAppends;  // answer

  void Read(const std::string& LogPath) {
    TLogTail Tail(LogPath);
    for (const auto& L : Tail.NewLines()) {
      if (L[0] == "S" && L.size() == 3) Last[std::atoi(L[1].c_str())] = std::atoi(L[2].c_str());
      if ((L[0] != "A" && L[0] != "U") || L.size() != 4) continue;
      const std::int32_t Id = std::atoi(L[1].c_str()), Ver = std::atoi(L[2].c_str());
      if (L[3] == "0") {
        Last[Id] = Ver;
        Refused[Id].clear();
      } else {
        (L[0] == "A" ? RefusedAppends[Id] : Refused[Id][Ver]) = L[3];
      }
    }
  }
  // Shared's rows of the writer and locker against their acknowledged
  // writes: each there once, live, at its last acknowledged version.
  void Check(TFolderCheck& C, const TRowsById& Seen) const {
    for (std::int32_t Id = 1; Id <= kInitialRows[Shared]; ++Id)
      if (OwnerOf(Shared, Id) != OwnedByTransactions && !Last.count(Id)) Expect(C, Seen, Id, 0);
    for (const auto& [Id, Ver] : Last) Expect(C, Seen, Id, Ver);
    for (const auto& [Id, Rows] : Seen)
      if (OwnerOf(Shared, Id) != OwnedByTransactions && Id >= kWriterBase && !Last.count(Id))
        C.Find(RefusedAppends.count(Id) ? WriteNotAcknowledged(RefusedAppends.at(Id)) : "a row no program wrote is there",
               "shared " + Describe(Rows.front()) + " (appended)");
  }

 private:
  void Expect(TFolderCheck& C, const TRowsById& Seen, std::int32_t Id, std::int32_t Ver) const {
    auto It = Seen.find(Id);
    if (It == Seen.end()) return C.Find("an acknowledged write is missing", "shared ID " + std::to_string(Id));
    const TRow& R = It->second.front();
    auto Refusals = Refused.find(Id);
    if (R.Ver != Ver && Refusals != Refused.end() && Refusals->second.count(R.Ver))
      C.Find(WriteNotAcknowledged(Refusals->second.at(R.Ver)),
             "shared " + Describe(R) + ", last acknowledged version " + std::to_string(Ver));
    else if (R.Ver != Ver || R.Deleted || R.Grp || R.Amt)
      C.Find("a row is not its last acknowledged write", "shared " + Describe(R) + ", acknowledged version " +
                                                            std::to_string(Ver));
  }
};

// The journals in Dir (any name with ".OAJ", sets aside included).
inline std::string Journals(const std::string& Dir) {
  std::string Names;
  for (const auto& E : std::filesystem::directory_iterator(Dir)) {
    std::string Name = E.path().filename().string();
    std::string Upper = Name;
    for (char& C : Upper) C = char(std::toupper(static_cast<unsigned char>(C)));
    if (Upper.find(".OAJ") != std::string::npos) Names += Name + " ";
  }
  return Names;
}

}  // namespace programs
