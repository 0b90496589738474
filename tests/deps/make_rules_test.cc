// vantlink-deps --make against GNAT: make rebuilds after each edit what
// gnatmake rebuilds, and every object's prerequisites hold the files its
// .ali file says the compiler read. Skips itself where GNAT is absent.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "ali.h"
#include "deps/make_rules.h"
#include "deps_helper.h"
#include "gnat_helper.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kAdaLib = "/usr/lib/gcc/x86_64-linux-gnu/12/adalib";
constexpr const char* kDebianSources = "/usr/share/ada/adainclude";
constexpr const char* kDebianAlis = "/usr/lib/x86_64-linux-gnu/ada/adalib";

struct Shell {
  int status;
  std::string out;
};

// `command` by the shell, its output and errors together.
Shell shell(const std::string& command) {
  Shell result{-1, {}};
  FILE* pipe = ::popen(("(" + command + ") 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    result.out.append(buffer, got);
  result.status = ::pclose(pipe);
  return result;
}

std::string shell_quoted(const std::string& text) { return "'" + text + "'"; }

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> result;
  std::istringstream in(line);
  for (std::string word; in >> word;) result.push_back(word);
  return result;
}

std::string base_name(std::string path) {
  if (path.size() >= 2 && path.front() == '\'' && path.back() == '\'')
    path = path.substr(1, path.size() - 2);
  return fs::path(path).filename().string();
}

bool is_source(const std::string& word) {
  std::string name = base_name(word);
  return name.ends_with(".ads") || name.ends_with(".adb") || name.ends_with(".ada");
}

// The sources compiled, from the commands make or gnatmake echoed: each a
// file name, "#N" after it for the Nth unit of a file.
std::set<std::string> compiled(const std::string& output) {
  std::set<std::string> sources;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) {
    if (line.find(" -c ") == std::string::npos || line.find("gcc") == std::string::npos) continue;
    std::string source, index;
    for (const std::string& word : words(line)) {
      if (word.starts_with("-gnateI")) index = "#" + word.substr(7);
      else if (word[0] != '-' && is_source(word)) source = base_name(word);
    }
    if (!source.empty()) sources.insert(source + index);
  }
  return sources;
}

std::string describe(const std::set<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += " " + name;
  return text.empty() ? " (none)" : text;
}

std::set<std::string> minus(const std::set<std::string>& a, const std::set<std::string>& b) {
  std::set<std::string> result;
  for (const std::string& name : a)
    if (!b.count(name)) result.insert(name);
  return result;
}

// vantlink in the modern mode over `roots`, then `vantlink-deps --make`
// with `args` before the files, into deps.mk; all in `directory`.
CliResult write_makefile(const std::string& directory, const std::vector<std::string>& roots,
                         std::vector<std::string> args = {"order"},
                         const std::string& links = "links.txt",
                         const std::string& deps = "deps.json",
                         const std::vector<std::string>& units = {}) {
  std::vector<std::string> analyse = {"-s", "-f", links};
  analyse.insert(analyse.end(), roots.begin(), roots.end());
  CliResult run = run_vantlink(
      {analyse, {{"VANTLINK_DEPS", deps}, {"VANTLINK_ADA", "2022"}}, {}, directory});
  if (run.status != 0) return run;
  args.insert(args.begin(), "--make");
  args.insert(args.end(), {links, deps});
  args.insert(args.end(), units.begin(), units.end());
  CliResult made = run_vantlink_deps(args, directory);
  if (made.status == 0) write_file(directory + "/deps.mk", made.out);
  return made;
}

// Each object's prerequisites as make expands them (file names only).
std::map<std::string, std::set<std::string>> prerequisites(const std::string& directory,
                                                           const std::string& variables) {
  Shell database = shell("cd " + shell_quoted(directory) + " && make -qp -f deps.mk " + variables);
  std::map<std::string, std::set<std::string>> rules;
  std::istringstream in(database.out);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#' || line[0] == '\t') continue;
    size_t colon = line.find(".o: ");
    if (colon == std::string::npos || line.find(' ') < colon) continue;
    std::set<std::string>& files = rules[line.substr(0, colon + 2)];
    for (const std::string& word : words(line.substr(colon + 4))) files.insert(base_name(word));
  }
  return rules;
}

