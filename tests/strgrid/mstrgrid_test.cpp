#include "strgrid/mStrGrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "tests/strgrid/grid_test_support.h"

namespace quillet {
namespace {

using namespace test_support;

// ---- properties --------------------------------------------------------------------------

TEST(TmStrGridProperties, CreationValuesAndSavedFixedCounts) {
  TmStrGrid grid;  // 5 x 5, one fixed row and column
  EXPECT_EQ(grid.KeyType(), TMSortType::soString);
  EXPECT_EQ(grid.KeyPos(), 1);
  EXPECT_EQ(grid.KeyLen(), 2147483647);
  EXPECT_EQ(grid.UseFixed(), HandleFixed::hfNot);
  EXPECT_FALSE(grid.SortDescending() || grid.SearchSubstring() || grid.ReverseSearch() ||
               grid.SearchExists() || grid.EnableClipboardShortcuts() ||
               grid.PasteToCursor() || grid.ClickFixed() || grid.FixedClickActive());
  EXPECT_EQ(grid.DateTimeFormat(), TmStrList().DateTimeFormat());
  grid.SetSavedFixedRows(3);
  grid.SetSavedFixedCols(2);
  EXPECT_EQ(grid.SavedFixedRows(), 1);  // no fixed click: the current fixed counts
  EXPECT_EQ(grid.SavedFixedCols(), 1);
  grid.SetFixedClickActive(true);
  EXPECT_EQ(grid.SavedFixedRows(), 3);
  EXPECT_EQ(grid.SavedFixedCols(), 2);
  EXPECT_EQ(grid.FixedRows(), 1);  // writing the saved counts changed nothing else

  FillColumn(grid, {"zz header", "b", "a"});  // no fixed rows now, as during a click
  grid.SetSavedFixedRows(1);
  grid.SortCol(0);
  EXPECT_EQ(Column(grid, 0), (Texts{"zz header", "a", "b"}));
}

TEST(TmStrGridProperties, DateSettingsPassThroughAndOnlyAChangeReachesTheKeyList) {
  TmStrGrid grid;
  const std::string original = grid.DateTimeFormat();
  grid.SetDateTimeFormat("d.M.yyyy");
  EXPECT_EQ(grid.SortIndex().DateTimeFormat(), "d.M.yyyy");
  grid.SortIndex().SetDateTimeFormat("yyyy/M/d");  // changed behind the grid's back
  EXPECT_EQ(grid.DateTimeFormat(), "yyyy/M/d");     // reading asks the key list
  grid.SetDateTimeFormat("d.M.yyyy");               // equals the grid's copy: nothing
  EXPECT_EQ(grid.SortIndex().DateTimeFormat(), "yyyy/M/d");
  grid.SetDateTimeFormat(original);
  EXPECT_EQ(grid.SortIndex().DateTimeFormat(), original);
  grid.SetShortYearBorder(30);
  grid.SetShortYearExpand(false);
  EXPECT_EQ(grid.SortIndex().ShortYearBorder(), 30);
  EXPECT_FALSE(grid.SortIndex().ShortYearExpand());
  grid.SortIndex().SetShortYearBorder(50);
  grid.SetShortYearBorder(30);  // equals the copy
  EXPECT_EQ(grid.ShortYearBorder(), 50);
  ExpectError<E_Format_Invalid>([&] { grid.SetDateTimeFormat("d/m/y h:x"); },
                                "\"X\" in D/M/Y H:X  (Time format part) is invalid");
}

// ---- single-line sorts ----------------------------------------------------------------------

TEST(TmStrGridSortCol, OrdersIgnoringCaseAndRecordsWhereRowsWent) {
  TmStrGrid grid;
  FillColumn(grid, {"pear", "Apple", "fig", "apple"});
  grid.SortCol(0);
  EXPECT_EQ(Column(grid, 0), (Texts{"apple", "Apple", "fig", "pear"}));
  EXPECT_EQ(SortIndexObjects(grid), (Numbers{3, 1, 2, 0}));
  EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortColumn);
  EXPECT_EQ(grid.SortedLine(), 0);
  grid.UndoSort();
  EXPECT_EQ(Column(grid, 0), (Texts{"pear", "Apple", "fig", "apple"}));
  EXPECT_EQ(SortIndexObjects(grid), (Numbers{3, 1, 2, 0}));
  grid.UndoSort();
  EXPECT_EQ(Column(grid, 0), (Texts{"apple", "Apple", "fig", "pear"}));
  EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortColumn);  // undo leaves it
}

