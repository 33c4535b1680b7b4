#pragma once
// TStringGrid: the base grid model, a sparse store of text cells with line views, and
// TStringGridLine, the string-list view of one column or row of it.
//
// A cell, addressed by column and row (both from 0, column first), holds a text of 8-bit
// bytes and an object (an opaque pointer-sized value the grid never looks into; 0 means
// "no object"). Cell access is not bounded by ColCount and RowCount: cells outside the
// bounds are kept and show again when the bounds grow, and changing the counts never
// erases, moves or clears a cell.
//
// Storage is column-major and sparse at chunk granularity. A column is a vector of chunk
// pointers, one per block of kChunkRows rows; a chunk holds kChunkRows packed texts
// (16 bytes each) and, only once an object has been written into it, kChunkRows object
// slots. A chunk exists only while at least one of its cells holds a non-empty text or a
// non-zero object, so an empty region of a column costs one null pointer per chunk and a
// column without cells costs a few words. Column indices below kDenseColumns sit in a
// vector, larger ones in a map, so a cell at a huge column index stays cheap. A column
// with a cell at a huge row index pays one pointer per kChunkRows rows above it.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "strgrid/packed_text.h"
#include "strgrid/t_strings.h"

namespace quillet {

class TStringGrid;

// The content of one cell, taken out of the grid or about to be put in: text and object.
struct TGridCell {
  PackedText text;
  std::intptr_t object = 0;
  bool Empty() const noexcept { return object == 0 && text.Empty(); }
};

// The view of one line of a grid: a column (RowCount entries, entry r = cell (col, r)) or a
// row (ColCount entries, entry k = cell (k, row)). Reading and writing an entry reads and
// writes the cell; the count follows the grid's current counts. The view refers to the
// grid and must not outlive it. Obtain it through TStringGrid::Cols or Rows.
class TStringGridLine final : public TStrings {
 public:
  enum class Kind : std::uint8_t { kColumn, kRow };

  // Needs index >= 0 (the grid checks it before building a view).
  TStringGridLine(TStringGrid& grid, Kind kind, int index) noexcept
      : grid_(&grid), kind_(kind), index_(index) {}

  Kind LineKind() const noexcept { return kind_; }
  int Index() const noexcept { return index_; }

  // Empties the line's cells, text and object: a row view every stored cell of the row,
  // also past ColCount; a column view the column's first RowCount cells.
  void Clear() override;
  // Copies the first min(source.Count(), Count()) entries of `source`, text and object
  // together, into the line from index 0; cells past them keep their content. An entry
  // with an empty text and an object is copied like any other (no PutObject error).
  void Assign(const TStrings& source) override;
  // Swaps two cells of the line, text and object. Throws EListError
  // "List index out of bounds" unless both indices are in 0..Count()-1.
  void Exchange(int index1, int index2) override;
  // A view neither inserts nor deletes entries. Both throw EInvalidGridOperation
  // "Cannot insert or delete cells through a grid line"; nothing changes.
  void Delete(int index) override;
  void Insert(int index, const std::string& text) override;

 protected:
  // Entry access; an index outside 0..Count()-1 throws EListError
  // "List index out of bounds". PutObject follows TStringGrid::SetObjects.
  std::string Get(int index) const override;
  int GetCount() const override;
  std::intptr_t GetObject(int index) const override;
  void Put(int index, const std::string& text) override;
  void PutObject(int index, std::intptr_t object) override;

 private:
  void CheckIndex(int index) const;
  int ColOf(int index) const noexcept { return kind_ == Kind::kColumn ? index_ : index; }
  int RowOf(int index) const noexcept { return kind_ == Kind::kColumn ? index : index_; }

  TStringGrid* grid_;
  Kind kind_;
  int index_;
};

class TStringGrid {
 public:
  static constexpr int kChunkRows = 1024;
  static constexpr int kDenseColumns = 4096;

  // A grid of 5 columns and 5 rows with one fixed column and one fixed row, no cells.
  TStringGrid();
  TStringGrid(const TStringGrid&) = delete;
  TStringGrid& operator=(const TStringGrid&) = delete;
  virtual ~TStringGrid();

  // ---- dimensions -------------------------------------------------------------------
  int ColCount() const noexcept { return col_count_; }
  int RowCount() const noexcept { return row_count_; }
  // A value below 1 becomes 1; if FixedCols (FixedRows) is not below the new value it
  // first becomes the new value - 1. Cells are untouched. The current value does nothing.
  void SetColCount(int value);
  void SetRowCount(int value);

  int FixedCols() const noexcept { return fixed_cols_; }
  int FixedRows() const noexcept { return fixed_rows_; }
  // Throws EInvalidGridOperation "Grid index out of range" for a value below 0, and
  // "Fixed column count must be less than column count" ("Fixed row count must be less
  // than row count") for a value not below ColCount (RowCount); the count is unchanged.
  void SetFixedCols(int value);
  void SetFixedRows(int value);

