// Writing the link file: built in large blocks, replaced in one step, or,
// when no temporary file can be made beside it, rewritten in place.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <string>

#include "driver/ada_mode.h"
#include "driver/atomic_file.h"
#include "driver/in_place_file.h"
#include "driver/link_file.h"
#include "driver/paths.h"
#include "driver/tempfile.h"
#include "core/messages.h"

namespace {

// Collects output and hands it to the file in large blocks; without a file,
// keeps all of it.
class BlockWriter {
 public:
  explicit BlockWriter(AtomicFile* file) : file_(file) { buffer_.reserve(kBlock + 4096); }

  std::string& text() { return buffer_; }

  // Passes a full block on; false once the file has refused a write.
  bool flush_if_full() { return file_ == nullptr || buffer_.size() < kBlock || flush(); }

  bool flush() {
    if (file_ == nullptr) return true;
    bool ok = file_->write(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
  }

 private:
  // Large enough that write calls are few, small enough that the buffer's
  // pages stay few and are reused: a large block would add its size to the
  // peak memory of a large run.
  static constexpr size_t kBlock = 64 * 1024;
  AtomicFile* file_;
  std::string buffer_;
};

void append_time(std::string& out, const FileTime& time) {
  if (!time.known) {
    out.push_back('0');
    return;
  }
  char digits[16];
  auto result = std::to_chars(digits, digits + sizeof digits, written_time(time.seconds));
  out.append(digits, result.ptr);
}

void append_unit_line(std::string& out, const CompilationUnit& unit) {
  out.push_back('"');
  if (unit.directory != nullptr && unit.directory[0] != '\0') {
    out.append(unit.directory);
    out.push_back('/');
  }
  if (unit.file_name != nullptr) out.append(unit.file_name);
  out.append("\" ");
  if (unit.full_name != nullptr) out.append(unit.full_name);
  out.push_back(' ');
  out.append(unit_kind_text(unit));
  out.push_back('\n');
}

void append_block(std::string& out, const SourceFileEntry& entry) {
  // Matched on its key and written time, a record read as this program
  // writes it is the block to write.
  if (entry.state == EntryState::kReused && entry.previous_record->written_as_is) {
    out.append(whole_record(*entry.previous_record));
    return;
  }
  out.append(kInfoPrefix);
  append_record_key(out, entry.directory_text ? entry.directory_text : "", entry.file_name);
  out.push_back(':');
  append_time(out, recorded_time(entry));
  out.push_back('\n');
  if (entry.state == EntryState::kAnalysed) {
    for (const CompilationUnit* unit = entry.units; unit != nullptr; unit = unit->next)
      append_unit_line(out, *unit);
  } else if (entry.state == EntryState::kReused) {
    out.append(entry.previous_record->saved_lines);
  }
}

// Every block of the link file of `files`, handed to `writer`; false once a
// write has failed.
// The mode line first, when the mode has one.
bool write_blocks(BlockWriter& writer, const FileList& files, AdaMode mode) {
  if (std::string_view line = mode_line(mode); !line.empty()) {
    writer.text().append(line);
    writer.text().push_back('\n');
  }
  for (const SourceFileEntry* entry = files.head; entry != nullptr; entry = entry->next) {
    append_block(writer.text(), *entry);
    if (!writer.flush_if_full()) return false;
  }
  return writer.flush();
}

// A descriptor open for writing on the link file that exists now, or -1 when
// there is none. False when the name cannot be written: an empty name, or an
// existing file the user may not open for writing. The rename could replace
// such a file, but who may write the link file must not depend on how it is
// replaced.
bool open_existing_target(const std::string& target, int& fd) {
  fd = -1;
  if (target.empty()) return false;
  fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  return fd >= 0 || errno == ENOENT;
}

}  // namespace

bool write_link_file(const char* name, const FileList& files, AdaMode mode,
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
    BlockWriter writer(&file);
    ok = write_blocks(writer, files, mode) && file.commit(latest_time);
  } else if (existing >= 0 && refused_for_permission(file.error())) {
    // The whole content first, then over the old file.
    BlockWriter writer(nullptr);
    write_blocks(writer, files, mode);
    ok = rewrite_in_place(existing, writer.text(), latest_time);
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
