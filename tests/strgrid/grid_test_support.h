#pragma once
// Helpers shared by the grid tests: filling a grid from row-major texts and reading its
// cells, columns, rows, objects and sort index back.

#include <string>
#include <vector>

#include "strgrid/mStrGrid.h"
#include "tests/test_support.h"

namespace quillet::test_support {

using Texts = std::vector<std::string>;
using Table = std::vector<Texts>;  // rows of cell texts
using Numbers = std::vector<int>;

// Sets the counts to the table's size and the fixed counts given, then writes every text.
inline void Fill(TStringGrid& grid, const Table& rows, int fixed_rows = 0, int fixed_cols = 0) {
  grid.SetRowCount(static_cast<int>(rows.size()));
  grid.SetColCount(static_cast<int>(rows[0].size()));
  grid.SetFixedRows(fixed_rows);
  grid.SetFixedCols(fixed_cols);
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < rows[r].size(); ++c)
      grid.SetCells(static_cast<int>(c), static_cast<int>(r), rows[r][c]);
}

// A grid of one column holding `texts`, without fixed lines.
inline void FillColumn(TStringGrid& grid, const Texts& texts) {
  Table rows;
  for (const std::string& text : texts) rows.push_back({text});
  Fill(grid, rows);
}

// Writes `texts` down column `col` from row 0, growing the row count when it is short.
inline void FillColumn(TStringGrid& grid, int col, const Texts& texts) {
  if (grid.RowCount() < static_cast<int>(texts.size()))
    grid.SetRowCount(static_cast<int>(texts.size()));
  for (int r = 0; r < static_cast<int>(texts.size()); ++r) grid.SetCells(col, r, texts[r]);
}

// The texts within the grid's counts, row by row.
inline Table Cells(const TStringGrid& grid) {
  Table rows(grid.RowCount());
  for (int r = 0; r < grid.RowCount(); ++r)
    for (int c = 0; c < grid.ColCount(); ++c) rows[r].push_back(grid.Cells(c, r));
  return rows;
}

// The first `rows` texts of column `col` (all rows within the count by default).
inline Texts Column(const TStringGrid& grid, int col, int rows = -1) {
  Texts texts;
  for (int r = 0; r < (rows < 0 ? grid.RowCount() : rows); ++r)
    texts.push_back(grid.Cells(col, r));
  return texts;
}

// The first `cols` texts of row `row`.
inline Texts Row(const TStringGrid& grid, int row, int cols) {
  Texts texts;
  for (int c = 0; c < cols; ++c) texts.push_back(grid.Cells(c, row));
  return texts;
}

inline Numbers ColumnObjects(const TStringGrid& grid, int col) {
  Numbers objects;
  for (int r = 0; r < grid.RowCount(); ++r)
    objects.push_back(static_cast<int>(grid.Objects(col, r)));
  return objects;
}

// SortIndex objects; also checks that every entry's text is its object in decimal.
inline Numbers SortIndexObjects(const TmStrGrid& grid) {
  Numbers objects;
  for (int i = 0; i < grid.SortIndex().Count(); ++i) {
    const int object = grid.SortIndex().Objects(i);
    EXPECT_EQ(grid.SortIndex().Strings(i), std::to_string(object)) << "entry " << i;
    objects.push_back(object);
  }
  return objects;
}

}  // namespace quillet::test_support
