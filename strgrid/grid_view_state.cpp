#include "strgrid/grid_view_state.h"

#include <algorithm>

#include "runtime/exceptions.h"

namespace quillet {

namespace {
constexpr int kMinSizedExtent = 1;  // a line resized by dragging keeps at least this
}  // namespace

// ---- dimensions ----------------------------------------------------------------------------

void TGridViewState::SetColCount(int value) {
  value = std::max(value, 1);
  if (value == col_count_) return;
  if (fixed_cols_ >= value) fixed_cols_ = value - 1;
  col_count_ = value;
  KeepCurrentInTable();
}

void TGridViewState::SetRowCount(int value) {
  value = std::max(value, 1);
  if (value == row_count_) return;
  if (fixed_rows_ >= value) fixed_rows_ = value - 1;
  row_count_ = value;
  KeepCurrentInTable();
}

void TGridViewState::SetFixedCols(int value) {
  if (value < 0) throw EInvalidGridOperation::IndexOutOfRange();
  if (value >= col_count_) throw EInvalidGridOperation::TooManyFixedCols();
  if (value == fixed_cols_) return;
  fixed_cols_ = value;
  ResetToFirstCell();
}

void TGridViewState::SetFixedRows(int value) {
  if (value < 0) throw EInvalidGridOperation::IndexOutOfRange();
  if (value >= row_count_) throw EInvalidGridOperation::TooManyFixedRows();
  if (value == fixed_rows_) return;
  fixed_rows_ = value;
  ResetToFirstCell();
}

// ---- host, checks ------------------------------------------------------------------------

TGridHost& TGridViewState::ActiveHost() noexcept {
  static TGridHost unshown;  // the defaults: focus always succeeds, nothing is drawn
  return host_ != nullptr ? *host_ : unshown;
}

void TGridViewState::CheckInTable(int col, int row) const {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount())
    throw EInvalidGridOperation::IndexOutOfRange();
}

bool TGridViewState::CurrentEditable() const noexcept {
  return current_.X >= FixedCols() && current_.Y >= FixedRows();
}

// ---- current cell and selection ----------------------------------------------------------

void TGridViewState::SetCol(int value) {
  if (value == current_.X) return;
  FocusCell(value, current_.Y, true);
}

void TGridViewState::SetRow(int value) {
  if (value == current_.Y) return;
  FocusCell(current_.X, value, true);
}

void TGridViewState::FocusCell(int col, int row, bool move_anchor) {
  MoveCurrent(col, row, move_anchor, true);
  Click();
}

bool TGridViewState::MoveCurrent(int col, int row, bool move_anchor, bool show) {
  CheckInTable(col, row);
  bool can_select = true;
  if (OnSelectCell) OnSelectCell(Sender(), col, row, can_select);
  // A handler may have shrunk the table: never leave the current cell outside it.
  if (!can_select || col >= ColCount() || row >= RowCount()) return false;
  SetEditorMode(false);  // the editor belongs to the cell being left
  current_ = {col, row};
  if (move_anchor || !options_.Contains(TGridOption::goRangeSelect)) anchor_ = current_;
  if (options_.Contains(TGridOption::goRowSelect)) anchor_.X = ColCount() - 1;
  if (show) ScrollIntoView(col, row);
  GridChanged();
  return true;
}

TGridRect TGridViewState::Selection() const noexcept {
  return {std::min(current_.X, anchor_.X), std::min(current_.Y, anchor_.Y),
          std::max(current_.X, anchor_.X), std::max(current_.Y, anchor_.Y)};
}

void TGridViewState::SetSelection(const TGridRect& value) {
  CheckInTable(value.Left, value.Top);
  CheckInTable(value.Right, value.Bottom);
  anchor_ = {value.Left, value.Top};
  current_ = {value.Right, value.Bottom};
  GridChanged();
}

void TGridViewState::ResetToFirstCell() {
  SetEditorMode(false);
  current_ = anchor_ = {FixedCols(), FixedRows()};
  if (options_.Contains(TGridOption::goRowSelect)) anchor_.X = ColCount() - 1;
  horz_.SetFirstVisible(FixedCols());
  vert_.SetFirstVisible(FixedRows());
  GridChanged();
}

