// quillet-grid: a window that shows a table file in the sortable string table.
//
//   quillet-grid [--separator SEP] [--print-layout] [FILE]
//   quillet-grid --version
//
// The first row and the first column are header lines. A click on a header cell of the
// first row sorts the rows by that column (a second click on the same header turns the
// order round); Ctrl+Z takes the last sort back and forth. Cells are edited in place
// (typing, Enter, double click), columns and rows are resized by dragging the header lines,
// and Ctrl+C, Ctrl+X and Ctrl+V copy, cut and paste blocks through the system clipboard as
// tab-separated text. The toolbar opens and saves table files with the separator in its
// field (";" unless --separator says otherwise; "\t" stands for TAB), chooses the key type
// of sorts and searches, and finds texts (Enter or F3 finds the next one).
// --print-layout prints, once the window is shown, one line "header COL X Y" per visible
// header cell of the first row with the screen position of its centre (for scripted tests).
// Failures are shown in a message box; the program goes on.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "runtime/code_page.h"
#include "strgrid/grid_widget.h"
#include "strgrid/mStrGrid.h"
#include "runtime/version.h"
#include "strgrid/qt_clipboard.h"
#include "toolkit/about_box.h"
#include "toolkit/t_application.h"

namespace quillet {
namespace {

struct Options {
  QString file;
  QString separator = ";";
  bool print_layout = false;
};

std::string LocalName(const QString& file) { return QFile::encodeName(file).toStdString(); }

// A text of the window as the grid's code-page bytes, and back.
std::string Bytes(const QString& text) { return EncodeToCodePage(text.toStdU16String()); }
QString Text(std::string_view bytes) {
  return QString::fromStdU16String(DecodeFromCodePage(bytes));
}

// The key types the toolbar's chooser offers, in the order of its items.
struct KeyTypeChoice {
  const char* label;
  TMSortType type;
};
constexpr KeyTypeChoice kKeyTypeChoices[] = {
    {"Text", TMSortType::soString},
    {"Text, case-sensitive", TMSortType::soStringCaseSensitive},
    {"Number", TMSortType::soNumeric},
    {"Date and time", TMSortType::soDate},
};

// The separator field's text as bytes: "\t" stands for TAB.
std::string SeparatorOf(const QString& field) {
  QString text = field;
  return Bytes(text.replace("\\t", "\t"));
}

// The grid lives in a base that is built before the window and destroyed after it, so it
// outlives the window's child widgets (the grid view among them).
struct GridOwner {
  TmStrGrid grid_;
};

class GridWindow : private GridOwner, public QMainWindow {
 public:
  explicit GridWindow(const Options& options);
  void Load(const QString& file);
  void PrintLayout() const;

 private:
  void SetUpGrid();
  void BuildActions();
  void BuildToolBar();
  void OnHeaderClick();
  void Open();
  void Save(bool ask_name);
  void Find();
  void ShowMessage(const QString& text) { statusBar()->showMessage(text, 5000); }
  QString HeaderText(int col) const;

