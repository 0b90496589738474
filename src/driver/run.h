// The run from start to end: set-up (translation, extension lists, options,
// environment), the previous link file, the directories, the new link file.
// Also the state of one run: settings from the command line, the start
// directory, the extension lists, what the previous link file held, and the
// files found.
#pragma once

#include <sys/types.h>

#include <deque>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>

#include "analysis/analysis.h"
#include "driver/dependencies.h"
#include "driver/extensions.h"
#include "driver/file_list.h"
#include "driver/link_file.h"

struct RunSettings {
  bool relative_paths = false;
  bool silent = false;
  bool force_analysis = false;
};

struct Run {

  AdaMode mode = AdaMode::kAda95;  // of the analysis and of the link file
  RunSettings settings;
  std::string start_directory;
  ExtensionLists extensions{};
  std::unordered_set<std::string> seen_directories;  // canonical paths
  std::set<std::pair<dev_t, ino_t>> seen_identities;  // device and inode of each
  std::deque<std::string> directory_texts;           // one per directory processed
  PreviousRecords previous;
  FileList files;
  Dependencies dependencies;  // VANTLINK_DEPS
};

// The whole run; returns its exit status.
int run_program(int argc, char** argv);
