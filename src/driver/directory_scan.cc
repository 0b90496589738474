#include "driver/directory_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "analysis/analysis.h"
#include "driver/long_path.h"
#include "core/memory.h"
#include "core/messages.h"
#include "driver/paths.h"

namespace {

bool has_line_end(std::string_view text) { return text.find('\n') != std::string_view::npos; }

std::string canonical_path(const std::string& name) {
  char* resolved = ::realpath(name.c_str(), nullptr);
  if (resolved == nullptr) {
    fail_if_out_of_memory(PATH_MAX);
    return name;
  }
  std::string path(resolved);
  std::free(resolved);
  return path;
}

// What one directory entry turned out to be, learnt from a single
// non-blocking open and one fstat of that descriptor, which is left open
// for the caller to keep or close.
struct EntryStatus {
  bool opened;
  bool directory;
  bool regular;
  FileTime time;
  int64_t size;
  int fd;  // -1 when not opened
};

EntryStatus probe_entry(const char* name) {
  EntryStatus result{};
  // Non-blocking, so that a named pipe or a device never holds the run.
  result.fd = ::open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (result.fd < 0) {
    // A subdirectory we may not read is still a subdirectory: skipped quietly.
    result.directory = is_directory(name);
    return result;
  }
  struct stat status;
  if (::fstat(result.fd, &status) == 0) {
    result.directory = S_ISDIR(status.st_mode);
    result.regular = S_ISREG(status.st_mode);
    result.time = {true, status.st_mtim.tv_sec};
    result.size = status.st_size;
  }
  result.opened = true;
  return result;
}

size_t open_descriptor_count() {
  DIR* listing = ::opendir("/proc/self/fd");
  if (listing == nullptr) return SIZE_MAX;
  size_t count = 0;
  while (const dirent* item = ::readdir(listing))
    if (item->d_name[0] != '.') ++count;
  ::closedir(listing);
  return count - 1;  // the listing's own
}

// How many selected entries of one directory may stay open from the listing
// to their analysis, which then need not open them again: the descriptors
// free at the start less a reserve, so that no other open can fail for want
// of one, and no more than a few thousand.
size_t descriptor_budget(size_t window) {
  static const size_t budget = [window] {
    // The files in flight hold a descriptor each, and so may their
    // directories' listings.
    const size_t kReserve = 64 + 2 * window;
    constexpr size_t kMost = 4096;
    struct rlimit limit;
    size_t in_use = open_descriptor_count();
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || in_use == SIZE_MAX) return size_t{0};
    if (limit.rlim_cur == RLIM_INFINITY) return kMost;
    size_t free = limit.rlim_cur > in_use ? limit.rlim_cur - in_use : 0;
    return free > kReserve ? std::min(free - kReserve, kMost) : 0;
  }();
  return budget;
}

SourceFileEntry* new_entry(const char* name, size_t length, const ExtensionEntry* extension,
                           const EntryStatus& status) {
  // The name lives in the same block, right behind the entry: one block per
  // file instead of two, which counts in a run over a hundred thousand.
  auto* entry =
      static_cast<SourceFileEntry*>(checked_alloc(sizeof(SourceFileEntry) + length + 1));
  entry->file_name = reinterpret_cast<char*>(entry + 1);
  std::memcpy(entry->file_name, name, length);
  entry->matched_extension = extension;
  entry->state = EntryState::kPending;
  entry->observed = status.time;
  entry->descriptor = -1;
  entry->size = status.size;
  return entry;
}

// The entry to make of what the probe found, or null.
SourceFileEntry* chosen_entry(const char* name, const EntryStatus& status,
                              const ExtensionLists& extensions, OrderedOutput& out) {
  if (status.directory) return nullptr;
  if (!status.opened) {
    out.message(Msg::kCannotOpenFile, {name});
    return nullptr;
  }
  size_t length = std::strlen(name);
  const ExtensionEntry* extension = find_extension(extensions.authorized, name, length);
  if (!status.regular || extension == nullptr ||
      find_extension(extensions.forbidden, name, length) != nullptr)
    return nullptr;
  if (has_line_end(name)) {
    out.message(Msg::kLineEndInName, {name});
    return nullptr;
  }
  return new_entry(name, length, extension, status);
}

// One entry of the listing: skipped, reported, or selected. A selected
// entry keeps the probe's descriptor while `kept` is within the budget.
SourceFileEntry* select_entry(const dirent& item, const ExtensionLists& extensions,
                              size_t& kept, OrderedOutput& out) {
  const char* name = item.d_name;
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return nullptr;
  if (item.d_type == DT_DIR) return nullptr;  // known without a system call

  EntryStatus status = probe_entry(name);
  SourceFileEntry* entry = chosen_entry(name, status, extensions, out);
  if (status.fd >= 0) {
    if (entry != nullptr && kept < descriptor_budget(out.window())) {
      entry->descriptor = status.fd;
      ++kept;
    } else {
      ::close(status.fd);
    }
  }
  return entry;
}

