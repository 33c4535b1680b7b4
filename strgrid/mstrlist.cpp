#include "strgrid/mstrlist.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <numeric>
#include <stdexcept>
#include <typeinfo>
#include <utility>

#include "runtime/collation.h"
#include "runtime/exceptions.h"
#include "runtime/real48.h"
#include "strgrid/cycle_walk.h"
#include "strgrid/string_grid.h"

namespace quillet {

namespace {

const char kIndexError[] = "List index out of bounds";
const char kSortedError[] = "Operation not allowed on sorted string list";
const char kDuplicateError[] = "String list does not allow duplicates";

// Below this many entries a sort compares converted keys directly; building a cache costs
// more than it saves.
constexpr int kMinCachedRange = 12;

int SignOf(int value) { return (value > 0) - (value < 0); }

int CompareBytes(std::string_view a, std::string_view b) { return SignOf(a.compare(b)); }

// The classic slot growth: by 16 above 8 slots, by 8 above 4, else by 4.
int GrownCapacity(int capacity) {
  if (capacity > 8) return capacity + 16;
  if (capacity > 4) return capacity + 8;
  return capacity + 4;
}

// A 64-bit integer whose order is the order of the 6-byte real's values (all zeros equal):
// the magnitude is exponent byte then the 39 stored mantissa bits, the sign applied.
std::int64_t OrderedValue(const Real48& value) {
  const auto& bytes = value.Bytes();
  if (bytes[0] == 0) return 0;
  std::uint64_t mantissa = 0;
  for (int k = 5; k >= 1; --k) mantissa = (mantissa << 8) | bytes[k];
  const bool negative = ((mantissa >> 39) & 1) != 0;
  mantissa &= (std::uint64_t{1} << 39) - 1;
  const auto magnitude = static_cast<std::int64_t>((std::uint64_t{bytes[0]} << 39) | mantissa);
  return negative ? -magnitude : magnitude;
}

// The order of two 6-byte reals as -1, 0 or 1 (Compare is found through its argument type).
int CompareReals(const Real48& a, const Real48& b) { return SignOf(Compare(a, b)); }

std::string_view EntryKey(const TmStrList& list, int index) {
  return list.KeyOf(list.StringView(index));
}

// ---- Comparison policies: the comparison value of an entry, the comparison of an entry
// with a value, and the exchange of two entries (with whatever travels alongside). -------

// soString without cache: the locale comparison on the cut key, every time.
class LocalePolicy {
 public:
  using Value = std::string;
  explicit LocalePolicy(TmStrList& list) : list_(list) {}
  Value ValueOf(int i) const { return std::string(EntryKey(list_, i)); }
  int Compare(int i, const Value& p) const {
    return SignOf(CompareLocaleIgnoreCase(EntryKey(list_, i), p));
  }
  void Swap(int i, int j) { list_.ExchangeItems(i, j); }

 private:
  TmStrList& list_;
};

// soStringCaseSensitive: bytes of the cut key.
class BytesPolicy {
 public:
  using Value = std::string;
  explicit BytesPolicy(TmStrList& list) : list_(list) {}
  Value ValueOf(int i) const { return std::string(EntryKey(list_, i)); }
  int Compare(int i, const Value& p) const { return CompareBytes(EntryKey(list_, i), p); }
  void Swap(int i, int j) { list_.ExchangeItems(i, j); }

 private:
  TmStrList& list_;
};

// soNumeric without cache: the key converted to a 6-byte real for every comparison.
class NumericPolicy {
 public:
  using Value = Real48;
  explicit NumericPolicy(TmStrList& list) : list_(list) {}
  Value ValueOf(int i) const { return NumericKeyValue(EntryKey(list_, i)); }
  int Compare(int i, const Value& p) const { return CompareReals(ValueOf(i), p); }
  void Swap(int i, int j) { list_.ExchangeItems(i, j); }

