// The dependency file: JSON modelled on P1689 (the C++ tool chains'
// source-dependency format): its "version", "revision" and "rules", and
// "provides" and "requires" with "logical-name" for a unit; Ada's own facts
// under "vantlink-" keys. One rule a line, so a reused rule is copied as it was
// read. A checksum of every byte but its own digits closes the file: a file cut
// short, damaged or edited by hand is known as such.
// docs/dependency-file-format.md has it all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "formats/whole_file.h"

inline constexpr int kDependencyFormat = 2;  // "vantlink-format"

enum DependencyWithMarks : uint32_t { kWithLimited = 0x1, kWithPrivate = 0x2 };

struct DependencyWith {
  std::string_view name;
  uint32_t marks;
};

struct DependencyUnit {
  std::string_view name;
  std::string_view kind;        // "SPEC", "BODY", "PROC"
  std::string_view subunit_of;  // empty unless a subunit
  bool generic = false;         // a generic declaration or generic renaming
  size_t first_with = 0;        // into DependencyFile::withs
  size_t with_count = 0;
};

struct DependencyRule {
  std::string_view key;  // the record key the link file writes
  int64_t time = 0;      // as the link file writes it
  std::string_view text;  // the rule's object, as read
  bool clean = true;      // analysed without a syntax error ("vantlink-clean")
  size_t first_unit = 0;  // into DependencyFile::units
  size_t unit_count = 0;
};

struct DependencyFile {
  DependencyFile() = default;
  DependencyFile(DependencyFile&&) = default;
  DependencyFile& operator=(DependencyFile&&) = default;

  int64_t format = 0;  // "vantlink-format" as read, 0 until read
  std::string mode;    // "95" or "2022"
  // Only files older than this second may be taken on trust (the second the
  // run that wrote it began reading files, as the file system tells it).
  int64_t trusted_before = 0;
  bool checksum_matches = false;
  std::vector<DependencyRule> rules;
  std::vector<DependencyUnit> units;
  std::vector<DependencyWith> withs;

  // The file's bytes, which every view above points into, followed by the
  // zero bytes the JSON library may read past the end.
  FileBytes text;
  std::deque<std::string> decoded;  // names that were written with escapes
};

// Whether the rules' needs are read. Skipped, they are checked only as far
// as their brackets balance (the checksum vouches for the rest), and no unit
// has withs: for a question that asks nothing of them.
enum class NeedsRead { kRead, kSkipped };

// Parses a copy of `text` into `out`. False, with the reason in `error`,
// unless it is well-formed JSON of this format's version (`out.format` then
// tells a file of another version, when it said so before its rules).
bool parse_dependency_file(std::string_view text, DependencyFile& out, std::string& error,
                           NeedsRead needs = NeedsRead::kRead);

enum class ReadOutcome { kRead, kMissing, kUnreadable, kTooLarge, kNoMemory, kDamaged };

// Reads and parses the file `path`; a file of more than `size_limit` bytes
// is not read (kTooLarge).
ReadOutcome read_dependency_file(const char* path, DependencyFile& out, std::string& error,
                                 uint64_t size_limit = UINT64_MAX,
                                 FileAccess access = FileAccess::kRead,
                                 NeedsRead needs = NeedsRead::kRead);

// The checksum of `text` as the file's last key gives it: of every byte but
// its own 16 digits, which must be followed by nothing but the file's end.
// False when `text` has no such place.
bool checksum_of_file(std::string_view text, size_t digits_at, uint64_t& value);

// The checksum the file closes with, of `bytes` fed in any pieces.
// Four independent lanes of 8 bytes each, so that the processor mixes them
// side by side (a single lane took a millisecond of every reading).
class DependencyChecksum {
 public:
  void add(std::string_view bytes);
  uint64_t value() const;

 private:
  static constexpr size_t kBlock = 32;
  void mix_block(const unsigned char* block);
  uint64_t lanes_[4] = {0x243f6a8885a308d3ull, 0x13198a2e03707344ull, 0xa4093822299f31d0ull,
                        0x082efa98ec4e6c89ull};
  uint64_t length_ = 0;
  unsigned char pending_[kBlock] = {};
  size_t pending_size_ = 0;
};

// Writes the file's text in order. Every byte but the checksum's digits goes
// through `checksum` as it is handed on, so call `take` for each block to
// write and `finish` once.
class DependencyWriter {
 public:
  explicit DependencyWriter(std::string_view mode, int64_t trusted_before);

  void begin_rule(std::string_view key, int64_t written_time, bool clean);
  void add_unit(std::string_view name, std::string_view kind, std::string_view subunit_of,
                bool generic = false);
  void add_with(std::string_view name, uint32_t marks);  // of the unit added last
  void end_rule();
  void copy_rule(std::string_view rule_text);  // a rule as read, whole

  size_t pending_size() const { return text_.size(); }
  // The text made since the last call, to be written next.
  std::string_view take();
  // Closes the file; `take` then gives its last bytes.
  void finish();

 private:
  void separate_rule();

  std::string text_;
  std::string requires_;  // the rule's withs, written after its units
  std::string out_;       // the block last taken
  size_t hashed_ = 0;   // bytes of text_ already in the checksum
  bool first_rule_ = true;
  size_t unit_count_ = 0;  // of the rule being written
  bool finished_ = false;
  DependencyChecksum checksum_;
};