TEST(TmStrGridSortCol, UndoRecordsTheInverseMove) {
  TmStrGrid grid;
  FillColumn(grid, {"c", "a", "b"});
  grid.SortCol(0);
  EXPECT_EQ(Column(grid, 0), (Texts{"a", "b", "c"}));
  EXPECT_EQ(SortIndexObjects(grid), (Numbers{2, 0, 1}));
  grid.UndoSort();
  EXPECT_EQ(Column(grid, 0), (Texts{"c", "a", "b"}));
  EXPECT_EQ(SortIndexObjects(grid), (Numbers{1, 2, 0}));
  grid.UndoSort();
  EXPECT_EQ(Column(grid, 0), (Texts{"a", "b", "c"}));
  EXPECT_EQ(SortIndexObjects(grid), (Numbers{2, 0, 1}));
}

TEST(TmStrGridSortCol, FixedRowTakesPartAccordingToUseFixed) {
  const struct {
    HandleFixed use_fixed;
    Texts texts;
    Numbers sort_index;
  } cases[] = {
      {HandleFixed::hfNot, {"zz header", "a", "b"}, {0, 2, 1}},
      {HandleFixed::hfSmart, {"zz header", "a", "b"}, {0, 2, 1}},
      {HandleFixed::hfYes, {"a", "b", "zz header"}, {2, 1, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.use_fixed));
    TmStrGrid grid;
    Fill(grid, {{"zz header"}, {"b"}, {"a"}}, 1, 0);
    grid.SetUseFixed(c.use_fixed);
    grid.SortCol(0);
    EXPECT_EQ(Column(grid, 0), c.texts);
    EXPECT_EQ(SortIndexObjects(grid), c.sort_index);
  }
  TmStrGrid grid;
  FillColumn(grid, {"only"});
  grid.SortCol(0);
  EXPECT_EQ(SortIndexObjects(grid), (Numbers{0}));
  EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortColumn);
}

TEST(TmStrGridSortCol, DescendingNumericAndKeyPositionSettingsReachTheKeyList) {
  TmStrGrid grid;
  FillColumn(grid, {"pear", "Apple", "fig"});
  grid.SetSortDescending(true);
  grid.SortCol(0);
  EXPECT_EQ(Column(grid, 0), (Texts{"pear", "fig", "Apple"}));

  FillColumn(grid, {"x10", "x9", "y100"});
  grid.SetSortDescending(false);
  grid.SetKeyType(TMSortType::soNumeric);
  grid.SetKeyPos(2);
  grid.SortCol(0);
  EXPECT_EQ(Column(grid, 0), (Texts{"x9", "x10", "y100"}));

  FillColumn(grid, {"b-2", "a-3", "c-1"});
  grid.SetKeyType(TMSortType::soStringCaseSensitive);
  grid.SetKeyPos(3);
  grid.SetKeyLen(1);
  grid.SortCol(0);
  EXPECT_EQ(Column(grid, 0), (Texts{"c-1", "b-2", "a-3"}));
}

TEST(TmStrGridSortCol, ObjectsTravelWithTheirTextsThroughSortAndUndo) {
  TmStrGrid grid;
  FillColumn(grid, {"c", "", "a", "b"});
  grid.SetObjects(0, 0, 300);
  grid.SetObjects(0, 2, 100);
  grid.SetCells(0, 1, "gone");
  grid.Cols(0).SetObjects(1, 999);
  grid.SetCells(0, 1, "");  // an empty text holding an object sorts first
  grid.SortCol(0);
  EXPECT_EQ(Column(grid, 0), (Texts{"", "a", "b", "c"}));
  EXPECT_EQ(ColumnObjects(grid, 0), (Numbers{999, 100, 0, 300}));
  grid.UndoSort();
  EXPECT_EQ(ColumnObjects(grid, 0), (Numbers{300, 999, 100, 0}));
  EXPECT_EQ(grid.StoredCellCount(), 4u);
}

