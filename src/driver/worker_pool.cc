#include "driver/worker_pool.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>


#include "core/memory.h"
#include "driver/tempfile.h"

namespace {

// Linux grows a process's descriptor table by doubling it, and once threads
// share the table each growth waits for a grace period of several
// milliseconds. Growing it once, to the size the run may need, before any
// thread starts avoids that wait.
void grow_descriptor_table() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
  rlim_t wanted = limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > 8192 ? 8192 : limit.rlim_cur;
  int any = ::open("/", O_PATH | O_CLOEXEC);
  if (any < 0 || wanted < 2) return;
  int high = ::fcntl(any, F_DUPFD_CLOEXEC, static_cast<int>(wanted - 1));
  if (high >= 0) ::close(high);
  ::close(any);
}

// A worker's stack. The parsers keep their stacks on the heap: the whole
// runtime and 2,000 levels of nesting, in both modes, run in 64 KiB; four
// times that leaves room for a sanitizer's larger frames.
constexpr size_t kWorkerStack = 256 * 1024;

}  // namespace

WorkerPool::WorkerPool(unsigned threads, AdaMode mode, size_t capacity)
    : mode_(mode), wanted_threads_(threads), threaded_(threads > 1) {
  if (!threaded_) own_analyser_ = std::make_unique<Analyser>(mode_);
  else ring_.resize(capacity);
}

void WorkerPool::start() {
  if (!threaded_ || started_) return;
  started_ = true;
  grow_descriptor_table();
  threads_.reserve(wanted_threads_);
  // Stacks sized to what an analysis uses, not the process's stack limit:
  // sixteen workers then fit where one did.
  pthread_attr_t attributes;
  bool sized = ::pthread_attr_init(&attributes) == 0;
  if (sized && ::pthread_attr_setstacksize(&attributes, kWorkerStack) != 0) {
    ::pthread_attr_destroy(&attributes);
    sized = false;
  }
  // The signals that end a run are left to the main thread (workers start
  // with them blocked), which holds them off while it makes a temporary file.
  CleanupSignalsHeld held;
  for (unsigned i = 0; i < wanted_threads_; ++i) {
    pthread_t thread;
    // The system gives no more threads: go on with those made.
    if (::pthread_create(&thread, sized ? &attributes : nullptr, run_worker, this) != 0) break;
    threads_.push_back(thread);
  }
  if (sized) ::pthread_attr_destroy(&attributes);
  if (threads_.empty()) {
    threaded_ = false;
    prepare_here();
  }
}

void WorkerPool::prepare_here() {
  if (!own_analyser_) own_analyser_ = std::make_unique<Analyser>(mode_);
}

void WorkerPool::run_here(AnalysisJob& job) {
  job.result = own_analyser_->analyse(job.source);
  job.done = true;
}

WorkerPool::~WorkerPool() { stop(); }

void WorkerPool::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (; waiting_ > 0; --waiting_, first_ = (first_ + 1) % ring_.size()) {
      AnalysisJob* job = ring_[first_];
      if (job->source.descriptor >= 0) ::close(job->source.descriptor);
    }
  }
  job_ready_.notify_all();
  for (pthread_t thread : threads_) ::pthread_join(thread, nullptr);
  threads_.clear();
}

void WorkerPool::submit(AnalysisJob& job) {
  start();
  if (!threaded_) {
    run_here(job);
    return;
  }
  // Waking a thread costs more than a small file's analysis: a sleeping
  // thread is woken once a few jobs wait for it.
  constexpr size_t kBatch = 8;
  bool wake;
  {
    std::lock_guard lock(mutex_);
    ring_[(first_ + waiting_++) % ring_.size()] = &job;
    wake = idle_ > 0 && waiting_ >= kBatch;
  }
  if (wake) job_ready_.notify_all();
}

void WorkerPool::flush() {
  if (!threaded_) return;
  bool wake;
  {
    std::lock_guard lock(mutex_);
    wake = idle_ > 0 && waiting_ > 0;
  }
  if (wake) job_ready_.notify_all();
}

bool WorkerPool::is_done(const AnalysisJob& job) {
  if (!threaded_) return job.done;
  std::lock_guard lock(mutex_);
  return job.done;
}

void WorkerPool::wait(const AnalysisJob& job) {
  if (!threaded_) return;
  flush();
  std::unique_lock lock(mutex_);
  awaited_ = &job;
  job_done_.wait(lock, [&] { return job.done; });
  awaited_ = nullptr;
}

AnalysisJob* WorkerPool::next_job() {
  std::unique_lock lock(mutex_);
  ++idle_;
  job_ready_.wait(lock, [this] { return stopping_ || waiting_ > 0; });
  --idle_;
  if (stopping_) return nullptr;
  AnalysisJob* job = ring_[first_];
  first_ = (first_ + 1) % ring_.size();
  --waiting_;
  return job;
}

void* WorkerPool::run_worker(void* self) {
  static_cast<WorkerPool*>(self)->work();
  return nullptr;
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
      result.fatal = FatalCause{FatalCause::kOutOfMemory, nullptr, failure.size};
    }
    bool awaited;
    {
      std::lock_guard lock(mutex_);
      job->result = std::move(result);
      job->done = true;
      awaited = awaited_ == job;
    }
    if (awaited) job_done_.notify_one();
  }
}
