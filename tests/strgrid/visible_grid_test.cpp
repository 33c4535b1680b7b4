// The visible grid without a window: current cell and selection, fixed-count resets, the hit
// test and sizing lines, the fixed click, keys, copy, cut and paste through an in-memory
// clipboard, and the change notices its host receives.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "strgrid/grid_clipboard.h"
#include "strgrid/mStrGrid.h"
#include "tests/strgrid/grid_test_support.h"

namespace quillet {
namespace {

using namespace test_support;
using Log = std::vector<std::string>;
constexpr TShiftState kNoShift{};
constexpr TMouseButton kLeft = TMouseButton::mbLeft;

// Client x (y) inside column (row) `line` of a grid with default sizes, line width 1 and no
// scrolling: each column takes 64 + 1 pixels, each row 24 + 1.
int XOf(int col) { return col * 65 + 30; }
int YOf(int row) { return row * 25 + 12; }

// A grid of `cols` x `rows` whose events write into `log`.
struct LoggedGrid {
  TmStrGrid grid;
  TMemoryClipboard clipboard;
  Log log;

  LoggedGrid(int cols, int rows, int fixed_cols, int fixed_rows) {
    grid.SetColCount(cols);
    grid.SetRowCount(rows);
    grid.SetFixedCols(fixed_cols);
    grid.SetFixedRows(fixed_rows);
    grid.SetClipboard(&clipboard);
    grid.OnSelectCell = [this](TStringGrid&, int c, int r, bool&) {
      log.push_back("select " + std::to_string(c) + "," + std::to_string(r));
    };
    grid.OnClick = [this](TStringGrid&) { log.push_back("click"); };
    grid.OnDblClick = [this](TStringGrid&) { log.push_back("dblclick"); };
    grid.OnMouseDown = [this](TStringGrid&, TMouseButton, TShiftState, int, int) {
      log.push_back("down");
    };
    grid.OnMouseUp = [this](TStringGrid&, TMouseButton, TShiftState, int, int) {
      log.push_back("up");
    };
  }
  void Press(int col, int row, TShiftState shift = kNoShift) {
    grid.MouseDown(kLeft, shift, XOf(col), YOf(row));
  }
  void Release(int col, int row) { grid.MouseUp(kLeft, kNoShift, XOf(col), YOf(row)); }
};

TGridCoord Current(const TStringGrid& grid) { return {grid.Col(), grid.Row()}; }

void FillRows(TStringGrid& grid, const Table& rows) {
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < rows[r].size(); ++c)
      grid.SetCells(static_cast<int>(c), static_cast<int>(r), rows[r][c]);
}

// A host that records what the grid asks of its window.
struct RecordingHost : TGridHost {
  int changes = 0;
  int focus_calls = 0;
  bool active = true;
  Log editor;
  void GridChanged() override { ++changes; }
  void SetFocus() override { ++focus_calls; }
  bool IsActiveControl() override { return active; }
  void EditorModeChanged(bool open, char typed) override {
    editor.push_back(open ? "open " + std::to_string(typed) : "close");
  }
};

// ---- current cell, selection, fixed counts -----------------------------------------------

TEST(VisibleGridCurrentCell, WriteRaisesSelectThenClickMovesAnchorAndIgnoresSameValue) {
  LoggedGrid g(5, 5, 1, 1);
  EXPECT_EQ(Current(g.grid), (TGridCoord{1, 1}));
  g.grid.SetRow(3);
  g.grid.SetCol(2);
  g.grid.SetCol(2);  // the current value: nothing at all
  EXPECT_EQ(g.log, (Log{"select 1,3", "click", "select 2,3", "click"}));
  EXPECT_EQ(Current(g.grid), (TGridCoord{2, 3}));
  EXPECT_EQ(g.grid.Anchor(), (TGridCoord{2, 3}));
  EXPECT_EQ(g.grid.Selection(), (TGridRect{2, 3, 2, 3}));
}

TEST(VisibleGridCurrentCell, ClearedCanSelectKeepsTheCellButStillClicks) {
  LoggedGrid g(5, 5, 1, 1);
  g.grid.OnSelectCell = [&](TStringGrid&, int, int, bool& can) {
    g.log.push_back("select");
    can = false;
  };
  g.grid.SetRow(4);
  EXPECT_EQ(g.log, (Log{"select", "click"}));
  EXPECT_EQ(Current(g.grid), (TGridCoord{1, 1}));
}

TEST(VisibleGridCurrentCell, TargetOutsideTheTableThrowsBeforeAnyEvent) {
  LoggedGrid g(5, 5, 1, 1);
  for (int bad : {-1, 5, 99}) {
    ExpectError<EInvalidGridOperation>([&] { g.grid.SetRow(bad); }, "Grid index out of range");
    ExpectError<EInvalidGridOperation>([&] { g.grid.SetCol(bad); }, "Grid index out of range");
  }
  EXPECT_TRUE(g.log.empty());
  EXPECT_EQ(Current(g.grid), (TGridCoord{1, 1}));
}

TEST(VisibleGridCurrentCell, MovingScrollsTheCellIntoView) {
  TmStrGrid grid;
  grid.SetRowCount(100);
  grid.SetClientWidth(400);
  grid.SetClientHeight(25 * 10);  // the fixed row and 9 scrolled rows
  grid.SetRow(50);
  EXPECT_EQ(grid.TopRow(), 42);  // rows 42..50 fill the 9 scrolled places
  grid.SetRow(20);
  EXPECT_EQ(grid.TopRow(), 20);
  grid.SetRow(25);  // already visible: no scrolling
  EXPECT_EQ(grid.TopRow(), 20);
}

TEST(VisibleGridCurrentCell, ShrinkingTheTableKeepsCurrentCellAnchorAndTopRowInside) {
  TmStrGrid grid;
  grid.SetRowCount(20);
  grid.SetSelection({1, 10, 3, 15});
  grid.SetTopRow(12);
  grid.SetRowCount(8);
  EXPECT_EQ(Current(grid), (TGridCoord{3, 7}));
  EXPECT_EQ(grid.Anchor(), (TGridCoord{1, 7}));
  EXPECT_EQ(grid.TopRow(), 7);
}

TEST(VisibleGridSelection, IsNormalisedAndSettableOnlyInsideTheTable) {
  TmStrGrid grid;
  grid.SetSelection({1, 1, 3, 2});
  EXPECT_EQ(Current(grid), (TGridCoord{3, 2}));
  EXPECT_EQ(grid.Anchor(), (TGridCoord{1, 1}));
  grid.FocusCell(0, 0, false);  // the anchor stays (goRangeSelect is on by default)
  EXPECT_EQ(grid.Selection(), (TGridRect{0, 0, 1, 1}));
  ExpectError<EInvalidGridOperation>([&] { grid.SetSelection({0, 0, 5, 1}); },
                                     "Grid index out of range");
  EXPECT_EQ(grid.Selection(), (TGridRect{0, 0, 1, 1}));
}

TEST(VisibleGridFixedCounts, NewCountResetsCurrentAnchorAndTopLeftAndRepaints) {
  TmStrGrid grid;
  RecordingHost host;
  grid.SetHost(&host);
  grid.SetColCount(30);
  grid.SetRowCount(30);
  grid.SetSelection({4, 5, 6, 7});
  grid.SetLeftCol(3);
  grid.SetTopRow(9);
  host.changes = 0;
  grid.SetFixedRows(2);
  EXPECT_EQ(Current(grid), (TGridCoord{1, 2}));
  EXPECT_EQ(grid.Anchor(), (TGridCoord{1, 2}));
  EXPECT_EQ(grid.LeftCol(), 1);
  EXPECT_EQ(grid.TopRow(), 2);
  EXPECT_GE(host.changes, 1);

  grid.SetOptions(TGridOptions{TGridOption::goRowSelect});
  grid.SetFixedCols(3);
  EXPECT_EQ(Current(grid), (TGridCoord{3, 2}));
  EXPECT_EQ(grid.Anchor(), (TGridCoord{29, 2}));  // row select: the anchor in the last column
  grid.SetSelection({5, 5, 5, 5});
  grid.SetFixedCols(3);  // the current value: no reset
  EXPECT_EQ(Current(grid), (TGridCoord{5, 5}));
  grid.SetHost(nullptr);
}

// ---- hit test and sizing lines -------------------------------------------------------------

TEST(VisibleGridHitTest, FindsFixedAndScrolledCellsAndMinusOneBeyondTheTable) {
  TmStrGrid grid;  // 5 x 5, one fixed line each, 64 x 24 plus 1 for the grid line
  grid.SetColCount(10);
  grid.SetLeftCol(4);  // scrolled: column 1..3 are out of view
  struct Case {
    int x, y;
    TGridCoord cell;
  } cases[] = {
      {0, 0, {0, 0}},     {64, 24, {0, 0}},    // the grid line belongs to the cell before
      {65, 25, {4, 1}},   {129, 49, {4, 1}},   {130, 50, {5, 2}},
      {65 + 65 * 5, 0, {9, 0}},                // the last column
      {65 + 65 * 6, 0, {-1, 0}},               // beyond it
      {0, 25 * 5, {0, -1}},                    // below the last row
  };
  for (const Case& c : cases)
    EXPECT_EQ(grid.MouseCoord(c.x, c.y), c.cell) << c.x << "," << c.y;

  grid.SetOptions(TGridOptions{});  // no grid lines: W = 0
  EXPECT_EQ(grid.MouseCoord(64, 24), (TGridCoord{4, 1}));
  grid.SetColWidths(0, 10);
  EXPECT_EQ(grid.MouseCoord(10, 0).X, 4);
}

TEST(VisibleGridSizing, ColumnLineFromThreeBeforeToFourAfterTheColumnEnd) {
  TmStrGrid grid;
  grid.SetOptions(TGridOptions{TGridOption::goFixedVertLine, TGridOption::goVertLine,
                               TGridOption::goColSizing});
  grid.SetClientWidth(1000);
  grid.SetClientHeight(500);
  const int end1 = 65 + 64;  // column 1 ends (before its grid line) at x = 129
  int index = -1;
  for (int x = end1 - 3; x <= end1 + 4; ++x) {
    EXPECT_EQ(grid.SizingStateAt(x, 5, index), TGridState::gsColSizing) << x;
    EXPECT_EQ(index, 1);
  }
  for (int x : {end1 - 4, end1 + 5})
    EXPECT_EQ(grid.SizingStateAt(x, 5, index), TGridState::gsNormal);
  EXPECT_EQ(index, -1);
  // only within the fixed rows, right of the fixed columns, and not for rows
  EXPECT_EQ(grid.SizingStateAt(end1, 30, index), TGridState::gsNormal);
  EXPECT_EQ(grid.SizingStateAt(62, 5, index), TGridState::gsNormal);  // end of fixed col 0
  EXPECT_EQ(grid.SizingStateAt(5, 48, index), TGridState::gsNormal);
  grid.SetDesigning(true);  // while designing both sizings count as set
  EXPECT_EQ(grid.SizingStateAt(5, 48, index), TGridState::gsRowSizing);
  EXPECT_EQ(index, 1);
}

TEST(VisibleGridSizing, LinePastTheClientEndCountsUpToTheEnd) {
  TmStrGrid grid;
  grid.SetOptions(TGridOptions{TGridOption::goHorzLine, TGridOption::goRowSizing});
  grid.SetClientHeight(100);  // rows 1, 2 end at 49, 74; row 3 would end at 99; row 4 at 124
  grid.SetClientWidth(100);
  grid.SetRowCount(8);
  int index = -1;
  EXPECT_EQ(grid.SizingStateAt(5, 99 - 3, index), TGridState::gsRowSizing);
  EXPECT_EQ(index, 3);
  grid.SetRowHeights(3, 30);  // row 3 now ends at 105: beyond the client end (100)
  EXPECT_EQ(grid.SizingStateAt(5, 97, index), TGridState::gsRowSizing);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(grid.SizingStateAt(5, 96, index), TGridState::gsNormal);
  EXPECT_EQ(grid.SizingStateAt(5, 101, index), TGridState::gsNormal);
}

TEST(VisibleGridSizing, DraggingASizingLineResizesTheColumn) {
  LoggedGrid g(5, 5, 1, 1);
  g.grid.SetOptions(TGridOptions{TGridOption::goVertLine, TGridOption::goColSizing});
  g.grid.SetClientWidth(500);
  g.grid.MouseDown(kLeft, kNoShift, 130, 5);  // 1 px past the end of column 1
  EXPECT_EQ(g.grid.GridState(), TGridState::gsColSizing);
  g.grid.MouseMove(kNoShift, 170, 5);
  EXPECT_EQ(g.grid.ColWidths(1), 104);
  g.grid.MouseUp(kLeft, kNoShift, 20, 5);  // far left: the width stays at least 1
  EXPECT_EQ(g.grid.ColWidths(1), 1);
  EXPECT_EQ(g.grid.GridState(), TGridState::gsNormal);
  EXPECT_EQ(g.log, (Log{"down", "up"}));  // sizing is no fixed click
}

// ---- mouse: the fixed click and the standard handling --------------------------------------

TEST(VisibleGridFixedClick, HeaderCellSeesNoFixedLinesAndSavedCountsDuringTheEvents) {
  LoggedGrid g(5, 5, 1, 1);
  g.grid.SetClickFixed(true);
  Log during;
  g.grid.OnSelectCell = [&](TStringGrid& s, int c, int r, bool&) {
    auto& grid = static_cast<TmStrGrid&>(s);
    during.push_back("select " + std::to_string(c) + "," + std::to_string(r) + " fixed " +
                     std::to_string(grid.FixedCols()) + std::to_string(grid.FixedRows()) +
                     " saved " + std::to_string(grid.SavedFixedCols()) +
                     std::to_string(grid.SavedFixedRows()));
  };
  g.grid.OnClick = [&](TStringGrid& s) {
    during.push_back("click at " + std::to_string(s.Col()) + "," + std::to_string(s.Row()));
  };
  g.Press(3, 0);
  EXPECT_EQ(during, (Log{"select 3,0 fixed 00 saved 11", "click at 3,0"}));
  EXPECT_EQ(Current(g.grid), (TGridCoord{1, 1}));
  EXPECT_EQ(g.grid.FixedRows(), 1);
  EXPECT_EQ(g.grid.FixedCols(), 1);
  EXPECT_TRUE(g.grid.FixedClickActive());
  EXPECT_TRUE(g.log.empty());  // no OnMouseDown
  g.Release(3, 0);
  EXPECT_FALSE(g.grid.FixedClickActive());
  EXPECT_EQ(g.log, (Log{"up"}));
}

TEST(VisibleGridFixedClick, EventOrderForEachKindOfHeaderCell) {
  struct Case {
    int col, row;
    Log events;
  } cases[] = {
      {1, 3, {"select 0,3", "click", "select 1,3", "click"}},  // both coordinates above 0
      {0, 3, {"select 0,3", "click"}},
      {4, 0, {"select 4,0", "click"}},
      {0, 0, {}},  // the corner: already there
  };
  for (const Case& c : cases) {
    LoggedGrid g(5, 5, 2, 1);
    g.grid.SetClickFixed(true);
    g.Press(c.col, c.row);
    EXPECT_EQ(g.log, c.events) << c.col << "," << c.row;
    EXPECT_EQ(Current(g.grid), (TGridCoord{2, 1}));
    EXPECT_EQ(g.grid.TopRow(), 1);
    EXPECT_EQ(g.grid.LeftCol(), 2);
  }
}

TEST(VisibleGridFixedClick, ClearedCanSelectKeepsTheCellAndStillClicks) {
  LoggedGrid g(5, 5, 1, 1);
  g.grid.SetClickFixed(true);
  int col_during_click = -2;
  g.grid.OnSelectCell = [](TStringGrid&, int, int, bool& can) { can = false; };
  g.grid.OnClick = [&](TStringGrid& s) { col_during_click = s.Col(); };
  g.Press(3, 0);
  EXPECT_EQ(col_during_click, 0);  // the reset put it at (0, 0) and it did not move
}

TEST(VisibleGridFixedClick, SortInTheClickHandlerKeepsTheHeaderRow) {
  LoggedGrid g(3, 4, 1, 1);
  g.grid.SetClickFixed(true);
  FillRows(g.grid, {{"#", "name", "size"}, {"1", "pear", "3"}, {"2", "apple", "10"},
                    {"3", "fig", "2"}});
  g.grid.OnClick = [&](TStringGrid&) { g.grid.SortCol(g.grid.Col()); };
  g.Press(1, 0);
  EXPECT_EQ(Cells(g.grid), (Table{{"#", "name", "size"},
                                   {"1", "apple", "3"},
                                   {"2", "fig", "10"},
                                   {"3", "pear", "2"}}));
}

TEST(VisibleGridFixedClick, WithoutClickFixedTheHeaderPressIsStandard) {
  LoggedGrid g(5, 5, 1, 1);
  g.Press(3, 0);
  EXPECT_EQ(g.log, (Log{"down"}));  // a fixed cell is not selected by the standard handling
  EXPECT_EQ(Current(g.grid), (TGridCoord{1, 1}));
  EXPECT_FALSE(g.grid.FixedClickActive());
}

TEST(VisibleGridFixedClick, ColumnSizingLineWinsOverTheFixedClick) {
  LoggedGrid g(5, 5, 1, 1);
  g.grid.SetClickFixed(true);
  g.grid.SetOptions(TGridOptions{TGridOption::goVertLine, TGridOption::goColSizing});
  g.grid.SetClientWidth(500);
  g.grid.MouseDown(kLeft, kNoShift, 65 + 64 + 4, YOf(0));
  EXPECT_EQ(g.log, (Log{"down"}));
  EXPECT_EQ(g.grid.GridState(), TGridState::gsColSizing);
  EXPECT_FALSE(g.grid.FixedClickActive());
}

TEST(VisibleGridFixedClick, FailingHandlerStillWritesTheFixedCountsBack) {
  LoggedGrid g(5, 5, 1, 2);
  g.grid.SetClickFixed(true);
  g.grid.OnClick = [](TStringGrid&) { throw EListError("List index out of bounds"); };
  ExpectError<EListError>([&] { g.Press(3, 1); }, "List index out of bounds");
  EXPECT_EQ(g.grid.FixedRows(), 2);
  EXPECT_EQ(g.grid.FixedCols(), 1);
  EXPECT_TRUE(g.grid.FixedClickActive());  // until the release
  EXPECT_EQ(g.grid.SavedFixedRows(), 2);
  g.Release(3, 1);
  EXPECT_FALSE(g.grid.FixedClickActive());
}

TEST(VisibleGridFixedClick, HandlerShrinkingTheTableLeavesValidFixedCounts) {
  LoggedGrid g(5, 5, 1, 2);
  g.grid.SetClickFixed(true);
  g.grid.OnClick = [](TStringGrid& s) { s.SetRowCount(1); };
  g.Press(3, 0);
  EXPECT_EQ(g.grid.FixedRows(), 0);
  EXPECT_EQ(g.grid.FixedCols(), 1);
}

TEST(VisibleGridFixedClick, FixedLineBeyondTheTableIsIgnored) {
  LoggedGrid g(3, 3, 1, 1);
  g.grid.SetClickFixed(true);
  g.Press(0, 7);  // fixed column, below the last row
  g.Press(9, 0);  // fixed row, right of the last column
  EXPECT_TRUE(g.log.empty());
  EXPECT_EQ(g.grid.FixedRows(), 1);
  EXPECT_FALSE(g.grid.FixedClickActive());
}

TEST(VisibleGridMouse, RightMiddleAndDoublePressesGetTheStandardHandling) {
  LoggedGrid g(5, 5, 1, 1);
  g.grid.SetClickFixed(true);
  g.grid.MouseDown(TMouseButton::mbRight, kNoShift, XOf(3), YOf(0));
  g.grid.MouseDown(TMouseButton::mbMiddle, kNoShift, XOf(3), YOf(2));
  EXPECT_EQ(g.log, (Log{"down", "down"}));
  EXPECT_EQ(Current(g.grid), (TGridCoord{1, 1}));
  g.log.clear();
  g.Press(3, 0, TShiftState{TShiftFlag::ssDouble});
  EXPECT_EQ(g.log, (Log{"dblclick", "down"}));  // OnDblClick once, no fixed click
  EXPECT_FALSE(g.grid.FixedClickActive());
}

TEST(VisibleGridMouse, PressAndDragSelectABlockAndReleaseClicks) {
  LoggedGrid g(6, 6, 1, 1);  // no client area: nothing scrolls
  g.Press(2, 2);
  g.grid.MouseMove(kNoShift, XOf(4), YOf(3));
  g.grid.MouseMove(kNoShift, XOf(0), YOf(5));  // over a fixed cell: ignored
  g.Release(4, 3);
  EXPECT_EQ(g.log, (Log{"select 2,2", "down", "select 4,3", "click", "up"}));
  EXPECT_EQ(g.grid.Selection(), (TGridRect{2, 2, 4, 3}));
  g.Press(5, 5, TShiftState{TShiftFlag::ssShift});  // Shift keeps the anchor
  EXPECT_EQ(g.grid.Selection(), (TGridRect{2, 2, 5, 5}));
}

TEST(VisibleGridMouse, GridThatIsNotTheActiveControlOnlyRaisesMouseDown) {
  LoggedGrid g(5, 5, 1, 1);
  RecordingHost host;
  host.active = false;
  g.grid.SetHost(&host);
  g.grid.SetClickFixed(true);
  g.Press(3, 0);
  g.Press(3, 3);
  EXPECT_EQ(g.log, (Log{"down", "down"}));
  EXPECT_EQ(host.focus_calls, 4);  // ours, then the standard handling's, for each press
  EXPECT_FALSE(g.grid.FixedClickActive());
  g.grid.SetDesigning(true);  // a designed grid never takes the focus
  g.Press(3, 3);
  EXPECT_EQ(host.focus_calls, 4);
  g.grid.SetHost(nullptr);
}

// ---- keys ---------------------------------------------------------------------------------

TEST(VisibleGridKeys, ShortcutRunsBeforeOnKeyPressWhichSeesTheCharacter) {
  LoggedGrid g(3, 3, 0, 0);
  g.grid.SetEnableClipboardShortcuts(true);
  g.grid.SetCells(0, 0, "x");
  std::string clipboard_in_handler = "?";
  int key_seen = -1;
  g.grid.OnKeyPress = [&](TStringGrid&, char& key) {
    key_seen = key;
    clipboard_in_handler = g.clipboard.Text();
    key = 0;  // clearing the key cannot undo the copy
  };
  g.grid.SetSelection({0, 0, 0, 0});
  char key = 3;
  g.grid.KeyPress(key);
  EXPECT_EQ(key_seen, 3);
  EXPECT_EQ(clipboard_in_handler, "x");
  EXPECT_EQ(g.clipboard.Text(), "x");
}

TEST(VisibleGridKeys, ShortcutsPasteAndCutAndAreOffByDefault) {
  LoggedGrid g(3, 3, 0, 0);
  g.grid.SetCells(1, 1, "b");
  g.grid.SetSelection({1, 1, 1, 1});
  int key_seen = -1;
  g.grid.OnKeyPress = [&](TStringGrid&, char& key) { key_seen = key; };
  char key = 3;
  g.grid.KeyPress(key);
  EXPECT_FALSE(g.clipboard.HasText());
  EXPECT_EQ(key_seen, 3);

  g.grid.SetEnableClipboardShortcuts(true);
  key = 24;  // Ctrl+X
  g.grid.KeyPress(key);
  EXPECT_EQ(g.clipboard.Text(), "b");
  EXPECT_EQ(g.grid.Cells(1, 1), "");
  g.grid.SetSelection({0, 0, 0, 0});
  key = 22;  // Ctrl+V
  g.grid.KeyPress(key);
  EXPECT_EQ(g.grid.Cells(0, 0), "b");
}

TEST(VisibleGridKeys, EditorOpensOnEnterAndTypingAndBlocksShortcuts) {
  LoggedGrid g(3, 3, 1, 1);
  RecordingHost host;
  g.grid.SetHost(&host);
  g.grid.SetEnableClipboardShortcuts(true);
  char key = '\r';
  g.grid.KeyPress(key);  // goEditing is off: nothing opens
  EXPECT_FALSE(g.grid.EditorMode());
  g.grid.SetOptions(TGridOptions{TGridOption::goEditing});
  key = 'q';
  g.grid.KeyPress(key);
  EXPECT_TRUE(g.grid.EditorMode());
  g.grid.SetCells(1, 1, "z");
  key = 3;
  g.grid.KeyPress(key);  // the editor is open: no copy
  EXPECT_FALSE(g.clipboard.HasText());
  key = '\r';
  g.grid.KeyPress(key);
  EXPECT_FALSE(g.grid.EditorMode());
  g.grid.SetCol(0);  // a fixed cell is never edited
  g.grid.KeyPress(key);
  EXPECT_FALSE(g.grid.EditorMode());
  EXPECT_EQ(host.editor, (Log{"open " + std::to_string('q'), "close"}));
  g.grid.SetHost(nullptr);
}

TEST(VisibleGridKeys, NavigationStaysInTheScrolledCells) {
  struct Case {
    TGridKey key;
    TShiftState shift;
    TGridCoord from, to;
  } cases[] = {
      {TGridKey::gkLeft, {}, {1, 1}, {1, 1}},
      {TGridKey::gkRight, {}, {1, 1}, {2, 1}},
      {TGridKey::gkRight, {}, {4, 1}, {4, 1}},
      {TGridKey::gkUp, {}, {2, 1}, {2, 1}},
      {TGridKey::gkDown, {}, {2, 5}, {2, 6}},
      {TGridKey::gkDown, {}, {2, 6}, {2, 6}},
      {TGridKey::gkHome, {}, {3, 4}, {1, 4}},
      {TGridKey::gkEnd, {}, {2, 4}, {4, 4}},
      {TGridKey::gkHome, {TShiftFlag::ssCtrl}, {3, 4}, {1, 1}},
      {TGridKey::gkEnd, {TShiftFlag::ssCtrl}, {2, 2}, {4, 6}},
      {TGridKey::gkPageDown, {}, {2, 1}, {2, 4}},  // three rows fit below the fixed row
      {TGridKey::gkPageUp, {}, {2, 3}, {2, 1}},
      {TGridKey::gkTab, {}, {4, 2}, {1, 3}},
      {TGridKey::gkTab, {TShiftFlag::ssShift}, {1, 3}, {4, 2}},
      {TGridKey::gkTab, {}, {4, 6}, {4, 6}},
  };
  for (const Case& c : cases) {
    TmStrGrid grid;
    grid.SetRowCount(7);
    grid.SetOptions(TGridOptions{TGridOption::goTabs});
    grid.SetClientHeight(100);
    grid.SetSelection({c.from.X, c.from.Y, c.from.X, c.from.Y});
    EXPECT_TRUE(grid.KeyDown(c.key, c.shift));
    EXPECT_EQ(Current(grid), c.to) << static_cast<int>(c.key) << " from " << c.from.X << ","
                                   << c.from.Y;
  }
}

TEST(VisibleGridKeys, ShiftArrowsExtendAndTabNeedsGoTabs) {
  LoggedGrid g(5, 5, 1, 1);
  EXPECT_FALSE(g.grid.KeyDown(TGridKey::gkTab, kNoShift));
  g.grid.KeyDown(TGridKey::gkRight, TShiftState{TShiftFlag::ssShift});
  g.grid.KeyDown(TGridKey::gkDown, TShiftState{TShiftFlag::ssShift});
  EXPECT_EQ(g.grid.Selection(), (TGridRect{1, 1, 2, 2}));
  EXPECT_EQ(g.log, (Log{"select 2,1", "click", "select 2,2", "click"}));
  g.grid.KeyDown(TGridKey::gkRight, kNoShift);
  EXPECT_EQ(g.grid.Selection(), (TGridRect{3, 2, 3, 2}));
}

// ---- clipboard ------------------------------------------------------------------------------

struct ClipboardGrid : LoggedGrid {
  ClipboardGrid() : LoggedGrid(3, 3, 0, 0) {}
};

TEST(VisibleGridCopy, OneCellHasNoSeparatorsAndARowKeepsEmptyCells) {
  ClipboardGrid g;
  FillRows(g.grid, {{"a", "", "c"}, {"d", "e", "f"}});
  g.grid.SetSelection({1, 1, 1, 1});
  g.grid.CopyToClipboard();
  EXPECT_EQ(g.clipboard.Text(), "e");
  g.grid.SetSelection({0, 0, 2, 0});
  g.grid.CopyToClipboard();
  EXPECT_EQ(g.clipboard.Text(), "a\t\tc");
  g.grid.SetSelection({2, 1, 0, 0});  // corners in any order
  g.grid.CopyToClipboard();
  EXPECT_EQ(g.clipboard.Text(), "a\t\tc\r\nd\te\tf");
}

TEST(VisibleGridCopy, CellTextsGoUnchangedAndEndAtANulByte) {
  ClipboardGrid g;
  g.grid.SetCells(0, 0, std::string("ab\0cd", 5));
  g.grid.SetCells(1, 0, "x\ty\r\nz");
  g.grid.SetSelection({0, 0, 2, 0});
  g.grid.CopyToClipboard();
  EXPECT_EQ(g.clipboard.Text(), "ab\tx\ty\r\nz\t");
}

TEST(VisibleGridCut, EmptiesTheBlockKeepsObjectsAndCounts) {
  ClipboardGrid g;
  FillRows(g.grid, {{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", "i"}});
  g.grid.SetObjects(1, 1, 42);
  g.grid.SetSelection({0, 1, 1, 2});
  g.grid.CutToClipboard();
  EXPECT_EQ(g.clipboard.Text(), "d\te\r\ng\th");
  EXPECT_EQ(Cells(g.grid), (Table{{"a", "b", "c"}, {"", "", "f"}, {"", "", "i"}}));
  EXPECT_EQ(g.grid.Objects(1, 1), 42);
  EXPECT_EQ(g.grid.ColCount(), 3);
  EXPECT_EQ(g.grid.RowCount(), 3);
}

TEST(VisibleGridPaste, BlockAtTheSelectionGrowsTheTableByOneBeyondIt) {
  ClipboardGrid g;
  g.clipboard.SetText("a\tb\r\nc\td");
  g.grid.SetSelection({1, 1, 1, 1});
  g.grid.PasteFromClipboard();
  EXPECT_EQ(Cells(g.grid), (Table{{"", "", "", ""},
                                   {"", "a", "b", ""},
                                   {"", "c", "d", ""},
                                   {"", "", "", ""}}));
  EXPECT_EQ(g.grid.Selection(), (TGridRect{1, 1, 1, 1}));
}

TEST(VisibleGridPaste, StartsAtTheCurrentCellOnlyWithPasteToCursor) {
  for (bool to_cursor : {false, true}) {
    ClipboardGrid g;
    g.grid.SetPasteToCursor(to_cursor);
    g.clipboard.SetText("a\tb\r\nc\td");
    g.grid.SetSelection({1, 1, 2, 2});  // current cell (2, 2)
    g.grid.PasteFromClipboard();
    const int start = to_cursor ? 2 : 1;
    EXPECT_EQ(g.grid.Cells(start, start), "a");
    EXPECT_EQ(g.grid.Cells(start + 1, start + 1), "d");
    EXPECT_EQ(g.grid.ColCount(), start + 3);
    EXPECT_EQ(Current(g.grid), (TGridCoord{2, 2}));
  }
}

TEST(VisibleGridPaste, LineBreakRules) {
  struct Case {
    std::string text;
    Table rows;  // the 3 x 4 region from (0, 0) after pasting at (0, 0)
  } cases[] = {
      {"", {{"", "x", "x"}, {"x", "x", "x"}, {"x", "x", "x"}, {"", "", ""}}},
      {"a\r\n", {{"a", "x", "x"}, {"", "x", "x"}, {"x", "x", "x"}, {"", "", ""}}},
      {"a\nb\tc", {{"a\nb", "c", "x"}, {"x", "x", "x"}, {"x", "x", "x"}, {"", "", ""}}},
      {"a\r", {{"a", "x", "x"}, {"", "x", "x"}, {"x", "x", "x"}, {"", "", ""}}},
      {"a\rb", {{"a", "x", "x"}, {"b", "x", "x"}, {"x", "x", "x"}, {"", "", ""}}},
      {"a\r\r\nb", {{"a", "x", "x"}, {"", "x", "x"}, {"b", "x", "x"}, {"", "", ""}}},
      {std::string("a\tb\0c\td", 7),
       {{"a", "b", "x"}, {"x", "x", "x"}, {"x", "x", "x"}, {"", "", ""}}},
  };
  for (const Case& c : cases) {
    ClipboardGrid g;
    FillRows(g.grid, {{"x", "x", "x"}, {"x", "x", "x"}, {"x", "x", "x"}});
    g.grid.SetSelection({0, 0, 0, 0});
    g.clipboard.SetText(c.text);
    g.grid.PasteFromClipboard();
    Table region(4);
    for (int r = 0; r < 4; ++r)
      for (int col = 0; col < 3; ++col) region[r].push_back(g.grid.Cells(col, r));
    EXPECT_EQ(region, c.rows) << "text: " << c.text;
  }
}

TEST(VisibleGridPaste, FieldsHaveNoLengthLimitAndNoTextDoesNothing) {
  ClipboardGrid g;
  g.grid.SetSelection({0, 0, 0, 0});
  g.grid.SetCells(0, 0, "keep");
  g.grid.PasteFromClipboard();  // the clipboard holds no text
  EXPECT_EQ(g.grid.Cells(0, 0), "keep");
  EXPECT_EQ(g.grid.RowCount(), 3);
  const std::string long_field(1000, 'L');
  g.clipboard.SetText(long_field + "\t" + long_field);
  g.grid.PasteFromClipboard();
  EXPECT_EQ(g.grid.Cells(0, 0), long_field);
  EXPECT_EQ(g.grid.Cells(1, 0), long_field);
}

TEST(VisibleGridClipboard, GridsShareTheProcessClipboardUnlessGivenTheirOwn) {
  TmStrGrid from, to;
  TMemoryClipboard system;
  TClipboard* before = SetDefaultClipboard(&system);
  from.SetCells(1, 1, "shared");
  from.CopyToClipboard();
  EXPECT_EQ(system.Text(), "shared");
  to.PasteFromClipboard();
  EXPECT_EQ(to.Cells(1, 1), "shared");
  SetDefaultClipboard(before);
  EXPECT_NE(&DefaultClipboard(), &system);
}

// ---- change notification -----------------------------------------------------------------

// Every operation that changes cells tells the host, so a window never has to be asked to
// repaint; the host hears of it only once the cells have changed.
TEST(VisibleGridNotification, EveryCellChangeReachesTheHost) {
  struct CellHost : TGridHost {
    const TStringGrid* grid = nullptr;
    std::string corner;  // cell (1, 1) as the host saw it last
    int calls = 0;
    void CellsChanged() override {
      ++calls;
      corner = grid->Cells(1, 1);
    }
  };
  const std::vector<std::pair<std::string, std::function<void(TmStrGrid&)>>> operations = {
      {"SetCells", [](TmStrGrid& g) { g.SetCells(1, 1, "new"); }},
      {"SetObjects", [](TmStrGrid& g) { g.SetObjects(1, 1, 5); }},
      {"column Clear", [](TmStrGrid& g) { g.Cols(1).Clear(); }},
      {"row Assign", [](TmStrGrid& g) { g.Rows(1).Assign(TStringList{"a", "b"}); }},
      {"row Exchange", [](TmStrGrid& g) { g.Rows(1).Exchange(1, 2); }},
      {"SortCol", [](TmStrGrid& g) { g.SortCol(1); }},
      {"SortRow", [](TmStrGrid& g) { g.SortRow(1); }},
      {"SortAllCols", [](TmStrGrid& g) { g.SortAllCols(); }},
      {"SortCompleteRows", [](TmStrGrid& g) { g.SortCompleteRows(2); }},
      {"InsertRows", [](TmStrGrid& g) { g.InsertRows(1, 1); }},
      {"DeleteCols", [](TmStrGrid& g) { g.DeleteCols(1, 1); }},
      {"ModifyRow", [](TmStrGrid& g) { g.ModifyRow(1, "p;q", ";"); }},
      {"CutToClipboard", [](TmStrGrid& g) { g.CutToClipboard(); }},
  };
  for (const auto& [name, operation] : operations) {
    SCOPED_TRACE(name);
    LoggedGrid g(3, 3, 0, 0);
    FillRows(g.grid, {{"c", "b", "a"}, {"z", "y", "x"}, {"m", "o", "n"}});
    g.grid.SetSelection({1, 1, 1, 1});
    CellHost host;
    host.grid = &g.grid;
    g.grid.SetHost(&host);
    operation(g.grid);
    EXPECT_GE(host.calls, 1);
    EXPECT_EQ(host.corner, g.grid.Cells(1, 1));
    g.grid.SetHost(nullptr);
  }
}

}  // namespace
}  // namespace quillet
