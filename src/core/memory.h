// Allocation that never comes back empty-handed: when the system has no memory
// left, the run ends with the "cannot allocate" message and status 9.
#pragma once

#include <cstddef>
#include <cstdint>

// Returns `size` zeroed bytes; never null.
void* checked_alloc(uint64_t size);

// Gives a block back; null is ignored.
void release_block(void* block);

// Prints the translated "cannot allocate" message and exits with status 9.
[[noreturn]] void fail_allocation(uint64_t size);

// Copies `length` bytes of `text` into a new NUL-terminated block.
char* checked_strndup(const char* text, size_t length);
