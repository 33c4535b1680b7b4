// Whole-row and whole-column sorts of TmStrGrid: SortCompleteRows, SortCompleteColumns,
// ReorderCompleteRows and their UndoSort.
#include "strgrid/mStrGrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "tests/strgrid/grid_test_support.h"

namespace quillet {
namespace {

using namespace test_support;

const Table kBab = {{"b", "1"}, {"a", "2"}, {"b", "3"}};

// ---- SortCompleteRows / SortCompleteColumns -------------------------------------------------

TEST(TmStrGridSortCompleteRows, EqualKeysKeepTheirOrderInBothDirections) {
  struct Case {
    bool descending;
    Table sorted;
    Numbers went_to;
  };
  const Case cases[] = {
      {false, {{"a", "2"}, {"b", "1"}, {"b", "3"}}, {1, 0, 2}},
      {true, {{"b", "1"}, {"b", "3"}, {"a", "2"}}, {0, 2, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.descending ? "descending" : "ascending");
    TmStrGrid grid;
    Fill(grid, kBab);
    grid.SetSortDescending(c.descending);
    grid.SortCompleteRows(0);
    EXPECT_EQ(Cells(grid), c.sorted);
    EXPECT_EQ(SortIndexObjects(grid), c.went_to);
    EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortCompleteRows);
    grid.UndoSort();
    EXPECT_EQ(Cells(grid), kBab);
    grid.UndoSort();
    EXPECT_EQ(Cells(grid), c.sorted);
  }
}

// Many equal keys (case-insensitive equal, too): every run of equal keys must keep the rows'
// earlier order, which column 1 records; checked against a stable sort.
TEST(TmStrGridSortCompleteRows, MatchesAStableSortOnALargeTable) {
  std::mt19937 random(7);
  const Texts keys = {"pear", "Pear", "fig", "apple", "APPLE", "kiwi", ""};
  Table rows;
  for (int r = 0; r < 3000; ++r)
    rows.push_back({keys[random() % keys.size()], std::to_string(r)});
  for (bool descending : {false, true}) {
    SCOPED_TRACE(descending ? "descending" : "ascending");
    TmStrGrid grid;
    Fill(grid, rows);
    grid.SetKeyType(TMSortType::soStringCaseSensitive);
    grid.SetSortDescending(descending);
    grid.SortCompleteRows(0);
    Table expected = rows;
    std::stable_sort(expected.begin(), expected.end(), [&](const Texts& a, const Texts& b) {
      return descending ? a[0] > b[0] : a[0] < b[0];
    });
    EXPECT_EQ(Cells(grid), expected);
    const Numbers went_to = SortIndexObjects(grid);
    for (int r = 0; r < 3000; ++r) EXPECT_EQ(grid.Cells(1, went_to[r]), std::to_string(r));
    grid.UndoSort();
    EXPECT_EQ(Cells(grid), rows);
  }
}

TEST(TmStrGridSortCompleteRows, NumericZeroKeysKeepTheirOrder) {
  const Texts column = {"x", "5", "abc", "0", "-1", "b"};
  struct Case {
    bool descending;
    Texts sorted;
  };
  const Case cases[] = {
      {false, {"-1", "x", "abc", "0", "b", "5"}},
      {true, {"5", "x", "abc", "0", "b", "-1"}},
  };
  for (const Case& c : cases) {
    TmStrGrid grid;
    Table rows;
    for (const std::string& text : column) rows.push_back({text});
    Fill(grid, rows);
    grid.SetKeyType(TMSortType::soNumeric);
    grid.SetSortDescending(c.descending);
    grid.SortCompleteRows(0);
    Texts got;
    for (int r = 0; r < grid.RowCount(); ++r) got.push_back(grid.Cells(0, r));
    EXPECT_EQ(got, c.sorted) << (c.descending ? "descending" : "ascending");
  }
}

TEST(TmStrGridSortCompleteRows, AnAllEmptyKeyColumnMovesNothing) {
  TmStrGrid grid;
  Fill(grid, {{"c", "3"}, {"a", "1"}, {"b", "2"}});
  grid.SortCompleteRows(7);  // past ColCount: every key is empty
  EXPECT_EQ(Cells(grid), (Table{{"c", "3"}, {"a", "1"}, {"b", "2"}}));
  EXPECT_EQ(SortIndexObjects(grid), (Numbers{0, 1, 2}));
}

TEST(TmStrGridSortCompleteRows, KeyPositionAndLengthCutTheKey) {
  TmStrGrid grid;
  Fill(grid, {{"x9b"}, {"y1a"}, {"z9a"}});
  grid.SetKeyPos(2);
  grid.SetKeyLen(1);
  grid.SortCompleteRows(0);
  EXPECT_EQ(Cells(grid), (Table{{"y1a"}, {"x9b"}, {"z9a"}}));
}

// Fixed lines with FixedRows = FixedCols = 1: column 0 labels the rows, row 0 is a header.
TEST(TmStrGridSortCompleteRows, FixedLinesFollowUseFixed) {
  const Table table = {{"r0", "key", "h"}, {"r1", "c", "3"}, {"r2", "a", "1"}, {"r3", "b", "2"}};
  struct Case {
    HandleFixed use_fixed;
    Table sorted;
    Numbers went_to;
    int first_moved_col;
  };
  const Case cases[] = {
      {HandleFixed::hfNot,
       {{"r0", "key", "h"}, {"r1", "a", "1"}, {"r2", "b", "2"}, {"r3", "c", "3"}},
       {0, 3, 1, 2},
       1},
      {HandleFixed::hfSmart,
       {{"r0", "key", "h"}, {"r2", "a", "1"}, {"r3", "b", "2"}, {"r1", "c", "3"}},
       {0, 3, 1, 2},
       0},
      {HandleFixed::hfYes,
       {{"r2", "a", "1"}, {"r3", "b", "2"}, {"r1", "c", "3"}, {"r0", "key", "h"}},
       {3, 2, 0, 1},
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.use_fixed));
    TmStrGrid grid;
    Fill(grid, table, 1, 1);
    grid.SetUseFixed(c.use_fixed);
    grid.SortCompleteRows(1);
    EXPECT_EQ(Cells(grid), c.sorted);
    EXPECT_EQ(SortIndexObjects(grid), c.went_to);
    EXPECT_EQ(grid.FirstMovedCol(), c.first_moved_col);
    grid.UndoSort();
    EXPECT_EQ(Cells(grid), table);
  }
}

TEST(TmStrGridSortCompleteRows, ObjectsMoveWithTheirTextsAndCellsPastColCountStay) {
  TmStrGrid grid;
  Fill(grid, {{"b", "x"}, {"a", ""}, {"c", "z"}});
  grid.SetObjects(1, 0, 10);
  grid.SetCells(1, 1, "tmp");
  grid.SetObjects(1, 1, 11);
  grid.SetCells(1, 1, "");  // object with an empty text
  grid.SetCells(5, 0, "outside");
  grid.SortCompleteRows(0);
  EXPECT_EQ(Cells(grid), (Table{{"a", ""}, {"b", "x"}, {"c", "z"}}));
  EXPECT_EQ(grid.Objects(1, 0), 11);
  EXPECT_EQ(grid.Objects(1, 1), 10);
  EXPECT_EQ(grid.Objects(1, 2), 0);
  EXPECT_EQ(grid.Cells(5, 0), "outside");
  grid.UndoSort();
  EXPECT_EQ(grid.Objects(1, 0), 10);
  EXPECT_EQ(grid.Objects(1, 1), 11);
}

TEST(TmStrGridSortCompleteColumns, SortsColumnsStablyAndUndoAlternates) {
  TmStrGrid grid;
  const Table table = {{"b", "a", "b"}, {"1", "2", "3"}};
  Fill(grid, table);
  grid.SetObjects(0, 1, 7);
  grid.SortCompleteColumns(0);
  const Table sorted = {{"a", "b", "b"}, {"2", "1", "3"}};
  EXPECT_EQ(Cells(grid), sorted);
  EXPECT_EQ(grid.Objects(1, 1), 7);
  EXPECT_EQ(SortIndexObjects(grid), (Numbers{1, 0, 2}));
  EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortCompleteCols);
  grid.UndoSort();
  EXPECT_EQ(Cells(grid), table);
  EXPECT_EQ(grid.Objects(0, 1), 7);
  grid.UndoSort();
  EXPECT_EQ(Cells(grid), sorted);
}

