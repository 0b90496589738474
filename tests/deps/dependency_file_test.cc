// The dependency file vantlink writes with VANTLINK_DEPS: what it holds,
// what a later run takes from it, and that no failure leaves it claiming
// with clauses that were not read at the time it gives.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "deps_helper.h"
#include "formats/dependency_file.h"

namespace fs = std::filesystem;

namespace {

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  if (at == std::string::npos) throw std::runtime_error("no " + from);
  return text.replace(at, from.size(), to);
}

// src/ holds a unit with every kind of with, a file of two compilation
// units, a body with a subunit, and a file whose second unit is broken.
class DependencyRuns : public testing::Test {
 protected:
  void SetUp() override {
    make_directory(scratch_ / "src");
    files_ = {
        {"a.ads", "with B, C.D;\nlimited with E.F;\nlimited private with G;\npackage A is end A;\n"},
        {"multi.ada", "with X;\npackage M1 is end M1;\nwith Y;\nuse Y;\nprocedure M2;\n"
                      "procedure M3 is begin null; end M3;\n"},
        {"p.adb", "with Q0;\npackage body P is\n   procedure Q is separate;\nend P;\n"},
        {"p-q.adb", "with Z;\nseparate (P)\nprocedure Q is begin null; end Q;\n"},
        {"broken.adb", "with W;\npackage body Kept is end Kept;\nwith V;\npackage Lost is ) ;\n"},
    };
    long long time = 1500000001;
    for (const auto& [name, text] : files_) {
      write_file(src(name), text);
      set_file_time(src(name), time++);
    }
  }

  std::string src(const std::string& name) const { return scratch_ / ("src/" + name); }
  std::string path(const std::string& name) const { return scratch_ / name; }

  CliResult run(std::vector<std::string> options = {}, bool with_deps = true) {
    options.insert(options.begin(), "-s");
    options.insert(options.end(), {"-r", "links.txt", "src"});
    std::map<std::string, std::string> env;
    if (with_deps) env["VANTLINK_DEPS"] = "deps.json";
    return run_vantlink({options, env, {"VANTLINK_DEPS"}, scratch_.path()});
  }

  // The link file and the rules of a full run from scratch, in another
  // directory with the same sources: what every later run must give.
  std::pair<std::string, std::string> full_run() {
    ScratchDir other;
    fs::copy(scratch_ / "src", other / "src", fs::copy_options::recursive);
    for (const auto& [name, text] : files_) {
      struct stat status;
      ::stat(src(name).c_str(), &status);
      set_file_time(other / ("src/" + name), status.st_mtim.tv_sec);
    }
    CliResult result = run_vantlink({{"-s", "-f", "-r", "links.txt", "src"},
                                     {{"VANTLINK_DEPS", "deps.json"}}, {}, other.path()});
    EXPECT_EQ(result.status, 0) << result.err;
    return {read_file(other / "links.txt"), dependency_rules(other / "deps.json")};
  }

  std::vector<std::pair<std::string, std::string>> files_;
  ScratchDir scratch_;
};

TEST_F(DependencyRuns, EveryUnitKeepsItsOwnContextClause) {
  CliResult result = run();
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(dependency_rules(path("deps.json")),
            "src/a.ads 1500000001: A SPEC with B C.D limited E.F limited private G;\n"
            "src/broken.adb 1500000005: Kept BODY with W;\n"
            "src/p-q.adb 1500000004: P.Q PROC of P with Z;\n"
            "src/p.adb 1500000003: P BODY with Q0;\n"
            "src/multi.ada 1500000002: M1 SPEC with X; M2 SPEC with Y; M3 PROC with;\n");
}

TEST_F(DependencyRuns, UnsetChangesNothingElse) {
  CliResult with = run();
  std::string link = read_file(path("links.txt"));
  fs::remove(path("links.txt"));
  fs::remove(path("deps.json"));
  CliResult without = run({}, false);
  EXPECT_FALSE(fs::exists(path("deps.json")));
  EXPECT_EQ(read_file(path("links.txt")), link);
  EXPECT_EQ(with.out + with.err, without.out + without.err);
}

