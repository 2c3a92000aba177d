#include "foundation/FileUtils.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/BusyCursor.h"
#include "platform/os/fileapi.h"
#include "platform/os/filestream.h"
#include "platform/os/find.h"
#include "platform/os/folders.h"
#include "platform/os/private_folder.h"
#include "platform/os/process.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/strings.h"

namespace {

std::function<void()>& PaintPump() {
  static std::function<void()> pump;
  return pump;
}

// Removes the scratch folder when the process ends.
struct TScratchDir {
  String Path;
  ~TScratchDir() {
    if (!Path.empty()) DeleteDirectoryTree(Path, true);
    Path.clear();
  }
};

TScratchDir& Scratch() {
  static TScratchDir scratch;
  return scratch;
}

bool IsRoot(const String& Path) { return Path.empty() || Path == "/"; }

String ExcludeTrailingSlash(String Path) {
  while (Path.size() > 1 && Path.back() == '/') Path.pop_back();
  return Path;
}

// Everything up to and including the last '/', or "".
String FolderPart(const String& Path) {
  std::size_t slash = Path.rfind('/');
  return slash == String::npos ? String() : Path.substr(0, slash + 1);
}

// Deletes one file of a tree, resetting a read-only attribute first.
bool DeleteTreeFile(const String& Path, int Attr) {
  if (Attr & faReadOnly) SetFileAttributes(Path, FILE_ATTRIBUTE_ARCHIVE);
  return DeleteFile(Path);
}

// Calls Visit(name) for every ordinary file matching Mask until it returns
// false.
template <class Visit>
void ForEachMatch(const String& Mask, Visit&& V) {
  TSearchRec sr;
  for (int rc = FindFirst(Mask, faArchive, sr); rc == 0; rc = FindNext(sr))
    if (!V(sr.Name)) break;
  FindClose(sr);
}

String MatchText(const String& Prefix, const String& Name, bool UpperCase) {
  return UpperCase ? AnsiUpperCase(Prefix + Name) : Prefix + Name;
}

}  // namespace

String IncludeTrailingBackslash(const String& Path) {
  if (Path.empty() || Path.back() == '/') return Path;
  return Path + "/";
}

