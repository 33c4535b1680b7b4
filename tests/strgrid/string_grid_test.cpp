#include "strgrid/string_grid.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "tests/strgrid/grid_test_support.h"

namespace quillet {
namespace {

using namespace test_support;

TEST(TStringGridCells, SparseReadsAndCellsOutsideTheBoundsSurviveCountChanges) {
  TStringGrid grid;
  EXPECT_EQ(grid.Cells(1'000'000, 2'000'000'000), "");
  EXPECT_EQ(grid.Objects(3, 2), 0);
  grid.SetCells(0, 4, "row four");
  grid.SetCells(2'000'000'000, 1, "far column");
  grid.SetCells(0, INT_MAX, std::string(300, 'q'));
  grid.SetRowCount(2);
  EXPECT_EQ(grid.Cells(0, 4), "row four");  // readable while outside
  grid.SetRowCount(5);
  EXPECT_EQ(grid.Cols(0).Strings(4), "row four");
  EXPECT_EQ(grid.CellView(2'000'000'000, 1), "far column");
  EXPECT_EQ(grid.Cells(0, INT_MAX), std::string(300, 'q'));
  EXPECT_EQ(grid.ChunkCount(), 3u);
}

TEST(TStringGridCells, ObjectsNeedAStoredCellAndZeroRemovesThem) {
  TStringGrid grid;
  ExpectError<EStringSparseListError>([&] { grid.SetObjects(0, 0, 5); },
                                      "PutObject to undefined item");
  grid.SetObjects(0, 0, 0);  // nothing to remove: no error
  grid.SetCells(1, 1, "word");
  grid.SetObjects(1, 1, 77);
  grid.SetCells(1, 1, "other");  // writing a text keeps the object
  EXPECT_EQ(grid.Objects(1, 1), 77);
  grid.SetCells(1, 1, "");  // an object alone keeps the cell, which takes another object
  grid.SetObjects(1, 1, 78);
  EXPECT_EQ(grid.Objects(1, 1), 78);
  EXPECT_EQ(grid.StoredCellCount(), 1u);
  grid.SetObjects(1, 1, 0);  // removes the object and so the empty cell
  EXPECT_EQ(grid.StoredCellCount(), 0u);
  EXPECT_EQ(grid.ChunkCount(), 0u);
  ExpectError<EStringSparseListError>([&] { grid.SetObjects(1, 1, 5); },
                                      "PutObject to undefined item");
}

TEST(TStringGridCells, ChunksExistOnlyWhileTheyHoldACell) {
  TStringGrid grid;
  const int rows = 3 * TStringGrid::kChunkRows + 7;
  for (int row = 0; row < rows; ++row) {
    grid.SetRowCount(grid.RowCount() + 1);
    grid.SetCells(0, row, "w" + std::to_string(row));
  }
  EXPECT_EQ(grid.ChunkCount(), 4u);
  for (int row = 0; row < rows; ++row) ASSERT_EQ(grid.CellView(0, row), "w" + std::to_string(row));
  for (int row = TStringGrid::kChunkRows; row < 2 * TStringGrid::kChunkRows; ++row)
    grid.SetCells(0, row, "");
  EXPECT_EQ(grid.ChunkCount(), 3u);
  EXPECT_EQ(grid.Cells(0, 2048), "w2048");
  EXPECT_EQ(grid.StoredCellCount(), static_cast<std::size_t>(rows - TStringGrid::kChunkRows));
}

TEST(TStringGridIndices, NegativeIndicesRaiseListErrors) {
  TStringGrid grid;
  const std::vector<std::function<void()>> actions = {
      [&] { grid.SetCells(-1, 0, "x"); },  [&] { grid.SetCells(0, -1, "x"); },
      [&] { grid.SetObjects(-1, 0, 1); },  [&] { grid.Cells(0, -1); },
      [&] { grid.Objects(3, -1); },        [&] { grid.Cols(-1); },
      [&] { grid.Rows(-1); },              [&] { grid.MoveCell(0, 0, 0, -1); },
  };
  for (std::size_t i = 0; i < actions.size(); ++i) {
    SCOPED_TRACE("action " + std::to_string(i));
    ExpectError<EListError>(actions[i], "List index out of bounds");
  }
  EXPECT_EQ(grid.StoredCellCount(), 0u);
}

TEST(TStringGridIndices, NegativeColumnReadsEmptyUntilTheRowIsWritten) {
  TStringGrid grid;
  EXPECT_EQ(grid.Cells(-1, 2), "");
  EXPECT_EQ(grid.Objects(-5, 2), 0);
  grid.SetCells(3, 2, "");  // even writing the empty text counts
  ExpectError<EListError>([&] { grid.Cells(-1, 2); }, "List index out of bounds");
  ExpectError<EListError>([&] { grid.Objects(-1, 2); }, "List index out of bounds");
  EXPECT_EQ(grid.Cells(-1, 3), "");
  grid.Cols(1).Clear();  // writes the column's first RowCount cells
  EXPECT_THROW(grid.Cells(-1, 3), EListError);
  EXPECT_EQ(grid.Cells(-1, 5), "");
}

TEST(TStringGridCounts, LoweringACountLowersTheFixedCountAndClampsAtOne) {
  const struct {
    int fixed, new_count, count_after, fixed_after;
  } cases[] = {{1, 0, 1, 0}, {1, -7, 1, 0}, {3, 3, 3, 2}, {3, 4, 4, 3}, {2, 1, 1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.fixed) + " -> " + std::to_string(c.new_count));
    TStringGrid grid;  // 5 x 5
    grid.SetFixedRows(c.fixed);
    grid.SetFixedCols(c.fixed);
    grid.SetRowCount(c.new_count);
    grid.SetColCount(c.new_count);
    EXPECT_EQ(grid.RowCount(), c.count_after);
    EXPECT_EQ(grid.FixedRows(), c.fixed_after);
    EXPECT_EQ(grid.ColCount(), c.count_after);
    EXPECT_EQ(grid.FixedCols(), c.fixed_after);
  }
}

TEST(TStringGridCounts, BadFixedCountsRaiseAndKeepTheValue) {
  TStringGrid grid;
  grid.SetRowCount(3);
  grid.SetColCount(4);
  ExpectError<EInvalidGridOperation>([&] { grid.SetFixedRows(-1); }, "Grid index out of range");
  ExpectError<EInvalidGridOperation>([&] { grid.SetFixedRows(3); },
                                     "Fixed row count must be less than row count");
  ExpectError<EInvalidGridOperation>([&] { grid.SetFixedCols(-1); }, "Grid index out of range");
  ExpectError<EInvalidGridOperation>([&] { grid.SetFixedCols(4); },
                                     "Fixed column count must be less than column count");
  EXPECT_EQ(grid.FixedRows(), 1);
  EXPECT_EQ(grid.FixedCols(), 1);
  grid.SetFixedCols(3);
  EXPECT_EQ(grid.FixedCols(), 3);
}

TEST(TStringGridLines, ViewsReadAndWriteCellsFollowTheCountsAndHaveFixedSize) {
  TStringGrid grid;
  grid.SetColCount(3);
  grid.Rows(1).SetStrings(2, "r1c2");
  grid.Rows(1).SetObjects(2, 12);
  EXPECT_EQ(grid.Cols(2).Strings(1), "r1c2");
  EXPECT_EQ(grid.Cols(2).Objects(1), 12);
  EXPECT_EQ(grid.Rows(1).Count(), 3);
  TStringGridLine column = grid.Cols(0);
  grid.SetRowCount(6);
  EXPECT_EQ(column.Count(), 6);
  ExpectError<EListError>([&] { column.Strings(6); }, "List index out of bounds");
  ExpectError<EStringSparseListError>([&] { grid.Rows(0).SetObjects(0, 4); },
                                      "PutObject to undefined item");
  const std::string message = "Cannot insert or delete cells through a grid line";
  ExpectError<EInvalidGridOperation>([&] { grid.Rows(0).Insert(0, "x"); }, message);
  ExpectError<EInvalidGridOperation>([&] { grid.Cols(0).Delete(0); }, message);
  ExpectError<EInvalidGridOperation>([&] { grid.Cols(0).Add("x"); }, message);
}

TEST(TStringGridLines, ClearEmptiesARowPastColCountButAColumnOnlyUpToRowCount) {
  TStringGrid grid;  // 5 x 5
  for (const int col : {0, 7, 5000}) grid.SetCells(col, 2, "row two");
  grid.SetObjects(0, 2, 3);
  grid.SetCells(0, 1, "row one");
  grid.SetCells(0, 5, "outside");
  grid.Rows(2).Clear();
  EXPECT_EQ(grid.Objects(0, 2), 0);
  EXPECT_EQ(grid.StoredCellCount(), 2u);  // rows one and five remain
  grid.Cols(0).Clear();
  EXPECT_EQ(grid.Cells(0, 1), "");
  EXPECT_EQ(grid.Cells(0, 5), "outside");
  EXPECT_EQ(grid.StoredCellCount(), 1u);
}

TEST(TStringGridLines, AssignCopiesTheSmallerCountTextAndObjectAsAUnit) {
  TStringGrid grid;  // 5 columns
  grid.Rows(1).Assign(TStringList{"k", "l", "m", "n", "o", "p", "q"});
  EXPECT_EQ(Row(grid, 1, 6), (Texts{"k", "l", "m", "n", "o", ""}));
  grid.SetCells(3, 0, "keep");
  TStringList list{"a", "", "c"};
  list.SetObjects(1, 11);  // an empty text with an object needs no stored target cell
  grid.Rows(0).Assign(list);
  EXPECT_EQ(Row(grid, 0, 5), (Texts{"a", "", "c", "keep", ""}));
  EXPECT_EQ(grid.Objects(1, 0), 11);
  grid.Rows(2).Assign(grid.Rows(0));  // between lines of the grid, objects included
  EXPECT_EQ(grid.Objects(1, 2), 11);
  grid.Cols(0).Assign(TStringList{"x", "y", "z"});
  // Shares cell (0, 1) with its source: entries are copied one by one from index 0, so
  // entry 1 reads the cell that entry 0 has just written.
  grid.Rows(1).Assign(grid.Cols(0));
  EXPECT_EQ(Row(grid, 1, 3), (Texts{"x", "x", "z"}));
  grid.Cols(0).Exchange(0, 2);
  EXPECT_EQ(grid.Cells(0, 0), "z");
}

TEST(TStringGridMoves, WholeCellMovesKeepTextAndObjectTogether) {
  TStringGrid grid;
  grid.SetCells(0, 0, "alpha");
  grid.SetObjects(0, 0, 1);
  grid.SetCells(0, 2000, "beta");
  TGridCell taken = grid.TakeCell(0, 0);
  EXPECT_EQ(taken.text.View(), "alpha");
  EXPECT_EQ(grid.Cells(0, 0), "");
  grid.PutCell(3, 7, std::move(taken));
  EXPECT_EQ(grid.Objects(3, 7), 1);
  grid.ExchangeCells(3, 7, 0, 2000);
  EXPECT_EQ(grid.Cells(3, 7), "beta");
  EXPECT_EQ(grid.Objects(0, 2000), 1);
  grid.MoveCell(5, 5, 3, 7);  // moving an empty cell empties the target
  EXPECT_EQ(grid.StoredCellCount(), 1u);
  EXPECT_EQ(grid.ChunkCount(), 1u);
}

}  // namespace
}  // namespace quillet
