#pragma once
// TCellStore: the cells of a string grid, a sparse store of texts with objects, and the ways
// the grid's operations move them: single cells, permutations of a line, whole rows or
// columns, and the block moves of inserting and deleting lines. TStringGrid
// (strgrid/string_grid.h) is a TCellStore with the grid's dimensions and visible state.
//
// A cell, addressed by column and row (both from 0, column first), holds a text of 8-bit
// bytes and an object (an opaque pointer-sized value the store never looks into; 0 means
// "no object"). The store has no bounds: a cell at any non-negative column and row can be
// written and read, whatever the grid's counts say.
//
// Storage is column-major and sparse at chunk granularity (strgrid/cell_chunk.h). A column is
// a vector of chunk pointers, one per block of kChunkRows rows, and a chunk exists only while
// at least one of its cells holds a non-empty text or a non-zero object, so an empty region
// of a column costs one null pointer per chunk and a column without cells costs a few words.
// Column indices below kDenseColumns sit in a vector, larger ones in a map, so a cell at a
// huge column index stays cheap. A column with a cell at a huge row index pays one pointer
// per kChunkRows rows above it.
//
// Change notification: a write of one cell through SetCells or SetObjects calls the
// CellsChanged hook. The moves below do not; the operation that uses them calls the hook
// once when it is done.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "strgrid/cell_chunk.h"
#include "strgrid/row_marks.h"

namespace quillet {

class TCellStore {
 public:
  static constexpr int kChunkRows = TCellChunk::kRows;
  static constexpr int kDenseColumns = 4096;

  TCellStore();
  TCellStore(const TCellStore&) = delete;
  TCellStore& operator=(const TCellStore&) = delete;
  virtual ~TCellStore();

  // ---- cells ------------------------------------------------------------------------
  // Negative indices: writing, and reading with a negative row, throw EListError
  // "List index out of bounds". Reading with a negative column throws the same once any
  // cell of that row has been written (by any write, even of the empty text) and gives ""
  // and object 0 before that.

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

  // ---- whole-cell moves ---------------------------------------------------------------
  // These follow the index rules of writing a cell (negative -> EListError), move a cell's
  // text and object as one unit, without the object rule of SetObjects, and mark the rows
  // they touch as written.

  // Removes the cell and returns its content (empty if none).
  TGridCell TakeCell(int col, int row);
  // Replaces the cell's content by `cell` (an empty `cell` removes the cell).
  void PutCell(int col, int row, TGridCell cell);
  // Moves the content of (from_col, from_row) to (to_col, to_row); the source ends empty.
  void MoveCell(int from_col, int from_row, int to_col, int to_row);
  // Swaps the contents of two cells.
  void ExchangeCells(int col1, int row1, int col2, int row2);

  // ---- permutations (WalkCycles, strgrid/cycle_walk.h) ---------------------------------
  // Each moves cells so that position i receives what stood at position moves[i], for i in
  // 0..moves.size()-1, exactly as the walk describes (also for moves that are no
  // permutation), and leaves moves[i] == i. Positions with moves[i] == i are not touched.
  // Every value of `moves` must lie in 0..moves.size()-1.

  // Positions are the rows of column `col`. Works on the chunks directly; every row with
  // moves[i] != i is marked as written. Throws EListError "List index out of bounds" for
  // col < 0 and std::bad_alloc (the chunks it needs are made before any cell moves); no cell
  // moves then.
  void PermuteColumn(int col, std::vector<std::int32_t>& moves);
  // Positions are the columns of row `row`. Throws EListError for row < 0 at the first cell
  // it takes, before any cell moves.
  void PermuteRow(int row, std::vector<std::int32_t>& moves);
  // Positions are whole rows: the cells of columns first_col..end_col-1 move together.
  void PermuteRows(int first_col, int end_col, std::vector<std::int32_t>& moves);
  // Positions are whole columns: the cells of rows first_row..end_row-1 move together.
  void PermuteColumns(int first_row, int end_row, std::vector<std::int32_t>& moves);

  // ---- block moves for inserting and deleting whole lines ------------------------------
  // Each works on stored chunks only (empty stretches cost nothing), moves a cell's text and
  // object as one unit and marks the rows it covers as written. Indices are not checked:
  // the caller passes columns >= 0 and row ranges inside 0..INT_MAX (first > last is an
  // empty range).

