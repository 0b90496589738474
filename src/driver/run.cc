#include "driver/run.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/exit_status.h"
#include "driver/ada_mode.h"
#include "driver/atomic_file.h"
#include "driver/banner.h"
#include "driver/dependencies.h"
#include "driver/descriptor_limit.h"
#include "driver/directory_scan.h"
#include "driver/jobs.h"
#include "driver/out_of_memory.h"
#include "driver/paths.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/translation.h"

namespace {

// The lines of a directory list file, each without its one "\n"; nothing when
// the file cannot be opened or read to its end.
std::optional<std::vector<std::string>> read_directory_list(const char* path) {
  FILE* file = std::fopen(path, "r");
  if (file == nullptr) {
    fail_if_out_of_memory(sizeof(FILE));
    return std::nullopt;
  }
  std::vector<std::string> lines;
  char* line = nullptr;
  size_t capacity = 0;
  ssize_t length;
  while (errno = 0, (length = ::getline(&line, &capacity, file)) != -1) {
    if (length > 0 && line[length - 1] == '\n') --length;
    // A name ends at a NUL byte, in the messages as well as for the system.
    lines.emplace_back(line, ::strnlen(line, static_cast<size_t>(length)));
  }
  // getline reports a line it had no memory for as the end of the file.
  if (!std::feof(file)) fail_if_out_of_memory(std::max<size_t>(2 * capacity, 120));
  // A list cut short by a read error (or naming a directory) would drop the
  // records of every directory it no longer names.
  bool complete = std::feof(file) && !std::ferror(file);
  std::free(line);
  std::fclose(file);
  if (!complete) return std::nullopt;
  return lines;
}

// The directories named from position `first` on, or in the list file "@FILE";
// nothing, once reported, when that list cannot be read.
std::optional<std::vector<std::string>> directory_names(int argc, char** argv, int first) {
  if (argv[first][0] != '@') return std::vector<std::string>(argv + first, argv + argc);
  const char* list_file = argv[first] + 1;
  std::optional<std::vector<std::string>> lines = read_directory_list(list_file);
  if (!lines) report(Msg::kCannotReadDirList, {list_file});
  return lines;
}

// Scans the options from position 1 and sets `link_position` to that of the
// link-file name (argc when every argument is an option). "-v" and "-h" end
// the run there: their status, or nothing to go on.
std::optional<ExitStatus> scan_options(int argc, char** argv, RunSettings& settings,
                                       const ExtensionLists& extensions, int& link_position) {
  for (link_position = 1; link_position < argc; ++link_position) {
    std::string_view argument = argv[link_position];
    if (argument == "-v" || argument == "-version")
      return print_version() ? ExitStatus::kSuccess : ExitStatus::kError;
    if (argument == "-r") settings.relative_paths = true;
    else if (argument == "-a") settings.relative_paths = false;
    else if (argument == "-s" || argument == "-silent") settings.silent = true;
    else if (argument == "-h" || argument == "-help") {
      print_usage(extensions);
      return ExitStatus::kError;
    } else if (argument == "-f") settings.force_analysis = true;
    else break;
  }
  return std::nullopt;
}

// The mode VANTLINK_ADA names; nothing, once reported, when it names none.
std::optional<AdaMode> ada_mode_of_run() {
  const char* value = std::getenv("VANTLINK_ADA");
  std::optional<AdaMode> mode = ada_mode_named(value);
  if (!mode) report(Msg::kUnknownAdaMode, {value});
  return mode;
}

// Every directory through the analysis queue, then the link file. A fatal end
// on the way throws RunEnd.
ExitStatus analyse_and_write(Run& run, const std::vector<std::string>& directories,
                             unsigned threads, const char* link_file,
                             OutOfMemoryPolicy& out_of_memory) {
  // The link file is dated with this second, so that the next run trusts no
  // file saved again in the second this run read it.
  int64_t reading_began = file_system_second(link_file);
  AnalysisQueue queue(threads, run.mode);
  // What a run on one thread would have printed comes before the message.
  out_of_memory.print_first(&queue);
  struct Forget {
    OutOfMemoryPolicy& policy;
    ~Forget() { policy.print_first(nullptr); }
  } forget{out_of_memory};

  for (const std::string& name : directories) process_directory(name, run, queue);
  queue.finish();

  if (change_directory(run.start_directory.c_str()) != 0) {
    report(Msg::kCannotComeBack, {run.start_directory});
    return ExitStatus::kError;
  }
  // Ready before the link file is replaced: from then on the run has
  // succeeded, and nothing may turn it into a failure.
  std::string created = run.settings.silent ? "" : format_message(Msg::kFileCreated, {link_file});
  // The dependency file first: a link file never stands for with clauses
  // that are not on disk.
  if (run.dependencies.name != nullptr &&
      !write_dependency_file(run.dependencies, run.files, run.mode))
    return ExitStatus::kError;
  if (!write_link_file(link_file, run.files, run.mode, reading_began)) return ExitStatus::kError;
  out_of_memory.mark_run_complete();
  print_message(stdout, created);
  return ExitStatus::kSuccess;
}

// The run sequence: set-up returns the status of a run that ends there.
ExitStatus run_sequence(int argc, char** argv) {
  if (!setup_translation()) return ExitStatus::kError;
  OutOfMemoryPolicy out_of_memory;
  raise_descriptor_limit();
  // Everything the run builds lives until the process ends; it is never
  // destroyed, so exit does not free a hundred thousand records one by one.
  static Run& run = *new Run();
  std::optional<ExtensionLists> extensions = setup_extension_lists();
  if (!extensions) return ExitStatus::kOutOfMemory;
  run.extensions = *extensions;
  int link_position;
  if (std::optional<ExitStatus> end =
          scan_options(argc, argv, run.settings, run.extensions, link_position))
    return *end;
  // Checked after the options, so that -v and -h work whatever they say.
  std::optional<AdaMode> mode = ada_mode_of_run();
  if (!mode) return ExitStatus::kError;
  std::optional<unsigned> threads = analysing_threads();
  if (!threads) return ExitStatus::kError;

  int positional = argc - link_position;
  if (positional <= 1) {
    report(positional == 0 ? Msg::kMissingLinkFileName : Msg::kMissingDirectory);
    report(Msg::kUseHelpOption);
    return ExitStatus::kError;
  }
  const char* link_file = argv[link_position];
  if (!link_target_usable(link_file)) {
    report(Msg::kCannotCreateLinkFile, {link_file});
    return ExitStatus::kError;
  }
  const char* dependency_file = dependency_file_name();
  if (dependency_file != nullptr && !check_dependency_target(dependency_file))
    return ExitStatus::kError;
  run.mode = *mode;
  if (!run.settings.force_analysis) {
    run.previous = read_previous_link_file(link_file);
    // Units that the other grammar found are not this run's to keep.
    if (run.previous.mode != run.mode) run.previous = PreviousRecords();
  }
  if (dependency_file != nullptr)
    start_dependencies(run.dependencies, dependency_file, run.mode, run.settings.force_analysis,
                       run.previous);
  std::optional<std::string> start = current_directory();
  if (!start) {
    report(Msg::kCannotGetWorkingDirectory);
    return ExitStatus::kError;
  }
  run.start_directory = *start;
  std::optional<std::vector<std::string>> directories =
      directory_names(argc, argv, link_position + 1);
  if (!directories) return ExitStatus::kError;

  try {
    return analyse_and_write(run, *directories, *threads, link_file, out_of_memory);
  } catch (const RunEnd& end) {
    return end.status;
  }
}

}  // namespace

int run_program(int argc, char** argv) { return static_cast<int>(run_sequence(argc, argv)); }
