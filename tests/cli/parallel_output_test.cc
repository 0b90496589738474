// A run on worker threads prints and writes exactly what a run on one thread
// does: standard output and standard error, their interleaving when both go
// to one file, the exit status and the link file, also when the run ends
// part way through.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace {

namespace fs = std::filesystem;

const char kRuntime[] = "/usr/lib/gcc/x86_64-linux-gnu/12/adainclude";

struct Outcome {
  CliResult apart;
  CliResult merged;
  std::string link_file;  // "<none>" when there is none
};

// One run with `jobs` threads ("" for the default), from a fresh copy of
// `previous` as the link file (none when empty), streams apart and then merged.
Outcome run_with(const std::string& jobs, const std::vector<std::string>& args,
                 const ScratchDir& scratch, const std::string& previous,
                 const std::map<std::string, std::string>& env = {}) {
  Outcome outcome;
  for (bool merged : {false, true}) {
    fs::remove(scratch / "links.txt");
    if (!previous.empty()) write_file(scratch / "links.txt", previous);
    CliCall call{args, env, {}, scratch.path()};
    if (jobs.empty())
      call.unset.push_back("VANTLINK_JOBS");
    else
      call.env["VANTLINK_JOBS"] = jobs;
    call.merge_streams = merged;
    call.unprivileged = true;
    (merged ? outcome.merged : outcome.apart) = run_vantlink(call);
  }
  outcome.link_file = fs::exists(scratch / "links.txt") ? read_file(scratch / "links.txt") : "<none>";
  return outcome;
}

void expect_same_as_one_thread(const std::vector<std::string>& args, const ScratchDir& scratch,
                               const std::string& previous = "",
                               const std::map<std::string, std::string>& env = {}) {
  Outcome one = run_with("1", args, scratch, previous, env);
  // The tool itself ran (not the runner failing to start it), and said something.
  ASSERT_TRUE(one.apart.status == 0 || one.apart.status == 2 || one.apart.status == 7 ||
              one.apart.status == 9)
      << one.apart.status << " " << one.apart.err;
  ASSERT_FALSE(one.merged.out.empty());
  for (const std::string& jobs : {std::string(), std::string("3"), std::string("16")}) {
    SCOPED_TRACE("VANTLINK_JOBS=" + jobs);
    Outcome many = run_with(jobs, args, scratch, previous, env);
    EXPECT_EQ(many.apart.status, one.apart.status);
    EXPECT_EQ(many.apart.out, one.apart.out);
    EXPECT_EQ(many.apart.err, one.apart.err);
    EXPECT_EQ(many.merged.status, one.merged.status);
    EXPECT_EQ(many.merged.out, one.merged.out);
    EXPECT_EQ(many.link_file, one.link_file);
  }
}

// `count` small units, every third one not Ada 95 and every seventh an
// operator at library level, so that diagnostics come from many files; every
// other one padded with a comment to a size the main thread does not analyse
// itself, so that files of both kinds interleave.
std::string padding() {
  std::string comment;
  while (comment.size() < 4096) comment += "--  padding, to make the file larger\n";
  return comment;
}

void write_units(const std::string& directory, int count) {
  make_directory(directory);
  for (int i = 0; i < count; ++i) {
    std::string name = "u" + std::to_string(i);
    std::string source = "package " + name + " is\n   X : Integer;\nend " + name + ";\n";
    if (i % 3 == 0) source = "package " + name + " is\n   procedure;\n";
    if (i % 7 == 0) source += "function \"+\" (A, B : T) return T;\n";
    if (i % 2 == 0) source += padding();
    write_file(directory + "/" + name + ".ads", source);
  }
}

bool runtime_installed() { return fs::is_directory(kRuntime); }

TEST(SameAsOneThread, GnatRuntimeWithWarnings) {
  if (!runtime_installed()) GTEST_SKIP() << kRuntime << " not installed";
  ScratchDir scratch;
  ::chmod(scratch.path().c_str(), 0777);
  expect_same_as_one_thread({"-f", "links.txt", kRuntime, "./", kRuntime}, scratch);
}

// Half the records reused, half analysed: the two kinds of entry interleave.
TEST(SameAsOneThread, GnatRuntimeHalfReused) {
  if (!runtime_installed()) GTEST_SKIP() << kRuntime << " not installed";
  ScratchDir scratch;
  ::chmod(scratch.path().c_str(), 0777);
  CliResult full = run_vantlink({{"-f", "links.txt", kRuntime}, {}, {}, scratch.path()});
  ASSERT_EQ(full.status, 0);
  std::string previous;
  std::string all = read_file(scratch / "links.txt");
  int record = 0;
  for (size_t at = 0; at < all.size();) {
    size_t end = all.find('\n', at) + 1;
    std::string line = all.substr(at, end - at);
    if (line.rfind("--file-info:", 0) == 0) ++record;
    if (record % 2 == 0) previous += line;
    at = end;
  }
  expect_same_as_one_thread({"links.txt", kRuntime}, scratch, previous);
}

