#include "platform/os/fileperm.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/os/errors.h"
#include "platform/os/files.h"

bool IsFileExecutable(const String& FileName) {
  struct stat St;
  String Path = os::ResolvePath(FileName);
  return ::stat(Path.c_str(), &St) == 0 && S_ISREG(St.st_mode) && (St.st_mode & S_IXUSR);
}

bool SetFileExecutable(const String& FileName) {
  String Path = os::ResolvePath(FileName);
  struct stat St;
  if (::stat(Path.c_str(), &St) != 0) {
    os::SetLastErrorFromErrno(errno);
    return false;
  }
  // Each read bit brings its execute bit (r -> x: 0444 >> 2 = 0111).
  mode_t Mode = St.st_mode | ((St.st_mode & 0444) >> 2);
  if (::chmod(Path.c_str(), Mode) != 0) {
    os::SetLastErrorFromErrno(errno);
    return false;
  }
  return true;
}
