// vantlink-deps gpr against gnatname on the GNAT runtime in the Ada 2022
// mode, every file (gnatname runs the compiler once per file: about ten
// seconds here); with VANTLINK_GPR_RUNTIME=sample every 8th file by name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "deps_helper.h"
#include "gnat_helper.h"
#include "gpr_helper.h"

namespace fs = std::filesystem;

namespace {

std::string lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// gnatname's entry for a unit line "Name KIND path" of ours.
std::string entry_of(const std::string& unit_line) {
  std::istringstream words(unit_line);
  std::string name, kind, path;
  words >> name >> kind >> path;
  return (kind == "SPEC" ? "Spec " : "Body ") + lower(name) + " " +
         fs::path(path).filename().string();
}

TEST(Runtime, EntriesAreGnatnamesButNoBodyFilesAndDuplicates) {
  if (!gnat::available() || !gpr::installed("gnatname")) GTEST_SKIP() << "GNAT is not installed";
  const char* scope = std::getenv("VANTLINK_GPR_RUNTIME");
  size_t step = scope != nullptr && std::string(scope) == "sample" ? 8 : 1;
  ScratchDir scratch;
  make_directory(scratch / "rt");
  std::vector<fs::path> files = gnat::runtime_files();
  for (size_t i = 0; i < files.size(); i += step)
    fs::copy_file(files[i], scratch / ("rt/" + files[i].filename().string()));
  CliResult ours = gpr::export_project(scratch, {"rt"}, "Runtime");
  ASSERT_LE(ours.status, 1) << ours.err;
  std::set<std::string> entries = gpr::naming_entries(ours.out);
  // What gnatname lists and ours does not: a later file of a unit, which ours
  // names on standard error, or a file of pragma No_Body.
  std::set<std::string> explained;
  std::istringstream left_out(ours.err);
  for (std::string line; std::getline(left_out, line);) {
    ASSERT_TRUE(line.starts_with("duplicate ")) << line;
    explained.insert(entry_of(line.substr(line.find(": ") + 2)));
  }
  make_directory(scratch / "g");
  std::string gnat = gpr::gnatname_naming(scratch / "g", {"../rt"}, false);
  ASSERT_FALSE(gnat.empty());
  size_t no_body = 0;
  for (const std::string& entry : gpr::naming_entries(gnat)) {
    if (entries.erase(entry) > 0 || explained.erase(entry) > 0) continue;
    std::string file = entry.substr(entry.rfind(' ') + 1);
    bool quirk = read_file(scratch / ("rt/" + file)).find("pragma No_Body") != std::string::npos;
    EXPECT_TRUE(quirk) << "gnatname only: " << entry;
    no_body += quirk;
  }
  for (const std::string& entry : entries) ADD_FAILURE() << "ours only: " << entry;
  for (const std::string& entry : explained) ADD_FAILURE() << "no such duplicate: " << entry;
  std::printf("runtime, every %zu%s file: %zu entries of gnatname's, %zu of them for pragma "
              "No_Body\n", step, step == 1 ? "st" : "th",
              gpr::naming_entries(gnat).size(), no_body);
}

}  // namespace
