// How the programs of the several-programs run (programs_harness.h) report
// to the parent: each appends lines to a log file of its own, one write(2)
// a line, so that every line written survives the program's kill and no
// two lines mix; the parent reads them as the run goes and at its end.
// Lines are tab-separated:
//   A|U  id  version  answer   an append or update and what it answered
//   S    id  version           a row found at a version not expected (after
//                              a finding), from which the program goes on
//   F    kind  round  detail   a finding
//   K    name  value           a count, at the program's end
// and the transaction program's round lines (programs_txn.h).
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace programs {

// The page the parent shares with every program, mapped before the forks.
struct TShared {
  std::atomic<int> Round{0};
  // Odd while the transaction program writes table files at once (commit,
  // rollback, pack, zap, reindex) and until the parent has checked the
  // folder after a round; moved on by each of them. A reader judges a
  // memo value read between two equal images only when the epoch stayed
  // even and unchanged around the three calls (see TReader::MemoCheck).
  std::atomic<std::uint32_t> Epoch{0};
  // Packs of ledger inside transactions begun, and those whose round the
  // parent has checked since. Such a pack is seen at once and a rollback
  // puts the records back where they were, so a record number then names
  // another record: the locker does not judge a ledger record it held
  // while a pack was not settled (see TLocker::Judged).
  std::atomic<int> Packs{0}, PacksSettled{0};
};

inline TShared* MapShared() {
  void* P = ::mmap(nullptr, sizeof(TShared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  return P == MAP_FAILED ? nullptr : new (P) TShared;
}
inline void UnmapShared(TShared* S) {
  if (S) ::munmap(S, sizeof(TShared));
}

inline std::vector<std::string> SplitTabs(const std::string& Line) {
  std::vector<std::string> Parts(1);
  for (char C : Line)
    if (C == '\t')
      Parts.emplace_back();
    else
      Parts.back().push_back(C);
  return Parts;
}

class TLog {
 public:
  explicit TLog(const std::string& Path)
      : FFd(::open(Path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600)) {}
  ~TLog() {
    if (FFd >= 0) ::close(FFd);
  }
  TLog(const TLog&) = delete;
  TLog& operator=(const TLog&) = delete;
  void Line(const std::vector<std::string>& Parts) {
    std::string L;
    for (const std::string& P : Parts) L += (L.empty() ? "" : "\t") + P;
    L += '\n';
    if (::write(FFd, L.data(), L.size()) != ssize_t(L.size())) _exit(5);
  }

 private:
  int FFd;
};

// The complete lines added to a log file since the last call.
class TLogTail {
 public:
  explicit TLogTail(std::string Path) : FPath(std::move(Path)) {}
  std::vector<std::vector<std::string>> NewLines() {
    std::vector<std::vector<std::string>> Lines;
    const int Fd = ::open(FPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (Fd < 0) return Lines;
    char Buf[65536];
    for (ssize_t N; (N = ::pread(Fd, Buf, sizeof Buf, FOffset)) > 0; FOffset += N) FPartial.append(Buf, std::size_t(N));
    ::close(Fd);
    std::size_t Start = 0;
    for (std::size_t End; (End = FPartial.find('\n', Start)) != std::string::npos; Start = End + 1)
      Lines.push_back(SplitTabs(FPartial.substr(Start, End - Start)));
    FPartial.erase(0, Start);
    return Lines;
  }

 private:
  std::string FPath, FPartial;
  off_t FOffset = 0;
};

struct TFinding {
  std::string Program, Kind;
  int Round = 0;
  std::string Detail;
};

// What a run did and found.
struct TReport {
  std::uint64_t Seed = 0;
  std::map<std::string, long> Counts;  // "<program>: <what>"
  std::vector<TFinding> Findings;
  // Findings beyond those a program wrote out, by "<program>: <kind>".
  std::map<std::string, long> MoreFindings;

  void Find(const std::string& Program, const std::string& Kind, int Round, const std::string& Detail) {
    Findings.push_back({Program, Kind, Round, Detail});
  }
  void Count(const std::string& Program, const std::string& What, long N = 1) { Counts[Program + ": " + What] += N; }
  long CountOf(const std::string& Program, const std::string& What) const {
    auto It = Counts.find(Program + ": " + What);
    return It == Counts.end() ? 0 : It->second;
  }
  // Reads a program's log: its findings and counts.
  void Collect(const std::string& Program, const std::string& LogPath) {
    TLogTail Tail(LogPath);
    for (const auto& L : Tail.NewLines()) {
      if (L[0] == "F" && L.size() >= 4) Find(Program, L[1], std::atoi(L[2].c_str()), L[3]);
      if (L[0] == "K" && L.size() >= 3 && L[1].rfind("more ", 0) == 0)
        MoreFindings[Program + ": " + L[1].substr(5)] += std::atol(L[2].c_str());
      else if (L[0] == "K" && L.size() >= 3)
        Count(Program, L[1], std::atol(L[2].c_str()));
    }
  }
  // The counts, then the findings grouped by program and kind: how many,
  // and the first three.
  std::string Text() const {
    std::string Out = "seed " + std::to_string(Seed) + " (replay: MDS_RANDOM_SEED=" + std::to_string(Seed) + ")\n";
    for (const auto& [What, N] : Counts) Out += "  " + What + ": " + std::to_string(N) + "\n";
    std::map<std::string, std::vector<const TFinding*>> Groups;
    for (const TFinding& F : Findings) Groups[F.Program + ": " + F.Kind].push_back(&F);
    for (const auto& [Kind, List] : Groups) {
      auto More = MoreFindings.find(Kind);
      const long Total = long(List.size()) + (More == MoreFindings.end() ? 0 : More->second);
      Out += "FINDING " + Kind + " (" + std::to_string(Total) + " times)\n";
      for (std::size_t I = 0; I < List.size() && I < 3; ++I)
        Out += "    round " + std::to_string(List[I]->Round) + ": " + List[I]->Detail + "\n";
    }
    return Out;
  }
};

}  // namespace programs
