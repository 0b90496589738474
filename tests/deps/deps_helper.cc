#include "deps_helper.h"

#include "formats/dependency_file.h"

std::string dependency_rules(const std::string& path) {
  std::string text = read_file(path);
  DependencyFile file;
  std::string error;
  if (!parse_dependency_file(text, file, error)) return "damaged: " + error + "\n";
  std::string out;
  if (!file.checksum_matches) out += "checksum differs\n";
  for (const DependencyRule& rule : file.rules) {
    out.append(rule.key).append(" ").append(std::to_string(rule.time)).append(":");
    for (size_t u = rule.first_unit; u < rule.first_unit + rule.unit_count; ++u) {
      const DependencyUnit& unit = file.units[u];
      out.append(" ").append(unit.name).append(" ").append(unit.kind);
      if (!unit.subunit_of.empty()) out.append(" of ").append(unit.subunit_of);
      out.append(" with");
      for (size_t w = unit.first_with; w < unit.first_with + unit.with_count; ++w) {
        const DependencyWith& with = file.withs[w];
        out.append(" ");
        if (with.marks & kWithLimited) out.append("limited ");
        if (with.marks & kWithPrivate) out.append("private ");
        out.append(with.name);
      }
      out.append(";");
    }
    out.append("\n");
  }
  return out;
}

CliResult run_vantlink_deps(const std::vector<std::string>& args, const std::string& directory,
                            const std::map<std::string, std::string>& env) {
  CliCall call;
  call.args = args;
  call.env = env;
  call.directory = directory;
  call.binary = VANTLINK_DEPS_BINARY;
  return run_vantlink(call);
}

void write_signed_dependency_file(const std::string& path, std::string text) {
  size_t end = text.rfind("],\"vantlink-checksum\":\"");
  DependencyChecksum sum;
  sum.add(std::string_view(text).substr(0, end));
  char digits[17];
  uint64_t value = sum.value();
  for (int i = 15; i >= 0; --i, value >>= 4) digits[i] = "0123456789abcdef"[value & 0xf];
  text.replace(end + 23, 16, digits, 16);
  write_file(path, text);
}
