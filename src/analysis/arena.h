// Per-file scratch memory: token texts and the name texts built from them.
// Everything in it is dropped at once when the next file starts, so memory
// does not grow with the amount of source analysed.
#pragma once

#include <cstddef>

// Copies `length` bytes into the arena and ends them with NUL.
char* arena_copy(const char* text, size_t length);

// `left`, `separator` and `right` joined into one new arena string.
char* arena_join(const char* left, const char* separator, const char* right);

// Releases everything copied since the last reset (keeps the first block).
void arena_reset();

// Bytes currently handed out, for tests.
size_t arena_bytes_in_use();
