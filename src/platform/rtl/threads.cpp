#include "platform/rtl/threads.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <deque>
#include <memory>

RTL_IMPLEMENT_CLASS(TThread, TObject, nullptr)

namespace {

// The window manager and the locks ask for the thread's id several times a
// message; the kernel is asked once per thread. A forked child's thread
// has an id of its own: a fork counts up ForkGeneration, and a thread whose
// cached id is of an older generation asks again.
std::atomic<unsigned> ForkGeneration{0};
[[maybe_unused]] const int ForkHandlerInstalled =
    ::pthread_atfork(nullptr, nullptr, [] { ForkGeneration.fetch_add(1, std::memory_order_relaxed); });

struct TCachedThreadID {
  TThreadID Id = 0;
  unsigned Generation = ~0u;
};

}  // namespace

TThreadID GetCurrentThreadID() {
  thread_local TCachedThreadID Cached;
  const unsigned Generation = ForkGeneration.load(std::memory_order_relaxed);
  if (Cached.Generation != Generation) {
    Cached.Id = static_cast<TThreadID>(::syscall(SYS_gettid));
    Cached.Generation = Generation;
  }
  return Cached.Id;
}

TThreadID MainThreadID = GetCurrentThreadID();

bool IsMainThread() { return GetCurrentThreadID() == MainThreadID; }

TNotifyEvent WakeMainThread;

namespace {
const char* const SCheckSynchronizeError =
    "CheckSynchronize wurde von Thread $%X aufgerufen, der NICHT der Haupt-Thread ist";
const char* const SThreadStartError =
    "Start kann für einen laufenden oder beendeten Thread nicht aufgerufen werden";
const char* const SThreadWaitForSelf = "Ein Thread kann nicht auf sich selbst warten";
const char* const SThreadWaitForFree =
    "WaitFor kann für einen Thread mit FreeOnTerminate nicht aufgerufen werden";

// How long the main thread sleeps at most in WaitFor before it looks at
// the thread again; a finishing thread wakes it earlier.
constexpr Integer WaitForPollMs = 20;

thread_local TThread* GCurrentThread = nullptr;

// One method handed to the main thread.
struct TSyncRequest {
  TThread* Thread = nullptr;
  TThreadMethod Method;
  bool Synchronous = false;
  bool Done = false;
  std::exception_ptr Error;
};

// The queue of work for the main thread. Signalled is set when a thread
// ends, so that a main thread waiting in WaitFor looks again.
struct TSyncQueue {
  std::mutex Lock;
  std::condition_variable WorkArrived;
  std::condition_variable WorkDone;
  std::deque<std::shared_ptr<TSyncRequest>> Items;
  bool Signalled = false;
};

std::shared_ptr<TSyncRequest> MakeRequest(TThread* Thread, const TThreadMethod& Method,
                                          bool Synchronous) {
  auto Request = std::make_shared<TSyncRequest>();
  Request->Thread = Thread;
  Request->Method = Method;
  Request->Synchronous = Synchronous;
  return Request;
}

TSyncQueue& SyncQueue() {
  static TSyncQueue* Queue = new TSyncQueue();  // never freed: threads may outlive statics
  return *Queue;
}

void SignalSyncEvent() {
  TSyncQueue& Q = SyncQueue();
  std::lock_guard<std::mutex> Guard(Q.Lock);
  Q.Signalled = true;
  Q.WorkArrived.notify_all();
}

void PostRequest(const std::shared_ptr<TSyncRequest>& Request) {
  TSyncQueue& Q = SyncQueue();
  {
    std::lock_guard<std::mutex> Guard(Q.Lock);
    Q.Items.push_back(Request);
    Q.WorkArrived.notify_all();
  }
  if (WakeMainThread) WakeMainThread(Request->Thread);
}

// Takes the oldest request, or null when none is left.
std::shared_ptr<TSyncRequest> TakeRequest() {
  TSyncQueue& Q = SyncQueue();
  std::lock_guard<std::mutex> Guard(Q.Lock);
  if (Q.Items.empty()) return nullptr;
  auto Request = Q.Items.front();
  Q.Items.pop_front();
  return Request;
}

void RunRequest(TSyncRequest& Request) {
  if (!Request.Synchronous) {
    Request.Method();
    return;
  }
  try {
    Request.Method();
  } catch (...) {
    Request.Error = std::current_exception();
  }
  TSyncQueue& Q = SyncQueue();
  std::lock_guard<std::mutex> Guard(Q.Lock);
  Request.Done = true;
  Q.WorkDone.notify_all();
}

// Waits up to Timeout ms for work or a thread's end; returns the number
// of requests pending now.
std::size_t WaitForWork(Integer Timeout) {
  TSyncQueue& Q = SyncQueue();
  std::unique_lock<std::mutex> Guard(Q.Lock);
  if (Q.Items.empty() && Timeout > 0)
    Q.WorkArrived.wait_for(Guard, std::chrono::milliseconds(Timeout),
                           [&] { return !Q.Items.empty() || Q.Signalled; });
  Q.Signalled = false;
  return Q.Items.size();
}
}  // namespace

