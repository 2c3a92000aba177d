// The shell's namespace on this platform: the tree of places a folder
// tree shows, with the desktop at its root.
//
//   desktop
//     home folder ("Persönlicher Ordner"), the user's special folders
//     (desktop, documents, downloads, music, pictures, videos; those that
//     exist), and the computer folder ("Arbeitsplatz")
//   computer folder
//     one drive per mounted file system of the mount table ("/" first)
//   file-system folders
//     their sub-folders (and files) by enumeration
//
// Items are named by item identifier lists (TItemIDList): one item per
// level below the desktop; the desktop itself is the empty list. An item
// is a virtual place ("::computer", "::home", "::desktopdir" ...), a drive
// (its mount point, an absolute path) or a plain name below a folder. A
// relative list is one item; an absolute list starts at the desktop.
//
// The mount table is /proc/self/mounts unless the environment variable
// MDS_MOUNT_TABLE names another file (tests give their own). A mount point
// is a drive when it is a folder and its file system is not one of the
// kernel's pseudo file systems, and it does not lie under /proc, /sys,
// /dev or /run (except /run/media).
//
// Special folders follow the user's XDG folders: $XDG_DESKTOP_DIR,
// $XDG_DOWNLOAD_DIR, $XDG_MUSIC_DIR, $XDG_PICTURES_DIR, $XDG_VIDEOS_DIR,
// else ~/Desktop, ~/Downloads ...; documents come from CSIDL_PERSONAL
// (platform/os/folders.h) with its overrides; the home folder is $HOME.
//
// Hidden items follow the dot rule: a name beginning with "." is hidden.
//
// Thread safety: every function and every TShellFolder method may be
// called from any thread; a TShellFolder is immutable once made.
#pragma once

#include <memory>
#include <vector>

#include "platform/os/errors.h"
#include "platform/os/folders.h"

// One level of an item identifier list.
using TShellItem = String;
// A list of items from the desktop (absolute) or from a folder (relative).
using TItemIDList = std::vector<TShellItem>;

// Attribute flags of an item (the shell's SFGAO values).
constexpr DWORD SFGAO_CANCOPY = 0x00000001;
constexpr DWORD SFGAO_CANMOVE = 0x00000002;
constexpr DWORD SFGAO_CANLINK = 0x00000004;
constexpr DWORD SFGAO_CANRENAME = 0x00000010;
constexpr DWORD SFGAO_CANDELETE = 0x00000020;
constexpr DWORD SFGAO_HASPROPSHEET = 0x00000040;
constexpr DWORD SFGAO_DROPTARGET = 0x00000100;
constexpr DWORD SFGAO_LINK = 0x00010000;
constexpr DWORD SFGAO_SHARE = 0x00020000;
constexpr DWORD SFGAO_READONLY = 0x00040000;
constexpr DWORD SFGAO_GHOSTED = 0x00080000;
constexpr DWORD SFGAO_HIDDEN = 0x00080000;
constexpr DWORD SFGAO_REMOVABLE = 0x02000000;
constexpr DWORD SFGAO_FILESYSANCESTOR = 0x10000000;
constexpr DWORD SFGAO_FOLDER = 0x20000000;
constexpr DWORD SFGAO_FILESYSTEM = 0x40000000;
constexpr DWORD SFGAO_HASSUBFOLDER = 0x80000000;

// What EnumObjects lists (SHCONTF values).
constexpr DWORD SHCONTF_FOLDERS = 32;
constexpr DWORD SHCONTF_NONFOLDERS = 64;
constexpr DWORD SHCONTF_INCLUDEHIDDEN = 128;

// Special folders that a folder tree may take as its root (CSIDL values
// beyond those of platform/os/folders.h).
constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
constexpr int CSIDL_DRIVES = 0x0011;

// The icons of the system image list (platform/gui/shell_images.h draws
// them in this order).
enum TShellIcon : int {
  siFolder = 0, siFolderOpen = 1, siDrive = 2, siRemovableDrive = 3, siComputer = 4, siFile = 5, siDesktop = 6
};

// A drive of the computer folder.
struct TShellDrive {
  String Dir;       // mount point, without trailing '/' ("/" for the root)
  String FsType;    // file-system type of the mount table
  bool Removable;   // under /media, /mnt or /run/media
};

// The mount table's path: $MDS_MOUNT_TABLE, else /proc/self/mounts.
String MountTablePath();
// The drives of the mount table, "/" first (always, even when the table
// cannot be read), then the others in name order, each once.
std::vector<TShellDrive> ShellDrives();
// The same from the mount table at Table (for threads, which must not
// read the environment while the main thread may change it).
std::vector<TShellDrive> ShellDrives(const String& Table);

