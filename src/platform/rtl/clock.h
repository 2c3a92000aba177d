// The one source of time for the whole system.
//
// The tick count (milliseconds since start of the machine), the local wall
// clock and the "wait a while" primitive all come through one replaceable
// TClockSource. Production code uses the system clock; a test installs a
// TFakeClock with TClockOverride and then moves time by hand or lets
// ClockSleep move it, so that the waits of the program (5 s closing the
// host, 10 s retrying table locks) run in no time. Now, Date and Time of
// the class library read the wall clock from here.
//
// Thread safety: all functions may be called from any thread. Replacing the
// source is safe against concurrent readers (they finish with the source
// they already hold). TFakeClock is internally synchronised.
#pragma once

#include <memory>
#include <mutex>

#include "platform/rtl/system.h"

// A broken-down local time, as the platform's GetLocalTime gives it.
struct TSystemTime {
  Word Year = 0;
  Word Month = 0;      // 1..12
  Word DayOfWeek = 0;  // 0 = Sunday .. 6 = Saturday
  Word Day = 0;        // 1..31
  Word Hour = 0;
  Word Minute = 0;
  Word Second = 0;
  Word Milliseconds = 0;
};

// Where time comes from. Implementations must be thread-safe.
class TClockSource {
 public:
  virtual ~TClockSource() = default;
  // Milliseconds since an arbitrary fixed origin; never goes backwards.
  virtual std::uint64_t TickCount64() = 0;
  // The current local date and time.
  virtual TSystemTime LocalTime() = 0;
  // Blocks the caller for about Milliseconds (a fake clock advances instead).
  virtual void Sleep(Cardinal Milliseconds) = 0;
};

// The real clock: a monotonic counter, the system's local time and a real
// sleep.
class TSystemClock : public TClockSource {
 public:
  std::uint64_t TickCount64() override;
  TSystemTime LocalTime() override;
  void Sleep(Cardinal Milliseconds) override;
};

// A clock for tests: ticks and local time stand still until Advance or
// Sleep moves them, both by the same amount. Starts at tick StartTick and at
// the local time Start (by default 1 January 2000, 00:00:00.000, a Saturday).
class TFakeClock : public TClockSource {
 public:
  TFakeClock();
  explicit TFakeClock(const TSystemTime& Start, std::uint64_t StartTick = 1000);
  // A fake clock standing at the given local time (tick 1000).
  static std::shared_ptr<TFakeClock> At(Word Year, Word Month, Word Day, Word Hour = 0,
                                        Word Minute = 0, Word Second = 0, Word Milliseconds = 0);

  std::uint64_t TickCount64() override;
  TSystemTime LocalTime() override;
  // Advances the clock by Milliseconds and returns at once.
  void Sleep(Cardinal Milliseconds) override;

  // Moves ticks and local time forward by Milliseconds.
  void Advance(std::uint64_t Milliseconds);
  // Sets the local time (ticks unchanged). DayOfWeek is recomputed.
  void SetLocalTime(const TSystemTime& T);
  // Sets the tick counter (local time unchanged).
  void SetTickCount(std::uint64_t Tick);
  // Total milliseconds the clock was asked to sleep so far.
  std::uint64_t SleptMilliseconds();

 private:
  std::mutex FLock;
  std::uint64_t FTick;
  std::int64_t FLocalMs;  // milliseconds since 0001-01-01 00:00 local
  std::uint64_t FSlept = 0;
};

// Installs Source as the process clock (null restores the system clock) and
// returns the one it replaces. The clock is shared: callers holding the old
// one may keep using it.
std::shared_ptr<TClockSource> SetClockSource(std::shared_ptr<TClockSource> Source);

// The clock in force.
std::shared_ptr<TClockSource> GetClockSource();

// Installs a clock for the lifetime of the object, then puts the previous
// one back. Overrides must end in the reverse order of their start (destroy
// an old override before making its replacement). Typical test use:
//   auto Clock = std::make_shared<TFakeClock>();
//   TClockOverride Use(Clock);
class TClockOverride {
 public:
  explicit TClockOverride(std::shared_ptr<TClockSource> Source);
  ~TClockOverride();
  TClockOverride(const TClockOverride&) = delete;
  TClockOverride& operator=(const TClockOverride&) = delete;

 private:
  std::shared_ptr<TClockSource> FPrevious;
};

// Milliseconds since the origin of the clock, wrapping at 2^32 as the
// platform's 32-bit tick count does (every 49.7 days).
Cardinal GetTickCount();
// Milliseconds since the origin of the clock, without wrapping.
std::uint64_t GetTickCount64();
// The current local date and time with milliseconds.
TSystemTime NowLocal();
// Waits Milliseconds on the clock in force (a fake clock just advances).
void ClockSleep(Cardinal Milliseconds);
