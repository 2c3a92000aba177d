// The engine's bookmark: the bytes that OakGetBookmark60 hands out and
// OakGotoBookmark / OakCompareBookmarks take back. The engine and the
// dataset layer both build and read bookmarks only through this header.
//
// A bookmark is OAK_BOOKMARK_LENGTH (4) bytes: the record number,
// little-endian. Record number 0 names no record.
//
// Thread safety: pure functions.
#pragma once

#include "platform/engine/oak.h"
#include "platform/rtl/byteorder.h"

constexpr UNSIGNED32 OAK_BOOKMARK_LENGTH = 4;

// Writes the bookmark of record RecNo to the OAK_BOOKMARK_LENGTH bytes at Bookmark.
inline void WriteOakBookmark(void* Bookmark, UNSIGNED32 RecNo) { StoreLE32(Bookmark, RecNo); }

// The record number of the OAK_BOOKMARK_LENGTH bytes at Bookmark.
inline UNSIGNED32 ReadOakBookmark(const void* Bookmark) { return LoadLE32(Bookmark); }
