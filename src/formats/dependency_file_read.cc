// Reading the dependency file: strict JSON, any spacing and key order,
// unknown keys (another tool's extensions) skipped; what this format needs
// must be there with the right types.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "formats/dependency_file.h"
#include "formats/json_text.h"

namespace {

// A position in the text, and the first fault met.
class Cursor {
 public:
  Cursor(std::string_view text, DependencyFile& file) : text_(text), file_(file) {}

  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }
  size_t offset() const { return at_; }

  bool fail(const char* what) {
    if (error_.empty()) error_ = std::string(what) + " at byte " + std::to_string(at_);
    return false;
  }

  void skip_space() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t'))
      ++at_;
  }

  bool peek(char c) {
    skip_space();
    return at_ < text_.size() && text_[at_] == c;
  }

  bool expect(char c) {
    if (!peek(c)) return fail("unexpected text");
    ++at_;
    return true;
  }

  // A string's bytes; escapes decoded into storage the file keeps.
  bool string(std::string_view& out) {
    if (!expect('"')) return false;
    size_t start = at_;
    const char* base = text_.data();
    const void* quote = std::memchr(base + at_, '"', text_.size() - at_);
    if (quote == nullptr) return fail("unfinished string");
    size_t end = static_cast<size_t>(static_cast<const char*>(quote) - base);
    bool escaped = std::memchr(base + start, '\\', end - start) != nullptr;
    if (escaped) {
      // A quote after a backslash is in the string: walk it.
      for (end = start; end < text_.size() && text_[end] != '"'; ++end)
        if (text_[end] == '\\') ++end;
      if (end >= text_.size()) return fail("unfinished string");
    }
    std::string_view raw = text_.substr(start, end - start);
    at_ = end + 1;
    if (!escaped) {
      for (char c : raw)
        if (static_cast<unsigned char>(c) < 0x20) return fail("control character in a string");
      out = raw;
      return true;
    }
    std::string decoded;
    if (!decode_json_string(raw, decoded)) return fail("bad escape in a string");
    out = file_.decoded.emplace_back(std::move(decoded));
    return true;
  }

  bool integer(int64_t& out) {
    skip_space();
    bool negative = at_ < text_.size() && text_[at_] == '-';
    if (negative) ++at_;
    size_t start = at_;
    uint64_t value = 0;
    while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
      if (value > (uint64_t{1} << 62)) return fail("number out of range");
      value = value * 10 + static_cast<uint64_t>(text_[at_] - '0');
      ++at_;
    }
    if (at_ == start || (text_[start] == '0' && at_ - start > 1)) return fail("bad number");
    if (at_ < text_.size() && (text_[at_] == '.' || text_[at_] == 'e' || text_[at_] == 'E'))
      return fail("not a whole number");
    out = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
    return true;
  }

  bool boolean(bool& out) {
    skip_space();
    if (text_.substr(at_, 4) == "true") {
      at_ += 4;
      out = true;
      return true;
    }
    if (text_.substr(at_, 5) == "false") {
      at_ += 5;
      out = false;
      return true;
    }
    return fail("expected true or false");
  }

  // Any value, checked and passed over.
  bool skip_value(int depth = 0) {
    if (depth > 64) return fail("nested too deeply");
    skip_space();
    if (at_ >= text_.size()) return fail("unexpected end");
    char c = text_[at_];
    std::string_view ignored;
    if (c == '"') return string(ignored);
    if (c == '{') return object([&](std::string_view) { return skip_value(depth + 1); });
    if (c == '[') return array([&] { return skip_value(depth + 1); });
    if (c == 't' || c == 'f') {
      bool b;
      return boolean(b);
    }
    if (text_.substr(at_, 4) == "null") {
      at_ += 4;
      return true;
    }
    return skip_number();
  }

  // "{" key ":" value, ... "}", each value read by `member(key)`.
  template <typename Member>
  bool object(Member member) {
    if (!expect('{')) return false;
    if (peek('}')) return ++at_, true;
    for (;;) {
      std::string_view key;
      if (!string(key) || !expect(':') || !member(key)) return false;
      if (peek(',')) {
        ++at_;
        continue;
      }
      return expect('}');
    }
  }

  template <typename Element>
  bool array(Element element) {
    if (!expect('[')) return false;
    if (peek(']')) return ++at_, true;
    for (;;) {
      if (!element()) return false;
      if (peek(',')) {
        ++at_;
        continue;
      }
      return expect(']');
    }
  }

  bool at_end() {
    skip_space();
    return at_ == text_.size();
  }

 private:
  bool skip_number() {
    size_t start = at_;
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    size_t digits = at_;
    while (at_ < text_.size() && std::strchr("0123456789.eE+-", text_[at_]) && text_[at_] != '\0')
      ++at_;
    if (at_ == digits || at_ == start) return fail("bad value");
    return true;
  }

  std::string_view text_;
  DependencyFile& file_;
  size_t at_ = 0;
  std::string error_;
};

