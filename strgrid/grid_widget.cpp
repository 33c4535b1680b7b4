#include "strgrid/grid_widget.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>

#include <algorithm>
#include <optional>
#include <vector>

#include "runtime/code_page.h"
#include "strgrid/mStrGrid.h"

namespace quillet {

namespace {
constexpr int kTextMargin = 3;

QString Decoded(std::string_view bytes) {
  return QString::fromStdU16String(DecodeFromCodePage(bytes));
}

std::string Encoded(const QString& text) { return EncodeToCodePage(text.toStdU16String()); }

std::optional<TMouseButton> ButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return TMouseButton::mbLeft;
    case Qt::RightButton: return TMouseButton::mbRight;
    case Qt::MiddleButton: return TMouseButton::mbMiddle;
    default: return std::nullopt;
  }
}

std::optional<TGridKey> NavigationKeyOf(int key) {
  switch (key) {
    case Qt::Key_Left: return TGridKey::gkLeft;
    case Qt::Key_Right: return TGridKey::gkRight;
    case Qt::Key_Up: return TGridKey::gkUp;
    case Qt::Key_Down: return TGridKey::gkDown;
    case Qt::Key_Home: return TGridKey::gkHome;
    case Qt::Key_End: return TGridKey::gkEnd;
    case Qt::Key_PageUp: return TGridKey::gkPageUp;
    case Qt::Key_PageDown: return TGridKey::gkPageDown;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return TGridKey::gkTab;
    default: return std::nullopt;
  }
}

// Shift+Tab arrives as Backtab; the grid wants Tab with ssShift.
TShiftState KeyShift(const QKeyEvent* event) {
  TShiftState shift = ShiftStateOf(event->modifiers(), Qt::NoButton);
  if (event->key() == Qt::Key_Backtab) shift.Include(TShiftFlag::ssShift);
  return shift;
}

// The character a key stands for when the text does not say it: Ctrl+letter is the control
// character (Ctrl+C is 3), Enter is CR, Escape 27, Backspace 8.
std::optional<char> ControlCharOf(const QKeyEvent* event) {
  const int key = event->key();
  if ((event->modifiers() & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
    return static_cast<char>(key - Qt::Key_A + 1);
  if (key == Qt::Key_Return || key == Qt::Key_Enter) return '\r';
  if (key == Qt::Key_Escape) return '\x1B';
  if (key == Qt::Key_Backspace) return '\b';
  return std::nullopt;
}

// Visible lines of one axis with their starts: the fixed lines, then the scrolled ones
// from the first visible one while they start inside the client extent.
std::vector<std::pair<int, int>> VisibleLines(const TGridAxis& axis,
                                              const TGridAxis::Lines& lines) {
  std::vector<std::pair<int, int>> visible;
  int start = 0;
  for (int line = 0; line < lines.fixed && start < axis.ClientExtent(); ++line) {
    visible.emplace_back(line, start);
    start += axis.Extent(line) + lines.line_width;
  }
  for (int line = axis.FirstVisible(); line < lines.count && start < axis.ClientExtent(); ++line) {
    visible.emplace_back(line, start);
    start += axis.Extent(line) + lines.line_width;
  }
  return visible;
}

bool Inside(const TGridRect& rect, int col, int row) {
  return col >= rect.Left && col <= rect.Right && row >= rect.Top && row <= rect.Bottom;
}
}  // namespace

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  TShiftState shift;
  if (modifiers & Qt::ShiftModifier) shift.Include(TShiftFlag::ssShift);
  if (modifiers & Qt::AltModifier) shift.Include(TShiftFlag::ssAlt);
  if (modifiers & Qt::ControlModifier) shift.Include(TShiftFlag::ssCtrl);
  if (buttons & Qt::LeftButton) shift.Include(TShiftFlag::ssLeft);
  if (buttons & Qt::RightButton) shift.Include(TShiftFlag::ssRight);
  if (buttons & Qt::MiddleButton) shift.Include(TShiftFlag::ssMiddle);
  return shift;
}

