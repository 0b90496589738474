// Allocation that never comes back empty-handed: when the system has no memory
// left, the run ends with the "cannot allocate" message and status 9.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Returns `size` zeroed bytes; never null.
void* checked_alloc(uint64_t size);

// realloc that never returns null.
void* checked_realloc(void* block, uint64_t size);

// Gives a block back; null is ignored.
void release_block(void* block);

// Memory has run out: while an AllocationFailuresThrow lives on this thread,
// throws AllocationFailure; otherwise the out-of-memory handler ends the
// process (without one: the untranslated "cannot allocate" message, status 9).
[[noreturn]] void fail_allocation(uint64_t size);

// After a library call that failed: when it failed for lack of memory
// (ENOMEM), ends the run as fail_allocation does. `size` is what the call
// needed, as far as it is known.
void fail_if_out_of_memory(uint64_t size);

// What to do when memory runs out, decided by whoever owns the run: the
// handler must end the process and may not allocate. One at a time; null
// restores the default.
using OutOfMemoryHandler = void (*)(uint64_t size, void* data);
void set_out_of_memory_handler(OutOfMemoryHandler handler, void* data);

// Writes `pattern` with its "%1" replaced by `size` on standard error,
// without allocating.
void print_allocation_message(std::string_view pattern, uint64_t size);

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
