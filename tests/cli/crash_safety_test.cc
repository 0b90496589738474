// The link file is replaced in one step: killed at any moment of the write,
// or refused any one of its writes, flushes, closes or renames, a run leaves
// either the old link file or the complete new one, byte for byte, and never
// a half-written one. A preloaded shim (fail_shim.c) counts those calls and
// acts on the chosen one. A signal that ends the run takes its temporary
// file with it; the link file is rewritten in place only when its directory
// refuses a new file for lack of permission, and then under a lock.
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "cli_runner.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 300;
constexpr size_t kPadding = 14000;  // saved bytes per record: about 4 MB in all

const std::string kWriteError = "Error : Can't write link file \"links.txt\".\n";

struct ShimReport {
  long calls = 0;
  long first_call_us = 0;
  long last_call_us = 0;
};

// A tree of small packages, and a previous link file that matches them but
// carries long hand-added lines under every record, a line before the first
// record and a record for a file that is gone. A run reuses every record, so
// it is quick, yet its link file (`fresh`) differs from the previous one
// (`old`) and is several blocks long.
class CrashSafety : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new ScratchDir;
    make_directory(*scratch_ / "src");
    for (int i = 0; i < kFiles; ++i) {
      std::string name = "P" + std::to_string(i);
      std::string path = *scratch_ / ("src/p" + std::to_string(i) + ".ads");
      write_file(path, "package " + name + " is end " + name + ";\n");
      // Older than any link file written here, so that runs reuse them.
      set_file_time(path, 1500000000);
    }
    CliResult first = run_vantlink({{"-s", "-r", "links.txt", "src"}, {}, {}, scratch_->path()});
    ASSERT_EQ(first.status, 0) << first.err;
    old_ = "-- a line before the first record\n";
    std::istringstream lines(read_file(link_path()));
    for (std::string line; std::getline(lines, line);) {
      old_ += line + "\n";
      if (line.starts_with("--file-info:"))
        old_ += "\"padding\" " + std::string(kPadding, 'x') + " SPEC\n";
    }
    old_ += "--file-info:src/gone.ads:1\n\"src/gone.ads\" Gone SPEC\n";
    write_file(link_path(), old_);
    CliResult plain = run({});
    ASSERT_EQ(plain.status, 0) << plain.err;
    fresh_ = read_file(link_path());
    ASSERT_NE(fresh_, old_);
    ASSERT_GT(fresh_.size(), 3u << 20);
  }

  static void TearDownTestSuite() {
    delete scratch_;
    scratch_ = nullptr;
  }

  void SetUp() override { write_file(link_path(), old_); }

  static std::string link_path() { return *scratch_ / "links.txt"; }

  // vantlink -s -r links.txt src with the shim preloaded and `settings`.
  static CliCall call_with_shim(std::map<std::string, std::string> settings) {
    return {{"-s", "-r", "links.txt", "src"}, preloading(FAIL_SHIM_PATH, std::move(settings)), {},
            scratch_->path()};
  }

  static CliResult run(std::map<std::string, std::string> settings) {
    return run_vantlink(call_with_shim(std::move(settings)));
  }

  static ShimReport counted_calls() {
    std::string report_path = *scratch_ / "shim-report";
    CliResult result = run({{"FAIL_SHIM_REPORT", report_path}});
    EXPECT_EQ(result.status, 0) << result.err;
    ShimReport report;
    std::istringstream(read_file(report_path)) >> report.calls >> report.first_call_us >>
        report.last_call_us;
    fs::remove(report_path);
    return report;
  }

  // Temporary files a run left beside the link file.
  static std::vector<std::string> temporaries() {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(scratch_->path()))
      if (entry.path().filename().string().starts_with(".vantlink."))
        found.push_back(entry.path());
    return found;
  }

  static void remove_temporaries() {
    for (const std::string& path : temporaries()) fs::remove(path);
  }

  static ScratchDir* scratch_;
  static std::string old_;
  static std::string fresh_;
};

ScratchDir* CrashSafety::scratch_ = nullptr;
std::string CrashSafety::old_;
std::string CrashSafety::fresh_;

bool killed(const CliResult& result) { return result.status == 128 + SIGKILL; }

// What a trial saw: "old", "new", or what went wrong.
std::string judge(const std::string& link, const std::string& old_file,
                  const std::string& new_file) {
  if (link == old_file) return "old";
  if (link == new_file) return "new";
  return "damaged (" + std::to_string(link.size()) + " bytes)";
}