// ---- construction -----------------------------------------------------------------------

TGridWidget::TGridWidget(TmStrGrid& grid, QWidget* parent)
    : QAbstractScrollArea(parent), grid_(grid), editor_(new QLineEdit(viewport())) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);  // the sizing cursor follows the mouse
  editor_->hide();
  editor_->setFrame(false);
  editor_->installEventFilter(this);
  grid_.SetHost(this);
  grid_.SetClientWidth(viewport()->width());
  grid_.SetClientHeight(viewport()->height());
}

TGridWidget::~TGridWidget() {
  if (grid_.Host() == this) grid_.SetHost(nullptr);
}

QRect TGridWidget::CellRect(int col, int row) const {
  const int x = grid_.HorzAxis().LineStart(grid_.HorzLines(), col);
  const int y = grid_.VertAxis().LineStart(grid_.VertLines(), row);
  if (x < 0 || y < 0) return {};
  return {x, y, grid_.ColWidths(col), grid_.RowHeights(row)};
}

// ---- host -------------------------------------------------------------------------------

void TGridWidget::GridChanged() {
  if (!syncing_) SyncScrollBars();
  if (editor_->isVisible()) PlaceEditor();
  viewport()->update();
}

void TGridWidget::CellsChanged() { viewport()->update(); }

bool TGridWidget::CanFocus() {
  return isEnabled() && isVisible() && focusPolicy() != Qt::NoFocus;
}

void TGridWidget::SetFocus() { setFocus(Qt::MouseFocusReason); }

bool TGridWidget::IsActiveControl() { return window()->focusWidget() == this; }

void TGridWidget::EditorModeChanged(bool active, char typed) {
  if (!active) return CloseEditor(!cancel_edit_);
  QString text = typed_text_;
  if (text.isEmpty())
    text = typed != 0 ? Decoded(std::string(1, typed))
                      : Decoded(grid_.CellView(grid_.Col(), grid_.Row()));
  editor_->setText(text);
  if (typed == 0 && typed_text_.isEmpty()) editor_->selectAll();
  PlaceEditor();
  editor_->show();
  editor_->setFocus(Qt::OtherFocusReason);
}

void TGridWidget::CloseEditor(bool keep_text) {
  cancel_edit_ = false;
  if (!editor_->isVisible()) return;
  if (keep_text) grid_.SetCells(grid_.Col(), grid_.Row(), Encoded(editor_->text()));
  if (editor_->hasFocus()) setFocus(Qt::OtherFocusReason);
  editor_->hide();
  viewport()->update();
}

void TGridWidget::PlaceEditor() {
  const QRect cell = CellRect(grid_.Col(), grid_.Row());
  if (cell.isEmpty()) return editor_->setGeometry(-1000, -1000, 10, 10);  // scrolled away
  editor_->setGeometry(cell);
}

// ---- scrolling and size ---------------------------------------------------------------------

void TGridWidget::SyncScrollBars() {
  syncing_ = true;
  const TGridAxis::Lines h = grid_.HorzLines();
  const TGridAxis::Lines v = grid_.VertLines();
  const TGridAxis& horz = grid_.HorzAxis();
  const TGridAxis& vert = grid_.VertAxis();
  horizontalScrollBar()->setRange(h.fixed, horz.MaxFirstVisible(h));
  horizontalScrollBar()->setPageStep(std::max(horz.LastVisible(h) - horz.FirstVisible(), 1));
  horizontalScrollBar()->setValue(horz.FirstVisible());
  verticalScrollBar()->setRange(v.fixed, vert.MaxFirstVisible(v));
  verticalScrollBar()->setPageStep(std::max(vert.LastVisible(v) - vert.FirstVisible(), 1));
  verticalScrollBar()->setValue(vert.FirstVisible());
  syncing_ = false;
}

