// The parts of a file's path as the link file writes it.
#pragma once

#include <string_view>

// Its directory: "." for a bare name, "/" for a file at the root.
inline std::string_view directory_of(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// Its name in that directory.
inline std::string_view file_name_of(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}
