#include <gtest/gtest.h>

#include "driver/paths.h"

namespace {

TEST(RelativeDirectory, FromStartToCurrent) {
  struct Case {
    const char* start;
    const char* current;
    const char* expected;
  };
  const Case cases[] = {
      {"/home/u/proj", "/home/u/proj/src", "src"},
      {"/home/u/proj", "/home/u/other", "../other"},
      {"/home/u/proj", "/home/u/proj", "."},
      {"/home/u/proj/src", "/home/u/lib/ada", "../../lib/ada"},
      {"/a/b/c", "/a", "../.."},
      {"/", "/x", "x"},
      {"/x", "/", ".."},
      {"/", "/", "."},
      {"/home/u/proj", "/home/u/proj/src/deep/er", "src/deep/er"},
      {"/home/u/proj/", "/home/u/proj/src", "src"},
      // A common part that ends inside a component is cut back to the last
      // "/" both share.
      {"/home/ab", "/home/abc", "../abc"},
      {"/home/abc", "/home/ab", "../ab"},
      {"/home/ab/x", "/home/abc/y", "../../abc/y"},
      {"/a/src", "/a/src2/lib", "../src2/lib"},
      {"/a/src2/lib", "/a/src", "../../src"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(relative_directory(c.start, c.current), c.expected)
        << "start " << c.start << ", current " << c.current;
}

TEST(RelativeDirectory, LongPathsHaveNoLimit) {
  std::string start = "/s";
  std::string current = "/s";
  std::string tail;
  for (int i = 0; i < 400; ++i) {
    current += "/component_" + std::to_string(i);
    tail += (i ? "/component_" : "component_") + std::to_string(i);
  }
  ASSERT_GT(current.size(), 4096u);  // far beyond any fixed buffer
  EXPECT_EQ(relative_directory(start, current), tail);
  std::string up;
  for (int i = 0; i < 400; ++i) up += i ? "/.." : "..";
  EXPECT_EQ(relative_directory(current, start), up);
}

}  // namespace