bool CheckSynchronize(Integer Timeout) {
  if (!IsMainThread()) {
    char Msg[160];
    std::snprintf(Msg, sizeof Msg, SCheckSynchronizeError, GetCurrentThreadID());
    throw EThread(Msg);
  }
  std::size_t Pending = WaitForWork(Timeout);
  bool Ran = false;
  for (std::size_t i = 0; i < Pending; ++i) {
    auto Request = TakeRequest();
    if (!Request) break;
    Ran = true;
    RunRequest(*Request);
  }
  return Ran;
}

// ---- TThread: hand-over to the main thread ---------------------------------

void TThread::Synchronize(TThread* AThread, const TThreadMethod& Method) {
  if (IsMainThread()) {
    Method();
    return;
  }
  auto Request = MakeRequest(AThread, Method, true);
  PostRequest(Request);
  TSyncQueue& Q = SyncQueue();
  {
    std::unique_lock<std::mutex> Guard(Q.Lock);
    Q.WorkDone.wait(Guard, [&] { return Request->Done; });
  }
  if (Request->Error) std::rethrow_exception(Request->Error);
}

void TThread::Queue(TThread* AThread, const TThreadMethod& Method) {
  if (IsMainThread())
    Method();
  else
    ForceQueue(AThread, Method);
}

void TThread::ForceQueue(TThread* AThread, const TThreadMethod& Method) {
  PostRequest(MakeRequest(AThread, Method, false));
}

void TThread::RemoveQueuedEvents(TThread* AThread) {
  TSyncQueue& Q = SyncQueue();
  std::lock_guard<std::mutex> Guard(Q.Lock);
  // Synchronous requests stay: their threads are waiting for them.
  std::erase_if(Q.Items, [&](const std::shared_ptr<TSyncRequest>& R) {
    return !R->Synchronous && R->Thread == AThread;
  });
}

TThread* TThread::CurrentThread() { return GCurrentThread; }

// ---- TThread: life cycle ---------------------------------------------------

TThread::TThread(bool CreateSuspended) : FCreateSuspended(CreateSuspended) {}

TThread::~TThread() {
  bool Running;
  {
    std::lock_guard<std::mutex> Guard(FLock);
    Running = FStarted && !FFinished;
  }
  if (Running && GCurrentThread != this) {
    Terminate();
    WaitUntilFinished();
  }
  if (FThread.joinable()) FThread.join();
  RemoveQueuedEvents(this);
}

void TThread::AfterConstruction() {
  if (!FCreateSuspended) Start();
}

void TThread::Start() {
  std::unique_lock<std::mutex> Guard(FLock);
  if (FStarted) throw EThread(SThreadStartError);
  FStarted = true;
  FThread = std::thread(ThreadProc, this);
  // The thread cannot end (nor free itself) before it gets the lock again.
  FStateChanged.wait(Guard, [&] { return FThreadID != 0; });
}

void TThread::ThreadProc(TThread* Self) {
  GCurrentThread = Self;
  {
    std::lock_guard<std::mutex> Guard(Self->FLock);
    Self->FThreadID = GetCurrentThreadID();
    Self->FStateChanged.notify_all();
  }
  if (!Self->Terminated()) {
    try {
      Self->Execute();
    } catch (...) {
      Self->FFatalException = std::current_exception();
    }
  }
  try {
    Self->DoTerminate();
  } catch (...) {
    if (!Self->FFatalException) Self->FFatalException = std::current_exception();
  }
  bool FreeThread;
  {
    std::lock_guard<std::mutex> Guard(Self->FLock);
    Self->FFinished = true;
    FreeThread = Self->FFreeOnTerminate;
    if (FreeThread) Self->FThread.detach();
    Self->FStateChanged.notify_all();
  }
  // From here on Self may be gone unless this thread frees it.
  SignalSyncEvent();
  if (FreeThread) delete Self;
  GCurrentThread = nullptr;
}

void TThread::Terminate() {
  FTerminated = true;
  TerminatedSet();
}

void TThread::TerminatedSet() {}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

bool TThread::Finished() const {
  std::lock_guard<std::mutex> Guard(FLock);
  return FFinished;
}

bool TThread::FreeOnTerminate() const {
  std::lock_guard<std::mutex> Guard(FLock);
  return FFreeOnTerminate;
}

void TThread::SetFreeOnTerminate(bool Value) {
  std::lock_guard<std::mutex> Guard(FLock);
  FFreeOnTerminate = Value;
}

void TThread::WaitUntilFinished() {
  if (IsMainThread()) {
    while (!Finished()) CheckSynchronize(WaitForPollMs);
    return;
  }
  std::unique_lock<std::mutex> Guard(FLock);
  FStateChanged.wait(Guard, [&] { return FFinished; });
}

Integer TThread::WaitFor() {
  if (GCurrentThread == this) throw EThread(SThreadWaitForSelf);
  {
    std::lock_guard<std::mutex> Guard(FLock);
    if (FFreeOnTerminate) throw EThread(SThreadWaitForFree);
    if (!FStarted) return FReturnValue;
  }
  WaitUntilFinished();
  return FReturnValue;
}
