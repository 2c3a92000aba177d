// The several-programs run of the engine tests (tests/platform/engine/
// programs_harness.h) for longer: a writer, a locker, readers and a
// transaction program killed or stopped at random, on one folder, for the
// given minutes. Prints the counts of operations and the findings grouped
// by kind; there is no baseline, what counts is that nothing is found.
//
//   bench_engine_programs [minutes] [--no-writer] [--no-locker] [--readers=N]
//       [--no-transactions] [--no-maintenance] [--no-kills] [--no-stops]
//
// MDS_RANDOM_SEED replays a seed. Exits with 1 when anything was found and
// keeps the folder (data and the programs' logs) then, naming it.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "platform/engine/programs_harness.h"
#include "temp_dir.h"

int main(int argc, char** argv) {
  programs::TProgramsConfig C;
  C.Seconds = 10 * 60;
  for (int I = 1; I < argc; ++I) {
    const std::string A = argv[I];
    if (A == "--no-writer") C.Writer = false;
    else if (A == "--no-locker") C.Locker = false;
    else if (A.rfind("--readers=", 0) == 0) C.Readers = std::atoi(A.c_str() + 10);
    else if (A == "--no-transactions") C.Transactions = false;
    else if (A == "--no-maintenance") C.Maintenance = false;
    else if (A == "--no-kills") C.Kills = false;
    else if (A == "--no-stops") C.Stops = false;
    else if (A[0] != '-') C.Seconds = std::atof(A.c_str()) * 60;
    else {
      std::fprintf(stderr, "unknown option %s\n", A.c_str());
      return 2;
    }
  }
  const char* Seed = std::getenv("MDS_RANDOM_SEED");
  C.Seed = Seed ? std::strtoull(Seed, nullptr, 10) : std::random_device{}();
  C.Folder = MakeTempFolder("oakprograms");
  std::printf("seed %llu, %.1f minutes, folder %s\n", static_cast<unsigned long long>(C.Seed), C.Seconds / 60,
              C.Folder.c_str());
  std::fflush(stdout);
  const programs::TReport R = programs::RunPrograms(C);
  std::printf("%s", R.Text().c_str());
  if (R.Findings.empty()) {
    std::filesystem::remove_all(C.Folder);
    return 0;
  }
  std::printf("kept %s\n", C.Folder.c_str());
  return 1;
}
