#pragma once
// WalkCycles: the one walk that moves the items of an indexed store in place along the cycles
// of a list of sources: the key list's entries after a sort, the cells of a column or a row,
// whole rows and whole columns. Each caller passes a small mover that knows its store.
//
// The walk: for each lowest position i with from(i) != i, the item at i is set aside; then
// repeatedly j := from(i), from(i) := i, and unless from(j) == j the item at j moves to i and
// i := j; finally the item set aside goes to i. Every position whose item changes is written
// once, positions with from(i) == i are not touched, and afterwards from(i) == i everywhere.
// The stop test looks at from(j), not at j coming back to the start, so sources that are no
// permutation (a SortIndex changed from outside, order texts that match one row twice) end
// their chains too: items then only rotate along the chains, none is lost or doubled.
//
// Walking a cycle is a chain of dependent memory reads (the next position is known only once
// the present one is read), so a long cycle over a large store waits for memory at every
// step. For a permutation whose mover can prefetch, every kCycleCut-th position is a cut: its
// item is held aside first, which splits the cycles into independent segments, and
// kCycleWalkers segments are walked side by side with their next reads requested ahead.
// Cycles without a cut are walked one at a time afterwards. The result is the same as the
// plain walk's.

#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace quillet {

inline constexpr int kCycleCut = 64;
inline constexpr int kCycleWalkers = 16;

// What the caller knows about `from`: only that its values are positions (chains), or that
// they are a permutation of 0..count-1, which allows the walk with cuts.
enum class TCycleShape : std::uint8_t { kChains, kPermutation };

namespace cycle_walk_detail {

// The plain walk of every cycle (or chain), one at a time.
template <class From, class Mover>
void WalkEach(int count, From& from, Mover& mover) {
  for (int start = 0; start < count; ++start) {
    if (from(start) == start) continue;
    int i = start;
    auto aside = mover.Take(i);
    for (;;) {
      const int j = from(i);
      from(i) = i;
      if (from(j) == j) break;
      mover.Move(j, i);
      i = j;
    }
    mover.Put(i, std::move(aside));
  }
}

inline int CutCount(int count) { return count / kCycleCut + (count % kCycleCut != 0 ? 1 : 0); }

// The walk with cuts for a permutation; `aside` has room for CutCount(count) items.
template <class From, class Mover, class Item>
void WalkCut(int count, From& from, Mover& mover, std::vector<Item>& aside) {
  const int cuts = CutCount(count);
  for (int k = 0; k < cuts; ++k) {
    const int p = k * kCycleCut;
    if (from(p) != p) aside[static_cast<std::size_t>(k)] = mover.Take(p);
  }
  // A walker's `to` is empty and receives the item at `src` == from(to).
  struct Walker {
    int to;
    int src;
  };
  auto request = [&](int src) {
    mover.Prefetch(src);
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
        mover.Put(walker.to, std::move(aside[static_cast<std::size_t>(walker.src / kCycleCut)]));
        if (!begin(walker)) walker = walkers[--active];  // k now names another walker
        continue;
      }
      mover.Move(walker.src, walker.to);
      walker.to = walker.src;
      walker.src = from(walker.to);
      request(walker.src);
      ++k;
    }
  }
  WalkEach(count, from, mover);  // the cycles without a cut
}

}  // namespace cycle_walk_detail

// Moves the items so that the item that stood at from(i) ends at i (see the top of this
// file). `from(i)` returns a writable reference to the source of position i, a value in
// 0..count-1. The mover provides `Item Take(int i)` (the item at i, leaving i empty),
// `void Put(int i, Item&& item)` and `void Move(int from, int to)` (into the empty place i or
// `to`), and may provide `void Prefetch(int i)` (a hint that the item at i is read soon),
// which the walk with cuts needs. Throws only what the mover throws.
template <class From, class Mover>
void WalkCycles(int count, From&& from, Mover& mover, TCycleShape shape = TCycleShape::kChains) {
  if constexpr (requires { mover.Prefetch(0); }) {
    if (shape == TCycleShape::kPermutation) {
      std::vector<decltype(mover.Take(0))> aside;
      try {
        aside.resize(static_cast<std::size_t>(cycle_walk_detail::CutCount(count)));
      } catch (const std::bad_alloc&) {  // no room for the cut items: walk without cuts
        return cycle_walk_detail::WalkEach(count, from, mover);
      }
      return cycle_walk_detail::WalkCut(count, from, mover, aside);
    }
  }
  cycle_walk_detail::WalkEach(count, from, mover);
}

}  // namespace quillet
