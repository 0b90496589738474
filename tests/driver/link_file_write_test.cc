// Writing the link file, and replacing the old one in a single step.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/link_file.h"

namespace fs = std::filesystem;

namespace {

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "vl-link-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

void write_file(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> leftovers(const std::string& directory) {
  std::vector<std::string> out;
  for (const auto& item : fs::directory_iterator(directory))
    if (item.path().filename().string().starts_with(".vantlink")) out.push_back(item.path());
  return out;
}

// A file list built by hand: each piece of test data lives as long as it.
class ListBuilder {
 public:
  SourceFileEntry& add(const char* directory, const char* file, EntryState state, FileTime time) {
    entries_.push_back(std::make_unique<SourceFileEntry>());
    SourceFileEntry& entry = *entries_.back();
    entry.file_name = const_cast<char*>(file);
    entry.directory_text = directory;
    entry.state = state;
    entry.listed = entry.read = time;
    append_entries(list_, &entry, &entry);
    return entry;
  }
  CompilationUnit* unit(const char* directory, const char* file, const char* name, int kind,
                        CompilationUnit* next = nullptr) {
    units_.push_back(std::make_unique<CompilationUnit>());
    CompilationUnit& u = *units_.back();
    u.directory = const_cast<char*>(directory);
    u.file_name = const_cast<char*>(file);
    u.full_name = const_cast<char*>(name);
    u.kind = kind;
    u.next = next;
    return &u;
  }
  const FileList& list() const { return list_; }

 private:
  FileList list_;
  std::vector<std::unique_ptr<SourceFileEntry>> entries_;
  std::vector<std::unique_ptr<CompilationUnit>> units_;
};

TEST(WriteLinkFile, BlocksInListOrder) {
  ScratchDir dir;
  const std::string previous_text = "--file-info:/d/r.ads:5\n\"/d/r.ads\" R SPEC\nhand added\n";
  PreviousRecords previous = parse_link_file(previous_text.data(), previous_text.size());

  ListBuilder b;
  b.add("/d", "a.ads", EntryState::kAnalysed, {true, 1600000000}).units =
      b.unit("/d", "a.ads", "P.Q", 0, b.unit("/d", "a.ads", "P.Q.R", 1));
  b.add(".", "m.adb", EntryState::kAnalysed, {true, 2208988800}).units =
      b.unit(".", "m.adb", "Main", 2, b.unit(nullptr, "m.adb", "Odd", 7, b.unit("", "m.adb", "E", 1)));
  b.add("/", "root.ads", EntryState::kAnalysed, {false, 0}).units = b.unit("/", "root.ads", "Root", 0);
  b.add("/d", "empty.ads", EntryState::kAnalysed, {true, 0});
  SourceFileEntry& reused = b.add("/d", "r.ads", EntryState::kReused, {true, 5});
  reused.previous_record = previous.head;

  std::string name = dir / "links.txt";
  ASSERT_TRUE(write_link_file(name.c_str(), b.list()));
  EXPECT_EQ(read_file(name),
            "--file-info:/d/a.ads:1600000000\n"
            "\"/d/a.ads\" P.Q SPEC\n"
            "\"/d/a.ads\" P.Q.R BODY\n"
            "--file-info:m.adb:-2085978496\n"
            "\"./m.adb\" Main PROC\n"
            "\"m.adb\" Odd <UNKOWN>\n"
            "\"m.adb\" E BODY\n"
            "--file-info:/root.ads:0\n"
            "\"//root.ads\" Root SPEC\n"
            "--file-info:/d/empty.ads:0\n"
            "--file-info:/d/r.ads:5\n"
            "\"/d/r.ads\" R SPEC\n"
            "hand added\n");
  EXPECT_TRUE(leftovers(dir.path()).empty());
}

// A reused record is written as this program writes it, whatever form its
// info line had; one already in that form is copied as it was read.
TEST(WriteLinkFile, ReusedRecordTakesTheWrittenForm) {
  struct Case {
    const char* label;
    const char* previous;
    int64_t observed;
  };
  const Case cases[] = {
      {"as written", "--file-info:/d/r.ads:5\nR\n", 5},
      {"leading zeros", "--file-info:/d/r.ads:005\nR\n", 5},
      {"blank separator", "--file-info:/d/r.ads 5\nR\n", 5},
      {"negative", "--file-info:/d/r.ads:-5\nR\n", -5},
      {"negative zero", "--file-info:/d/r.ads:-0\nR\n", 0},
      {"beyond 32 bits", "--file-info:/d/r.ads:4294967301\nR\n", 5},
      {"no lines below", "--file-info:/d/r.ads:5\n--file-info:/d/s.ads:6\nS\n", 5},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    std::string previous_text = c.previous;
    PreviousRecords previous = parse_link_file(previous_text.data(), previous_text.size());
    ListBuilder b;
    b.add("/d", "r.ads", EntryState::kReused, {true, c.observed}).previous_record = previous.head;
    std::string name = dir / "links.txt";
    ASSERT_TRUE(write_link_file(name.c_str(), b.list())) << c.label;
    std::string lines(previous.head->saved_lines);
    EXPECT_EQ(read_file(name), "--file-info:/d/r.ads:" + std::to_string(c.observed) + "\n" + lines)
        << c.label;
  }
}

TEST(WriteLinkFile, EmptyListGivesEmptyFile) {
  ScratchDir dir;
  std::string name = dir / "links.txt";
  write_file(name, "old\n");
  ASSERT_TRUE(write_link_file(name.c_str(), FileList{}));
  EXPECT_EQ(read_file(name), "");
}

TEST(WriteLinkFile, WhatIsWrittenReadsBack) {
  ScratchDir dir;
  ListBuilder b;
  std::string long_directory = "/" + std::string(3000, 'x');
  b.add(long_directory.c_str(), "a.ads", EntryState::kAnalysed, {true, 2208988800}).units =
      b.unit(long_directory.c_str(), "a.ads", "A", 0);
  b.add(".", "b.ads", EntryState::kAnalysed, {true, 42});
  std::string name = dir / "links.txt";
  ASSERT_TRUE(write_link_file(name.c_str(), b.list()));
  // Dated after 2040 itself, the link file vouches for a file of 2040.
  timespec later[2] = {{2208988801, 0}, {2208988801, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, name.c_str(), later, 0), 0);

  PreviousRecords records = read_previous_link_file(name.c_str());
  const PreviousRecord* a = find_previous_record(records, long_directory, "a.ads", {true, 2208988800});
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->saved_lines, "\"" + long_directory + "/a.ads\" A SPEC\n");
  EXPECT_NE(find_previous_record(records, ".", "b.ads", {true, 42}), nullptr);
}

// Records are trusted only for files older than the link file they come
// from: the file read, not a symbolic link that names it.
TEST(ReadLinkFile, TrustsOnlyFilesOlderThanTheFileRead) {
  constexpr int64_t kRead = 1600000000;
  ScratchDir dir;
  std::string real = dir / "real.txt";
  write_file(real,
             "--file-info:older.ads:1599999999\n"
             "--file-info:same.ads:1600000000\n"
             "--file-info:newer.ads:1600000001\n");
  timespec read_time[2] = {{kRead, 0}, {kRead, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, real.c_str(), read_time, 0), 0);
  std::string name = dir / "links.txt";
  fs::create_symlink(real, name);
  timespec link_time[2] = {{kRead + 100, 0}, {kRead + 100, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, name.c_str(), link_time, AT_SYMLINK_NOFOLLOW), 0);

  PreviousRecords records = read_previous_link_file(name.c_str());
  EXPECT_EQ(records.trusted_before, kRead);
  EXPECT_NE(find_previous_record(records, ".", "older.ads", {true, kRead - 1}), nullptr);
  EXPECT_EQ(find_previous_record(records, ".", "same.ads", {true, kRead}), nullptr);
  EXPECT_EQ(find_previous_record(records, ".", "newer.ads", {true, kRead + 1}), nullptr);
}

TEST(WriteLinkFile, KeepsPermissionBits) {
  ScratchDir dir;
  std::string name = dir / "links.txt";
  for (mode_t mode : {0600, 0640, 0604, 0755}) {
    write_file(name, "old\n");
    ASSERT_EQ(::chmod(name.c_str(), mode), 0);
    ASSERT_TRUE(write_link_file(name.c_str(), FileList{}));
    struct stat status;
    ASSERT_EQ(::stat(name.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, mode);
  }
}

TEST(WriteLinkFile, NewFileGetsUsualPermissions) {
  ScratchDir dir;
  std::string name = dir / "links.txt";
  mode_t old_mask = ::umask(027);
  bool written = write_link_file(name.c_str(), FileList{});
  ::umask(old_mask);
  ASSERT_TRUE(written);
  struct stat status;
  ASSERT_EQ(::stat(name.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
}

TEST(WriteLinkFile, SymbolicLinkStaysALink) {
  ScratchDir dir;
  fs::create_directories(dir / "real");
  fs::create_directories(dir / "links");
  write_file(dir / "real/target.txt", "old\n");
  // links/first -> second -> ../real/target.txt, both relative
  fs::create_symlink("second", dir / "links/first");
  fs::create_symlink("../real/target.txt", dir / "links/second");
  fs::create_symlink(dir / "real/fresh.txt", dir / "links/dangling");

  ListBuilder b;
  b.add("/d", "a.ads", EntryState::kAnalysed, {true, 1});
  for (const char* link : {"links/first", "links/dangling"}) {
    std::string name = dir / link;
    ASSERT_TRUE(write_link_file(name.c_str(), b.list())) << link;
    EXPECT_TRUE(fs::is_symlink(name)) << link;
    EXPECT_EQ(read_file(name), "--file-info:/d/a.ads:1\n") << link;
  }
  EXPECT_TRUE(fs::is_symlink(dir / "links/second"));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "real/target.txt")));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "real/fresh.txt")));
  EXPECT_TRUE(leftovers(dir / "links").empty());
  EXPECT_TRUE(leftovers(dir / "real").empty());
}

