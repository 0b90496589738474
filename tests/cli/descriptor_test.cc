// Selected files stay open from the directory listing to their analysis, as
// far as the descriptor limit allows, and are opened again beyond it. Either
// way each file yields its own units and nothing else changes. A run started
// with standard descriptors closed writes its messages nowhere else.
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "cli_runner.h"

namespace {

// Runs with the soft descriptor limit at `limit` (0: as it is).
CliResult run_with_limit(rlim_t limit, const CliCall& call) {
  rlimit saved{};
  ::getrlimit(RLIMIT_NOFILE, &saved);
  rlimit lowered = saved;
  if (limit != 0) lowered.rlim_cur = limit;
  ::setrlimit(RLIMIT_NOFILE, &lowered);
  CliResult result = run_vantlink(call);
  ::setrlimit(RLIMIT_NOFILE, &saved);
  return result;
}

// Twelve directories d0..d11 of fifteen packages U<d>_<f> each, with
// `padding` comment bytes (from 2 KiB on, the workers analyse them); their
// names are appended to `args`. Enough directories that descriptors not
// given back would run out.
void write_unit_tree(const ScratchDir& scratch, size_t padding, std::vector<std::string>& args) {
  for (int d = 0; d < 12; ++d) {
    std::string directory = "d" + std::to_string(d);
    make_directory(scratch / directory);
    for (int f = 0; f < 15; ++f) {
      std::string unit = "U" + std::to_string(d) + "_" + std::to_string(f);
      write_file(scratch / (directory + "/u" + std::to_string(f) + ".ads"),
                 "package " + unit + " is\n" + std::string(padding, '-') + "\nend " + unit + ";\n");
    }
    args.push_back(directory);
  }
}

TEST(KeptDescriptors, SameResultAtAnyLimit) {
  ScratchDir scratch;
  std::vector<std::string> args = {"links.txt"};
  write_unit_tree(scratch, 0, args);
  for (int d = 0; d < 12; ++d)
    write_file(scratch / ("d" + std::to_string(d) + "/broken.adb"), "package body is\n");
  // Older than any link file a run writes, so that every record is trusted
  // whatever second the runs fall in.
  for (const auto& item : std::filesystem::recursive_directory_iterator(scratch.path())) {
    if (item.is_regular_file()) set_file_time(item.path(), 1000000000);
  }
  std::vector<std::string> full = {"-f"};
  full.insert(full.end(), args.begin(), args.end());

  CliResult expected = run_with_limit(0, {full, {}, {}, scratch.path()});
  ASSERT_EQ(expected.status, 0) << expected.err;
  std::string expected_links = read_file(scratch / "links.txt");
  ASSERT_NE(expected_links.find("U11_14 SPEC"), std::string::npos);
  CliResult expected_again = run_with_limit(0, {args, {}, {}, scratch.path()});

  for (rlim_t limit : {80, 100, 128, 200}) {
    std::string label = "limit " + std::to_string(limit);
    CliResult analysed = run_with_limit(limit, {full, {}, {}, scratch.path()});
    EXPECT_EQ(analysed.status, expected.status) << label;
    EXPECT_EQ(analysed.out, expected.out) << label;
    EXPECT_EQ(analysed.err, expected.err) << label;
    EXPECT_EQ(read_file(scratch / "links.txt"), expected_links) << label;

    CliResult reused = run_with_limit(limit, {args, {}, {}, scratch.path()});
    EXPECT_EQ(reused.status, expected_again.status) << label;
    EXPECT_EQ(reused.out, expected_again.out) << label;
    EXPECT_EQ(reused.err, expected_again.err) << label;
    EXPECT_EQ(read_file(scratch / "links.txt"), expected_links) << label;
  }
}

// ---- descriptors or memory short ----

// The tree with files the workers analyse, and its link file as one thread
// writes it.
class ShortOfDescriptors : public testing::Test {
 protected:
  void SetUp() override {
    args_ = {"-s", "links.txt"};
    write_unit_tree(scratch_, 4000, args_);
    CliResult one = run({{"VANTLINK_JOBS", "1"}});
    ASSERT_EQ(one.status, 0) << one.err;
    one_thread_ = read_file(link_path());
  }

