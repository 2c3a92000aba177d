// UCommonFolders: the machine-wide folders in which the business
// application and this program keep shared files, and the client-root
// folder (a per-instance folder under the common documents folder, where
// the look files live). Every routine creates the folder it returns.
//
// Special folders come from platform/os (overridable per test by the
// MDS_COMMON_APPDATA and MDS_COMMON_DOCUMENTS variables).
//
// Thread safety: call from the main thread.
#pragma once

#include "platform/rtl/exceptions.h"

// The special folder Csidl + SubFolder with a trailing delimiter, created
// with its parents; the program's folder when the shell cannot name the
// special folder.
String GetSpecialFolder(int Csidl, const String& SubFolder);
// The common application-data folder + "Torvane-Installation/".
String GetCommonAppDataFolder();
// The common documents folder + "PDF-Dateien/".
String GetCommonDocumentsPdfFolder();
// The common documents folder + "QX-ClientRoot/" + instance name + "/",
// created. When the system cannot name the common documents folder the
// program shows "Systemfehler:" and the system's text, and ends.
String ClientRootDir();
// The instance name of the client root ("default").
extern String ClientRootInstanceName;

// Creates Dir and its missing parents. Returns False when a folder could
// not be made (for example below a file). An empty Dir raises EInOutError
// (code 3) "Verzeichnis kann nicht erstellt werden".
bool ForceDirs(const String& Dir);

// Whether the shell's special-folder lookup is there; tests switch it off
// to see the fallback to the program's folder.
extern bool CommonFoldersShellAvailable;
