#include "driver/file_replacement.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/messages.h"
#include "driver/atomic_file.h"
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

bool replace_file(const char* name, const std::function<bool(const ContentSink&)>& produce,
                  int64_t latest_time) {
  std::string target = resolve_symbolic_links(name);
  int existing;
  if (!open_existing_target(target, existing)) {
    report(Msg::kCannotOpenLinkFile, {name});
    return false;
  }
  AtomicFile file;
  bool ok;
  if (file.open(target.c_str())) {
    if (existing >= 0) ::close(existing);
    ok = produce(
             [&file](std::string_view block) { return file.write(block.data(), block.size()); }) &&
         file.commit(latest_time);
  } else if (existing >= 0 && refused_for_permission(file.error())) {
    // The whole content first, then over the old file.
    std::string content;
    produce([&content](std::string_view block) {
      content.append(block);
      return true;
    });
    ok = rewrite_in_place(existing, content, latest_time);
  } else if (existing >= 0) {
    ::close(existing);
    ok = false;
  } else {
    report(Msg::kCannotOpenLinkFile, {name});
    return false;
  }
  if (!ok) report(Msg::kCannotWriteLinkFile, {name});
  return ok;
}
