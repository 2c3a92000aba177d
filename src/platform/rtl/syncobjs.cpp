#include "platform/rtl/syncobjs.h"

#include <chrono>
#include <unordered_map>

RTL_IMPLEMENT_CLASS(ESyncObjectException, Exception, nullptr)
RTL_IMPLEMENT_CLASS(TSynchroObject, TObject, nullptr)
RTL_IMPLEMENT_CLASS(TCriticalSection, TSynchroObject,
                    [](TObject*) -> TObject* { return new TCriticalSection(); })
RTL_IMPLEMENT_CLASS(TEvent, TSynchroObject, [](TObject*) -> TObject* { return new TEvent(); })
RTL_IMPLEMENT_CLASS(TSimpleEvent, TEvent, [](TObject*) -> TObject* { return new TSimpleEvent(); })
RTL_IMPLEMENT_CLASS(TSemaphore, TSynchroObject,
                    [](TObject*) -> TObject* { return new TSemaphore(); })
RTL_IMPLEMENT_CLASS(TMultiReadExclusiveWriteSynchronizer, TObject,
                    [](TObject*) -> TObject* { return new TMultiReadExclusiveWriteSynchronizer(); })

namespace {
const char* const SNotLockOwner = "Die Sperre wird von diesem Thread nicht gehalten";
const char* const SSemaphoreCount = "Ungültiger Semaphorenzähler";

// Waits on Cond until Ready() holds or Timeout ms have passed; true when
// Ready() holds.
template <class Pred>
bool WaitUntil(std::condition_variable& Cond, std::unique_lock<std::mutex>& Guard, Cardinal Timeout,
               Pred Ready) {
  if (Timeout == INFINITE) {
    Cond.wait(Guard, Ready);
    return true;
  }
  return Cond.wait_for(Guard, std::chrono::milliseconds(Timeout), Ready);
}
}  // namespace

TWaitResult TSynchroObject::WaitFor(Cardinal) {
  Acquire();
  return wrSignaled;
}

namespace {
// Threads in WaitForMultiple sleep on one process-wide condition; every
// object that becomes available bumps the generation and wakes them.
struct TMultiWait {
  std::mutex Lock;
  std::condition_variable Changed;
  std::uint64_t Generation = 0;
};

TMultiWait& MultiWait() {
  static TMultiWait* W = new TMultiWait();  // never freed: used by any thread
  return *W;
}
}  // namespace

void TSynchroObject::NotifyMultiWaiters() {
  TMultiWait& W = MultiWait();
  std::lock_guard<std::mutex> Guard(W.Lock);
  ++W.Generation;
  W.Changed.notify_all();
}

TWaitResult TSynchroObject::WaitForMultiple(const std::vector<TSynchroObject*>& Objects,
                                            Cardinal Timeout, TSynchroObject*& SignaledObj) {
  SignaledObj = nullptr;
  if (Objects.empty()) return wrError;
  auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Timeout);
  TMultiWait& W = MultiWait();
  for (;;) {
    std::uint64_t Seen;
    {
      std::lock_guard<std::mutex> Guard(W.Lock);
      Seen = W.Generation;
    }
    for (TSynchroObject* Obj : Objects)
      if (Obj->TryWait()) {
        SignaledObj = Obj;
        return wrSignaled;
      }
    // Sleep until some object changed after the tries above began.
    std::unique_lock<std::mutex> Guard(W.Lock);
    auto Changed = [&] { return W.Generation != Seen; };
    if (Timeout == INFINITE)
      W.Changed.wait(Guard, Changed);
    else if (!W.Changed.wait_until(Guard, Deadline, Changed))
      return wrTimeout;
  }
}

// ---- TCriticalSection ------------------------------------------------------

// FOwner names the holding thread (empty when free). Only the holder
// stores its own id there, so a thread that reads its own id holds the
// section and may nest without the mutex; FDepth is touched by the holder
// only. Taking and handing over the section goes through the mutex.

void TCriticalSection::Acquire() {
  auto Me = std::this_thread::get_id();
  if (FOwner.load(std::memory_order_relaxed) == Me) {
    ++FDepth;
    return;
  }
  std::unique_lock<std::mutex> Guard(FLock);
  FFreed.wait(Guard, [&] { return FOwner.load(std::memory_order_relaxed) == std::thread::id(); });
  FOwner.store(Me, std::memory_order_relaxed);
  FDepth = 1;
}

bool TCriticalSection::TryEnter() {
  auto Me = std::this_thread::get_id();
  if (FOwner.load(std::memory_order_relaxed) == Me) {
    ++FDepth;
    return true;
  }
  std::lock_guard<std::mutex> Guard(FLock);
  if (FOwner.load(std::memory_order_relaxed) != std::thread::id()) return false;
  FOwner.store(Me, std::memory_order_relaxed);
  FDepth = 1;
  return true;
}

void TCriticalSection::Release() {
  if (FOwner.load(std::memory_order_relaxed) != std::this_thread::get_id())
    throw ESyncObjectException(SNotLockOwner);
  if (--FDepth > 0) return;
  std::lock_guard<std::mutex> Guard(FLock);
  FOwner.store(std::thread::id(), std::memory_order_relaxed);
  FFreed.notify_one();
  NotifyMultiWaiters();
}

