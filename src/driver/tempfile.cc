#include "driver/tempfile.h"

#include <unistd.h>

#include <atomic>

namespace {

// The link file's and the dependency file's: a fixed list, so that the
// removal never needs memory.
constexpr int kMostFiles = 4;
std::atomic<const char*> listed[kMostFiles];

}  // namespace

bool register_temporary_file(const char* path) {
  for (auto& slot : listed) {
    const char* empty = nullptr;
    if (slot.compare_exchange_strong(empty, path)) return true;
  }
  return false;
}

void unregister_temporary_file(const char* path) {
  for (auto& slot : listed) {
    const char* expected = path;
    slot.compare_exchange_strong(expected, nullptr);
  }
}

void remove_temporary_files() {
  for (auto& slot : listed)
    if (const char* path = slot.exchange(nullptr)) ::unlink(path);
}
