// Real code: every file of the GNAT runtime that the analysis accepts without
// a warning must yield the units that the GNAT compiler itself reports for it
// (gcc -c -gnats -gnatu). Skipped where GNAT or its runtime sources are absent.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "gnat_helper.h"

namespace {

using gnat::fs::path;

struct Analysed {
  path file;
  gnat::Units units;
};

long peak_kilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Analyses every file once; keeps the units of those accepted without a
// diagnostic. Records are kept, as in a run, until the end.
std::vector<Analysed> analyse_runtime(const std::vector<path>& files,
                                      std::vector<CompilationUnit*>& kept) {
  std::vector<Analysed> accepted;
  Analyser analyser;
  for (const path& file : files) {
    FILE* stream = std::fopen(file.c_str(), "rb");
    if (stream == nullptr) continue;
    FileAnalysis analysis = analyser.analyse_stream(stream, file.filename().c_str());
    std::fclose(stream);
    kept.push_back(analysis.units);
    if (!analysis.accepted || !analysis.diagnostics.empty()) continue;
    Analysed result{file, {}};
    for (const CompilationUnit* unit = analysis.units; unit; unit = unit->next)
      result.units.push_back({unit->full_name, unit_kind_text(*unit)});
    accepted.push_back(std::move(result));
  }
  return accepted;
}

TEST(GnatRuntime, UnitsAgreeWithGnat) {
  if (!gnat::available())
    GTEST_SKIP() << "GNAT (gcc with gnat1) or its runtime sources in " << gnat::kRuntimeDir
                 << " are not installed";
  std::vector<path> files = gnat::runtime_files();
  std::vector<CompilationUnit*> kept;
  std::vector<Analysed> accepted = analyse_runtime(files, kept);
  long peak_after_one_pass = peak_kilobytes();

  std::vector<path> accepted_files;
  for (const Analysed& analysed : accepted) accepted_files.push_back(analysed.file);
  std::vector<gnat::Result> gnat = gnat::units_of_all(accepted_files, "");

  size_t agreeing = 0, gnat_failed = 0, recased = 0;
  std::string recased_examples;
  std::vector<std::string> disagreements;
  for (size_t i = 0; i < accepted.size(); ++i) {
    if (!gnat[i].ran) {
      ++gnat_failed;
      disagreements.push_back(accepted[i].file.filename().string() + ": GNAT reports an error:\n" +
                              gnat[i].output);
      continue;
    }
    const gnat::Units& ours = accepted[i].units;
    switch (gnat::compare(ours, gnat[i].units, accepted[i].file)) {
      case gnat::Agreement::kExact:
        ++agreeing;
        continue;
      case gnat::Agreement::kRecased:
        ++agreeing;
        if (recased++ < 3)
          recased_examples += "  ours " + gnat::describe(ours) + "; GNAT " +
                              gnat::describe(gnat[i].units) + "\n";
        continue;
      case gnat::Agreement::kDiffers:
        disagreements.push_back(accepted[i].file.filename().string() + ": ours " +
                                gnat::describe(ours) + "; GNAT " + gnat::describe(gnat[i].units));
    }
  }

  // Analysing the same files nine more times keeps only the records.
  for (int pass = 0; pass < 9; ++pass) analyse_runtime(files, kept);
  long peak_after_ten_passes = peak_kilobytes();
  for (CompilationUnit* units : kept) release_unit_list(units);

  std::printf(
      "GNAT runtime: %zu files, %zu accepted without warning, %zu "
      "agreeing with GNAT "
      "(%zu only after GNAT's recasing), %zu where GNAT failed\n",
      files.size(), accepted.size(), agreeing, recased, gnat_failed);
  std::printf("%s", recased_examples.c_str());
  std::printf("peak memory: %ld KiB after one pass, %ld KiB after ten passes\n",
              peak_after_one_pass, peak_after_ten_passes);
  for (const std::string& disagreement : disagreements) ADD_FAILURE() << disagreement;
}

}  // namespace
