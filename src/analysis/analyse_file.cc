#include "analysis/analyse_file.h"

#include <sys/stat.h>

#include "analysis/arena.h"
#include "analysis/parser.h"
#include "analysis/scanner.h"
#include "driver/messages.h"

namespace {

// The time recorded for the file is the one of the bytes actually read.
void observe(FILE* file, FileTime* observed) {
  if (observed == nullptr) return;
  struct stat status;
  observed->known = fstat(fileno(file), &status) == 0;
  observed->seconds = observed->known ? status.st_mtime : 0;
}

}  // namespace

FileAnalysis analyse_open_file(FILE* file, const char* file_name) {
  // Nothing an abandoned parse left behind may reach this file.
  reset_recogniser();
  set_current_file_name(file_name);
  scanner_restart(file);
  set_nesting_depth(0);
  bool accepted = ac_yyparse() == 0;
  CompilationUnit* units = take_unit_list();
  arena_reset();
  ac_yylval = TokenValue{};  // its text was in the arena
  return {units, accepted};
}

CompilationUnit* analyse_file(const char* file_name, FileTime* observed) {
  FILE* file = std::fopen(file_name, "r");
  if (file == nullptr) {
    report(Msg::kCannotOpenFile, {file_name});
    if (observed != nullptr) *observed = FileTime{false, 0};
    return nullptr;
  }
  observe(file, observed);
  FileAnalysis analysis = analyse_open_file(file, file_name);
  std::fclose(file);
  return analysis.units;
}