  CliResult run(std::map<std::string, std::string> env, rlim_t descriptors = 0,
                std::vector<std::string> options = {"-f"}) {
    CliCall call{args_, std::move(env), {}, scratch_.path()};
    call.args.insert(call.args.begin(), options.begin(), options.end());
    if (descriptors != 0) call.limits = {{RLIMIT_NOFILE, descriptors}};
    return run_vantlink(call);
  }

  std::string link_path() const { return scratch_ / "links.txt"; }

  ScratchDir scratch_;
  std::vector<std::string> args_;
  std::string one_thread_;
};

// However few descriptors the hard limit leaves, sixteen threads write what
// one does; with too few for the run itself, it ends with an error and the
// old link file as it was, never with files recorded as unreadable.
TEST_F(ShortOfDescriptors, SameAsOneThreadOrAnError) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // A sanitizer's runtime opens files of its own on the way (its first
  // dynamic type check reads /proc/self): with fewer descriptors it fails
  // before the program does.
  constexpr rlim_t kFewest = 10;
#else
  constexpr rlim_t kFewest = 4;
#endif
  for (rlim_t limit : {4, 6, 10, 16, 32}) {
    if (limit < kFewest) continue;
    SCOPED_TRACE("descriptors " + std::to_string(limit));
    write_file(link_path(), one_thread_);
    CliResult result = run({{"VANTLINK_JOBS", "16"}}, limit);
    if (result.status == 0) {
      EXPECT_EQ(result.err, "");
      EXPECT_EQ(read_file(link_path()), one_thread_);
    } else {
      EXPECT_EQ(result.status, 7);
      EXPECT_TRUE(result.err.starts_with("Error : too many files open to read \"")) << result.err;
      EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
      EXPECT_EQ(read_file(link_path()), one_thread_);
    }
    // Enough for the run from a handful on.
    if (limit >= 10) EXPECT_EQ(result.status, 0) << result.err;
  }
}

// A lack of descriptors or memory met by any open on the way (a probe, the
// analysis's own open, a listing) ends the run; the old link file stays.
struct Shortage {
  const char* name;
  std::map<std::string, std::string> shim_settings;
  std::vector<std::string> options;  // before the link file; "-f" or nothing
  int status;
  std::string err;
};

TEST_F(ShortOfDescriptors, ShortageEndsTheRun) {
  const std::string kShortOfFiles = "Error : too many files open to read \"";
  const Shortage shortages[] = {
      {"ProbeEmfile", {{"FAIL_SHIM_OPEN_NAME", "u7.ads"}}, {"-f"}, 7, kShortOfFiles + "u7.ads"},
      {"ProbeEnfile", {{"FAIL_SHIM_OPEN_NAME", "u7.ads"}, {"FAIL_SHIM_OPEN_ERRNO", "23"}},
       {"-f"}, 7, kShortOfFiles + "u7.ads"},
      {"ProbeEnomem", {{"FAIL_SHIM_OPEN_NAME", "u7.ads"}, {"FAIL_SHIM_OPEN_ERRNO", "12"}},
       {"-f"}, 9, "\nFatal Error: cannot allocate 0 bytes"},
      // With a previous link file the analysis opens each file itself.
      {"AnalysisEmfile", {{"FAIL_SHIM_OPENAT_NAME", "u7.ads"}}, {}, 7, kShortOfFiles + "u7.ads"},
      {"AnalysisEnomem", {{"FAIL_SHIM_OPENAT_NAME", "u7.ads"}, {"FAIL_SHIM_OPEN_ERRNO", "12"}},
       {}, 9, "\nFatal Error: cannot allocate 0 bytes"},
      {"ListingEmfile", {{"FAIL_SHIM_OPEN_NAME", "/d3"}}, {"-f"}, 7, kShortOfFiles + "d3"},
  };
  // Of other files: no record is reused, but the run expects to reuse
  // them, so it keeps no descriptor from the listing.
  const std::string previous = "--file-info:none.ads:1\n";
  for (const Shortage& c : shortages) {
    SCOPED_TRACE(c.name);
    write_file(link_path(), previous);
    CliResult result = run(preloading(FAIL_SHIM_PATH, c.shim_settings), 0, c.options);
    EXPECT_EQ(result.status, c.status);
    EXPECT_TRUE(result.err.starts_with(c.err)) << result.err;
    EXPECT_EQ(read_file(link_path()), previous);
  }
}

