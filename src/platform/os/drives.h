// Drives, as far as they mean anything here: the roots a folder tree shows
// at its top. "/" is the one fixed drive; mounted file systems under /media,
// /mnt and /run/media are drives of their own (removable, network, CD or
// RAM disk, by their file-system type), read from /proc/self/mounts.
//
// Thread safety: all calls are thread-safe.
#pragma once

#include <vector>

#include "platform/os/errors.h"

constexpr unsigned DRIVE_UNKNOWN = 0;
constexpr unsigned DRIVE_NO_ROOT_DIR = 1;
constexpr unsigned DRIVE_REMOVABLE = 2;
constexpr unsigned DRIVE_FIXED = 3;
constexpr unsigned DRIVE_REMOTE = 4;
constexpr unsigned DRIVE_CDROM = 5;
constexpr unsigned DRIVE_RAMDISK = 6;

// The drive roots, "/" first, then the other mounted drives in name order,
// each with a trailing '/'.
std::vector<String> GetLogicalDriveStrings();

// True when the mount point Dir (without trailing '/') is a drive of its
// own: it lies under /media, /mnt or /run/media.
bool IsDriveMountPoint(const String& Dir);

// The kind of the drive whose root is Root (with or without trailing '/');
// DRIVE_NO_ROOT_DIR when Root is no folder. A folder that is not a mount
// point belongs to the drive it lies on.
unsigned GetDriveType(const String& Root);

// The label (the root's last name, "System" for "/") and the file-system
// type of the drive holding Root; false when Root is no folder.
bool GetVolumeInformation(const String& Root, String& Label, String& FileSystem);
