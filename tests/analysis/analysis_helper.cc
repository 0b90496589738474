#include "analysis_helper.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <regex>

#include "analysis/analyse_file.h"

std::string scratch_path(const std::string& name) {
  return testing::TempDir() + "vl_" + std::to_string(getpid()) + "_" + name;
}

void write_bytes(const std::string& path, std::string_view bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

namespace {

UnitSeen view_of(const CompilationUnit& unit) {
  UnitSeen view{unit.full_name, unit_kind_text(unit), unit.flags, unit.line, unit.column, {}, {}};
  for (const NameList* name = unit.with_names; name != nullptr; name = name->next)
    view.with_names.push_back(name->name);
  if (unit.renaming_target != nullptr) view.renaming_target = unit.renaming_target;
  return view;
}

// The warning of the grammar the file was analysed with.
std::vector<std::string> warning_positions(const std::string& diagnostics, AdaVersion version) {
  const std::regex warning(std::string(kSourceName) +
                           ":([0-9]+):([0-9]+): Warning, this file may not be Ada " +
                           (version == AdaVersion::kAda2022 ? "2022" : "95") +
                           " compilable\\.\n");
  std::vector<std::string> positions;
  for (std::sregex_iterator it(diagnostics.begin(), diagnostics.end(), warning), end; it != end;
       ++it)
    positions.push_back((*it)[1].str() + ":" + (*it)[2].str());
  return positions;
}

}  // namespace

AnalysisSeen analyse_source(std::string_view source, AdaVersion version) {
  std::string path = scratch_path("source.ada");
  write_bytes(path, source);
  FILE* file = std::fopen(path.c_str(), "rb");
  AnalysisSeen seen;
  if (file == nullptr) {
    ADD_FAILURE() << "cannot open " << path;
    return seen;
  }
  testing::internal::CaptureStderr();
  FileAnalysis analysis = analyse_open_file(file, kSourceName, version);
  seen.diagnostics = testing::internal::GetCapturedStderr();
  std::fclose(file);
  std::remove(path.c_str());
  seen.accepted = analysis.accepted;
  for (const CompilationUnit* unit = analysis.units; unit != nullptr; unit = unit->next)
    seen.units.push_back(view_of(*unit));
  release_unit_list(analysis.units);
  seen.warnings = warning_positions(seen.diagnostics, version);
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
