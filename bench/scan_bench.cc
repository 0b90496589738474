// Scanning speed: every .ads and .adb file under a directory, scanned to its
// end several times after a warm-up pass. Prints the median MB/s and tokens/s,
// by the wall clock and by the process's CPU time (the figure to read when
// other programs share the machine). A last figure scans one generated line
// of 16 MB without a line end, to show that a huge lexeme costs linear time.
//
// Usage: scan_bench [directory] [repetitions]
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_corpus.h"
#include "analysis/context.h"

namespace {

// The scanner of one analysis context, as an analysing thread has it.
AnalysisContext context(AdaMode::kAda95);
TokenValue value;

int next_token() { return ac_yylex(&value, &context); }

namespace fs = std::filesystem;

struct Pass {
  uint64_t bytes = 0;
  uint64_t tokens = 0;
  double seconds = 0;
  double cpu_seconds = 0;
};

// One file at a time, as the analysis does: open, restart, scan, close, reset.
Pass scan_all(const std::vector<std::string>& files) {
  Pass pass;
  auto start = std::chrono::steady_clock::now();
  double cpu_start = cpu_now();
  for (const std::string& name : files) {
    FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) continue;
    context.scanner.restart(file, false);
    while (next_token() != 0) ++pass.tokens;
    pass.bytes += static_cast<uint64_t>(std::ftell(file));
    std::fclose(file);
    context.arena.reset();
  }
  pass.cpu_seconds = cpu_now() - cpu_start;
  pass.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return pass;
}

// Seconds of CPU time to scan `bytes` bytes of one comment line.
double scan_long_line(size_t bytes) {
  FILE* file = std::tmpfile();
  if (file == nullptr) return 0;
  std::string line = "--" + std::string(bytes - 2, 'x');
  std::fwrite(line.data(), 1, line.size(), file);
  std::rewind(file);
  double start = cpu_now();
  context.scanner.restart(file, false);
  while (next_token() != 0) {
  }
  double seconds = cpu_now() - start;
  std::fclose(file);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path root = argc > 1 ? argv[1] : "/usr/lib/gcc/x86_64-linux-gnu/12/adainclude";
  const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  std::vector<std::string> files = ada_files(root);
  if (files.empty()) {
    std::fprintf(stderr, "scan_bench: no .ads or .adb file under %s\n", root.c_str());
    return 1;
  }
  Pass warm_up = scan_all(files);
  std::printf("%zu files, %.2f MB, %llu tokens, %d repetitions after one warm-up\n", files.size(),
              warm_up.bytes / 1e6, static_cast<unsigned long long>(warm_up.tokens), repetitions);
  std::vector<double> wall_mb, wall_tokens, cpu_mb, cpu_tokens;
  for (int i = 0; i < repetitions; ++i) {
    Pass pass = scan_all(files);
    wall_mb.push_back(pass.bytes / 1e6 / pass.seconds);
    wall_tokens.push_back(pass.tokens / 1e6 / pass.seconds);
    cpu_mb.push_back(pass.bytes / 1e6 / pass.cpu_seconds);
    cpu_tokens.push_back(pass.tokens / 1e6 / pass.cpu_seconds);
    std::printf("  pass %d: wall %.3f s, cpu %.3f s\n", i + 1, pass.seconds, pass.cpu_seconds);
  }
  std::printf("median wall: %.1f MB/s, %.2f Mtokens/s\n", median(wall_mb), median(wall_tokens));
  std::printf("median cpu:  %.1f MB/s, %.2f Mtokens/s\n", median(cpu_mb), median(cpu_tokens));
  constexpr size_t kLongLine = 16'000'000;
  std::printf("one 16 MB line: cpu %.1f MB/s\n", kLongLine / 1e6 / scan_long_line(kLongLine));
  return 0;
}
