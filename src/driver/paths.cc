#include "driver/paths.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>

#include "core/memory.h"

namespace {

// Length of the common leading part of `a` and `b`, cut back to the last
// "/" they share when it would end inside a path component (/home/ab and
// /home/abc share "/home/", not "/home/ab").
size_t common_directory_length(const std::string& a, const std::string& b) {
  size_t k = std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin()).first -
             a.begin();
  auto ends_component = [k](const std::string& s) { return k == s.size() || s[k] == '/'; };
  if (k == 0 || a[k - 1] == '/' || (ends_component(a) && ends_component(b))) return k;
  size_t slash = a.rfind('/', k - 1);
  return slash == std::string::npos ? 0 : slash + 1;
}

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

bool read_link(const std::string& path, std::string& target) {
  std::string buffer(256, '\0');
  for (;;) {
    ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) return false;
    if (static_cast<size_t>(n) < buffer.size()) {
      target.assign(buffer.data(), static_cast<size_t>(n));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

std::string relative_directory(const std::string& start, const std::string& current) {
  size_t k = common_directory_length(start, current);
  size_t rest = (k < current.size() && current[k] == '/') ? k + 1 : k;
  size_t climb_from = (k < start.size() && start[k] == '/') ? k + 1 : k;

  size_t levels = 0;
  if (climb_from < start.size()) {
    levels = std::count(start.begin() + climb_from, start.end(), '/');
    if (start.back() != '/') ++levels;
  }
  std::string result;
  for (size_t i = 0; i < levels; ++i) result.append("../");
  if (rest < current.size()) result.append(current, rest);
  else if (!result.empty()) result.pop_back();
  return result.empty() ? "." : result;
}

std::string directory_part(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

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

bool is_directory(const char* path) {
  struct stat status;
  return stat_path(path, &status) == 0 && S_ISDIR(status.st_mode);
}

std::optional<std::string> current_directory() {
  char* path = ::getcwd(nullptr, 0);
  if (path == nullptr) {
    fail_if_out_of_memory(PATH_MAX);
    return std::nullopt;
  }
  std::string out(path);
  std::free(path);
  return out;
}

std::optional<std::string> canonical_path(const std::string& name) {
  char* resolved = ::realpath(name.c_str(), nullptr);
  if (resolved == nullptr) {
    fail_if_out_of_memory(PATH_MAX);
    return std::nullopt;
  }
  std::string path(resolved);
  std::free(resolved);
  return path;
}

std::string resolve_symbolic_links(const std::string& name) {
  std::string path = name;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat status;
    std::string target;
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
    if (!read_link(path, target) || target.empty()) return path;
    path = (target[0] == '/') ? target : directory_part(path) + "/" + target;
  }
  return path;  // a loop: let the rename report it
}

bool same_file(const std::string& first, const std::string& second) {
  std::string one = resolve_symbolic_links(first), other = resolve_symbolic_links(second);
  struct stat one_status, other_status;
  bool one_exists = stat_path(one.c_str(), &one_status) == 0;
  bool other_exists = stat_path(other.c_str(), &other_status) == 0;
  if (one_exists || other_exists)
    return one_exists && other_exists && one_status.st_dev == other_status.st_dev &&
           one_status.st_ino == other_status.st_ino;
  // Neither exists yet: the same name in the same directory.
  std::string_view one_name = one, other_name = other;
  one_name.remove_prefix(one.rfind('/') + 1);  // npos + 1: the whole name
  other_name.remove_prefix(other.rfind('/') + 1);
  return one_name == other_name &&
         stat_path(directory_part(one).c_str(), &one_status) == 0 &&
         stat_path(directory_part(other).c_str(), &other_status) == 0 &&
         one_status.st_dev == other_status.st_dev && one_status.st_ino == other_status.st_ino;
}
