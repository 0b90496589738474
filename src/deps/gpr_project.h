// A GPR project for gprbuild from the link file and the dependency file: its
// source directories and files, and a Naming package that maps every unit to
// its file (and its place in a file of several units), so that a tree named
// in any way builds without a compiler run per file to find its units.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "formats/dependency_file.h"
#include "formats/link_file_lines.h"

// An Ada identifier in ASCII that the project language does not reserve:
// gprbuild reads nothing else as a project's name, nor, beyond ASCII, as the
// name of its file.
bool valid_project_name(std::string_view name);

// A unit's name as a project file writes it, in Latin-1 (the encoding
// gprbuild reads project files in): letters beyond ASCII are read from the
// link file's bytes as the analysis reads them (UTF-8 where a sequence is
// one, else a Latin-1 byte, or the bracket notation). False for a name with a
// character gprbuild does not take in a unit name (beyond U+00FE, or no
// letter such as a symbol).
bool gpr_unit_name(std::string_view name, std::string& out);

struct GprProject {
  std::string text;       // the project file
  std::string left_out;   // one line a unit or file without an entry, or empty
  size_t entries = 0;     // the Naming package's entries
};

// The project `name` (valid_project_name) for files in step (see
// files_out_of_step): a unit gets an entry from the first file of the link
// file that provides it, when that file was read without a syntax warning,
// is the first of its simple name (gprbuild finds a file by that name alone)
// and the unit's name can be written.
GprProject make_gpr_project(const LinkFileText& link, const DependencyFile& deps,
                            std::string_view name);
