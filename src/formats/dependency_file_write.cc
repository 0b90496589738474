// Writing the dependency file's text.
#include <charconv>
#include <cstring>

#include "formats/dependency_file.h"
#include "formats/json_text.h"

namespace {

void append_number(std::string& out, int64_t value) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

}  // namespace

void DependencyChecksum::mix(uint64_t word) {
  hash_ ^= word;
  hash_ *= 0x9e3779b97f4a7c15ull;
  hash_ ^= hash_ >> 29;
}

void DependencyChecksum::add(std::string_view bytes) {
  length_ += bytes.size();
  while (!bytes.empty() && pending_size_ != 0 && pending_size_ < 8) {
    pending_[pending_size_++] = static_cast<unsigned char>(bytes.front());
    bytes.remove_prefix(1);
  }
  if (pending_size_ == 8) {
    uint64_t word;
    std::memcpy(&word, pending_, 8);
    mix(word);
    pending_size_ = 0;
  }
  while (bytes.size() >= 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data(), 8);
    mix(word);
    bytes.remove_prefix(8);
  }
  for (char c : bytes) pending_[pending_size_++] = static_cast<unsigned char>(c);
}

uint64_t DependencyChecksum::value() const {
  DependencyChecksum last = *this;
  uint64_t word = 0;
  std::memcpy(&word, last.pending_, last.pending_size_);
  last.mix(word);
  last.mix(length_);
  return last.hash_;
}

DependencyWriter::DependencyWriter(std::string_view mode, int64_t trusted_before) {
  text_.append("{\"version\":1,\"revision\":0,\"vantlink-format\":");
  append_number(text_, kDependencyFormat);
  text_.append(",\"vantlink-ada-mode\":");
  append_json_string(text_, mode);
  text_.append(",\"vantlink-trusted-before\":");
  append_number(text_, trusted_before);
  text_.append(",\"rules\":[\n");
}

void DependencyWriter::separate_rule() {
  if (!first_rule_) text_.append(",\n");
  first_rule_ = false;
}

void DependencyWriter::begin_rule(std::string_view key, int64_t written_time) {
  separate_rule();
  text_.append("{\"vantlink-source\":");
  append_json_string(text_, key);
  text_.append(",\"vantlink-time\":");
  append_number(text_, written_time);
  text_.append(",\"provides\":[");
  first_unit_ = true;
  unit_open_ = false;
}

void DependencyWriter::add_unit(std::string_view name, std::string_view kind,
                                std::string_view subunit_of, bool generic) {
  if (unit_open_) text_.append("]}");
  if (!first_unit_) text_.push_back(',');
  first_unit_ = false;
  unit_open_ = true;
  first_with_ = true;
  text_.append("{\"logical-name\":");
  append_json_string(text_, name);
  text_.append(",\"vantlink-kind\":");
  append_json_string(text_, kind);
  if (!subunit_of.empty()) {
    text_.append(",\"vantlink-subunit-of\":");
    append_json_string(text_, subunit_of);
  }
  if (generic) text_.append(",\"vantlink-generic\":true");
  text_.append(",\"vantlink-withs\":[");
}

void DependencyWriter::add_with(std::string_view name, uint32_t marks) {
  if (!first_with_) text_.push_back(',');
  first_with_ = false;
  text_.append("{\"logical-name\":");
  append_json_string(text_, name);
  if (marks & kWithLimited) text_.append(",\"vantlink-limited\":true");
  if (marks & kWithPrivate) text_.append(",\"vantlink-private\":true");
  text_.push_back('}');
}

void DependencyWriter::end_rule() {
  if (unit_open_) text_.append("]}");
  unit_open_ = false;
  text_.append("]}");
}

void DependencyWriter::copy_rule(std::string_view rule_text) {
  separate_rule();
  text_.append(rule_text);
}

std::string_view DependencyWriter::take() {
  if (!finished_) checksum_.add(std::string_view(text_).substr(hashed_));
  out_.swap(text_);
  text_.clear();
  hashed_ = 0;
  return out_;
}

void DependencyWriter::finish() {
  if (!first_rule_) text_.push_back('\n');
  checksum_.add(std::string_view(text_).substr(hashed_));
  hashed_ = text_.size();
  finished_ = true;
  char digits[17];
  uint64_t sum = checksum_.value();
  for (int i = 15; i >= 0; --i, sum >>= 4) digits[i] = "0123456789abcdef"[sum & 0xf];
  digits[16] = '\0';
  text_.append("],\"vantlink-checksum\":\"");
  text_.append(digits, 16);
  text_.append("\"}\n");
}
