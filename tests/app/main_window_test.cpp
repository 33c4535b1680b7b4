// The main window on the offscreen platform: layout and start state, the buttons, a run
// through the real widgets, failures, keyboard, ending, and dropped files. The window's
// animation draws on an in-memory screen.
#include "app/MainPas.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/locale_settings.h"
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/t_application.h"

namespace quillet {
namespace {

using testing::BoxRecorder;
using Texts = std::vector<std::string>;

// The window is laid out for 96 dpi and scaled to the screen's logical resolution.
double LayoutScale(const QWidget& window) { return window.logicalDpiY() / 96.0; }

std::string ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll().toStdString();
}

void WriteBytes(const QString& path, const std::string& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    QObject::connect(window->StatusBar1, &QStatusBar::messageChanged,
                     [this](const QString& text) { statuses.push_back(text.toStdString()); });
  }

  QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

  void ShowWindow() {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  // Fills the fields for a run from `input` to `output` with the default filter.
  void FillFields(const QString& input, const QString& output) {
    window->Edit1->setText(input);
    window->Edit2->setText(output);
    QTest::mouseClick(window->Button1, Qt::LeftButton);
  }

  void ClickStart() { QTest::mouseClick(window->SpeedButton2, Qt::LeftButton); }

  testing::ScopedMemoryScreen screen{1280, 1024};
  BoxRecorder recorder;
  QTemporaryDir dir;
  std::unique_ptr<TMain> window = std::make_unique<TMain>();
  Texts statuses;
};

// ---- start state and layout -------------------------------------------------------------

TEST_F(MainWindowTest, StartsWithEmptyFieldsLowercaseAndTheCopyrightLine) {
  EXPECT_EQ(window->windowTitle().toStdString(), "Quillet V1.2 (For Win32 & Faster Version)");
  EXPECT_TRUE(window->Edit1->text().isEmpty());
  EXPECT_TRUE(window->Edit2->text().isEmpty());
  EXPECT_TRUE(window->Edit3->text().isEmpty());
  EXPECT_EQ(window->Edit4->text(), QStringLiteral("3"));
  EXPECT_TRUE(window->RadioButton1->isChecked());
  EXPECT_FALSE(window->RadioButton2->isChecked());
  EXPECT_EQ(window->SimpleText().toStdString(), kCopyrightLine);
  ShowWindow();
  EXPECT_TRUE(window->SpeedButton2->isVisible());
  EXPECT_FALSE(window->ProgressBar()->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), window->Edit1);
}

TEST_F(MainWindowTest, FixedWindowAtItsPlaceWithCloseBoxOnly) {
  const double s = LayoutScale(*window);
  const QSize client(qRound(414 * s), qRound(150 * s));
  ShowWindow();
  EXPECT_EQ(window->size(), client);
  EXPECT_EQ(window->minimumSize(), client);
  EXPECT_EQ(window->maximumSize(), client);
  // The position scales with the size (347, 212 at 144 dpi).
  EXPECT_EQ((std::pair{window->Left(), window->Top()}),
            (std::pair{qRound(231 * s), qRound(141 * s)}));
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(window->windowType(), Qt::Tool);
  EXPECT_EQ(window->windowIcon().pixmap(32, 32).size(), QSize(32, 32));
}

TEST_F(MainWindowTest, ControlsHaveTheirPlacesAndTexts) {
  const double s = LayoutScale(*window);
  struct Case {
    QWidget* widget;
    int left, top, width, height;  // width 0: a label that sizes itself to its text
    const char* text;
  };
  const Case cases[] = {
      {window->Label1, 8, 11, 0, 0, "输入文件(文本):"},
      {window->Edit1, 108, 8, 300, 21, ""},
      {window->Label2, 8, 35, 0, 0, "输出文件(字典):"},
      {window->Edit2, 108, 32, 300, 21, ""},
      {window->SpeedButton1, 336, 104, 73, 25, "退出"},
      {window->SpeedButton2, 256, 104, 73, 25, "开始"},
      {window->Edit3, 108, 56, 240, 21, ""},
      {window->Label3, 44, 59, 0, 0, "过滤字串:"},
      {window->Button1, 359, 56, 50, 20, "默认值"},
      {window->StatusBar1, 0, 131, 414, 19, nullptr},
      {window->Label4, 20, 83, 0, 0, "单词最小长度:"},
      {window->Edit4, 108, 80, 25, 21, "3"},
      {window->RadioButton1, 232, 82, 81, 17, "全部小写"},
      {window->RadioButton2, 320, 82, 89, 17, "全部大写"},
      {window->Label5, 160, 83, 0, 0, "选择格式:"},
      {window->Label6, 55, 112, 0, 0, kContactLine},
      {window->Label7, 2, 104, 0, 0, kSignature},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.widget->metaObject()->className() + std::string(" ") +
                 std::to_string(c.left) + "," + std::to_string(c.top));
    const QRect r = c.widget->geometry();
    EXPECT_EQ(r.topLeft(), QPoint(qRound(c.left * s), qRound(c.top * s)));
    if (c.width > 0) {
      EXPECT_EQ(r.size(), QSize(qRound(c.width * s), qRound(c.height * s)));
    } else {
      EXPECT_EQ(r.size(), c.widget->sizeHint());
    }
    QString text;
    if (auto* label = qobject_cast<QLabel*>(c.widget)) text = label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(c.widget)) text = edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(c.widget)) text = button->text();
    if (c.text != nullptr) {
      EXPECT_EQ(text.toStdString(), c.text);
    }
  }
}

