// The modern analysis against GNAT in Ada 2022 mode on the GNAT runtime: on
// every file that `gcc -c -gnats -gnatu -gnat2022` accepts, exactly GNAT's
// units and no warning; on every file it rejects, a warning. Skipped where
// GNAT or its runtime sources are absent.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "gnat_helper.h"

namespace {

using gnat::fs::path;

struct Analysed {
  gnat::Units units;
  bool warned = false;
};

Analysed analyse_modern(Analyser& analyser, const path& file) {
  Analysed result;
  FILE* stream = std::fopen(file.c_str(), "rb");
  if (stream == nullptr) {
    ADD_FAILURE() << "cannot open " << file;
    return result;
  }
  FileAnalysis analysis = analyser.analyse_stream(stream, file.filename().c_str());
  std::fclose(stream);
  result.warned = !analysis.accepted || !analysis.diagnostics.empty();
  for (const CompilationUnit* unit = analysis.units; unit; unit = unit->next)
    result.units.push_back({unit->full_name, unit_kind_text(*unit)});
  release_unit_list(analysis.units);
  return result;
}

TEST(GnatRuntime2022, UnitsAreGnatsOnEveryFileItAccepts) {
  if (!gnat::available())
    GTEST_SKIP() << "GNAT (gcc with gnat1) or its runtime sources in " << gnat::kRuntimeDir
                 << " are not installed";
  std::vector<path> files = gnat::runtime_files();
  std::vector<gnat::Result> gnat = gnat::units_of_all(files, "-gnat2022");

  size_t accepted = 0, agreeing = 0, recased = 0, warned = 0;
  size_t rejected = 0, rejected_warned = 0;
  std::vector<std::string> failures;
  Analyser analyser(AdaMode::kAda2022);
  for (size_t i = 0; i < files.size(); ++i) {
    Analysed ours = analyse_modern(analyser, files[i]);
    std::string name = files[i].filename().string();
    if (!gnat[i].ran) {
      ++rejected;
      if (ours.warned)
        ++rejected_warned;
      else
        failures.push_back(name + ": GNAT rejects it, the modern analysis does not warn");
      continue;
    }
    ++accepted;
    if (ours.warned) {
      ++warned;
      failures.push_back(name + ": warning on a file GNAT accepts");
    }
    gnat::Agreement agreement = gnat::compare(ours.units, gnat[i].units, files[i]);
    if (agreement == gnat::Agreement::kDiffers) {
      failures.push_back(name + ": ours " + gnat::describe(ours.units) + "; GNAT " +
                         gnat::describe(gnat[i].units));
      continue;
    }
    ++agreeing;
    if (agreement == gnat::Agreement::kRecased) ++recased;
  }

  std::printf(
      "GNAT runtime, Ada 2022: %zu files; GNAT accepts %zu: %zu agreeing (%zu only after "
      "GNAT's recasing), %zu with a warning; GNAT rejects %zu: %zu with a warning\n",
      files.size(), accepted, agreeing, recased, warned, rejected, rejected_warned);
  for (const std::string& failure : failures) ADD_FAILURE() << failure;
}

}  // namespace
