#include "core/memory.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/messages.h"

namespace {

thread_local bool failures_throw = false;
OutOfMemoryHandler handler = nullptr;
void* handler_data = nullptr;

}  // namespace

void set_out_of_memory_handler(OutOfMemoryHandler new_handler, void* data) {
  handler = new_handler;
  handler_data = data;
}

AllocationFailuresThrow::AllocationFailuresThrow() : previous_(failures_throw) {
  failures_throw = true;
}
AllocationFailuresThrow::~AllocationFailuresThrow() { failures_throw = previous_; }

void print_allocation_message(std::string_view pattern, uint64_t size) {
  char digits[24];
  char* digits_end = std::to_chars(digits, digits + sizeof digits, size).ptr;
  size_t at = pattern.find("%1");
  if (at == std::string_view::npos) at = pattern.size();
  std::fwrite(pattern.data(), 1, at, stderr);
  if (at < pattern.size()) {
    std::fwrite(digits, 1, digits_end - digits, stderr);
    std::fwrite(pattern.data() + at + 2, 1, pattern.size() - at - 2, stderr);
  }
}

[[noreturn]] void fail_allocation(uint64_t size) {
  if (failures_throw) throw AllocationFailure{size};
  if (handler != nullptr) handler(size, handler_data);
  print_allocation_message(message_def(Msg::kCannotAllocate).source, size);
  std::fflush(stderr);
  ::_exit(9);
}

void fail_if_out_of_memory(uint64_t size) {
  if (errno == ENOMEM) fail_allocation(size);
}

void* checked_alloc(uint64_t size) {
  // calloc gives zeroed pages straight from the kernel for large blocks.
  void* block = std::calloc(1, size == 0 ? 1 : size);
  if (block == nullptr) fail_allocation(size);
  return block;
}

void* checked_realloc(void* block, uint64_t size) {
  void* grown = std::realloc(block, size == 0 ? 1 : size);
  if (grown == nullptr) fail_allocation(size);
  return grown;
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