TEST_F(MainWindowTest, LabelsEndBeforeTheFieldsTheyName) {
  const std::pair<QWidget*, QWidget*> pairs[] = {{window->Label1, window->Edit1},
                                                 {window->Label2, window->Edit2},
                                                 {window->Label3, window->Edit3},
                                                 {window->Label4, window->Edit4},
                                                 {window->Label5, window->RadioButton1},
                                                 {window->Label6, window->SpeedButton2}};
  for (const auto& [label, field] : pairs) {
    EXPECT_LE(label->geometry().right(), field->geometry().left())
        << qobject_cast<QLabel*>(label)->text().toStdString();
  }
}

TEST_F(MainWindowTest, OpensOutOfTheFilterLabelAndClosesBackIntoIt) {
  const TExplodeForm& animation = *window->ExplodeForm1;
  ASSERT_NE(animation.SourceControl(), nullptr);
  EXPECT_EQ(animation.SourceControl()->Widget(), window->Label3);
  EXPECT_EQ(animation.Steps(), 90);
  EXPECT_EQ(animation.ShowType(), TShowType::stAlways);
  EXPECT_EQ(animation.ExplodeType(), TExplodeType::etFilled);
  ShowWindow();
  // 91 steps and the final rectangle, each drawn and drawn again.
  const auto& calls = screen.canvas.Calls();
  ASSERT_EQ(calls.size(), 184u);
  const QRect label = window->Label3->geometry();
  const TPoint corner = ApplicationClientToScreen({label.left(), label.top()});
  EXPECT_EQ((std::pair{calls.front().left, calls.front().top}), (std::pair{corner.x, corner.y}));
  EXPECT_EQ(calls.front().right - calls.front().left, label.width());
  // The last one is the window's outline: its outer size, placed within a frame's width
  // of the final position (the frame is only known once the window is on the screen).
  const RectangleCall& last = calls.back();
  EXPECT_EQ((std::pair{last.right - last.left, last.bottom - last.top}),
            (std::pair{window->Width(), window->Height()}));
  const int frame = (window->Width() - window->ClientWidth()) / 2;
  EXPECT_LE(std::abs(last.left - window->Left()), frame);
  EXPECT_LE(std::abs(last.top - window->Top()), frame);
  screen.canvas.ClearCalls();
  window.reset();  // destroying the shown window hides it: the closing animation runs
  ASSERT_EQ(screen.canvas.Calls().size(), 184u);
  EXPECT_EQ(screen.canvas.Calls().back().left, corner.x);
}

// ---- the buttons and a run ------------------------------------------------------------------

TEST_F(MainWindowTest, DefaultReplacesTheFilterWithTheFortyByteDefault) {
  window->Edit3->setText(QStringLiteral("  something else  "));
  QTest::mouseClick(window->Button1, Qt::LeftButton);
  const std::string filter = window->Edit3->text().toStdString();
  EXPECT_EQ(filter, "1234567890~!@#$%^&*()|\\=-`;:\"><,./?{}[]+");
  EXPECT_EQ(filter.size(), 40u);
}

