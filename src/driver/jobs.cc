#include "driver/jobs.h"

#include <sched.h>

#include <cstdlib>

#include "core/messages.h"

namespace {

// More threads than this only cost memory: the main thread that lists the
// directories and prints could not keep them busy.
constexpr unsigned kMostThreads = 256;

unsigned usable_processors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  int count = CPU_COUNT(&set);
  return count > 0 ? static_cast<unsigned>(count) : 1;
}

}  // namespace

std::optional<unsigned> parse_job_count(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  unsigned value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0) return std::nullopt;
  return value;
}

std::optional<unsigned> analysing_threads() {
  const char* text = std::getenv("VANTLINK_JOBS");
  unsigned count = usable_processors();
  if (text != nullptr && *text != '\0') {
    std::optional<unsigned> jobs = parse_job_count(text);
    if (!jobs) {
      report(Msg::kBadJobCount, {text});
      return std::nullopt;
    }
    count = *jobs;
  }
  return count < kMostThreads ? count : kMostThreads;
}
