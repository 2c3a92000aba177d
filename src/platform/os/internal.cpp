#include "platform/os/internal.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "platform/os/fileapi.h"
#include "platform/os/files.h"

namespace os::detail {

String ParentOf(const String& Path) {
  std::size_t slash = Path.rfind('/');
  if (slash == String::npos) return String();
  return slash == 0 ? "/" : Path.substr(0, slash);
}

int RenameNoReplace(const String& From, const String& To) {
  if (::renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  struct stat St;
  if (::lstat(From.c_str(), &St) != 0) return errno;
  if (!S_ISDIR(St.st_mode)) {
    if (::link(From.c_str(), To.c_str()) != 0) return errno;
    return ::unlink(From.c_str()) == 0 ? 0 : errno;
  }
  if (::lstat(To.c_str(), &St) == 0) return EEXIST;
  return ::rename(From.c_str(), To.c_str()) == 0 ? 0 : errno;
}

String NameOf(const String& Path) {
  std::size_t slash = Path.rfind('/');
  return slash == String::npos ? Path : Path.substr(slash + 1);
}

DWORD MissingCode(const String& Path) {
  String dir = ParentOf(Path);
  return dir.empty() || IsFolder(dir) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

DWORD FailWithErrno(const String& Path, int Errno) {
  DWORD code = Errno == ENOENT ? MissingCode(Path) : ErrnoToWin32(Errno);
  SetLastError(code);
  return code;
}

bool Fail(DWORD Code) {
  SetLastError(Code);
  return false;
}

bool StatPath(const String& Path, struct stat& St) {
  if (::stat(Path.c_str(), &St) == 0) return true;
  int err = errno;
  if (::lstat(Path.c_str(), &St) == 0) return true;
  errno = err;
  return false;
}

bool IsFolder(const String& Path) {
  struct stat st;
  return ::stat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

DWORD AttributesOf(const String& Path, const String& Name, const struct stat& St) {
  DWORD a = 0;
  if (S_ISDIR(St.st_mode)) a |= FILE_ATTRIBUTE_DIRECTORY;
  else if (!S_ISREG(St.st_mode) && !S_ISLNK(St.st_mode)) a |= FILE_ATTRIBUTE_SYSTEM;
  if ((St.st_mode & S_IWUSR) == 0) a |= FILE_ATTRIBUTE_READONLY;
  if (!Name.empty() && Name[0] == '.' && Name != "." && Name != "..")
    a |= FILE_ATTRIBUTE_HIDDEN;
  if (S_ISREG(St.st_mode)) {
    char v = 0;
    // The archive bit is on unless it was cleared, which a user xattr records.
    if (::getxattr(Path.c_str(), kNoArchiveXattr, &v, 1) != 1) a |= FILE_ATTRIBUTE_ARCHIVE;
  }
  return a == 0 ? FILE_ATTRIBUTE_NORMAL : a;
}

int UnixToDosTime(std::int64_t Seconds) {
  std::time_t t = static_cast<std::time_t>(Seconds);
  std::tm tm{};
  if (!::localtime_r(&t, &tm)) return -1;
  int year = tm.tm_year + 1900;
  if (year < 1980 || year > 2107) return -1;
  unsigned date = static_cast<unsigned>(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  unsigned time = static_cast<unsigned>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
  return static_cast<int>((date << 16) | time);
}

std::int64_t DosToUnixTime(int DosTime) {
  unsigned v = static_cast<unsigned>(DosTime);
  unsigned date = v >> 16, time = v & 0xFFFF;
  std::tm tm{};
  tm.tm_year = static_cast<int>((date >> 9) + 80);
  tm.tm_mon = static_cast<int>(((date >> 5) & 15) - 1);
  tm.tm_mday = static_cast<int>(date & 31);
  tm.tm_hour = static_cast<int>(time >> 11);
  tm.tm_min = static_cast<int>((time >> 5) & 63);
  tm.tm_sec = static_cast<int>((time & 31) * 2);
  tm.tm_isdst = -1;
  return static_cast<std::int64_t>(::mktime(&tm));
}

std::uint64_t ToFileTime(const struct timespec& Ts) {
  constexpr std::int64_t kEpochDiff = 11644473600LL;  // 1601 -> 1970 in seconds
  return static_cast<std::uint64_t>((Ts.tv_sec + kEpochDiff) * 10000000LL + Ts.tv_nsec / 100);
}

bool HeldOpenByOthers(const String& Path) {
  int fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct flock fl = {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(kShareLockBase);
  fl.l_len = 4;
  bool held = ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
  ::close(fd);
  return held;
}

}  // namespace os::detail