TEST_F(DependencyRuns, UnchangedFilesKeepTheirRules) {
  run();
  std::string rules = dependency_rules(path("deps.json"));
  rewrite_keeping_time(src("a.ads"), "with Other;\npackage A is end A;\n");
  run();
  EXPECT_EQ(dependency_rules(path("deps.json")), rules);
}

// What the previous dependency file looks like; whether it may vouch for
// the file edited under its old time.
struct Damage {
  const char* name;
  void (*apply)(const std::string& path);
  bool vouches;
};

const Damage kDamages[] = {
    {"Intact", [](const std::string&) {}, true},
    {"Missing", [](const std::string& p) { fs::remove(p); }, false},
    {"CutShort",
     [](const std::string& p) {
       std::string text = read_file(p);
       write_file(p, text.substr(0, text.size() - 3));
     },
     false},
    {"EditedByHand",
     [](const std::string& p) { write_file(p, replaced(read_file(p), "\"B\"", "\"Bb\"")); }, false},
    {"OtherFormatVersion",
     [](const std::string& p) {
       write_signed_dependency_file(
           p, replaced(read_file(p), "\"vantlink-format\":1", "\"vantlink-format\":2"));
     },
     false},
    {"OtherMode",
     [](const std::string& p) {
       write_signed_dependency_file(
           p, replaced(read_file(p), "\"vantlink-ada-mode\":\"95\"", "\"vantlink-ada-mode\":\"2022\""));
     },
     false},
    {"OtherTime",
     [](const std::string& p) {
       write_signed_dependency_file(p, replaced(read_file(p), "1500000001", "1500000009"));
     },
     false},
    {"WrittenBeforeTheFileTime",  // a run that began reading in that second
     [](const std::string& p) {
       std::string text = read_file(p);
       size_t at = text.find("\"vantlink-trusted-before\":") + 26;
       text.replace(at, text.find(',', at) - at, "1500000001");
       write_signed_dependency_file(p, text);
     },
     false},
    {"RuleMissing",
     [](const std::string& p) {
       std::string text = read_file(p);
       size_t at = text.find("{\"vantlink-source\":\"src/a.ads\"");
       text.erase(at, text.find('\n', at) + 1 - at);
       write_signed_dependency_file(p, text);
     },
     false},
    {"NotJson",
     [](const std::string& p) { write_file(p, "--file-info:src/a.ads:1500000001\n"); }, false},
};

class Vouching : public DependencyRuns, public testing::WithParamInterface<Damage> {};

TEST_P(Vouching, OnlyWhatThePreviousFileVouchesForIsReused) {
  run();
  std::string old_rules = dependency_rules(path("deps.json"));
  rewrite_keeping_time(src("a.ads"), "with Other;\npackage A is end A;\n");
  GetParam().apply(path("deps.json"));
  CliResult result = run();
  ASSERT_EQ(result.status, 0) << result.err;
  if (GetParam().vouches) {
    EXPECT_EQ(dependency_rules(path("deps.json")), old_rules);
  } else {
    auto [link, rules] = full_run();
    EXPECT_EQ(dependency_rules(path("deps.json")), rules);
    EXPECT_EQ(read_file(path("links.txt")), link);
  }
}

