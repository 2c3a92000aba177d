#include "sync/UStartStop.h"

#include "foundation/FileUtils.h"
#include "foundation/UCommonFolders.h"
#include "platform/rtl/strings.h"

const char* const ServiceListFile = "srv.txt";
bool ServicesStopped = false;

namespace {
constexpr int SW_SHOW = 5;
}

void RunServiceList(const String& Argument) {
  try {
    String Folder = GetCommonAppDataFolder();
    String ListFile = FindFirstMatch(Folder + ServiceListFile, false, Folder);
    if (ListFile.empty()) return;
    TStringList Programs;
    Programs.LoadFromFile(ListFile);
    for (Integer i = 0; i < Programs.Count(); ++i) {
      String Program = Programs.Strings(i);
      if (Program.empty() || !FileExistsEx(Program)) continue;
      try {
        ShellExecuteAndWait(nullptr, "", Program, Argument, "", SW_SHOW);
      } catch (...) {
        // One failing program does not keep the others from running.
      }
    }
  } catch (...) {
    // The service list is a courtesy to the other programs: never fatal.
  }
}

void StopServices() {
  if (ServicesStopped) return;
  RunServiceList("STOP");
  ServicesStopped = true;
}

void StartServices() {
  if (!ServicesStopped) return;
  RunServiceList("START");
  ServicesStopped = false;
}