  // ---- cells ------------------------------------------------------------------------
  // Negative indices: writing, reading with a negative row and taking a line view throw
  // EListError "List index out of bounds". Reading with a negative column throws the same
  // once any cell of that row has been written (by any write, even of the empty text) and
  // gives "" and object 0 before that.

  // The cell's text; "" if never written.
  std::string Cells(int col, int row) const { return std::string(CellView(col, row)); }
  // The same without a copy; valid until the cell is next changed.
  std::string_view CellView(int col, int row) const;
  // Sets the cell's text and keeps its object. The empty text on a cell without an object
  // removes the cell from the store.
  void SetCells(int col, int row, std::string_view text);
  // The cell's object; 0 if none.
  std::intptr_t Objects(int col, int row) const;
  // Attaches `object` to the cell, keeping its text. Object 0 removes the object (and the
  // cell, if its text is empty); writing 0 to an empty cell does nothing. A non-zero object
  // needs a cell holding a non-empty text or an object, else it throws
  // EStringSparseListError "PutObject to undefined item" and nothing changes.
  void SetObjects(int col, int row, std::intptr_t object);

  // The line views (see TStringGridLine). Throw EListError "List index out of bounds" for
  // a negative index.
  TStringGridLine Cols(int col);
  TStringGridLine Rows(int row);

  // ---- fast internal access for the grid's algorithms -------------------------------
  // These follow the index rules of writing a cell (negative -> EListError) and move a
  // cell's text and object as one unit, without the object rule of SetObjects.

  // Removes the cell and returns its content (empty if none).
  TGridCell TakeCell(int col, int row);
  // Replaces the cell's content by `cell` (an empty `cell` removes the cell).
  void PutCell(int col, int row, TGridCell cell);
  // Moves the content of (from_col, from_row) to (to_col, to_row); the source ends empty.
  void MoveCell(int from_col, int from_row, int to_col, int to_row);
  // Swaps the contents of two cells.
  void ExchangeCells(int col1, int row1, int col2, int row2);

  // Number of cells holding a non-empty text or an object.
  std::size_t StoredCellCount() const noexcept { return stored_cells_; }
  // Number of chunks allocated (the store's memory is about 16 KiB per chunk).
  std::size_t ChunkCount() const noexcept { return chunk_count_; }

 protected:
  // Hooks for a visible grid (no-ops here). CellChanged follows a write of one cell
  // through Cells, Objects or a line view entry; ContentChanged follows a change of many
  // cells at once (line view Clear or Assign, a rearrangement); SizeChanged follows a
  // change of ColCount, RowCount, FixedCols or FixedRows.
  virtual void CellChanged(int /*col*/, int /*row*/) {}
  virtual void ContentChanged() {}
  virtual void SizeChanged() {}
  // Lets subclasses announce a rearrangement they made through TakeCell/PutCell.
  void NotifyContentChanged() { ContentChanged(); }

 private:
  friend class TStringGridLine;
  struct Chunk;
  struct Column {
    std::vector<std::unique_ptr<Chunk>> chunks;
  };
  // One bit per row: set once any cell of the row has been written.
  class RowMarks {
   public:
    bool Test(int row) const noexcept;
    void Set(int row);
    void SetRange(int first, int last);  // rows first..last, first <= last

   private:
    static constexpr int kBlockBits = 1 << 16;
    std::vector<std::unique_ptr<std::uint64_t[]>> blocks_;
  };

  static void CheckWriteIndex(int col, int row);
  void CheckReadIndex(int col, int row) const;
  const Column* FindColumn(int col) const noexcept;
  Column& EnsureColumn(int col);
  const Chunk* FindChunk(int col, int row) const noexcept;
  Chunk* MutableChunk(int col, int row) noexcept {
    return const_cast<Chunk*>(FindChunk(col, row));
  }
  Chunk& EnsureChunk(int col, int row);
  // Updates the counts after cell (col, row) of `chunk` changed from holding `held`;
  // releases the chunk (and an emptied far column) once it holds nothing.
  void Account(Chunk& chunk, int col, int row, bool held);
  void ReleaseChunk(int col, int row);
  void ClearRowCells(int row);
  void ClearColumnCells(int col, int row_count);

  std::vector<Column> dense_columns_;
  std::map<int, Column> far_columns_;
  RowMarks written_rows_;
  std::size_t stored_cells_ = 0;
  std::size_t chunk_count_ = 0;
  int col_count_ = 5;
  int row_count_ = 5;
  int fixed_cols_ = 1;
  int fixed_rows_ = 1;
};

}  // namespace quillet
