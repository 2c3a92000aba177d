// Several programs on one folder at once, at random (programs_harness.h): a
// writer, a locker, readers and a transaction program killed or stopped at
// random points, each checking every answer it gets, and the folder checked
// whole after every transaction and at the end. The seed is printed;
// MDS_RANDOM_SEED replays it. MDS_PROGRAMS_SECONDS sets the seconds of this
// file's tests together (default 60); bench_engine_programs runs the same
// for longer.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <random>
#include <set>
#include <utility>

#include "programs_harness.h"
#include "temp_dir.h"

namespace {

using programs::TProgramsConfig;
using programs::TReport;

// Runs C for its Share of the seconds, in a folder of its own.
TReport RunFor(TProgramsConfig C, double Share) {
  const char* Seconds = std::getenv("MDS_PROGRAMS_SECONDS");
  const char* Seed = std::getenv("MDS_RANDOM_SEED");
  C.Seed = Seed ? std::strtoull(Seed, nullptr, 10) : std::random_device{}();
  C.Seconds = (Seconds ? std::atof(Seconds) : 60.0) * Share;
  TempDir Folder("oakprograms");
  C.Folder = Folder.Path();
  std::printf("seed %llu (replay: MDS_RANDOM_SEED=%llu), %.0f s\n", static_cast<unsigned long long>(C.Seed),
              static_cast<unsigned long long>(C.Seed), C.Seconds);
  TReport R = programs::RunPrograms(C);
  std::printf("%s", R.Text().c_str());
  return R;
}

// Writes a version of row Id of Table that no program wrote, with its
// AMT moved by one, behind the programs' back.
void WriteBehindTheirBack(const std::string& Dir, programs::TTable Table, std::int32_t Id) {
  OAKHANDLE C = 0;
  programs::TOpened T;
  ASSERT_EQ(0u, OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &C));
  ASSERT_EQ(0u, T.Open(C, Table));
  const programs::TRow R = T.SeekId(Id, false).Row;
  ASSERT_EQ(Id, R.Id);
  ASSERT_EQ(0u, programs::PutRow(T.Table, programs::MakeRow(Id, R.Grp, R.Gsize, R.Amt + 1, R.Ver + 100000)));
  ASSERT_EQ(0u, OakWriteRecord(T.Table));
  T.Close();
  OakDisconnect(C);
}

// Runs C: nothing is found, and each program of Worked counted its work.
void ExpectAllRight(const TProgramsConfig& C, double Share,
                    std::initializer_list<std::pair<const char*, const char*>> Worked) {
  const TReport R = RunFor(C, Share);
  EXPECT_TRUE(R.Findings.empty()) << R.Text();
  for (const auto& [Program, What] : Worked) EXPECT_GT(R.CountOf(Program, What), 0) << Program << ": " << What;
}

TEST(ProgramsRandomTest, EveryProgramGetsRightAnswersAndKeepsItsWrites) {
  ExpectAllRight({}, 0.6,
                 {{"transactions", "committed"}, {"transactions", "killed"}, {"writer", "updates acknowledged"},
                  {"locker", "record locks held"}, {"reader 1", "seeks of rows that exist"}});
}

TEST(ProgramsRandomTest, TransactionsKilledOrStoppedAnywhereAreAllOrNothing) {
  ExpectAllRight({.Writer = false, .Locker = false, .Readers = 0}, 0.2,
                 {{"transactions", "committed"}, {"transactions", "killed"}});
}

TEST(ProgramsRandomTest, WriterAndLockerKeepEveryAcknowledgedWrite) {
  ExpectAllRight({.Readers = 0, .Transactions = false}, 0.17,
                 {{"writer", "appends acknowledged"}, {"locker", "table locks held"}});
}

// The final check finds writes made behind the programs' back: a row of
// the writer at a version it never wrote, a ledger amount moved alone.
TEST(ProgramsRandomTest, WritesBehindTheProgramsBackAreFound) {
  const TProgramsConfig C{.Locker = false, .Readers = 0, .Maintenance = false, .Kills = false, .Stops = false,
                          .BeforeFinalCheck = [](const std::string& Dir) {
                            WriteBehindTheirBack(Dir, programs::Shared, 2);
                            WriteBehindTheirBack(Dir, programs::Ledger, 1);
                          }};
  std::set<std::string> Kinds;
  for (const auto& F : RunFor(C, 0.03).Findings) Kinds.insert(F.Kind);
  for (const char* Planted : {"a row is not its last acknowledged write",
                              "a row is not as the committed transactions left it", "ledger's amounts do not add up"})
    EXPECT_TRUE(Kinds.count(Planted)) << Planted;
}

}  // namespace
