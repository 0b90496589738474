#include "driver/file_replacement.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/messages.h"
#include "driver/in_place_file.h"
#include "driver/paths.h"

namespace {

// A descriptor open for writing on the file that exists now, or -1 when
// there is none. False when the name cannot be written: an empty name, or an
// existing file the user may not open for writing.
bool open_existing_target(const std::string& target, int& fd) {
  fd = -1;
  if (target.empty()) return false;
  fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  return fd >= 0 || errno == ENOENT;
}

}  // namespace

FileReplacement::~FileReplacement() {
  if (in_place_fd_ >= 0) ::close(in_place_fd_);
}

bool FileReplacement::open(const char* name, int64_t latest_time) {
  name_ = name;
  latest_time_ = latest_time;
  std::string target = resolve_symbolic_links(name);
  int existing;
  if (!open_existing_target(target, existing)) {
    report(Msg::kCannotOpenLinkFile, {name});
    return false;
  }
  if (file_.open(target.c_str())) {
    if (existing >= 0) ::close(existing);
    return true;
  }
  if (existing >= 0 && refused_for_permission(file_.error())) {
    in_place_fd_ = existing;
    dated_ = latest_time == std::numeric_limits<int64_t>::max() || can_date(existing);
    return true;
  }
  if (existing >= 0) {
    ::close(existing);
    report(Msg::kCannotWriteLinkFile, {name});
  } else {
    report(Msg::kCannotOpenLinkFile, {name});
  }
  return false;
}

bool FileReplacement::write(const ContentProducer& produce) {
  bool ok;
  if (in_place_fd_ < 0) {
    ok = produce(
             [this](std::string_view block) { return file_.write(block.data(), block.size()); }) &&
         file_.commit(latest_time_);
  } else {
    // The whole content first, then over the old file.
    std::string content;
    produce([&content](std::string_view block) {
      content.append(block);
      return true;
    });
    int fd = in_place_fd_;
    in_place_fd_ = -1;
    ok = rewrite_in_place(fd, content,
                          dated_ ? latest_time_ : std::numeric_limits<int64_t>::max());
  }
  if (!ok) report(Msg::kCannotWriteLinkFile, {name_});
  return ok;
}

bool replace_file(const char* name, const ContentProducer& produce, int64_t latest_time) {
  FileReplacement replacement;
  return replacement.open(name, latest_time) && replacement.write(produce);
}
