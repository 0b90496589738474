// What the analysis benchmarks share: the corpus of one directory tree, the
// process's CPU clock and the median of repeated passes.
#pragma once

#include <time.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

// Every .ads and .adb file under `root`, in name order.
inline std::vector<std::string> ada_files(const std::filesystem::path& root) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string extension = entry.path().extension().string();
    if (entry.is_regular_file() && (extension == ".ads" || extension == ".adb"))
      files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// CPU seconds used by this process: the figure to read on a shared machine.
inline double cpu_now() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}
