#pragma once
// The application object, the pending-events operation and the application window's
// coordinates.
//
// TApplication catches every exception that leaves an event handler (anything Qt delivers
// through notify()) and shows its message in a modal error box: the message followed by a
// full stop, which is always added, the application's title as caption, an error icon and
// one OK button. The program then goes on. Tests replace the box with a hook.

#include <QApplication>
#include <functional>
#include <string>
#include <string_view>

#include "toolkit/t_point.h"

namespace quillet {

class TApplication : public QApplication {
  Q_OBJECT

 public:
  // Shows `text` in a box captioned `caption`.
  using MessageBoxHook = std::function<void(const std::string& text, const std::string& caption)>;

  // `argc` must outlive the application (QApplication keeps a reference to it).
  TApplication(int& argc, char** argv);
  // Releases the screen used for drawing (screen_canvas.h) while the display still exists.
  ~TApplication() override;

  // The title: the program file's name without its directory and without everything from
  // its first "." on, every character after the first lower-cased (bytes "A" to "Z" only).
  const std::string& Title() const { return title_; }
  // The same rule for any path: "/usr/bin/Quillet.bin.x" gives "Quillet", "QUILLET" gives
  // "Quillet", "" gives "".
  static std::string TitleFromProgramPath(std::string_view path);

  // Delivers the event; an exception from the receiver is caught and shown (see above),
  // and the event then counts as not handled.
  bool notify(QObject* receiver, QEvent* event) override;

  // Shows the exception in flight as described above; call it only inside a catch block.
  // Without an application object, or while the box is replaced by a hook, shows it there.
  // Never throws.
  static void ShowCurrentException() noexcept;
  // Replaces the error box by `hook` (an empty hook brings the real box back); returns the
  // hook that was installed before.
  static MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

 private:
  static void ShowMessageBox(const std::string& text, const std::string& caption);

  std::string title_;
};

// Runs every event waiting in the program's event queue, then returns.
void ProcessPendingEvents();

// Converts a point from the client coordinates of the application window to screen
// coordinates. The application window is a window of zero size whose client area starts at
// the centre of the primary screen, so this adds half the screen's width and height
// (rounded down). Without a screen it returns the point unchanged.
TPoint ApplicationClientToScreen(TPoint point);

}  // namespace quillet