TEST(TmStrGridSortCol, ColumnOutsideTheTableAndOtherColumnsStayPut) {
  TmStrGrid grid;
  Fill(grid, {{"k2", "b"}, {"k1", "a"}});
  grid.SetCells(7, 0, "z");
  grid.SetCells(7, 1, "y");
  grid.SetCells(7, 2, "x");  // row 2 lies outside the table: not sorted
  grid.SortCol(7);
  EXPECT_EQ((Texts{grid.Cells(7, 0), grid.Cells(7, 1), grid.Cells(7, 2)}),
            (Texts{"y", "z", "x"}));
  EXPECT_EQ(Cells(grid), (Table{{"k2", "b"}, {"k1", "a"}}));
  EXPECT_EQ(grid.SortedLine(), 7);
}

TEST(TmStrGridSortCol, ManyRowsAcrossChunksSortAndUndoExactly) {
  TmStrGrid grid;
  grid.SetKeyType(TMSortType::soStringCaseSensitive);
  const int rows = 5000;
  Texts before;
  for (int r = 0; r < rows; ++r) before.push_back(std::to_string((r * 7919) % 10007) + "k");
  FillColumn(grid, before);
  grid.SortCol(0);
  Texts expected = before;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Column(grid, 0), expected);
  const Numbers went = SortIndexObjects(grid);
  for (int r = 0; r < rows; ++r) ASSERT_EQ(grid.Cells(0, went[r]), before[r]) << "row " << r;
  grid.UndoSort();
  EXPECT_EQ(Column(grid, 0), before);
}

TEST(TmStrGridSortRow, SortsAcrossColumnsWithFixedColumns) {
  const struct {
    HandleFixed use_fixed;
    Texts texts;
  } cases[] = {
      {HandleFixed::hfNot, {"zz", "a", "b", "c"}},
      {HandleFixed::hfSmart, {"zz", "a", "b", "c"}},
      {HandleFixed::hfYes, {"a", "b", "c", "zz"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.use_fixed));
    TmStrGrid grid;
    Fill(grid, {{"x", "x", "x", "x"}, {"zz", "c", "a", "b"}}, 0, 1);
    grid.SetUseFixed(c.use_fixed);
    grid.SortRow(1);
    EXPECT_EQ(Cells(grid)[1], c.texts);
    EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortRow);
    EXPECT_EQ(grid.SortedLine(), 1);
    grid.UndoSort();
    EXPECT_EQ(Cells(grid)[1], (Texts{"zz", "c", "a", "b"}));
  }
}

// ---- sorts of every line ------------------------------------------------------------------

const Table kSquare = {
    {"h", "y0", "x0"},
    {"r1", "b1", "c1"},
    {"r2", "d2", "c2"},
};

TEST(TmStrGridSortAllRows, FixedLinesTakePartAccordingToUseFixed) {
  const struct {
    HandleFixed use_fixed;
    Table table;
    Numbers sort_index;
    int first_moved_row;
  } cases[] = {
      {HandleFixed::hfNot,
       {{"h", "y0", "x0"}, {"r1", "b1", "c1"}, {"r2", "c2", "d2"}},
       {0, 1, 2, 0, 2, 1},
       1},
      {HandleFixed::hfSmart,
       {{"h", "x0", "y0"}, {"r1", "b1", "c1"}, {"r2", "c2", "d2"}},
       {0, 2, 1, 0, 1, 2, 0, 2, 1},
       0},
      {HandleFixed::hfYes,
       {{"h", "x0", "y0"}, {"b1", "c1", "r1"}, {"c2", "d2", "r2"}},
       {0, 2, 1, 2, 0, 1, 2, 1, 0},
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.use_fixed));
    TmStrGrid grid;
    Fill(grid, kSquare, 1, 1);
    grid.SetUseFixed(c.use_fixed);
    grid.SortAllRows();
    EXPECT_EQ(Cells(grid), c.table);
    EXPECT_EQ(SortIndexObjects(grid), c.sort_index);
    EXPECT_EQ(grid.FirstMovedRow(), c.first_moved_row);
    EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortAllRows);
    grid.UndoSort();
    EXPECT_EQ(Cells(grid), kSquare);
  }
  TmStrGrid grid;  // a saved fixed row count may reach RowCount: no row is worked on
  Fill(grid, {{"b", "a"}, {"d", "c"}}, 1, 0);
  grid.SetSavedFixedRows(2);
  grid.SetFixedClickActive(true);
  grid.SortAllRows();
  EXPECT_EQ(grid.SortIndex().Count(), 0);
  EXPECT_EQ(Cells(grid), (Table{{"b", "a"}, {"d", "c"}}));
}

