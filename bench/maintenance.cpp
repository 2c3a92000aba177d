// Pack and zap outside a transaction, under the journal of their own that
// makes them all or nothing, against the very same work without that
// journal, in alternating pairs within one run. The table has N records
// (an integer key with its tag, a 16-character name, a memo value on every
// fourth record), every tenth deleted, and files that end inside a page;
// it is packed, and zapped, through the table lock by a shared handle, as
// the tool meets the office. Each side works on a fresh copy of the same
// files, made untimed before it. Every result is checked: the record count
// after the pack (and the zap), the walk of the tag.
//
// Goals: the pack under its journal takes at most 2 times as long as
// without it: the journal adds a copy of each page the pack overwrites
// (and of no other) and the force of what it wrote to the disk before the
// journal goes, while the table's header is written once and the moved
// records in runs; the zap under its journal at most 1.25 times (it keeps
// the header pages alone, whatever the table's size). OAK_BENCH_RECORDS
// sets N (default 500k).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "bench_ratio.h"
#include "platform/engine/cursor.h"
#include "platform/engine/oak.h"

namespace {

namespace fs = std::filesystem;

const int kRecords = getenv("OAK_BENCH_RECORDS") ? atoi(getenv("OAK_BENCH_RECORDS")) : 500000;

void Check(UNSIGNED32 Code, const char* What) {
  if (Code != 0) throw std::runtime_error(std::string(What) + ": engine error " + std::to_string(Code));
}

// The prepared table, made once, and the folder each timed side works in.
struct TFolders {
  std::string Made, Work;
};

TFolders MakeTable() {
  const std::string Root = fs::temp_directory_path() / ("oakbenchmaint" + std::to_string(::getpid()));
  TFolders F{Root + "/made", Root + "/work"};
  fs::create_directories(F.Made);
  OAKHANDLE C = 0, T = 0, I = 0;
  Check(OakConnect60(F.Made.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C), "connect");
  Check(OakCreateTable(C, "bench", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, "K,Integer;S,Character,16;M,Memo", &T),
        "create");
  Check(OakCreateIndex61(T, "", "K", "K", "", "", OAK_COMPOUND, 0, &I), "index");
  Check(OakBeginTransaction(C), "begin");
  char S[24], K[16], M[64];
  for (int N = 0; N < kRecords; ++N) {
    const int KLen = std::snprintf(K, sizeof K, "%d", (N * 7919) % kRecords);
    std::snprintf(S, sizeof S, "name%07d", N);
    Check(OakAppendRecord(T), "append");
    Check(OakSetField(T, 1, K, UNSIGNED32(KLen)), "set");
    Check(OakSetField(T, 2, S, 11), "set");
    if (N % 4 == 0) {
      const int MLen = std::snprintf(M, sizeof M, "memo of record %d, some words long", N);
      Check(OakSetField(T, 3, M, UNSIGNED32(MLen)), "set");
    }
    Check(OakWriteRecord(T), "write");
  }
  Check(OakCommitTransaction(C), "commit");
  for (int N = 1; N <= kRecords; N += 10) {
    Check(OakGotoRecord(T, UNSIGNED32(N)), "goto");
    Check(OakDeleteRecord(T), "delete");
  }
  Check(OakCloseTable(T), "close");
  Check(OakDisconnect(C), "disconnect");
  return F;
}

// A fresh copy of the made table, on the disk before the timed work
// begins (as a user's files are: a force to the disk in the timed work
// must not pay for the copy).
void CopyFresh(const TFolders& F) {
  fs::remove_all(F.Work);
  fs::copy(F.Made, F.Work);
  for (const auto& E : fs::directory_iterator(F.Work)) {
    const int Fd = ::open(E.path().c_str(), O_RDONLY);
    if (Fd < 0 || ::fsync(Fd) != 0) throw std::runtime_error("cannot force " + E.path().string() + " to the disk");
    ::close(Fd);
  }
}

// Packs (or zaps) the table of Folder through the table lock of a shared
// handle; returns the records left and the keys its tag walks.
std::pair<int, int> Maintain(const std::string& Folder, bool Zap) {
  OAKHANDLE C = 0, T = 0, I = 0;
  Check(OakConnect60(Folder.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C), "connect");
  Check(OakOpenTable(C, "bench", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, &T), "open");
  Check(OakLockTable(T), "lock");
  Check(Zap ? OakZapTable(T) : OakPackTable(T), Zap ? "zap" : "pack");
  Check(OakUnlockTable(T), "unlock");
  UNSIGNED32 Count = 0;
  Check(OakGetRecordCount(T, OAK_IGNOREFILTERS, &Count), "count");
  Check(OakGetIndexHandle(T, "K", &I), "index");
  UNSIGNED32 Keys = 0;
  Check(OakGetRecordCount(I, OAK_RESPECTSCOPES, &Keys), "keys");
  Check(OakCloseTable(T), "close");
  Check(OakDisconnect(C), "disconnect");
  return {int(Count), int(Keys)};
}

void Expect(std::pair<int, int> Got, int Want, const char* What) {
  if (Got.first != Want || Got.second != Want)
    throw std::runtime_error(std::string(What) + ": " + std::to_string(Got.first) + " records, " +
                             std::to_string(Got.second) + " keys instead of " + std::to_string(Want));
}

void BM_MaintenanceUnderItsJournal(benchmark::State& State) {
  std::vector<bench::TRatio> Ratios;
  for (auto _ : State) {
    const TFolders F = MakeTable();
    const int Kept = kRecords - (kRecords + 9) / 10;
    for (const bool Zap : {false, true}) {
      bench::TRatio R(std::string(Zap ? "zap" : "pack") + " of " + std::to_string(kRecords) +
                          " records: under its journal / without it",
                      Zap ? 1.25 : 2.0, true);
      double Seconds[2] = {1e9, 1e9};  // the fastest with and without
      auto Side = [&](bool Journal) {
        oak::SetMaintenanceJournal(Journal);
        const double S = bench::Seconds([&] {
          Expect(Maintain(F.Work, Zap), Zap ? 0 : Kept, Journal ? "with the journal" : "without it");
        });
        Seconds[Journal] = std::min(Seconds[Journal], S);
        oak::SetMaintenanceJournal(true);
      };
      R.Pairs(5, [&] { Side(true); }, [&] { Side(false); }, [&] { CopyFresh(F); });
      Ratios.push_back(R);
      std::printf("%s: fastest %.1f ms under its journal, %.1f ms without\n", Zap ? "zap" : "pack", Seconds[1] * 1e3,
                  Seconds[0] * 1e3);
    }
    fs::remove_all(fs::path(F.Made).parent_path());
  }
  for (const bench::TRatio& R : Ratios) R.Print();
}

BENCHMARK(BM_MaintenanceUnderItsJournal)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
