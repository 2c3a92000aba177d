// os::File: POSIX descriptors with share modes and byte-range locks kept as
// open-file-description locks, so that they exclude other handles of the
// same process as well as other processes.
#include "platform/os/files.h"

#include "platform/os/internal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <vector>

namespace os {
namespace {

// Share-mode bytes, each held as a shared lock by every handle that has the
// property: a handle opening with read access checks that nobody holds
// kDenyRead, a handle denying read checks that nobody holds kReadAccess, and
// so on. Each handle takes its own bytes first and checks the others' after,
// so two racing openers can at worst both fail, never both succeed.
constexpr std::uint64_t kReadAccess = kShareLockBase + 0;
constexpr std::uint64_t kWriteAccess = kShareLockBase + 1;
constexpr std::uint64_t kDenyRead = kShareLockBase + 2;
constexpr std::uint64_t kDenyWrite = kShareLockBase + 3;

constexpr unsigned kNeedRead = static_cast<unsigned>(Access::Read);
constexpr unsigned kNeedWrite = static_cast<unsigned>(Access::Write);

std::atomic<int> gFailWrites{0};
std::atomic<DWORD> gFailCode{ERROR_DISK_FULL};
std::atomic<bool> gDiskFull{false};
std::atomic<bool> gKernelCopyRefused{false};
std::atomic<void (*)()> gChangeHook{nullptr};
std::atomic<void (*)()> gNameChangeHook{nullptr};

int OfdLock(int Fd, short Type, std::uint64_t Offset, std::uint64_t Length) {
  struct flock fl = {};
  fl.l_type = Type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(Offset);
  fl.l_len = static_cast<off_t>(Length);
  return ::fcntl(Fd, F_OFD_SETLK, &fl);
}

// True when another open file description holds a lock on the range that
// conflicts with Type.
bool OthersHold(int Fd, short Type, std::uint64_t Offset, std::uint64_t Length) {
  struct flock fl = {};
  fl.l_type = Type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(Offset);
  fl.l_len = static_cast<off_t>(Length);
  if (::fcntl(Fd, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

// An error that is also left in the thread's last error.
Status Failure(DWORD Code, const String& Context) {
  SetLastError(Code);
  return Status::Error(Code, Context);
}

bool HasRead(Access A) { return (static_cast<unsigned>(A) & 1u) != 0; }
bool HasWrite(Access A) { return (static_cast<unsigned>(A) & 2u) != 0; }
bool DeniesRead(Share S) { return S == Share::DenyRead || S == Share::Exclusive; }
bool DeniesWrite(Share S) { return S == Share::DenyWrite || S == Share::Exclusive; }

int OpenFlags(Disposition D) {
  switch (D) {
    case Disposition::OpenExisting: return 0;
    case Disposition::CreateNew: return O_CREAT | O_EXCL;
    // A file made anew is never made through a link put at its name.
    case Disposition::CreateAlways: return O_CREAT | O_NOFOLLOW;
    case Disposition::OpenAlways: return O_CREAT;
    case Disposition::TruncateExisting: return 0;
  }
  return 0;
}

bool Truncates(Disposition D) {
  return D == Disposition::CreateAlways || D == Disposition::TruncateExisting;
}

// Opens read-write when the file allows it, so that exclusive byte-range
// locks work on handles opened for reading too (as they do on the original
// platform); falls back to the mode asked for.
int OpenDescriptor(const String& Path, Access A, Disposition D) {
  int extra = OpenFlags(D) | O_CLOEXEC;
  int fd = ::open(Path.c_str(), O_RDWR | extra, 0666);
  if (fd >= 0 || (errno != EACCES && errno != EROFS && errno != ETXTBSY && errno != EPERM))
    return fd;
  int mode = HasWrite(A) ? (HasRead(A) ? O_RDWR : O_WRONLY) : O_RDONLY;
  return ::open(Path.c_str(), mode | extra, 0666);
}

}  // namespace

// ---- Status --------------------------------------------------------------

Status Status::FromErrno(int Errno, String Context) {
  return Status(SetLastErrorFromErrno(Errno), std::move(Context));
}

String Status::Message() const { return ok() ? String() : SysErrorMessage(FCode); }

String Status::ToString() const {
  if (ok()) return "OK";
  return FContext.empty() ? Message() : FContext + ": " + Message();
}

// ---- File ----------------------------------------------------------------

File::~File() { Close(); }

File::File(File&& Other) noexcept
    : FFd(std::exchange(Other.FFd, -1)), FAccess(Other.FAccess), FPath(std::move(Other.FPath)) {}

File& File::operator=(File&& Other) noexcept {
  if (this != &Other) {
    Close();
    FFd = std::exchange(Other.FFd, -1);
    FAccess = Other.FAccess;
    FPath = std::move(Other.FPath);
  }
  return *this;
}

void File::Close() {
  if (FFd >= 0) ::close(FFd);  // closing the description drops all its locks
  FFd = -1;
}

Status File::Open(const String& Path, Access A, Share S, Disposition D) {
  Close();
  if (Path.empty() || Path.back() == '/') return Failure(ERROR_INVALID_NAME, Path);
  String resolved = ResolvePath(Path);
  int fd = OpenDescriptor(resolved, A, D);
  if (fd < 0) {
    int err = errno;
    if (err == ENOENT) return Failure(detail::MissingCode(resolved), resolved);
    return Status::FromErrno(err, resolved);
  }
  struct stat st;
  // Emptying a file that has a second name elsewhere would empty that
  // file too: a file to be made anew is refused then, as a folder is.
  if (::fstat(fd, &st) == 0 && (S_ISDIR(st.st_mode) || (Truncates(D) && st.st_nlink > 1))) {
    ::close(fd);
    return Failure(ERROR_ACCESS_DENIED, resolved);
  }
  FFd = fd;
  FAccess = A;
  FPath = resolved;
  Status s = TakeShareMode(A, S);
  if (s.ok() && Truncates(D) && ::ftruncate(FFd, 0) != 0) s = Status::FromErrno(errno, resolved);
  if (!s.ok()) Close();
  return s;
}

Status File::OpenTemporary(const String& Folder) {
  Close();
  const String Dir = Folder.empty() ? String(".") : Folder;
  int fd = ::open(Dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0 && errno != ENOENT && errno != ENOTDIR && errno != EACCES) {
    // A file system without unnamed files: a unique name, gone at once.
    String Name = Dir + (Dir.back() == '/' ? "" : "/") + "oakspill-XXXXXX";
    fd = ::mkostemp(Name.data(), O_CLOEXEC);
    if (fd >= 0 && ::unlink(Name.c_str()) != 0) {
      const int err = errno;
      ::close(fd);
      return Status::FromErrno(err, Name);
    }
  }
  if (fd < 0) {
    const int err = errno;
    if (err == ENOENT) return Failure(ERROR_PATH_NOT_FOUND, Dir);
    return Status::FromErrno(err, Dir);
  }
  FFd = fd;
  FAccess = Access::ReadWrite;
  FPath = Dir;
  return Status::OK();
}

Status File::TakeShareMode(Access A, Share S) {
  struct ShareByte {
    bool Take;
    std::uint64_t Mine;
    std::uint64_t Conflicting;
  };
  const ShareByte bytes[] = {{HasRead(A), kReadAccess, kDenyRead},
                        {HasWrite(A), kWriteAccess, kDenyWrite},
                        {DeniesRead(S), kDenyRead, kReadAccess},
                        {DeniesWrite(S), kDenyWrite, kWriteAccess}};
  for (const ShareByte& b : bytes)
    if (b.Take && OfdLock(FFd, F_RDLCK, b.Mine, 1) != 0) {
      // A descriptor without read access cannot take read locks: the share
      // mode then stays unprotected rather than failing the open.
      if (errno == EBADF) continue;
      return Status::FromErrno(errno, FPath);
    }
  for (const ShareByte& b : bytes)
    if (b.Take && OthersHold(FFd, F_WRLCK, b.Conflicting, 1))
      return Failure(ERROR_SHARING_VIOLATION, FPath);
  return Status::OK();
}

Status File::Usable(unsigned NeedAccess) const {
  if (FFd < 0) return Failure(ERROR_INVALID_HANDLE, FPath);
  if ((static_cast<unsigned>(FAccess) & NeedAccess) != NeedAccess)
    return Failure(ERROR_ACCESS_DENIED, FPath);
  return Status::OK();
}

Status File::Read(std::uint64_t Offset, void* Buffer, std::size_t Count,
                  std::size_t* Got) const {
  *Got = 0;
  if (Status s = Usable(kNeedRead); !s.ok()) return s;
  char* p = static_cast<char*>(Buffer);
  while (*Got < Count) {
    ssize_t n = ::pread(FFd, p + *Got, Count - *Got, static_cast<off_t>(Offset + *Got));
    if (n < 0) {
      if (errno == EINTR) continue;
      return Status::FromErrno(errno, FPath);
    }
    if (n == 0) break;
    *Got += static_cast<std::size_t>(n);
  }
  return Status::OK();
}

Status File::Write(std::uint64_t Offset, const void* Buffer, std::size_t Count) const {
  if (Status s = Usable(kNeedWrite); !s.ok()) return s;
  FaultInjection::BeforeChange();
  if (DWORD fault = FaultInjection::TakeWriteFault()) return Failure(fault, FPath);
  const char* p = static_cast<const char*>(Buffer);
  std::size_t done = 0;
  while (done < Count) {
    ssize_t n = ::pwrite(FFd, p + done, Count - done, static_cast<off_t>(Offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return Status::FromErrno(errno, FPath);
    }
    done += static_cast<std::size_t>(n);
  }
  return Status::OK();
}

Status File::CopyFrom(const File& Source, std::uint64_t SourceOffset, std::uint64_t Offset,
                      std::size_t Count, std::size_t* Copied) const {
  *Copied = 0;
  if (Status s = Usable(kNeedWrite); !s.ok()) return s;
  if (Status s = Source.Usable(kNeedRead); !s.ok()) return s;
  if (FaultInjection::KernelCopyRefused()) return Failure(ERROR_NOT_SUPPORTED, FPath);
  FaultInjection::BeforeChange();
  if (DWORD fault = FaultInjection::TakeWriteFault()) return Failure(fault, FPath);
  while (*Copied < Count) {
    loff_t in = static_cast<loff_t>(SourceOffset + *Copied), out = static_cast<loff_t>(Offset + *Copied);
    ssize_t n = ::copy_file_range(Source.FFd, &in, FFd, &out, Count - *Copied, 0);
    if (n < 0) {
      int err = errno;
      if (err == EINTR) continue;
      // Nothing copied yet and a reason that says "not between these two
      // files": the caller's buffer copy can still do it.
      if (*Copied == 0 && (err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP ||
                           err == EBADF || err == ETXTBSY))
        return Failure(ERROR_NOT_SUPPORTED, FPath);
      return Status::FromErrno(err, FPath);
    }
    if (n == 0) break;
    *Copied += static_cast<std::size_t>(n);
  }
  return Status::OK();
}

Result<std::uint64_t> File::Size() const {
  struct stat st;
  if (Status s = Usable(0); !s.ok()) return s;
  if (::fstat(FFd, &st) != 0) return Status::FromErrno(errno, FPath);
  return static_cast<std::uint64_t>(st.st_size);
}

Status File::Truncate(std::uint64_t Size) const {
  if (Status s = Usable(kNeedWrite); !s.ok()) return s;
  FaultInjection::BeforeChange();
  if (::ftruncate(FFd, static_cast<off_t>(Size)) != 0) return Status::FromErrno(errno, FPath);
  return Status::OK();
}

Status File::Reserve(std::uint64_t Size) const {
  if (Status s = Usable(0); !s.ok()) return s;
  if (Size == 0 || ::fallocate(FFd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(Size)) == 0)
    return Status::OK();
  int err = errno;
  if (err == EOPNOTSUPP || err == ENOSYS || err == EINVAL) return Status::OK();
  return Status::FromErrno(err, FPath);
}

namespace {

std::mutex& ScratchGuard() {
  static std::mutex M;
  return M;
}

std::vector<String>& ScratchFolders() {
  static std::vector<String> Folders;
  return Folders;
}

String ScratchPrefix(const String& Folder) {
  String P = ResolvePath(Folder);
  if (P.empty() || P.back() != '/') P += '/';
  return P;
}

}  // namespace

void AddScratchFolder(const String& Folder) {
  String P = ScratchPrefix(Folder);
  std::lock_guard<std::mutex> Hold(ScratchGuard());
  ScratchFolders().push_back(std::move(P));
}

void RemoveScratchFolder(const String& Folder) {
  const String P = ScratchPrefix(Folder);
  std::lock_guard<std::mutex> Hold(ScratchGuard());
  auto& V = ScratchFolders();
  if (auto It = std::find(V.begin(), V.end(), P); It != V.end()) V.erase(It);
}

bool InScratchFolder(const String& Path) {
  std::lock_guard<std::mutex> Hold(ScratchGuard());
  for (const String& P : ScratchFolders())
    if (Path.size() > P.size() && Path.compare(0, P.size(), P) == 0) return true;
  return false;
}

Status File::Flush() const {
  if (Status s = Usable(0); !s.ok()) return s;
  FaultInjection::BeforeChange();
  if (InScratchFolder(FPath)) return Status::OK();
  if (::fsync(FFd) != 0) return Status::FromErrno(errno, FPath);
  return Status::OK();
}

Status File::Rename(const String& NewPath, bool ReplaceExisting) {
  if (Status s = Usable(0); !s.ok()) return s;
  FaultInjection::BeforeChange();
  // rename() moves whatever the name holds now: a link planted there since
  // the open would take the file's place.
  struct stat Open, Named;
  if (::fstat(FFd, &Open) != 0) return Status::FromErrno(errno, FPath);
  if (::lstat(FPath.c_str(), &Named) != 0 || Open.st_dev != Named.st_dev || Open.st_ino != Named.st_ino)
    return Failure(ERROR_FILE_INVALID, FPath);
  // Who may use the replaced file may use its replacement (a shared
  // folder's group rights, say).
  struct stat Replaced;
  if (ReplaceExisting && ::stat(NewPath.c_str(), &Replaced) == 0 && ::fchmod(FFd, Replaced.st_mode & 07777) != 0)
    return Status::FromErrno(errno, FPath);
  const bool ToScratch = InScratchFolder(NewPath);
  // Data written in a scratch folder has not been forced to the disk yet.
  if (!ToScratch && InScratchFolder(FPath) && ::fsync(FFd) != 0) return Status::FromErrno(errno, FPath);
  if (!ReplaceExisting) {
    if (int Err = detail::RenameNoReplace(FPath, NewPath); Err != 0) return Status::FromErrno(Err, NewPath);
  } else if (::rename(FPath.c_str(), NewPath.c_str()) != 0) {
    return Status::FromErrno(errno, NewPath);
  }
  FPath = NewPath;
  if (ToScratch) return Status::OK();
  const String Folder = detail::ParentOf(NewPath);
  int Fd = ::open(Folder.empty() ? "." : Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Fd < 0) return Status::FromErrno(errno, Folder);
  int Rc = ::fsync(Fd), Err = errno;
  ::close(Fd);
  return Rc == 0 ? Status::OK() : Status::FromErrno(Err, Folder);
}

Status RemoveLeftover(const String& Path) {
  if (Path.empty() || Path.back() == '/') return Failure(ERROR_INVALID_NAME, Path);
  const String Resolved = ResolvePath(Path);
  struct stat St;
  if (::lstat(Resolved.c_str(), &St) != 0)
    return errno == ENOENT || errno == ENOTDIR ? Status::OK() : Status::FromErrno(errno, Resolved);
  if (S_ISDIR(St.st_mode)) return Failure(ERROR_ACCESS_DENIED, Resolved);
  // unlink() removes a link itself, never its target.
  if (::unlink(Resolved.c_str()) != 0 && errno != ENOENT) return Status::FromErrno(errno, Resolved);
  return Status::OK();
}

bool File::NameTakenByAnother() const {
  struct stat Open, Named;
  return FFd >= 0 && ::fstat(FFd, &Open) == 0 && ::stat(FPath.c_str(), &Named) == 0 &&
         (Open.st_dev != Named.st_dev || Open.st_ino != Named.st_ino);
}

bool File::NamedDirectly() const {
  struct stat Open, Named;
  return FFd >= 0 && ::fstat(FFd, &Open) == 0 && S_ISREG(Open.st_mode) && Open.st_nlink == 1 &&
         ::lstat(FPath.c_str(), &Named) == 0 && Open.st_dev == Named.st_dev && Open.st_ino == Named.st_ino;
}

Status File::Lock(std::uint64_t Offset, std::uint64_t Length, LockKind Kind) const {
  if (Status s = Usable(0); !s.ok()) return s;
  if (Length == 0 || Offset + Length > kShareLockBase) return Failure(ERROR_INVALID_PARAMETER, FPath);
  short type = Kind == LockKind::Shared ? F_RDLCK : F_WRLCK;
  if (OfdLock(FFd, type, Offset, Length) == 0) return Status::OK();
  int err = errno;
  if (err == EAGAIN || err == EACCES) return Failure(ERROR_LOCK_VIOLATION, FPath);
  // e.g. an exclusive lock on a read-only descriptor
  if (err == EBADF) return Failure(ERROR_ACCESS_DENIED, FPath);
  return Status::FromErrno(err, FPath);
}

Status File::Unlock(std::uint64_t Offset, std::uint64_t Length) const {
  if (Status s = Usable(0); !s.ok()) return s;
  if (Length == 0) return Status::OK();
  if (OfdLock(FFd, F_UNLCK, Offset, Length) != 0) return Status::FromErrno(errno, FPath);
  return Status::OK();
}

bool File::IsLockedByOther(std::uint64_t Offset, std::uint64_t Length, LockKind Kind) const {
  if (FFd < 0 || Length == 0) return false;
  return OthersHold(FFd, Kind == LockKind::Shared ? F_RDLCK : F_WRLCK, Offset, Length);
}

// ---- FaultInjection --------------------------------------------------------

void FaultInjection::FailNextWrites(int Count, DWORD Code) {
  gFailCode = Code;
  gFailWrites = Count;
}

void FaultInjection::SetDiskFull(bool On) { gDiskFull = On; }

void FaultInjection::SetKernelCopyRefused(bool On) { gKernelCopyRefused = On; }

bool FaultInjection::KernelCopyRefused() { return gKernelCopyRefused; }

void FaultInjection::SetChangeHook(void (*Hook)()) { gChangeHook = Hook; }

void FaultInjection::BeforeChange() {
  if (void (*Hook)() = gChangeHook.load()) Hook();
}

void FaultInjection::SetNameChangeHook(void (*Hook)()) { gNameChangeHook = Hook; }

void FaultInjection::BeforeNameChange() {
  if (void (*Hook)() = gNameChangeHook.load()) Hook();
}

void FaultInjection::Reset() {
  gChangeHook = nullptr;
  gNameChangeHook = nullptr;
  gFailWrites = 0;
  gDiskFull = false;
  gKernelCopyRefused = false;
}

DWORD FaultInjection::TakeWriteFault() {
  if (gDiskFull) return ERROR_DISK_FULL;
  int n = gFailWrites.load();
  while (n > 0)
    if (gFailWrites.compare_exchange_weak(n, n - 1)) return gFailCode;
  return 0;
}

}  // namespace os
