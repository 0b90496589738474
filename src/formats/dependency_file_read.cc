// Reading the dependency file with the simdjson library's on-demand parser:
// strict JSON, any spacing and key order, unknown keys (another tool's
// extensions) checked and skipped; what this format needs must be there with
// the right types and in range. Names are taken raw and unescaped here, so
// that the byte escapes give back their bytes.
#include <simdjson.h>

#include <algorithm>
#include <cstring>

#include "formats/dependency_file.h"
#include "formats/json_text.h"
#include "formats/whole_file.h"

namespace {

namespace od = simdjson::ondemand;

constexpr int kDeepest = 64;  // nesting in skipped values

// A with of a rule as read, before it is put with its unit.
struct Need {
  DependencyWith with;
  uint64_t unit;
};

// The body of the string whose first byte is `start`, up to its closing quote
// (the library has checked that there is one before `end`).
std::string_view string_body(const char* start, const char* end) {
  for (const char* at = start;;) {
    const char* quote = static_cast<const char*>(std::memchr(at, '"', end - at));
    if (quote == nullptr) return std::string_view(start, end - start);  // not met
    size_t backslashes = 0;
    while (quote - backslashes > start && quote[-1 - static_cast<ptrdiff_t>(backslashes)] == '\\')
      ++backslashes;
    if (backslashes % 2 == 0) return std::string_view(start, static_cast<size_t>(quote - start));
    at = quote + 1;
  }
}

bool plain(std::string_view body) {
  for (char c : body)
    if (c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

// JSON's number grammar, which skipped values must follow too.
bool is_number(std::string_view t) {
  size_t i = 0;
  auto digits = [&] {
    size_t from = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    return i > from;
  };
  if (i < t.size() && t[i] == '-') ++i;
  if (i < t.size() && t[i] == '0') ++i;
  else if (!digits()) return false;
  if (i < t.size() && t[i] == '.' && (++i, !digits())) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == t.size();
}

std::string_view trimmed(std::string_view token) {
  while (!token.empty() && (token.back() == ' ' || token.back() == '\n' ||
                            token.back() == '\r' || token.back() == '\t'))
    token.remove_suffix(1);
  return token;
}

class Reader {
 public:
  Reader(DependencyFile& file, size_t length) : file_(file), length_(length) {}

  bool read(std::string& error);

 private:
  const char* end() const { return file_.text.data() + length_; }
  bool fail(const char* what) {
    if (error_.empty()) error_ = what;
    return false;
  }
  bool fail(simdjson::error_code code) {
    return fail(code == simdjson::NUMBER_OUT_OF_RANGE ? "number out of range"
                                                      : simdjson::error_message(code));
  }

  // A string's bytes; escapes undone into storage the file keeps.
  bool string(std::string_view body, std::string_view& out) {
    if (plain(body)) {
      out = body;
      return true;
    }
    std::string decoded;
    if (!decode_json_string(body, decoded)) return fail("bad escape in a string");
    out = file_.decoded.emplace_back(std::move(decoded));
    return true;
  }
  bool string(od::value& value, std::string_view& out) {
    od::raw_json_string raw;
    if (auto code = value.get_raw_json_string().get(raw)) return fail(code);
    return string(string_body(raw.raw(), end()), out);
  }
  bool key(od::field& field, std::string_view& out) {
    return string(string_body(field.key().raw(), end()), out);
  }
  bool integer(od::value& value, int64_t& out, int64_t least, int64_t most) {
    if (auto code = value.get_int64().get(out)) return fail(code);
    return out >= least && out <= most ? true : fail("number out of range");
  }
  bool boolean(od::value& value, bool& out) {
    if (auto code = value.get_bool().get(out)) return fail(code);
    return true;
  }
  bool skip(od::value& value, int depth = 0);
  // Each member of the object `value` handed to `member(key, value)`.
  template <typename Member>
  bool members(od::value& value, Member member);
  template <typename Element>
  bool elements(od::value& value, Element element);

  bool top(od::value& value);
  bool rule(od::value& value);
  bool unit(od::value& value);
  bool need(od::value& value);
  bool group_needs(DependencyRule& rule);

  DependencyFile& file_;
  size_t length_;
  od::document* document_ = nullptr;
  std::vector<Need> needs_;  // of the rule being read
  const char* digits_ = nullptr;  // the checksum's
  std::string error_;
};

template <typename Member>
bool Reader::members(od::value& value, Member member) {
  od::object object;
  if (auto code = value.get_object().get(object)) return fail(code);
  for (auto item : object) {
    od::field field;
    if (auto code = std::move(item).get(field)) return fail(code);
    std::string_view name;
    if (!key(field, name) || !member(name, field.value())) return false;
  }
  return true;
}

template <typename Element>
bool Reader::elements(od::value& value, Element element) {
  od::array array;
  if (auto code = value.get_array().get(array)) return fail(code);
  for (auto item : array) {
    od::value each;
    if (auto code = std::move(item).get(each)) return fail(code);
    if (!element(each)) return false;
  }
  return true;
}

// Any value, checked to its last byte and passed over.
bool Reader::skip(od::value& value, int depth) {
  if (depth > kDeepest) return fail("nested too deeply");
  od::json_type type;
  if (auto code = value.type().get(type)) return fail(code);
  switch (type) {
    case od::json_type::object:
      return members(value, [&](std::string_view, od::value& v) { return skip(v, depth + 1); });
    case od::json_type::array:
      return elements(value, [&](od::value& v) { return skip(v, depth + 1); });
    case od::json_type::string: {
      std::string_view ignored;
      return string(value, ignored);
    }
    case od::json_type::number:
      return is_number(trimmed(value.raw_json_token())) ? true : fail("bad number");
    case od::json_type::boolean: {
      bool ignored;
      return boolean(value, ignored);
    }
    case od::json_type::null: {
      bool null = false;
      return !value.is_null().get(null) && null ? true : fail("bad value");
    }
  }
  return fail("bad value");
}

bool Reader::need(od::value& value) {
  Need need{{{}, 0}, 0};
  bool named = false, placed = false;
  bool ok = members(value, [&](std::string_view key, od::value& v) {
    if (key == "logical-name") return named = true, string(v, need.with.name);
    if (key == "vantlink-unit") {
      int64_t unit;
      if (!integer(v, unit, 0, INT64_MAX)) return false;
      need.unit = static_cast<uint64_t>(unit);
      return placed = true;
    }
    if (key == "vantlink-limited" || key == "vantlink-private") {
      bool flag;
      if (!boolean(v, flag)) return false;
      if (flag) need.with.marks |= key == "vantlink-limited" ? kWithLimited : kWithPrivate;
      return true;
    }
    return skip(v);
  });
  if (!ok) return false;
  if (!named || need.with.name.empty() || !placed) return fail("a need without its name or unit");
  needs_.push_back(need);
  return true;
}

bool Reader::unit(od::value& value) {
  DependencyUnit unit;
  bool ok = members(value, [&](std::string_view key, od::value& v) {
    if (key == "logical-name") return string(v, unit.name);
    if (key == "vantlink-kind") return string(v, unit.kind);
    if (key == "vantlink-subunit-of") return string(v, unit.subunit_of);
    return skip(v);
  });
  if (!ok) return false;
  if (unit.name.empty()) return fail("a unit without its name");
  if (unit.kind != "SPEC" && unit.kind != "BODY" && unit.kind != "PROC")
    return fail("a unit of no known kind");
  file_.units.push_back(unit);
  return true;
}

// The rule's needs put with their units, unit by unit, each unit's in the
// order read.
bool Reader::group_needs(DependencyRule& rule) {
  size_t first = file_.withs.size();
  for (size_t u = rule.first_unit; u < rule.first_unit + rule.unit_count; ++u)
    file_.units[u].first_with = first;
  bool in_order = true;
  for (size_t n = 0; n < needs_.size(); ++n) {
    if (needs_[n].unit >= rule.unit_count) return fail("a need of no unit of its rule");
    if (n > 0 && needs_[n].unit < needs_[n - 1].unit) in_order = false;
  }
  if (!in_order)
    std::stable_sort(needs_.begin(), needs_.end(),
                     [](const Need& a, const Need& b) { return a.unit < b.unit; });
  for (const Need& need : needs_) {
    DependencyUnit& unit = file_.units[rule.first_unit + need.unit];
    if (unit.with_count == 0) unit.first_with = file_.withs.size();
    ++unit.with_count;
    file_.withs.push_back(need.with);
  }
  return true;
}

bool Reader::rule(od::value& value) {
  const char* start = value.raw_json_token().data();
  DependencyRule rule;
  bool keyed = false, timed = false, clean = false, provides = false, needs = false;
  rule.first_unit = file_.units.size();
  needs_.clear();
  bool ok = members(value, [&](std::string_view key, od::value& v) {
    if (key == "vantlink-source") return keyed = true, string(v, rule.key);
    // The link file writes times as 32-bit numbers.
    if (key == "vantlink-time") return timed = true, integer(v, rule.time, INT32_MIN, INT32_MAX);
    if (key == "vantlink-clean") return clean = true, boolean(v, rule.clean);
    if (key == "provides") {
      if (provides) return fail("repeated provides");
      provides = true;
      return elements(v, [&](od::value& each) { return unit(each); });
    }
    if (key == "requires") {
      if (needs) return fail("repeated requires");
      needs = true;
      return elements(v, [&](od::value& each) { return need(each); });
    }
    return skip(v);
  });
  if (!ok) return false;
  if (!keyed || !timed || !clean || !provides || !needs)
    return fail("a rule without its source, time, clean mark, units or needs");
  rule.unit_count = file_.units.size() - rule.first_unit;
  if (!group_needs(rule)) return false;
  // The object ends where the next token begins, but for the spacing.
  const char* next;
  if (auto code = document_->current_location().get(next)) return fail(code);
  rule.text = trimmed(std::string_view(start, static_cast<size_t>(next - start)));
  file_.rules.push_back(rule);
  return true;
}

bool Reader::top(od::value& value) {
  bool version = false, revision = false, mode = false, trusted = false, rules = false;
  bool checksum = false;
  int64_t version_number = -1, revision_number = -1;
  bool ok = members(value, [&](std::string_view key, od::value& v) {
    if (key == "version") return version = true, integer(v, version_number, 0, INT64_MAX);
    if (key == "revision") return revision = true, integer(v, revision_number, 0, INT64_MAX);
    if (key == "vantlink-format") return integer(v, file_.format, 0, INT64_MAX);
    if (key == "vantlink-trusted-before")
      return trusted = true, integer(v, file_.trusted_before, INT64_MIN, INT64_MAX);
    if (key == "vantlink-ada-mode") {
      std::string_view text;
      if (!string(v, text)) return false;
      file_.mode = text;
      return mode = true;
    }
    if (key == "vantlink-checksum") {
      od::raw_json_string raw;
      if (auto code = v.get_raw_json_string().get(raw)) return fail(code);
      digits_ = raw.raw();
      std::string_view ignored;
      return checksum = true, string(string_body(digits_, end()), ignored);
    }
    if (key == "rules") {
      if (rules) return fail("repeated rules");
      if (file_.format != 0 && file_.format != kDependencyFormat)
        return fail("another version of the format");
      rules = true;
      return elements(v, [&](od::value& each) { return rule(each); });
    }
    return skip(v);
  });
  if (!ok) return false;
  if (!(version && revision && file_.format != 0 && mode && trusted && rules && checksum))
    return fail("a required key missing");
  if (version_number != 1 || file_.format != kDependencyFormat)
    return fail("another version of the format");
  return true;
}

// Room for as many rules, units and withs as the text can hold, so the lists
// never move as they grow. Room not used is never touched, so costs nothing.
void make_room(size_t length, DependencyFile& file) {
  // {"vantlink-source":"","vantlink-time":0,"vantlink-clean":true,"provides":[],"requires":[]}
  constexpr size_t kShortestRule = 88;
  constexpr size_t kShortestUnit = 20;  // {"logical-name":"x"}
  constexpr size_t kShortestWith = 36;  // {"logical-name":"x","vantlink-unit":0}
  file.rules.reserve(length / kShortestRule + 1);
  file.units.reserve(length / kShortestUnit + 1);
  file.withs.reserve(length / kShortestWith + 1);
}

bool Reader::read(std::string& error) {
  make_room(length_, file_);
  od::parser parser;
  od::document document;
  auto fault = [&](const char* what) {
    error = error_.empty() ? what : error_;
    if (document_ != nullptr) {
      const char* at;
      if (!document.current_location().get(at))
        error += " at byte " + std::to_string(at - file_.text.data());
    }
    return false;
  };
  if (auto code = parser.iterate(file_.text.data(), length_, file_.text.size()).get(document))
    return fault(simdjson::error_message(code));
  document_ = &document;
  od::value root;
  if (auto code = document.get_value().get(root)) return fault(simdjson::error_message(code));
  if (!top(root)) return fault("damaged");
  // Past the end, the document has no location left.
  const char* after;
  if (!document.current_location().get(after)) return fault("text after the end");
  std::string_view text(file_.text.data(), length_);
  uint64_t value;
  file_.checksum_matches = false;
  if (checksum_of_file(text, static_cast<size_t>(digits_ - text.data()), value)) {
    char digits[16];
    for (int i = 15; i >= 0; --i, value >>= 4) digits[i] = "0123456789abcdef"[value & 0xf];
    file_.checksum_matches = std::string_view(digits_, 16) == std::string_view(digits, 16);
  }
  return true;
}

bool parse_read_text(DependencyFile& file, size_t length, std::string& error) {
  return Reader(file, length).read(error);
}

}  // namespace

bool parse_dependency_file(std::string_view text, DependencyFile& file, std::string& error) {
  file.text.assign(text.size() + kWholeFilePadding, '\0');
  if (!text.empty()) std::memcpy(file.text.data(), text.data(), text.size());
  return parse_read_text(file, text.size(), error);
}

ReadOutcome read_dependency_file(const char* path, DependencyFile& file, std::string& error,
                                 uint64_t size_limit) {
  size_t length = 0;
  switch (read_whole_file(path, file.text, length, size_limit, error)) {
    case WholeFile::kRead: break;
    case WholeFile::kMissing: return ReadOutcome::kMissing;
    case WholeFile::kUnreadable: return ReadOutcome::kUnreadable;
    case WholeFile::kTooLarge: return ReadOutcome::kTooLarge;
  }
  return parse_read_text(file, length, error) ? ReadOutcome::kRead : ReadOutcome::kDamaged;
}
