#include "driver/in_place_file.h"

#include <unistd.h>

#include <cerrno>

#include "driver/ignored_signal.h"

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

bool rewrite_in_place(int fd, std::string_view content) {
  IgnoredSignal file_size_signal(SIGXFSZ);
  // Written over the old bytes first and cut afterwards: the blocks the old
  // content holds need no new space, so a full disk fails fewer writes.
  bool ok = write_all(fd, content) && ::ftruncate(fd, static_cast<off_t>(content.size())) == 0 &&
            ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  return ok;
}