INSTANTIATE_TEST_SUITE_P(Damages, Vouching, testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

// Everything a reading gives, the rules' own text included, or its refusal.
std::string read_as(bool (*parse)(std::string_view, DependencyFile&, std::string&),
                    const std::string& text) {
  DependencyFile file;
  std::string error;
  if (!parse(text, file, error)) return "refused: " + error;
  std::ostringstream out;
  out << file.mode << " " << file.trusted_before << " " << file.checksum_matches << "\n";
  for (const DependencyRule& rule : file.rules) {
    out << rule.key << " " << rule.time << " " << rule.text << ":";
    for (size_t u = rule.first_unit; u < rule.first_unit + rule.unit_count; ++u) {
      const DependencyUnit& unit = file.units[u];
      out << " " << unit.name << " " << unit.kind << " [" << unit.subunit_of << "]";
      for (size_t w = unit.first_with; w < unit.first_with + unit.with_count; ++w)
        out << " " << file.withs[w].name << "/" << file.withs[w].marks;
    }
    out << "\n";
  }
  return out.str();
}

// The quick reading of the writer's own form gives what the general reader
// gives, or gives way to it, on every damaged file and on files the writer
// would not have written that way.
class QuickReading : public DependencyRuns, public testing::WithParamInterface<Damage> {};

TEST_P(QuickReading, AgreesWithTheGeneralReader) {
  run();
  GetParam().apply(path("deps.json"));
  if (!fs::exists(path("deps.json"))) GTEST_SKIP() << "no file left to read";
  std::string text = read_file(path("deps.json"));
  EXPECT_EQ(read_as(parse_dependency_file, text), read_as(parse_dependency_file_generally, text));
}

INSTANTIATE_TEST_SUITE_P(Damages, QuickReading, testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DependencyRuns, QuickReadingGivesWayToOtherForms) {
  run();
  std::string text = read_file(path("deps.json"));
  const std::vector<std::string> others = {
      replaced(text, ",\n", ", \n"),
      replaced(text, "{\"logical-name\":\"B\"}", "{\"logical-name\":\"B\",\"x-other\":[1]}"),
      replaced(text, "\"vantlink-withs\":[", "\"x-other\":null,\"vantlink-withs\":["),
      replaced(text, "\"B\"", "\"\\u0042\""),
      replaced(text, "\"vantlink-limited\":true", "\"vantlink-limited\":false"),
      replaced(text, "1500000001", "0001500000001"),
      replaced(text, "1500000001", "15000000010000000000"),
      replaced(text, "\"B\"", "\"\""),
      replaced(text, "\"SPEC\"", "\"TASK\""),
      text.substr(0, text.size() / 2),
  };
  for (const std::string& other : others) {
    EXPECT_EQ(read_as(parse_dependency_file, other),
              read_as(parse_dependency_file_generally, other))
        << other;
  }
}

// Names are bytes: a Latin-1 byte, a quote and a backslash go through the
// JSON strings and back, so the next run still finds their rules.
TEST_F(DependencyRuns, OddFileNamesAreFoundAgain) {
  const std::vector<std::string> names = {"caf\xe9.ads", "q\"uote.ads", "back\\slash.ads"};
  long long time = 1500000050;
  for (const std::string& name : names) {
    write_file(src(name), "with Before;\npackage Odd is end Odd;\n");
    set_file_time(src(name), time++);
  }
  run();
  std::string rules = dependency_rules(path("deps.json"));
  for (const std::string& name : names) {
    EXPECT_NE(rules.find("src/" + name + " "), std::string::npos) << name;
    rewrite_keeping_time(src(name), "with After;\npackage Odd is end Odd;\n");
  }
  run();
  EXPECT_EQ(dependency_rules(path("deps.json")), rules);
}

TEST_F(DependencyRuns, ForceReadsEverything) {
  run();
  rewrite_keeping_time(src("a.ads"), "with Other;\npackage A is end A;\n");
  run({"-f"});
  EXPECT_EQ(dependency_rules(path("deps.json")), full_run().second);
}

TEST_F(DependencyRuns, SwitchedOnLaterAnalysesWhatItCannotVouchFor) {
  run({}, false);
  rewrite_keeping_time(src("a.ads"), "with Other;\npackage A is end A;\n");
  run();
  EXPECT_EQ(dependency_rules(path("deps.json")), full_run().second);
}

struct BadTarget {
  const char* name;
  void (*make)(const std::string& path);
  const char* message;
};

class DependencyTarget : public DependencyRuns, public testing::WithParamInterface<BadTarget> {};

TEST_P(DependencyTarget, RefusedBeforeAnyWork) {
  GetParam().make(path("deps.json"));
  CliResult result = run();
  EXPECT_EQ(result.status, 7);
  EXPECT_EQ(result.err, replaced(GetParam().message, "%1", "deps.json"));
  EXPECT_FALSE(fs::exists(path("links.txt")));
}

INSTANTIATE_TEST_SUITE_P(
    Targets, DependencyTarget,
    testing::Values(BadTarget{"Directory", [](const std::string& p) { make_directory(p); },
                              "Problem when attempting to create link file \"%1\"\n"
                              "Maybe a directory with the same name exists\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DependencyRuns, ReadOnlyFileRefusedBeforeAnyWork) {
  write_file(path("deps.json"), "old");
  ::chmod(path("deps.json").c_str(), 0444);
  std::optional<CliResult> result = run_unprivileged(
      {{"-s", "-r", "links.txt", "src"}, {{"VANTLINK_DEPS", "deps.json"}}, {}, scratch_.path()},
      scratch_);
  if (!result) GTEST_SKIP() << "cannot run as an unprivileged user";
  EXPECT_EQ(result->status, 7);
  EXPECT_EQ(result->err, "Error : Can't open link file \"deps.json\" for writting.\n");
  EXPECT_FALSE(fs::exists(path("links.txt")));
  EXPECT_EQ(read_file(path("deps.json")), "old");
}

// A directory that refuses new files but holds files the user may write:
// both are rewritten in place, the dependency file complete.
TEST_F(DependencyRuns, ReadOnlyDirectoryRewritesInPlace) {
  make_directory(path("out"));
  write_file(path("out/deps.json"), "old");
  write_file(path("out/links.txt"), "old");
  ::chmod(path("out/deps.json").c_str(), 0666);
  ::chmod(path("out/links.txt").c_str(), 0666);
  ::chmod(path("out").c_str(), 0555);
  struct stat before;
  ::stat(path("out/deps.json").c_str(), &before);
  CliCall call{{"-s", "-r", "out/links.txt", "src"}, {{"VANTLINK_DEPS", "out/deps.json"}}, {},
               scratch_.path()};
  std::optional<CliResult> result = run_unprivileged(call, scratch_);
  ::chmod(path("out").c_str(), 0755);
  if (!result) GTEST_SKIP() << "cannot run as an unprivileged user";
  EXPECT_EQ(result->status, 0) << result->err;
  struct stat after;
  ::stat(path("out/deps.json").c_str(), &after);
  EXPECT_EQ(after.st_ino, before.st_ino);  // the same file
  EXPECT_EQ(dependency_rules(path("out/deps.json")), full_run().second);
}

// Killed at every step of putting the two files in place (each write,
// fsync, close and rename the shim counts), the next run still gives what
// a full run gives: the dependency file goes first, so a link file never
// stands for rules that are not on disk.
TEST_F(DependencyRuns, KilledAnywhereTheNextRunIsRight) {
  std::map<std::string, std::string> shim = {{"LD_PRELOAD", FAIL_SHIM_PATH}};
  const char* asan = std::getenv("ASAN_OPTIONS");
  shim["ASAN_OPTIONS"] = std::string(asan ? asan : "") + ":verify_asan_link_order=0";
  shim["VANTLINK_DEPS"] = "deps.json";
  auto run_with = [&](std::map<std::string, std::string> settings) {
    settings.insert(shim.begin(), shim.end());
    return run_vantlink({{"-s", "-r", "links.txt", "src"}, settings, {}, scratch_.path()});
  };
  run();
  std::map<std::string, std::string> counted = {{"FAIL_SHIM_REPORT", path("report")}};
  ASSERT_EQ(run_with(counted).status, 0);
  long calls = 0;
  std::istringstream(read_file(path("report"))) >> calls;
  ASSERT_GE(calls, 4);  // at least a write, fsync, close and rename each
  const std::string first = "with Other;\npackage A is end A;\n";
  const std::string second = "with Another, Third;\npackage A is end A;\n";
  for (long at = 1; at <= calls; ++at) {
    // The killed run reads a.ads edited since the last complete run.
    run();
    write_file(src("a.ads"), at % 2 ? first : second);
    set_file_time(src("a.ads"), 1500000100 + at);
    CliResult killed = run_with({{"FAIL_SHIM_AT", std::to_string(at)}, {"FAIL_SHIM_ACTION", "kill"}});
    EXPECT_NE(killed.status, 0) << "call " << at;
    CliResult next = run();
    ASSERT_EQ(next.status, 0) << next.err;
    auto [link, rules] = full_run();
    EXPECT_EQ(dependency_rules(path("deps.json")), rules) << "killed at call " << at;
    EXPECT_EQ(read_file(path("links.txt")), link) << "killed at call " << at;
  }
}

}  // namespace

namespace {

// Every time from `first` on, as the link file ("FILE:TIME\n") and the rules
// ("KEY TIME:") write it, made 0.
std::string zeroed_from(std::string text, long long first) {
  for (long long time = first; time < 1500000010; ++time) {
    const std::string digits = std::to_string(time);
    for (const auto& [from, to] :
         {std::pair{":" + digits + "\n", std::string(":0\n")}, {" " + digits + ":", " 0:"}})
      for (size_t at; (at = text.find(from)) != std::string::npos;)
        text.replace(at, from.size(), to);
  }
  return text;
}

// The link file and the dependency file rewritten in place (their directory
// refuses new files) by a user who may write them. One who may not date the
// link file leaves it the time of the write, after the second its run began
// reading; the records of that second and later then say 0 in both files,
// so that a file saved again in that second is read again.
struct InPlaceCase {
  const char* name;
  bool owned;  // the user owns the two files, and so may date them
  bool with_deps;
};

void PrintTo(const InPlaceCase& c, std::ostream* out) { *out << c.name; }

class InPlaceDating : public DependencyRuns, public testing::WithParamInterface<InPlaceCase> {};

TEST_P(InPlaceDating, NoLaterRunTrustsWhatTheDateWouldRuleOut) {
  const InPlaceCase& c = GetParam();
  // Anyone else owns the directory and may make files in it.
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, to run as another user";
  constexpr long long kStart = 1500000003;  // p.adb's second: p-q.adb and broken.adb are later
  make_directory(path("out"));
  for (const char* name : {"out/links.txt", "out/deps.json"}) {
    write_file(path(name), "old\n");
    ::chmod(path(name).c_str(), 0666);
    if (c.owned) ASSERT_EQ(::chown(path(name).c_str(), 65534, 65534), 0);
  }
  ::chmod(path("out").c_str(), 0755);
  auto run_in_place = [&](std::map<std::string, std::string> env) {
    if (c.with_deps) env["VANTLINK_DEPS"] = "out/deps.json";
    return run_unprivileged(
        {{"-s", "-r", "out/links.txt", "src"}, env, {"VANTLINK_DEPS"}, scratch_.path()},
        scratch_);
  };
  // The clock file cannot be made beside the link file: the run takes time().
  std::optional<CliResult> first =
      run_in_place(preloading(FAIL_SHIM_PATH, {{"FAIL_SHIM_TIME", std::to_string(kStart)}}));
  if (!first) GTEST_SKIP() << "cannot run as an unprivileged user";
  ASSERT_EQ(first->status, 0) << first->err;
  auto [link, rules] = full_run();
  EXPECT_EQ(read_file(path("out/links.txt")), c.owned ? link : zeroed_from(link, kStart));
  struct stat status;
  ASSERT_EQ(::stat(path("out/links.txt").c_str(), &status), 0);
  if (c.owned) EXPECT_EQ(status.st_mtim.tv_sec, kStart);
  if (c.with_deps) {
    EXPECT_EQ(dependency_rules(path("out/deps.json")),
              c.owned ? rules : zeroed_from(rules, kStart));
    CliResult check =
        run_vantlink_deps({"check", "out/links.txt", "out/deps.json"}, scratch_.path());
    EXPECT_NE(check.status, 4) << check.err;
  }

  // Saved again within the second the run began reading.
  rewrite_keeping_time(src("p.adb"), "with Changed;\npackage body P is end P;\n");
  std::optional<CliResult> next = run_in_place({});
  ASSERT_TRUE(next);
  ASSERT_EQ(next->status, 0) << next->err;
  std::tie(link, rules) = full_run();
  EXPECT_EQ(read_file(path("out/links.txt")), link);
  if (c.with_deps) EXPECT_EQ(dependency_rules(path("out/deps.json")), rules);
}

INSTANTIATE_TEST_SUITE_P(Users, InPlaceDating,
                         testing::Values(InPlaceCase{"MayNotDate", false, false},
                                         InPlaceCase{"MayNotDateWithDependencies", false, true},
                                         InPlaceCase{"Owner", true, false},
                                         InPlaceCase{"OwnerWithDependencies", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// VANTLINK_DEPS naming the link file, however spelt, would rename one over
// the other: refused before any work. "@" stands for the scratch directory.
struct Spelling {
  const char* name;
  const char* deps;
  const char* link_to_links;  // made first: a symbolic ("s") or hard ("h") link deps.json
  bool link_file_exists;
  bool refused;
};

void PrintTo(const Spelling& c, std::ostream* out) { *out << c.name; }

class DependencyFileSpelling : public DependencyRuns,
                               public testing::WithParamInterface<Spelling> {};

TEST_P(DependencyFileSpelling, TheLinkFileIsRefused) {
  const Spelling& c = GetParam();
  const std::string old_link = "--file-info:old.ads:1\n";
  if (c.link_file_exists) write_file(path("links.txt"), old_link);
  std::string_view link_to_links = c.link_to_links;
  if (link_to_links == "s") fs::create_symlink("links.txt", path("deps.json"));
  if (link_to_links == "h") fs::create_hard_link(path("links.txt"), path("deps.json"));
  std::string deps = c.deps;
  if (deps[0] == '@') deps.replace(0, 1, scratch_.path());
  CliResult result = run_vantlink(
      {{"-s", "-r", "links.txt", "src"}, {{"VANTLINK_DEPS", deps}}, {}, scratch_.path()});
  if (!c.refused) {
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(read_file(path("links.txt")), full_run().first);
    return;
  }
  EXPECT_EQ(result.status, 7);
  EXPECT_EQ(result.err, "Error : VANTLINK_DEPS names the link file \"links.txt\": the dependency "
                        "file needs a file of its own.\n");
  if (c.link_file_exists) EXPECT_EQ(read_file(path("links.txt")), old_link);
  else EXPECT_FALSE(fs::exists(path("links.txt")));
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, DependencyFileSpelling,
    testing::Values(Spelling{"SameName", "links.txt", "", true, true},
                    Spelling{"DotSlash", "./links.txt", "", true, true},
                    Spelling{"ThroughADirectory", "src/../links.txt", "", true, true},
                    Spelling{"Absolute", "@/links.txt", "", true, true},
                    Spelling{"SymbolicLink", "deps.json", "s", true, true},
                    Spelling{"HardLink", "deps.json", "h", true, true},
                    Spelling{"DotSlashNoLinkFileYet", "./links.txt", "", false, true},
                    Spelling{"DanglingSymbolicLink", "deps.json", "s", false, true},
                    Spelling{"SameNameElsewhere", "src/links.txt", "", false, false},
                    Spelling{"AnotherFile", "deps.json", "", true, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
