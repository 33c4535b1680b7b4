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
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "strgrid/grid_axis.h"
#include "strgrid/grid_types.h"
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
  // Calls `visit(text, object)` for entries 0..Count()-1 in order, reading the cells
  // straight from the store (a column chunk by chunk). The text is valid during the call
  // only; `visit` must not change the grid.
  void ForEachEntry(const std::function<void(std::string_view, std::intptr_t)>& visit) const;

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
  // Moves the cells of column `col` along the cycles of `moves` exactly as a walk with
  // TakeCell / MoveCell / PutCell would: for each lowest row i with moves[i] != i, the cell
  // at i is set aside, then repeatedly j := moves[i], moves[i] := i, and unless
  // moves[j] == j the cell at j moves to i and i := j; the cell set aside goes to i. Every
  // row visited is marked as written; rows with moves[i] == i are not touched. Needs every
  // value in 0..moves.size()-1; `moves` ends with moves[i] == i. Works on the chunks
  // directly. Throws EListError "List index out of bounds" for col < 0 and std::bad_alloc
  // (chunks it needs are made before any cell moves); no cell moves then.
  void PermuteColumn(int col, std::vector<std::int32_t>& moves);

  // ---- block moves for inserting and deleting whole lines ------------------------------
  // Each works on stored chunks only (empty stretches cost nothing), moves a cell's text and
  // object as one unit and marks the rows it covers as written. Indices are not checked:
  // the caller passes columns >= 0 and row ranges inside 0..INT_MAX (first > last is an
  // empty range). They send no change notification; the caller announces the result.

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
  // The indices of the columns in first..last that hold at least one cell, ascending.
  std::vector<int> StoredColumnsIn(int first, int last) const;
  // Calls `visit` for every cell that holds a text or an object, column by column, rows
  // ascending. `visit` must not change the grid.
  void ForEachStoredCell(const std::function<void(int col, int row)>& visit) const;
  // Marks rows first..last as written (see the negative-column read rule above).
  void MarkRowsWritten(int first, int last);

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
  // Block-move steps (see ShiftColumnRows): one run of `n` cells inside one source chunk
  // and one destination chunk; drops trailing null chunks and an emptied far column.
  void RelocateRun(int col, int src, int dst, int n);
  void TidyColumn(int col);
  // PermuteColumn steps: make the chunks that will receive cells; recount and release the
  // chunks of rows 0..rows-1 afterwards.
  void PrepareColumnPermutation(int col, const std::vector<std::int32_t>& moves);
  void RecountColumnChunks(int col, int rows);
  struct ColumnMover;

  std::vector<Column> dense_columns_;
  std::map<int, Column> far_columns_;
  RowMarks written_rows_;
  std::size_t stored_cells_ = 0;
  std::size_t chunk_count_ = 0;
  int col_count_ = 5;
  int row_count_ = 5;
  int fixed_cols_ = 1;
  int fixed_rows_ = 1;

  // ==== the visible grid ==================================================================
  // (Definitions in strgrid/string_grid_view.cpp.) What a shown grid works with: the current
  // cell and the selection anchor, the options, line sizes and scrolling, the hit test, the
  // cell editor flag, and the standard handling of keys and of the mouse. A grid that is not
  // shown has all of it too; what needs a window (focus, repainting, the cell editor) goes
  // through the host (SetHost), whose defaults let focus always succeed.
 public:
  using TSelectCellEvent =
      std::function<void(TStringGrid& sender, int col, int row, bool& can_select)>;
  using TGridNotifyEvent = std::function<void(TStringGrid& sender)>;
  using TKeyPressEvent = std::function<void(TStringGrid& sender, char& key)>;
  using TMouseEvent = std::function<void(TStringGrid& sender, TMouseButton button,
                                         TShiftState shift, int x, int y)>;

  static constexpr int kDefaultColWidth = 64;
  static constexpr int kDefaultRowHeight = 24;

  // Raised before the current cell moves; clearing can_select keeps it where it is.
  TSelectCellEvent OnSelectCell;
  // Raised after a write of Col or Row (moved or not), a key move and a selecting release.
  TGridNotifyEvent OnClick;
  TGridNotifyEvent OnDblClick;
  TKeyPressEvent OnKeyPress;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;

  // ---- current cell and selection ---------------------------------------------------
  // The current cell, (1, 1) in a new grid. Writing a value that differs from the current
  // one moves the current cell along the standard path (FocusCell with the anchor moving
  // along); writing the current value does nothing.
  // Throws EInvalidGridOperation "Grid index out of range" for a target outside the table
  // (below 0 or not below ColCount / RowCount); nothing happens then.
  int Col() const noexcept { return current_.X; }
  void SetCol(int value);
  int Row() const noexcept { return current_.Y; }
  void SetRow(int value);
  // The standard path: MoveCurrent(col, row, move_anchor, true), then OnClick, whether the
  // cell moved or not. Throws as SetCol.
  void FocusCell(int col, int row, bool move_anchor);
  // Checks the target (throws as SetCol), raises OnSelectCell (col, row, can_select = true)
  // and, if can_select stays true and the target is still inside the table, closes the
  // cell editor, moves the current cell, moves the anchor along when `move_anchor` is true
  // or goRangeSelect is off (with goRowSelect the anchor's column is ColCount - 1), and
  // with `show` scrolls the cell into view (along an axis with a client extent above 0).
  // Returns whether the cell moved.
  bool MoveCurrent(int col, int row, bool move_anchor, bool show);
  // The other corner of the selection.
  TGridCoord Anchor() const noexcept { return anchor_; }
  // The rectangle spanned by the current cell and the anchor, normalised.
  TGridRect Selection() const noexcept;
  // Puts the anchor at (Left, Top) and the current cell at (Right, Bottom), no events.
  // Throws EInvalidGridOperation "Grid index out of range" if a corner lies outside the
  // table; nothing changes then.
  void SetSelection(const TGridRect& value);

  // ---- options, sizes, scrolling ------------------------------------------------------
  // goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine and goRangeSelect at first.
  TGridOptions Options() const noexcept { return options_; }
  void SetOptions(TGridOptions value);
  // Defaults 64, 24 and 1. Setting a default forgets the widths (heights) set for single
  // lines; a negative value counts as 0.
  int DefaultColWidth() const noexcept { return horz_.DefaultExtent(); }
  void SetDefaultColWidth(int value);
  int DefaultRowHeight() const noexcept { return vert_.DefaultExtent(); }
  void SetDefaultRowHeight(int value);
  int GridLineWidth() const noexcept { return grid_line_width_; }
  void SetGridLineWidth(int value);
  // The width (height) of one line. Throw EInvalidGridOperation "Grid index out of range"
  // for a negative index; a negative value counts as 0.
  int ColWidths(int col) const;
  void SetColWidths(int col, int value);
  int RowHeights(int row) const;
  void SetRowHeights(int row, int value);
  // The first visible scrolled column (row); written values are kept within FixedCols ..
  // ColCount - 1 (FixedRows .. RowCount - 1).
  int LeftCol() const noexcept { return horz_.FirstVisible(); }
  void SetLeftCol(int value);
  int TopRow() const noexcept { return vert_.FirstVisible(); }
  void SetTopRow(int value);
  // The size of the area the grid draws in, set by the window that shows it (0 at first).
  int ClientWidth() const noexcept { return horz_.ClientExtent(); }
  void SetClientWidth(int value);
  int ClientHeight() const noexcept { return vert_.ClientExtent(); }
  void SetClientHeight(int value);
  // The geometry of both axes with the grid's counts and effective line widths (the grid
  // line width when lines of that direction are in Options, else 0), for drawing.
  const TGridAxis& HorzAxis() const noexcept { return horz_; }
  const TGridAxis& VertAxis() const noexcept { return vert_; }
  TGridAxis::Lines HorzLines() const noexcept;
  TGridAxis::Lines VertLines() const noexcept;

  // ---- hit test -----------------------------------------------------------------------
  // The cell under the client point (x, y); a coordinate is -1 beyond the table's last
  // column (row). See TGridAxis::LineAt.
  TGridCoord MouseCoord(int x, int y) const noexcept;
  // gsColSizing with the column in `index` when the point is on a column's sizing line:
  // goColSizing (or Designing) set, the point right of the fixed columns and within the
  // fixed rows; gsRowSizing alike with goRowSizing, below the fixed rows and within the
  // fixed columns; otherwise gsNormal and index -1. See TGridAxis::SizingLineAt.
  TGridState SizingStateAt(int x, int y, int& index) const noexcept;

  // ---- editor, focus, host ------------------------------------------------------------
  // Whether the cell editor is open. Opening needs goEditing (or goAlwaysShowEditor) and a
  // current cell outside the fixed lines, else nothing happens; the host shows the editor.
  bool EditorMode() const noexcept { return editor_mode_; }
  void SetEditorMode(bool value);
  // Whether the grid is being designed: always false in this program unless a test sets it.
  bool Designing() const noexcept { return designing_; }
  void SetDesigning(bool value) noexcept { designing_ = value; }
  // The window side; nullptr (the default) is a host whose focus always succeeds. The host
  // must outlive the grid or be removed first.
  TGridHost* Host() const noexcept { return host_; }
  void SetHost(TGridHost* host) noexcept { host_ = host; }
  bool CanFocus() { return ActiveHost().CanFocus(); }
  void SetFocus() { ActiveHost().SetFocus(); }
  bool IsActiveControl() { return ActiveHost().IsActiveControl(); }
  // What the left mouse button is doing, and the line it is resizing (-1 if none).
  TGridState GridState() const noexcept { return state_; }
  int SizingIndex() const noexcept { return sizing_index_; }

  // ---- standard input handling ----------------------------------------------------------
  // A typed character: raises OnKeyPress; then with goEditing, Enter (13) opens or closes
  // the cell editor and a printable character (32 and above, not 127) opens it with that
  // character. Whatever a handler throws passes on.
  virtual void KeyPress(char& key);
  // A navigation key: arrows, Home/End (with ssCtrl: the first / last cell), PageUp/Down,
  // and Tab (only with goTabs; ssShift goes back) move the current cell inside the
  // scrolled (non-fixed) cells along the standard path; with ssShift and goRangeSelect the
  // anchor stays. Returns false for a key it does not handle (Tab without goTabs).
  bool KeyDown(TGridKey key, TShiftState shift);
  // A press: takes the focus (unless designing, when the host can focus); if the grid is
  // not then the active control only OnMouseDown is raised. Otherwise a left double press
  // raises OnDblClick (and with goEditing opens the editor on a scrolled cell); a single
  // left press on a sizing line starts resizing it, one on a scrolled cell moves the
  // current cell there (MoveCurrent; the anchor stays with ssShift and goRangeSelect) and
  // starts selecting. OnMouseDown follows in every case.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  // While selecting, moves the current cell to the scrolled cell under the point; while
  // resizing, sets the line's extent from the point (at least 1).
  void MouseMove(TShiftState shift, int x, int y);
  // Ends selecting (raising OnClick) or resizing, then raises OnMouseUp.
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);

 protected:
  // The press handling after the focus step; `dbl_click_done` skips raising OnDblClick.
  void StandardMouseDown(TMouseButton button, TShiftState shift, int x, int y,
                         bool dbl_click_done);
  // Takes the focus as a press does; returns whether the grid is the active control then.
  bool TakeFocusForPress();
  void Click();
  void DblClick();
  // Tells the host that the grid's look changed.
  void GridChanged() { ActiveHost().GridChanged(); }

 private:
  TGridHost& ActiveHost() noexcept;
  void CheckInTable(int col, int row) const;
  bool CurrentEditable() const noexcept;
  void OpenEditor(char typed);
  // After FixedCols / FixedRows got a new value: current cell, anchor and top-left cell to
  // (FixedCols, FixedRows), then a repaint.
  void ResetToFirstCell();
  // After ColCount / RowCount changed: current cell, anchor and scrolling back into range.
  void KeepCurrentInTable();
  void ScrollIntoView(int col, int row);
  void PressLeft(TShiftState shift, int x, int y);
  void TrackSizing(int x, int y);
  TGridCoord NavigationTarget(TGridKey key, TShiftState shift) const;

  TGridHost* host_ = nullptr;
  TGridCoord current_{1, 1};
  TGridCoord anchor_{1, 1};
  TGridOptions options_{TGridOption::goFixedVertLine, TGridOption::goFixedHorzLine,
                        TGridOption::goVertLine, TGridOption::goHorzLine,
                        TGridOption::goRangeSelect};
  TGridAxis horz_{kDefaultColWidth, 1};  // a new grid has one fixed column and row
  TGridAxis vert_{kDefaultRowHeight, 1};
  int grid_line_width_ = 1;
  bool editor_mode_ = false;
  bool designing_ = false;
  TGridState state_ = TGridState::gsNormal;
  int sizing_index_ = -1;
  int sizing_start_ = 0;   // where the line being resized starts
  int sizing_offset_ = 0;  // from the press point to the line's end
};

}  // namespace quillet
