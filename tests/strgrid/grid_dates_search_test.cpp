// Date keys, searches and table files driven through TmStrGrid itself: the grid's date
// settings reach its key list, and its search and file members reach their engines.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "strgrid/mStrGrid.h"
#include "tests/strgrid/grid_test_support.h"

namespace quillet {
namespace {

using namespace test_support;

void SetUpDateGrid(TmStrGrid& grid, const Texts& dates) {
  grid.SetColCount(1);
  grid.SetFixedCols(0);
  grid.SetFixedRows(0);
  grid.SetRowCount(static_cast<int>(dates.size()));
  grid.SetKeyType(TMSortType::soDate);
  grid.SetDateTimeFormat("yyyy/M/d hh:mm:ss AMPM");
  FillColumn(grid, 0, dates);
}

TEST(TmStrGridDates, SortColOrdersByTheGridsFormatAndUndoRestores) {
  const Texts before = {"2023/12/25 10:30:00 PM", "2023/12/25", "1999/12/31 9:00:00 AM",
                        "2023/12/25 12:00:00 AM"};
  TmStrGrid grid;
  SetUpDateGrid(grid, before);
  grid.SortCol(0);
  EXPECT_EQ(Column(grid, 0), (Texts{"1999/12/31 9:00:00 AM", "2023/12/25",
                                    "2023/12/25 12:00:00 AM", "2023/12/25 10:30:00 PM"}));
  grid.UndoSort();
  EXPECT_EQ(Column(grid, 0), before);
}

TEST(TmStrGridDates, SettingsPassThroughAndEqualFormatIsNoOp) {
  TmStrGrid grid;
  SetUpDateGrid(grid, {"05/1/2", "95/1/2"});
  grid.SetDateTimeFormat("yy/M/d");
  EXPECT_EQ(grid.SortIndex().DateTimeFormat(), "yy/M/d");
  grid.SortCol(0);  // 1995 before 2005 with the short-year expansion
  EXPECT_EQ(Column(grid, 0), (Texts{"95/1/2", "05/1/2"}));
  grid.SetShortYearExpand(false);
  EXPECT_FALSE(grid.SortIndex().ShortYearExpand());
  grid.SortCol(0);  // now year 5 before year 95
  EXPECT_EQ(Column(grid, 0), (Texts{"05/1/2", "95/1/2"}));
  grid.SetShortYearBorder(50);
  EXPECT_EQ(grid.ShortYearBorder(), 50);

  // A format that starts with M is read as a date section.
  ExpectError<E_Format_Invalid>([&] { grid.SetDateTimeFormat("mm:ss"); },
                                "\"S\" in MM:SS  (Date format part) is invalid");
  EXPECT_EQ(grid.DateTimeFormat(), "mm:ss");
  EXPECT_NO_THROW(grid.SetDateTimeFormat("mm:ss"));  // the same text again does nothing
}

TEST(TmStrGridDates, MissingAmPmStopsTheSortWithCellsUnmoved) {
  const Texts before = {"2023/12/25 10:30:00 PM", "2023/12/25 22:30:00", "2020/1/1"};
  TmStrGrid grid;
  SetUpDateGrid(grid, before);
  ExpectError<E_Format_Invalid>([&] { grid.SortCol(0); },
                                "\"2023/12/25 22:30:00\" AM or PM expected. "
                                "DateTimeFormat=yyyy/M/d hh:mm:ss AMPM");
  EXPECT_EQ(Column(grid, 0), before);
}

TEST(TmStrGridDates, SortIndexFindsADateAfterTheSort) {
  TmStrGrid grid;
  SetUpDateGrid(grid, {"2023/12/25", "2001/1/1", "2010/6/30"});
  grid.SortCol(0);
  TmStrList& list = grid.SortIndex();
  // After the sort the list holds the decimal texts; refill it with the dates to look up.
  list.Clear();
  for (int r = 0; r < grid.RowCount(); ++r) list.Add(grid.Cells(0, r));
  int index = -1;
  ASSERT_TRUE(list.Find("2010/06/30", index));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(list.IndexOf("2023/12/25 00:00:00 AM"), -1);  // a time field makes a later key
}

void SetUpSearchGrid(TmStrGrid& grid) {  // 5 x 5, one fixed row and column
  FillColumn(grid, 1, {"head", "apple", "pear", "Apple", "fig"});
  FillColumn(grid, 3, {"x", "apple", "", "", "APPLE"});
}

TEST(TmStrGridSearch, FindFirstAndNextWalkRowByRow) {
  TmStrGrid grid;
  SetUpSearchGrid(grid);
  int col = 0, row = 0;
  ASSERT_TRUE(grid.FindFirst("apple", true, col, row));
  EXPECT_EQ(std::make_pair(col, row), std::make_pair(1, 1));
  EXPECT_TRUE(grid.SearchExists());
  ASSERT_TRUE(grid.FindNext(col, row));
  EXPECT_EQ(std::make_pair(col, row), std::make_pair(3, 1));
  ASSERT_TRUE(grid.FindNext(col, row));
  EXPECT_EQ(std::make_pair(col, row), std::make_pair(1, 3));
  ASSERT_TRUE(grid.FindNext(col, row));
  EXPECT_EQ(std::make_pair(col, row), std::make_pair(3, 4));
  EXPECT_FALSE(grid.FindNext(col, row));
  EXPECT_EQ(std::make_pair(col, row), std::make_pair(-1, -1));
}

TEST(TmStrGridSearch, ReverseSearchSetterTurnsARunningSearch) {
  TmStrGrid grid;
  SetUpSearchGrid(grid);
  int col = 0, row = 0;
  ASSERT_TRUE(grid.FindFirst("apple", true, col, row));  // (1,1)
  ASSERT_TRUE(grid.FindNext(col, row));                  // (3,1)
  grid.SetReverseSearch(true);
  ASSERT_TRUE(grid.FindNext(col, row));
  EXPECT_EQ(std::make_pair(col, row), std::make_pair(1, 1));
  EXPECT_FALSE(grid.FindNext(col, row));
}

TEST(TmStrGridFiles, SaveAndLoadThroughTheGrid) {
  const std::string name = ::testing::TempDir() + "grid_members_table.txt";
  TmStrGrid grid;
  grid.SetColCount(2);
  grid.SetRowCount(2);
  grid.SetCells(0, 0, "a");
  grid.SetCells(1, 0, "b");
  grid.SetCells(0, 1, "c");
  grid.SetCells(1, 1, "d");
  grid.SaveToFile(name, ";");
  std::ifstream in(name, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str(), "a;b\r\nc;d\r\n");

  TmStrGrid loaded;
  loaded.LoadFromFile(name, ",");
  EXPECT_EQ(loaded.RowCount(), 2);
  EXPECT_EQ(loaded.ColCount(), 1);
  EXPECT_EQ(Column(loaded, 0), (Texts{"a;b", "c;d"}));
  std::remove(name.c_str());
  ExpectError<MFileError>([&] { loaded.LoadFromFile(name, ","); }, "File " + name + " not found");
}

}  // namespace
}  // namespace quillet
