// The lines of a link file, as both programs read them: the mode line, the
// "--file-info:" line of each file and the unit lines below it.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
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

// The name after "--ada-mode:" when the first line of `text` is a mode line;
// none for a link file of the default mode, which has no such line.
std::optional<std::string_view> link_file_mode_name(std::string_view text);

// A record of a link file: a whole "--file-info:" line that parses, and the
// lines below it up to the next "--file-info:" line.
struct LinkFileRecord {
  std::string_view info_line;  // without its line end
  std::string_view key;
  int64_t time;
  std::string_view lines_below;  // line ends included
};

// Hands every record of `text` to `each`, in order, as both programs read
// them. Lines before the first record, or below a "--file-info:" line that is
// cut short or does not parse, belong to no record. Every line is written
// whole, so a last line without its line end was cut short: a record it
// belongs to is not handed on.
template <typename Each>
void for_each_link_record(std::string_view text, Each each) {
  LinkFileRecord current{{}, {}, 0, {}};
  bool open = false;  // lines belong to `current`
  const char* end = text.data() + text.size();
  for (const char* at = text.data(); at < end;) {
    const char* line_end = static_cast<const char*>(std::memchr(at, '\n', end - at));
    const char* next = line_end ? line_end + 1 : end;
    std::string_view line(at, static_cast<size_t>((line_end ? line_end : end) - at));
    if (line.starts_with(kInfoPrefix)) {
      if (open) each(current);
      current = {line, {}, 0, std::string_view(next, 0)};
      open = line_end != nullptr && parse_info_line(line, current.key, current.time);
    } else if (open) {
      // The lines below a record follow each other: one view holds them all.
      current.lines_below = std::string_view(current.lines_below.data(),
                                             current.lines_below.size() + (next - at));
      if (line_end == nullptr) open = false;
    }
    at = next;
  }
  if (open) each(current);
}

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