struct Seen {
  bool version = false, revision = false, format = false, mode = false, trusted = false;
  bool rules = false, checksum = false;
};

bool parse_with(Cursor& in, DependencyFile& file) {
  DependencyWith with{{}, 0};
  bool named = false;
  bool ok = in.object([&](std::string_view key) {
    if (key == "logical-name") return named = true, in.string(with.name);
    bool flag = false;
    if (key == "vantlink-limited" || key == "vantlink-private") {
      if (!in.boolean(flag)) return false;
      if (flag) with.marks |= key == "vantlink-limited" ? kWithLimited : kWithPrivate;
      return true;
    }
    return in.skip_value();
  });
  if (!ok) return false;
  if (!named || with.name.empty()) return in.fail("a with without its name");
  file.withs.push_back(with);
  return true;
}

bool parse_unit(Cursor& in, DependencyFile& file) {
  DependencyUnit unit;
  bool withs = false;
  size_t first_with = file.withs.size();
  bool ok = in.object([&](std::string_view key) {
    if (key == "logical-name") return in.string(unit.name);
    if (key == "vantlink-kind") return in.string(unit.kind);
    if (key == "vantlink-subunit-of") return in.string(unit.subunit_of);
    if (key == "vantlink-generic") return in.boolean(unit.generic);
    if (key == "vantlink-withs") {
      if (withs) return in.fail("repeated withs");
      withs = true;
      first_with = file.withs.size();
      return in.array([&] { return parse_with(in, file); });
    }
    return in.skip_value();
  });
  if (!ok) return false;
  if (unit.name.empty() || !withs) return in.fail("a unit without its name or withs");
  if (unit.kind != "SPEC" && unit.kind != "BODY" && unit.kind != "PROC")
    return in.fail("a unit of no known kind");
  unit.first_with = first_with;
  unit.with_count = file.withs.size() - first_with;
  file.units.push_back(unit);
  return true;
}

bool parse_rule(Cursor& in, std::string_view text, DependencyFile& file) {
  in.skip_space();
  size_t start = in.offset();
  DependencyRule rule;
  bool keyed = false, timed = false, provides = false;
  size_t first_unit = file.units.size();
  bool ok = in.object([&](std::string_view key) {
    if (key == "vantlink-source") return keyed = true, in.string(rule.key);
    if (key == "vantlink-time") return timed = true, in.integer(rule.time);
    if (key == "provides") {
      if (provides) return in.fail("repeated provides");
      provides = true;
      first_unit = file.units.size();
      return in.array([&] { return parse_unit(in, file); });
    }
    return in.skip_value();
  });
  if (!ok) return false;
  if (!keyed || !timed || !provides) return in.fail("a rule without its source, time or units");
  rule.text = text.substr(start, in.offset() - start);
  rule.first_unit = first_unit;
  rule.unit_count = file.units.size() - first_unit;
  file.rules.push_back(rule);
  return true;
}

// Room for as many rules, units and withs as `text` can hold, so the lists
// never move as they grow (with the link file's lists, 2895 page faults of
// vantlink-deps order on the x10 tree down to 2476). Room not used is never
// touched, so costs nothing.
void make_room(std::string_view text, DependencyFile& file) {
  constexpr size_t kShortestRule = 54;  // {"vantlink-source":"","vantlink-time":0,"provides":[]}
  // {"logical-name":"x","vantlink-kind":"SPEC","vantlink-withs":[]}
  constexpr size_t kShortestUnit = 63;
  constexpr size_t kShortestWith = 20;  // {"logical-name":"x"}
  file.rules.reserve(text.size() / kShortestRule + 1);
  file.units.reserve(text.size() / kShortestUnit + 1);
  file.withs.reserve(text.size() / kShortestWith + 1);
}

