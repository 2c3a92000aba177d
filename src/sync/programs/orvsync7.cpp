// orvsync7: the program "Mobile Daten-Syncronisation". The host business
// application starts it with the office data folder, "1" for a local
// database server and its own release number (or once with "INSTALL" to
// register it in the host's menu file "ZS.MNU"). It shows the wizard main
// form TFsync in a window on the X display of $DISPLAY and runs until that
// form closes.
//
// Without a display it writes "Kein X-Display ..." to stderr and ends with
// exit code 2: a window nobody can see would hold the office lock. Tests
// and tools that want the in-memory (headless) back end ask for it with
// MDS_GUI=headless. A refused start (missing arguments, a too old host,
// an office that cannot be opened or locked) writes its message to stderr
// too and ends with exit code 1 once the message is closed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/gui/backend.h"
#include "platform/gui/forms.h"
#include "platform/gui/x11.h"
#include "platform/os/folders.h"
#include "foundation/FileUtils.h"
#include "sync/Umsync.h"
#include "sync/backup.h"
#include "ui/controls/IEditButton.h"
#include "ui/look/ULookAndFeel.h"

namespace {

// Installs the X11 back end on $DISPLAY; with MDS_GUI=headless the
// headless one stays. False (with the message on stderr) when there is no
// display to show the window on.
bool ChooseBackEnd() {
  const char* Wanted = std::getenv("MDS_GUI");
  if (Wanted && std::strcmp(Wanted, "headless") == 0) return true;
  if (std::unique_ptr<TGuiDriver> Driver = NewX11Driver()) {
    SetGuiDriver(std::move(Driver));
    return true;
  }
  const char* Display = std::getenv("DISPLAY");
  if (!Display || !*Display)
    std::fprintf(stderr,
                 "Kein X-Display: DISPLAY ist nicht gesetzt. Das Programm zeigt ein Fenster und kann ohne "
                 "Bildschirm nicht laufen.\n");
  else
    std::fprintf(stderr,
                 "Kein X-Display: Die Anzeige \"%s\" kann nicht geöffnet werden. Das Programm zeigt ein "
                 "Fenster und kann ohne Bildschirm nicht laufen.\n",
                 Display);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  if (!ChooseBackEnd()) return 2;
  // The units' initialisation: the edit controls set the short date
  // format; the look engine installs the look for every form, the class
  // library's popup parent and themed edge.
  InitializeEditButtonUnit();
  DefaultLookInit();
  ULookAndFeelInit();
  int ExitCode = 0;
  try {
    Application->Initialize();
    Application->SetTitle("Mobile Daten-Syncronisation");
    TFsync* Fsync = nullptr;
    Application->CreateForm(Fsync);
    AttachRunDriver(Fsync);
    // Long waits and runs paint between their steps; the archive writer
    // between its blocks.
    SetPaintMessagePump(PaintPendingWindows);
    TBackupFile::ProcessMessagesHook = DispatchPaintMessages;
    Application->Run();
  } catch (const Exception& E) {
    std::fprintf(stderr, "%s\n", E.Message().c_str());
    ExitCode = 1;
  }
  ULookAndFeelDone();
  DefaultLookDone();
  if (ExitCode == 0 && StartRefused()) ExitCode = 1;
  return ExitCode;
}
