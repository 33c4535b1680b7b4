#include "app/MainPas.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFont>
#include <QMimeData>
#include <QPalette>
#include <QUrl>
#include <algorithm>
#include <climits>
#include <cmath>

#include "app/pictures.h"
#include "runtime/code_page.h"
#include "runtime/exceptions.h"
#include "toolkit/about_box.h"
#include "toolkit/t_application.h"
#include "toolkit/x11_window.h"

namespace quillet {
namespace {

// The layout is drawn for this many pixels per inch.
constexpr double kLayoutDpi = 96.0;
// The window's outer top-left corner and its client size, in pixels of a 96-dpi screen.
constexpr int kWindowLeft = 231;
constexpr int kWindowTop = 141;
constexpr int kClientWidth = 414;
constexpr int kClientHeight = 150;
// The window font: a Song-style Chinese face, 12 pixels high.
constexpr int kFontPixels = 12;
// The signature's font: 16 pixels, bold italic, black on the colour of an active window
// border (a warm light grey; Qt's palette has no such role).
constexpr int kSignaturePixels = 16;
const QColor kActiveBorderColour(212, 208, 200);
// The progress bar counts in thousandths of a phase.
constexpr int kProgressSteps = 1000;

QString FromCodePage(std::string_view bytes) {
  return QString::fromStdU16String(DecodeFromCodePage(bytes));
}

std::string ToCodePage(const QString& text) { return EncodeToCodePage(text.toStdU16String()); }

QFont WindowFont(int pixels) {
  QFont font;
  font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                    QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
                    QStringLiteral("Noto Serif CJK SC")});
  font.setStyleHint(QFont::Serif);
  font.setPixelSize(pixels);
  return font;
}

QFont SignatureFont(int pixels) {
  QFont font(QStringLiteral("Modern"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixels);
  font.setBold(true);
  font.setItalic(true);
  return font;
}

// The local path of the first file a drag carries, or an empty text.
QString DroppedFilePath(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  const QList<QUrl> urls = data->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return {};
  return urls.first().toLocalFile();
}

}  // namespace

TMain::TMain(TComponent* owner) : TForm(owner) {
  // The controls in the window's declaration order (later ones lie on top).
  SetUpWindow();
  CreateNameFields();
  CreateGlyphButtons();
  CreateFilterRow();
  CreateStatusBar();
  CreateLengthAndCase();
  SetUpWordStore();
  CreateNotes();
  SetUpAnimation();  // once every control exists
  SetUpKeyboard();
  SetUpAbout();
}

TMain::~TMain() {
  try {
    hide();  // while every control and handler still exists
  } catch (...) {
    TApplication::ShowCurrentException();  // a destructor must not throw
  }
}

void TMain::SetUpWindow() {
  scale_ = logicalDpiY() / kLayoutDpi;
  // A tool window: a caption with a close box only, fixed size.
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setWindowTitle(QString::fromUtf8(kMainCaption));
  setWindowIcon(QIcon(ApplicationIconPixmap()));
  setFont(WindowFont(Scaled(kFontPixels)));
  setFixedSize(Scaled(kClientWidth), Scaled(kClientHeight));
  move(Scaled(kWindowLeft), Scaled(kWindowTop));
  SetToolWindowType(*this);
}

void TMain::CreateNameFields() {
  Label1 = NewLabel(QStringLiteral("输入文件(文本):"), 8, 11);
  Edit1 = NewEdit(108, 8, 300, 21);
  Label2 = NewLabel(QStringLiteral("输出文件(字典):"), 8, 35);
  Edit2 = NewEdit(108, 32, 300, 21);
}

void TMain::CreateGlyphButtons() {
  SpeedButton1 = NewGlyphButton(QStringLiteral("退出"), ExitGlyphSheet(), 336);
  SpeedButton2 = NewGlyphButton(QStringLiteral("开始"), StartGlyphSheet(), 256);
  connect(SpeedButton1, &QToolButton::clicked, this, &TMain::SpeedButton1Click);
  connect(SpeedButton2, &QToolButton::clicked, this, &TMain::SpeedButton2Click);
}

void TMain::CreateFilterRow() {
  Edit3 = NewEdit(108, 56, 240, 21);
  Label3 = NewLabel(QStringLiteral("过滤字串:"), 44, 59);
  Button1 = new QPushButton(QStringLiteral("默认值"), this);
  Button1->setAutoDefault(false);
  Button1->setDefault(false);
  Place(Button1, 359, 56, 50, 20);
  connect(Button1, &QPushButton::clicked, this, &TMain::Button1Click);
}

