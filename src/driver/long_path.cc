#include "driver/long_path.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

// A descriptor for `path` reached by one openat per component, each
// relative to the one before, so that no single lookup sees the whole path.
int open_by_components(const char* path) {
  int fd = ::open(*path == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  const char* at = path;
  while (fd >= 0) {
    while (*at == '/') ++at;
    if (*at == '\0') return fd;
    const char* end = at;
    while (*end != '\0' && *end != '/') ++end;
    std::string component(at, end);
    int next = ::openat(fd, component.c_str(), O_PATH | O_CLOEXEC);
    int saved = errno;
    ::close(fd);
    errno = saved;
    fd = next;
    at = end;
  }
  return -1;
}

// Runs `use` on the descriptor of a path too long for one lookup.
template <typename Use>
int by_components(const char* path, Use use) {
  int fd = open_by_components(path);
  if (fd < 0) return -1;
  int result = use(fd);
  int saved = errno;
  ::close(fd);
  errno = saved;
  return result;
}

}  // namespace

int change_directory(const char* path) {
  if (::chdir(path) == 0) return 0;
  if (errno != ENAMETOOLONG) return -1;
  return by_components(path, [](int fd) { return ::fchdir(fd); });
}

int stat_path(const char* path, struct stat* status) {
  if (::stat(path, status) == 0) return 0;
  if (errno != ENAMETOOLONG) return -1;
  return by_components(path, [status](int fd) { return ::fstat(fd, status); });
}
