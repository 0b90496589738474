#include "formats/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

WholeFile read_whole_file(const char* path, std::vector<char>& bytes, size_t& length,
                          uint64_t size_limit, std::string& error, int64_t* modified) {
  length = 0;
  Descriptor fd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) {
    error = std::strerror(errno);
    return errno == ENOENT ? WholeFile::kMissing : WholeFile::kUnreadable;
  }
  struct stat status;
  if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
    error = "not a regular file";
    return WholeFile::kUnreadable;
  }
  if (modified != nullptr) *modified = status.st_mtim.tv_sec;
  uint64_t size = static_cast<uint64_t>(status.st_size);
  if (size > size_limit) {
    error = "larger than " + std::to_string(size_limit) + " bytes";
    return WholeFile::kTooLarge;
  }
  // One byte more than the size, so that a file that grew is seen at once.
  bytes.assign(size + 1 + kWholeFilePadding, '\0');
  for (;;) {
    size_t room = bytes.size() - kWholeFilePadding - length;
    if (room == 0) {
      if (length > size_limit) break;
      // Room for one byte past the limit at most.
      uint64_t left = size_limit - length;
      bytes.resize(bytes.size() + std::min<uint64_t>(std::max<uint64_t>(length, 64 * 1024),
                                                     left == UINT64_MAX ? left : left + 1));
      continue;
    }
    ssize_t n = ::read(fd.get(), bytes.data() + length, room);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::strerror(errno);
      return WholeFile::kUnreadable;
    }
    if (n == 0) break;
    length += static_cast<size_t>(n);
  }
  if (length > size_limit) {
    error = "larger than " + std::to_string(size_limit) + " bytes";
    return WholeFile::kTooLarge;
  }
  bytes.resize(length + kWholeFilePadding);
  std::memset(bytes.data() + length, 0, kWholeFilePadding);
  return WholeFile::kRead;
}
