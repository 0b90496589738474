// A signal ignored for the lifetime of a guard, then handled as before.
// Writing the link file ignores SIGXFSZ: going past a file-size limit must
// fail the write, not kill the run with the temporary file left behind.
#pragma once

#include <signal.h>

class IgnoredSignal {
 public:
  explicit IgnoredSignal(int signal) : signal_(signal) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    saved_ = ::sigaction(signal_, &ignore, &previous_) == 0;
  }
  ~IgnoredSignal() {
    if (saved_) ::sigaction(signal_, &previous_, nullptr);
  }
  IgnoredSignal(const IgnoredSignal&) = delete;
  IgnoredSignal& operator=(const IgnoredSignal&) = delete;

 private:
  int signal_;
  bool saved_;
  struct sigaction previous_ {};
};
