#include "toolkit/screen_canvas.h"

#include <QGuiApplication>
#include <algorithm>
#include <memory>
#include <utility>

#include "toolkit/overlay_screen_canvas.h"
#include "toolkit/x11_screen_canvas.h"

namespace quillet {
namespace {

PixelBox Intersect(const PixelBox& a, const PixelBox& b) {
  PixelBox box{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  return box.Empty() ? PixelBox{} : box;
}

std::uint8_t Combine(std::uint8_t color, std::uint8_t screen, int mode) {
  if (mode == R2_NOTXORPEN) return static_cast<std::uint8_t>(~(color ^ screen));
  return color;
}

ScreenCanvas*& InstalledScreen() {
  static ScreenCanvas* installed = nullptr;
  return installed;
}

// Deliberately a plain pointer: the screen holds window-system resources that must go
// before the application object (ReleasePlatformScreen), never at static destruction.
ScreenCanvas*& PlatformScreen() {
  static ScreenCanvas* screen = nullptr;
  return screen;
}

std::unique_ptr<ScreenCanvas> MakePlatformScreen() {
  if (std::unique_ptr<ScreenCanvas> x11 = X11ScreenCanvas::CreateForApplication()) return x11;
  return std::make_unique<OverlayScreenCanvas>();
}

}  // namespace

RgbColor CombinePixel(RgbColor color, RgbColor screen, int mode) {
  return RgbColor{Combine(color.red, screen.red, mode), Combine(color.green, screen.green, mode),
                  Combine(color.blue, screen.blue, mode)};
}

RectangleCall Normalized(RectangleCall call) {
  if (call.right < call.left) std::swap(call.left, call.right);
  if (call.bottom < call.top) std::swap(call.top, call.bottom);
  return call;
}

RectangleParts SplitRectangle(const RectangleCall& call, const PixelBox& clip) {
  const RectangleCall c = Normalized(call);
  const std::int64_t l = c.left, t = c.top, r = c.right, b = c.bottom;
  RectangleParts parts;
  if (r - l <= 0 || b - t <= 0) return parts;
  parts.outline[0] = Intersect({l, t, r, t + 1}, clip);
  if (b - t > 1) parts.outline[1] = Intersect({l, b - 1, r, b}, clip);
  parts.outline[2] = Intersect({l, t + 1, l + 1, b - 1}, clip);
  if (r - l > 1) parts.outline[3] = Intersect({r - 1, t + 1, r, b - 1}, clip);
  parts.inside = Intersect({l + 1, t + 1, r - 1, b - 1}, clip);
  return parts;
}

ScreenCanvas* CurrentScreen() {
  if (InstalledScreen() != nullptr) return InstalledScreen();
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
  if (PlatformScreen() == nullptr) PlatformScreen() = MakePlatformScreen().release();
  return PlatformScreen();
}

void ReleasePlatformScreen() {
  delete PlatformScreen();
  PlatformScreen() = nullptr;
}

ScreenCanvas* InstallScreen(ScreenCanvas* screen) {
  return std::exchange(InstalledScreen(), screen);
}

}  // namespace quillet