TEST_F(MainWindowTest, StartRunsTheConversionAndReportsEveryPhase) {
  ShowWindow();
  WriteBytes(Path("in.txt"), "Hello, World! 42\r\nThe cat\r\n  Apple apple APPLE  \r\n");
  FillFields(Path("in.txt"), Path("words.txt"));
  std::vector<std::pair<bool, int>> during;  // Start shown, progress value at each status
  QObject::connect(window->StatusBar1, &QStatusBar::messageChanged, [&] {
    during.emplace_back(window->SpeedButton2->isVisible(), window->ProgressBar()->value());
  });
  ClickStart();
  EXPECT_EQ(ReadBytes(Path("words.txt")), "apple\r\nhello\r\nworld\r\n");
  EXPECT_EQ(statuses, (Texts{"Starting Convert, Please Wait....",
                             "Convert Done! Sorting Data, Wait....",
                             "Sort Done! Delete Dupelication Data, Wait....",
                             "All Process Done! 3 Words Saved!"}));
  ASSERT_EQ(during.size(), 4u);
  EXPECT_FALSE(during[0].first);
  EXPECT_EQ(during[2].second, 1000);  // the sort reported its end before the next status
  EXPECT_TRUE(window->SpeedButton2->isVisible());
  EXPECT_FALSE(window->ProgressBar()->isVisible());
  EXPECT_TRUE(recorder.boxes.empty());
}

// Logs, in order, the status changes and the paints of the window and of the progress bar.
class PaintLog : public QObject {
 public:
  explicit PaintLog(TMain& window) : window_(window) {
    window.installEventFilter(this);
    const_cast<QProgressBar*>(window.ProgressBar())->installEventFilter(this);
    connect(window.StatusBar1, &QStatusBar::messageChanged, this, [this] { log.push_back('s'); });
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint) return false;
    if (watched == &window_) {
      log.push_back('w');
      return false;
    }
    const int value = window_.ProgressBar()->value();
    log.push_back(value != last_value_ ? 'B' : 'b');
    last_value_ = value;
    return false;
  }
  // 's' status, 'w' window paint, 'B' progress bar paint showing a new value, 'b' other
  // progress bar paint.
  std::string log;

 private:
  TMain& window_;
  int last_value_ = 0;
};

// A progress step repaints only the bar: no pending event runs inside a phase, so the
// window (whose animation runs pending events when it paints) is not painted between a
// progress step and the next status.
TEST_F(MainWindowTest, ProgressRepaintsOnlyTheBarWithinAPhase) {
  ShowWindow();
  WriteBytes(Path("in.txt"), "first line of words\r\nsecond line of words\r\nthird line\r\n");
  FillFields(Path("in.txt"), Path("out.txt"));
  PaintLog paints(*window);
  ClickStart();
  EXPECT_GE(std::count(paints.log.begin(), paints.log.end(), 'B'), 3) << paints.log;
  bool stepped = false;
  int window_paints_within_a_phase = 0;
  for (char entry : paints.log) {
    if (entry == 's') stepped = false;
    if (entry == 'B') stepped = true;
    if (entry == 'w' && stepped) ++window_paints_within_a_phase;
  }
  EXPECT_EQ(window_paints_within_a_phase, 0) << paints.log;
}

TEST_F(MainWindowTest, CaseChoiceAndMinimumLengthComeFromTheFields) {
  ShowWindow();
  WriteBytes(Path("in.txt"), "ab abc abcd\r\n");
  FillFields(Path("in.txt"), Path("out.txt"));
  window->Edit4->setText(QStringLiteral("2"));
  QTest::mouseClick(window->RadioButton2, Qt::LeftButton);
  EXPECT_FALSE(window->RadioButton1->isChecked());
  ClickStart();
  EXPECT_EQ(ReadBytes(Path("out.txt")), "ABC\r\nABCD\r\n");
}

// The hidden table holds the words of the last run, row r the (r+1)-th written, and no
// cell of an earlier run anywhere.
TEST_F(MainWindowTest, HiddenTableHoldsTheWordsOfTheLastRunOnly) {
  ShowWindow();
  WriteBytes(Path("in.txt"), "zebra yak xenops wombat\r\n");
  FillFields(Path("in.txt"), Path("out.txt"));
  ClickStart();
  window->mStrGrid1.SetCells(3, 9000, "stray");  // a cell no run writes
  WriteBytes(Path("in.txt"), "Apple apple APPLE \xC3\xA9" "clair \xC3\x89" "clair\r\n");
  ClickStart();
  const TmStrGrid& table = window->mStrGrid1;
  EXPECT_EQ(table.RowCount(), 3);
  EXPECT_EQ(table.StoredCellCount(), 3u);
  EXPECT_EQ(table.Cells(0, 0), "apple");
  EXPECT_EQ(table.Cells(0, 1), "\xC3\x89" "clair");
  EXPECT_EQ(table.Cells(0, 2), "\xC3\xA9" "clair");
}

