#include "strgrid/table_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/io_faults.h"
#include "runtime/text_file.h"
#include "strgrid/mStrGrid.h"
#include "tests/strgrid/grid_test_support.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using test_support::Cells;
using test_support::ExpectError;
using test_support::ExpectIoError;
using test_support::Table;

class TableFileTest : public test_support::TempFolderTest {
 protected:
  std::string Put(const std::string& bytes, const std::string& name = "t.txt") const {
    WriteFile(PathOf(name), bytes);
    return PathOf(name);
  }
};

void Fill(TmStrGrid& grid, const Table& rows) {
  grid.SetRowCount(static_cast<int>(rows.size()));
  grid.SetColCount(static_cast<int>(rows[0].size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r)
    for (int c = 0; c < static_cast<int>(rows[r].size()); ++c) grid.SetCells(c, r, rows[r][c]);
}

TEST_F(TableFileTest, SaveWritesEveryCellWithinTheCountsAndLoadReadsThemBack) {
  TmStrGrid grid;
  Fill(grid, {{"a", "", "b"}, {"c", "d", ""}});
  grid.SetCells(3, 0, "outside");
  grid.SetCells(0, 2, "outside");
  const struct {
    const char* separator;
    const char* file;
  } cases[] = {
      {";", "a;;b\r\nc;d;\r\n"}, {"<->", "a<-><->b\r\nc<->d<->\r\n"}, {"", "ab\r\ncd\r\n"}};
  for (const auto& c : cases) {
    SaveTableFile(grid, PathOf("t.txt"), c.separator);
    EXPECT_EQ(ReadFile(PathOf("t.txt")), c.file) << "separator " << c.separator;
  }
  SaveTableFile(grid, PathOf("t.txt"), ";");
  TmStrGrid same;
  LoadTableFile(same, PathOf("t.txt"), ";");
  EXPECT_EQ(Cells(same), (Table{{"a", "", "b"}, {"c", "d", ""}}));
  TmStrGrid other;
  LoadTableFile(other, PathOf("t.txt"), ",");
  EXPECT_EQ(Cells(other), (Table{{"a;;b"}, {"c;d;"}}));
}

TEST_F(TableFileTest, LoadCutsLinesAtEachSeparatorFromTheLeft) {
  const struct {
    const char* separator;
    const char* line;
    std::vector<std::string> fields;
  } cases[] = {
      {",", "x,y,z", {"x", "y", "z"}},
      {"::", "a:::b", {"a", ":b"}},
      {"::", "a::::b", {"a", "", "b"}},
      {",", ",a,,b,", {"", "a", "", "b", ""}},
      {"", "a,b;c", {"a,b;c"}},
      {"ab", "1ab2ab", {"1", "2", ""}},
      {",", "   ", {"   "}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("separator '") + c.separator + "', line '" + c.line + "'");
    TmStrGrid grid;
    LoadTableFile(grid, Put(std::string(c.line) + "\r\n"), c.separator);
    EXPECT_EQ(Cells(grid), (Table{c.fields}));
  }
}

TEST_F(TableFileTest, LoadSizesTheTableToTheLinesAndTheWidestLine) {
  TmStrGrid grid;
  LoadTableFile(grid, Put("x,y,z\r\np"), ",");
  EXPECT_EQ(Cells(grid), (Table{{"x", "y", "z"}, {"p", "", ""}}));
  LoadTableFile(grid, Put("a\r\n\r\n\rb\r\n\r\n"), ",");
  EXPECT_EQ(Cells(grid), (Table{{"a"}, {"b"}}));
  LoadTableFile(grid, Put("a\nb,c\nd"), ",");  // LF alone ends no line
  EXPECT_EQ(Cells(grid), (Table{{"a\nb", "c\nd"}}));
  LoadTableFile(grid, Put("q\x1A" "r\r\ns"), ",");
  EXPECT_EQ(Cells(grid), (Table{{"q"}}));
  Fill(grid, {{"a"}, {""}, {"c"}});  // the empty row saves an empty line, which is skipped
  SaveTableFile(grid, PathOf("t.txt"), ",");
  LoadTableFile(grid, PathOf("t.txt"), ",");
  EXPECT_EQ(Cells(grid), (Table{{"a"}, {"c"}}));
}

TEST_F(TableFileTest, LoadLowersFixedCountsThatNoLongerFit) {
  TmStrGrid grid;
  Fill(grid, Table(6, std::vector<std::string>(4, "old")));
  grid.SetFixedRows(3);
  grid.SetFixedCols(2);
  LoadTableFile(grid, Put("a,b,c\r\nd\r\n"), ",");
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_EQ(grid.FixedRows(), 1);
  EXPECT_EQ(grid.FixedCols(), 2);
  LoadTableFile(grid, Put("a,b\r\nc\r\nd\r\n"), ",");
  EXPECT_EQ(grid.FixedRows(), 1);
  EXPECT_EQ(grid.FixedCols(), 1);
  LoadTableFile(grid, Put(""), ",");
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_EQ(grid.ColCount(), 1);
  EXPECT_EQ(grid.FixedRows(), 0);
  EXPECT_EQ(grid.FixedCols(), 0);
  EXPECT_EQ(grid.Cells(0, 0), "");
}

TEST_F(TableFileTest, LoadOfAFileThatCannotBeOpenedChangesNothing) {
  TmStrGrid grid;
  Fill(grid, {{"h1", "h2", "h3"}, {"a", "b", "c"}, {"d", "e", "f"}});
  grid.SetFixedRows(2);
  grid.SetFixedCols(1);
  grid.SetObjects(1, 1, 42);
  grid.SetCells(7, 9, "far");
  fs::create_directory(PathOf("folder"));
  for (const std::string& name : {PathOf("missing.txt"), PathOf("folder"), std::string()}) {
    ExpectError<MFileError>([&] { LoadTableFile(grid, name, ","); }, "File " + name + " not found");
  }
  EXPECT_EQ(Cells(grid), (Table{{"h1", "h2", "h3"}, {"a", "b", "c"}, {"d", "e", "f"}}));
  EXPECT_EQ(grid.FixedRows(), 2);
  EXPECT_EQ(grid.FixedCols(), 1);
  EXPECT_EQ(grid.Objects(1, 1), 42);
  EXPECT_EQ(grid.Cells(7, 9), "far");
  EXPECT_EQ(grid.StoredCellCount(), 10u);
}

TEST_F(TableFileTest, LoadEmptiesTextsTheFileDoesNotProvideButKeepsObjects) {
  TmStrGrid grid;
  Fill(grid, Table(4, std::vector<std::string>(4, "old")));
  grid.SetObjects(2, 0, 7);   // inside a loaded row, past its last field
  grid.SetObjects(1, 3, 8);   // in a row past the last loaded one
  grid.SetObjects(0, 0, 9);   // a cell the file provides
  LoadTableFile(grid, Put("a,b\r\nc\r\n"), ",");
  EXPECT_EQ(Cells(grid), (Table{{"a", "b"}, {"c", ""}}));
  grid.SetRowCount(4);
  grid.SetColCount(4);
  EXPECT_EQ(Cells(grid), (Table{{"a", "b", "", ""}, {"c", "", "", ""},
                                  {"", "", "", ""}, {"", "", "", ""}}));
  EXPECT_EQ(grid.Objects(0, 0), 9);
  EXPECT_EQ(grid.Objects(2, 0), 7);
  EXPECT_EQ(grid.Objects(1, 3), 8);
  EXPECT_EQ(grid.StoredCellCount(), 5u);  // a, b, c and the objects at (2,0) and (1,3)
}

TEST_F(TableFileTest, LoadEmptiesTextsOutsideEveryCountToo) {
  TmStrGrid grid;
  Fill(grid, Table(4, std::vector<std::string>(4, "old")));
  grid.SetObjects(1, 3, 8);
  grid.SetRowCount(2);  // rows 2 and 3 now lie outside the counts
  grid.SetCells(30, 1, "far");
  grid.SetCells(2, 5000, "far");
  LoadTableFile(grid, Put("a,b\r\nc\r\n"), ",");
  grid.SetRowCount(6000);
  grid.SetColCount(40);
  EXPECT_EQ(grid.Cells(3, 3), "");
  EXPECT_EQ(grid.Cells(30, 1), "");
  EXPECT_EQ(grid.Cells(2, 5000), "");
  EXPECT_EQ(grid.Objects(1, 3), 8);
  EXPECT_EQ(grid.StoredCellCount(), 4u);  // a, b, c and the object at (1,3)
}

TEST_F(TableFileTest, FailedSaveRaisesAndKeepsTheOldFile) {
  TmStrGrid grid;
  Fill(grid, {{"new", "text"}});
  ExpectIoError([&] { SaveTableFile(grid, PathOf("no/such/t.txt"), ","); }, 3, "Invalid filename");
  const std::string path = Put("old\r\n");
  for (io_faults::Operation op : {io_faults::Operation::kWrite, io_faults::Operation::kFlush}) {
    io_faults::FailNth(op, 1, ENOSPC);
    ExpectIoError([&] { SaveTableFile(grid, path, ","); }, 101, "Disk full");
    EXPECT_EQ(ReadFile(path), "old\r\n");
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(TableFileTest, ReadFailurePartWayKeepsTheRowsReadSoFar) {
  std::string text;
  for (int i = 0; text.size() < 2 * TTextReader::kBufferSize; ++i)
    text += "row" + std::to_string(i) + ",x\r\n";
  const std::string path = Put(text);
  TmStrGrid grid;
  Fill(grid, Table(200000, std::vector<std::string>(3, "old")));
  grid.SetFixedRows(0);
  io_faults::FailNth(io_faults::Operation::kRead, 2, EIO);
  ExpectIoError([&] { LoadTableFile(grid, path, ","); }, EIO, "I/O error 5");
  const int rows = grid.RowCount();
  EXPECT_GT(rows, 1000);
  EXPECT_LT(rows, 200000);  // lowered row by row while reading
  EXPECT_EQ(grid.ColCount(), 3);
  EXPECT_EQ(grid.Cells(0, rows - 1), "row" + std::to_string(rows - 1));
  EXPECT_EQ(grid.Cells(2, 0), "old");
  EXPECT_EQ(grid.Cells(0, rows + 5), "old");
}

}  // namespace
}  // namespace quillet
