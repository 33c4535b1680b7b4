// Row and column editing of TmStrGrid: InsertRows/Cols, DeleteRows/Cols, ModifyRow/Col,
// AddRow/Col.
#include "strgrid/mStrGrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "runtime/exceptions.h"
#include "tests/strgrid/grid_test_support.h"

namespace quillet {
namespace {

using namespace test_support;

// ---- insert and delete ---------------------------------------------------------------------

TEST(TmStrGridInsertRows, InsertThenDeleteGivesTheTableBack) {
  TmStrGrid grid;
  Fill(grid, {{"x"}, {"y"}, {"z"}});
  grid.InsertRows(1, 2);
  EXPECT_EQ(grid.RowCount(), 5);
  EXPECT_EQ(Cells(grid), (Table{{"x"}, {""}, {""}, {"y"}, {"z"}}));
  grid.DeleteRows(1, 2);
  EXPECT_EQ(grid.RowCount(), 3);
  EXPECT_EQ(Cells(grid), (Table{{"x"}, {"y"}, {"z"}}));
}

TEST(TmStrGridInsertRows, AtRowCountAppendsEmptyRowsOverStaleCells) {
  TmStrGrid grid;
  Fill(grid, {{"a", "b"}, {"c", "d"}});
  grid.SetCells(0, 2, "stale");  // outside the table, where the new rows go
  grid.SetCells(1, 3, "stale");
  grid.InsertRows(2, 2);
  EXPECT_EQ(Cells(grid), (Table{{"a", "b"}, {"c", "d"}, {"", ""}, {"", ""}}));
}

TEST(TmStrGridInsertRows, FixedRowsShiftLikeOthersAndCountsStay) {
  TmStrGrid grid;
  Fill(grid, {{"head"}, {"a"}}, 1, 0);
  grid.InsertRows(0, 1);
  EXPECT_EQ(Cells(grid), (Table{{""}, {"head"}, {"a"}}));
  EXPECT_EQ(grid.FixedRows(), 1);
}

// The first new row is emptied completely; past ColCount the other rows keep their cells
// where they are (only the first ColCount cells move).
TEST(TmStrGridInsertRows, CellsPastColCountDoNotMove) {
  TmStrGrid grid;
  Fill(grid, {{"a"}, {"b"}, {"c"}});
  grid.SetCells(3, 0, "p0");
  grid.SetCells(3, 1, "p1");
  grid.SetCells(3, 2, "p2");
  grid.SetCells(5000, 1, "far");
  grid.InsertRows(1, 2);
  EXPECT_EQ(Column(grid, 0, 5), (Texts{"a", "", "", "b", "c"}));
  EXPECT_EQ(Column(grid, 3, 5), (Texts{"p0", "", "p2", "", ""}));
  EXPECT_EQ(grid.Cells(5000, 1), "");
}

TEST(TmStrGridInsertCols, ColumnsMoveRightWithTheirObjects) {
  TmStrGrid grid;
  Fill(grid, {{"a", "b"}, {"c", "d"}});
  grid.SetObjects(1, 1, 42);
  grid.SetCells(0, 1, "tmp");
  grid.SetObjects(0, 1, 7);
  grid.SetCells(0, 1, "");  // an object with an empty text moves too
  grid.SetCells(1, 5, "below");  // past RowCount: stays in its column
  grid.InsertCols(1, 2);
  EXPECT_EQ(grid.ColCount(), 4);
  EXPECT_EQ(Cells(grid), (Table{{"a", "", "", "b"}, {"", "", "", "d"}}));
  EXPECT_EQ(grid.Objects(3, 1), 42);
  EXPECT_EQ(grid.Objects(0, 1), 7);
  EXPECT_EQ(grid.Cells(1, 5), "below");
  grid.InsertCols(0, 1);
  EXPECT_EQ(grid.Objects(1, 1), 7);
  EXPECT_EQ(grid.Objects(4, 1), 42);
}

TEST(TmStrGridDeleteRows, CountPastTheEndIsCut) {
  TmStrGrid grid;
  Fill(grid, {{"a"}, {"b"}, {"c"}});
  grid.DeleteRows(1, 10);
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_EQ(Cells(grid), (Table{{"a"}}));
  EXPECT_EQ(grid.Cells(0, 1), "");  // the rows that left the table were emptied
  EXPECT_EQ(grid.Cells(0, 2), "");
}

TEST(TmStrGridDeleteRows, DeletingEveryRowLeavesOneEmptyRowAndLowersFixedRows) {
  TmStrGrid grid;
  Fill(grid, {{"a"}, {"b"}, {"c"}}, 1, 0);
  grid.DeleteRows(0, 3);
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_EQ(grid.FixedRows(), 0);
  EXPECT_EQ(Cells(grid), (Table{{""}}));
}

TEST(TmStrGridDeleteRows, ZeroCountDeletesNothing) {
  TmStrGrid grid;
  Fill(grid, {{"a"}, {"b"}});
  grid.DeleteRows(1, 0);
  EXPECT_EQ(Cells(grid), (Table{{"a"}, {"b"}}));
}

// Rows just past the table are copied up into the freed rows (and stay where they were).
TEST(TmStrGridDeleteRows, FreedRowsReceiveWhatLiesPastTheTable) {
  TmStrGrid grid;
  Fill(grid, {{"a"}, {"b"}, {"c"}});
  grid.SetCells(0, 3, "past");
  grid.SetObjects(0, 3, 9);
  grid.DeleteRows(0, 1);
  EXPECT_EQ(Column(grid, 0, 4), (Texts{"b", "c", "past", "past"}));
  EXPECT_EQ(grid.Objects(0, 2), 9);
  EXPECT_EQ(grid.RowCount(), 2);
}

TEST(TmStrGridDeleteCols, ColumnsMoveLeftAndColCountFalls) {
  TmStrGrid grid;
  Fill(grid, {{"a", "b", "c"}, {"d", "e", "f"}}, 0, 2);
  grid.SetObjects(2, 1, 5);
  grid.SetCells(2, 4, "below");  // past RowCount: not moved
  grid.DeleteCols(0, 2);
  EXPECT_EQ(grid.ColCount(), 1);
  EXPECT_EQ(grid.FixedCols(), 0);
  EXPECT_EQ(Cells(grid), (Table{{"c"}, {"f"}}));
  EXPECT_EQ(grid.Objects(0, 1), 5);
  EXPECT_EQ(grid.Cells(2, 4), "below");
  EXPECT_EQ(grid.Cells(1, 0), "");  // the columns that left the table were emptied
}

TEST(TmStrGridEditing, LeavesTheSortRecordAlone) {
  TmStrGrid grid;
  Fill(grid, {{"b"}, {"a"}, {"c"}});
  grid.SortCol(0);  // a, b, c; SortIndex 1, 0, 2
  grid.InsertRows(3, 1);
  grid.ModifyRow(3, "d", ",");
  grid.DeleteCols(0, 0);
  EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortColumn);
  EXPECT_EQ(grid.SortIndex().Count(), 3);
  grid.UndoSort();  // by position on the changed table
  EXPECT_EQ(Column(grid, 0, 4), (Texts{"b", "a", "c", "d"}));
}

// ---- out-of-range arguments ------------------------------------------------------------------

TEST(TmStrGridEditing, ArgumentsOutOfRangeThrowAndChangeNothing) {
  const std::vector<std::tuple<const char*, std::function<void(TmStrGrid&)>>> cases = {
      {"InsertRows count 0", [](TmStrGrid& g) { g.InsertRows(0, 0); }},
      {"InsertRows count -1", [](TmStrGrid& g) { g.InsertRows(0, -1); }},
      {"InsertRows row -1", [](TmStrGrid& g) { g.InsertRows(-1, 1); }},
      {"InsertRows row past end", [](TmStrGrid& g) { g.InsertRows(4, 1); }},
      {"InsertRows count overflows", [](TmStrGrid& g) { g.InsertRows(0, INT_MAX); }},
      {"InsertCols count 0", [](TmStrGrid& g) { g.InsertCols(0, 0); }},
      {"InsertCols col -1", [](TmStrGrid& g) { g.InsertCols(-1, 1); }},
      {"InsertCols col past end", [](TmStrGrid& g) { g.InsertCols(3, 1); }},
      {"InsertCols count overflows", [](TmStrGrid& g) { g.InsertCols(1, INT_MAX - 1); }},
      {"DeleteRows row -1", [](TmStrGrid& g) { g.DeleteRows(-1, 1); }},
      {"DeleteRows count -1", [](TmStrGrid& g) { g.DeleteRows(0, -1); }},
      {"DeleteRows row RowCount", [](TmStrGrid& g) { g.DeleteRows(3, 1); }},
      {"DeleteCols col -1", [](TmStrGrid& g) { g.DeleteCols(-1, 1); }},
      {"DeleteCols count -1", [](TmStrGrid& g) { g.DeleteCols(0, -1); }},
      {"DeleteCols col ColCount", [](TmStrGrid& g) { g.DeleteCols(2, 0); }},
      {"ModifyRow row -1", [](TmStrGrid& g) { g.ModifyRow(-1, "x;y", ";"); }},
      {"ModifyCol col -1", [](TmStrGrid& g) { g.ModifyCol(-1, "x;y", ";"); }},
  };
  const Table table = {{"a", "b"}, {"c", "d"}, {"e", "f"}};
  for (const auto& [name, action] : cases) {
    SCOPED_TRACE(name);
    TmStrGrid grid;
    Fill(grid, table, 1, 1);
    grid.SetCells(0, 3, "past");
    ExpectError<EListError>([&] { action(grid); }, "List index out of bounds");
    EXPECT_EQ(Cells(grid), table);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.FixedCols(), 1);
    EXPECT_EQ(grid.Cells(0, 3), "past");
    EXPECT_EQ(grid.StoredCellCount(), 7u);
  }
}