TEST(TmStrGridSortAllRows, UndoRecordsTheInverseMoveOfEachBlock) {
  TmStrGrid grid;
  Fill(grid, {{"b1", "c1", "a1"}, {"z", "y", "x"}});
  grid.SortAllRows();
  EXPECT_EQ(Cells(grid), (Table{{"a1", "b1", "c1"}, {"x", "y", "z"}}));
  EXPECT_EQ(SortIndexObjects(grid), (Numbers{1, 2, 0, 2, 1, 0}));
  grid.UndoSort();
  EXPECT_EQ(Cells(grid), (Table{{"b1", "c1", "a1"}, {"z", "y", "x"}}));
  EXPECT_EQ(SortIndexObjects(grid), (Numbers{2, 0, 1, 2, 1, 0}));
  grid.UndoSort();
  EXPECT_EQ(Cells(grid), (Table{{"a1", "b1", "c1"}, {"x", "y", "z"}}));
}

// The order a key list gives two date texts under `format` ("" keeps the default format).
Texts DateOrder(const std::string& format, const Texts& texts) {
  TmStrList list;
  if (!format.empty()) list.SetDateTimeFormat(format);
  list.SetKeyType(TMSortType::soDate);
  for (const std::string& text : texts) list.Add(text);
  list.SetSorted(true);
  list.SetSorted(false);
  return {list.Strings(0), list.Strings(1)};
}

TEST(TmStrGridSortAllRows, DateKeysUseTheDefaultFormatNotTheGrids) {
  const Texts texts = {"1.2.2000", "2.1.2000"};
  const Texts by_default = DateOrder("", texts);
  // A grid format that orders the two texts the other way than the default format.
  const std::string format =
      DateOrder("d.M.yyyy", texts) != by_default ? "d.M.yyyy" : "M.d.yyyy";
  const Texts by_grid = DateOrder(format, texts);
  ASSERT_NE(by_grid, by_default);
  TmStrGrid grid;
  Fill(grid, {texts});
  grid.SetKeyType(TMSortType::soDate);
  grid.SetDateTimeFormat(format);
  grid.SortRow(0);
  EXPECT_EQ(Cells(grid)[0], by_grid);
  grid.SortAllRows();
  EXPECT_EQ(Cells(grid)[0], by_default);
}

TEST(TmStrGridSortAllCols, FixedLinesTakePartAccordingToUseFixed) {
  // kSquare transposed: columns play the part of rows.
  const Table square = {{"h", "r1", "r2"}, {"y0", "b1", "d2"}, {"x0", "c1", "c2"}};
  const struct {
    HandleFixed use_fixed;
    Table table;
    Numbers sort_index;
    int first_moved_col;
  } cases[] = {
      {HandleFixed::hfNot,
       {{"h", "r1", "r2"}, {"y0", "b1", "c2"}, {"x0", "c1", "d2"}},
       {0, 1, 2, 0, 2, 1},
       1},
      {HandleFixed::hfYes,
       {{"h", "b1", "c2"}, {"x0", "c1", "d2"}, {"y0", "r1", "r2"}},
       {0, 2, 1, 2, 0, 1, 2, 1, 0},
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.use_fixed));
    TmStrGrid grid;
    Fill(grid, square, 1, 1);
    grid.SetUseFixed(c.use_fixed);
    grid.SortAllCols();
    EXPECT_EQ(Cells(grid), c.table);
    EXPECT_EQ(SortIndexObjects(grid), c.sort_index);
    EXPECT_EQ(grid.FirstMovedCol(), c.first_moved_col);
    EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortAllCols);
    grid.UndoSort();
    EXPECT_EQ(Cells(grid), square);
  }
}

// ---- failures and undo ----------------------------------------------------------------------

TEST(TmStrGridUndo, NegativeLineFailsAfterEmptyingSortIndexAndDisablesUndo) {
  TmStrGrid grid;
  FillColumn(grid, {"c", "a", "b"});
  grid.UndoSort();  // nothing sorted yet
  EXPECT_EQ(Column(grid, 0), (Texts{"c", "a", "b"}));
  grid.SortCol(0);
  ExpectError<EListError>([&] { grid.SortCol(-1); }, "List index out of bounds");
  EXPECT_EQ(grid.SortedLine(), -1);
  EXPECT_EQ(grid.SortIndex().Count(), 0);
  EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortColumn);
  grid.UndoSort();  // the record is gone: nothing may move
  EXPECT_EQ(Column(grid, 0), (Texts{"a", "b", "c"}));
  ExpectError<EListError>([&] { grid.SortRow(-2); }, "List index out of bounds");
  EXPECT_EQ(grid.SortedLine(), -2);
  FillColumn(grid, {"c", "a", "b"});
  grid.SortCol(0);  // a good sort brings undo back
  grid.UndoSort();
  EXPECT_EQ(Column(grid, 0), (Texts{"c", "a", "b"}));
}

