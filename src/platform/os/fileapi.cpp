#include "platform/os/fileapi.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/os/files.h"
#include "platform/os/internal.h"
#include "platform/rtl/exceptions.h"

using namespace os::detail;

// ---- attributes ------------------------------------------------------------

DWORD GetFileAttributes(const String& FileName) {
  if (FileName.empty()) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_FILE_ATTRIBUTES;
  }
  String path = os::ResolvePath(FileName);
  struct stat st;
  if (!StatPath(path, st)) {
    FailWithErrno(path, errno);
    return INVALID_FILE_ATTRIBUTES;
  }
  String bare = path;
  while (bare.size() > 1 && bare.back() == '/') bare.pop_back();
  return AttributesOf(path, NameOf(bare), st);
}

bool SetFileAttributes(const String& FileName, DWORD Attributes) {
  String path = os::ResolvePath(FileName);
  struct stat st;
  if (!StatPath(path, st)) return Fail(FailWithErrno(path, errno));
  bool readOnly = (Attributes & FILE_ATTRIBUTE_READONLY) != 0;
  mode_t mode = st.st_mode & 07777;
  mode = readOnly ? (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
  if (mode != (st.st_mode & 07777) && ::chmod(path.c_str(), mode) != 0)
    return Fail(FailWithErrno(path, errno));
  if (S_ISREG(st.st_mode)) {
    if (Attributes & FILE_ATTRIBUTE_ARCHIVE)
      ::removexattr(path.c_str(), kNoArchiveXattr);
    else  // a file system without xattrs keeps the archive bit on
      ::setxattr(path.c_str(), kNoArchiveXattr, "1", 1, 0);
  }
  return true;
}

int FileGetAttr(const String& FileName) {
  DWORD a = GetFileAttributes(FileName);
  return a == INVALID_FILE_ATTRIBUTES ? -1 : static_cast<int>(a);
}

int FileSetAttr(const String& FileName, int Attr) {
  return SetFileAttributes(FileName, static_cast<DWORD>(Attr)) ? 0
                                                              : static_cast<int>(GetLastError());
}

// ---- folders ---------------------------------------------------------------

bool CreateDirectory(const String& PathName) {
  if (PathName.empty()) return Fail(ERROR_PATH_NOT_FOUND);
  String path = os::ResolvePath(PathName);
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  int err = errno;
  if (err == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
  if (err == ENOENT) return Fail(ERROR_PATH_NOT_FOUND);
  return Fail(FailWithErrno(path, err));
}

bool CreateDir(const String& Dir) { return CreateDirectory(Dir); }

bool ForceDirectories(const String& Dir) {
  if (Dir.empty()) throw EInOutError("Verzeichnis kann nicht erstellt werden", 3);
  String d = Dir;
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  if (DirectoryExists(d)) return true;
  String parent = ParentOf(d);
  if (!parent.empty() && parent != d && !ForceDirectories(parent)) return false;
  return CreateDirectory(d) || DirectoryExists(d);
}

bool RemoveDirectory(const String& PathName) {
  String path = os::ResolvePath(PathName);
  os::FaultInjection::BeforeNameChange();
  if (::rmdir(path.c_str()) == 0) return true;
  int err = errno;
  if (err == ENOTDIR) return Fail(ERROR_DIRECTORY);
  if (err == EEXIST) return Fail(ERROR_DIR_NOT_EMPTY);
  return Fail(FailWithErrno(path, err));
}

bool RemoveDir(const String& Dir) { return RemoveDirectory(Dir); }

bool DeleteFile(const String& FileName) {
  if (FileName.empty()) return Fail(ERROR_FILE_NOT_FOUND);
  String path = os::ResolvePath(FileName);
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return Fail(FailWithErrno(path, errno));
  if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  // Windows refuses to delete read-only files and files held open.
  if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return Fail(ERROR_ACCESS_DENIED);
  if (S_ISREG(st.st_mode) && HeldOpenByOthers(path)) return Fail(ERROR_SHARING_VIOLATION);
  os::FaultInjection::BeforeNameChange();
  if (::unlink(path.c_str()) != 0) return Fail(FailWithErrno(path, errno));
  return true;
}

bool MoveFile(const String& ExistingName, const String& NewName) {
  String from = os::ResolvePath(ExistingName);
  // The new name keeps its spelling (a change of case is a rename too); only
  // its folder is looked up.
  String stripped = os::StripTrailingDots(NewName);
  String parent = ParentOf(stripped);
  String to = (parent.empty() ? String() : os::ResolvePath(parent) + (parent == "/" ? "" : "/")) +
              NameOf(stripped);
  struct stat st;
  if (::lstat(from.c_str(), &st) != 0) return Fail(FailWithErrno(from, errno));
  String existing = os::ResolvePath(to);
  if (existing != from && ::access(existing.c_str(), F_OK) == 0) return Fail(ERROR_ALREADY_EXISTS);
  if (S_ISREG(st.st_mode) && HeldOpenByOthers(from)) return Fail(ERROR_SHARING_VIOLATION);
  os::FaultInjection::BeforeNameChange();
  // The new name is taken only while free, in one step: a folder or link
  // made there meanwhile is never replaced. Only a change of case of the
  // same entry may rename it over itself.
  const bool SameEntry = existing == from;
  int err = SameEntry ? (::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno) : RenameNoReplace(from, to);
  if (err == 0) return true;
  if (err == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
  if (err == EXDEV && S_ISREG(st.st_mode)) return CopyFile(from, to, true) && DeleteFile(from);
  if (err == ENOENT) return Fail(ERROR_PATH_NOT_FOUND);
  return Fail(FailWithErrno(from, err));
}

bool RenameFile(const String& OldName, const String& NewName) {
  return MoveFile(OldName, NewName);
}

// ---- copy ------------------------------------------------------------------

namespace {

bool CopyContent(const os::File& In, const os::File& Out) {
  std::vector<char> buf(1 << 20);
  std::uint64_t pos = 0;
  for (;;) {
    std::size_t got = 0;
    os::Status s = In.Read(pos, buf.data(), buf.size(), &got);
    if (!s.ok()) return Fail(s.code());
    if (got == 0) return true;
    s = Out.Write(pos, buf.data(), got);
    if (!s.ok()) return Fail(s.code());
    pos += got;
  }
}

}  // namespace

bool CopyFile(const String& ExistingName, const String& NewName, bool FailIfExists) {
  os::File in, out;
  os::Status s = in.Open(ExistingName, os::Access::Read, os::Share::DenyWrite);
  if (!s.ok()) return Fail(s.code());
  auto disposition = FailIfExists ? os::Disposition::CreateNew : os::Disposition::CreateAlways;
  s = out.Open(NewName, os::Access::Write, os::Share::DenyNone, disposition);
  if (!s.ok()) return Fail(s.code());
  if (!CopyContent(in, out)) {
    DWORD code = GetLastError();
    String dest = out.Path();
    out.Close();
    ::unlink(dest.c_str());
    return Fail(code);
  }
  struct stat st;
  if (::fstat(in.fd(), &st) == 0) {
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.fd(), times);
    ::fchmod(out.fd(), st.st_mode & 07777);
  }
  return true;
}

// ---- current folder and full paths ------------------------------------------

String GetCurrentDirectory() {
  std::vector<char> buf(4096);
  while (!::getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE) return String();
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

String GetCurrentDir() { return GetCurrentDirectory(); }

bool SetCurrentDirectory(const String& PathName) {
  String path = os::ResolvePath(PathName);
  if (::chdir(path.c_str()) == 0) return true;
  return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : FailWithErrno(path, errno));
}

bool SetCurrentDir(const String& Dir) { return SetCurrentDirectory(Dir); }

String GetFullPathName(const String& FileName) {
  if (FileName.empty()) return String();
  String full = FileName[0] == '/' ? FileName : GetCurrentDirectory() + "/" + FileName;
  std::vector<String> parts;
  std::size_t start = 1;
  while (start <= full.size()) {
    std::size_t slash = full.find('/', start);
    if (slash == String::npos) slash = full.size();
    String part = full.substr(start, slash - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = slash + 1;
  }
  String out;
  for (const String& p : parts) out += "/" + p;
  if (out.empty()) return "/";
  if (FileName.back() == '/') out += '/';
  return out;
}

String ExpandFileName(const String& FileName) { return GetFullPathName(FileName); }

// ---- existence -------------------------------------------------------------

bool FileExists(const String& FileName) {
  DWORD a = GetFileAttributes(FileName);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const String& Directory) {
  DWORD a = GetFileAttributes(Directory);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
