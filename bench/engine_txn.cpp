// Large transactions of the table engine: time and memory grow with the
// records a transaction changes, each at most linearly.
//
// Two kinds of work, each in a process of its own that reports its peak
// memory (VmHWM), at N and at 0.6 N records in alternating pairs (the
// smaller first, then the larger first), so that a machine whose speed
// drifts weighs on both sizes alike:
//  - update: one transaction rewrites two fields (not indexed) of every
//    record of a table of N records (113 bytes each, one index tag), in
//    natural order, as a synchronisation rewrites its orders;
//  - append: one transaction appends N records to a new table with three
//    index tags (an integer key in scattered order, a name in rising
//    order, a number in another scattered order).
// The reference of each size is the same work at 0.6 N, under the same
// conditions: the ratio is the time per record at N over the time per
// record at 0.6 N.
//
// Every run is checked in this process after the child ended: the record
// count, the fields every record holds after an update, and for appends a
// walk of every tag reaching the record count in key order.
//
// Goals: time per record at N at most 1.5 times that at 0.6 N (median of
// the pairs), for both kinds; the peak memory of the process doing the
// transaction at N under 100 MB. OAK_BENCH_RECORDS sets N (default 1M);
// OAK_BENCH_PAIRS the pairs of each kind (default 3).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_process.h"
#include "bench_ratio.h"
#include "platform/engine/oak.h"

namespace {

namespace fs = std::filesystem;

const int kLarge = getenv("OAK_BENCH_RECORDS") ? atoi(getenv("OAK_BENCH_RECORDS")) : 1000000;
const int kSmall = int(std::int64_t(kLarge) * 6 / 10);
const int kPairs = getenv("OAK_BENCH_PAIRS") ? atoi(getenv("OAK_BENCH_PAIRS")) : 3;
constexpr long kPeakGoalKiB = 100 * 1024;

const char* const kFields = "K,Integer;S,Character,16;N,Numeric,12,2;T,Character,80";

void Require(bool Holds, const std::string& What) {
  if (!Holds) throw std::runtime_error(What);
}

void Check(UNSIGNED32 Code, const char* What) {
  if (Code != 0) throw std::runtime_error(std::string(What) + ": engine error " + std::to_string(Code));
}

// Scattered orders of 0 .. N - 1 (7919 and 104729 are primes; N must not
// be a multiple of them).
int KeyOf(int I, int N) { return int((std::int64_t(I) * 7919) % N); }
int NumberOf(int I, int N) { return int((std::int64_t(I) * 104729) % N); }

std::string NameOf(int I) {
  char Buf[24];
  std::snprintf(Buf, sizeof Buf, "name%07d", I);
  return Buf;
}

// The text field of record I after update Run (Run 0: as appended).
std::string TextOf(int Run, int I) {
  char Buf[96];
  std::snprintf(Buf, sizeof Buf, "text of record %07d as written by run %d, with some words", I, Run);
  return Buf;
}

// A connection to Folder and the table "bench" in it, opened shared (or
// made, with the tags given).
class TBenchTable {
 public:
  TBenchTable(const std::string& Folder, const std::vector<const char*>& Tags = {}, bool Make = false) {
    Check(OakConnect60(Folder.c_str(), OAK_LOCAL_SERVER, "", "", 0, &FConn), "connect");
    if (!Make) {
      Check(OakOpenTable(FConn, "bench", nullptr, OAK_OAT, OAK_ANSI, OAK_PROPRIETARY_LOCKING, OAK_IGNORERIGHTS, 0,
                         &FTable),
            "open");
      return;
    }
    Check(OakCreateTable(FConn, "bench", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, kFields, &FTable), "create");
    for (const char* Tag : Tags) {
      OAKHANDLE Index = 0;
      Check(OakCreateIndex61(FTable, "", Tag, Tag, "", "", OAK_COMPOUND, 0, &Index), "index");
    }
  }
  ~TBenchTable() {
    OakCloseTable(FTable);
    OakDisconnect(FConn);
  }
  TBenchTable(const TBenchTable&) = delete;
  TBenchTable& operator=(const TBenchTable&) = delete;

