#include "platform/rtl/clock.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

#include "platform/rtl/datetime.h"

namespace {

constexpr std::int64_t kMsPerDay = 86400000;

// Local times of the fake clock are kept as milliseconds since
// 0001-01-01 00:00 so that advancing is plain addition.
std::int64_t ToMilliseconds(const TSystemTime& T) {
  const Int64 Day = static_cast<Int64>(EncodeDate(T.Year, T.Month, T.Day)) + DateDelta;
  return (Day - 1) * kMsPerDay + T.Hour * 3600000LL + T.Minute * 60000LL + T.Second * 1000LL +
         T.Milliseconds;
}

TSystemTime FromMilliseconds(std::int64_t Ms) {
  const Int64 Day = Ms / kMsPerDay + 1;
  const std::int64_t Rest = Ms % kMsPerDay;
  TSystemTime T;
  DecodeDate(static_cast<TDateTime>(Day - DateDelta), T.Year, T.Month, T.Day);
  T.DayOfWeek = static_cast<Word>(Day % 7);
  T.Hour = static_cast<Word>(Rest / 3600000);
  T.Minute = static_cast<Word>(Rest / 60000 % 60);
  T.Second = static_cast<Word>(Rest / 1000 % 60);
  T.Milliseconds = static_cast<Word>(Rest % 1000);
  return T;
}

std::mutex gSourceLock;
std::shared_ptr<TClockSource> gSource;  // null: the system clock

std::shared_ptr<TClockSource> SystemClock() {
  static const std::shared_ptr<TClockSource> Clock = std::make_shared<TSystemClock>();
  return Clock;
}

}  // namespace

// ---------------------------------------------------------------------------
// TSystemClock

std::uint64_t TSystemClock::TickCount64() {
  timespec Ts{};
  clock_gettime(CLOCK_BOOTTIME, &Ts);
  return std::uint64_t(Ts.tv_sec) * 1000 + std::uint64_t(Ts.tv_nsec) / 1000000;
}

TSystemTime TSystemClock::LocalTime() {
  timespec Ts{};
  clock_gettime(CLOCK_REALTIME, &Ts);
  std::tm Tm{};
  localtime_r(&Ts.tv_sec, &Tm);
  TSystemTime T;
  T.Year = static_cast<Word>(Tm.tm_year + 1900);
  T.Month = static_cast<Word>(Tm.tm_mon + 1);
  T.DayOfWeek = static_cast<Word>(Tm.tm_wday);
  T.Day = static_cast<Word>(Tm.tm_mday);
  T.Hour = static_cast<Word>(Tm.tm_hour);
  T.Minute = static_cast<Word>(Tm.tm_min);
  T.Second = static_cast<Word>(std::min(Tm.tm_sec, 59));  // no leap second
  T.Milliseconds = static_cast<Word>(Ts.tv_nsec / 1000000);
  return T;
}

void TSystemClock::Sleep(Cardinal Milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

// ---------------------------------------------------------------------------
// TFakeClock

// Saturday, 1 January 2000, midnight.
TFakeClock::TFakeClock() : TFakeClock(TSystemTime{2000, 1, 6, 1}) {}

TFakeClock::TFakeClock(const TSystemTime& Start, std::uint64_t StartTick)
    : FTick(StartTick), FLocalMs(ToMilliseconds(Start)) {}

std::shared_ptr<TFakeClock> TFakeClock::At(Word Year, Word Month, Word Day, Word Hour,
                                           Word Minute, Word Second, Word Milliseconds) {
  TSystemTime T;
  T.Year = Year;
  T.Month = Month;
  T.Day = Day;
  T.Hour = Hour;
  T.Minute = Minute;
  T.Second = Second;
  T.Milliseconds = Milliseconds;
  return std::make_shared<TFakeClock>(T);
}

std::uint64_t TFakeClock::TickCount64() {
  std::lock_guard<std::mutex> Guard(FLock);
  return FTick;
}

TSystemTime TFakeClock::LocalTime() {
  std::lock_guard<std::mutex> Guard(FLock);
  return FromMilliseconds(FLocalMs);
}

void TFakeClock::Sleep(Cardinal Milliseconds) {
  std::lock_guard<std::mutex> Guard(FLock);
  FTick += Milliseconds;
  FLocalMs += Milliseconds;
  FSlept += Milliseconds;
}

void TFakeClock::Advance(std::uint64_t Milliseconds) {
  std::lock_guard<std::mutex> Guard(FLock);
  FTick += Milliseconds;
  FLocalMs += static_cast<std::int64_t>(Milliseconds);
}

void TFakeClock::SetLocalTime(const TSystemTime& T) {
  std::lock_guard<std::mutex> Guard(FLock);
  FLocalMs = ToMilliseconds(T);
}

void TFakeClock::SetTickCount(std::uint64_t Tick) {
  std::lock_guard<std::mutex> Guard(FLock);
  FTick = Tick;
}

std::uint64_t TFakeClock::SleptMilliseconds() {
  std::lock_guard<std::mutex> Guard(FLock);
  return FSlept;
}

// ---------------------------------------------------------------------------
// The process clock

std::shared_ptr<TClockSource> SetClockSource(std::shared_ptr<TClockSource> Source) {
  std::lock_guard<std::mutex> Guard(gSourceLock);
  std::shared_ptr<TClockSource> Previous = gSource ? gSource : SystemClock();
  gSource = std::move(Source);
  return Previous;
}

std::shared_ptr<TClockSource> GetClockSource() {
  {
    std::lock_guard<std::mutex> Guard(gSourceLock);
    if (gSource) return gSource;
  }
  return SystemClock();
}

TClockOverride::TClockOverride(std::shared_ptr<TClockSource> Source)
    : FPrevious(SetClockSource(std::move(Source))) {}

TClockOverride::~TClockOverride() { SetClockSource(FPrevious); }

Cardinal GetTickCount() { return static_cast<Cardinal>(GetClockSource()->TickCount64()); }

std::uint64_t GetTickCount64() { return GetClockSource()->TickCount64(); }

TSystemTime NowLocal() { return GetClockSource()->LocalTime(); }

void ClockSleep(Cardinal Milliseconds) { GetClockSource()->Sleep(Milliseconds); }
