// An environment variable set (or unset) for the life of the object and
// restored to what it was afterwards, so that a test leaves the process's
// environment as it found it.
//
//   ScopedEnv Temp("TMPDIR", Folder);       // set until the end of scope
//   ScopedEnv NoDisplay("DISPLAY", nullptr); // unset until then
//
// Not thread-safe (setenv is not): use on the test's main thread only.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

class ScopedEnv {
 public:
  ScopedEnv(const char* Name, const char* Value) : FName(Name) {
    if (const char* Old = ::getenv(Name)) FOld = std::string(Old);
    if (Value)
      ::setenv(Name, Value, 1);
    else
      ::unsetenv(Name);
  }
  ScopedEnv(const char* Name, const std::string& Value) : ScopedEnv(Name, Value.c_str()) {}
  ~ScopedEnv() {
    if (FOld)
      ::setenv(FName.c_str(), FOld->c_str(), 1);
    else
      ::unsetenv(FName.c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string FName;
  std::optional<std::string> FOld;
};
