#include "driver/in_place_file.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "driver/atomic_file.h"

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

bool rewrite_in_place(int fd, std::string_view content, int64_t latest_time) {
  // Going past a file-size limit must fail the write, not kill the run.
  struct sigaction ignore {}, old {};
  ignore.sa_handler = SIG_IGN;
  bool saved = ::sigaction(SIGXFSZ, &ignore, &old) == 0;
  // Written over the old bytes first and cut afterwards: the blocks the old
  // content holds need no new space, so a full disk fails fewer writes.
  bool ok = write_all(fd, content) && ::ftruncate(fd, static_cast<off_t>(content.size())) == 0;
  // Only the owner may date a file; anyone else leaves it the time of this
  // write, as before (the next run then trusts the files of this run's
  // seconds too).
  if (ok) date_no_later_than(fd, latest_time);
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (saved) ::sigaction(SIGXFSZ, &old, nullptr);
  return ok;
}