void TMain::CreateStatusBar() {
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setSizeGripEnabled(false);
  // Opaque, so that repainting the progress bar never paints the window behind it (the
  // window's paint runs pending events through its animation).
  StatusBar1->setAutoFillBackground(true);
  Place(StatusBar1, 0, 131, 414, 19);
  progress_ = new QProgressBar(StatusBar1);
  progress_->setRange(0, kProgressSteps);
  progress_->setTextVisible(false);
  progress_->setFixedSize(Scaled(100), Scaled(10));
  StatusBar1->addPermanentWidget(progress_);
  progress_->hide();
  StatusBar1->showMessage(QString::fromUtf8(kCopyrightLine));
}

void TMain::CreateLengthAndCase() {
  Label4 = NewLabel(QStringLiteral("单词最小长度:"), 20, 83);
  Edit4 = NewEdit(108, 80, 25, 21);
  Edit4->setText(QStringLiteral("3"));
  RadioButton1 = new QRadioButton(QStringLiteral("全部小写"), this);
  Place(RadioButton1, 232, 82, 81, 17);
  RadioButton1->setChecked(true);
  RadioButton2 = new QRadioButton(QStringLiteral("全部大写"), this);
  Place(RadioButton2, 320, 82, 89, 17);
  Label5 = NewLabel(QStringLiteral("选择格式:"), 160, 83);
}

void TMain::CreateNotes() {
  Label6 = NewLabel(QString::fromUtf8(kContactLine), 55, 112);
  Label7 = NewLabel(QString::fromUtf8(kSignature), 2, 104);
  Label7->setFont(SignatureFont(Scaled(kSignaturePixels)));
  QPalette palette = Label7->palette();
  palette.setColor(QPalette::Window, kActiveBorderColour);
  palette.setColor(QPalette::WindowText, Qt::black);
  Label7->setPalette(palette);
  Label7->setAutoFillBackground(true);
  Label7->adjustSize();
}

void TMain::SetUpKeyboard() {
  setTabOrder(Edit1, Edit2);
  setTabOrder(Edit2, Edit3);
  setTabOrder(Edit3, Button1);
  setTabOrder(Button1, Edit4);
  setTabOrder(Edit4, RadioButton1);
  setTabOrder(RadioButton1, RadioButton2);
  connect(RadioButton1, &QRadioButton::toggled, this, &TMain::KeepTabStopOnCheckedRadio);
  KeepTabStopOnCheckedRadio();
  Edit1->installEventFilter(this);
  Edit2->installEventFilter(this);
  Edit1->setFocus();
}

// Of the two case buttons only the checked one is a tab stop; the other takes the focus
// only when clicked.
void TMain::KeepTabStopOnCheckedRadio() {
  const bool first = RadioButton1->isChecked();
  RadioButton1->setFocusPolicy(first ? Qt::StrongFocus : Qt::ClickFocus);
  RadioButton2->setFocusPolicy(first ? Qt::ClickFocus : Qt::StrongFocus);
}

void TMain::SetUpWordStore() {
  ConfigureWordTable(mStrGrid1);
  mStrGrid1.SetSearchSubstring(false);
  mStrGrid1.SetReverseSearch(false);
  mStrGrid1.SetEnableClipboardShortcuts(false);
  mStrGrid1.SetPasteToCursor(false);
  mStrGrid1.SetClickFixed(true);
  mStrGrid1.SetSavedFixedRows(0);
  mStrGrid1.SetSavedFixedCols(0);
  mStrGrid1.SetDateTimeFormat("yyyy/M/d hh:mm:ss AMPM");
  mStrGrid1.SetShortYearExpand(true);
  mStrGrid1.SetShortYearBorder(10);
}

void TMain::SetUpAnimation() {
  label3_control_ = new TControl(this, Label3);
  label3_control_->SetName("Label3");
  ExplodeForm1 = new TExplodeForm(this);
  ExplodeForm1->SetName("ExplodeForm1");
  ExplodeForm1->SetSteps(90);
  ExplodeForm1->SetSourceControl(label3_control_);
  ExplodeForm1->SetSourceLeft(0);
  ExplodeForm1->SetSourceTop(0);
  ExplodeForm1->SetSourceHeight(0);
  ExplodeForm1->SetSourceWidth(0);
}

