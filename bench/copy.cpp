// CopyFileByStreams (61440-byte blocks through two file streams) against
// the kernel's copy_file_range on the same 256 MiB file, in the same run.
// Prints the ratio; the goal is to stay within 1.2 times the baseline.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "foundation/FileUtils.h"

namespace {

constexpr std::size_t kFileSize = 256u << 20;

std::string gDir;
std::string Source() { return gDir + "/source.OAT"; }
std::string Dest() { return gDir + "/dest.OAT"; }

void MakeSourceFile() {
  std::string tmpl = GetTempDir() + "mds-bench-copy-XXXXXX";
  gDir = ::mkdtemp(tmpl.data());
  std::vector<char> block(1 << 20);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 + 7);
  FILE* f = std::fopen(Source().c_str(), "wb");
  for (std::size_t done = 0; done < kFileSize; done += block.size())
    std::fwrite(block.data(), 1, block.size(), f);
  std::fclose(f);
}

void RemoveFiles() { DeleteDirectoryTree(gDir, true); }

// The baseline: the kernel copies the bytes without passing them through
// user space.
void CopyByKernel(const std::string& From, const std::string& To) {
  int in = ::open(From.c_str(), O_RDONLY | O_CLOEXEC);
  int out = ::open(To.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  struct stat st;
  ::fstat(in, &st);
  off_t left = st.st_size;
  while (left > 0) {
    ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, static_cast<std::size_t>(left), 0);
    if (n <= 0) break;
    left -= n;
  }
  ::close(in);
  ::close(out);
}

void BM_CopyFileByStreams(benchmark::State& State) {
  for (auto _ : State) CopyFileByStreams(Source(), Dest());
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * kFileSize));
}

void BM_CopyFileRange(benchmark::State& State) {
  for (auto _ : State) CopyByKernel(Source(), Dest());
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * kFileSize));
}

BENCHMARK(BM_CopyFileRange)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CopyFileByStreams)->Unit(benchmark::kMillisecond)->Iterations(5);

// Remembers the time per iteration of every benchmark for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& Runs) override {
    for (const Run& r : Runs) Times[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(Runs);
  }
  std::map<std::string, double> Times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  MakeSourceFile();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  RemoveFiles();
  double ours = 0, base = 0;
  for (const auto& [name, t] : reporter.Times) {
    if (name.find("BM_CopyFileByStreams") == 0) ours = t;
    if (name.find("BM_CopyFileRange") == 0) base = t;
  }
  if (ours > 0 && base > 0)
    std::printf("CopyFileByStreams / copy_file_range = %.2f (goal: at most 1.20)\n", ours / base);
  benchmark::Shutdown();
  return 0;
}
