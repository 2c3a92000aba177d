// CopyFileByStreams against the kernel's file-to-file copy (copy_file_range
// over the whole file, as cp does) on a 256 MiB file, in alternating pairs
// within one run. Every copy goes to a new destination file; before each
// timed copy the previous destination is checked (size and content),
// deleted and the file system synced, so that neither side waits on the
// other's writeback. Goal: CopyFileByStreams at most 1.1 times the
// baseline.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_ratio.h"
#include "foundation/FileUtils.h"

namespace {

constexpr std::size_t kFileSize = 256u << 20;
// Pairs of copies; OAK_BENCH_PAIRS overrides.
const int kPairs = getenv("OAK_BENCH_PAIRS") ? atoi(getenv("OAK_BENCH_PAIRS")) : 6;

std::string gDir;
std::string Source() { return gDir + "/source.OAT"; }

void MakeSourceFile() {
  std::string Tmpl = GetTempDir() + "mds-bench-copy-XXXXXX";
  gDir = ::mkdtemp(Tmpl.data());
  std::vector<char> Block(1 << 20);
  FILE* F = std::fopen(Source().c_str(), "wb");
  for (std::size_t Done = 0; Done < kFileSize; Done += Block.size()) {
    for (std::size_t I = 0; I < Block.size(); ++I) Block[I] = static_cast<char>((Done + I) * 131 / 7);
    std::fwrite(Block.data(), 1, Block.size(), F);
  }
  std::fclose(F);
}

// The baseline: the kernel copies the whole file, as cp does.
void CopyByKernel(const std::string& From, const std::string& To) {
  int In = ::open(From.c_str(), O_RDONLY | O_CLOEXEC);
  int Out = ::open(To.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  struct stat St;
  ::fstat(In, &St);
  off_t Left = St.st_size;
  while (Left > 0) {
    ssize_t N = ::copy_file_range(In, nullptr, Out, nullptr, static_cast<std::size_t>(Left), 0);
    if (N <= 0) throw std::runtime_error("copy_file_range failed");
    Left -= N;
  }
  ::close(In);
  ::close(Out);
}

// Raises unless Copy holds the bytes of the source.
void CheckCopy(const std::string& Copy) {
  FILE* A = std::fopen(Source().c_str(), "rb");
  FILE* B = std::fopen(Copy.c_str(), "rb");
  if (!A || !B) throw std::runtime_error("copy missing: " + Copy);
  std::vector<char> X(1 << 20), Y(1 << 20);
  std::size_t Total = 0;
  for (;;) {
    std::size_t N = std::fread(X.data(), 1, X.size(), A), M = std::fread(Y.data(), 1, Y.size(), B);
    if (N != M || std::memcmp(X.data(), Y.data(), N) != 0) throw std::runtime_error("copy differs: " + Copy);
    Total += N;
    if (N == 0) break;
  }
  std::fclose(A);
  std::fclose(B);
  if (Total != kFileSize) throw std::runtime_error("copy has the wrong size: " + Copy);
}

bench::TRatio gRatio("CopyFileByStreams / copy_file_range (new 256 MiB file each)", 1.1, true);

void BM_CopyPairs(benchmark::State& State) {
  int Number = 0;
  std::string Last;
  auto Settle = [&] {  // untimed: check, delete and sync the last copy
    if (!Last.empty()) {
      CheckCopy(Last);
      ::unlink(Last.c_str());
    }
    ::sync();
    Last = gDir + "/dest" + std::to_string(++Number) + ".OAT";
  };
  for (auto _ : State) {
    try {
      gRatio.Pairs(kPairs, [&] { CopyFileByStreams(Source(), Last); }, [&] { CopyByKernel(Source(), Last); },
                   Settle);
      Settle();
    } catch (const std::exception& E) {
      State.SkipWithError(E.what());
    }
  }
  State.SetBytesProcessed(int64_t(kPairs) * 2 * int64_t(kFileSize));
}

BENCHMARK(BM_CopyPairs)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  // One copy as a whole process, for timing from outside:
  //   bench_copy --copy=streams|kernel SOURCE DEST
  if (argc == 4 && std::strncmp(argv[1], "--copy=", 7) == 0) {
    if (std::strcmp(argv[1] + 7, "kernel") == 0)
      CopyByKernel(argv[2], argv[3]);
    else
      CopyFileByStreams(argv[2], argv[3]);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  MakeSourceFile();
  benchmark::RunSpecifiedBenchmarks();
  DeleteDirectoryTree(gDir, true);
  gRatio.Print();
  benchmark::Shutdown();
  return 0;
}
