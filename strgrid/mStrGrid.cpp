#include "strgrid/mStrGrid.h"

#include <utility>

#include "runtime/exceptions.h"

namespace quillet {

namespace {
const char kIndexError[] = "List index out of bounds";
}  // namespace

TmStrGrid::TmStrGrid()
    : date_time_format_copy_(sort_index_.DateTimeFormat()),
      short_year_expand_copy_(sort_index_.ShortYearExpand()),
      short_year_border_copy_(sort_index_.ShortYearBorder()) {}

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
  PrepareSortList(sort_index_, key_skip);
  sort_index_.AddStrings(column ? Cols(line) : Rows(line));  // Cols/Rows check `line`
  const int count = sort_index_.Count();
  for (int i = 0; i < count; ++i) sort_index_.SetObjects(i, i);
  sort_index_.SetSorted(true);
  sort_index_.SetSorted(false);
  PermuteLine(axis, line);
  last_sort_kind_ = column ? kSortColumn : kSortRow;
  undo_available_ = true;
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
  PrepareSortList(list, key_skip);
  const int lines = axis == Axis::kRow ? RowCount() : ColCount();
  for (int line = first; line < lines; ++line) {
    list.Clear();
    list.AddStrings(axis == Axis::kRow ? Rows(line) : Cols(line));
    const int count = list.Count();
    for (int i = 0; i < count; ++i) list.SetObjects(i, i);
    list.SetSorted(true);
    list.SetSorted(false);
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
      case kSortCompleteRows:  // replayed by the whole-row permutation once it exists
      case kSortCompleteCols:  // replayed by the whole-column permutation once it exists
        return;
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
  if (needed > static_cast<std::int64_t>(objects.size())) throw EListError(kIndexError);
  for (std::int64_t i = 0; i < needed; ++i)
    if (objects[i] < 0 || objects[i] >= block) throw EListError(kIndexError);
}

// The permutation step along one line: SortIndex holds M (M(i) = the position whose
// content must end at i); record the inverse in SortIndex, then move the cells.
void TmStrGrid::PermuteLine(Axis axis, int line) {
  std::vector<std::int32_t> moves = SortIndexObjects();  // the scratch copy P (objects)
  const int count = static_cast<int>(moves.size());
  CheckBlocks(moves, 1, count);
  InvertInto(moves.data(), count, 0);
  FollowCycles(axis, line, moves);
  NotifyContentChanged();
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
  NotifyContentChanged();
}

// For i in 0..count-1: entry base + M(i) of SortIndex := object i, text i in decimal.
void TmStrGrid::InvertInto(const std::int32_t* moves, int count, int base) {
  for (int i = 0; i < count; ++i) {
    const int entry = base + moves[i];
    sort_index_.SetObjects(entry, i);
    sort_index_.SetStrings(entry, std::to_string(i));
  }
}

// Moves the cells of the line along the cycles of `moves` (destroyed: every position ends
// fixed). One cell per cycle is set aside; every moved cell is written once; positions
// that already hold their content are not touched.
void TmStrGrid::FollowCycles(Axis axis, int line, std::vector<std::int32_t>& moves) {
  const int count = static_cast<int>(moves.size());
  for (int start = 0; start < count; ++start) {
    if (moves[start] == start) continue;
    int i = start;
    TGridCell aside = TakeLineCell(axis, line, i);
    for (;;) {
      const int j = moves[i];
      moves[i] = i;
      if (moves[j] == j) break;
      MoveLineCell(axis, line, j, i);
      i = j;
    }
    PutLineCell(axis, line, i, std::move(aside));
  }
}

TGridCell TmStrGrid::TakeLineCell(Axis axis, int line, int position) {
  return axis == Axis::kColumn ? TakeCell(line, position) : TakeCell(position, line);
}

void TmStrGrid::MoveLineCell(Axis axis, int line, int from, int to) {
  if (axis == Axis::kColumn)
    MoveCell(line, from, line, to);
  else
    MoveCell(from, line, to, line);
}

void TmStrGrid::PutLineCell(Axis axis, int line, int position, TGridCell cell) {
  if (axis == Axis::kColumn)
    PutCell(line, position, std::move(cell));
  else
    PutCell(position, line, std::move(cell));
}

}  // namespace quillet
