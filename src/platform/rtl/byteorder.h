// Fixed-width integers in byte buffers: the one place that says how a 16-,
// 32- or 64-bit field is laid out in a file or a message.
//
// Every file format of the system stores its integers little-endian (LE), the
// way the original platform stored them, whatever the byte order of the
// machine that runs us. Index keys store record numbers big-endian (BE) so
// that the bytes sort the way the numbers do.
//
// P points to at least as many bytes as the field is wide; it needs no
// alignment. The functions read and write exactly those bytes and nothing
// else.
//
// Thread safety: pure functions.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace rtl_bytes {

inline const unsigned char* ByteAt(const void* P) { return static_cast<const unsigned char*>(P); }
inline unsigned char* ByteAt(void* P) { return static_cast<unsigned char*>(P); }

// Reads N (at most 8) bytes, least significant first.
inline std::uint64_t LoadLE(const void* P, std::size_t N) {
  std::uint64_t V = 0;
  for (std::size_t I = N; I-- > 0;) V = (V << 8) | ByteAt(P)[I];
  return V;
}
// Writes the low N (at most 8) bytes of V, least significant first.
inline void StoreLE(void* P, std::uint64_t V, std::size_t N) {
  for (std::size_t I = 0; I < N; ++I, V >>= 8) ByteAt(P)[I] = static_cast<unsigned char>(V);
}
// Reads N (at most 8) bytes, most significant first.
inline std::uint64_t LoadBE(const void* P, std::size_t N) {
  std::uint64_t V = 0;
  for (std::size_t I = 0; I < N; ++I) V = (V << 8) | ByteAt(P)[I];
  return V;
}
// Writes the low N (at most 8) bytes of V, most significant first.
inline void StoreBE(void* P, std::uint64_t V, std::size_t N) {
  for (std::size_t I = N; I-- > 0; V >>= 8) ByteAt(P)[I] = static_cast<unsigned char>(V);
}

// The unsigned integer as wide as T.
template <class T>
using UnsignedOfSize = std::conditional_t<
    sizeof(T) == 2, std::uint16_t, std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>;

}  // namespace rtl_bytes

inline std::uint16_t LoadLE16(const void* P) { return static_cast<std::uint16_t>(rtl_bytes::LoadLE(P, 2)); }
inline std::uint32_t LoadLE32(const void* P) { return static_cast<std::uint32_t>(rtl_bytes::LoadLE(P, 4)); }
inline std::uint64_t LoadLE64(const void* P) { return rtl_bytes::LoadLE(P, 8); }
inline void StoreLE16(void* P, std::uint16_t V) { rtl_bytes::StoreLE(P, V, 2); }
inline void StoreLE32(void* P, std::uint32_t V) { rtl_bytes::StoreLE(P, V, 4); }
inline void StoreLE64(void* P, std::uint64_t V) { rtl_bytes::StoreLE(P, V, 8); }

inline std::uint16_t LoadBE16(const void* P) { return static_cast<std::uint16_t>(rtl_bytes::LoadBE(P, 2)); }
inline std::uint32_t LoadBE32(const void* P) { return static_cast<std::uint32_t>(rtl_bytes::LoadBE(P, 4)); }
inline std::uint64_t LoadBE64(const void* P) { return rtl_bytes::LoadBE(P, 8); }
inline void StoreBE16(void* P, std::uint16_t V) { rtl_bytes::StoreBE(P, V, 2); }
inline void StoreBE32(void* P, std::uint32_t V) { rtl_bytes::StoreBE(P, V, 4); }
inline void StoreBE64(void* P, std::uint64_t V) { rtl_bytes::StoreBE(P, V, 8); }

// A 2-, 4- or 8-byte value of T (an integer, float or double) stored
// little-endian: the way records keep their numeric fields.
template <class T>
T LoadLEAs(const void* P) {
  static_assert(std::is_arithmetic_v<T> && (sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8));
  return std::bit_cast<T>(static_cast<rtl_bytes::UnsignedOfSize<T>>(rtl_bytes::LoadLE(P, sizeof(T))));
}
template <class T>
void StoreLEAs(void* P, T V) {
  static_assert(std::is_arithmetic_v<T> && (sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8));
  rtl_bytes::StoreLE(P, std::bit_cast<rtl_bytes::UnsignedOfSize<T>>(V), sizeof(T));
}
