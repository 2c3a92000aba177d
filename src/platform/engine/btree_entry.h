// Index entries: the one layout of an entry of a tag's B+tree, used by the
// tree, its cursors and the bulk load.
//
// An entry is the key (the tag's KeyLength bytes, see keys.h) followed by
// the record number, high byte first, so that comparing whole entries
// bytewise orders them by key and then by record number.
//
// Thread safety: pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/rtl/byteorder.h"

namespace oak {

// Bytes of the record number at the end of every entry.
constexpr std::size_t kEntryRecNoBytes = 4;

// Writes the entry of (Key, RecNo) to Out, which holds KeyLength + 4 bytes:
// Key cut to KeyLength or padded with zero bytes, then the record number.
inline void WriteEntry(void* Out, std::string_view Key, std::size_t KeyLength, std::uint32_t RecNo) {
  auto* P = static_cast<unsigned char*>(Out);
  std::size_t N = Key.size() < KeyLength ? Key.size() : KeyLength;
  std::memcpy(P, Key.data(), N);
  std::memset(P + N, 0, KeyLength - N);
  StoreBE32(P + KeyLength, RecNo);
}

// The entry of (Key, RecNo) for a key of KeyLength bytes (see WriteEntry).
inline std::string MakeEntry(std::string_view Key, std::size_t KeyLength, std::uint32_t RecNo) {
  std::string E(KeyLength + kEntryRecNoBytes, '\0');
  WriteEntry(E.data(), Key, KeyLength, RecNo);
  return E;
}

// The key part of an entry.
inline std::string_view EntryKey(std::string_view Entry) {
  return Entry.substr(0, Entry.size() - kEntryRecNoBytes);
}

// The record number of an entry; 0 when Entry is shorter than a record number.
inline std::uint32_t EntryRecNo(std::string_view Entry) {
  if (Entry.size() < kEntryRecNoBytes) return 0;
  return LoadBE32(Entry.data() + Entry.size() - kEntryRecNoBytes);
}

}  // namespace oak
