#pragma once
// The screen that the drawing operations of screen_dc.h draw on, behind one interface with
// three backends: the X11 root window (x11_screen_canvas.h), a see-through overlay window
// where the screen itself cannot be drawn on (overlay_screen_canvas.h), and an in-memory
// screen for tests (memory_screen_canvas.h).
//
// A rectangle call describes one Rectangle: the pixels x in [left, right) and y in
// [top, bottom) (left/right and top/bottom swapped first when given the wrong way round);
// nothing when either extent is 0. The outermost ring of pixels is the outline, drawn with
// the pen (unless the pen is hollow); the rest is the inside, drawn with the brush (unless
// the brush is hollow). Every pixel is drawn at most once per call. In R2_COPYPEN mode a
// drawn pixel takes the colour; in R2_NOTXORPEN mode it becomes ~(colour XOR pixel) in each
// of red, green and blue, so a second identical call puts the screen back.

#include <array>
#include <cstdint>

namespace quillet {

struct RgbColor {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const RgbColor&, const RgbColor&) = default;
};

// Raster modes (the way a drawn colour combines with the screen).
enum TRop2 : int { R2_NOTXORPEN = 10, R2_COPYPEN = 13 };

enum class GdiObjectKind : std::uint8_t { kPen, kBrush };

// A pen or brush: its colour, or hollow (draws nothing).
struct GdiObject {
  GdiObjectKind kind = GdiObjectKind::kPen;
  bool hollow = false;
  RgbColor color;
  friend bool operator==(const GdiObject&, const GdiObject&) = default;
};

struct RectangleCall {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  GdiObject pen;
  GdiObject brush;
  int mode = R2_COPYPEN;
  friend bool operator==(const RectangleCall&, const RectangleCall&) = default;
};

// A block of pixels: x in [left, right), y in [top, bottom); empty when either is reversed.
struct PixelBox {
  std::int64_t left = 0;
  std::int64_t top = 0;
  std::int64_t right = 0;
  std::int64_t bottom = 0;
  bool Empty() const { return right <= left || bottom <= top; }
  friend bool operator==(const PixelBox&, const PixelBox&) = default;
};

// The pixels of a rectangle call, cut to `clip`: its outline as four disjoint blocks (top
// row, bottom row, left and right column; some of them empty for a thin rectangle) and
// its inside. The blocks never overlap, so each pixel is drawn once.
struct RectangleParts {
  std::array<PixelBox, 4> outline;
  PixelBox inside;
};
RectangleParts SplitRectangle(const RectangleCall& call, const PixelBox& clip);

// The pixel `screen` becomes when `color` is drawn on it in raster mode `mode`.
RgbColor CombinePixel(RgbColor color, RgbColor screen, int mode);

// The call with its corners ordered (left <= right, top <= bottom).
RectangleCall Normalized(RectangleCall call);

class ScreenCanvas {
 public:
  ScreenCanvas() = default;
  ScreenCanvas(const ScreenCanvas&) = delete;
  ScreenCanvas& operator=(const ScreenCanvas&) = delete;
  virtual ~ScreenCanvas() = default;

  // A drawing context is taken (GetDC) / given back (ReleaseDC). Calls may nest.
  virtual void BeginDrawing() {}
  virtual void EndDrawing() {}
  // Draws one rectangle as described above and makes it visible at once. Never throws;
  // a failure leaves the screen unchanged.
  virtual void DrawRectangle(const RectangleCall& call) = 0;
};

// The screen drawn on now: one installed with InstallScreen, or else the one chosen for
// the platform (the X11 root window on xcb without a compositing manager, the overlay
// window otherwise), made on first use. Null without a GUI application object.
ScreenCanvas* CurrentScreen();
// Destroys the platform's screen (a later CurrentScreen makes a new one). TApplication's
// destructor calls it, while the window system connection still exists.
void ReleasePlatformScreen();
// Makes `screen` (not owned; null brings back the platform's choice) the current screen;
// returns the one installed before (null when none was).
ScreenCanvas* InstallScreen(ScreenCanvas* screen);

}  // namespace quillet
