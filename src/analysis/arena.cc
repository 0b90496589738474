#include "analysis/arena.h"

#include <cstring>

#include "driver/memory.h"

namespace {

constexpr size_t kBlockSize = 64 * 1024;

struct Block {
  Block* next;
  size_t size;
  size_t used;
  char bytes[];
};

Block* first_block = nullptr;  // kept across resets
Block* current_block = nullptr;
size_t bytes_in_use = 0;

Block* new_block(size_t at_least) {
  size_t size = at_least > kBlockSize ? at_least : kBlockSize;
  auto* block = static_cast<Block*>(checked_alloc(sizeof(Block) + size));
  block->size = size;
  return block;
}

char* arena_allocate(size_t length) {
  if (current_block == nullptr) first_block = current_block = new_block(length);
  if (current_block->size - current_block->used < length) {
    Block* block = new_block(length);
    current_block->next = block;
    current_block = block;
  }
  char* out = current_block->bytes + current_block->used;
  current_block->used += length;
  bytes_in_use += length;
  return out;
}

}  // namespace

char* arena_copy(const char* text, size_t length) {
  char* out = arena_allocate(length + 1);
  std::memcpy(out, text, length);
  out[length] = '\0';
  return out;
}

char* arena_join(const char* left, const char* separator, const char* right) {
  size_t left_length = left ? std::strlen(left) : 0;
  size_t separator_length = std::strlen(separator);
  size_t right_length = right ? std::strlen(right) : 0;
  char* out = arena_allocate(left_length + separator_length + right_length + 1);
  if (left_length) std::memcpy(out, left, left_length);
  std::memcpy(out + left_length, separator, separator_length);
  if (right_length) std::memcpy(out + left_length + separator_length, right, right_length);
  out[left_length + separator_length + right_length] = '\0';
  return out;
}

void arena_reset() {
  if (first_block == nullptr) return;
  Block* block = first_block->next;
  while (block != nullptr) {
    Block* next = block->next;
    release_block(block);
    block = next;
  }
  first_block->next = nullptr;
  first_block->used = 0;
  current_block = first_block;
  bytes_in_use = 0;
}

size_t arena_bytes_in_use() { return bytes_in_use; }
