// A helper process of a test program, kept out of the test list: the test
// program starts itself again (/proc/self/exe, no arguments) with Variable
// set in the environment; before any test runs, the helper's Body gets the
// variable's value and the process ends with Body's result (0: success).
// In an ordinary run, and when gtest only lists the tests, nothing happens.
//
//   int HoldTheLock(const char* Folder) { ...; return 0; }
//   MDS_HELPER_PROCESS(LockHolder, "MDS_SYNC_LOCK_HOLDER", HoldTheLock);
//   EXPECT_EQ(0, mds_test::RunHelperProcess("MDS_SYNC_LOCK_HOLDER", Folder));
#pragma once

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>

#include "scoped_env.h"

extern char** environ;

namespace mds_test {

class THelperProcess : public ::testing::Environment {
 public:
  THelperProcess(const char* Variable, std::function<int(const char* Value)> Body)
      : FVariable(Variable), FBody(std::move(Body)) {}
  void SetUp() override {
    const char* Value = std::getenv(FVariable);
    if (!Value) return;
    int Code = FBody(Value);
    std::fflush(nullptr);
    std::_Exit(Code);
  }

 private:
  const char* FVariable;
  std::function<int(const char*)> FBody;
};

// Runs this test program as the helper of Variable with Value and waits for
// it to end. Returns its exit code; -1 when it did not end by itself.
inline int RunHelperProcess(const char* Variable, const std::string& Value) {
  ScopedEnv Set(Variable, Value);
  std::string Self = "/proc/self/exe";
  char* Argv[] = {Self.data(), nullptr};
  pid_t Pid = 0;
  int Status = 0;
  if (posix_spawn(&Pid, Self.c_str(), nullptr, nullptr, Argv, environ) != 0 || waitpid(Pid, &Status, 0) != Pid)
    return -1;
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

}  // namespace mds_test

#define MDS_HELPER_PROCESS(Name, Variable, Body)                     \
  ::testing::Environment* const Name = ::testing::AddGlobalTestEnvironment( \
      new ::mds_test::THelperProcess(Variable, Body))