void TGridViewState::KeepCurrentInTable() {
  const auto clamp = [](int value, int low, int high) { return std::clamp(value, low, high); };
  current_ = {clamp(current_.X, 0, ColCount() - 1), clamp(current_.Y, 0, RowCount() - 1)};
  anchor_ = {clamp(anchor_.X, 0, ColCount() - 1), clamp(anchor_.Y, 0, RowCount() - 1)};
  horz_.SetFirstVisible(clamp(horz_.FirstVisible(), FixedCols(), ColCount() - 1));
  vert_.SetFirstVisible(clamp(vert_.FirstVisible(), FixedRows(), RowCount() - 1));
  GridChanged();
}

void TGridViewState::ScrollIntoView(int col, int row) {
  // Without a client area (a grid that is not shown) nothing can be shown: keep the view.
  if (horz_.ClientExtent() > 0) horz_.SetFirstVisible(horz_.FirstVisibleShowing(HorzLines(), col));
  if (vert_.ClientExtent() > 0) vert_.SetFirstVisible(vert_.FirstVisibleShowing(VertLines(), row));
}

// ---- options, sizes, scrolling -------------------------------------------------------------

void TGridViewState::SetOptions(TGridOptions value) {
  if (value == options_) return;
  options_ = value;
  if (options_.Contains(TGridOption::goRowSelect)) anchor_.X = ColCount() - 1;
  if (!options_.Contains(TGridOption::goEditing) &&
      !options_.Contains(TGridOption::goAlwaysShowEditor))
    SetEditorMode(false);
  GridChanged();
}

void TGridViewState::SetDefaultColWidth(int value) {
  horz_.SetDefaultExtent(value);
  GridChanged();
}

void TGridViewState::SetDefaultRowHeight(int value) {
  vert_.SetDefaultExtent(value);
  GridChanged();
}

void TGridViewState::SetGridLineWidth(int value) {
  grid_line_width_ = std::max(value, 0);
  GridChanged();
}

int TGridViewState::ColWidths(int col) const {
  if (col < 0) throw EInvalidGridOperation::IndexOutOfRange();
  return horz_.Extent(col);
}

void TGridViewState::SetColWidths(int col, int value) {
  if (col < 0) throw EInvalidGridOperation::IndexOutOfRange();
  horz_.SetExtent(col, value);
  GridChanged();
}

int TGridViewState::RowHeights(int row) const {
  if (row < 0) throw EInvalidGridOperation::IndexOutOfRange();
  return vert_.Extent(row);
}

void TGridViewState::SetRowHeights(int row, int value) {
  if (row < 0) throw EInvalidGridOperation::IndexOutOfRange();
  vert_.SetExtent(row, value);
  GridChanged();
}

void TGridViewState::SetLeftCol(int value) {
  value = std::clamp(value, FixedCols(), ColCount() - 1);
  if (value == horz_.FirstVisible()) return;
  horz_.SetFirstVisible(value);
  GridChanged();
}

void TGridViewState::SetTopRow(int value) {
  value = std::clamp(value, FixedRows(), RowCount() - 1);
  if (value == vert_.FirstVisible()) return;
  vert_.SetFirstVisible(value);
  GridChanged();
}

void TGridViewState::SetClientWidth(int value) {
  horz_.SetClientExtent(value);
  GridChanged();
}

void TGridViewState::SetClientHeight(int value) {
  vert_.SetClientExtent(value);
  GridChanged();
}

TGridAxis::Lines TGridViewState::HorzLines() const noexcept {
  const bool lines = options_.Contains(TGridOption::goFixedVertLine) ||
                     options_.Contains(TGridOption::goVertLine);
  return {FixedCols(), ColCount(), lines ? grid_line_width_ : 0};
}

TGridAxis::Lines TGridViewState::VertLines() const noexcept {
  const bool lines = options_.Contains(TGridOption::goFixedHorzLine) ||
                     options_.Contains(TGridOption::goHorzLine);
  return {FixedRows(), RowCount(), lines ? grid_line_width_ : 0};
}

