// The table engine against SQLite on the same work, in alternating pairs
// within one run: a table of N records (an integer key, a 16-character
// name) appended in one transaction with an index on the key, random seeks
// by that key that read the name of the record found, and a walk in key
// order that reads the name of every record: on the handles that made the
// tables, and as another program meets them, each walk opening the table
// anew (the engine's shared handle, which must see other handles' writes
// at every step; a new SQLite connection) after the makers closed it.
//
// SQLite is set up as a fair user would: WAL journal, synchronous=NORMAL,
// the engine's cache size (32 MiB: 8192 pages of 4096 bytes per index),
// prepared statements. Every run is checked: record counts after each
// append, found counts of the seeks, rows of the walks.
//
// Goals: append, seek and both walks in key order ahead of SQLite (SQLite
// time / engine time at least 1.0; the walks at N = 100k and at 1M); the
// engine's append time per record at N = 1M at most 1.5 times that at
// N = 100k. OAK_BENCH_RECORDS sets the large N (default 1M).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>

#include "bench_ratio.h"
#include "platform/engine/oak.h"

namespace {

const int kLarge = getenv("OAK_BENCH_RECORDS") ? atoi(getenv("OAK_BENCH_RECORDS")) : 1000000;
constexpr int kSmall = 100000;
constexpr int kCacheKiB = 32768;

std::string gDir;

// The key of record I of N: a permutation of 0 .. N - 1.
int KeyOf(int I, int N) { return static_cast<int>((std::int64_t(I) * 7919) % N); }

void Name(int I, char (&Buf)[24]) { std::snprintf(Buf, sizeof Buf, "name%07d", I); }

void Check(UNSIGNED32 Code, const char* What) {
  if (Code != 0) throw std::runtime_error(std::string(What) + ": engine error " + std::to_string(Code));
}

// ---- the engine -------------------------------------------------------------

// Walks Table in the order of Index reading every name; returns the rows
// seen.
int ScanInKeyOrder(OAKHANDLE Table, OAKHANDLE Index) {
  int Rows = 0;
  char S[32];
  UNSIGNED16 Eof = 0;
  for (Check(OakGotoTop(Index), "top"); OakAtEOF(Table, &Eof) == 0 && !Eof; Check(OakSkip(Index, 1), "skip")) {
    UNSIGNED32 Len = sizeof S;
    Check(OakGetField(Table, 2, S, &Len, OAK_NONE), "field");
    Rows += Len > 0;
  }
  return Rows;
}

class TOak {
 public:
  // Makes an empty table with its index in a new folder.
  explicit TOak(const std::string& Folder) {
    std::filesystem::create_directories(Folder);
    Check(OakConnect60(Folder.c_str(), OAK_LOCAL_SERVER, "", "", 0, &FConn), "connect");
    Check(OakCreateTable(FConn, "bench", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0, "K,Integer;S,Character,16", &FTable),
          "create");
    Check(OakCreateIndex61(FTable, "", "K", "K", "", "", OAK_COMPOUND, 0, &FIndex), "index");
  }
  ~TOak() {
    OakCloseTable(FTable);
    OakDisconnect(FConn);
  }
  TOak(const TOak&) = delete;
  TOak& operator=(const TOak&) = delete;

  void Append(int N) {
    Check(OakBeginTransaction(FConn), "begin");
    char S[24], K[16];
    for (int I = 0; I < N; ++I) {
      const int KLen = std::snprintf(K, sizeof K, "%d", KeyOf(I, N));
      Name(I, S);
      Check(OakAppendRecord(FTable), "append");
      Check(OakSetField(FTable, 1, K, UNSIGNED32(KLen)), "set");
      Check(OakSetField(FTable, 2, S, 11), "set");
      Check(OakWriteRecord(FTable), "write");
    }
    Check(OakCommitTransaction(FConn), "commit");
  }
  int Count() {
    UNSIGNED32 N = 0;
    Check(OakGetRecordCount(FTable, OAK_IGNOREFILTERS, &N), "count");
    return static_cast<int>(N);
  }
  // Seeks Count keys drawn from Seed; returns how many were found with
  // their name read.
  int Seek(int Count, int N, unsigned Seed) {
    std::mt19937 Rng(Seed);
    int Found = 0;
    char K[16], S[32];
    for (int I = 0; I < Count; ++I) {
      const int KLen = std::snprintf(K, sizeof K, "%d", static_cast<int>(Rng() % unsigned(N)));
      UNSIGNED16 F = 0;
      Check(OakSeek(FIndex, K, UNSIGNED16(KLen), OAK_STRINGKEY, OAK_HARDSEEK, &F), "seek");
      if (!F) continue;
      UNSIGNED32 Len = sizeof S;
      Check(OakGetField(FTable, 2, S, &Len, OAK_NONE), "field");
      Found += Len > 0;
    }
    return Found;
  }
  int Scan() { return ScanInKeyOrder(FTable, FIndex); }

