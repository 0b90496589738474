// Real code: every file of the GNAT runtime that the analysis accepts without
// a warning must yield the units that the GNAT compiler itself reports for it
// (gcc -c -gnats -gnatu). Skipped where GNAT or its runtime sources are absent.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "analysis/analysis.h"

namespace {

namespace fs = std::filesystem;

const char* const kRuntimeDir = "/usr/lib/gcc/x86_64-linux-gnu/12/adainclude";

struct Unit {
  std::string name;
  std::string kind;  // "SPEC", "BODY" or "PROC"
  bool operator==(const Unit&) const = default;
};

std::string describe(const std::vector<Unit>& units) {
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

struct GnatResult {
  bool ran = false;  // GNAT listed units and reported no error
  std::vector<Unit> units;
  std::string output;
};

GnatResult gnat_units(const fs::path& file, const std::string& work_dir) {
  GnatResult result;
  result.output = run_command("cd " + shell_quoted(work_dir) + " && gcc -c -gnats -gnatu " +
                              shell_quoted(file.string()) + " 2>&1; echo \"status $?\"");
  // GNAT also lists units it read from other files (the spec named by a
  // body that holds only "pragma No_Body"); only this file's units count.
  static const std::regex unit_line(
      "^Unit (\\S+) \\((spec|body)\\) line [0-9]+, file offset ([0-9]+), file "
      "name (.*)$");
  std::string source = read_all(file);
  std::istringstream lines(result.output);
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_match(line, match, unit_line) && match[4] == file.filename().string()) {
      std::string kind =
          match[2] == "spec" ? "SPEC" : body_kind(source, std::stoul(match[3].str()));
      result.units.push_back({match[1], kind});
    } else if (line == "status 0") {
      result.ran = true;
    }
  }
  return result;
}

bool gnat_available() {
  if (!fs::is_directory(kRuntimeDir)) return false;
  std::string gnat1 = run_command("gcc -print-prog-name=gnat1 2>/dev/null");
  while (!gnat1.empty() && std::isspace(static_cast<unsigned char>(gnat1.back()))) gnat1.pop_back();
  return !gnat1.empty() && access(gnat1.c_str(), X_OK) == 0;
}

struct Analysed {
  fs::path file;
  std::vector<Unit> units;
};

long peak_kilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

std::vector<fs::path> runtime_files() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(kRuntimeDir))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

// Analyses every file once; keeps the units of those accepted without a
// diagnostic. Records are kept, as in a run, until the end.
std::vector<Analysed> analyse_runtime(const std::vector<fs::path>& files,
                                      std::vector<CompilationUnit*>& kept) {
  std::vector<Analysed> accepted;
  Analyser analyser;
  for (const fs::path& file : files) {
    FILE* stream = std::fopen(file.c_str(), "rb");
    if (stream == nullptr) continue;
    FileAnalysis analysis = analyser.analyse_stream(stream, file.filename().c_str());
    std::fclose(stream);
    kept.push_back(analysis.units);
    if (!analysis.accepted || !analysis.diagnostics.empty()) continue;
    Analysed result{file, {}};
    for (const CompilationUnit* unit = analysis.units; unit; unit = unit->next)
      result.units.push_back({unit->full_name, unit_kind_text(*unit)});
    accepted.push_back(std::move(result));
  }
  return accepted;
}

TEST(GnatRuntime, UnitsAgreeWithGnat) {
  if (!gnat_available())
    GTEST_SKIP() << "GNAT (gcc with gnat1) or its runtime sources in " << kRuntimeDir
                 << " are not installed";
  std::vector<fs::path> files = runtime_files();
  std::vector<CompilationUnit*> kept;
  std::vector<Analysed> accepted = analyse_runtime(files, kept);
  long peak_after_one_pass = peak_kilobytes();

  std::string work_dir = testing::TempDir() + "vl_gnat_" + std::to_string(getpid());
  fs::create_directories(work_dir);
  std::vector<GnatResult> gnat(accepted.size());
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i; (i = next++) < accepted.size();)
      gnat[i] = gnat_units(accepted[i].file, work_dir);
  };
  std::thread first(worker), second(worker);  // two gcc at a time
  first.join();
  second.join();
  fs::remove_all(work_dir);

  size_t agreeing = 0, gnat_failed = 0, recased = 0;
  std::string recased_examples;
  std::vector<std::string> disagreements;
  for (size_t i = 0; i < accepted.size(); ++i) {
    if (!gnat[i].ran) {
      ++gnat_failed;
      disagreements.push_back(accepted[i].file.filename().string() + ": GNAT reports an error:\n" +
                              gnat[i].output);
      continue;
    }
    std::vector<Unit> ours = accepted[i].units;
    if (ours == gnat[i].units) {
      ++agreeing;
      continue;
    }
    // Agreement but for letter case counts only where GNAT recased the name:
    // its spelling then occurs nowhere in the file, while each part of ours
    // (a subunit's name joins the parent's and its own) is spelled there.
    auto lower = [](std::vector<Unit> units) {
      for (Unit& unit : units)
        for (char& c : unit.name) c = static_cast<char>(std::tolower(c));
      return units;
    };
    if (lower(ours) == lower(gnat[i].units)) {
      std::string source = read_all(accepted[i].file);
      bool gnat_recased = true;
      for (size_t u = 0; u < ours.size(); ++u)
        if (ours[u].name != gnat[i].units[u].name &&
            (source.find(gnat[i].units[u].name) != std::string::npos ||
             !spelled_in(source, ours[u].name)))
          gnat_recased = false;
      if (gnat_recased) {
        ++agreeing;
        if (recased++ < 3)
          recased_examples +=
              "  ours " + describe(ours) + "; GNAT " + describe(gnat[i].units) + "\n";
        continue;
      }
    }
    disagreements.push_back(accepted[i].file.filename().string() + ": ours " + describe(ours) +
                            "; GNAT " + describe(gnat[i].units));
  }

  // Analysing the same files nine more times keeps only the records.
  for (int pass = 0; pass < 9; ++pass) analyse_runtime(files, kept);
  long peak_after_ten_passes = peak_kilobytes();
  for (CompilationUnit* units : kept) release_unit_list(units);

  std::printf(
      "GNAT runtime: %zu files, %zu accepted without warning, %zu "
      "agreeing with GNAT "
      "(%zu only after GNAT's recasing), %zu where GNAT failed\n",
      files.size(), accepted.size(), agreeing, recased, gnat_failed);
  std::printf("%s", recased_examples.c_str());
  std::printf("peak memory: %ld KiB after one pass, %ld KiB after ten passes\n",
              peak_after_one_pass, peak_after_ten_passes);
  for (const std::string& disagreement : disagreements) ADD_FAILURE() << disagreement;
}

}  // namespace
