#include "core/memory.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "core/messages.h"

namespace {
thread_local bool failures_throw = false;
}  // namespace

AllocationFailuresThrow::AllocationFailuresThrow() : previous_(failures_throw) {
  failures_throw = true;
}
AllocationFailuresThrow::~AllocationFailuresThrow() { failures_throw = previous_; }

[[noreturn]] void fail_allocation(uint64_t size) {
  if (failures_throw) throw AllocationFailure{size};
  // Formatting the message allocates too; if that fails, give up quietly.
  static bool failing = false;
  if (failing) std::_Exit(9);
  failing = true;
  report(Msg::kCannotAllocate, {std::to_string(size)});
  std::exit(9);
}

void* checked_alloc(uint64_t size) {
  // calloc gives zeroed pages straight from the kernel for large blocks.
  void* block = std::calloc(1, size == 0 ? 1 : size);
  if (block == nullptr) fail_allocation(size);
  return block;
}

void release_block(void* block) { std::free(block); }

char* checked_strndup(const char* text, size_t length) {
  char* copy = static_cast<char*>(std::malloc(length + 1));
  if (copy == nullptr) fail_allocation(length + 1);
  std::memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

// Standard containers fail the same way as the tool's own allocations.
void* operator new(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) fail_allocation(size);
  return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
