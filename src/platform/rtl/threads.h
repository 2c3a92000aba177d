// Threads of the class library: TThread (a worker with Execute, Terminate,
// WaitFor and self-freeing), and the hand-over of work to the main (GUI)
// thread with Synchronize and Queue, which the main thread carries out when
// it calls CheckSynchronize from its message loop.
//
// The main thread is the thread that initialised the program (MainThreadID).
// Work handed over by Synchronize or Queue runs only inside CheckSynchronize
// on that thread; the GUI message loop installs WakeMainThread to be woken
// when work arrives. Synchronize and Queue called on the main thread itself
// run the method at once.
//
// Thread safety: Synchronize, Queue, Terminate, Terminated, Finished and
// WaitFor may be called from any thread; CheckSynchronize only from the
// main thread. Everything else belongs to the thread that owns the object.
#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/rtl/events.h"
#include "platform/rtl/exceptions.h"

using TThreadID = Cardinal;
// A method handed to the main thread.
using TThreadMethod = std::function<void()>;

// Priorities are kept for the caller but have no effect on scheduling.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The id of the thread that initialised the program.
extern TThreadID MainThreadID;
// The calling thread's id (the kernel's thread id).
TThreadID GetCurrentThreadID();
// True on the main thread.
bool IsMainThread();

// Called (from any thread) whenever Synchronize or Queue hands work to the
// main thread, so that a waiting message loop wakes up and calls
// CheckSynchronize. Sender is the thread object, or null. Install it once,
// before worker threads start.
extern TNotifyEvent WakeMainThread;

// Runs the work handed to the main thread: waits up to Timeout ms for work
// when none is pending, then runs what was pending on entry, in order.
// Returns true when something ran. An exception of a queued method leaves
// CheckSynchronize (the rest stays queued); one of a synchronised method
// goes back to the thread that called Synchronize. Raises EThread when
// called on another thread than the main thread.
bool CheckSynchronize(Integer Timeout = 0);

class TThread : public TObject {
  RTL_DECLARE_CLASS(TThread)
 public:
  // Creates the thread object. The system thread starts with Start; with
  // CreateSuspended false it starts in AfterConstruction, which the creator
  // calls once the most-derived constructor has finished (NewThread does
  // both). C++ cannot start the thread from the base constructor, since
  // Execute is not callable before the object is fully built.
  explicit TThread(bool CreateSuspended = true);
  // A running thread is told to terminate and waited for. Subclasses whose
  // Execute uses their own members must do the same in their destructor
  // (Terminate(); WaitFor();), since those members die first.
  ~TThread() override;

  // Starts the thread unless it was created suspended.
  void AfterConstruction();
  // Starts the system thread. Raises EThread when it was started before.
  void Start();
  // Older name of Start.
  void Resume() { Start(); }

  // Asks the thread to end: sets Terminated and calls TerminatedSet.
  // Execute is expected to poll Terminated.
  void Terminate();
  bool Terminated() const { return FTerminated.load(); }
  // Waits until the thread has ended (OnTerminate included) and returns
  // its ReturnValue. On the main thread it keeps calling CheckSynchronize
  // meanwhile, so that a thread synchronising with it can end. A thread
  // that was never started returns at once. Raises EThread when called by
  // the thread itself or for a thread that frees itself.
  Integer WaitFor();

  // Runs Method on the main thread and waits for it (see the file comment).
  // An exception of Method is raised again in the calling thread.
  void Synchronize(const TThreadMethod& Method) { Synchronize(this, Method); }
  static void Synchronize(TThread* AThread, const TThreadMethod& Method);
  // Hands Method to the main thread without waiting.
  void Queue(const TThreadMethod& Method) { Queue(this, Method); }
  static void Queue(TThread* AThread, const TThreadMethod& Method);
  // As Queue, but never runs Method at once, even on the main thread.
  static void ForceQueue(TThread* AThread, const TThreadMethod& Method);
  // Drops the methods that AThread queued and that have not run yet.
  static void RemoveQueuedEvents(TThread* AThread);
  // The TThread object of the calling thread, or null for other threads.
  static TThread* CurrentThread();

  // When true, the object deletes itself after OnTerminate has run.
  // May be switched off from another thread while the thread runs (a pool
  // that wants to wait for its threads does so).
  bool FreeOnTerminate() const;
  void SetFreeOnTerminate(bool Value);
  // Kernel id of the system thread; 0 before Start.
  TThreadID ThreadID() const { return FThreadID; }
  bool Suspended() const { return !FStarted; }
  // True once the thread has ended and OnTerminate has run.
  bool Finished() const;
  Integer ReturnValue() const { return FReturnValue; }
  // What Execute raised, if anything (null otherwise).
  std::exception_ptr FatalException() const { return FFatalException; }
  TThreadPriority Priority() const { return FPriority; }
  void SetPriority(TThreadPriority Value) { FPriority = Value; }

  // Fired on the main thread (through Synchronize) after Execute ended.
  TNotifyEvent OnTerminate;

 protected:
  // The thread's work. An exception ends the thread and is kept in
  // FatalException.
  virtual void Execute() = 0;
  // Fires OnTerminate through Synchronize; runs on the thread itself.
  virtual void DoTerminate();
  // Called by Terminate (on the terminating thread) after Terminated is
  // set; lets a thread that blocks on something else wake up. The default
  // does nothing.
  virtual void TerminatedSet();
  void SetReturnValue(Integer Value) { FReturnValue = Value; }

 private:
  static void ThreadProc(TThread* Self);
  void WaitUntilFinished();

  std::thread FThread;
  mutable std::mutex FLock;
  std::condition_variable FStateChanged;
  std::atomic<bool> FTerminated{false};
  bool FCreateSuspended;
  bool FStarted = false;
  bool FFinished = false;
  bool FFreeOnTerminate = false;
  TThreadID FThreadID = 0;
  Integer FReturnValue = 0;
  std::exception_ptr FFatalException;
  TThreadPriority FPriority = tpNormal;
};

// Creates a T with Args and calls its AfterConstruction, so that a thread
// built with CreateSuspended false starts running.
template <class T, class... Args>
T* NewThread(Args&&... A) {
  T* Thread = new T(std::forward<Args>(A)...);
  Thread->AfterConstruction();
  return Thread;
}
