// Input meant to break the tool: huge and deeply nested sources, bytes that
// are not text, entries that are not files, names full of format characters,
// paths beyond the system's limit, damaged link files and odd list files.
// Every run must end by itself, without a crash or a sanitizer report, say
// what went wrong where something did, and lose nothing else.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli_runner.h"

namespace fs = std::filesystem;

namespace {

constexpr time_t kTime = 1500000000;
const std::string kNotAda95 = ": Warning, this file may not be Ada 95 compilable.\n";

// A source file dated kTime.
void write_source(const std::string& path, const std::string& content) {
  write_file(path, content);
  set_file_time(path, kTime);
}

// The link-file block of a file dated kTime and its units ("Name KIND"),
// whose lines name the file as `unit_path` (by default its key).
std::string block(const std::string& path, const std::vector<std::string>& units = {},
                  std::string unit_path = "") {
  if (unit_path.empty()) unit_path = path;
  std::string out = "--file-info:" + path + ":" + std::to_string(kTime) + "\n";
  for (const std::string& unit : units) out += "\"" + unit_path + "\" " + unit + "\n";
  return out;
}

// Ended by itself, neither by a signal (the runner's timeout kills) nor by a
// sanitizer (status 86 in the sanitized build, or its report).
void expect_sound(const CliResult& result) {
  EXPECT_LT(result.status, 128) << "killed by signal " << result.status - 128;
  EXPECT_NE(result.status, 86) << result.err;
  EXPECT_EQ(result.err.find("Sanitizer"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("runtime error"), std::string::npos) << result.err;
}

CliResult run_in(const ScratchDir& scratch, std::vector<std::string> args, int timeout = 60) {
  CliResult result = run_vantlink({args, {}, {}, scratch.path(), timeout});
  expect_sound(result);
  return result;
}

// vantlink -s -f -r links.txt src, from the scratch directory.
CliResult run_src(const ScratchDir& scratch, int timeout = 60) {
  return run_in(scratch, {"-s", "-f", "-r", "links.txt", "src"}, timeout);
}

// ---------------------------------------------------------------- sources

TEST(HostileSource, FiftyMegabytesOnOneLine) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  std::string big = "package Big is ";
  while (big.size() < (50u << 20)) big += "X : Integer := 1 + Y (2); ";
  big += "end Big;";  // and no line end at all
  write_source(scratch / "src/big.ads", big);
  write_source(scratch / "src/next.ads", package("Next"));
  auto start = std::chrono::steady_clock::now();
  CliResult result = run_src(scratch, 120);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("50 MB on one line: %.2f s\n", seconds);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(read_file(scratch / "links.txt"),
            block("src/big.ads", {"Big SPEC"}) + block("src/next.ads", {"Next SPEC"}));
}

// One lexeme of several megabytes, far longer than the scanner's buffer:
// `head`, then `fill` repeated, then `tail`. A "*" among the units stands
// for the repeated run.
struct HugeLexeme {
  const char* name;
  std::string head;
  char fill;
  std::string tail;
  std::vector<std::string> units;
  bool warned;
};

void PrintTo(const HugeLexeme& c, std::ostream* out) { *out << c.name; }

class HugeLexemes : public testing::TestWithParam<HugeLexeme> {};

TEST_P(HugeLexemes, ScannedWhole) {
  const HugeLexeme& c = GetParam();
  const std::string run(8u << 20, c.fill);
  std::vector<std::string> units;
  for (const std::string& unit : c.units) units.push_back(unit[0] == '*' ? run + unit.substr(1) : unit);
  ScratchDir scratch;
  make_directory(scratch / "src");
  write_source(scratch / "src/huge.ads", c.head + run + c.tail);
  write_source(scratch / "src/next.ads", package("Next"));
  CliResult result = run_src(scratch);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err.starts_with("huge.ads:") && result.err.ends_with(kNotAda95), c.warned)
      << result.err;
  EXPECT_EQ(read_file(scratch / "links.txt"),
            block("src/huge.ads", units) + block("src/next.ads", {"Next SPEC"}));
}