// The exact form DependencyWriter emits, read without the general reader's
// per-key dispatch and spacing checks: the x10 tree's file is read in 2.7 ms
// where the general reader takes 4.4 (checksum included). Anything else
// (other spacing, key order or keys, an escape, a control character, a
// number it would have to range-check) makes it give up, and the general
// reader reads the file from the start, so it decides alone what is refused
// and why.
class WriterForm {
 public:
  WriterForm(std::string_view text, DependencyFile& file) : text_(text), file_(file) {}

  // The whole file; false as soon as it departs from the writer's form.
  bool read(std::string_view& checksum, size_t& rules_end) {
    std::string_view mode;
    if (!take("{\"version\":1,\"revision\":0,\"vantlink-format\":1,\"vantlink-ada-mode\":") ||
        !string(mode) || !take(",\"vantlink-trusted-before\":") ||
        !integer(file_.trusted_before) || !take(",\"rules\":[\n"))
      return false;
    file_.mode = mode;
    if (!peek(']')) {
      do {
        if (!rule()) return false;
      } while (take(",\n"));
      if (!take("\n")) return false;
    }
    rules_end = at_;
    if (!take("],\"vantlink-checksum\":") || !string(checksum) || !take("}")) return false;
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t'))
      ++at_;
    return at_ == text_.size();
  }

 private:
  bool peek(char c) const { return at_ < text_.size() && text_[at_] == c; }
  bool digit() const { return at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9'; }

  bool take(std::string_view literal) {
    if (text_.substr(at_, literal.size()) != literal) return false;
    at_ += literal.size();
    return true;
  }

  // A string without escapes or control characters.
  bool string(std::string_view& out) {
    if (!take("\"")) return false;
    size_t start = at_;
    for (; at_ < text_.size(); ++at_) {
      unsigned char c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') break;
      if (c == '\\' || c < 0x20) return false;
    }
    if (at_ == text_.size()) return false;
    out = text_.substr(start, at_++ - start);
    return true;
  }

  // Up to 18 digits, so the value cannot overflow; a longer number is left
  // to the general reader's range check.
  bool integer(int64_t& out) {
    bool negative = take("-");
    size_t start = at_;
    int64_t value = 0;
    while (digit() && at_ - start < 18) value = value * 10 + (text_[at_++] - '0');
    size_t digits = at_ - start;
    if (digits == 0 || digit() || (text_[start] == '0' && digits > 1)) return false;
    out = negative ? -value : value;
    return true;
  }

  bool rule() {
    size_t start = at_;
    DependencyRule rule;
    if (!take("{\"vantlink-source\":") || !string(rule.key) || !take(",\"vantlink-time\":") ||
        !integer(rule.time) || !take(",\"provides\":["))
      return false;
    rule.first_unit = file_.units.size();
    if (!peek(']')) {
      do {
        if (!unit()) return false;
      } while (take(","));
    }
    if (!take("]}")) return false;
    rule.text = text_.substr(start, at_ - start);
    rule.unit_count = file_.units.size() - rule.first_unit;
    file_.rules.push_back(rule);
    return true;
  }

  bool unit() {
    DependencyUnit unit;
    if (!take("{\"logical-name\":") || !string(unit.name) || unit.name.empty() ||
        !take(",\"vantlink-kind\":") || !string(unit.kind))
      return false;
    if (unit.kind != "SPEC" && unit.kind != "BODY" && unit.kind != "PROC") return false;
    if (take(",\"vantlink-subunit-of\":") && !string(unit.subunit_of)) return false;
    if (take(",\"vantlink-generic\":true")) unit.generic = true;
    if (!take(",\"vantlink-withs\":[")) return false;
    unit.first_with = file_.withs.size();
    if (!peek(']')) {
      do {
        if (!with()) return false;
      } while (take(","));
    }
    if (!take("]}")) return false;
    unit.with_count = file_.withs.size() - unit.first_with;
    file_.units.push_back(unit);
    return true;
  }

  bool with() {
    DependencyWith with{{}, 0};
    if (!take("{\"logical-name\":") || !string(with.name) || with.name.empty()) return false;
    if (take(",\"vantlink-limited\":true")) with.marks |= kWithLimited;
    if (take(",\"vantlink-private\":true")) with.marks |= kWithPrivate;
    if (!take("}")) return false;
    file_.withs.push_back(with);
    return true;
  }

  std::string_view text_;
  DependencyFile& file_;
  size_t at_ = 0;
};

// Everything a failed read added to `file` taken away again.
class Undo {
 public:
  explicit Undo(const DependencyFile& file)
      : rules_(file.rules.size()), units_(file.units.size()), withs_(file.withs.size()),
        mode_(file.mode), trusted_before_(file.trusted_before) {}

