#include "driver/analysis_queue.h"

#include <unistd.h>

#include <cstdio>

#include "core/memory.h"
#include "driver/descriptor_limit.h"
#include "driver/tempfile.h"

namespace {

// Ends the run at the fatal end of an analysis, as the process that met it
// would have ended. Memory that ran out ends it as every allocation failure
// does: nothing queued behind it counts (this file is being printed, so
// nothing queued is printed again).
[[noreturn]] void end_on(const FatalCause& fatal) {
  if (fatal.kind == FatalCause::kOutOfMemory) fail_allocation(fatal.size);
  if (fatal.kind == FatalCause::kNoDescriptor) throw RunEnd{ExitStatus::kError};
  print_message(stderr, fatal.text, "%s\n");
  throw RunEnd{ExitStatus::kScannerInput};
}

// Enough files in flight that no worker waits for the main thread, few
// enough that their descriptors and results stay a small part of the run.
size_t window_for(unsigned threads) {
  size_t window = 32 * static_cast<size_t>(threads);
  return window < 16 ? 16 : window > 512 ? 512 : window;
}

// Files smaller than this (in bytes, as listed) are analysed on the main
// thread: for them the hand-over to a worker and back costs about as much as
// the analysis itself.
constexpr int64_t kSmallFile = 2048;

}  // namespace

AnalysisQueue::AnalysisQueue(unsigned threads, AdaMode mode)
    : window_(files_in_flight_within_limit(window_for(threads))), pool_(threads, mode, window_) {}

AnalysisQueue::~AnalysisQueue() {
  pool_.stop();
  for (Item& item : items_) release_unit_list(item.job.result.units);
}

void AnalysisQueue::message(Msg id, std::initializer_list<std::string_view> args) {
  Item& item = items_.emplace_back();
  item.message = Diagnostic{id, std::vector<std::string>(args.begin(), args.end())};
  print_ready();
}

void AnalysisQueue::analyse(SourceFileEntry& entry, const std::shared_ptr<DIR>& directory) {
  // A full window is drained to half, so that the main thread wakes once
  // for many files, not once per file.
  if (files_in_flight_ >= window_) {
    wait_for_file(files_in_flight_ - window_ / 2);
    while (files_in_flight_ > window_ / 2) print_head();
  }
  // Handing a file to a worker costs about as much as the analysis of a
  // small one: those are analysed here, while the workers go on.
  const bool here = entry.size < kSmallFile;
  if (here) pool_.prepare_here();
  else pool_.start();
  Item& item = items_.emplace_back();
  item.entry = &entry;
  item.directory = directory;
  item.job.source =
      SourceFile{entry.file_name, entry.descriptor, directory ? ::dirfd(directory.get()) : AT_FDCWD,
                 entry.directory_text};
  entry.descriptor = -1;  // the analysis closes it
  ++files_in_flight_;
  if (here) {
    pool_.flush();
    pool_.run_here(item.job);
  } else {
    pool_.submit(item.job);
  }
  print_ready();
}

void AnalysisQueue::end_run(ExitStatus status, Msg id,
                            std::initializer_list<std::string_view> args) {
  finish();
  report(id, args);
  throw RunEnd{status};
}

void AnalysisQueue::finish() {
  while (!items_.empty()) print_head();
}

void AnalysisQueue::print_before_allocation_failure() {
  if (printing_) return;
  try {
    finish();
  } catch (const RunEnd& end) {
    // As after any allocation failure, the exit handlers are skipped.
    remove_temporary_files();
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(static_cast<int>(end.status));
  }
  pool_.stop();
}

// Sleeps until the `count`th file queued is done. The workers take the files
// in order, so those before it are then done or nearly: the main thread
// wakes once for them all, not once per file.
void AnalysisQueue::wait_for_file(size_t count) {
  for (Item& item : items_) {
    if (item.entry != nullptr && --count == 0) {
      pool_.wait(item.job);
      return;
    }
  }
}

void AnalysisQueue::print_ready() {
  while (!items_.empty() && (items_.front().entry == nullptr || pool_.is_done(items_.front().job)))
    print_head();
}

void AnalysisQueue::print_head() {
  struct Printing {
    bool& flag;
    explicit Printing(bool& flag) : flag(flag) { flag = true; }
    ~Printing() { flag = false; }
  } printing(printing_);
  Item& item = items_.front();
  if (item.entry == nullptr) {
    report(*item.message);
    items_.pop_front();
    return;
  }
  pool_.wait(item.job);
  FileAnalysis& result = item.job.result;
  take_analysis(*item.entry, result);
  for (const Diagnostic& diagnostic : result.diagnostics) report(diagnostic);
  if (result.fatal) end_on(*result.fatal);
  --files_in_flight_;
  items_.pop_front();
}
