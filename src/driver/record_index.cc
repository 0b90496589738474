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

bool RecordIndex::insert(const PreviousRecord* record, uint64_t hash) {
  reserve(count_ + 1);
  Slot& slot = slots_[slot_of(record->key, hash)];
  if (slot.record != nullptr) return false;
  slot = Slot{hash, record};
  ++count_;
  return true;
}

size_t RecordIndex::insert_chain(const PreviousRecord* head) {
  // A large index lies far outside the caches, and each insertion would
  // wait for its slot: the slots of a batch are fetched all at once first.
  constexpr int kBatch = 16;
  size_t repeated = 0;
  const PreviousRecord* batch[kBatch];
  uint64_t hashes[kBatch];
  while (head != nullptr) {
    int n = 0;
    for (; n < kBatch && head != nullptr; ++n, head = head->next) {
      batch[n] = head;
      hashes[n] = hash_of(head->key);
    }
    reserve(count_ + n);
    for (int i = 0; i < n; ++i) __builtin_prefetch(&slots_[hashes[i] & (slots_.size() - 1)]);
    for (int i = 0; i < n; ++i) repeated += insert(batch[i], hashes[i]) ? 0 : 1;
  }
  return repeated;
}

const PreviousRecord* RecordIndex::find(std::string_view key) const {
  if (count_ == 0) return nullptr;
  return slots_[slot_of(key, hash_of(key))].record;
}
