// orvsync7: the program "Mobile Daten-Syncronisation". The host business
// application starts it with the office data folder, "1" for a local
// database server and its own release number (or once with "INSTALL" to
// register it in the host's menu file "ZS.MNU"). It shows the wizard main
// form TFsync in a real window when an X display is there, otherwise on
// the headless back end, and runs until that form closes.
#include <cstdio>
#include <memory>

#include "platform/gui/backend.h"
#include "platform/gui/forms.h"
#include "platform/gui/x11.h"
#include "platform/os/folders.h"
#include "sync/Umsync.h"
#include "ui/look/ULookAndFeel.h"

namespace {

// Shows the windows on the X display of $DISPLAY when it opens; otherwise
// the headless back end stays.
void ChooseBackEnd() {
  if (std::unique_ptr<TGuiDriver> Driver = NewX11Driver()) SetGuiDriver(std::move(Driver));
}

}  // namespace

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  ChooseBackEnd();
  // The look engine's unit initialisation: the look for every form, the
  // class library's popup parent and themed edge.
  ULookAndFeelInit();
  int ExitCode = 0;
  try {
    Application->Initialize();
    Application->SetTitle("Mobile Daten-Syncronisation");
    TFsync* Fsync = nullptr;
    Application->CreateForm(Fsync);
    AttachRunDriver(Fsync);
    Application->Run();
  } catch (const Exception& E) {
    std::fprintf(stderr, "%s\n", E.Message().c_str());
    ExitCode = 1;
  }
  ULookAndFeelDone();
  return ExitCode;
}
