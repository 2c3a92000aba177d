#include "platform/os/folders.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "platform/os/fileapi.h"

namespace {

std::mutex gLock;
std::vector<String> gArgs;
String gProgramPath;

String Env(const char* Name) {
  const char* v = std::getenv(Name);
  return v ? String(v) : String();
}

String WithoutTrailingSlash(String P) {
  while (P.size() > 1 && P.back() == '/') P.pop_back();
  return P;
}

String Home() {
  String h = Env("HOME");
  return h.empty() ? String("/tmp") : h;
}

String DataHome() {
  String d = Env("XDG_DATA_HOME");
  return d.empty() ? Home() + "/.local/share" : d;
}

String ConfigHome() {
  String c = Env("XDG_CONFIG_HOME");
  return c.empty() ? Home() + "/.config" : c;
}

struct FolderRule {
  int Csidl;
  const char* Override;
  String (*Default)();
};

const FolderRule kFolders[] = {
    {CSIDL_COMMON_APPDATA, "MDS_COMMON_APPDATA", [] { return DataHome() + "/mds/common"; }},
    {CSIDL_COMMON_DOCUMENTS, "MDS_COMMON_DOCUMENTS", [] { return DataHome() + "/mds/documents"; }},
    {CSIDL_APPDATA, "MDS_APPDATA", ConfigHome},
    {CSIDL_LOCAL_APPDATA, "MDS_LOCAL_APPDATA", DataHome},
    {CSIDL_PERSONAL, "MDS_PERSONAL",
     [] {
       String d = Env("XDG_DOCUMENTS_DIR");
       return d.empty() ? Home() + "/Documents" : d;
     }},
    {CSIDL_WINDOWS, "MDS_WINDOWS", [] { return ConfigHome() + "/mds/windows"; }},
    {CSIDL_DESKTOP, "MDS_DESKTOP", [] { return Home() + "/Desktop"; }},
};

String SelfExe() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? String(buf, static_cast<std::size_t>(n)) : String();
}

}  // namespace

String GetTempPath() {
  String t = Env("TMPDIR");
  if (t.empty()) t = "/tmp";
  if (t.back() != '/') t += '/';
  return t;
}

HRESULT SHGetFolderPath(int Csidl, String& Path) {
  int folder = Csidl & ~CSIDL_FLAG_CREATE;
  for (const FolderRule& r : kFolders) {
    if (r.Csidl != folder) continue;
    String over = Env(r.Override);
    Path = WithoutTrailingSlash(over.empty() ? r.Default() : over);
    if ((Csidl & CSIDL_FLAG_CREATE) && !DirectoryExists(Path)) ForceDirectories(Path);
    return DirectoryExists(Path) ? S_OK : E_FAIL;
  }
  Path.clear();
  return E_INVALIDARG;
}

String SHGetSpecialFolderPath(int Csidl, bool Create) {
  String path;
  if (SHGetFolderPath(Csidl | (Create ? CSIDL_FLAG_CREATE : 0), path) != S_OK) return String();
  return path;
}

String GetWindowsDirectory() {
  String path;
  SHGetFolderPath(CSIDL_WINDOWS, path);
  return path;
}

void SetCommandLine(int Argc, const char* const* Argv) {
  std::vector<String> args;
  for (int i = 1; i < Argc; ++i) args.emplace_back(Argv[i] ? Argv[i] : "");
  SetCommandLineArgs(args);
}

void SetCommandLineArgs(const std::vector<String>& Args) {
  std::lock_guard<std::mutex> guard(gLock);
  gArgs = Args;
}

int ParamCount() {
  std::lock_guard<std::mutex> guard(gLock);
  return static_cast<int>(gArgs.size());
}

String ParamStr(int Index) {
  if (Index == 0) return GetModuleFileName();
  std::lock_guard<std::mutex> guard(gLock);
  if (Index < 0 || Index > static_cast<int>(gArgs.size())) return String();
  return gArgs[static_cast<std::size_t>(Index - 1)];
}

String GetModuleFileName() {
  {
    std::lock_guard<std::mutex> guard(gLock);
    if (!gProgramPath.empty()) return gProgramPath;
  }
  String over = Env("MDS_PROGRAM_PATH");
  return over.empty() ? SelfExe() : over;
}

String GetProgramDir() {
  String exe = GetModuleFileName();
  std::size_t slash = exe.rfind('/');
  return slash == String::npos ? String("./") : exe.substr(0, slash + 1);
}

void SetProgramPath(const String& Path) {
  std::lock_guard<std::mutex> guard(gLock);
  gProgramPath = Path;
}
