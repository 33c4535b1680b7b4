#pragma once
// The cache of comparison values of a key list's sort (WithCachedValues), so that the sort
// compares integers instead of converting and comparing texts: the number itself for an
// order that has one (strgrid/key_order.h), else the rank of each key among the distinct
// keys of the range. Keys that compare equal share a rank, and ranks order as the keys do.
// Only the distinct keys are converted and ordered: the keys are hashed to find them
// (TDistinctKeys), their texts kept in a compact arena, and their derived texts (the order's
// RankText) ordered by bytes.
//
// Arenas count in 32 bits: past 4 GiB of key text or derived text the cache cannot be built
// (ERankCacheFull) and the sort runs without it.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/exceptions.h"
#include "strgrid/list_sort.h"

namespace quillet {

// The distinct keys of a sort would not fit the cache's 32-bit arenas.
class ERankCacheFull : public std::length_error {
 public:
  ERankCacheFull() : std::length_error("sort keys too long for the rank cache") {}
};

namespace distinct_keys_detail {

// A fast 64-bit hash of a key's bytes (eight at a time).
inline std::uint64_t HashKey(std::string_view key) {
  constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ULL;
  std::uint64_t h = kMul ^ key.size();
  const char* p = key.data();
  std::size_t n = key.size();
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    h = (h ^ word) * 0xFF51AFD7ED558CCDULL;
    h ^= h >> 32;
  }
  std::uint64_t tail = 0;
  for (std::size_t k = 0; k < n; ++k)
    tail |= std::uint64_t{static_cast<unsigned char>(p[k])} << (8 * k);
  h = (h ^ tail) * kMul;
  return h ^ (h >> 29);
}

// Texts kept back to back in one arena, text `id` ending at ends[id].
inline std::string_view ArenaText(const std::string& arena, const std::vector<std::uint32_t>& ends,
                                  std::int32_t id) {
  const std::uint32_t begin = id == 0 ? 0 : ends[static_cast<std::size_t>(id) - 1];
  return std::string_view(arena.data() + begin, ends[static_cast<std::size_t>(id)] - begin);
}

// Whether two texts hold the same bytes; written out, since this is the hot test of a
// lookup and a call to the general comparison costs more than the test.
inline bool SameBytes(std::string_view a, std::string_view b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

}  // namespace distinct_keys_detail

// Gives each distinct key text an id 0, 1, ... (open addressing, at most 3/4 full) and
// keeps a copy of each distinct text in a compact arena, so that confirming a match reads
// that small arena instead of a far-away entry of the list.
class TDistinctKeys {
 public:
  TDistinctKeys() : slots_(1024) {}

  // The id of `key`, a new one for a text not seen before. Throws ERankCacheFull past
  // 4 GiB of distinct key text, std::bad_alloc without memory.
  std::int32_t IdOf(std::string_view key) {
    const auto hash = static_cast<std::uint32_t>(distinct_keys_detail::HashKey(key) >> 32);
    const std::size_t mask = slots_.size() - 1;
    std::size_t s = hash & mask;
    for (; slots_[s].id >= 0; s = (s + 1) & mask) {
      const Slot& slot = slots_[s];
      if (slot.hash == hash && distinct_keys_detail::SameBytes(Text(slot.id), key)) return slot.id;
    }
    return AddKey(key, hash, s);
  }
  std::int32_t Count() const { return static_cast<std::int32_t>(ends_.size()); }
  std::string_view Text(std::int32_t id) const {
    return distinct_keys_detail::ArenaText(arena_, ends_, id);
  }
  std::size_t TextBytes() const { return arena_.size(); }
  // Frees the lookup table; Text stays usable.
  void ReleaseTable() { std::vector<Slot>().swap(slots_); }

 private:
  struct Slot {  // 8 bytes: the table costs 11 to 22 bytes per distinct key
    std::uint32_t hash = 0;
    std::int32_t id = -1;
  };
  std::int32_t AddKey(std::string_view key, std::uint32_t hash, std::size_t slot);
  void Grow();

