#include "analysis/arena.h"

#include <cstring>

#include "core/memory.h"

namespace {
constexpr size_t kBlockSize = 64 * 1024;
}  // namespace

struct Arena::Block {
  Block* next;
  size_t size;
  size_t used;
  char bytes[];
};

Arena::~Arena() {
  reset();
  release_block(first_);
}

char* Arena::allocate(size_t length) {
  auto new_block = [](size_t at_least) {
    size_t size = at_least > kBlockSize ? at_least : kBlockSize;
    auto* block = static_cast<Block*>(checked_alloc(sizeof(Block) + size));
    block->size = size;
    return block;
  };
  if (current_ == nullptr) first_ = current_ = new_block(length);
  if (current_->size - current_->used < length) {
    Block* block = new_block(length);
    current_->next = block;
    current_ = block;
  }
  char* out = current_->bytes + current_->used;
  current_->used += length;
  bytes_in_use_ += length;
  return out;
}

char* Arena::copy(const char* text, size_t length) {
  char* out = allocate(length + 1);
  std::memcpy(out, text, length);
  out[length] = '\0';
  return out;
}

char* Arena::join(const char* left, const char* separator, const char* right) {
  size_t left_length = left ? std::strlen(left) : 0;
  size_t separator_length = std::strlen(separator);
  size_t right_length = right ? std::strlen(right) : 0;
  char* out = allocate(left_length + separator_length + right_length + 1);
  if (left_length) std::memcpy(out, left, left_length);
  std::memcpy(out + left_length, separator, separator_length);
  if (right_length) std::memcpy(out + left_length + separator_length, right, right_length);
  out[left_length + separator_length + right_length] = '\0';
  return out;
}

void Arena::reset() {
  if (first_ == nullptr) return;
  Block* block = first_->next;
  while (block != nullptr) {
    Block* next = block->next;
    release_block(block);
    block = next;
  }
  first_->next = nullptr;
  first_->used = 0;
  current_ = first_;
  bytes_in_use_ = 0;
}
