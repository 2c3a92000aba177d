// Kill tests on a whole piece of work: EndsKilled runs it in a child process
// (fork) that DieBeforeChange ends by SIGKILL right before one of its
// changes of a file through os::File (os::FaultInjection's change hook, or
// the one given: SetNameChangeHook for removals and renames), as a kill at
// that moment leaves the files. CountChanges and StopCountingChanges count
// the changes of a complete run of the work first, to choose steps inside
// it. The hooks are process-wide: one test thread at a time. A child held in
// the middle of its work is waited for (WaitWhileRunning) and killed
// (EndedKilled with Kill).
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "platform/os/files.h"

namespace mds_test {

// Installs a hook of os::FaultInjection (null: removes it).
using THookSetter = void (*)(void (*Hook)());

// The changes counted, or those left before the kill.
inline int& ChangeCount() {
  static int Count = 0;
  return Count;
}

inline void CountChanges(THookSetter Set = os::FaultInjection::SetChangeHook) {
  ChangeCount() = 0;
  Set([] { ++ChangeCount(); });
}

// Returns the changes counted since CountChanges.
inline int StopCountingChanges(THookSetter Set = os::FaultInjection::SetChangeHook) {
  Set(nullptr);
  return ChangeCount();
}

// In the child of EndsKilled: dies before its Step-th change (from 1) from now on.
inline void DieBeforeChange(int Step, THookSetter Set = os::FaultInjection::SetChangeHook) {
  ChangeCount() = Step;
  Set([] {
    if (--ChangeCount() == 0) ::raise(SIGKILL);
  });
}

// Runs Work in a child process and returns its id; the child never returns
// into the test (it ends with exit code 0 when Work returns).
inline pid_t RunInChild(const std::function<void()>& Work) {
  const pid_t Child = ::fork();
  if (Child == 0) {
    Work();
    ::_exit(0);
  }
  return Child;
}

// Waits for the child Child to end, killing it first when Kill; true when
// SIGKILL ended it (when Kill: when it still ran).
inline bool EndedKilled(pid_t Child, bool Kill = false) {
  int Status = 0;
  return Child > 0 && (!Kill || ::kill(Child, SIGKILL) == 0) && ::waitpid(Child, &Status, 0) == Child &&
         WIFSIGNALED(Status) && WTERMSIG(Status) == SIGKILL;
}

// Runs Work in a child process; true when SIGKILL ended it, false when Work
// returned first.
inline bool EndsKilled(const std::function<void()>& Work) { return EndedKilled(RunInChild(Work)); }

// Asks Done every 10 ms while the child Child runs, for at most 30 s; true
// once it holds.
inline bool WaitWhileRunning(pid_t Child, const std::function<bool()>& Done) {
  for (int Asked = 0; Child > 0 && Asked < 3000 && ::waitpid(Child, nullptr, WNOHANG) == 0; ++Asked) {
    if (Done()) return true;
    ::usleep(10000);
  }
  return false;
}

}  // namespace mds_test
