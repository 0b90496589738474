#include "driver/command_line.h"

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
#include "driver/descriptor_limit.h"
#include "driver/directory_scan.h"
#include "driver/jobs.h"
#include "driver/long_path.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/translation.h"

namespace {

[[noreturn]] void fail(Msg message, std::initializer_list<std::string_view> args = {}) {
  report(message, args);
  throw RunEnd{ExitStatus::kError};
}

std::optional<std::string> current_directory() {
  // No fixed buffer: a working directory of any length is read whole.
  char* path = ::getcwd(nullptr, 0);
  if (path == nullptr) {
    fail_if_out_of_memory(PATH_MAX);
    return std::nullopt;
  }
  std::string out(path);
  std::free(path);
  return out;
}

std::vector<std::string> directory_names(int argc, char** argv, int first) {
  if (argv[first][0] == '@') {
    const char* list_file = argv[first] + 1;
    std::optional<std::vector<std::string>> lines = read_directory_list(list_file);
    if (!lines) fail(Msg::kCannotReadDirList, {list_file});
    return std::move(*lines);
  }
  return std::vector<std::string>(argv + first, argv + argc);
}

}  // namespace

int scan_options(int argc, char** argv, RunSettings& settings, const ExtensionLists& extensions) {
  int position = 1;
  for (; position < argc; ++position) {
    std::string_view argument = argv[position];
    if (argument == "-v" || argument == "-version") print_version();
    if (argument == "-r") settings.relative_paths = true;
    else if (argument == "-a") settings.relative_paths = false;
    else if (argument == "-s" || argument == "-silent") settings.silent = true;
    else if (argument == "-h" || argument == "-help") print_usage(extensions);
    else if (argument == "-f") settings.force_analysis = true;
    else break;
  }
  return position;
}

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

namespace {

// The mode VANTLINK_ADA names; any other value ends the run before it starts.
AdaMode ada_mode_of_run() {
  const char* value = std::getenv("VANTLINK_ADA");
  std::optional<AdaMode> mode = ada_mode_named(value);
  if (!mode) fail(Msg::kUnknownAdaMode, {value});
  return *mode;
}

// The run sequence; a run that ends early throws RunEnd.
ExitStatus run_sequence(int argc, char** argv) {
  setup_translation();
  prepare_allocation_message();
  raise_descriptor_limit();
  // Everything the run builds lives until the process ends; it is never
  // destroyed, so exit does not free a hundred thousand records one by one.
  static Run& run = *new Run(AdaMode::kAda95);
  run.extensions = setup_extension_lists();
  int link_position = scan_options(argc, argv, run.settings, run.extensions);
  // After the options, so that no setting hides -v or -h.
  run.mode = ada_mode_of_run();
  unsigned threads = analysing_threads();

  int positional = argc - link_position;
  if (positional <= 1) {
    report(positional == 0 ? Msg::kMissingLinkFileName : Msg::kMissingDirectory);
    fail(Msg::kUseHelpOption);
  }
  const char* link_file = argv[link_position];
  if (!link_target_usable(link_file)) fail(Msg::kCannotCreateLinkFile, {link_file});
  if (!run.settings.force_analysis) {
    run.previous = read_previous_link_file(link_file);
    // Units that the other grammar found are not this run's to keep.
    if (run.previous.mode != run.mode) run.previous = PreviousRecords();
  }

  std::optional<std::string> start = current_directory();
  if (!start) fail(Msg::kCannotGetWorkingDirectory);
  run.start_directory = *start;

  // The link file is dated with this second, so that the next run trusts no
  // file saved again in the second this run read it.
  int64_t reading_began = file_system_second(link_file);
  OrderedOutput output(threads, run.mode);
  for (const std::string& name : directory_names(argc, argv, link_position + 1))
    process_directory(name, run, output);
  output.finish();

  if (change_directory(run.start_directory.c_str()) != 0)
    fail(Msg::kCannotComeBack, {run.start_directory});
  // Ready before the link file is replaced: from then on the run has
  // succeeded, and nothing may turn it into a failure.
  std::string created = run.settings.silent ? "" : format_message(Msg::kFileCreated, {link_file});
  if (!write_link_file(link_file, run.files, run.mode, reading_began)) return ExitStatus::kError;
  mark_run_complete();
  print_message(stdout, created);
  return ExitStatus::kSuccess;
}

}  // namespace

int run_vantlink(int argc, char** argv) {
  try {
    return static_cast<int>(run_sequence(argc, argv));
  } catch (const RunEnd& end) {
    return static_cast<int>(end.status);
  }
}
