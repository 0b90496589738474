// Allocation that never comes back empty-handed: when the system has no memory
// left, the run ends with the "cannot allocate" message and status 9.
#pragma once

#include <cstddef>
#include <cstdint>

// Returns `size` zeroed bytes; never null.
void* checked_alloc(uint64_t size);

// Gives a block back; null is ignored.
void release_block(void* block);

// Prints the translated "cannot allocate" message and exits with status 9;
// while an AllocationFailuresThrow lives on this thread, throws
// AllocationFailure instead.
[[noreturn]] void fail_allocation(uint64_t size);

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
