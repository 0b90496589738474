// Writing the dependency file's text.
#include <algorithm>
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

namespace {

uint64_t mixed(uint64_t hash, uint64_t word) {
  hash ^= word;
  hash *= 0x9e3779b97f4a7c15ull;
  return hash ^ (hash >> 29);
}

}  // namespace

void DependencyChecksum::mix_block(const unsigned char* block) {
  for (int lane = 0; lane < 4; ++lane) {
    uint64_t word;
    std::memcpy(&word, block + 8 * lane, 8);
    lanes_[lane] = mixed(lanes_[lane], word);
  }
}

void DependencyChecksum::add(std::string_view bytes) {
  length_ += bytes.size();
  auto data = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t size = bytes.size();
  if (pending_size_ != 0) {
    size_t taken = std::min(size, kBlock - pending_size_);
    std::memcpy(pending_ + pending_size_, data, taken);
    pending_size_ += taken;
    data += taken;
    size -= taken;
    if (pending_size_ < kBlock) return;
    mix_block(pending_);
    pending_size_ = 0;
  }
  for (; size >= kBlock; data += kBlock, size -= kBlock) mix_block(data);
  std::memcpy(pending_, data, size);
  pending_size_ = size;
}

uint64_t DependencyChecksum::value() const {
  unsigned char last[kBlock] = {};
  std::memcpy(last, pending_, pending_size_);
  DependencyChecksum copy = *this;
  copy.mix_block(last);
  uint64_t hash = copy.lanes_[0];
  for (int lane = 1; lane < 4; ++lane) hash = mixed(hash, copy.lanes_[lane]);
  return mixed(hash, length_);
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

void DependencyWriter::begin_rule(std::string_view key, int64_t written_time, bool clean) {
  separate_rule();
  text_.append("{\"vantlink-source\":");
  append_json_string(text_, key);
  text_.append(",\"vantlink-time\":");
  append_number(text_, written_time);
  text_.append(clean ? ",\"vantlink-clean\":true" : ",\"vantlink-clean\":false");
  text_.append(",\"provides\":[");
  requires_.clear();
  unit_count_ = 0;
}

// A body implements its spec, so only a spec is an interface; a subprogram
// body without a spec is written false as well.
void DependencyWriter::add_unit(std::string_view name, std::string_view kind,
                                std::string_view subunit_of, bool generic) {
  if (unit_count_++ != 0) text_.push_back(',');
  text_.append("{\"logical-name\":");
  append_json_string(text_, name);
  text_.append(kind == "SPEC" ? ",\"is-interface\":true" : ",\"is-interface\":false");
  text_.append(",\"vantlink-kind\":");
  append_json_string(text_, kind);
  if (!subunit_of.empty()) {
    text_.append(",\"vantlink-subunit-of\":");
    append_json_string(text_, subunit_of);
  }
  if (generic) text_.append(",\"vantlink-generic\":true");
  text_.push_back('}');
}

void DependencyWriter::add_with(std::string_view name, uint32_t marks) {
  if (!requires_.empty()) requires_.push_back(',');
  requires_.append("{\"logical-name\":");
  append_json_string(requires_, name);
  requires_.append(",\"lookup-method\":\"by-name\",\"vantlink-unit\":");
  append_number(requires_, static_cast<int64_t>(unit_count_ == 0 ? 0 : unit_count_ - 1));
  if (marks & kWithLimited) requires_.append(",\"vantlink-limited\":true");
  if (marks & kWithPrivate) requires_.append(",\"vantlink-private\":true");
  requires_.push_back('}');
}

void DependencyWriter::end_rule() {
  text_.append("],\"requires\":[");
  text_.append(requires_);
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
  text_.append("],\"vantlink-checksum\":\"");
  checksum_.add(std::string_view(text_).substr(hashed_));
  hashed_ = text_.size();
  finished_ = true;
  char digits[16];
  uint64_t sum = checksum_.value();
  for (int i = 15; i >= 0; --i, sum >>= 4) digits[i] = "0123456789abcdef"[sum & 0xf];
  text_.append(digits, 16);
  text_.append("\"}\n");
}

bool checksum_of_file(std::string_view text, size_t digits_at, uint64_t& value) {
  if (digits_at + 16 > text.size()) return false;
  // Nothing may follow the digits but the string's and the file's ends: a
  // key after them would not be covered.
  size_t at = digits_at + 16;
  auto skip_space = [&] {
    while (at < text.size() &&
           (text[at] == ' ' || text[at] == '\n' || text[at] == '\r' || text[at] == '\t'))
      ++at;
  };
  if (at == text.size() || text[at++] != '"') return false;
  skip_space();
  if (at == text.size() || text[at++] != '}') return false;
  skip_space();
  if (at != text.size()) return false;
  DependencyChecksum sum;
  sum.add(text.substr(0, digits_at));
  value = sum.value();
  return true;
}
