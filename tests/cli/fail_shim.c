/* Preloaded into vantlink by the crash-safety tests. It counts the calls
   that put the link file in place (write, fsync and close of the temporary
   file, rename from it) and, at the chosen one, makes it fail, come up
   short, or kills the process there.

   FAIL_SHIM_AT      the call to act on, counting from 1 (absent or 0: none)
   FAIL_SHIM_ACTION  "fail" (default), "short" (a write takes half), "kill",
                     "signal" (raise FAIL_SHIM_SIGNAL, then make the call),
                     "sleep" (FAIL_SHIM_SLEEP_MS milliseconds, then the call)
   FAIL_SHIM_ERRNO   for "fail": the error number (default EIO)
   FAIL_SHIM_BYTES   for "kill" on a write: bytes written first (default 0)

   Other calls on the way, each failing with its own setting:
   FAIL_SHIM_MKSTEMP_ERRNO   mkostemp of the temporary file fails so
   FAIL_SHIM_OPEN_NAME, FAIL_SHIM_OPEN_ERRNO   open of a name ending so, and
                     opendir of "." in a directory whose path ends so, fail
                     with that error number (default EMFILE)
   FAIL_SHIM_OPENAT_NAME     the same for openat
   FAIL_SHIM_FSTAT_NAME      fstat of a file whose path ends so fails (EIO)
   FAIL_SHIM_LISTING, FAIL_SHIM_LISTING_AFTER   readdir of a directory whose
                     path ends so fails (EIO) after that many entries
   FAIL_SHIM_TIME    the clock file beside the link file cannot be made
                     (EACCES), and time(), which the run falls back on,
                     returns this second
   FAIL_SHIM_KILL_AFTER_US  kill the process this many microseconds after
                     it started, wherever it is then
   FAIL_SHIM_REPORT  file that receives, at exit, the number of calls
                     counted and when the first and the last came (in
                     microseconds since the start) */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
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

/* The path `fd` is open on, or "" when unknown. */
static const char* fd_path(int fd, char* path, size_t size) {
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t n = readlink(link, path, size - 1);
  path[n < 0 ? 0 : n] = '\0';
  return path;
}

static int is_temporary_fd(int fd) {
  char path[8192];
  return strstr(fd_path(fd, path, sizeof path), kTemporaryMark) != NULL;
}

/* `text` ends with the value of the setting `name`, which is set. */
static int ends_with_setting(const char* text, const char* name) {
  const char* end = getenv(name);
  if (end == NULL || *end == '\0') return 0;
  size_t length = strlen(text), end_length = strlen(end);
  return length >= end_length && strcmp(text + length - end_length, end) == 0;
}

enum Action { kNone, kFail, kShort, kKill, kSignal, kSleep };

/* What to do with the call just counted. */
static enum Action count_call(void) {
  ++calls;
  last_call_us = since_start_us();
  if (first_call_us < 0) first_call_us = last_call_us;
  if (calls != setting("FAIL_SHIM_AT", 0)) return kNone;
  const char* action = getenv("FAIL_SHIM_ACTION");
  if (action && strcmp(action, "kill") == 0) return kKill;
  if (action && strcmp(action, "short") == 0) return kShort;
  if (action && strcmp(action, "signal") == 0) return kSignal;
  if (action && strcmp(action, "sleep") == 0) return kSleep;
  return kFail;
}

/* The actions that let the call go on once done. */
static void signal_or_sleep(enum Action action) {
  if (action == kSignal) kill(getpid(), (int)setting("FAIL_SHIM_SIGNAL", SIGINT));
  if (action == kSleep) {
    long ms = setting("FAIL_SHIM_SLEEP_MS", 0);
    struct timespec pause_for = {ms / 1000, (ms % 1000) * 1000000};
    nanosleep(&pause_for, NULL);
  }
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
  enum Action action = count_call();
  switch (action) {
    case kFail:
      return fail();
    case kShort:
      return real(fd, data, length > 1 ? length / 2 : length);
    case kKill: {
      size_t first = (size_t)setting("FAIL_SHIM_BYTES", 0);
      if (first > 0) real(fd, data, first < length ? first : length);
      die();
    }
    default:
      signal_or_sleep(action);
  }
  return real(fd, data, length);
}

