// Paths longer than the system's own limit (PATH_MAX): a start directory
// nested that deep, or a directory named by such a long relative path, is
// reached one component at a time instead of failing with ENAMETOOLONG.
#pragma once

#include <sys/stat.h>

// chdir(path), for a path of any length. 0 on success, -1 with errno.
int change_directory(const char* path);

// stat(path) (symbolic links followed), for a path of any length.
int stat_path(const char* path, struct stat* status);
