/* Preloaded into vantlink by the crash-safety tests. It counts the calls
   that put the link file in place (write, fsync and close of the temporary
   file, rename from it) and, at the chosen one, makes it fail, come up
   short, or kills the process there.

   FAIL_SHIM_AT      the call to act on, counting from 1 (absent or 0: none)
   FAIL_SHIM_ACTION  "fail" (default), "short" (a write takes half), "kill"
   FAIL_SHIM_ERRNO   for "fail": the error number (default EIO)
   FAIL_SHIM_BYTES   for "kill" on a write: bytes written first (default 0)
   FAIL_SHIM_KILL_AFTER_US  kill the process this many microseconds after
                     it started, wherever it is then
   FAIL_SHIM_REPORT  file that receives, at exit, the number of calls
                     counted and when the first and the last came (in
                     microseconds since the start) */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

static const char kTemporaryMark[] = "/.vantlink.";

static long calls;
static struct timespec started;
static long first_call_us = -1, last_call_us = -1;

static long since_start_us(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (now.tv_sec - started.tv_sec) * 1000000L + (now.tv_nsec - started.tv_nsec) / 1000;
}

static long setting(const char* name, long otherwise) {
  const char* value = getenv(name);
  return value && *value ? strtol(value, NULL, 10) : otherwise;
}

static int is_temporary_fd(int fd) {
  char link[64], path[8192];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t n = readlink(link, path, sizeof path - 1);
  if (n < 0) return 0;
  path[n] = '\0';
  return strstr(path, kTemporaryMark) != NULL;
}

enum Action { kNone, kFail, kShort, kKill };

/* What to do with the call just counted. */
static enum Action count_call(void) {
  ++calls;
  last_call_us = since_start_us();
  if (first_call_us < 0) first_call_us = last_call_us;
  if (calls != setting("FAIL_SHIM_AT", 0)) return kNone;
  const char* action = getenv("FAIL_SHIM_ACTION");
  if (action && strcmp(action, "kill") == 0) return kKill;
  if (action && strcmp(action, "short") == 0) return kShort;
  return kFail;
}

static int fail(void) {
  errno = (int)setting("FAIL_SHIM_ERRNO", EIO);
  return -1;
}

__attribute__((noreturn)) static void die(void) {
  kill(getpid(), SIGKILL);
  for (;;) pause();
}

ssize_t write(int fd, const void* data, size_t length) {
  ssize_t (*real)(int, const void*, size_t) = dlsym(RTLD_NEXT, "write");
  if (!is_temporary_fd(fd)) return real(fd, data, length);
  switch (count_call()) {
    case kFail:
      return fail();
    case kShort:
      return real(fd, data, length > 1 ? length / 2 : length);
    case kKill: {
      size_t first = (size_t)setting("FAIL_SHIM_BYTES", 0);
      if (first > 0) real(fd, data, first < length ? first : length);
      die();
    }
    case kNone:
      break;
  }
  return real(fd, data, length);
}

int fsync(int fd) {
  int (*real)(int) = dlsym(RTLD_NEXT, "fsync");
  if (!is_temporary_fd(fd)) return real(fd);
  switch (count_call()) {
    case kFail:
      return fail();
    case kKill:
      die();
    default:
      return real(fd);
  }
}

int close(int fd) {
  int (*real)(int) = dlsym(RTLD_NEXT, "close");
  if (!is_temporary_fd(fd)) return real(fd);
  switch (count_call()) {
    case kFail:
      real(fd); /* the descriptor is gone even when close reports an error */
      return fail();
    case kKill:
      die();
    default:
      return real(fd);
  }
}

int rename(const char* from, const char* to) {
  int (*real)(const char*, const char*) = dlsym(RTLD_NEXT, "rename");
  if (strstr(from, kTemporaryMark) == NULL) return real(from, to);
  switch (count_call()) {
    case kFail:
      return fail();
    case kKill:
      die();
    default:
      return real(from, to);
  }
}

__attribute__((constructor)) static void start(void) {
  clock_gettime(CLOCK_MONOTONIC, &started);
  long delay = setting("FAIL_SHIM_KILL_AFTER_US", -1);
  if (delay < 0) return;
  struct sigevent event = {0};
  event.sigev_notify = SIGEV_SIGNAL;
  event.sigev_signo = SIGKILL;
  timer_t timer;
  struct itimerspec when = {{0, 0}, {delay / 1000000, (delay % 1000000) * 1000}};
  if (when.it_value.tv_sec == 0 && when.it_value.tv_nsec == 0) when.it_value.tv_nsec = 1;
  if (timer_create(CLOCK_MONOTONIC, &event, &timer) == 0) timer_settime(timer, 0, &when, NULL);
}

__attribute__((destructor)) static void report_calls(void) {
  const char* report = getenv("FAIL_SHIM_REPORT");
  if (report == NULL || *report == '\0') return;
  char text[96];
  int length = snprintf(text, sizeof text, "%ld %ld %ld\n", calls, first_call_us, last_call_us);
  int fd = (int)syscall(SYS_openat, AT_FDCWD, report, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  syscall(SYS_write, fd, text, (size_t)length);
  syscall(SYS_close, fd);
}
