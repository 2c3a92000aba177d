// Shared verbs of the host stand-in tests: the built programs beside the
// update template, running one as a child process with an environment of
// the test's own, and reading an office table through the engine.
#pragma once

#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../foundation/TempTree.h"
#include "platform/engine/oak.h"

extern char** environ;

// The built program Name: the host programs are linked into the folder of
// the update template.
inline std::string HostProgram(const std::string& Name) {
  return (std::filesystem::path(UPDATEMOBILE_PATH).parent_path() / Name).string();
}

// Skips the test when the program Name was not built.
#define REQUIRE_HOST_PROGRAM(Name)                                             \
  if (!std::filesystem::exists(HostProgram(Name))) GTEST_SKIP() << Name " not built"

// Starts Program with Args and an environment: the test's own plus the
// entries Env ("NAME=value", replacing an entry of the same name). With
// FirstLine, the program's standard output is read until its first output
// arrives (the stand-ins print one line once they are ready). Returns the
// pid (0 on failure).
inline pid_t StartProgram(const std::string& Program, const std::vector<std::string>& Args,
                          const std::vector<std::string>& Env = {},
                          std::string* FirstLine = nullptr) {
  std::vector<std::string> EnvText;
  for (char** E = environ; *E; ++E) {
    std::string Entry = *E;
    bool Replaced = false;
    for (const std::string& Mine : Env)
      Replaced |= Entry.compare(0, Mine.find('=') + 1, Mine, 0, Mine.find('=') + 1) == 0;
    if (!Replaced) EnvText.push_back(Entry);
  }
  for (const std::string& E : Env) EnvText.push_back(E);
  std::vector<char*> Argv{const_cast<char*>(Program.c_str())};
  for (const std::string& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
  Argv.push_back(nullptr);
  std::vector<char*> Envp;
  for (std::string& E : EnvText) Envp.push_back(E.data());
  Envp.push_back(nullptr);
  int Out[2] = {-1, -1};
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  // The program never writes into the test runner's own output: a program
  // that outlives its test (a failed stop) must not keep the runner
  // waiting for the end of that output.
  if (FirstLine && pipe(Out) == 0) posix_spawn_file_actions_adddup2(&Actions, Out[1], 1);
  else posix_spawn_file_actions_addopen(&Actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&Actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t Pid = 0;
  if (posix_spawn(&Pid, Program.c_str(), &Actions, nullptr, Argv.data(), Envp.data()) != 0) Pid = 0;
  posix_spawn_file_actions_destroy(&Actions);
  if (Out[0] >= 0) {
    close(Out[1]);
    char Buf[512] = {};
    if (Pid && read(Out[0], Buf, sizeof Buf - 1) > 0) *FirstLine = Buf;
    close(Out[0]);
  }
  return Pid;
}

// Waits for Pid; its exit code, or -1 when it did not exit normally.
inline int WaitProgram(pid_t Pid) {
  int Status = 0;
  if (waitpid(Pid, &Status, 0) != Pid || !WIFEXITED(Status)) return -1;
  return WEXITSTATUS(Status);
}

inline int RunProgram(const std::string& Program, const std::vector<std::string>& Args,
                      const std::vector<std::string>& Env = {}) {
  pid_t Pid = StartProgram(Program, Args, Env);
  return Pid ? WaitProgram(Pid) : -1;
}

// An office table opened read-only through the engine on a connection of
// its own; closed and disconnected with the object.
class OfficeTable {
 public:
  OfficeTable(const std::string& Folder, const std::string& Name) {
    EXPECT_EQ(0u, OakConnect60(Folder.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Conn));
    Code = OakOpenTable(Conn, Name.c_str(), nullptr, OAK_OAT, OAK_ANSI, OAK_PROPRIETARY_LOCKING,
                        OAK_IGNORERIGHTS, 0, &Table);
  }
  ~OfficeTable() {
    if (Table != OAK_INVALID_HANDLE) OakCloseTable(Table);
    OakDisconnect(Conn);
  }
  OfficeTable(const OfficeTable&) = delete;
  OfficeTable& operator=(const OfficeTable&) = delete;

  bool Opened() const { return Code == 0; }
  UNSIGNED32 Count() const {
    UNSIGNED32 N = 0;
    EXPECT_EQ(0u, OakGetRecordCount(Table, OAK_IGNOREFILTERS, &N));
    return N;
  }
  std::vector<std::string> Tags() const {
    std::vector<std::string> Out;
    OAKHANDLE Indexes[32];
    UNSIGNED16 N = 32;
    EXPECT_EQ(0u, OakGetAllIndexes(Table, Indexes, &N));
    for (UNSIGNED16 I = 0; I < N; ++I) {
      char Buf[64];
      UNSIGNED16 Len = sizeof Buf;
      EXPECT_EQ(0u, OakGetIndexName(Indexes[I], Buf, &Len));
      Out.emplace_back(Buf, Len);
    }
    return Out;
  }
  // Seeks Key (text) exactly on the tag; true when found.
  bool Seek(const std::string& Tag, const std::string& Key) {
    OAKHANDLE Index = OAK_INVALID_HANDLE;
    EXPECT_EQ(0u, OakGetIndexHandle(Table, Tag.c_str(), &Index)) << Tag;
    UNSIGNED16 Found = 0;
    EXPECT_EQ(0u, OakSeek(Index, Key.data(), static_cast<UNSIGNED16>(Key.size()), OAK_STRINGKEY,
                          OAK_HARDSEEK, &Found));
    return Found != 0;
  }
  // The field's value as text (right-trimmed, or untrimmed with Raw).
  std::string Get(const char* Field, bool Raw = false) const {
    UNSIGNED16 Num = 0;
    EXPECT_EQ(0u, OakGetFieldNum(Table, Field, &Num)) << Field;
    std::string Buf(65536, '\0');
    UNSIGNED32 Len = Buf.size();
    EXPECT_EQ(0u, OakGetField(Table, Num, Buf.data(), &Len, Raw ? OAK_NONE : OAK_RTRIM)) << Field;
    Buf.resize(Len);
    return Buf;
  }
  // Calls Visit on every record in natural order.
  template <class F>
  void ForEach(F Visit) {
    EXPECT_EQ(0u, OakGotoTop(Table));
    UNSIGNED16 Eof = 0;
    while (OakAtEOF(Table, &Eof) == 0 && !Eof) {
      Visit();
      EXPECT_EQ(0u, OakSkip(Table, 1));
    }
  }

  OAKHANDLE Conn = 0;
  OAKHANDLE Table = OAK_INVALID_HANDLE;
  UNSIGNED32 Code = 0;
};