TEST_F(CrashSafety, KilledDuringTheWriteLeavesOldOrNewFile) {
  ShimReport report = counted_calls();
  // Writes in blocks, then fsync, close and rename.
  ASSERT_GE(report.calls, 6);
  std::mt19937 random(20240611);
  std::uniform_int_distribution<long> bytes(0, 1 << 20);
  int old_seen = 0, new_seen = 0;
  for (int trial = 0; trial < 120; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    write_file(link_path(), old_);
    long at = 1 + trial % (report.calls + 1);  // calls + 1: never killed
    long first = bytes(random);
    CliResult result = run({{"FAIL_SHIM_AT", std::to_string(at)},
                            {"FAIL_SHIM_ACTION", "kill"},
                            {"FAIL_SHIM_BYTES", std::to_string(first)}});
    std::string seen = judge(read_file(link_path()), old_, fresh_);
    ASSERT_NE(seen.substr(0, 7), "damaged") << "killed before call " << at << " after " << first
                                             << " bytes: " << seen;
    (seen == "old" ? old_seen : new_seen)++;
    if (at <= report.calls) {
      EXPECT_TRUE(killed(result)) << result.status;
      // Killed before the rename: still the old file.
      EXPECT_EQ(seen, "old");
      // A killed run cannot clean up: it leaves its one temporary file.
      EXPECT_EQ(temporaries().size(), 1u);
    } else {
      EXPECT_EQ(result.status, 0) << result.err;
      EXPECT_EQ(seen, "new");
      EXPECT_EQ(temporaries().size(), 0u);
    }
    remove_temporaries();
  }
  std::printf("killed at %ld calls: %d trials left the old file, %d the new one\n",
              report.calls, old_seen, new_seen);
}

TEST_F(CrashSafety, KilledAtRandomMomentsLeavesOldOrNewFile) {
  ShimReport report = counted_calls();
  // Moments spread from a little before the first write to a little after
  // the rename, as timed in an undisturbed run.
  long from = report.first_call_us * 9 / 10;
  long to = report.last_call_us * 11 / 10 + 1000;
  std::mt19937 random(7);
  std::uniform_int_distribution<long> moment(from, to);
  int old_seen = 0, new_seen = 0;
  for (int trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    write_file(link_path(), old_);
    long delay = moment(random);
    CliResult result = run({{"FAIL_SHIM_KILL_AFTER_US", std::to_string(delay)}});
    std::string seen = judge(read_file(link_path()), old_, fresh_);
    ASSERT_NE(seen.substr(0, 7), "damaged") << "killed after " << delay << " us: " << seen;
    (seen == "old" ? old_seen : new_seen)++;
    if (!killed(result)) EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_LE(temporaries().size(), killed(result) ? 1u : 0u);
    remove_temporaries();
  }
  std::printf("killed between %ld and %ld us: %d trials left the old file, %d the new one\n",
              from, to, old_seen, new_seen);
}

TEST_F(CrashSafety, EveryFailedCallKeepsTheOldFile) {
  ShimReport report = counted_calls();
  ASSERT_GE(report.calls, 6);
  for (int error : {ENOSPC, EIO}) {
    for (long at = 1; at <= report.calls; ++at) {
      SCOPED_TRACE(std::string(strerrorname_np(error)) + " at call " + std::to_string(at));
      write_file(link_path(), old_);
      CliResult result = run({{"FAIL_SHIM_AT", std::to_string(at)},
                              {"FAIL_SHIM_ERRNO", std::to_string(error)}});
      EXPECT_EQ(result.status, 7);
      EXPECT_EQ(result.err, kWriteError);
      EXPECT_EQ(judge(read_file(link_path()), old_, fresh_), "old");
      EXPECT_TRUE(temporaries().empty());
    }
  }
}

TEST_F(CrashSafety, FailedCallWithoutPreviousFileLeavesNone) {
  fs::remove(link_path());
  ShimReport report = counted_calls();  // everything analysed: one block
  ASSERT_GE(report.calls, 4);
  for (long at = 1; at <= report.calls; ++at) {
    SCOPED_TRACE("call " + std::to_string(at));
    fs::remove(link_path());
    CliResult result = run({{"FAIL_SHIM_AT", std::to_string(at)}});
    EXPECT_EQ(result.status, 7);
    EXPECT_EQ(result.err, kWriteError);
    EXPECT_FALSE(fs::exists(link_path()));
    EXPECT_TRUE(temporaries().empty());
  }
}

TEST_F(CrashSafety, ShortWritesAreCompleted) {
  ShimReport report = counted_calls();
  // The first calls are the block writes; a short one is taken up again.
  for (long at = 1; at <= report.calls - 3; ++at) {
    SCOPED_TRACE("call " + std::to_string(at));
    write_file(link_path(), old_);
    CliResult result = run({{"FAIL_SHIM_AT", std::to_string(at)}, {"FAIL_SHIM_ACTION", "short"}});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(judge(read_file(link_path()), old_, fresh_), "new");
  }
}

