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

// The library picks its code for this processor on first use, allocating in
// functions that may not throw: a refused allocation there would end the
// program. Picked before main, where none is refused.
[[maybe_unused]] const bool kImplementationPicked =
    !simdjson::get_active_implementation()->name().empty();

constexpr int kDeepest = 64;  // nesting in skipped values

// A with of a rule as read, before it is put with its unit.
struct Need {
  DependencyWith with;
  uint64_t unit;
};

// The body of the string whose first byte is `start`, up to its closing quote
// (the library has checked that there is one before `end`). True when it
// holds no escape and no control character: the body is then its bytes.
bool string_body(const char* start, const char* end, std::string_view& body) {
  const char* at = start;
  while (at < end) {
    unsigned char c = static_cast<unsigned char>(*at);
    if (c == '"') break;
    if (c == '\\' || c < 0x20) break;
    ++at;
  }
  if (at < end && *at == '"') {
    body = std::string_view(start, static_cast<size_t>(at - start));
    return true;
  }
  // An escape (or a fault): find the quote no backslash escapes.
  for (; at < end; ++at) {
    if (*at == '\\') ++at;
    else if (*at == '"') break;
  }
  body = std::string_view(start, static_cast<size_t>(std::min(at, end) - start));
  return false;
}

// No backslash and no control character (which the library lets through),
// eight bytes at a time.
bool plain(std::string_view body) {
  constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
  auto flagged = [](uint64_t word) {
    uint64_t control = (word - kOnes * 0x20) & ~word;  // a byte below 0x20
    uint64_t slash = word ^ (kOnes * '\\');
    slash = (slash - kOnes) & ~slash;  // a byte equal to it
    return ((control | slash) & kHighs) != 0;
  };
  size_t i = 0;
  for (; i + 8 <= body.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, body.data() + i, 8);
    if (flagged(word)) return false;
  }
  for (; i < body.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(body[i]);
    if (c == '\\' || c < 0x20) return false;
  }
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

// A member's key, matched against the names this format knows as it is
// written (no escape can be in a name that matches), or once decoded.
struct Key {
  const char* raw;  // just after its opening quote; the text is padded
  std::string_view decoded = {};
  bool escaped = false;
  bool unknown = false;  // set by a member that does not know it

  bool is(std::string_view name) const {
    if (escaped) return decoded == name;
    return std::memcmp(raw, name.data(), name.size()) == 0 && raw[name.size()] == '"';
  }
};

class Reader {
 public:
  Reader(DependencyFile& file, size_t length, NeedsRead needs)
      : file_(file), length_(length), needs_read_(needs == NeedsRead::kRead) {}

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