 private:
  OAKHANDLE FConn = 0, FTable = 0, FIndex = 0;
};

// Another program's view of the table: a connection of its own and the
// table opened shared (other handles may write meanwhile, so every step
// must see their changes), as a program that opens the office meets it.
class TOakShared {
 public:
  explicit TOakShared(const std::string& Folder) {
    Check(OakConnect60(Folder.c_str(), OAK_LOCAL_SERVER, "", "", 0, &FConn), "connect");
    Check(OakOpenTable(FConn, "bench", nullptr, OAK_OAT, OAK_ANSI, OAK_PROPRIETARY_LOCKING, OAK_IGNORERIGHTS, 0,
                       &FTable),
          "open shared");
    Check(OakGetIndexHandle(FTable, "K", &FIndex), "index");
  }
  ~TOakShared() {
    OakCloseTable(FTable);
    OakDisconnect(FConn);
  }
  TOakShared(const TOakShared&) = delete;
  TOakShared& operator=(const TOakShared&) = delete;
  int Scan() { return ScanInKeyOrder(FTable, FIndex); }

 private:
  OAKHANDLE FConn = 0, FTable = 0, FIndex = 0;
};

// ---- SQLite -------------------------------------------------------------------

class TLite {
 public:
  // Makes the table with its index at Path (Create), or opens the one
  // there as another program would.
  explicit TLite(const std::string& Path, bool Create = true) {
    if (sqlite3_open(Path.c_str(), &FDb) != SQLITE_OK) throw std::runtime_error("sqlite open");
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=NORMAL");
    Exec("PRAGMA cache_size=-" + std::to_string(kCacheKiB));
    if (Create) Exec("CREATE TABLE t(k INTEGER, s TEXT); CREATE INDEX tk ON t(k)");
  }
  ~TLite() { sqlite3_close(FDb); }
  TLite(const TLite&) = delete;
  TLite& operator=(const TLite&) = delete;

  void Append(int N) {
    Exec("BEGIN");
    sqlite3_stmt* Ins = Prepare("INSERT INTO t VALUES(?, ?)");
    char S[24];
    for (int I = 0; I < N; ++I) {
      Name(I, S);
      sqlite3_bind_int(Ins, 1, KeyOf(I, N));
      sqlite3_bind_text(Ins, 2, S, 11, SQLITE_STATIC);
      if (sqlite3_step(Ins) != SQLITE_DONE) throw std::runtime_error("sqlite insert");
      sqlite3_reset(Ins);
    }
    sqlite3_finalize(Ins);
    Exec("COMMIT");
  }
  int Count() {
    sqlite3_stmt* C = Prepare("SELECT count(*) FROM t");
    sqlite3_step(C);
    const int N = sqlite3_column_int(C, 0);
    sqlite3_finalize(C);
    return N;
  }
  int Seek(int Count, int N, unsigned Seed) {
    std::mt19937 Rng(Seed);
    sqlite3_stmt* Sel = Prepare("SELECT s FROM t WHERE k = ?");
    int Found = 0;
    for (int I = 0; I < Count; ++I) {
      sqlite3_bind_int(Sel, 1, static_cast<int>(Rng() % unsigned(N)));
      if (sqlite3_step(Sel) == SQLITE_ROW) Found += sqlite3_column_bytes(Sel, 0) > 0;
      sqlite3_reset(Sel);
    }
    sqlite3_finalize(Sel);
    return Found;
  }
  int Scan() {
    sqlite3_stmt* Sel = Prepare("SELECT s FROM t ORDER BY k");
    int Rows = 0;
    while (sqlite3_step(Sel) == SQLITE_ROW) Rows += sqlite3_column_bytes(Sel, 0) > 0;
    sqlite3_finalize(Sel);
    return Rows;
  }

