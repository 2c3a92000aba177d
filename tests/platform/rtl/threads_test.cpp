#include "platform/rtl/threads.h"

#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

// A thread whose work is given as a function; it can report its death.
class TJobThread : public TThread {
 public:
  using TBody = std::function<void(TJobThread*)>;
  explicit TJobThread(TBody Body, bool CreateSuspended = true, std::atomic<bool>* Died = nullptr)
      : TThread(CreateSuspended), FBody(std::move(Body)), FDied(Died) {}
  ~TJobThread() override {
    Terminate();
    WaitForUnlessFree();
    if (FDied) *FDied = true;
  }
  using TThread::SetReturnValue;
  std::atomic<int> TerminatedSetCalls{0};

 protected:
  void Execute() override { FBody(this); }
  void TerminatedSet() override { ++TerminatedSetCalls; }

 private:
  void WaitForUnlessFree() {
    if (!FreeOnTerminate() && CurrentThread() != this) WaitFor();
  }
  TBody FBody;
  std::atomic<bool>* FDied;
};

// The test's main loop: runs handed-over work until Done() or 5 s passed.
template <class Pred>
bool PumpUntil(Pred Done) {
  auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!Done()) {
    if (std::chrono::steady_clock::now() > Deadline) return false;
    CheckSynchronize(10);
  }
  return true;
}

class ThreadTest : public ::testing::Test {
 protected:
  void TearDown() override {
    WakeMainThread = nullptr;
    while (CheckSynchronize(0)) {
    }
  }
};

TEST_F(ThreadTest, TheTestRunsOnTheMainThread) {
  EXPECT_TRUE(IsMainThread());
  EXPECT_EQ(GetCurrentThreadID(), MainThreadID);
  EXPECT_EQ(TThread::CurrentThread(), nullptr);
}

// The id is the kernel's, also in a forked child (its thread is another),
// and on every other thread.
TEST_F(ThreadTest, TheThreadIdIsTheKernelsAlsoAfterAFork) {
  EXPECT_EQ(GetCurrentThreadID(), static_cast<TThreadID>(::syscall(SYS_gettid)));
  const pid_t Child = ::fork();
  if (Child == 0)
    ::_exit(GetCurrentThreadID() == static_cast<TThreadID>(::syscall(SYS_gettid)) && !IsMainThread() ? 0 : 1);
  int Status = -1;
  ASSERT_EQ(::waitpid(Child, &Status, 0), Child);
  EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
  TThreadID Other = 0;
  std::thread([&] { Other = GetCurrentThreadID(); }).join();
  EXPECT_NE(Other, GetCurrentThreadID());
  EXPECT_NE(Other, 0u);
}

TEST_F(ThreadTest, WaitForReturnsTheReturnValue) {
  TJobThread T([](TJobThread* Self) { Self->SetReturnValue(42); });
  EXPECT_TRUE(T.Suspended());
  T.Start();
  EXPECT_NE(T.ThreadID(), 0u);
  EXPECT_NE(T.ThreadID(), MainThreadID);
  EXPECT_EQ(T.WaitFor(), 42);
  EXPECT_TRUE(T.Finished());
  EXPECT_FALSE(T.FatalException());
}

TEST_F(ThreadTest, ExecuteRunsOnItsOwnThread) {
  std::atomic<bool> OnMain{true};
  TThread* Seen = nullptr;
  TJobThread T([&](TJobThread*) {
    OnMain = IsMainThread();
    Seen = TThread::CurrentThread();
  });
  T.Start();
  T.WaitFor();
  EXPECT_FALSE(OnMain);
  EXPECT_EQ(Seen, &T);
}

TEST_F(ThreadTest, AnExceptionOfExecuteIsKept) {
  TJobThread T([](TJobThread*) { throw EConvertError("kaputt"); });
  T.Start();
  T.WaitFor();
  ASSERT_TRUE(T.FatalException());
  EXPECT_THROW(std::rethrow_exception(T.FatalException()), EConvertError);
}

