// The run from start to end: options, positional arguments, the directories
// and the link file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "driver/extensions.h"
#include "driver/run.h"

// Scans the options from position 1 and returns the position of the
// link-file name (argc when every argument is an option). "-v" and "-h" end
// the run here.
int scan_options(int argc, char** argv, RunSettings& settings, const ExtensionLists& extensions);

// The lines of a directory list file, each without its one "\n"; nothing when
// the file cannot be opened or read to its end.
std::optional<std::vector<std::string>> read_directory_list(const char* path);

// The whole run sequence after the application object exists; returns the
// exit status of a run that ends normally.
int run_vantlink(int argc, char** argv);
