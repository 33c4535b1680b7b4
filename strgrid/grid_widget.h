#pragma once
// TGridWidget: shows a TmStrGrid in a window and feeds it the window's input. The grid model
// stays the single source of truth: the widget keeps no cell, selection or scrolling state
// of its own, it draws what the grid holds and hands every key and mouse event to the
// grid's handlers (KeyPress, KeyDown, MouseDown, MouseMove, MouseUp), which raise the grid's
// events and do the standard handling. It is the grid's host (TGridHost): it repaints when
// the grid reports a change of its look or of its cells, whoever made it, gives the grid the
// focus, and shows the cell editor (a QLineEdit over the current cell) when the grid opens
// it.
//
// Drawing: fixed cells as header sections, scrolled cells on the base colour, the
// selection highlighted, the current cell with a focus frame, grid lines of GridLineWidth
// where Options asks for them. Texts are the grid's code-page bytes decoded for display;
// edited texts are encoded back to the code page.
//
// Exceptions thrown by the grid's event handlers leave the widget's Qt event handlers and
// reach the application's notify() (TApplication shows them in a message box).

#include <QAbstractScrollArea>
#include <QString>

#include "strgrid/grid_types.h"

class QLineEdit;
class QPainter;

namespace quillet {

class TmStrGrid;

class TGridWidget : public QAbstractScrollArea, public TGridHost {
  Q_OBJECT

 public:
  // Shows `grid`, which must outlive the widget; the widget becomes the grid's host until
  // it is destroyed.
  explicit TGridWidget(TmStrGrid& grid, QWidget* parent = nullptr);
  ~TGridWidget() override;

  TmStrGrid& Grid() const noexcept { return grid_; }
  // The rectangle of cell (col, row) in viewport coordinates; empty if it is not shown.
  QRect CellRect(int col, int row) const;
  // The cell editor (for tests); hidden unless the grid's EditorMode is on.
  QLineEdit* Editor() const noexcept { return editor_; }

  // ---- TGridHost ------------------------------------------------------------------------
  void GridChanged() override;
  void CellsChanged() override;
  bool CanFocus() override;
  void SetFocus() override;
  bool IsActiveControl() override;
  void EditorModeChanged(bool active, char typed) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SyncScrollBars();
  void PlaceEditor();
  void CloseEditor(bool keep_text);
  bool EditorKey(QKeyEvent* event);
  // Hands a typed text to the grid's KeyPress, one code-page byte per call.
  void TypeText(const QString& text);
  void PaintCell(QPainter& painter, int col, int row, const QRect& rect);
  void PaintLines(QPainter& painter);

  TmStrGrid& grid_;
  QLineEdit* editor_;
  bool syncing_ = false;        // scroll bars are being set from the grid
  bool cancel_edit_ = false;    // the editor closes without writing its text
  QString typed_text_;          // a typed text that opened the editor (several bytes)
};

// Qt's modifiers and buttons as the grid's shift state.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

}  // namespace quillet
