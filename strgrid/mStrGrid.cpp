#include "strgrid/mStrGrid.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

#include "runtime/exceptions.h"
#include "strgrid/field_split.h"
#include "strgrid/table_file.h"

namespace quillet {

TmStrGrid::TmStrGrid()
    : date_time_format_copy_(sort_index_.DateTimeFormat()),
      short_year_expand_copy_(sort_index_.ShortYearExpand()),
      short_year_border_copy_(sort_index_.ShortYearBorder()) {
  sort_index_.SetQuietBulkSteps(true);  // a plain TmStrList: only its handlers observe it
}

// Members go before the base: SortIndex is destroyed first, then the cells.
TmStrGrid::~TmStrGrid() = default;

int TmStrGrid::SavedFixedRows() const noexcept {
  return fixed_click_active_ ? saved_fixed_rows_ : FixedRows();
}

int TmStrGrid::SavedFixedCols() const noexcept {
  return fixed_click_active_ ? saved_fixed_cols_ : FixedCols();
}

// ---- date-time settings ----------------------------------------------------------------

std::string TmStrGrid::DateTimeFormat() const { return sort_index_.DateTimeFormat(); }

void TmStrGrid::SetDateTimeFormat(const std::string& format) {
  if (format == date_time_format_copy_) return;  // the copy only detects a change
  date_time_format_copy_ = format;
  sort_index_.SetDateTimeFormat(format);  // the key list parses it and may throw
}

bool TmStrGrid::ShortYearExpand() const { return sort_index_.ShortYearExpand(); }

void TmStrGrid::SetShortYearExpand(bool value) {
  if (value == short_year_expand_copy_) return;
  short_year_expand_copy_ = value;
  sort_index_.SetShortYearExpand(value);
}

std::int32_t TmStrGrid::ShortYearBorder() const { return sort_index_.ShortYearBorder(); }

void TmStrGrid::SetShortYearBorder(std::int32_t value) {
  if (value == short_year_border_copy_) return;
  short_year_border_copy_ = value;
  sort_index_.SetShortYearBorder(value);
}

// ---- preparation ---------------------------------------------------------------------------

int TmStrGrid::KeySkip(int saved_fixed) const noexcept {
  return use_fixed_ == HandleFixed::hfYes ? 0 : saved_fixed;
}

int TmStrGrid::LineSkip(int saved_fixed) const noexcept {
  return use_fixed_ == HandleFixed::hfNot ? saved_fixed : 0;
}

void TmStrGrid::PrepareSortList(TmStrList& list, int key_skip) const {
  list.Clear();
  list.SetKeyPos(key_pos_);
  list.SetKeyLen(key_len_);
  list.SetKeyType(key_type_);
  list.SetStartIndex(key_skip);
  list.SetSortDescending(sort_descending_);
}

// ---- sorts -----------------------------------------------------------------------------------

void TmStrGrid::SortCol(int col) { SortLine(Axis::kColumn, col); }

void TmStrGrid::SortRow(int row) { SortLine(Axis::kRow, row); }

void TmStrGrid::SortAllRows() { SortEveryLine(Axis::kRow); }

void TmStrGrid::SortAllCols() { SortEveryLine(Axis::kColumn); }

void TmStrGrid::SortLine(Axis axis, int line) {
  undo_available_ = false;  // until this sort has moved its cells
  const bool column = axis == Axis::kColumn;
  const int key_skip = KeySkip(column ? SavedFixedRows() : SavedFixedCols());
  sorted_line_ = line;
  LoadSortIndex(axis, line, key_skip);
  PermuteLine(axis, line);
  last_sort_kind_ = column ? kSortColumn : kSortRow;
  undo_available_ = true;
}

// Prepares SortIndex, copies the line into it with each entry's position as its object and
// lets it sort. Cols/Rows check `line` (after SortIndex is emptied).
void TmStrGrid::LoadSortIndex(Axis axis, int line, int key_skip) {
  PrepareSortList(sort_index_, key_skip);
  sort_index_.AddStrings(axis == Axis::kColumn ? Cols(line) : Rows(line));
  sort_index_.NumberEntries();  // Objects(i) := i for every entry
  SortOnce(sort_index_);
}

// Sorts as Sort would, and leaves the list out of sorted mode in any case (also when it
// was in it before): the permutation step writes positions into it, which a list in sorted
// mode refuses, and later additions must append rather than go where Find puts them.
void TmStrGrid::SortOnce(TmStrList& list) {
  list.SetSorted(true);
  list.SetSorted(false);
}

void TmStrGrid::SortEveryLine(Axis axis) {
  undo_available_ = false;
  const bool rows = axis == Axis::kRow;
  const int first = LineSkip(rows ? SavedFixedRows() : SavedFixedCols());
  const int key_skip = KeySkip(rows ? SavedFixedCols() : SavedFixedRows());
  (rows ? first_moved_row_ : first_moved_col_) = first;
  sort_index_.Clear();
  RecordEveryLine(axis, first, key_skip);
  last_sort_kind_ = rows ? kSortAllRows : kSortAllCols;
  PermuteEveryLine(axis, first);
  undo_available_ = true;
}

// Sorts each line from `first` on by itself in a temporary key list (which keeps the
// default date-time settings) and appends its sorted objects to SortIndex, block by block.
void TmStrGrid::RecordEveryLine(Axis axis, int first, int key_skip) {
  TmStrList list;
  list.SetQuietBulkSteps(true);  // made here: nothing observes it
  PrepareSortList(list, key_skip);
  const int lines = axis == Axis::kRow ? RowCount() : ColCount();
  for (int line = first; line < lines; ++line) {
    list.Clear();
    list.AddStrings(axis == Axis::kRow ? Rows(line) : Cols(line));
    const int count = list.Count();
    list.NumberEntries();
    SortOnce(list);
    for (int i = 0; i < count; ++i) {
      const std::int32_t object = list.Objects(i);
      sort_index_.AddObject(std::to_string(object), object);
    }
  }
}

// ---- undo ------------------------------------------------------------------------------------

void TmStrGrid::UndoSort() {
  if (!undo_available_) return;
  try {
    switch (last_sort_kind_) {
      case kSortNone:
        return;
      case kSortCompleteRows:
        return PermuteCompleteLines(Axis::kColumn);
      case kSortCompleteCols:
        return PermuteCompleteLines(Axis::kRow);
      case kSortColumn:
        return PermuteLine(Axis::kColumn, sorted_line_);
      case kSortRow:
        return PermuteLine(Axis::kRow, sorted_line_);
      case kSortAllRows:
        return PermuteEveryLine(Axis::kRow, first_moved_row_);
      case kSortAllCols:
        return PermuteEveryLine(Axis::kColumn, first_moved_col_);
    }
  } catch (...) {
    undo_available_ = false;  // the record no longer describes the table
    throw;
  }
}

// ---- permutation steps -----------------------------------------------------------------------

std::vector<std::int32_t> TmStrGrid::SortIndexObjects() const {
  const int count = sort_index_.Count();
  std::vector<std::int32_t> objects(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) objects[i] = sort_index_.Objects(i);
  return objects;
}

// Needs `lines` blocks of `block` entries, each value a position inside its block, so that
// no step of the permutation can fail half way.
void TmStrGrid::CheckBlocks(const std::vector<std::int32_t>& objects, int lines,
                            int block) const {
  if (lines <= 0) return;
  const auto needed = static_cast<std::int64_t>(lines) * block;
  if (needed > static_cast<std::int64_t>(objects.size())) throw EListError::IndexOutOfBounds();
  for (std::int64_t i = 0; i < needed; ++i)
    if (objects[i] < 0 || objects[i] >= block) throw EListError::IndexOutOfBounds();
}

// The permutation step along one line: SortIndex holds M (M(i) = the position whose
// content must end at i); record the inverse in SortIndex, then move the cells.
void TmStrGrid::PermuteLine(Axis axis, int line) {
  std::vector<std::int32_t> moves = SortIndexObjects();  // the scratch copy P (objects)
  const int count = static_cast<int>(moves.size());
  CheckBlocks(moves, 1, count);
  InvertInto(moves.data(), count, 0);
  FollowCycles(axis, line, moves);
  CellsChanged();
}

// The same for every line from `first` on, each with its own block of SortIndex.
void TmStrGrid::PermuteEveryLine(Axis axis, int first) {
  const std::vector<std::int32_t> record = SortIndexObjects();
  const int block = axis == Axis::kRow ? ColCount() : RowCount();
  const int lines = (axis == Axis::kRow ? RowCount() : ColCount()) - first;
  CheckBlocks(record, lines, block);
  std::vector<std::int32_t> moves;
  for (int k = 0; k < lines; ++k) {
    const std::int32_t* block_moves = record.data() + static_cast<std::size_t>(k) * block;
    InvertInto(block_moves, block, k * block);
    moves.assign(block_moves, block_moves + block);
    FollowCycles(axis, first + k, moves);
  }
  CellsChanged();
}

// For i in 0..count-1: entry base + M(i) of SortIndex := object i, text i in decimal.
void TmStrGrid::InvertInto(const std::int32_t* moves, int count, int base) {
  sort_index_.StorePositions(moves, count, base);
}

// Moves the cells of the line along the cycles of `moves` (destroyed: every position ends
// fixed).
void TmStrGrid::FollowCycles(Axis axis, int line, std::vector<std::int32_t>& moves) {
  if (axis == Axis::kColumn)
    PermuteColumn(line, moves);
  else
    PermuteRow(line, moves);
}

// ---- whole-row and whole-column sorts ----------------------------------------------------

void TmStrGrid::SortCompleteRows(int col) { SortCompleteLines(Axis::kColumn, col); }

void TmStrGrid::SortCompleteColumns(int row) { SortCompleteLines(Axis::kRow, row); }

// The key line runs along `key_axis`: a column whose keys order the rows, or a row whose
// keys order the columns.
void TmStrGrid::SortCompleteLines(Axis key_axis, int key_line) {
  undo_available_ = false;  // until this sort has moved its lines
  const bool rows_move = key_axis == Axis::kColumn;
  const int key_skip = KeySkip(rows_move ? SavedFixedRows() : SavedFixedCols());
  (rows_move ? first_moved_col_ : first_moved_row_) =
      LineSkip(rows_move ? SavedFixedCols() : SavedFixedRows());
  LoadSortIndex(key_axis, key_line, key_skip);
  sort_index_.OrderEqualKeyRuns();  // equal keys back into their earlier order
  PermuteCompleteLines(key_axis);
  last_sort_kind_ = rows_move ? kSortCompleteRows : kSortCompleteCols;
  undo_available_ = true;
}

void TmStrGrid::ReorderCompleteRows(int col, const TStrings& order) {
  undo_available_ = false;
  const int key_skip = KeySkip(SavedFixedRows());
  first_moved_col_ = LineSkip(SavedFixedCols());
  if (order.Count() != static_cast<std::int64_t>(RowCount()) - key_skip)
    throw MFileError::OrderLengthWrong();
  sort_index_.Clear();  // its key settings stay those of the last sort that prepared it
  sort_index_.AddStrings(Cols(col));
  const int rows = RowCount();
  for (int r = 0; r < key_skip; ++r) sort_index_.SetObjects(r, r);
  for (int r = key_skip; r < rows; ++r)  // a negative skip fails at entry -1
    sort_index_.SetObjects(r, sort_index_.IndexOf(order.Strings(r - key_skip)));
  PermuteCompleteLines(Axis::kColumn);
  last_sort_kind_ = kSortCompleteRows;
  undo_available_ = true;
}

// SortIndex holds M (M(i) = the row (column) whose content must end at i). Records the
// inverse in SortIndex first: an entry outside SortIndex (-1 from an unmatched order text)
// raises there, before any cell has moved. Then moves whole lines along the cycles: rows
// over the columns from FirstMovedCol() on (key_axis kColumn), or columns over the rows from
// FirstMovedRow() on.
void TmStrGrid::PermuteCompleteLines(Axis key_axis) {
  std::vector<std::int32_t> moves = SortIndexObjects();  // the scratch copy P (objects)
  InvertInto(moves.data(), static_cast<int>(moves.size()), 0);
  if (key_axis == Axis::kColumn)
    PermuteRows(first_moved_col_, ColCount(), moves);
  else
    PermuteColumns(first_moved_row_, RowCount(), moves);
  CellsChanged();
}

// ---- editing of whole lines -------------------------------------------------------------------

void TmStrGrid::InsertRows(int row, int count) {
  const int rows = RowCount();
  if (count < 1 || row < 0 || row > rows || count > INT_MAX - rows)
    throw EListError::IndexOutOfBounds();
  SetRowCount(rows + count);
  for (int col : StoredColumnsIn(0, ColCount() - 1)) {
    ShiftColumnRows(col, row, rows - 1, count);  // the first ColCount cells move down
    ClearColumnRange(col, row, row + count - 1);
  }
  MarkRowsWritten(row, rows + count - 1);
  Rows(row).Clear();  // the first new row loses every stored cell, also past ColCount
}

void TmStrGrid::InsertCols(int col, int count) {
  const int cols = ColCount();
  const int rows = RowCount();
  if (count < 1 || col < 0 || col > cols || count > INT_MAX - cols)
    throw EListError::IndexOutOfBounds();
  SetColCount(cols + count);
  // Columns past the old end that receive a moved column lose their first RowCount cells.
  for (int c : StoredColumnsIn(std::max(col + count, cols), cols + count - 1))
    ClearColumnRange(c, 0, rows - 1);
  const std::vector<int> moving = StoredColumnsIn(col, cols - 1);
  for (auto it = moving.rbegin(); it != moving.rend(); ++it)  // from the right: targets free
    MoveColumnRows(*it, *it + count, rows);
  for (int c : StoredColumnsIn(col, col + count - 1)) ClearColumnRange(c, 0, rows - 1);
  MarkRowsWritten(0, rows - 1);
  CellsChanged();
}

void TmStrGrid::DeleteRows(int row, int count) {
  const int rows = RowCount();
  if (row < 0 || count < 0 || row > rows - 1) throw EListError::IndexOutOfBounds();
  count = std::min(count, rows - row);
  // The freed rows at the end receive the rows just past the table; rows past INT_MAX do
  // not exist and read as empty.
  const int beyond = static_cast<int>(std::min<std::int64_t>(count, std::int64_t{INT_MAX} - rows + 1));
  for (int col : StoredColumnsIn(0, ColCount() - 1)) {
    ClearColumnRange(col, row, row + count - 1);
    ShiftColumnRows(col, row + count, rows - 1, -count);
    CopyColumnCells(col, rows, col, rows - count, beyond);
  }
  MarkRowsWritten(row, rows - 1);
  CellsChanged();
  SetRowCount(rows - count);
}

void TmStrGrid::DeleteCols(int col, int count) {
  const int cols = ColCount();
  const int rows = RowCount();
  if (col < 0 || count < 0 || col > cols - 1) throw EListError::IndexOutOfBounds();
  count = std::min(count, cols - col);
  if (count > 0) {
    for (int c : StoredColumnsIn(col, col + count - 1)) ClearColumnRange(c, 0, rows - 1);
    for (int c : StoredColumnsIn(col + count, cols - 1))  // from the left: targets free
      MoveColumnRows(c, c - count, rows);
    const auto last_beyond = static_cast<int>(std::min<std::int64_t>(std::int64_t{cols} + count - 1, INT_MAX));
    for (int c : StoredColumnsIn(cols, last_beyond)) CopyColumnCells(c, 0, c - count, 0, rows);
  }
  MarkRowsWritten(0, rows - 1);
  CellsChanged();
  SetColCount(cols - count);
}

int TmStrGrid::ModifyRow(int row, std::string_view line, std::string_view separator) {
  if (row < 0) throw EListError::IndexOutOfBounds();
  return WriteFields(Axis::kRow, row, line, separator);
}

int TmStrGrid::ModifyCol(int col, std::string_view line, std::string_view separator) {
  if (col < 0) throw EListError::IndexOutOfBounds();
  return WriteFields(Axis::kColumn, col, line, separator);
}

void TmStrGrid::AddRow(std::string_view line, char separator) {
  if (RowCount() == INT_MAX) throw EListError::IndexOutOfBounds();  // no row index past the largest
  SetRowCount(RowCount() + 1);
  ModifyRow(RowCount() - 1, line, std::string_view(&separator, 1));
}

void TmStrGrid::AddCol(std::string_view line, char separator) {
  if (ColCount() == INT_MAX) throw EListError::IndexOutOfBounds();
  SetColCount(ColCount() + 1);
  ModifyCol(ColCount() - 1, line, std::string_view(&separator, 1));
}

// Writes the fields of `text` along the line, position 0 on; texts only (objects stay).
int TmStrGrid::WriteFields(Axis axis, int line, std::string_view text,
                           std::string_view separator) {
  int position = 0;
  return ForEachField(text, separator, [&](std::string_view field) {
    if (axis == Axis::kRow)
      SetCells(position++, line, field);
    else
      SetCells(line, position++, field);
  });
}

// ---- search direction and table files -------------------------------------------------

void TmStrGrid::SetReverseSearch(bool value) {
  if (value == reverse_search_) return;
  reverse_search_ = value;
  search_.ReverseChanged(*this);
}

void TmStrGrid::SaveToFile(const std::string& file_name, const std::string& separator) const {
  SaveTableFile(*this, file_name, separator);
}

void TmStrGrid::LoadFromFile(const std::string& file_name, const std::string& separator) {
  LoadTableFile(*this, file_name, separator);
}

// ==== keyboard, mouse and clipboard ===========================================================

TClipboard& TmStrGrid::Clipboard() const {
  return clipboard_ != nullptr ? *clipboard_ : DefaultClipboard();
}

void TmStrGrid::CopyToClipboard() { Clipboard().SetText(BuildBlockText(*this, Selection())); }

void TmStrGrid::CutToClipboard() {
  CopyToClipboard();
  const TGridRect block = Selection();
  for (int row = block.Top; row <= block.Bottom; ++row)
    for (int col = block.Left; col <= block.Right; ++col) SetCells(col, row, "");
}

void TmStrGrid::PasteFromClipboard() {
  TClipboard& clipboard = Clipboard();
  if (!clipboard.HasText()) return;
  PasteBlockText(*this, clipboard.Text(), paste_to_cursor_);
}

void TmStrGrid::KeyPress(char& key) {
  if (!EditorMode() && enable_clipboard_shortcuts_) {
    if (key == 3) CopyToClipboard();
    if (key == 22) PasteFromClipboard();
    if (key == 24) CutToClipboard();
  }
  TStringGrid::KeyPress(key);  // the shortcut is not consumed
}

void TmStrGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (!TakeFocusForPress()) return TStringGrid::MouseDown(button, shift, x, y);
  if (button == TMouseButton::mbLeft && shift.Contains(TShiftFlag::ssDouble)) {
    DblClick();
    return StandardMouseDown(button, shift, x, y, true);
  }
  int sizing_index = -1;
  if (button != TMouseButton::mbLeft ||
      SizingStateAt(x, y, sizing_index) != TGridState::gsNormal)
    return TStringGrid::MouseDown(button, shift, x, y);
  const TGridCoord cell = MouseCoord(x, y);
  const bool on_fixed = (cell.X >= 0 && cell.X < FixedCols()) ||
                        (cell.Y >= 0 && cell.Y < FixedRows());
  if (!click_fixed_ || !on_fixed) return TStringGrid::MouseDown(button, shift, x, y);
  if (cell.X < 0 || cell.Y < 0) return;  // a fixed line beyond the table's last cell
  FixedClick(cell.X, cell.Y);
}

void TmStrGrid::FixedClick(int col, int row) {
  saved_fixed_rows_ = FixedRows();
  saved_fixed_cols_ = FixedCols();
  SetFixedRows(0);
  SetFixedCols(0);
  fixed_click_active_ = true;
  try {
    SetRow(row);
    SetCol(col);
  } catch (...) {
    RestoreFixedCounts();  // the header comes back even when a handler fails
    throw;
  }
  RestoreFixedCounts();
}

void TmStrGrid::RestoreFixedCounts() {
  // A handler may have shrunk the table below the header; keep the counts valid then.
  SetFixedRows(std::min(saved_fixed_rows_, RowCount() - 1));
  SetFixedCols(std::min(saved_fixed_cols_, ColCount() - 1));
}

void TmStrGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  fixed_click_active_ = false;
  TStringGrid::MouseUp(button, shift, x, y);
}

}  // namespace quillet
