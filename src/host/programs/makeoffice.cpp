// makeoffice: creates a sample office for trying the synchronisation tool:
// the office data folder with the business tables and settings rows, and
// the host's program folder beside it.
//
// Usage: makeoffice <office data folder> <tool folder> [UPDATEMOBILE.EXE] [TOVAR.EXE]
// The two programs default to "updatemobile" and "tovar" beside makeoffice.
// Exit code 0 on success; 1 with the reason on standard error; 2 for a
// wrong command line.
#include <cstdio>

#include "host/SampleOffice.h"
#include "host/ToolFolder.h"
#include "platform/os/folders.h"
#include "platform/rtl/sysutils.h"

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  if (ParamCount() < 2) {
    std::fprintf(stderr, "Aufruf: makeoffice <Datenordner> <Programmordner> [UPDATEMOBILE.EXE] [TOVAR.EXE]\n");
    return 2;
  }
  String Here = ExtractFilePath(GetModuleFileName());
  TToolPrograms Programs{ParamCount() >= 3 ? ParamStr(3) : Here + "updatemobile",
                         ParamCount() >= 4 ? ParamStr(4) : Here + "tovar"};
  try {
    String GUID = CreateSampleOffice(ParamStr(1));
    CreateToolFolder(ParamStr(2), Programs);
    std::printf("Mandant %s angelegt in %s, Programmordner %s\n", GUID.c_str(),
                ParamStr(1).c_str(), ParamStr(2).c_str());
    return 0;
  } catch (const Exception& E) {
    std::fprintf(stderr, "%s\n", E.Message().c_str());
    return 1;
  }
}
