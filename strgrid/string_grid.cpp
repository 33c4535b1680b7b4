#include "strgrid/string_grid.h"

#include <algorithm>
#include <utility>

#include "runtime/exceptions.h"

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
  SizeChanged();
}

void TStringGrid::SetRowCount(int value) {
  value = std::max(value, 1);
  if (value == row_count_) return;
  if (fixed_rows_ >= value) fixed_rows_ = value - 1;
  row_count_ = value;
  SizeChanged();
}

void TStringGrid::SetFixedCols(int value) {
  if (value < 0) throw EInvalidGridOperation(kGridRangeError);
  if (value >= col_count_)
    throw EInvalidGridOperation("Fixed column count must be less than column count");
  if (value == fixed_cols_) return;
  fixed_cols_ = value;
  SizeChanged();
}

void TStringGrid::SetFixedRows(int value) {
  if (value < 0) throw EInvalidGridOperation(kGridRangeError);
  if (value >= row_count_)
    throw EInvalidGridOperation("Fixed row count must be less than row count");
  if (value == fixed_rows_) return;
  fixed_rows_ = value;
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

}  // namespace quillet
