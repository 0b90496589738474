// Per-file scratch memory: token texts and the name texts built from them.
// Everything in it is dropped at once when the next file starts, so memory
// does not grow with the amount of source analysed.
#pragma once

#include <cstddef>

class Arena {
 public:
  Arena() = default;
  ~Arena();
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  // Copies `length` bytes into the arena and ends them with NUL.
  char* copy(const char* text, size_t length);

  // `left`, `separator` and `right` joined into one new string.
  char* join(const char* left, const char* separator, const char* right);

  // Releases everything copied since the last reset (keeps the first block).
  void reset();

  // Bytes currently handed out, for tests.
  size_t bytes_in_use() const { return bytes_in_use_; }

 private:
  struct Block;
  char* allocate(size_t length);

  Block* first_ = nullptr;  // kept across resets
  Block* current_ = nullptr;
  size_t bytes_in_use_ = 0;
};
