// What a test does when it cannot reach its X display: outside CI it is
// skipped; in CI (environment CI=true) it fails, so that a CI run whose
// virtual display did not come up cannot pass with the X11 tests skipped.
//
//   if (!Display) MDS_SKIP_WITHOUT_DISPLAY("no X display");
//
// Usable in SetUp and in test bodies (it returns from the function).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace mds_test {

inline bool RunsInCI() {
  const char* Value = std::getenv("CI");
  return Value && std::string(Value) == "true";
}

inline void ReportNoDisplay(const std::string& Why) {
  if (RunsInCI())
    FAIL() << Why << " (CI=true: the X11 tests must reach their display)";
  else
    GTEST_SKIP() << Why;
}

}  // namespace mds_test

#define MDS_SKIP_WITHOUT_DISPLAY(Why)     \
  do {                                    \
    ::mds_test::ReportNoDisplay(Why);     \
    return;                               \
  } while (0)
