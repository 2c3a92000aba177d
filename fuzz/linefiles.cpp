// Fuzzes the readers of the plain line files the tool finds beside it or
// on the mobile side: any bytes in the file end in the reader's stated
// outcome or an exception of the system, never a crash, and no program
// starts but one the file names (the process launcher only records).
//
// Input: the first byte picks the file, the rest are its bytes:
//   0 the host's menu file ZS.MNU (the tool registers its line),
//   1 the service list "srv.txt" (each existing program listed runs),
//   2 the open-with table PLUGINS/OpenFileEx.txt (opening a document),
//   3 the marker of a mobile installation (the target probe),
//   4 the local engine configuration "oaklocal.cfg" (replaced),
//   5 the scale file "<program>_Scaled.txt" of the look.
#include <cstdlib>
#include <mutex>
#include <vector>

#include "foundation/FileUtils.h"
#include "foundation/uShellEx.h"
#include "fuzz_input.h"
#include "platform/gui/dialogs_responder.h"
#include "platform/os/folders.h"
#include "platform/os/process.h"
#include "sync/UStartStop.h"
#include "sync/Umsync.h"
#include "sync/Umsync_run.h"
#include "ui/look/ULookAndFeel.h"

// The font libraries keep their configuration and caches for the life of
// the process; what they hold at exit is not a leak of the readers.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\nleak:libfreetype\n"; }

namespace {

std::mutex LaunchLock;
std::vector<String> Launched;

// The lines of Text as the string list reads them.
std::vector<String> LinesOf(const std::string& Text) {
  TStringList L;
  L.SetText(Text);
  std::vector<String> Out;
  for (Integer I = 0; I < L.Count(); ++I) Out.push_back(L[I]);
  return Out;
}

bool Contains(const std::vector<String>& Lines, const String& Line) {
  for (const String& L : Lines)
    if (L == Line) return true;
  return false;
}

void Check(bool Ok, const char* What) {
  if (Ok) return;
  std::fprintf(stderr, "%s\n", What);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const std::string Run = fuzz::RunFolder("linefiles");
  static const String Tool = Run + "/tool/", Mobile = Run + "/mobile/", Common = Run + "/common/";
  static TFsync* Form = [] {
    for (const String& D : {Tool + "PLUGINS", Tool + "tmp", Mobile, Common})
      std::filesystem::create_directories(D);
    setenv("MDS_COMMON_APPDATA", Common.c_str(), 1);
    SetProgramPath(Tool + "orvsync7");
    SetProcessLauncher([](const TLaunchRequest& R, TProcessHandle& Process) -> DWORD {
      std::lock_guard<std::mutex> L(LaunchLock);
      Launched.push_back(R.Program);
      Process = TProcessHandle::Finished(0);
      return 0;
    });
    fuzz::WriteAll(Tool + "service", "#!/bin/sh\n");
    const String Data = Mobile + MobileDataFolder;
    std::filesystem::create_directories(Data);
    for (const char* Name : MainDataFiles) fuzz::WriteAll(Data + Name, "");
    for (const char* Name : SettingsFiles) fuzz::WriteAll(Data + Name, "");
    TFsync* F = NewForm<TFsync>(nullptr);
    F->CurrentPath = Mobile;
    F->CurrentGUID = "{6F1C2A40-0000-4000-8000-000000000001}";
    return F;
  }();
  if (Size == 0) return 0;
  // Closes every message box unanswered. One per input: the responder keeps
  // a record of every box, and what an input leaves behind makes the
  // fuzzer search the whole heap for leaks after it.
  TScriptedResponder Responder;
  const std::string Text(reinterpret_cast<const char*>(Data + 1), Size - 1);
  Launched.clear();
  switch (Data[0] % 6) {
    case 0: {
      fuzz::WriteAll(Tool + "ZS.MNU", Text);
      SetCommandLineArgs({"INSTALL"});
      Check(CheckStartParams("Laptopabgleich", String(), 12340, nullptr), "menu: not registered");
      SetCommandLineArgs({});
      Check(Contains(LinesOf(fuzz::ReadAll(Tool + "ZS.MNU")), GetModuleFileName() + ";Laptopabgleich"),
            "menu: the tool's line is missing");
      break;
    }
    case 1: {
      fuzz::WriteAll(Common + "srv.txt", Text);
      RunServiceList("STOP");
      for (const String& P : Launched) Check(Contains(LinesOf(Text), P), "service list: a program it does not name ran");
      break;
    }
    case 2: {
      fuzz::WriteAll(Tool + "PLUGINS/OpenFileEx.txt", Text);
      ShellOpen("open", Mobile + "Brief.doc", false);
      ShutdownShellPool();
      Check(Launched.size() <= 1, "open-with: more than one program ran");
      break;
    }
    case 3: {
      // A complete set of (empty) table files, so that the probe reads the
      // marker; what it finds ends in a message, answered by the responder.
      fuzz::WriteAll(Mobile + MarkerFileName, Text);
      String Info, DateText;
      Form->ProbeMobileInstallation(Info, DateText);
      Check(Form->RunMode <= 2, "probe: no such run mode");
      break;
    }
    case 4: {
      fuzz::WriteAll(Mobile + "oaklocal.cfg", Text);
      WriteOakLocalConfig(Mobile);
      Check(fuzz::ReadAll(Mobile + "oaklocal.cfg") == OakLocalConfigText(), "engine configuration not replaced");
      break;
    }
    case 5: {
      fuzz::WriteAll(ScaleFileName(), Text);
      TFormHook Hook(nullptr);
      Integer Index = ScaleIndexOf(Hook.Scaled(), "TFsync");
      Check(Index >= 0 && Index <= 2, "scale: index out of the table");
      break;
    }
  }
  return 0;
}
