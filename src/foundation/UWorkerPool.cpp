#include "foundation/UWorkerPool.h"

RTL_IMPLEMENT_CLASS(TWorkerThreadJob, TObject, nullptr)
RTL_IMPLEMENT_CLASS(TWorkerThreadJobList, TObject, nullptr)
RTL_IMPLEMENT_CLASS(TWorkerThread, TThread, nullptr)
RTL_IMPLEMENT_CLASS(TWorkerThreadPool, TObject, nullptr)

// ---- queue --------------------------------------------------------------------

TWorkerThreadJobList::~TWorkerThreadJobList() { Clear(); }

void TWorkerThreadJobList::Add(TWorkerThreadJob* Job) {
  {
    std::lock_guard<std::mutex> G(FLock);
    FJobs.push_back(Job);
  }
  FJobSemaphore.Release(1);
}

TWorkerThreadJob* TWorkerThreadJobList::Take() {
  TSynchroObject* Signaled = nullptr;
  if (TSynchroObject::WaitForMultiple({&FJobSemaphore, &FWakeSemaphore}, INFINITE, Signaled) != wrSignaled ||
      Signaled != &FJobSemaphore)
    return nullptr;
  std::lock_guard<std::mutex> G(FLock);
  if (FJobs.empty()) return nullptr;
  TWorkerThreadJob* Job = FJobs.front();
  FJobs.pop_front();
  return Job;
}

void TWorkerThreadJobList::Wake(Integer Count) {
  if (Count > 0) FWakeSemaphore.Release(Count);
}

void TWorkerThreadJobList::Clear() {
  std::lock_guard<std::mutex> G(FLock);
  for (TWorkerThreadJob* J : FJobs) delete J;
  FJobs.clear();
}

// ---- thread -------------------------------------------------------------------

TWorkerThread::TWorkerThread(TWorkerThreadJobList* Queue) : TThread(true), FQueue(Queue) {
  SetFreeOnTerminate(true);
}

void TWorkerThread::RunJob(TWorkerThreadJob* Job) {
  FCurrentJob = Job;
  try {
    Job->Execute(this);
  } catch (const Exception&) {
    FLastException = std::current_exception();
    if (OnJobException) {
      std::exception_ptr E = FLastException;
      Synchronize([&] { OnJobException(Job, E); });
    }
  } catch (...) {
    // Anything else is no business of the pool either: the thread goes on.
  }
  FCurrentJob = nullptr;
  delete Job;
}

void TWorkerThread::Execute() {
  while (!Terminated()) {
    TWorkerThreadJob* Job = FQueue->Take();
    if (!Job) continue;
    if (Job->Synchronized) {
      try {
        Synchronize([&] { RunJob(Job); });
      } catch (...) {
      }
    } else {
      RunJob(Job);
    }
  }
}

// ---- pool ---------------------------------------------------------------------

TWorkerThreadPool::TWorkerThreadPool(Integer ThreadCount) { SetThreadCount(ThreadCount); }

void TWorkerThreadPool::SetThreadCount(Integer N) {
  if (N < 0) N = 0;
  Integer Count = ThreadCount();
  if (N == 0)
    for (TWorkerThread* T : FThreads) T->SetFreeOnTerminate(false);
  for (Integer i = Count - 1; i >= N; --i) FThreads[i]->Terminate();
  FQueue.Wake(Count);
  if (N == 0) {
    for (TWorkerThread* T : FThreads) {
      T->WaitFor();
      delete T;
    }
  }
  std::vector<TWorkerThread*> Kept(FThreads.begin(), FThreads.begin() + std::min(N, Count));
  FThreads = std::move(Kept);
  while (ThreadCount() < N) {
    auto* T = new TWorkerThread(&FQueue);
    FThreads.push_back(T);
    T->Start();
  }
}

TWorkerThreadPool::~TWorkerThreadPool() {
  // Even on a fast exit the threads are waited for: they use the queue,
  // which goes with the pool. Queued jobs are dropped first, so a waiting
  // thread ends at once and a busy one after its current job.
  if (FastExit) FQueue.Clear();
  SetThreadCount(0);
  FQueue.Clear();
}