  TGridWidget* view_;
  QLineEdit* separator_;
  QComboBox* key_type_;
  QLineEdit* find_;
  QString file_;
  int sorted_col_ = -1;
  bool search_running_ = false;
};

GridWindow::GridWindow(const Options& options)
    : view_(new TGridWidget(grid_, this)),
      separator_(new QLineEdit(options.separator, this)),
      key_type_(new QComboBox(this)),
      find_(new QLineEdit(this)) {
  SetUpGrid();
  setCentralWidget(view_);
  view_->setFocus();
  BuildActions();
  BuildToolBar();
  setWindowTitle("quillet-grid");
  resize(720, 480);
  ShowMessage("Click a header to sort by its column");
}

void GridWindow::SetUpGrid() {
  grid_.SetColCount(6);
  grid_.SetRowCount(20);
  grid_.SetFixedRows(1);
  grid_.SetFixedCols(1);
  grid_.SetClickFixed(true);
  grid_.SetEnableClipboardShortcuts(true);
  grid_.SetUseFixed(HandleFixed::hfSmart);  // the header row stays, column 0 moves along
  grid_.SetSearchSubstring(true);
  grid_.SetOptions({TGridOption::goFixedVertLine, TGridOption::goFixedHorzLine,
                    TGridOption::goVertLine, TGridOption::goHorzLine,
                    TGridOption::goRangeSelect, TGridOption::goColSizing,
                    TGridOption::goRowSizing, TGridOption::goEditing, TGridOption::goTabs});
  grid_.SetDefaultColWidth(110);
  grid_.OnClick = [this](TStringGrid&) { OnHeaderClick(); };
}

void GridWindow::BuildActions() {
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction("&Open...", QKeySequence::Open, this, [this] { Open(); });
  file->addAction("&Save", QKeySequence::Save, this, [this] { Save(false); });
  file->addAction("Save &as...", QKeySequence::SaveAs, this, [this] { Save(true); });
  file->addSeparator();
  file->addAction("&Quit", QKeySequence::Quit, this, [this] { close(); });
  QMenu* edit = menuBar()->addMenu("&Edit");
  // Ctrl+C, Ctrl+X and Ctrl+V reach the grid itself: the menu only names them.
  edit->addAction("&Copy\tCtrl+C", this, [this] { grid_.CopyToClipboard(); });
  edit->addAction("Cu&t\tCtrl+X", this, [this] { grid_.CutToClipboard(); });
  edit->addAction("&Paste\tCtrl+V", this, [this] { grid_.PasteFromClipboard(); });
  edit->addSeparator();
  edit->addAction("&Undo sort", QKeySequence::Undo, this, [this] {
    if (grid_.LastSortKind() == TmStrGrid::kSortNone) return ShowMessage("No sort to take back");
    grid_.UndoSort();
    ShowMessage("Sort taken back (Ctrl+Z again sorts again)");
  });
  edit->addAction("&Find next", QKeySequence::FindNext, this, [this] { Find(); });
  edit->addAction("Fin&d...", QKeySequence::Find, this, [this] { find_->setFocus(); });
  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction("&About quillet-grid", this, [this] {
    ShowAboutBox(this, "quillet-grid", "Shows, sorts and edits a table file.");
  });
}

void GridWindow::BuildToolBar() {
  QToolBar* bar = addToolBar("Table");
  bar->setMovable(false);
  bar->addAction("Open", this, [this] { Open(); });
  bar->addAction("Save", this, [this] { Save(false); });
  bar->addSeparator();
  bar->addWidget(new QLabel(" Separator ", this));
  separator_->setMaximumWidth(40);
  separator_->setToolTip("Field separator of table files; \\t stands for TAB");
  bar->addWidget(separator_);
  bar->addWidget(new QLabel("  Key ", this));
  for (const KeyTypeChoice& choice : kKeyTypeChoices) key_type_->addItem(choice.label);
  connect(key_type_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index < 0) return;  // no item chosen
    grid_.SetKeyType(kKeyTypeChoices[index].type);
    search_running_ = false;
  });
  bar->addWidget(key_type_);
  bar->addSeparator();
  bar->addWidget(new QLabel(" Find ", this));
  find_->setPlaceholderText("text in a cell");
  find_->setClearButtonEnabled(true);
  connect(find_, &QLineEdit::textChanged, this, [this] { search_running_ = false; });
  connect(find_, &QLineEdit::returnPressed, this, [this] { Find(); });
  bar->addWidget(find_);
}

QString GridWindow::HeaderText(int col) const {
  const QString text = Text(grid_.CellView(col, 0));
  return text.isEmpty() ? QString("column %1").arg(col) : text;
}

