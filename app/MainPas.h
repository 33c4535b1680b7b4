#pragma once
// TMain, the program's one window: the five inputs of the word-list conversion (input and
// output file name, filter text, minimum word length, case choice), the Start, Exit and
// Default buttons, a one-line status bar, the hidden word store mStrGrid1 and the opening
// and closing animation ExplodeForm1.
//
// Layout. Every control has the position and size of the window's layout table in pixels
// of a 96-dpi screen; on a screen with another logical resolution the window's position,
// its size, its controls and its fonts are all scaled by that resolution / 96, rounded
// alike (at 144 dpi the window opens at 347, 212). Labels size themselves to their text.
// The window is a tool window (Qt::Tool, and a toolbar type for X11 window managers): a
// caption with a close box only, no minimise or maximise box, a fixed client area of
// 414 x 150 and its outer top-left corner at 231, 141.
//
// Keyboard. Tab moves through Edit1, Edit2, Edit3, Button1, Edit4 and the checked radio
// button; the window opens with the focus in Edit1. The glyph buttons never take the focus
// and have no shortcut. No button reacts to Enter or Esc, and Esc does not close the window.
//
// Texts. The fields hold Unicode; the conversion gets them as bytes of the system code
// page (runtime/code_page.h) and the filter text and status texts come back the same way.
//
// Ending. Exit, the close box and the system's close command all ask the application to
// quit; the event loop ends once the running handler has returned. The window is then
// hidden (closing animation) when it is destroyed.
//
// Failures. An exception that leaves a run shows the Start button again (so the user can
// correct the input and retry), keeps the status line at the last phase message, and passes
// on to the application, which shows it in a message box (toolkit/t_application.h).
//
// While a phase runs, a slim progress bar in the status bar shows how far reading, sorting
// and writing have got. It repaints itself directly, without running pending events, so
// nothing else happens during a phase.
//
// Dropping a file from a file manager onto Edit1 or Edit2 puts its local path there.
//
// About. F1, or the entry of the window's context menu (right button on the window outside
// the fields), shows the About box with the version; the layout has no room for a button.

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolButton>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/conversion.h"
#include "effects/Explform.h"
#include "strgrid/mStrGrid.h"
#include "toolkit/t_control.h"
#include "toolkit/t_form.h"

namespace quillet {

// The window's fixed texts.
inline constexpr char kMainCaption[] = "Quillet V1.2 (For Win32 & Faster Version)";
inline constexpr char kCopyrightLine[] = "Copyright (C) 2025 The Quillet Authors";
inline constexpr char kContactLine[] = "联系作者: quillet@example.org";
inline constexpr char kSignature[] = "Quill";

class TMain : public TForm, private ConversionHost {
  Q_OBJECT

 public:
  // Creates the window with all its controls and components; it is not shown yet.
  explicit TMain(TComponent* owner = nullptr);
  // Hides the window (closing animation) while every control still exists.
  ~TMain() override;

  // The controls and components, named and declared in the window's order.
  QLabel* Label1;
  QLineEdit* Edit1;
  QLabel* Label2;
  QLineEdit* Edit2;
  QToolButton* SpeedButton1;
  QToolButton* SpeedButton2;
  QLineEdit* Edit3;
  QLabel* Label3;
  QPushButton* Button1;
  QStatusBar* StatusBar1;
  QLabel* Label4;
  QLineEdit* Edit4;
  QRadioButton* RadioButton1;
  QRadioButton* RadioButton2;
  QLabel* Label5;
  TExplodeForm* ExplodeForm1;
  TmStrGrid mStrGrid1;
  QLabel* Label6;
  QLabel* Label7;

  // Exit: asks the application to quit (as the close box does).
  void SpeedButton1Click();
  // Start: runs the word-list conversion with the fields' texts. Passes on whatever ends
  // the run (after showing the Start button again).
  void SpeedButton2Click();
  // Default: puts the 40-byte default filter text into Edit3.
  void Button1Click();

  // Shows the About box (F1 or the window's context menu).
  void ShowAbout();
  // The action behind F1 and the context menu entry.
  const QAction* AboutAction() const { return about_action_; }

  // The status line's text (the simple text of StatusBar1).
  QString SimpleText() const;
  // The conversion's run state, which lasts from one run to the next.
  const TWordListConversion& Conversion() const { return conversion_; }
  // The progress bar of the status bar (hidden while no run is going on).
  const QProgressBar* ProgressBar() const { return progress_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The conversion's host over the real widgets.
  ConversionOptions FieldOptions() const;
  void SetStatusText(const std::string& text) override;
  void ProcessPendingEvents(ConversionOptions& options) override;
  void Progress(ProgressPhase phase, std::uint64_t done, std::uint64_t total) override;
  void WordWritten(std::string_view word) override;

  void SetUpWindow();
  void CreateNameFields();
  void CreateGlyphButtons();
  void CreateFilterRow();
  void CreateStatusBar();
  void CreateLengthAndCase();
  void CreateNotes();
  void SetUpKeyboard();
  void SetUpWordStore();
  void SetUpAnimation();
  void SetUpAbout();
  QLabel* NewLabel(const QString& text, int left, int top);
  QLineEdit* NewEdit(int left, int top, int width, int height);
  QToolButton* NewGlyphButton(const QString& text, const QPixmap& glyph, int left);
  void Place(QWidget* widget, int left, int top, int width, int height);
  int Scaled(int pixels) const;
  void KeepTabStopOnCheckedRadio();
  bool DropFileName(QLineEdit* edit, QEvent* event);
  void ShowProgressBar(bool visible);

  double scale_ = 1.0;
  TControl* label3_control_ = nullptr;  // Label3 as the animation's source control
  QProgressBar* progress_ = nullptr;
  QAction* about_action_ = nullptr;
  int progress_permille_ = -1;
  int words_in_store_ = 0;  // rows of mStrGrid1 written by the current run
  TWordListConversion conversion_;
};

}  // namespace quillet
