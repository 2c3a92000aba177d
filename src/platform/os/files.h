// The narrow door to files: every byte of every file that the system, its
// database engine and its utilities read or write passes through here.
//
// It gives what the original platform gave and POSIX does not:
//  - names matched case-insensitively ("Setup.oat" opens "setup.OAT"; a new
//    file keeps the name as given) with a trailing dot of a name dropped
//    (ResolvePath);
//  - share modes (deny none / read / write / exclusive) honoured between
//    handles of one process and between processes;
//  - non-blocking byte-range locks that exclude other handles of the same
//    process too;
//  - Win32-numbered error codes, returned in os::Status and left in the
//    thread's last error (errors.h);
//  - a fault-injection hook that makes writes fail, for tests.
//
// Share modes and byte-range locks are open-file-description locks
// (F_OFD_SETLK). Share modes live on reserved bytes from kShareLockBase,
// far beyond any data offset; byte-range locks must stay below it.
//
// Thread safety: os::File is not synchronised; one handle belongs to one
// thread at a time (Read/Write at offsets from several threads are safe,
// Open/Close are not). ResolvePath and the fault hook are thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "platform/os/errors.h"

namespace os {

// The outcome of a call: OK, or a Win32 error code with a context text
// (usually the path). Cheap to copy.
class Status {
 public:
  Status() = default;
  static Status OK() { return Status(); }
  static Status Error(DWORD Code, String Context = String()) {
    return Status(Code, std::move(Context));
  }
  // An error from errno; also sets the thread's last error.
  static Status FromErrno(int Errno, String Context = String());

  bool ok() const { return FCode == ERROR_SUCCESS; }
  DWORD code() const { return FCode; }
  const String& context() const { return FContext; }
  // The German system text for the code ("" when ok).
  String Message() const;
  // "context: message" for logs and test failures.
  String ToString() const;

 private:
  Status(DWORD Code, String Context) : FCode(Code), FContext(std::move(Context)) {}
  DWORD FCode = ERROR_SUCCESS;
  String FContext;
};

// A value or the Status that explains its absence.
template <class T>
class Result {
 public:
  Result(T Value) : FValue(std::move(Value)) {}  // NOLINT: implicit on purpose
  Result(Status S) : FStatus(std::move(S)) {}    // NOLINT
  bool ok() const { return FStatus.ok(); }
  const Status& status() const { return FStatus; }
  // REQUIRES: ok()
  const T& value() const { return FValue; }
  T& value() { return FValue; }