int fsync(int fd) {
  int (*real)(int) = dlsym(RTLD_NEXT, "fsync");
  if (!is_temporary_fd(fd)) return real(fd);
  enum Action action = count_call();
  switch (action) {
    case kFail:
      return fail();
    case kKill:
      die();
    default:
      signal_or_sleep(action);
      return real(fd);
  }
}

int close(int fd) {
  int (*real)(int) = dlsym(RTLD_NEXT, "close");
  if (!is_temporary_fd(fd)) return real(fd);
  enum Action action = count_call();
  switch (action) {
    case kFail:
      real(fd); /* the descriptor is gone even when close reports an error */
      return fail();
    case kKill:
      die();
    default:
      signal_or_sleep(action);
      return real(fd);
  }
}

int rename(const char* from, const char* to) {
  int (*real)(const char*, const char*) = dlsym(RTLD_NEXT, "rename");
  if (strstr(from, kTemporaryMark) == NULL) return real(from, to);
  enum Action action = count_call();
  switch (action) {
    case kFail:
      return fail();
    case kKill:
      die();
    default:
      signal_or_sleep(action);
      return real(from, to);
  }
}

int mkostemp(char* name, int flags) {
  int (*real)(char*, int) = dlsym(RTLD_NEXT, "mkostemp");
  if (setting("FAIL_SHIM_TIME", 0) != 0 && strstr(name, "/.vantlink-clock.") != NULL) {
    errno = EACCES;
    return -1;
  }
  long error = setting("FAIL_SHIM_MKSTEMP_ERRNO", 0);
  if (error == 0 || strstr(name, kTemporaryMark) == NULL) return real(name, flags);
  errno = (int)error;
  return -1;
}

static int open_refused(const char* name, const char* setting_name) {
  if (!ends_with_setting(name, setting_name)) return 0;
  errno = (int)setting("FAIL_SHIM_OPEN_ERRNO", EMFILE);
  return 1;
}

int open(const char* name, int flags, ...) {
  int (*real)(const char*, int, ...) = dlsym(RTLD_NEXT, "open");
  va_list rest;
  va_start(rest, flags);
  mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(rest, mode_t) : 0;
  va_end(rest);
  return open_refused(name, "FAIL_SHIM_OPEN_NAME") ? -1 : real(name, flags, mode);
}

int openat(int directory, const char* name, int flags, ...) {
  int (*real)(int, const char*, int, ...) = dlsym(RTLD_NEXT, "openat");
  va_list rest;
  va_start(rest, flags);
  mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(rest, mode_t) : 0;
  va_end(rest);
  return open_refused(name, "FAIL_SHIM_OPENAT_NAME") ? -1 : real(directory, name, flags, mode);
}

DIR* opendir(const char* name) {
  DIR* (*real)(const char*) = dlsym(RTLD_NEXT, "opendir");
  char cwd[8192];
  if (strcmp(name, ".") == 0 && getcwd(cwd, sizeof cwd) != NULL && open_refused(cwd, "FAIL_SHIM_OPEN_NAME"))
    return NULL;
  return real(name);
}

int fstat(int fd, struct stat* status) {
  int (*real)(int, struct stat*) = dlsym(RTLD_NEXT, "fstat");
  char path[8192];
  if (!ends_with_setting(fd_path(fd, path, sizeof path), "FAIL_SHIM_FSTAT_NAME"))
    return real(fd, status);
  errno = EIO;
  return -1;
}

time_t time(time_t* result) {
  time_t (*real)(time_t*) = dlsym(RTLD_NEXT, "time");
  long fixed = setting("FAIL_SHIM_TIME", 0);
  if (fixed == 0) return real(result);
  if (result != NULL) *result = (time_t)fixed;
  return (time_t)fixed;
}

/* Entries handed out by the listing being failed. */
static long listed;

struct dirent* readdir(DIR* listing) {
  struct dirent* (*real)(DIR*) = dlsym(RTLD_NEXT, "readdir");
  char path[8192];
  if (!ends_with_setting(fd_path(dirfd(listing), path, sizeof path), "FAIL_SHIM_LISTING"))
    return real(listing);
  if (listed++ < setting("FAIL_SHIM_LISTING_AFTER", 0)) return real(listing);
  errno = EIO;
  return NULL;
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
