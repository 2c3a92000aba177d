// Internal to the index file: the tag directory's byte form and its chain
// of directory pages.
//
// Directory page: byte 0 type 3, bytes 2..3 bytes used (u16), 4..7 next
// directory page (0: last), data from byte 16. The data of all pages in
// chain order is one blob: u32 tag count, then per tag: name, key
// expression and condition (each u16 length + bytes), u8 flags (1 unique,
// 2 descending, 4 custom), u8 key type, u16 key length, u32 root page,
// u32 key count. All words little-endian.
#pragma once

#include <string>
#include <vector>

#include "platform/engine/btree.h"
#include "platform/engine/indexfile.h"

namespace oak {

constexpr std::uint8_t kDirectoryPage = 3;

struct DirectoryEntry {
  TagDefinition Def;
  KeyType Type = KeyType::Character;
  BTreeState State;
};

// Reads the directory chain of P. Raises 5320 when a page, a length or a
// value is impossible.
std::vector<DirectoryEntry> ReadDirectory(Pager& P);
// Replaces the directory chain of P with Entries.
void WriteDirectory(Pager& P, const std::vector<DirectoryEntry>& Entries);

}  // namespace oak
