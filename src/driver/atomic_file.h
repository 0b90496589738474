// Replaces a file as a whole. The new content goes to a temporary file beside
// the real target (a symbolic link is followed and stays a link) and is
// renamed over it only once every byte is on disk; until then, and after any
// failure, the old file is left exactly as it was.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>

#include "driver/ignored_signal.h"

class AtomicFile {
 public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile();  // an uncommitted temporary file is removed

  // Creates the temporary file, with the permission bits of the file it will
  // replace (or those a new file would get). False when it cannot be made.
  bool open(const char* name);

  // False once any write has failed; later calls do nothing.
  bool write(const char* data, size_t length);

  // Flushes to disk, closes and renames over the target. False on any failure.
  bool commit();

 private:
  void discard();

  std::string target_;
  std::string temporary_;
  int fd_ = -1;
  bool failed_ = false;
  std::optional<IgnoredSignal> file_size_signal_;
};
