#include "scratch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>


ScratchDir::ScratchDir() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/vantlink-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  // Tests may leave unreadable or unwritable directories behind.
  std::error_code ignored;
  for (auto& entry : std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied, ignored)) {
    if (entry.is_directory(ignored) && !entry.is_symlink(ignored))
      ::chmod(entry.path().c_str(), 0755);
  }
  std::filesystem::remove_all(path_, ignored);
}

std::string scratch_path(const std::string& name) {
  return std::filesystem::temp_directory_path().string() + "/vl_" + std::to_string(getpid()) +
         "_" + name;
}

void write_file(const std::string& path, std::string_view content) {
  std::ofstream file(path, std::ios::binary);
  file << content;
  if (!file) throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream buffer;
  buffer << file.rdbuf();
  return buffer.str();
}

void make_directory(const std::string& path) { std::filesystem::create_directories(path); }

void set_file_time(const std::string& path, long long seconds) {
  timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
  if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
    throw std::runtime_error("utimensat " + path);
}

void rewrite_keeping_time(const std::string& path, const std::string& content) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) throw std::runtime_error("stat " + path);
  write_file(path, content);
  set_file_time(path, status.st_mtim.tv_sec);
}

std::string package(const std::string& name) { return "package " + name + " is end " + name + ";\n"; }
