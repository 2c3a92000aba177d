// Process handles, waiting and exit codes; the start itself is in
// launch.cpp.
#include "platform/os/process.h"

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

namespace os::detail {

struct ProcessState {
  int Pid = 0;
  int PidFd = -1;
  std::mutex Lock;
  bool Ended = false;
  DWORD ExitCode = 0;
  bool Terminated = false;
  DWORD TerminateCode = 0;

  ~ProcessState() {
    if (PidFd >= 0) ::close(PidFd);
    if (Pid > 0 && !Ended) {
      // Nobody waits any more: reap the child when it ends, so that no
      // zombie is left behind.
      int pid = Pid;
      std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
    }
  }

  // Collects the child's status without blocking; true when it has ended.
  bool Poll() {
    std::lock_guard<std::mutex> guard(Lock);
    if (Ended || Pid <= 0) return true;
    int status = 0;
    pid_t r = ::waitpid(Pid, &status, WNOHANG);
    if (r == 0) return false;
    Ended = true;
    if (r < 0) ExitCode = 0;  // reaped elsewhere: the code is lost
    else if (WIFEXITED(status)) ExitCode = static_cast<DWORD>(WEXITSTATUS(status));
    else if (Terminated) ExitCode = TerminateCode;
    else ExitCode = 128u + static_cast<DWORD>(WTERMSIG(status));
    return true;
  }

  // Sleeps until the child may have ended or Millis pass.
  void Nap(long Millis) {
    if (PidFd >= 0) {
      pollfd p{PidFd, POLLIN, 0};
      ::poll(&p, 1, static_cast<int>(Millis));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(Millis < 5 ? Millis : 5));
    }
  }
};

}  // namespace os::detail

using os::detail::ProcessState;

TProcessHandle TProcessHandle::FromPid(int Pid) {
  TProcessHandle h;
  h.FState = std::make_shared<ProcessState>();
  h.FState->Pid = Pid;
#ifdef SYS_pidfd_open
  h.FState->PidFd = static_cast<int>(::syscall(SYS_pidfd_open, Pid, 0));
#endif
  return h;
}

TProcessHandle TProcessHandle::Finished(DWORD ExitCode) {
  TProcessHandle h;
  h.FState = std::make_shared<ProcessState>();
  h.FState->Ended = true;
  h.FState->ExitCode = ExitCode;
  return h;
}

DWORD TProcessHandle::ProcessId() const {
  return FState && FState->Pid > 0 ? static_cast<DWORD>(FState->Pid) : 0;
}

DWORD WaitForSingleObject(const TProcessHandle& Process, DWORD Milliseconds) {
  std::shared_ptr<ProcessState> s = Process.State();
  if (!s) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  for (;;) {
    if (s->Poll()) return WAIT_OBJECT_0;
    long waited = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    if (Milliseconds != INFINITE && waited >= static_cast<long>(Milliseconds)) return WAIT_TIMEOUT;
    long left = Milliseconds == INFINITE ? 100 : static_cast<long>(Milliseconds) - waited;
    s->Nap(left < 100 ? left : 100);
  }
}

bool GetExitCodeProcess(const TProcessHandle& Process, DWORD& ExitCode) {
  std::shared_ptr<ProcessState> s = Process.State();
  if (!s) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (!s->Poll()) {
    ExitCode = STILL_ACTIVE;
    return true;
  }
  std::lock_guard<std::mutex> guard(s->Lock);
  ExitCode = s->ExitCode;
  return true;
}

bool TerminateProcess(const TProcessHandle& Process, DWORD ExitCode) {
  std::shared_ptr<ProcessState> s = Process.State();
  if (!s) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  {
    std::lock_guard<std::mutex> guard(s->Lock);
    if (s->Ended || s->Pid <= 0) return true;
    s->Terminated = true;
    s->TerminateCode = ExitCode;
    if (::kill(s->Pid, SIGKILL) != 0) {
      os::SetLastErrorFromErrno(errno);
      return false;
    }
  }
  WaitForSingleObject(Process, INFINITE);
  return true;
}

void CloseHandle(TProcessHandle& Process) { Process.Close(); }

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

bool ExecuteAndWait(const String& CommandLine, const String& Directory, DWORD& ExitCode) {
  TProcessInformation info;
  if (!CreateProcess(String(), CommandLine, Directory, info)) return false;
  WaitForSingleObject(info.hProcess, INFINITE);
  return GetExitCodeProcess(info.hProcess, ExitCode);
}
