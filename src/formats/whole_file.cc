#include "formats/whole_file.h"

#include <fcntl.h>
#include <sys/mman.h>
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

// The pages that hold `length` bytes and the padding: false when too many.
bool padded_pages(size_t length, size_t& mapped) {
  size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  if (length > SIZE_MAX - kWholeFilePadding - page) return false;
  mapped = (length + kWholeFilePadding + page - 1) / page * page;
  return true;
}

std::string too_large(uint64_t limit) {
  return "larger than " + std::to_string(limit) + " bytes";
}

}  // namespace

FileBytes::~FileBytes() { release(); }

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
  if (this != &other) {
    release();
    block_ = other.block_;
    length_ = other.length_;
    room_ = other.room_;
    mapped_ = other.mapped_;
    other.block_ = nullptr;
    other.length_ = other.room_ = other.mapped_ = 0;
  }
  return *this;
}

void FileBytes::release() {
  if (mapped_ != 0) ::munmap(block_, mapped_);
  block_ = nullptr;
  length_ = room_ = mapped_ = 0;
}

bool FileBytes::allocate(size_t length) {
  size_t mapped;
  if (!padded_pages(length, mapped)) return false;
  // Populated at once: the kernel fills the pages in one go, where touching
  // them one by one costs a fault each.
  void* block = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  if (block == MAP_FAILED) return false;
  release();
  block_ = static_cast<char*>(block);
  room_ = length;
  mapped_ = mapped;
  return true;
}

bool FileBytes::map(int fd, size_t length) {
  size_t mapped;
  if (!padded_pages(length, mapped)) return false;
  // Zero pages first, the file over their start: the padding is the rest of
  // the file's last page (zero past its end) and the zero pages after it.
  void* block = ::mmap(nullptr, mapped, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return false;
  if (length > 0 && ::mmap(block, length, PROT_READ, MAP_PRIVATE | MAP_FIXED | MAP_POPULATE, fd,
                           0) == MAP_FAILED) {
    ::munmap(block, mapped);
    return false;
  }
  release();
  block_ = static_cast<char*>(block);
  length_ = room_ = length;
  mapped_ = mapped;
  return true;
}

WholeFile read_whole_file(const char* path, FileBytes& bytes, uint64_t size_limit,
                          std::string& error, int64_t* modified, FileAccess access) {
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
    error = too_large(size_limit);
    return WholeFile::kTooLarge;
  }
  auto no_memory = [&] {
    error = "cannot allocate memory";
    return WholeFile::kNoMemory;
  };
  if (access == FileAccess::kMapped) {
    if (bytes.map(fd.get(), size)) return WholeFile::kRead;
    if (errno == ENOMEM) return no_memory();
    error = std::strerror(errno);
    return WholeFile::kUnreadable;
  }
  // One byte more than the size, so that a file that grew is seen at once.
  if (!bytes.allocate(size + 1)) return no_memory();
  size_t length = 0;
  for (;;) {
    if (length == bytes.capacity()) {
      if (length > size_limit) break;
      // Room for one byte past the limit at most.
      uint64_t left = size_limit - length;
      FileBytes larger;
      if (!larger.allocate(length + std::min<uint64_t>(std::max<uint64_t>(length, 64 * 1024),
                                                       left == UINT64_MAX ? left : left + 1)))
        return no_memory();
      std::memcpy(larger.data(), bytes.data(), length);
      bytes = static_cast<FileBytes&&>(larger);
    }
    ssize_t n = ::read(fd.get(), bytes.data() + length, bytes.capacity() - length);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::strerror(errno);
      return WholeFile::kUnreadable;
    }
    if (n == 0) break;
    length += static_cast<size_t>(n);
  }
  if (length > size_limit) {
    error = too_large(size_limit);
    return WholeFile::kTooLarge;
  }
  bytes.set_length(length);
  return WholeFile::kRead;
}
