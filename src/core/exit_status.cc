#include "core/exit_status.h"

#include <string>

#include "core/messages.h"

void print_fatal_end(const FatalEnd& fatal) {
  if (fatal.status == ExitStatus::kOutOfMemory)
    report(Msg::kCannotAllocate, {std::to_string(fatal.size)});
  else if (fatal.text != nullptr)  // kError: its message came before
    print_message(stderr, fatal.text, "%s\n");
}
