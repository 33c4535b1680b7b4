#include "toolkit/screen_dc.h"

#include <gtest/gtest.h>

#include <climits>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/overlay_screen_canvas.h"

namespace quillet {
namespace {

using testing::PaintPattern;
using testing::ScopedMemoryScreen;
using testing::ScreenSnapshot;

RgbColor Xor(RgbColor c, std::uint8_t mask) {
  return RgbColor{static_cast<std::uint8_t>(c.red ^ mask),
                  static_cast<std::uint8_t>(c.green ^ mask),
                  static_cast<std::uint8_t>(c.blue ^ mask)};
}

// Draws one rectangle with the black pen and the given brush and mode.
void DrawOnce(int brush, int mode, int left, int top, int right, int bottom) {
  HDC dc = GetDC(nullptr);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  SelectObject(dc, GetStockObject(brush));
  SetROP2(dc, mode);
  Rectangle(dc, left, top, right, bottom);
  ReleaseDC(nullptr, dc);
}

int ChangedPixels(const MemoryScreenCanvas& now, const ScreenSnapshot& before) {
  int changed = 0;
  for (std::size_t i = 0; i < before.Pixels().size(); ++i) {
    changed += now.Pixels()[i] == before.Pixels()[i] ? 0 : 1;
  }
  return changed;
}

TEST(ScreenDC, SelectObjectAndSetROP2HandBackWhatWasCurrent) {
  EXPECT_EQ(GetStockObject(LTGRAY_BRUSH)->color, (RgbColor{192, 192, 192}));
  EXPECT_TRUE(GetStockObject(NULL_BRUSH)->hollow);
  EXPECT_EQ(GetStockObject(1234), nullptr);
  ScopedMemoryScreen screen(8, 8);
  HDC dc = GetDC(nullptr);
  EXPECT_EQ(screen.canvas.OpenContexts(), 1);
  EXPECT_EQ(SelectObject(dc, GetStockObject(LTGRAY_BRUSH)), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(SelectObject(dc, GetStockObject(NULL_BRUSH)), GetStockObject(LTGRAY_BRUSH));
  EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), GetStockObject(BLACK_PEN));
  EXPECT_EQ(SetROP2(dc, R2_NOTXORPEN), R2_COPYPEN);
  EXPECT_EQ(SetROP2(dc, 99), 0);  // unknown mode: refused, mode kept
  Rectangle(dc, 1, 2, 3, 4);
  EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
  EXPECT_EQ(screen.canvas.OpenContexts(), 0);
  EXPECT_EQ(screen.canvas.Calls(),
            (std::vector<RectangleCall>{{1, 2, 3, 4, *GetStockObject(BLACK_PEN),
                                         *GetStockObject(NULL_BRUSH), R2_NOTXORPEN}}));
  EXPECT_FALSE(Rectangle(nullptr, 0, 0, 5, 5));  // a null context draws nothing
  EXPECT_EQ(SelectObject(nullptr, GetStockObject(BLACK_PEN)), nullptr);
}

// Outline inverted, inside XOR 63 (filled) or unchanged (hollow), right and bottom outside;
// a second identical draw restores the screen.
TEST(ScreenDC, NotXorRectangleInvertsOutlineAndXorsInsideAndUndoesItself) {
  for (int brush : {LTGRAY_BRUSH, NULL_BRUSH}) {
    ScopedMemoryScreen screen(40, 30);
    PaintPattern(screen.canvas);
    const ScreenSnapshot before(screen.canvas);
    DrawOnce(brush, R2_NOTXORPEN, 5, 6, 15, 12);
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) {
        const bool in = x >= 5 && x < 15 && y >= 6 && y < 12;
        const bool outline = in && (x == 5 || x == 14 || y == 6 || y == 11);
        const std::uint8_t mask = !in ? 0 : outline ? 0xFF : brush == LTGRAY_BRUSH ? 63 : 0;
        ASSERT_EQ(screen.canvas.Pixel(x, y), Xor(before.Pixel(x, y), mask)) << x << "," << y;
      }
    }
    DrawOnce(brush, R2_NOTXORPEN, 5, 6, 15, 12);
    EXPECT_EQ(screen.canvas.Pixels(), before.Pixels());
  }
}

// Every pixel of a rectangle is drawn exactly once, whatever its shape or position: in
// R2_NOTXORPEN a pixel drawn twice would show unchanged.
TEST(ScreenDC, NotXorRectangleChangesEachPixelOfTheFigureOnce) {
  struct Case {
    int left, top, right, bottom;
    int changed;
  };
  const Case cases[] = {
      {4, 4, 4, 9, 0},   {4, 4, 9, 4, 0},              // no width, no height
      {4, 4, 5, 5, 1},   {4, 4, 6, 6, 4},              // one pixel; outline only
      {4, 4, 7, 7, 9},   {4, 4, 5, 9, 5},              // one inside pixel; one column
      {9, 9, 4, 4, 25},                                // corners the wrong way round
      {-5, -5, 3, 3, 9}, {25, 25, 40, 40, 0},          // partly and wholly off the screen
      {INT_MIN, INT_MIN, INT_MAX, INT_MAX, 400},       // covers the screen: the inside shows
  };
  for (const Case& c : cases) {
    ScopedMemoryScreen screen(20, 20);
    PaintPattern(screen.canvas);
    const ScreenSnapshot before(screen.canvas);
    DrawOnce(LTGRAY_BRUSH, R2_NOTXORPEN, c.left, c.top, c.right, c.bottom);
    EXPECT_EQ(ChangedPixels(screen.canvas, before), c.changed)
        << c.left << "," << c.top << "," << c.right << "," << c.bottom;
  }
}

TEST(CurrentScreen, InstalledScreenWinsAndThePlatformsChoiceComesBack) {
  MemoryScreenCanvas memory(4, 4, RgbColor{});
  ScreenCanvas* const before = InstallScreen(&memory);
  EXPECT_EQ(CurrentScreen(), &memory);
  EXPECT_EQ(InstallScreen(nullptr), &memory);
  // Without X11 (the tests run offscreen) the platform's choice is the overlay window.
  EXPECT_NE(dynamic_cast<OverlayScreenCanvas*>(CurrentScreen()), nullptr);
  InstallScreen(before);
}

}  // namespace
}  // namespace quillet
