// The dependency-file reader on arbitrary bytes. What it accepts is written
// again with the writer and must read back the same, with a checksum that
// matches; each rule's text, which a later run copies, reads on its own; and
// any bytes go through a JSON string and back unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "formats/dependency_file.h"
#include "formats/json_text.h"

namespace {

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

// The file's content without its spelling: one line a rule.
std::string content(const DependencyFile& file) {
  std::string out = file.mode + " " + std::to_string(file.trusted_before) + "\n";
  for (const DependencyRule& rule : file.rules) {
    out.append(rule.key).append("|").append(std::to_string(rule.time));
    out.append(rule.clean ? "|clean" : "|unclean");
    check(rule.first_unit + rule.unit_count <= file.units.size(), "units in range");
    for (size_t u = rule.first_unit; u < rule.first_unit + rule.unit_count; ++u) {
      const DependencyUnit& unit = file.units[u];
      out.append("|").append(unit.name).append(" ").append(unit.kind).append(" ");
      out.append(unit.subunit_of);
      check(unit.first_with + unit.with_count <= file.withs.size(), "withs in range");
      for (size_t w = unit.first_with; w < unit.first_with + unit.with_count; ++w)
        out.append(",").append(file.withs[w].name).append(std::to_string(file.withs[w].marks));
    }
    out.append("\n");
  }
  return out;
}

std::string written_again(const DependencyFile& file) {
  DependencyWriter writer(file.mode, file.trusted_before);
  std::string text;
  for (const DependencyRule& rule : file.rules) {
    writer.begin_rule(rule.key, rule.time, rule.clean);
    for (size_t u = rule.first_unit; u < rule.first_unit + rule.unit_count; ++u) {
      const DependencyUnit& unit = file.units[u];
      writer.add_unit(unit.name, unit.kind, unit.subunit_of);
      for (size_t w = unit.first_with; w < unit.first_with + unit.with_count; ++w)
        writer.add_with(file.withs[w].name, file.withs[w].marks);
    }
    writer.end_rule();
    // Taken in pieces, as the driver takes it: the checksum must not care.
    text.append(writer.take());
  }
  writer.finish();
  text.append(writer.take());
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);

  std::string quoted, decoded;
  append_json_string(quoted, input);
  check(decode_json_string(std::string_view(quoted).substr(1, quoted.size() - 2), decoded),
        "a written string decodes");
  check(decoded == input, "bytes through a JSON string unchanged");

  DependencyFile file;
  std::string error;
  if (!parse_dependency_file(input, file, error)) {
    check(!error.empty(), "a refusal says why");
    return 0;
  }
  for (const DependencyRule& rule : file.rules) {
    // A rule's text is a whole object of the input, copied as it is on reuse.
    check(rule.text.size() >= 2 && rule.text.front() == '{' && rule.text.back() == '}',
          "a rule's text is its object");
    DependencyFile alone;
    std::string wrapped = "{\"version\":1,\"revision\":0,\"vantlink-format\":2,"
                          "\"vantlink-ada-mode\":\"95\",\"vantlink-trusted-before\":0,\"rules\":[" +
                          std::string(rule.text) + "],\"vantlink-checksum\":\"0\"}";
    check(parse_dependency_file(wrapped, alone, error), "a rule's text reads alone");
  }
  std::string text = written_again(file);
  DependencyFile again;
  check(parse_dependency_file(text, again, error), "what was written reads back");
  check(again.checksum_matches, "its checksum matches");
  check(content(again) == content(file), "the same content");
  return 0;
}