// ---------------------------------------------------------------------------
// Rebuilds after an edit, against gnatmake: the tree split one unit a file
// (or kept whole, one file of several units, with the naming pragmas GNAT
// needs), built once by each, then every file edited in turn.

struct Rebuild {
  const char* tree;
  bool whole;  // one file of several units
};

class Rebuilds : public testing::TestWithParam<Rebuild> {};

// GNAT's naming pragmas for the units of a file of several, in order.
std::string naming_pragmas(const std::string& links) {
  std::string text;
  std::istringstream in(read_file(links));
  std::string file;
  int index = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("--file-info:")) index = 0;
    if (line.empty() || line[0] != '"') continue;
    size_t end = line.find('"', 1);
    file = line.substr(1, end - 1);
    std::vector<std::string> rest = words(line.substr(end + 1));
    ++index;
    text += "pragma Source_File_Name (" + rest[0] +
            (rest[1] == "SPEC" ? ", Spec_File_Name => \"" : ", Body_File_Name => \"") +
            base_name(file) +
            "\", Index => " + std::to_string(index) + ");\n";
  }
  return text;
}

// gnatmake on every source but the subunits, which it compiles only with
// their parent, and the specs of bodies; for a file of several units, on
// each such unit by its index, one call each.
std::string gnatmake_command(const std::string& src, bool whole, const std::string& links) {
  std::string command = "gnatmake -m -c -I" + shell_quoted(src);
  if (whole) {
    std::vector<std::pair<std::string, std::string>> units;  // lower-case name, kind
    std::string file;
    std::istringstream in(read_file(links));
    for (std::string line; std::getline(in, line);) {
      if (line.empty() || line[0] != '"') continue;
      file = line.substr(1, line.find('"', 1) - 1);
      std::vector<std::string> rest = words(line.substr(file.size() + 2));
      std::string name = rest[0];
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      units.push_back({name, rest[1]});
    }
    std::string calls = "true";
    for (size_t i = 0; i < units.size(); ++i) {
      bool completed = false;
      for (const auto& [name, kind] : units)
        completed = completed || (name == units[i].first && kind != "SPEC");
      if (units[i].second == "SPEC" && completed) continue;
      calls += " && " + command + " -eI" + std::to_string(i + 1) + " " + shell_quoted(file);
    }
    return calls;
  }
  std::string list = command;
  std::regex subunit("^\\s*separate\\b", std::regex::icase | std::regex::multiline);
  for (const auto& entry : fs::directory_iterator(src)) {
    fs::path body = entry.path();
    body.replace_extension(".adb");
    if (entry.path().extension() == ".ads" && fs::exists(body)) continue;
    if (!std::regex_search(read_file(entry.path()), subunit))
      list += " " + shell_quoted(entry.path().string());
  }
  return list;
}

void set_times(const std::string& directory, long long seconds) {
  for (const auto& entry : fs::directory_iterator(directory))
    if (entry.path().extension() == ".o" || entry.path().extension() == ".ali")
      set_file_time(entry.path(), seconds);
}

