#include "toolkit/t_application.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QScreen>
#include <new>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/t_form.h"

namespace quillet {
namespace {

using testing::BoxRecorder;
using Box = BoxRecorder::Box;

const std::string& Title() {
  return qobject_cast<TApplication*>(QCoreApplication::instance())->Title();
}

// An object whose event handling throws.
class ThrowingObject : public QObject {
 public:
  explicit ThrowingObject(std::function<void()> thrower) : thrower_(std::move(thrower)) {}
  bool event(QEvent*) override {
    thrower_();
    return true;
  }

 private:
  std::function<void()> thrower_;
};

TEST(TApplication, TitleIsTheProgramNameUpToItsFirstDotWithTheRestLowerCased) {
  const std::pair<const char*, const char*> cases[] = {
      {"/usr/bin/Quillet.bin.x", "Quillet"},
      {"QUILLET", "Quillet"},
      {"quillet", "quillet"},
      {"/opt/My.Dir/WORDS", "Words"},
      {"MIXED_Case9.EXE", "Mixed_case9"},
      {"/usr/bin/.hidden", ""},
      {"", ""},
      {"\xC4\xE3HAO.exe", "\xC4\xE3hao"},  // bytes above 0x7F keep their value
  };
  for (const auto& [path, title] : cases) {
    EXPECT_EQ(TApplication::TitleFromProgramPath(path), title) << path;
  }
  EXPECT_EQ(Title(), TApplication::TitleFromProgramPath(
                         QCoreApplication::applicationFilePath().toStdString()));
}

TEST(TApplication, HandlerExceptionIsShownWithAFullStopAndTheTitle) {
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[] { throw EInOutError(2); }, "File not found."},
      {[] { throw std::bad_alloc(); }, "Out of memory."},
      {[] { throw EListError("Ends with a stop."); }, "Ends with a stop.."},
  };
  for (const auto& [thrower, text] : cases) {
    BoxRecorder recorder;
    ThrowingObject object(thrower);
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&object, &event));
    EXPECT_EQ(recorder.boxes, (std::vector<Box>{{text, Title()}}));
  }
}

TEST(TApplication, ProgramGoesOnAfterAFailingWindowHandler) {
  BoxRecorder recorder;
  std::vector<std::string> log;
  testing::Recorder on_show(&log, "show");
  on_show.throw_message = "List index out of bounds (3)";
  TForm form;
  form.OnShow = on_show.Event();
  form.show();  // the show event is delivered through notify()
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(recorder.boxes, (std::vector<Box>{{"List index out of bounds (3).", Title()}}));
}

TEST(ApplicationClientToScreen, AddsHalfTheScreenSize) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const int cx = screen.width() / 2, cy = screen.height() / 2;
  EXPECT_EQ(ApplicationClientToScreen({44, 59}), (TPoint{cx + 44, cy + 59}));
  EXPECT_EQ(ApplicationClientToScreen({-5, -7}), (TPoint{cx - 5, cy - 7}));
}

}  // namespace
}  // namespace quillet