TEST_F(MainWindowTest, NameChecksStopBeforeAnyFileButTrimTheFilter) {
  const struct {
    const char* input;
    const char* output;
    const char* status;
  } cases[] = {{"", "out.txt", "Input File Name InCorrect!"},
               {"in.txt", "", "Output File Name InCorrect!"}};
  for (const auto& c : cases) {
    window->Edit1->setText(*c.input ? Path(c.input) : QString());
    window->Edit2->setText(*c.output ? Path(c.output) : QString());
    window->Edit3->setText(QStringLiteral("  ,.;  "));
    ClickStart();
    EXPECT_EQ(window->SimpleText().toStdString(), c.status);
    EXPECT_EQ(window->Edit3->text(), QStringLiteral(",.;"));
    EXPECT_FALSE(window->SpeedButton2->isHidden());
    EXPECT_FALSE(QFile::exists(Path("out.txt")));
  }
  EXPECT_TRUE(recorder.boxes.empty());
}

TEST_F(MainWindowTest, FailedRunShowsTheMessageAndLetsTheUserRetry) {
  ShowWindow();
  FillFields(Path("missing.txt"), Path("out.txt"));
  ClickStart();
  const std::string title = qobject_cast<TApplication*>(QCoreApplication::instance())->Title();
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0], (std::pair<std::string, std::string>{"File not found.", title}));
  EXPECT_EQ(window->SimpleText().toStdString(), "Starting Convert, Please Wait....");
  EXPECT_TRUE(window->SpeedButton2->isVisible());
  EXPECT_FALSE(window->ProgressBar()->isVisible());
  EXPECT_FALSE(QFile::exists(Path("out.txt")));

  WriteBytes(Path("missing.txt"), "second chance\r\n");
  ClickStart();
  EXPECT_EQ(ReadBytes(Path("out.txt")), "chance\r\nsecond\r\n");
  EXPECT_EQ(recorder.boxes.size(), 1u);
}

TEST_F(MainWindowTest, FieldTextsReachTheRunAsCodePageBytes) {
  ShowWindow();
  WriteBytes(Path("in.txt"), "zwei drei\r\n");
  FillFields(Path("in.txt"), Path("词典.txt"));
  ClickStart();
  EXPECT_EQ(ReadBytes(Path("词典.txt")), "drei\r\nzwei\r\n");
}

// The filter field holds Unicode; in a GBK locale each Chinese character is two bytes, so
// it fills two filter slots, and the trimmed text comes back unchanged.
TEST_F(MainWindowTest, DoubleByteFilterCharactersFillTwoSlotsEach) {
  const QByteArray saved = qgetenv("LC_ALL");
  qputenv("LC_ALL", "zh_CN.GBK");
  LocaleSettings::Reload();
  window->Edit3->setText(QStringLiteral(" 过滤 "));
  ClickStart();  // stops at the empty input name, after the filter step
  EXPECT_EQ(window->Edit3->text(), QStringLiteral("过滤"));
  EXPECT_EQ(window->Conversion().FilterSlots(), (std::vector<int>{0xB9, 0xFD, 0xC2, 0xCB}));
  saved.isNull() ? qunsetenv("LC_ALL") : qputenv("LC_ALL", saved);
  LocaleSettings::Reload();
}

// ---- keyboard ------------------------------------------------------------------------

// Presses Tab `count` times and returns the widgets that had the focus after each press.
std::vector<QWidget*> TabThrough(int count) {
  std::vector<QWidget*> seen;
  for (int i = 0; i < count; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    seen.push_back(QApplication::focusWidget());
  }
  return seen;
}

TEST_F(MainWindowTest, TabVisitsTheFieldsThenTheCheckedCaseButton) {
  ShowWindow();
  ASSERT_EQ(QApplication::focusWidget(), window->Edit1);
  EXPECT_EQ(TabThrough(6), (std::vector<QWidget*>{window->Edit2, window->Edit3, window->Button1,
                                                  window->Edit4, window->RadioButton1,
                                                  window->Edit1}));
  window->RadioButton2->setChecked(true);
  window->Edit4->setFocus();
  EXPECT_EQ(TabThrough(2), (std::vector<QWidget*>{window->RadioButton2, window->Edit1}));
}

TEST_F(MainWindowTest, EnterAndEscapeTriggerNothing) {
  ShowWindow();
  WriteBytes(Path("in.txt"), "words here\r\n");
  window->Edit1->setText(Path("in.txt"));
  window->Edit2->setText(Path("out.txt"));
  for (QWidget* target : std::initializer_list<QWidget*>{window->Edit1, window->Button1,
                                                         window->Edit4, window->RadioButton1}) {
    target->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(target, key);
    }
  }
  EXPECT_TRUE(window->Edit3->text().isEmpty());  // Default was not pressed
  EXPECT_FALSE(QFile::exists(Path("out.txt")));  // Start was not pressed
  EXPECT_TRUE(statuses.empty());
  EXPECT_TRUE(window->isVisible());
}