  void apply(DependencyFile& file) const {
    file.rules.resize(rules_);
    file.units.resize(units_);
    file.withs.resize(withs_);
    file.mode = mode_;
    file.trusted_before = trusted_before_;
  }

 private:
  size_t rules_, units_, withs_;
  std::string mode_;
  int64_t trusted_before_;
};

// The general reader: any JSON of this format.
bool read_generally(std::string_view text, DependencyFile& file, std::string_view& checksum,
                    size_t& rules_end, std::string& error) {
  Cursor in(text, file);
  Seen seen;
  int64_t version = -1, revision = -1, format = -1;
  bool ok = in.object([&](std::string_view key) {
    if (key == "version") return seen.version = true, in.integer(version);
    if (key == "revision") return seen.revision = true, in.integer(revision);
    if (key == "vantlink-format") return seen.format = true, in.integer(format);
    if (key == "vantlink-trusted-before")
      return seen.trusted = true, in.integer(file.trusted_before);
    if (key == "vantlink-checksum") return seen.checksum = true, in.string(checksum);
    if (key == "vantlink-ada-mode") {
      std::string_view mode;
      if (!in.string(mode)) return false;
      seen.mode = true;
      file.mode = mode;
      return true;
    }
    if (key == "rules") {
      if (seen.rules) return in.fail("repeated rules");
      seen.rules = true;
      bool read = in.array([&] { return parse_rule(in, text, file); });
      rules_end = in.offset() - 1;  // the "]"
      return read;
    }
    return in.skip_value();
  });
  if (ok && !in.at_end()) ok = in.fail("text after the end");
  if (ok && !(seen.version && seen.revision && seen.format && seen.mode && seen.trusted &&
              seen.rules && seen.checksum))
    ok = in.fail("a required key missing");
  if (ok && (version != 1 || format != kDependencyFormat))
    ok = in.fail("another version of the format");
  if (!ok) error = in.error();
  return ok;
}

bool parse(std::string_view text, DependencyFile& file, std::string& error,
           bool writer_form_first) {
  make_room(text, file);
  std::string_view checksum;
  size_t rules_end = 0;
  Undo undo(file);
  bool read = writer_form_first && WriterForm(text, file).read(checksum, rules_end);
  if (!read) {
    undo.apply(file);
    checksum = {};
    rules_end = 0;
    if (!read_generally(text, file, checksum, rules_end, error)) return false;
  }
  DependencyChecksum sum;
  sum.add(text.substr(0, rules_end));
  char digits[17];
  uint64_t value = sum.value();
  for (int i = 15; i >= 0; --i, value >>= 4) digits[i] = "0123456789abcdef"[value & 0xf];
  file.checksum_matches = checksum == std::string_view(digits, 16);
  return true;
}

}  // namespace

bool parse_dependency_file(std::string_view text, DependencyFile& file, std::string& error) {
  return parse(text, file, error, true);
}

bool parse_dependency_file_generally(std::string_view text, DependencyFile& file,
                                     std::string& error) {
  return parse(text, file, error, false);
}

ReadOutcome read_dependency_file(const char* path, DependencyFile& file, std::string& error) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    error = std::strerror(errno);
    return errno == ENOENT ? ReadOutcome::kMissing : ReadOutcome::kUnreadable;
  }
  struct stat status;
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    error = "not a regular file";
    ::close(fd);
    return ReadOutcome::kUnreadable;
  }
  file.text.resize(static_cast<size_t>(status.st_size) + 1);
  size_t length = 0;
  for (;;) {
    if (length == file.text.size()) file.text.resize(file.text.size() * 2);
    ssize_t n = ::read(fd, file.text.data() + length, file.text.size() - length);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::strerror(errno);
      ::close(fd);
      return ReadOutcome::kUnreadable;
    }
    if (n == 0) break;
    length += static_cast<size_t>(n);
  }
  ::close(fd);
  file.text.resize(length);
  if (!parse_dependency_file(std::string_view(file.text.data(), length), file, error))
    return ReadOutcome::kDamaged;
  return ReadOutcome::kRead;
}
