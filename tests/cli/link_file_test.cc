// The link file across runs: what is written, what a later run reuses
// instead of analysing again, and that a failed run never damages it.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <optional>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "cli_runner.h"

namespace fs = std::filesystem;

namespace {

// A scratch tree with src/ holding a.ads, b.adb and an empty-of-units n.ads,
// all at known times, and a runner for `vantlink [options] links.txt src`
// with -r from the scratch directory.
class Incremental : public testing::Test {
 protected:
  void SetUp() override {
    make_directory(scratch_ / "src");
    write_file(src("a.ads"), package("A"));
    write_file(src("b.adb"), "package body B is end B;\n");
    write_file(src("n.ads"), "-- no unit here\n");
    set_file_time(src("a.ads"), 1500000001);
    set_file_time(src("b.adb"), 1500000002);
    set_file_time(src("n.ads"), 1500000003);
  }

  std::string src(const std::string& name) const { return scratch_ / ("src/" + name); }
  std::string link_path() const { return scratch_ / "links.txt"; }
  std::string link_file() const { return read_file(link_path()); }

  CliResult run(std::vector<std::string> options = {}) {
    options.insert(options.begin(), "-r");
    options.insert(options.end(), {"links.txt", "src"});
    CliResult result = run_vantlink({options, {}, {}, scratch_.path()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    return result;
  }

  static constexpr const char* kFirst =
      "--file-info:src/a.ads:1500000001\n\"src/a.ads\" A SPEC\n"
      "--file-info:src/n.ads:1500000003\n"
      "--file-info:src/b.adb:1500000002\n\"src/b.adb\" B BODY\n";

  ScratchDir scratch_;
};

TEST_F(Incremental, FirstRunAnalysesEverything) {
  run();
  EXPECT_EQ(link_file(), kFirst);
}

TEST_F(Incremental, UnchangedFilesAreNotReadAgain) {
  run();
  rewrite_keeping_time(src("a.ads"), package("Changed"));
  rewrite_keeping_time(src("n.ads"), package("Now_A_Unit"));
  run();
  EXPECT_EQ(link_file(), kFirst);
}

TEST_F(Incremental, TouchedFileAloneIsAnalysed) {
  run();
  rewrite_keeping_time(src("a.ads"), package("A2"));
  rewrite_keeping_time(src("b.adb"), "package body B2 is end B2;\n");
  set_file_time(src("a.ads"), 1600000000);
  run();
  EXPECT_EQ(link_file(),
            "--file-info:src/a.ads:1600000000\n\"src/a.ads\" A2 SPEC\n"
            "--file-info:src/n.ads:1500000003\n"
            "--file-info:src/b.adb:1500000002\n\"src/b.adb\" B BODY\n");
}

TEST_F(Incremental, ForceAnalysesEverything) {
  run();
  rewrite_keeping_time(src("a.ads"), package("A2"));
  run({"-f"});
  EXPECT_EQ(link_file(),
            "--file-info:src/a.ads:1500000001\n\"src/a.ads\" A2 SPEC\n"
            "--file-info:src/n.ads:1500000003\n"
            "--file-info:src/b.adb:1500000002\n\"src/b.adb\" B BODY\n");
}

TEST_F(Incremental, VanishedFileDropped) {
  run();
  fs::remove(src("a.ads"));
  run();
  EXPECT_EQ(link_file(),
            "--file-info:src/n.ads:1500000003\n"
            "--file-info:src/b.adb:1500000002\n\"src/b.adb\" B BODY\n");
}

// Switching between absolute and relative texts changes every key.
TEST_F(Incremental, OtherDirectoryTextMeansNewKeys) {
  run();
  rewrite_keeping_time(src("a.ads"), package("A2"));
  CliResult result = run_vantlink({{"-s", "links.txt", "src"}, {}, {}, scratch_.path()});
  EXPECT_EQ(result.status, 0);
  std::string path = scratch_.path() + "/src/a.ads";
  EXPECT_TRUE(link_file().starts_with("--file-info:" + path + ":1500000001\n\"" + path +
                                      "\" A2 SPEC\n"))
      << link_file();
}

TEST_F(Incremental, StartDirectoryItselfWithRelativePaths) {
  write_file(scratch_ / "top.ads", package("Top"));
  set_file_time(scratch_ / "top.ads", 1500000004);
  for (int round = 0; round < 2; ++round) {
    CliResult result = run_vantlink({{"-s", "-r", "links.txt", "."}, {}, {}, scratch_.path()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(link_file(), "--file-info:top.ads:1500000004\n\"./top.ads\" Top SPEC\n");
    rewrite_keeping_time(scratch_ / "top.ads", package("Other"));  // reused next round
  }
}

// A time past 2038 is written as its low 32 bits, signed, and still matches
// (once the link file itself is dated later, by a run that began later).
TEST_F(Incremental, TimeBeyond2038) {
  set_file_time(src("a.ads"), 2208988800);  // 2040-01-01
  run();
  const std::string expected =
      "--file-info:src/a.ads:-2085978496\n\"src/a.ads\" A SPEC\n"
      "--file-info:src/n.ads:1500000003\n"
      "--file-info:src/b.adb:1500000002\n\"src/b.adb\" B BODY\n";
  EXPECT_EQ(link_file(), expected);
  rewrite_keeping_time(src("a.ads"), package("A2"));
  set_file_time(link_path(), 2208988801);
  // No run reuses a file dated in a second it may still be reading.
  CliResult result =
      run_vantlink({{"-r", "links.txt", "src"},
                    preloading(FAIL_SHIM_PATH, {{"FAIL_SHIM_TIME", "2208988802"}}), {},
                    scratch_.path()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(link_file(), expected);
}

// ---- an edit in the same second as the run that recorded the file ----

struct RacyCase {
  const char* name;
  int file_after_link_file;  // seconds; negative: older than the link file
  bool reused;
};

void PrintTo(const RacyCase& c, std::ostream* out) { *out << c.name; }

class RacyReuse : public Incremental, public testing::WithParamInterface<RacyCase> {};

// The edit keeps the file's time, as a second edit within the same second
// does; only the link file's own time tells whether it may have come after.
TEST_P(RacyReuse, OnlyFilesOlderThanTheLinkFileAreTrusted) {
  constexpr time_t kLinkFileTime = 1600000000;
  set_file_time(src("a.ads"), kLinkFileTime + GetParam().file_after_link_file);
  run({"-s"});
  rewrite_keeping_time(src("a.ads"), package("New_Name"));
  set_file_time(link_path(), kLinkFileTime);
  run({"-s"});
  const std::string unit = GetParam().reused ? "A" : "New_Name";
  EXPECT_NE(link_file().find("\"src/a.ads\" " + unit + " SPEC\n"), std::string::npos)
      << link_file();
  // The others, older, are reused as before.
  EXPECT_NE(link_file().find("--file-info:src/b.adb:1500000002\n\"src/b.adb\" B BODY\n"),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Incremental, RacyReuse,
                         testing::Values(RacyCase{"SameSecond", 0, false},
                                         RacyCase{"SecondBefore", -1, true},
                                         RacyCase{"SecondAfter", 1, false},
                                         RacyCase{"FarFuture", 400000000, false}),
                         [](const testing::TestParamInfo<RacyCase>& info) {
                           return std::string(info.param.name);
                         });

// A file saved again within the second a run read it, by a run that ends
// seconds later, is analysed again by the next run: the link file tells when
// its run began reading, not when it ended. The preloaded shim holds the run
// at its first write of the link file.
TEST_F(Incremental, EditInTheSecondTheFileWasRead) {
  // The run below begins reading in this second or the next two (however
  // loaded the machine), reads a.ads dated in the last of them, and ends
  // three seconds later.
  const time_t read_second = std::time(nullptr) + 2;
  set_file_time(src("a.ads"), read_second);
  CliResult held = run_vantlink(
      {{"-s", "-r", "links.txt", "src"},
       preloading(FAIL_SHIM_PATH, {{"FAIL_SHIM_AT", "1"},
                                   {"FAIL_SHIM_ACTION", "sleep"},
                                   {"FAIL_SHIM_SLEEP_MS", "3000"}}),
       {},
       scratch_.path()});
  ASSERT_EQ(held.status, 0) << held.err;
  rewrite_keeping_time(src("a.ads"), package("New_Name"));
  for (int later_run = 0; later_run < 2; ++later_run) {
    run({"-s"});
    EXPECT_NE(link_file().find("\"src/a.ads\" New_Name SPEC\n"), std::string::npos)
        << "run " << later_run << ":\n" << link_file();
  }
}

// A file dated in the future is analysed on every run, and the link file is
// still what a full analysis writes.
TEST_F(Incremental, FutureFileAnalysedOnEveryRun) {
  set_file_time(src("a.ads"), 4000000000);  // 2096
  for (const char* name : {"Future_1", "Future_2", "Future_3"}) {
    rewrite_keeping_time(src("a.ads"), package(name));
    run({"-s"});
    std::string incremental = link_file();
    EXPECT_NE(incremental.find(std::string(" ") + name + " SPEC\n"), std::string::npos) << name;
    CliResult full = run_vantlink({{"-s", "-r", "-f", "full.txt", "src"}, {}, {}, scratch_.path()});
    EXPECT_EQ(full.status, 0);
    EXPECT_EQ(incremental, read_file(scratch_ / "full.txt")) << name;
  }
}

// Nothing changed in a real tree: every file is reused. A line added under
// every record shows it, since only a reused record keeps its lines.
TEST(NoChange, GnatRuntimeAnalysesNothing) {
  const std::string runtime = "/usr/lib/gcc/x86_64-linux-gnu/12/adainclude";
  if (!fs::is_directory(runtime)) GTEST_SKIP() << "no GNAT runtime sources";
  ScratchDir scratch;
  CliResult first = run_vantlink({{"-s", "links.txt", runtime}, {}, {}, scratch.path()});
  ASSERT_EQ(first.status, 0) << first.err;
  std::string marked;
  size_t records = 0;
  std::istringstream lines(read_file(scratch / "links.txt"));
  for (std::string line; std::getline(lines, line);) {
    marked += line + "\n";
    if (line.starts_with("--file-info:")) {
      marked += "-- reused\n";
      ++records;
    }
  }
  ASSERT_GT(records, 1000u);
  write_file(scratch / "links.txt", marked);
  CliResult again = run_vantlink({{"-s", "links.txt", runtime}, {}, {}, scratch.path()});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(read_file(scratch / "links.txt"), marked);
}

TEST_F(Incremental, LongDirectoryNamesAndLines) {
  std::string deep = "src";
  for (int i = 0; i < 12; ++i) deep += "/" + std::string(200, 'a' + i);
  make_directory(scratch_ / deep);
  std::string unit_name = "U" + std::string(3000, 'x');
  write_file(scratch_ / (deep + "/u.ads"), package(unit_name));
  set_file_time(scratch_ / (deep + "/u.ads"), 1500000005);
  const std::string expected = "--file-info:" + deep + "/u.ads:1500000005\n\"" + deep + "/u.ads\" " +
                               unit_name + " SPEC\n";
  for (int round = 0; round < 2; ++round) {
    CliResult result = run_vantlink({{"-s", "-r", "links.txt", deep}, {}, {}, scratch_.path()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(link_file(), expected);
    rewrite_keeping_time(scratch_ / (deep + "/u.ads"), package("Short"));
  }
}

// ---- a previous link file edited by hand ----

struct HandEditCase {
  const char* name;
  std::string previous;  // $ stands for the modification time of src/a.ads
  std::string expected;
};

class HandEdited : public testing::TestWithParam<HandEditCase> {};

TEST_P(HandEdited, ReadBackAsWritten) {
  const HandEditCase& c = GetParam();
  ScratchDir scratch;
  make_directory(scratch / "src");
  write_file(scratch / "src/a.ads", package("Fresh"));
  set_file_time(scratch / "src/a.ads", 1500000001);
  std::string previous = c.previous;
  for (size_t at; (at = previous.find('$')) != std::string::npos;) previous.replace(at, 1, "1500000001");
  write_file(scratch / "links.txt", previous);
  CliResult result = run_vantlink({{"-s", "-r", "links.txt", "src"}, {}, {}, scratch.path()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(read_file(scratch / "links.txt"), c.expected);
}

const std::string kFresh = "--file-info:src/a.ads:1500000001\n\"src/a.ads\" Fresh SPEC\n";
const std::string kLong = "\"src/a.ads\" " + std::string(4000, 'L') + " SPEC\n";

INSTANTIATE_TEST_SUITE_P(
    Previous, HandEdited,
    testing::Values(
        HandEditCase{"LinesBeforeFirstRecordDropped",
                     "header\n\"src/a.ads\" Stray SPEC\n--file-info:src/a.ads:$\n\"src/a.ads\" Old SPEC\n",
                     "--file-info:src/a.ads:1500000001\n\"src/a.ads\" Old SPEC\n"},
        HandEditCase{"AddedUnitLineCopied",
                     "--file-info:src/a.ads:$\n\"src/a.ads\" Old SPEC\nany added line\n",
                     "--file-info:src/a.ads:1500000001\n\"src/a.ads\" Old SPEC\nany added line\n"},
        HandEditCase{"RepeatedKeyMatchedAtFirstOnly",
                     "--file-info:src/a.ads:7\n\"src/a.ads\" First SPEC\n"
                     "--file-info:src/a.ads:$\n\"src/a.ads\" Second SPEC\n",
                     kFresh},
        HandEditCase{"RepeatedKeyFirstMatches",
                     "--file-info:src/a.ads:$\n\"src/a.ads\" First SPEC\n"
                     "--file-info:src/a.ads:7\n\"src/a.ads\" Second SPEC\n",
                     "--file-info:src/a.ads:1500000001\n\"src/a.ads\" First SPEC\n"},
        HandEditCase{"BlankBeforeTime", "--file-info:src/a.ads $\n\"src/a.ads\" Old SPEC\n",
                     "--file-info:src/a.ads:1500000001\n\"src/a.ads\" Old SPEC\n"},
        HandEditCase{"OtherTime", "--file-info:src/a.ads:1500000000\n\"src/a.ads\" Old SPEC\n", kFresh},
        HandEditCase{"LongLineKeptWhole", "--file-info:src/a.ads:$\n" + kLong,
                     "--file-info:src/a.ads:1500000001\n" + kLong},
        // Cut short: the record may have lost lines, so the file is read again.
        HandEditCase{"LastLineWithoutLineEnd", "--file-info:src/a.ads:$\n\"src/a.ads\" Old SPEC",
                     kFresh},
        // Not a record: the lines below it belong to no file.
        HandEditCase{"InfoLineWithoutKey",
                     "--file-info:src/a.ads:$\n\"src/a.ads\" Old SPEC\n--file-info:$\nstray\n",
                     "--file-info:src/a.ads:1500000001\n\"src/a.ads\" Old SPEC\n"},
        HandEditCase{"Garbage", std::string("\0\xff\n--file-info\n", 16), kFresh}),
    [](const testing::TestParamInfo<HandEditCase>& info) { return info.param.name; });

// A record line without digits reads as time 0, which matches a file dated 0.
TEST(HandEditedTime, NoDigitsReadsAsZero) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  write_file(scratch / "src/a.ads", package("Fresh"));
  set_file_time(scratch / "src/a.ads", 0);
  write_file(scratch / "links.txt", "--file-info:src/a.ads:\n\"src/a.ads\" Old SPEC\n");
  CliResult result = run_vantlink({{"-s", "-r", "links.txt", "src"}, {}, {}, scratch.path()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(read_file(scratch / "links.txt"), "--file-info:src/a.ads:0\n\"src/a.ads\" Old SPEC\n");
}

// ---- the link file is replaced whole or not at all ----

std::vector<std::string> directory_listing(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(path)) names.push_back(item.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Replacement, WriteFailureKeepsOldFile) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  for (int i = 0; i < 50; ++i) write_file(scratch / ("src/f" + std::to_string(i) + ".ads"), package("F"));
  const std::string old_text = "--file-info:old.ads:1\n\"old.ads\" Old SPEC\n";
  write_file(scratch / "links.txt", old_text);

  // The child inherits the limit; vantlink must turn the failed write into
  // its error, whatever the signal's disposition.
  rlimit old_limit;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  rlimit small = old_limit;
  small.rlim_cur = 512;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  CliResult result = run_vantlink({{"-r", "links.txt", "src"}, {}, {}, scratch.path()});
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &old_limit), 0);

  EXPECT_EQ(result.status, 7);
  EXPECT_EQ(result.err, "Error : Can't write link file \"links.txt\".\n");
  EXPECT_EQ(result.out, "Checking directory \"src\" ...\n");
  EXPECT_EQ(read_file(scratch / "links.txt"), old_text);
  EXPECT_EQ(directory_listing(scratch.path()), (std::vector<std::string>{"links.txt", "src"}));
}

TEST(Replacement, CannotCreateInDirectory) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  CliResult result = run_vantlink({{"-s", "missing/links.txt", "src"}, {}, {}, scratch.path()});
  EXPECT_EQ(result.status, 7);
  EXPECT_EQ(result.err, "Error : Can't open link file \"missing/links.txt\" for writting.\n");
}

// Who may write the link file: the same as when it was written in place.
struct PermissionCase {
  const char* name;
  std::string link_name;      // relative to the scratch directory
  mode_t link_mode;           // 0: no link file yet
  mode_t directory_mode;      // of the directory that holds it
  rlim_t file_size_limit;     // 0: none
  int status;
  std::string err;            // $ stands for the link-file name
  bool replaced;              // the link file holds the new content
  bool same_file;             // ... in the same file (rewritten in place)
};

void PrintTo(const PermissionCase& c, std::ostream* out) { *out << c.name; }

class LinkFilePermissions : public testing::TestWithParam<PermissionCase> {};

TEST_P(LinkFilePermissions, AsTheUserMayWrite) {
  const PermissionCase& c = GetParam();
  ScratchDir scratch;
  make_directory(scratch / "src");
  make_directory(scratch / "out");
  write_file(scratch / "src/a.ads", package("A"));
  set_file_time(scratch / "src/a.ads", 1500000001);
  const std::string old_text = "--file-info:old.ads:1\n\"old.ads\" Old SPEC\n";
  const std::string path = scratch / c.link_name;
  if (c.link_mode != 0) {
    write_file(path, old_text);
    ::chmod(path.c_str(), c.link_mode);
  }
  ::chmod((scratch / "out").c_str(), c.directory_mode);
  struct stat before {};
  ::stat(path.c_str(), &before);

  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  rlimit limit = saved;
  if (c.file_size_limit != 0) limit.rlim_cur = c.file_size_limit;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::optional<CliResult> run =
      run_unprivileged({{"-s", "-r", c.link_name, "src"}, {}, {}, scratch.path()}, scratch);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  if (!run) GTEST_SKIP() << "cannot run as an unprivileged user";

  std::string err = c.err;
  if (size_t at = err.find('$'); at != std::string::npos) err.replace(at, 1, c.link_name);
  EXPECT_EQ(run->status, c.status);
  EXPECT_EQ(run->err, err);
  const std::string fresh = "--file-info:src/a.ads:1500000001\n\"src/a.ads\" A SPEC\n";
  if (c.replaced) EXPECT_EQ(read_file(path), fresh);
  if (!c.replaced && c.link_mode != 0 && c.file_size_limit == 0) EXPECT_EQ(read_file(path), old_text);
  struct stat after {};
  ::stat(path.c_str(), &after);
  if (c.same_file) EXPECT_EQ(after.st_ino, before.st_ino);
  if (c.link_mode != 0) EXPECT_EQ(after.st_mode & 07777, c.link_mode);
  for (const char* directory : {".", "out"})
    for (const auto& item : fs::directory_iterator(scratch / directory))
      EXPECT_FALSE(item.path().filename().string().starts_with(".vantlink.")) << item.path();
}

const std::string kCannotOpen = "Error : Can't open link file \"$\" for writting.\n";
const std::string kCannotWrite = "Error : Can't write link file \"$\".\n";

INSTANTIATE_TEST_SUITE_P(
    Replacement, LinkFilePermissions,
    testing::Values(
        // The test's user owns neither file nor directory; the directory is
        // open to everyone unless said otherwise.
        PermissionCase{"WritableReplaced", "out/links.txt", 0666, 0777, 0, 0, "", true, false},
        PermissionCase{"ReadOnlyRefused", "out/links.txt", 0444, 0777, 0, 7, kCannotOpen, false,
                       true},
        PermissionCase{"OtherUsersFileRefused", "out/links.txt", 0644, 0777, 0, 7, kCannotOpen,
                       false, true},
        PermissionCase{"NewFileInClosedDirectoryRefused", "out/links.txt", 0, 0755, 0, 7,
                       kCannotOpen, false, false},
        PermissionCase{"ClosedDirectoryRewrittenInPlace", "out/links.txt", 0666, 0755, 0, 0, "",
                       true, true},
        PermissionCase{"ReadOnlyInClosedDirectoryRefused", "out/links.txt", 0444, 0755, 0, 7,
                       kCannotOpen, false, true},
        PermissionCase{"InPlaceWriteFailureReported", "out/links.txt", 0666, 0755, 20, 7,
                       kCannotWrite, false, true}),
    [](const testing::TestParamInfo<PermissionCase>& info) { return info.param.name; });

TEST(Replacement, EmptyNameCannotBeOpened) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  CliResult result = run_vantlink({{"-s", "", "src"}, {}, {}, scratch.path()});
  EXPECT_EQ(result.status, 7);
  EXPECT_EQ(result.err, "Error : Can't open link file \"\" for writting.\n");
  EXPECT_EQ(directory_listing(scratch.path()), std::vector<std::string>{"src"});
}

TEST(Replacement, SymbolicLinkStaysALink) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  make_directory(scratch / "store");
  write_file(scratch / "src/a.ads", package("A"));
  set_file_time(scratch / "src/a.ads", 1500000001);
  write_file(scratch / "store/real.txt", "old\n");
  ::chmod((scratch / "store/real.txt").c_str(), 0640);
  fs::create_symlink("store/real.txt", scratch / "links.txt");

  CliResult result = run_vantlink({{"-s", "-r", "links.txt", "src"}, {}, {}, scratch.path()});
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(fs::is_symlink(scratch / "links.txt"));
  EXPECT_EQ(fs::read_symlink(scratch / "links.txt"), "store/real.txt");
  EXPECT_EQ(read_file(scratch / "store/real.txt"),
            "--file-info:src/a.ads:1500000001\n\"src/a.ads\" A SPEC\n");
  struct stat status;
  ASSERT_EQ(::stat((scratch / "store/real.txt").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  EXPECT_EQ(directory_listing(scratch / "store"), std::vector<std::string>{"real.txt"});

  // Read back through the link as well.
  rewrite_keeping_time(scratch / "src/a.ads", package("Changed"));
  result = run_vantlink({{"-s", "-r", "links.txt", "src"}, {}, {}, scratch.path()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(read_file(scratch / "store/real.txt"),
            "--file-info:src/a.ads:1500000001\n\"src/a.ads\" A SPEC\n");
}

}  // namespace
