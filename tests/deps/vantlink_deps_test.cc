// vantlink-deps on trees analysed by the built vantlink: the order against
// GNAT's .ali files, what check finds, the closures, the forms and the
// statuses.
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "ali.h"
#include "deps/name_fold.h"
#include "deps/unit_graph.h"
#include "deps_helper.h"
#include "gnat_helper.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kAdaLib = "/usr/lib/gcc/x86_64-linux-gnu/12/adalib";

std::string lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// "Name KIND path" -> "name%s" / "name%b".
std::string unit_key(const std::string& line) {
  std::istringstream words(line);
  std::string name, kind;
  words >> name >> kind;
  return lower(name) + (kind == "SPEC" ? "%s" : "%b");
}

// vantlink with VANTLINK_DEPS over `directories`, from `scratch`.
void analyse(const ScratchDir& scratch, const std::vector<std::string>& directories,
             const std::string& mode = "2022", const std::string& link = "links.txt",
             const std::string& deps = "deps.json") {
  std::vector<std::string> args = {"-s", "-f", "-r", link};
  args.insert(args.end(), directories.begin(), directories.end());
  CliResult result =
      run_vantlink({args, {{"VANTLINK_DEPS", deps}, {"VANTLINK_ADA", mode}}, {}, scratch.path()});
  ASSERT_EQ(result.status, 0) << result.err;
}

CliResult deps(const ScratchDir& scratch, const std::string& command,
               std::vector<std::string> units = {}, const std::string& form = "") {
  std::vector<std::string> args;
  if (!form.empty()) args.push_back(form);
  args.insert(args.end(), {command, "links.txt", "deps.json"});
  args.insert(args.end(), units.begin(), units.end());
  return run_vantlink_deps(args, scratch.path());
}

// Every unit an .ali file lists on a "W" line comes before the unit whose
// lines they are, where both are in `order`.
void expect_gnat_order(const std::vector<std::string>& order, const std::vector<fs::path>& alis,
                       const char* what) {
  std::map<std::string, size_t> position;
  for (size_t i = 0; i < order.size(); ++i) position.emplace(unit_key(order[i]), i);
  auto place = [&](const std::string& key) -> const size_t* {
    auto found = position.find(key);
    // A subprogram body without a spec stands for it.
    if (found == position.end() && key.ends_with("%s"))
      found = position.find(key.substr(0, key.size() - 2) + "%b");
    return found == position.end() ? nullptr : &found->second;
  };
  size_t checked = 0;
  for (const fs::path& path : alis)
    for (const ali::Unit& unit : ali::read_units(path)) {
      const size_t* after = place(unit.name + (unit.body ? "%b" : "%s"));
      if (after == nullptr) continue;
      for (const auto& [name, limited] : unit.withs) {
        if (limited) continue;
        const size_t* before = place(name + "%s");
        if (before == nullptr || before == after) continue;
        ++checked;
        EXPECT_LT(*before, *after) << what << ": " << name << " after " << unit.name;
      }
    }
  std::printf("%s: %zu units ordered, %zu orderings GNAT's .ali files ask for checked\n", what,
              order.size(), checked);
  EXPECT_GT(checked, 0u);
}

TEST(RuntimeDependencies, OrderAgreesWithGnat) {
  if (!gnat::available() || !fs::is_directory(kAdaLib)) GTEST_SKIP() << "GNAT is not installed";
  ScratchDir scratch;
  analyse(scratch, {gnat::kRuntimeDir});
  CliResult order = deps(scratch, "order");
  ASSERT_EQ(order.status, 0) << order.err;
  std::vector<fs::path> alis;
  for (const auto& entry : fs::directory_iterator(kAdaLib))
    if (entry.path().extension() == ".ali") alis.push_back(entry.path());
  expect_gnat_order(lines_of(order.out), alis, "runtime");
}

// What check finds on the runtime is real: GNAT itself names the same unit
// in each file of a duplicate, and no .ali file has a unit withed but
// unresolved.
TEST(RuntimeDependencies, CheckFindsOnlyRealProblems) {
  if (!gnat::available() || !fs::is_directory(kAdaLib)) GTEST_SKIP() << "GNAT is not installed";
  ScratchDir scratch;
  analyse(scratch, {gnat::kRuntimeDir});
  CliResult check = deps(scratch, "check");
  std::set<std::string> gnat_units;
  for (const auto& entry : fs::directory_iterator(kAdaLib))
    if (entry.path().extension() == ".ali")
      for (const ali::Unit& unit : ali::read_units(entry.path())) gnat_units.insert(unit.name);
  for (const std::string& line : lines_of(check.out)) {
    std::printf("runtime check: %s\n", line.c_str());
    std::string problem = line.substr(0, line.find(' '));
    std::string unit_line = line.substr(line.find(": ") + 2);
    std::string file = unit_line.substr(unit_line.rfind(' ') + 1);
    if (problem == "duplicate") {
      std::string first = line.substr(10, line.find(": ") - 10);
      std::string name = unit_line.substr(0, unit_line.find(' '));
      for (const std::string& path : {first, file}) {
        gnat::Result result = gnat::units_of(path, scratch.path(), "-gnat2022");
        bool named = false;
        for (const gnat::Unit& unit : result.units) named = named || lower(unit.name) == lower(name);
        EXPECT_TRUE(named) << "GNAT does not find " << name << " in " << path;
      }
    } else if (problem == "unresolved") {
      std::string name = line.substr(11, line.find(": ") - 11);
      EXPECT_EQ(gnat_units.count(lower(name)), 0u) << name << " has an .ali file";
    } else {
      ADD_FAILURE() << line;
    }
  }
  EXPECT_EQ(check.status, check.out.empty() ? 0 : 1);
}

