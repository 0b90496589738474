#include "gnat_helper.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace gnat {

namespace {

std::string run_command(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  pclose(pipe);
  return output;
}

std::string shell_quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The words of Ada source from `offset` on, lower case, with comments and
// string literals skipped; punctuation comes as one-character words.
class Words {
 public:
  Words(const std::string& text, size_t offset) : text_(text), at_(offset) {}
  std::string next() {
    while (at_ < text_.size()) {
      char c = text_[at_];
      if (std::isspace(static_cast<unsigned char>(c))) {
        ++at_;
      } else if (text_.compare(at_, 2, "--") == 0) {
        at_ = text_.find('\n', at_);
        if (at_ == std::string::npos) at_ = text_.size();
      } else if (c == '"') {
        at_ = text_.find('"', at_ + 1) + 1;
      } else if (std::isalpha(static_cast<unsigned char>(c))) {
        size_t start = at_;
        while (at_ < text_.size() &&
               (std::isalnum(static_cast<unsigned char>(text_[at_])) || text_[at_] == '_'))
          ++at_;
        std::string word = text_.substr(start, at_ - start);
        for (char& letter : word) letter = static_cast<char>(std::tolower(letter));
        return word;
      } else {
        ++at_;
        return std::string(1, c);
      }
    }
    return "";
  }

 private:
  const std::string& text_;
  size_t at_;
};

// GNAT says "body" for every body; the word that starts the unit tells a
// subprogram body (PROC) from the others (BODY).
std::string body_kind(const std::string& source, size_t offset) {
  Words words(source, offset);
  for (std::string word = words.next(); !word.empty(); word = words.next()) {
    if (word == "with" || word == "use" || word == "pragma") {
      while (!word.empty() && word != ";") word = words.next();
    } else if (word == "separate") {
      while (!word.empty() && word != ")") word = words.next();
    } else if (word == "procedure" || word == "function") {
      return "PROC";
    } else if (word == "package" || word == "task" || word == "protected") {
      return "BODY";
    }
  }
  return "?";
}

// Each dot-separated part of `name` occurs, spelled so, in `source`.
bool spelled_in(const std::string& source, const std::string& name) {
  std::istringstream parts(name);
  for (std::string part; std::getline(parts, part, '.');)
    if (source.find(part) == std::string::npos) return false;
  return true;
}

Units lower_case(Units units) {
  for (Unit& unit : units)
    for (char& c : unit.name) c = static_cast<char>(std::tolower(c));
  return units;
}

}  // namespace

std::string describe(const Units& units) {
  std::string text;
  for (const Unit& unit : units) text += (text.empty() ? "" : ", ") + unit.name + " " + unit.kind;
  return text.empty() ? "(none)" : text;
}

std::string read_all(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

Result units_of(const fs::path& file, const std::string& work_dir, const std::string& options) {
  Result result;
  result.output = run_command("cd " + shell_quoted(work_dir) + " && gcc -c -gnats -gnatu " +
                              options + " " + shell_quoted(file.string()) +
                              " 2>&1; echo \"status $?\"");
  // GNAT also lists units it read from other files (the spec named by a
  // body that holds only "pragma No_Body"); only this file's units count.
  static const std::regex unit_line(
      "^Unit (\\S+) \\((spec|body)\\) line [0-9]+, file offset ([0-9]+), file "
      "name (.*)$");
  // In a file of several units GNAT names the file each unit would have
  // alone: a unit further on in this file counts after one named by it.
  std::string source = read_all(file);
  std::istringstream lines(result.output);
  bool own_seen = false;
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_match(line, match, unit_line) &&
        (match[4] == file.filename().string() || (own_seen && std::stoul(match[3].str()) > 0))) {
      own_seen = true;
      std::string kind =
          match[2] == "spec" ? "SPEC" : body_kind(source, std::stoul(match[3].str()));
      result.units.push_back({match[1], kind});
    } else if (line == "status 0") {
      result.ran = true;
    }
  }
  return result;
}

std::vector<Result> units_of_all(const std::vector<fs::path>& files, const std::string& options) {
  std::string work_dir = testing::TempDir() + "vl_gnat_" + std::to_string(getpid());
  fs::create_directories(work_dir);
  std::vector<Result> results(files.size());
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i; (i = next++) < files.size();) results[i] = units_of(files[i], work_dir, options);
  };
  std::thread first(worker), second(worker);
  first.join();
  second.join();
  fs::remove_all(work_dir);
  return results;
}

bool available() {
  if (!fs::is_directory(kRuntimeDir)) return false;
  std::string gnat1 = run_command("gcc -print-prog-name=gnat1 2>/dev/null");
  while (!gnat1.empty() && std::isspace(static_cast<unsigned char>(gnat1.back()))) gnat1.pop_back();
  return !gnat1.empty() && access(gnat1.c_str(), X_OK) == 0;
}

std::vector<fs::path> runtime_files() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(kRuntimeDir))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

Agreement compare(const Units& ours, const Units& gnat, const fs::path& file) {
  if (ours == gnat) return Agreement::kExact;
  if (lower_case(ours) != lower_case(gnat)) return Agreement::kDiffers;
  std::string source = read_all(file);
  for (size_t u = 0; u < ours.size(); ++u)
    if (ours[u].name != gnat[u].name &&
        (source.find(gnat[u].name) != std::string::npos || !spelled_in(source, ours[u].name)))
      return Agreement::kDiffers;
  return Agreement::kRecased;
}

}  // namespace gnat
