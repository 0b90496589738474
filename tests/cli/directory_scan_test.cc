// Directories and the files taken from them: which names are selected, in
// what order, what is reported, and how each directory name is handled.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "cli_runner.h"

namespace fs = std::filesystem;

namespace {

// The keys of the "--file-info:" lines, in order.
std::vector<std::string> keys_of(const std::string& link_file) {
  std::vector<std::string> keys;
  std::istringstream lines(link_file);
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("--file-info:")) continue;
    keys.push_back(line.substr(12, line.rfind(':') - 12));
  }
  return keys;
}

std::string checking(const std::string& name) { return "Checking directory \"" + name + "\" ...\n"; }
std::string created(const std::string& name) { return "\nFile \"" + name + "\" created \n"; }
std::string cannot_open(const std::string& name) { return "Error : can't open file \"" + name + "\"\n"; }


// ---- which files, in which order ----

struct SelectionCase {
  const char* name;
  std::vector<std::string> files;
  std::map<std::string, std::string> env;
  std::vector<std::string> expected;  // keys, with -r from the scratch directory
};

class Selection : public testing::TestWithParam<SelectionCase> {};

TEST_P(Selection, SelectsAndOrders) {
  const SelectionCase& c = GetParam();
  ScratchDir scratch;
  make_directory(scratch / "src");
  for (const std::string& file : c.files) write_file(scratch / ("src/" + file), package("P"));
  CliResult result = run_vantlink({{"-r", "links.txt", "src"}, c.env, {}, scratch.path()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, checking("src") + created("links.txt"));
  std::vector<std::string> expected;
  for (const std::string& key : c.expected) expected.push_back("src/" + key);
  EXPECT_EQ(keys_of(read_file(scratch / "links.txt")), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Selection,
    testing::Values(
        SelectionCase{"DefaultsInExtensionOrder",
                      {"c.ada", "a.adb", "b.ads", "a.ads"}, {},
                      {"a.ads", "b.ads", "a.adb", "c.ada"}},
        SelectionCase{"ExtensionsFromTheEnvironment",
                      {"a.adb", "a.ads", "b.ads", "c.ada"}, {{"VANTLINK_EXT", ".adb:.ads"}},
                      {"a.adb", "a.ads", "b.ads"}},
        SelectionCase{"ForbiddenEnding",
                      {"x_.ada", "y.ada"}, {{"VANTLINK_EXT", ".ada"}, {"VANTLINK_NOEXT", "_.ada"}},
                      {"y.ada"}},
        SelectionCase{"CaseSensitive", {"A.ADS", "b.Ads", "a.ads"}, {}, {"a.ads"}},
        SelectionCase{"NameMustBeLongerThanExtension", {".ads", "x.ads", "ads"}, {}, {"x.ads"}},
        SelectionCase{"NamesComparedAsUnsignedBytes",
                      {"\xc3\xa9.ads", "a.ads", "_.ads", "B.ads"}, {},
                      {"B.ads", "_.ads", "a.ads", "\xc3\xa9.ads"}},
        SelectionCase{"FirstMatchingExtensionDecidesGroup",
                      {"y.xs", "x.ads", "a.xs"}, {{"VANTLINK_EXT", ".ads:s"}},
                      {"x.ads", "a.xs", "y.xs"}},
        SelectionCase{"NothingSelected", {"readme.txt"}, {}, {}}),
    [](const testing::TestParamInfo<SelectionCase>& info) { return info.param.name; });

// ---- entries that are not plain source files ----

TEST(Entries, SpecialEntriesAreSkippedOrReported) {
  ScratchDir scratch;
  make_directory(scratch / "src/sub.ads");
  make_directory(scratch / "elsewhere");
  write_file(scratch / "src/sub.ads/inner.ads", package("Inner"));
  write_file(scratch / "elsewhere/target.txt", package("Linked"));
  fs::create_symlink("../elsewhere/target.txt", scratch / "src/x.ads");
  fs::create_symlink("../elsewhere", scratch / "src/dir_link.ads");
  fs::create_symlink("nowhere", scratch / "src/y.txt");
  ASSERT_EQ(::mkfifo((scratch / "src/fifo.ads").c_str(), 0644), 0);
  write_file(scratch / "src/a.ads", package("A"));
  set_file_time(scratch / "src/a.ads", 1500000000);
  set_file_time(scratch / "src/x.ads", 1400000000);  // the file it points to

  CliCall call{{"-r", "links.txt", "src"}, {}, {}, scratch.path()};
  call.timeout_seconds = 20;
  CliResult result = run_vantlink(call);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, cannot_open("y.txt"));
  EXPECT_EQ(result.out, checking("src") + created("links.txt"));
  EXPECT_EQ(read_file(scratch / "links.txt"),
            "--file-info:src/a.ads:1500000000\n\"src/a.ads\" A SPEC\n"
            "--file-info:src/x.ads:1400000000\n\"src/x.ads\" Linked SPEC\n");
}

TEST(Entries, UnreadableFileReportedWhateverItsName) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  write_file(scratch / "src/z.txt", "secret");
  write_file(scratch / "src/a.ads", package("A"));
  ::chmod((scratch / "src/z.txt").c_str(), 0);
  std::optional<CliResult> run =
      run_unprivileged({{"-s", "-r", "links.txt", "src"}, {}, {}, scratch.path()}, scratch);
  if (!run) GTEST_SKIP() << "cannot run as an unprivileged user";
  const CliResult& result = *run;
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, cannot_open("z.txt"));
  EXPECT_EQ(keys_of(read_file(scratch / "links.txt")), std::vector<std::string>{"src/a.ads"});
}

