// Runs the built vantlink in a scratch directory with a controlled
// environment and collects what it printed and how it ended.
#pragma once

#include <sys/resource.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "scratch.h"

struct CliResult {
  std::string out;
  std::string err;
  int status = -1;  // exit status, or 128 + signal
};

struct CliCall {
  std::vector<std::string> args;
  std::map<std::string, std::string> env;  // on top of the base environment
  std::vector<std::string> unset;          // removed from the base environment
  std::string directory;                   // working directory; empty: current
  int timeout_seconds = 60;
  bool merge_streams = false;  // standard error into `out`, as one file gets both
  bool unprivileged = false;   // as uid 65534 when run by root, so permissions count
  std::vector<int> closed;  // standard descriptors the binary starts without
  std::string binary;       // the program to run; empty: the one built
  // Resource limits the binary starts with (soft and hard), as `ulimit` sets them.
  std::vector<std::pair<int, rlim_t>> limits;
  // Signals ignored at start; SIGINT, SIGTERM and SIGHUP otherwise start with
  // their default action, whatever the test runner's are.
  std::vector<int> ignored_signals;
};

// The vantlink the build made.
std::string built_binary();

// `settings` and what preloads the shim library `shim` into the binary
// (ahead of a sanitizer's runtime, in a sanitized build).
std::map<std::string, std::string> preloading(const std::string& shim,
                                              std::map<std::string, std::string> settings);

// The base environment holds PATH, LC_ALL=C and KORVODIR=<build tree>.
CliResult run_vantlink(const CliCall& call);

// run_vantlink as an unprivileged user (uid 65534), so that permission bits
// count even when the tests run as root; `scratch` is opened to everyone.
// Nothing when privileges cannot be dropped.
std::optional<CliResult> run_unprivileged(const CliCall& call, const ScratchDir& scratch);