INSTANTIATE_TEST_SUITE_P(
    Lexemes, HugeLexemes,
    testing::Values(
        HugeLexeme{"Comment", package("C") + "--", 'c', "", {"C SPEC"}, false},
        HugeLexeme{"Name", "package ", 'N', " is end;", {"* SPEC"}, false},
        HugeLexeme{"String", "package S is X : constant String := \"", 's', "\"; end S;",
                   {"S SPEC"}, false},
        HugeLexeme{"UnendedString", package("U") + "\"", 'u', "", {"U SPEC"}, true},
        HugeLexeme{"Percents", package("P"), '%', "", {"P SPEC"}, true},
        HugeLexeme{"UnendedBased", package("B") + "16#", 'f', "", {"B SPEC"}, true}),
    [](const testing::TestParamInfo<HugeLexeme>& info) { return info.param.name; });

// 2,000 levels: far past the parser's 500 stack entries. One warning, the
// parse abandoned, the next file analysed as usual.
struct Nesting {
  const char* name;
  std::string open, middle, close;
  std::string before, after;
};

void PrintTo(const Nesting& c, std::ostream* out) { *out << c.name; }

class DeepNesting : public testing::TestWithParam<Nesting> {};

TEST_P(DeepNesting, AbandonedThenNextFileFine) {
  const Nesting& c = GetParam();
  std::string source = c.before;
  for (int i = 0; i < 2000; ++i) source += c.open;
  source += c.middle;
  for (int i = 0; i < 2000; ++i) source += c.close;
  source += c.after;
  ScratchDir scratch;
  make_directory(scratch / "src");
  write_source(scratch / "src/deep.adb", source);
  write_source(scratch / "src/next.adb", "package body Next is end Next;\n");
  CliResult result = run_src(scratch);
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(result.err.starts_with("deep.adb:1:")) << result.err;
  EXPECT_TRUE(result.err.ends_with(kNotAda95)) << result.err;
  EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one warning: " << result.err;
  EXPECT_EQ(read_file(scratch / "links.txt"),
            block("src/deep.adb") + block("src/next.adb", {"Next BODY"}));
}

INSTANTIATE_TEST_SUITE_P(
    Constructs, DeepNesting,
    testing::Values(
        Nesting{"Blocks", "begin ", "null; ", "end; ", "procedure P is begin ", "end P;\n"},
        Nesting{"Packages", "package N is ", "", "end N; ", "package body D is ", "end D;\n"},
        Nesting{"Parentheses", "(", "1", ")", "procedure P is X : Integer := ",
                "; begin null; end P;\n"},
        Nesting{"Ifs", "if X then ", "null; ", "end if; ", "procedure P is begin ", "end P;\n"}),
    [](const testing::TestParamInfo<Nesting>& info) { return info.param.name; });

TEST(HostileSource, BytesThatAreNotText) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  std::mt19937 random(1234);
  std::vector<std::string> names;
  for (int i = 0; i < 8; ++i) {
    std::string bytes(64 * 1024, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    names.push_back("random" + std::to_string(i) + ".ads");
    write_source(scratch / ("src/" + names.back()), bytes);
  }
  std::string every_byte;
  for (int round = 0; round < 64; ++round)
    for (int c = 255; c >= 0; --c) every_byte += static_cast<char>(c);
  const std::pair<const char*, std::string> fixed[] = {
      {"nul.ads", std::string(1 << 20, '\0')},
      {"nul_ff.ads", std::string("\0\xff", 2)},
      {"every_byte.ads", every_byte},
      {"nul_in_unit.ads", std::string("package A\0B is end A\0B;\n", 25)},
  };
  for (const auto& [name, bytes] : fixed) {
    names.push_back(name);
    write_source(scratch / ("src/" + names.back()), bytes);
  }
  write_source(scratch / "src/zz_next.ads", package("Next"));
  CliResult result = run_src(scratch);
  EXPECT_EQ(result.status, 0);
  std::string link = read_file(scratch / "links.txt");
  EXPECT_TRUE(link.ends_with(block("src/zz_next.ads", {"Next SPEC"}))) << link;
  for (const std::string& name : names)
    EXPECT_NE(link.find(block("src/" + name).substr(0, 20 + name.size())), std::string::npos)
        << name;
}

// ---------------------------------------------------------------- entries

