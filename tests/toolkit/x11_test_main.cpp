// Runs the tests that need a real X server. Without a reachable display (DISPLAY unset or
// no server) no application object is made and every test skips itself.
#include <gtest/gtest.h>

#include <QByteArray>
#include <cstdlib>
#include <memory>

#include "toolkit/t_application.h"

#include <X11/Xlib.h>

namespace {

bool DisplayReachable() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XCloseDisplay(display);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<quillet::TApplication> app;
  if (DisplayReachable()) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    app = std::make_unique<quillet::TApplication>(argc, argv);
  }
  return RUN_ALL_TESTS();
}
