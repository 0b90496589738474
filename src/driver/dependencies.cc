#include "driver/dependencies.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "core/memory.h"
#include "core/messages.h"
#include "driver/ada_mode.h"
#include "driver/atomic_file.h"
#include "driver/link_file.h"
#include "driver/paths.h"

const char* dependency_file_name() {
  const char* value = std::getenv("VANTLINK_DEPS");
  return value != nullptr && value[0] != '\0' ? value : nullptr;
}

bool check_dependency_target(const char* name) {
  if (!link_target_usable(name)) {
    report(Msg::kCannotCreateLinkFile, {name});
    return false;
  }
  int fd = ::open(name, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
  } else if (errno != ENOENT) {
    report(Msg::kCannotOpenLinkFile, {name});
    return false;
  }
  return true;
}

uint64_t dependency_file_limit(uint64_t link_file_size) {
  return link_file_size * kDependencyBytesPerLinkByte + kDependencyBytesBeyond;
}

void start_dependencies(Dependencies& deps, const char* name, AdaMode mode, bool force,
                        const PreviousRecords& previous) {
  deps.name = name;
  // Only a file whose link-file record is reused needs its rule: with no
  // record to reuse, the previous file is of no use and is not read.
  if (!force && !previous.by_key.empty()) {
    std::string error;
    // A file it cannot vouch for is as good as none: every file is analysed.
    // So is one too large to be this link file's, or one whose reading runs
    // out of memory: a cache never ends the run.
    try {
      AllocationFailuresThrow failures_throw;
      if (read_dependency_file(name, deps.previous, error,
                               dependency_file_limit(previous.text.size())) ==
              ReadOutcome::kRead &&
          deps.previous.checksum_matches && deps.previous.mode == mode_name(mode)) {
        deps.previous_by_key.reserve(deps.previous.rules.size());
        for (const DependencyRule& rule : deps.previous.rules)
          deps.previous_by_key.emplace(rule.key, &rule);  // the first of a key stays
      }
    } catch (const AllocationFailure&) {
      deps.previous_by_key = {};
      deps.previous = DependencyFile();
    }
  }
  deps.started = file_system_second(name);
}

bool dependencies_vouch(const Dependencies& deps, SourceFileEntry& entry) {
  if (deps.name == nullptr) return true;
  entry.previous_dependencies = nullptr;
  auto found = deps.previous_by_key.find(entry.previous_record->key);
  if (found == deps.previous_by_key.end()) return false;
  const DependencyRule& rule = *found->second;
  if (!entry.listed.known || entry.listed.seconds >= deps.previous.trusted_before ||
      rule.time != written_time(entry.listed.seconds))
    return false;
  entry.previous_dependencies = &rule;
  return true;
}
