// The stand-in for the running host application: shows the main window of
// class "T_KELPO_Mainform" (in a real window when a display is there, else
// headless) and ends when the window gets WM_CLOSE, is closed on the
// desktop, or the process gets SIGTERM or SIGINT.
//
// Usage: kelpohost [<office data folder> [<table> ...]]
// With an office data folder it holds table locks on the named tables
// (default: Auftraege, Adressen, setup) while its window is up, as the host
// does while a user edits. Once the window is up and the locks are held it
// prints one line to standard output. Exit code 0 after a close; 1 when
// the tables cannot be locked.
#include <cstdio>
#include <memory>

#include "host/HostLocks.h"
#include "host/HostWindow.h"
#include "platform/os/folders.h"

namespace {

std::unique_ptr<THostDatabaseLocks> LockOffice() {
  if (ParamCount() < 1) return nullptr;
  std::vector<String> Tables;
  for (int I = 2; I <= ParamCount(); ++I) Tables.push_back(ParamStr(I));
  if (Tables.empty()) Tables.assign(std::begin(HostLockedTables), std::end(HostLockedTables));
  return std::make_unique<THostDatabaseLocks>(ParamStr(1), Tables);
}

}  // namespace

int main(int argc, char** argv) {
  TakeOverCloseSignals();
  SetCommandLine(argc, argv);
  std::unique_ptr<THostDatabaseLocks> Locks;
  try {
    Locks = LockOffice();
  } catch (const Exception& E) {
    std::fprintf(stderr, "%s\n", E.Message().c_str());
    return 1;
  }
  bool OnDisplay = UseDisplayWhenAvailable();
  size_t Locked = Locks ? Locks->Count() : 0;
  return RunHostMainWindow([OnDisplay, Locked] {
    // The line tells a waiting caller that the window is up.
    std::printf("%s: Fenster \"%s\" %s, %zu Tabellen gesperrt\n", HostMainWindowTitle,
                HostMainWindowClass, OnDisplay ? "auf dem Bildschirm" : "ohne Bildschirm", Locked);
    std::fflush(stdout);
  });
}
