#include "driver/descriptor_limit.h"

#include <dirent.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstdint>

void raise_descriptor_limit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  ::setrlimit(RLIMIT_NOFILE, &limit);
}

size_t open_descriptor_count() {
  DIR* listing = ::opendir("/proc/self/fd");
  if (listing == nullptr) return SIZE_MAX;
  size_t count = 0;
  while (const dirent* item = ::readdir(listing))
    if (item->d_name[0] != '.') ++count;
  ::closedir(listing);
  return count - 1;  // the listing's own
}

size_t files_in_flight_within_limit(size_t wanted) {
  // The main thread's own opens while files are in flight: the entry it
  // probes, the listing it reads, a long path entered one component at a
  // time, a small file it analyses itself, the count above.
  constexpr size_t kReserve = 8;
  rlimit limit{};
  size_t in_use = open_descriptor_count();
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
      in_use == SIZE_MAX)
    return wanted;
  size_t free = limit.rlim_cur > in_use ? limit.rlim_cur - in_use : 0;
  size_t fitting = free > kReserve ? (free - kReserve) / 2 : 0;
  return fitting < 1 ? 1 : fitting < wanted ? fitting : wanted;
}

bool is_lack_of_descriptors(int error) { return error == EMFILE || error == ENFILE; }
