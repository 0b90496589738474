// All the state of one analysing thread: scanner, parser input, unit
// recogniser and the per-file arena. Any number of contexts can analyse
// files at the same time.
#pragma once

#include "analysis/analysis.h"
#include "analysis/arena.h"
#include "analysis/scanner.h"
#include "analysis/recogniser.h"

struct AnalysisContext {
  explicit AnalysisContext(AdaMode mode) : mode(mode), scanner(*this) {}

  // Parses `stream` (read a line at a time when it is a terminal) into
  // `result`: records, acceptance, diagnostics, fatal end.
  void analyse(FILE* stream, bool terminal, const char* name, const char* directory_text,
               FileAnalysis& result);

  // A diagnostic of the file being analysed; none counts once its input failed.
  void diagnose(Msg message, std::vector<std::string> args);

  const AdaMode mode;
  Arena arena;
  Scanner scanner;
  Recogniser recogniser;
  FileAnalysis* result = nullptr;  // of the file being analysed
  char read_buffer[4096];          // the stream's of the file being analysed
};