 private:
  TmStrList& list_;
};

// soDate without cache: the date key of the cut key for every comparison.
class DatePolicy {
 public:
  using Value = std::string;
  explicit DatePolicy(TmStrList& list) : list_(list) {}
  Value ValueOf(int i) const { return list_.DateKey(EntryKey(list_, i)); }
  int Compare(int i, const Value& p) const { return CompareBytes(ValueOf(i), p); }
  void Swap(int i, int j) { list_.ExchangeItems(i, j); }

 private:
  TmStrList& list_;
};

// A cached comparison value and the offset of its entry from the start of the sorted range.
template <class T>
struct Ranked {
  T value;
  std::int32_t pos;
};
template <class T>
using RankedItems = std::vector<Ranked<T>, BigBufferAllocator<Ranked<T>>>;

// The cached values as a compact array: the sort exchanges (value, offset) pairs, and the
// entries follow once at the end (TmStrList::PermuteEntries).
template <class T>
class CompactPolicy {
 public:
  using Value = T;
  CompactPolicy(RankedItems<T>& items, int first) : items_(items.data()), first_(first) {}
  Value ValueOf(int i) const { return items_[i - first_].value; }
  int Compare(int i, Value p) const {
    const T v = items_[i - first_].value;
    return (v > p) - (v < p);
  }
  void Swap(int i, int j) { std::swap(items_[i - first_], items_[j - first_]); }
  Ranked<T>* Items() const { return items_; }
  int First() const { return first_; }

 private:
  Ranked<T>* items_;
  int first_;
};

// The objects as signed keys, exchanging the entries themselves (for short ranges).
class ObjectPolicy {
 public:
  using Value = std::int32_t;
  explicit ObjectPolicy(TmStrList& list) : list_(list) {}
  Value ValueOf(int i) const { return list_.Objects(i); }
  int Compare(int i, Value p) const {
    const std::int32_t v = list_.Objects(i);
    return (v > p) - (v < p);
  }
  void Swap(int i, int j) { list_.ExchangeItems(i, j); }

 private:
  TmStrList& list_;
};

// ---- The partition sort ------------------------------------------------------------------

// One pass over left..right around the value of entry (left + right) div 2. Leaves in i and
// j where the scans crossed.
template <class Policy>
void Partition(Policy& policy, int left, int right, bool descending, int& i, int& j) {
  i = left;
  j = right;
  const typename Policy::Value p = policy.ValueOf(left + (right - left) / 2);
  const int before = descending ? 1 : -1;  // the comparison result that belongs before P
  do {
    while (policy.Compare(i, p) == before) ++i;
    while (policy.Compare(j, p) == -before) --j;
    if (i <= j) {
      policy.Swap(i, j);
      ++i;
      --j;
    }
  } while (i <= j);
}

// The same pass on a compact array (offsets i, j from its start), with plain comparisons.
template <bool kDescending, class T>
void PartitionItems(Ranked<T>* items, int& i, int& j) {
  const T p = items[i + (j - i) / 2].value;
  do {
    if constexpr (kDescending) {
      while (items[i].value > p) ++i;
      while (items[j].value < p) --j;
    } else {
      while (items[i].value < p) ++i;
      while (items[j].value > p) --j;
    }
    if (i <= j) {
      std::swap(items[i], items[j]);
      ++i;
      --j;
    }
  } while (i <= j);
}

template <class T>
void Partition(CompactPolicy<T>& policy, int left, int right, bool descending, int& i, int& j) {
  const int first = policy.First();
  i = left - first;
  j = right - first;
  if (descending)
    PartitionItems<true>(policy.Items(), i, j);
  else
    PartitionItems<false>(policy.Items(), i, j);
  i += first;
  j += first;
}

// The classic sort: partition, sort the left part, then go on with the right part. The
// recursion into the left part is kept on an explicit stack of pending right parts, in
// the same order, so that a long chain of unbalanced passes cannot exhaust the call stack.
template <class Policy>
void RunQuickSort(Policy& policy, int left, int right, bool descending) {
  std::vector<std::pair<int, int>> pending;
  for (;;) {
    int i = 0;
    int j = 0;
    Partition(policy, left, right, descending, i, j);
    const bool right_remains = i < right;
    if (left < j) {
      if (right_remains) pending.emplace_back(i, right);
      right = j;
      continue;
    }
    if (right_remains) {
      left = i;
      continue;
    }
    if (pending.empty()) return;
    std::tie(left, right) = pending.back();
    pending.pop_back();
  }
}

// Reorders every run of adjacent entries that compare equal by ascending object.
template <class Policy>
void RunEqualKeyRuns(Policy& policy, TmStrList& list, int start) {
  const int count = list.Count();
  int i = start;
  while (i < count - 1) {
    const typename Policy::Value v = policy.ValueOf(i);
    int j = i + 1;
    while (j <= count - 1 && policy.Compare(j, v) == 0) ++j;
    if (j - 1 > i) list.SortRangeByObject(i, j - 1);
    i = j;
  }
}

// ---- Equivalence ranks -------------------------------------------------------------------

// A fast 64-bit hash of a key's bytes (eight at a time).
std::uint64_t HashKey(std::string_view key) {
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
  for (std::size_t k = 0; k < n; ++k) tail |= std::uint64_t{static_cast<unsigned char>(p[k])} << (8 * k);
  h = (h ^ tail) * kMul;
  return h ^ (h >> 29);
}

// Gives each distinct key text an id 0, 1, ... (open addressing, at most 3/4 full) and
// keeps a copy of each distinct text in a compact arena, so that confirming a match reads
// that small arena instead of a far-away entry of the list.
// Throws std::length_error past 4 GiB of distinct key text, std::bad_alloc without memory.
class DistinctKeys {
 public:
  DistinctKeys() : slots_(1024) {}

