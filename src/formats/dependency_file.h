// The dependency file: JSON modelled on P1689 (the C++ tool chains'
// source-dependency format): its "version", "revision" and "rules", and
// "logical-name" for a unit; Ada's own facts under "vantlink-" keys. One rule
// a line, so a reused rule is copied as it was read. A checksum of everything
// before the end of the rules closes the file: a file cut short, damaged or
// edited by hand is known as such. docs/dependency-file-format.md has it all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kDependencyFormat = 1;  // "vantlink-format"

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

  std::string mode;  // "95" or "2022"
  // Only files older than this second may be taken on trust (the second the
  // run that wrote it began reading files, as the file system tells it).
  int64_t trusted_before = 0;
  bool checksum_matches = false;
  std::vector<DependencyRule> rules;
  std::vector<DependencyUnit> units;
  std::vector<DependencyWith> withs;

  std::vector<char> text;           // the file read, when read from a file
  std::deque<std::string> decoded;  // names that were written with escapes
};

// Parses `text` (which must outlive the result) into `out`. False, with the
// reason in `error`, unless it is well-formed JSON of this format's version.
bool parse_dependency_file(std::string_view text, DependencyFile& out, std::string& error);

// The same without the quick reading of the writer's own form that comes
// first: for tests that hold the two readers to the same results.
bool parse_dependency_file_generally(std::string_view text, DependencyFile& out,
                                     std::string& error);

enum class ReadOutcome { kRead, kMissing, kUnreadable, kDamaged };

// Reads and parses the file `path`.
ReadOutcome read_dependency_file(const char* path, DependencyFile& out, std::string& error);

// The checksum the file closes with, of `bytes` fed in any pieces.
class DependencyChecksum {
 public:
  void add(std::string_view bytes);
  uint64_t value() const;

 private:
  void mix(uint64_t word);
  uint64_t hash_ = 0x243f6a8885a308d3ull;
  uint64_t length_ = 0;
  unsigned char pending_[8] = {};
  size_t pending_size_ = 0;
};

// Writes the file's text in order. Everything before the end of the rules
// goes through `checksum` as it is handed on, so call `take` for each block
// to write and `finish` once.
class DependencyWriter {
 public:
  explicit DependencyWriter(std::string_view mode, int64_t trusted_before);

  void begin_rule(std::string_view key, int64_t written_time);
  void add_unit(std::string_view name, std::string_view kind, std::string_view subunit_of,
                bool generic = false);
  void add_with(std::string_view name, uint32_t marks);
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
  std::string out_;     // the block last taken
  size_t hashed_ = 0;   // bytes of text_ already in the checksum
  bool first_rule_ = true;
  bool unit_open_ = false;
  bool first_unit_ = true;
  bool first_with_ = true;
  bool finished_ = false;
  DependencyChecksum checksum_;
};