  std::vector<Slot> slots_;
  std::string arena_;
  std::vector<std::uint32_t> ends_;
};

// The derived texts of the distinct keys, in id order, in one arena with 32-bit ends.
class TDerivedArena {
 public:
  // Throws ERankCacheFull past 4 GiB of derived text; what `derive` throws.
  template <class Derive>
  TDerivedArena(const TDistinctKeys& keys, Derive derive) {
    const std::int32_t count = keys.Count();
    const std::size_t key_bytes = keys.TextBytes();
    arena_.reserve(key_bytes + key_bytes / 2 + 4 * static_cast<std::size_t>(count));
    ends_.reserve(static_cast<std::size_t>(count));
    for (std::int32_t id = 0; id < count; ++id) Append(derive(keys.Text(id)));
  }
  std::string_view Text(std::int32_t id) const {
    return distinct_keys_detail::ArenaText(arena_, ends_, id);
  }

 private:
  void Append(std::string_view derived);

  std::string arena_;
  std::vector<std::uint32_t> ends_;
};

// The rank 0, 1, ... of each distinct key (by id) in the byte order of its derived text;
// keys whose derived texts are equal share a rank.
template <class Derive>
std::vector<std::int32_t> RankDistinct(const TDistinctKeys& keys, Derive derive) {
  std::vector<std::int32_t> order(static_cast<std::size_t>(keys.Count()));
  std::iota(order.begin(), order.end(), 0);
  const TDerivedArena derived(keys, derive);
  std::sort(order.begin(), order.end(), [&derived](std::int32_t a, std::int32_t b) {
    return derived.Text(a) < derived.Text(b);
  });
  std::vector<std::int32_t> rank_of(order.size());
  std::int32_t rank = 0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (k > 0 && derived.Text(order[k]) != derived.Text(order[k - 1])) ++rank;
    rank_of[static_cast<std::size_t>(order[k])] = rank;
  }
  return rank_of;
}

// (rank, offset) for the keys key_at(0..count-1), where `derive` maps a key to a text whose
// byte order is the key order. Throws ERankCacheFull, std::bad_alloc and what `derive`
// throws.
template <class KeyAt, class Derive>
RankedItems<std::int32_t> RankItems(int count, KeyAt key_at, Derive derive) {
  RankedItems<std::int32_t> items(static_cast<std::size_t>(count));
  std::vector<std::int32_t> rank_of;
  {
    TDistinctKeys distinct;
    for (int i = 0; i < count; ++i) items[static_cast<std::size_t>(i)] = {distinct.IdOf(key_at(i)), i};
    distinct.ReleaseTable();
    rank_of = RankDistinct(distinct, derive);
  }
  for (Ranked<std::int32_t>& item : items) item.value = rank_of[static_cast<std::size_t>(item.value)];
  return items;
}

// The cached values of the keys key_at(0..count-1) under `order` as (value, offset) items in
// key order: numbers for an order that has them, else ranks. Throws ERankCacheFull,
// std::bad_alloc and what the order's conversion throws.
template <class Order, class KeyAt>
auto CachedValues(const Order& order, int count, KeyAt key_at) {
  if constexpr (requires { order.OrderedNumber(std::string_view()); }) {
    RankedItems<std::int64_t> items(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k)
      items[static_cast<std::size_t>(k)] = {order.OrderedNumber(key_at(k)), k};
    return items;
  } else {
    return RankItems(count, key_at, [&order](std::string_view key) { return order.RankText(key); });
  }
}

// Calls `body(items)` with CachedValues and returns true; returns false without calling it
// when a key cannot be ranked: its conversion fails (EOverflow, E_Format_Invalid) or the keys
// outgrow the cache. A sort then runs on the keys themselves and fails at the same step as
// without a cache. Anything else passes on: running out of memory is "Out of memory" here
// as everywhere.
template <class Order, class KeyAt, class Body>
bool WithCachedValues(const Order& order, int count, KeyAt key_at, Body body) {
  decltype(CachedValues(order, count, key_at)) items;
  try {
    items = CachedValues(order, count, key_at);
  } catch (const EOverflow&) {  // a number too large for the 6-byte real
    return false;
  } catch (const E_Format_Invalid&) {  // a date without the AM/PM marker its format needs
    return false;
  } catch (const ERankCacheFull&) {
    return false;
  }
  body(items);
  return true;
}

}  // namespace quillet