  std::int32_t IdOf(std::string_view key) {
    const auto hash = static_cast<std::uint32_t>(HashKey(key) >> 32);
    const std::size_t mask = slots_.size() - 1;
    std::size_t s = hash & mask;
    for (; slots_[s].id >= 0; s = (s + 1) & mask) {
      const Slot& slot = slots_[s];
      if (slot.hash == hash && Text(slot.id) == key) return slot.id;
    }
    return AddKey(key, hash, s);
  }
  std::int32_t Count() const { return static_cast<std::int32_t>(ends_.size()); }
  std::string_view Text(std::int32_t id) const {
    const std::uint32_t begin = id == 0 ? 0 : ends_[id - 1];
    return std::string_view(arena_).substr(begin, ends_[id] - begin);
  }
  std::size_t TextBytes() const { return arena_.size(); }
  // Frees the lookup table; Text stays usable.
  void ReleaseTable() { std::vector<Slot>().swap(slots_); }

 private:
  struct Slot {  // 8 bytes: the table costs 11 to 22 bytes per distinct key
    std::uint32_t hash = 0;
    std::int32_t id = -1;
  };
  std::int32_t AddKey(std::string_view key, std::uint32_t hash, std::size_t slot) {
    if (arena_.size() + key.size() > UINT32_MAX) throw std::length_error("sort keys too long");
    const auto id = static_cast<std::int32_t>(ends_.size());
    arena_.append(key);
    ends_.push_back(static_cast<std::uint32_t>(arena_.size()));
    slots_[slot] = {hash, id};
    if (ends_.size() * 4 > slots_.size() * 3) Grow();
    return id;
  }
  void Grow() {
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
  std::vector<Slot> slots_;
  std::string arena_;
  std::vector<std::uint32_t> ends_;
};

// The derived texts of the distinct keys, in id order, in one arena with 32-bit ends.
// Throws std::length_error past 4 GiB of derived text.
class DerivedArena {
 public:
  template <class Derive>
  DerivedArena(const DistinctKeys& keys, Derive derive) {
    const std::int32_t count = keys.Count();
    const std::size_t key_bytes = keys.TextBytes();
    arena_.reserve(key_bytes + key_bytes / 2 + 4 * static_cast<std::size_t>(count));
    ends_.reserve(static_cast<std::size_t>(count));
    for (std::int32_t id = 0; id < count; ++id) {
      arena_ += derive(keys.Text(id));
      if (arena_.size() > UINT32_MAX) throw std::length_error("sort keys too long");
      ends_.push_back(static_cast<std::uint32_t>(arena_.size()));
    }
  }
  std::string_view Text(std::int32_t id) const {
    const std::uint32_t begin = id == 0 ? 0 : ends_[id - 1];
    return std::string_view(arena_).substr(begin, ends_[id] - begin);
  }