bool IsDirectory(const String& Path) {
  DWORD a = GetFileAttributes(Path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void ForceDirectoryTree(const String& Dir) {
  if (Dir.empty()) throw EInOutError("Das Verzeichnis kann nicht erstellt werden", 3);
  String d = Dir;
  if (d.size() > 1 && d.back() == '/') d.pop_back();
  if (IsRoot(d) || IsDirectory(d)) return;
  String parent = FolderPart(d);
  if (!parent.empty() && parent != d) ForceDirectoryTree(parent);
  CreateDirectory(d);  // a failure shows when a file is opened in it
}

bool DeleteDirectoryTree(const String& Dir, bool RemoveRoot) {
  // A link is never followed: the folder it points to belongs to someone
  // else. Only the link itself goes, and only when the root is removed.
  if (os::IsSymbolicLink(Dir)) return RemoveRoot && DeleteFile(ExcludeTrailingSlash(Dir));
  bool result = IsDirectory(Dir);
  if (!result) return false;
  String base = IncludeTrailingBackslash(Dir);
  TSearchRec sr;
  int rc = FindFirst(base + "*.*", faAnyFile, sr);
  for (; rc == 0; rc = FindNext(sr)) {
    // Only the folder's own "." and ".." entries are skipped: on this
    // platform a leading dot marks an ordinary (hidden) file or folder,
    // which must go with the tree like any other.
    if (sr.Name.empty() || sr.Name == "." || sr.Name == ".." || sr.Attr == faVolumeID) continue;
    if (os::IsSymbolicLink(base + sr.Name))
      result = DeleteFile(base + sr.Name) && result;
    else if (sr.Attr & faDirectory)
      result = DeleteDirectoryTree(base + sr.Name, RemoveRoot) && result;
    else if ((sr.Attr & faVolumeID) == 0)
      result = DeleteTreeFile(base + sr.Name, sr.Attr) && result;
  }
  FindClose(sr);
  if (RemoveRoot && result && rc == static_cast<int>(ERROR_NO_MORE_FILES) && !IsRoot(Dir))
    result = RemoveDirectory(Dir);
  return result;
}

Int64 CopyStreamBlocks(TStream* Source, TStream* Dest, Int64 Count, const TCopyProgress& Progress) {
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  Int64 result = Count;
  std::vector<Byte> buffer(static_cast<std::size_t>(std::min(Count, CopyBlockSize)));
  for (int block = 0; Count > 0; ++block) {
    Int64 n = std::min(Count, static_cast<Int64>(buffer.size()));
    Source->ReadBuffer(buffer.data(), n);
    Dest->WriteBuffer(buffer.data(), n);
    Count -= n;
    if (block % PaintEveryBlocks == 0) {
      if (Progress) Progress(result - Count, result);
      DispatchPaintMessages();
    }
  }
  return result;
}

namespace {

// Bytes one kernel call copies at most. Calls end on multiples of this
// size (except at the paint points): the page cache then fills with large
// pages, which an offset off this grid (61440 is not a power of two) would
// break into small ones for the rest of the file, costing a fifth more.
constexpr Int64 KernelCopyRunBytes = Int64(1) << 20;

// Copies the first Count bytes of Source to Dest inside the kernel, with
// the paint pump after the same blocks of CopyBlockSize as CopyStreamBlocks
// (the first and every PaintEveryBlocks-th). Returns false, having copied
// nothing, when the kernel cannot copy between the two files; raises
// EReadError when Source ends early and EWriteError when Dest refuses.
bool CopyBlocksInKernel(const os::File& Source, const os::File& Dest, Int64 Count, const TCopyProgress& Progress) {
  constexpr Int64 PaintEveryBytes = CopyBlockSize * PaintEveryBlocks;
  // The end of the block after which the pump runs next: the block that
  // starts at paintBlock, when that block exists.
  Int64 paintBlock = 0;
  auto paintAt = [&] {
    return paintBlock < Count ? std::min(Count, paintBlock + CopyBlockSize) : Count + 1;
  };
  for (Int64 done = 0; done < Count;) {
    Int64 end = std::min({Count, paintAt(), (done / KernelCopyRunBytes + 1) * KernelCopyRunBytes});
    std::size_t n = static_cast<std::size_t>(end - done), got = 0;
    os::Status s = Dest.CopyFrom(Source, static_cast<std::uint64_t>(done),
                                 static_cast<std::uint64_t>(done), n, &got);
    if (!s.ok()) {
      if (done == 0 && s.code() == ERROR_NOT_SUPPORTED) return false;
      if (s.code() == ERROR_DISK_FULL) throw EWriteError(DiskFullText(Dest.Path(), Count - done));
      throw EWriteError(String(SWriteError) + ": " + Dest.Path());
    }
    if (got < n) throw EReadError(SReadError);
    done = end;
    if (done == paintAt()) {
      if (Progress) Progress(done, Count);
      DispatchPaintMessages();
      paintBlock += PaintEveryBytes;
    }
  }
  return true;
}

}  // namespace

void CopyFileByStreams(const String& Source, const String& Dest, const TCopyProgress& Progress) {
  StartWait();
  std::unique_ptr<TFileStream> source, dest;
  try {
    String folder = FolderPart(Dest);
    if (!folder.empty()) ForceDirectoryTree(folder);
    source = std::make_unique<TFileStream>(Source, fmOpenRead | fmShareDenyNone);
    // The copy is a file of its own at Dest's name: a link there (by name,
    // or a second name of a file elsewhere) goes first, never what it
    // leads to, so that nothing outside is written through it.
    if (os::IsSymbolicLink(Dest) || os::HasOtherNames(Dest)) DeleteFile(Dest);
    dest = std::make_unique<TFileStream>(Dest, fmCreate);
    // Reserving the space up front spares the file system a block-by-block
    // allocation; a full disk still shows at the first write that fails.
    // A disk that cannot hold the whole file says so before any byte.
    if (dest->Handle().Reserve(static_cast<std::uint64_t>(source->Size())).code() == ERROR_DISK_FULL)
      throw EWriteError(DiskFullText(Dest, source->Size()));
    // The kernel copies file to file where both file systems allow it;
    // otherwise the bytes pass through the streams.
    if (!CopyBlocksInKernel(source->Handle(), dest->Handle(), source->Size(), Progress))
      CopyStreamBlocks(source.get(), dest.get(), source->Size(), Progress);
  } catch (...) {
    if (dest) {  // a partial copy must not pass for a complete one
      String made = dest->Handle().Path();
      dest.reset();
      DeleteFile(made);
    }
    StopWait();
    throw;
  }
  dest.reset();
  StopWait();
}

int ShellExecuteAndWait(const void* Wnd, const String& Verb, const String& File,
                        const String& Parameters, const String& Directory, int ShowCmd) {
  TShellExecuteInfo info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.Wnd = Wnd;
  info.lpVerb = Verb;
  info.lpFile = File;
  info.lpParameters = Parameters;
  info.lpDirectory = Directory;
  info.nShow = ShowCmd;
  try {
    if (ShellExecuteEx(info) && info.hProcess.Valid()) {
      while (WaitForSingleObject(info.hProcess, 50) == WAIT_TIMEOUT) DispatchPaintMessages();
    }
  } catch (...) {
    // The shell's code is the whole answer; a failing paint pump is not.
  }
  CloseHandle(info.hProcess);
  return info.hInstApp;
}

String GetTempDir() { return IncludeTrailingBackslash(GetTempPath()); }

const char* const PrivateTempOwnerFile = "owner.lock";

namespace {

// The owner locks this process holds, by folder.
std::mutex OwnerLocksGuard;
std::map<String, os::File> OwnerLocks;

// True when Lock (the owner file of a private folder) is held by a live
// process.
bool OwnerLives(const String& Lock) {
  os::File F;
  if (!F.Open(Lock, os::Access::Read, os::Share::DenyNone).ok()) return false;
  return F.IsLockedByOther(0, 1, os::LockKind::Shared);
}

}  // namespace

String CreatePrivateTempDir(const String& Prefix) {
  os::Result<String> Made = os::CreatePrivateFolder(GetTempDir(), Prefix);
  if (!Made.ok())
    throw EInOutError("Das Verzeichnis kann nicht erstellt werden", static_cast<int>(Made.status().code()));
  String Folder = IncludeTrailingBackslash(Made.value());
  // The owner file gets its name only once it is locked: a start that
  // looks in meanwhile never finds it unlocked.
  os::File Owner;
  const String Unnamed = Folder + PrivateTempOwnerFile + ".new";
  if (Owner.Open(Unnamed, os::Access::ReadWrite, os::Share::DenyNone, os::Disposition::CreateNew).ok() &&
      Owner.Lock(0, 1, os::LockKind::Exclusive).ok()) {
    String Pid = std::to_string(::getpid()) + "\n";
    Owner.Write(0, Pid.data(), Pid.size());
    std::error_code Error;
    std::filesystem::rename(os::ResolvePath(Unnamed), os::ResolvePath(Folder + PrivateTempOwnerFile), Error);
    std::lock_guard<std::mutex> Hold(OwnerLocksGuard);
    OwnerLocks[Folder] = std::move(Owner);
  }
  return Folder;
}

void ReleasePrivateTempDir(const String& Folder) {
  std::lock_guard<std::mutex> Hold(OwnerLocksGuard);
  OwnerLocks.erase(IncludeTrailingBackslash(Folder));
}

int RemoveAbandonedTempDirs(const String& Prefix) {
  namespace fs = std::filesystem;
  std::error_code Error;
  int Removed = 0;
  for (const fs::directory_entry& E : fs::directory_iterator(fs::path(GetTempDir()), Error)) {
    String Name = E.path().filename().string();
    if (Name.rfind(Prefix, 0) != 0 || E.is_symlink(Error) || !E.is_directory(Error)) continue;
    // Only a folder with an owner file is ours to judge: others of the same
    // prefix belong to whoever made them.
    String Folder = IncludeTrailingBackslash(E.path().string());
    String Lock = Folder + PrivateTempOwnerFile;
    if (fs::exists(Lock, Error) && !OwnerLives(Lock) && DeleteDirectoryTree(Folder, true)) ++Removed;
  }
  return Removed;
}

void EnumFiles(const String& Mask, TStrings* List, bool UpperCase, const String& Prefix) {
  List->Clear();
  ForEachMatch(Mask, [&](const String& Name) {
    List->Add(MatchText(Prefix, Name, UpperCase));
    return true;
  });
}

String FindFirstMatch(const String& Mask, bool UpperCase, const String& Prefix) {
  String found;
  ForEachMatch(Mask, [&](const String& Name) {
    found = MatchText(Prefix, Name, UpperCase);
    return false;
  });
  return found;
}

bool FileExistsEx(const String& FileName) {
  DWORD a = GetFileAttributes(FileName);
  if (a != INVALID_FILE_ATTRIBUTES) return (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return false;
    case ERROR_SHARING_VIOLATION: return true;
    default: break;
  }
  TSearchRec sr;
  bool found = FindFirst(FileName, faAnyFile, sr) == 0 && (sr.Attr & faDirectory) == 0;
  FindClose(sr);
  return found;
}

void DispatchPaintMessages() {
  if (PaintPump()) PaintPump()();
}

std::function<void()> SetPaintMessagePump(std::function<void()> Pump) {
  std::function<void()> old = std::move(PaintPump());
  PaintPump() = std::move(Pump);
  return old;
}

void SetScratchDir(const String& Dir) { Scratch().Path = Dir; }

String ScratchDir() { return Scratch().Path; }