TEST_P(Rebuilds, MakeRedoesWhatGnatmakeRedoes) {
  if (!gnat::available()) GTEST_SKIP() << "GNAT is not installed";
  const Rebuild& param = GetParam();
  fs::path tree = fs::path(VANTLINK_DEPS_DATA) / "trees" / param.tree;
  ScratchDir scratch;
  std::string src = scratch / "src", by_make = scratch / "make", by_gnat = scratch / "gnatmake";
  for (const std::string& directory : {src, by_make, by_gnat}) make_directory(directory);
  if (param.whole) {
    fs::copy(tree, src + "/" + param.tree);
  } else {
    Shell chop = shell("cd " + shell_quoted(src) + " && gnatchop -q -w " + shell_quoted(tree));
    ASSERT_EQ(chop.status, 0) << chop.out;
  }
  long long start = static_cast<long long>(std::time(nullptr)) - 100000;
  for (const auto& entry : fs::directory_iterator(src)) set_file_time(entry.path(), start);
  CliResult made = write_makefile(scratch.path(), {src});
  ASSERT_EQ(made.status, 0) << made.err;
  std::string links = scratch / "links.txt";
  if (param.whole) {
    for (const std::string& directory : {by_make, by_gnat})
      write_file(directory + "/gnat.adc", naming_pragmas(links));
  }
  std::string make = "cd " + shell_quoted(by_make) + " && make -f ../deps.mk";
  std::string gnatmake =
      "cd " + shell_quoted(by_gnat) + " && " + gnatmake_command(src, param.whole, links);

  Shell first_make = shell(make), first_gnat = shell(gnatmake);
  ASSERT_EQ(first_make.status, 0) << first_make.out;
  ASSERT_EQ(first_gnat.status, 0) << first_gnat.out;
  // Every unit GNAT compiles on its own, and nothing it does not.
  EXPECT_EQ(compiled(first_make.out), compiled(first_gnat.out)) << first_make.out;

  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(src)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  size_t edits = 0, redone = 0;
  for (size_t k = 0; k < files.size(); ++k) {
    long long step = start + 10 + 2 * static_cast<long long>(k);
    set_times(by_make, step - 1);
    set_times(by_gnat, step - 1);
    // A new token, not only a new time: gnatmake -m sees through a time.
    write_file(files[k], "pragma Ada_2022;\n" + read_file(files[k]));
    set_file_time(files[k], step);
    Shell again_make = shell(make), again_gnat = shell(gnatmake);
    ASSERT_EQ(again_make.status, 0) << again_make.out;
    ASSERT_EQ(again_gnat.status, 0) << again_gnat.out;
    std::set<std::string> ours = compiled(again_make.out), gnats = compiled(again_gnat.out);
    std::string edited = files[k].filename().string();
    EXPECT_EQ(minus(gnats, ours), std::set<std::string>())
        << "after an edit of " << edited << " make misses what gnatmake redoes";
    EXPECT_EQ(minus(ours, gnats), std::set<std::string>())
        << "after an edit of " << edited << " make redoes more than gnatmake";
    ++edits;
    redone += gnats.size();
  }
  if (param.whole) {
    // The configuration pragmas: every object again, for both.
    long long step = start + 10 + 2 * static_cast<long long>(files.size());
    for (const std::string& directory : {by_make, by_gnat}) {
      set_times(directory, step - 1);
      std::string config = directory + "/gnat.adc";
      write_file(config, read_file(config) + "pragma Ada_2022;\n");
      set_file_time(config, step);
    }
    Shell again_make = shell(make), again_gnat = shell(gnatmake);
    EXPECT_EQ(compiled(again_make.out), compiled(again_gnat.out)) << again_make.out;
    EXPECT_FALSE(compiled(again_gnat.out).empty()) << again_gnat.out;
  }
  std::printf("%s%s: %zu edits, %zu compilations gnatmake redid\n",
              param.tree, param.whole ? " (one file)" : "", edits, redone);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, Rebuilds,
    testing::Values(Rebuild{"rebuilds.ada", false}, Rebuild{"subunits.ada", false},
                    Rebuild{"marks.ada", false}, Rebuild{"generic_children.ada", false},
                    Rebuild{"multi.ada", true}),
    [](const auto& info) {
      std::string name = info.param.tree;
      return name.substr(0, name.find('.')) + (info.param.whole ? "_whole" : "");
    });

// ---------------------------------------------------------------------------
// Names in-process: objects as GNAT names them, paths as make reads them.

struct Naming {
  const char* path;
  size_t index;
  const char* object;
};

TEST(Names, ObjectsAsGnatNamesThem) {
  for (const Naming& naming : std::vector<Naming>{{"src/x-y.adb", 0, "x-y.o"},
                                                  {"/a/b/multi.ada", 2, "multi~2.o"},
                                                  {"a.b/x.y.ads", 0, "x.y.o"},
                                                  {"noext", 0, "noext.o"},
                                                  {"d/.ads", 0, ".ads.o"}})
    EXPECT_EQ(object_name(naming.path, naming.index), naming.object) << naming.path;
}

