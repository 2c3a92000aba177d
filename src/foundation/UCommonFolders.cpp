#include "foundation/UCommonFolders.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/FileUtils.h"
#include "platform/gui/backend.h"
#include "platform/gui/dialogs.h"
#include "platform/os/errors.h"
#include "platform/os/fileapi.h"
#include "platform/os/folders.h"

String ClientRootInstanceName = "default";
bool CommonFoldersShellAvailable = true;

String GetSpecialFolder(int Csidl, const String& SubFolder) {
  String Result = GetProgramDir();
  String Path;
  if (CommonFoldersShellAvailable && SHGetFolderPath(Csidl | CSIDL_FLAG_CREATE, Path) == S_OK)
    Result = IncludeTrailingBackslash(IncludeTrailingBackslash(Path) + SubFolder);
  Result = IncludeTrailingBackslash(Result);
  ForceDirectoryTree(Result);
  return Result;
}

String GetCommonAppDataFolder() { return GetSpecialFolder(CSIDL_COMMON_APPDATA, "Torvane-Installation"); }

String GetCommonDocumentsPdfFolder() { return GetSpecialFolder(CSIDL_COMMON_DOCUMENTS, "PDF-Dateien"); }

namespace {

String CommonDocumentsFolder() {
  String Path;
  SHGetFolderPath(CSIDL_COMMON_DOCUMENTS, Path);
  if (Path.empty()) {
    // Without this folder there is no place for the look files: the
    // program cannot go on.
    // The class library's plain message; on the terminal too, which is all
    // the user has when there is no display.
    String Text = "Systemfehler:\r\n" + SysErrorMessage(GetLastError());
    std::fprintf(stderr, "%s\n", Text.c_str());
    std::fflush(stderr);
    if (std::strcmp(GuiDriver().Name(), "headless") != 0) ShowMessage(Text);
    std::exit(1);
  }
  return IncludeTrailingBackslash(Path);
}

}  // namespace

String ClientRootDir() {
  String Dir = CommonDocumentsFolder() + "QX-ClientRoot/" + ClientRootInstanceName + "/";
  ForceDirs(Dir);
  return Dir;
}

bool ForceDirs(const String& Dir) {
  if (Dir.empty()) throw EInOutError("Verzeichnis kann nicht erstellt werden", 3);
  String D = Dir;
  if (D.size() > 1 && D.back() == '/') D.pop_back();
  if (D.size() < 3 || IsDirectory(D)) return true;
  std::size_t Slash = D.find_last_of('/');
  if (Slash == String::npos) return CreateDirectory(D);
  String Parent = D.substr(0, Slash + 1);
  if (Parent == D) return true;
  return ForceDirs(Parent) && CreateDirectory(D);
}