// The files an .ali file's "D" lines name (what GNAT read), by file name.
void read_files(const fs::path& ali_path, std::set<std::string>& files) {
  std::istringstream in(read_file(ali_path));
  for (std::string line; std::getline(in, line);)
    if (line.starts_with("D ")) files.insert(line.substr(2, line.find(' ', 2) - 2));
}

// Each Debian Ada library, with the runtime and the other libraries given as
// external: what check finds is real. A duplicate's counting file is one
// GNAT read and the other one none it read (a variant the library's project
// leaves out); an unresolved name has no .ali anywhere.
TEST(InstalledLibraries, CheckFindsOnlyRealProblems) {
  const fs::path sources = "/usr/share/ada/adainclude";
  const fs::path objects = "/usr/lib/x86_64-linux-gnu/ada/adalib";
  if (!gnat::available() || !fs::is_directory(sources) || !fs::is_directory(objects))
    GTEST_SKIP() << "no Ada library installed";
  ScratchDir scratch;
  analyse(scratch, {gnat::kRuntimeDir}, "2022", "rt.txt", "rt.json");
  std::vector<std::string> libraries;
  std::set<std::string> gnat_units;
  for (const auto& entry : fs::directory_iterator(kAdaLib))
    if (entry.path().extension() == ".ali")
      for (const ali::Unit& unit : ali::read_units(entry.path())) gnat_units.insert(unit.name);
  for (const auto& entry : fs::directory_iterator(sources)) {
    if (!entry.is_directory()) continue;
    std::string name = entry.path().filename().string();
    libraries.push_back(name);
    analyse(scratch, {entry.path().string()}, "2022", name + ".txt", name + ".json");
    if (fs::is_directory(objects / name))
      for (const auto& ali_entry : fs::directory_iterator(objects / name))
        if (ali_entry.path().extension() == ".ali")
          for (const ali::Unit& unit : ali::read_units(ali_entry.path()))
            gnat_units.insert(unit.name);
  }
  size_t findings = 0;
  for (const std::string& library : libraries) {
    std::vector<std::string> args = {"--external", "rt.txt", "rt.json"};
    for (const std::string& other : libraries)
      if (other != library)
        args.insert(args.end(), {"--external", other + ".txt", other + ".json"});
    args.insert(args.end(), {"check", library + ".txt", library + ".json"});
    CliResult check = run_vantlink_deps(args, scratch.path());
    EXPECT_EQ(check.status, check.out.empty() ? 0 : 1) << check.err;
    std::set<std::string> read;
    if (fs::is_directory(objects / library))
      for (const auto& ali_entry : fs::directory_iterator(objects / library))
        if (ali_entry.path().extension() == ".ali") read_files(ali_entry.path(), read);
    for (const std::string& line : lines_of(check.out)) {
      ++findings;
      std::printf("%s: %s\n", library.c_str(), line.c_str());
      std::string problem = line.substr(0, line.find(' '));
      std::string file = line.substr(line.rfind(' ') + 1);
      if (problem == "duplicate") {
        std::string first = line.substr(10, line.find(": ") - 10);
        EXPECT_EQ(read.count(fs::path(first).filename().string()), 1u) << line;
        EXPECT_EQ(read.count(fs::path(file).filename().string()), 0u) << line;
      } else if (problem == "unresolved") {
        std::string name = line.substr(11, line.find(": ") - 11);
        EXPECT_EQ(gnat_units.count(lower(name)), 0u) << name << " has an .ali file";
      } else {
        ADD_FAILURE() << line;
      }
    }
  }
  std::printf("%zu libraries checked, %zu findings\n", libraries.size(), findings);
}

// Hand-made trees: each a file of several units, analysed whole by vantlink
// and split by gnatchop for GNAT.
class TreeOrder : public testing::TestWithParam<const char*> {};

