// Paths: how a directory is named relative to the start directory, paths of
// any length (longer than the system's own limit, PATH_MAX: reached one
// component at a time instead of failing with ENAMETOOLONG), and the file or
// directory a name finally stands for.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>

// The path from the absolute directory `start` to the absolute directory
// `current`: "src", "../other", "../..", or "." when they are the same.
std::string relative_directory(const std::string& start, const std::string& current);

// The part of `path` before its last "/": "." when it has none.
std::string directory_part(const std::string& path);

// chdir(path), for a path of any length. 0 on success, -1 with errno.
int change_directory(const char* path);

// stat(path) (symbolic links followed), for a path of any length.
int stat_path(const char* path, struct stat* status);

// The status call succeeds on `path` (links followed) and reports a directory.
bool is_directory(const char* path);

// The working directory, of any length; nothing when it cannot be read.
std::optional<std::string> current_directory();

// The canonical path of `name`; nothing when it cannot be had (a path
// longer than the system resolves, a name that is gone).
std::optional<std::string> canonical_path(const std::string& name);

// The file a name finally stands for: symbolic links followed one by one,
// even when the last one points to nothing yet.
std::string resolve_symbolic_links(const std::string& name);

// `first` and `second` name the same file: the same device and inode once
// symbolic links are followed (a hard link too), or, when neither exists
// yet, the same name in the same directory.
bool same_file(const std::string& first, const std::string& second);
