// Path texts: how a directory is named relative to the start directory.
#pragma once

#include <string>

// The path from the absolute directory `start` to the absolute directory
// `current`: "src", "../other", "../..", or "." when they are the same.
std::string relative_directory(const std::string& start, const std::string& current);
