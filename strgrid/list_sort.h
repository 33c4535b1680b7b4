#pragma once
// The sort and search steps of the key list (strgrid/mstrlist.h), on whatever holds the
// values: a policy gives the value of a position, compares a position with a value and
// exchanges two positions.
//
// The partition sort: a pass over left..right takes the value of position (left + right)
// div 2 once as pivot P, scans i up past the values before P and j down past the values
// after P, exchanges i and j when i <= j (equal values too, so the order of equal values is
// the passes', not the input's) and repeats until the scans cross; then the left part is
// sorted, then the right part. The key list promises exactly these steps, so equal keys end
// where they put them, with or without a cache of comparison values.
//
// For speed a sort runs the same steps on a compact array of (value, position) pairs: the
// values are ranks or numbers cached once per sort (strgrid/distinct_keys.h), compared as
// plain integers, and the entries follow once at the end along the cycles of the resulting
// permutation.

#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

#include "strgrid/big_buffer.h"

namespace quillet {

// A cached comparison value and the offset of its entry from the start of the sorted range.
template <class T>
struct Ranked {
  T value;
  std::int32_t pos;
};
template <class T>
using RankedItems = std::vector<Ranked<T>, BigBufferAllocator<Ranked<T>>>;

// The cached values as a compact array whose first item stands for position `first`.
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

// One pass over left..right around the value of position (left + right) div 2. Leaves in i
// and j where the scans crossed.
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

// The partition sort of left..right. The recursion into the left part is kept on an
// explicit stack of pending right parts, in the same order, so that a long chain of
// unbalanced passes cannot exhaust the call stack.
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

// Calls `sort_run(first, last)` for every run of two or more adjacent positions from
// `start` to count - 1 whose values compare equal.
template <class Policy, class SortRun>
void ForEachEqualRun(const Policy& policy, int start, int count, SortRun sort_run) {
  int i = start;
  while (i < count - 1) {
    const typename Policy::Value v = policy.ValueOf(i);
    int j = i + 1;
    while (j <= count - 1 && policy.Compare(j, v) == 0) ++j;
    if (j - 1 > i) sort_run(i, j - 1);
    i = j;
  }
}

// Binary search over positions 0..count-1 in ascending order, `compare(i)` giving the sign
// of position i against the sought value. Returns whether an equal one was found; `index`
// gets where it stopped: with `first_of_equals` the first of several equal positions,
// otherwise the first equal position the halving meets; the insertion position when none.
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

}  // namespace quillet
