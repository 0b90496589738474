// What the run does when memory runs out outside an analysis: what a run on
// one thread would have printed before comes first, then the "cannot
// allocate" message; the temporary files go and the status is 9. Once the
// link file is in place the run has succeeded: it ends with 0, printing
// nothing more.
#pragma once

#include <cstdint>
#include <string>

class AnalysisQueue;

class OutOfMemoryPolicy {
 public:
  // Translates the message while memory is left and becomes the handler.
  OutOfMemoryPolicy();
  ~OutOfMemoryPolicy();
  OutOfMemoryPolicy(const OutOfMemoryPolicy&) = delete;
  OutOfMemoryPolicy& operator=(const OutOfMemoryPolicy&) = delete;

  // The queue whose output comes first; null for none.
  void print_first(AnalysisQueue* queue) { queue_ = queue; }
  void mark_run_complete() { complete_ = true; }

 private:
  [[noreturn]] static void handle(uint64_t size, void* self);

  std::string message_;  // "%1" still in it
  AnalysisQueue* queue_ = nullptr;
  bool complete_ = false;
  bool failing_ = false;
};
