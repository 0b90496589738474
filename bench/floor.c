/* The least a run with nothing changed must do, as a yardstick for
   bench/run: list each directory, open+fstat+close each entry, read the old
   link file, write the new one (the same bytes), fsync, rename.

   Usage: floor <link-file> <directory>... */
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static void fail(const char* what) {
  perror(what);
  exit(1);
}

static void probe_directory(const char* path) {
  DIR* listing = opendir(path);
  if (listing == NULL) fail(path);
  int directory = dirfd(listing);
  struct dirent* item;
  while ((item = readdir(listing)) != NULL) {
    if (strcmp(item->d_name, ".") == 0 || strcmp(item->d_name, "..") == 0) continue;
    int fd = openat(directory, item->d_name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat status;
    if (fd >= 0 && fstat(fd, &status) == 0) close(fd);
  }
  closedir(listing);
}

static char* read_whole(const char* path, size_t* length) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  struct stat status;
  if (fd < 0 || fstat(fd, &status) != 0) fail(path);
  char* text = malloc((size_t)status.st_size + 1);
  size_t done = 0;
  ssize_t n;
  while ((n = read(fd, text + done, (size_t)status.st_size + 1 - done)) > 0) done += (size_t)n;
  close(fd);
  *length = done;
  return text;
}

static void replace(const char* path, const char* text, size_t length) {
  char temporary[4096];
  snprintf(temporary, sizeof temporary, "%s.floor", path);
  int fd = open(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) fail(temporary);
  for (size_t done = 0; done < length;) {
    ssize_t n = write(fd, text + done, length - done < 65536 ? length - done : 65536);
    if (n <= 0) fail(temporary);
    done += (size_t)n;
  }
  if (fsync(fd) != 0 || close(fd) != 0 || rename(temporary, path) != 0) fail(temporary);
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: floor <link-file> <directory>...\n");
    return 2;
  }
  for (int i = 2; i < argc; ++i) probe_directory(argv[i]);
  size_t length;
  char* text = read_whole(argv[1], &length);
  replace(argv[1], text, length);
  free(text);
  return 0;
}
