// vantlink-deps gpr: the project's names and entries, what it leaves out and
// why; against gnatname's Naming package and through gprbuild on hand-made
// trees whose file names no default scheme maps.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "deps/gpr_project.h"
#include "deps_helper.h"
#include "gpr_helper.h"

namespace fs = std::filesystem;

namespace {

struct NameCase {
  const char* name;
  bool valid;
};

TEST(ProjectName, AnAdaIdentifierTheProjectLanguageDoesNotReserve) {
  const NameCase cases[] = {
      {"Tool", true},          {"tool_2", true},  {"Some", true},   {"Interface", true},
      {"A", true},             {"Project", false}, {"body", false}, {"External_As_List", false},
      {"EXTENDS", false},      {"Tagged", false}, {"a__b", false},  {"ab_", false},
      {"_ab", false},          {"2ab", false},    {"", false},      {"a-b", false},
      {"a.b", false},          {"Caf\xe9", false}, {"caf\xc3\xa9", false}, {"a b", false}};
  for (const NameCase& c : cases) EXPECT_EQ(valid_project_name(c.name), c.valid) << c.name;
}

struct UnitNameCase {
  const char* name;
  const char* written;  // nullptr: cannot be written
};

TEST(UnitName, WrittenInLatin1OrRefused) {
  const UnitNameCase cases[] = {
      {"Ada.Text_IO", "Ada.Text_IO"},
      {"Caf\xe9", "Caf\xe9"},                    // Latin-1 source
      {"Caf\xc3\xa9", "Caf\xe9"},                // UTF-8 source
      {"\xc3\x9c" "ber.Stra\xc3\x9f" "e", "\xdc" "ber.Stra\xdf" "e"},
      {"Caf[\"e9\"]", "Caf\xe9"},                // bracket notation
      {"\xc3\xbe" "x", "\xfe" "x"},              // thorn, the last letter taken
      {"\xce\xbb" "ambda", nullptr},             // beyond Latin-1
      {"A[\"03bb\"]", nullptr},
      {"A[\"41\"]", nullptr},                    // the notation for ASCII
      {"A\xff", nullptr},                        // y with diaeresis: gprbuild refuses it
      {"A\xd7", nullptr},                        // the multiplication sign
      {"A\xc2\xaa", nullptr},                    // feminine ordinal: no letter to gprbuild
      {"A\"B", nullptr},
      {"", nullptr}};
  for (const UnitNameCase& c : cases) {
    std::string written = "stale";
    bool ok = gpr_unit_name(c.name, written);
    EXPECT_EQ(ok, c.written != nullptr) << c.name;
    if (ok && c.written) {
      EXPECT_EQ(written, c.written) << c.name;
    }
  }
}

struct File {
  std::string key;
  bool clean;
  std::vector<std::string> units;  // "Name KIND"
};

struct ProjectCase {
  const char* name;
  std::vector<File> files;
  std::vector<std::string> entries;  // the Naming package's lines, in order
  std::vector<std::string> dirs, sources;
  std::string left_out;
};

class Projects : public testing::TestWithParam<ProjectCase> {};

TEST_P(Projects, EntriesAndWhatIsLeftOut) {
  const ProjectCase& c = GetParam();
  std::string text;
  DependencyFile deps;
  for (const File& file : c.files) {
    text += "--file-info:" + file.key + ":100\n";
    for (const std::string& unit : file.units) text += "\"" + file.key + "\" " + unit + "\n";
    DependencyRule rule;
    rule.clean = file.clean;
    deps.rules.push_back(rule);
  }
  LinkFileText link = parse_link_file_text(text);
  GprProject project = make_gpr_project(link, deps, "Tool");
  std::vector<std::string> entries;
  size_t from = project.text.find("package Naming is\n");
  size_t to = project.text.find("   end Naming;");
  ASSERT_NE(from, std::string::npos);
  ASSERT_NE(to, std::string::npos);
  std::string naming = project.text.substr(from + 18, to - from - 18);
  for (size_t at = 0; at < naming.size(); at = naming.find('\n', at) + 1)
    entries.push_back(naming.substr(at + 6, naming.find('\n', at) - at - 6));
  EXPECT_EQ(entries, c.entries);
  EXPECT_EQ(project.entries, c.entries.size());
  EXPECT_EQ(gpr::list_items(project.text, "Source_Dirs"), c.dirs);
  EXPECT_EQ(gpr::list_items(project.text, "Source_Files"), c.sources);
  EXPECT_EQ(project.left_out, c.left_out);
  EXPECT_TRUE(project.text.starts_with("project Tool is\n")) << project.text;
  EXPECT_TRUE(project.text.ends_with("\nend Tool;\n")) << project.text;
}

const std::string kWarned = ": its analysis warned, so its units' places in it are unknown\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, Projects,
    testing::Values(
        ProjectCase{"SeveralUnitsIndexedOneUnitNot",
                    {{"src/a.ada", true, {"Alpha SPEC", "Alpha BODY", "Main PROC", "Alpha.Run PROC",
                                          "Alpha.Job BODY"}},
                     {"src/b.ads", true, {"Beta SPEC"}}},
                    {"for Spec (\"Alpha\") use \"a.ada\" at 1;",
                     "for Body (\"Alpha\") use \"a.ada\" at 2;",
                     "for Body (\"Main\") use \"a.ada\" at 3;",
                     "for Body (\"Alpha.Run\") use \"a.ada\" at 4;",
                     "for Body (\"Alpha.Job\") use \"a.ada\" at 5;",
                     "for Spec (\"Beta\") use \"b.ads\";"},
                    {"src"},
                    {"a.ada", "b.ads"},
                    ""},
        // A warned file's units still come first: the later file's copy is no entry.
        ProjectCase{"WarnedFileLeftOut",
                    {{"a.ada", false, {"Alpha SPEC"}},
                     {"b.ada", true, {"ALPHA SPEC", "Gamma SPEC"}}},
                    {"for Spec (\"Gamma\") use \"b.ada\" at 2;"},
                    {"."},
                    {"b.ada"},
                    "left out a.ada" + kWarned + "duplicate a.ada: ALPHA SPEC b.ada\n"},
        ProjectCase{"LaterFileOfTheSameNameLeftOut",
                    {{"x/u.ada", true, {"P SPEC"}}, {"y/u.ada", true, {"Q SPEC"}},
                     {"y/v.ada", true, {"R SPEC"}}},
                    {"for Spec (\"P\") use \"u.ada\";", "for Spec (\"R\") use \"v.ada\";"},
                    {"x", "y"},
                    {"u.ada", "v.ada"},
                    "left out y/u.ada: x/u.ada has the same file name and comes first\n"},
        // Latin-1 and UTF-8 spellings of one name are one unit; a spec and a
        // body of it are two.
        ProjectCase{"OneNameInTwoEncodings",
                    {{"/t/a.ada", true, {"Caf\xe9 SPEC"}},
                     {"/t/b.ada", true, {"CAF\xc3\x89 SPEC"}},
                     {"/c.ada", true, {"caf\xc3\xa9 PROC"}}},
                    {"for Spec (\"Caf\xe9\") use \"a.ada\";",
                     "for Body (\"caf\xe9\") use \"c.ada\";"},
                    {"/t", "/"},
                    {"a.ada", "c.ada"},
                    "duplicate /t/a.ada: CAF\xc3\x89 SPEC /t/b.ada\n"},
        ProjectCase{"NameBeyondLatin1LeftOutFileKept",
                    {{"a.ada", true, {"\xce\xbb" "ambda SPEC", "Beta SPEC"}},
                     {"b.ada", true, {"\xce\xbb" "ambda BODY"}}},
                    {"for Spec (\"Beta\") use \"a.ada\" at 2;"},
                    {"."},
                    {"a.ada"},
                    "left out \xce\xbb" "ambda SPEC a.ada: a name gprbuild cannot read\n"
                    "left out \xce\xbb" "ambda BODY b.ada: a name gprbuild cannot read\n"},
        // A file without a unit (pragma No_Body) is no source of the project.
        ProjectCase{"FileWithoutUnits",
                    {{"n/none.adb", true, {}}, {"d/q\"s.ada", true, {"Q SPEC"}}},
                    {"for Spec (\"Q\") use \"q\"\"s.ada\";"},
                    {"n", "d"},
                    {"q\"s.ada"},
                    ""},
        // gprbuild refuses a project for a control character in a string.
        ProjectCase{"ControlCharacterInAName",
                    {{"s/a\tb.ada", true, {"P SPEC"}}, {"s\x7f/c.ada", true, {"Q SPEC"}},
                     {"s/d.ada", true, {"P SPEC", "R SPEC"}}},
                    {"for Spec (\"R\") use \"d.ada\" at 2;"},
                    {"s"},
                    {"d.ada"},
                    "left out s/a\tb.ada: a control character in its name, which gprbuild "
                    "cannot read\nleft out s\x7f/c.ada: a control character in its name, which "
                    "gprbuild cannot read\nduplicate s/a\tb.ada: P SPEC s/d.ada\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct Usage {
  const char* name;
  std::vector<std::string> args;
};

class GprUsage : public testing::TestWithParam<Usage> {};

TEST_P(GprUsage, RefusedBeforeReading) {
  CliResult result = run_vantlink_deps(GetParam().args, ".");
  EXPECT_EQ(result.status, 2);
  EXPECT_TRUE(result.err.starts_with("vantlink-deps: gpr needs one project name")) << result.err;
  EXPECT_EQ(result.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Names, GprUsage,
    testing::Values(Usage{"None", {"gpr", "none.txt", "none.json"}},
                    Usage{"Two", {"gpr", "none.txt", "none.json", "A", "B"}},
                    Usage{"Reserved", {"gpr", "none.txt", "none.json", "Project"}},
                    Usage{"NoIdentifier", {"gpr", "none.txt", "none.json", "my-tool"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A file whose analysis warned keeps the units found in the link file, but
// their places in it are unknown: none gets an entry.
TEST(WarnedFile, LeftOutWithItsName) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  write_file(scratch / "src/good.ada", "package Good is\nend Good;\n\npackage Fine is\nend Fine;\n");
  write_file(scratch / "src/bad.ada",
             "package Bad is\n   X : Integer := ;\nend Bad;\n\npackage Lost is\nend Lost;\n");
  CliResult ours = gpr::export_project(scratch, {"src"}, "Tool");
  EXPECT_EQ(ours.status, 1);
  EXPECT_EQ(ours.err, "left out src/bad.ada" + kWarned);
  EXPECT_NE(read_file(scratch / "links.txt").find("\"src/bad.ada\" Lost SPEC"), std::string::npos);
  EXPECT_EQ(gpr::naming_entries(ours.out),
            (std::set<std::string>{"Spec good good.ada 1", "Spec fine good.ada 2"}));
  EXPECT_EQ(gpr::list_items(ours.out, "Source_Files"), std::vector<std::string>{"good.ada"});
}

fs::path data() { return fs::path(VANTLINK_DEPS_DATA); }

// The hand-made trees: multi-unit files, and files of any unit named
// otherwise (children, subunits, instances, Latin-1, pragma No_Body).
void copy_trees(const ScratchDir& scratch) {
  fs::copy(data() / "trees", scratch / "trees");
  fs::copy(data() / "renamed", scratch / "renamed");
}

TEST(HandMadeTrees, EntriesAreGnatnames) {
  if (!gpr::installed("gnatname")) GTEST_SKIP() << "gnatname is not installed";
  ScratchDir scratch;
  copy_trees(scratch);
  CliResult ours = gpr::export_project(scratch, {"trees", "renamed"}, "Tool");
  ASSERT_EQ(ours.status, 0) << ours.err;
  EXPECT_EQ(ours.err, "");
  make_directory(scratch / "g");
  std::string gnat = gpr::gnatname_naming(scratch / "g", {"../trees", "../renamed"}, true);
  ASSERT_FALSE(gnat.empty());
  std::set<std::string> entries = gpr::naming_entries(ours.out);
  EXPECT_EQ(entries, gpr::naming_entries(gnat));
  EXPECT_GT(entries.size(), 50u);
}

// The .ali files of every file a project names, and what they hold.
std::map<std::string, std::string> ali_files(const std::string& directory) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(directory))
    if (entry.path().extension() == ".ali")
      files[entry.path().filename().string()] = read_file(entry.path().string());
  return files;
}

TEST(HandMadeTrees, GprbuildCompilesAsThroughGnatnamesProject) {
  if (!gpr::installed("gnatname") || !gpr::installed("gprbuild"))
    GTEST_SKIP() << "gnatname or gprbuild is not installed";
  ScratchDir scratch;
  copy_trees(scratch);
  CliResult ours = gpr::export_project(scratch, {"trees", "renamed"}, "Tool");
  ASSERT_EQ(ours.status, 0) << ours.err;
  write_file(scratch / "tool.gpr", ours.out);
  make_directory(scratch / "g");
  ASSERT_FALSE(gpr::gnatname_naming(scratch / "g", {"../trees", "../renamed"}, true).empty());
  CliResult through_ours = gpr::shell("gprbuild -c -k -q -P tool.gpr -cargs -gnat2022 -gnatc",
                                      scratch.path());
  EXPECT_EQ(through_ours.status, 0);
  EXPECT_EQ(through_ours.out, "");
  CliResult through_gnatname =
      gpr::shell("gprbuild -c -k -q -P gn.gpr -cargs -gnat2022 -gnatc", scratch / "g");
  EXPECT_EQ(through_gnatname.status, 0) << through_gnatname.out;
  std::map<std::string, std::string> alis = ali_files(scratch.path());
  EXPECT_EQ(alis, ali_files(scratch / "g"));
  EXPECT_GT(alis.size(), 40u);
}

// UTF-8 names within Latin-1 reach gprbuild in Latin-1; a name beyond it is
// left out, and the rest still builds.
TEST(Utf8Names, GprbuildFindsTheUnits) {
  if (!gpr::installed("gprbuild")) GTEST_SKIP() << "gprbuild is not installed";
  ScratchDir scratch;
  make_directory(scratch / "src");
  const std::string mark = "\xef\xbb\xbf";
  write_file(scratch / "src/street.ada", mark + "package \xc3\x9c" "ber.Stra\xc3\x9f" "e is\n"
                                             "   X : Integer := 1;\nend \xc3\x9c" "ber."
                                             "Stra\xc3\x9f" "e;\n");
  write_file(scratch / "src/over.ada", mark + "package \xc3\xbc" "ber is\nend \xc3\xbc" "ber;\n");
  write_file(scratch / "src/walk.ada", mark + "with \xc3\xbc" "ber.stra\xc3\x9f" "e;\n"
                                           "procedure Walk is\nbegin\n   null;\nend Walk;\n");
  write_file(scratch / "src/greek.ada", mark + "package \xce\xbb" "ambda is\nend \xce\xbb"
                                            "ambda;\n");
  CliResult ours = gpr::export_project(scratch, {"src"}, "Walks");
  EXPECT_EQ(ours.status, 1);
  EXPECT_EQ(ours.err, "left out \xce\xbb" "ambda SPEC src/greek.ada: a name gprbuild cannot read\n");
  write_file(scratch / "walks.gpr", ours.out);
  CliResult built =
      gpr::shell("gprbuild -c -k -q -P walks.gpr -cargs -gnat2022 -gnatc", scratch.path());
  EXPECT_EQ(built.status, 0) << built.out;
  EXPECT_EQ(built.out, "");
  EXPECT_EQ(ali_files(scratch.path()).size(), 3u);
}

}  // namespace
