#include "driver/link_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>

#include "driver/ada_mode.h"
#include "formats/link_file_lines.h"

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

// The whole file and its modification time (the earliest possible, so that
// no record is trusted, when its status cannot be read); false when it
// cannot be read.
bool read_whole_file(const char* name, std::vector<char>& text, int64_t& modified) {
  int fd = ::open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status;
  bool known = ::fstat(fd, &status) == 0;
  modified = known ? status.st_mtim.tv_sec : std::numeric_limits<int64_t>::min();
  size_t length = 0;
  text.resize(known && status.st_size > 0 ? static_cast<size_t>(status.st_size) + 1
                                          : 64 * 1024);
  for (;;) {
    if (length == text.size()) text.resize(text.size() * 2);
    ssize_t n = ::read(fd, text.data() + length, text.size() - length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      text.resize(length);
      return n == 0;
    }
    length += static_cast<size_t>(n);
  }
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
  const char* first_end = static_cast<const char*>(std::memchr(text, '\n', length));
  records.mode = mode_of_first_line(std::string_view(text, first_end ? first_end - text : length));
  PreviousRecord* tail = nullptr;
  PreviousRecord* before_tail = nullptr;
  PreviousRecord* current = nullptr;  // null: lines are dropped
  const char* end = text + length;
  for (const char* at = text; at < end;) {
    const char* line_end = static_cast<const char*>(std::memchr(at, '\n', end - at));
    const char* next = line_end ? line_end + 1 : end;
    std::string_view line(at, (line_end ? line_end : end) - at);
    if (line.starts_with(kInfoPrefix)) {
      std::string_view key;
      int64_t time = 0;
      current = nullptr;
      // Every line is written whole: one without its line end was cut short.
      if (line_end != nullptr && parse_info_line(line, key, time)) {
        current = &records.record_store.emplace_back(PreviousRecord{
            key, time, std::string_view(next, 0), written_as_is(line, key, time), nullptr});
        (tail ? tail->next : records.head) = current;
        before_tail = tail;
        tail = current;
      }
    } else if (current != nullptr) {
      // The lines below a record follow each other: one view holds them all.
      current->saved_lines = std::string_view(current->saved_lines.data(),
                                              current->saved_lines.size() + (next - at));
      // A last line cut short leaves its record (the last one) incomplete:
      // that file is analysed again rather than given a broken line.
      if (line_end == nullptr) (before_tail ? before_tail->next : records.head) = nullptr;
    }
    at = next;
  }
  // Indexed once all are known: the index is made at its size at once.
  records.by_key.reserve(records.record_store.size());
  for (const PreviousRecord* record = records.head; record != nullptr; record = record->next)
    if (!records.by_key.try_emplace(record->key, record).second) ++records.repeated_keys;
  return records;
}

PreviousRecords read_previous_link_file(const char* name) {
  std::vector<char> text;
  int64_t modified;
  if (!read_whole_file(name, text, modified)) return {};
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
