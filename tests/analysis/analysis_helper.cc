#include "analysis_helper.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <regex>

#include "analysis/context.h"

Analyser& test_analyser(AdaMode mode) {
  static Analyser& ada95 = *new Analyser(AdaMode::kAda95);
  static Analyser& ada2022 = *new Analyser(AdaMode::kAda2022);
  return mode == AdaMode::kAda2022 ? ada2022 : ada95;
}

int32_t nesting_depth(AdaMode mode) { return test_analyser(mode).context().recogniser.depth; }
int32_t nesting_entry_count(AdaMode mode) {
  return test_analyser(mode).context().recogniser.entry_count;
}
size_t arena_bytes_in_use() { return test_analyser().context().arena.bytes_in_use(); }

namespace {

UnitSeen view_of(const CompilationUnit& unit) {
  UnitSeen view{unit.full_name, unit_kind_text(unit), unit.flags, unit.line, unit.column, {}, {}};
  for (const NameList* name = unit.with_names; name != nullptr; name = name->next)
    view.with_names.push_back(name->name);
  if (unit.renaming_target != nullptr) view.renaming_target = unit.renaming_target;
  return view;
}

// The warning of the grammar the file was analysed with.
std::vector<std::string> warning_positions(const std::string& diagnostics, AdaMode mode) {
  const std::regex warning(std::string(kSourceName) +
                           ":([0-9]+):([0-9]+): Warning, this file may not be Ada " +
                           (mode == AdaMode::kAda2022 ? "2022" : "95") +
                           " compilable\\.\n");
  std::vector<std::string> positions;
  for (std::sregex_iterator it(diagnostics.begin(), diagnostics.end(), warning), end; it != end;
       ++it)
    positions.push_back((*it)[1].str() + ":" + (*it)[2].str());
  return positions;
}

}  // namespace

std::string printed(const FileAnalysis& analysis) {
  std::string out;
  for (const Diagnostic& diagnostic : analysis.diagnostics) out += format_message(diagnostic);
  return out;
}

AnalysisSeen analyse_source(std::string_view source, AdaMode mode) {
  std::string path = scratch_path("source.ada");
  write_file(path, source);
  FILE* file = std::fopen(path.c_str(), "rb");
  AnalysisSeen seen;
  if (file == nullptr) {
    ADD_FAILURE() << "cannot open " << path;
    return seen;
  }
  FileAnalysis analysis = test_analyser(mode).analyse_stream(file, kSourceName);
  seen.diagnostics = printed(analysis);
  std::fclose(file);
  std::remove(path.c_str());
  seen.accepted = analysis.accepted;
  for (const CompilationUnit* unit = analysis.units; unit != nullptr; unit = unit->next)
    seen.units.push_back(view_of(*unit));
  release_unit_list(analysis.units);
  seen.warnings = warning_positions(seen.diagnostics, mode);
  return seen;
}

void PrintTo(const UnitSeen& unit, std::ostream* out) {
  *out << "{" << unit.full_name << " " << unit.kind << " flags 0x" << std::hex << unit.flags
       << std::dec << " at " << unit.line << ":" << unit.column;
  for (const std::string& name : unit.with_names) *out << " with " << name;
  if (!unit.renaming_target.empty()) *out << " renames " << unit.renaming_target;
  *out << "}";
}

std::vector<std::string> unit_summaries(const AnalysisSeen& seen) {
  std::vector<std::string> summaries;
  for (const UnitSeen& unit : seen.units) summaries.push_back(unit.full_name + " " + unit.kind);
  return summaries;
}
