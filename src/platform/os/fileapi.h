// Win32- and class-library-style calls on files and folders: attributes,
// create/remove/delete/move/copy, current folder, full paths, existence
// tests, file dates in DOS form and free disk space.
//
// Every path goes through os::ResolvePath, so names match without regard
// to case and a trailing dot is dropped. Calls that return bool (Win32's
// BOOL) leave a Win32-numbered code in GetLastError() on failure:
// 2 file not found, 3 path not found, 5 access denied (also for deleting a
// read-only file or a folder), 32 the file is held open, 80 / 183 already
// exists, 145 folder not empty.
//
// Attributes are emulated: READONLY = no owner write bit, HIDDEN = name
// begins with '.', SYSTEM = neither file nor folder (devices, pipes),
// DIRECTORY, and ARCHIVE set on every regular file unless cleared through
// SetFileAttributes (recorded in a user xattr; on file systems without
// xattrs it stays set).
//
// Thread safety: all calls are thread-safe except SetCurrentDirectory,
// which changes the process-wide current folder.
#pragma once

#include "platform/os/errors.h"

namespace os {
class File;
}

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

// The class library's attribute masks (TSearchRec.Attr, FileGetAttr).
constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;

// Name of the user xattr whose presence means "archive bit cleared".
inline constexpr char kNoArchiveXattr[] = "user.mds.noarchive";

// Attributes of a file or folder, or INVALID_FILE_ATTRIBUTES (last error
// 2, 3 or 123).
DWORD GetFileAttributes(const String& FileName);
// Sets READONLY (the write bits) and ARCHIVE; other bits are ignored.
// FILE_ATTRIBUTE_NORMAL clears both.
bool SetFileAttributes(const String& FileName, DWORD Attributes);
// The class library's forms: attributes or -1; 0 or a Win32 error code.
int FileGetAttr(const String& FileName);
int FileSetAttr(const String& FileName, int Attr);

// Creates one folder; 183 when it exists, 3 when its parent is missing.
bool CreateDirectory(const String& PathName);
bool CreateDir(const String& Dir);
// Creates Dir and all missing parents; true when Dir exists afterwards.
// An empty Dir raises EInOutError "Verzeichnis kann nicht erstellt werden"
// (code 3).
bool ForceDirectories(const String& Dir);
// Removes an empty folder; 145 when not empty.
bool RemoveDirectory(const String& PathName);
bool RemoveDir(const String& Dir);
// Deletes a file; 5 for a read-only file or a folder, 32 while another
// handle holds it open.
bool DeleteFile(const String& FileName);
// Moves or renames a file or folder; 183 when NewName exists (a file,
// folder or link made there at the same moment is never replaced), 32 while
// the file is held open. Files also move across file systems.
bool MoveFile(const String& ExistingName, const String& NewName);
bool RenameFile(const String& OldName, const String& NewName);
// Copies a file with its date and read-only state; 80 when FailIfExists
// and NewName exists, 32 when the source is open for writing elsewhere.
bool CopyFile(const String& ExistingName, const String& NewName, bool FailIfExists);

// The current folder, without a trailing '/' (except the root).
String GetCurrentDirectory();
String GetCurrentDir();
bool SetCurrentDirectory(const String& PathName);
bool SetCurrentDir(const String& Dir);

// Absolute form of FileName ('.' and '..' removed, a trailing '/' kept);
// the file need not exist and names are not resolved.
String GetFullPathName(const String& FileName);
String ExpandFileName(const String& FileName);

// True when FileName names an existing file (not a folder).
bool FileExists(const String& FileName);
// True when Directory names an existing folder.
bool DirectoryExists(const String& Directory);

// Last write time of a file as a DOS date-time, or -1 when missing.
int FileAge(const String& FileName);
// Last write time of an open file as a DOS date-time, or -1.
int FileGetDate(const os::File& Handle);
// Sets the last write time; returns 0 or a Win32 error code.
int FileSetDate(const String& FileName, int Age);
// DOS date-time (local time) <-> TDateTime.
int DateTimeToFileDate(TDateTime DateTime);
TDateTime FileDateToDateTime(int FileDate);

// Free / total bytes of the file system holding Path, or -1.
Int64 DiskFree(const String& Path);
Int64 DiskSize(const String& Path);
// What the user reads when File cannot be written because its disk is
// full: the file, the bytes Needed and the bytes free there (in KB, MB or
// GB as fits), e.g. "Der Datenträger ist voll: Die Datei /m/a.oat kann
// nicht geschrieben werden. Benötigt: 3,1 GB, frei: 12,0 MB."
String DiskFullText(const String& File, Int64 Needed);
// A byte count as the user reads it: "512 Bytes", "84,0 KB", "3,1 GB".
String ByteCountText(Int64 Bytes);