// During a fixed click the clicked header cell is the current cell and the fixed counts
// read 0; SavedFixedRows keeps the header row out of the sort.
void GridWindow::OnHeaderClick() {
  if (!grid_.FixedClickActive() || grid_.Row() != 0 || grid_.Col() < grid_.SavedFixedCols())
    return;
  const int col = grid_.Col();
  grid_.SetSortDescending(col == sorted_col_ && !grid_.SortDescending());
  grid_.SortCompleteRows(col);  // whole rows move; the header row stays (SavedFixedRows)
  sorted_col_ = col;
  ShowMessage(QString("Sorted by %1, %2").arg(HeaderText(col),
                                              grid_.SortDescending() ? "descending" : "ascending"));
}

void GridWindow::Load(const QString& file) {
  grid_.LoadFromFile(LocalName(file), SeparatorOf(separator_->text()));
  grid_.SetColCount(std::max(grid_.ColCount(), 2));  // keep a scrolled column and row
  grid_.SetRowCount(std::max(grid_.RowCount(), 2));
  file_ = file;
  sorted_col_ = -1;
  search_running_ = false;
  setWindowTitle(QString("%1 - quillet-grid").arg(file));
  ShowMessage(QString("%1 rows, %2 columns").arg(grid_.RowCount()).arg(grid_.ColCount()));
}

void GridWindow::Open() {
  const QString file = QFileDialog::getOpenFileName(this, "Open table file", file_);
  if (!file.isEmpty()) Load(file);
}

void GridWindow::Save(bool ask_name) {
  QString file = file_;
  if (ask_name || file.isEmpty())
    file = QFileDialog::getSaveFileName(this, "Save table file", file_);
  if (file.isEmpty()) return;
  grid_.SaveToFile(LocalName(file), SeparatorOf(separator_->text()));
  file_ = file;
  setWindowTitle(QString("%1 - quillet-grid").arg(file));
  ShowMessage(QString("Saved %1").arg(file));
}

void GridWindow::Find() {
  const std::string text = Bytes(find_->text());
  if (text.empty()) return;
  int col = -1, row = -1;
  const bool first = !search_running_;
  const bool hit = first ? grid_.FindFirst(text, true, col, row) : grid_.FindNext(col, row);
  search_running_ = hit;
  if (!hit) return ShowMessage(first ? "Not found" : "No more hits; Enter starts again");
  grid_.FocusCell(col, row, true);
  ShowMessage(QString("Found in column %1, row %2").arg(col).arg(row));
}

void GridWindow::PrintLayout() const {
  for (int col = 0; col < grid_.ColCount(); ++col) {
    const QRect cell = view_->CellRect(col, 0);
    if (cell.isEmpty()) continue;
    const QPoint at = view_->viewport()->mapToGlobal(cell.center());
    std::printf("header %d %d %d\n", col, at.x(), at.y());
  }
  std::fflush(stdout);
}

// Returns false (after a message on stderr) for an unknown option.
bool ParseArguments(const QStringList& arguments, Options& options) {
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == "--separator" && i + 1 < arguments.size()) {
      options.separator = arguments[++i];
    } else if (argument == "--print-layout") {
      options.print_layout = true;
    } else if (argument.startsWith("--") || !options.file.isEmpty()) {
      std::fprintf(stderr, "usage: quillet-grid [--separator SEP] [--print-layout] [FILE]\n");
      return false;
    } else {
      options.file = argument;
    }
  }
  return true;
}

int Run(int argc, char** argv) {
  if (PrintVersionIfAsked(argc, argv, "quillet-grid")) return 0;
  TApplication application(argc, argv);
  Options options;
  if (!ParseArguments(QApplication::arguments(), options)) return 2;
  TQtClipboardInstaller clipboard;
  GridWindow window(options);
  window.show();
  if (!options.file.isEmpty()) {
    try {
      window.Load(options.file);
    } catch (...) {
      TApplication::ShowCurrentException();
    }
  }
  if (options.print_layout) QTimer::singleShot(500, &window, [&window] { window.PrintLayout(); });
  return application.exec();
}

}  // namespace
}  // namespace quillet

int main(int argc, char** argv) { return quillet::Run(argc, argv); }
