// Starting processes: command-line splitting, the replaceable launcher,
// CreateProcess and the shell's open.
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/os/files.h"
#include "platform/os/internal.h"
#include "platform/os/process.h"

extern char** environ;

namespace {

constexpr int kShellSuccess = 42;  // any instance code above 32 means success

std::mutex gLauncherLock;
TProcessLauncher gLauncher;


bool IsExecutableFile(const String& Path) {
  struct stat st;
  return ::stat(Path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(Path.c_str(), X_OK) == 0;
}

// Full path of Name in $PATH, or "".
String SearchPath(const String& Name) {
  const char* path = std::getenv("PATH");
  String dirs = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t colon = dirs.find(':', start);
    if (colon == String::npos) colon = dirs.size();
    String candidate = dirs.substr(start, colon - start) + "/" + Name;
    if (IsExecutableFile(candidate)) return candidate;
    start = colon + 1;
  }
  return String();
}

// A name with a folder part, relative to Dir when Dir is given.
String InFolder(const String& Dir, const String& Name) {
  if (Name.empty() || Name[0] == '/' || Dir.empty()) return Name;
  return Dir + (Dir.back() == '/' ? "" : "/") + Name;
}

DWORD RealLaunch(const TLaunchRequest& R, TProcessHandle& Out) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!R.Directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, R.Directory.c_str());
  std::vector<char*> argv;
  for (const String& a : R.Argv) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, R.Program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return os::ErrnoToWin32(rc);
  Out = TProcessHandle::FromPid(pid);
  return ERROR_SUCCESS;
}

DWORD Launch(const TLaunchRequest& R, TProcessHandle& Out) {
  TProcessLauncher launcher;
  {
    std::lock_guard<std::mutex> guard(gLauncherLock);
    launcher = gLauncher;
  }
  return launcher ? launcher(R, Out) : RealLaunch(R, Out);
}

// Finds the program: a name with a folder is taken as a path (relative to
// Dir), a bare name is looked for in Dir, the current folder and $PATH.
DWORD LocateProgram(const String& Name, const String& Dir, String& Program) {
  if (Name.empty()) return ERROR_FILE_NOT_FOUND;
  if (Name.find('/') == String::npos) {
    for (const String& candidate : {InFolder(Dir, Name), Name}) {
      String p = os::ResolvePath(candidate);
      if (!IsExecutableFile(p)) continue;
      Program = p.find('/') == String::npos ? "./" + p : p;
      return ERROR_SUCCESS;
    }
    Program = SearchPath(Name);
    return Program.empty() ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
  }
  Program = os::ResolvePath(InFolder(Dir, Name));
  struct stat st;
  if (::stat(Program.c_str(), &st) != 0) return os::detail::MissingCode(Program);
  if (!S_ISREG(st.st_mode) || ::access(Program.c_str(), X_OK) != 0) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

int ToInstanceCode(DWORD Error) {
  switch (Error) {
    case ERROR_SUCCESS: return kShellSuccess;
    case ERROR_FILE_NOT_FOUND: return SE_ERR_FNF;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY: return SE_ERR_PNF;
    case ERROR_ACCESS_DENIED: return SE_ERR_ACCESSDENIED;
    case ERROR_BAD_EXE_FORMAT: return 11;
    default: return SE_ERR_NOASSOC;
  }
}

bool LooksLikeUrl(const String& S) {
  return S.find("://") != String::npos || S.rfind("mailto:", 0) == 0 || S.rfind("www.", 0) == 0;
}

// Hands Target to the desktop's opener.
int OpenWithDesktop(const String& Target, TProcessHandle& Out) {
  String opener = SearchPath("xdg-open");
  if (opener.empty()) return SE_ERR_NOASSOC;
  return ToInstanceCode(Launch({opener, {"xdg-open", Target}, String()}, Out));
}

}  // namespace

