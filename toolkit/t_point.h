#pragma once
// A point in pixels: x to the right, y downwards.

namespace quillet {

struct TPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

}  // namespace quillet
