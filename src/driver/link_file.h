// The link file: for every selected source file one "--file-info:" line (its
// record key and modification time) followed by its unit lines. Read back at
// the start of a run so that unchanged files are not analysed again, and
// replaced as a whole at its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "driver/file_list.h"
#include "driver/file_replacement.h"
#include "formats/link_file_lines.h"  // kInfoPrefix, parse_info_line
#include "formats/whole_file.h"

// One "--file-info:" line of the previous link file and the lines below it.
struct PreviousRecord {
  std::string_view key;
  int64_t recorded_time;
  std::string_view saved_lines;  // the lines below it, line ends included
  // The info line reads exactly as this program writes it for `key` and
  // `recorded_time`: a reused record is then copied in one piece (whole_record).
  bool written_as_is;
  PreviousRecord* next;
};

// The info line of `record` and the lines below it, as they were read.
inline std::string_view whole_record(const PreviousRecord& record) {
  const char* start = record.key.data() - kInfoPrefix.size();
  return std::string_view(start, record.saved_lines.data() + record.saved_lines.size() - start);
}

// The records of a previous link file, owning everything they point to.
// Moving keeps every record and text where it is.
struct PreviousRecords {
  PreviousRecords() = default;
  PreviousRecords(PreviousRecords&&) = default;
  PreviousRecords& operator=(PreviousRecords&&) = default;
  PreviousRecords(const PreviousRecords&) = delete;  // would point into the original

  // The mode the file was written in (its first line); none: a mode this
  // program does not know.
  std::optional<AdaMode> mode = AdaMode::kAda95;
  PreviousRecord* head = nullptr;
  // Key -> first record with that key; a repeated key is never matched again.
  std::unordered_map<std::string_view, const PreviousRecord*> by_key;
  size_t repeated_keys = 0;  // records that by_key does not hold
  // The modification time of the link file read (whole seconds): the second
  // in which the run that wrote it began reading files. A file whose time is
  // not older is analysed again whatever its record says: an edit made in
  // the second the file was read keeps the time the record holds.
  int64_t trusted_before = std::numeric_limits<int64_t>::max();
  // The record that the last lookup found. A link file lists the files in
  // the order in which the next run meets them, so unless a key repeats,
  // the record after it is tried first: in order, with no hashing and no
  // cache misses.
  mutable const PreviousRecord* last_found = nullptr;
  mutable std::string lookup_key;  // reused by every lookup: no allocation each

  FileBytes text;  // the file read back, when read from a file
  std::deque<PreviousRecord> record_store;
};

// The first record of `records` with `key`, or null.
const PreviousRecord* first_record_with_key(const PreviousRecords& records, std::string_view key);

// True unless `name` exists and is something other than a regular file
// (symbolic links followed).
bool link_target_usable(const char* name);

// Records of the link file `name`, in file order, and the mode it was
// written in; empty when it cannot be read. Lines may have any length. The
// key of a "--file-info:" line ends one byte (normally ":") before the
// digits of its time; a line whose digits reach back to the prefix is not a
// record, and the lines below it are dropped.
// A last line without its line end (a file cut short) is dropped with the
// record it belongs to.
PreviousRecords read_previous_link_file(const char* name);

// Same, from the text of a link file; keys and saved lines point into `text`,
// which must outlive the records.
PreviousRecords parse_link_file(const char* text, size_t length);

// The record to reuse for `file_name` found in the directory `directory_text`
// with modification time `observed`, or null. Null as well when that time is
// not older than the link file the records were read from.
const PreviousRecord* find_previous_record(const PreviousRecords& records,
                                           std::string_view directory_text,
                                           std::string_view file_name, FileTime observed);

// The time as the link file writes it: the low 32 bits, signed.
int32_t written_time(int64_t seconds);

// Appends "/" to a path that is not empty and does not end with one.
void append_separator(std::string& path);

// Appends the record key of `file_name` in `directory_text` (no directory
// part for "" and ".").
void append_record_key(std::string& out, std::string_view directory_text,
                       std::string_view file_name);

// Writes the link file for `files` in `mode` (its mode line first, when it
// has one) through `replacement`, opened on it; the records of files dated
// `trusted_before` or later get the time 0 (see written_record_time). On
// failure prints why, leaves any previous file as it was, returns false.
bool write_link_file(FileReplacement& replacement, const FileList& files, AdaMode mode,
                     int64_t trusted_before);

// Both steps: opens the replacement of `name`, to be dated no later than
// `latest_time`, and writes it; when that date cannot be set, the records
// that it would have kept from being trusted get the time 0.
bool write_link_file(const char* name, const FileList& files, AdaMode mode = AdaMode::kAda95,
                     int64_t latest_time = std::numeric_limits<int64_t>::max());
