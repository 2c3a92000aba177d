// TTimer: events on the injectable clock, starting and stopping, and a
// timer freed while its tick is queued.
#include "platform/gui/extctrls_timer.h"

#include "platform/rtl/typinfo.h"
#include "wm_fixture.h"

namespace {

class TimerTest : public WmTest {
 protected:
  // Advances the clock by Ms and handles what is due; returns the events.
  int Tick(std::uint64_t Ms) {
    Fired = 0;
    Clock->Advance(Ms);
    ProcessMessages();
    return Fired;
  }
  std::unique_ptr<TTimer> NewTimer(Cardinal Interval) {
    auto T = std::make_unique<TTimer>(nullptr);
    T->SetInterval(Interval);
    T->SetOnTimer([this](TObject*) { ++Fired; });
    return T;
  }
  int Fired = 0;
};

TEST_F(TimerTest, FiresEveryIntervalOfTheClock) {
  auto T = NewTimer(250);
  EXPECT_TRUE(T->Running());
  EXPECT_EQ(Tick(249), 0);
  EXPECT_EQ(Tick(1), 1);
  EXPECT_EQ(Tick(250), 1);
  EXPECT_EQ(Tick(1000), 1);  // missed periods give one event
}

TEST_F(TimerTest, DisabledOrEmptyTimerDoesNotRun) {
  auto T = NewTimer(100);
  T->SetEnabled(false);
  EXPECT_FALSE(T->Running());
  EXPECT_EQ(Tick(500), 0);
  T->SetEnabled(true);
  EXPECT_EQ(Tick(100), 1);
  T->SetInterval(0);
  EXPECT_EQ(Tick(500), 0);
  T->SetInterval(100);
  T->SetOnTimer(nullptr);
  EXPECT_FALSE(T->Running());
}

TEST_F(TimerTest, ChangingTheIntervalStartsAfresh) {
  auto T = NewTimer(100);
  Tick(60);
  T->SetInterval(200);
  EXPECT_EQ(Tick(140), 0);
  EXPECT_EQ(Tick(60), 1);
}

TEST_F(TimerTest, FreedTimerFiresNoMore) {
  auto T = NewTimer(100);
  Clock->Advance(100);
  T.reset();
  EXPECT_EQ(Tick(0), 0);
  EXPECT_EQ(Tick(500), 0);
}

TEST_F(TimerTest, IntervalIsAPublishedProperty) {
  auto T = std::make_unique<TTimer>(nullptr);
  SetPropValue(T.get(), "Interval", "50");
  EXPECT_EQ(T->Interval(), 50u);
  T->SetOnTimer([this](TObject*) { ++Fired; });
  EXPECT_EQ(Tick(50), 1);
}

}  // namespace
