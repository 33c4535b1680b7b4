// TGridWidget on the offscreen platform: Qt input reaches the grid model (header click,
// typing into the cell editor, Enter and Escape), edited texts go through the code page,
// changed cells repaint on their own, and a failing event handler reaches the application's
// message box.
#include "strgrid/grid_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <functional>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "strgrid/mStrGrid.h"
#include "toolkit/t_application.h"

namespace quillet {
namespace {

// A shown widget of 4 x 4 cells (one fixed row and column) with the focus.
struct ShownGrid {
  TmStrGrid grid;
  TGridWidget* view = nullptr;

  ShownGrid() {
    grid.SetColCount(4);
    grid.SetRowCount(4);
    view = new TGridWidget(grid);
    view->resize(400, 200);
    view->show();
    view->activateWindow();
    view->setFocus();
    QApplication::processEvents();
  }
  ~ShownGrid() { delete view; }
  QPoint Centre(int col, int row) const { return view->CellRect(col, row).center(); }
};

TEST(GridWidget, HeaderClickRunsTheFixedClickAndNotMouseDown) {
  ShownGrid shown;
  shown.grid.SetClickFixed(true);
  std::vector<std::string> log;
  shown.grid.OnClick = [&](TStringGrid& g) {
    log.push_back("click " + std::to_string(g.Col()) + "," + std::to_string(g.Row()));
  };
  shown.grid.OnMouseDown = [&](TStringGrid&, TMouseButton, TShiftState, int, int) {
    log.push_back("down");
  };
  shown.grid.OnMouseUp = [&](TStringGrid&, TMouseButton, TShiftState, int, int) {
    log.push_back("up");
  };
  QTest::mouseClick(shown.view->viewport(), Qt::LeftButton, {}, shown.Centre(2, 0));
  QTest::mouseClick(shown.view->viewport(), Qt::LeftButton, {}, shown.Centre(3, 2));
  EXPECT_EQ(log, (std::vector<std::string>{"click 2,0", "up", "down", "click 3,2", "up"}));
  EXPECT_EQ(shown.grid.Col(), 3);
  EXPECT_FALSE(shown.grid.FixedClickActive());
}

TEST(GridWidget, TypingEditsTheCellAndEnterWritesItInTheCodePage) {
  ShownGrid shown;
  shown.grid.SetOptions(TGridOptions{TGridOption::goEditing, TGridOption::goVertLine});
  QTest::keyClicks(shown.view, "h");
  ASSERT_TRUE(shown.grid.EditorMode());
  ASSERT_TRUE(shown.view->Editor()->isVisible());
  QTest::keyClicks(shown.view->Editor(), "i");
  QTest::sendKeyEvent(QTest::Click, shown.view->Editor(), Qt::Key_unknown,
                      QString::fromUtf8("\u00e9"), Qt::NoModifier);
  QTest::keyClick(shown.view->Editor(), Qt::Key_Return);
  EXPECT_FALSE(shown.grid.EditorMode());
  EXPECT_FALSE(shown.view->Editor()->isVisible());
  EXPECT_EQ(shown.grid.Cells(1, 1), "hi\xc3\xa9");  // the tests run in a UTF-8 locale
}

TEST(GridWidget, EscapeLeavesTheCellUnchangedAndArrowsMoveTheCurrentCell) {
  ShownGrid shown;
  shown.grid.SetOptions(TGridOptions{TGridOption::goEditing});
  shown.grid.SetCells(1, 1, "old");
  QTest::keyClick(shown.view, Qt::Key_Return);
  ASSERT_TRUE(shown.grid.EditorMode());
  EXPECT_EQ(shown.view->Editor()->text(), "old");
  QTest::keyClicks(shown.view->Editor(), "new");
  QTest::keyClick(shown.view->Editor(), Qt::Key_Escape);
  EXPECT_EQ(shown.grid.Cells(1, 1), "old");
  QTest::keyClick(shown.view, Qt::Key_Down);
  QTest::keyClick(shown.view, Qt::Key_Right);
  EXPECT_EQ(shown.grid.Col(), 2);
  EXPECT_EQ(shown.grid.Row(), 2);
}

// Counts the paint events of the object it watches.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

TEST(GridWidget, ChangedCellsRepaintWithoutBeingAsked) {
  ShownGrid shown;
  PaintCounter counter;
  shown.view->viewport()->installEventFilter(&counter);
  const std::vector<std::function<void()>> changes = {
      [&] { shown.grid.SetCells(1, 2, "new"); },
      [&] { shown.grid.SortCol(1); },
  };
  for (const auto& change : changes) {
    QApplication::processEvents();
    counter.paints = 0;
    change();
    QApplication::processEvents();
    EXPECT_GE(counter.paints, 1);
  }
}

TEST(GridWidget, HandlerFailureReachesTheMessageBox) {
  std::vector<std::string> shown_messages;
  auto previous = TApplication::SetMessageBoxHook(
      [&](const std::string& text, const std::string&) { shown_messages.push_back(text); });
  {
    ShownGrid shown;
    shown.grid.OnKeyPress = [](TStringGrid&, char&) {
      throw EListError("List index out of bounds");
    };
    QTest::keyClick(shown.view, Qt::Key_A);
  }
  TApplication::SetMessageBoxHook(std::move(previous));
  EXPECT_EQ(shown_messages, (std::vector<std::string>{"List index out of bounds."}));
}

}  // namespace
}  // namespace quillet
