// Memory running out at any allocation of a run: the run either finishes
// exactly as a normal one, or ends with the "cannot allocate" message and
// status 9 (the scanner's own buffers: its fatal message and status 2),
// leaving the previous link file byte for byte and no temporary file. A preloaded shim (alloc_shim.c) fails the N-th allocation after main
// has started, alone or with every later one.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "cli_runner.h"

namespace fs = std::filesystem;

namespace {

constexpr time_t kLinkFileTime = 1600000000;  // after every source below
constexpr int kTimeoutSeconds = 10;

struct Counts {
  int runs = 0;
  int successes = 0;
  int clean_failures = 0;
  int unclear_failures = 0;  // non-zero status without the allocation message
  int crashes = 0;
  int hangs = 0;
  int silent_differences = 0;
  int lost_files = 0;  // previous link file changed, or a temporary file left
};

// An incremental run as users make it: directories from a list file, files
// reused, one analysed again because its time changed, one with a warning.
class AllocationFailure : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new ScratchDir;
    const ScratchDir& s = *scratch_;
    make_directory(s / "src");
    make_directory(s / "lib");
    write_file(s / "src/a.ads", "package A is\n   procedure Run;\nend A;\n");
    write_file(s / "src/b.adb", "with A;\npackage body B is\nend B;\n");
    write_file(s / "src/w.adb", "this is not Ada at all ;;\n");
    write_file(s / "lib/c.ads", "package C.D is end C.D;\n");
    write_file(s / "dirs.txt", "src\nlib\n");
    set_file_time(s / "src/a.ads", 1500000001);
    set_file_time(s / "src/b.adb", 1500000002);
    set_file_time(s / "src/w.adb", 1500000003);
    set_file_time(s / "lib/c.ads", 1500000004);
    CliResult first = run_vantlink({{"-r", "links.txt", "@dirs.txt"}, {}, {}, s.path()});
    ASSERT_EQ(first.status, 0) << first.err;
    old_ = read_file(link_path());
    // Analysed again: one file without fault, one with a warning.
    set_file_time(s / "src/b.adb", 1500000005);
    set_file_time(s / "src/w.adb", 1500000006);
  }

  static void TearDownTestSuite() {
    delete scratch_;
    scratch_ = nullptr;
  }

  static std::string link_path() { return *scratch_ / "links.txt"; }

  static void restore_link_file() {
    write_file(link_path(), old_);
    set_file_time(link_path(), kLinkFileTime);
  }

  static CliResult run(std::map<std::string, std::string> settings) {
    restore_link_file();
    settings["LD_PRELOAD"] = ALLOC_SHIM_PATH;
    CliCall call{{"-r", "links.txt", "@dirs.txt"}, settings, {}, scratch_->path()};
    call.timeout_seconds = kTimeoutSeconds;
    return run_vantlink(call);
  }

  static bool temporary_left() {
    for (const auto& entry : fs::directory_iterator(scratch_->path()))
      if (entry.path().filename().string().starts_with(".vantlink.")) {
        fs::remove(entry.path());
        return true;
      }
    return false;
  }

  static ScratchDir* scratch_;
  static std::string old_;
};

ScratchDir* AllocationFailure::scratch_ = nullptr;
std::string AllocationFailure::old_;

struct LocaleCase {
  const char* name;
  std::map<std::string, std::string> env;
  std::string fatal;  // the allocation message as a pattern
};

void PrintTo(const LocaleCase& c, std::ostream* out) { *out << c.name; }

const std::string kEnglishFatal = R"(\nFatal Error: cannot allocate [0-9]+ bytes\n)";

class EveryAllocation : public AllocationFailure, public testing::WithParamInterface<LocaleCase> {};

TEST_P(EveryAllocation, FailingAloneOrWithTheRest) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator cannot sit behind a preloaded one";
#endif
  const std::map<std::string, std::string>& env = GetParam().env;
  std::string report_path = *scratch_ / "alloc-report";
  std::map<std::string, std::string> counting = env;
  counting["ALLOC_SHIM_REPORT"] = report_path;
  CliResult normal = run(counting);
  ASSERT_EQ(normal.status, 0) << normal.err;
  ASSERT_NE(normal.err, "");  // the warning
  const std::string fresh = read_file(link_path());
  ASSERT_NE(fresh, old_);
  long allocations = std::stol(read_file(report_path));
  fs::remove(report_path);
  ASSERT_GT(allocations, 50);

  const std::regex fatal("(.|\n)*" + GetParam().fatal);
  const std::regex scanner_fatal(
      R"((.|\n)*out of dynamic memory in ac_yy(_create_buffer|ensure_buffer_stack)\(\)\n)");
  Counts counts;
  for (const char* later : {"0", "1"}) {
    for (long at = 1; at <= allocations; ++at) {
      SCOPED_TRACE(std::string(later[0] == '1' ? "allocations from " : "allocation ") +
                   std::to_string(at));
      std::map<std::string, std::string> failing = env;
      failing["ALLOC_SHIM_AT"] = std::to_string(at);
      failing["ALLOC_SHIM_LATER"] = later;
      auto start = std::chrono::steady_clock::now();
      CliResult result = run(failing);
      bool timed_out = std::chrono::steady_clock::now() - start >=
                       std::chrono::seconds(kTimeoutSeconds);
      std::string link = read_file(link_path());
      ++counts.runs;
      if (timed_out) {
        ++counts.hangs;
        ADD_FAILURE() << "hang";
      } else if (result.status >= 128) {
        ++counts.crashes;
        ADD_FAILURE() << "signal " << result.status - 128 << ": " << result.err;
      } else if (result.status == 0) {
        if (result.out == normal.out && result.err == normal.err && link == fresh) {
          ++counts.successes;
        } else {
          ++counts.silent_differences;
          ADD_FAILURE() << "status 0 and different output:\n" << result.out << result.err;
        }
      } else if ((result.status == 9 && std::regex_match(result.err, fatal)) ||
                 (result.status == 2 && std::regex_match(result.err, scanner_fatal))) {
        ++counts.clean_failures;
      } else {
        ++counts.unclear_failures;
        ADD_FAILURE() << "status " << result.status << ": " << result.err;
      }
      if (temporary_left() || (result.status != 0 && link != old_)) {
        ++counts.lost_files;
        ADD_FAILURE() << "status " << result.status
                      << ": previous link file not kept, or a temporary file left\n" << result.err;
      }
    }
  }
  std::printf(
      "%s: %ld allocations after main, %d runs: %d successes, %d clean failures, %d unclear "
      "failures, %d crashes, %d hangs, %d silent differences, %d lost files\n",
      GetParam().name, allocations, counts.runs, counts.successes, counts.clean_failures,
      counts.unclear_failures, counts.crashes, counts.hangs, counts.silent_differences,
      counts.lost_files);
}

// The French catalogues add the toolkit's translation to what can fail.
INSTANTIATE_TEST_SUITE_P(Locales, EveryAllocation,
                         testing::Values(LocaleCase{"C", {}, kEnglishFatal},
                                         // Untranslated until the catalogue is in.
                                         LocaleCase{"French", {{"LC_ALL", "fr_FR.UTF-8"}},
                                                    "(" + kEnglishFatal +
                                                        R"(|\nErreur fatale : impossible )"
                                                        R"(d'allouer [0-9]+ octets\n))"}),
                         [](const testing::TestParamInfo<LocaleCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
