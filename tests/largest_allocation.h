// The largest single allocation a piece of code makes, for tests that a
// length read from a file is checked before anything is allocated with it.
//
// The measuring operator new and delete replace the global ones of a test
// program in one source file of that program, which defines
// MDS_LARGEST_ALLOCATION_OPERATORS before it includes this header (a file
// of its own: a file that uses new and delete itself would see the
// replacements inline).
//
//   mds_test::TLargestAllocation Probe;
//   ReadTheValue();
//   EXPECT_LT(Probe.Bytes(), 1u << 20);
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace mds_test {

inline std::atomic<std::size_t> GLargestAllocation{0};
inline std::atomic<bool> GMeasureAllocations{false};

// Measures from its construction to its end.
class TLargestAllocation {
 public:
  TLargestAllocation() {
    GLargestAllocation = 0;
    GMeasureAllocations = true;
  }
  ~TLargestAllocation() { GMeasureAllocations = false; }
  TLargestAllocation(const TLargestAllocation&) = delete;
  TLargestAllocation& operator=(const TLargestAllocation&) = delete;
  std::size_t Bytes() const { return GLargestAllocation; }
};

}  // namespace mds_test

#ifdef MDS_LARGEST_ALLOCATION_OPERATORS
void* operator new(std::size_t Size) {
  if (mds_test::GMeasureAllocations) {
    std::size_t Seen = mds_test::GLargestAllocation;
    while (Size > Seen && !mds_test::GLargestAllocation.compare_exchange_weak(Seen, Size)) {
    }
  }
  if (void* P = std::malloc(Size ? Size : 1)) return P;
  throw std::bad_alloc();
}
void operator delete(void* P) noexcept { std::free(P); }
void operator delete(void* P, std::size_t) noexcept { std::free(P); }
#endif