TEST(Names, PathsAsMakeReadsThem) {
  const std::vector<std::pair<std::string, std::string>> words = {
      {"d$x/a.ads", "d$$x/a.ads"},   {"w#d/a.ads", "w$(hash)d/a.ads"},
      {"c:d/a.ads", "c\\:d/a.ads"}, {"s*?[/a.ads", "s\\*\\?\\[/a.ads"},
      {"a b", ""},                   {"a;b", ""},
      {"a=b", ""},                   {"a\\b", ""},
      {"tab\tx", ""}};
  for (const auto& [path, expected] : words) {
    std::string out = "kept ";
    bool given = make_word(out, path);
    EXPECT_EQ(given, !expected.empty()) << path;
    EXPECT_EQ(out, "kept " + expected) << path;
  }
}

// A file of several units whose analysis drew a syntax warning may have
// lost a unit: its unit indexes are said to be unsure.
TEST(Names, UnitIndexesOfAWarnedFileAreUnsure) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  write_file(scratch / "src/pair.ada", "package P1 is end P1;\npackage P2 is end P2;\n");
  CliResult made = write_makefile(scratch.path(), {scratch / "src"});
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_NE(made.out.find(" -gnateI2 "), std::string::npos) << made.out;
  EXPECT_NE(made.out.find("-o 'pair~2.o'"), std::string::npos) << made.out;
  std::string link_text = read_file(scratch / "links.txt");
  std::string deps_text = read_file(scratch / "deps.json");
  LinkFileText link = parse_link_file_text(link_text);
  DependencyFile deps;
  std::string error;
  ASSERT_TRUE(parse_dependency_file(deps_text, deps, error)) << error;
  for (bool clean : {true, false}) {
    deps.rules[0].clean = clean;
    std::vector<GraphSource> sources = {{&link, &deps, false}};
    UnitGraph graph = build_unit_graph(sources);
    std::string out;
    MakeResult result = append_makefile(out, graph, sources, {});
    EXPECT_EQ(result.unsure, clean ? 0u : 2u);
  }
}

// ---------------------------------------------------------------------------
// The objects a Makefile builds, for each command, and units from outside.

// The first target's prerequisites, over all its rules.
std::set<std::string> first_target(const std::string& makefile) {
  std::set<std::string> objects;
  std::istringstream in(makefile);
  for (std::string line; std::getline(in, line);)
    if (line.starts_with("all:"))
      for (const std::string& object : words(line.substr(4))) objects.insert(object);
  return objects;
}

void write_shop(const std::string& root) {
  make_directory(root + "/src");
  make_directory(root + "/ext");
  for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
           {"src/shop.ads", "package Shop is end Shop;\n"},
           {"src/shop-till.ads", "with Money;\nlimited with Ledger;\npackage Shop.Till is\n"
                                 "   procedure Count;\nend Shop.Till;\n"},
           {"src/shop-till.adb", "package body Shop.Till is\n   procedure Count is separate;\n"
                                 "end Shop.Till;\n"},
           {"src/shop-till-count.adb",
            "with Ledger;\nseparate (Shop.Till)\nprocedure Count is begin null; end;\n"},
           {"src/money.ads", "with Vendor;\npackage Money is end Money;\n"},
           {"src/ledger.ads", "with Shop.Till;\npackage Ledger is end Ledger;\n"},
           {"src/main.adb", "with Shop.Till;\nprocedure Main is begin null; end Main;\n"},
           {"ext/vendor.ads", "package Vendor is procedure Sell; end Vendor;\n"},
           {"ext/vendor.adb", "package body Vendor is\n   procedure Sell is null;\nend Vendor;\n"},
       })
    write_file(root + "/" + name, text);
}

struct Selection {
  const char* name;
  std::string command;
  std::vector<std::string> units;
  std::set<std::string> objects;
};

class Selections : public testing::TestWithParam<Selection> {};

