#include "analysis/analysis.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "analysis/context.h"
#include "analysis/parser.h"
#include "core/memory.h"

namespace {

// Opens a regular file for reading (or takes `fd`, the file opened so
// already), or gives null. The entry was seen to be a regular file when the
// directory was listed, but it may have been replaced since: a pipe or a
// device must not hold the run (the open does not wait), nor a directory end
// it with a read error. `status` is the status of the file read. A lack of
// memory for the open ends the analysis as any other; a lack of descriptors
// sets `descriptors_short`.
FILE* open_regular_file(const SourceFile& source, struct stat& status, char (&buffer)[4096],
                        bool& descriptors_short) {
  int fd = source.descriptor;
  if (fd < 0)
    fd = ::openat(source.directory, source.name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    descriptors_short = errno == EMFILE || errno == ENFILE;
    fail_if_out_of_memory(0);
    return nullptr;
  }
  // Reads wait again: F_SETFL 0 clears O_NONBLOCK, and with it only flags a
  // descriptor that just reads has no use for.
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0) {
    ::close(fd);
    return nullptr;
  }
  FILE* file = ::fdopen(fd, "r");
  if (file == nullptr) {
    ::close(fd);
    fail_if_out_of_memory(sizeof(FILE));
    return nullptr;
  }
  // The context's buffer: none to allocate, and no fstat to size it.
  std::setvbuf(file, buffer, _IOFBF, sizeof buffer);
  return file;
}

}  // namespace

void AnalysisContext::diagnose(Msg message, std::vector<std::string> args) {
  if (scanner.failure == nullptr) result->diagnostics.push_back({message, std::move(args)});
}

void AnalysisContext::analyse(FILE* stream, bool terminal, const char* name,
                              const char* directory_text, FileAnalysis& out) {
  result = &out;
  // Nothing an abandoned parse left behind may reach this file.
  recogniser.start_file(name, directory_text);
  scanner.restart(stream, terminal);
  if (scanner.failure == nullptr)
    out.accepted = (mode == AdaMode::kAda2022 ? parse_ada2022(this) : ac_yyparse(this)) == 0;
  out.units = recogniser.take_unit_list();
  arena.reset();
  if (scanner.failure != nullptr) {
    out.fatal = FatalCause{FatalCause::kScannerInput, scanner.failure, 0};
    out.accepted = false;
    release_unit_list(out.units);
    out.units = nullptr;
  }
}

Analyser::Analyser(AdaMode mode) : context_(std::make_unique<AnalysisContext>(mode)) {}

Analyser::~Analyser() = default;

// Memory ran out during the analysis: what the file had made so far goes
// with the context's per-file state; the scanner is made afresh next time.
void Analyser::out_of_memory(uint64_t size, FileAnalysis& result) {
  context_->recogniser.release_nesting_stack();
  release_unit_list(context_->recogniser.take_unit_list());
  context_->arena.reset();
  context_->scanner.discard();
  release_unit_list(result.units);
  result.units = nullptr;
  result.accepted = false;
  result.fatal = FatalCause{FatalCause::kOutOfMemory, nullptr, size};
}

FileAnalysis Analyser::analyse_stream(FILE* stream, const char* name,
                                      const char* directory_text) {
  FileAnalysis result;
  AllocationFailuresThrow failures_throw;
  try {
    context_->analyse(stream, ::isatty(::fileno(stream)) > 0, name, directory_text, result);
  } catch (const AllocationFailure& failure) {
    out_of_memory(failure.size, result);
  }
  return result;
}

FileAnalysis Analyser::analyse(const SourceFile& source) {
  FileAnalysis result;
  AllocationFailuresThrow failures_throw;
  struct stat status;
  FILE* file = nullptr;
  try {
    bool descriptors_short = false;
    file = open_regular_file(source, status, context_->read_buffer, descriptors_short);
    if (file == nullptr && descriptors_short) {
      // Not a property of the file: the run cannot go on without it.
      result.diagnostics.push_back({Msg::kNoDescriptorLeft, {source.name}});
      result.fatal = FatalCause{FatalCause::kNoDescriptor, nullptr, 0};
      return result;
    }
    if (file == nullptr) {
      result.diagnostics.push_back({Msg::kCannotOpenFile, {source.name}});
      return result;
    }
    // The time recorded for the file is the one of the bytes actually read.
    result.opened = true;
    result.modified = status.st_mtime;
    context_->analyse(file, false, source.name, source.directory_text, result);
  } catch (const AllocationFailure& failure) {
    out_of_memory(failure.size, result);
  }
  if (file != nullptr) std::fclose(file);
  return result;
}
