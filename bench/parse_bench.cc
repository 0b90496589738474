// Analysis speed by grammar: every .ads and .adb file under a directory
// analysed to its end (scanner, parser, unit recognition) with the Ada 95
// grammar and with the Ada 2022 one, alternately, several times after a
// warm-up pass. Prints the median MB/s of each by the process's CPU time and
// their ratio. Files the Ada 95 grammar gives up on cost it less: the ratio
// is that of whole runs over the same tree.
//
// Usage: parse_bench [directory] [repetitions]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_corpus.h"
#include "analysis/analysis.h"

namespace {

namespace fs = std::filesystem;

struct Pass {
  uint64_t bytes = 0;
  size_t warned = 0;  // files not accepted
  double cpu_seconds = 0;
};

// One file at a time, as a run does, with one analyser per grammar.
Pass analyse_all(const std::vector<std::string>& files, Analyser& analyser) {
  Pass pass;
  double start = cpu_now();
  for (const std::string& name : files) {
    FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) continue;
    FileAnalysis analysis = analyser.analyse_stream(file, name.c_str());
    pass.bytes += static_cast<uint64_t>(std::ftell(file));
    pass.warned += analysis.accepted ? 0 : 1;
    std::fclose(file);
    release_unit_list(analysis.units);
  }
  pass.cpu_seconds = cpu_now() - start;
  return pass;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path root = argc > 1 ? argv[1] : "/usr/lib/gcc/x86_64-linux-gnu/12/adainclude";
  const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
  std::vector<std::string> files = ada_files(root);
  if (files.empty()) {
    std::fprintf(stderr, "parse_bench: no .ads or .adb file under %s\n", root.c_str());
    return 1;
  }
  Analyser analysers[] = {Analyser(AdaMode::kAda95), Analyser(AdaMode::kAda2022)};
  const char* const names[] = {"Ada 95", "Ada 2022"};
  std::vector<double> mb_per_s[2];
  Pass last[2];
  for (int v = 0; v < 2; ++v) analyse_all(files, analysers[v]);  // warm-up
  for (int i = 0; i < repetitions; ++i)
    for (int v = 0; v < 2; ++v) {
      last[v] = analyse_all(files, analysers[v]);
      mb_per_s[v].push_back(last[v].bytes / 1e6 / last[v].cpu_seconds);
    }
  std::printf("%zu files, %.2f MB, %d repetitions after one warm-up\n", files.size(),
              last[0].bytes / 1e6, repetitions);
  for (int v = 0; v < 2; ++v)
    std::printf("%-8s median cpu %.1f MB/s, %zu files not accepted\n", names[v],
                median(mb_per_s[v]), last[v].warned);
  std::printf("Ada 2022 / Ada 95: %.3f\n", median(mb_per_s[1]) / median(mb_per_s[0]));
  return 0;
}
