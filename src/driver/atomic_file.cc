#include "driver/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <limits>

#include "driver/paths.h"
#include "driver/tempfile.h"

namespace {

// Permission bits (and, where allowed, owner) of the file being replaced;
// a new file gets what creating it directly would have given.
bool copy_attributes(int fd, const std::string& target) {
  struct stat old;
  if (::stat(target.c_str(), &old) == 0) {
    // Only root may give the file back to its owner; chown first, as it can
    // clear set-id bits.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) { /* keep ours */ }
    return ::fchmod(fd, old.st_mode & 07777) == 0;
  }
  mode_t mask = ::umask(0);
  ::umask(mask);
  return ::fchmod(fd, 0666 & ~mask) == 0;
}

}  // namespace

bool date_no_later_than(int fd, int64_t latest_time) {
  if (latest_time == std::numeric_limits<int64_t>::max()) return true;
  struct stat status;
  if (::fstat(fd, &status) != 0) return false;
  if (status.st_mtim.tv_sec < latest_time) return true;
  const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(latest_time), 0}};
  return ::futimens(fd, times) == 0;
}

int64_t file_system_second(const char* name) {
  // Not named like the link file's temporary file: it is a different thing,
  // gone before any source is read.
  std::string path = directory_part(resolve_symbolic_links(name)) + "/.vantlink-clock.XXXXXX";
  int fd = create_temporary_file(path.data());
  if (fd < 0) return static_cast<int64_t>(::time(nullptr));
  struct stat status;
  bool known = ::fstat(fd, &status) == 0;
  ::unlink(path.c_str());
  unregister_temporary_file(path.c_str());
  ::close(fd);
  return known ? status.st_mtim.tv_sec : static_cast<int64_t>(::time(nullptr));
}

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::open(const char* name) {
  file_size_signal_.emplace(SIGXFSZ);
  target_ = resolve_symbolic_links(name);
  // The name is complete before the file exists: nothing is allocated
  // between its creation and its registration for removal.
  temporary_ = directory_part(target_) + "/.vantlink.XXXXXX";
  fd_ = create_temporary_file(temporary_.data());
  if (fd_ < 0) {
    open_error_ = errno;
    temporary_.clear();
    return false;
  }
  if (!copy_attributes(fd_, target_)) failed_ = true;
  return true;
}

bool AtomicFile::write(const char* data, size_t length) {
  while (!failed_ && length > 0) {
    ssize_t n = ::write(fd_, data, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed_ = true;
      break;
    }
    data += n;
    length -= static_cast<size_t>(n);
  }
  return !failed_;
}

bool AtomicFile::commit(int64_t latest_time) {
  if (fd_ < 0) return false;
  bool ok = !failed_ && date_no_later_than(fd_, latest_time) && ::fsync(fd_) == 0;
  ok = (::close(fd_) == 0) && ok;
  fd_ = -1;
  if (ok && ::rename(temporary_.c_str(), target_.c_str()) == 0) {
    unregister_temporary_file(temporary_.c_str());
    temporary_.clear();
  } else {
    ok = false;
  }
  discard();
  return ok;
}

void AtomicFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    unregister_temporary_file(temporary_.c_str());
  }
  temporary_.clear();
  file_size_signal_.reset();
}