TEST_P(TreeOrder, AgreesWithGnat) {
  if (!gnat::available()) GTEST_SKIP() << "GNAT is not installed";
  fs::path source = fs::path(VANTLINK_DEPS_DATA) / "trees" / GetParam();
  ScratchDir scratch;
  make_directory(scratch / "src");
  make_directory(scratch / "chopped");
  fs::copy(source, scratch / ("src/" + source.filename().string()));
  std::string chop = "cd '" + scratch.path() + "/chopped' && gnatchop -q -w '" + source.string() +
                     "' . >/dev/null 2>&1 && for f in *.ads *.adb; do gcc -c -gnatc -gnat2022 "
                     "\"$f\" >/dev/null 2>&1; done";
  ASSERT_EQ(std::system(chop.c_str()), 0);
  analyse(scratch, {"src"});
  CliResult order = deps(scratch, "order");
  ASSERT_EQ(order.status, 0) << order.err;
  std::vector<fs::path> alis;
  for (const auto& entry : fs::directory_iterator(scratch / "chopped"))
    if (entry.path().extension() == ".ali") alis.push_back(entry.path());
  expect_gnat_order(lines_of(order.out), alis, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Trees, TreeOrder,
                         testing::Values("subunits.ada", "multi.ada", "marks.ada",
                                         "generic_children.ada"),
                         [](const auto& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

// A small tree in src/, one unit a file: name -> source.
using Sources = std::vector<std::pair<std::string, std::string>>;

ScratchDir tree_of(const Sources& sources) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  for (const auto& [name, text] : sources) write_file(scratch / ("src/" + name), text);
  analyse(scratch, {"src"});
  return scratch;
}

// Unit names of the lines, in order.
std::vector<std::string> names(const std::string& out) {
  std::vector<std::string> result;
  for (const std::string& line : lines_of(out)) result.push_back(line.substr(0, line.find(' ')));
  return result;
}

const Sources kShop = {
    {"shop.ads", "package Shop is end Shop;\n"},
    {"shop-till.ads", "with Money;\nlimited with Ledger;\npackage Shop.Till is end Shop.Till;\n"},
    {"shop-till.adb", "package body Shop.Till is\n   procedure Count is separate;\nend Shop.Till;\n"},
    {"shop-till-count.adb", "with Ledger;\nseparate (Shop.Till)\nprocedure Count is begin null; end;\n"},
    {"money.ads", "package Money is end Money;\n"},
    {"ledger.ads", "with Shop.Till;\npackage Ledger is end Ledger;\n"},
    {"main.adb", "with Shop.Till;\nprocedure Main is begin null; end Main;\n"},
};

struct Closure {
  const char* name;
  const char* command;
  std::vector<std::string> units;
  std::vector<std::string> expected;  // in any order
};

class Closures : public testing::TestWithParam<Closure> {};

TEST_P(Closures, EachUnitWithItsFile) {
  ScratchDir scratch = tree_of(kShop);
  CliResult result = deps(scratch, GetParam().command, GetParam().units);
  ASSERT_EQ(result.status, 0) << result.err;
  std::vector<std::string> got = names(result.out);
  std::vector<std::string> expected = GetParam().expected;
  std::sort(got.begin(), got.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(got, expected);
  for (const std::string& line : lines_of(result.out)) EXPECT_TRUE(line.find(" src/") != std::string::npos) << line;
}

INSTANTIATE_TEST_SUITE_P(
    Shop, Closures,
    testing::Values(
        // Main needs the spec of Shop.Till and so its parent Shop, Money and,
        // through a limited with, Ledger.
        Closure{"MainNeeds", "depends", {"main"}, {"Shop.Till", "Shop", "Money", "Ledger"}},
        // The subunit needs its parent body, which needs its spec.
        Closure{"SubunitNeeds",
                "depends",
                {"Shop.Till.Count"},
                {"Shop.Till", "Shop.Till", "Shop", "Money", "Ledger"}},
        Closure{"AfterMoneyChanges",
                "dependents",
                {"MONEY"},
                {"Shop.Till", "Shop.Till", "Shop.Till.Count", "Main", "Ledger"}},
        // Ledger is in a cycle: it depends on itself.
        Closure{"AfterLedgerChanges",
                "dependents",
                {"Ledger"},
                {"Shop.Till", "Shop.Till", "Shop.Till.Count", "Main", "Ledger"}},
        Closure{"AfterShopBodyChanges", "dependents", {"Shop.Till.Count"}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Order, EveryUnitAfterWhatItNeedsAndLegalCycleQuiet) {
  ScratchDir scratch = tree_of(kShop);
  CliResult result = deps(scratch, "order");
  EXPECT_EQ(result.status, 0);  // the cycle Ledger - Shop.Till is closed by a limited with
  EXPECT_EQ(result.err, "");
  std::vector<std::string> order = names(result.out);
  ASSERT_EQ(order.size(), kShop.size());
  auto at = [&](const std::string& name) {
    return std::find(order.begin(), order.end(), name) - order.begin();
  };
  EXPECT_LT(at("Shop"), at("Shop.Till"));
  EXPECT_LT(at("Money"), at("Shop.Till"));
  EXPECT_LT(at("Shop.Till"), at("Main"));
  EXPECT_LT(at("Shop.Till"), at("Shop.Till.Count"));
  EXPECT_LT(at("Shop.Till"), at("Ledger"));  // Ledger's with is not limited
}

TEST(Order, CycleWithoutLimitedWithsFails) {
  ScratchDir scratch = tree_of({{"a.ads", "with B;\npackage A is end A;\n"},
                                {"b.ads", "with A;\npackage B is end B;\n"},
                                {"c.ads", "with A;\npackage C is end C;\n"}});
  CliResult result = deps(scratch, "order");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "vantlink-deps: cycle: A SPEC B SPEC\n");
  EXPECT_EQ(names(result.out).back(), "C");  // the order still covers the rest
}

// Names as GNAT compares them; Latin-1 names as bytes ("\xc4" is Ä).
struct NamePair {
  const char* a;
  const char* b;
  bool same;
};

class Names : public testing::TestWithParam<NamePair> {};

TEST_P(Names, EqualAndHashedAlike) {
  const NamePair& p = GetParam();
  EXPECT_EQ(SameName()(p.a, p.b), p.same) << p.a << " " << p.b;
  EXPECT_EQ(SameName()(p.b, p.a), p.same) << p.b << " " << p.a;
  if (p.same) EXPECT_EQ(NameHash()(p.a), NameHash()(p.b)) << p.a << " " << p.b;
}

INSTANTIATE_TEST_SUITE_P(
    Letters, Names,
    testing::Values(NamePair{"Ada.Text_IO", "ADA.TEXT_IO", true},
                    NamePair{"Ada.Text_IO", "Ada.Text_IP", false},
                    NamePair{"Ab", "Abc", false},
                    NamePair{"L\xc4NGE", "L\xe4nge", true},         // Latin-1
                    NamePair{"P.\xde\xc0", "p.\xfe\xe0", true},     // Latin-1 Þ À
                    NamePair{"X\xd7", "X\xf7", false},              // × is no capital of ÷
                    NamePair{"\xdf", "\xff", false},                // ß, ÿ
                    NamePair{"L\xc4NGE", "LÄNGE", false},           // Latin-1 and UTF-8
                    NamePair{"LÄNGE", "Länge", true},
                    NamePair{"GRÖßE", "Größe", true},
                    NamePair{"GRÖSSE", "Größe", false},
                    NamePair{"Ada.ΣΑ", "ada.σα", true},
                    NamePair{"ςα", "σα", false},
                    NamePair{"İx", "ix", false},                    // as GNAT: not ASCII i
                    NamePair{"\u212aey", "key", false},            // the Kelvin sign
                    NamePair{"\u023a.B", "\u2c65.b", true},        // lengths differ in UTF-8
                    NamePair{"Long_Name_\u0416_Long_Name", "LONG_NAME_\u0436_long_name", true},
                    NamePair{"\xc3\xa9\xaa", "\xc3\x89\xaa", false}),  // no UTF-8: Latin-1
    [](const auto& info) { return "Pair" + std::to_string(info.index); });

// The same comparison in every command.
struct NameCase {
  const char* name;
  std::vector<std::string> command;
  int status;
  const char* out;
};

class NamesInCommands : public testing::TestWithParam<NameCase> {};

const Sources kLetters = {
    {"laenge.ads", "package L\xe4nge is end L\xe4nge;\n"},  // Latin-1
    {"m.adb", "with L\xc4NGE;\nprocedure M is begin null; end M;\n"},
    {"groesse.ads", "package Größe is end Größe;\n"},  // UTF-8
    {"groesse.adb", "package body GRÖßE is end gröSSe;\n"},
    {"n.adb", "with GRÖßE;\nprocedure N is begin null; end N;\n"},
};

TEST_P(NamesInCommands, FoldedAlike) {
  const NameCase& c = GetParam();
  ScratchDir scratch = tree_of(kLetters);
  std::vector<std::string> units(c.command.begin() + 1, c.command.end());
  CliResult result = deps(scratch, c.command[0], units);
  EXPECT_EQ(result.status, c.status) << result.err;
  EXPECT_EQ(result.out, c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Letters, NamesInCommands,
    testing::Values(
        NameCase{"CheckQuiet", {"check"}, 0, ""},
        NameCase{"Depends", {"depends", "n"}, 0, "Größe SPEC src/groesse.ads\n"},
        NameCase{"DependentsByUtf8", {"dependents", "gröSSe"}, 5, ""},
        NameCase{"DependentsByUtf8Capitals", {"dependents", "GRÖßE"}, 0,
                 "GRÖßE BODY src/groesse.adb\nN PROC src/n.adb\n"},
        // Typed in UTF-8, the name still finds the Latin-1 unit.
        NameCase{"DependentsOfLatin1", {"dependents", "LÄNGE"}, 0, "M PROC src/m.adb\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Cycles: the order follows every need no limited with makes, and a cycle
// fails only when it stays one without its limited withs.
struct CycleCase {
  const char* name;
  Sources sources;
  std::vector<std::string> command;  // and its units
  int status;
  std::vector<std::string> order;  // names, in this order
  const char* err;
};

class Cycles : public testing::TestWithParam<CycleCase> {};

TEST_P(Cycles, LegalOrderAndStatus) {
  const CycleCase& c = GetParam();
  ScratchDir scratch = tree_of(c.sources);
  std::vector<std::string> units(c.command.begin() + 1, c.command.end());
  CliResult result = deps(scratch, c.command[0], units);
  EXPECT_EQ(result.status, c.status);
  EXPECT_EQ(names(result.out), c.order);
  EXPECT_EQ(result.err, c.err);
}

const Sources kOneSided = {{"lo_a.ads", "with Lo_B;\npackage Lo_A is end Lo_A;\n"},
                           {"lo_b.ads", "limited with Lo_A;\npackage Lo_B is end Lo_B;\n"}};
const Sources kSelf = {{"a.ads", "with A;\npackage A is end A;\n"},
                       {"b.ads", "with A;\npackage B is end B;\n"}};

INSTANTIATE_TEST_SUITE_P(
    Trees, Cycles,
    testing::Values(
        CycleCase{"OneSidedLimited", kOneSided, {"order"}, 0, {"Lo_B", "Lo_A"},
                  ""},
        CycleCase{"LimitedClosesALongerOne",
                  {{"x.ads", "with Y;\npackage X is end X;\n"},
                   {"y.ads", "with Z;\npackage Y is end Y;\n"},
                   {"z.ads", "limited with X;\npackage Z is end Z;\n"},
                   {"w.ads", "with X;\npackage W is end W;\n"}},
                  {"order"}, 0, {"Z", "Y", "X", "W"},
                  ""},
        CycleCase{"LimitedCycleAmongOwnDependents", kOneSided, {"dependents", "Lo_B"}, 0,
                  {"Lo_B", "Lo_A"}, ""},
        CycleCase{"SpecWithsItself", kSelf, {"order"}, 1, {"A", "B"},
                  "vantlink-deps: cycle: A SPEC\n"},
        CycleCase{"SelfAmongOwnDependents", kSelf, {"dependents", "A"}, 0, {"A", "B"}, ""},
        CycleCase{"SelfAmongOwnNeeds", kSelf, {"depends", "A"}, 0, {"A"}, ""},
        CycleCase{"ProcedureWithsItself",
                  {{"m.adb", "with M;\nprocedure M is begin null; end M;\n"}}, {"order"}, 1,
                  {"M"}, "vantlink-deps: cycle: M PROC\n"},
        CycleCase{"LimitedSelfWith", {{"l.ads", "limited with L;\npackage L is end L;\n"}},
                  {"order"}, 1, {"L"}, "vantlink-deps: cycle: L SPEC\n"},
        // A body withing its spec, a child its parent: no cycle.
        CycleCase{"BodyWithsItsSpec",
                  {{"p.ads", "package P is end P;\n"},
                   {"p.adb", "with P;\npackage body P is end P;\n"},
                   {"p-c.ads", "with P;\npackage P.C is end P.C;\n"}},
                  {"order"}, 0, {"P", "P.C", "P"}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Check, EveryKindOfProblem) {
  ScratchDir scratch = tree_of({
      {"a.ads", "with Nowhere.Thing;\npackage A is end A;\n"},
      {"a2.ads", "package A is end A;\n"},
      {"lone.adb", "package body Lone is end Lone;\n"},
      {"orphan.adb", "separate (Gone)\nprocedure Orphan is begin null; end;\n"},
      {"main.adb", "with A;\nprocedure Main is begin null; end Main;\n"},
  });
  CliResult result = deps(scratch, "check");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out,
            "duplicate src/a.ads: A SPEC src/a2.ads\n"
            "unresolved Nowhere.Thing: A SPEC src/a.ads\n"
            "no-spec: Lone BODY src/lone.adb\n"
            "no-parent-body Gone: Gone.Orphan PROC src/orphan.adb\n");
}

TEST(Check, CleanTreeSaysNothing) {
  ScratchDir scratch = tree_of(kShop);
  CliResult result = deps(scratch, "check");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
}

TEST(Forms, MakeRulesAndGraph) {
  ScratchDir scratch = tree_of(kShop);
  CliResult make = deps(scratch, "depends", {"Main"}, "--make");
  EXPECT_EQ(make.status, 0);
  EXPECT_NE(make.out.find("\nmain.o: src/main.adb "), std::string::npos) << make.out;
  EXPECT_NE(make.out.find("src/money.ads"), std::string::npos);
  CliResult dot = deps(scratch, "order", {}, "--dot");
  EXPECT_TRUE(dot.out.starts_with("digraph dependencies {\n")) << dot.out;
  EXPECT_NE(dot.out.find("\"main%b@src/main.adb\" -> \"shop.till%s@src/shop-till.ads\";"),
            std::string::npos)
      << dot.out;
  EXPECT_NE(dot.out.find("\"shop.till%s@src/shop-till.ads\" -> \"ledger%s@src/ledger.ads\" "
                         "[style=dashed];"),
            std::string::npos);
}

// Graphs: a node for each unit and file, valid UTF-8 whatever the names' bytes.
struct DotCase {
  const char* name;
  Sources sources;
  bool external;  // the tree's files in ext/ given as external, and main.adb in src/
  std::vector<std::string> lines;  // each in the graph
  size_t nodes;
};

class Graphs : public testing::TestWithParam<DotCase> {};

TEST_P(Graphs, NodesEdgesAndUtf8) {
  const DotCase& c = GetParam();
  ScratchDir scratch = tree_of(c.external ? Sources{{"main.adb", "with Lib.Io;\nprocedure Main is "
                                                                   "begin null; end Main;\n"}}
                                          : c.sources);
  std::vector<std::string> args = {"--dot", "order", "links.txt", "deps.json"};
  if (c.external) {
    make_directory(scratch / "ext");
    for (const auto& [name, text] : c.sources) write_file(scratch / ("ext/" + name), text);
    analyse(scratch, {"ext"}, "2022", "ext.txt", "ext.json");
    args.insert(args.begin(), {"--external", "ext.txt", "ext.json"});
  }
  CliResult result = run_vantlink_deps(args, scratch.path());
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(is_utf8(result.out)) << result.out;
  size_t nodes = 0;
  for (const std::string& line : lines_of(result.out))
    nodes += line.find(" [label=") != std::string::npos;
  EXPECT_EQ(nodes, c.nodes) << result.out;
  for (const std::string& line : c.lines)
    EXPECT_NE(result.out.find("  " + line + "\n"), std::string::npos) << line << "\n" << result.out;
}

INSTANTIATE_TEST_SUITE_P(
    Dot, Graphs,
    testing::Values(
        DotCase{"UnitOfTwoFiles",
                {{"a.ads", "package A is end A;\n"},
                 {"a2.ads", "package A is end A;\n"},
                 {"b.ads", "with A;\npackage B is end B;\n"}},
                false,
                {"\"a%s@src/a.ads\" [label=\"A SPEC\\nsrc/a.ads\"];",
                 "\"a%s@src/a2.ads\" [label=\"A SPEC\\nsrc/a2.ads\"];",
                 "\"b%s@src/b.ads\" -> \"a%s@src/a.ads\";"},
                3},
        DotCase{"Latin1NameShownInUtf8",
                {{"laenge.ads", "package L\xe4nge is end L\xe4nge;\n"},
                 {"m.adb", "with L\xc4NGE;\nprocedure M is begin null; end M;\n"}},
                false,
                {"\"länge%s@src/laenge.ads\" [label=\"Länge SPEC\\nsrc/laenge.ads\"];",
                 "\"m%b@src/m.adb\" -> \"länge%s@src/laenge.ads\";"},
                2},
        DotCase{"Latin1NameInUtf8File",
                {{"größe_l.ads", "package L\xe4nge is end L\xe4nge;\n"}},
                false,
                {"\"länge%s@src/größe_l.ads\" [label=\"Länge SPEC\\nsrc/größe_l.ads\"];"},
                1},
        // Only the external units the project needs directly, in grey.
        DotCase{"ExternalUnitsAtTheBorder",
                {{"lib.ads", "package Lib is end Lib;\n"},
                 {"lib-io.ads", "with Lib.Deep;\npackage Lib.Io is end Lib.Io;\n"},
                 {"lib-deep.ads", "package Lib.Deep is end Lib.Deep;\n"}},
                true,
                {"\"lib.io%s@ext/lib-io.ads\" [label=\"Lib.Io SPEC\\next/lib-io.ads\", color=gray, "
                 "fontcolor=gray];",
                 "\"main%b@src/main.adb\" -> \"lib.io%s@ext/lib-io.ads\";",
                 "\"main%b@src/main.adb\" -> \"lib%s@ext/lib.ads\";"},
                3}),
    [](const auto& info) { return std::string(info.param.name); });

// A project in src/ and units provided from outside in ext/ (ext.txt, ext.json).
struct ExternalCase {
  const char* name;
  Sources project, outside;
  std::vector<std::string> args;  // before the files: the command comes last
  std::vector<std::string> units;
  int status;
  const char* out;
  const char* err = "";
};

class Externals : public testing::TestWithParam<ExternalCase> {};

TEST_P(Externals, ResolveButAreNeverReported) {
  const ExternalCase& c = GetParam();
  ScratchDir scratch = tree_of(c.project);
  make_directory(scratch / "ext");
  for (const auto& [name, text] : c.outside) write_file(scratch / ("ext/" + name), text);
  analyse(scratch, {"ext"}, "2022", "ext.txt", "ext.json");
  std::vector<std::string> args = {"--external", "ext.txt", "ext.json"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  args.insert(args.end(), {"links.txt", "deps.json"});
  args.insert(args.end(), c.units.begin(), c.units.end());
  CliResult result = run_vantlink_deps(args, scratch.path());
  EXPECT_EQ(result.status, c.status) << result.err;
  EXPECT_EQ(result.out, c.out);
  EXPECT_EQ(result.err, c.err);
}

const Sources kUser = {{"main.adb", "with Lib.Io;\nprocedure Main is begin null; end Main;\n"}};
// A library with problems of its own: none is the project's.
const Sources kLib = {
    {"lib.ads", "package Lib is end Lib;\n"},
    {"lib-io.ads", "with Lib.Missing;\npackage Lib.Io is end Lib.Io;\n"},
    {"lib-io2.ads", "package Lib.Io is end Lib.Io;\n"},
    {"lone.adb", "package body Lone is end Lone;\n"},
    {"cyc_a.ads", "with Cyc_B;\npackage Cyc_A is end Cyc_A;\n"},
    {"cyc_b.ads", "with Cyc_A;\npackage Cyc_B is end Cyc_B;\n"},
};

INSTANTIATE_TEST_SUITE_P(
    Library, Externals,
    testing::Values(
        ExternalCase{"CheckQuiet", kUser, kLib, {"check"}, {}, 0, ""},
        ExternalCase{"CheckStillFindsTheMissing",
                     {{"main.adb", "with Lib.Io, Gone;\nprocedure Main is begin null; end;\n"}},
                     kLib, {"check"}, {}, 1, "unresolved Gone: Main PROC src/main.adb\n"},
        // The project's own copy hides the library's, as a search path does.
        ExternalCase{"ProjectUnitWins",
                     {{"main.adb", "with Lib.Io;\nprocedure Main is begin null; end Main;\n"},
                      {"lib.ads", "package Lib is end Lib;\n"}},
                     kLib, {"check"}, {}, 0, ""},
        ExternalCase{"DependsListsTheProjectOnly",
                     {{"main.adb", "with Lib.Io;\nprocedure Main is begin null; end Main;\n"},
                      {"lib.ads", "package Lib is end Lib;\n"}},
                     kLib, {"depends"}, {"main"}, 0, "Lib SPEC src/lib.ads\n"},
        ExternalCase{"OrderQuietOnTheirCycles", kUser, kLib, {"order"}, {}, 0,
                     "Main PROC src/main.adb\n"},
        ExternalCase{"DependentsOfAnExternalUnit", kUser, kLib, {"dependents"}, {"LIB"}, 0,
                     "Main PROC src/main.adb\n"},
        ExternalCase{"TheirCycleThroughTheProject",
                     {{"main.adb", "with Cyc_A;\nprocedure Main is begin null; end Main;\n"},
                      {"cyc_b.ads", "with Main;\npackage Cyc_B is end Cyc_B;\n"}},
                     kLib, {"order"}, {}, 1, "Cyc_B SPEC src/cyc_b.ads\nMain PROC src/main.adb\n",
                     "vantlink-deps: cycle: Cyc_B SPEC Main PROC Cyc_A SPEC\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every allocation in turn refused (alone, then with every later one): the
// run ends with its answer or with status 9 and a message, never aborted.
TEST(OutOfMemory, EveryAllocationRefusedEndsWithStatus9) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator cannot sit behind a preloaded one";
#endif
  ScratchDir scratch = tree_of(kShop);
  analyse(scratch, {"src"}, "2022", "ext.txt", "ext.json");
  for (const char* later : {"1", "0"}) {
    int refusals = 0;
    for (int at = 1; at < 5000; ++at) {
      CliResult result = run_vantlink_deps(
          {"--external", "ext.txt", "ext.json", "dependents", "links.txt", "deps.json", "Money"},
          scratch.path(),
          preloading(ALLOC_SHIM_PATH,
                     {{"ALLOC_SHIM_AT", std::to_string(at)}, {"ALLOC_SHIM_LATER", later}}));
      if (result.status == 0 && result.err.empty() && !result.out.empty()) break;
      ++refusals;
      ASSERT_EQ(result.status, 9) << "allocation " << at << ": " << result.err;
      EXPECT_EQ(result.err, "vantlink-deps: out of memory\n");
      EXPECT_EQ(result.out, "");
    }
    std::printf("later=%s: %d allocations refused, each ended with status 9\n", later, refusals);
    EXPECT_GT(refusals, 10);
  }
}

struct Failure {
  const char* name;
  std::vector<std::string> args;
  void (*spoil)(const ScratchDir&);
  int status;
  const char* message_start;
};

class Statuses : public testing::TestWithParam<Failure> {};

TEST_P(Statuses, ClearErrorAndItsStatus) {
  ScratchDir scratch = tree_of(kShop);
  GetParam().spoil(scratch);
  CliResult result = run_vantlink_deps(GetParam().args, scratch.path());
  EXPECT_EQ(result.status, GetParam().status) << result.err;
  EXPECT_TRUE(result.err.starts_with(GetParam().message_start)) << result.err;
  EXPECT_EQ(result.out, "");
}

void nothing(const ScratchDir&) {}

INSTANTIATE_TEST_SUITE_P(
    Inputs, Statuses,
    testing::Values(
        Failure{"NoArguments", {}, nothing, 2, "vantlink-deps: missing arguments"},
        Failure{"UnknownCommand", {"sort", "links.txt", "deps.json"}, nothing, 2,
                "vantlink-deps: unknown command sort"},
        Failure{"UnknownOption", {"--json", "order", "links.txt", "deps.json"}, nothing, 2,
                "vantlink-deps: unknown option --json"},
        Failure{"DependsWithoutUnit", {"depends", "links.txt", "deps.json"}, nothing, 2,
                "vantlink-deps: no unit named"},
        Failure{"MissingLinkFile", {"order", "none.txt", "deps.json"}, nothing, 3,
                "vantlink-deps: cannot read link file none.txt"},
        Failure{"MissingDependencyFile", {"order", "links.txt", "none.json"}, nothing, 3,
                "vantlink-deps: cannot read dependency file none.json"},
        Failure{"DamagedDependencyFile", {"order", "links.txt", "deps.json"},
                [](const ScratchDir& s) { write_file(s / "deps.json", "{\"version\":1,"); }, 4,
                "vantlink-deps: damaged dependency file deps.json"},
        Failure{"EditedDependencyFile", {"check", "links.txt", "deps.json"},
                [](const ScratchDir& s) {
                  std::string text = read_file(s / "deps.json");
                  text.replace(text.find("\"Money\""), 7, "\"Monet\"");
                  write_file(s / "deps.json", text);
                },
                4, "vantlink-deps: dependency file deps.json was changed"},
        // Written before the format's version 2: not read.
        Failure{"FormatOneDependencyFile", {"order", "links.txt", "deps.json"},
                [](const ScratchDir& s) {
                  std::string text = read_file(s / "deps.json");
                  text.replace(text.find("\"vantlink-format\":2"), 19, "\"vantlink-format\":1");
                  write_signed_dependency_file(s / "deps.json", text);
                },
                4,
                "vantlink-deps: dependency file deps.json is of another version of the format "
                "(1, not 2): run vantlink again with VANTLINK_DEPS\n"},
        Failure{"OutOfStep", {"order", "links.txt", "deps.json"},
                [](const ScratchDir& s) {
                  write_file(s / "src/extra.ads", "package Extra is end Extra;\n");
                  CliResult r = run_vantlink({{"-s", "links.txt", "src"}, {}, {}, s.path()});
                  EXPECT_EQ(r.status, 0);
                },
                4, "vantlink-deps: link file and dependency file do not match"},
        Failure{"ExternalWithoutItsFiles", {"--external", "links.txt"}, nothing, 2,
                "vantlink-deps: --external needs two files"},
        Failure{"ExternalUnreadable",
                {"--external", "none.txt", "deps.json", "order", "links.txt", "deps.json"}, nothing,
                3, "vantlink-deps: cannot read link file none.txt"},
        Failure{"DotAndMake", {"--dot", "--make", "order", "links.txt", "deps.json"}, nothing, 2,
                "vantlink-deps: both --dot and --make"},
        Failure{"MakeAndDot", {"--make", "--dot", "order", "links.txt", "deps.json"}, nothing, 2,
                "vantlink-deps: both --make and --dot"},
        Failure{"CheckWithAForm", {"--dot", "check", "links.txt", "deps.json"}, nothing, 2,
                "vantlink-deps: check has no --dot form"},
        Failure{"GprWithAForm", {"--make", "gpr", "links.txt", "deps.json", "Tool"}, nothing, 2,
                "vantlink-deps: gpr has no --make form"},
        Failure{"GprWithExternal",
                {"--external", "links.txt", "deps.json", "gpr", "links.txt", "deps.json", "Tool"},
                nothing, 2, "vantlink-deps: gpr takes no --external"},
        Failure{"UnknownUnit", {"dependents", "links.txt", "deps.json", "Nope"}, nothing, 5,
                "vantlink-deps: unknown unit Nope"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
