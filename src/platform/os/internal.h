// Helpers shared by the .cpp files of platform/os; not for use outside it.
//
// Thread safety: stateless.
#pragma once

#include <sys/stat.h>

#include <cstdint>

#include "platform/os/errors.h"

namespace os::detail {

// Everything before the last '/' ("" when there is none, "/" for the root).
String ParentOf(const String& Path);
// Everything after the last '/'.
String NameOf(const String& Path);

// ERROR_FILE_NOT_FOUND when the folder of Path exists, else
// ERROR_PATH_NOT_FOUND.
DWORD MissingCode(const String& Path);

// Sets the last error for a failed call on Path from errno (telling a
// missing file from a missing folder) and returns the code.
DWORD FailWithErrno(const String& Path, int Errno);

// Sets the last error to Code and returns false (for BOOL-style calls).
bool Fail(DWORD Code);

// stat() following links; a dangling link is reported as itself (lstat).
bool StatPath(const String& Path, struct stat& St);

// True when Path names an existing folder (links followed).
bool IsFolder(const String& Path);

// Win32 attributes of an entry with the given name and status.
DWORD AttributesOf(const String& Path, const String& Name, const struct stat& St);

// Local time_t <-> DOS date-time (date in the high word, time in the low
// word, two-second steps). Returns -1 for times a DOS date cannot hold.
int UnixToDosTime(std::int64_t Seconds);
std::int64_t DosToUnixTime(int DosTime);

// Win32 FILETIME (100 ns steps since 1601-01-01 UTC) from a timespec.
std::uint64_t ToFileTime(const struct timespec& Ts);

// True when another handle holds the file open with a share mode through
// os::File (Windows refuses to delete or move such files).
bool HeldOpenByOthers(const String& Path);

// Renames From to To only while To is free, in one step (no other process
// can take the name in between, nor be replaced): 0, or the errno (EEXIST
// when To exists, as a file, folder or link). Where the file system cannot
// refuse in one step, a file is linked to To and unlinked from From
// instead, and a folder is renamed after a check that To is free.
int RenameNoReplace(const String& From, const String& To);

}  // namespace os::detail
