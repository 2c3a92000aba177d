#include "platform/rtl/byteorder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// One known value of each width: the bytes it takes in either order, and
// that what is stored reads back.
TEST(ByteOrderTest, FieldsTakeTheirBytesInOrderAndReadBack) {
  Bytes B(9, 0xEE);  // one byte more than the widest field: it must stay untouched
  StoreLE16(B.data(), 0x1234);
  EXPECT_EQ(Bytes({0x34, 0x12, 0xEE}), Bytes(B.begin(), B.begin() + 3));
  EXPECT_EQ(0x1234, LoadLE16(B.data()));

  StoreLE32(B.data(), 0x89ABCDEFu);
  EXPECT_EQ(Bytes({0xEF, 0xCD, 0xAB, 0x89, 0xEE}), Bytes(B.begin(), B.begin() + 5));
  EXPECT_EQ(0x89ABCDEFu, LoadLE32(B.data()));

  StoreLE64(B.data(), 0x0102030405060708ull);
  EXPECT_EQ(Bytes({8, 7, 6, 5, 4, 3, 2, 1, 0xEE}), B);
  EXPECT_EQ(0x0102030405060708ull, LoadLE64(B.data()));

  StoreBE32(B.data() + 1, 0x89ABCDEFu);  // no alignment needed
  EXPECT_EQ(Bytes({8, 0x89, 0xAB, 0xCD, 0xEF, 3, 2, 1, 0xEE}), B);
  EXPECT_EQ(0x89ABCDEFu, LoadBE32(B.data() + 1));
  EXPECT_EQ(0x89AB, LoadBE16(B.data() + 1));

  rtl_bytes::StoreBE(B.data(), 0xABCDEF, 3);  // a width between the fixed ones
  EXPECT_EQ(Bytes({0xAB, 0xCD, 0xEF, 0xCD, 0xEF}), Bytes(B.begin(), B.begin() + 5));
  EXPECT_EQ(0xEFCDABu, rtl_bytes::LoadLE(B.data(), 3));
}

}  // namespace
