// A service program of the host installation, as listed in "srv.txt": the
// tool runs it with "STOP" before a run and "START" when it closes. This
// stand-in records the argument it got (see HostLog.h: the record named by
// $KELPO_SERVICE_LOG, else "<program>.log" beside it) and exits with 0.
#include "host/HostLog.h"
#include "platform/os/folders.h"

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  return RecordStart(ServiceLogVariable);
}
