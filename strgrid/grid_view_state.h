#pragma once
// TGridViewState: the dimensions and the visible state of a string grid, and the standard
// handling of its keys and mouse. What a shown grid works with: the column and row counts
// and the fixed lines, the current cell and the selection anchor, the options, line sizes
// and scrolling, the hit test, the cell editor flag, and the events. A grid that is not
// shown has all of it too; what needs a window (focus, repainting, the cell editor) goes
// through the host (SetHost), whose defaults let focus always succeed. Every change of what
// the grid looks like tells the host (TGridHost::GridChanged).
//
// It is one of the two bases of TStringGrid (strgrid/string_grid.h), the other being the
// cells; the events name that grid as their sender.

#include <functional>

#include "strgrid/grid_axis.h"
#include "strgrid/grid_types.h"

namespace quillet {

class TStringGrid;

class TGridViewState {
 public:
  static constexpr int kDefaultColWidth = 64;
  static constexpr int kDefaultRowHeight = 24;

  TGridViewState() = default;
  TGridViewState(const TGridViewState&) = delete;
  TGridViewState& operator=(const TGridViewState&) = delete;
  virtual ~TGridViewState() = default;

  // ---- dimensions -------------------------------------------------------------------
  // A new grid has 5 columns and 5 rows, one of each fixed.
  int ColCount() const noexcept { return col_count_; }
  int RowCount() const noexcept { return row_count_; }
  // A value below 1 becomes 1; if FixedCols (FixedRows) is not below the new value it
  // first becomes the new value - 1. Cells are untouched; the current cell, the anchor and
  // the scrolling are kept inside the table. The current value does nothing.
  void SetColCount(int value);
  void SetRowCount(int value);

  int FixedCols() const noexcept { return fixed_cols_; }
  int FixedRows() const noexcept { return fixed_rows_; }
  // A new value puts the current cell, the anchor and the top-left visible cell at
  // (FixedCols, FixedRows) (with goRowSelect the anchor's column is ColCount - 1).
  // Throws EInvalidGridOperation "Grid index out of range" for a value below 0, and
  // "Fixed column count must be less than column count" ("Fixed row count must be less
  // than row count") for a value not below ColCount (RowCount); the count is unchanged.
  void SetFixedCols(int value);
  void SetFixedRows(int value);

  // ---- events ------------------------------------------------------------------------
  using TSelectCellEvent =
      std::function<void(TStringGrid& sender, int col, int row, bool& can_select)>;
  using TGridNotifyEvent = std::function<void(TStringGrid& sender)>;
  using TKeyPressEvent = std::function<void(TStringGrid& sender, char& key)>;
  using TMouseEvent = std::function<void(TStringGrid& sender, TMouseButton button,
                                         TShiftState shift, int x, int y)>;

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
  // The grid the events name as their sender.
  virtual TStringGrid& Sender() noexcept = 0;

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

  int col_count_ = 5;
  int row_count_ = 5;
  int fixed_cols_ = 1;
  int fixed_rows_ = 1;
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
