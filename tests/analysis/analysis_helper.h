// Runs the whole analysis (scanner, parser, unit recogniser) over Ada source
// text and collects what a user or the link file would see: the records,
// the diagnostics, and whether the parser accepted the file.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/analysis.h"
#include "scratch.h"

struct UnitSeen {
  std::string full_name;
  std::string kind;  // kind text
  uint32_t flags = 0;
  int64_t line = 0;
  int64_t column = 0;
  std::vector<std::string> with_names;
  std::string renaming_target;  // empty: none
  bool operator==(const UnitSeen&) const = default;
};
void PrintTo(const UnitSeen& unit, std::ostream* out);

struct AnalysisSeen {
  bool accepted = false;
  std::vector<UnitSeen> units;
  std::string diagnostics;  // everything printed on standard error
  // "line:column" of each "may not be Ada 95 compilable" warning (or "Ada
  // 2022", the warning of the modern analysis).
  std::vector<std::string> warnings;
};

// The name that files analysed by the helper carry in records and messages.
constexpr const char* kSourceName = "unit.ada";

// The analyser every helper call uses: one per mode for the test program,
// so that tests can see what one file leaves for the next.
Analyser& test_analyser(AdaMode mode = AdaMode::kAda95);

// Writes `source` to a scratch file and analyses it as kSourceName with the
// test analyser of `mode`.
AnalysisSeen analyse_source(std::string_view source, AdaMode mode = AdaMode::kAda95);

// The diagnostics of an analysis as the driver would print them.
std::string printed(const FileAnalysis& analysis);

// What the test analyser's recogniser and arena hold now.
int32_t nesting_depth(AdaMode mode = AdaMode::kAda95);
int32_t nesting_entry_count(AdaMode mode = AdaMode::kAda95);
size_t arena_bytes_in_use();

// "full_name KIND" of each unit, for compact comparisons.
std::vector<std::string> unit_summaries(const AnalysisSeen& seen);

