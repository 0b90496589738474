// The analysis seen from outside: one Ada source file in; its compilation
// unit records, the time of the bytes read, whether the parser accepted them,
// its diagnostics and any fatal end out. Nothing is printed and the process
// never ends here: the caller prints the diagnostics in its own order.
// An Analyser holds all the state of one analysing thread; make one per
// thread, as many as needed.
#pragma once

#include <fcntl.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "analysis/units.h"
#include "core/messages.h"

// The language the grammar parses.
enum class AdaMode { kAda95, kAda2022 };

// The file to analyse. The working directory is the caller's business: the
// file is read from `descriptor` when one is given (opened without waiting;
// the analysis takes it over and closes it), else opened by `name` relative
// to the directory descriptor `directory`.
struct SourceFile {
  const char* name;                      // also the name in records and messages
  int descriptor = -1;
  int directory = AT_FDCWD;
  const char* directory_text = nullptr;  // copied into every record; may be null
};

// Why an analysis could not finish, ending the run: the scanner's input
// failed (`text`, its own untranslated message), memory ran out (`size`,
// what could not be allocated), or no descriptor was left to open the file
// with (its message is among the diagnostics). Holds no allocated text, so
// that it can be made when memory has run out.
struct FatalCause {
  enum Kind { kScannerInput, kOutOfMemory, kNoDescriptor } kind;
  const char* text;
  uint64_t size;
};

struct FileAnalysis {
  CompilationUnit* units = nullptr;  // null when none
  bool opened = false;    // false: not read, and "can't open file" is diagnosed
  int64_t modified = 0;   // when opened: modification time of the bytes read
  bool accepted = false;  // the parser accepted the file
  std::vector<Diagnostic> diagnostics;  // in the order met
  // The run must end: nothing after it in the file counts, and `units` is
  // null.
  std::optional<FatalCause> fatal;
};

struct AnalysisContext;

class Analyser {
 public:
  explicit Analyser(AdaMode mode = AdaMode::kAda95);
  ~Analyser();
  Analyser(const Analyser&) = delete;
  Analyser& operator=(const Analyser&) = delete;

  // Reads one file, which must still be a regular file (a pipe or a device
  // that replaced it is not waited on, it cannot be opened).
  FileAnalysis analyse(const SourceFile& file);

  // The same for a stream already open, which the caller closes.
  FileAnalysis analyse_stream(FILE* stream, const char* name,
                              const char* directory_text = nullptr);

  // The state inside, for the analysis's own tests.
  AnalysisContext& context() { return *context_; }

 private:
  void out_of_memory(uint64_t size, FileAnalysis& result);

  std::unique_ptr<AnalysisContext> context_;
};
