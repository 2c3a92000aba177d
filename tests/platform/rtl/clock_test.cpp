#include "platform/rtl/clock.h"

#include <gtest/gtest.h>

#include "platform/rtl/datetime.h"

namespace {

// A test that runs on a fake clock, installed for the test's duration.
class FakeClockTest : public ::testing::Test {
 protected:
  void StartAt(std::shared_ptr<TFakeClock> Start) {
    Use.reset();  // overrides nest: the old one must go first
    Clock = std::move(Start);
    Use = std::make_unique<TClockOverride>(Clock);
  }
  void SetUp() override { StartAt(TFakeClock::At(2007, 3, 5, 14, 7, 9, 45)); }

  // Waits like the program's retry loops do: poll the tick count and sleep.
  Cardinal WaitUntilElapsed(Cardinal Ms) {
    const Cardinal Start = GetTickCount();
    int Polls = 0;
    while (GetTickCount() - Start < Ms) {
      ClockSleep(100);
      ++Polls;
    }
    return Polls;
  }

  std::shared_ptr<TFakeClock> Clock;
  std::unique_ptr<TClockOverride> Use;
};

}  // namespace

TEST_F(FakeClockTest, TimeStandsStillUntilAdvanced) {
  EXPECT_EQ(GetTickCount64(), 1000u);
  EXPECT_EQ(GetTickCount64(), 1000u);
  Clock->Advance(250);
  EXPECT_EQ(GetTickCount(), 1250u);
}

TEST_F(FakeClockTest, LocalTimeFollowsTheTicks) {
  Clock->Advance(3 * 1000 + 955);
  const TSystemTime T = NowLocal();
  EXPECT_EQ(T.Year, 2007);
  EXPECT_EQ(T.Month, 3);
  EXPECT_EQ(T.Day, 5);
  EXPECT_EQ(T.Hour, 14);
  EXPECT_EQ(T.Minute, 7);
  EXPECT_EQ(T.Second, 13);
  EXPECT_EQ(T.Milliseconds, 0);
  EXPECT_EQ(T.DayOfWeek, 1);  // a Monday
}

TEST_F(FakeClockTest, AdvancingPastMidnightTurnsTheDateAndMonth) {
  StartAt(TFakeClock::At(2008, 2, 29, 23, 59, 59, 999));
  Clock->Advance(1);
  const TSystemTime T = NowLocal();
  EXPECT_EQ(T.Month, 3);
  EXPECT_EQ(T.Day, 1);
  EXPECT_EQ(T.Hour, 0);
  EXPECT_EQ(T.DayOfWeek, 6);  // Saturday
}

TEST_F(FakeClockTest, TenSecondWaitRunsWithoutWaiting) {
  EXPECT_EQ(WaitUntilElapsed(10000), 100);
  EXPECT_EQ(Clock->SleptMilliseconds(), 10000u);
  EXPECT_EQ(Now(), EncodeDateTime(2007, 3, 5, 14, 7, 19, 45));
}

TEST_F(FakeClockTest, TickCountWrapsAtThirtyTwoBits) {
  Clock->SetTickCount(0xFFFFFF00ull);
  const Cardinal Before = GetTickCount();
  Clock->Advance(0x200);
  EXPECT_LT(GetTickCount(), Before);
  EXPECT_EQ(GetTickCount() - Before, 0x200u);  // unsigned difference stays right
  EXPECT_EQ(GetTickCount64(), 0x100000100ull);
}

TEST_F(FakeClockTest, DateAndTimeReadTheFakeClock) {
  EXPECT_EQ(Date(), EncodeDate(2007, 3, 5));
  EXPECT_EQ(Time(), EncodeTime(14, 7, 9, 45));
  TSystemTime NewYearsEve;
  NewYearsEve.Year = 1999;
  NewYearsEve.Month = 12;
  NewYearsEve.Day = 31;
  NewYearsEve.Hour = 8;
  Clock->SetLocalTime(NewYearsEve);
  EXPECT_EQ(Date(), EncodeDate(1999, 12, 31));
  EXPECT_EQ(NowLocal().DayOfWeek, 5);  // a Friday
}

TEST(ClockOverride, RestoresThePreviousClock) {
  auto Outer = std::make_shared<TFakeClock>();
  TClockOverride UseOuter(Outer);
  {
    auto Inner = std::make_shared<TFakeClock>(TSystemTime{2020, 1, 3, 1}, 5);
    TClockOverride UseInner(Inner);
    EXPECT_EQ(GetTickCount64(), 5u);
  }
  EXPECT_EQ(GetTickCount64(), 1000u);
  EXPECT_EQ(GetClockSource(), Outer);
}

TEST(ClockOverride, SettingNullRestoresTheSystemClock) {
  auto Fake = std::make_shared<TFakeClock>();
  auto Previous = SetClockSource(Fake);
  EXPECT_EQ(GetClockSource(), Fake);
  SetClockSource(nullptr);
  EXPECT_NE(GetClockSource(), Fake);
  SetClockSource(Previous);
}

TEST(SystemClock, TicksNeverGoBackAndLocalTimeIsPlausible) {
  TSystemClock C;
  const auto A = C.TickCount64();
  C.Sleep(1);
  EXPECT_GE(C.TickCount64(), A + 1);
  const TSystemTime T = C.LocalTime();
  EXPECT_GE(T.Year, 2020);
  EXPECT_GE(T.Month, 1);
  EXPECT_LE(T.Month, 12);
  EXPECT_LE(T.Milliseconds, 999);
}
