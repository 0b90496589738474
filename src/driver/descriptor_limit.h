// How many descriptors the run may hold at once. The soft limit is raised to
// the hard one at start; the files in flight are then bounded by what is
// left, whatever the number of threads, so that no open fails for want of a
// descriptor the run itself holds.
#pragma once

#include <cstddef>

// Raises the soft limit on open descriptors to the hard limit.
void raise_descriptor_limit();

// Descriptors open in this process now; SIZE_MAX when they cannot be counted.
size_t open_descriptor_count();

// The most files that may be in flight at once (each may hold its own
// descriptor and its directory's listing), keeping a reserve for the main
// thread's own opens: at least 1, at most `wanted`.
size_t files_in_flight_within_limit(size_t wanted);

// The call that failed with `error` lacked descriptors (EMFILE, ENFILE):
// the run cannot go on as if the file or the listing were unreadable.
bool is_lack_of_descriptors(int error);
