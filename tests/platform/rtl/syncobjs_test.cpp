#include "platform/rtl/syncobjs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <thread>

namespace {

// Runs Fn on a helper thread and joins it when the scope ends.
class TOtherThread {
 public:
  template <class Fn>
  explicit TOtherThread(Fn F) : FThread(F) {}
  ~TOtherThread() { Join(); }
  void Join() {
    if (FThread.joinable()) FThread.join();
  }

 private:
  std::thread FThread;
};

// ---- critical section ------------------------------------------------------

TEST(CriticalSectionTest, TheOwnerMayEnterAgain) {
  TCriticalSection CS;
  CS.Enter();
  EXPECT_TRUE(CS.TryEnter());
  CS.Enter();
  CS.Leave();
  CS.Leave();
  CS.Leave();
  EXPECT_THROW(CS.Leave(), ESyncObjectException);
}

TEST(CriticalSectionTest, OtherThreadsStayOutUntilTheLastLeave) {
  TCriticalSection CS;
  CS.Enter();
  CS.Enter();
  std::atomic<bool> Got{true};
  TOtherThread([&] { Got = CS.TryEnter(); }).Join();
  EXPECT_FALSE(Got);
  CS.Leave();
  TOtherThread([&] { Got = CS.TryEnter(); }).Join();
  EXPECT_FALSE(Got);
  CS.Leave();
  TOtherThread([&] {
    Got = CS.TryEnter();
    if (Got) CS.Leave();
  }).Join();
  EXPECT_TRUE(Got);
}

TEST(CriticalSectionTest, LeavingALockOfAnotherThreadRaises) {
  TCriticalSection CS;
  CS.Enter();
  std::atomic<bool> Raised{false};
  TOtherThread([&] {
    try {
      CS.Leave();
    } catch (const ESyncObjectException&) {
      Raised = true;
    }
  }).Join();
  EXPECT_TRUE(Raised);
  CS.Leave();
}

// Nested entries by the holder pass without the mutex; under contention
// each thread's depth must still be its own and the last leave hand over.
TEST(CriticalSectionTest, GuardsACounterAcrossThreadsAlsoWhenNested) {
  TCriticalSection CS;
  int Counter = 0, Inside = 0, MaxInside = 0;
  {
    std::deque<TOtherThread> Threads;
    for (int t = 0; t < 4; ++t)
      Threads.emplace_back([&, t] {
        for (int i = 0; i < 1000; ++i) {
          TCriticalSectionGuard Guard(CS);
          MaxInside = std::max(MaxInside, ++Inside);
          for (int Depth = 0; Depth < t; ++Depth) CS.Enter();
          ++Counter;
          for (int Depth = 0; Depth < t; ++Depth) CS.Leave();
          --Inside;
        }
      });
  }
  EXPECT_EQ(Counter, 4000);
  EXPECT_EQ(MaxInside, 1);
  EXPECT_TRUE(CS.TryEnter());  // free again
  CS.Leave();
}

// ---- events ----------------------------------------------------------------

TEST(EventTest, AnUnsignalledEventTimesOut) {
  TEvent E;
  EXPECT_EQ(E.WaitFor(0), wrTimeout);
  EXPECT_EQ(E.WaitFor(5), wrTimeout);
}

TEST(EventTest, AManualResetEventStaysSignalled) {
  TEvent E(true, false);
  E.SetEvent();
  EXPECT_EQ(E.WaitFor(0), wrSignaled);
  EXPECT_EQ(E.WaitFor(0), wrSignaled);
  E.ResetEvent();
  EXPECT_EQ(E.WaitFor(0), wrTimeout);
}

TEST(EventTest, AnAutoResetEventReleasesOneWaiter) {
  TEvent E(false, true);
  EXPECT_EQ(E.WaitFor(0), wrSignaled);
  EXPECT_EQ(E.WaitFor(0), wrTimeout);
}

TEST(EventTest, SetEventWakesAWaitingThread) {
  TSimpleEvent E;
  std::atomic<TWaitResult> Result{wrError};
  TOtherThread Waiter([&] { Result = E.WaitFor(INFINITE); });
  E.SetEvent();
  Waiter.Join();
  EXPECT_EQ(Result, wrSignaled);
}

TEST(EventTest, ManualResetReleasesEveryWaiter) {
  TEvent E;
  std::atomic<int> Woken{0};
  {
    std::deque<TOtherThread> Waiters;
    for (int i = 0; i < 3; ++i)
      Waiters.emplace_back([&] {
        if (E.WaitFor(INFINITE) == wrSignaled) ++Woken;
      });
    E.SetEvent();
  }
  EXPECT_EQ(Woken, 3);
}

// ---- semaphores ------------------------------------------------------------

TEST(SemaphoreTest, WaitTakesUnitsUntilNoneAreLeft) {
  TSemaphore S(2, 5);
  EXPECT_EQ(S.WaitFor(0), wrSignaled);
  EXPECT_EQ(S.WaitFor(0), wrSignaled);
  EXPECT_EQ(S.WaitFor(5), wrTimeout);
  EXPECT_EQ(S.Count(), 0);
}

TEST(SemaphoreTest, ReleaseReturnsThePreviousCount) {
  TSemaphore S(1, 3);
  EXPECT_EQ(S.Release(2), 1);
  EXPECT_EQ(S.Count(), 3);
}

TEST(SemaphoreTest, ReleasingBeyondTheMaximumRaisesAndChangesNothing) {
  TSemaphore S(2, 3);
  EXPECT_THROW(S.Release(2), ESyncObjectException);
  EXPECT_EQ(S.Count(), 2);
  EXPECT_THROW(S.Release(0), ESyncObjectException);
}

TEST(SemaphoreTest, InconsistentCountsAreRefused) {
  EXPECT_THROW(TSemaphore(4, 3), ESyncObjectException);
  EXPECT_THROW(TSemaphore(-1, 3), ESyncObjectException);
  EXPECT_THROW(TSemaphore(0, 0), ESyncObjectException);
}

TEST(SemaphoreTest, ReleaseWakesAWaitingThread) {
  TSemaphore S;
  std::atomic<TWaitResult> Result{wrError};
  TOtherThread Waiter([&] { Result = S.WaitFor(INFINITE); });
  S.Release();
  Waiter.Join();
  EXPECT_EQ(Result, wrSignaled);
  EXPECT_EQ(S.Count(), 0);
}

// ---- waiting for several objects ------------------------------------------

TEST(WaitForMultipleTest, TakesTheFirstAvailableObjectInListOrder) {
  TSemaphore Jobs(1), Wake(1);
  TSynchroObject* Got = nullptr;
  EXPECT_EQ(TSynchroObject::WaitForMultiple({&Jobs, &Wake}, 0, Got), wrSignaled);
  EXPECT_EQ(Got, &Jobs);
  EXPECT_EQ(Jobs.Count(), 0);
  EXPECT_EQ(Wake.Count(), 1);
  EXPECT_EQ(TSynchroObject::WaitForMultiple({&Jobs, &Wake}, 0, Got), wrSignaled);
  EXPECT_EQ(Got, &Wake);
}

TEST(WaitForMultipleTest, TimesOutWhenNothingIsSignalled) {
  TSemaphore Jobs;
  TEvent Stop;
  TSynchroObject* Got = &Jobs;
  EXPECT_EQ(TSynchroObject::WaitForMultiple({&Jobs, &Stop}, 5, Got), wrTimeout);
  EXPECT_EQ(Got, nullptr);
  EXPECT_EQ(TSynchroObject::WaitForMultiple({}, 5, Got), wrError);
}

TEST(WaitForMultipleTest, AReleaseFromAnotherThreadWakesTheWaiter) {
  TSemaphore Jobs, Wake;
  TSynchroObject* Got = nullptr;
  std::atomic<TWaitResult> Result{wrError};
  TOtherThread Waiter([&] {
    Result = TSynchroObject::WaitForMultiple({&Jobs, &Wake}, INFINITE, Got);
  });
  Wake.Release();
  Waiter.Join();
  EXPECT_EQ(Result, wrSignaled);
  EXPECT_EQ(Got, &Wake);
  EXPECT_EQ(Wake.Count(), 0);
}

TEST(WaitForMultipleTest, AnAutoResetEventIsClearedByTheWait) {
  TEvent Auto(false, false);
  TSynchroObject* Got = nullptr;
  TOtherThread Setter([&] { Auto.SetEvent(); });
  EXPECT_EQ(TSynchroObject::WaitForMultiple({&Auto}, INFINITE, Got), wrSignaled);
  EXPECT_EQ(Auto.WaitFor(0), wrTimeout);
}

// ---- multi-read exclusive-write --------------------------------------------

TEST(MultiReadTest, ReadersShareWritersExclude) {
  TMultiReadExclusiveWriteSynchronizer Sync;
  Sync.BeginRead();
  std::atomic<bool> OtherRead{false};
  TOtherThread([&] {
    Sync.BeginRead();
    OtherRead = true;
    Sync.EndRead();
  }).Join();
  EXPECT_TRUE(OtherRead);

  std::atomic<bool> Wrote{false};
  TOtherThread Writer([&] {
    Sync.BeginWrite();
    Wrote = true;
    Sync.EndWrite();
  });
  // Once the writer waits inside BeginWrite it has not written: our read
  // holds it out.
  while (Sync.WaitingWriters() == 0) std::this_thread::yield();
  EXPECT_FALSE(Wrote);
  Sync.EndRead();
  Writer.Join();
  EXPECT_TRUE(Wrote);
}

TEST(MultiReadTest, AccessIsReentrantAndAReaderMayWrite) {
  TMultiReadExclusiveWriteSynchronizer Sync;
  Sync.BeginRead();
  Sync.BeginRead();
  EXPECT_TRUE(Sync.BeginWrite());
  Sync.BeginWrite();
  Sync.BeginRead();
  Sync.EndRead();
  Sync.EndWrite();
  Sync.EndWrite();
  Sync.EndRead();
  Sync.EndRead();
  EXPECT_THROW(Sync.EndRead(), ESyncObjectException);
  EXPECT_THROW(Sync.EndWrite(), ESyncObjectException);
}

}  // namespace
