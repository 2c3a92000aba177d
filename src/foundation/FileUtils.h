// File and directory utilities that the synchronisation leans on for every
// file it moves: trailing-separator handling, folder tests, creating and
// deleting folder trees, the block copy of files, launching through the
// shell and waiting, the temporary folder, file enumeration by mask, and the
// one file-existence rule of the process.
//
// Paths use '/'. The original's drive rules have no meaning without drives
// and are not kept: a one-letter path such as "c" gets "/" like any other
// (not "c:/"), a path ending in ':' is an ordinary name, and only "" and "/"
// count as the root that ForceDirectoryTree never creates and
// DeleteDirectoryTree never removes.
//
// The copy and the wait keep the window painted through a hookable paint
// pump (SetPaintMessagePump), which the user interface installs; no input
// is processed meanwhile.
//
// Thread safety: meant for the main (user-interface) thread; the routines
// keep no state of their own except the paint pump and the scratch folder.
#pragma once

#include <functional>

#include "platform/rtl/streams.h"

class TStrings;

// Size of one block of CopyFileByStreams.
constexpr Int64 CopyBlockSize = 61440;
// The paint pump runs once per this many blocks (about 60 MB).
constexpr int PaintEveryBlocks = 1000;

// Path unchanged when empty or ending in '/'; else Path + "/".
String IncludeTrailingBackslash(const String& Path);

// True when Path names an existing folder (its attributes can be read and
// carry the directory bit).
bool IsDirectory(const String& Path);

// Creates Dir and every missing parent. An empty Dir raises EInOutError
// "Das Verzeichnis kann nicht erstellt werden"; a folder that cannot be
// made is not reported (whatever opens a file in it later notices).
void ForceDirectoryTree(const String& Dir);

// Deletes the content of Dir recursively (read-only files too) and, when
// RemoveRoot, Dir itself. With RemoveRoot false every sub-folder is emptied
// but kept. Names beginning with '.' are deleted like any other. Returns false when Dir is
// no folder (nothing is deleted) or when anything could not be deleted; it
// goes on deleting what it can and never raises for file-system errors.
// Symbolic links are never followed: a link inside the tree is deleted as
// a link (its target stays untouched), and a Dir that is itself a link is
// only unlinked, and only when RemoveRoot.
bool DeleteDirectoryTree(const String& Dir, bool RemoveRoot);

// Told at a copy's paint points how many of its Total bytes are copied
// (Done), so that a progress bar can follow a long copy.
using TCopyProgress = std::function<void(Int64 Done, Int64 Total)>;

// Copies Source to Dest byte for byte in blocks of 61440 bytes under the
// busy cursor, creating Dest's folder; the kernel copies file to file
// where the two file systems allow it, else the blocks pass through the
// streams (the paint pump runs as with CopyStreamBlocks either way). Source is opened sharing everything
// (a file another process holds open for writing can be read); Dest is
// created or replaced. Dest carries the time of the copy. Raises
// EFOpenError / EFCreateError / EReadError / EWriteError; on any failure
// after Dest was created, the partial Dest is deleted. Progress (when
// given) is told at every paint point.
void CopyFileByStreams(const String& Source, const String& Dest, const TCopyProgress& Progress = nullptr);

// Copies Count bytes from Source's position to Dest's position in blocks of
// at most 61440 bytes (never more than Count); Count 0 rewinds Source and
// copies its whole size. Runs the paint pump every 1000 blocks. Returns the
// number of bytes copied; a short read raises EReadError, a short write
// EWriteError. Progress (when given) is told at every paint point.
Int64 CopyStreamBlocks(TStream* Source, TStream* Dest, Int64 Count, const TCopyProgress& Progress = nullptr);

// Launches File through the shell (ShellExecuteEx), waits for the started
// process to end while running the paint pump, and returns the shell's
// instance code (above 32 means success), also when the launch failed.
// Never raises.
int ShellExecuteAndWait(const void* Wnd, const String& Verb, const String& File,
                        const String& Parameters, const String& Directory, int ShowCmd);

// The temporary folder with a trailing '/'.
String GetTempDir();

// A new folder of this process alone in the temporary folder: Prefix plus
// a unique ending, created atomically with mode 0700 (no other local user
// can read, plant or replace anything in it). Returns it with a trailing
// '/'. Raises EInOutError "Das Verzeichnis kann nicht erstellt werden" when
// it cannot be made. The caller calls ReleasePrivateTempDir, then removes
// it (DeleteDirectoryTree).
//
// The folder holds the file PrivateTempOwnerFile ("owner.lock", with the
// process id), locked by this process until ReleasePrivateTempDir or the
// end of the process: the lock tells a later start whether the owner still
// runs (RemoveAbandonedTempDirs).
String CreatePrivateTempDir(const String& Prefix);
extern const char* const PrivateTempOwnerFile;
// Gives up the owner lock of a folder made by CreatePrivateTempDir.
void ReleasePrivateTempDir(const String& Folder);
// Removes the folders Prefix* of the temporary folder that a process left
// behind when it was killed: those whose owner file is no longer locked.
// A live run's folder, and any folder without an owner file, is left
// alone. Returns the number removed.
int RemoveAbandonedTempDirs(const String& Prefix);

// Clears List, then adds Prefix + name of every ordinary file matching Mask
// (no folders, hidden or system files), upper-cased as a whole when
// UpperCase.
void EnumFiles(const String& Mask, TStrings* List, bool UpperCase, const String& Prefix);

// Prefix + name of the first ordinary file matching Mask (upper-cased like
// EnumFiles), or "" when nothing matches.
String FindFirstMatch(const String& Mask, bool UpperCase, const String& Prefix);

// The process-wide file-existence rule: a file that exists counts even when
// another process holds it locked or opened exclusively; a folder does not
// count; a missing file, a missing folder on the way or an invalid name
// does not exist.
bool FileExistsEx(const String& FileName);

// Runs the paint pump: dispatches pending paint messages (a quit request
// met on the way is kept for the message loop). Does nothing until the user
// interface installs a pump.
void DispatchPaintMessages();
// Installs the paint pump (null: none); returns the previous one.
std::function<void()> SetPaintMessagePump(std::function<void()> Pump);

// A process-wide scratch folder, empty at start-up; when it is set at
// process end, the folder is removed with DeleteDirectoryTree(path, true).
void SetScratchDir(const String& Dir);
String ScratchDir();
