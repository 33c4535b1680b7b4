#include "strgrid/cell_movers.h"

#include <new>

namespace quillet {

namespace {
int ChunkOf(int row) noexcept { return TCellChunk::ChunkOf(row); }
int SlotOf(int row) noexcept { return TCellChunk::SlotOf(row); }
}  // namespace

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

}  // namespace quillet