TEST(TmStrGridSortCompleteColumns, FixedRowsAndColumnsWithHfNot) {
  TmStrGrid grid;
  Fill(grid, {{"h", "k", "j"}, {"x", "c", "a"}, {"y", "3", "1"}}, 1, 1);
  grid.SortCompleteColumns(1);
  // Column 0 (fixed) keeps its place; row 0 (fixed) stays while the columns move under it.
  EXPECT_EQ(Cells(grid), (Table{{"h", "k", "j"}, {"x", "a", "c"}, {"y", "1", "3"}}));
  EXPECT_EQ(grid.FirstMovedRow(), 1);
  grid.SetUseFixed(HandleFixed::hfSmart);
  grid.UndoSort();  // replays with the recorded FirstMovedRow 1
  EXPECT_EQ(Cells(grid), (Table{{"h", "k", "j"}, {"x", "c", "a"}, {"y", "3", "1"}}));
  grid.SortCompleteColumns(1);
  EXPECT_EQ(grid.FirstMovedRow(), 0);
  EXPECT_EQ(Cells(grid), (Table{{"h", "j", "k"}, {"x", "a", "c"}, {"y", "1", "3"}}));
}

// ---- failures ----------------------------------------------------------------------------

TEST(TmStrGridSortCompleteRows, NegativeLineThrowsAfterEmptyingSortIndex) {
  TmStrGrid grid;
  Fill(grid, kBab, 0, 1);
  grid.SortCompleteRows(0);
  const Table sorted = Cells(grid);
  ExpectError<EListError>([&] { grid.SortCompleteRows(-1); }, "List index out of bounds");
  EXPECT_EQ(grid.SortIndex().Count(), 0);
  EXPECT_EQ(grid.FirstMovedCol(), 1);
  EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortCompleteRows);
  ExpectError<EListError>([&] { grid.SortCompleteColumns(-2); }, "List index out of bounds");
  EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortCompleteRows);
  EXPECT_EQ(Cells(grid), sorted);
}