  void Set(UNSIGNED16 Field, const std::string& Value) {
    Check(OakSetField(FTable, Field, Value.data(), UNSIGNED32(Value.size())), "set");
  }
  std::string Get(OAKHANDLE Order, UNSIGNED16 Field) {
    char Buf[128];
    UNSIGNED32 Len = sizeof Buf;
    Check(OakGetField(Order == 0 ? FTable : Order, Field, Buf, &Len, OAK_RTRIM), "field");
    return std::string(Buf, Len);
  }
  // Appends N records in one transaction.
  void Append(int N) {
    Check(OakBeginTransaction(FConn), "begin");
    for (int I = 0; I < N; ++I) {
      Check(OakAppendRecord(FTable), "append");
      Set(1, std::to_string(KeyOf(I, N)));
      Set(2, NameOf(I));
      Set(3, std::to_string(NumberOf(I, N)));
      Set(4, TextOf(0, I + 1));
      Check(OakWriteRecord(FTable), "write");
    }
    Check(OakCommitTransaction(FConn), "commit");
  }
  // Rewrites the number and the text of every record in natural order in
  // one transaction.
  void Update(int Run) {
    Check(OakBeginTransaction(FConn), "begin");
    UNSIGNED16 Eof = 0;
    int I = 0;
    for (Check(OakGotoTop(FTable), "top"); OakAtEOF(FTable, &Eof) == 0 && !Eof; Check(OakSkip(FTable, 1), "skip")) {
      ++I;
      Set(3, std::to_string(I + Run));
      Set(4, TextOf(Run, I));
      Check(OakWriteRecord(FTable), "write");
    }
    Check(OakCommitTransaction(FConn), "commit");
  }
  int Count() {
    UNSIGNED32 N = 0;
    Check(OakGetRecordCount(FTable, OAK_IGNOREFILTERS, &N), "count");
    return int(N);
  }
  // Walks the tag Tag; requires its keys (field Field, compared by Less)
  // in rising order; returns the rows seen.
  template <class TLess>
  int WalkTag(const char* Tag, UNSIGNED16 Field, TLess Less) {
    OAKHANDLE Index = 0;
    Check(OakGetIndexHandle(FTable, Tag, &Index), "tag");
    int Rows = 0;
    std::string Last;
    UNSIGNED16 Eof = 0;
    for (Check(OakGotoTop(Index), "top"); OakAtEOF(FTable, &Eof) == 0 && !Eof; Check(OakSkip(Index, 1), "skip")) {
      std::string Key = Get(Index, Field);
      Require(Rows == 0 || !Less(Key, Last), std::string("tag ") + Tag + " out of order at " + Key);
      Last = std::move(Key);
      ++Rows;
    }
    return Rows;
  }
  // Requires the number and text of update Run in every record.
  void CheckUpdated(int Run) {
    UNSIGNED16 Eof = 0;
    int I = 0;
    for (Check(OakGotoTop(FTable), "top"); OakAtEOF(FTable, &Eof) == 0 && !Eof; Check(OakSkip(FTable, 1), "skip")) {
      ++I;
      Require(Get(0, 4) == TextOf(Run, I) && std::atoi(Get(0, 3).c_str()) == I + Run,
              "record " + std::to_string(I) + " holds " + Get(0, 4));
    }
    Require(I == Count(), "the walk saw " + std::to_string(I) + " records");
  }

