// Writing the link file: built in large blocks and put in place as a whole.
#include <charconv>
#include <limits>
#include <string>

#include "driver/ada_mode.h"
#include "driver/file_replacement.h"
#include "driver/link_file.h"

namespace {

// Collects output and hands it to the sink in large blocks: large enough
// that write calls are few, small enough that the buffer's pages stay few
// and are reused (a large block would add its size to the peak memory of a
// large run).
constexpr size_t kBlock = 64 * 1024;

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

void append_block(std::string& out, const SourceFileEntry& entry, int64_t trusted_before) {
  FileTime time = written_record_time(entry, trusted_before);
  // Matched on its key and written time, a record read as this program
  // writes it is the block to write.
  if (entry.state == EntryState::kReused && entry.previous_record->written_as_is && time.known) {
    out.append(whole_record(*entry.previous_record));
    return;
  }
  out.append(kInfoPrefix);
  append_record_key(out, entry.directory_text ? entry.directory_text : "", entry.file_name);
  out.push_back(':');
  append_time(out, time);
  out.push_back('\n');
  if (entry.state == EntryState::kAnalysed) {
    for (const CompilationUnit* unit = entry.units; unit != nullptr; unit = unit->next)
      append_unit_line(out, *unit);
  } else if (entry.state == EntryState::kReused) {
    out.append(entry.previous_record->saved_lines);
  }
}

// The link file of `files`, the mode line first when the mode has one,
// handed to `sink` in blocks; false once it has refused one.
bool write_blocks(const ContentSink& sink, const FileList& files, AdaMode mode,
                  int64_t trusted_before) {
  std::string text;
  text.reserve(kBlock + 4096);
  if (std::string_view line = mode_line(mode); !line.empty()) {
    text.append(line);
    text.push_back('\n');
  }
  for (const SourceFileEntry* entry = files.head; entry != nullptr; entry = entry->next) {
    append_block(text, *entry, trusted_before);
    if (text.size() < kBlock) continue;
    if (!sink(text)) return false;
    text.clear();
  }
  return sink(text);
}

}  // namespace

bool write_link_file(FileReplacement& replacement, const FileList& files, AdaMode mode,
                     int64_t trusted_before) {
  return replacement.write(
      [&](const ContentSink& sink) { return write_blocks(sink, files, mode, trusted_before); });
}

bool write_link_file(const char* name, const FileList& files, AdaMode mode,
                     int64_t latest_time) {
  FileReplacement replacement;
  if (!replacement.open(name, latest_time)) return false;
  return write_link_file(replacement, files, mode,
                         replacement.dated() ? std::numeric_limits<int64_t>::max() : latest_time);
}