// A spec is built by its body's object, a subunit by its library body's;
// what comes from outside (Vendor) is never built.
TEST_P(Selections, BuildTheObjectsOfTheUnits) {
  ScratchDir scratch;
  write_shop(scratch.path());
  CliResult external = run_vantlink(
      {{"-s", "-f", "ext.txt", scratch / "ext"}, {{"VANTLINK_DEPS", "ext.json"}}, {},
       scratch.path()});
  ASSERT_EQ(external.status, 0) << external.err;
  CliResult made =
      write_makefile(scratch.path(), {scratch / "src"},
                     {"--external", "ext.txt", "ext.json", GetParam().command}, "links.txt",
                     "deps.json", GetParam().units);
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(first_target(made.out), GetParam().objects) << made.out;
  // The files from outside are prerequisites all the same.
  auto rules = prerequisites(scratch.path(), "");
  EXPECT_TRUE(rules["shop-till.o"].count("vendor.ads")) << made.out;
  EXPECT_FALSE(rules.count("vendor.o"));
}

INSTANTIATE_TEST_SUITE_P(
    Shop, Selections,
    testing::Values(
        Selection{"Order", "order", {}, {"shop.o", "shop-till.o", "money.o", "ledger.o", "main.o"}},
        Selection{"DependsMain",
                  "depends",
                  {"Main"},
                  {"main.o", "shop.o", "shop-till.o", "money.o", "ledger.o"}},
        Selection{"DependentsMoney",
                  "dependents",
                  {"MONEY"},
                  {"money.o", "shop-till.o", "main.o", "ledger.o"}},
        Selection{"DependentsSubunit", "dependents", {"Shop.Till.Count"}, {"shop-till.o"}},
        Selection{"DependentsVendor",
                  "dependents",
                  {"Vendor"},
                  {"money.o", "shop-till.o", "main.o", "ledger.o"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Directory names make would read otherwise: built, and rebuilt after an
// edit; or refused with a message when make cannot be given them.
struct Escape {
  const char* name;
  const char* directory;
  bool refused;
};

class Escapes : public testing::TestWithParam<Escape> {};

TEST_P(Escapes, MakeReadsThePathsAsTheyAre) {
  if (!gnat::available()) GTEST_SKIP() << "GNAT is not installed";
  ScratchDir scratch;
  std::string src = scratch / GetParam().directory, build = scratch / "build";
  make_directory(src);
  make_directory(build);
  long long start = static_cast<long long>(std::time(nullptr)) - 1000;
  write_file(src + "/a.ads", "package A is X : Integer := 1; end A;\n");
  write_file(src + "/main.adb", "with A;\nprocedure Main is begin null; end Main;\n");
  for (const char* file : {"/a.ads", "/main.adb"}) set_file_time(src + file, start);
  CliResult made = write_makefile(scratch.path(), {src});
  if (GetParam().refused) {
    EXPECT_EQ(made.status, 1);
    EXPECT_NE(made.err.find("cannot be named in a Makefile"), std::string::npos) << made.err;
    EXPECT_EQ(made.out, "");
    return;
  }
  ASSERT_EQ(made.status, 0) << made.err;
  std::string make = "cd " + shell_quoted(build) + " && make -f ../deps.mk";
  Shell first = shell(make);
  ASSERT_EQ(first.status, 0) << first.out;
  EXPECT_EQ(compiled(first.out), (std::set<std::string>{"a.ads", "main.adb"}));
  set_times(build, start + 1);
  write_file(src + "/a.ads", "package A is X : Integer := 2; end A;\n");
  set_file_time(src + "/a.ads", start + 2);
  Shell again = shell(make);
  ASSERT_EQ(again.status, 0) << again.out;
  EXPECT_EQ(compiled(again.out), (std::set<std::string>{"a.ads", "main.adb"})) << again.out;
}

INSTANTIATE_TEST_SUITE_P(
    Directories, Escapes,
    testing::Values(Escape{"Hash", "we#ird", false}, Escape{"Colon", "co:lon", false},
                    Escape{"Dollar", "dol$lar", false}, Escape{"Wildcard", "st*ar?", false},
                    Escape{"Quote", "it's", false}, Escape{"Blank", "sp ace", true},
                    Escape{"Semicolon", "semi;colon", true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// What the compiler read, by the .ali files of installed libraries.

struct Reads {
  size_t objects = 0, files = 0;
  size_t inlined = 0;  // outside the rule: read to inline across units
  std::vector<std::string> missed;
};

// Every file a D line of the .ali files in `alis` names that `held` holds
// is among the object's prerequisites, or, for a body read only to inline,
// among them with ADA_INLINE set.
Reads compare_reads(const std::string& directory, const std::string& alis,
                    const std::set<std::string>& held) {
  auto plain = prerequisites(directory, "");
  auto inlined = prerequisites(directory, "ADA_INLINE=1");
  Reads reads;
  for (const auto& entry : fs::directory_iterator(alis)) {
    if (entry.path().extension() != ".ali") continue;
    std::string object = entry.path().stem().string() + ".o";
    auto rule = plain.find(object);
    if (rule == plain.end()) {
      reads.missed.push_back(object + ": no rule");
      continue;
    }
    ++reads.objects;
    std::ifstream in(entry.path());
    for (std::string line; std::getline(in, line);) {
      if (!line.starts_with("D ")) continue;
      std::string file = words(line)[1];
      if (!held.count(file)) continue;
      ++reads.files;
      if (rule->second.count(file)) continue;
      if (inlined[object].count(file)) {
        ++reads.inlined;
        continue;
      }
      reads.missed.push_back(object + ": " + file);
    }
  }
  return reads;
}

std::set<std::string> file_names(const std::vector<std::string>& directories) {
  std::set<std::string> names;
  for (const std::string& directory : directories)
    for (const auto& entry : fs::directory_iterator(directory))
      names.insert(entry.path().filename().string());
  return names;
}

void report(const std::string& what, const Reads& reads) {
  std::printf("%s: %zu objects, %zu files read, %zu of them only to inline (with ADA_INLINE)\n",
              what.c_str(), reads.objects, reads.files, reads.inlined);
  for (size_t i = 0; i < reads.missed.size() && i < 40; ++i)
    ADD_FAILURE() << what << ": not a prerequisite: " << reads.missed[i];
  EXPECT_EQ(reads.missed.size(), 0u) << what;
}

TEST(InstalledLibraries, EveryFileTheCompilerReadIsAPrerequisite) {
  if (!gnat::available() || !fs::is_directory(kAdaLib)) GTEST_SKIP() << "GNAT is not installed";
  ScratchDir scratch;
  CliResult made = write_makefile(scratch.path(), {gnat::kRuntimeDir}, {"order"},
                                  "runtime.txt", "runtime.json");
  ASSERT_EQ(made.status, 0) << made.err;
  Reads runtime = compare_reads(scratch.path(), kAdaLib, file_names({gnat::kRuntimeDir}));
  report("runtime", runtime);
  EXPECT_GT(runtime.objects, 500u);
  if (!fs::is_directory(kDebianSources)) return;
  // The libraries with each other: all of them given from outside too.
  std::vector<std::string> libraries;
  for (const auto& library : fs::directory_iterator(kDebianSources))
    libraries.push_back(library.path().string());
  CliResult all = write_makefile(scratch.path(), libraries, {"order"}, "libraries.txt",
                                 "libraries.json");
  ASSERT_EQ(all.status, 0) << all.err;
  for (const auto& library : fs::directory_iterator(kDebianSources)) {
    std::string name = library.path().filename().string();
    std::string alis = std::string(kDebianAlis) + "/" + name;
    if (!fs::is_directory(alis)) continue;
    ScratchDir work;
    for (const char* file : {"runtime.txt", "runtime.json", "libraries.txt", "libraries.json"})
      fs::copy(scratch / file, work / file);
    CliResult library_made = write_makefile(
        work.path(), {library.path().string()},
        {"--external", "runtime.txt", "runtime.json", "--external", "libraries.txt",
         "libraries.json", "order"});
    ASSERT_EQ(library_made.status, 0) << name << ": " << library_made.err;
    std::vector<std::string> held = libraries;
    held.push_back(gnat::kRuntimeDir);
    report(name, compare_reads(work.path(), alis, file_names(held)));
  }
}

}  // namespace
