// Runs the Qt tests on the offscreen platform with one application object for all of them.
#include <gtest/gtest.h>

#include <QByteArray>

#include "toolkit/t_application.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  quillet::TApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
