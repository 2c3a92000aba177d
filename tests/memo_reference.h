// Writes a memo reference straight into a table file, as damage or an
// attacker would: the first block and the length of field Offset of record
// RecNo (FORMAT.md: data offset at byte 12, record length at byte 16 of the
// header; a memo field holds block and length, little-endian).
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace mds_test {

inline void SetMemoReference(const std::string& TablePath, std::uint32_t RecNo,
                             std::uint32_t FieldOffset, std::uint32_t Block, std::uint32_t Len) {
  std::fstream F(TablePath, std::ios::in | std::ios::out | std::ios::binary);
  auto Word = [&F](std::uint64_t At) {
    unsigned char B[4] = {};
    F.seekg(static_cast<std::streamoff>(At));
    F.read(reinterpret_cast<char*>(B), 4);
    return std::uint32_t(B[0] | B[1] << 8 | B[2] << 16 | std::uint32_t(B[3]) << 24);
  };
  const std::uint64_t At = Word(12) + std::uint64_t(RecNo - 1) * Word(16) + FieldOffset;
  unsigned char Ref[8];
  for (int I = 0; I < 4; ++I) {
    Ref[I] = static_cast<unsigned char>(Block >> (8 * I));
    Ref[4 + I] = static_cast<unsigned char>(Len >> (8 * I));
  }
  F.seekp(static_cast<std::streamoff>(At));
  F.write(reinterpret_cast<const char*>(Ref), 8);
}

}  // namespace mds_test
