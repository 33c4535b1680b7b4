#include "strgrid/mstrlist.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "runtime/collation.h"
#include "runtime/exceptions.h"
#include "runtime/real48.h"

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

// Cached comparison values of entries first.., exchanged alongside the entries.
template <class T>
class CachedPolicy {
 public:
  using Value = T;
  CachedPolicy(TmStrList& list, std::vector<T>& values, int first)
      : list_(list), values_(values), first_(first) {}
  Value ValueOf(int i) const { return values_[i - first_]; }
  int Compare(int i, Value p) const {
    const T v = values_[i - first_];
    return (v > p) - (v < p);
  }
  void Swap(int i, int j) {
    list_.ExchangeItems(i, j);
    std::swap(values_[i - first_], values_[j - first_]);
  }

 private:
  TmStrList& list_;
  std::vector<T>& values_;
  int first_;
};

// The objects as signed keys.
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

// Gives each distinct key text of the entries an id (open addressing on the key bytes) and
// remembers one entry per id.
class DistinctKeys {
 public:
  explicit DistinctKeys(const TmStrList& list) : list_(list), slots_(64) {}

  std::int32_t IdOf(int index) {
    const std::string_view key = EntryKey(list_, index);
    const auto hash = static_cast<std::uint32_t>(std::hash<std::string_view>{}(key));
    std::size_t s = hash & (slots_.size() - 1);
    for (; slots_[s].id >= 0; s = (s + 1) & (slots_.size() - 1)) {
      const Slot& slot = slots_[s];
      if (slot.hash == hash && EntryKey(list_, entries_[slot.id]) == key) return slot.id;
    }
    const auto id = static_cast<std::int32_t>(entries_.size());
    entries_.push_back(index);
    slots_[s] = {hash, id};
    if (entries_.size() * 2 > slots_.size()) Grow();
    return id;
  }
  // One entry index per id.
  std::vector<std::int32_t> TakeEntries() { return std::move(entries_); }

 private:
  struct Slot {  // 8 bytes: the table costs 16 to 32 bytes per distinct key
    std::uint32_t hash = 0;
    std::int32_t id = -1;
  };
  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.id < 0) continue;
      std::size_t s = slot.hash & (slots_.size() - 1);
      while (slots_[s].id >= 0) s = (s + 1) & (slots_.size() - 1);
      slots_[s] = slot;
    }
  }
  const TmStrList& list_;
  std::vector<Slot> slots_;
  std::vector<std::int32_t> entries_;
};

// Ranks 0, 1, ... of the distinct texts in the byte order of their derived texts; texts
// whose derived texts are equal share a rank.
template <class Derive>
std::vector<std::int32_t> RankDistinct(const TmStrList& list,
                                       const std::vector<std::int32_t>& entries,
                                       Derive derive) {
  std::string arena;
  std::vector<std::size_t> ends;
  ends.reserve(entries.size());
  for (const std::int32_t entry : entries) {
    arena += derive(EntryKey(list, entry));
    ends.push_back(arena.size());
  }
  auto derived = [&](std::int32_t id) {
    const std::size_t begin = id == 0 ? 0 : ends[id - 1];
    return std::string_view(arena).substr(begin, ends[id] - begin);
  };
  std::vector<std::int32_t> order(entries.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(),
            [&](std::int32_t a, std::int32_t b) { return derived(a) < derived(b); });
  std::vector<std::int32_t> rank_of(entries.size());
  std::int32_t rank = 0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (k > 0 && derived(order[k]) != derived(order[k - 1])) ++rank;
    rank_of[order[k]] = rank;
  }
  return rank_of;
}

// For entries first..last: equal ranks exactly for keys that compare equal, and rank order
// equal to key order, where `derive` maps a key to a text whose byte order is the key order.
template <class Derive>
std::vector<std::int32_t> BuildRanks(const TmStrList& list, int first, int last,
                                     Derive derive) {
  std::vector<std::int32_t> ids(static_cast<std::size_t>(last - first + 1));
  std::vector<std::int32_t> entries;
  {
    DistinctKeys distinct(list);
    for (int i = first; i <= last; ++i) ids[i - first] = distinct.IdOf(i);
    entries = distinct.TakeEntries();
  }
  const std::vector<std::int32_t> rank_of = RankDistinct(list, entries, derive);
  for (std::int32_t& id : ids) id = rank_of[id];
  return ids;
}

std::vector<std::int32_t> BuildRanksFor(const TmStrList& list, int first, int last) {
  if (list.KeyType() == TMSortType::soDate)
    return BuildRanks(list, first, last,
                      [&list](std::string_view key) { return list.DateKey(key); });
  return BuildRanks(list, first, last, [](std::string_view key) { return LocaleSortKey(key); });
}

std::vector<std::int64_t> NumericValues(const TmStrList& list, int first, int last) {
  std::vector<std::int64_t> values(static_cast<std::size_t>(last - first + 1));
  for (int i = first; i <= last; ++i)
    values[i - first] = OrderedValue(NumericKeyValue(EntryKey(list, i)));
  return values;
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

// Runs `body` with a cached policy over entries first..last when the cache can be built;
// otherwise (a key that does not convert, or no memory) with the uncached policy, which then
// raises at exactly the comparison where the classic steps would.
template <class Body>
void WithBestPolicy(TmStrList& list, int first, int last, Body body) {
  const TMSortType type = list.KeyType();
  if (last - first + 1 < kMinCachedRange || type == TMSortType::soStringCaseSensitive)
    return WithUncachedPolicy(list, body);
  if (type == TMSortType::soNumeric) {
    std::vector<std::int64_t> values;
    try {
      values = NumericValues(list, first, last);
    } catch (const std::exception&) {
      return WithUncachedPolicy(list, body);
    }
    CachedPolicy<std::int64_t> policy(list, values, first);
    return body(policy);
  }
  std::vector<std::int32_t> ranks;
  try {
    ranks = BuildRanksFor(list, first, last);
  } catch (const std::exception&) {
    return WithUncachedPolicy(list, body);
  }
  CachedPolicy<std::int32_t> policy(list, ranks, first);
  body(policy);
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
  TStrings::AddStrings(other);
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
  std::vector<Entry>().swap(entries_);
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
  WithBestPolicy(*this, left, right,
                 [&](auto& policy) { RunQuickSort(policy, left, right, descending); });
}

void TmStrList::SortRangeByObject(int left, int right) {
  CheckRange(left, right);
  if (left > right) return;
  ObjectPolicy policy(*this);
  RunQuickSort(policy, left, right, false);
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
  WithBestPolicy(*this, start, last,
                 [&](auto& policy) { RunEqualKeyRuns(policy, *this, start); });
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
