// The host's program folder beside a sample office: the folder from which
// the host starts the synchronisation tool, holding the host's program
// files that a mobile installation receives, the update template
// "UPDATEMOBILE.EXE", the INI files, the help page "synchlp.htm", the menu
// file "ZS.MNU" and a plug-in.
//
// Thread safety: none needed; every call works on its own folder.
#pragma once

#include <vector>

#include "host/HostTable.h"

// The built programs that the tool folder receives as copies.
struct TToolPrograms {
  String UpdateMobile;  // the extractor template, copied as "UPDATEMOBILE.EXE"
  String Tovar;         // the host stand-in restarted on close, copied as "TOVAR.EXE"
};

// The host's program files that the tool copies to a mobile installation,
// as they lie in the folder (the trailing dot of "OAKLOC32.dll." dropped).
extern const char* const HostProgramFiles[9];

// Creates ToolFolder (with its parents) and fills it. Files present are
// replaced. Raises EHostSetupError when a program of Programs is missing
// or a copy fails; the class library's file errors for the text files.
void CreateToolFolder(const String& ToolFolder, const TToolPrograms& Programs);

// Writes the service list FileName ("srv.txt"): one program path a line.
// Creates the file's folder. Raises the class library's file errors.
void WriteServiceList(const String& FileName, const std::vector<String>& Programs);