// A name with a line end would split a line of the link file.
TEST(Entries, LineEndInFileNameSkipped) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  write_file(scratch / "src/x\n.ads", package("X"));
  write_file(scratch / "src/x\n.txt", "not selected anyway");
  write_file(scratch / "src/a.ads", package("A"));
  CliResult result = run_vantlink({{"-s", "-r", "links.txt", "src"}, {}, {}, scratch.path()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err,
            "Error : \"x\n.ads\" holds a line end and cannot stand in the link file (skipped).\n");
  std::string link_file = read_file(scratch / "links.txt");
  EXPECT_EQ(keys_of(link_file), std::vector<std::string>{"src/a.ads"});
  EXPECT_EQ(link_file.find("X"), std::string::npos);
}

TEST(Entries, LineEndInDirectorySkipped) {
  ScratchDir scratch;
  make_directory(scratch / "bad\ndir");
  make_directory(scratch / "good");
  write_file(scratch / "bad\ndir/b.ads", package("B"));
  write_file(scratch / "good/g.ads", package("G"));
  for (bool relative : {false, true}) {
    std::vector<std::string> args = {"links.txt", "bad\ndir", "good"};
    if (relative) args.insert(args.begin(), "-r");
    CliResult result = run_vantlink({args, {}, {}, scratch.path()});
    std::string text = relative ? "bad\ndir" : scratch.path() + "/bad\ndir";
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "Error : \"" + text +
                              "\" holds a line end and cannot stand in the link file (skipped).\n");
    EXPECT_EQ(result.out, checking("good") + created("links.txt"));
    std::vector<std::string> keys = keys_of(read_file(scratch / "links.txt"));
    EXPECT_EQ(keys, std::vector<std::string>{relative ? "good/g.ads" : scratch.path() + "/good/g.ads"});
  }
}

// ---- directory names ----

