#include "strgrid/string_grid.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "runtime/exceptions.h"
#include "strgrid/cycle_walk.h"

namespace quillet {

namespace {
const char kIndexError[] = "List index out of bounds";
const char kGridRangeError[] = "Grid index out of range";
const char kLineSizeError[] = "Cannot insert or delete cells through a grid line";

int ChunkOf(int row) noexcept { return row / TStringGrid::kChunkRows; }
int SlotOf(int row) noexcept { return row % TStringGrid::kChunkRows; }
}  // namespace

// kChunkRows texts and, once any object was written into the chunk, kChunkRows objects.
// `stored` counts the slots holding a non-empty text or a non-zero object.
struct TStringGrid::Chunk {
  PackedText texts[kChunkRows];
  std::unique_ptr<std::intptr_t[]> objects;
  std::uint32_t stored = 0;

  std::intptr_t Object(int slot) const noexcept { return objects ? objects[slot] : 0; }
  bool Holds(int slot) const noexcept { return !texts[slot].Empty() || Object(slot) != 0; }
  void EnsureObjects() {
    if (!objects) objects.reset(new std::intptr_t[kChunkRows]());
  }
};

// ---- row marks ---------------------------------------------------------------------

bool TStringGrid::RowMarks::Test(int row) const noexcept {
  const auto block = static_cast<std::size_t>(row / kBlockBits);
  if (block >= blocks_.size() || !blocks_[block]) return false;
  const int bit = row % kBlockBits;
  return (blocks_[block][bit / 64] >> (bit % 64)) & 1u;
}

void TStringGrid::RowMarks::Set(int row) {
  const auto block = static_cast<std::size_t>(row / kBlockBits);
  if (block >= blocks_.size() || !blocks_[block]) return SetRange(row, row);
  const int bit = row % kBlockBits;
  blocks_[block][bit / 64] |= std::uint64_t{1} << (bit % 64);
}

void TStringGrid::RowMarks::SetRange(int first, int last) {
  for (int row = first;;) {
    const auto block = static_cast<std::size_t>(row / kBlockBits);
    if (block >= blocks_.size()) blocks_.resize(block + 1);
    if (!blocks_[block]) blocks_[block].reset(new std::uint64_t[kBlockBits / 64]());
    const std::int64_t block_end = (static_cast<std::int64_t>(block) + 1) * kBlockBits - 1;
    const int block_last = static_cast<int>(std::min<std::int64_t>(last, block_end));
    for (int bit = row % kBlockBits; bit <= block_last % kBlockBits; ++bit)
      blocks_[block][bit / 64] |= std::uint64_t{1} << (bit % 64);
    if (block_last == last) break;  // also keeps row from passing INT_MAX
    row = block_last + 1;
  }
}

// ---- construction, counts ------------------------------------------------------------

TStringGrid::TStringGrid() = default;
TStringGrid::~TStringGrid() = default;

void TStringGrid::SetColCount(int value) {
  value = std::max(value, 1);
  if (value == col_count_) return;
  if (fixed_cols_ >= value) fixed_cols_ = value - 1;
  col_count_ = value;
  KeepCurrentInTable();
  SizeChanged();
}

void TStringGrid::SetRowCount(int value) {
  value = std::max(value, 1);
  if (value == row_count_) return;
  if (fixed_rows_ >= value) fixed_rows_ = value - 1;
  row_count_ = value;
  KeepCurrentInTable();
  SizeChanged();
}

void TStringGrid::SetFixedCols(int value) {
  if (value < 0) throw EInvalidGridOperation(kGridRangeError);
  if (value >= col_count_)
    throw EInvalidGridOperation("Fixed column count must be less than column count");
  if (value == fixed_cols_) return;
  fixed_cols_ = value;
  ResetToFirstCell();
  SizeChanged();
}

void TStringGrid::SetFixedRows(int value) {
  if (value < 0) throw EInvalidGridOperation(kGridRangeError);
  if (value >= row_count_)
    throw EInvalidGridOperation("Fixed row count must be less than row count");
  if (value == fixed_rows_) return;
  fixed_rows_ = value;
  ResetToFirstCell();
  SizeChanged();
}

// ---- store lookup ----------------------------------------------------------------------

void TStringGrid::CheckWriteIndex(int col, int row) {
  if (col < 0 || row < 0) throw EListError(kIndexError);
}

void TStringGrid::CheckReadIndex(int col, int row) const {
  if (row < 0 || (col < 0 && written_rows_.Test(row))) throw EListError(kIndexError);
}

const TStringGrid::Column* TStringGrid::FindColumn(int col) const noexcept {
  if (col < 0) return nullptr;
  if (col < kDenseColumns)
    return static_cast<std::size_t>(col) < dense_columns_.size() ? &dense_columns_[col] : nullptr;
  const auto found = far_columns_.find(col);
  return found == far_columns_.end() ? nullptr : &found->second;
}

TStringGrid::Column& TStringGrid::EnsureColumn(int col) {
  if (col >= kDenseColumns) return far_columns_[col];
  if (static_cast<std::size_t>(col) >= dense_columns_.size()) dense_columns_.resize(col + 1);
  return dense_columns_[col];
}

const TStringGrid::Chunk* TStringGrid::FindChunk(int col, int row) const noexcept {
  const Column* column = FindColumn(col);
  if (column == nullptr || row < 0) return nullptr;
  const auto chunk = static_cast<std::size_t>(ChunkOf(row));
  return chunk < column->chunks.size() ? column->chunks[chunk].get() : nullptr;
}

TStringGrid::Chunk& TStringGrid::EnsureChunk(int col, int row) {
  Column& column = EnsureColumn(col);
  const auto chunk = static_cast<std::size_t>(ChunkOf(row));
  if (chunk >= column.chunks.size()) column.chunks.resize(chunk + 1);
  if (!column.chunks[chunk]) {
    column.chunks[chunk] = std::make_unique<Chunk>();
    ++chunk_count_;
  }
  return *column.chunks[chunk];
}

void TStringGrid::Account(Chunk& chunk, int col, int row, bool held) {
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

void TStringGrid::ReleaseChunk(int col, int row) {
  Column& column = EnsureColumn(col);  // exists: it holds the chunk
  column.chunks[ChunkOf(row)].reset();
  --chunk_count_;
  while (!column.chunks.empty() && !column.chunks.back()) column.chunks.pop_back();
  if (column.chunks.empty() && col >= kDenseColumns) far_columns_.erase(col);
}

// ---- cells -------------------------------------------------------------------------------

std::string_view TStringGrid::CellView(int col, int row) const {
  CheckReadIndex(col, row);
  const Chunk* chunk = FindChunk(col, row);
  return chunk ? chunk->texts[SlotOf(row)].View() : std::string_view();
}

std::intptr_t TStringGrid::Objects(int col, int row) const {
  CheckReadIndex(col, row);
  const Chunk* chunk = FindChunk(col, row);
  return chunk ? chunk->Object(SlotOf(row)) : 0;
}

void TStringGrid::SetCells(int col, int row, std::string_view text) {
  CheckWriteIndex(col, row);
  written_rows_.Set(row);
  PackedText fresh(text);  // allocate before the store changes
  Chunk* chunk = MutableChunk(col, row);
  if (chunk == nullptr && !text.empty()) chunk = &EnsureChunk(col, row);
  if (chunk != nullptr) {
    const bool held = chunk->Holds(SlotOf(row));
    chunk->texts[SlotOf(row)] = std::move(fresh);
    Account(*chunk, col, row, held);
  }
  CellChanged(col, row);
}

void TStringGrid::SetObjects(int col, int row, std::intptr_t object) {
  CheckWriteIndex(col, row);
  written_rows_.Set(row);
  Chunk* chunk = MutableChunk(col, row);
  const int slot = SlotOf(row);
  if (chunk == nullptr || !chunk->Holds(slot)) {
    if (object != 0) throw EStringSparseListError("PutObject to undefined item");
    return;  // object 0 on an empty cell: nothing to remove
  }
  if (object != 0) chunk->EnsureObjects();
  if (chunk->objects) chunk->objects[slot] = object;
  Account(*chunk, col, row, true);
  CellChanged(col, row);
}

TStringGridLine TStringGrid::Cols(int col) {
  if (col < 0) throw EListError(kIndexError);
  return TStringGridLine(*this, TStringGridLine::Kind::kColumn, col);
}

TStringGridLine TStringGrid::Rows(int row) {
  if (row < 0) throw EListError(kIndexError);
  return TStringGridLine(*this, TStringGridLine::Kind::kRow, row);
}

// ---- whole-cell moves ----------------------------------------------------------------

TGridCell TStringGrid::TakeCell(int col, int row) {
  CheckWriteIndex(col, row);
  written_rows_.Set(row);
  Chunk* chunk = MutableChunk(col, row);
  const int slot = SlotOf(row);
  if (chunk == nullptr || !chunk->Holds(slot)) return {};
  TGridCell cell{std::move(chunk->texts[slot]), chunk->Object(slot)};
  if (chunk->objects) chunk->objects[slot] = 0;
  Account(*chunk, col, row, true);
  return cell;
}

void TStringGrid::PutCell(int col, int row, TGridCell cell) {
  CheckWriteIndex(col, row);
  written_rows_.Set(row);
  Chunk* chunk = MutableChunk(col, row);
  if (chunk == nullptr) {
    if (cell.Empty()) return;
    chunk = &EnsureChunk(col, row);
  }
  const int slot = SlotOf(row);
  const bool held = chunk->Holds(slot);
  if (cell.object != 0) {
    try {
      chunk->EnsureObjects();
    } catch (...) {
      if (chunk->stored == 0) ReleaseChunk(col, row);
      throw;
    }
  }
  chunk->texts[slot] = std::move(cell.text);
  if (chunk->objects) chunk->objects[slot] = cell.object;
  Account(*chunk, col, row, held);
}

void TStringGrid::MoveCell(int from_col, int from_row, int to_col, int to_row) {
  CheckWriteIndex(to_col, to_row);
  PutCell(to_col, to_row, TakeCell(from_col, from_row));
}

void TStringGrid::ExchangeCells(int col1, int row1, int col2, int row2) {
  CheckWriteIndex(col1, row1);
  CheckWriteIndex(col2, row2);
  TGridCell first = TakeCell(col1, row1);
  TGridCell second = TakeCell(col2, row2);
  PutCell(col1, row1, std::move(second));
  PutCell(col2, row2, std::move(first));
}

// ---- permutation of a column -------------------------------------------------------------

// Makes every chunk that may receive a cell exist beforehand, with object slots when any
// chunk of the rows holds objects, so that the walk itself cannot fail. A column whose
// chunks all exist already (the usual dense case) needs nothing. Chunks made here that
// stay empty are released again by RecountColumnChunks.
void TStringGrid::PrepareColumnPermutation(int col, const std::vector<std::int32_t>& moves) {
  const Column* column = FindColumn(col);
  if (column == nullptr) return;  // no cell at all: nothing will move
  const int rows = static_cast<int>(moves.size());
  const auto chunks = static_cast<std::size_t>(ChunkOf(rows - 1)) + 1;
  std::size_t with_objects = 0;
  bool all_exist = column->chunks.size() >= chunks;
  for (std::size_t c = 0; c < std::min(chunks, column->chunks.size()); ++c) {
    const Chunk* chunk = column->chunks[c].get();
    all_exist = all_exist && chunk != nullptr;
    with_objects += chunk != nullptr && chunk->objects ? 1 : 0;
  }
  if (all_exist && (with_objects == 0 || with_objects == chunks)) return;
  try {
    for (int row = 0; row < rows; ++row) {
      if (moves[row] == row) continue;
      Chunk& chunk = EnsureChunk(col, row);
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
void TStringGrid::RecountColumnChunks(int col, int rows) {
  const Column* column = FindColumn(col);
  if (column == nullptr) return;
  const int last = std::min(ChunkOf(rows - 1), static_cast<int>(column->chunks.size()) - 1);
  for (int c = last; c >= 0; --c) {  // backwards: releases shrink the vector
    Chunk* chunk = MutableChunk(col, c * kChunkRows);
    if (chunk == nullptr) continue;
    std::uint32_t held = 0;
    for (int slot = 0; slot < kChunkRows; ++slot) held += chunk->Holds(slot) ? 1 : 0;
    stored_cells_ = stored_cells_ - chunk->stored + held;
    chunk->stored = held;
    if (held == 0) ReleaseChunk(col, c * kChunkRows);
  }
}

namespace {

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

}  // namespace

// Cell moves on the chunks of one column for PermuteColumn. A place whose chunk is missing
// holds an empty cell; PrepareColumnPermutation made every chunk that receives a cell.
struct TStringGrid::ColumnMover {
  TStringGrid& grid;
  Column* column;

  Chunk* ChunkAt(int row) const {
    if (column == nullptr) return nullptr;
    const auto c = static_cast<std::size_t>(ChunkOf(row));
    return c < column->chunks.size() ? column->chunks[c].get() : nullptr;
  }
  TGridCell Take(int row) {
    grid.written_rows_.Set(row);
    TGridCell cell;
    Chunk* chunk = ChunkAt(row);
    if (chunk == nullptr) return cell;
    cell.text = std::move(chunk->texts[SlotOf(row)]);
    if (chunk->objects) cell.object = std::exchange(chunk->objects[SlotOf(row)], 0);
    return cell;
  }
  void Put(int row, TGridCell&& cell) {
    Chunk* chunk = ChunkAt(row);
    if (chunk == nullptr) return;
    chunk->texts[SlotOf(row)] = std::move(cell.text);
    if (chunk->objects) chunk->objects[SlotOf(row)] = cell.object;
  }
  void Move(int from, int to) { Put(to, Take(from)); }
  void Prefetch(int row) const {
    const Chunk* chunk = ChunkAt(row);
    if (chunk == nullptr) return;
    __builtin_prefetch(&chunk->texts[SlotOf(row)]);
    if (chunk->objects) __builtin_prefetch(&chunk->objects[SlotOf(row)]);
  }

  // The permutation `moves` (a permutation of 0..rows-1) by gathering into fresh chunks:
  // row i of the new chunks receives the cell of row moves[i]. The reads are known ahead,
  // so they are requested far in advance instead of one cycle step at a time. Needs every
  // chunk over the rows to exist, all with objects or all without. Marks the rows with
  // moves[i] != i as written and fixes `moves`. Returns false, with no cell moved, when
  // the conditions do not hold or the fresh chunks cannot be had (std::bad_alloc).
  bool Gather(std::vector<std::int32_t>& moves) {
    const int rows = static_cast<int>(moves.size());
    const auto chunks = static_cast<std::size_t>(ChunkOf(rows - 1)) + 1;
    if (column == nullptr || column->chunks.size() < chunks) return false;
    const bool objects = column->chunks[0] && column->chunks[0]->objects;
    for (std::size_t c = 0; c < chunks; ++c)
      if (!column->chunks[c] || (column->chunks[c]->objects != nullptr) != objects) return false;
    std::vector<std::unique_ptr<Chunk>> fresh(chunks);
    try {
      for (auto& chunk : fresh) {
        chunk = std::make_unique<Chunk>();
        if (objects) chunk->EnsureObjects();
      }
      for (int row = 0; row < rows; ++row)
        if (moves[row] != row) grid.written_rows_.Set(row);
    } catch (const std::bad_alloc&) {
      return false;
    }
    GatherInto(fresh, moves, objects);
    for (std::size_t c = 0; c < chunks; ++c) {
      fresh[c]->stored = column->chunks[c]->stored;  // recounted by the caller
      column->chunks[c].swap(fresh[c]);
    }
    return true;
  }
  void GatherInto(std::vector<std::unique_ptr<Chunk>>& fresh, std::vector<std::int32_t>& moves,
                  bool objects) noexcept {
    constexpr int kAhead = 24;
    const int rows = static_cast<int>(moves.size());
    for (int row = 0; row < rows; ++row) {
      if (row + kAhead < rows) Prefetch(moves[row + kAhead]);
      const int from = moves[row];
      Chunk& source = *column->chunks[ChunkOf(from)];
      Chunk& target = *fresh[ChunkOf(row)];
      target.texts[SlotOf(row)] = std::move(source.texts[SlotOf(from)]);
      if (objects) target.objects[SlotOf(row)] = source.objects[SlotOf(from)];
      moves[row] = row;
    }
    // Cells past the rows in the last chunk stay where they are.
    Chunk& source = *column->chunks[ChunkOf(rows - 1)];
    Chunk& target = *fresh[ChunkOf(rows - 1)];
    for (int slot = SlotOf(rows - 1) + 1; slot < kChunkRows; ++slot) {
      target.texts[slot] = std::move(source.texts[slot]);
      if (objects) target.objects[slot] = source.objects[slot];
    }
  }
};

void TStringGrid::PermuteColumn(int col, std::vector<std::int32_t>& moves) {
  CheckWriteIndex(col, 0);
  const int rows = static_cast<int>(moves.size());
  if (rows == 0) return;
  const bool permutation = IsPermutation(moves);
  PrepareColumnPermutation(col, moves);
  ColumnMover mover{*this, const_cast<Column*>(FindColumn(col))};
  auto from = [&moves](int row) -> std::int32_t& { return moves[row]; };
  if (permutation && mover.Gather(moves)) return RecountColumnChunks(col, rows);
  if (permutation) {
    try {
      PermuteInPlace(rows, from, mover);
      return RecountColumnChunks(col, rows);
    } catch (const std::bad_alloc&) {  // before any cell moved: walk cycle by cycle
    }
  }
  // The plain walk, also right for moves that are not a permutation.
  for (int start = 0; start < rows; ++start) {
    if (moves[start] == start) continue;
    int i = start;
    TGridCell aside = mover.Take(i);
    for (;;) {
      const int j = moves[i];
      moves[i] = i;
      if (moves[j] == j) break;
      mover.Move(j, i);
      i = j;
    }
    mover.Put(i, std::move(aside));
  }
  RecountColumnChunks(col, rows);
}

// ---- line clearing ---------------------------------------------------------------------

void TStringGrid::ClearRowCells(int row) {
  written_rows_.Set(row);
  const auto chunk_index = static_cast<std::size_t>(ChunkOf(row));
  auto clear_in = [&](int col, const Column& column) {
    if (chunk_index < column.chunks.size() && column.chunks[chunk_index]) TakeCell(col, row);
  };
  for (std::size_t col = 0; col < dense_columns_.size(); ++col)
    clear_in(static_cast<int>(col), dense_columns_[col]);
  std::vector<int> far;  // TakeCell may change the map, so collect the keys first
  for (const auto& [col, column] : far_columns_) far.push_back(col);
  for (int col : far)
    if (const Column* column = FindColumn(col)) clear_in(col, *column);
}

void TStringGrid::ClearColumnCells(int col, int row_count) {
  written_rows_.SetRange(0, row_count - 1);
  const Column* column = FindColumn(col);
  if (column == nullptr) return;
  const auto chunks = std::min(column->chunks.size(),
                               static_cast<std::size_t>(ChunkOf(row_count - 1)) + 1);
  for (std::size_t chunk = chunks; chunk-- > 0;) {  // backwards: released tails shrink the vector
    column = FindColumn(col);
    if (column == nullptr || chunk >= column->chunks.size() || !column->chunks[chunk]) continue;
    const int first = static_cast<int>(chunk) * kChunkRows;
    const int last = std::min(row_count - 1, first + kChunkRows - 1);
    for (int row = last; row >= first; --row) TakeCell(col, row);
  }
}

// ---- block moves for whole-line editing ----------------------------------------------------

void TStringGrid::MarkRowsWritten(int first, int last) {
  if (first <= last) written_rows_.SetRange(first, last);
}

void TStringGrid::TidyColumn(int col) {
  auto* column = const_cast<Column*>(FindColumn(col));
  if (column == nullptr) return;
  while (!column->chunks.empty() && !column->chunks.back()) column->chunks.pop_back();
  if (column->chunks.empty() && col >= kDenseColumns) far_columns_.erase(col);
}

std::vector<int> TStringGrid::StoredColumnsIn(int first, int last) const {
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

void TStringGrid::ForEachStoredCell(const std::function<void(int col, int row)>& visit) const {
  const auto visit_column = [&](int col, const Column& column) {
    for (std::size_t c = 0; c < column.chunks.size(); ++c) {
      const Chunk* chunk = column.chunks[c].get();
      if (chunk == nullptr) continue;
      for (int slot = 0; slot < kChunkRows; ++slot)
        if (chunk->Holds(slot)) visit(col, static_cast<int>(c) * kChunkRows + slot);
    }
  };
  for (std::size_t col = 0; col < dense_columns_.size(); ++col)
    visit_column(static_cast<int>(col), dense_columns_[col]);
  for (const auto& [col, column] : far_columns_) visit_column(col, column);
}

void TStringGrid::ClearColumnRange(int col, int first, int last) {
  if (first > last) return;
  MarkRowsWritten(first, last);
  const Column* column = FindColumn(col);
  if (column == nullptr || column->chunks.empty()) return;
  const int top = std::min(ChunkOf(last), static_cast<int>(column->chunks.size()) - 1);
  for (int c = top; c >= ChunkOf(first); --c) {  // backwards: releases shrink the vector
    Chunk* chunk = MutableChunk(col, c * kChunkRows);
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
void TStringGrid::RelocateRun(int col, int src, int dst, int n) {
  Chunk* from = MutableChunk(col, src);
  if (from == nullptr) return;  // nothing to move; the destination is empty already
  const int s = SlotOf(src);
  std::uint32_t held = 0;
  for (int k = 0; k < n; ++k) held += from->Holds(s + k) ? 1 : 0;
  if (held == 0) return;
  Chunk& to = EnsureChunk(col, dst);
  if (from->objects && !to.objects) {
    try {
      to.EnsureObjects();
    } catch (...) {
      if (to.stored == 0) ReleaseChunk(col, dst);
      throw;
    }
  }
  const int d = SlotOf(dst);
  auto move_one = [&](int k) {
    to.texts[d + k] = std::move(from->texts[s + k]);
    if (!from->objects) return;
    const std::intptr_t object = from->objects[s + k];
    from->objects[s + k] = 0;
    to.objects[d + k] = object;
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

void TStringGrid::ShiftColumnRows(int col, int first, int last, int by) {
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

void TStringGrid::MoveColumnRows(int from, int to, int row_count) {
  if (row_count <= 0 || from == to) return;
  ClearColumnRange(to, 0, row_count - 1);  // also marks the rows
  if (FindColumn(from) == nullptr) return;
  Column& target = EnsureColumn(to);  // first: growing the dense columns moves them
  auto* source = const_cast<Column*>(FindColumn(from));
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

void TStringGrid::CopyColumnCells(int from_col, int from_first, int to_col, int to_first,
                                  int count) {
  if (count <= 0) return;
  ClearColumnRange(to_col, to_first, to_first + count - 1);
  for (int k = 0; k < count;) {
    const int row = from_first + k;
    const int n = std::min(kChunkRows - SlotOf(row), count - k);
    // The source chunk stays put: the stretches do not overlap and nothing is emptied.
    if (const Chunk* chunk = FindChunk(from_col, row)) {
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

// ---- line views --------------------------------------------------------------------------

void TStringGridLine::CheckIndex(int index) const {
  if (index < 0 || index >= GetCount()) throw EListError(kIndexError);
}

int TStringGridLine::GetCount() const {
  return kind_ == Kind::kColumn ? grid_->RowCount() : grid_->ColCount();
}

std::string TStringGridLine::Get(int index) const {
  CheckIndex(index);
  return grid_->Cells(ColOf(index), RowOf(index));
}

std::intptr_t TStringGridLine::GetObject(int index) const {
  CheckIndex(index);
  return grid_->Objects(ColOf(index), RowOf(index));
}

void TStringGridLine::Put(int index, const std::string& text) {
  CheckIndex(index);
  grid_->SetCells(ColOf(index), RowOf(index), text);
}

void TStringGridLine::PutObject(int index, std::intptr_t object) {
  CheckIndex(index);
  grid_->SetObjects(ColOf(index), RowOf(index), object);
}

void TStringGridLine::Clear() {
  if (kind_ == Kind::kRow)
    grid_->ClearRowCells(index_);
  else
    grid_->ClearColumnCells(index_, grid_->RowCount());
  grid_->ContentChanged();
}

void TStringGridLine::Assign(const TStrings& source) {
  const int count = std::min(source.Count(), Count());
  const auto* line = dynamic_cast<const TStringGridLine*>(&source);
  for (int i = 0; i < count; ++i) {
    TGridCell cell;
    if (line != nullptr) {  // straight from the other grid's store, no string copies
      cell.text.Assign(line->grid_->CellView(line->ColOf(i), line->RowOf(i)));
      cell.object = line->grid_->Objects(line->ColOf(i), line->RowOf(i));
    } else {
      cell.text.Assign(source.Strings(i));
      cell.object = source.Objects(i);
    }
    grid_->PutCell(ColOf(i), RowOf(i), std::move(cell));
  }
  grid_->ContentChanged();
}

void TStringGridLine::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  grid_->ExchangeCells(ColOf(index1), RowOf(index1), ColOf(index2), RowOf(index2));
  grid_->ContentChanged();
}

void TStringGridLine::Delete(int /*index*/) { throw EInvalidGridOperation(kLineSizeError); }

void TStringGridLine::Insert(int /*index*/, const std::string& /*text*/) {
  throw EInvalidGridOperation(kLineSizeError);
}

void TStringGridLine::ForEachEntry(
    const std::function<void(std::string_view, std::intptr_t)>& visit) const {
  const int count = GetCount();
  if (kind_ == Kind::kRow) {
    for (int k = 0; k < count; ++k) visit(grid_->CellView(k, index_), grid_->Objects(k, index_));
    return;
  }
  for (int row = 0; row < count;) {  // a column: one chunk lookup per kChunkRows cells
    const TStringGrid::Chunk* chunk = grid_->FindChunk(index_, row);
    const auto end = static_cast<int>(std::min<std::int64_t>(
        count, (std::int64_t{ChunkOf(row)} + 1) * TStringGrid::kChunkRows));
    for (; row < end; ++row) {
      if (chunk == nullptr)
        visit(std::string_view(), 0);
      else
        visit(chunk->texts[SlotOf(row)].View(), chunk->Object(SlotOf(row)));
    }
  }
}

}  // namespace quillet
