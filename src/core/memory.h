// Allocation that never comes back empty-handed: when the system has no memory
// left, the run ends with the "cannot allocate" message and status 9.
#pragma once

#include <cstddef>
#include <cstdint>

// Returns `size` zeroed bytes; never null.
void* checked_alloc(uint64_t size);

// realloc that never returns null.
void* checked_realloc(void* block, uint64_t size);

// Gives a block back; null is ignored.
void release_block(void* block);

// Prints the "cannot allocate" message and exits with status 9; needs no
// memory of its own, so it works when none is left. While an
// AllocationFailuresThrow lives on this thread, throws AllocationFailure
// instead.
[[noreturn]] void fail_allocation(uint64_t size);

// Where failures do not throw, `hook(data)` runs before the message: the
// driver prints first what a run on one thread would have printed before.
// Null removes it.
void set_before_allocation_failure(void (*hook)(void*), void* data);

// After a library call that failed: when it failed for lack of memory
// (ENOMEM), ends the run as fail_allocation does. `size` is what the call
// needed, as far as it is known.
void fail_if_out_of_memory(uint64_t size);

// Translates the "cannot allocate" message now, while memory is left; until
// then the untranslated text is printed.
void prepare_allocation_message();

// Runs when the run ends for lack of memory: removes the temporary files
// that exist then. It may allocate nothing. Null for none.
void set_allocation_failure_cleanup(void (*cleanup)());

// The link file is in place and the run has succeeded: a later allocation
// failure ends it with status 0 and prints nothing more.
void mark_run_complete();

// Copies `length` bytes of `text` into a new NUL-terminated block.
char* checked_strndup(const char* text, size_t length);

// An allocation that failed where the failure is handed back, not acted on.
struct AllocationFailure {
  uint64_t size;
};

// Within its lifetime, allocation failures on this thread throw: an analysis
// (possibly on a worker thread) never prints nor ends the process itself.
class AllocationFailuresThrow {
 public:
  AllocationFailuresThrow();
  ~AllocationFailuresThrow();
  AllocationFailuresThrow(const AllocationFailuresThrow&) = delete;
  AllocationFailuresThrow& operator=(const AllocationFailuresThrow&) = delete;

 private:
  bool previous_;
};
