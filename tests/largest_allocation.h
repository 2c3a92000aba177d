// The largest single allocation made while a TLargestAllocation lives, for
// tests that a length read from a file is checked before it is allocated.
// One source file of a test program defines MDS_LARGEST_ALLOCATION_OPERATORS
// and includes this header alone: it then replaces operator new and delete.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace mds_test {

inline std::atomic<std::size_t> GLargestAllocation{0};
inline std::atomic<bool> GMeasureAllocations{false};

struct TLargestAllocation {
  TLargestAllocation() { GLargestAllocation = 0, GMeasureAllocations = true; }
  ~TLargestAllocation() { GMeasureAllocations = false; }
  std::size_t Bytes() const { return GLargestAllocation; }
};

}  // namespace mds_test

#ifdef MDS_LARGEST_ALLOCATION_OPERATORS
void* operator new(std::size_t Size) {
  std::size_t Seen = mds_test::GLargestAllocation;
  while (mds_test::GMeasureAllocations && Size > Seen &&
         !mds_test::GLargestAllocation.compare_exchange_weak(Seen, Size)) {
  }
  if (void* P = std::malloc(Size ? Size : 1)) return P;
  throw std::bad_alloc();
}
void operator delete(void* P) noexcept { std::free(P); }
void operator delete(void* P, std::size_t) noexcept { std::free(P); }
#endif
