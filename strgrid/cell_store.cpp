#include "strgrid/cell_store.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "runtime/exceptions.h"
#include "strgrid/cell_movers.h"
#include "strgrid/cycle_walk.h"

namespace quillet {

namespace {

int ChunkOf(int row) noexcept { return TCellChunk::ChunkOf(row); }
int SlotOf(int row) noexcept { return TCellChunk::SlotOf(row); }

// Whether every value 0..moves.size()-1 occurs exactly once (values are in range).
bool IsPermutation(const std::vector<std::int32_t>& moves) {
  std::vector<std::uint64_t> seen(moves.size() / 64 + 1);
  for (const std::int32_t m : moves) {
    std::uint64_t& word = seen[static_cast<std::size_t>(m) / 64];
    const std::uint64_t bit = std::uint64_t{1} << (m % 64);
    if (word & bit) return false;
    word |= bit;
  }
  return true;
}

auto SourcesOf(std::vector<std::int32_t>& moves) {
  return [&moves](int i) -> std::int32_t& { return moves[static_cast<std::size_t>(i)]; };
}

}  // namespace

TCellStore::TCellStore() = default;
TCellStore::~TCellStore() = default;

// ---- lookup ------------------------------------------------------------------------------

void TCellStore::CheckWriteIndex(int col, int row) {
  if (col < 0 || row < 0) throw EListError::IndexOutOfBounds();
}

void TCellStore::CheckReadIndex(int col, int row) const {
  if (row < 0 || (col < 0 && written_rows_.Test(row))) throw EListError::IndexOutOfBounds();
}

const TCellColumn* TCellStore::FindColumn(int col) const noexcept {
  if (col < 0) return nullptr;
  if (col < kDenseColumns)
    return static_cast<std::size_t>(col) < dense_columns_.size() ? &dense_columns_[col] : nullptr;
  const auto found = far_columns_.find(col);
  return found == far_columns_.end() ? nullptr : &found->second;
}

TCellColumn& TCellStore::EnsureColumn(int col) {
  if (col >= kDenseColumns) return far_columns_[col];
  if (static_cast<std::size_t>(col) >= dense_columns_.size()) dense_columns_.resize(col + 1);
  return dense_columns_[col];
}

const TCellChunk* TCellStore::FindChunk(int col, int row) const noexcept {
  const TCellColumn* column = FindColumn(col);
  return column == nullptr || row < 0 ? nullptr : column->ChunkAt(row);
}

TCellChunk& TCellStore::EnsureChunk(int col, int row) {
  TCellColumn& column = EnsureColumn(col);
  const auto chunk = static_cast<std::size_t>(ChunkOf(row));
  if (chunk >= column.chunks.size()) column.chunks.resize(chunk + 1);
  if (!column.chunks[chunk]) {
    column.chunks[chunk] = std::make_unique<TCellChunk>();
    ++chunk_count_;
  }
  return *column.chunks[chunk];
}

TCellChunk& TCellStore::EnsureChunkWithObjects(int col, int row) {
  TCellChunk& chunk = EnsureChunk(col, row);
  try {
    chunk.EnsureObjects();
  } catch (...) {
    if (chunk.stored == 0) ReleaseChunk(col, row);
    throw;
  }
  return chunk;
}

void TCellStore::Account(TCellChunk& chunk, int col, int row, bool held) {
  const bool holds = chunk.Holds(SlotOf(row));
  if (holds == held) return;
  if (holds) {
    ++chunk.stored;
    ++stored_cells_;
    return;
  }
  --chunk.stored;
  --stored_cells_;
  if (chunk.stored == 0) ReleaseChunk(col, row);
}

void TCellStore::ReleaseChunk(int col, int row) {
  MutableColumn(col)->chunks[ChunkOf(row)].reset();  // the column exists: it holds the chunk
  --chunk_count_;
  TidyColumn(col);
}

void TCellStore::TidyColumn(int col) {
  TCellColumn* column = MutableColumn(col);
  if (column == nullptr) return;
  while (!column->chunks.empty() && !column->chunks.back()) column->chunks.pop_back();
  if (column->chunks.empty() && col >= kDenseColumns) far_columns_.erase(col);
}

// ---- cells -------------------------------------------------------------------------------

std::string_view TCellStore::CellView(int col, int row) const {
  CheckReadIndex(col, row);
  const TCellChunk* chunk = FindChunk(col, row);
  return chunk ? chunk->texts[SlotOf(row)].View() : std::string_view();
}

std::intptr_t TCellStore::Objects(int col, int row) const {
  CheckReadIndex(col, row);
  const TCellChunk* chunk = FindChunk(col, row);
  return chunk ? chunk->Object(SlotOf(row)) : 0;
}

void TCellStore::SetCells(int col, int row, std::string_view text) {
  CheckWriteIndex(col, row);
  written_rows_.Set(row);
  PackedText fresh(text);  // allocate before the store changes
  TCellChunk* chunk = MutableChunk(col, row);
  if (chunk == nullptr && !text.empty()) chunk = &EnsureChunk(col, row);
  if (chunk != nullptr) {
    const bool held = chunk->Holds(SlotOf(row));
    chunk->texts[SlotOf(row)] = std::move(fresh);
    Account(*chunk, col, row, held);
  }
  CellsChanged();
}

void TCellStore::SetObjects(int col, int row, std::intptr_t object) {
  CheckWriteIndex(col, row);
  written_rows_.Set(row);
  TCellChunk* chunk = MutableChunk(col, row);
  const int slot = SlotOf(row);
  if (chunk == nullptr || !chunk->Holds(slot)) {
    if (object != 0) throw EStringSparseListError::PutObjectToUndefined();
    return;  // object 0 on an empty cell: nothing to remove
  }
  if (object != 0) chunk->EnsureObjects();
  if (chunk->objects) chunk->objects[slot] = object;
  Account(*chunk, col, row, true);
  CellsChanged();
}

// ---- whole-cell moves ----------------------------------------------------------------

TGridCell TCellStore::TakeCell(int col, int row) {
  CheckWriteIndex(col, row);
  written_rows_.Set(row);
  TCellChunk* chunk = MutableChunk(col, row);
  const int slot = SlotOf(row);
  if (chunk == nullptr || !chunk->Holds(slot)) return {};
  TGridCell cell{std::move(chunk->texts[slot]), chunk->Object(slot)};
  if (chunk->objects) chunk->objects[slot] = 0;
  Account(*chunk, col, row, true);
  return cell;
}

void TCellStore::PutCell(int col, int row, TGridCell cell) {
  CheckWriteIndex(col, row);
  written_rows_.Set(row);
  TCellChunk* chunk = MutableChunk(col, row);
  if (chunk == nullptr && cell.Empty()) return;
  if (cell.object != 0)
    chunk = &EnsureChunkWithObjects(col, row);
  else if (chunk == nullptr)
    chunk = &EnsureChunk(col, row);
  const int slot = SlotOf(row);
  const bool held = chunk->Holds(slot);
  chunk->texts[slot] = std::move(cell.text);
  if (chunk->objects) chunk->objects[slot] = cell.object;
  Account(*chunk, col, row, held);
}

void TCellStore::MoveCell(int from_col, int from_row, int to_col, int to_row) {
  CheckWriteIndex(to_col, to_row);
  PutCell(to_col, to_row, TakeCell(from_col, from_row));
}

void TCellStore::ExchangeCells(int col1, int row1, int col2, int row2) {
  CheckWriteIndex(col1, row1);
  CheckWriteIndex(col2, row2);
  TGridCell first = TakeCell(col1, row1);
  TGridCell second = TakeCell(col2, row2);
  PutCell(col1, row1, std::move(second));
  PutCell(col2, row2, std::move(first));
}

// ---- permutations --------------------------------------------------------------------------

void TCellStore::MarkMovingRows(const std::vector<std::int32_t>& moves) {
  const int rows = static_cast<int>(moves.size());
  for (int row = 0; row < rows; ++row)
    if (moves[row] != row) written_rows_.Set(row);
}

// Marks the rows that move and makes every chunk that may receive a cell beforehand, with
// object slots when any chunk of the rows holds objects, so that the walk itself cannot
// fail. A column whose chunks all exist already (the usual dense case) needs no chunk.
// Chunks made here that stay empty are released again by RecountColumnChunks.
void TCellStore::PrepareColumnPermutation(int col, const std::vector<std::int32_t>& moves) {
  MarkMovingRows(moves);
  const TCellColumn* column = FindColumn(col);
  if (column == nullptr) return;  // no cell at all: nothing will move
  const int rows = static_cast<int>(moves.size());
  const auto chunks = static_cast<std::size_t>(ChunkOf(rows - 1)) + 1;
  std::size_t with_objects = 0;
  bool all_exist = column->chunks.size() >= chunks;
  for (std::size_t c = 0; c < std::min(chunks, column->chunks.size()); ++c) {
    const TCellChunk* chunk = column->chunks[c].get();
    all_exist = all_exist && chunk != nullptr;
    with_objects += chunk != nullptr && chunk->objects ? 1 : 0;
  }
  if (all_exist && (with_objects == 0 || with_objects == chunks)) return;
  try {
    for (int row = 0; row < rows; ++row) {
      if (moves[row] == row) continue;
      TCellChunk& chunk = EnsureChunk(col, row);
      if (with_objects > 0) chunk.EnsureObjects();
      // On to the next chunk (64 bits: the last chunk ends past INT_MAX).
      row = static_cast<int>(std::min<std::int64_t>(
          (std::int64_t{ChunkOf(row)} + 1) * kChunkRows - 1, rows - 1));
    }
  } catch (...) {
    RecountColumnChunks(col, rows);
    throw;
  }
}

// Sets the stored counts of the chunks over rows 0..rows-1 from their slots and releases
// the chunks that hold nothing.
void TCellStore::RecountColumnChunks(int col, int rows) {
  const TCellColumn* column = FindColumn(col);
  if (column == nullptr) return;
  const int last = std::min(ChunkOf(rows - 1), static_cast<int>(column->chunks.size()) - 1);
  for (int c = last; c >= 0; --c) {  // backwards: releases shrink the vector
    TCellChunk* chunk = MutableChunk(col, c * kChunkRows);
    if (chunk == nullptr) continue;
    std::uint32_t held = 0;
    for (int slot = 0; slot < kChunkRows; ++slot) held += chunk->Holds(slot) ? 1 : 0;
    stored_cells_ = stored_cells_ - chunk->stored + held;
    chunk->stored = held;
    if (held == 0) ReleaseChunk(col, c * kChunkRows);
  }
}

void TCellStore::PermuteColumn(int col, std::vector<std::int32_t>& moves) {
  CheckWriteIndex(col, 0);
  const int rows = static_cast<int>(moves.size());
  if (rows == 0) return;
  const bool permutation = IsPermutation(moves);
  PrepareColumnPermutation(col, moves);
  TColumnMover mover(MutableColumn(col));
  if (!permutation || !mover.Gather(moves))
    WalkCycles(rows, SourcesOf(moves), mover,
               permutation ? TCycleShape::kPermutation : TCycleShape::kChains);
  RecountColumnChunks(col, rows);
}

void TCellStore::PermuteRow(int row, std::vector<std::int32_t>& moves) {
  TRowCellMover mover(*this, row);
  WalkCycles(static_cast<int>(moves.size()), SourcesOf(moves), mover);
}

void TCellStore::PermuteRows(int first_col, int end_col, std::vector<std::int32_t>& moves) {
  TLineMover mover(*this, true, first_col, end_col);
  WalkCycles(static_cast<int>(moves.size()), SourcesOf(moves), mover);
}

void TCellStore::PermuteColumns(int first_row, int end_row, std::vector<std::int32_t>& moves) {
  TLineMover mover(*this, false, first_row, end_row);
  WalkCycles(static_cast<int>(moves.size()), SourcesOf(moves), mover);
}

// ---- reading whole lines -------------------------------------------------------------------

std::vector<int> TCellStore::StoredColumnsIn(int first, int last) const {
  std::vector<int> cols;
  if (first > last) return cols;
  const int dense_last = std::min(last, static_cast<int>(dense_columns_.size()) - 1);
  for (int col = std::max(first, 0); col <= dense_last; ++col)
    if (!dense_columns_[col].chunks.empty()) cols.push_back(col);
  for (auto it = far_columns_.lower_bound(first); it != far_columns_.end() && it->first <= last;
       ++it)
    if (!it->second.chunks.empty()) cols.push_back(it->first);
  return cols;
}

void TCellStore::ForEachStoredCell(const std::function<void(int col, int row)>& visit) const {
  const auto visit_column = [&](int col, const TCellColumn& column) {
    for (std::size_t c = 0; c < column.chunks.size(); ++c) {
      const TCellChunk* chunk = column.chunks[c].get();
      if (chunk == nullptr) continue;
      for (int slot = 0; slot < kChunkRows; ++slot)
        if (chunk->Holds(slot)) visit(col, static_cast<int>(c) * kChunkRows + slot);
    }
  };
  for (std::size_t col = 0; col < dense_columns_.size(); ++col)
    visit_column(static_cast<int>(col), dense_columns_[col]);
  for (const auto& [col, column] : far_columns_) visit_column(col, column);
}

void TCellStore::ForEachColumnCell(
    int col, int count, const std::function<void(std::string_view, std::intptr_t)>& visit) const {
  for (int row = 0; row < count;) {
    const TCellChunk* chunk = FindChunk(col, row);
    const auto end = static_cast<int>(
        std::min<std::int64_t>(count, (std::int64_t{ChunkOf(row)} + 1) * kChunkRows));
    for (; row < end; ++row) {
      if (chunk == nullptr)
        visit(std::string_view(), 0);
      else
        visit(chunk->texts[SlotOf(row)].View(), chunk->Object(SlotOf(row)));
    }
  }
}

// ---- block moves for whole-line editing ----------------------------------------------------

void TCellStore::MarkRowsWritten(int first, int last) {
  if (first <= last) written_rows_.SetRange(first, last);
}

void TCellStore::ClearRowCells(int row) {
  written_rows_.Set(row);
  for (const int col : StoredColumnsIn(0, INT32_MAX))
    if (FindChunk(col, row) != nullptr) TakeCell(col, row);
}

void TCellStore::ClearColumnRange(int col, int first, int last) {
  if (first > last) return;
  MarkRowsWritten(first, last);
  const TCellColumn* column = FindColumn(col);
  if (column == nullptr || column->chunks.empty()) return;
  const int top = std::min(ChunkOf(last), static_cast<int>(column->chunks.size()) - 1);
  for (int c = top; c >= ChunkOf(first); --c) {  // backwards: releases shrink the vector
    TCellChunk* chunk = MutableChunk(col, c * kChunkRows);
    if (chunk == nullptr) continue;
    const int lo = std::max(first, c * kChunkRows);
    const int hi = std::min(last, c * kChunkRows + (kChunkRows - 1));
    if (hi - lo == kChunkRows - 1) {  // the whole chunk goes at once
      stored_cells_ -= chunk->stored;
      ReleaseChunk(col, lo);
      continue;
    }
    for (int row = hi; row >= lo; --row) TakeCell(col, row);
  }
}

// Needs: rows src..src+n-1 lie in one chunk, rows dst..dst+n-1 in one chunk, and every
// destination slot outside the source stretch is empty. Moving from the far end of an
// overlap first keeps every slot read before it is written.
void TCellStore::RelocateRun(int col, int src, int dst, int n) {
  TCellChunk* from = MutableChunk(col, src);
  if (from == nullptr) return;  // nothing to move; the destination is empty already
  const int s = SlotOf(src);
  std::uint32_t held = 0;
  for (int k = 0; k < n; ++k) held += from->Holds(s + k) ? 1 : 0;
  if (held == 0) return;
  TCellChunk& to = from->objects ? EnsureChunkWithObjects(col, dst) : EnsureChunk(col, dst);
  const int d = SlotOf(dst);
  auto move_one = [&](int k) {
    to.texts[d + k] = std::move(from->texts[s + k]);
    if (from->objects) to.objects[d + k] = std::exchange(from->objects[s + k], 0);
  };
  if (dst > src)
    for (int k = n - 1; k >= 0; --k) move_one(k);
  else
    for (int k = 0; k < n; ++k) move_one(k);
  if (&to == from) return;
  to.stored += held;
  from->stored -= held;
  if (from->stored == 0) ReleaseChunk(col, src);
}

void TCellStore::ShiftColumnRows(int col, int first, int last, int by) {
  if (first > last || by == 0) return;
  MarkRowsWritten(by > 0 ? first : first + by, by > 0 ? last + by : last);
  if (by > 0)
    ClearColumnRange(col, std::max(first + by, last + 1), last + by);
  else
    ClearColumnRange(col, first + by, std::min(last + by, first - 1));
  if (FindColumn(col) == nullptr) return;
  if (by > 0) {
    for (int end = last; end >= first;) {  // from the bottom: the destinations are free
      const int n = std::min({SlotOf(end) + 1, SlotOf(end + by) + 1, end - first + 1});
      RelocateRun(col, end - n + 1, end - n + 1 + by, n);
      end -= n;
    }
    return;
  }
  for (int start = first;;) {  // from the top: the destinations are free
    const int n = std::min({kChunkRows - SlotOf(start), kChunkRows - SlotOf(start + by),
                            last - start + 1});
    RelocateRun(col, start, start + by, n);
    if (n == last - start + 1) break;  // also keeps start from passing INT_MAX
    start += n;
  }
}

void TCellStore::MoveColumnRows(int from, int to, int row_count) {
  if (row_count <= 0 || from == to) return;
  ClearColumnRange(to, 0, row_count - 1);  // also marks the rows
  if (FindColumn(from) == nullptr) return;
  TCellColumn& target = EnsureColumn(to);  // first: growing the dense columns moves them
  TCellColumn* source = MutableColumn(from);
  const int whole = std::min(row_count / kChunkRows, static_cast<int>(source->chunks.size()));
  if (static_cast<int>(target.chunks.size()) < whole) target.chunks.resize(whole);
  for (int c = 0; c < whole; ++c)  // the target's chunks here were released above
    if (source->chunks[c]) target.chunks[c] = std::move(source->chunks[c]);
  TidyColumn(from);
  TidyColumn(to);
  const int tail = row_count / kChunkRows * kChunkRows;  // the rows of a partial chunk
  if (tail == row_count || FindChunk(from, tail) == nullptr) return;
  for (int row = tail; row < row_count; ++row) PutCell(to, row, TakeCell(from, row));
}

void TCellStore::CopyColumnCells(int from_col, int from_first, int to_col, int to_first,
                                 int count) {
  if (count <= 0) return;
  ClearColumnRange(to_col, to_first, to_first + count - 1);
  for (int k = 0; k < count;) {
    const int row = from_first + k;
    const int n = std::min(kChunkRows - SlotOf(row), count - k);
    // The source chunk stays put: the stretches do not overlap and nothing is emptied.
    if (const TCellChunk* chunk = FindChunk(from_col, row)) {
      for (int i = 0; i < n; ++i) {
        const int slot = SlotOf(row) + i;
        if (chunk->Holds(slot))
          PutCell(to_col, to_first + k + i, TGridCell{chunk->texts[slot], chunk->Object(slot)});
      }
    }
    if (n == count - k) break;
    k += n;
  }
}

}  // namespace quillet
