#pragma once
// TGridSearch: the search state of a string grid and the scan that hands out one hit per
// call. The grid owns one and forwards FindFirst, FindFirstInRow, FindFirstInCol, FindNext,
// SearchExists and the side effects of its ReverseSearch setter to it.
//
// A search covers a rectangle of cells, fixed when it is set up, and keeps the position of
// the next cell to test. Forward it reads the rectangle row by row, left to right
// (SearchByRows) or column by column, top to bottom; backward exactly the opposite order.
// The direction is the grid's ReverseSearch, read at every step; KeyType, KeyPos, KeyLen
// and SearchSubstring are read afresh by every FindNext. A search only reads cells.
//
// Match rules (strgrid/key_order.h; key = the cell text cut from character KeyPos, at most
// KeyLen characters, KeyPos and KeyLen below 1 counting as 1, as in the key list; text = the
// whole cell text):
//   soString               key equals SearchText under the locale comparison that ignores
//                          case. With SearchSubstring: SearchText, upper-cased a-z only
//                          (and kept so), occurs in the text upper-cased the same way.
//   soStringCaseSensitive  key equals SearchText byte for byte. With SearchSubstring:
//                          SearchText occurs in the text.
//   soNumeric              NumericKeyValue(key) == NumericKeyValue(SearchText).
//   soDate                 the key and SearchText read by TLocaleDateReader::Current()
//                          name the same second.
// An empty SearchText occurs in no text, so a substring search for it never hits; a
// whole-key text search for it hits every cell whose key is empty.
//
// Cells are read through the grid's cell store, also those of the rectangle that lie outside
// the current counts. A row or column index given to FindFirstInRow / FindFirstInCol is used
// as it is; a negative one makes the store raise EListError "List index out of bounds" at the
// first cell read, with the position on that cell, like any other cell failure below.

#include <cstdint>
#include <string>

namespace quillet {

class TmStrGrid;

class TGridSearch {
 public:
  // ---- operations (each returns true for a hit; `col`, `row` get the hit or -1, -1) ----

  // Starts a search of the whole table and returns its first hit. With FR/FC the grid's
  // SavedFixedRows/SavedFixedCols, the rectangle's top-left corner is (FC, FR) for hfNot,
  // (0, FR) for hfSmart by rows, (FC, 0) for hfSmart by columns, (0, 0) for hfYes; its
  // bottom-right corner is (ColCount - 1, RowCount - 1). The scan starts at the top-left
  // corner, or the bottom-right one when the grid's ReverseSearch is set.
  // Throws as FindNext (the new search is set up and running then).
  bool FindFirst(const TmStrGrid& grid, const std::string& value, bool by_rows, int& col,
                 int& row);
  // Starts a search of row `in_row` over columns FC (hfNot) or 0 (otherwise) to
  // ColCount - 1, read left to right (right to left when reverse). Throws as FindNext.
  bool FindFirstInRow(const TmStrGrid& grid, const std::string& value, int in_row, int& col,
                      int& row);
  // The same for column `in_col` over rows FR (hfNot) or 0 to RowCount - 1.
  bool FindFirstInCol(const TmStrGrid& grid, const std::string& value, int in_col, int& col,
                      int& row);
  // Continues the search from the position: tests cells until one matches (a hit: the
  // position moves one cell past it) or the rectangle is used up (a miss: the search is
  // exhausted). Without a running search it returns false with -1, -1 and does nothing.
  // If the position lies outside the rectangle (an empty rectangle, when a saved fixed
  // count reaches past the table) nothing is tested and it is a miss.
  // Throws EConvertError "'<text>' is not a valid date and time" for soDate when
  // SearchText or a tested key does not read as a date, EOverflow "Floating point
  // overflow" for soNumeric when either is too large for the 6-byte real; the search then
  // stays running with the position on the failing cell, so the next call fails again.
  bool FindNext(const TmStrGrid& grid, int& col, int& row);

  // To be called by the grid right after its ReverseSearch changed value. A running search
  // makes one FindNext at once in the new direction and drops its result (so the last hit
  // is not returned twice); an exhausted search restarts at the corner where the new
  // direction begins; without a search nothing happens. Throws as FindNext.
  void ReverseChanged(const TmStrGrid& grid);

  // ---- state ----------------------------------------------------------------------------
  // False until the first first-search call, true from then on.
  bool SearchExists() const noexcept { return exists_; }
  // True while the position names a cell still to be tested.
  bool SearchHasNext() const noexcept { return has_next_; }
  // The value looked for (upper-cased once a soString substring FindNext ran).
  const std::string& SearchText() const noexcept { return text_; }
  bool SearchByRows() const noexcept { return by_rows_; }
  int SearchFirstCol() const noexcept { return first_col_; }
  int SearchFirstRow() const noexcept { return first_row_; }
  int SearchLastCol() const noexcept { return last_col_; }
  int SearchLastRow() const noexcept { return last_row_; }
  // The next cell to test.
  int SearchCol() const noexcept { return col_; }
  int SearchRow() const noexcept { return row_; }

 private:
  bool Start(const TmStrGrid& grid, const std::string& value, int& col, int& row);
  void MoveToStart(bool reverse) noexcept;
  bool Inside() const noexcept;
  bool AdvanceSearch(bool reverse) noexcept;
  template <class Order>
  bool ScanFor(const TmStrGrid& grid, const Order& order);

  std::string text_;
  int first_row_ = 0;
  int first_col_ = 0;
  int last_row_ = 0;
  int last_col_ = 0;
  int row_ = 0;
  int col_ = 0;
  bool by_rows_ = false;
  bool has_next_ = false;
  bool exists_ = false;
};

}  // namespace quillet
