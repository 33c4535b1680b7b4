#include "strgrid/grid_search.h"

#include <algorithm>
#include <string_view>

#include "runtime/collation.h"
#include "runtime/locale_date_reader.h"
#include "runtime/real48.h"
#include "strgrid/mStrGrid.h"

namespace quillet {
namespace {

char UpperAZ(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

// The sort key of a cell text, cut as the key list cuts it.
std::string_view KeyOfText(std::string_view text, std::int32_t key_pos, std::int32_t key_len) {
  const auto start = static_cast<std::size_t>(std::max(key_pos, 1)) - 1;
  if (start >= text.size()) return {};
  return text.substr(start, static_cast<std::size_t>(std::max(key_len, 1)));
}

// Whether `needle` (already upper-case a-z) occurs in `text` upper-cased a-z only.
bool ContainsIgnoringAZCase(std::string_view text, std::string_view needle) {
  const auto hit = std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                               [](char t, char n) { return UpperAZ(t) == n; });
  return hit != text.end();
}

}  // namespace

// The search value of one FindNext, converted once for all the cells it tests.
struct TGridSearch::Target {
  TMSortType type = TMSortType::soString;
  bool substring = false;
  std::int32_t key_pos = 1;
  std::int32_t key_len = 1;
  Real48 number;
  std::int64_t moment = 0;
};

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
  const Target target = PrepareTarget(grid);
  bool inside = Inside();
  while (inside && !Matches(grid, target)) inside = AdvanceSearch(grid.ReverseSearch());
  if (!inside) {
    has_next_ = false;
    return false;
  }
  col = col_;
  row = row_;
  has_next_ = AdvanceSearch(grid.ReverseSearch());
  return true;
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

TGridSearch::Target TGridSearch::PrepareTarget(const TmStrGrid& grid) {
  Target target;
  target.type = grid.KeyType();
  target.substring = grid.SearchSubstring();
  target.key_pos = grid.KeyPos();
  target.key_len = grid.KeyLen();
  switch (target.type) {
    case TMSortType::soString:
      if (target.substring) std::transform(text_.begin(), text_.end(), text_.begin(), UpperAZ);
      break;
    case TMSortType::soNumeric: target.number = NumericKeyValue(text_); break;
    case TMSortType::soDate: target.moment = ReadLocaleDateTime(text_); break;
    case TMSortType::soStringCaseSensitive: break;
  }
  return target;
}

bool TGridSearch::Matches(const TmStrGrid& grid, const Target& target) const {
  const std::string_view text = grid.CellView(col_, row_);
  const bool text_type = target.type == TMSortType::soString ||
                         target.type == TMSortType::soStringCaseSensitive;
  if (text_type && target.substring) {
    if (text_.empty()) return false;
    if (target.type == TMSortType::soStringCaseSensitive)
      return text.find(text_) != std::string_view::npos;
    return ContainsIgnoringAZCase(text, text_);
  }
  const std::string_view key = KeyOfText(text, target.key_pos, target.key_len);
  switch (target.type) {
    case TMSortType::soString: return CompareLocaleIgnoreCase(key, text_) == 0;
    case TMSortType::soStringCaseSensitive: return key == text_;
    case TMSortType::soNumeric: return NumericKeyValue(key) == target.number;
    case TMSortType::soDate: return ReadLocaleDateTime(key) == target.moment;
  }
  return false;
}

}  // namespace quillet