TEST(WriteLinkFile, CannotOpenLeavesNothing) {
  ScratchDir dir;
  std::string name = dir / "missing/links.txt";
  testing::internal::CaptureStderr();
  EXPECT_FALSE(write_link_file(name.c_str(), FileList{}));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error : Can't open link file \"" + name + "\" for writting.\n");
}

// A file-size limit makes a write fail part-way: the old file must survive
// byte for byte and no temporary file may stay behind.
TEST(WriteLinkFile, FailedWriteKeepsTheOldFile) {
  ScratchDir dir;
  std::string name = dir / "links.txt";
  const std::string old_text = "--file-info:/old/a.ads:1\n\"/old/a.ads\" A SPEC\n";
  write_file(name, old_text);

  ListBuilder b;
  std::vector<std::string> files;
  for (int i = 0; i < 2000; ++i) files.push_back("file_" + std::to_string(i) + ".ads");
  for (const std::string& f : files) b.add("/some/directory", f.c_str(), EntryState::kAnalysed, {true, 1});

  rlimit old_limit;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  rlimit small = old_limit;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  testing::internal::CaptureStderr();
  bool written = write_link_file(name.c_str(), b.list());
  std::string err = testing::internal::GetCapturedStderr();
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &old_limit), 0);

  EXPECT_FALSE(written);
  EXPECT_EQ(err, "Error : Can't write link file \"" + name + "\".\n");
  EXPECT_EQ(read_file(name), old_text);
  EXPECT_TRUE(leftovers(dir.path()).empty());
  // The signal that a file-size limit raises is back to what it was.
  struct sigaction now;
  ::sigaction(SIGXFSZ, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}

TEST(LinkTargetUsable, OnlyRegularFilesOrNothing) {
  ScratchDir dir;
  write_file(dir / "file", "x");
  fs::create_directories(dir / "dir");
  fs::create_symlink(dir / "file", dir / "to_file");
  fs::create_symlink(dir / "dir", dir / "to_dir");
  fs::create_symlink(dir / "nothing", dir / "dangling");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  const std::pair<std::string, bool> cases[] = {
      {"file", true},    {"absent", true}, {"to_file", true}, {"dangling", true},
      {"dir", false},    {"to_dir", false}, {"fifo", false},
  };
  for (const auto& [name, usable] : cases)
    EXPECT_EQ(link_target_usable((dir / name).c_str()), usable) << name;
  EXPECT_FALSE(link_target_usable("/dev/null"));
}

}  // namespace
