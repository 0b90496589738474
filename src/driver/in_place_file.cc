#include "driver/in_place_file.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "driver/atomic_file.h"
#include "driver/ignored_signal.h"
#include "driver/tempfile.h"

namespace {

bool write_all(int fd, std::string_view content) {
  off_t offset = 0;
  while (!content.empty()) {
    ssize_t n = ::pwrite(fd, content.data(), content.size(), offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    content.remove_prefix(static_cast<size_t>(n));
    offset += n;
  }
  return true;
}

}  // namespace

bool refused_for_permission(int error) { return error == EACCES || error == EPERM; }

bool can_date(int fd) {
  // Set to the time it has: nothing changes but the status-change time.
  struct stat status;
  if (::fstat(fd, &status) != 0) return false;
  const struct timespec times[2] = {{0, UTIME_OMIT}, status.st_mtim};
  return ::futimens(fd, times) == 0;
}

bool rewrite_in_place(int fd, std::string_view content, int64_t latest_time) {
  int locked;
  while ((locked = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
  }
  if (locked != 0) {
    ::close(fd);
    return false;
  }
  CleanupSignalsHeld held;
  IgnoredSignal file_size_signal(SIGXFSZ);
  // Written over the old bytes first and cut afterwards: the blocks the old
  // content holds need no new space, so a full disk fails fewer writes.
  bool ok = write_all(fd, content) && ::ftruncate(fd, static_cast<off_t>(content.size())) == 0;
  ok = ok && date_no_later_than(fd, latest_time);
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;  // and unlocked
  return ok;
}
