// The link-file reader and record lookup on arbitrary bytes, and a write and
// read-back of what was read, which must give the same records again.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "driver/link_file.h"

namespace {

int memory_file = -1;
std::string memory_path;  // /proc/self/fd/N: a name the reader can open
std::string output_directory;
std::string output_path;  // where the round trip writes

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

PreviousRecords read_bytes(const uint8_t* data, size_t size) {
  check(::ftruncate(memory_file, 0) == 0, "ftruncate");
  check(::pwrite(memory_file, data, size, 0) == static_cast<ssize_t>(size), "pwrite");
  return read_previous_link_file(memory_path.c_str());
}

std::string saved_text(const PreviousRecord& record) { return std::string(record.saved_lines); }

// Every record's key finds the first record with that key, when the file's
// time written as the link file writes it is the one recorded there and is
// older than the link file; any other time finds nothing.
void check_lookups(const PreviousRecords& records) {
  int count = 0;
  for (const PreviousRecord* record = records.head; record && count < 64; record = record->next) {
    ++count;
    const PreviousRecord* first = first_record_with_key(records, record->key);
    check(first != nullptr, "every key indexed");
    FileTime time{true, record->recorded_time};
    const PreviousRecord* found = find_previous_record(records, "", record->key, time);
    bool same_time = first->recorded_time == written_time(record->recorded_time);
    bool older = record->recorded_time < records.trusted_before;
    check(found == (same_time && older ? first : nullptr), "lookup by key");
    if (found) {
      FileTime other{true, int64_t{written_time(record->recorded_time)} + 1};
      check(find_previous_record(records, "", record->key, other) == nullptr, "other time");
    }
    // The same key through a directory text and a file name.
    size_t slash = record->key.rfind('/');
    if (slash != std::string_view::npos && slash > 0 && record->key[slash - 1] != '/') {
      std::string_view directory = record->key.substr(0, slash);
      if (directory != ".")
        check(find_previous_record(records, directory, record->key.substr(slash + 1), time) ==
                  found,
              "lookup by directory and name");
    }
  }
  for (const char* key : {"", "a.ads", "/a.ads", "./a.ads"})
    find_previous_record(records, "", key, FileTime{true, 0});
}

// Writes every record back as a reused entry and reads the result again.
void check_round_trip(const PreviousRecords& records) {
  std::deque<SourceFileEntry> entries;
  std::deque<std::string> names;
  FileList files;
  for (const PreviousRecord* record = records.head; record != nullptr; record = record->next) {
    // A file name cannot hold a NUL byte; such a key never comes from a run.
    if (record->key.find('\0') != std::string_view::npos) return;
    SourceFileEntry& entry = entries.emplace_back();
    entry.file_name = names.emplace_back(record->key).data();
    entry.state = EntryState::kReused;
    entry.previous_record = record;
    entry.listed = {true, record->recorded_time};
    append_entries(files, &entry, &entry);
  }
  check(write_link_file(output_path.c_str(), files), "write");
  PreviousRecords again = read_previous_link_file(output_path.c_str());
  const PreviousRecord* before = records.head;
  const PreviousRecord* after = again.head;
  for (; before != nullptr && after != nullptr; before = before->next, after = after->next) {
    check(before->key == after->key, "key read back");
    check(after->recorded_time == written_time(before->recorded_time), "time read back");
    check(saved_text(*before) == saved_text(*after), "saved lines read back");
  }
  check(before == nullptr && after == nullptr, "record count read back");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  memory_file = ::memfd_create("vantlink-fuzz", MFD_CLOEXEC);
  check(memory_file >= 0, "memfd_create");
  memory_path = "/proc/self/fd/" + std::to_string(memory_file);
  const char* scratch = std::getenv("TMPDIR");
  std::string directory = std::string(scratch && *scratch ? scratch : "/tmp") + "/vl-fuzz-XXXXXX";
  check(::mkdtemp(directory.data()) != nullptr, "mkdtemp");
  output_directory = directory;
  output_path = directory + "/links.txt";
  std::atexit([] {
    ::unlink(output_path.c_str());
    ::rmdir(output_directory.c_str());
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PreviousRecords records = read_bytes(data, size);
  // Saved lines are whole lines of the input, as they stand there.
  std::string_view input(reinterpret_cast<const char*>(data), size);
  for (const PreviousRecord* record = records.head; record != nullptr; record = record->next) {
    std::string saved = saved_text(*record);
    check(saved.empty() || saved.back() == '\n', "saved lines end with a line end");
    check(input.find(saved) != std::string_view::npos, "saved lines as in the input");
  }
  check_lookups(records);
  check_round_trip(records);
  return 0;
}
