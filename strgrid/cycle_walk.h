#pragma once
// PermuteInPlace: moves the items of an indexed store along the cycles of a permutation,
// in place. Used for the key list's entries after a sort and for a grid column's cells.
//
// Walking one cycle is a chain of dependent memory reads (the next position is known only
// once the present one is read), so a long cycle over a large store waits for memory at
// every step. Here every kCycleCut-th position of a cycle is a cut: its item is held aside
// first, which splits the cycle into independent segments, and kCycleWalkers segments are
// walked side by side with their next reads requested ahead. Cycles that contain no cut
// are walked afterwards, one at a time, as usual. The result is the same as walking each
// cycle on its own: every item that changes place is moved exactly once.

#include <cstdint>
#include <utility>
#include <vector>

namespace quillet {

inline constexpr int kCycleCut = 64;
inline constexpr int kCycleWalkers = 16;

// Moves the items so that the item that stood at from(i) ends at i, for every i in
// 0..count-1. Needs: the values from(0..count-1) are a permutation of 0..count-1; from(i)
// returns a reference that may be written. Items with from(i) == i are not touched;
// afterwards from(i) == i for every i.
// `ops` provides: `Item Take(int i)` (the item at i, leaving i empty), `void Put(int i,
// Item&& item)` and `void Move(int from, int to)` (into the empty place i or `to`), and
// `void Prefetch(int i)` (a hint that the item at i is read soon).
// Throws std::bad_alloc before any item moves when the cut items' room cannot be had.
template <class From, class Ops>
void PermuteInPlace(int count, From&& from, Ops& ops) {
  using Item = decltype(ops.Take(0));
  const int cuts = count / kCycleCut + (count % kCycleCut != 0 ? 1 : 0);
  std::vector<Item> aside(static_cast<std::size_t>(cuts));
  for (int k = 0; k < cuts; ++k) {
    const int p = k * kCycleCut;
    if (from(p) != p) aside[k] = ops.Take(p);
  }
  // A walker's `to` is empty and receives the item at `src` == from(to).
  struct Walker {
    int to;
    int src;
  };
  auto request = [&](int src) {
    ops.Prefetch(src);
    __builtin_prefetch(&from(src));
  };
  int next_cut = 0;
  auto begin = [&](Walker& walker) {
    for (; next_cut < cuts; ++next_cut) {
      const int p = next_cut * kCycleCut;
      if (from(p) == p) continue;  // a cut outside every cycle
      ++next_cut;
      walker = {p, from(p)};
      request(walker.src);
      return true;
    }
    return false;
  };
  Walker walkers[kCycleWalkers];
  int active = 0;
  while (active < kCycleWalkers && begin(walkers[active])) ++active;
  while (active > 0) {
    for (int k = 0; k < active;) {
      Walker& walker = walkers[k];
      from(walker.to) = walker.to;
      if (walker.src % kCycleCut == 0) {  // the segment ends before the next cut
        ops.Put(walker.to, std::move(aside[walker.src / kCycleCut]));
        if (!begin(walker)) walker = walkers[--active];  // k now names another walker
        continue;
      }
      ops.Move(walker.src, walker.to);
      walker.to = walker.src;
      walker.src = from(walker.to);
      request(walker.src);
      ++k;
    }
  }
  for (int start = 0; start < count; ++start) {  // cycles without a cut
    if (from(start) == start) continue;
    Item held = ops.Take(start);
    int i = start;
    for (;;) {
      const int j = from(i);
      from(i) = i;
      if (j == start) break;
      ops.Move(j, i);
      i = j;
    }
    ops.Put(i, std::move(held));
  }
}

}  // namespace quillet
