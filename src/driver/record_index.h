// Record key -> the first record of the previous link file with that key.
// One open-addressed array instead of a node per record: a hundred thousand
// records cost one allocation, not a hundred thousand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

struct PreviousRecord;

class RecordIndex {
 public:
  bool empty() const { return count_ == 0; }

  // Room for `count` records without growing.
  void reserve(size_t count);
  // Adds the chain from `head` on (linked through `next`), in order; returns
  // how many were not added because their key was there.
  size_t insert_chain(const PreviousRecord* head);
  const PreviousRecord* find(std::string_view key) const;

 private:
  struct Slot {
    uint64_t hash;
    const PreviousRecord* record;  // null: free
  };
  size_t slot_of(std::string_view key, uint64_t hash) const;
  bool insert(const PreviousRecord* record, uint64_t hash);
  void resize(size_t slots);

  std::vector<Slot> slots_;  // a power of two long, at most half taken
  size_t count_ = 0;
};
