// The analyses of the run and what it prints while it processes directories.
// Files are handed to the worker threads (small ones analysed on the main
// thread); their results and the main thread's own messages wait in one
// queue, in list order, and are printed from its head as each becomes ready,
// in the order in which a run on one thread prints them. A bounded window of
// files is in flight at any time.
#pragma once

#include <dirent.h>

#include <deque>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string_view>

#include "core/exit_status.h"
#include "driver/file_list.h"
#include "driver/worker_pool.h"

// Ends the run early, its message printed: a fatal end of an analysis, or a
// directory the run cannot come back from. Caught once, by the run.
struct RunEnd {
  ExitStatus status;
};

class AnalysisQueue {
 public:
  AnalysisQueue(unsigned threads, AdaMode mode);
  // Whatever was never printed is dropped, as the run that ends early drops it.
  ~AnalysisQueue();
  AnalysisQueue(const AnalysisQueue&) = delete;
  AnalysisQueue& operator=(const AnalysisQueue&) = delete;

  // A message of the main thread, printed after everything queued before it.
  void message(Msg id, std::initializer_list<std::string_view> args = {});

  // Analyses `entry` (read from its kept descriptor or opened relative to
  // `directory`), and later prints its diagnostics and gives it its result.
  // Waits while the window is full. A fatal end, once printed, ends the run
  // (RunEnd).
  void analyse(SourceFileEntry& entry, const std::shared_ptr<DIR>& directory);

  // Prints everything queued, then `id` and ends the run with `status`;
  // a fatal end queued before it ends the run first.
  [[noreturn]] void end_run(ExitStatus status, Msg id,
                            std::initializer_list<std::string_view> args = {});

  // Prints everything queued; ends the run at a fatal end.
  void finish();

  // The files given so far are all handed to the threads: called when the
  // main thread turns to other work (the next directory).
  void flush() { pool_.flush(); }

  // Files in flight at most.
  size_t window() const { return window_; }

  // Memory ran out on the main thread: everything queued is printed (unless
  // it ran out while printing), then the workers stop. A fatal end among
  // them ends the process with its status.
  void print_before_allocation_failure();

 private:
  struct Item {
    std::optional<Diagnostic> message;
    SourceFileEntry* entry = nullptr;
    AnalysisJob job;
    std::shared_ptr<DIR> directory;  // kept open while its files are read
  };

  void wait_for_file(size_t count);
  void print_ready();
  void print_head();  // waits for it when it is a file

  std::deque<Item> items_;
  size_t files_in_flight_ = 0;
  bool printing_ = false;  // memory that runs out while printing prints no more
  size_t window_;
  WorkerPool pool_;  // after items_: stopped before they go
};