void TGridWidget::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  grid_.SetClientWidth(viewport()->width());
  grid_.SetClientHeight(viewport()->height());
  // A larger window may show the table's end with room to spare: scroll back.
  grid_.SetLeftCol(std::min(grid_.LeftCol(), grid_.HorzAxis().MaxFirstVisible(grid_.HorzLines())));
  grid_.SetTopRow(std::min(grid_.TopRow(), grid_.VertAxis().MaxFirstVisible(grid_.VertLines())));
}

void TGridWidget::scrollContentsBy(int /*dx*/, int /*dy*/) {
  if (syncing_) return;
  grid_.SetLeftCol(horizontalScrollBar()->value());
  grid_.SetTopRow(verticalScrollBar()->value());
}

// ---- keys ----------------------------------------------------------------------------------

void TGridWidget::keyPressEvent(QKeyEvent* event) {
  if (const auto key = NavigationKeyOf(event->key())) {
    if (grid_.KeyDown(*key, KeyShift(event))) return;
  }
  if (const auto control = ControlCharOf(event)) {
    if ((event->modifiers() & Qt::ControlModifier) && event->key() == Qt::Key_A) {
      grid_.SetSelection({grid_.FixedCols(), grid_.FixedRows(), grid_.ColCount() - 1,
                          grid_.RowCount() - 1});  // Ctrl+A selects every scrolled cell
    }
    char key = *control;
    return grid_.KeyPress(key);
  }
  if (!event->text().isEmpty() && !(event->modifiers() & Qt::ControlModifier))
    return TypeText(event->text());
  QAbstractScrollArea::keyPressEvent(event);
}

void TGridWidget::TypeText(const QString& text) {
  const std::string bytes = Encoded(text);
  if (bytes.empty()) return;
  if (bytes.size() > 1) typed_text_ = text;  // a double-byte character opens the editor whole
  char key = bytes[0];
  struct Reset {
    QString& text;
    ~Reset() { text.clear(); }
  } reset{typed_text_};
  grid_.KeyPress(key);
}

bool TGridWidget::focusNextPrevChild(bool next) {
  if (grid_.Options().Contains(TGridOption::goTabs)) return false;  // Tab moves in the grid
  return QAbstractScrollArea::focusNextPrevChild(next);
}

bool TGridWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched != editor_) return QAbstractScrollArea::eventFilter(watched, event);
  if (event->type() == QEvent::FocusOut && grid_.EditorMode() && editor_->isVisible()) {
    grid_.SetEditorMode(false);  // leaving the editor keeps the text
    return false;
  }
  if (event->type() == QEvent::KeyPress) return EditorKey(static_cast<QKeyEvent*>(event));
  return false;
}

bool TGridWidget::EditorKey(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    char enter = '\r';
    grid_.KeyPress(enter);  // OnKeyPress sees it; the grid closes the editor
    return true;
  }
  if (key == Qt::Key_Escape) {
    cancel_edit_ = true;
    grid_.SetEditorMode(false);
    return true;
  }
  const auto nav = NavigationKeyOf(key);
  if (!nav || *nav == TGridKey::gkLeft || *nav == TGridKey::gkRight ||
      *nav == TGridKey::gkHome || *nav == TGridKey::gkEnd)
    return false;  // the editor moves its own cursor
  grid_.SetEditorMode(false);
  return grid_.KeyDown(*nav, KeyShift(event));
}

// ---- mouse ---------------------------------------------------------------------------------

void TGridWidget::mousePressEvent(QMouseEvent* event) {
  const auto button = ButtonOf(event->button());
  if (!button) return QAbstractScrollArea::mousePressEvent(event);
  const QPoint at = event->position().toPoint();
  grid_.MouseDown(*button, ShiftStateOf(event->modifiers(), event->buttons()), at.x(), at.y());
}

void TGridWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  const auto button = ButtonOf(event->button());
  if (!button) return QAbstractScrollArea::mouseDoubleClickEvent(event);
  const QPoint at = event->position().toPoint();
  TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
  grid_.MouseDown(*button, shift.Include(TShiftFlag::ssDouble), at.x(), at.y());
}

void TGridWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (event->buttons() == Qt::NoButton) {
    int index = -1;
    const TGridState sizing = grid_.SizingStateAt(at.x(), at.y(), index);
    viewport()->setCursor(sizing == TGridState::gsColSizing   ? Qt::SplitHCursor
                          : sizing == TGridState::gsRowSizing ? Qt::SplitVCursor
                                                              : Qt::ArrowCursor);
    return;
  }
  grid_.MouseMove(ShiftStateOf(event->modifiers(), event->buttons()), at.x(), at.y());
}

void TGridWidget::mouseReleaseEvent(QMouseEvent* event) {
  const auto button = ButtonOf(event->button());
  if (!button) return QAbstractScrollArea::mouseReleaseEvent(event);
  const QPoint at = event->position().toPoint();
  grid_.MouseUp(*button, ShiftStateOf(event->modifiers(), event->buttons()), at.x(), at.y());
}

// ---- drawing -------------------------------------------------------------------------------

void TGridWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), palette().color(QPalette::Window));
  const auto cols = VisibleLines(grid_.HorzAxis(), grid_.HorzLines());
  const auto rows = VisibleLines(grid_.VertAxis(), grid_.VertLines());
  for (const auto& [row, y] : rows)
    for (const auto& [col, x] : cols)
      PaintCell(painter, col, row, QRect(x, y, grid_.ColWidths(col), grid_.RowHeights(row)));
  PaintLines(painter);
}

void TGridWidget::PaintCell(QPainter& painter, int col, int row, const QRect& rect) {
  const QString text = Decoded(grid_.CellView(col, row));
  if (col < grid_.FixedCols() || row < grid_.FixedRows()) {
    QStyleOptionHeader header;
    header.initFrom(this);
    header.rect = rect;
    header.text = text;
    header.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    header.state |= QStyle::State_Raised;
    painter.save();  // the style may leave a clip or pen behind
    style()->drawControl(QStyle::CE_Header, &header, &painter, this);
    painter.restore();
    return;
  }
  const TGridOptions options = grid_.Options();
  const bool current = col == grid_.Col() && row == grid_.Row();
  const bool highlight = Inside(grid_.Selection(), col, row) &&
                         (!current || options.Contains(TGridOption::goDrawFocusSelected) ||
                          options.Contains(TGridOption::goRowSelect));
  painter.fillRect(rect, palette().color(highlight ? QPalette::Highlight : QPalette::Base));
  painter.setPen(palette().color(highlight ? QPalette::HighlightedText : QPalette::Text));
  painter.drawText(rect.adjusted(kTextMargin, 0, -kTextMargin, 0),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  if (current && hasFocus()) {
    painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
  }
}

void TGridWidget::PaintLines(QPainter& painter) {
  const TGridOptions options = grid_.Options();
  const TGridAxis::Lines h = grid_.HorzLines();
  const TGridAxis::Lines v = grid_.VertLines();
  const QColor fixed_color = palette().color(QPalette::Dark);
  const QColor scrolled_color = palette().color(QPalette::Midlight);
  const auto cols = VisibleLines(grid_.HorzAxis(), h);
  const auto rows = VisibleLines(grid_.VertAxis(), v);
  for (const auto& [row, y] : rows) {
    for (const auto& [col, x] : cols) {
      const bool fixed = col < h.fixed || row < v.fixed;
      const int w = grid_.ColWidths(col), ht = grid_.RowHeights(row);
      const QColor color = fixed ? fixed_color : scrolled_color;
      if (h.line_width > 0 && options.Contains(fixed ? TGridOption::goFixedVertLine
                                                     : TGridOption::goVertLine))
        painter.fillRect(x + w, y, h.line_width, ht + v.line_width, color);
      if (v.line_width > 0 && options.Contains(fixed ? TGridOption::goFixedHorzLine
                                                     : TGridOption::goHorzLine))
        painter.fillRect(x, y + ht, w + h.line_width, v.line_width, color);
    }
  }
}

}  // namespace quillet