// Authorized-extension position first, then the name byte by byte.
bool comes_before(const SourceFileEntry* a, const SourceFileEntry* b) {
  if (a->matched_extension->position != b->matched_extension->position)
    return a->matched_extension->position < b->matched_extension->position;
  return std::strcmp(a->file_name, b->file_name) < 0;
}

// The selected files of the working directory, in their final order, and
// the listing, kept open: files that were not kept open are opened relative
// to it, whatever the working directory is by then. A listing that cannot be
// opened counts as empty.
std::vector<SourceFileEntry*> list_directory(const std::string& name,
                                             const ExtensionLists& extensions,
                                             OrderedOutput& out, std::shared_ptr<DIR>& listing) {
  std::vector<SourceFileEntry*> entries;
  listing.reset(::opendir("."), ::closedir);
  if (listing == nullptr) {
    fail_if_out_of_memory(32768);  // the listing's buffer
    out.message(Msg::kCannotGetDirectoryEntry, {name});
    return entries;
  }
  size_t kept = 0;  // descriptors, all consumed by handle_entry
  while (const dirent* item = ::readdir(listing.get())) {
    if (SourceFileEntry* entry = select_entry(*item, extensions, kept, out))
      entries.push_back(entry);
  }
  std::sort(entries.begin(), entries.end(), comes_before);
  return entries;
}

void handle_entry(SourceFileEntry& entry, const char* directory_text,
                  const std::shared_ptr<DIR>& listing, const Run& run, OrderedOutput& out) {
  entry.directory_text = directory_text;
  if (!run.settings.force_analysis) {
    entry.previous_record = find_previous_record(run.previous, directory_text, entry.file_name,
                                                 entry.observed);
    if (entry.previous_record != nullptr) {
      entry.state = EntryState::kReused;
      if (entry.descriptor >= 0) ::close(entry.descriptor);
      entry.descriptor = -1;
      return;
    }
  }
  // The link file records the time of the content the analysis read; a file
  // it could not open is recorded with time 0.
  entry.state = EntryState::kAnalysed;
  entry.observed = {false, 0};
  out.analyse(entry, directory_text, listing);
}

void return_to_start(const Run& run, OrderedOutput& out) {
  if (change_directory(run.start_directory.c_str()) != 0)
    out.end_run(ExitStatus::kError, Msg::kCannotComeBack, {run.start_directory});
}

// The text that stands for the working directory in the link file.
std::string directory_text_for(const Run& run, OrderedOutput& out) {
  char* cwd = ::getcwd(nullptr, 0);  // any length
  if (cwd == nullptr) {
    fail_if_out_of_memory(PATH_MAX);
    out.end_run(ExitStatus::kError, Msg::kCannotGetWorkingDirectory);
  }
  std::string working(cwd);
  std::free(cwd);
  if (!run.settings.relative_paths) return working;
  return relative_directory(run.start_directory, working);
}

}  // namespace

bool is_directory(const char* path) {
  struct stat status;
  return stat_path(path, &status) == 0 && S_ISDIR(status.st_mode);
}

bool is_regular_file(const char* path) {
  struct stat status;
  return stat_path(path, &status) == 0 && S_ISREG(status.st_mode);
}

void process_directory(const std::string& name, Run& run, OrderedOutput& out) {
  if (!is_directory(name.c_str())) {
    out.message(Msg::kNotADirectory, {name});
    return;
  }
  // Counted as seen before it is entered, so a directory that fails below
  // is warned about, not retried, when named again.
  if (!run.seen_directories.insert(canonical_path(name)).second) {
    if (!run.settings.silent) out.message(Msg::kDuplicateDirectory, {name});
    return;
  }
  if (change_directory(name.c_str()) != 0) {
    out.message(Msg::kCannotChangeDirectory, {name});
    return;
  }
  std::string text = directory_text_for(run, out);
  if (has_line_end(text)) {
    // A line end would split the lines of the link file.
    out.message(Msg::kLineEndInName, {text});
    return_to_start(run, out);
    return;
  }
  // Kept by the run: its entries, and the analysis, point at it.
  const char* directory_text = run.directory_texts.emplace_back(std::move(text)).c_str();

  std::shared_ptr<DIR> listing;
  std::vector<SourceFileEntry*> entries = list_directory(name, run.extensions, out, listing);
  for (size_t i = 0; i + 1 < entries.size(); ++i) entries[i]->next = entries[i + 1];
  if (!entries.empty()) append_entries(run.files, entries.front(), entries.back());

  if (!run.settings.silent) out.message(Msg::kCheckingDirectory, {name});
  for (SourceFileEntry* entry : entries) handle_entry(*entry, directory_text, listing, run, out);
  out.flush();
  return_to_start(run, out);
}
