// Rebuilding the index tags of a table, as the data check does for every
// table of the office: the engine's reindex against SQLite's REINDEX of the
// same records and the same keys, in alternating pairs within one run.
//
// The table has the shapes of the office's tags: an autoincrement number
// ("ID", unique), an integer ("AdressID"), a character field ("ADR_46_")
// and UPPER of a character field with umlauts ("UPPER(NAME)"). SQLite gets
// the same four indexes (upper(name) as an expression index), WAL journal,
// synchronous=NORMAL and the engine's cache size. Every run is checked: the
// engine's key count of each tag and SQLite's integrity check.
//
// Printed: engine time / SQLite time (reference, no goal), and the
// engine's time per record (all four tags).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench_ratio.h"
#include "platform/engine/oak.h"

namespace {

constexpr int kRecords = 200000;
constexpr int kCacheKiB = 32768;
const char* const kNames[] = {"Müller", "Bäcker", "Schäfer", "Weiß", "Özdemir", "Kunde"};

void Check(UNSIGNED32 Code, const char* What) {
  if (Code != 0) throw std::runtime_error(std::string(What) + ": engine error " + std::to_string(Code));
}

int AddressIdOf(int I) { return static_cast<int>((std::int64_t(I) * 7919) % kRecords); }
std::string NameOf(int I) { return std::string(kNames[I % 6]) + " " + std::to_string(I); }
std::string KeyOf(int I) {
  char Buf[16];
  std::snprintf(Buf, sizeof Buf, "B%10d", (I * 31) % kRecords);
  return Buf;
}

class TOak {
 public:
  explicit TOak(const std::string& Folder) {
    std::filesystem::create_directories(Folder);
    Check(OakConnect60(Folder.c_str(), OAK_LOCAL_SERVER, "", "", 0, &FConn), "connect");
    Check(OakCreateTable(FConn, "adressen", nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0,
                         "ID,AutoInc;NAME,Character,40;AdressID,Integer;ADR_46_,Character,11", &FTable),
          "create");
    const char* const Tags[][2] = {{"ID", "ID"}, {"NAME", "UPPER(NAME)"}, {"ADRESSID", "AdressID"}, {"ADR_46_", "ADR_46_"}};
    for (const auto& T : Tags) {
      OAKHANDLE Index = 0;
      const UNSIGNED32 Unique = FIndexes.empty() ? OAK_UNIQUE : 0;  // the ID
      Check(OakCreateIndex61(FTable, "", T[0], T[1], "", "", OAK_COMPOUND | Unique, 0, &Index), "index");
      FIndexes.push_back(Index);
    }
    Check(OakBeginTransaction(FConn), "begin");
    for (int I = 0; I < kRecords; ++I) {
      const std::string Name = NameOf(I), Id = std::to_string(AddressIdOf(I)), Key = KeyOf(I);
      Check(OakAppendRecord(FTable), "append");
      Check(OakSetField(FTable, 2, Name.data(), UNSIGNED32(Name.size())), "set");
      Check(OakSetField(FTable, 3, Id.data(), UNSIGNED32(Id.size())), "set");
      Check(OakSetField(FTable, 4, Key.data(), UNSIGNED32(Key.size())), "set");
      Check(OakWriteRecord(FTable), "write");
    }
    Check(OakCommitTransaction(FConn), "commit");
  }
  ~TOak() {
    OakCloseTable(FTable);
    OakDisconnect(FConn);
  }
  TOak(const TOak&) = delete;
  TOak& operator=(const TOak&) = delete;

  void Reindex() { Check(OakReindex61(FTable, 0), "reindex"); }
  // Every tag holds one key per record.
  void Verify() {
    for (OAKHANDLE Index : FIndexes) {
      UNSIGNED32 N = 0;
      Check(OakGetRecordCount(Index, OAK_IGNOREFILTERS, &N), "count");
      if (N != kRecords) throw std::runtime_error("engine tag with " + std::to_string(N) + " keys");
    }
  }

