// TOVAR.EXE: the stand-in for the host business application's executable.
// The tool starts it again when the user leaves with "&Schließen"; this
// stand-in only records that it was started (see HostLog.h: the record
// named by $KELPO_TOVAR_LOG, else "TOVAR.EXE.log" beside it) and exits.
#include "host/HostLog.h"
#include "platform/os/folders.h"

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  return RecordStart(TovarLogVariable);
}
