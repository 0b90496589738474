#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/extensions.h"
#include "scratch.h"

namespace {

// Extension lists live until the process ends, in the tool as here.
// (Never destroyed, so the leak checker still sees them at exit.)
auto* kept_lists = new std::vector<ExtensionEntry*>;

ExtensionEntry* kept(ExtensionEntry* list) {
  kept_lists->push_back(list);
  return list;
}

std::vector<std::string> texts(const ExtensionEntry* list) {
  std::vector<std::string> out;
  int expected_position = 0;
  for (; list != nullptr; list = list->next) {
    EXPECT_EQ(list->position, expected_position++);
    EXPECT_EQ(static_cast<size_t>(list->length), std::string(list->text).size());
    out.push_back(list->text);
  }
  return out;
}

ExtensionEntry* list_of(std::initializer_list<const char*> items) {
  ExtensionEntry* list = nullptr;
  for (const char* item : items) list = append_extension(list, item);
  return kept(list);
}

TEST(ReadExtensionList, SegmentsOfTheVariable) {
  struct Case {
    const char* value;  // nullptr: unset
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {nullptr, {}},
      {"", {}},
      {":::", {}},
      {".adb:.ads", {".adb", ".ads"}},
      {":.adb::.ads:", {".adb", ".ads"}},
      {"ada", {"ada"}},
      {" .ada", {" .ada"}},
      {".a:.a", {".a", ".a"}},
  };
  for (const Case& c : cases) {
    if (c.value) ::setenv("VL_TEST_EXT", c.value, 1);
    else ::unsetenv("VL_TEST_EXT");
    EXPECT_EQ(texts(kept(*read_extension_list("VL_TEST_EXT"))), c.expected) << (c.value ? c.value : "(unset)");
  }
}

TEST(SetupExtensionLists, DefaultsOnlyWhenNothingGiven) {
  ::setenv("VANTLINK_EXT", ":", 1);
  ::unsetenv("VANTLINK_NOEXT");
  ExtensionLists lists = *setup_extension_lists();
  kept(lists.authorized);
  EXPECT_TRUE(lists.default_extensions_in_use);
  EXPECT_EQ(texts(lists.authorized), (std::vector<std::string>{".ads", ".adb", ".ada"}));
  EXPECT_EQ(lists.forbidden, nullptr);

  ::setenv("VANTLINK_EXT", ".ada", 1);
  ::setenv("VANTLINK_NOEXT", "_.ada", 1);
  lists = *setup_extension_lists();
  kept(lists.authorized);
  kept(lists.forbidden);
  EXPECT_FALSE(lists.default_extensions_in_use);
  EXPECT_EQ(texts(lists.authorized), std::vector<std::string>{".ada"});
  EXPECT_EQ(texts(lists.forbidden), std::vector<std::string>{"_.ada"});
}

TEST(AddExtensionSegment, LengthLimit) {
  ExtensionEntry* list = nullptr;
  std::string longest(kMaxExtensionLength, 'x');
  EXPECT_TRUE(add_extension_segment(&list, longest.data(), longest.size()));
  std::string too_long(kMaxExtensionLength + 1, 'x');
  EXPECT_FALSE(add_extension_segment(&list, too_long.data(), too_long.size()));
  EXPECT_TRUE(add_extension_segment(&list, "", 0));
  EXPECT_EQ(texts(kept(list)), std::vector<std::string>{longest});
}

TEST(ReadExtensionList, OverflowIsReportedAndGivesNoList) {
  ::setenv("VL_TEST_EXT", (".a:" + std::string(255, 'y')).c_str(), 1);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(read_extension_list("VL_TEST_EXT").has_value());
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Internal Error : buffer overflow while retrieving VANTLINK_EXT environment variable.\n");
}

TEST(FindExtension, FirstEntryTheNameEndsWith) {
  ExtensionEntry* authorized = list_of({".ads", ".adb", ".ada", "s.ads"});
  struct Case {
    const char* name;
    const char* expected;  // nullptr: no match
  };
  const Case cases[] = {
      {"a.ads", ".ads"},   {"a.adb", ".adb"},    {"pkg.ada", ".ada"}, {"s.ads", ".ads"},
      {".ads", nullptr},   {"A.ADS", nullptr},   {"a.ads~", nullptr}, {"x.adc", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    const ExtensionEntry* entry = find_extension(authorized, c.name, std::string(c.name).size());
    if (c.expected == nullptr) EXPECT_EQ(entry, nullptr) << c.name;
    else {
      ASSERT_NE(entry, nullptr) << c.name;
      EXPECT_STREQ(entry->text, c.expected) << c.name;
    }
  }
  EXPECT_EQ(find_extension(nullptr, "a.ads", 5), nullptr);
  EXPECT_EQ(find_extension(authorized, nullptr, 0), nullptr);
}

TEST(FindExtension, ForbiddenEndingWithoutDot) {
  ExtensionEntry* forbidden = list_of({"_.ada"});
  EXPECT_NE(find_extension(forbidden, "x_.ada", 6), nullptr);
  EXPECT_EQ(find_extension(forbidden, "x.ada", 5), nullptr);
  EXPECT_EQ(find_extension(forbidden, "_.ada", 5), nullptr);
}

}  // namespace