// Every message the directory scan and the analysis print, from many
// directories, so that listing messages fall between analysed files.
TEST(SameAsOneThread, EveryMessageKind) {
  ScratchDir scratch;
  ::chmod(scratch.path().c_str(), 0777);
  for (const char* name : {"a", "b", "c"}) write_units(scratch / name, 120);
  fs::create_symlink("/nonexistent", scratch / "b/dangling.ads");
  write_file(scratch / "b/line\nend.ads", "package L is end L;\n");
  ::mkfifo((scratch / "b/pipe.ads").c_str(), 0644);
  write_file(scratch / "not_a_directory", "");
  write_units(scratch / "unlisted", 3);
  ::chmod((scratch / "unlisted").c_str(), 0333);  // enterable, not listable
  write_units(scratch / "closed", 3);
  ::chmod((scratch / "closed").c_str(), 0666);  // not enterable
  expect_same_as_one_thread({"-f", "links.txt", "a", "not_a_directory", "b", "./a", "unlisted",
                             "closed", "c", "missing", "closed"},
                            scratch);
  expect_same_as_one_thread({"-r", "links.txt", "c", "b", "a"}, scratch,
                            "--file-info:b/u1.ads:0\n\"b/u1.ads\" stale SPEC\n");
}

// A read error part way through ends the run with status 2 after what comes
// before the file, and nothing after it; the previous link file stays.
TEST(SameAsOneThread, ReadErrorPartWay) {
  ScratchDir scratch;
  ::chmod(scratch.path().c_str(), 0777);
  for (const char* name : {"a", "b", "c"}) write_units(scratch / name, 150);
  // Reading the process's own memory at offset 0 fails with EIO.
  fs::create_symlink("/proc/self/mem", scratch / "b/u75.adb");
  Outcome one = run_with("1", {"-f", "links.txt", "a", "b", "c"}, scratch, "old\n");
  ASSERT_EQ(one.apart.status, 2);
  ASSERT_NE(one.apart.err.find("input in flex scanner failed\n"), std::string::npos);
  EXPECT_EQ(one.link_file, "old\n");
  expect_same_as_one_thread({"-f", "links.txt", "a", "b", "c"}, scratch, "old\n");
}

// Memory running out for one file part way through (every allocation of one
// unusual size fails: the copy of one long unit name) ends the run with
// status 9 after what comes before that file, and nothing after it.
TEST(SameAsOneThread, AllocationFailurePartWay) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizer's allocator cannot sit behind a preloaded one";
#endif
  ScratchDir scratch;
  ::chmod(scratch.path().c_str(), 0777);
  for (const char* name : {"a", "b", "c"}) write_units(scratch / name, 150);
  std::string long_name = "L" + std::string(776, 'x');
  write_file(scratch / "b/long.ads",
             "package " + long_name + " is end " + long_name + ";\n" + padding());
  Outcome one = run_with("1", {"-f", "links.txt", "a", "b", "c"}, scratch, "old\n",
                         {{"LD_PRELOAD", ALLOC_SHIM_PATH}, {"ALLOC_SHIM_SIZE", "778"}});
  ASSERT_EQ(one.apart.status, 9) << one.apart.err;
  ASSERT_NE(one.apart.err.find("cannot allocate 778 bytes"), std::string::npos);
  EXPECT_EQ(one.link_file, "old\n");
  expect_same_as_one_thread({"-f", "links.txt", "a", "b", "c"}, scratch, "old\n",
                            {{"LD_PRELOAD", ALLOC_SHIM_PATH}, {"ALLOC_SHIM_SIZE", "778"}});
}

struct JobsCase {
  const char* name;
  const char* value;
};

class BadJobCount : public testing::TestWithParam<JobsCase> {};

TEST_P(BadJobCount, EndsBeforeAnyWork) {
  ScratchDir scratch;
  write_units(scratch / "src", 2);
  CliResult result = run_vantlink(
      {{"links.txt", "src"}, {{"VANTLINK_JOBS", GetParam().value}}, {}, scratch.path()});
  EXPECT_EQ(result.status, 7);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, std::string("Error : VANTLINK_JOBS must be a positive whole number, not \"") +
                            GetParam().value + "\".\n");
  EXPECT_FALSE(fs::exists(scratch / "links.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Values, BadJobCount,
    testing::Values(JobsCase{"Zero", "0"}, JobsCase{"Negative", "-2"}, JobsCase{"Word", "all"},
                    JobsCase{"TrailingText", "4x"}, JobsCase{"Blank", " 4"},
                    JobsCase{"Huge", "99999999999"}),
    [](const testing::TestParamInfo<JobsCase>& info) { return std::string(info.param.name); });

}  // namespace
