// Files analysed on worker threads, each thread with an Analyser of its own.
// Jobs are taken in the order given; the caller collects each result when it
// needs it. A pool without threads analyses each file on the caller's thread
// as it is given.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "analysis/analysis.h"

struct AnalysisJob {
  SourceFile source;
  FileAnalysis result;
  bool done = false;  // guarded by the pool
};

class WorkerPool {
 public:
  // `threads` analysing threads; 1 means the caller's own thread only. The
  // threads start with the first job: a run that analyses nothing has none.
  WorkerPool(unsigned threads, AdaMode mode);
  // Jobs not started are dropped (their descriptors closed); the threads
  // finish the file in hand and end. Done once; the destructor does it too.
  void stop();
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // `job` must stay where it is until it is done or the pool is gone.
  void submit(AnalysisJob& job);
  bool is_done(const AnalysisJob& job);
  void wait(const AnalysisJob& job);


 private:
  void start();
  void work();
  AnalysisJob* next_job();

  const AdaMode mode_;
  unsigned wanted_threads_;
  std::mutex mutex_;
  std::condition_variable job_ready_;
  std::condition_variable job_done_;
  std::deque<AnalysisJob*> queue_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
  std::unique_ptr<Analyser> own_analyser_;  // when there is no thread
};