TEST(HostileEntries, PipesSocketsAndDevicesNeverHold) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  ASSERT_EQ(::mkfifo((scratch / "src/fifo.ads").c_str(), 0644), 0);
  int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string socket_path = scratch / "src/sock.ads";
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socket_path.c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  fs::create_symlink("/dev/null", scratch / "src/x.ads");
  fs::create_symlink("/dev/zero", scratch / "src/z.adb");
  write_source(scratch / "src/ok.ads", package("Ok"));
  CliResult result = run_src(scratch, 20);
  ::close(sock);
  EXPECT_EQ(result.status, 0);
  // Only the socket cannot be opened at all.
  EXPECT_EQ(result.err, "Error : can't open file \"sock.ads\"\n");
  EXPECT_EQ(read_file(scratch / "links.txt"), block("src/ok.ads", {"Ok SPEC"}));
}

// File names go into the link file and the messages as the bytes they are.
struct NameCase {
  const char* label;
  std::string name;
};

void PrintTo(const NameCase& c, std::ostream* out) { *out << c.label; }

class HostileNames : public testing::TestWithParam<NameCase> {};

TEST_P(HostileNames, WrittenAsTheBytesTheyAre) {
  const std::string& name = GetParam().name;
  ScratchDir scratch;
  make_directory(scratch / ("src" + name));
  write_source(scratch / ("src" + name + "/" + name + ".ads"), package("X"));
  for (const char* locale : {"C", "en_US.UTF-8", "en_US.ISO-8859-1"}) {
    SCOPED_TRACE(locale);
    CliResult result = run_vantlink({{"-f", "-r", "links.txt", "src" + name},
                                     {{"LC_ALL", locale}}, {}, scratch.path()});
    expect_sound(result);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "Checking directory \"src" + name + "\" ...\n\nFile \"links.txt\" created \n");
    EXPECT_EQ(read_file(scratch / "links.txt"),
              block("src" + name + "/" + name + ".ads", {"X SPEC"}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, HostileNames,
    testing::Values(NameCase{"Percent", "%"}, NameCase{"Placeholder", "%1"},
                    NameCase{"AllPlaceholders", "%1%2%3%9"}, NameCase{"Format", "%s%n%d"},
                    NameCase{"Quote", "a\"b"}, NameCase{"Backslash", "a\\nb"},
                    NameCase{"NotUtf8", "\xff\xfe\xe9t\xe9"}, NameCase{"Tab", "a\tb"},
                    NameCase{"CarriageReturn", "a\rb"}),
    [](const testing::TestParamInfo<NameCase>& info) { return info.param.label; });

TEST(HostileNames, LineEndReportedAndSkipped) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  write_source(scratch / "src/a\nb.ads", package("X"));
  write_source(scratch / "src/ok.ads", package("Ok"));
  CliResult result = run_src(scratch);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err,
            "Error : \"a\nb.ads\" holds a line end and cannot stand in the link file (skipped).\n");
  EXPECT_EQ(read_file(scratch / "links.txt"), block("src/ok.ads", {"Ok SPEC"}));
}

// ---------------------------------------------------------------- long paths

// A directory nested 25 levels deep under 200-byte names: its path is over
// 5,000 bytes, beyond what one system call takes, so the tree is made and
// read one component at a time.
class LongPath : public testing::Test {
 protected:
  void SetUp() override {
    int fd = ::open(scratch_.path().c_str(), O_PATH | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int level = 0; level < 25; ++level) {
      ASSERT_EQ(::mkdirat(fd, kComponent.c_str(), 0755), 0);
      int next = ::openat(fd, kComponent.c_str(), O_PATH | O_DIRECTORY);
      ::close(fd);
      fd = next;
      ASSERT_GE(fd, 0);
      relative_ += (level ? "/" : "") + kComponent;
    }
    ASSERT_GT(relative_.size(), 5000u);
    int file = ::openat(fd, "deep.ads", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(file, 0);
    std::string text = package("Deep");
    ASSERT_EQ(::write(file, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    timespec times[2] = {{kTime, 0}, {kTime, 0}};
    ::futimens(file, times);
    ::close(file);
    deep_ = fd;
  }

  void TearDown() override {
    ::close(deep_);
    // The scratch directory's own clean-up works on whole paths: empty the
    // deep tree first, one level at a time.
    int fd = ::open(scratch_.path().c_str(), O_PATH | O_DIRECTORY);
    std::vector<int> levels;
    for (int level = 0; level < 25 && fd >= 0; ++level) {
      levels.push_back(fd);
      fd = ::openat(fd, kComponent.c_str(), O_PATH | O_DIRECTORY);
    }
    for (const char* name : {"deep.ads", "links.txt"}) ::unlinkat(fd, name, 0);
    ::close(fd);
    for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
      ::unlinkat(*level, kComponent.c_str(), AT_REMOVEDIR);
      ::close(*level);
    }
  }

  // A file of the deep directory.
  std::string read_deep(const char* name) {
    int fd = ::openat(deep_, name, O_RDONLY);
    if (fd < 0) return "<missing>";
    std::string out;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) out.append(buffer, n);
    ::close(fd);
    return out;
  }

  const std::string kComponent = std::string(200, 'd');
  ScratchDir scratch_;
  std::string relative_;
  int deep_ = -1;
};

TEST_F(LongPath, NamedOnTheCommandLine) {
  CliResult result = run_in(scratch_, {"-s", "-r", "links.txt", relative_});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(read_file(scratch_ / "links.txt"), block(relative_ + "/deep.ads", {"Deep SPEC"}));
}

// Too long for the system to resolve, the directory is known by its device
// and inode: named twice, it is processed once.
TEST_F(LongPath, NamedTwiceTakenOnce) {
  CliResult result = run_in(scratch_, {"-r", "links.txt", relative_, "./" + relative_});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "Checking directory \"" + relative_ + "\" ...\n" +
                            "Warning: Duplicate directory on command line (ignored): \"./" +
                            relative_ + "\"\n\nFile \"links.txt\" created \n");
  EXPECT_EQ(read_file(scratch_ / "links.txt"), block(relative_ + "/deep.ads", {"Deep SPEC"}));
}

