#include "driver/link_file.h"

#include <sys/stat.h>

#include <charconv>

#include "driver/ada_mode.h"
#include "core/memory.h"
#include "formats/link_file_lines.h"
#include "formats/whole_file.h"

namespace {

// The info line `line` (without its line end) is "--file-info:", `key`,
// ":" and `time` as written_time gives it in decimal: as this program writes it.
bool written_as_is(std::string_view line, std::string_view key, int64_t time) {
  if (written_time(time) != time) return false;
  char digits[16];
  auto result = std::to_chars(digits, digits + sizeof digits, time);
  std::string_view decimal(digits, result.ptr - digits);
  return line.size() == kInfoPrefix.size() + key.size() + 1 + decimal.size() &&
         line[line.size() - decimal.size() - 1] == ':' && line.ends_with(decimal);
}

// `key` is what append_record_key makes of `directory_text` and `file_name`.
bool is_record_key(std::string_view key, std::string_view directory_text,
                   std::string_view file_name) {
  if (!directory_text.empty() && directory_text != ".") {
    if (!key.starts_with(directory_text)) return false;
    key.remove_prefix(directory_text.size());
    if (directory_text.back() != '/') {
      if (key.empty() || key[0] != '/') return false;
      key.remove_prefix(1);
    }
  }
  return key == file_name;
}

// What by_key gives for the key of `file_name` in `directory_text`, found
// without it when the record follows the one found last.
const PreviousRecord* first_record_for(const PreviousRecords& records,
                                       std::string_view directory_text,
                                       std::string_view file_name) {
  const PreviousRecord* next = records.last_found ? records.last_found->next : records.head;
  if (records.repeated_keys == 0 && next != nullptr &&
      is_record_key(next->key, directory_text, file_name))
    return next;
  std::string& key = records.lookup_key;
  key.clear();
  append_record_key(key, directory_text, file_name);
  return first_record_with_key(records, key);
}

}  // namespace

const PreviousRecord* first_record_with_key(const PreviousRecords& records, std::string_view key) {
  auto found = records.by_key.find(key);
  return found == records.by_key.end() ? nullptr : found->second;
}

bool link_target_usable(const char* name) {
  struct stat status;
  return ::stat(name, &status) != 0 || S_ISREG(status.st_mode);
}

PreviousRecords parse_link_file(const char* text, size_t length) {
  PreviousRecords records;
  std::string_view whole(text, length);
  records.mode = mode_of_link_file(whole);
  PreviousRecord* tail = nullptr;
  for_each_link_record(whole, [&](const LinkFileRecord& found) {
    PreviousRecord* record = &records.record_store.emplace_back(
        PreviousRecord{found.key, found.time, found.lines_below,
                       written_as_is(found.info_line, found.key, found.time), nullptr});
    (tail ? tail->next : records.head) = record;
    tail = record;
  });
  // Indexed once all are known: the index is made at its size at once.
  records.by_key.reserve(records.record_store.size());
  for (const PreviousRecord* record = records.head; record != nullptr; record = record->next)
    if (!records.by_key.try_emplace(record->key, record).second) ++records.repeated_keys;
  return records;
}

PreviousRecords read_previous_link_file(const char* name) {
  FileBytes text;
  std::string error;
  int64_t modified;
  WholeFile outcome = read_whole_file(name, text, UINT64_MAX, error, &modified);
  if (outcome == WholeFile::kNoMemory) fail_allocation(text.size());
  if (outcome != WholeFile::kRead) return {};
  PreviousRecords records = parse_link_file(text.data(), text.size());
  records.text = std::move(text);  // the records point into it
  // Taken from the file just read, not from the name, which another run may
  // have replaced since.
  records.trusted_before = modified;
  return records;
}

int32_t written_time(int64_t seconds) {
  return static_cast<int32_t>(static_cast<uint32_t>(seconds));
}

void append_separator(std::string& path) {
  if (!path.empty() && path.back() != '/') path.push_back('/');
}

void append_record_key(std::string& out, std::string_view directory_text,
                       std::string_view file_name) {
  if (!directory_text.empty() && directory_text != ".") {
    out.append(directory_text);
    append_separator(out);
  }
  out.append(file_name);
}

const PreviousRecord* find_previous_record(const PreviousRecords& records,
                                           std::string_view directory_text,
                                           std::string_view file_name, FileTime observed) {
  if (records.by_key.empty() || !observed.known) return nullptr;
  const PreviousRecord* record = first_record_for(records, directory_text, file_name);
  if (record == nullptr) return nullptr;
  records.last_found = record;
  // The full time, not its 32-bit form: a file dated after 2038 compares
  // as what it is.
  if (observed.seconds >= records.trusted_before) return nullptr;
  return record->recorded_time == written_time(observed.seconds) ? record : nullptr;
}
