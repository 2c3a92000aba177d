// The executable bit of files: the mobile installation receives programs
// (the update package, the host's executables) that must be startable
// there, while a copy made through streams is created as plain data.
//
// Paths are matched like every path of the platform (os::ResolvePath).
// Thread safety: any thread.
#pragma once

#include "platform/rtl/system.h"

// Whether FileName exists and its owner may execute it.
bool IsFileExecutable(const String& FileName);
// Adds the execute bits to FileName wherever it has the read bits (owner,
// group, others). Returns false (with GetLastError set) when the file is
// missing or its mode cannot be changed.
bool SetFileExecutable(const String& FileName);
