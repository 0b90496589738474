#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "core/messages.h"
#include "core/translation.h"

namespace {

TEST(Substitute, FillsEachPlaceholderOnce) {
  struct Case {
    std::string pattern;
    std::vector<std::string> args;
    std::string expected;
  };
  const Case cases[] = {
      {"%1:%2:%3: x\n", {"f.adb", "12", "7"}, "f.adb:12:7: x\n"},
      {"\"%1\"", {"a%2b"}, "\"a%2b\""},
      {"\"%1\" %2", {"%1%s", "z"}, "\"%1%s\" z"},
      {"%2 before %1", {"one", "two"}, "two before one"},
      {"100% sure %", {}, "100% sure %"},
      {"%3 missing", {"a"}, "%3 missing"},
      {"bytes \"%1\"", {"\xff\xfe\x80"}, "bytes \"\xff\xfe\x80\""},
  };
  for (const Case& c : cases) {
    std::vector<std::string_view> views(c.args.begin(), c.args.end());
    std::string out;
    switch (views.size()) {
      case 0: out = substitute(c.pattern, {}); break;
      case 1: out = substitute(c.pattern, {views[0]}); break;
      case 2: out = substitute(c.pattern, {views[0], views[1]}); break;
      default: out = substitute(c.pattern, {views[0], views[1], views[2]}); break;
    }
    EXPECT_EQ(out, c.expected) << c.pattern;
  }
}

std::string printed(std::string_view text, const char* format) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  print_message(stream, text, format);
  std::fclose(stream);
  std::string out(buffer, size);
  std::free(buffer);
  return out;
}

TEST(PrintMessage, WritesTextOrFormat) {
  EXPECT_EQ(printed("100%s done\n", nullptr), "100%s done\n");
  EXPECT_EQ(printed("/x/lib/locale", "Fatal Error: directory doesn't exist '%s'\n"),
            "Fatal Error: directory doesn't exist '/x/lib/locale'\n");
  EXPECT_EQ(printed("a%db", "<%s>"), "<a%db>");
}

TEST(MessageTable, EveryMessageHasContextAndSource) {
  for (int i = 0; i < static_cast<int>(Msg::kCount); ++i) {
    const MessageDef& def = message_def(static_cast<Msg>(i));
    EXPECT_NE(def.context, nullptr);
    EXPECT_NE(def.source, nullptr);
  }
}

TEST(MessageTable, UntranslatedMessageIsItsSource) {
  EXPECT_EQ(format_message(Msg::kCannotOpenFile, {"a%1.ads"}), "Error : can't open file \"a%1.ads\"\n");
  EXPECT_EQ(format_message(Msg::kCannotAllocate, {"500"}), "\nFatal Error: cannot allocate 500 bytes\n");
}

class CatalogueLookup : public testing::Test {
 protected:
  void SetUp() override {
    directory_ = std::filesystem::temp_directory_path() / ("vl-catalogue-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory_);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }
  void touch(const std::string& name) { std::ofstream(directory_ / name) << "x"; }
  std::string found(const std::string& name) {
    auto path = find_catalogue(directory_.string(), name);
    return path ? std::filesystem::path(*path).filename().string() : "(none)";
  }
  std::filesystem::path directory_;
};

TEST_F(CatalogueLookup, TriesNamesInOrder) {
  const char* order[] = {"vlkchoptags_fr_FR.UTF-8", "vlkchoptags_fr_FR.UTF-8.qm", "vlkchoptags_fr_FR",
                         "vlkchoptags_fr_FR.qm",    "vlkchoptags_fr",             "vlkchoptags_fr.qm",
                         "vlkchoptags",             "vlkchoptags.qm"};
  for (const char* name : order) touch(name);
  // Removing the winner each time reveals the next name in the order.
  for (const char* name : order) {
    EXPECT_EQ(found("vlkchoptags_fr_FR.UTF-8"), name);
    std::filesystem::remove(directory_ / name);
  }
  EXPECT_EQ(found("vlkchoptags_fr_FR.UTF-8"), "(none)");
}

TEST_F(CatalogueLookup, DirectoryIsNotAFile) {
  std::filesystem::create_directories(directory_ / "kvident_C");
  touch("kvident.qm");
  EXPECT_EQ(found("kvident_C"), "kvident.qm");
}

}  // namespace
