#include "toolkit/memory_screen_canvas.h"

#include <algorithm>
#include <cstddef>

namespace quillet {

MemoryScreenCanvas::MemoryScreenCanvas(int width, int height, RgbColor fill)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill) {}

RgbColor MemoryScreenCanvas::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return RgbColor{};
  return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

void MemoryScreenCanvas::SetPixel(int x, int y, RgbColor color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * width_ + x] = color;
}

void MemoryScreenCanvas::DrawRectangle(const RectangleCall& call) {
  calls_.push_back(call);
  const RectangleParts parts = SplitRectangle(call, PixelBox{0, 0, width_, height_});
  for (const PixelBox& box : parts.outline) Fill(box, call.pen, call.mode);
  Fill(parts.inside, call.brush, call.mode);
}

void MemoryScreenCanvas::Fill(const PixelBox& box, const GdiObject& object, int mode) {
  if (object.hollow || box.Empty()) return;
  for (auto y = box.top; y < box.bottom; ++y) {
    for (auto x = box.left; x < box.right; ++x) {
      RgbColor& pixel = pixels_[static_cast<std::size_t>(y) * width_ + x];
      pixel = CombinePixel(object.color, pixel, mode);
    }
  }
}

}  // namespace quillet
