// The with clauses of every unit against GNAT's .ali files, in both modes.
//
// Normalisation, worked out on GNAT 12 and its runtime. GNAT's lines for a
// unit ("W", "Y", and "Z" where they name what the unit's context clause
// names: GNAT marks a unit it needs implicitly as well as withed "Z", as
// for "private with Ada.Streams" in Ada.Containers.Hashed_Sets) hold:
//   - the names of its own context clause, each with its ancestors
//     (withing A.B.C lists A, A.B and A.B.C); a limited with and its
//     ancestors on "Y" lines, unless also withed;
//   - the parent of a child unit, not the grandparents (Ada.Calendar.
//     Arithmetic lists Ada.Calendar, not Ada); but the parent of a generic
//     parent too ("GE" on its U line: Ada.Direct_IO.C_Streams lists Ada);
//   - for a body, the with clauses of all its subunits, subunits of
//     subunits included, closed the same way: they are compiled with it;
//   - not the spec's withs in the body's lines, nor the rest of the "Z"
//     lines (the compiler's implicit withs), nor anything for a subunit
//     alone (GNAT writes no .ali for one; -gnatc on a subunit file writes
//     one in its parent's name, which is skipped here).
// Two things only the compiler knows, so allowed for and counted apart:
//   - instances and generic bodies: GNAT adds some of what the generic it
//     instantiates lists (System.Fat_Flt lists Ada, from System.Fat_Gen's
//     body; Ada.Integer_Text_IO lists System, from Ada.Text_IO's body, for
//     its nested generic). A name GNAT lists beyond ours is allowed when a
//     unit that ours names lists it (or a child of it), or, for a body,
//     its own spec does; ours must still all be in GNAT's lines;
//   - ghost code ignored (pragma Assertion_Policy (Ghost => Ignore)): a
//     with of such a unit is left out, its ancestors stay.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ali.h"
#include "analysis/analysis.h"
#include "gnat_helper.h"
#include "scratch.h"

