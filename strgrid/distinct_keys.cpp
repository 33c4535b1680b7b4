#include "strgrid/distinct_keys.h"

namespace quillet {

std::int32_t TDistinctKeys::AddKey(std::string_view key, std::uint32_t hash, std::size_t slot) {
  if (arena_.size() + key.size() > UINT32_MAX) throw ERankCacheFull();
  const auto id = static_cast<std::int32_t>(ends_.size());
  arena_.append(key);
  ends_.push_back(static_cast<std::uint32_t>(arena_.size()));
  slots_[slot] = {hash, id};
  if (ends_.size() * 4 > slots_.size() * 3) Grow();
  return id;
}

void TDistinctKeys::Grow() {
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.id < 0) continue;
    std::size_t s = slot.hash & mask;
    while (slots_[s].id >= 0) s = (s + 1) & mask;
    slots_[s] = slot;
  }
}

void TDerivedArena::Append(std::string_view derived) {
  arena_ += derived;
  if (arena_.size() > UINT32_MAX) throw ERankCacheFull();
  ends_.push_back(static_cast<std::uint32_t>(arena_.size()));
}

}  // namespace quillet