std::vector<String> SplitCommandLine(const String& CommandLine) {
  std::vector<String> args;
  String cur;
  bool quoted = false, any = false;
  for (std::size_t i = 0; i < CommandLine.size(); ++i) {
    char c = CommandLine[i];
    if (c == '\\' && i + 1 < CommandLine.size() && CommandLine[i + 1] == '"') {
      cur += '"';
      ++i;
      any = true;
    } else if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (any) args.push_back(cur);
      cur.clear();
      any = false;
    } else {
      cur += c;
      any = true;
    }
  }
  if (any) args.push_back(cur);
  return args;
}

TProcessLauncher SetProcessLauncher(TProcessLauncher Launcher) {
  std::lock_guard<std::mutex> guard(gLauncherLock);
  TProcessLauncher old = std::move(gLauncher);
  gLauncher = std::move(Launcher);
  return old;
}

bool CreateProcess(const String& ApplicationName, const String& CommandLine,
                   const String& CurrentDirectory, TProcessInformation& Info) {
  std::vector<String> argv = SplitCommandLine(CommandLine);
  String name = ApplicationName.empty() ? (argv.empty() ? String() : argv[0]) : ApplicationName;
  if (argv.empty()) argv.push_back(name);
  String dir = CurrentDirectory.empty() ? String() : os::ResolvePath(CurrentDirectory);
  if (!dir.empty() && !os::detail::IsFolder(dir)) return os::detail::Fail(ERROR_DIRECTORY);
  String program;
  if (DWORD code = LocateProgram(name, String(), program)) return os::detail::Fail(code);
  TProcessHandle h;
  if (DWORD code = Launch({program, argv, dir}, h)) return os::detail::Fail(code);
  Info.hProcess = h;
  Info.dwProcessId = h.ProcessId();
  return true;
}

bool ShellExecuteEx(TShellExecuteInfo& Info) {
  String verb = os::FoldFileName(Info.lpVerb);
  TProcessHandle h;
  int code;
  if (!verb.empty() && verb != "open" && verb != "explore") {
    code = SE_ERR_NOASSOC;
  } else if (LooksLikeUrl(Info.lpFile)) {
    code = OpenWithDesktop(Info.lpFile, h);
  } else {
    String path = os::ResolvePath(InFolder(Info.lpDirectory, Info.lpFile));
    struct stat st;
    if (Info.lpFile.empty() || ::stat(path.c_str(), &st) != 0) {
      code = static_cast<int>(os::detail::MissingCode(path));
    } else if (IsExecutableFile(path)) {
      std::vector<String> argv = SplitCommandLine(Info.lpParameters);
      argv.insert(argv.begin(), Info.lpFile);
      String dir = Info.lpDirectory.empty() ? String() : os::ResolvePath(Info.lpDirectory);
      code = ToInstanceCode(Launch({path, argv, dir}, h));
    } else {
      code = OpenWithDesktop(path, h);
    }
  }
  Info.hInstApp = code;
  if (Info.fMask & SEE_MASK_NOCLOSEPROCESS) Info.hProcess = h;
  if (code <= 32) SetLastError(code == SE_ERR_NOASSOC ? ERROR_NO_ASSOCIATION : static_cast<DWORD>(code));
  return code > 32;
}

int ShellExecute(const void* Wnd, const String& Verb, const String& File,
                 const String& Parameters, const String& Directory, int ShowCmd) {
  TShellExecuteInfo info;
  info.Wnd = Wnd;
  info.lpVerb = Verb;
  info.lpFile = File;
  info.lpParameters = Parameters;
  info.lpDirectory = Directory;
  info.nShow = ShowCmd;
  ShellExecuteEx(info);
  return info.hInstApp;
}

int FindExecutable(const String& File, const String& Directory, String& Result) {
  Result.clear();
  String path = os::ResolvePath(InFolder(Directory, File));
  struct stat st;
  if (File.empty() || ::stat(path.c_str(), &st) != 0) return SE_ERR_FNF;
  if (!IsExecutableFile(path)) return SE_ERR_NOASSOC;
  Result = path;
  return kShellSuccess;
}