// ---- ending ----------------------------------------------------------------------------

// Runs the event loop until the window ends it; false when it has not within five seconds.
bool LoopEndsAfter(const std::function<void()>& action) {
  bool timed_out = false;
  QTimer::singleShot(0, action);
  // A timer object, not a single shot: it must not fire into a later test once this one
  // has returned.
  QTimer deadline;
  deadline.setSingleShot(true);
  QObject::connect(&deadline, &QTimer::timeout, [&] {
    timed_out = true;
    QCoreApplication::exit(1);
  });
  deadline.start(5000);
  const int code = QCoreApplication::exec();
  return !timed_out && code == 0;
}

TEST_F(MainWindowTest, ExitAndTheCloseBoxEndTheEventLoop) {
  ShowWindow();
  EXPECT_TRUE(LoopEndsAfter([this] { QTest::mouseClick(window->SpeedButton1, Qt::LeftButton); }));
  EXPECT_TRUE(window->isVisible());  // hidden only when destroyed, after the loop
  EXPECT_TRUE(LoopEndsAfter([this] { window->close(); }));
  EXPECT_TRUE(window->isVisible());
}

// Exit pressed while a run lets pending events run: the run goes on to its end, and the
// event loop ends once the Start handler has returned.
TEST_F(MainWindowTest, ExitDuringARunEndsTheLoopAfterTheRun) {
  ShowWindow();
  WriteBytes(Path("in.txt"), "late exit still writes\r\n");
  FillFields(Path("in.txt"), Path("out.txt"));
  std::size_t statuses_at_exit = 0;
  QObject::connect(window->StatusBar1, &QStatusBar::messageChanged, [&](const QString& text) {
    if (!text.startsWith(QStringLiteral("Starting"))) return;
    QTimer::singleShot(0, [&] {
      statuses_at_exit = statuses.size();
      QTest::mouseClick(window->SpeedButton1, Qt::LeftButton);
    });
  });
  EXPECT_TRUE(LoopEndsAfter([this] { ClickStart(); }));
  EXPECT_EQ(statuses_at_exit, 1u);  // Exit came in the pending events of the first phase
  EXPECT_EQ(ReadBytes(Path("out.txt")), "exit\r\nlate\r\nstill\r\nwrites\r\n");
  EXPECT_EQ(statuses.back(), "All Process Done! 4 Words Saved!");
}

// F1 opens the About box, with the version, without touching the fields' keyboard rules.
TEST_F(MainWindowTest, F1ShowsTheAboutBoxWithTheVersion) {
  ShowWindow();
  EXPECT_EQ(window->contextMenuPolicy(), Qt::ActionsContextMenu);
  EXPECT_TRUE(window->actions().contains(window->AboutAction()));
  QString shown;
  QTimer close_box;  // reads and closes the box once it runs modal
  QObject::connect(&close_box, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text();
      box->accept();
    }
  });
  close_box.start(0);
  QTest::keyClick(window->Edit1, Qt::Key_F1);
  EXPECT_TRUE(shown.startsWith(QStringLiteral("quillet %1\n").arg(QUILLET_VERSION))) << shown.toStdString();
  EXPECT_TRUE(window->Edit1->text().isEmpty());
}

// ---- dropped files -----------------------------------------------------------------------

// Drags `data` onto `target` and drops it there; returns whether the drop was accepted.
bool DragAndDrop(QWidget* target, QMimeData* data) {
  const QPointF at(5, 5);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return enter.isAccepted() && drop.isAccepted();
}

TEST_F(MainWindowTest, DroppedFileGivesItsLocalPath) {
  QMimeData file;
  file.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/some dir/notes.txt")),
                QUrl::fromLocalFile(QStringLiteral("/tmp/other.txt"))});
  window->Edit2->setText(QStringLiteral("old"));
  EXPECT_TRUE(DragAndDrop(window->Edit2, &file));
  EXPECT_EQ(window->Edit2->text(), QStringLiteral("/tmp/some dir/notes.txt"));
  EXPECT_TRUE(window->Edit1->text().isEmpty());

  QMimeData web;
  web.setUrls({QUrl(QStringLiteral("https://example.org/page.txt"))});
  DragAndDrop(window->Edit1, &web);
  EXPECT_TRUE(window->Edit1->text().isEmpty());
  DragAndDrop(window->Edit3, &file);  // only the name fields take files
  EXPECT_TRUE(window->Edit3->text().isEmpty());
}

}  // namespace
}  // namespace quillet
