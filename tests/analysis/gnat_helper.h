// GNAT as the oracle: what `gcc -c -gnats -gnatu` reports for a file, the
// GNAT runtime sources to run it on, and how its answers compare with ours.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace gnat {

namespace fs = std::filesystem;

constexpr const char* kRuntimeDir = "/usr/lib/gcc/x86_64-linux-gnu/12/adainclude";

struct Unit {
  std::string name;
  std::string kind;  // "SPEC", "BODY" or "PROC"
  bool operator==(const Unit&) const = default;
};
using Units = std::vector<Unit>;

// "A SPEC, B BODY", or "(none)".
std::string describe(const Units& units);

std::string read_all(const fs::path& path);

struct Result {
  bool ran = false;  // GNAT listed units and reported no error
  Units units;       // this file's units only
  std::string output;
};

// GNAT on `file`, in `work_dir`, with extra `options` (such as "-gnat2022").
Result units_of(const fs::path& file, const std::string& work_dir, const std::string& options);

// The same on every file, two gcc at a time, in a scratch directory.
std::vector<Result> units_of_all(const std::vector<fs::path>& files, const std::string& options);

// gcc with GNAT's front end, and the runtime sources, are installed.
bool available();

// The regular files of the runtime directory, sorted.
std::vector<fs::path> runtime_files();

// Ours against GNAT's for `file`. GNAT recases some names; agreement but for
// letter case counts only where it did: its spelling then occurs nowhere in
// the file, while each part of ours is spelled there.
enum class Agreement { kExact, kRecased, kDiffers };
Agreement compare(const Units& ours, const Units& gnat, const fs::path& file);

}  // namespace gnat
