#include "driver/record_index.h"

#include <functional>

#include "driver/link_file.h"

namespace {

uint64_t hash_of(std::string_view key) { return std::hash<std::string_view>{}(key); }

}  // namespace

const PreviousRecord* RecordIndex::removed() {
  static const PreviousRecord mark{};
  return &mark;
}

// The slot holding `key`, or the free one where it would go.
size_t RecordIndex::slot_of(std::string_view key, uint64_t hash) const {
  size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.record == nullptr) return i;
    if (slot.hash == hash && slot.record != removed() && slot.record->key == key) return i;
  }
}

void RecordIndex::grow() {
  std::vector<Slot> old(slots_.empty() ? 1024 : 2 * slots_.size(), Slot{0, nullptr});
  old.swap(slots_);
  taken_ = count_;
  size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.record == nullptr || slot.record == removed()) continue;
    size_t i = slot.hash & mask;
    while (slots_[i].record != nullptr) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

bool RecordIndex::insert(const PreviousRecord* record) {
  if (2 * (taken_ + 1) > slots_.size()) grow();
  uint64_t hash = hash_of(record->key);
  Slot& slot = slots_[slot_of(record->key, hash)];
  if (slot.record != nullptr) return false;
  slot = Slot{hash, record};
  ++count_;
  ++taken_;
  return true;
}

const PreviousRecord* RecordIndex::find(std::string_view key) const {
  if (count_ == 0) return nullptr;
  return slots_[slot_of(key, hash_of(key))].record;
}

void RecordIndex::erase(const PreviousRecord* record) {
  if (count_ == 0) return;
  Slot& slot = slots_[slot_of(record->key, hash_of(record->key))];
  if (slot.record != record) return;
  slot.record = removed();
  --count_;
}
