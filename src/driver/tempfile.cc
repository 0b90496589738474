#include "driver/tempfile.h"

#include <fcntl.h>
#include <pthread.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The link file and the files written beside it: a handful at most.
constexpr int kSlots = 8;
std::atomic<const char*> registered[kSlots];

sigset_t cleanup_signal_set() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kCleanupSignals) sigaddset(&set, signal);
  return set;
}

void remove_and_reraise(int signal) {
  int saved = errno;
  remove_temporary_files();
  // The status the signal gives when nothing catches it.
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  ::sigaction(signal, &default_action, nullptr);
  ::raise(signal);  // delivered when the handler returns
  errno = saved;
}

// Once, before the first file exists. A signal ignored at start (nohup, a
// background job) stays ignored.
void install_cleanup() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  struct sigaction action {};
  action.sa_handler = remove_and_reraise;
  action.sa_mask = cleanup_signal_set();
  for (int signal : kCleanupSignals) {
    struct sigaction old {};
    if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
      ::sigaction(signal, &action, nullptr);
  }
}

bool register_file(const char* path) {
  for (std::atomic<const char*>& slot : registered) {
    const char* empty = nullptr;
    if (slot.compare_exchange_strong(empty, path)) return true;
  }
  return false;
}

}  // namespace

CleanupSignalsHeld::CleanupSignalsHeld() {
  sigset_t held = cleanup_signal_set();
  ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

CleanupSignalsHeld::~CleanupSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

int create_temporary_file(char* path_template) {
  install_cleanup();
  CleanupSignalsHeld held;
  int fd = ::mkostemp(path_template, O_CLOEXEC);
  if (fd >= 0 && !register_file(path_template)) {
    ::unlink(path_template);
    ::close(fd);
    errno = EMFILE;
    return -1;
  }
  return fd;
}

void unregister_temporary_file(const char* path) {
  for (std::atomic<const char*>& slot : registered) {
    const char* expected = path;
    if (slot.compare_exchange_strong(expected, nullptr)) return;
  }
}

void remove_temporary_files() {
  for (std::atomic<const char*>& slot : registered)
    if (const char* path = slot.exchange(nullptr)) ::unlink(path);
}