TEST_F(ThreadTest, TerminateEndsAPollingThread) {
  std::atomic<int> Rounds{0};
  TJobThread T([&](TJobThread* Self) {
    while (!Self->Terminated()) {
      ++Rounds;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  T.Start();
  PumpUntil([&] { return Rounds > 0; });
  T.Terminate();
  T.WaitFor();
  EXPECT_TRUE(T.Terminated());
  EXPECT_EQ(T.TerminatedSetCalls, 1);
}

TEST_F(ThreadTest, StartingTwiceRaises) {
  TJobThread T([](TJobThread*) {});
  T.Start();
  EXPECT_THROW(T.Start(), EThread);
  T.WaitFor();
}

TEST_F(ThreadTest, NotSuspendedThreadStartsAfterConstruction) {
  std::atomic<bool> Ran{false};
  std::unique_ptr<TJobThread> T(NewThread<TJobThread>([&](TJobThread*) { Ran = true; }, false));
  T->WaitFor();
  EXPECT_TRUE(Ran);
}

TEST_F(ThreadTest, WaitForOnANeverStartedThreadReturnsAtOnce) {
  TJobThread T([](TJobThread*) {});
  EXPECT_EQ(T.WaitFor(), 0);
}

TEST_F(ThreadTest, WaitForFromTheThreadItselfRaises) {
  std::atomic<bool> Raised{false};
  TJobThread T([&](TJobThread* Self) {
    try {
      Self->WaitFor();
    } catch (const EThread&) {
      Raised = true;
    }
  });
  T.Start();
  T.WaitFor();
  EXPECT_TRUE(Raised);
}

TEST_F(ThreadTest, DestroyingARunningThreadTerminatesAndWaits) {
  std::atomic<bool> Running{false}, Left{false};
  {
    TJobThread T([&](TJobThread* Self) {
      Running = true;
      while (!Self->Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      Left = true;
    });
    T.Start();
    ASSERT_TRUE(PumpUntil([&] { return Running.load(); }));
  }
  EXPECT_TRUE(Left);
}

// ---- hand-over to the main thread ------------------------------------------

TEST_F(ThreadTest, SynchronizeRunsTheMethodOnTheMainThread) {
  std::atomic<TThreadID> RanOn{0};
  TJobThread T([&](TJobThread* Self) { Self->Synchronize([&] { RanOn = GetCurrentThreadID(); }); });
  T.Start();
  T.WaitFor();  // keeps serving the main thread's queue
  EXPECT_EQ(RanOn, MainThreadID);
}

TEST_F(ThreadTest, SynchronizeWaitsUntilTheMainLoopServesIt) {
  std::atomic<int> Stage{0};
  TJobThread T([&](TJobThread* Self) {
    Stage = 1;
    Self->Synchronize([&] { Stage = 2; });
    Stage = 3;
  });
  T.Start();
  ASSERT_TRUE(PumpUntil([&] { return Stage == 3; }));
  T.WaitFor();
}

TEST_F(ThreadTest, SynchronizeOnTheMainThreadRunsDirectly) {
  bool Ran = false;
  TThread::Synchronize(nullptr, [&] { Ran = true; });
  EXPECT_TRUE(Ran);
  Ran = false;
  TThread::Queue(nullptr, [&] { Ran = true; });
  EXPECT_TRUE(Ran);
}

TEST_F(ThreadTest, AnExceptionOfASynchronizedMethodReturnsToTheThread) {
  std::atomic<bool> Caught{false};
  TJobThread T([&](TJobThread* Self) {
    try {
      Self->Synchronize([] { throw EAbort("stop"); });
    } catch (const EAbort&) {
      Caught = true;
    }
  });
  T.Start();
  T.WaitFor();
  EXPECT_TRUE(Caught);
}

TEST_F(ThreadTest, QueuedMethodsRunInOrderInCheckSynchronize) {
  std::vector<int> Order;
  TJobThread T([&](TJobThread* Self) {
    for (int i = 0; i < 3; ++i) Self->Queue([&Order, i] { Order.push_back(i); });
  });
  T.Start();
  T.WaitFor();
  PumpUntil([&] { return Order.size() == 3; });
  EXPECT_EQ(Order, (std::vector<int>{0, 1, 2}));
}

TEST_F(ThreadTest, ForceQueueOnTheMainThreadWaitsForTheLoop) {
  bool Ran = false;
  TThread::ForceQueue(nullptr, [&] { Ran = true; });
  EXPECT_FALSE(Ran);
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_TRUE(Ran);
  EXPECT_FALSE(CheckSynchronize(5));
}

TEST_F(ThreadTest, RemoveQueuedEventsDropsPendingMethods) {
  int Ran = 0;
  TJobThread T([](TJobThread*) {});
  TThread::ForceQueue(&T, [&] { ++Ran; });
  TThread::ForceQueue(nullptr, [&] { Ran += 10; });
  TThread::RemoveQueuedEvents(&T);
  while (CheckSynchronize()) {
  }
  EXPECT_EQ(Ran, 10);
}

TEST_F(ThreadTest, WakeMainThreadIsCalledForHandedOverWork) {
  std::atomic<int> Wakes{0};
  WakeMainThread = [&](TObject*) { ++Wakes; };
  TJobThread T([](TJobThread* Self) { Self->Queue([] {}); });
  T.Start();
  T.WaitFor();
  EXPECT_GE(Wakes, 1);
}

TEST_F(ThreadTest, CheckSynchronizeOffTheMainThreadRaises) {
  std::atomic<bool> Raised{false};
  TJobThread T([&](TJobThread*) {
    try {
      CheckSynchronize();
    } catch (const EThread&) {
      Raised = true;
    }
  });
  T.Start();
  T.WaitFor();
  EXPECT_TRUE(Raised);
}

// ---- termination -----------------------------------------------------------

TEST_F(ThreadTest, OnTerminateRunsOnTheMainThreadBeforeWaitForReturns) {
  TThreadID RanOn = 0;
  TObject* Sender = nullptr;
  TJobThread T([](TJobThread*) {});
  T.OnTerminate = [&](TObject* S) {
    RanOn = GetCurrentThreadID();
    Sender = S;
  };
  T.Start();
  T.WaitFor();
  EXPECT_EQ(RanOn, MainThreadID);
  EXPECT_EQ(Sender, &T);
}

TEST_F(ThreadTest, FreeOnTerminateDeletesTheThreadAfterOnTerminate) {
  std::atomic<bool> Died{false};
  bool Notified = false, DiedBeforeNotify = false;
  auto* T = new TJobThread([](TJobThread*) {}, true, &Died);
  T->SetFreeOnTerminate(true);
  T->OnTerminate = [&](TObject*) {
    Notified = true;
    DiedBeforeNotify = Died;
  };
  T->Start();
  ASSERT_TRUE(PumpUntil([&] { return Died.load(); }));
  EXPECT_TRUE(Notified);
  EXPECT_FALSE(DiedBeforeNotify);
}

TEST_F(ThreadTest, WaitForOnASelfFreeingThreadRaises) {
  std::atomic<bool> Died{false}, Go{false};
  auto* T = new TJobThread(
      [&](TJobThread*) {
        while (!Go) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      },
      true, &Died);
  T->SetFreeOnTerminate(true);
  T->Start();
  EXPECT_THROW(T->WaitFor(), EThread);
  Go = true;
  ASSERT_TRUE(PumpUntil([&] { return Died.load(); }));
}

}  // namespace
