#include "driver/directory_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "analysis/analysis.h"
#include "driver/descriptor_limit.h"
#include "core/memory.h"
#include "core/messages.h"
#include "driver/paths.h"

namespace {

bool has_line_end(std::string_view text) { return text.find('\n') != std::string_view::npos; }

// The directory `name`, of status `status`, is named for the first time:
// known by its canonical path, or where that cannot be had (a path longer
// than the system resolves) by its device and inode. Bind mounts, one
// directory under two canonical paths, stay two directories.
bool first_mention(const std::string& name, const struct stat& status, Run& run) {
  bool identity_new = run.seen_identities.insert({status.st_dev, status.st_ino}).second;
  std::optional<std::string> path = canonical_path(name);
  return path ? run.seen_directories.insert(std::move(*path)).second : identity_new;
}

// What one directory entry turned out to be, learnt from a single
// non-blocking open and one fstat of that descriptor, which is left open
// for the caller to keep or close.
struct EntryStatus {
  bool opened;  // and its status read
  bool directory;
  bool regular;
  FileTime time;
  int64_t size;
  int fd;  // -1 when not opened
};

// Neither a lack of descriptors nor one of memory is a property of the entry:
// the run ends rather than report it as unreadable.
void end_on_shortage(int error, const std::string& name, AnalysisQueue& out) {
  if (is_lack_of_descriptors(error))
    out.end_run(ExitStatus::kError, Msg::kNoDescriptorLeft, {name});
  if (error == ENOMEM) fail_allocation(0);
}

EntryStatus probe_entry(const char* name, AnalysisQueue& out) {
  EntryStatus result{};
  // Non-blocking, so that a named pipe or a device never holds the run.
  result.fd = ::open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (result.fd < 0) {
    int error = errno;
    // A subdirectory we may not read is still a subdirectory: skipped quietly.
    result.directory = is_directory(name);
    if (!result.directory) end_on_shortage(error, name, out);
    return result;
  }
  struct stat status;
  if (::fstat(result.fd, &status) != 0) {
    // Unknown, so not selected: reported as a file that cannot be read.
    end_on_shortage(errno, name, out);
    return result;
  }
  result.directory = S_ISDIR(status.st_mode);
  result.regular = S_ISREG(status.st_mode);
  result.time = {true, status.st_mtim.tv_sec};
  result.size = status.st_size;
  result.opened = true;
  return result;
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

// A file of the listing chosen for the link file, before it has an entry:
// its name is in the directory's name buffer.
struct SelectedFile {
  int position;            // of its extension in the authorized list
  size_t name_offset;
  size_t name_length;
  const ExtensionEntry* extension;
  EntryStatus status;
};

// The extension the file is selected by, or null (reported when it must be).
const ExtensionEntry* selecting_extension(const char* name, size_t length,
                                          const EntryStatus& status,
                                          const ExtensionLists& extensions, AnalysisQueue& out) {
  if (status.directory) return nullptr;
  if (!status.opened) {
    out.message(Msg::kCannotOpenFile, {name});
    return nullptr;
  }
  const ExtensionEntry* extension = find_extension(extensions.authorized, name, length);
  if (!status.regular || extension == nullptr ||
      find_extension(extensions.forbidden, name, length) != nullptr)
    return nullptr;
  if (has_line_end(name)) {
    out.message(Msg::kLineEndInName, {name});
    return nullptr;
  }
  return extension;
}

// One entry of the listing: skipped, reported, or added to `selected` with
// its name in `names`. A selected file keeps the probe's descriptor while
// `kept` is within the budget.
void select_entry(const dirent& item, const ExtensionLists& extensions, size_t& kept,
                  size_t budget, std::vector<SelectedFile>& selected, std::string& names,
                  AnalysisQueue& out) {
  const char* name = item.d_name;
  if (item.d_type == DT_DIR) return;  // known without a system call
  if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) return;

  EntryStatus status = probe_entry(name, out);
  size_t length = std::strlen(name);
  const ExtensionEntry* extension = selecting_extension(name, length, status, extensions, out);
  if (status.fd >= 0 && (extension == nullptr || kept >= budget)) {
    ::close(status.fd);
    status.fd = -1;
  }
  if (extension == nullptr) return;
  if (status.fd >= 0) ++kept;
  selected.push_back({extension->position, names.size(), length, extension, status});
  names.append(name, length + 1);
}

// Authorized-extension position first, then the name byte by byte.
void sort_selected(std::vector<SelectedFile>& selected, const std::string& names) {
  std::sort(selected.begin(), selected.end(), [&names](const auto& a, const auto& b) {
    if (a.position != b.position) return a.position < b.position;
    return std::strcmp(names.c_str() + a.name_offset, names.c_str() + b.name_offset) < 0;
  });
}

// The entries of `selected`, in its order, in one block with their
// names: the run walks them in that order more than once, and a hundred
// thousand files cost a hundred blocks, not a hundred thousand.
std::vector<SourceFileEntry*> make_entries(const std::vector<SelectedFile>& selected,
                                           const std::string& names) {
  std::vector<SourceFileEntry*> entries;
  if (selected.empty()) return entries;
  size_t entry_bytes = selected.size() * sizeof(SourceFileEntry);
  char* block = static_cast<char*>(checked_alloc(entry_bytes + names.size()));
  auto* entry = reinterpret_cast<SourceFileEntry*>(block);
  char* name = block + entry_bytes;
  entries.reserve(selected.size());
  for (const SelectedFile& file : selected) {
    std::memcpy(name, names.data() + file.name_offset, file.name_length + 1);
    entry->file_name = name;
    entry->matched_extension = file.extension;
    entry->state = EntryState::kPending;
    entry->listed = file.status.time;
    entry->descriptor = file.status.fd;
    entry->size = file.status.size;
    name += file.name_length + 1;
    entries.push_back(entry++);
  }
  return entries;
}

// The selected files of the working directory, in their final order, and
// the listing, kept open: files that were not kept open are opened relative
// to it, whatever the working directory is by then. A listing that cannot be
// opened counts as empty.
std::vector<SourceFileEntry*> list_directory(const std::string& name, const Run& run,
                                             AnalysisQueue& out, std::shared_ptr<DIR>& listing) {
  listing.reset(::opendir("."), ::closedir);
  if (listing == nullptr) {
    if (is_lack_of_descriptors(errno))
      out.end_run(ExitStatus::kError, Msg::kNoDescriptorLeft, {name});
    fail_if_out_of_memory(32768);  // the listing's buffer
    out.message(Msg::kCannotGetDirectoryEntry, {name});
    return {};
  }
  // When the previous link file is likely to stand for most files, a
  // descriptor kept would only be closed again, and a thousand open files
  // cost the system more than the few that changed cost to open twice.
  bool reuse_likely = !run.settings.force_analysis && run.previous.head != nullptr;
  size_t budget = reuse_likely ? 0 : descriptor_budget(out.window());
  size_t kept = 0;  // descriptors, all consumed by handle_entry
  std::vector<SelectedFile> selected;
  std::string names;
  const dirent* item;
  while ((errno = 0, item = ::readdir(listing.get())) != nullptr)
    select_entry(*item, run.extensions, kept, budget, selected, names, out);
  if (errno != 0) {
    // A listing that fails part way is reported; the files listed before
    // the failure stay.
    fail_if_out_of_memory(32768);
    out.message(Msg::kCannotGetDirectoryEntry, {name});
  }
  sort_selected(selected, names);
  return make_entries(selected, names);
}

void handle_entry(SourceFileEntry& entry, std::string_view directory_text,
                  const std::shared_ptr<DIR>& listing, const Run& run, AnalysisQueue& out) {
  entry.directory_text = directory_text.data();  // NUL-terminated: kept by the run
  if (!run.settings.force_analysis) {
    entry.previous_record = find_previous_record(run.previous, directory_text, entry.file_name,
                                                 entry.listed);
    if (entry.previous_record != nullptr && !dependencies_vouch(run.dependencies, entry))
      entry.previous_record = nullptr;
    if (entry.previous_record != nullptr) {
      entry.state = EntryState::kReused;
      if (entry.descriptor >= 0) ::close(entry.descriptor);
      entry.descriptor = -1;
      return;
    }
  }
  entry.state = EntryState::kAnalysed;
  out.analyse(entry, listing);
}

void return_to_start(const Run& run, AnalysisQueue& out) {
  if (change_directory(run.start_directory.c_str()) != 0)
    out.end_run(ExitStatus::kError, Msg::kCannotComeBack, {run.start_directory});
}

// The text that stands for the working directory in the link file.
std::string directory_text_for(const Run& run, AnalysisQueue& out) {
  std::optional<std::string> working = current_directory();
  if (!working) out.end_run(ExitStatus::kError, Msg::kCannotGetWorkingDirectory);
  if (!run.settings.relative_paths) return *working;
  return relative_directory(run.start_directory, *working);
}

}  // namespace

void process_directory(const std::string& name, Run& run, AnalysisQueue& out) {
  struct stat status;
  if (stat_path(name.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    out.message(Msg::kNotADirectory, {name});
    return;
  }
  // Counted as seen before it is entered, so a directory that fails below
  // is warned about, not retried, when named again.
  if (!first_mention(name, status, run)) {
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
  std::string_view directory_text = run.directory_texts.emplace_back(std::move(text));

  std::shared_ptr<DIR> listing;
  std::vector<SourceFileEntry*> entries = list_directory(name, run, out, listing);
  for (size_t i = 0; i + 1 < entries.size(); ++i) entries[i]->next = entries[i + 1];
  if (!entries.empty()) append_entries(run.files, entries.front(), entries.back());

  if (!run.settings.silent) out.message(Msg::kCheckingDirectory, {name});
  for (SourceFileEntry* entry : entries) handle_entry(*entry, directory_text, listing, run, out);
  out.flush();
  return_to_start(run, out);
}