TEST(TmStrGridAddRow, AtTheLargestRowCountThrows) {
  TmStrGrid grid;
  grid.SetRowCount(INT_MAX);
  ExpectError<EListError>([&] { grid.AddRow("x", ','); }, "List index out of bounds");
  EXPECT_EQ(grid.RowCount(), INT_MAX);
  EXPECT_EQ(grid.StoredCellCount(), 0u);
}

// ---- ModifyRow / ModifyCol / AddRow / AddCol -------------------------------------------------

TEST(TmStrGridModifyRow, CutsTheLineAtEverySeparator) {
  struct Case {
    std::string line;
    std::string separator;
    Texts fields;
  };
  const Case cases[] = {
      {"a;b;;d", ";", {"a", "b", "", "d"}},
      {"a;b;", ";", {"a", "b", ""}},
      {"a;b", "", {"a;b"}},
      {"a::b:c::", "::", {"a", "b:c", ""}},
      {"", ";", {""}},
      {";", ";", {"", ""}},
      {"abc", "abcd", {"abc"}},
      {"xaaay", "aa", {"x", "ay"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line + " / " + c.separator);
    TmStrGrid grid;
    Fill(grid, {{"0", "1", "2", "3", "4", "5"}});
    EXPECT_EQ(grid.ModifyRow(0, c.line, c.separator), static_cast<int>(c.fields.size()));
    Texts expected = c.fields;
    for (std::size_t k = c.fields.size(); k < 6; ++k) expected.push_back(std::to_string(k));
    EXPECT_EQ(Row(grid, 0, 6), expected);
  }
}

TEST(TmStrGridModifyRow, WritesTextsOnlyAndKeepsObjects) {
  TmStrGrid grid;
  Fill(grid, {{"a", "b"}});
  grid.SetObjects(0, 0, 3);
  EXPECT_EQ(grid.ModifyRow(0, "x", ","), 1);
  EXPECT_EQ(grid.Cells(0, 0), "x");
  EXPECT_EQ(grid.Objects(0, 0), 3);
  EXPECT_EQ(grid.Cells(1, 0), "b");
}

TEST(TmStrGridModifyRow, FieldsPastTheTableGoOutsideItWithoutChangingCounts) {
  TmStrGrid grid;
  Fill(grid, {{"a", "b"}, {"c", "d"}});
  EXPECT_EQ(grid.ModifyRow(0, "1,2,3,4", ","), 4);
  EXPECT_EQ(grid.ModifyRow(7, "r7", ","), 1);
  EXPECT_EQ(grid.ColCount(), 2);
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_EQ(Cells(grid), (Table{{"1", "2"}, {"c", "d"}}));
  grid.SetColCount(4);
  EXPECT_EQ(Row(grid, 0, 4), (Texts{"1", "2", "3", "4"}));
  EXPECT_EQ(grid.Cells(0, 7), "r7");
}

TEST(TmStrGridModifyCol, WritesDownTheColumn) {
  TmStrGrid grid;
  Fill(grid, {{"a", "b"}, {"c", "d"}});
  EXPECT_EQ(grid.ModifyCol(1, "x|y|z", "|"), 3);
  EXPECT_EQ(Column(grid, 1, 3), (Texts{"x", "y", "z"}));
  EXPECT_EQ(grid.RowCount(), 2);
}

TEST(TmStrGridAddCol, AppendsAColumnFromTheLine) {
  TmStrGrid grid;
  Fill(grid, {{"a"}, {"b"}});
  grid.AddCol("x,y", ',');
  EXPECT_EQ(Cells(grid), (Table{{"a", "x"}, {"b", "y"}}));
}

TEST(TmStrGridAddRow, AppendsARowAndShowsStoredCellsAfterTheLastField) {
  TmStrGrid grid;
  Fill(grid, {{"a", "b", "c"}});
  grid.SetCells(2, 1, "kept");
  grid.AddRow("x", '\0');
  grid.AddRow(std::string("p\0q", 3), '\0');  // the NUL byte is an ordinary separator
  EXPECT_EQ(Cells(grid), (Table{{"a", "b", "c"}, {"x", "", "kept"}, {"p", "q", ""}}));
}

// ---- the block moves against the line views -------------------------------------------------

// The reference: the editing steps written with the line views, one line at a time.
void ReferenceInsertRows(TmStrGrid& g, int row, int count) {
  g.SetRowCount(g.RowCount() + count);
  for (int b = g.RowCount() - 1; b >= row + count; --b) g.Rows(b).Assign(g.Rows(b - count));
  g.Rows(row).Clear();
  for (int k = row + 1; k < row + count; ++k) g.Rows(k).Assign(g.Rows(row));
}

void ReferenceInsertCols(TmStrGrid& g, int col, int count) {
  g.SetColCount(g.ColCount() + count);
  for (int b = g.ColCount() - 1; b >= col + count; --b) g.Cols(b).Assign(g.Cols(b - count));
  g.Cols(col).Clear();
  for (int k = col + 1; k < col + count; ++k) g.Cols(k).Assign(g.Cols(col));
}

void ReferenceDeleteRows(TmStrGrid& g, int row, int count) {
  count = std::min(count, g.RowCount() - row);
  for (int r = row; r < g.RowCount(); ++r) g.Rows(r).Assign(g.Rows(r + count));
  g.SetRowCount(g.RowCount() - count);
}

void ReferenceDeleteCols(TmStrGrid& g, int col, int count) {
  count = std::min(count, g.ColCount() - col);
  for (int c = col; c < g.ColCount(); ++c) g.Cols(c).Assign(g.Cols(c + count));
  g.SetColCount(g.ColCount() - count);
}

constexpr int kFarCol = 5000;  // a column kept outside the dense column store

// Every cell of the region the random edits can reach, text and object.
void ExpectSameCells(const TmStrGrid& got, const TmStrGrid& want, int rows, int cols) {
  ASSERT_EQ(got.RowCount(), want.RowCount());
  ASSERT_EQ(got.ColCount(), want.ColCount());
  ASSERT_EQ(got.StoredCellCount(), want.StoredCellCount());
  std::vector<int> columns;
  for (int c = 0; c < cols; ++c) columns.push_back(c);
  columns.push_back(kFarCol);
  for (int c : columns)
    for (int r = 0; r < rows; ++r) {
      ASSERT_EQ(got.CellView(c, r), want.CellView(c, r)) << "cell " << c << "," << r;
      ASSERT_EQ(got.Objects(c, r), want.Objects(c, r)) << "cell " << c << "," << r;
    }
}

// Sparse random cells across several chunks of rows, some with objects, some with an
// object and no text, some outside the table; then random edits on both grids.
TEST(TmStrGridEditing, BlockMovesMatchTheLineViewSteps) {
  std::mt19937 random(12345);
  TmStrGrid fast;
  TmStrGrid slow;
  for (TmStrGrid* g : {&fast, &slow}) {
    g->SetRowCount(2600);
    g->SetColCount(6);
  }
  auto put = [&](int c, int r, const std::string& text, std::intptr_t object) {
    for (TmStrGrid* g : {&fast, &slow}) {
      g->SetCells(c, r, text.empty() ? "t" : text);
      if (object != 0) g->SetObjects(c, r, object);
      if (text.empty()) g->SetCells(c, r, "");
    }
  };
  for (int i = 0; i < 4000; ++i) {
    const int c = static_cast<int>(random() % 9);
    const int r = static_cast<int>(random() % 3200);
    const std::string text = (random() % 5 == 0) ? "" : "v" + std::to_string(i) +
                                                     std::string(random() % 3 ? 0 : 20, 'x');
    put(c, r, text, text.empty() || random() % 3 == 0 ? i + 1 : 0);
  }
  put(kFarCol, 5, "far", 0);
  put(kFarCol, 2000, "", 77);
  for (int step = 0; step < 40; ++step) {
    const int op = static_cast<int>(random() % 4);
    const int rows = fast.RowCount();
    const int cols = fast.ColCount();
    SCOPED_TRACE("step " + std::to_string(step) + " op " + std::to_string(op));
    if (op == 0) {
      const int row = static_cast<int>(random() % (rows + 1));
      const int count = 1 + static_cast<int>(random() % (random() % 2 ? 5 : 1500));
      fast.InsertRows(row, count);
      ReferenceInsertRows(slow, row, count);
    } else if (op == 1) {
      const int row = static_cast<int>(random() % rows);
      const int count = static_cast<int>(random() % (random() % 2 ? 4 : 1500));
      fast.DeleteRows(row, count);
      ReferenceDeleteRows(slow, row, count);
    } else if (op == 2 && cols < 12) {
      const int col = static_cast<int>(random() % (cols + 1));
      const int count = 1 + static_cast<int>(random() % 3);
      fast.InsertCols(col, count);
      ReferenceInsertCols(slow, col, count);
    } else if (op == 3 && cols > 1) {
      const int col = static_cast<int>(random() % cols);
      const int count = static_cast<int>(random() % 3);
      fast.DeleteCols(col, count);
      ReferenceDeleteCols(slow, col, count);
    }
    ExpectSameCells(fast, slow, fast.RowCount() + 1600, 16);
    if (HasFatalFailure()) return;
  }
}

// Every cell filled, so a step that empties or moves one row too many or too few around a
// chunk edge (1024 rows) shows.
TEST(TmStrGridEditing, BlockMovesAtChunkEdgesMatchTheLineViewSteps) {
  const std::pair<int, int> cases[] = {{1, 1023}, {0, 1024}, {1, 1022}, {1023, 1}, {1023, 2},
                                       {1024, 1}, {5, 1019}, {1000, 1100}, {0, 1023}, {2047, 1}};
  for (const auto& [row, count] : cases) {
    SCOPED_TRACE(std::to_string(row) + " / " + std::to_string(count));
    for (bool insert : {true, false}) {
      TmStrGrid fast;
      TmStrGrid slow;
      for (TmStrGrid* g : {&fast, &slow}) {
        g->SetRowCount(2100);
        g->SetColCount(2);
        for (int r = 0; r < 2200; ++r) {
          g->SetCells(0, r, "a" + std::to_string(r));
          g->SetCells(1, r, "b" + std::to_string(r));
          g->SetObjects(1, r, r + 1);
        }
      }
      if (insert) {
        fast.InsertRows(row, count);
        ReferenceInsertRows(slow, row, count);
      } else {
        fast.DeleteRows(row, count);
        ReferenceDeleteRows(slow, row, count);
      }
      ExpectSameCells(fast, slow, 4400, 2);
    }
  }
}

}  // namespace
}  // namespace quillet
