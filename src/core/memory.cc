#include "core/memory.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "core/messages.h"

namespace {
thread_local bool failures_throw = false;
void (*before_failure)(void*) = nullptr;
void* before_failure_data = nullptr;
}  // namespace

void set_before_allocation_failure(void (*hook)(void*), void* data) {
  before_failure = hook;
  before_failure_data = data;
}

AllocationFailuresThrow::AllocationFailuresThrow() : previous_(failures_throw) {
  failures_throw = true;
}
AllocationFailuresThrow::~AllocationFailuresThrow() { failures_throw = previous_; }

namespace {

// What a failure needs is set up beforehand: when memory runs out there is
// none left to format a message or remember a file name with.
struct AllocationFailureSetting {
  std::string message;  // translated, "%1" still in it; empty: not prepared
  void (*cleanup)() = nullptr;
  bool run_complete = false;
};

AllocationFailureSetting& failure_setting() {
  static AllocationFailureSetting setting;
  return setting;
}

void print_allocation_message(uint64_t size) {
  const AllocationFailureSetting& setting = failure_setting();
  std::string_view pattern = setting.message.empty()
                                 ? std::string_view(message_def(Msg::kCannotAllocate).source)
                                 : std::string_view(setting.message);
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

}  // namespace

[[noreturn]] void fail_allocation(uint64_t size) {
  if (failures_throw) throw AllocationFailure{size};
  // What a run on one thread would have printed before this comes first. If
  // that runs out of memory too, the message follows at once.
  static bool failing = false;
  if (!failing) {
    failing = true;
    if (before_failure != nullptr) before_failure(before_failure_data);
  }
  AllocationFailureSetting& setting = failure_setting();
  if (!setting.run_complete) {
    print_allocation_message(size);
    if (setting.cleanup != nullptr) setting.cleanup();
  }
  // What was printed before stays; the exit handlers are skipped, as they
  // may need memory themselves.
  std::fflush(stdout);
  std::fflush(stderr);
  ::_exit(setting.run_complete ? 0 : 9);
}

void fail_if_out_of_memory(uint64_t size) {
  if (errno == ENOMEM) fail_allocation(size);
}

void prepare_allocation_message() { failure_setting().message = format_message(Msg::kCannotAllocate); }

void set_allocation_failure_cleanup(void (*cleanup)()) { failure_setting().cleanup = cleanup; }

void mark_run_complete() { failure_setting().run_complete = true; }

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
