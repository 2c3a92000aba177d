// The table engine against SQLite on the same work, in the same run: a
// table of 1M records appended in one transaction with an index on an
// integer key, random seeks by that index, and a walk in index order that
// reads a field of every record. Prints each ratio (engine throughput /
// SQLite throughput); the goal is at least 0.5 on append and on seek.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "platform/engine/oak.h"

namespace {

// OAK_BENCH_RECORDS overrides the size for quick runs.
const int kRecords = getenv("OAK_BENCH_RECORDS") ? atoi(getenv("OAK_BENCH_RECORDS")) : 1000000;
const int kSeeks = kRecords / 10;

struct TBenchFolder {
  TBenchFolder() {
    char Tmpl[] = "/tmp/oakbenchXXXXXX";
    Path = mkdtemp(Tmpl);
  }
  ~TBenchFolder() { std::filesystem::remove_all(Path); }
  std::string Path;
};

TBenchFolder& Folder() {
  static TBenchFolder F;
  return F;
}

// The key of record I: a permutation of 0 .. kRecords - 1.
int KeyOf(int I) { return static_cast<int>((std::int64_t(I) * 7919) % kRecords); }

std::string Name(int I) {
  char Buf[24];
  std::snprintf(Buf, sizeof Buf, "name%07d", I);
  return Buf;
}

// ---- the engine -------------------------------------------------------------

struct TOak {
  OAKHANDLE Conn = 0, Table = 0, Index = 0;
  void Open() {
    if (Conn) return;
    OakConnect60(Folder().Path.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Conn);
    OakCreateTable(Conn, "bench", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0,
                   "K,Integer;S,Character,16", &Table);
    OakCreateIndex61(Table, "", "K", "K", "", "", OAK_COMPOUND, 0, &Index);
  }
};
TOak& Oak() {
  static TOak O;
  return O;
}

void BM_EngineAppend(benchmark::State& State) {
  Oak().Open();
  for (auto _ : State) {
    OakBeginTransaction(Oak().Conn);
    for (int I = 0; I < kRecords; ++I) {
      std::string K = std::to_string(KeyOf(I)), S = Name(I);
      OakAppendRecord(Oak().Table);
      OakSetField(Oak().Table, 1, K.data(), K.size());
      OakSetField(Oak().Table, 2, S.data(), S.size());
      OakWriteRecord(Oak().Table);
    }
    OakCommitTransaction(Oak().Conn);
  }
  State.SetItemsProcessed(kRecords);
}

void BM_EngineSeek(benchmark::State& State) {
  std::mt19937 Rng(1);
  for (auto _ : State) {
    int Found = 0;
    for (int I = 0; I < kSeeks; ++I) {
      std::string K = std::to_string(Rng() % kRecords);
      UNSIGNED16 F = 0;
      OakSeek(Oak().Index, K.data(), static_cast<UNSIGNED16>(K.size()), OAK_STRINGKEY,
              OAK_HARDSEEK, &F);
      Found += F;
    }
    benchmark::DoNotOptimize(Found);
  }
  State.SetItemsProcessed(kSeeks);
}

void BM_EngineScan(benchmark::State& State) {
  for (auto _ : State) {
    size_t Bytes = 0;
    char Buf[32];
    UNSIGNED16 Eof = 0;
    for (OakGotoTop(Oak().Index); OakAtEOF(Oak().Table, &Eof) == 0 && !Eof;
         OakSkip(Oak().Index, 1)) {
      UNSIGNED32 Len = sizeof Buf;
      OakGetField(Oak().Table, 2, Buf, &Len, OAK_NONE);
      Bytes += Len;
    }
    benchmark::DoNotOptimize(Bytes);
  }
  State.SetItemsProcessed(kRecords);
}

// ---- SQLite -------------------------------------------------------------------

struct TLite {
  sqlite3* Db = nullptr;
  void Open() {
    if (Db) return;
    sqlite3_open((Folder().Path + "/bench.sqlite").c_str(), &Db);
    sqlite3_exec(Db, "CREATE TABLE t(k INTEGER, s TEXT); CREATE INDEX tk ON t(k);", nullptr,
                 nullptr, nullptr);
  }
};
TLite& Lite() {
  static TLite L;
  return L;
}

void BM_SqliteAppend(benchmark::State& State) {
  Lite().Open();
  for (auto _ : State) {
    sqlite3_exec(Lite().Db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* Ins = nullptr;
    sqlite3_prepare_v2(Lite().Db, "INSERT INTO t VALUES(?, ?)", -1, &Ins, nullptr);
    for (int I = 0; I < kRecords; ++I) {
      std::string S = Name(I);
      sqlite3_bind_int(Ins, 1, KeyOf(I));
      sqlite3_bind_text(Ins, 2, S.data(), static_cast<int>(S.size()), SQLITE_TRANSIENT);
      sqlite3_step(Ins);
      sqlite3_reset(Ins);
    }
    sqlite3_finalize(Ins);
    sqlite3_exec(Lite().Db, "COMMIT", nullptr, nullptr, nullptr);
  }
  State.SetItemsProcessed(kRecords);
}

void BM_SqliteSeek(benchmark::State& State) {
  std::mt19937 Rng(1);
  sqlite3_stmt* Sel = nullptr;
  sqlite3_prepare_v2(Lite().Db, "SELECT s FROM t WHERE k = ?", -1, &Sel, nullptr);
  for (auto _ : State) {
    int Found = 0;
    for (int I = 0; I < kSeeks; ++I) {
      sqlite3_bind_int(Sel, 1, static_cast<int>(Rng() % kRecords));
      Found += sqlite3_step(Sel) == SQLITE_ROW;
      sqlite3_reset(Sel);
    }
    benchmark::DoNotOptimize(Found);
  }
  sqlite3_finalize(Sel);
  State.SetItemsProcessed(kSeeks);
}

void BM_SqliteScan(benchmark::State& State) {
  sqlite3_stmt* Sel = nullptr;
  sqlite3_prepare_v2(Lite().Db, "SELECT s FROM t ORDER BY k", -1, &Sel, nullptr);
  for (auto _ : State) {
    size_t Bytes = 0;
    while (sqlite3_step(Sel) == SQLITE_ROW) Bytes += sqlite3_column_bytes(Sel, 0);
    sqlite3_reset(Sel);
    benchmark::DoNotOptimize(Bytes);
  }
  sqlite3_finalize(Sel);
  State.SetItemsProcessed(kRecords);
}

BENCHMARK(BM_EngineAppend)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteAppend)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineSeek)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteSeek)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineScan)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteScan)->Iterations(1)->Unit(benchmark::kMillisecond);

// Collects the real time of each run to print the ratios at the end.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& Runs) override {
    for (auto& R : Runs) Seconds[R.benchmark_name()] = R.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(Runs);
  }
  void PrintRatios() {
    for (const char* Op : {"Append", "Seek", "Scan"}) {
      double E = Seconds[std::string("BM_Engine") + Op + "/iterations:1"];
      double S = Seconds[std::string("BM_Sqlite") + Op + "/iterations:1"];
      if (E > 0 && S > 0)
        std::printf("%-6s engine/SQLite throughput ratio: %.2f\n", Op, S / E);
    }
  }
  std::map<std::string, double> Seconds;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  Reporter.PrintRatios();
  if (Oak().Conn) OakDisconnect(Oak().Conn);
  if (Lite().Db) sqlite3_close(Lite().Db);
  return 0;
}
