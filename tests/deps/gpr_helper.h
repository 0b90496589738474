// What the project-file tests share: a project's Naming entries as a set
// that compares with gnatname's, and gnatname and gprbuild run in a
// scratch directory.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace gpr {

// "Spec name file [index]", the name folded as gprbuild folds it (ASCII and
// Latin-1 letters), one a Naming entry of `project`.
std::set<std::string> naming_entries(const std::string& project);

// The items of `for ATTRIBUTE use (...)` in `project`.
std::vector<std::string> list_items(const std::string& project, const std::string& attribute);

// A program is on the PATH.
bool installed(const std::string& program);

// `command` run by the shell in `directory`: its output (both streams) and
// status.
CliResult shell(const std::string& command, const std::string& directory);

// vantlink with VANTLINK_DEPS in the Ada 2022 mode over `directories`
// (relative to `scratch`), then `vantlink-deps gpr` naming the project
// `name`, from `scratch`.
CliResult export_project(const ScratchDir& scratch, const std::vector<std::string>& directories,
                         const std::string& name);

// gnatname's Naming entries for the `*.ada` (or, without, every) file of
// `directories`, run in `work` (which must exist): "" when it failed.
std::string gnatname_naming(const std::string& work, const std::vector<std::string>& directories,
                            bool only_ada);

}  // namespace gpr
