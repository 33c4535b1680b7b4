#include "strgrid/grid_search.h"

#include "strgrid/key_order.h"
#include "strgrid/mStrGrid.h"

namespace quillet {

bool TGridSearch::FindFirst(const TmStrGrid& grid, const std::string& value, bool by_rows,
                            int& col, int& row) {
  const HandleFixed use = grid.UseFixed();
  const bool smart = use == HandleFixed::hfSmart;
  const bool skip_fixed_rows = use == HandleFixed::hfNot || (smart && by_rows);
  const bool skip_fixed_cols = use == HandleFixed::hfNot || (smart && !by_rows);
  first_row_ = skip_fixed_rows ? grid.SavedFixedRows() : 0;
  first_col_ = skip_fixed_cols ? grid.SavedFixedCols() : 0;
  last_row_ = grid.RowCount() - 1;
  last_col_ = grid.ColCount() - 1;
  by_rows_ = by_rows;
  return Start(grid, value, col, row);
}

bool TGridSearch::FindFirstInRow(const TmStrGrid& grid, const std::string& value, int in_row,
                                 int& col, int& row) {
  first_row_ = last_row_ = in_row;
  first_col_ = grid.UseFixed() == HandleFixed::hfNot ? grid.SavedFixedCols() : 0;
  last_col_ = grid.ColCount() - 1;
  by_rows_ = true;
  return Start(grid, value, col, row);
}

bool TGridSearch::FindFirstInCol(const TmStrGrid& grid, const std::string& value, int in_col,
                                 int& col, int& row) {
  first_col_ = last_col_ = in_col;
  first_row_ = grid.UseFixed() == HandleFixed::hfNot ? grid.SavedFixedRows() : 0;
  last_row_ = grid.RowCount() - 1;
  by_rows_ = false;
  return Start(grid, value, col, row);
}

bool TGridSearch::Start(const TmStrGrid& grid, const std::string& value, int& col, int& row) {
  MoveToStart(grid.ReverseSearch());
  text_ = value;
  has_next_ = true;
  exists_ = true;
  return FindNext(grid, col, row);
}

void TGridSearch::MoveToStart(bool reverse) noexcept {
  row_ = reverse ? last_row_ : first_row_;
  col_ = reverse ? last_col_ : first_col_;
}

bool TGridSearch::Inside() const noexcept {
  return row_ >= first_row_ && row_ <= last_row_ && col_ >= first_col_ && col_ <= last_col_;
}

bool TGridSearch::FindNext(const TmStrGrid& grid, int& col, int& row) {
  col = row = -1;
  if (!has_next_) return false;
  const bool hit = VisitKeyOrder(grid.KeyType(), nullptr,
                                 [&](const auto& order) { return ScanFor(grid, order); });
  if (!hit) {
    has_next_ = false;
    return false;
  }
  col = col_;
  row = row_;
  has_next_ = AdvanceSearch(grid.ReverseSearch());
  return true;
}

// Tests cells from the position on until one matches (true, the position on it) or the
// rectangle is used up (false). The search value is converted once for all the cells.
template <class Order>
bool TGridSearch::ScanFor(const TmStrGrid& grid, const Order& order) {
  const bool substring = grid.SearchSubstring();
  const auto value = order.SearchValueOf(text_, substring);
  const std::int32_t key_pos = grid.KeyPos();
  const std::int32_t key_len = grid.KeyLen();
  for (bool inside = Inside(); inside; inside = AdvanceSearch(grid.ReverseSearch())) {
    const std::string_view cell = grid.CellView(col_, row_);
    if (order.SearchMatches(cell, CutKey(cell, key_pos, key_len), value, substring)) return true;
  }
  return false;
}

void TGridSearch::ReverseChanged(const TmStrGrid& grid) {
  if (!exists_) return;
  if (!has_next_) {
    has_next_ = true;
    MoveToStart(grid.ReverseSearch());
    return;
  }
  int col = -1;
  int row = -1;
  FindNext(grid, col, row);  // re-aligns the position; its hit is not handed out
}

// One cell on in the given direction; false once the position leaves the rectangle. The
// position only moves while it stays inside, so no index runs past the int range.
bool TGridSearch::AdvanceSearch(bool reverse) noexcept {
  int& fast = by_rows_ ? col_ : row_;
  int& slow = by_rows_ ? row_ : col_;
  const int fast_first = by_rows_ ? first_col_ : first_row_;
  const int fast_last = by_rows_ ? last_col_ : last_row_;
  const int slow_first = by_rows_ ? first_row_ : first_col_;
  const int slow_last = by_rows_ ? last_row_ : last_col_;
  if (!reverse) {
    if (fast < fast_last) return ++fast, true;
    if (slow >= slow_last) return false;
    fast = fast_first;
    return ++slow, true;
  }
  if (fast > fast_first) return --fast, true;
  if (slow <= slow_first) return false;
  fast = fast_last;
  return --slow, true;
}

}  // namespace quillet
