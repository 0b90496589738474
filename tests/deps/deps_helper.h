// What the dependency-file tests share: the dependency file read back as
// lines a test can compare, and vantlink-deps run like vantlink.
#pragma once

#include <string>
#include <vector>

#include "cli_runner.h"

// One line a rule: "key time: Unit KIND [subunit of P] with A, limited B, ...",
// or a line starting with "damaged: " when the file does not parse.
std::string dependency_rules(const std::string& path);

// The built vantlink-deps with `args`, from `directory`, `env` added.
CliResult run_vantlink_deps(const std::vector<std::string>& args, const std::string& directory,
                            const std::map<std::string, std::string>& env = {});

// Writes `text` as a dependency file whose checksum matches, whatever it
// says: for files another version or mode wrote.
void write_signed_dependency_file(const std::string& path, std::string text);
