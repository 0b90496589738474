// The analysis entry on what is no longer a regular file when it comes to be read
// (the entry was replaced after the directory was listed): reported as a
// file that cannot be opened, never waited on, never read without end.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "analysis/analysis.h"
#include "analysis_helper.h"

namespace {

namespace fs = std::filesystem;

struct Replaced {
  const char* label;
  void (*make)(const std::string& path);
};

class ReplacedEntry : public testing::TestWithParam<Replaced> {};

TEST_P(ReplacedEntry, ReportedNotRead) {
  std::string path = scratch_path(std::string(GetParam().label) + ".ads");
  GetParam().make(path);
  alarm(10);  // a wait or an endless read ends the test here
  FileAnalysis analysis = test_analyser().analyse({path.c_str()});
  alarm(0);
  EXPECT_EQ(analysis.units, nullptr);
  EXPECT_EQ(printed(analysis), "Error : can't open file \"" + path + "\"\n");
  EXPECT_FALSE(analysis.opened);
  fs::remove_all(path);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ReplacedEntry,
    testing::Values(
        Replaced{"fifo", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }},
        Replaced{"zero", [](const std::string& p) { fs::create_symlink("/dev/zero", p); }},
        Replaced{"directory", [](const std::string& p) { fs::create_directory(p); }},
        Replaced{"missing", [](const std::string&) {}}),
    [](const testing::TestParamInfo<Replaced>& info) { return info.param.label; });

TEST(RegularFile, Analysed) {
  std::string path = scratch_path("regular.ads");
  write_file(path, "package A is end A;\n");
  FileAnalysis analysis = test_analyser().analyse({path.c_str()});
  ASSERT_NE(analysis.units, nullptr);
  EXPECT_STREQ(analysis.units->full_name, "A");
  EXPECT_EQ(analysis.units->next, nullptr);
  EXPECT_TRUE(analysis.opened);
  release_unit_list(analysis.units);
  fs::remove(path);
}

}  // namespace
