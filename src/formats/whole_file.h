// A file read whole into memory, as both programs read the link file and the
// dependency file: its bytes followed by zero bytes that a parser may read
// past the end (the JSON library reads up to 64 at once).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr size_t kWholeFilePadding = 64;

enum class WholeFile { kRead, kMissing, kUnreadable, kTooLarge };

// Reads the regular file `path` into `bytes` (`length` bytes, then the
// padding). A file of more than `size_limit` bytes, also one that grows past
// it while read, is not read (kTooLarge). `modified`, when given, gets the
// file's modification time in whole seconds (INT64_MIN when unknown). On
// failure `error` says why.
WholeFile read_whole_file(const char* path, std::vector<char>& bytes, size_t& length,
                          uint64_t size_limit, std::string& error, int64_t* modified = nullptr);
