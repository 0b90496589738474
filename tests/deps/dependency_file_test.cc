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
            "src/broken.adb 1500000005 unclean: Kept BODY with W;\n"
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
    {"FormatOne",
     [](const std::string& p) {
       write_signed_dependency_file(
           p, replaced(read_file(p), "\"vantlink-format\":2", "\"vantlink-format\":1"));
     },
     false},
    {"OtherFormatVersion",
     [](const std::string& p) {
       write_signed_dependency_file(
           p, replaced(read_file(p), "\"vantlink-format\":2", "\"vantlink-format\":3"));
     },
     false},
    // Keys after the rules are covered by the checksum as well.
    {"TrustedBeforeAddedAfterTheRules",
     [](const std::string& p) {
       write_file(p, replaced(read_file(p), "],\"vantlink-checksum\"",
                              "],\"vantlink-trusted-before\":9999999999,\"vantlink-checksum\""));
     },
     false},
    {"KeyAfterTheChecksum",
     [](const std::string& p) {
       std::string text = read_file(p);
       write_file(p,
                  text.substr(0, text.rfind('}')) + ",\"vantlink-trusted-before\":9999999999}\n");
     },
     false},
    // Too large to be this link file's: set aside unread, whatever it holds.
    {"Huge",
     [](const std::string& p) {
       write_file(p, read_file(p));
       fs::resize_file(p, uintmax_t{64} << 30);  // sparse: nothing is written
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

// Everything a reading gives, the rules' own text included, or "refused".
std::string read_as(const std::string& text, NeedsRead needs = NeedsRead::kRead) {
  DependencyFile file;
  std::string error;
  if (!parse_dependency_file(text, file, error, needs)) return "refused";
  std::ostringstream out;
  out << file.mode << " " << file.trusted_before << " " << file.checksum_matches << "\n";
  for (const DependencyRule& rule : file.rules) {
    out << rule.key << " " << rule.time << " " << rule.clean << " " << rule.text << ":";
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

// A file with one rule whose text is `rule`, its checksum right.
std::string one_rule_file(const std::string& rule, const std::string& top = "") {
  std::string text = "{\"version\":1,\"revision\":0,\"vantlink-format\":2," + top +
                     "\"vantlink-ada-mode\":\"95\",\"vantlink-trusted-before\":7,\"rules\":[\n" +
                     rule + "\n],\"vantlink-checksum\":\"0000000000000000\"}\n";
  ScratchDir dir;
  write_signed_dependency_file(dir / "f", text);
  return read_file(dir / "f");
}

constexpr const char* kRule =
    R"({"vantlink-source":"a.ads","vantlink-time":5,"vantlink-clean":true,)"
    R"("provides":[{"logical-name":"A","is-interface":true,"vantlink-kind":"SPEC"},)"
    R"({"logical-name":"B","is-interface":false,"vantlink-kind":"PROC"}],)"
    R"("requires":[{"logical-name":"X","lookup-method":"by-name","vantlink-unit":0},)"
    R"({"logical-name":"Y","lookup-method":"by-name","vantlink-unit":1,"vantlink-limited":true}]})";

struct Reading {
  const char* name;
  std::string from, to;  // in kRule, or in the top level when `top`
  // Empty: read as kRule is; "refused"; else the first line of units read.
  std::string expected;
  bool top = false;
};

std::string units_read(const std::string& text) {
  std::string all = read_as(text);
  if (all == "refused") return all;
  size_t line = all.find('\n') + 1;
  std::string rule = all.substr(line, all.find('\n', line) - line);
  return rule.substr(rule.rfind(':') + 1);
}

// Every value is checked, in skipped keys too; numbers out of range and
// needs of no unit are faults; any spacing and order is read alike.
const Reading kReadings[] = {
    {"AsWritten", "", "", " A SPEC [] X/0 B PROC [] Y/1"},
    {"OtherOrderAndSpacing", R"("vantlink-source":"a.ads","vantlink-time":5,)",
     R"( "vantlink-time" : 5 , "vantlink-source":"a.ads",)", ""},
    {"NeedsOutOfUnitOrder",
     R"({"logical-name":"X","lookup-method":"by-name","vantlink-unit":0},)"
     R"({"logical-name":"Y","lookup-method":"by-name","vantlink-unit":1,"vantlink-limited":true})",
     R"({"logical-name":"Y","vantlink-unit":1,"vantlink-limited":true},)"
     R"({"logical-name":"Z","vantlink-unit":0,"vantlink-private":true},)"
     R"({"logical-name":"X","vantlink-unit":0})",
     " A SPEC [] Z/2 X/0 B PROC [] Y/1"},
    {"ByteEscape", R"("logical-name":"X")", R"("logical-name":"\udce9\u00e9\\")",
     " A SPEC [] \xe9\xc3\xa9\\/0 B PROC [] Y/1"},
    {"UnknownKeysSkipped", R"("vantlink-clean":true,)",
     R"("vantlink-clean":true,"x":[{"y":[-1.5e+3,0,true,false,null,"\n"]}],)", ""},
    {"UnitOutOfRange", R"("vantlink-unit":1)", R"("vantlink-unit":2)", "refused"},
    {"UnitNegative", R"("vantlink-unit":1)", R"("vantlink-unit":-1)", "refused"},
    {"UnitMissing", R"(,"vantlink-unit":1)", "", "refused"},
    {"UnitNotWhole", R"("vantlink-unit":1)", R"("vantlink-unit":1.0)", "refused"},
    {"TimeLargest", R"("vantlink-time":5)", R"("vantlink-time":2147483647)", ""},
    {"TimeTooLarge", R"("vantlink-time":5)", R"("vantlink-time":2147483648)", "refused"},
    {"TimeTooSmall", R"("vantlink-time":5)", R"("vantlink-time":-2147483649)", "refused"},
    {"TimeHuge", R"("vantlink-time":5)", R"("vantlink-time":99999999999999999999)", "refused"},
    {"TrustedTooLarge", R"("vantlink-trusted-before":7)",
     R"("vantlink-trusted-before":9223372036854775808)", "refused", true},
    {"TrustedTooSmall", R"("vantlink-trusted-before":7)",
     R"("vantlink-trusted-before":-9223372036854775809)", "refused", true},
    {"TrustedSmallest", R"("vantlink-trusted-before":7)",
     R"("vantlink-trusted-before":-9223372036854775808)", "", true},
    {"CleanMissing", R"("vantlink-clean":true,)", "", "refused"},
    {"CleanNotBoolean", R"("vantlink-clean":true)", R"("vantlink-clean":1)", "refused"},
    {"RequiresMissing", R"(,"requires":)", R"(,"x":)", "refused"},
    {"SkippedLeadingZero", R"("vantlink-clean":true,)", R"("vantlink-clean":true,"x":01,)",
     "refused"},
    {"SkippedBareMinus", R"("vantlink-clean":true,)", R"("vantlink-clean":true,"x":[-],)",
     "refused"},
    {"SkippedBadFraction", R"("vantlink-clean":true,)", R"("vantlink-clean":true,"x":1.,)",
     "refused"},
    {"SkippedBadLiteral", R"("vantlink-clean":true,)", R"("vantlink-clean":true,"x":[tru],)",
     "refused"},
    {"SkippedBadNull", R"("vantlink-clean":true,)", R"("vantlink-clean":true,"x":nul,)",
     "refused"},
    {"SkippedBadEscape", R"("vantlink-clean":true,)", R"("vantlink-clean":true,"x":"\uzz00",)",
     "refused"},
    {"KeyEscaped", R"("vantlink-clean":true)", R"("vantlink\u002dclean":true,"\u0078":[1])", ""},
    {"KeyBadEscape", R"("vantlink-clean":true,)", R"("vantlink-clean":true,"\q":0,)", "refused"},
    {"LoneSurrogate", R"("logical-name":"X")", R"("logical-name":"\ud800")", "refused"},
    {"ControlCharacter", R"("logical-name":"X")", "\"logical-name\":\"\x01\"", "refused"},
    {"UnknownKind", R"("PROC")", R"("TASK")", "refused"},
    {"TextAfterTheEnd", "\"}\n", "\"}\n{}", "refused", true},
};

class ReaderCases : public testing::TestWithParam<Reading> {};

TEST_P(ReaderCases, ReadsOrRefuses) {
  const Reading& reading = GetParam();
  std::string rule = kRule;
  if (!reading.top && !reading.from.empty()) rule = replaced(rule, reading.from, reading.to);
  std::string text = one_rule_file(rule);
  if (reading.top) text = replaced(text, reading.from, reading.to);
  std::string expected = reading.expected;
  if (expected.empty()) expected = units_read(one_rule_file(kRule));
  EXPECT_EQ(units_read(text), expected) << text;
}

// Needs skipped, a file reads as it would with its needs emptied, the rules'
// own text aside: every other fault is still found.
TEST_P(ReaderCases, SkippingNeedsReadsTheRestAlike) {
  const Reading& reading = GetParam();
  std::string rule = kRule;
  if (!reading.top && !reading.from.empty()) rule = replaced(rule, reading.from, reading.to);
  std::string emptied = rule;  // its needs left out
  if (size_t at = rule.find("\"requires\":["); at != std::string::npos)
    emptied = rule.substr(0, at) + "\"requires\":[]}";
  std::string text = one_rule_file(rule), without = one_rule_file(emptied);
  if (reading.top) {
    text = replaced(text, reading.from, reading.to);
    without = replaced(without, reading.from, reading.to);
  }
  // The rule's text is as read, needs and all: compared apart from the rest.
  auto apart = [](std::string read, const std::string& rule_text) {
    return read == "refused" ? read : replaced(read, rule_text, "<rule>");
  };
  std::string skipped = apart(read_as(text, NeedsRead::kSkipped), rule);
  std::string expected = apart(read_as(without), emptied);
  // A fault in the needs alone may pass unseen; any other is found.
  if (read_as(text) != "refused" || expected == "refused") EXPECT_EQ(skipped, expected) << text;
}

INSTANTIATE_TEST_SUITE_P(Readings, ReaderCases, testing::ValuesIn(kReadings),
                         [](const auto& info) { return std::string(info.param.name); });

// The writer's bytes for a rule: what a P1689 reader sees without a single
// "vantlink-" key (provides, is-interface, requires with lookup-method), and
// what the next run copies when it reuses the rule.
TEST(DependencyWriterText, RuleAsTheFormatWritesIt) {
  DependencyWriter writer("95", 1733700000);
  writer.begin_rule("src/main.adb", 1733600000, true);
  writer.add_unit("Main", "PROC", "");
  writer.add_with("Ada.Text_IO", 0);
  writer.add_with("Shapes", kWithLimited);
  writer.add_unit("P.Q", "BODY", "P");
  writer.add_with("Z", kWithLimited | kWithPrivate);
  writer.end_rule();
  writer.begin_rule("src/x.ads", -5, false);
  writer.add_unit("X", "SPEC", "");
  writer.end_rule();
  std::string text(writer.take());
  writer.finish();
  text += writer.take();
  EXPECT_EQ(text.substr(0, text.find("\"vantlink-checksum\"")),
            R"({"version":1,"revision":0,"vantlink-format":2,"vantlink-ada-mode":"95",)"
            R"("vantlink-trusted-before":1733700000,"rules":[)"
            "\n"
            R"({"vantlink-source":"src/main.adb","vantlink-time":1733600000,"vantlink-clean":true,)"
            R"("provides":[{"logical-name":"Main","is-interface":false,"vantlink-kind":"PROC"},)"
            R"({"logical-name":"P.Q","is-interface":false,"vantlink-kind":"BODY",)"
            R"("vantlink-subunit-of":"P"}],)"
            R"("requires":[{"logical-name":"Ada.Text_IO","lookup-method":"by-name",)"
            R"("vantlink-unit":0},)"
            R"({"logical-name":"Shapes","lookup-method":"by-name","vantlink-unit":0,)"
            R"("vantlink-limited":true},)"
            R"({"logical-name":"Z","lookup-method":"by-name","vantlink-unit":1,)"
            R"("vantlink-limited":true,"vantlink-private":true}]},)"
            "\n"
            R"({"vantlink-source":"src/x.ads","vantlink-time":-5,"vantlink-clean":false,)"
            R"("provides":[{"logical-name":"X","is-interface":true,"vantlink-kind":"SPEC"}],)"
            R"("requires":[]})"
            "\n],");
  DependencyFile file;
  std::string error;
  ASSERT_TRUE(parse_dependency_file(text, file, error)) << error;
  EXPECT_TRUE(file.checksum_matches);
  ASSERT_EQ(file.rules.size(), 2u);
  EXPECT_EQ(file.rules[0].text, text.substr(text.find("{\"vantlink-source\""),
                                            text.find(",\n{\"vantlink-source\":\"src/x") -
                                                text.find("{\"vantlink-source\"")));
}

// The checksum covers every byte but its own digits: any other byte changed,
// and anything written after the digits, leaves the file untrusted.
TEST(DependencyChecksumScope, EveryByteButTheDigits) {
  const std::string text = one_rule_file(kRule);
  ASSERT_EQ(read_as(text).substr(0, 7), "95 7 1\n");
  size_t digits = text.find("\"vantlink-checksum\":\"") + 21;
  // The last line end is spacing after the file's end, as JSON allows.
  for (size_t at = 0; at + 1 < text.size(); ++at) {
    if (at >= digits && at < digits + 16) continue;
    for (char to : {' ', '1'}) {
      std::string changed = text;
      if (changed[at] == to) continue;
      changed[at] = to;
      std::string read = read_as(changed);
      EXPECT_TRUE(read == "refused" || read.substr(0, read.find('\n')).back() == '0')
          << "byte " << at << " made '" << to << "': " << read;
    }
  }
  for (const std::string& after : {std::string(",\"vantlink-trusted-before\":9}"),
                                   std::string(",\"x\":0}")}) {
    std::string extended = replaced(text, "\"}\n", "\"" + after + "\n");
    std::string read = read_as(extended);
    EXPECT_EQ(read.substr(0, read.find('\n')).back(), '0') << extended;
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

// A previous file whose reading runs out of memory is only a cache lost: the
// run goes on as without it.
TEST_F(DependencyRuns, ReadingOutOfMemorySetsThePreviousFileAside) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator cannot sit behind a preloaded one";
#endif
  run();
  rewrite_keeping_time(src("a.ads"), "with Other;\npackage A is end A;\n");
  // The room the reader makes for the rules, one for every 88 bytes (the
  // shortest rule): should it change, the run would reuse a.ads's old rule
  // and the test fail.
  std::string size =
      std::to_string((fs::file_size(path("deps.json")) / 88 + 1) * sizeof(DependencyRule));
  CliResult result = run_vantlink(
      {{"-s", "-r", "links.txt", "src"},
       {{"VANTLINK_DEPS", "deps.json"}, {"LD_PRELOAD", ALLOC_SHIM_PATH}, {"ALLOC_SHIM_SIZE", size}},
       {},
       scratch_.path()});
  ASSERT_EQ(result.status, 0) << result.err;
  auto [link, rules] = full_run();
  EXPECT_EQ(dependency_rules(path("deps.json")), rules);
  EXPECT_EQ(read_file(path("links.txt")), link);
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
         {std::pair{":" + digits + "\n", std::string(":0\n")}, {" " + digits + ":", " 0:"},
          {" " + digits + " unclean:", " 0 unclean:"}})
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
