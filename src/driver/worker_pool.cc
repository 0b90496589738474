#include "driver/worker_pool.h"

#include <unistd.h>

#include <system_error>

#include "core/memory.h"

WorkerPool::WorkerPool(unsigned threads, AdaMode mode) : mode_(mode) {
  if (threads > 1) {
    threads_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) {
      try {
        threads_.emplace_back([this] { work(); });
      } catch (const std::system_error&) {
        break;  // the system gives no more threads: go on with those made
      }
    }
  }
  if (threads_.empty()) own_analyser_ = std::make_unique<Analyser>(mode_);
}

WorkerPool::~WorkerPool() { stop(); }

void WorkerPool::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (AnalysisJob* job : queue_)
      if (job->source.descriptor >= 0) ::close(job->source.descriptor);
    queue_.clear();
  }
  job_ready_.notify_all();
  for (std::thread& thread : threads_)
    if (thread.joinable()) thread.join();
}

void WorkerPool::submit(AnalysisJob& job) {
  if (threads_.empty()) {
    job.result = own_analyser_->analyse(job.source);
    job.done = true;
    return;
  }
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(&job);
  }
  job_ready_.notify_one();
}

bool WorkerPool::is_done(const AnalysisJob& job) {
  if (threads_.empty()) return job.done;
  std::lock_guard lock(mutex_);
  return job.done;
}

void WorkerPool::wait(const AnalysisJob& job) {
  if (threads_.empty()) return;
  std::unique_lock lock(mutex_);
  job_done_.wait(lock, [&] { return job.done; });
}

AnalysisJob* WorkerPool::next_job() {
  std::unique_lock lock(mutex_);
  job_ready_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
  if (stopping_) return nullptr;
  AnalysisJob* job = queue_.front();
  queue_.pop_front();
  return job;
}

void WorkerPool::work() {
  // A worker never prints nor ends the process: running out of memory here
  // is the fatal end of the job in hand, printed in its place.
  AllocationFailuresThrow failures_throw;
  std::unique_ptr<Analyser> analyser;
  while (AnalysisJob* job = next_job()) {
    FileAnalysis result;
    try {
      if (!analyser) analyser = std::make_unique<Analyser>(mode_);
      result = analyser->analyse(job->source);
    } catch (const AllocationFailure& failure) {
      result.fatal = FatalEnd{ExitStatus::kOutOfMemory, nullptr, failure.size};
    }
    {
      std::lock_guard lock(mutex_);
      job->result = std::move(result);
      job->done = true;
    }
    job_done_.notify_all();
  }
}
