// The lines of a link file, as both programs read them: the mode line, the
// "--file-info:" line of each file and the unit lines below it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// What starts the line of a record.
inline constexpr std::string_view kInfoPrefix = "--file-info:";
// The first line of a link file written in the Ada 2022 mode.
inline constexpr std::string_view kModePrefix = "--ada-mode:";
inline constexpr std::string_view kAda2022Line = "--ada-mode:2022";

// The key and time of a "--file-info:" line (without its line end). The time
// is the digits at the end of the line, with a "-" right after the key's ":"
// for times written negative; the byte before it separates it from the key,
// whatever that byte is. False when the digits reach back to the prefix.
bool parse_info_line(std::string_view line, std::string_view& key, int64_t& time);

// A unit line: a double quote, the file's path, a double quote, a blank, the
// unit's name, a blank, its kind (without the line end).
struct LinkUnit {
  std::string_view path;
  std::string_view name;
  std::string_view kind;
};
bool parse_unit_line(std::string_view line, LinkUnit& unit);

struct LinkRecord {
  std::string_view key;
  int64_t time;
  size_t first_unit;  // into LinkFileText::units
  size_t unit_count;
};

// A whole link file read as the next run reads it (a line cut short drops
// its record); unit lines that do not parse are counted, not kept.
struct LinkFileText {
  std::string_view mode = "95";  // "2022" after its mode line; else what it names
  std::vector<LinkRecord> records;
  std::vector<LinkUnit> units;
  size_t odd_lines = 0;  // lines under a record that are no unit line
};
LinkFileText parse_link_file_text(std::string_view text);
