// Where things live: the temporary folder, the shell's special folders, the
// program's own path and its command line.
//
// Special folders map to XDG-style folders of the user and can each be
// overridden by an environment variable, so that every test can run in a
// tree of its own:
//   CSIDL_COMMON_APPDATA    MDS_COMMON_APPDATA    else $XDG_DATA_HOME/mds/common
//   CSIDL_COMMON_DOCUMENTS  MDS_COMMON_DOCUMENTS  else $XDG_DATA_HOME/mds/documents
//   CSIDL_APPDATA           MDS_APPDATA           else $XDG_CONFIG_HOME
//   CSIDL_LOCAL_APPDATA     MDS_LOCAL_APPDATA     else $XDG_DATA_HOME
//   CSIDL_PERSONAL          MDS_PERSONAL          else $XDG_DOCUMENTS_DIR, else ~/Documents
//   CSIDL_WINDOWS           MDS_WINDOWS           else $XDG_CONFIG_HOME/mds/windows
// ($XDG_DATA_HOME defaults to ~/.local/share, $XDG_CONFIG_HOME to ~/.config.)
// The windows folder is where a bare "oak.ini" is looked up.
//
// The program's path (ParamStr(0)) is /proc/self/exe unless MDS_PROGRAM_PATH
// or SetProgramPath names another, so that tests can give the program a
// folder of their own (ZUVID.INI, ALTEURO.INI, oak.ini beside it).
//
// Thread safety: reading is thread-safe; SetCommandLine and SetProgramPath
// are meant for start-up (main, test set-up) and must not race with readers.
#pragma once

#include <vector>

#include "platform/os/errors.h"
#include "platform/rtl/guid.h"

constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_APPDATA = 0x001A;
constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
constexpr int CSIDL_COMMON_APPDATA = 0x0023;
constexpr int CSIDL_WINDOWS = 0x0024;
constexpr int CSIDL_COMMON_DOCUMENTS = 0x002E;
constexpr int CSIDL_FLAG_CREATE = 0x8000;

// S_OK comes from platform/rtl/guid.h.
using HRESULT = std::int32_t;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);

// The temporary folder with a trailing '/': $TMPDIR, else /tmp/.
String GetTempPath();

// The folder for Csidl (optionally or'ed with CSIDL_FLAG_CREATE, which
// creates it with its parents) without a trailing '/'. Returns S_OK and
// sets Path; E_INVALIDARG for an unknown folder number, E_FAIL when the
// folder is missing and not to be created (Path is then still set).
HRESULT SHGetFolderPath(int Csidl, String& Path);
// The same as a plain result: the path, or "" on failure; Create adds
// CSIDL_FLAG_CREATE.
String SHGetSpecialFolderPath(int Csidl, bool Create);
// The windows folder (CSIDL_WINDOWS), without a trailing '/'.
String GetWindowsDirectory();

// Stores the command line given to main; ParamStr(1..) read it.
void SetCommandLine(int Argc, const char* const* Argv);
// Replaces the whole argument list (without the program path), for tests.
void SetCommandLineArgs(const std::vector<String>& Args);
// The number of arguments after the program path.
int ParamCount();
// Argument Index (1-based); 0 gives the program's full path; "" beyond the
// last.
String ParamStr(int Index);

// The program's full path (ParamStr(0)).
String GetModuleFileName();
// The program's folder with a trailing '/'.
String GetProgramDir();
// Makes Path the program's path ("" returns to the default).
void SetProgramPath(const String& Path);
