#include "toolkit/x11_screen_canvas.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTest>
#include <memory>
#include <vector>

#include "tests/test_support.h"
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/screen_dc.h"
#include "toolkit/t_application.h"
#include "toolkit/t_form.h"
#include "toolkit/x11_window.h"

// Xlib last: its macros clash with names in Qt's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace quillet {
namespace {

#define REQUIRE_X11(display)                                           \
  Display* display = ApplicationX11Display();                          \
  if (display == nullptr) QUILLET_SKIP_OR_FAIL("no reachable X display");

// The pixels of a block of the root window as RGB (a 24-bit true-colour visual).
std::vector<RgbColor> ReadRoot(Display* display, int x, int y, int width, int height) {
  XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, width, height, AllPlanes,
                            ZPixmap);
  std::vector<RgbColor> pixels;
  for (int row = 0; image != nullptr && row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      const unsigned long p = XGetPixel(image, col, row);
      pixels.push_back(RgbColor{static_cast<std::uint8_t>(p >> 16),
                                static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p)});
    }
  }
  if (image != nullptr) XDestroyImage(image);
  return pixels;
}

// Paints a block of the root window with a colour per pixel column and row band.
void PaintRoot(Display* display, int x, int y, int width, int height) {
  GC gc = XCreateGC(display, DefaultRootWindow(display), 0, nullptr);
  XSetSubwindowMode(display, gc, IncludeInferiors);
  for (int col = 0; col < width; ++col) {
    for (int band = 0; band < height; band += 4) {
      const unsigned long r = (col * 9) & 0xFF, g = (band * 13) & 0xFF, b = (col + band) & 0xFF;
      XSetForeground(display, gc, (r << 16) | (g << 8) | b);
      XFillRectangle(display, DefaultRootWindow(display), gc, x + col, y + band, 1, 4);
    }
  }
  XFreeGC(display, gc);
  XSync(display, False);
}

bool TrueColor24(Display* display) {
  const Visual* visual = DefaultVisual(display, DefaultScreen(display));
  return visual->c_class == TrueColor && visual->red_mask == 0xFF0000 &&
         visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF;
}

RectangleCall Call(int left, int top, int right, int bottom, int brush) {
  return RectangleCall{left, top, right, bottom, *GetStockObject(BLACK_PEN),
                       *GetStockObject(brush), R2_NOTXORPEN};
}

TEST(X11ScreenCanvas, DrawsOnTheRootWithTheNotXorRuleAndASecondDrawRestores) {
  REQUIRE_X11(display);
  if (!TrueColor24(display)) QUILLET_SKIP_OR_FAIL("the display is not 24-bit true colour");
  const int x0 = 20, y0 = 30, w = 60, h = 40;
  PaintRoot(display, x0, y0, w, h);
  const std::vector<RgbColor> before = ReadRoot(display, x0, y0, w, h);
  std::unique_ptr<X11ScreenCanvas> canvas = X11ScreenCanvas::Create(display);
  ASSERT_NE(canvas, nullptr);
  for (int brush : {LTGRAY_BRUSH, NULL_BRUSH}) {
    canvas->DrawRectangle(Call(x0 + 5, y0 + 6, x0 + 45, y0 + 30, brush));
    const std::vector<RgbColor> drawn = ReadRoot(display, x0, y0, w, h);
    ASSERT_EQ(drawn.size(), before.size());
    int wrong = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const bool in = x >= 5 && x < 45 && y >= 6 && y < 30;
        const bool outline = in && (x == 5 || x == 44 || y == 6 || y == 29);
        const RgbColor old = before[y * w + x];
        const std::uint8_t mask = !in ? 0 : outline ? 0xFF : brush == LTGRAY_BRUSH ? 63 : 0;
        const RgbColor expected{static_cast<std::uint8_t>(old.red ^ mask),
                                static_cast<std::uint8_t>(old.green ^ mask),
                                static_cast<std::uint8_t>(old.blue ^ mask)};
        wrong += drawn[y * w + x] == expected ? 0 : 1;
      }
    }
    EXPECT_EQ(wrong, 0) << "brush " << brush;
    canvas->DrawRectangle(Call(x0 + 5, y0 + 6, x0 + 45, y0 + 30, brush));
    EXPECT_EQ(ReadRoot(display, x0, y0, w, h), before) << "brush " << brush;
  }
}

TEST(X11ScreenCanvas, IsTheCurrentScreenWithoutACompositor) {
  REQUIRE_X11(display);
  if (X11ScreenCanvas::CompositorRunning(display)) QUILLET_SKIP_OR_FAIL("a compositor runs");
  EXPECT_NE(dynamic_cast<X11ScreenCanvas*>(CurrentScreen()), nullptr);
}

// Qt sends the show event before it maps the window and the hide event only after it
// unmapped it; TForm raises OnHide before that.
TEST(TFormOnX11, OnShowRunsBeforeTheWindowIsMappedAndOnHideWhileItStillIs) {
  REQUIRE_X11(display);
  TForm form;
  form.setGeometry(100, 100, 120, 80);
  std::vector<std::string> log;
  testing::Recorder on_show(&log, "show"), on_hide(&log, "hide");
  std::vector<int> states;
  on_show.on_call = on_hide.on_call = [&] {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, static_cast<Window>(form.winId()), &attributes);
    states.push_back(attributes.map_state);
  };
  form.OnShow = on_show.Event();
  form.OnHide = on_hide.Event();
  form.show();
  form.hide();
  EXPECT_EQ(log, (std::vector<std::string>{"show", "hide"}));
  EXPECT_EQ(states, (std::vector<int>{IsUnmapped, IsViewable}));
}

// Run under a window manager (x11_wm_tests): the outline a window has while it is being
// shown for the first time, before it is mapped, is the frame it then gets on the screen.
TEST(TFormUnderWindowManager, OuterBoundsAtTheFirstShowAreTheFrameItGets) {
  REQUIRE_X11(display);
  TForm form;
  form.setFixedSize(200, 100);
  form.move(150, 120);
  QRect at_show;
  std::vector<std::string> log;
  testing::Recorder on_show(&log, "show");
  on_show.on_call = [&] { at_show = QRect(form.Left(), form.Top(), form.Width(), form.Height()); };
  form.OnShow = on_show.Event();
  form.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.frameGeometry().size() != form.size(); }, 5000))
      << "the window got no frame";
  EXPECT_EQ(at_show, form.frameGeometry());
}

}  // namespace
}  // namespace quillet