TEST_F(CrashSafety, RunAfterAKilledOneWritesTheNewFile) {
  CliResult killed_run = run({{"FAIL_SHIM_AT", "2"}, {"FAIL_SHIM_ACTION", "kill"}});
  ASSERT_TRUE(killed(killed_run));
  ASSERT_EQ(temporaries().size(), 1u);
  CliResult next = run({});
  EXPECT_EQ(next.status, 0) << next.err;
  EXPECT_EQ(judge(read_file(link_path()), old_, fresh_), "new");
  // The killed run's temporary file stays; nothing else is added.
  EXPECT_EQ(temporaries().size(), 1u);
  remove_temporaries();
}

// SIGINT, SIGTERM and SIGHUP at the first write or at the rename: the run
// ends as the signal ends it, with the old link file and no temporary file.
// A signal ignored at start stays ignored.
TEST_F(CrashSafety, SignalRemovesTheTemporaryFile) {
  ShimReport report = counted_calls();
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    for (long at : {1L, report.calls}) {
      for (bool ignored : {false, true}) {
        SCOPED_TRACE(std::string(sigabbrev_np(signal)) + " at call " + std::to_string(at) +
                     (ignored ? ", ignored" : ""));
        write_file(link_path(), old_);
        CliCall call = call_with_shim({{"FAIL_SHIM_AT", std::to_string(at)},
                                       {"FAIL_SHIM_ACTION", "signal"},
                                       {"FAIL_SHIM_SIGNAL", std::to_string(signal)}});
        if (ignored) call.ignored_signals = {signal};
        CliResult result = run_vantlink(call);
        EXPECT_EQ(result.status, ignored ? 0 : 128 + signal) << result.err;
        EXPECT_EQ(judge(read_file(link_path()), old_, fresh_), ignored ? "new" : "old");
        EXPECT_TRUE(temporaries().empty());
        remove_temporaries();
      }
    }
  }
}

// The temporary file cannot be made. Lack of permission alone sends the run
// to rewrite the link file in place; any other reason (no space or inode,
// quota, descriptors, a read-only file system) keeps the old file whole.
struct Refusal {
  int error;
  int status;
  bool rewritten_in_place;
};

TEST_F(CrashSafety, TemporaryFileRefused) {
  for (Refusal refusal : {Refusal{ENOSPC, 7, false}, Refusal{EDQUOT, 7, false},
                          Refusal{EMFILE, 7, false}, Refusal{ENFILE, 7, false},
                          Refusal{EROFS, 7, false}, Refusal{EIO, 7, false},
                          Refusal{EACCES, 0, true}, Refusal{EPERM, 0, true}}) {
    SCOPED_TRACE(strerrorname_np(refusal.error));
    write_file(link_path(), old_);
    struct stat before {};
    ::stat(link_path().c_str(), &before);
    CliResult result = run({{"FAIL_SHIM_MKSTEMP_ERRNO", std::to_string(refusal.error)}});
    EXPECT_EQ(result.status, refusal.status);
    EXPECT_EQ(result.err, refusal.status == 0 ? "" : kWriteError);
    EXPECT_EQ(judge(read_file(link_path()), old_, fresh_),
              refusal.rewritten_in_place ? "new" : "old");
    struct stat after {};
    ::stat(link_path().c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_TRUE(temporaries().empty());
  }
}

// A waiter on a lock held on the inode `inode`, as /proc/locks lists it.
bool lock_waiter_on(ino_t inode) {
  std::ifstream locks("/proc/locks");
  const std::string mark = ":" + std::to_string(inode) + " ";
  for (std::string line; std::getline(locks, line);)
    if (line.find("->") != std::string::npos && line.find(mark) != std::string::npos) return true;
  return false;
}

// Two runs rewriting the link file in place at once take turns: a run
// waits for the lock held on it, then writes the whole file.
TEST_F(CrashSafety, InPlaceRewriteWaitsForTheLock) {
  int held = ::open(link_path().c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  struct stat status {};
  ASSERT_EQ(::fstat(held, &status), 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  std::atomic<bool> run_ended{false}, waited{false};
  std::thread holder([&] {
    while (!run_ended && !(waited = lock_waiter_on(status.st_ino)))
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // While it waited, the old file was whole.
    if (waited) EXPECT_EQ(judge(read_file(link_path()), old_, fresh_), "old");
    ::flock(held, LOCK_UN);
  });
  CliResult result = run({{"FAIL_SHIM_MKSTEMP_ERRNO", std::to_string(EACCES)}});
  run_ended = true;
  holder.join();
  ::close(held);
  EXPECT_TRUE(waited) << "the run did not wait for the lock";
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(judge(read_file(link_path()), old_, fresh_), "new");
}

}  // namespace
