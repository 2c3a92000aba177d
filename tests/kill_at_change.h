// Kill tests on a whole piece of work: EndsKilled runs it in a child process
// (fork) that DieBeforeChange ends by SIGKILL right before one of its
// changes of a file through os::File (os::FaultInjection's change hook),
// as a kill at that moment leaves the files. CountChanges and
// StopCountingChanges count the changes of a complete run of the work
// first, to choose steps inside it. The hook is process-wide: one test
// thread at a time.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "platform/os/files.h"

namespace mds_test {

// The changes counted, or those left before the kill.
inline int& ChangeCount() {
  static int Count = 0;
  return Count;
}

inline void CountChanges() {
  ChangeCount() = 0;
  os::FaultInjection::SetChangeHook([] { ++ChangeCount(); });
}

// Returns the changes counted since CountChanges.
inline int StopCountingChanges() {
  os::FaultInjection::SetChangeHook(nullptr);
  return ChangeCount();
}

// In the child of EndsKilled: dies before its Step-th change (from 1) from now on.
inline void DieBeforeChange(int Step) {
  ChangeCount() = Step;
  os::FaultInjection::SetChangeHook([] {
    if (--ChangeCount() == 0) ::raise(SIGKILL);
  });
}

// Runs Work in a child process; true when SIGKILL ended it, false when Work
// returned first. The child never returns into the test.
inline bool EndsKilled(const std::function<void()>& Work) {
  const pid_t Child = ::fork();
  if (Child == 0) {
    Work();
    ::_exit(0);
  }
  int Status = 0;
  return Child > 0 && ::waitpid(Child, &Status, 0) == Child && WIFSIGNALED(Status) && WTERMSIG(Status) == SIGKILL;
}

}  // namespace mds_test
