// Synchronisation objects of the class library: the re-entrant critical
// section, events (manual or automatic reset), counting semaphores and the
// multi-reader/single-writer lock.
//
// Waits take a time-out in milliseconds (INFINITE waits for ever) and
// answer with a TWaitResult. These objects work between the threads of one
// process only.
//
// Thread safety: every operation may be called from any thread; that is
// their purpose. An object must outlive all threads waiting on it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/rtl/exceptions.h"

// Wait for ever.
constexpr Cardinal INFINITE = 0xFFFFFFFF;

// Outcome of a wait. wrAbandoned and wrIOCompletion never occur here; they
// are kept because callers test for them.
enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError, wrIOCompletion };

// Misuse of a synchronisation object (too many releases, leaving a lock
// that is not held).
RTL_DECLARE_EXCEPTION(ESyncObjectException, Exception)

// The common face: Acquire waits, Release gives back, WaitFor waits with a
// time-out.
class TSynchroObject : public TObject {
  RTL_DECLARE_CLASS(TSynchroObject)
 public:
  virtual void Acquire() = 0;
  virtual void Release() = 0;
  // Waits up to Timeout ms; the default acquires and answers wrSignaled.
  virtual TWaitResult WaitFor(Cardinal Timeout = INFINITE);
  // Takes the object when that needs no waiting (as WaitFor(0) would);
  // true when taken.
  virtual bool TryWait() { return WaitFor(0) == wrSignaled; }

  // Waits until any of Objects can be taken, takes the first such one in
  // list order (as its own WaitFor would: an auto-reset event is cleared, a
  // semaphore unit used, a critical section entered) and stores it in
  // SignaledObj. Returns wrSignaled, or wrTimeout (SignaledObj null) after
  // Timeout ms, or wrError (SignaledObj null) for an empty list.
  static TWaitResult WaitForMultiple(const std::vector<TSynchroObject*>& Objects, Cardinal Timeout,
                                     TSynchroObject*& SignaledObj);

 protected:
  // Every object calls this after it became available, so that threads in
  // WaitForMultiple look again.
  static void NotifyMultiWaiters();
};

// A lock that the owning thread may enter again; it is free when every
// Enter has been matched by a Leave.
class TCriticalSection : public TSynchroObject {
  RTL_DECLARE_CLASS(TCriticalSection)
 public:
  void Acquire() final;
  // Raises ESyncObjectException when the caller does not hold the lock.
  void Release() final;
  // Acquire and Release; entering again a lock the caller holds (the usual
  // case of nested calls) costs a comparison here.
  void Enter() {
    if (FOwner.load(std::memory_order_relaxed) == std::this_thread::get_id()) {
      ++FDepth;
      return;
    }
    Acquire();
  }
  void Leave() {
    if (FOwner.load(std::memory_order_relaxed) == std::this_thread::get_id() && FDepth > 1) {
      --FDepth;
      return;
    }
    Release();
  }
  // Enters when the lock is free or held by the caller; false otherwise,
  // without waiting.
  bool TryEnter();
  bool TryWait() override { return TryEnter(); }

 private:
  std::mutex FLock;
  std::condition_variable FFreed;
  std::atomic<std::thread::id> FOwner{};
  Integer FDepth = 0;
};

// Holds a critical section for the lifetime of the guard (RAII).
class TCriticalSectionGuard {
 public:
  explicit TCriticalSectionGuard(TCriticalSection& CS) : FCS(CS) { FCS.Enter(); }
  ~TCriticalSectionGuard() { FCS.Leave(); }
  TCriticalSectionGuard(const TCriticalSectionGuard&) = delete;
  TCriticalSectionGuard& operator=(const TCriticalSectionGuard&) = delete;

 private:
  TCriticalSection& FCS;
};

// An event: signalled by SetEvent, cleared by ResetEvent. A manual-reset
// event stays signalled and releases every waiter; an auto-reset event
// releases one waiter and clears itself.
class TEvent : public TSynchroObject {
  RTL_DECLARE_CLASS(TEvent)
 public:
  explicit TEvent(bool ManualReset = true, bool InitialState = false)
      : FManualReset(ManualReset), FSignaled(InitialState) {}

  void SetEvent();
  void ResetEvent();
  // wrSignaled when the event was (or became) signalled within Timeout ms,
  // wrTimeout otherwise. Timeout 0 only tests.
  TWaitResult WaitFor(Cardinal Timeout = INFINITE) override;
  // Acquire waits for ever; Release sets the event.
  void Acquire() override { WaitFor(INFINITE); }
  void Release() override { SetEvent(); }
  bool ManualReset() const { return FManualReset; }

 private:
  std::mutex FLock;
  std::condition_variable FChanged;
  bool FManualReset;
  bool FSignaled;
};

// A manual-reset event that starts cleared.
class TSimpleEvent : public TEvent {
  RTL_DECLARE_CLASS(TSimpleEvent)
 public:
  TSimpleEvent() : TEvent(true, false) {}
};

// A counting semaphore: WaitFor takes one unit (waiting while the count is
// 0), Release gives units back up to MaximumCount.
class TSemaphore : public TSynchroObject {
  RTL_DECLARE_CLASS(TSemaphore)
 public:
  // Raises ESyncObjectException when the counts are inconsistent
  // (MaximumCount < 1, InitialCount outside 0..MaximumCount).
  explicit TSemaphore(Integer InitialCount = 0, Integer MaximumCount = 0x7FFFFFFF);

  // wrSignaled when a unit was taken within Timeout ms, else wrTimeout.
  TWaitResult WaitFor(Cardinal Timeout = INFINITE) override;
  void Acquire() override { WaitFor(INFINITE); }
  void Release() override { Release(1); }
  // Gives back Count units and returns the count before. Raises
  // ESyncObjectException (and changes nothing) when the count would exceed
  // MaximumCount or Count < 1.
  Integer Release(Integer Count);
  // The units available now.
  Integer Count();

 private:
  std::mutex FLock;
  std::condition_variable FChanged;
  Integer FCount;
  Integer FMaximumCount;
};

// Many readers or one writer. Both kinds of access are re-entrant for the
// holding thread; a writer may read; a reader may ask to write (it waits
// until the other readers are gone). A waiting writer keeps new readers
// out, so that writers are not starved.
class TMultiReadExclusiveWriteSynchronizer : public TObject {
  RTL_DECLARE_CLASS(TMultiReadExclusiveWriteSynchronizer)
 public:
  void BeginRead();
  void EndRead();
  // Returns true when no other thread wrote between the call and the
  // moment the caller got write access (always true unless the caller was
  // reading, since then another writer may have gone first).
  bool BeginWrite();
  void EndWrite();
  // Writers blocked in BeginWrite at this moment (a snapshot, for
  // diagnostics and tests). Any thread.
  Integer WaitingWriters();

 private:
  // Read nesting of the calling thread on this object.
  Integer& MyReadDepth();
  bool HeldByMe() const;

  std::mutex FLock;
  std::condition_variable FChanged;
  Integer FReaders = 0;  // read nestings of all threads
  Integer FWaitingWriters = 0;
  std::thread::id FWriter;
  Integer FWriteDepth = 0;
  Integer FSavedReadDepth = 0;  // the writer's own reads, set aside
  Cardinal FWriteCount = 0;     // completed write sections
};
