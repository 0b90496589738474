// Selected files stay open from the directory listing to their analysis, as
// far as the descriptor limit allows, and are opened again beyond it. Either
// way each file yields its own units and nothing else changes.
#include <sys/resource.h>

#include <string>

#include <gtest/gtest.h>

#include "cli_runner.h"

namespace {

// Runs with the soft descriptor limit at `limit` (0: as it is).
CliResult run_with_limit(rlim_t limit, const CliCall& call) {
  rlimit saved{};
  ::getrlimit(RLIMIT_NOFILE, &saved);
  rlimit lowered = saved;
  if (limit != 0) lowered.rlim_cur = limit;
  ::setrlimit(RLIMIT_NOFILE, &lowered);
  CliResult result = run_vantlink(call);
  ::setrlimit(RLIMIT_NOFILE, &saved);
  return result;
}

TEST(KeptDescriptors, SameResultAtAnyLimit) {
  ScratchDir scratch;
  std::vector<std::string> args = {"links.txt"};
  // Enough directories that descriptors not given back would run out.
  for (int d = 0; d < 12; ++d) {
    std::string directory = "d" + std::to_string(d);
    make_directory(scratch / directory);
    for (int f = 0; f < 15; ++f) {
      std::string unit = "U" + std::to_string(d) + "_" + std::to_string(f);
      write_file(scratch / (directory + "/u" + std::to_string(f) + ".ads"),
                 "package " + unit + " is end " + unit + ";\n");
    }
    write_file(scratch / (directory + "/broken.adb"), "package body is\n");
    args.push_back(directory);
  }
  std::vector<std::string> full = {"-f"};
  full.insert(full.end(), args.begin(), args.end());

  CliResult expected = run_with_limit(0, {full, {}, {}, scratch.path()});
  ASSERT_EQ(expected.status, 0) << expected.err;
  std::string expected_links = read_file(scratch / "links.txt");
  ASSERT_NE(expected_links.find("U11_14 SPEC"), std::string::npos);
  CliResult expected_again = run_with_limit(0, {args, {}, {}, scratch.path()});

  for (rlim_t limit : {80, 100, 128, 200}) {
    std::string label = "limit " + std::to_string(limit);
    CliResult analysed = run_with_limit(limit, {full, {}, {}, scratch.path()});
    EXPECT_EQ(analysed.status, expected.status) << label;
    EXPECT_EQ(analysed.out, expected.out) << label;
    EXPECT_EQ(analysed.err, expected.err) << label;
    EXPECT_EQ(read_file(scratch / "links.txt"), expected_links) << label;

    CliResult reused = run_with_limit(limit, {args, {}, {}, scratch.path()});
    EXPECT_EQ(reused.status, expected_again.status) << label;
    EXPECT_EQ(reused.out, expected_again.out) << label;
    EXPECT_EQ(reused.err, expected_again.err) << label;
    EXPECT_EQ(read_file(scratch / "links.txt"), expected_links) << label;
  }
}

}  // namespace
