// Scratch directories and file helpers shared by every test suite.
#pragma once

#include <string>
#include <string_view>

// A fresh directory under the system's temporary directory, removed by the
// destructor.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Path of a scratch file private to this test process.
std::string scratch_path(const std::string& name);

void write_file(const std::string& path, std::string_view content);
// Sets the access and modification times of `path` to `seconds`.
void set_file_time(const std::string& path, long long seconds);
// New content under the old modification time: a run that still shows the
// old content has reused the file instead of reading it.
void rewrite_keeping_time(const std::string& path, const std::string& content);
std::string read_file(const std::string& path);
void make_directory(const std::string& path);

// The source of an empty package specification named `name`.
std::string package(const std::string& name);

