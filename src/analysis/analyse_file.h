// The seam between the driver and the analysis: one file in, its records out.
#pragma once

#include <cstdint>
#include <cstdio>

#include "analysis/units.h"

// The grammar a file is analysed with: Ada 95 (the default) or Ada 2022.
enum class AdaVersion { kAda95, kAda2022 };

struct FileTime {
  bool known;       // false when the file's status could not be read
  int64_t seconds;  // modification time
};

// Opens `file_name` (relative to the working directory), parses it and
// returns its records (null when none). When it cannot be opened, or is no
// longer a regular file, prints "can't open file" and returns null. `observed`, when given, receives the
// modification time of the file that was read. A `descriptor` other than -1
// is `file_name` already opened for reading (without waiting, as the listing
// opens entries): it is read and closed instead of opening the file again.
CompilationUnit* analyse_file(const char* file_name, FileTime* observed = nullptr,
                              int descriptor = -1, AdaVersion version = AdaVersion::kAda95);

// The same for a file already open, named `file_name` in the records and
// diagnostics; also tells whether the parser accepted the file. The caller
// closes the file.
struct FileAnalysis {
  CompilationUnit* units;
  bool accepted;
};
FileAnalysis analyse_open_file(FILE* file, const char* file_name,
                               AdaVersion version = AdaVersion::kAda95);
