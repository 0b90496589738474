#include "analysis/analyse_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "analysis/arena.h"
#include "analysis/parser.h"
#include "analysis/scanner.h"
#include "driver/messages.h"

namespace {

// Opens a regular file for reading (or takes `fd`, the file opened so
// already), or gives null. The entry was seen to be a regular file when the
// directory was listed, but it may have been replaced since: a pipe or a
// device must not hold the run (the open does not wait), nor a directory end
// it with a read error. `status` is the status of the file read.
FILE* open_regular_file(const char* file_name, int fd, struct stat& status) {
  if (fd < 0) fd = ::open(file_name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  FILE* file = ::fdopen(fd, "r");
  if (file == nullptr) ::close(fd);
  return file;
}

}  // namespace

FileAnalysis analyse_open_file(FILE* file, const char* file_name, AdaVersion version) {
  // Nothing an abandoned parse left behind may reach this file.
  reset_recogniser();
  set_current_file_name(file_name);
  bool ada2022 = version == AdaVersion::kAda2022;
  scanner_set_ada2022(ada2022);
  scanner_set_token_value(ada2022 ? &ac_y22lval : &ac_yylval);
  scanner_restart(file);
  set_nesting_depth(0);
  bool accepted = (ada2022 ? ac_y22parse() : ac_yyparse()) == 0;
  CompilationUnit* units = take_unit_list();
  arena_reset();
  ac_yylval = TokenValue{};  // their texts were in the arena
  ac_y22lval = TokenValue{};
  return {units, accepted};
}

CompilationUnit* analyse_file(const char* file_name, FileTime* observed, int descriptor,
                              AdaVersion version) {
  struct stat status;
  FILE* file = open_regular_file(file_name, descriptor, status);
  if (file == nullptr) {
    report(Msg::kCannotOpenFile, {file_name});
    if (observed != nullptr) *observed = FileTime{false, 0};
    return nullptr;
  }
  // The time recorded for the file is the one of the bytes actually read.
  if (observed != nullptr) *observed = FileTime{true, status.st_mtime};
  FileAnalysis analysis = analyse_open_file(file, file_name, version);
  std::fclose(file);
  return analysis.units;
}