// The key error strikes after the sort has exchanged entries 0 and 2, so SortIndex no longer
// is the identity: an undo that replayed it would swap rows 0 and 2.
TEST(TmStrGridSortCompleteRows, KeyErrorMovesNothingAndLeavesUndoInert) {
  TmStrGrid grid;
  const Table table = {{"5", "a"}, {"1e39", "b"}, {"1", "c"}, {"2", "d"}, {"3", "e"}};
  Fill(grid, table);
  grid.SortCompleteRows(1);  // already in order: a good sort to undo
  grid.SetKeyType(TMSortType::soNumeric);
  ExpectError<EOverflow>([&] { grid.SortCompleteRows(0); }, "Floating point overflow");
  EXPECT_EQ(Cells(grid), table);
  EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortCompleteRows);
  Numbers objects;  // the entries still hold the key texts, not decimal positions
  for (int i = 0; i < grid.SortIndex().Count(); ++i) objects.push_back(grid.SortIndex().Objects(i));
  ASSERT_EQ(objects, (Numbers{2, 1, 0, 3, 4}));
  grid.UndoSort();
  EXPECT_EQ(Cells(grid), table);
}

// ---- ReorderCompleteRows -------------------------------------------------------------------

TEST(TmStrGridReorderCompleteRows, PutsWholeRowsIntoTheGivenOrder) {
  TmStrGrid grid;
  const Table table = {{"pear", "1"}, {"fig", "2"}, {"apple", "3"}};
  Fill(grid, table);
  TStringList order{"apple", "pear", "fig"};
  grid.ReorderCompleteRows(0, order);
  EXPECT_EQ(Cells(grid), (Table{{"apple", "3"}, {"pear", "1"}, {"fig", "2"}}));
  EXPECT_EQ(SortIndexObjects(grid), (Numbers{1, 2, 0}));
  EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortCompleteRows);
  grid.UndoSort();
  EXPECT_EQ(Cells(grid), table);
}

