// Writes the memo reference (first block, length) of the field at Offset
// of record RecNo straight into a table file, as damage would (FORMAT.md:
// data offset at byte 12, record length at byte 16, little-endian words).
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace mds_test {

inline void SetMemoReference(const std::string& Table, std::uint32_t RecNo, std::uint32_t Offset,
                             std::uint32_t Block, std::uint32_t Len) {
  std::fstream F(Table, std::ios::in | std::ios::out | std::ios::binary);
  std::uint32_t Head[2] = {};  // little-endian host, as the files
  F.seekg(12).read(reinterpret_cast<char*>(Head), 8);
  const std::uint32_t Ref[2] = {Block, Len};
  F.seekp(Head[0] + std::streamoff(RecNo - 1) * Head[1] + Offset);
  F.write(reinterpret_cast<const char*>(Ref), 8);
}

}  // namespace mds_test
