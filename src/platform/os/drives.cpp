#include "platform/os/drives.h"

#include <mntent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/os/files.h"
#include "platform/os/internal.h"

namespace {

struct TMount {
  String Dir;
  String Type;
};

std::vector<TMount> Mounts() {
  std::vector<TMount> out;
  FILE* f = ::setmntent("/proc/self/mounts", "r");
  if (!f) return out;
  struct mntent ent;
  char buf[4096];
  while (::getmntent_r(f, &ent, buf, sizeof buf)) out.push_back({ent.mnt_dir, ent.mnt_type});
  ::endmntent(f);
  return out;
}

bool StartsWith(const String& S, const String& Prefix) { return S.rfind(Prefix, 0) == 0; }


String Trimmed(String P) {
  while (P.size() > 1 && P.back() == '/') P.pop_back();
  return P;
}

// The mount that holds Path: the longest mount point that is a prefix.
TMount MountOf(const String& Path) {
  TMount best{"/", ""};
  for (const TMount& m : Mounts()) {
    bool holds = m.Dir == "/" || Path == m.Dir || StartsWith(Path, m.Dir + "/");
    if (holds && m.Dir.size() >= best.Dir.size()) best = m;
  }
  return best;
}

unsigned KindOf(const TMount& M) {
  static const char* const kRemote[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p"};
  static const char* const kCd[] = {"iso9660", "udf"};
  static const char* const kRam[] = {"tmpfs", "ramfs"};
  for (const char* t : kRemote) if (M.Type == t) return DRIVE_REMOTE;
  for (const char* t : kCd) if (M.Type == t) return DRIVE_CDROM;
  if (M.Dir != "/")
    for (const char* t : kRam) if (M.Type == t) return DRIVE_RAMDISK;
  if (IsDriveMountPoint(M.Dir)) return DRIVE_REMOVABLE;
  return DRIVE_FIXED;
}


}  // namespace

bool IsDriveMountPoint(const String& Dir) {
  return StartsWith(Dir, "/media/") || StartsWith(Dir, "/mnt/") || StartsWith(Dir, "/run/media/");
}

std::vector<String> GetLogicalDriveStrings() {
  std::vector<String> drives;
  for (const TMount& m : Mounts())
    if (IsDriveMountPoint(m.Dir)) drives.push_back(m.Dir + "/");
  std::sort(drives.begin(), drives.end());
  drives.erase(std::unique(drives.begin(), drives.end()), drives.end());
  drives.insert(drives.begin(), "/");
  return drives;
}

unsigned GetDriveType(const String& Root) {
  String path = Trimmed(os::ResolvePath(Root));
  if (path.empty() || !os::detail::IsFolder(path)) return DRIVE_NO_ROOT_DIR;
  return KindOf(MountOf(path));
}

bool GetVolumeInformation(const String& Root, String& Label, String& FileSystem) {
  String path = Trimmed(os::ResolvePath(Root));
  if (path.empty() || !os::detail::IsFolder(path)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  TMount m = MountOf(path);
  Label = m.Dir == "/" ? String("System") : m.Dir.substr(m.Dir.rfind('/') + 1);
  FileSystem = m.Type;
  return true;
}