 private:
  std::string arena_;
  std::vector<std::uint32_t> ends_;
};

// The rank 0, 1, ... of each distinct key (by id) in the byte order of its derived text;
// keys whose derived texts are equal share a rank.
template <class Derive>
std::vector<std::int32_t> RankDistinct(const DistinctKeys& keys, Derive derive) {
  std::vector<std::int32_t> order(static_cast<std::size_t>(keys.Count()));
  std::iota(order.begin(), order.end(), 0);
  const DerivedArena derived(keys, derive);
  std::sort(order.begin(), order.end(), [&derived](std::int32_t a, std::int32_t b) {
    return derived.Text(a) < derived.Text(b);
  });
  std::vector<std::int32_t> rank_of(order.size());
  std::int32_t rank = 0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (k > 0 && derived.Text(order[k]) != derived.Text(order[k - 1])) ++rank;
    rank_of[order[k]] = rank;
  }
  return rank_of;
}

// (rank, offset) for entries first..last: equal ranks exactly for keys that compare equal,
// rank order equal to key order, where `derive` maps a key to a text whose byte order is
// the key order.
template <class Derive>
RankedItems<std::int32_t> RankItems(const TmStrList& list, int first, int last,
                                            Derive derive) {
  RankedItems<std::int32_t> items;
  items.reserve(static_cast<std::size_t>(last - first + 1));
  std::vector<std::int32_t> rank_of;
  {
    DistinctKeys distinct;
    for (int i = first; i <= last; ++i)
      items.push_back({distinct.IdOf(list.KeyOf(list.StringView(i))), i - first});
    distinct.ReleaseTable();
    rank_of = RankDistinct(distinct, derive);
  }
  for (Ranked<std::int32_t>& item : items) item.value = rank_of[item.value];
  return items;
}

RankedItems<std::int32_t> RankItemsFor(const TmStrList& list, int first, int last) {
  switch (list.KeyType()) {
    case TMSortType::soDate:
      return RankItems(list, first, last,
                       [&list](std::string_view key) { return list.DateKey(key); });
    case TMSortType::soStringCaseSensitive:  // unsigned bytes: the key is its own sort key
      return RankItems(list, first, last, [](std::string_view key) { return key; });
    default:
      return RankItems(list, first, last,
                       [](std::string_view key) { return LocaleSortKey(key); });
  }
}

RankedItems<std::int64_t> NumericItems(const TmStrList& list, int first, int last) {
  RankedItems<std::int64_t> items;
  items.reserve(static_cast<std::size_t>(last - first + 1));
  for (int i = first; i <= last; ++i)
    items.push_back({OrderedValue(NumericKeyValue(EntryKey(list, i))), i - first});
  return items;
}

// Runs `body` with a policy for the list's key type that converts keys on every comparison.
template <class Body>
void WithUncachedPolicy(TmStrList& list, Body body) {
  switch (list.KeyType()) {
    case TMSortType::soString: {
      LocalePolicy policy(list);
      return body(policy);
    }
    case TMSortType::soStringCaseSensitive: {
      BytesPolicy policy(list);
      return body(policy);
    }
    case TMSortType::soNumeric: {
      NumericPolicy policy(list);
      return body(policy);
    }
    case TMSortType::soDate: {
      DatePolicy policy(list);
      return body(policy);
    }
  }
}

// Calls `body` with the cached comparison values of entries first..last as (value, offset)
// items in entry order and returns true; returns false without calling it when the values
// cannot be built (a key that does not convert, or no memory) or the range is short.
template <class Body>
bool WithCachedItems(const TmStrList& list, int first, int last, Body body) {
  if (last - first + 1 < kMinCachedRange) return false;
  if (list.KeyType() == TMSortType::soNumeric) {
    RankedItems<std::int64_t> items;
    try {
      items = NumericItems(list, first, last);
    } catch (const std::exception&) {
      return false;
    }
    body(items);
    return true;
  }
  RankedItems<std::int32_t> items;
  try {
    items = RankItemsFor(list, first, last);
  } catch (const std::exception&) {
    return false;
  }
  body(items);
  return true;
}

}  // namespace

// ---- Life and entries ------------------------------------------------------------------

TmStrList::TmStrList() = default;

TmStrList::~TmStrList() {
  OnChange = nullptr;
  OnChanging = nullptr;
}

void TmStrList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EListError(kIndexError);
}

