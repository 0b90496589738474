// Files analysed on worker threads, each thread with an Analyser of its own.
// Jobs are taken in the order given; the caller collects each result when it
// needs it. A pool without threads analyses each file on the caller's thread
// as it is given.
#pragma once

#include <pthread.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "analysis/analysis.h"

struct AnalysisJob {
  SourceFile source;
  FileAnalysis result;
  bool done = false;  // guarded by the pool
};

class WorkerPool {
 public:
  // `threads` analysing threads; 1 means the caller's own thread only. At
  // most `capacity` jobs wait at a time. The threads start with the first
  // job: a run that analyses nothing has none.
  WorkerPool(unsigned threads, AdaMode mode, size_t capacity);
  // Jobs not started are dropped (their descriptors closed); the threads
  // finish the file in hand and end. Done once; the destructor does it too.
  void stop();
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Starts the threads if they are not running yet. Called before a job is
  // made, so that no job waits for threads that failed to start.
  void start();

  // `job` must stay where it is until it is done or the pool is gone. Idle
  // threads are woken for a few jobs at a time; flush() wakes them for
  // whatever waits.
  void submit(AnalysisJob& job);
  void flush();
  // Analyses `job` on the caller's thread, at once; prepare_here() first,
  // before the job is made, since it may run out of memory.
  void prepare_here();
  void run_here(AnalysisJob& job);
  bool is_done(const AnalysisJob& job);
  // Sleeps until `job` is done; only its end wakes the caller.
  void wait(const AnalysisJob& job);


 private:
  static void* run_worker(void* self);
  void work();
  AnalysisJob* next_job();

  const AdaMode mode_;
  unsigned wanted_threads_;
  bool threaded_;  // false when every job runs on the caller's thread
  std::mutex mutex_;
  std::condition_variable job_ready_;
  std::condition_variable job_done_;
  // Waiting jobs, in a ring allocated before the threads start: nothing is
  // allocated with the mutex held, since running out of memory on the main
  // thread prints the queue of results, which takes the mutex.
  std::vector<AnalysisJob*> ring_;
  size_t first_ = 0;
  size_t waiting_ = 0;
  const AnalysisJob* awaited_ = nullptr;  // the job the caller sleeps on
  unsigned idle_ = 0;                     // threads waiting for a job
  bool started_ = false;
  bool stopping_ = false;
  std::vector<pthread_t> threads_;
  std::unique_ptr<Analyser> own_analyser_;  // the caller's
};