// ---- hit test --------------------------------------------------------------------------------

TGridCoord TGridViewState::MouseCoord(int x, int y) const noexcept {
  return {horz_.LineAt(HorzLines(), x), vert_.LineAt(VertLines(), y)};
}

TGridState TGridViewState::SizingStateAt(int x, int y, int& index) const noexcept {
  index = -1;
  const bool col_sizing = designing_ || options_.Contains(TGridOption::goColSizing);
  const bool row_sizing = designing_ || options_.Contains(TGridOption::goRowSizing);
  if (!col_sizing && !row_sizing) return TGridState::gsNormal;
  const TGridAxis::Lines horz = HorzLines();
  const TGridAxis::Lines vert = VertLines();
  const bool past_fixed_cols = x >= horz_.FixedBoundary(horz, x);
  const bool past_fixed_rows = y >= vert_.FixedBoundary(vert, y);
  if (past_fixed_cols && col_sizing && y >= 0 && !past_fixed_rows) {
    index = horz_.SizingLineAt(horz, x);
    return index < 0 ? TGridState::gsNormal : TGridState::gsColSizing;
  }
  if (past_fixed_rows && row_sizing && x >= 0 && !past_fixed_cols) {
    index = vert_.SizingLineAt(vert, y);
    return index < 0 ? TGridState::gsNormal : TGridState::gsRowSizing;
  }
  return TGridState::gsNormal;
}

// ---- editor ----------------------------------------------------------------------------------

void TGridViewState::SetEditorMode(bool value) {
  if (value == editor_mode_) return;
  if (value) return OpenEditor(0);
  editor_mode_ = false;
  ActiveHost().EditorModeChanged(false, 0);
}

void TGridViewState::OpenEditor(char typed) {
  const bool editing = options_.Contains(TGridOption::goEditing) ||
                       options_.Contains(TGridOption::goAlwaysShowEditor);
  if (editor_mode_ || !editing || !CurrentEditable()) return;
  editor_mode_ = true;
  ActiveHost().EditorModeChanged(true, typed);
}

// ---- keys ------------------------------------------------------------------------------------

void TGridViewState::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(Sender(), key);
  if (key == '\r') return SetEditorMode(!editor_mode_);
  const auto byte = static_cast<unsigned char>(key);
  if (byte >= 0x20 && byte != 0x7F) OpenEditor(key);
}

bool TGridViewState::KeyDown(TGridKey key, TShiftState shift) {
  if (key == TGridKey::gkTab && !options_.Contains(TGridOption::goTabs)) return false;
  const TGridCoord target = NavigationTarget(key, shift);
  if (target == current_) return true;
  const bool keep_anchor = key != TGridKey::gkTab && shift.Contains(TShiftFlag::ssShift) &&
                           options_.Contains(TGridOption::goRangeSelect);
  FocusCell(target.X, target.Y, !keep_anchor);
  return true;
}

TGridCoord TGridViewState::NavigationTarget(TGridKey key, TShiftState shift) const {
  const int left = FixedCols(), top = FixedRows();
  const int right = ColCount() - 1, bottom = RowCount() - 1;
  const bool ctrl = shift.Contains(TShiftFlag::ssCtrl);
  const int page = std::max(vert_.LastVisible(VertLines()) - TopRow(), 1);
  TGridCoord at = {std::clamp(current_.X, left, right), std::clamp(current_.Y, top, bottom)};
  switch (key) {
    case TGridKey::gkLeft: return {std::max(at.X - 1, left), at.Y};
    case TGridKey::gkRight: return {std::min(at.X + 1, right), at.Y};
    case TGridKey::gkUp: return {at.X, std::max(at.Y - 1, top)};
    case TGridKey::gkDown: return {at.X, std::min(at.Y + 1, bottom)};
    case TGridKey::gkHome: return ctrl ? TGridCoord{left, top} : TGridCoord{left, at.Y};
    case TGridKey::gkEnd: return ctrl ? TGridCoord{right, bottom} : TGridCoord{right, at.Y};
    case TGridKey::gkPageUp: return {at.X, std::max(at.Y - page, top)};
    case TGridKey::gkPageDown: return {at.X, std::min(at.Y + page, bottom)};
    case TGridKey::gkTab: break;
  }
  if (shift.Contains(TShiftFlag::ssShift)) {  // Shift+Tab: back, wrapping to the row above
    if (at.X > left) return {at.X - 1, at.Y};
    return at.Y > top ? TGridCoord{right, at.Y - 1} : at;
  }
  if (at.X < right) return {at.X + 1, at.Y};
  return at.Y < bottom ? TGridCoord{left, at.Y + 1} : at;
}

