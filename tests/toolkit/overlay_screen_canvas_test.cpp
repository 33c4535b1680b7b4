#include "toolkit/overlay_screen_canvas.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>

#include "toolkit/screen_dc.h"

namespace quillet {
namespace {

RectangleCall Call(int left, int top, int right, int bottom, int brush) {
  return RectangleCall{left, top, right, bottom, *GetStockObject(BLACK_PEN),
                       *GetStockObject(brush), R2_NOTXORPEN};
}

TEST(OverlayScreenCanvas, SecondIdenticalDrawTakesARectangleAwayAndTheWindowHides) {
  OverlayScreenCanvas overlay;
  const RectangleCall a = Call(10, 10, 50, 40, LTGRAY_BRUSH);
  const RectangleCall b = Call(10, 10, 50, 40, NULL_BRUSH);  // same place, other brush
  overlay.BeginDrawing();
  overlay.DrawRectangle(a);
  overlay.DrawRectangle(b);
  overlay.EndDrawing();
  EXPECT_EQ(overlay.Shown(), (std::vector<RectangleCall>{a, b}));
  EXPECT_TRUE(overlay.Window()->isVisible());
  overlay.DrawRectangle(a);
  EXPECT_EQ(overlay.Shown(), (std::vector<RectangleCall>{b}));
  overlay.DrawRectangle(b);
  EXPECT_TRUE(overlay.Shown().empty());
  EXPECT_FALSE(overlay.Window()->isVisible());
}

TEST(OverlayScreenCanvas, ClickThroughTopWindowShowsRectanglesInTheirColours) {
  OverlayScreenCanvas overlay;
  overlay.DrawRectangle(Call(10, 10, 20, 16, LTGRAY_BRUSH));
  overlay.DrawRectangle(Call(30, 10, 40, 16, NULL_BRUSH));
  QWidget* window = overlay.Window();
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowTransparentForInput));
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(window->geometry(), QGuiApplication::primaryScreen()->virtualGeometry());
  const QImage image = window->grab().toImage();
  const auto at = [&](int x, int y) { return image.pixelColor(QPoint(x, y) - window->pos()); };
  EXPECT_EQ(at(10, 10), QColor(0, 0, 0));         // outline
  EXPECT_EQ(at(19, 15), QColor(0, 0, 0));
  EXPECT_EQ(at(15, 12), QColor(192, 192, 192));   // filled inside
  EXPECT_EQ(at(30, 10), QColor(0, 0, 0));
  EXPECT_EQ(at(35, 12).alpha(), 0);               // hollow inside shows what lies beneath
  EXPECT_EQ(at(20, 16).alpha(), 0);               // right and bottom lie outside
}

}  // namespace
}  // namespace quillet