namespace {

namespace fs = std::filesystem;
using Withs = std::map<std::string, bool>;  // lower-case name -> limited only

constexpr const char* kAdaLib = "/usr/lib/gcc/x86_64-linux-gnu/12/adalib";

std::string lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

struct OurUnit {
  std::string file;
  std::vector<std::pair<std::string, bool>> withs;  // lower case, limited
  bool file_warned = false;
};

// Every unit of a tree as the analysis records it; subunits by parent.
struct Tree {
  std::map<std::string, OurUnit> units;  // "name%s" / "name%b", library units
  std::map<std::string, std::vector<OurUnit>> subunits;  // parent body -> its subunits
  std::map<std::string, std::vector<std::string>> subunit_names;
  std::set<std::string> warned_files;
  std::set<std::string> generic_units;  // from GNAT's U lines
};

void add_file(Tree& tree, Analyser& analyser, const fs::path& file) {
  FILE* stream = std::fopen(file.c_str(), "rb");
  ASSERT_NE(stream, nullptr) << file;
  FileAnalysis analysis = analyser.analyse_stream(stream, file.filename().c_str());
  std::fclose(stream);
  bool warned = !analysis.accepted || !analysis.diagnostics.empty();
  if (warned) tree.warned_files.insert(file.filename().string());
  for (const CompilationUnit* unit = analysis.units; unit; unit = unit->next) {
    OurUnit ours{file.filename().string(), {}, warned};
    for (const WithClause* with = unit->with_clauses; with; with = with->next)
      ours.withs.push_back({lower(with->name), (with->marks & WITH_LIMITED) != 0});
    std::string name = lower(unit->full_name);
    if (unit->flags & UNIT_SUBUNIT) {
      std::string parent = name.substr(0, name.size() - std::string(unit->simple_name).size() - 1);
      tree.subunits[parent].push_back(ours);
      tree.subunit_names[parent].push_back(name);
    } else {
      tree.units.emplace(name + (unit->kind == KIND_SPEC ? "%s" : "%b"), ours);
    }
  }
  release_unit_list(analysis.units);
}

void add_closed(Withs& withs, const std::string& name, bool limited) {
  for (size_t end = name.size(); end != std::string::npos; end = name.rfind('.', end - 1)) {
    auto [at, added] = withs.emplace(name.substr(0, end), limited);
    if (!added) at->second = at->second && limited;
    if (end == 0) break;
  }
}

// What GNAT's lines hold for `unit` (see the top of the file); `warned`
// tells whether any file it draws on drew a warning.
Withs normalised(const Tree& tree, const std::string& name, bool body, const OurUnit& unit,
                 bool& warned) {
  Withs withs;
  warned = warned || unit.file_warned;
  for (const auto& [with, limited] : unit.withs) add_closed(withs, with, limited);
  if (size_t dot = name.rfind('.'); dot != std::string::npos) {
    std::string parent = name.substr(0, dot);
    withs[parent] = false;
    while (tree.generic_units.count(parent) && (dot = parent.rfind('.')) != std::string::npos) {
      parent = parent.substr(0, dot);
      withs[parent] = false;
    }
  }
  if (!body) return withs;
  std::vector<std::string> parents{name};
  for (size_t i = 0; i < parents.size() && parents.size() < 10000; ++i) {
    auto found = tree.subunits.find(parents[i]);
    if (found == tree.subunits.end()) continue;
    for (const OurUnit& subunit : found->second) {
      warned = warned || subunit.file_warned;
      for (const auto& [with, limited] : subunit.withs) add_closed(withs, with, limited);
    }
    const auto& names = tree.subunit_names.at(parents[i]);
    parents.insert(parents.end(), names.begin(), names.end());
  }
  return withs;
}

// GNAT's lines for `unit`, with the "Z" lines that name what `ours` names.
Withs listed(const ali::Unit& unit, const Withs& ours) {
  Withs withs = unit.withs;
  for (const std::string& implicit : unit.implicit)
    if (ours.count(implicit)) withs.emplace(implicit, false);
  return withs;
}

// The units whose spec ignores ghost code: GNAT drops withs of them.
std::set<std::string> ghost_units(const std::vector<ali::Unit>& units, const fs::path& sources) {
  std::set<std::string> ghosts;
  for (const ali::Unit& unit : units) {
    if (unit.body || sources.empty()) continue;
    std::string text = gnat::read_all(sources / unit.source);
    if (text.find("Assertion_Policy (Ghost => Ignore)") != std::string::npos)
      ghosts.insert(unit.name);
  }
  return ghosts;
}

// What GNAT may list beyond ours for instances: every name that a unit
// named in `ours`, or the spec of `key`'s body, lists, with its ancestors.
Withs instance_names(const std::string& key, const Withs& ours,
                     const std::map<std::string, Withs>& listed_by) {
  Withs names;
  auto add_listed = [&](const std::string& unit) {
    if (auto found = listed_by.find(unit); found != listed_by.end())
      for (const auto& [listed, ignored] : found->second) add_closed(names, listed, false);
  };
  for (const auto& [name, limited] : ours) {
    add_listed(name + "%s");
    add_listed(name + "%b");
  }
  if (key.ends_with("%b")) add_listed(key.substr(0, key.size() - 2) + "%s");
  return names;
}

bool agrees_but_for_instances(const Withs& ours, const Withs& gnat, const Withs& allowed) {
  for (const auto& [name, limited] : ours) {
    auto found = gnat.find(name);
    if (found == gnat.end() || found->second != limited) return false;
  }
  for (const auto& [name, limited] : gnat)
    if (!ours.count(name) && !allowed.count(name)) return false;
  return true;
}

std::string describe(const Withs& withs) {
  std::string text;
  for (const auto& [name, limited] : withs) text += (limited ? " Y:" : " ") + name;
  return text.empty() ? " (none)" : text;
}

struct Tally {
  size_t compared = 0, agreeing = 0, skipped_warned = 0;
  size_t through_instances = 0;  // of `agreeing`
  std::vector<std::string> failures;
};

// Every unit of `alis` whose source `in_tree` accepts, against ours;
// `sources` is where the units' sources are (for their ghost pragmas).
template <typename InTree>
Tally compare(Tree& tree, const std::vector<fs::path>& alis, const fs::path& sources,
              bool skip_warned, InTree in_tree) {
  std::vector<ali::Unit> units;
  std::map<std::string, Withs> listed_by;
  for (const fs::path& path : alis)
    for (ali::Unit& unit : ali::read_units(path)) {
      if (unit.generic) tree.generic_units.insert(unit.name);
      listed_by[unit.name + (unit.body ? "%b" : "%s")] = unit.withs;
      units.push_back(std::move(unit));
    }
  std::set<std::string> ghosts = ghost_units(units, sources);
  std::set<std::string> subunits;
  for (const auto& [parent, names] : tree.subunit_names) subunits.insert(names.begin(), names.end());
  Tally tally;
  std::set<std::string> seen;
  for (const ali::Unit& unit : units) {
    std::string key = unit.name + (unit.body ? "%b" : "%s");
    if (!in_tree(unit.source) || !seen.insert(key).second) continue;
    auto ours = tree.units.find(key);
    if (ours == tree.units.end() && unit.body && subunits.count(unit.name)) continue;
    // An instance in a spec file has a body in GNAT's eyes.
    if (ours == tree.units.end() && unit.body && unit.source.ends_with(".ads"))
      ours = tree.units.find(unit.name + "%s");
    if (ours == tree.units.end()) {
      if (skip_warned && tree.warned_files.count(unit.source)) {
        ++tally.skipped_warned;
      } else {
        tally.failures.push_back(key + " (" + unit.source + "): no such unit recorded");
      }
      continue;
    }
    bool warned = false;
    Withs expected = normalised(tree, unit.name, unit.body, ours->second, warned);
    for (const std::string& ghost : ghosts) expected.erase(ghost);
    if (warned && skip_warned) {
      ++tally.skipped_warned;
      continue;
    }
    ++tally.compared;
    Withs gnat = listed(unit, expected);
    if (expected == gnat) {
      ++tally.agreeing;
    } else if (agrees_but_for_instances(
                   expected, gnat, instance_names(key, expected, listed_by))) {
      ++tally.agreeing;
      ++tally.through_instances;
    } else {
      tally.failures.push_back(key + " (" + unit.source + "): ours" + describe(expected) +
                               "; GNAT" + describe(gnat));
    }
  }
  return tally;
}

void report(const char* what, const Tally& tally) {
  std::printf(
      "%s: %zu units compared, %zu agreeing (%.1f%%; %zu of them through an instance's "
      "withs), %zu left out for a warning\n",
      what, tally.compared, tally.agreeing,
      tally.compared ? 100.0 * tally.agreeing / tally.compared : 100.0, tally.through_instances,
      tally.skipped_warned);
  for (const std::string& failure : tally.failures) ADD_FAILURE() << what << ": " << failure;
}

std::vector<fs::path> files_ending(const fs::path& directory, const std::string& ending) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(directory))
    if (entry.path().string().ends_with(ending)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

class RuntimeWiths : public testing::TestWithParam<AdaMode> {};

TEST_P(RuntimeWiths, AgreeWithTheAliFiles) {
  if (!gnat::available() || !fs::is_directory(kAdaLib))
    GTEST_SKIP() << "GNAT or its runtime .ali files are not installed";
  AdaMode mode = GetParam();
  Tree tree;
  Analyser analyser(mode);
  std::set<std::string> sources;
  for (const fs::path& file : gnat::runtime_files()) {
    add_file(tree, analyser, file);
    sources.insert(file.filename().string());
  }
  bool ada95 = mode == AdaMode::kAda95;
  Tally tally = compare(tree, files_ending(kAdaLib, ".ali"), gnat::kRuntimeDir, ada95,
                        [&](const std::string& source) { return sources.count(source) != 0; });
  report(ada95 ? "runtime, Ada 95 mode" : "runtime, Ada 2022 mode", tally);
  EXPECT_GT(tally.compared, 500u);
  if (!ada95) {
    EXPECT_EQ(tally.skipped_warned, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(BothModes, RuntimeWiths,
                         testing::Values(AdaMode::kAda95, AdaMode::kAda2022),
                         [](const auto& info) {
                           return info.param == AdaMode::kAda95 ? "Ada95" : "Ada2022";
                         });

// Hand-made trees for what the runtime lacks: each data file is one
// compilation of several units, analysed whole; gnatchop splits it for GNAT,
// which checks every file (-gnatc) and writes its .ali.
struct TreeCase {
  const char* file;
  AdaMode mode;
};

class HandMadeWiths : public testing::TestWithParam<TreeCase> {};

TEST_P(HandMadeWiths, AgreeWithGnat) {
  if (!gnat::available()) GTEST_SKIP() << "GNAT is not installed";
  fs::path source = fs::path(VANTLINK_DEPS_DATA) / "trees" / GetParam().file;
  ScratchDir scratch;
  std::string chop = "cd '" + scratch.path() + "' && gnatchop -q -w '" + source.string() +
                     "' . >/dev/null 2>&1 && for f in *.ads *.adb; do gcc -c -gnatc -gnat2022 "
                     "\"$f\" >/dev/null 2>&1; done";
  ASSERT_EQ(std::system(chop.c_str()), 0);
  Tree tree;
  Analyser analyser(GetParam().mode);
  add_file(tree, analyser, source);
  ASSERT_FALSE(tree.units.empty());
  // A warning on the whole file leaves the units after it unrecorded.
  if (!tree.warned_files.empty())
    for (const auto& entry : fs::directory_iterator(scratch.path()))
      tree.warned_files.insert(entry.path().filename().string());
  bool ada95 = GetParam().mode == AdaMode::kAda95;
  Tally tally = compare(tree, files_ending(scratch.path(), ".ali"), scratch.path(), ada95,
                        [](const std::string&) { return true; });
  report(GetParam().file, tally);
  // In the modern analysis every library unit of the tree was compiled and
  // compared.
  if (!ada95) {
    EXPECT_EQ(tally.compared, tree.units.size());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Trees, HandMadeWiths,
    testing::Values(TreeCase{"subunits.ada", AdaMode::kAda2022},
                    TreeCase{"subunits.ada", AdaMode::kAda95},
                    TreeCase{"multi.ada", AdaMode::kAda2022}, TreeCase{"multi.ada", AdaMode::kAda95},
                    TreeCase{"marks.ada", AdaMode::kAda2022}, TreeCase{"marks.ada", AdaMode::kAda95},
                    TreeCase{"generic_children.ada", AdaMode::kAda2022},
                    TreeCase{"generic_children.ada", AdaMode::kAda95}),
    [](const auto& info) {
      std::string name = info.param.file;
      name = name.substr(0, name.find('.'));
      return name + (info.param.mode == AdaMode::kAda95 ? "_Ada95" : "_Ada2022");
    });

}  // namespace
