#pragma once
// An in-memory screen: a block of RGB pixels that rectangles are drawn on with the exact
// pixel rules of screen_canvas.h, and a record of every rectangle call, so tests can check
// both what was drawn and what the screen shows.

#include <vector>

#include "toolkit/screen_canvas.h"

namespace quillet {

class MemoryScreenCanvas : public ScreenCanvas {
 public:
  // A screen of `width` x `height` pixels (negative counts as 0), all of colour `fill`.
  MemoryScreenCanvas(int width, int height, RgbColor fill);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // The pixel at (x, y); black outside the screen.
  RgbColor Pixel(int x, int y) const;
  // Sets the pixel at (x, y); ignored outside the screen.
  void SetPixel(int x, int y, RgbColor color);
  // Every pixel, row by row.
  const std::vector<RgbColor>& Pixels() const { return pixels_; }

  // The rectangle calls so far, in order, as given (not clipped, not normalised).
  const std::vector<RectangleCall>& Calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }
  // How many drawing contexts are taken and not yet given back.
  int OpenContexts() const { return open_contexts_; }

  void BeginDrawing() override { ++open_contexts_; }
  void EndDrawing() override { --open_contexts_; }
  void DrawRectangle(const RectangleCall& call) override;

 private:
  void Fill(const PixelBox& box, const GdiObject& object, int mode);

  int width_;
  int height_;
  std::vector<RgbColor> pixels_;
  std::vector<RectangleCall> calls_;
  int open_contexts_ = 0;
};

}  // namespace quillet
