#pragma once
// The movers that WalkCycles (strgrid/cycle_walk.h) gets from the cell store
// (strgrid/cell_store.h) for its permutations: the cells of one column, worked on the
// chunks directly; the cells of one row; and whole rows or whole columns.

#include <cstdint>
#include <vector>

#include "strgrid/cell_chunk.h"

namespace quillet {

class TCellStore;

// Moves the cells of one column along a permutation of its rows, and can Gather: build the
// permuted rows in fresh chunks, which reads each source cell once in a known order, so the
// reads are requested far ahead instead of one cycle step at a time.
//
// A row whose chunk is missing holds an empty cell; the store makes every chunk that will
// receive a cell before the walk starts, so no step allocates or fails. The chunks' `stored`
// counts are not kept up to date: the store recounts them afterwards.
class TColumnMover {
 public:
  // `column` may be nullptr (a column without cells: every row reads empty).
  explicit TColumnMover(TCellColumn* column) noexcept : column_(column) {}

  TGridCell Take(int row) noexcept;
  void Put(int row, TGridCell&& cell) noexcept;
  void Move(int from, int to) noexcept { Put(to, Take(from)); }
  void Prefetch(int row) const noexcept;

  // Applies `moves` (a permutation of 0..moves.size()-1: row i receives the cell of row
  // moves[i]) by gathering into fresh chunks, and leaves moves[i] == i. Needs every chunk
  // over the rows to exist, all with object slots or all without; cells past the rows in
  // the last chunk stay. Returns false, with no cell moved, when that does not hold or the
  // fresh chunks cannot be had.
  bool Gather(std::vector<std::int32_t>& moves);

 private:
  bool GatherFits(std::size_t chunks, bool& objects) const noexcept;
  void GatherInto(std::vector<std::unique_ptr<TCellChunk>>& fresh,
                  std::vector<std::int32_t>& moves, bool objects) noexcept;

  TCellColumn* column_;
};

// The cells of one row, by column, through the store's whole-cell moves.
class TRowCellMover {
 public:
  TRowCellMover(TCellStore& store, int row) noexcept : store_(store), row_(row) {}
  TGridCell Take(int col);
  void Put(int col, TGridCell&& cell);
  void Move(int from, int to);

 private:
  TCellStore& store_;
  int row_;
};

// Whole rows (`rows`) or whole columns: line p is the cells k = first..end-1 across it. The
// line set aside lives in a buffer made with the mover, so no step of the walk allocates.
class TLineMover {
 public:
  // Throws std::bad_alloc when the buffer cannot be had.
  TLineMover(TCellStore& store, bool rows, int first, int end);
  std::vector<TGridCell> Take(int line);
  void Put(int line, std::vector<TGridCell>&& cells);
  void Move(int from, int to);

 private:
  std::size_t Slot(int k) const { return static_cast<std::size_t>(k - first_); }
  int Col(int line, int k) const { return rows_ ? k : line; }
  int Row(int line, int k) const { return rows_ ? line : k; }

  TCellStore& store_;
  bool rows_;
  int first_;
  int end_;
  std::vector<TGridCell> spare_;
};

}  // namespace quillet