void TMain::SetUpAbout() {
  about_action_ = new QAction(QStringLiteral("关于 Quillet"), this);
  about_action_->setShortcut(QKeySequence(Qt::Key_F1));
  connect(about_action_, &QAction::triggered, this, &TMain::ShowAbout);
  addAction(about_action_);
  setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TMain::ShowAbout() {
  ShowAboutBox(this, QStringLiteral("quillet"),
               QStringLiteral("Turns a plain text file into a sorted word list."));
}

QLabel* TMain::NewLabel(const QString& text, int left, int top) {
  auto* label = new QLabel(text, this);
  label->move(Scaled(left), Scaled(top));
  label->adjustSize();
  return label;
}

QToolButton* TMain::NewGlyphButton(const QString& text, const QPixmap& glyph, int left) {
  auto* button = new QToolButton(this);
  button->setText(text);
  button->setIcon(GlyphIcon(glyph));
  button->setIconSize(QSize(Scaled(16), Scaled(16)));
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  button->setFocusPolicy(Qt::NoFocus);
  Place(button, left, 104, 73, 25);
  return button;
}

QLineEdit* TMain::NewEdit(int left, int top, int width, int height) {
  auto* edit = new QLineEdit(this);
  Place(edit, left, top, width, height);
  return edit;
}

void TMain::Place(QWidget* widget, int left, int top, int width, int height) {
  widget->setGeometry(Scaled(left), Scaled(top), Scaled(width), Scaled(height));
}

int TMain::Scaled(int pixels) const { return static_cast<int>(std::lround(pixels * scale_)); }

void TMain::SpeedButton1Click() { close(); }

// The Start button is hidden for the whole run; a run the name checks stop runs no
// pending event, so nobody sees that.
void TMain::SpeedButton2Click() {
  Edit3->setText(FromCodePage(TrimBlanks(ToCodePage(Edit3->text()))));
  EmptyWordTable(mStrGrid1);
  words_in_store_ = 0;
  SpeedButton2->hide();
  ShowProgressBar(true);
  try {
    conversion_.Run(FieldOptions(), *this);
  } catch (...) {
    // The user can correct the input and start again; the status line keeps the last
    // phase message, and the application shows the failure.
    ShowProgressBar(false);
    SpeedButton2->show();
    throw;
  }
  ShowProgressBar(false);
  SpeedButton2->show();
}

void TMain::Button1Click() { Edit3->setText(FromCodePage(kDefaultFilterText)); }

QString TMain::SimpleText() const { return StatusBar1->currentMessage(); }

// The window does not close by itself: the application quits, and the window is hidden
// and destroyed after the event loop has ended.
void TMain::closeEvent(QCloseEvent* event) {
  event->ignore();
  QCoreApplication::exit(0);
}

bool TMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit1) return DropFileName(Edit1, event);
  if (watched == Edit2) return DropFileName(Edit2, event);
  return TForm::eventFilter(watched, event);
}

// Takes a dragged file for `edit`: accepts the drag and, at the drop, puts the file's
// local path into the field. Other drags and events go on to the field.
bool TMain::DropFileName(QLineEdit* edit, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
    return false;
  }
  auto* drop = static_cast<QDropEvent*>(event);
  const QString path = DroppedFilePath(drop->mimeData());
  if (path.isEmpty()) return false;
  drop->acceptProposedAction();
  if (type == QEvent::Drop) {
    edit->setText(path);
    edit->setFocus();
  }
  return true;
}

ConversionOptions TMain::FieldOptions() const {
  ConversionOptions options;
  options.input_name = ToCodePage(Edit1->text());
  options.output_name = ToCodePage(Edit2->text());
  options.filter_text = ToCodePage(Edit3->text());
  options.min_length_text = ToCodePage(Edit4->text());
  options.upper_case = RadioButton2->isChecked();
  return options;
}

void TMain::SetStatusText(const std::string& text) { StatusBar1->showMessage(FromCodePage(text)); }

// The user may edit the fields meanwhile: the run takes the names, the case and the
// filter's length from them again.
void TMain::ProcessPendingEvents(ConversionOptions& options) {
  quillet::ProcessPendingEvents();
  const ConversionOptions fields = FieldOptions();
  options.input_name = fields.input_name;
  options.output_name = fields.output_name;
  options.filter_text = fields.filter_text;
  options.upper_case = fields.upper_case;
}

void TMain::WordWritten(std::string_view word) {
  if (words_in_store_ == INT32_MAX) throw EOutOfMemory();  // more rows than a grid has
  mStrGrid1.SetCells(0, words_in_store_, word);
  mStrGrid1.SetRowCount(++words_in_store_);
}

void TMain::ShowProgressBar(bool visible) {
  progress_permille_ = -1;
  progress_->setValue(0);
  progress_->setVisible(visible);
}

// Moves the bar when the phase's share has changed by a thousandth or more, and repaints
// just the bar: no pending event runs here.
void TMain::Progress(ProgressPhase /*phase*/, std::uint64_t done, std::uint64_t total) {
  if (total == 0 || !progress_->isVisible()) return;
  const int permille = static_cast<int>(std::min(done, total) * kProgressSteps / total);
  if (permille == progress_permille_) return;
  progress_permille_ = permille;
  progress_->setValue(permille);
  progress_->repaint();
}

}  // namespace quillet
