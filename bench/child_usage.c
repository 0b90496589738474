/* Runs a command with its output thrown away and prints, on one line, its
   wall seconds, CPU seconds (user + system) and peak resident KiB, then its
   exit status.

   A process started straight from the benchmark script would report the
   script's own peak memory: the kernel carries the memory peak of the image
   a process replaces over to the new one. Started from this small program,
   the command's peak is its own.

   Usage: child_usage command [argument...] */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double seconds(struct timeval t) { return t.tv_sec + t.tv_usec / 1e6; }

int main(int argc, char** argv) {
  if (argc < 2) {
    fputs("usage: child_usage command [argument...]\n", stderr);
    return 2;
  }
  struct timespec start, end;
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t pid = fork();
  if (pid < 0) return 2;
  if (pid == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execv(argv[1], argv + 1);
    _exit(127);
  }
  int status;
  struct rusage usage;
  if (wait4(pid, &status, 0, &usage) != pid) return 2;
  clock_gettime(CLOCK_MONOTONIC, &end);
  double wall = (end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
  printf("%.6f %.6f %ld %d\n", wall, seconds(usage.ru_utime) + seconds(usage.ru_stime),
         usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  return 0;
}
