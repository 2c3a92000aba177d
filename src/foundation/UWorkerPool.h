// UWorkerPool: a small pool of worker threads that run queued jobs in
// order of arrival. A job may ask to run inside the main thread
// (Synchronized); an exception of a job is caught and never ends its
// thread.
//
// Thread safety: the queue may be fed from any thread; a pool object is
// created, resized and destroyed by one (the main) thread.
#pragma once

#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/rtl/syncobjs.h"
#include "platform/rtl/threads.h"

class TWorkerThread;

// A unit of work; owned by the queue until a thread takes it, then by
// that thread, which frees it after running it.
class TWorkerThreadJob : public TObject {
  RTL_DECLARE_CLASS(TWorkerThreadJob)
 public:
  bool Synchronized = false;  // run inside the main thread
  bool NeedsCOM = false;      // kept for the job's sake; nothing to set up here
  virtual void Execute(TWorkerThread* Thread) = 0;
};

// The FIFO of jobs: a job semaphore counts the queued jobs, a wake
// semaphore releases waiting threads without a job.
class TWorkerThreadJobList : public TObject {
  RTL_DECLARE_CLASS(TWorkerThreadJobList)
 public:
  ~TWorkerThreadJobList() override;
  // Appends Job (taking ownership) and releases the job semaphore once.
  void Add(TWorkerThreadJob* Job);
  // Waits for a job or a wake-up; returns the first job (the caller owns
  // it), or null when woken without one.
  TWorkerThreadJob* Take();
  // Releases one waiting thread without a job.
  void Wake(Integer Count = 1);
  // Frees every queued job.
  void Clear();

 private:
  std::mutex FLock;
  std::deque<TWorkerThreadJob*> FJobs;
  TSemaphore FJobSemaphore{0, 0x7FFFFFFF};
  TSemaphore FWakeSemaphore{0, 0x7FFFFFFF};
};

using TJobExceptionEvent = std::function<void(TWorkerThreadJob* Job, std::exception_ptr E)>;

class TWorkerThread : public TThread {
  RTL_DECLARE_CLASS(TWorkerThread)
 public:
  explicit TWorkerThread(TWorkerThreadJobList* Queue);
  TWorkerThreadJob* CurrentJob() const { return FCurrentJob; }
  std::exception_ptr LastException() const { return FLastException; }
  // Told (inside the main thread) about an exception of a job.
  TJobExceptionEvent OnJobException;

 protected:
  void Execute() override;

 private:
  void RunJob(TWorkerThreadJob* Job);
  TWorkerThreadJobList* FQueue;
  TWorkerThreadJob* FCurrentJob = nullptr;
  std::exception_ptr FLastException;
};

class TWorkerThreadPool : public TObject {
  RTL_DECLARE_CLASS(TWorkerThreadPool)
 public:
  explicit TWorkerThreadPool(Integer ThreadCount);
  // Waits for the threads to end; with FastExit the jobs still queued are
  // dropped first.
  ~TWorkerThreadPool() override;

  Integer ThreadCount() const { return static_cast<Integer>(FThreads.size()); }
  void SetThreadCount(Integer N);
  // Queues Job (the pool owns it from now on).
  void AddJob(TWorkerThreadJob* Job) { FQueue.Add(Job); }
  bool FastExit = false;

 private:
  TWorkerThreadJobList FQueue;
  std::vector<TWorkerThread*> FThreads;
};
