// Folders that belong to this process alone, and the link test that keeps
// a deletion inside its own tree.
//
// Thread safety: both calls are thread-safe.
#pragma once

#include "platform/os/files.h"

namespace os {

// Creates a new folder below Parent whose name is Prefix followed by six
// random characters, atomically (never an existing folder or link) and
// readable, writable and searchable by the owner only (mode 0700). Returns
// its full path without a trailing '/'; fails with 3 when Parent is
// missing, 5 when it cannot be written.
Result<String> CreatePrivateFolder(const String& Parent, const String& Prefix);

// True when Path (a trailing '/' ignored, names matched without regard to
// case) is a symbolic link, whatever it points to (also nothing).
bool IsSymbolicLink(const String& Path);

// True when Path (names matched without regard to case) is a file that
// has more than one name (a hard link).
bool HasOtherNames(const String& Path);

}  // namespace os
