#include "deps/gpr_project.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <deque>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "deps/file_paths.h"
#include "deps/name_fold.h"

namespace {

// The words gprbuild refuses as a project's name: Ada 95's reserved words
// and the project language's own (the later Ada words it takes).
constexpr std::string_view kReserved[] = {
    "abort",   "abs",       "abstract",  "accept",   "access",  "aliased",  "all",
    "and",     "array",     "at",        "begin",    "body",    "case",     "constant",
    "declare", "delay",     "delta",     "digits",   "do",      "else",     "elsif",
    "end",     "entry",     "exception", "exit",     "for",     "function", "generic",
    "goto",    "if",        "in",        "is",       "limited", "loop",     "mod",
    "new",     "not",       "null",      "of",       "or",      "others",   "out",
    "package", "pragma",    "private",   "procedure", "protected", "raise", "range",
    "record",  "rem",       "renames",   "requeue",  "return",  "reverse",  "select",
    "separate", "subtype",  "tagged",    "task",     "terminate", "then",   "type",
    "until",   "use",       "when",      "while",    "with",    "xor",
    "project", "extends",   "external",  "external_as_list"};

bool ascii_letter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool ascii_digit(unsigned char c) { return c >= '0' && c <= '9'; }

// The Latin-1 letters gprbuild takes in a unit name (not the symbols of
// U+00A0..U+00BF, nor x, / and y with diaeresis, which it refuses).
bool latin1_letter(uint32_t code) {
  return code >= 0xc0 && code <= 0xfe && code != 0xd7 && code != 0xf7;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
  return -1;
}

// The bracket notation ["hh"] .. ["hhhhhhhh"] at `at`: its length, or 0.
size_t bracket_char(std::string_view name, size_t at, uint32_t& code) {
  if (name.compare(at, 2, "[\"") != 0) return 0;
  size_t end = name.find("\"]", at + 2);
  size_t digits = end == std::string_view::npos ? 0 : end - at - 2;
  if (digits == 0 || digits % 2 != 0 || digits > 8) return 0;
  code = 0;
  for (size_t i = at + 2; i < end; ++i) {
    int value = hex_value(name[i]);
    if (value < 0) return 0;
    code = code * 16 + static_cast<uint32_t>(value);
  }
  return digits + 4;
}

// A UTF-8 sequence at `at`: its length, or 0 when the byte there is not
// the start of one (it is then a Latin-1 character of its own).
size_t utf8_char(std::string_view name, size_t at, uint32_t& code) {
  unsigned char lead = static_cast<unsigned char>(name[at]);
  size_t length = lead >= 0xc2 && lead <= 0xdf   ? 2
                  : lead >= 0xe0 && lead <= 0xef ? 3
                  : lead >= 0xf0 && lead <= 0xf4 ? 4
                                                 : 0;
  if (length == 0 || at + length > name.size()) return 0;
  code = lead & (0x7f >> length);
  for (size_t i = 1; i < length; ++i) {
    unsigned char next = static_cast<unsigned char>(name[at + i]);
    if ((next & 0xc0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3f);
  }
  return length;
}

unsigned char folded(unsigned char c) {
  bool upper = (c >= 'A' && c <= 'Z') || (c >= 0xc0 && c <= 0xde && c != 0xd7);
  return upper ? static_cast<unsigned char>(c + 0x20) : c;
}

// A string literal of the project language: a double quote is doubled.
void append_literal(std::string& out, std::string_view text) {
  out.push_back('"');
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

void append_list(std::string& out, std::string_view attribute,
                 const std::vector<std::string_view>& items) {
  out.append("   for ").append(attribute).append(" use");
  if (items.empty()) {
    out.append(" ();\n");
    return;
  }
  for (size_t i = 0; i < items.size(); ++i) {
    out.append(i == 0 ? "\n     (" : ",\n      ");
    append_literal(out, items[i]);
  }
  out.append(");\n");
}

// gprbuild refuses a whole project for a control character in a string.
bool readable_literal(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  return true;
}

struct Entry {
  bool spec;
  std::string_view name;  // as written in the project
  std::string_view file;
  size_t index;           // 0: the file's only unit
};

// Names compared as gprbuild compares them: ASCII and Latin-1 letters
// without regard to case.
struct FoldedHash {
  size_t operator()(std::string_view name) const {
    uint64_t high = 0;
    return hash_words_folded(name, high);
  }
};
struct FoldedEqual {
  bool operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (folded(static_cast<unsigned char>(a[i])) != folded(static_cast<unsigned char>(b[i])))
        return false;
    return true;
  }
};
// Written name -> the key of the first file that provides it.
using Owners = std::unordered_map<std::string_view, std::string_view, FoldedHash, FoldedEqual>;

bool plain_ascii(std::string_view name) {
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    if (!ascii_letter(u) && !ascii_digit(u) && u != '_' && u != '.') return false;
  }
  return !name.empty();
}

// Everything the project is made of, found in one pass over the link file.
class Collector {
 public:
  Collector(const LinkFileText& link, const DependencyFile& deps, std::string& left_out)
      : link_(link), deps_(deps), left_out_(left_out) {
    for (Owners* owners : {&specs_, &bodies_}) owners->reserve(link.units.size());
    first_file_.reserve(link.records.size());
    entries.reserve(link.units.size());
  }