  // Empties rows first..last of column `col` (whole chunks are released at once).
  void ClearColumnRange(int col, int first, int last);
  // Moves rows first..last of column `col` to first+by..last+by, keeping their order.
  // Destination rows outside the moved range lose what they held; the rows left behind
  // end empty. Runs of cells move chunk by chunk in tight loops (no per-cell lookups).
  void ShiftColumnRows(int col, int first, int last, int by);
  // Moves rows 0..row_count-1 of column `from` into column `to` (from != to); what `to`
  // held there is discarded and `from` ends empty there. Whole chunks change column.
  void MoveColumnRows(int from, int to, int row_count);
  // Copies `count` cells of column `from_col` starting at row `from_first` into column
  // `to_col` from row `to_first` (the two stretches must not overlap); the destination
  // loses what it held, the source keeps its cells.
  void CopyColumnCells(int from_col, int from_first, int to_col, int to_first, int count);
  // Empties every stored cell of row `row` (row >= 0), in every column.
  void ClearRowCells(int row);
  // The indices of the columns in first..last that hold at least one cell, ascending.
  std::vector<int> StoredColumnsIn(int first, int last) const;
  // Calls `visit` for every cell that holds a text or an object, column by column, rows
  // ascending. `visit` must not change the store.
  void ForEachStoredCell(const std::function<void(int col, int row)>& visit) const;
  // Calls `visit(text, object)` for rows 0..count-1 of column `col` (>= 0) in order, one
  // chunk lookup per kChunkRows rows. Texts are valid during the call; `visit` must not
  // change the store.
  void ForEachColumnCell(int col, int count,
                         const std::function<void(std::string_view, std::intptr_t)>& visit) const;
  // Marks rows first..last as written (see the negative-column read rule above).
  void MarkRowsWritten(int first, int last);

  // Number of cells holding a non-empty text or an object.
  std::size_t StoredCellCount() const noexcept { return stored_cells_; }
  // Number of chunks allocated (the store's memory is about 16 KiB per chunk).
  std::size_t ChunkCount() const noexcept { return chunk_count_; }

 protected:
  // Called after SetCells or SetObjects wrote a cell; and by the operations that move
  // cells, once they are done. Does nothing here.
  virtual void CellsChanged() {}

 private:
  static void CheckWriteIndex(int col, int row);
  void CheckReadIndex(int col, int row) const;
  const TCellColumn* FindColumn(int col) const noexcept;
  TCellColumn* MutableColumn(int col) noexcept {
    return const_cast<TCellColumn*>(FindColumn(col));
  }
  TCellColumn& EnsureColumn(int col);
  const TCellChunk* FindChunk(int col, int row) const noexcept;
  TCellChunk* MutableChunk(int col, int row) noexcept {
    return const_cast<TCellChunk*>(FindChunk(col, row));
  }
  TCellChunk& EnsureChunk(int col, int row);
  // EnsureChunk with object slots; a chunk made for them is released again on failure.
  TCellChunk& EnsureChunkWithObjects(int col, int row);
  // Updates the counts after cell (col, row) of `chunk` changed from holding `held`;
  // releases the chunk (and an emptied far column) once it holds nothing.
  void Account(TCellChunk& chunk, int col, int row, bool held);
  void ReleaseChunk(int col, int row);
  // Drops trailing null chunks and an emptied far column.
  void TidyColumn(int col);
  // Block-move step of ShiftColumnRows: one run of `n` cells inside one source chunk and
  // one destination chunk.
  void RelocateRun(int col, int src, int dst, int n);
  // PermuteColumn steps: mark the rows that move and make the chunks that will receive
  // cells; recount and release the chunks of rows 0..rows-1 afterwards.
  void PrepareColumnPermutation(int col, const std::vector<std::int32_t>& moves);
  void RecountColumnChunks(int col, int rows);
  void MarkMovingRows(const std::vector<std::int32_t>& moves);

  std::vector<TCellColumn> dense_columns_;
  std::map<int, TCellColumn> far_columns_;
  TRowMarks written_rows_;
  std::size_t stored_cells_ = 0;
  std::size_t chunk_count_ = 0;
};

}  // namespace quillet
