#pragma once
// The overlay screen, for platforms where the screen itself cannot be drawn on (Wayland,
// or X11 with a compositing manager): a see-through, click-through, always-on-top window
// without frame over the whole desktop shows the rectangles. It cannot read the pixels
// beneath it, so a rectangle shows in its pen and brush colours (light grey inside with a
// black outline, or the outline alone for a hollow brush). As on the real screen, drawing
// the same rectangle a second time takes it away again: the overlay keeps the rectangles
// drawn an odd number of times. It is shown while a drawing context is open or a
// rectangle is left, and hidden otherwise.

#include <memory>
#include <vector>

#include "toolkit/screen_canvas.h"

class QWidget;

namespace quillet {

class OverlayScreenCanvas : public ScreenCanvas {
 public:
  OverlayScreenCanvas();
  ~OverlayScreenCanvas() override;

  void BeginDrawing() override;
  void EndDrawing() override;
  // Adds the rectangle, or takes it away when an identical one is shown; the window
  // repaints when pending events run.
  void DrawRectangle(const RectangleCall& call) override;

  // The rectangles shown now, in the order they were drawn.
  const std::vector<RectangleCall>& Shown() const { return shown_; }
  // The overlay window (null before anything was drawn).
  QWidget* Window() const;

 private:
  class OverlayWindow;
  // Shows the window while a context is open or a rectangle is left, hides it otherwise.
  void Refresh();

  std::unique_ptr<OverlayWindow> window_;
  std::vector<RectangleCall> shown_;
  int open_contexts_ = 0;
};

}  // namespace quillet