 private:
  Status FStatus;
  T FValue{};
};

// Returns the path under which Path is found on disk: each component that
// does not exist under its exact name is matched case-insensitively among
// its folder's entries (first match in directory order). A trailing dot of
// a component ("name.") is dropped. Components that are not found at all
// keep the spelling given, so a new file is created as named. Relative paths
// stay relative (to the current folder); "\" is not a separator here.
String ResolvePath(const String& Path);

// True when two file names are equal without regard to case (ASCII and the
// Latin-1 letters such as umlauts), as the original platform compared them.
bool SameFileName(const String& A, const String& B);
// Folds a name to the lower-case form SameFileName compares.
String FoldFileName(const String& Name);

// Drops a trailing dot from every component ("a./b." -> "a/b"), leaving "."
// and ".." alone. Part of ResolvePath; exposed for name comparisons.
String StripTrailingDots(const String& Path);

// Scratch folders: what lies below one is a copy a run makes and removes
// again, so a crash loses the run but no data. Flush and the folder sync of
// Rename skip the disk there (a rename out of a scratch folder still forces
// the file's data first). Folder is resolved and compared as a path prefix;
// adding one twice needs two removals. Any thread may call these.
void AddScratchFolder(const String& Folder);
void RemoveScratchFolder(const String& Folder);
// True when Path (resolved) lies below a scratch folder.
bool InScratchFolder(const String& Path);

// Removes the entry Path names (resolved), as a killed process may have
// left it beside user data: a file, or a link itself, never what a link
// leads to; a folder stays (ERROR_ACCESS_DENIED). OK when nothing is there.
// Any thread may call it.
Status RemoveLeftover(const String& Path);

enum class Access : unsigned { Read = 1, Write = 2, ReadWrite = 3 };
enum class Share { DenyNone, DenyRead, DenyWrite, Exclusive };
enum class Disposition {
  OpenExisting,      // fails with 2 (or 3) when missing
  CreateNew,         // fails with 80 when present
  CreateAlways,      // creates or truncates; never through a link at the name
  OpenAlways,        // opens or creates
  TruncateExisting,  // opens and truncates; fails when missing
  // CreateAlways and TruncateExisting fail with 5 (access denied) on a file
  // that has more than one name, before anything is cut.
};
enum class LockKind { Shared, Exclusive };

// First offset of the bytes reserved for share-mode locks. Byte-range locks
// and data must stay below it.
constexpr std::uint64_t kShareLockBase = 0x7FFF000000000000ULL;

// An open file (RAII: closing releases its share mode and all its locks).
// Move-only.
class File {
 public:
  File() = default;
  ~File();
  File(File&& Other) noexcept;
  File& operator=(File&& Other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens or creates Path (resolved through ResolvePath) with the access
  // and share mode given. Fails with ERROR_SHARING_VIOLATION (32) when an
  // open handle in any process conflicts, 2/3 when missing, 5 when denied,
  // 80 for CreateNew of an existing file, 123 for an empty name. A handle
  // that was open is closed first.
  Status Open(const String& Path, Access A, Share S,
              Disposition D = Disposition::OpenExisting);
  // Opens a new, empty file without a name in the folder Folder, read and
  // write, for data that lives only as long as the handle (spill files): a
  // kill leaves nothing behind. The file is made unnamed (O_TMPFILE), or,
  // where the file system cannot, made new and exclusively under a unique
  // name that is removed at once. Path() is then the folder. Fails with
  // the system's code for the folder (3 when missing, 5 when denied).
  Status OpenTemporary(const String& Folder);
  // Closes the handle (no-op when closed).
  void Close();
  bool IsOpen() const { return FFd >= 0; }
  // The resolved path the file was opened under.
  const String& Path() const { return FPath; }
  Access GetAccess() const { return FAccess; }
  // The POSIX descriptor, for calls this class does not wrap (valid while
  // open; owned by the File).
  int fd() const { return FFd; }

  // Reads up to Count bytes at Offset into Buffer; *Got receives the count
  // read (less than Count only at end of file).
  Status Read(std::uint64_t Offset, void* Buffer, std::size_t Count,
              std::size_t* Got) const;
  // Writes Count bytes at Offset (all or an error; 112 when the disk is
  // full, 5 when opened without write access).
  Status Write(std::uint64_t Offset, const void* Buffer, std::size_t Count) const;
  // The current size in bytes.
  Result<std::uint64_t> Size() const;
  // Cuts or extends the file to Size bytes.
  Status Truncate(std::uint64_t Size) const;
  // Reserves disk space for Size bytes without changing the file's size, so
  // that a long sequential write need not allocate block by block. File
  // systems that cannot reserve give OK; a full disk gives 112.
  Status Reserve(std::uint64_t Size) const;
  // Copies up to Count bytes of Source from SourceOffset to this file at
  // Offset inside the kernel, without passing them through user space;
  // *Copied receives the count copied (less than Count only at Source's
  // end). ERROR_NOT_SUPPORTED (50) when the kernel cannot copy between the
  // two files (other file systems, special files): copy through a buffer
  // then. Armed write faults apply as to Write.
  Status CopyFrom(const File& Source, std::uint64_t SourceOffset, std::uint64_t Offset,
                  std::size_t Count, std::size_t* Copied) const;
  // Forces written data to the disk (fsync); in a scratch folder only
  // checks the handle.
  Status Flush() const;
  // Gives the open file the name NewPath (in the same file system),
  // replacing a file of that name, whose permission bits it takes over,
  // and forces the folder's entries to the disk; the handle stays open,
  // Path() becomes NewPath. For files written under a temporary name and
  // then put in place all at once. Refuses with ERROR_FILE_INVALID (1006)
  // when Path() no longer names this open file (a link or another file
  // put at the name since): what is moved is always the file written.
  // With ReplaceExisting false the name is only taken while free: a file,
  // folder or link of that name (even one made at the same moment by
  // another process) refuses with ERROR_FILE_EXISTS (80) and the file
  // keeps its name.
  Status Rename(const String& NewPath, bool ReplaceExisting = true);
  // True when Path() names another file than this open one (one renamed
  // over the name since); false while it names this one, or nothing.
  bool NameTakenByAnother() const;
  // True when Path() itself names this open file (no link at the name,
  // nothing put there since) and it is a plain file with no other name:
  // what was opened is the file that lies there, not one a link leads to.
  bool NamedDirectly() const;

  // Locks Length bytes from Offset without waiting; ERROR_LOCK_VIOLATION
  // (33) when another handle (of this or another process) holds a
  // conflicting lock. Locks of the same handle never conflict with each
  // other (a shared lock can be upgraded in place).
  Status Lock(std::uint64_t Offset, std::uint64_t Length, LockKind Kind) const;
  // Releases a range locked before; ERROR_NOT_LOCKED is never reported
  // (unlocking an unlocked range succeeds).
  Status Unlock(std::uint64_t Offset, std::uint64_t Length) const;
  // True when another handle holds a lock that conflicts with Kind on any
  // byte of the range (a probe that takes nothing).
  bool IsLockedByOther(std::uint64_t Offset, std::uint64_t Length,
                       LockKind Kind) const;

 private:
  Status TakeShareMode(Access A, Share S);
  // OK when open with every access bit of NeedAccess; else 6 or 5.
  Status Usable(unsigned NeedAccess) const;
  int FFd = -1;
  Access FAccess = Access::Read;
  String FPath;
};

// Fault injection for tests: while armed, writes through os::File (and the
// copy and stream code built on it) fail with the given code. Thread-safe.
struct FaultInjection {
  // The next Count writes fail with Code (default: disk full).
  static void FailNextWrites(int Count, DWORD Code = ERROR_DISK_FULL);
  // While on, every write fails with ERROR_DISK_FULL.
  static void SetDiskFull(bool On);
  // While on, CopyFrom refuses with ERROR_NOT_SUPPORTED, as between two
  // file systems the kernel cannot copy across.
  static void SetKernelCopyRefused(bool On);
  static bool KernelCopyRefused();
  // Disarms every fault.
  static void Reset();
  // Consumes one armed fault: returns its code, or 0 when the write may go.
  static DWORD TakeWriteFault();
  // Hook called before every change of a file through os::File (write,
  // copy, truncate, flush, rename): a test ends its process there to see
  // what a kill at that step leaves. Null: none.
  static void SetChangeHook(void (*Hook)());
  static void BeforeChange();
  // Hook called before every removal or rename of a name through the file
  // API (DeleteFile, RemoveDirectory, MoveFile): a test ends its process
  // there to see what a kill in the middle of removing a tree leaves.
  // Null: none.
  static void SetNameChangeHook(void (*Hook)());
  static void BeforeNameChange();
};

}  // namespace os
