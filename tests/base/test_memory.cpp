// Labelled allocation, the scratch cache's exact bounds and the engine clock.
#include <gtest/gtest.h>

#include <cstdint>

#include "base/kr_memory.h"
#include "base/kr_timer.h"
#include "platform/pl_platform.h"
#include "tests/support/test_util.h"

namespace {

struct CacheTest : ::testing::Test {
  void TearDown() override { KR_CacheFree(); }
};

TEST_F(CacheTest, RefusesEverythingBeforeInitialise) {
  vt::ErrorLog log;
  EXPECT_EQ(KR_CacheMalloc(4, "test"), nullptr);
  EXPECT_TRUE(log.Has("KR_CacheMalloc - cache not initialised"));
  EXPECT_EQ(KR_CacheReset(), 0);
  EXPECT_EQ(KR_CacheFree(), 0);
}

TEST_F(CacheTest, HandsOutTheWholeCapacityAndNotOneByteMore) {
  ASSERT_EQ(KR_Initialise(), 1);
  ASSERT_EQ(KR_CacheCapacity(), 10485760);
  auto* first = static_cast<std::uint8_t*>(KR_CacheMalloc(10485760 - 16, "a"));
  ASSERT_NE(first, nullptr);
  vt::ErrorLog log;
  EXPECT_EQ(KR_CacheMalloc(17, "too much"), nullptr);
  EXPECT_TRUE(log.Has("KR_CacheMalloc - failed to allocate 17 bytes for too much"));
  EXPECT_EQ(KR_CacheUsed(), 10485760 - 16);  // a refused request changes nothing
  auto* last = static_cast<std::uint8_t*>(KR_CacheMalloc(16, "b"));
  EXPECT_EQ(last, first + 10485760 - 16);
  EXPECT_EQ(KR_CacheMalloc(1, "c"), nullptr);
}

TEST_F(CacheTest, BlocksAreUnpaddedAndZeroSizeGivesTheTop) {
  ASSERT_EQ(KR_CacheInitialise(64), 1);
  auto* a = static_cast<std::uint8_t*>(KR_CacheMalloc(3, "a"));
  auto* b = static_cast<std::uint8_t*>(KR_CacheMalloc(4, "b"));
  EXPECT_EQ(b, a + 3);
  auto* top = static_cast<std::uint8_t*>(KR_CacheMalloc(0, "top"));
  EXPECT_EQ(top, a + 7);
  EXPECT_EQ(KR_CacheMalloc(5, "next"), top);
  EXPECT_EQ(KR_CacheReset(), 1);
  EXPECT_EQ(KR_CacheMalloc(1, "again"), a);
  EXPECT_EQ(KR_CacheRound(3), 8);
  EXPECT_EQ(KR_CacheRound(16), 16);
}

TEST_F(CacheTest, NegativeRequestsCannotMoveTheTopBackwards) {
  ASSERT_EQ(KR_CacheInitialise(64), 1);
  ASSERT_NE(KR_CacheMalloc(32, "a"), nullptr);
  EXPECT_EQ(KR_CacheMalloc(-16, "negative"), nullptr);
  EXPECT_EQ(KR_CacheUsed(), 32);
}

TEST_F(CacheTest, InitialisingAgainStartsEmpty) {
  ASSERT_EQ(KR_CacheInitialise(64), 1);
  ASSERT_NE(KR_CacheMalloc(40, "a"), nullptr);
  ASSERT_EQ(KR_CacheInitialise(128), 1);
  EXPECT_EQ(KR_CacheUsed(), 0);
  EXPECT_EQ(KR_CacheCapacity(), 128);
  EXPECT_NE(KR_CacheMalloc(128, "all"), nullptr);
}

TEST(Malloc, ReportsFailuresWithTheirLabel) {
  vt::ErrorLog log;
  EXPECT_EQ(KR_Free(nullptr), 0);
  EXPECT_TRUE(log.Has("KR_Free - data is NULL!"));
  EXPECT_EQ(KR_Malloc(-1, "KR_Test - m"), nullptr);
  EXPECT_TRUE(log.Has("KR_Malloc - failed to allocate -1 bytes for KR_Test - m"));
  void* p = KR_Malloc(10, "KR_Test - p");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(KR_Free(p), 1);
}

TEST(Timer, CountsMillisecondsAcrossACounterWrap) {
  PL_TimerSetManual(1, 0xFFFFFF00u);
  KR_TimerReset();
  EXPECT_EQ(KR_TimerGetSeconds(), 0.0f);
  PL_TimerAdvance(1000);  // wraps the 32-bit counter
  EXPECT_FLOAT_EQ(KR_TimerGetMs(), 1000.0f);
  EXPECT_FLOAT_EQ(KR_TimerGetSeconds(), 1.0f);
  PL_TimerSetManual(0, 0);
}

}  // namespace
