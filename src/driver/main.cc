// vantlink: writes the link file of the Ada units found in the given
// directories, reusing what an earlier link file says of unchanged files.
#include <exception>
#include <new>

#include "core/memory.h"
#include "driver/command_line.h"
#include "driver/standard_descriptors.h"

namespace {

// The toolkit reports a failed allocation with std::bad_alloc, also from
// functions that may not throw (which ends in std::terminate). Its size is
// not known.
[[noreturn]] void end_on_terminate() {
  try {
    if (std::exception_ptr pending = std::current_exception()) std::rethrow_exception(pending);
  } catch (const std::bad_alloc&) {
    fail_allocation(0);
  } catch (...) {
  }
  std::abort();
}

}  // namespace

int main(int argc, char** argv) {
  open_standard_descriptors();
  std::set_terminate(end_on_terminate);
  try {
    return run_vantlink(argc, argv);
  } catch (const std::bad_alloc&) {
    fail_allocation(0);
  }
}