TEST(TmStrGridUndo, KeyListErrorMovesNoCellAndDisablesUndo) {
  TmStrGrid grid;
  FillColumn(grid, {"3", "1", "2"});
  grid.SetKeyType(TMSortType::soNumeric);
  grid.SortCol(0);
  // The key list exchanges rows 0 and 4 before it meets the key too large for it, so
  // SortIndex is left half sorted.
  const Texts unsortable = {"9", "1e39", "5", "3", "1"};
  FillColumn(grid, unsortable);
  ExpectError<EOverflow>([&] { grid.SortCol(0); }, "Floating point overflow");
  EXPECT_EQ(Column(grid, 0), unsortable);
  EXPECT_EQ(grid.LastSortKind(), TmStrGrid::kSortColumn);
  grid.UndoSort();  // must not apply the half sorted SortIndex
  EXPECT_EQ(Column(grid, 0), unsortable);

  Fill(grid, {{"2", "1e39"}, {"4", "3"}});
  ExpectError<EOverflow>([&] { grid.SortAllRows(); }, "Floating point overflow");
  EXPECT_EQ(Cells(grid), (Table{{"2", "1e39"}, {"4", "3"}}));
  grid.UndoSort();
  EXPECT_EQ(Cells(grid), (Table{{"2", "1e39"}, {"4", "3"}}));
}

TEST(TmStrGridUndo, WorksByPositionAfterEditsAndCountChanges) {
  TmStrGrid grid;
  FillColumn(grid, {"c", "a", "b"});
  grid.SortCol(0);               // a, b, c; SortIndex 2, 0, 1
  grid.SetCells(0, 0, "first");  // edits keep the record
  grid.SetRowCount(2);           // the record still covers three rows
  grid.UndoSort();
  EXPECT_EQ(grid.Cells(0, 0), "c");
  EXPECT_EQ(grid.Cells(0, 1), "first");
  EXPECT_EQ(grid.Cells(0, 2), "b");
}

TEST(TmStrGridUndo, RecordThatDoesNotFitRaisesAndMovesNothing) {
  const struct {
    const char* name;
    std::function<void(TmStrGrid&)> spoil;
  } cases[] = {
      {"position past the line", [](TmStrGrid& g) { g.SortIndex().SetObjects(1, 3); }},
      {"negative position", [](TmStrGrid& g) { g.SortIndex().SetObjects(0, -1); }},
      {"too few entries for every row", [](TmStrGrid& g) { g.SetRowCount(3); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TmStrGrid grid;
    Fill(grid, {{"b", "a", "c"}, {"e", "f", "d"}});
    grid.SortAllRows();
    c.spoil(grid);
    const Numbers record = [&] {
      Numbers objects;
      for (int i = 0; i < grid.SortIndex().Count(); ++i)
        objects.push_back(grid.SortIndex().Objects(i));
      return objects;
    }();
    ExpectError<EListError>([&] { grid.UndoSort(); }, "List index out of bounds");
    EXPECT_EQ(Cells(grid)[0], (Texts{"a", "b", "c"}));
    EXPECT_EQ(Cells(grid)[1], (Texts{"d", "e", "f"}));
    for (int i = 0; i < static_cast<int>(record.size()); ++i)
      EXPECT_EQ(grid.SortIndex().Objects(i), record[i]);
    grid.UndoSort();  // disabled until the next good sort
    EXPECT_EQ(Cells(grid)[0], (Texts{"a", "b", "c"}));
  }
}

TEST(TmStrGridUndo, RecordThatIsNoPermutationRotatesWithoutLosingCells) {
  TmStrGrid grid;
  FillColumn(grid, {"c", "a", "b"});
  grid.SortCol(0);                      // a, b, c
  grid.SortIndex().SetObjects(0, 1);    // now 1, 0, 1: row 1 named twice
  grid.UndoSort();
  Texts texts = Column(grid, 0);
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ(texts, (Texts{"a", "b", "c"}));  // every cell still there once
}

}  // namespace
}  // namespace quillet