TEST(TmStrGridReorderCompleteRows, MatchesWithTheKeyListsSettingsNotTheGrids) {
  TmStrGrid grid;
  Fill(grid, {{"pear"}, {"fig"}, {"apple"}});
  grid.SetKeyType(TMSortType::soStringCaseSensitive);  // not handed to the key list
  grid.SetKeyPos(3);
  TStringList order{"APPLE", "Pear", "FIG"};  // found only by the default soString, pos 1
  grid.ReorderCompleteRows(0, order);
  EXPECT_EQ(Cells(grid), (Table{{"apple"}, {"pear"}, {"fig"}}));
}

TEST(TmStrGridReorderCompleteRows, KeySkipRowsStayAndOrderCoversTheRest) {
  TmStrGrid grid;
  Fill(grid, {{"head", "h"}, {"b", "1"}, {"c", "2"}, {"a", "3"}}, 1, 1);
  grid.SetUseFixed(HandleFixed::hfSmart);
  TStringList order{"a", "b", "c"};
  grid.ReorderCompleteRows(0, order);
  EXPECT_EQ(Cells(grid), (Table{{"head", "h"}, {"a", "3"}, {"b", "1"}, {"c", "2"}}));
  EXPECT_EQ(SortIndexObjects(grid), (Numbers{0, 2, 3, 1}));
}

TEST(TmStrGridReorderCompleteRows, WrongLengthThrowsAndChangesOnlyFirstMovedCol) {
  TmStrGrid grid;
  Fill(grid, kBab, 0, 1);
  grid.SetUseFixed(HandleFixed::hfSmart);
  grid.SortCompleteRows(1);  // FirstMovedCol 0; rows already in order by column 1
  grid.SetUseFixed(HandleFixed::hfNot);
  TStringList order{"a", "b"};
  ExpectError<MFileError>([&] { grid.ReorderCompleteRows(0, order); },
                          "Incorrect list length of Order Values");
  EXPECT_EQ(grid.FirstMovedCol(), 1);
  EXPECT_EQ(SortIndexObjects(grid), (Numbers{0, 1, 2}));
  EXPECT_EQ(Cells(grid), kBab);
  EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortCompleteRows);
}

TEST(TmStrGridReorderCompleteRows, UnmatchedTextThrowsBeforeAnyCellMoves) {
  TmStrGrid grid;
  Fill(grid, {{"pear", "1"}, {"fig", "2"}, {"apple", "3"}});
  grid.SortCompleteRows(0);  // apple, fig, pear: a sort to undo
  const Table sorted = Cells(grid);
  // Entries 0 and 1 are written by the inversion before entry -1 fails.
  TStringList order{"fig", "pear", "plum"};
  ExpectError<EListError>([&] { grid.ReorderCompleteRows(0, order); },
                          "List index out of bounds");
  EXPECT_EQ(Cells(grid), sorted);
  EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortCompleteRows);
  grid.UndoSort();  // inert after the failed call: the record no longer fits
  EXPECT_EQ(Cells(grid), sorted);
  grid.SortCompleteRows(1);  // a good sort makes undo work again
  grid.UndoSort();
  EXPECT_EQ(Cells(grid), sorted);
}

TEST(TmStrGridReorderCompleteRows, RepeatedTextsRotateRowsWithoutLosingAny) {
  TmStrGrid grid;
  Fill(grid, {{"a", "1"}, {"b", "2"}, {"c", "3"}});
  TStringList order{"b", "b", "a"};
  grid.ReorderCompleteRows(0, order);
  Texts second;
  for (int r = 0; r < 3; ++r) second.push_back(grid.Cells(1, r));
  std::sort(second.begin(), second.end());
  EXPECT_EQ(second, (Texts{"1", "2", "3"}));
}

TEST(TmStrGridReorderCompleteRows, NegativeColumnThrowsAfterEmptyingSortIndex) {
  TmStrGrid grid;
  Fill(grid, kBab);
  grid.SortCompleteRows(0);
  TStringList order{"a", "b", "b"};
  ExpectError<EListError>([&] { grid.ReorderCompleteRows(-1, order); },
                          "List index out of bounds");
  EXPECT_EQ(grid.SortIndex().Count(), 0);
  EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortCompleteRows);
  EXPECT_EQ(Cells(grid), (Table{{"a", "2"}, {"b", "1"}, {"b", "3"}}));
}

}  // namespace
}  // namespace quillet