TEST(Directories, SameDirectoryTakenOnce) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  write_file(scratch / "src/a.ads", package("A"));
  fs::create_directory_symlink("src", scratch / "lnk");
  CliResult result = run_vantlink({{"links.txt", "src", "./src", "lnk", "src/"}, {}, {}, scratch.path()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  std::string duplicate = "Warning: Duplicate directory on command line (ignored): ";
  EXPECT_EQ(result.out, checking("src") + duplicate + "\"./src\"\n" + duplicate + "\"lnk\"\n" +
                            duplicate + "\"src/\"\n" + created("links.txt"));
  EXPECT_EQ(keys_of(read_file(scratch / "links.txt")),
            std::vector<std::string>{scratch.path() + "/src/a.ads"});

  result = run_vantlink({{"-s", "links.txt", "src", "./src", "lnk"}, {}, {}, scratch.path()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
}

struct DirectoryCase {
  const char* name;
  std::vector<std::string> args;
  std::string out;
  std::string err;
  std::vector<std::string> keys;
};

class Directories : public testing::TestWithParam<DirectoryCase> {};

// The scratch directory holds src/a.ads, an empty directory, a regular file
// and an Ada file of its own.
TEST_P(Directories, NamesHandled) {
  const DirectoryCase& c = GetParam();
  ScratchDir scratch;
  make_directory(scratch / "src");
  make_directory(scratch / "empty");
  write_file(scratch / "src/a.ads", package("A"));
  write_file(scratch / "top.ads", package("Top"));
  write_file(scratch / "file.txt", "x");
  CliResult result = run_vantlink({c.args, {}, {}, scratch.path()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, c.out);
  EXPECT_EQ(result.err, c.err);
  EXPECT_EQ(keys_of(read_file(scratch / "links.txt")), c.keys);
}

INSTANTIATE_TEST_SUITE_P(
    Names, Directories,
    testing::Values(
        DirectoryCase{"RegularFileIsNotADirectory", {"-r", "links.txt", "file.txt", "src"},
                      checking("src") + created("links.txt"),
                      "Error : \"file.txt\" is not a directory name.\n", {"src/a.ads"}},
        DirectoryCase{"MissingName", {"-r", "links.txt", "missing", ""},
                      created("links.txt"),
                      "Error : \"missing\" is not a directory name.\n"
                      "Error : \"\" is not a directory name.\n",
                      {}},
        DirectoryCase{"EmptyDirectory", {"-r", "links.txt", "empty"},
                      checking("empty") + created("links.txt"), "", {}},
        DirectoryCase{"OptionAfterLinkFileIsADirectoryName", {"-r", "links.txt", "-s", "src"},
                      checking("src") + created("links.txt"),
                      "Error : \"-s\" is not a directory name.\n", {"src/a.ads"}},
        DirectoryCase{"RelativeStartDirectory", {"-r", "links.txt", ".", "src"},
                      checking(".") + checking("src") + created("links.txt"), "",
                      {"top.ads", "src/a.ads"}},
        DirectoryCase{"RelativeParent", {"-r", "links.txt", "src/..", "src/../src"},
                      checking("src/..") + checking("src/../src") + created("links.txt"), "",
                      {"top.ads", "src/a.ads"}},
        DirectoryCase{"LaterRelativeOffCancels", {"-r", "-a", "-r", "links.txt", "src"},
                      checking("src") + created("links.txt"), "", {"src/a.ads"}}),
    [](const testing::TestParamInfo<DirectoryCase>& info) { return info.param.name; });

TEST(Directories, AbsoluteAndRelativeTexts) {
  ScratchDir scratch;
  make_directory(scratch / "proj");
  make_directory(scratch / "lib/ada");
  write_file(scratch / "proj/p.ads", package("P"));
  write_file(scratch / "lib/ada/l.ads", package("L"));
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> keys;
    std::string unit_path;  // of the first file
  };
  const Case cases[] = {
      {{"-s", "links.txt", ".", "../lib/ada"},
       {scratch.path() + "/proj/p.ads", scratch.path() + "/lib/ada/l.ads"},
       scratch.path() + "/proj/p.ads"},
      {{"-s", "-r", "links.txt", ".", "../lib/ada"}, {"p.ads", "../lib/ada/l.ads"}, "./p.ads"},
      {{"-s", "-a", "-r", "links.txt", scratch.path() + "/lib/ada"}, {"../lib/ada/l.ads"}, "../lib/ada/l.ads"},
      {{"-s", "-r", "-a", "links.txt", "."}, {scratch.path() + "/proj/p.ads"}, scratch.path() + "/proj/p.ads"},
  };
  for (const Case& c : cases) {
    CliResult result = run_vantlink({c.args, {}, {}, scratch / "proj"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    std::string link_file = read_file(scratch / "proj/links.txt");
    EXPECT_EQ(keys_of(link_file), c.keys) << c.args[1];
    EXPECT_NE(link_file.find("\n\"" + c.unit_path + "\" "), std::string::npos) << link_file;
  }
}

// A common part that ends inside a name: /x/ab and /x/abc share only /x/.
TEST(Directories, RelativeTextAcrossSimilarNames) {
  ScratchDir scratch;
  make_directory(scratch / "ab");
  make_directory(scratch / "abc");
  write_file(scratch / "abc/c.ads", package("C"));
  CliResult result = run_vantlink({{"-s", "-r", "links.txt", "../abc"}, {}, {}, scratch / "ab"});
  EXPECT_EQ(result.status, 0);
  std::string link_file = read_file(scratch / "ab/links.txt");
  EXPECT_EQ(keys_of(link_file), std::vector<std::string>{"../abc/c.ads"});
  EXPECT_NE(link_file.find("\n\"../abc/c.ads\" C SPEC\n"), std::string::npos) << link_file;
}

TEST(Directories, CannotEnterThenNamedAgain) {
  ScratchDir scratch;
  make_directory(scratch / "locked");
  make_directory(scratch / "src");
  write_file(scratch / "locked/l.ads", package("L"));
  write_file(scratch / "src/a.ads", package("A"));
  ::chmod((scratch / "locked").c_str(), 0);
  std::optional<CliResult> run =
      run_unprivileged({{"-r", "links.txt", "locked", "src", "locked"}, {}, {}, scratch.path()}, scratch);
  if (!run) GTEST_SKIP() << "cannot run as an unprivileged user";
  const CliResult& result = *run;
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "Error : Cannot change current working directory to \"locked\"\n");
  EXPECT_EQ(result.out, checking("src") +
                            "Warning: Duplicate directory on command line (ignored): \"locked\"\n" +
                            created("links.txt"));
  EXPECT_EQ(keys_of(read_file(scratch / "links.txt")), std::vector<std::string>{"src/a.ads"});
}

// A call that fails on the way is reported: a listing that fails part way
// keeps the files listed before, with the directory's message; a probe that
// cannot read an entry's status reports the entry. No file leaves the link
// file without a message.
struct FailedCall {
  const char* name;
  std::map<std::string, std::string> shim_settings;
  std::string err;
  std::optional<std::vector<std::string>> keys;  // none: those listed before
};

void PrintTo(const FailedCall& c, std::ostream* out) { *out << c.name; }

class FailedCalls : public testing::TestWithParam<FailedCall> {};

TEST_P(FailedCalls, ReportedNotDropped) {
  const FailedCall& c = GetParam();
  ScratchDir scratch;
  make_directory(scratch / "src");
  make_directory(scratch / "other");
  for (const char* name : {"a.ads", "b.ads", "c.ads", "d.ads"})
    write_file(scratch / ("src/" + std::string(name)), package("P"));
  write_file(scratch / "other/o.ads", package("O"));
  CliResult result = run_vantlink(
      {{"-r", "links.txt", "src", "other"}, preloading(FAIL_SHIM_PATH, c.shim_settings), {},
       scratch.path()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, c.err);
  EXPECT_EQ(result.out, checking("src") + checking("other") + created("links.txt"));
  std::vector<std::string> keys = keys_of(read_file(scratch / "links.txt"));
  if (c.keys) EXPECT_EQ(keys, *c.keys);
  EXPECT_EQ(keys.back(), "other/o.ads");
}

INSTANTIATE_TEST_SUITE_P(
    OnTheWay, FailedCalls,
    testing::Values(
        FailedCall{"ListingFailsAtOnce",
                   {{"FAIL_SHIM_LISTING", "/src"}, {"FAIL_SHIM_LISTING_AFTER", "0"}},
                   "Error : cannot get directory entry for \"src\"\n",
                   std::vector<std::string>{"other/o.ads"}},
        FailedCall{"ListingFailsPartWay",
                   {{"FAIL_SHIM_LISTING", "/src"}, {"FAIL_SHIM_LISTING_AFTER", "3"}},
                   "Error : cannot get directory entry for \"src\"\n", std::nullopt},
        FailedCall{"ProbeStatusFails", {{"FAIL_SHIM_FSTAT_NAME", "/src/b.ads"}},
                   cannot_open("b.ads"),
                   std::vector<std::string>{"src/a.ads", "src/c.ads", "src/d.ads",
                                            "other/o.ads"}}),
    [](const testing::TestParamInfo<FailedCall>& info) { return info.param.name; });

// A listing that cannot be read counts as an empty directory, and the run
// goes on from the start directory.
TEST(Directories, UnlistableDirectoryCountsAsEmpty) {
  ScratchDir scratch;
  make_directory(scratch / "nolist");
  make_directory(scratch / "src");
  write_file(scratch / "nolist/n.ads", package("N"));
  write_file(scratch / "src/a.ads", package("A"));
  ::chmod((scratch / "nolist").c_str(), 0111);
  std::optional<CliResult> run =
      run_unprivileged({{"-r", "links.txt", "nolist", "src"}, {}, {}, scratch.path()}, scratch);
  if (!run) GTEST_SKIP() << "cannot run as an unprivileged user";
  const CliResult& result = *run;
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "Error : cannot get directory entry for \"nolist\"\n");
  EXPECT_EQ(result.out, checking("nolist") + checking("src") + created("links.txt"));
  EXPECT_EQ(keys_of(read_file(scratch / "links.txt")), std::vector<std::string>{"src/a.ads"});
}

}  // namespace
