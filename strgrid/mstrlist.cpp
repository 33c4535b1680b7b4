#include "strgrid/mstrlist.h"

#include <algorithm>
#include <charconv>
#include <type_traits>
#include <utility>

#include "runtime/exceptions.h"
#include "strgrid/cycle_walk.h"
#include "strgrid/distinct_keys.h"
#include "strgrid/list_sort.h"

namespace quillet {

namespace {

// Below this many entries a sort compares converted keys directly; building a cache costs
// more than it saves.
constexpr int kMinCachedRange = 12;

// The list's slot growth (see mstrlist.h): by 16 above 8 slots, by 8 above 4, else by 4.
int GrownCapacity(int capacity) {
  if (capacity > 8) return capacity + 16;
  if (capacity > 4) return capacity + 8;
  return capacity + 4;
}

// The entries themselves, their keys converted by `order` on every comparison.
template <class Order>
class KeyPolicy {
 public:
  using Value = typename Order::Value;
  KeyPolicy(TmStrList& list, const Order& order) : list_(list), order_(order) {}
  Value ValueOf(int i) const { return order_.ValueOf(KeyAt(i)); }
  int Compare(int i, const Value& p) const { return order_.Compare(KeyAt(i), p); }
  void Swap(int i, int j) { list_.ExchangeItems(i, j); }

 private:
  std::string_view KeyAt(int i) const { return list_.KeyOf(list_.StringView(i)); }

