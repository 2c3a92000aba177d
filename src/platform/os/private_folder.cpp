#include "platform/os/private_folder.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>

namespace os {

Result<String> CreatePrivateFolder(const String& Parent, const String& Prefix) {
  String Folder = ResolvePath(Parent);
  while (Folder.size() > 1 && Folder.back() == '/') Folder.pop_back();
  String Template = (Folder == "/" ? Folder : Folder + "/") + Prefix + "XXXXXX";
  // mkdtemp creates the folder with mode 0700 and fails rather than reuse a
  // name that exists (as a folder, a file or a link).
  if (!::mkdtemp(Template.data())) {
    int Err = errno;
    if (Err == ENOENT || Err == ENOTDIR) {  // the parent folder is missing
      SetLastError(ERROR_PATH_NOT_FOUND);
      return Status::Error(ERROR_PATH_NOT_FOUND, Template);
    }
    return Status::FromErrno(Err, Template);
  }
  return Template;
}

bool IsSymbolicLink(const String& Path) {
  String Bare = Path;
  while (Bare.size() > 1 && Bare.back() == '/') Bare.pop_back();
  struct stat St;
  return ::lstat(ResolvePath(Bare).c_str(), &St) == 0 && S_ISLNK(St.st_mode);
}

bool HasOtherNames(const String& Path) {
  struct stat St;
  return ::lstat(ResolvePath(Path).c_str(), &St) == 0 && S_ISREG(St.st_mode) && St.st_nlink > 1;
}

}  // namespace os
