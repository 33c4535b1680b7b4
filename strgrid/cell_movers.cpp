#include "strgrid/cell_movers.h"

#include <algorithm>
#include <new>
#include <utility>

#include "strgrid/cell_store.h"

namespace quillet {

namespace {
int ChunkOf(int row) noexcept { return TCellChunk::ChunkOf(row); }
int SlotOf(int row) noexcept { return TCellChunk::SlotOf(row); }
}  // namespace

TGridCell TColumnMover::Take(int row) noexcept {
  TGridCell cell;
  TCellChunk* chunk = column_ != nullptr ? column_->ChunkAt(row) : nullptr;
  if (chunk == nullptr) return cell;
  cell.text = std::move(chunk->texts[SlotOf(row)]);
  if (chunk->objects) cell.object = std::exchange(chunk->objects[SlotOf(row)], 0);
  return cell;
}

void TColumnMover::Put(int row, TGridCell&& cell) noexcept {
  TCellChunk* chunk = column_ != nullptr ? column_->ChunkAt(row) : nullptr;
  if (chunk == nullptr) return;
  chunk->texts[SlotOf(row)] = std::move(cell.text);
  if (chunk->objects) chunk->objects[SlotOf(row)] = cell.object;
}

void TColumnMover::Prefetch(int row) const noexcept {
  const TCellChunk* chunk = column_ != nullptr ? column_->ChunkAt(row) : nullptr;
  if (chunk == nullptr) return;
  __builtin_prefetch(&chunk->texts[SlotOf(row)]);
  if (chunk->objects) __builtin_prefetch(&chunk->objects[SlotOf(row)]);
}

bool TColumnMover::GatherFits(std::size_t chunks, bool& objects) const noexcept {
  if (column_ == nullptr || column_->chunks.size() < chunks || !column_->chunks[0]) return false;
  objects = column_->chunks[0]->objects != nullptr;
  for (std::size_t c = 0; c < chunks; ++c) {
    const TCellChunk* chunk = column_->chunks[c].get();
    if (chunk == nullptr || (chunk->objects != nullptr) != objects) return false;
  }
  return true;
}

bool TColumnMover::Gather(std::vector<std::int32_t>& moves) {
  const int rows = static_cast<int>(moves.size());
  const auto chunks = static_cast<std::size_t>(ChunkOf(rows - 1)) + 1;
  bool objects = false;
  if (!GatherFits(chunks, objects)) return false;
  std::vector<std::unique_ptr<TCellChunk>> fresh(chunks);
  try {
    for (auto& chunk : fresh) {
      chunk = std::make_unique<TCellChunk>();
      if (objects) chunk->EnsureObjects();
    }
  } catch (const std::bad_alloc&) {  // no room for a second copy: the caller walks instead
    return false;
  }
  GatherInto(fresh, moves, objects);
  for (std::size_t c = 0; c < chunks; ++c) {
    fresh[c]->stored = column_->chunks[c]->stored;  // recounted by the store
    column_->chunks[c].swap(fresh[c]);
  }
  return true;
}

void TColumnMover::GatherInto(std::vector<std::unique_ptr<TCellChunk>>& fresh,
                              std::vector<std::int32_t>& moves, bool objects) noexcept {
  constexpr int kAhead = 24;
  const int rows = static_cast<int>(moves.size());
  for (int row = 0; row < rows; ++row) {
    if (row + kAhead < rows) Prefetch(moves[row + kAhead]);
    const int from = moves[row];
    TCellChunk& source = *column_->chunks[ChunkOf(from)];
    TCellChunk& target = *fresh[ChunkOf(row)];
    target.texts[SlotOf(row)] = std::move(source.texts[SlotOf(from)]);
    if (objects) target.objects[SlotOf(row)] = source.objects[SlotOf(from)];
    moves[row] = row;
  }
  // Cells past the rows in the last chunk stay where they are.
  TCellChunk& source = *column_->chunks[ChunkOf(rows - 1)];
  TCellChunk& target = *fresh[ChunkOf(rows - 1)];
  for (int slot = SlotOf(rows - 1) + 1; slot < TCellChunk::kRows; ++slot) {
    target.texts[slot] = std::move(source.texts[slot]);
    if (objects) target.objects[slot] = source.objects[slot];
  }
}

TGridCell TRowCellMover::Take(int col) { return store_.TakeCell(col, row_); }

void TRowCellMover::Put(int col, TGridCell&& cell) { store_.PutCell(col, row_, std::move(cell)); }

void TRowCellMover::Move(int from, int to) { store_.MoveCell(from, row_, to, row_); }

TLineMover::TLineMover(TCellStore& store, bool rows, int first, int end)
    : store_(store), rows_(rows), first_(first), end_(end),
      spare_(static_cast<std::size_t>(std::max(end - first, 0))) {}

std::vector<TGridCell> TLineMover::Take(int line) {
  std::vector<TGridCell> cells = std::move(spare_);
  for (int k = first_; k < end_; ++k) cells[Slot(k)] = store_.TakeCell(Col(line, k), Row(line, k));
  return cells;
}

void TLineMover::Put(int line, std::vector<TGridCell>&& cells) {
  for (int k = first_; k < end_; ++k)
    store_.PutCell(Col(line, k), Row(line, k), std::move(cells[Slot(k)]));
  spare_ = std::move(cells);
}

void TLineMover::Move(int from, int to) {
  for (int k = first_; k < end_; ++k)
    store_.MoveCell(Col(from, k), Row(from, k), Col(to, k), Row(to, k));
}

}  // namespace quillet
