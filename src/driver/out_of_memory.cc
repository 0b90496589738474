#include "driver/out_of_memory.h"

#include <unistd.h>

#include <cstdio>

#include "core/memory.h"
#include "core/messages.h"
#include "driver/analysis_queue.h"
#include "driver/tempfile.h"

OutOfMemoryPolicy::OutOfMemoryPolicy() : message_(format_message(Msg::kCannotAllocate)) {
  set_out_of_memory_handler(handle, this);
}

OutOfMemoryPolicy::~OutOfMemoryPolicy() { set_out_of_memory_handler(nullptr, nullptr); }

void OutOfMemoryPolicy::handle(uint64_t size, void* self) {
  auto& policy = *static_cast<OutOfMemoryPolicy*>(self);
  // Running out again while printing what came first: the message at once.
  if (!policy.failing_) {
    policy.failing_ = true;
    if (policy.queue_ != nullptr) policy.queue_->print_before_allocation_failure();
  }
  if (!policy.complete_) {
    print_allocation_message(policy.message_, size);
    remove_temporary_files();
  }
  // The exit handlers are skipped: they may need memory themselves.
  std::fflush(stdout);
  std::fflush(stderr);
  ::_exit(policy.complete_ ? 0 : 9);
}
