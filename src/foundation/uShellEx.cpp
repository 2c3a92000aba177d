#include "foundation/uShellEx.h"

#include <memory>

#include "foundation/FileUtils.h"
#include "platform/os/fileapi.h"
#include "platform/os/folders.h"
#include "platform/os/process.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TShellThreadJob, TWorkerThreadJob, nullptr)

std::function<bool(const String&, const String&, String&)> ShellOpenAskProgram;
std::function<bool()> ShellOpenRightControlDown;

namespace {

const char* const UrlPrefixes[] = {"http:", "https:", "ftp:",  "telnet:", "gopher:", "prospero:",
                                   "nntp:", "wais:",  "mailto:", "news:", "www.",    "ftp."};

std::unique_ptr<TWorkerThreadPool>& PoolSlot() {
  static std::unique_ptr<TWorkerThreadPool> Pool;
  return Pool;
}

// The program stored for FileName's extension, or "".
String StoredProgram(const String& FileName) {
  String Path = OpenFileExPath();
  ForceDirectoryTree(ExtractFilePath(Path));
  if (!FileExistsEx(Path)) return String();
  TStringList Table;
  Table.LoadFromFile(Path);
  return Table.Values(AnsiLowerCase(ExtractFileExt(FileName)));
}

void StoreProgram(const String& FileName, const String& Program) {
  String Path = OpenFileExPath();
  TStringList Table;
  if (FileExistsEx(Path)) Table.LoadFromFile(Path);
  Table.SetValues(AnsiLowerCase(ExtractFileExt(FileName)), Program);
  Table.SaveToFile(Path);
}

}  // namespace

TShellThreadJob::TShellThreadJob(const String& AProgram, const String& AFileName, const String& AVerb)
    : Program(AProgram), FileName(AFileName), Verb(AVerb) {}

void TShellThreadJob::Execute(TWorkerThread*) {
  if (Program.empty()) {
    ShellExecute(nullptr, Verb, FileName, "", "", SW_SHOWNORMAL);
    return;
  }
  // The program is named apart from the command line, so that a path with
  // blanks still finds it.
  TProcessInformation Info;
  if (CreateProcess(Program, "\"" + Program + "\" \"" + FileName + "\"", "", Info)) CloseHandle(Info.hProcess);
}

bool IsURL(const String& Text) {
  if (Text.find('@') != String::npos) return true;
  String Upper = AnsiUpperCase(Text);
  for (const char* Prefix : UrlPrefixes) {
    String P = AnsiUpperCase(Prefix);
    if (Upper.compare(0, P.size(), P) == 0) return true;
  }
  return false;
}

String OpenFileExPath() { return GetProgramDir() + "PLUGINS/OpenFileEx.txt"; }

void ShellOpen(const String& Verb, const String& FileName, bool Ask) {
  String Program;
  if (!IsURL(FileName)) {
    String Found;
    try {
      Program = StoredProgram(FileName);
    } catch (const Exception&) {
      // An unreadable table is the same as none.
    }
    if (Program.empty() && FindExecutable(FileName, "", Found) > 32) Program = Trim(Found);
    bool RightCtrl = ShellOpenRightControlDown && ShellOpenRightControlDown();
    if (Ask && (Program.empty() || RightCtrl) && ShellOpenAskProgram) {
      String Chosen;
      if (!ShellOpenAskProgram(Found, Found.empty() ? ExtractFilePath(FileName) : String(), Chosen)) return;
      try {
        StoreProgram(FileName, Chosen);
      } catch (const Exception&) {
        // The choice still counts for this time.
      }
      Program = Chosen;
    }
  }
  ShellPool().AddJob(new TShellThreadJob(Program, FileName, Verb));
}

Integer ShellOpenDocument(const String& Verb, const String& FileName, bool Ask) {
  ShellOpen(Verb, FileName, Ask);
  return 0;
}

TWorkerThreadPool& ShellPool() {
  auto& Pool = PoolSlot();
  if (!Pool) Pool = std::make_unique<TWorkerThreadPool>(1);
  return *Pool;
}

void ShutdownShellPool() {
  auto& Pool = PoolSlot();
  if (!Pool) return;
  // A marker job: when it has run, every job before it has run too.
  struct TMarker : TWorkerThreadJob {
    TEvent* Done;
    explicit TMarker(TEvent* E) : Done(E) {}
    void Execute(TWorkerThread*) override { Done->SetEvent(); }
  };
  TEvent Done(true, false);
  Pool->AddJob(new TMarker(&Done));
  Done.WaitFor(INFINITE);
  Pool.reset();
}
