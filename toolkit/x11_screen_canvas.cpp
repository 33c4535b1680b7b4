#include "toolkit/x11_screen_canvas.h"

#include <string>

#include "toolkit/x11_window.h"

// Xlib last: its macros (None, Bool, Status) clash with names in Qt's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace quillet {
namespace {

// How far a mask is shifted and how many bits wide it is.
struct MaskShape {
  int shift = 0;
  int bits = 0;
};

MaskShape ShapeOf(unsigned long mask) {
  MaskShape shape;
  while (mask != 0 && (mask & 1) == 0) {
    mask >>= 1;
    ++shape.shift;
  }
  while ((mask & 1) != 0) {
    mask >>= 1;
    ++shape.bits;
  }
  return shape;
}

// An 8-bit channel placed into its mask (scaled when the mask is not 8 bits wide).
unsigned long Place(std::uint8_t value, MaskShape shape) {
  if (shape.bits == 0) return 0;
  const unsigned long scaled =
      shape.bits >= 8 ? static_cast<unsigned long>(value) << (shape.bits - 8)
                      : static_cast<unsigned long>(value) >> (8 - shape.bits);
  return scaled << shape.shift;
}

}  // namespace

struct X11ScreenCanvas::Channels {
  Window root = 0;
  GC gc = nullptr;
  MaskShape red, green, blue;
  unsigned long PixelOf(RgbColor color) const {
    return Place(color.red, red) | Place(color.green, green) | Place(color.blue, blue);
  }
};

std::unique_ptr<X11ScreenCanvas> X11ScreenCanvas::Create(Display* display) {
  if (display == nullptr) return nullptr;
  const int screen = DefaultScreen(display);
  const Visual* visual = DefaultVisual(display, screen);
  if (visual->c_class != TrueColor) return nullptr;
  auto channels = std::make_unique<Channels>();
  channels->root = RootWindow(display, screen);
  channels->red = ShapeOf(visual->red_mask);
  channels->green = ShapeOf(visual->green_mask);
  channels->blue = ShapeOf(visual->blue_mask);
  XGCValues values{};
  values.subwindow_mode = IncludeInferiors;
  values.graphics_exposures = False;
  channels->gc = XCreateGC(display, channels->root, GCSubwindowMode | GCGraphicsExposures, &values);
  if (channels->gc == nullptr) return nullptr;
  return std::unique_ptr<X11ScreenCanvas>(new X11ScreenCanvas(display, std::move(channels)));
}

std::unique_ptr<X11ScreenCanvas> X11ScreenCanvas::CreateForApplication() {
  Display* display = ApplicationX11Display();
  if (display == nullptr || CompositorRunning(display)) return nullptr;
  return Create(display);
}

bool X11ScreenCanvas::CompositorRunning(Display* display) {
  const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display));
  const Atom selection = XInternAtom(display, name.c_str(), False);
  return XGetSelectionOwner(display, selection) != 0;
}

X11ScreenCanvas::X11ScreenCanvas(Display* display, std::unique_ptr<Channels> channels)
    : display_(display), channels_(std::move(channels)) {}

X11ScreenCanvas::~X11ScreenCanvas() { XFreeGC(display_, channels_->gc); }

void X11ScreenCanvas::DrawRectangle(const RectangleCall& call) {
  const int screen = DefaultScreen(display_);
  const PixelBox root{0, 0, DisplayWidth(display_, screen), DisplayHeight(display_, screen)};
  const RectangleParts parts = SplitRectangle(call, root);
  XSetFunction(display_, channels_->gc, call.mode == R2_NOTXORPEN ? GXequiv : GXcopy);
  for (const PixelBox& box : parts.outline) Fill(box, call.pen);
  Fill(parts.inside, call.brush);
  XFlush(display_);
}

void X11ScreenCanvas::Fill(const PixelBox& box, const GdiObject& object) {
  if (object.hollow || box.Empty()) return;
  XSetForeground(display_, channels_->gc, channels_->PixelOf(object.color));
  // Clipped to the root window, so every value fits X's 16-bit coordinates.
  XFillRectangle(display_, channels_->root, channels_->gc, static_cast<int>(box.left),
                 static_cast<int>(box.top), static_cast<unsigned>(box.right - box.left),
                 static_cast<unsigned>(box.bottom - box.top));
}

}  // namespace quillet