// ---- mouse -----------------------------------------------------------------------------------

bool TGridViewState::TakeFocusForPress() {
  if (!designing_ && CanFocus()) SetFocus();
  return IsActiveControl();
}

void TGridViewState::Click() {
  if (OnClick) OnClick(Sender());
}

void TGridViewState::DblClick() {
  if (OnDblClick) OnDblClick(Sender());
}

void TGridViewState::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  StandardMouseDown(button, shift, x, y, false);
}

void TGridViewState::StandardMouseDown(TMouseButton button, TShiftState shift, int x, int y,
                                    bool dbl_click_done) {
  if (TakeFocusForPress() && button == TMouseButton::mbLeft) {
    if (!shift.Contains(TShiftFlag::ssDouble)) {
      PressLeft(shift, x, y);
    } else {
      if (!dbl_click_done) DblClick();
      const TGridCoord cell = MouseCoord(x, y);
      if (cell == current_) OpenEditor(0);  // a double press on the current cell edits it
    }
  }
  if (OnMouseDown) OnMouseDown(Sender(), button, shift, x, y);
}

void TGridViewState::PressLeft(TShiftState shift, int x, int y) {
  int index = -1;
  const TGridState sizing = SizingStateAt(x, y, index);
  if (sizing != TGridState::gsNormal) {
    const bool cols = sizing == TGridState::gsColSizing;
    const TGridAxis& axis = cols ? horz_ : vert_;
    const int start = axis.LineStart(cols ? HorzLines() : VertLines(), index);
    const int pos = cols ? x : y;
    state_ = sizing;
    sizing_index_ = index;
    sizing_start_ = start;
    sizing_offset_ = start + axis.Extent(index) - pos;
    return;
  }
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.X < FixedCols() || cell.Y < FixedRows()) return;  // fixed cells or beyond the table
  const bool keep_anchor = shift.Contains(TShiftFlag::ssShift) &&
                           options_.Contains(TGridOption::goRangeSelect);
  state_ = TGridState::gsSelecting;
  MoveCurrent(cell.X, cell.Y, !keep_anchor, true);
}

void TGridViewState::MouseMove(TShiftState /*shift*/, int x, int y) {
  if (state_ == TGridState::gsColSizing || state_ == TGridState::gsRowSizing)
    return TrackSizing(x, y);
  if (state_ != TGridState::gsSelecting) return;
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.X < FixedCols() || cell.Y < FixedRows() || cell == current_) return;
  MoveCurrent(cell.X, cell.Y, !options_.Contains(TGridOption::goRangeSelect), true);
}

void TGridViewState::TrackSizing(int x, int y) {
  const bool cols = state_ == TGridState::gsColSizing;
  const int extent = std::max((cols ? x : y) + sizing_offset_ - sizing_start_, kMinSizedExtent);
  if (cols)
    SetColWidths(sizing_index_, extent);
  else
    SetRowHeights(sizing_index_, extent);
}

void TGridViewState::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  const TGridState ended = state_;
  if (ended == TGridState::gsColSizing || ended == TGridState::gsRowSizing) TrackSizing(x, y);
  state_ = TGridState::gsNormal;
  sizing_index_ = -1;
  if (ended == TGridState::gsSelecting) Click();
  if (OnMouseUp) OnMouseUp(Sender(), button, shift, x, y);
}

}  // namespace quillet
