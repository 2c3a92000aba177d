// Fixed-width integers in byte buffers: the one place that says how a 16-,
// 32- or 64-bit field is laid out in a file or a message.
//
// Every file format of the system stores its integers little-endian (LE),
// whatever the byte order of the machine that runs it. Index keys and index
// entries store numbers big-endian (BE) so that the bytes sort the way the
// numbers do.
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
#include <cstring>
#include <type_traits>

namespace rtl_bytes {

constexpr std::endian LE = std::endian::little, BE = std::endian::big;

inline std::uint16_t Swapped(std::uint16_t V) { return __builtin_bswap16(V); }
inline std::uint32_t Swapped(std::uint32_t V) { return __builtin_bswap32(V); }
inline std::uint64_t Swapped(std::uint64_t V) { return __builtin_bswap64(V); }

// The fixed-width field at P in byte order Order (one machine load).
template <class U>
U Load(const void* P, std::endian Order) {
  U V;
  std::memcpy(&V, P, sizeof V);
  return Order == std::endian::native ? V : Swapped(V);
}
// Writes V to the fixed-width field at P in byte order Order (one machine store).
template <class U>
void Store(void* P, U V, std::endian Order) {
  if (Order != std::endian::native) V = Swapped(V);
  std::memcpy(P, &V, sizeof V);
}

// The unsigned integer as wide as T.
template <class T>
using UnsignedOfSize = std::conditional_t<
    sizeof(T) == 2, std::uint16_t, std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>;

// Fields of a width known only at run time (streams, tagged values).
// Reads N (at most 8) bytes, least significant first.
inline std::uint64_t LoadLE(const void* P, std::size_t N) {
  const auto* B = static_cast<const unsigned char*>(P);
  std::uint64_t V = 0;
  for (std::size_t I = N; I-- > 0;) V = (V << 8) | B[I];
  return V;
}
// Writes the low N (at most 8) bytes of V, least significant first.
inline void StoreLE(void* P, std::uint64_t V, std::size_t N) {
  auto* B = static_cast<unsigned char*>(P);
  for (std::size_t I = 0; I < N; ++I, V >>= 8) B[I] = static_cast<unsigned char>(V);
}
// Reads N (at most 8) bytes, most significant first.
inline std::uint64_t LoadBE(const void* P, std::size_t N) {
  const auto* B = static_cast<const unsigned char*>(P);
  std::uint64_t V = 0;
  for (std::size_t I = 0; I < N; ++I) V = (V << 8) | B[I];
  return V;
}
// Writes the low N (at most 8) bytes of V, most significant first.
inline void StoreBE(void* P, std::uint64_t V, std::size_t N) {
  auto* B = static_cast<unsigned char*>(P);
  for (std::size_t I = N; I-- > 0; V >>= 8) B[I] = static_cast<unsigned char>(V);
}

}  // namespace rtl_bytes

inline std::uint16_t LoadLE16(const void* P) { return rtl_bytes::Load<std::uint16_t>(P, rtl_bytes::LE); }
inline std::uint32_t LoadLE32(const void* P) { return rtl_bytes::Load<std::uint32_t>(P, rtl_bytes::LE); }
inline std::uint64_t LoadLE64(const void* P) { return rtl_bytes::Load<std::uint64_t>(P, rtl_bytes::LE); }
inline void StoreLE16(void* P, std::uint16_t V) { rtl_bytes::Store(P, V, rtl_bytes::LE); }
inline void StoreLE32(void* P, std::uint32_t V) { rtl_bytes::Store(P, V, rtl_bytes::LE); }
inline void StoreLE64(void* P, std::uint64_t V) { rtl_bytes::Store(P, V, rtl_bytes::LE); }

inline std::uint16_t LoadBE16(const void* P) { return rtl_bytes::Load<std::uint16_t>(P, rtl_bytes::BE); }
inline std::uint32_t LoadBE32(const void* P) { return rtl_bytes::Load<std::uint32_t>(P, rtl_bytes::BE); }
inline std::uint64_t LoadBE64(const void* P) { return rtl_bytes::Load<std::uint64_t>(P, rtl_bytes::BE); }
inline void StoreBE16(void* P, std::uint16_t V) { rtl_bytes::Store(P, V, rtl_bytes::BE); }
inline void StoreBE32(void* P, std::uint32_t V) { rtl_bytes::Store(P, V, rtl_bytes::BE); }
inline void StoreBE64(void* P, std::uint64_t V) { rtl_bytes::Store(P, V, rtl_bytes::BE); }

// A 2-, 4- or 8-byte value of T (an integer, float or double) stored
// little-endian: the way records keep their numeric fields.
template <class T>
T LoadLEAs(const void* P) {
  static_assert(std::is_arithmetic_v<T> && (sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8));
  return std::bit_cast<T>(rtl_bytes::Load<rtl_bytes::UnsignedOfSize<T>>(P, rtl_bytes::LE));
}
template <class T>
void StoreLEAs(void* P, T V) {
  static_assert(std::is_arithmetic_v<T> && (sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8));
  rtl_bytes::Store(P, std::bit_cast<rtl_bytes::UnsignedOfSize<T>>(V), rtl_bytes::LE);
}
