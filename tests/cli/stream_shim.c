/* Preloaded into vantlink by the standard-stream tests. Whenever the
   program writes to standard output or error through stdio, and once more
   at exit (where the buffered rest goes), it notes where that descriptor
   leads. At exit it writes the different places seen, one per line, to the
   file STREAM_SHIM_REPORT names; a pipe is written "pipe". */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

enum { kMostPlaces = 16, kPathSize = 512 };
static char places[kMostPlaces][kPathSize];
static int place_count;

static void note(int fd) {
  char link[32], path[kPathSize];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t n = readlink(link, path, sizeof path - 1);
  if (n < 0) return; /* closed: nothing is written */
  path[n] = '\0';
  if (strncmp(path, "pipe:", 5) == 0) strcpy(path, "pipe");
  for (int i = 0; i < place_count; ++i)
    if (strcmp(places[i], path) == 0) return;
  if (place_count < kMostPlaces) strcpy(places[place_count++], path);
}

static void note_stream(FILE* stream) {
  if (stream == stdout || stream == stderr) note(fileno(stream));
}

size_t fwrite(const void* data, size_t size, size_t count, FILE* stream) {
  size_t (*real)(const void*, size_t, size_t, FILE*) = dlsym(RTLD_NEXT, "fwrite");
  note_stream(stream);
  return real(data, size, count, stream);
}

int fputs(const char* text, FILE* stream) {
  int (*real)(const char*, FILE*) = dlsym(RTLD_NEXT, "fputs");
  note_stream(stream);
  return real(text, stream);
}

__attribute__((destructor)) static void report_places(void) {
  note(1);
  note(2);
  const char* report = getenv("STREAM_SHIM_REPORT");
  if (report == NULL || *report == '\0') return;
  int fd = (int)syscall(SYS_openat, AT_FDCWD, report, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  for (int i = 0; i < place_count; ++i) {
    syscall(SYS_write, fd, places[i], strlen(places[i]));
    syscall(SYS_write, fd, "\n", (size_t)1);
  }
  syscall(SYS_close, fd);
}
