// Writing the link file: built in large blocks, replaced in one step.
#include <charconv>
#include <cstring>
#include <string>

#include "driver/ada_mode.h"
#include "driver/atomic_file.h"
#include "driver/link_file.h"
#include "core/messages.h"

namespace {

// Collects output and hands it to the file in large blocks.
class BlockWriter {
 public:
  explicit BlockWriter(AtomicFile& file) : file_(file) { buffer_.reserve(kBlock + 4096); }

  std::string& text() { return buffer_; }

  // Passes a full block on; false once the file has refused a write.
  bool flush_if_full() { return buffer_.size() < kBlock || flush(); }

  bool flush() {
    bool ok = file_.write(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
  }

 private:
  // Large enough that write calls are few, small enough that the buffer's
  // pages stay few and are reused: a large block would add its size to the
  // peak memory of a large run.
  static constexpr size_t kBlock = 64 * 1024;
  AtomicFile& file_;
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
  out.append("--file-info:");
  append_record_key(out, entry.directory_text ? entry.directory_text : "", entry.file_name);
  out.push_back(':');
  append_time(out, entry.observed);
  out.push_back('\n');
  if (entry.state == EntryState::kAnalysed) {
    for (const CompilationUnit* unit = entry.units; unit != nullptr; unit = unit->next)
      append_unit_line(out, *unit);
  } else if (entry.state == EntryState::kReused) {
    for (const SavedLine* line = entry.previous_record->saved_lines; line; line = line->next)
      out.append(line->text, line->length);
  }
}

}  // namespace

bool write_link_file(const char* name, const FileList& files, AdaMode mode) {
  AtomicFile file;
  if (!file.open(name)) {
    report(Msg::kCannotOpenLinkFile, {name});
    return false;
  }
  BlockWriter writer(file);
  if (std::string_view line = mode_line(mode); !line.empty()) {
    writer.text().append(line);
    writer.text().push_back('\n');
  }
  bool ok = true;
  for (const SourceFileEntry* entry = files.head; entry != nullptr && ok; entry = entry->next) {
    append_block(writer.text(), *entry);
    ok = writer.flush_if_full();
  }
  if (!(ok && writer.flush() && file.commit())) {
    report(Msg::kCannotWriteLinkFile, {name});
    return false;
  }
  return true;
}
