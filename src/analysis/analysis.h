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

#include "core/exit_status.h"
#include "core/messages.h"

struct NameList {
  char* name;
  NameList* next;
};

enum UnitFlags : uint32_t {
  UNIT_PROCEDURE = 0x1,
  UNIT_FUNCTION = 0x2,
  UNIT_PACKAGE = 0x4,
  UNIT_TASK = 0x8,
  UNIT_PROTECTED = 0x10,
  UNIT_CHILD = 0x40000,
  UNIT_ABSTRACT = 0x80000,
  UNIT_RENAMING = 0x100000,
  UNIT_TASK_TYPE = 0x200000,
  UNIT_SUBUNIT = 0x400000,
  UNIT_STUB = 0x800000,
  UNIT_DECLARATION = 0x1000000,
  UNIT_BODY_PART = 0x2000000,
  UNIT_GENERIC = 0x4000000,
  UNIT_INSTANCE = 0x8000000,
};

enum UnitKind : int32_t { KIND_SPEC = 0, KIND_BODY = 1, KIND_PROC = 2 };

// One name of a unit's context clause, as written before it.
enum WithMarks : uint32_t { WITH_LIMITED = 0x1, WITH_PRIVATE = 0x2 };
struct WithClause {
  char* name;
  uint32_t marks;
  WithClause* next;  // source order
};

// One library-level unit of a file. Its strings are its own.
struct CompilationUnit {
  int32_t kind;  // 0 SPEC, 1 BODY, 2 PROC
  uint32_t flags;
  char* full_name;
  char* simple_name;
  char* file_name;
  char* directory;  // may be null
  int64_t line;
  int64_t column;
  NameList* with_names;
  char* renaming_target;
  WithClause* with_clauses;  // its own context clause's names
  CompilationUnit* next;
};

// "SPEC", "BODY", "PROC", or "<UNKOWN>" for any other kind.
const char* unit_kind_text(const CompilationUnit& unit);

// Frees a list of records with all their strings and with-names.
void release_unit_list(CompilationUnit* head);

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

struct FileAnalysis {
  CompilationUnit* units = nullptr;  // null when none
  bool opened = false;    // false: not read, and "can't open file" is diagnosed
  int64_t modified = 0;   // when opened: modification time of the bytes read
  bool accepted = false;  // the parser accepted the file
  std::vector<Diagnostic> diagnostics;  // in the order met
  // The run must end: nothing after it in the file counts, and `units` is
  // null.
  std::optional<FatalEnd> fatal;
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
