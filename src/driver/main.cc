// vantlink: writes the link file of the Ada units found in the given
// directories, reusing what an earlier link file says of unchanged files.
//
// Start-up, in order:
// 1. Before main, where the libraries a program is linked with start: when
//    the locale has a message catalogue, the text toolkit is loaded and its
//    application object made. The libraries under the toolkit end the
//    process themselves when memory runs out in their own start-up; here
//    that ends nothing half done. A run without a catalogue never loads it.
// 2. main: descriptors 0, 1 and 2 opened if closed, so that nothing the run
//    opens takes the place of a standard stream; the toolkit's failed
//    allocations (std::bad_alloc) turned into the run's own.
// 3. The run (run.cc): translation, the out-of-memory policy, extension
//    lists, options, environment, then the directories and the link file.
#include <exception>
#include <new>

#include "core/memory.h"
#include "core/toolkit.h"
#include "core/translation.h"
#include "driver/run.h"
#include "driver/standard_descriptors.h"

namespace {

__attribute__((constructor)) void load_toolkit_for_catalogues() {
  if (catalogue_for_locale()) preload_toolkit();
}

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
    return run_program(argc, argv);
  } catch (const std::bad_alloc&) {
    fail_allocation(0);
  }
}
