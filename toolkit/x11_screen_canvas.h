#pragma once
// The X11 screen: draws straight on the root window of an X display, over every window
// (subwindow mode IncludeInferiors). R2_NOTXORPEN maps to the X function GXequiv, which
// computes ~(colour XOR pixel) on every bit of the pixel, and R2_COPYPEN to GXcopy; the
// colour of the pen or brush is the foreground. Needs a TrueColor default
// visual (others cannot express the per-channel rule): Create gives null otherwise.
// Each call is flushed to the server at once.

#include <memory>

#include "toolkit/screen_canvas.h"

using Display = struct _XDisplay;

namespace quillet {

class X11ScreenCanvas : public ScreenCanvas {
 public:
  // A canvas on the root window of the default screen of `display` (not owned, must
  // outlive the canvas); null when `display` is null or its visual is not true-colour.
  static std::unique_ptr<X11ScreenCanvas> Create(Display* display);
  // A canvas on the display of the running Qt application when it runs on X11 (platform
  // "xcb") and no compositing manager owns the screen's _NET_WM_CM_S<screen> selection;
  // null otherwise (a composited screen would not show what is drawn on the root window).
  static std::unique_ptr<X11ScreenCanvas> CreateForApplication();
  // True when a compositing manager runs on the default screen of `display`.
  static bool CompositorRunning(Display* display);

  ~X11ScreenCanvas() override;

  void DrawRectangle(const RectangleCall& call) override;

 private:
  struct Channels;
  X11ScreenCanvas(Display* display, std::unique_ptr<Channels> channels);
  void Fill(const PixelBox& box, const GdiObject& object);

  Display* display_;
  std::unique_ptr<Channels> channels_;  // root window, GC and the visual's colour masks
};

}  // namespace quillet
