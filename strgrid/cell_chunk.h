#pragma once
// TGridCell, the content of one cell (text and object), and how the cell store
// (strgrid/cell_store.h) holds cells: TCellChunk, kRows consecutive cells of one column, and
// TCellColumn, the vector of chunk pointers that makes a column. A chunk holds kRows packed texts
// (16 bytes each) and, only once an object has been written into it, kRows object slots;
// `stored` counts the slots holding a non-empty text or a non-zero object.

#include <cstdint>
#include <memory>
#include <vector>

#include "strgrid/packed_text.h"

namespace quillet {

// The content of one cell, taken out of the store or about to be put in: text and object.
struct TGridCell {
  PackedText text;
  std::intptr_t object = 0;
  bool Empty() const noexcept { return object == 0 && text.Empty(); }
};

struct TCellChunk {
  static constexpr int kRows = 1024;

  PackedText texts[kRows];
  std::unique_ptr<std::intptr_t[]> objects;
  std::uint32_t stored = 0;

  // The chunk that holds `row`, and the row's slot in it.
  static int ChunkOf(int row) noexcept { return row / kRows; }
  static int SlotOf(int row) noexcept { return row % kRows; }

  std::intptr_t Object(int slot) const noexcept { return objects ? objects[slot] : 0; }
  bool Holds(int slot) const noexcept { return !texts[slot].Empty() || Object(slot) != 0; }
  // Makes the object slots (all 0). Throws std::bad_alloc; the chunk is unchanged then.
  void EnsureObjects() {
    if (!objects) objects.reset(new std::intptr_t[kRows]());
  }
};

// A column: one pointer per chunk of kRows rows, null where the chunk holds no cell.
struct TCellColumn {
  std::vector<std::unique_ptr<TCellChunk>> chunks;

  TCellChunk* ChunkAt(int row) const noexcept {
    const auto c = static_cast<std::size_t>(TCellChunk::ChunkOf(row));
    return c < chunks.size() ? chunks[c].get() : nullptr;
  }
};

}  // namespace quillet
