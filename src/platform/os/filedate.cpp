// File dates in DOS form and free disk space.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/os/fileapi.h"
#include "platform/os/files.h"
#include "platform/os/internal.h"

using namespace os::detail;

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t Y, unsigned M, unsigned D) {
  Y -= M <= 2;
  const std::int64_t era = (Y >= 0 ? Y : Y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(Y - era * 400);
  const unsigned doy = (153 * (M + (M > 2 ? -3 : 9)) + 2) / 5 + D - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// TDateTime day 0 is 1899-12-30, which is 25569 days before 1970-01-01.
constexpr double kUnixEpochAsDateTime = 25569.0;

}  // namespace

int FileAge(const String& FileName) {
  String path = os::ResolvePath(FileName);
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    FailWithErrno(path, errno);
    return -1;
  }
  if (S_ISDIR(st.st_mode)) return -1;
  return UnixToDosTime(st.st_mtim.tv_sec);
}

int FileGetDate(const os::File& Handle) {
  struct stat st;
  if (!Handle.IsOpen() || ::fstat(Handle.fd(), &st) != 0) return -1;
  return UnixToDosTime(st.st_mtim.tv_sec);
}

int FileSetDate(const String& FileName, int Age) {
  String path = os::ResolvePath(FileName);
  std::int64_t secs = DosToUnixTime(Age);
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(secs);
  times[1].tv_nsec = 0;
  if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
    return static_cast<int>(FailWithErrno(path, errno));
  return 0;
}

int DateTimeToFileDate(TDateTime DateTime) {
  double days = std::floor(DateTime);
  double frac = DateTime - days;
  std::int64_t secOfDay = static_cast<std::int64_t>(std::llround(frac * 86400.0));
  std::int64_t unixDays = static_cast<std::int64_t>(days - kUnixEpochAsDateTime);
  // Interpret the civil date and time as local time.
  std::time_t utc = static_cast<std::time_t>(unixDays * 86400 + secOfDay);
  std::tm tm{};
  ::gmtime_r(&utc, &tm);
  tm.tm_isdst = -1;
  return UnixToDosTime(static_cast<std::int64_t>(::mktime(&tm)));
}

TDateTime FileDateToDateTime(int FileDate) {
  unsigned v = static_cast<unsigned>(FileDate);
  unsigned date = v >> 16, time = v & 0xFFFF;
  std::int64_t days = DaysFromCivil((date >> 9) + 1980, (date >> 5) & 15, date & 31);
  double secs = (time >> 11) * 3600.0 + ((time >> 5) & 63) * 60.0 + (time & 31) * 2.0;
  return static_cast<double>(days) + kUnixEpochAsDateTime + secs / 86400.0;
}

Int64 DiskFree(const String& Path) {
  struct statvfs vfs;
  String path = os::ResolvePath(Path.empty() ? String(".") : Path);
  if (::statvfs(path.c_str(), &vfs) != 0) return -1;
  return static_cast<Int64>(vfs.f_bavail) * static_cast<Int64>(vfs.f_frsize);
}

String ByteCountText(Int64 Bytes) {
  if (Bytes < 1024) return std::to_string(Bytes) + " Bytes";
  static const char* const Units[] = {"KB", "MB", "GB", "TB"};
  double Value = double(Bytes) / 1024;
  int Unit = 0;
  for (; Value >= 1024 && Unit < 3; ++Unit) Value /= 1024;
  char Text[32];
  std::snprintf(Text, sizeof Text, "%.1f %s", Value, Units[Unit]);
  String Shown = Text;
  Shown[Shown.find('.')] = ',';
  return Shown;
}

String DiskFullText(const String& File, Int64 Needed) {
  String Folder = File.substr(0, File.find_last_of('/') + 1);
  Int64 Free = DiskFree(Folder.empty() ? String(".") : Folder);
  return "Der Datenträger ist voll: Die Datei " + File + " kann nicht geschrieben werden. Benötigt: " +
         ByteCountText(Needed) + ", frei: " + (Free < 0 ? String("unbekannt") : ByteCountText(Free)) + ".";
}

Int64 DiskSize(const String& Path) {
  struct statvfs vfs;
  String path = os::ResolvePath(Path.empty() ? String(".") : Path);
  if (::statvfs(path.c_str(), &vfs) != 0) return -1;
  return static_cast<Int64>(vfs.f_blocks) * static_cast<Int64>(vfs.f_frsize);
}