TEST_F(LongPath, AsTheStartDirectory) {
  std::string absolute = fs::canonical(scratch_.path()).string() + "/" + relative_;
  for (bool relative : {false, true}) {
    SCOPED_TRACE(relative ? "-r" : "-a");
    CliResult result = run_vantlink(
        {{"-s", relative ? "-r" : "-a", "links.txt", "."}, {}, {}, absolute});
    expect_sound(result);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(read_deep("links.txt"),
              relative ? block("deep.ads", {"Deep SPEC"}, "./deep.ads")
                       : block(absolute + "/deep.ads", {"Deep SPEC"}));
  }
}

// ---------------------------------------------------------------- link files

// A small tree and the link file a full analysis writes for it.
class DamagedLinkFile : public testing::Test {
 protected:
  void SetUp() override {
    make_directory(scratch_ / "src");
    write_source(scratch_ / "src/a.ads", package("A"));
    write_source(scratch_ / "src/b.ads", "package B is end B;\npackage B.C is end B.C;\n");
    write_source(scratch_ / "src/n.ads", "-- nothing\n");
    write_source(scratch_ / "src/p.adb", "procedure P is begin null; end P;\n");
    expected_ = block("src/a.ads", {"A SPEC"}) + block("src/b.ads", {"B SPEC", "B.C SPEC"}) +
                block("src/n.ads") + block("src/p.adb", {"P PROC"});
  }

  // An incremental run over the given previous link file.
  CliResult run_over(const std::string& previous) {
    write_file(link_path(), previous);
    return run_in(scratch_, {"-s", "-r", "links.txt", "src"}, 20);
  }

  std::string link_path() const { return scratch_ / "links.txt"; }

  ScratchDir scratch_;
  std::string expected_;
};

TEST_F(DamagedLinkFile, RandomBytes) {
  std::mt19937 random(99);
  for (size_t size : {1u, 100u, 4096u, 65536u, 1u << 20}) {
    SCOPED_TRACE(size);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    // Some of them shaped like records, to be read rather than skipped.
    for (size_t at = 0; at + 40 < size; at += 997) bytes.replace(at, 13, "\n--file-info:");
    CliResult result = run_over(bytes);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(read_file(link_path()), expected_);
  }
}

// Cut at every length, each run must write the link file the full analysis
// writes. The one thing no reader can tell: a cut right at the end of a
// line loses the lines after it without a trace, so a record cut that way
// is reused with the lines it still has.
TEST_F(DamagedLinkFile, TruncatedAtEveryLength) {
  for (size_t length = 0; length <= expected_.size(); ++length) {
    SCOPED_TRACE("first " + std::to_string(length) + " bytes");
    std::string cut = expected_.substr(0, length);
    CliResult result = run_over(cut);
    ASSERT_EQ(result.status, 0);
    ASSERT_EQ(result.err, "");
    std::string expected = expected_;
    size_t record = cut.rfind("--file-info:");
    bool at_line_end = length > 0 && cut.back() == '\n';
    if (at_line_end && record != std::string::npos) {
      size_t next_record = expected_.find("--file-info:", length);
      if (next_record == std::string::npos) next_record = expected_.size();
      expected = cut + expected_.substr(next_record);
    }
    ASSERT_EQ(read_file(link_path()), expected);
    // Ninja-style: the file just written is read back by the next run and
    // written again unchanged (the full file is read back elsewhere).
    if (expected == expected_) continue;
    CliResult again = run_in(scratch_, {"-s", "-r", "links.txt", "src"}, 20);
    ASSERT_EQ(again.status, 0);
    ASSERT_EQ(read_file(link_path()), expected);
  }
}

