// The class library's file search: FindFirst / FindNext / FindClose over a
// folder, with '*' and '?' wildcards matched without regard to case.
//
// Rules kept from the original platform:
//  - "*.*" matches every name, also names without a dot; a mask ending in
//    ".*" matches the name without extension as well ("a.*" finds "a");
//  - "." and ".." are reported for folders other than the root, first;
//  - attribute filter: ordinary files always match; hidden, system and
//    directory entries only when their bits are in the mask (so faArchive
//    finds plain files only, faAnyFile everything);
//  - entries come in the order of their upper-cased names.
// The folder part of the mask is resolved case-insensitively; the content is
// read once at FindFirst (a snapshot).
//
// Thread safety: a TSearchRec belongs to one thread; searches are
// independent of each other.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/os/fileapi.h"

// 100 ns steps since 1601-01-01 UTC.
struct TFileTime {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

struct TWin32FindData {
  DWORD dwFileAttributes = 0;
  TFileTime ftCreationTime;
  TFileTime ftLastAccessTime;
  TFileTime ftLastWriteTime;
  DWORD nFileSizeHigh = 0;
  DWORD nFileSizeLow = 0;
  String cFileName;
  String cAlternateFileName;
};

namespace os::detail {
struct FindState;
}

struct TSearchRec {
  int Time = 0;      // last write time, DOS date-time (local)
  Int64 Size = 0;    // bytes
  int Attr = 0;      // Win32 attributes of the entry
  String Name;       // the name as the file system spells it
  int ExcludeAttr = 0;
  std::shared_ptr<os::detail::FindState> FindHandle;  // null when closed
  TWin32FindData FindData;
};

// Starts a search for Path (folder + mask) with the attribute filter Attr.
// Returns 0 and fills F with the first match, or an error code:
// ERROR_NO_MORE_FILES (18) when nothing matches, ERROR_PATH_NOT_FOUND (3)
// when the folder is missing. The search stays open until FindClose (also
// after an error, FindClose is harmless).
int FindFirst(const String& Path, int Attr, TSearchRec& F);
// Fills F with the next match; 0, or 18 when there is none left.
int FindNext(TSearchRec& F);
// Ends the search and releases its snapshot.
void FindClose(TSearchRec& F);

// True when Name matches the wildcard Mask ('*', '?') without regard to case.
bool MatchesMask(const String& Name, const String& Mask);
