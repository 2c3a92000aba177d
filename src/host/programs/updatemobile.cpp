// UPDATEMOBILE.EXE: the template of the self-extracting update package.
// The tool copies this program, appends an archive and the program's size,
// and names the result ZAVOZORUZIZOVAR.EXE. Run on the mobile side, the
// package unpacks its files below its own folder.
//
// Usage: ZAVOZORUZIZOVAR.EXE [destination folder]
// Exit code 0 when every file was written, 1 otherwise (with the reason on
// standard error).
#include <cstdio>

#include "host/ArchiveReader.h"
#include "platform/os/folders.h"
#include "platform/rtl/sysutils.h"

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  String Package = GetModuleFileName();
  String Dest = ParamCount() >= 1 ? ParamStr(1) : ExtractFilePath(Package);
  try {
    Integer Count = ExtractUpdatePackage(Package, Dest);
    std::printf("%d Dateien aktualisiert.\n", Count);
    return 0;
  } catch (const Exception& E) {
    std::fprintf(stderr, "%s\n", E.Message().c_str());
    return 1;
  }
}