TEST_F(DamagedLinkFile, NotARegularFileIsRefused) {
  const std::string kRefused =
      "Problem when attempting to create link file \"links.txt\"\nMaybe a directory with the "
      "same name exists\n";
  ASSERT_EQ(::mkfifo(link_path().c_str(), 0644), 0);
  for (const char* option : {"-r", "-f"}) {
    CliResult result = run_in(scratch_, {"-s", option, "links.txt", "src"}, 10);
    EXPECT_EQ(result.status, 7);
    EXPECT_EQ(result.err, kRefused);
  }
  struct stat status;
  ASSERT_EQ(::lstat(link_path().c_str(), &status), 0);
  EXPECT_TRUE(S_ISFIFO(status.st_mode));
  fs::remove(link_path());
  fs::create_symlink("/dev/zero", link_path());
  CliResult result = run_in(scratch_, {"-s", "-r", "links.txt", "src"}, 10);
  EXPECT_EQ(result.status, 7);
  EXPECT_EQ(result.err, kRefused);
}

// ---------------------------------------------------------------- list files

TEST(HostileListFile, CarriageReturnsStayAndLastLineCounts) {
  ScratchDir scratch;
  for (const char* directory : {"a\r", "b", "c"}) {
    make_directory(scratch / directory);
    write_source(scratch / (std::string(directory) + "/x.ads"), package("X"));
  }
  write_file(scratch / "list.txt", "a\r\nb\nc");
  CliResult result = run_in(scratch, {"-s", "-r", "links.txt", "@list.txt"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(read_file(scratch / "links.txt"),
            block("a\r/x.ads", {"X SPEC"}) + block("b/x.ads", {"X SPEC"}) +
                block("c/x.ads", {"X SPEC"}));
}

// The system sees a name up to its NUL byte; so do the messages.
TEST(HostileListFile, NulByteEndsTheName) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  write_source(scratch / "src/x.ads", package("X"));
  write_file(scratch / "list.txt", std::string("src\0junk\nzz\0yy\n", 15));
  CliResult result = run_in(scratch, {"-s", "-r", "links.txt", "@list.txt"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "Error : \"zz\" is not a directory name.\n");
  EXPECT_EQ(read_file(scratch / "links.txt"), block("src/x.ads", {"X SPEC"}));
}

// A list that cannot be read to its end would silently drop directories.
TEST(HostileListFile, UnreadableListRefused) {
  ScratchDir scratch;
  make_directory(scratch / "list");
  write_file(scratch / "links.txt", "--file-info:old.ads:1\n");
  CliResult result = run_in(scratch, {"-s", "links.txt", "@list"});
  EXPECT_EQ(result.status, 7);
  EXPECT_EQ(result.err, "Problem when attempting to read the dir list file \"list\"\n");
  EXPECT_EQ(read_file(scratch / "links.txt"), "--file-info:old.ads:1\n");
}

TEST(HostileListFile, TenThousandDirectories) {
  ScratchDir scratch;
  std::string list, expected;
  for (int i = 0; i < 10000; ++i) {
    std::string directory = "d" + std::to_string(i);
    make_directory(scratch / directory);
    list += directory + "\n";
    if (i % 10 == 0) {
      write_source(scratch / (directory + "/u.ads"), package("U" + std::to_string(i)));
      expected += block(directory + "/u.ads", {"U" + std::to_string(i) + " SPEC"});
    }
  }
  write_file(scratch / "list.txt", list + "d0\n");  // named twice: taken once
  auto start = std::chrono::steady_clock::now();
  CliResult result = run_in(scratch, {"-s", "-r", "links.txt", "@list.txt"}, 120);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("10,000 directories: %.2f s\n", seconds);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(read_file(scratch / "links.txt"), expected);
}

}  // namespace