 private:
  OAKHANDLE FConn = 0, FTable = 0;
};

bool NumberLess(const std::string& A, const std::string& B) { return std::atof(A.c_str()) < std::atof(B.c_str()); }
bool TextLess(const std::string& A, const std::string& B) { return A < B; }

// ---- the child: one transaction, timed, then its peak ---------------------------------

// "update <folder> <run>" or "append <folder> <records>": prints
// "seconds <s>" and the peak line.
int RunChild(const std::string& Kind, const std::string& Folder, int Arg) {
  try {
    double Seconds = 0;
    if (Kind == "update") {
      TBenchTable T(Folder);
      Seconds = bench::Seconds([&] { T.Update(Arg); });
    } else {
      fs::create_directories(Folder);
      TBenchTable T(Folder, {"K", "S", "N"}, true);
      Seconds = bench::Seconds([&] { T.Append(Arg); });
    }
    std::printf("seconds %.6f\n", Seconds);
  } catch (const std::exception& E) {
    std::fprintf(stderr, "%s\n", E.what());
    return 1;
  }
  bench::ReportOwnPeak();
  return 0;
}

// ---- the pairs ----------------------------------------------------------------------------

std::string gDir, gSelf;
std::vector<std::string> gLines;
std::vector<bench::TRatio> gRatios;

struct TRun {
  double Seconds = 0;
  long PeakKiB = 0;
};

TRun RunChildProcess(const std::string& Kind, const std::string& Folder, int Arg) {
  bench::TProcessResult R = bench::RunProcess({gSelf, "--child", Kind, Folder, std::to_string(Arg)}, gDir + "/child.out");
  Require(R.ExitCode == 0, Kind + " failed: " + R.Output);
  Require(bench::TakePeak(R), Kind + " reported no peak memory");
  const std::size_t At = R.Output.find("seconds ");
  Require(At != std::string::npos, Kind + " reported no time");
  return {std::atof(R.Output.c_str() + At + 8), R.PeakKiB};
}

// The times and peaks of one kind at both sizes.
struct TSeries {
  std::vector<double> Seconds[2];  // [small, large]
  long Peak = 0;                   // the largest at the large size
  void Add(int Size, const TRun& R) {
    Seconds[Size].push_back(R.Seconds);
    if (Size == 1) Peak = std::max(Peak, R.PeakKiB);
  }
  // Prints the sizes' times, the ratio of the pairs and the peak against
  // their goals.
  void Report(const std::string& What) {
    bench::TRatio PerRecord(What + ", time per record at " + std::to_string(kLarge) + " / at " +
                                std::to_string(kSmall),
                            1.5, true);
    for (std::size_t I = 0; I < Seconds[0].size(); ++I)
      PerRecord.Add((Seconds[1][I] / kLarge) / (Seconds[0][I] / kSmall));
    gRatios.push_back(PerRecord);
    char Line[300];
    std::snprintf(Line, sizeof Line, "%s: %.2f s at %d, %.2f s at %d (best of %zu); peak memory at %d: %ld MB "
                  "(goal: under %ld MB) %s",
                  What.c_str(), *std::min_element(Seconds[1].begin(), Seconds[1].end()), kLarge,
                  *std::min_element(Seconds[0].begin(), Seconds[0].end()), kSmall, Seconds[0].size(), kLarge,
                  Peak / 1024, kPeakGoalKiB / 1024, Peak < kPeakGoalKiB ? "met" : "NOT MET");
    gLines.push_back(Line);
  }
};

// Updates every record of a table of each size in one transaction, in
// pairs; checks the records after each run.
void UpdatePairs() {
  const int Sizes[2] = {kSmall, kLarge};
  std::string Folders[2];
  for (int Size = 0; Size < 2; ++Size) {
    Folders[Size] = gDir + "/update" + std::to_string(Size);
    fs::create_directories(Folders[Size]);
    TBenchTable T(Folders[Size], {"K"}, true);
    T.Append(Sizes[Size]);
  }
  TSeries Series;
  int Run = 0;
  for (int Pair = 0; Pair < kPairs; ++Pair) {
    ++Run;
    for (int Side = 0; Side < 2; ++Side) {
      const int Size = Pair % 2 ? 1 - Side : Side;
      Series.Add(Size, RunChildProcess("update", Folders[Size], Run));
      TBenchTable T(Folders[Size]);
      Require(T.Count() == Sizes[Size], "records after the update: " + std::to_string(T.Count()));
      T.CheckUpdated(Run);
    }
  }
  Series.Report("update of every record in one transaction");
}

// Appends each size's records to a new table with three tags in one
// transaction, in pairs; checks count and tags after each run.
void AppendPairs() {
  const int Sizes[2] = {kSmall, kLarge};
  TSeries Series;
  int Run = 0;
  for (int Pair = 0; Pair < kPairs; ++Pair) {
    for (int Side = 0; Side < 2; ++Side) {
      const int Size = Pair % 2 ? 1 - Side : Side;
      const std::string Folder = gDir + "/append" + std::to_string(++Run);
      Series.Add(Size, RunChildProcess("append", Folder, Sizes[Size]));
      {
        TBenchTable T(Folder);
        const int N = Sizes[Size];
        Require(T.Count() == N, "records after the appends: " + std::to_string(T.Count()));
        Require(T.WalkTag("K", 1, NumberLess) == N, "tag K does not reach every record");
        Require(T.WalkTag("S", 2, TextLess) == N, "tag S does not reach every record");
        Require(T.WalkTag("N", 3, NumberLess) == N, "tag N does not reach every record");
      }
      fs::remove_all(Folder);
    }
  }
  Series.Report("append with three tags in one transaction");
}

void BM_LargeTransactions(benchmark::State& State) {
  for (auto _ : State) {
    try {
      UpdatePairs();
      AppendPairs();
    } catch (const std::exception& E) {
      State.SkipWithError(E.what());
    }
  }
}

BENCHMARK(BM_LargeTransactions)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--child") == 0) return RunChild(argv[2], argv[3], std::atoi(argv[4]));
  benchmark::Initialize(&argc, argv);
  gSelf = fs::read_symlink("/proc/self/exe").string();
  std::string Tmpl = (fs::temp_directory_path() / "oakbenchtxnXXXXXX").string();
  Require(::mkdtemp(Tmpl.data()) != nullptr, "no temporary folder");
  gDir = Tmpl;
  benchmark::RunSpecifiedBenchmarks();
  fs::remove_all(gDir);
  for (const auto& L : gLines) std::printf("%s\n", L.c_str());
  for (const auto& R : gRatios) R.Print();
  benchmark::Shutdown();
  return 0;
}