  void add_record(size_t r) {
    const LinkRecord& record = link_.records[r];
    bool readable = readable_literal(record.key);
    // A directory's files come together: only a new one is looked up.
    if (std::string_view directory = directory_of(record.key);
        directory != last_directory_ && readable_literal(directory)) {
      last_directory_ = directory;
      if (auto [at, added] = directory_seen_.insert(directory); added) directories.push_back(*at);
    }
    std::string_view file = file_name_of(record.key);
    auto [first, added] = first_file_.emplace(file, record.key);
    bool clean = deps_.rules[r].clean;
    bool vouched = clean && added && readable;
    if (!clean) {
      left_out_.append("left out ").append(record.key).append(
          ": its analysis warned, so its units' places in it are unknown\n");
    } else if (!added) {
      left_out_.append("left out ").append(record.key).append(": ").append(first->second).append(
          " has the same file name and comes first\n");
    } else if (!readable) {
      left_out_.append("left out ").append(record.key).append(
          ": a control character in its name, which gprbuild cannot read\n");
    }
    size_t before = entries.size();
    for (size_t u = 0; u < record.unit_count; ++u) {
      const LinkUnit& unit = link_.units[record.first_unit + u];
      std::string_view written = name_of(unit.name);
      if (written.empty()) {
        if (vouched) note_unit(unit, record.key, "a name gprbuild cannot read");
        continue;
      }
      bool spec = unit.kind == "SPEC";
      auto [owner, fresh] = (spec ? specs_ : bodies_).emplace(written, record.key);
      if (!vouched) continue;
      if (!fresh) {
        left_out_.append("duplicate ").append(owner->second).append(": ");
        append_unit(unit, record.key);
        continue;
      }
      entries.push_back({spec, written, file, record.unit_count > 1 ? u + 1 : 0});
    }
    if (entries.size() > before) files.push_back(file);
  }

  std::vector<std::string_view> directories, files;
  std::vector<Entry> entries;

 private:
  // The name as written, kept as long as the collector; empty when it
  // cannot be written. Most names are written as the link file has them.
  std::string_view name_of(std::string_view name) {
    if (plain_ascii(name)) return name;
    std::string written;
    if (!gpr_unit_name(name, written)) return {};
    return written_.emplace_back(std::move(written));
  }
  void append_unit(const LinkUnit& unit, std::string_view key) {
    left_out_.append(unit.name).append(" ").append(unit.kind).append(" ").append(key).append("\n");
  }
  void note_unit(const LinkUnit& unit, std::string_view key, std::string_view why) {
    left_out_.append("left out ").append(unit.name).append(" ").append(unit.kind).append(" ");
    left_out_.append(key).append(": ").append(why).append("\n");
  }

  const LinkFileText& link_;
  const DependencyFile& deps_;
  std::string& left_out_;
  std::unordered_set<std::string_view> directory_seen_;
  std::string_view last_directory_;
  std::unordered_map<std::string_view, std::string_view> first_file_;  // simple name -> key
  Owners specs_, bodies_;
  std::deque<std::string> written_;
};

}  // namespace

bool valid_project_name(std::string_view name) {
  if (name.empty() || !ascii_letter(static_cast<unsigned char>(name[0])) || name.back() == '_')
    return false;
  for (size_t i = 1; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    bool underscore = c == '_' && name[i - 1] != '_';
    if (!ascii_letter(c) && !ascii_digit(c) && !underscore) return false;
  }
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(folded(static_cast<unsigned char>(c)));
  return std::find(std::begin(kReserved), std::end(kReserved), lower) == std::end(kReserved);
}

bool gpr_unit_name(std::string_view name, std::string& out) {
  out.clear();
  for (size_t at = 0; at < name.size();) {
    unsigned char c = static_cast<unsigned char>(name[at]);
    uint32_t code = c;
    size_t length = 1;
    if (c == '[') {
      length = bracket_char(name, at, code);
      // The notation stands for a character beyond ASCII only.
      if (length == 0 || code < 0x80) return false;
    } else if (c >= 0x80) {
      length = std::max<size_t>(utf8_char(name, at, code), 1);
    } else if (!ascii_letter(c) && !ascii_digit(c) && c != '_' && c != '.') {
      return false;
    }
    if (code >= 0x80 && !latin1_letter(code)) return false;
    out.push_back(static_cast<char>(code));
    at += length;
  }
  return !out.empty();
}

GprProject make_gpr_project(const LinkFileText& link, const DependencyFile& deps,
                            std::string_view name) {
  GprProject project;
  Collector found(link, deps, project.left_out);
  for (size_t r = 0; r < link.records.size(); ++r) found.add_record(r);
  project.entries = found.entries.size();

  std::string& out = project.text;
  out.reserve(128 + found.entries.size() * 64);
  out.append("project ").append(name).append(" is\n\n");
  append_list(out, "Source_Dirs", found.directories);
  append_list(out, "Source_Files", found.files);
  out.append("   for Languages use (\"Ada\");\n\n   package Naming is\n");
  for (const Entry& entry : found.entries) {
    out.append(entry.spec ? "      for Spec (" : "      for Body (");
    append_literal(out, entry.name);
    out.append(") use ");
    append_literal(out, entry.file);
    if (entry.index > 0) {
      char digits[24];
      out.append(" at ").append(digits, std::to_chars(digits, digits + sizeof digits,
                                                      entry.index).ptr - digits);
    }
    out.append(";\n");
  }
  out.append("   end Naming;\n\nend ").append(name).append(";\n");
  return project;
}
