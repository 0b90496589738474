/* Preloaded into vantlink by the allocation-failure test. It counts the
   calls to malloc, calloc and realloc made once main has started (what
   shared libraries allocate before, in their constructors, is out of reach)
   and makes the chosen one return NULL with ENOMEM, alone or together with
   every later one.

   ALLOC_SHIM_AT      the allocation to fail, counting from 1 (absent or 0: none)
   ALLOC_SHIM_LATER   "1": every allocation after it fails as well
   ALLOC_SHIM_SIZE    every allocation of exactly this many bytes fails (absent
                      or 0: none); unlike a count, it picks the same allocation
                      whichever thread makes it, and whenever
   ALLOC_SHIM_REPORT  file that receives, at exit, the number counted */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);

static int started;
static long fail_at;
static int fail_later;
static long counted;
static size_t fail_size;

static long setting(const char* name) {
  const char* value = getenv(name);
  return value && *value ? strtol(value, NULL, 10) : 0;
}

/* True when the allocation just made must fail. */
static int refused_size(size_t size) {
  if (!started || fail_size == 0 || size != fail_size) return 0;
  errno = ENOMEM;
  return 1;
}

static int refused(void) {
  if (!started) return 0;
  long n = __atomic_add_fetch(&counted, 1, __ATOMIC_RELAXED);
  if (fail_at <= 0 || n < fail_at || (n > fail_at && !fail_later)) return 0;
  errno = ENOMEM;
  return 1;
}

void* malloc(size_t size) {
  return refused() || refused_size(size) ? NULL : __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
  return refused() || refused_size(count * size) ? NULL : __libc_calloc(count, size);
}

void* realloc(void* block, size_t size) {
  /* realloc(p, 0) only frees. */
  if (size > 0 && (refused() || refused_size(size))) return NULL;
  return __libc_realloc(block, size);
}

typedef int (*MainFunction)(int, char**, char**);
static MainFunction real_main;

static int counting_main(int argc, char** argv, char** envp) {
  fail_at = setting("ALLOC_SHIM_AT");
  fail_size = (size_t)setting("ALLOC_SHIM_SIZE");
  fail_later = setting("ALLOC_SHIM_LATER") != 0;
  started = 1;
  return real_main(argc, argv, envp);
}

int __libc_start_main(MainFunction main_function, int argc, char** argv, void (*init)(void),
                      void (*fini)(void), void (*rtld_fini)(void), void* stack_end) {
  int (*real)(MainFunction, int, char**, void (*)(void), void (*)(void), void (*)(void), void*) =
      dlsym(RTLD_NEXT, "__libc_start_main");
  real_main = main_function;
  return real(counting_main, argc, argv, init, fini, rtld_fini, stack_end);
}

__attribute__((destructor)) static void report_count(void) {
  const char* report = getenv("ALLOC_SHIM_REPORT");
  if (report == NULL || *report == '\0') return;
  char text[32];
  int length = snprintf(text, sizeof text, "%ld\n", counted);
  int fd = (int)syscall(SYS_openat, AT_FDCWD, report, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  syscall(SYS_write, fd, text, (size_t)length);
  syscall(SYS_close, fd);
}