  // The string body `body`, which holds escapes, undone into storage the
  // file keeps.
  bool decoded(std::string_view body, std::string_view& out) {
    std::string bytes;
    if (!decode_json_string(body, bytes)) return fail("bad escape in a string");
    out = file_.decoded.emplace_back(std::move(bytes));
    return true;
  }
  // A string's bytes.
  bool string(const char* start, std::string_view& out) {
    std::string_view body;
    if (!string_body(start, end(), body)) return decoded(body, out);
    out = body;
    return true;
  }
  // A string value, its end found from the token the library delimited, not
  // by reading it byte by byte.
  bool string(od::value& value, std::string_view& out) {
    std::string_view token = trimmed(value.raw_json_token());
    od::raw_json_string raw;
    if (auto code = value.get_raw_json_string().get(raw)) return fail(code);
    if (token.size() < 2 || token.back() != '"') return fail("unfinished string");
    std::string_view body = token.substr(1, token.size() - 2);
    if (!plain(body)) return decoded(body, out);
    out = body;
    return true;
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
  bool members(od::value& value, Member member, int depth = 0);
  template <typename Member>
  bool other(Key& key, Member& member, od::value& value, int depth);
  template <typename Element>
  bool elements(od::value& value, Element element);

  bool top(od::value& value);
  bool rule(od::value& value);
  bool unit(od::value& value);
  bool need(od::value& value);
  bool group_needs(DependencyRule& rule);

  DependencyFile& file_;
  size_t length_;
  bool needs_read_;
  od::document* document_ = nullptr;
  std::vector<Need> needs_;  // of the rule being read
  const char* digits_ = nullptr;  // the checksum's
  std::string error_;
};

template <typename Member>
bool Reader::members(od::value& value, Member member, int depth) {
  od::object object;
  if (auto code = value.get_object().get(object)) return fail(code);
  for (auto item : object) {
    od::field field;
    if (auto code = std::move(item).get(field)) return fail(code);
    Key key{field.key().raw()};
    if (!member(key, field.value())) return false;
    if (key.unknown && !other(key, member, field.value(), depth)) return false;
  }
  return true;
}

// A key none of `member`'s matched as written: checked, and matched again
// once its escapes are undone; its value skipped when it is unknown still.
template <typename Member>
bool Reader::other(Key& key, Member& member, od::value& value, int depth) {
  std::string_view body;
  if (!string_body(key.raw, end(), body)) {
    std::string decoded;
    if (!decode_json_string(body, decoded)) return fail("bad escape in a string");
    Key spelled{key.raw, decoded, true};
    if (!member(spelled, value)) return false;
    if (!spelled.unknown) return true;
  }
  return skip(value, depth);
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
      return members(value, [&](Key& key, od::value&) { return key.unknown = true; }, depth + 1);
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
  bool ok = members(value, [&](Key& key, od::value& v) {
    if (key.is("logical-name")) return named = true, string(v, need.with.name);
    if (key.is("lookup-method")) {  // by name, whatever it says
      std::string_view method;
      return string(v, method);
    }
    if (key.is("vantlink-unit")) {
      int64_t unit;
      if (!integer(v, unit, 0, INT64_MAX)) return false;
      need.unit = static_cast<uint64_t>(unit);
      return placed = true;
    }
    if (key.is("vantlink-limited") || key.is("vantlink-private")) {
      bool flag;
      if (!boolean(v, flag)) return false;
      if (flag) need.with.marks |= key.is("vantlink-limited") ? kWithLimited : kWithPrivate;
      return true;
    }
    return key.unknown = true;
  });
  if (!ok) return false;
  if (!named || need.with.name.empty() || !placed) return fail("a need without its name or unit");
  needs_.push_back(need);
  return true;
}

bool Reader::unit(od::value& value) {
  DependencyUnit unit;
  bool ok = members(value, [&](Key& key, od::value& v) {
    if (key.is("logical-name")) return string(v, unit.name);
    if (key.is("vantlink-kind")) return string(v, unit.kind);
    if (key.is("vantlink-generic")) return boolean(v, unit.generic);
    if (key.is("is-interface")) {  // the kind says it
      bool interface;
      return boolean(v, interface);
    }
    if (key.is("vantlink-subunit-of")) return string(v, unit.subunit_of);
    return key.unknown = true;
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
  bool ok = members(value, [&](Key& key, od::value& v) {
    if (key.is("vantlink-source")) return keyed = true, string(v, rule.key);
    // The link file writes times as 32-bit numbers.
    if (key.is("vantlink-time")) return timed = true, integer(v, rule.time, INT32_MIN, INT32_MAX);
    if (key.is("vantlink-clean")) return clean = true, boolean(v, rule.clean);
    if (key.is("provides")) {
      if (provides) return fail("repeated provides");
      provides = true;
      return elements(v, [&](od::value& each) { return unit(each); });
    }
    if (key.is("requires")) {
      if (needs) return fail("repeated requires");
      needs = true;
      // Left unconsumed, the library passes over it on the way to the next key.
      if (!needs_read_) return true;
      return elements(v, [&](od::value& each) { return need(each); });
    }
    return key.unknown = true;
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
  bool ok = members(value, [&](Key& key, od::value& v) {
    if (key.is("version")) return version = true, integer(v, version_number, 0, INT64_MAX);
    if (key.is("revision")) return revision = true, integer(v, revision_number, 0, INT64_MAX);
    if (key.is("vantlink-format")) return integer(v, file_.format, 0, INT64_MAX);
    if (key.is("vantlink-trusted-before"))
      return trusted = true, integer(v, file_.trusted_before, INT64_MIN, INT64_MAX);
    if (key.is("vantlink-ada-mode")) {
      std::string_view text;
      if (!string(v, text)) return false;
      file_.mode = text;
      return mode = true;
    }
    if (key.is("vantlink-checksum")) {
      od::raw_json_string raw;
      if (auto code = v.get_raw_json_string().get(raw)) return fail(code);
      digits_ = raw.raw();
      std::string_view ignored;
      return checksum = true, string(digits_, ignored);
    }
    if (key.is("rules")) {
      if (rules) return fail("repeated rules");
      if (file_.format != 0 && file_.format != kDependencyFormat)
        return fail("another version of the format");
      rules = true;
      return elements(v, [&](od::value& each) { return rule(each); });
    }
    return key.unknown = true;
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
  static_assert(kWholeFilePadding >= simdjson::SIMDJSON_PADDING);
  if (auto code = parser.iterate(file_.text.data(), length_, length_ + kWholeFilePadding)
                      .get(document))
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

bool parse_read_text(DependencyFile& file, size_t length, std::string& error, NeedsRead needs) {
  return Reader(file, length, needs).read(error);
}

}  // namespace

bool parse_dependency_file(std::string_view text, DependencyFile& file, std::string& error,
                           NeedsRead needs) {
  if (!file.text.allocate(text.size())) {
    error = "cannot allocate memory";
    return false;
  }
  if (!text.empty()) std::memcpy(file.text.data(), text.data(), text.size());
  file.text.set_length(text.size());
  return parse_read_text(file, text.size(), error, needs);
}

ReadOutcome read_dependency_file(const char* path, DependencyFile& file, std::string& error,
                                 uint64_t size_limit, FileAccess access, NeedsRead needs) {
  switch (read_whole_file(path, file.text, size_limit, error, nullptr, access)) {
    case WholeFile::kRead: break;
    case WholeFile::kMissing: return ReadOutcome::kMissing;
    case WholeFile::kUnreadable: return ReadOutcome::kUnreadable;
    case WholeFile::kNoMemory: return ReadOutcome::kNoMemory;
    case WholeFile::kTooLarge: return ReadOutcome::kTooLarge;
  }
  return parse_read_text(file, file.text.size(), error, needs) ? ReadOutcome::kRead
                                                         : ReadOutcome::kDamaged;
}