 private:
  OAKHANDLE FConn = 0, FTable = 0;
  std::vector<OAKHANDLE> FIndexes;
};

class TLite {
 public:
  explicit TLite(const std::string& Path) {
    if (sqlite3_open(Path.c_str(), &FDb) != SQLITE_OK) throw std::runtime_error("sqlite open");
    Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-" + std::to_string(kCacheKiB));
    Exec("CREATE TABLE adressen(id INTEGER, name TEXT, adressid INTEGER, adr46 TEXT);"
         "CREATE UNIQUE INDEX a_id ON adressen(id); CREATE INDEX a_name ON adressen(upper(name));"
         "CREATE INDEX a_adressid ON adressen(adressid); CREATE INDEX a_adr46 ON adressen(adr46)");
    Exec("BEGIN");
    sqlite3_stmt* Ins = nullptr;
    if (sqlite3_prepare_v2(FDb, "INSERT INTO adressen VALUES(?, ?, ?, ?)", -1, &Ins, nullptr) != SQLITE_OK)
      throw std::runtime_error("sqlite prepare");
    for (int I = 0; I < kRecords; ++I) {
      const std::string Name = NameOf(I), Key = KeyOf(I);
      sqlite3_bind_int(Ins, 1, I + 1);
      sqlite3_bind_text(Ins, 2, Name.data(), int(Name.size()), SQLITE_TRANSIENT);
      sqlite3_bind_int(Ins, 3, AddressIdOf(I));
      sqlite3_bind_text(Ins, 4, Key.data(), int(Key.size()), SQLITE_TRANSIENT);
      if (sqlite3_step(Ins) != SQLITE_DONE) throw std::runtime_error("sqlite insert");
      sqlite3_reset(Ins);
    }
    sqlite3_finalize(Ins);
    Exec("COMMIT");
  }
  ~TLite() { sqlite3_close(FDb); }
  TLite(const TLite&) = delete;
  TLite& operator=(const TLite&) = delete;

  void Reindex() { Exec("REINDEX adressen"); }
  void Verify() {
    sqlite3_stmt* S = nullptr;
    sqlite3_prepare_v2(FDb, "PRAGMA integrity_check", -1, &S, nullptr);
    const bool Ok = sqlite3_step(S) == SQLITE_ROW &&
                    std::string(reinterpret_cast<const char*>(sqlite3_column_text(S, 0))) == "ok";
    sqlite3_finalize(S);
    if (!Ok) throw std::runtime_error("sqlite integrity check");
  }

 private:
  void Exec(const std::string& Sql) {
    if (sqlite3_exec(FDb, Sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      throw std::runtime_error("sqlite: " + Sql + ": " + sqlite3_errmsg(FDb));
  }
  sqlite3* FDb = nullptr;
};

bench::TRatio gRatio("reindex " + std::to_string(kRecords) + " records, 4 tags: engine time / SQLite time", 0, true);
double gBest = 0;  // the engine's best reindex, seconds

void BM_Reindex(benchmark::State& State) {
  std::string Dir = (std::filesystem::temp_directory_path() / "oakreindexXXXXXX").string();
  if (!::mkdtemp(Dir.data())) return State.SkipWithError("no temporary folder");
  for (auto _ : State) {
    try {
      TOak Oak(Dir + "/oak");
      TLite Lite(Dir + "/reindex.sqlite");
      gBest = 1e30;
      gRatio.Pairs(
          7, [&] { gBest = std::min(gBest, bench::Seconds([&] { Oak.Reindex(); })); }, [&] { Lite.Reindex(); },
          [&] {
            Oak.Verify();
            Lite.Verify();
          });
    } catch (const std::exception& E) {
      State.SkipWithError(E.what());
    }
  }
  std::filesystem::remove_all(Dir);
}

BENCHMARK(BM_Reindex)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  gRatio.Print();
  std::printf("engine reindex per record, 4 tags = %.3f us (best of 7)\n", gBest / kRecords * 1e6);
  benchmark::Shutdown();
  return 0;
}
