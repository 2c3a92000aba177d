// Processes, Win32 style: start without waiting (CreateProcess), wait with a
// time-out (WaitForSingleObject), exit codes, termination, and the shell's
// "open" (ShellExecute / ShellExecuteEx / FindExecutable).
//
// A TProcessHandle stands for Win32's process HANDLE: copies share one
// process; the last copy going away reaps the child in the background if
// it is still running (closing a handle never ends the process).
//
// Command lines are split the Windows way: blanks separate arguments, double
// quotes group, a backslash before a double quote makes it literal. The
// program is found as a path (case-insensitively, relative to the current
// folder) or else on $PATH.
//
// ShellExecute with the verb "open" (or none) starts an executable file
// directly; any other file, folder or URL goes to xdg-open when present.
// Its result is an instance code: above 32 on success, else 2 (file not
// found), 3 (path not found), 5 (access denied), 31 (no association).
//
// All starts go through one launcher, which tests may replace
// (SetProcessLauncher) to record what would have run.
//
// Thread safety: all calls are thread-safe; one handle may be waited on
// from several threads.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/os/errors.h"

constexpr DWORD STILL_ACTIVE = 259;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_NOASSOC = 31;
constexpr DWORD SEE_MASK_NOCLOSEPROCESS = 0x40;

namespace os::detail {
struct ProcessState;
}

class TProcessHandle {
 public:
  TProcessHandle() = default;
  // A handle for a running child process Pid (taken over: this handle reaps
  // it).
  static TProcessHandle FromPid(int Pid);
  // A handle of a process that has already ended with ExitCode (for
  // launchers in tests).
  static TProcessHandle Finished(DWORD ExitCode);

  bool Valid() const { return FState != nullptr; }
  explicit operator bool() const { return Valid(); }
  // The process id (0 for an invalid or fake handle).
  DWORD ProcessId() const;
  // Forgets the process (CloseHandle).
  void Close() { FState.reset(); }

  std::shared_ptr<os::detail::ProcessState> State() const { return FState; }

 private:
  std::shared_ptr<os::detail::ProcessState> FState;
};

struct TProcessInformation {
  TProcessHandle hProcess;
  DWORD dwProcessId = 0;
};

// Starts CommandLine (ApplicationName, when not empty, names the program and
// CommandLine then gives all arguments including the program's name as the
// first) in CurrentDirectory ("" = ours), without waiting. Returns true and
// fills Info; false with GetLastError() 2 (program not found), 3 (its
// folder not found), 267 (CurrentDirectory is no folder), 5 (not
// executable) or 193 (not a program).
bool CreateProcess(const String& ApplicationName, const String& CommandLine,
                   const String& CurrentDirectory, TProcessInformation& Info);

// Waits up to Milliseconds (INFINITE: for ever) for the process to end.
// WAIT_OBJECT_0 when it has ended, WAIT_TIMEOUT, or WAIT_FAILED for an
// invalid handle.
DWORD WaitForSingleObject(const TProcessHandle& Process, DWORD Milliseconds);

// The exit code, or STILL_ACTIVE (259) while the process runs. A process
// ended by a signal reports the code given to TerminateProcess, else
// 128 + the signal number. False for an invalid handle.
bool GetExitCodeProcess(const TProcessHandle& Process, DWORD& ExitCode);

// Ends the process at once; it then reports ExitCode.
bool TerminateProcess(const TProcessHandle& Process, DWORD ExitCode);

// Releases the handle (the process goes on).
void CloseHandle(TProcessHandle& Process);

// The number of the running process.
DWORD GetCurrentProcessId();

// Starts CommandLine in Directory and waits for its end. Returns true and
// the exit code, or false with GetLastError() when it could not start.
bool ExecuteAndWait(const String& CommandLine, const String& Directory, DWORD& ExitCode);

// Splits a Windows-style command line into arguments.
std::vector<String> SplitCommandLine(const String& CommandLine);

struct TShellExecuteInfo {
  DWORD cbSize = 60;
  DWORD fMask = 0;
  const void* Wnd = nullptr;  // owner window; not used here
  String lpVerb;
  String lpFile;
  String lpParameters;
  String lpDirectory;
  int nShow = SW_SHOWNORMAL;
  int hInstApp = 0;            // instance code, as ShellExecute returns it
  TProcessHandle hProcess;     // set with SEE_MASK_NOCLOSEPROCESS
};

// Opens File with Verb (see the top comment). Returns the instance code.
int ShellExecute(const void* Wnd, const String& Verb, const String& File,
                 const String& Parameters, const String& Directory, int ShowCmd);
// The same with a record; true when hInstApp > 32, and then hProcess holds
// the started process when SEE_MASK_NOCLOSEPROCESS was asked for (it stays
// invalid when xdg-open handed the file to a program that was already
// running).
bool ShellExecuteEx(TShellExecuteInfo& Info);

// The program that opens File: File itself when it is an executable file
// (result 42), else SE_ERR_NOASSOC (31) or SE_ERR_FNF (2); Result gets the
// program's path or "".
int FindExecutable(const String& File, const String& Directory, String& Result);

// What a launcher is asked to start: the program's path, its arguments
// (Argv[0] is the program name as given) and the working folder ("" =
// ours). It returns 0 and the process, or a Win32 error code.
struct TLaunchRequest {
  String Program;
  std::vector<String> Argv;
  String Directory;
};
using TProcessLauncher = std::function<DWORD(const TLaunchRequest&, TProcessHandle&)>;

// Installs Launcher for every start (null: the real one); returns the one
// it replaces.
TProcessLauncher SetProcessLauncher(TProcessLauncher Launcher);