void TmStrList::CheckRange(int left, int right) const {
  if (left > right) return;
  CheckIndex(left);
  CheckIndex(right);
}

std::string_view TmStrList::StringView(int index) const {
  CheckIndex(index);
  return entries_[index].text.View();
}

std::string TmStrList::Get(int index) const { return std::string(StringView(index)); }

std::int32_t TmStrList::Objects(int index) const {
  CheckIndex(index);
  return entries_[index].object;
}

std::intptr_t TmStrList::GetObject(int index) const { return Objects(index); }

void TmStrList::SetObjects(int index, std::int32_t object) {
  CheckIndex(index);
  Changing();
  entries_[index].object = object;
  Changed();
}

void TmStrList::PutObject(int index, std::intptr_t object) {
  SetObjects(index, static_cast<std::int32_t>(object));
}

void TmStrList::Put(int index, const std::string& text) {
  if (sorted_) throw EListError(kSortedError);
  CheckIndex(index);
  Changing();
  entries_[index].text.Assign(text);
  Changed();
}

void TmStrList::InsertItem(int index, const std::string& text) {
  Changing();
  const bool grow = Count() == capacity_;
  entries_.insert(entries_.begin() + index, Entry{PackedText(text), 0});
  if (grow) capacity_ = GrownCapacity(capacity_);
  Changed();
}

int TmStrList::Add(const std::string& text) {
  int index = Count();
  if (sorted_ && Find(text, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) throw EListError(kDuplicateError);
  }
  InsertItem(index, text);
  return index;
}

int TmStrList::AddObject(const std::string& text, std::int32_t object) {
  const int index = Add(text);
  SetObjects(index, object);
  return index;
}

int TmStrList::AddObject(const std::string& text, std::intptr_t object) {
  return AddObject(text, static_cast<std::int32_t>(object));
}

void TmStrList::AddStrings(const TStrings& other) {
  // Reserve the real storage once; Capacity() still follows the classic rule.
  entries_.reserve(entries_.size() + static_cast<std::size_t>(std::max(other.Count(), 0)));
  if (!sorted_ && Quiet()) return AppendQuietly(other);
  TStrings::AddStrings(other);
}

bool TmStrList::Quiet() const {
  return !OnChange && !OnChanging && typeid(*this) == typeid(TmStrList);
}

