#include "driver/paths.h"

#include <algorithm>

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
