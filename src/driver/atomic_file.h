// Replaces a file as a whole. The new content goes to a temporary file beside
// the real target (a symbolic link is followed and stays a link) and is
// renamed over it only once every byte is on disk; until then, and after any
// failure, the old file is left exactly as it was.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "driver/ignored_signal.h"

// The current second by the clock of the file system that holds the file
// `name` stands for, as a file made and removed beside it shows: file times
// come from that clock, which may differ from this machine's (a network file
// system). This machine's clock when no file can be made there.
int64_t file_system_second(const char* name);

// Sets the modification time of the file open on `fd` to `latest_time`
// (whole seconds) unless it is earlier already. False on failure.
bool date_no_later_than(int fd, int64_t latest_time);

class AtomicFile {
 public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile();  // an uncommitted temporary file is removed

  // Creates the temporary file, with the permission bits of the file it will
  // replace (or those a new file would get). False when it cannot be made;
  // error() then says why.
  bool open(const char* name);
  int error() const { return open_error_; }

  // False once any write has failed; later calls do nothing.
  bool write(const char* data, size_t length);

  // Dates the file no later than `latest_time`, flushes it to disk, closes
  // it and renames it over the target. False on any failure.
  bool commit(int64_t latest_time = std::numeric_limits<int64_t>::max());

 private:
  void discard();

  std::string target_;
  std::string temporary_;
  int fd_ = -1;
  int open_error_ = 0;
  bool failed_ = false;
  std::optional<IgnoredSignal> file_size_signal_;
};