// A folder of the namespace (the shell's IShellFolder): lists its items,
// names them and binds to sub-folders. Made by SHGetDesktopFolder and
// BindToObject; shared by whoever holds it.
class TShellFolder {
 public:
  explicit TShellFolder(TItemIDList Absolute) : FAbsolute(std::move(Absolute)) {}
  // The folder's own absolute list.
  const TItemIDList& Absolute() const { return FAbsolute; }
  // The items of the folder (relative lists of one item each) in the
  // shell's order, filtered by Flags (SHCONTF_*). A folder that cannot be
  // read (missing, no permission) lists nothing and sets GetLastError.
  std::vector<TItemIDList> EnumObjects(DWORD Flags) const;
  // The display name of a relative item.
  String GetDisplayNameOf(const TItemIDList& Item) const;
  // The attributes (SFGAO_*) of a relative item, and-ed with Mask.
  DWORD GetAttributesOf(const TItemIDList& Item, DWORD Mask) const;
  // The folder of a relative item; null when the item is no folder.
  std::shared_ptr<TShellFolder> BindToObject(const TItemIDList& Item) const;
  // Shell order of two relative items of this folder: < 0, 0, > 0
  // (folders before files, then by name). This asks the file system
  // whether each is a folder; a sort must not use it on a folder that may
  // change meanwhile (an item that turns from folder into file halfway
  // would break the sort's order), but the variant below.
  int CompareIDs(const TItemIDList& A, const TItemIDList& B) const;
  // The same order by what the caller knows of the items: their
  // attributes (SFGAO_FOLDER) as read once.
  int CompareIDs(const TItemIDList& A, DWORD AttributesA, const TItemIDList& B, DWORD AttributesB) const;
  // Renames a relative file-system item; on success sets NewItem and
  // returns S_OK, else E_FAIL (GetLastError tells why).
  HRESULT SetNameOf(const TItemIDList& Item, const String& NewName, TItemIDList& NewItem) const;
  // Makes a sub-folder named BaseName in this file-system folder, or
  // "BaseName (2)", "BaseName (3)" ... when that name is taken; on success
  // sets NewItem and returns S_OK, else E_FAIL (GetLastError tells why).
  HRESULT NewFolder(const String& BaseName, TItemIDList& NewItem) const;
  // The relative list of a path below this folder (a file-system folder)
  // or, for the desktop, the absolute list of a file-system path (through
  // the computer folder and the drive holding it). E_FAIL when the path
  // does not exist or lies outside.
  HRESULT ParseDisplayName(const String& Path, TItemIDList& Items) const;

 private:
  TItemIDList Child(const TItemIDList& Item) const;
  // The order of the desktop's and the computer folder's items, which
  // does not depend on the file system.
  int CompareFixed(const TItemIDList& A, const TItemIDList& B) const;
  bool AtDesktop() const { return FAbsolute.empty(); }
  bool AtComputer() const { return FAbsolute.size() == 1 && FAbsolute[0] == "::computer"; }
  TItemIDList FAbsolute;
};

// The desktop folder (the namespace's root).
std::shared_ptr<TShellFolder> SHGetDesktopFolder();
// The absolute list of a special folder (CSIDL_DESKTOP, CSIDL_DRIVES,
// CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL ...): S_OK, or E_FAIL when it has
// no place here (recycle bin, printers ...) or does not exist.
HRESULT SHGetSpecialFolderLocation(int Csidl, TItemIDList& Items);
// The file-system path of an absolute list; false (and Path "") for a
// virtual item (desktop, computer).
bool SHGetPathFromIDList(const TItemIDList& Items, String& Path);
// The folder holding Path ("/" for "/x"; "" for a path without '/').
String ShellParentPath(const String& Path);
// The icon (TShellIcon) of an absolute list; Open asks for the open icon.
int ShellIconOf(const TItemIDList& Items, bool Open);

// What the properties of a file-system item show.
struct TShellItemInfo {
  bool Folder = false;
  std::uint64_t Size = 0;     // bytes: a file's, or a folder's files' below it
  std::uint64_t Files = 0;    // files counted below a folder
  bool Complete = true;       // false when a folder had more than the count limit
  unsigned Mode = 0;          // permission bits (07777)
  String Owner, Group;        // names, or numbers when the system has none
  bool CanRead = false, CanWrite = false;  // for the calling user
};
// Fills Info for Path (a folder is walked, following no links, up to
// MaxEntries entries). False (GetLastError set) when Path does not exist.
bool ShellItemInfo(const String& Path, TShellItemInfo& Info, std::uint64_t MaxEntries = 100000);
// "rwxr-x---" of permission bits.
String ModeText(unsigned Mode);