// ---- TEvent ----------------------------------------------------------------

void TEvent::SetEvent() {
  {
    std::lock_guard<std::mutex> Guard(FLock);
    FSignaled = true;
    if (FManualReset)
      FChanged.notify_all();
    else
      FChanged.notify_one();
  }
  NotifyMultiWaiters();
}

void TEvent::ResetEvent() {
  std::lock_guard<std::mutex> Guard(FLock);
  FSignaled = false;
}

TWaitResult TEvent::WaitFor(Cardinal Timeout) {
  std::unique_lock<std::mutex> Guard(FLock);
  if (!WaitUntil(FChanged, Guard, Timeout, [&] { return FSignaled; })) return wrTimeout;
  if (!FManualReset) FSignaled = false;
  return wrSignaled;
}

// ---- TSemaphore ------------------------------------------------------------

TSemaphore::TSemaphore(Integer InitialCount, Integer MaximumCount)
    : FCount(InitialCount), FMaximumCount(MaximumCount) {
  if (MaximumCount < 1 || InitialCount < 0 || InitialCount > MaximumCount)
    throw ESyncObjectException(SSemaphoreCount);
}

TWaitResult TSemaphore::WaitFor(Cardinal Timeout) {
  std::unique_lock<std::mutex> Guard(FLock);
  if (!WaitUntil(FChanged, Guard, Timeout, [&] { return FCount > 0; })) return wrTimeout;
  --FCount;
  return wrSignaled;
}

Integer TSemaphore::Release(Integer Count) {
  Integer Previous;
  {
    std::lock_guard<std::mutex> Guard(FLock);
    if (Count < 1 || Count > FMaximumCount - FCount) throw ESyncObjectException(SSemaphoreCount);
    Previous = FCount;
    FCount += Count;
    if (Count == 1)
      FChanged.notify_one();
    else
      FChanged.notify_all();
  }
  NotifyMultiWaiters();
  return Previous;
}

Integer TSemaphore::Count() {
  std::lock_guard<std::mutex> Guard(FLock);
  return FCount;
}

// ---- TMultiReadExclusiveWriteSynchronizer ----------------------------------

Integer& TMultiReadExclusiveWriteSynchronizer::MyReadDepth() {
  thread_local std::unordered_map<const void*, Integer> Depths;
  return Depths[this];
}

bool TMultiReadExclusiveWriteSynchronizer::HeldByMe() const {
  return FWriteDepth > 0 && FWriter == std::this_thread::get_id();
}

void TMultiReadExclusiveWriteSynchronizer::BeginRead() {
  std::unique_lock<std::mutex> Guard(FLock);
  if (HeldByMe()) {
    ++FWriteDepth;  // a writer's read is one more write nesting
    return;
  }
  Integer& Depth = MyReadDepth();
  // A thread that already reads goes on, even past waiting writers, so
  // that nested reads cannot deadlock.
  if (Depth == 0) FChanged.wait(Guard, [&] { return FWriteDepth == 0 && FWaitingWriters == 0; });
  ++Depth;
  ++FReaders;
}

void TMultiReadExclusiveWriteSynchronizer::EndRead() {
  std::unique_lock<std::mutex> Guard(FLock);
  if (HeldByMe()) {
    Guard.unlock();
    EndWrite();
    return;
  }
  Integer& Depth = MyReadDepth();
  if (Depth == 0) throw ESyncObjectException(SNotLockOwner);
  --Depth;
  if (--FReaders == 0) FChanged.notify_all();
}

bool TMultiReadExclusiveWriteSynchronizer::BeginWrite() {
  std::unique_lock<std::mutex> Guard(FLock);
  if (HeldByMe()) {
    ++FWriteDepth;
    return true;
  }
  // The caller's own reads are set aside while it waits and writes.
  Integer& Depth = MyReadDepth();
  Integer Saved = Depth;
  FReaders -= Saved;
  Depth = 0;
  if (Saved > 0) FChanged.notify_all();
  Cardinal Before = FWriteCount;
  ++FWaitingWriters;
  FChanged.wait(Guard, [&] { return FWriteDepth == 0 && FReaders == 0; });
  --FWaitingWriters;
  FWriter = std::this_thread::get_id();
  FWriteDepth = 1;
  FSavedReadDepth = Saved;
  return FWriteCount == Before;
}

Integer TMultiReadExclusiveWriteSynchronizer::WaitingWriters() {
  std::lock_guard Guard(FLock);
  return FWaitingWriters;
}

void TMultiReadExclusiveWriteSynchronizer::EndWrite() {
  std::lock_guard<std::mutex> Guard(FLock);
  if (!HeldByMe()) throw ESyncObjectException(SNotLockOwner);
  if (--FWriteDepth > 0) return;
  FWriter = std::thread::id();
  ++FWriteCount;
  MyReadDepth() = FSavedReadDepth;
  FReaders += FSavedReadDepth;
  FSavedReadDepth = 0;
  FChanged.notify_all();
}