// ---- standard descriptors closed at start ----

struct StreamRun {
  CliResult result;
  std::string link_file;
  std::set<std::string> places;  // where stdout and stderr led when written
};

// vantlink links.txt src (progress lines, a warning, a file reused) started
// without the descriptors `closed`, from the same previous link file each
// time.
StreamRun run_with_closed(const ScratchDir& scratch, const std::string& previous,
                          std::vector<int> closed) {
  write_file(scratch / "links.txt", previous);
  set_file_time(scratch / "links.txt", 1600000000);
  std::string report = scratch / "stream-report";
  std::map<std::string, std::string> env = {{"LD_PRELOAD", STREAM_SHIM_PATH},
                                            {"STREAM_SHIM_REPORT", report}};
  const char* asan = std::getenv("ASAN_OPTIONS");
  env["ASAN_OPTIONS"] = std::string(asan ? asan : "") + ":verify_asan_link_order=0";
  CliCall call{{"-r", "links.txt", "src"}, env, {}, scratch.path()};
  call.closed = std::move(closed);
  StreamRun run{run_vantlink(call), read_file(scratch / "links.txt"), {}};
  std::istringstream lines(read_file(report));
  for (std::string line; std::getline(lines, line);) run.places.insert(line);
  return run;
}

TEST(ClosedStandardDescriptors, MessagesGoNowhereElse) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  for (int i = 0; i < 5; ++i)
    write_file(scratch / ("src/p" + std::to_string(i) + ".ads"),
               "package P" + std::to_string(i) + " is end P" + std::to_string(i) + ";\n");
  write_file(scratch / "src/w.adb", "this is not Ada at all ;;\n");
  set_file_time(scratch / "src/p0.ads", 1500000000);
  // p0.ads is reused; the others are analysed.
  const std::string previous = "--file-info:src/p0.ads:1500000000\n\"src/p0.ads\" P0 SPEC\n";
  StreamRun normal = run_with_closed(scratch, previous, {});
  ASSERT_EQ(normal.result.status, 0) << normal.result.err;
  ASSERT_NE(normal.result.out, "");
  ASSERT_NE(normal.result.err, "");
  ASSERT_EQ(normal.places, std::set<std::string>{"pipe"});

  const std::vector<std::vector<int>> cases = {{0}, {1}, {2}, {0, 1}, {1, 2}, {0, 1, 2}};
  for (const std::vector<int>& closed : cases) {
    std::string label = "closed:";
    for (int fd : closed) label += " " + std::to_string(fd);
    SCOPED_TRACE(label);
    StreamRun run = run_with_closed(scratch, previous, closed);
    auto is_closed = [&closed](int fd) {
      return std::find(closed.begin(), closed.end(), fd) != closed.end();
    };
    EXPECT_EQ(run.result.status, 0) << run.result.err;
    EXPECT_EQ(run.link_file, normal.link_file);
    EXPECT_EQ(run.result.out, is_closed(1) ? "" : normal.result.out);
    EXPECT_EQ(run.result.err, is_closed(2) ? "" : normal.result.err);
    // The pipes the test gave, or /dev/null: never a file, directory or
    // descriptor the run opened for itself.
    for (const std::string& place : run.places)
      EXPECT_TRUE(place == "pipe" || place == "/dev/null") << place;
  }
}

}  // namespace
