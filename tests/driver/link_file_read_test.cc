// Reading a previous link file back and finding the record of a file.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/link_file.h"

namespace {

struct Record {
  std::string key;
  int64_t time;
  std::string saved;  // every saved line, joined
  bool operator==(const Record&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Record& r) {
  return out << "{" << r.key << ", " << r.time << ", \"" << r.saved << "\"}";
}

std::vector<Record> records_of(const PreviousRecords& records) {
  std::vector<Record> out;
  for (const PreviousRecord* r = records.head; r != nullptr; r = r->next) {
    out.push_back({std::string(r->key), r->recorded_time, std::string(r->saved_lines)});
  }
  return out;
}

std::vector<Record> parse(const std::string& text) {
  return records_of(parse_link_file(text.data(), text.size()));
}

TEST(ReadLinkFile, RecordsAndTheirLines) {
  const std::string long_unit = "\"/d/a.ads\" " + std::string(5000, 'N') + " SPEC\n";
  const std::string long_key = "/" + std::string(3000, 'd') + "/a.ads";
  struct Case {
    const char* name;
    std::string text;
    std::vector<Record> expected;
  };
  const Case cases[] = {
      {"empty", "", {}},
      {"one block",
       "--file-info:/d/a.ads:1600000000\n\"/d/a.ads\" A SPEC\n",
       {{"/d/a.ads", 1600000000, "\"/d/a.ads\" A SPEC\n"}}},
      {"lines before the first record dropped",
       "junk\n\"/d/x.ads\" X SPEC\n--file-info:a.ads:7\n",
       {{"a.ads", 7, ""}}},
      {"no unit lines", "--file-info:a.ads:1\n--file-info:b.ads:2\n",
       {{"a.ads", 1, ""}, {"b.ads", 2, ""}}},
      {"negative time written for 2040", "--file-info:/d/a.ads:-2085978496\nU\n",
       {{"/d/a.ads", -2085978496, "U\n"}}},
      {"no digits: time 0", "--file-info:x:\n", {{"x", 0, ""}}},
      {"a lone minus: time 0", "--file-info:x:-\n", {{"x", 0, ""}}},
      {"minus inside the key stays in it", "--file-info:d/b-:5\n", {{"d/b-", 5, ""}}},
      {"colons inside the key", "--file-info:/d/a:b.ads:12\n", {{"/d/a:b.ads", 12, ""}}},
      {"empty key", "--file-info::12\n", {{"", 12, ""}}},
      {"repeated key kept in order", "--file-info:a:1\nA\n--file-info:a:2\nB\n",
       {{"a", 1, "A\n"}, {"a", 2, "B\n"}}},
      {"long unit line kept whole", "--file-info:a.ads:3\n" + long_unit + "X\n",
       {{"a.ads", 3, long_unit + "X\n"}}},
      {"long key", "--file-info:" + long_key + ":3\n", {{long_key, 3, ""}}},
      // A last line without its line end: the file was cut short, and the
      // record it belongs to may be incomplete.
      {"last line cut short drops its record", "--file-info:a:1\nA\n--file-info:b:2\nB\nC",
       {{"a", 1, "A\n"}}},
      {"last record line cut short", "--file-info:a:1\n--file-info:b:1", {{"a", 1, ""}}},
      {"huge number saturates", "--file-info:a:99999999999999999999999\n",
       {{"a", INT64_MAX, ""}}},
      // Any byte before the digits separates key and time.
      {"blank as separator", "--file-info:x.ads 0\nX\n", {{"x.ads", 0, "X\n"}}},
      {"minus as separator", "--file-info:x.ads-5\n", {{"x.ads", 5, ""}}},
      {"prefix and minus", "--file-info:-5\nB\n", {{"", 5, "B\n"}}},
      {"no digits: last byte separates", "--file-info:abc\nB\n", {{"ab", 0, "B\n"}}},
      {"carriage return", "--file-info:a.ads:5\r\nB\n", {{"a.ads:5", 0, "B\n"}}},
      // No separator before the digits: not a record, and its lines belong
      // to no file.
      {"digits up to the prefix", "--file-info:a:1\nA\n--file-info:123\nB\n--file-info:c:3\nC\n",
       {{"a", 1, "A\n"}, {"c", 3, "C\n"}}},
      {"prefix alone", "--file-info:\nB\n--file-info:c:3\n", {{"c", 3, ""}}},
  };
  for (const Case& c : cases) EXPECT_EQ(parse(c.text), c.expected) << c.name;
}

TEST(ReadLinkFile, MissingFileGivesNoRecords) {
  PreviousRecords records = read_previous_link_file("/nonexistent/dir/links.txt");
  EXPECT_EQ(records.head, nullptr);
  EXPECT_TRUE(records.by_key.empty());
}

TEST(RecordKey, DirectoryTextAndName) {
  struct Case {
    const char* directory;
    const char* expected;
  };
  const Case cases[] = {
      {"/home/u/src", "/home/u/src/a.ads"}, {"../lib", "../lib/a.ads"}, {".", "a.ads"},
      {"", "a.ads"},  {"/", "/a.ads"},   {"../lib/", "../lib/a.ads"},
      {"./", "./a.ads"},
  };
  for (const Case& c : cases) {
    std::string key;
    append_record_key(key, c.directory, "a.ads");
    EXPECT_EQ(key, c.expected) << c.directory;
  }
}

TEST(AppendSeparator, OnlyWhenMissing) {
  const std::pair<std::string, std::string> cases[] = {{"", ""}, {"a", "a/"}, {"a/", "a/"}, {"/", "/"}};
  for (auto [in, expected] : cases) {
    append_separator(in);
    EXPECT_EQ(in, expected);
  }
}

TEST(FindPreviousRecord, KeyAndTimeMustMatch) {
  const std::string text =
      "--file-info:/d/a.ads:100\nA1\n"
      "--file-info:/d/a.ads:200\nA2\n"
      "--file-info:b.ads:300\n"
      "--file-info:/d/late.ads:-2085978496\n"
      "--file-info:/d/big.ads:2208988800\n";
  PreviousRecords records = parse_link_file(text.data(), text.size());
  struct Case {
    const char* directory;
    const char* file;
    FileTime observed;
    const char* expected_saved;  // nullptr: no record
  };
  const Case cases[] = {
      {"/d", "a.ads", {true, 100}, "A1\n"},
      {"/d/", "a.ads", {true, 100}, "A1\n"},
      {"/d", "a.ads", {true, 101}, nullptr},
      {"/d", "a.ads", {true, 200}, nullptr},  // only the first of a repeated key
      {"/d", "a.ads", {false, 100}, nullptr},
      {".", "b.ads", {true, 300}, ""},
      {"", "b.ads", {true, 300}, ""},
      {"/e", "b.ads", {true, 300}, nullptr},
      {"/d", "c.ads", {true, 100}, nullptr},
      // 2040-01-01 is written, and so compared, as a negative 32-bit number.
      {"/d", "late.ads", {true, 2208988800}, ""},
      {"/d", "big.ads", {true, 2208988800}, nullptr},
  };
  for (const Case& c : cases) {
    const PreviousRecord* found = find_previous_record(records, c.directory, c.file, c.observed);
    std::string label = std::string(c.directory) + " " + c.file + " " +
                        std::to_string(c.observed.seconds);
    if (c.expected_saved == nullptr) {
      EXPECT_EQ(found, nullptr) << label;
      continue;
    }
    ASSERT_NE(found, nullptr) << label;
    EXPECT_EQ(found->saved_lines, c.expected_saved) << label;
  }
}

// Lookups usually come in file order and take the record after the one found
// last; whatever the order, each finds the first record of its key.
TEST(FindPreviousRecord, AnyOrderFindsTheFirstOfAKey) {
  const std::string text =
      "--file-info:/d/a.ads:1\nA\n"
      "--file-info:/d/b.ads:2\nB\n"
      "--file-info:/d/a.ads:3\nA again\n"
      "--file-info:/d/c.ads:4\nC\n"
      "--file-info:/d/d.ads:5\nD\n";
  struct Lookup {
    const char* file;
    int64_t time;
    const char* expected_saved;  // nullptr: no record
  };
  const std::vector<std::vector<Lookup>> sequences = {
      {{"a.ads", 1, "A\n"}, {"b.ads", 2, "B\n"}, {"c.ads", 4, "C\n"}, {"d.ads", 5, "D\n"}},
      // After b.ads the next record is the repeated a.ads, which no lookup finds.
      {{"b.ads", 2, "B\n"}, {"a.ads", 3, nullptr}, {"a.ads", 1, "A\n"}, {"b.ads", 2, "B\n"}},
      {{"d.ads", 5, "D\n"}, {"a.ads", 1, "A\n"}, {"x.ads", 1, nullptr}, {"c.ads", 4, "C\n"}},
      {{"c.ads", 9, nullptr}, {"d.ads", 5, "D\n"}, {"c.ads", 4, "C\n"}},
  };
  for (const auto& sequence : sequences) {
    PreviousRecords records = parse_link_file(text.data(), text.size());
    std::string label;
    for (const Lookup& lookup : sequence) {
      label += std::string(lookup.file) + "@" + std::to_string(lookup.time) + " ";
      const PreviousRecord* found = find_previous_record(records, "/d", lookup.file,
                                                         {true, lookup.time});
      if (lookup.expected_saved == nullptr) {
        EXPECT_EQ(found, nullptr) << label;
        continue;
      }
      ASSERT_NE(found, nullptr) << label;
      EXPECT_EQ(found->saved_lines, lookup.expected_saved) << label;
    }
  }
}

TEST(WrittenTime, LowThirtyTwoBitsSigned) {
  const std::pair<int64_t, int32_t> cases[] = {
      {0, 0}, {1600000000, 1600000000}, {2147483647, 2147483647},
      {2147483648, -2147483647 - 1}, {2208988800, -2085978496}, {4294967296, 0}, {-1, -1}};
  for (auto [seconds, expected] : cases) EXPECT_EQ(written_time(seconds), expected) << seconds;
}

}  // namespace

// Thousands of records, so that the index grows many times, with every key
// repeated once and the last record cut short: each key, looked up out of
// file order, finds its first record, and the dropped one finds none.
TEST(FindPreviousRecord, ManyRecordsFindTheirFirst) {
  constexpr int kCount = 5000;
  std::string text;
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < kCount; ++i) {
      std::string number = std::to_string(i);
      text.append("--file-info:f").append(number).append(".ads:");
      text.append(std::to_string(round)).append("\nL").append(number).append("\n");
    }
  text += "--file-info:last.ads:0\nL";
  PreviousRecords records = parse_link_file(text.data(), text.size());
  for (int i = kCount - 1; i >= 0; i -= 3) {
    std::string name("f");
    name.append(std::to_string(i)).append(".ads");
    const PreviousRecord* found = find_previous_record(records, "", name, {true, 0});
    ASSERT_NE(found, nullptr) << name;
    EXPECT_EQ(found->key, name);
    EXPECT_EQ(find_previous_record(records, "", name, {true, 1}), nullptr) << name;
  }
  EXPECT_EQ(find_previous_record(records, "", "last.ads", {true, 0}), nullptr);
}
