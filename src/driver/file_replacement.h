// Putting a new link file (or dependency file) in place of the old one: in
// one step, through a temporary file beside the real target and a rename;
// or, when the directory refuses new files for lack of permission, over the
// old file in place (the one case not atomic). Who may write the file does
// not depend on how it is replaced: an existing file the user may not open
// for writing is refused either way.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string_view>

#include "driver/atomic_file.h"

// Takes the content block by block; false once a write has failed.
using ContentSink = std::function<bool(std::string_view block)>;
using ContentProducer = std::function<bool(const ContentSink&)>;

// A file replaced in two steps: open() finds the way and whether the new
// file can carry the date asked for, before any content is made; write()
// puts the content in place. Messages name the file with the link file's.
class FileReplacement {
 public:
  FileReplacement() = default;
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  ~FileReplacement();  // whatever was not written is let go; the old file stays

  // Prepares to replace `name` (a symbolic link is followed and stays a
  // link) with a file dated no later than `latest_time`. False, once
  // reported, when it cannot be written.
  bool open(const char* name, int64_t latest_time = std::numeric_limits<int64_t>::max());

  // False when the new file will keep the time of its write instead: it is
  // rewritten in place by a user the system does not let date it (not its
  // owner).
  bool dated() const { return dated_; }

  // Puts what `produce` hands its sink in place of the file. `produce`
  // returns false once the sink has refused a block. On failure prints why,
  // leaves the old file as it was (but in place, see rewrite_in_place) and
  // returns false.
  bool write(const ContentProducer& produce);

 private:
  const char* name_ = nullptr;
  int64_t latest_time_ = std::numeric_limits<int64_t>::max();
  AtomicFile file_;
  int in_place_fd_ = -1;  // the old file, open for writing, when rewritten in place
  bool dated_ = true;
};

// Both steps at once.
bool replace_file(const char* name, const ContentProducer& produce,
                  int64_t latest_time = std::numeric_limits<int64_t>::max());