 private:
  void Exec(const std::string& Sql) {
    if (sqlite3_exec(FDb, Sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      throw std::runtime_error("sqlite: " + Sql + ": " + sqlite3_errmsg(FDb));
  }
  sqlite3_stmt* Prepare(const char* Sql) {
    sqlite3_stmt* S = nullptr;
    if (sqlite3_prepare_v2(FDb, Sql, -1, &S, nullptr) != SQLITE_OK) throw std::runtime_error("sqlite prepare");
    return S;
  }
  sqlite3* FDb = nullptr;
};

// ---- the pairs -------------------------------------------------------------------

void Expect(int Got, int Want, const char* What) {
  if (Got != Want)
    throw std::runtime_error(std::string(What) + ": " + std::to_string(Got) + " instead of " + std::to_string(Want));
}

std::vector<bench::TRatio> gRatios;
double gAppendPerRecord[2] = {0, 0};  // best engine seconds per record at kSmall, kLarge

// Appends N records on both sides Pairs times (fresh tables each time);
// the tables of the last pair stay open for the seeks and walks, in the
// folder Folder.
void AppendPairs(int N, int Pairs, std::unique_ptr<TOak>& Oak, std::unique_ptr<TLite>& Lite, double& Best,
                 std::string& Folder) {
  bench::TRatio R("append " + std::to_string(N) + ": SQLite time / engine time", 1.0, false);
  int Run = 0;
  auto Fresh = [&] {
    Oak.reset();
    Lite.reset();
    Folder = gDir + "/run" + std::to_string(++Run);
    std::filesystem::remove_all(gDir + "/run" + std::to_string(Run - 1));
    Oak = std::make_unique<TOak>(Folder + "/oak");
    Lite = std::make_unique<TLite>(Folder + "/bench.sqlite");
  };
  Best = 1e30;
  for (int I = 0; I < Pairs; ++I) {
    Fresh();
    double TL = bench::Seconds([&] { Lite->Append(N); });
    double TE = bench::Seconds([&] { Oak->Append(N); });
    if (I % 2) {  // the other order: the engine first on fresh tables
      Fresh();
      TE = bench::Seconds([&] { Oak->Append(N); });
      TL = bench::Seconds([&] { Lite->Append(N); });
    }
    Expect(Oak->Count(), N, "engine records");
    Expect(Lite->Count(), N, "SQLite records");
    Best = std::min(Best, TE / N);
    R.Add(TL / TE);
  }
  gRatios.push_back(R);
}

// Walks the N records of both tables in key order Pairs times.
void WalkPairs(int N, int Pairs, TOak& Oak, TLite& Lite) {
  bench::TRatio Walk("walk " + std::to_string(N) + " in key order: SQLite time / engine time", 1.0, false);
  Walk.Pairs(Pairs, [&] { Expect(Lite.Scan(), N, "SQLite rows"); }, [&] { Expect(Oak.Scan(), N, "engine rows"); });
  gRatios.push_back(Walk);
}

// Closes the handles that made the tables, then walks the N records in key
// order Pairs times as another program does: each walk opens the table
// (the engine's shared, SQLite's a connection of its own) and closes it.
void SharedWalkPairs(int N, int Pairs, const std::string& Folder, std::unique_ptr<TOak>& Oak,
                     std::unique_ptr<TLite>& Lite) {
  Oak.reset();
  Lite.reset();
  bench::TRatio Walk("walk " + std::to_string(N) + " in key order, reopened shared: SQLite time / engine time", 1.0,
                     false);
  Walk.Pairs(
      Pairs,
      [&] {
        TLite Reader(Folder + "/bench.sqlite", false);
        Expect(Reader.Scan(), N, "SQLite rows");
      },
      [&] {
        TOakShared Reader(Folder + "/oak");
        Expect(Reader.Scan(), N, "engine rows");
      });
  gRatios.push_back(Walk);
}

void BM_EngineAgainstSqlite(benchmark::State& State) {
  for (auto _ : State) {
    try {
      std::unique_ptr<TOak> Oak;
      std::unique_ptr<TLite> Lite;
      std::string Folder;
      AppendPairs(kSmall, 5, Oak, Lite, gAppendPerRecord[0], Folder);
      WalkPairs(kSmall, 5, *Oak, *Lite);
      SharedWalkPairs(kSmall, 5, Folder, Oak, Lite);
      AppendPairs(kLarge, 3, Oak, Lite, gAppendPerRecord[1], Folder);
      const int Seeks = kLarge / 10;
      bench::TRatio Seek("seek " + std::to_string(Seeks) + " of " + std::to_string(kLarge) +
                             ": SQLite time / engine time",
                         1.0, false);
      unsigned Seed = 1;
      for (int I = 0; I < 5; ++I, ++Seed)
        Seek.Pairs(1, [&] { Expect(Lite->Seek(Seeks, kLarge, Seed), Seeks, "SQLite found"); },
                   [&] { Expect(Oak->Seek(Seeks, kLarge, Seed), Seeks, "engine found"); });
      gRatios.push_back(Seek);
      WalkPairs(kLarge, 3, *Oak, *Lite);
      SharedWalkPairs(kLarge, 3, Folder, Oak, Lite);
    } catch (const std::exception& E) {
      State.SkipWithError(E.what());
    }
  }
}

BENCHMARK(BM_EngineAgainstSqlite)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  char Tmpl[] = "/tmp/oakbenchXXXXXX";
  gDir = ::mkdtemp(Tmpl);
  benchmark::RunSpecifiedBenchmarks();
  std::filesystem::remove_all(gDir);
  for (const auto& R : gRatios) R.Print();
  if (gAppendPerRecord[0] > 0 && gAppendPerRecord[1] > 0) {
    const double Growth = gAppendPerRecord[1] / gAppendPerRecord[0];
    std::printf("engine append per record, %d / %d records = %.2f (%.2f / %.2f us; goal: at most 1.50) %s\n", kLarge,
                kSmall, Growth, gAppendPerRecord[1] * 1e6, gAppendPerRecord[0] * 1e6, Growth <= 1.5 ? "met" : "NOT MET");
  }
  benchmark::Shutdown();
  return 0;
}
