#include "toolkit/t_application.h"

#include <QMessageBox>
#include <QScreen>
#include <utility>

#include "runtime/exceptions.h"
#include "toolkit/screen_canvas.h"

namespace quillet {
namespace {

TApplication::MessageBoxHook& Hook() {
  static TApplication::MessageBoxHook hook;
  return hook;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

QString FromBytes(const std::string& text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  std::string path = applicationFilePath().toLocal8Bit().toStdString();
  if (path.empty() && argc > 0 && argv[0] != nullptr) path = argv[0];
  title_ = TitleFromProgramPath(path);
}

TApplication::~TApplication() { ReleasePlatformScreen(); }

std::string TApplication::TitleFromProgramPath(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  path = path.substr(0, path.find('.'));
  std::string title(path);
  for (std::size_t i = 1; i < title.size(); ++i) title[i] = AsciiLower(title[i]);
  return title;
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowCurrentException();
    return false;
  }
}

void TApplication::ShowCurrentException() noexcept {
  const std::string text = MessageOfCurrentException() + ".";
  try {
    auto* app = qobject_cast<TApplication*>(QCoreApplication::instance());
    const std::string caption = app != nullptr ? app->Title() : std::string();
    if (Hook()) {
      Hook()(text, caption);
    } else if (app != nullptr) {
      ShowMessageBox(text, caption);
    }
  } catch (...) {
    // Nothing is left to tell the user with; the program goes on.
  }
}

TApplication::MessageBoxHook TApplication::SetMessageBoxHook(MessageBoxHook hook) {
  return std::exchange(Hook(), std::move(hook));
}

void TApplication::ShowMessageBox(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::Critical, FromBytes(caption), FromBytes(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);  // a message is shown as it is, never as markup
  box.exec();
}

void ProcessPendingEvents() { QCoreApplication::processEvents(); }

TPoint ApplicationClientToScreen(TPoint point) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return point;
  const QRect bounds = screen->geometry();
  return TPoint{point.x + bounds.width() / 2, point.y + bounds.height() / 2};
}

}  // namespace quillet
