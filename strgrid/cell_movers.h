#pragma once
// The movers that WalkCycles (strgrid/cycle_walk.h) gets from the cell store
// (strgrid/cell_store.h) for its permutations: the cells of one column, worked on the
// chunks directly; the cells of one row; and whole rows or whole columns. Their steps are
// inline: a walk makes one per cell it moves.

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "strgrid/cell_chunk.h"
#include "strgrid/cell_store.h"

namespace quillet {

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

  TGridCell Take(int row) noexcept {
    TGridCell cell;
    TCellChunk* chunk = ChunkAt(row);
    if (chunk == nullptr) return cell;
    cell.text = std::move(chunk->texts[TCellChunk::SlotOf(row)]);
    if (chunk->objects) cell.object = std::exchange(chunk->objects[TCellChunk::SlotOf(row)], 0);
    return cell;
  }
  void Put(int row, TGridCell&& cell) noexcept {
    TCellChunk* chunk = ChunkAt(row);
    if (chunk == nullptr) return;
    chunk->texts[TCellChunk::SlotOf(row)] = std::move(cell.text);
    if (chunk->objects) chunk->objects[TCellChunk::SlotOf(row)] = cell.object;
  }
  void Move(int from, int to) noexcept { Put(to, Take(from)); }
  void Prefetch(int row) const noexcept {
    const TCellChunk* chunk = ChunkAt(row);
    if (chunk == nullptr) return;
    __builtin_prefetch(&chunk->texts[TCellChunk::SlotOf(row)]);
    if (chunk->objects) __builtin_prefetch(&chunk->objects[TCellChunk::SlotOf(row)]);
  }

  // Applies `moves` (a permutation of 0..moves.size()-1: row i receives the cell of row
  // moves[i]) by gathering into fresh chunks, and leaves moves[i] == i. Needs every chunk
  // over the rows to exist, all with object slots or all without; cells past the rows in
  // the last chunk stay. Returns false, with no cell moved, when that does not hold or the
  // fresh chunks cannot be had.
  bool Gather(std::vector<std::int32_t>& moves);

 private:
  TCellChunk* ChunkAt(int row) const noexcept {
    return column_ != nullptr ? column_->ChunkAt(row) : nullptr;
  }
  bool GatherFits(std::size_t chunks, bool& objects) const noexcept;
  void GatherInto(std::vector<std::unique_ptr<TCellChunk>>& fresh,
                  std::vector<std::int32_t>& moves, bool objects) noexcept;

  TCellColumn* column_;
};

// The cells of one row, by column, through the store's whole-cell moves.
class TRowCellMover {
 public:
  TRowCellMover(TCellStore& store, int row) noexcept : store_(store), row_(row) {}
  TGridCell Take(int col) { return store_.TakeCell(col, row_); }
  void Put(int col, TGridCell&& cell) { store_.PutCell(col, row_, std::move(cell)); }
  void Move(int from, int to) { store_.MoveCell(from, row_, to, row_); }

 private:
  TCellStore& store_;
  int row_;
};

// Whole rows (`rows`) or whole columns: line p is the cells k = first..end-1 across it. The
// line set aside lives in a buffer made with the mover, so no step of the walk allocates.
class TLineMover {
 public:
  // Throws std::bad_alloc when the buffer cannot be had.
  TLineMover(TCellStore& store, bool rows, int first, int end)
      : store_(store), rows_(rows), first_(first), end_(end),
        spare_(static_cast<std::size_t>(std::max(end - first, 0))) {}

  std::vector<TGridCell> Take(int line) {
    std::vector<TGridCell> cells = std::move(spare_);
    for (int k = first_; k < end_; ++k)
      cells[Slot(k)] = store_.TakeCell(Col(line, k), Row(line, k));
    return cells;
  }
  void Put(int line, std::vector<TGridCell>&& cells) {
    for (int k = first_; k < end_; ++k)
      store_.PutCell(Col(line, k), Row(line, k), std::move(cells[Slot(k)]));
    spare_ = std::move(cells);
  }
  void Move(int from, int to) {
    for (int k = first_; k < end_; ++k)
      store_.MoveCell(Col(from, k), Row(from, k), Col(to, k), Row(to, k));
  }

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