  TmStrList& list_;
  const Order& order_;
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

template <class Compare>
int FirstMatch(int count, Compare compare) {
  for (int i = 0; i < count; ++i)
    if (compare(i) == 0) return i;
  return -1;
}

}  // namespace

// ---- Life and entries ------------------------------------------------------------------

TmStrList::TmStrList() = default;

TmStrList::~TmStrList() {
  OnChange = nullptr;
  OnChanging = nullptr;
}

void TmStrList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EListError::IndexOutOfBounds();
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
  if (sorted_) throw EListError::SortedListOperation();
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
    if (duplicates_ == dupError) throw EListError::DuplicatesNotAllowed();
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

void TmStrList::Insert(int index, const std::string& text) {
  if (sorted_) throw EListError::SortedListOperation();
  if (index < 0 || index > Count()) throw EListError::IndexOutOfBounds();
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

// ---- Bulk work ---------------------------------------------------------------------------

void TmStrList::AddStrings(const TStrings& other) {
  // Reserve the real storage once; Capacity() still follows the list's growth rule.
  entries_.reserve(entries_.size() + static_cast<std::size_t>(std::max(other.Count(), 0)));
  if (!sorted_ && StepsUnobserved()) return AppendQuietly(other);
  TStrings::AddStrings(other);
}

// What AddObject does for each entry of `other` when nothing observes the steps: append
// with object 0, grow Capacity by the list's rule, set the object. The storage is reserved,
// so reading `other` == *this stays valid while appending.
void TmStrList::AppendQuietly(const TStrings& other) {
  BeginUpdate();
  try {
    other.ForEachEntry([this](std::string_view text, std::intptr_t object) {
      const bool grow = Count() == capacity_;
      entries_.push_back(Entry{PackedText(text), static_cast<std::int32_t>(object)});
      if (grow) capacity_ = GrownCapacity(capacity_);
    });
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TmStrList::NumberEntries() {
  const int count = Count();
  if (!StepsUnobserved()) {
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
  if (sorted_ || !StepsUnobserved() || !TargetsValid(targets, count, base)) {
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
  } catch (const std::bad_alloc&) {  // no room for the index: write in step order instead
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

// The entries for WalkCycles, with their next reads requested ahead.
struct TmStrList::EntryMover {
  Entry* base;
  Entry Take(int i) noexcept { return std::move(base[i]); }
  void Put(int i, Entry&& entry) noexcept { base[i] = std::move(entry); }
  void Move(int from, int to) noexcept { base[to] = std::move(base[from]); }
  void Prefetch(int i) const noexcept {
    const char* bytes = reinterpret_cast<const char*>(base + i);
    __builtin_prefetch(bytes);
    __builtin_prefetch(bytes + sizeof(Entry) - 1);
  }
};

template <class Items>
void TmStrList::PermuteEntries(int first, Items& items) noexcept {
  EntryMover mover{entries_.data() + first};
  WalkCycles(static_cast<int>(items.size()), [&items](int k) -> std::int32_t& { return items[k].pos; },
             mover, TCycleShape::kPermutation);
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

// ---- Search ------------------------------------------------------------------------------

bool TmStrList::Find(const std::string& text, int& index) const {
  const int count = Count();
  const bool first_of_equals = duplicates_ == dupAccept;
  if (count == 0) return BinarySearch(0, first_of_equals, index, [](int) { return 0; });
  return VisitKeyOrder(key_type_, &date_format_, [&](const auto& order) {
    const auto sought = order.ValueOf(text);
    return BinarySearch(count, first_of_equals, index,
                        [&](int i) { return FindCompare(order, KeyAt(i), sought); });
  });
}

int TmStrList::IndexOf(const std::string& text) const {
  if (sorted_) {
    int index = 0;
    return Find(text, index) ? index : -1;
  }
  const int count = Count();
  if (count == 0) return -1;
  return VisitKeyOrder(key_type_, &date_format_, [&](const auto& order) {
    const auto sought = order.ValueOf(text);
    return FirstMatch(count, [&](int i) { return order.Compare(KeyAt(i), sought); });
  });
}

// ---- Sorting ---------------------------------------------------------------------------

// The callers have checked first..last, so the keys are read without a second check.
template <class Order, class Body>
bool TmStrList::WithCachedItems(const Order& order, int first, int last, Body body) const {
  if (last - first + 1 < kMinCachedRange) return false;
  const auto key_at = [this, first](int k) { return KeyAt(first + k); };
  return WithCachedValues(order, last - first + 1, key_at, body);
}

template <class Order>
void TmStrList::QuickSortBy(const Order& order, int left, int right) {
  const bool descending = sort_descending_;
  const bool cached = WithCachedItems(order, left, right, [&](auto& items) {
    CompactPolicy policy(items, left);
    RunQuickSort(policy, left, right, descending);
    PermuteEntries(left, items);
  });
  if (cached) return;
  KeyPolicy policy(*this, order);
  RunQuickSort(policy, left, right, descending);
}

void TmStrList::QuickSort(int left, int right) {
  CheckRange(left, right);
  if (left > right) return;
  VisitKeyOrder(key_type_, &date_format_,
                [&](const auto& order) { QuickSortBy(order, left, right); });
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

// The run is found by value, as the numeric order compares; it is then ordered by the
// locale text order, since every text without a number at its front reads as zero.
void TmStrList::SortZeroRun() {
  const TNumericOrder numbers;
  const auto is_zero = [&](int i) { return numbers.ValueOf(KeyAt(i)).IsZero(); };
  const int count = Count();
  int first = std::max(start_index_, 0);
  while (first < count && !is_zero(first)) ++first;
  if (first >= count) return;
  int end = first + 1;
  while (end < count && is_zero(end)) ++end;
  if (end - first < 2) return;
  QuickSortBy(TLocaleTextOrder{}, first, end - 1);
}

template <class Order>
void TmStrList::OrderEqualKeyRunsBy(const Order& order, int start) {
  const int count = Count();
  const auto sort_run = [this](int first, int last) { SortRangeByObject(first, last); };
  const bool cached = WithCachedItems(order, start, count - 1, [&](auto& items) {
    const CompactPolicy policy(items, start);  // the runs only reorder entries of equal value
    ForEachEqualRun(policy, start, count, sort_run);
  });
  if (!cached) ForEachEqualRun(KeyPolicy(*this, order), start, count, sort_run);
}

void TmStrList::OrderEqualKeyRuns() {
  const int start = std::max(start_index_, 0);
  if (start >= Count() - 1) return;
  VisitKeyOrder(key_type_, &date_format_,
                [&](const auto& order) { OrderEqualKeyRunsBy(order, start); });
}

void TmStrList::SortMovable() {
  const int left = std::max(start_index_, 0);
  const int right = Count() - 1;
  if (left > right) return;
  VisitKeyOrder(key_type_, &date_format_, [&](const auto& order) {
    QuickSortBy(order, left, right);
    if constexpr (std::decay_t<decltype(order)>::kZerosSortAsText) SortZeroRun();
  });
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
