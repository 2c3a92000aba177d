#include "platform/rtl/exceptions.h"

#include <gtest/gtest.h>

TEST(ExceptionTree, ClassTestsFollowTheHierarchy) {
  EReadError e("bad stream");
  EXPECT_TRUE(e.Is<EFilerError>());
  EXPECT_TRUE(e.Is<EStreamError>());
  EXPECT_TRUE(e.Is<Exception>());
  EXPECT_FALSE(e.Is<EWriteError>());
  EXPECT_EQ(e.ClassName(), "EReadError");
  EXPECT_STREQ(e.what(), "bad stream");
}

TEST(ExceptionTree, AbortRaisesTheSilentException) {
  EXPECT_THROW(Abort(), EAbort);
  try {
    Abort();
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), "EAbort");
  }
}
