// Benchmarks that measure a piece of work in a process of its own: the
// child reports its own peak memory (VmHWM) as its last output line, and
// the parent runs it, waits for it and takes that line off its output.
//
// A child's own high-water mark is what counts: the kernel's ru_maxrss of
// a child that a large process started counts the starter's pages too.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

// The high-water mark of this process's resident memory (VmHWM), in KiB;
// 0 when the kernel does not tell it.
inline long OwnPeakKiB() {
  std::ifstream In("/proc/self/status");
  std::string Line;
  while (std::getline(In, Line))
    if (Line.rfind("VmHWM:", 0) == 0) return std::atol(Line.c_str() + 6);
  return 0;
}

// Ends the output of a process of this program that reports its peak: a
// last line "peak <KiB>".
inline void ReportOwnPeak() {
  std::printf("peak %ld\n", OwnPeakKiB());
  std::fflush(stdout);
}

// A finished process: its output, exit code, peak memory and seconds.
struct TProcessResult {
  std::string Output;
  int ExitCode = -1;
  long PeakKiB = 0;      // as the process reported it (ReportOwnPeak)
  long RusageKiB = 0;    // the kernel's ru_maxrss, floored at this program's peak
  double Seconds = 0;
  double CpuSeconds = 0;  // user and system
};

// Takes the last line "peak <KiB>" off R.Output into R.PeakKiB; false
// when there is none.
inline bool TakePeak(TProcessResult& R) {
  const std::size_t At = R.Output.rfind("peak ");
  if (At == std::string::npos || (At > 0 && R.Output[At - 1] != '\n')) return false;
  R.PeakKiB = std::atol(R.Output.c_str() + At + 5);
  R.Output.erase(At);
  return R.PeakKiB > 0;
}

// Runs Argv as a process, its standard output kept in OutFile.
inline TProcessResult RunProcess(const std::vector<std::string>& Argv, const std::string& OutFile) {
  std::vector<char*> Args;
  for (const auto& A : Argv) Args.push_back(const_cast<char*>(A.c_str()));
  Args.push_back(nullptr);
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addopen(&Actions, 1, OutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  TProcessResult R;
  pid_t Pid = 0;
  const auto Start = std::chrono::steady_clock::now();
  if (posix_spawn(&Pid, Args[0], &Actions, nullptr, Args.data(), environ) != 0) throw std::runtime_error(Argv[0]);
  posix_spawn_file_actions_destroy(&Actions);
  int Status = 0;
  rusage Usage{};
  wait4(Pid, &Status, 0, &Usage);
  R.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  R.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  R.RusageKiB = Usage.ru_maxrss;
  R.CpuSeconds = double(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) +
                 double(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
  std::ifstream In(OutFile);
  R.Output.assign(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
  return R;
}

}  // namespace bench
