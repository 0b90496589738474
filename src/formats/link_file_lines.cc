#include "formats/link_file_lines.h"

#include <limits>

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Decimal with an optional "-"; saturates instead of overflowing.
int64_t parse_time(std::string_view text) {
  bool negative = !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  for (char c : text) {
    int digit = c - '0';
    if (value > (kMax - digit) / 10) return negative ? std::numeric_limits<int64_t>::min() : kMax;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

}  // namespace

bool parse_info_line(std::string_view line, std::string_view& key, int64_t& time) {
  size_t start = kInfoPrefix.size();
  size_t j = line.size();
  while (j > start && is_digit(line[j - 1])) --j;
  if (j > start + 1 && line[j - 1] == '-' && line[j - 2] == ':') --j;
  // Here line[j..] is the time and line[j-1] the separator.
  if (j <= start) return false;
  key = line.substr(start, j - 1 - start);
  time = parse_time(line.substr(j));
  return true;
}

// Read from its end: a name and a kind hold no blank, a path may.
bool parse_unit_line(std::string_view line, LinkUnit& unit) {
  size_t kind_blank = line.rfind(' ');
  if (kind_blank == std::string_view::npos || kind_blank == 0) return false;
  size_t name_blank = line.rfind(' ', kind_blank - 1);
  if (name_blank == std::string_view::npos || name_blank < 2) return false;
  if (line[0] != '"' || line[name_blank - 1] != '"') return false;
  unit.path = line.substr(1, name_blank - 2);
  unit.name = line.substr(name_blank + 1, kind_blank - name_blank - 1);
  unit.kind = line.substr(kind_blank + 1);
  return !unit.name.empty() && !unit.kind.empty();
}

std::optional<std::string_view> link_file_mode_name(std::string_view text) {
  if (!text.starts_with(kModePrefix)) return std::nullopt;
  return text.substr(0, text.find('\n')).substr(kModePrefix.size());
}

LinkFileText parse_link_file_text(std::string_view text) {
  LinkFileText out;
  // Room for every line to be a record and a unit, so the lists never move
  // as they grow (room not used is never touched).
  constexpr size_t kShortestRecord = 15;  // --file-info::0 and its line end
  constexpr size_t kShortestUnit = 9;     // "" A B and its line end
  out.records.reserve(text.size() / kShortestRecord + 1);
  out.units.reserve(text.size() / kShortestUnit + 1);
  out.mode = link_file_mode_name(text).value_or("95");
  for_each_link_record(text, [&](const LinkFileRecord& found) {
    LinkRecord& record = out.records.emplace_back(
        LinkRecord{found.key, found.time, out.units.size(), 0});
    std::string_view below = found.lines_below;
    while (!below.empty()) {
      size_t end = below.find('\n');  // every line has its line end here
      LinkUnit unit;
      if (parse_unit_line(below.substr(0, end), unit)) {
        out.units.push_back(unit);
        ++record.unit_count;
      } else {
        ++out.odd_lines;
      }
      below.remove_prefix(end + 1);
    }
  });
  return out;
}
