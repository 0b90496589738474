#include "driver/record_index.h"

#include <functional>

#include "driver/link_file.h"

namespace {

uint64_t hash_of(std::string_view key) { return std::hash<std::string_view>{}(key); }

}  // namespace

// The slot holding `key`, or the free one where it would go.
size_t RecordIndex::slot_of(std::string_view key, uint64_t hash) const {
  size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.record == nullptr || (slot.hash == hash && slot.record->key == key)) return i;
  }
}

void RecordIndex::resize(size_t slots) {
  std::vector<Slot> old(slots, Slot{0, nullptr});
  old.swap(slots_);
  size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.record == nullptr) continue;
    size_t i = slot.hash & mask;
    while (slots_[i].record != nullptr) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

void RecordIndex::reserve(size_t count) {
  size_t slots = slots_.empty() ? 16 : slots_.size();
  while (slots < 2 * count) slots *= 2;
  if (slots != slots_.size()) resize(slots);
}

bool RecordIndex::insert(const PreviousRecord* record) {
  reserve(count_ + 1);
  uint64_t hash = hash_of(record->key);
  Slot& slot = slots_[slot_of(record->key, hash)];
  if (slot.record != nullptr) return false;
  slot = Slot{hash, record};
  ++count_;
  return true;
}

const PreviousRecord* RecordIndex::find(std::string_view key) const {
  if (count_ == 0) return nullptr;
  return slots_[slot_of(key, hash_of(key))].record;
}