// What AddObject does for each entry of `other` when nothing observes the steps: append
// with object 0, grow Capacity by the classic rule, set the object. The storage is
// reserved, so reading `other` == *this stays valid while appending.
void TmStrList::AppendQuietly(const TStrings& other) {
  BeginUpdate();
  try {
    auto append = [this](std::string_view text, std::intptr_t object) {
      const bool grow = Count() == capacity_;
      entries_.push_back(Entry{PackedText(text), static_cast<std::int32_t>(object)});
      if (grow) capacity_ = GrownCapacity(capacity_);
    };
    if (const auto* line = dynamic_cast<const TStringGridLine*>(&other)) {
      line->ForEachEntry(append);
    } else {
      const int count = other.Count();
      for (int i = 0; i < count; ++i) append(other.Strings(i), other.Objects(i));
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TmStrList::NumberEntries() {
  const int count = Count();
  if (!Quiet()) {
    for (int i = 0; i < count; ++i) SetObjects(i, i);
    return;
  }
  for (int i = 0; i < count; ++i) entries_[i].object = i;
}

bool TmStrList::TargetsValid(const std::int32_t* targets, int count, int base) const {
  for (int i = 0; i < count; ++i) {
    const std::int64_t entry = std::int64_t{base} + targets[i];
    if (entry < 0 || entry >= Count()) return false;
  }
  return true;
}

void TmStrList::StorePositions(const std::int32_t* targets, int count, int base) {
  if (count <= 0) return;
  if (sorted_ || !Quiet() || !TargetsValid(targets, count, base)) {
    for (int i = 0; i < count; ++i) {  // the steps one by one, raising where they do
      SetObjects(base + targets[i], i);
      SetStrings(base + targets[i], std::to_string(i));
    }
    return;
  }
  // The steps without their notifications: the last step that names an entry decides its
  // object and text, so the step of each entry is found first (a small array written in
  // random order) and the entries are then written in index order.
  std::vector<std::int32_t, BigBufferAllocator<std::int32_t>> step_of;
  try {
    step_of.assign(entries_.size(), -1);
  } catch (const std::bad_alloc&) {
    return StoreInStepOrder(targets, count, base);
  }
  for (int i = 0; i < count; ++i) step_of[base + targets[i]] = i;
  char digits[16];
  for (std::size_t e = 0; e < step_of.size(); ++e) {
    const std::int32_t i = step_of[e];
    if (i < 0) continue;
    entries_[e].object = i;
    const auto end = std::to_chars(digits, digits + sizeof digits, i).ptr;
    entries_[e].text.Assign(std::string_view(digits, static_cast<std::size_t>(end - digits)));
  }
}

void TmStrList::StoreInStepOrder(const std::int32_t* targets, int count, int base) {
  constexpr int kAhead = 16;  // the next targets are requested ahead
  char digits[16];
  for (int i = 0; i < count; ++i) {
    if (i + kAhead < count) __builtin_prefetch(&entries_[base + targets[i + kAhead]], 1);
    Entry& entry = entries_[base + targets[i]];
    entry.object = i;
    const auto end = std::to_chars(digits, digits + sizeof digits, i).ptr;
    entry.text.Assign(std::string_view(digits, static_cast<std::size_t>(end - digits)));
  }
}

template <class Items>
void TmStrList::PermuteEntries(int first, Items& items) noexcept {
  struct Mover {
    Entry* base;
    Entry Take(int i) { return std::move(base[i]); }
    void Put(int i, Entry&& entry) { base[i] = std::move(entry); }
    void Move(int from, int to) { base[to] = std::move(base[from]); }
    void Prefetch(int i) {
      const char* bytes = reinterpret_cast<const char*>(base + i);
      __builtin_prefetch(bytes);
      __builtin_prefetch(bytes + sizeof(Entry) - 1);
    }
  } mover{entries_.data() + first};
  auto from = [&items](int k) -> std::int32_t& { return items[k].pos; };
  try {
    PermuteInPlace(static_cast<int>(items.size()), from, mover);
  } catch (const std::bad_alloc&) {  // thrown before any entry moved: walk cycle by cycle
    const int count = static_cast<int>(items.size());
    for (int start = 0; start < count; ++start) {
      if (from(start) == start) continue;
      Entry aside = mover.Take(start);
      int i = start;
      for (int j = from(i); j != start; i = j, j = from(i)) {
        from(i) = i;
        mover.Move(j, i);
      }
      from(i) = i;
      mover.Put(i, std::move(aside));
    }
  }
}

void TmStrList::Insert(int index, const std::string& text) {
  if (sorted_) throw EListError(kSortedError);
  if (index < 0 || index > Count()) throw EListError(kIndexError);
  InsertItem(index, text);
}

void TmStrList::Delete(int index) {
  CheckIndex(index);
  Changing();
  entries_.erase(entries_.begin() + index);
  Changed();
}

void TmStrList::SwapEntries(int index1, int index2) noexcept {
  if (index1 == index2) return;
  Entry& a = entries_[index1];
  Entry& b = entries_[index2];
  swap(a.text, b.text);
  std::swap(a.object, b.object);
}

void TmStrList::ExchangeItems(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  SwapEntries(index1, index2);
}

void TmStrList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  SwapEntries(index1, index2);
  Changed();
}

void TmStrList::Clear() {
  if (entries_.empty()) return;
  Changing();
  decltype(entries_)().swap(entries_);
  capacity_ = 0;
  Changed();
}

// ---- Notifications ---------------------------------------------------------------------

void TmStrList::Changing() {
  if (OnChanging) OnChanging(*this);
}

void TmStrList::Changed() {
  if (OnChange) OnChange(*this);
}

void TmStrList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

// ---- Keys and search -------------------------------------------------------------------

std::string_view TmStrList::KeyOf(std::string_view text) const {
  const auto start = static_cast<std::size_t>(key_pos_) - 1;
  if (start >= text.size()) return {};
  return text.substr(start, static_cast<std::size_t>(key_len_));
}

namespace {

// The classic binary search with `compare(i)` giving the sign of entry i against the sought
// value.
template <class Compare>
bool BinarySearch(int count, bool first_of_equals, int& index, Compare compare) {
  int low = 0;
  int high = count - 1;
  bool found = false;
  while (low <= high) {
    const int i = low + (high - low) / 2;
    const int c = compare(i);
    if (c < 0) {
      low = i + 1;
    } else {
      high = i - 1;
      if (c == 0) {
        found = true;
        if (!first_of_equals) low = i;
      }
    }
  }
  index = low;
  return found;
}

int NumericSign(const Real48& value) { return value.IsZero() ? 0 : CompareReals(value, Real48()); }

}  // namespace

bool TmStrList::Find(const std::string& text, int& index) const {
  const int count = Count();
  const bool first_of_equals = duplicates_ == dupAccept;
  if (count == 0) return BinarySearch(0, first_of_equals, index, [](int) { return 0; });
  switch (key_type_) {
    case TMSortType::soString:
      return BinarySearch(count, first_of_equals, index, [&](int i) {
        return SignOf(CompareLocaleIgnoreCase(KeyAt(i), text));
      });
    case TMSortType::soStringCaseSensitive:
      return BinarySearch(count, first_of_equals, index,
                          [&](int i) { return CompareBytes(KeyAt(i), text); });
    case TMSortType::soNumeric: {
      const Real48 sought = NumericKeyValue(text);
      return BinarySearch(count, first_of_equals, index, [&](int i) {
        return NumericSign(Subtract(NumericKeyValue(KeyAt(i)), sought));
      });
    }
    case TMSortType::soDate: {
      const std::string sought = DateKey(text);
      return BinarySearch(count, first_of_equals, index,
                          [&](int i) { return CompareBytes(DateKey(KeyAt(i)), sought); });
    }
  }
  return false;
}

namespace {

template <class Equal>
int FirstMatch(int count, Equal equal) {
  for (int i = 0; i < count; ++i)
    if (equal(i)) return i;
  return -1;
}

}  // namespace

int TmStrList::IndexOf(const std::string& text) const {
  if (sorted_) {
    int index = 0;
    return Find(text, index) ? index : -1;
  }
  const int count = Count();
  if (count == 0) return -1;
  switch (key_type_) {
    case TMSortType::soString:
      return FirstMatch(count,
                        [&](int i) { return CompareLocaleIgnoreCase(KeyAt(i), text) == 0; });
    case TMSortType::soStringCaseSensitive:
      return FirstMatch(count, [&](int i) { return KeyAt(i) == text; });
    case TMSortType::soNumeric: {
      const Real48 sought = NumericKeyValue(text);
      return FirstMatch(count, [&](int i) { return NumericKeyValue(KeyAt(i)) == sought; });
    }
    case TMSortType::soDate: {
      const std::string sought = DateKey(text);
      return FirstMatch(count, [&](int i) { return DateKey(KeyAt(i)) == sought; });
    }
  }
  return -1;
}

// ---- Sorting ---------------------------------------------------------------------------

void TmStrList::QuickSort(int left, int right) {
  CheckRange(left, right);
  if (left > right) return;
  const bool descending = sort_descending_;
  const bool cached = WithCachedItems(*this, left, right, [&](auto& items) {
    CompactPolicy policy(items, left);
    RunQuickSort(policy, left, right, descending);
    PermuteEntries(left, items);
  });
  if (cached) return;
  WithUncachedPolicy(*this,
                     [&](auto& policy) { RunQuickSort(policy, left, right, descending); });
}

void TmStrList::SortRangeByObject(int left, int right) {
  CheckRange(left, right);
  if (left > right) return;
  if (right - left + 1 < kMinCachedRange) {
    ObjectPolicy policy(*this);
    return RunQuickSort(policy, left, right, false);
  }
  RankedItems<std::int32_t> items;
  items.reserve(static_cast<std::size_t>(right - left + 1));
  for (int i = left; i <= right; ++i) items.push_back({entries_[i].object, i - left});
  CompactPolicy policy(items, left);
  RunQuickSort(policy, left, right, false);
  PermuteEntries(left, items);
}

void TmStrList::SortZeroRun() {
  const int count = Count();
  int first = std::max(start_index_, 0);
  while (first < count && !NumericKeyValue(KeyAt(first)).IsZero()) ++first;
  if (first >= count) return;
  int end = first + 1;
  while (end < count && NumericKeyValue(KeyAt(end)).IsZero()) ++end;
  if (end - first < 2) return;
  key_type_ = TMSortType::soString;
  try {
    QuickSort(first, end - 1);
  } catch (...) {
    key_type_ = TMSortType::soNumeric;
    throw;
  }
  key_type_ = TMSortType::soNumeric;
}

void TmStrList::OrderEqualKeyRuns() {
  const int start = std::max(start_index_, 0);
  const int last = Count() - 1;
  if (start >= last) return;
  const bool cached = WithCachedItems(*this, start, last, [&](auto& items) {
    CompactPolicy policy(items, start);  // the runs only reorder entries of equal value
    RunEqualKeyRuns(policy, *this, start);
  });
  if (cached) return;
  WithUncachedPolicy(*this, [&](auto& policy) { RunEqualKeyRuns(policy, *this, start); });
}

void TmStrList::SortMovable() {
  const int left = std::max(start_index_, 0);
  const int right = Count() - 1;
  if (left > right) return;
  QuickSort(left, right);
  if (key_type_ == TMSortType::soNumeric) SortZeroRun();
}

void TmStrList::Sort() {
  if (sorted_ || Count() <= 1) return;
  Changing();
  SortMovable();
  Changed();
}

void TmStrList::SetSorted(bool value) {
  if (value == sorted_) return;
  if (value) Sort();
  sorted_ = value;
}

void TmStrList::ResortIfSorted() {
  if (!sorted_ || Count() <= 1) return;
  Changing();
  SortMovable();
  Changed();
}

void TmStrList::SetKeyType(TMSortType value) {
  if (value == key_type_) return;
  key_type_ = value;
  ResortIfSorted();
}

void TmStrList::SetKeyPos(std::int32_t value) {
  if (value == key_pos_) return;
  key_pos_ = std::max(value, 1);
  ResortIfSorted();
}

void TmStrList::SetKeyLen(std::int32_t value) {
  if (value == key_len_) return;
  key_len_ = std::max(value, 1);
  ResortIfSorted();
}

}  // namespace quillet
