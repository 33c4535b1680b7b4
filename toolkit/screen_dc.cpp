#include "toolkit/screen_dc.h"

#include <array>

namespace quillet {
namespace {

constexpr GdiObject kBlackPen{GdiObjectKind::kPen, false, {0, 0, 0}};
constexpr GdiObject kWhiteBrush{GdiObjectKind::kBrush, false, {255, 255, 255}};
constexpr GdiObject kLightGreyBrush{GdiObjectKind::kBrush, false, {192, 192, 192}};
constexpr GdiObject kNullBrush{GdiObjectKind::kBrush, true, {0, 0, 0}};

// Stock objects, so that SelectObject can hand back the very stock object that was current.
constexpr std::array<const GdiObject*, 4> kStock{&kBlackPen, &kWhiteBrush, &kLightGreyBrush,
                                                 &kNullBrush};

HGDIOBJ AsStock(const GdiObject& object) {
  for (const GdiObject* stock : kStock) {
    if (*stock == object) return stock;
  }
  return nullptr;
}

}  // namespace

ScreenDC::ScreenDC(ScreenCanvas* canvas_to_use)
    : canvas(canvas_to_use), pen(kBlackPen), brush(kWhiteBrush) {
  canvas->BeginDrawing();
}

ScreenDC::~ScreenDC() { canvas->EndDrawing(); }

HDC GetDC(std::nullptr_t) {
  ScreenCanvas* screen = CurrentScreen();
  if (screen == nullptr) return nullptr;
  return new ScreenDC(screen);
}

int ReleaseDC(std::nullptr_t, HDC dc) {
  if (dc == nullptr) return 0;
  delete dc;
  return 1;
}

HGDIOBJ GetStockObject(int object) {
  switch (object) {
    case BLACK_PEN: return &kBlackPen;
    case WHITE_BRUSH: return &kWhiteBrush;
    case LTGRAY_BRUSH: return &kLightGreyBrush;
    case NULL_BRUSH: return &kNullBrush;
    default: return nullptr;
  }
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (dc == nullptr || object == nullptr) return nullptr;
  GdiObject& slot = object->kind == GdiObjectKind::kPen ? dc->pen : dc->brush;
  const GdiObject previous = slot;
  slot = *object;
  return AsStock(previous);
}

int SetROP2(HDC dc, int mode) {
  if (dc == nullptr || (mode != R2_NOTXORPEN && mode != R2_COPYPEN)) return 0;
  const int previous = dc->mode;
  dc->mode = mode;
  return previous;
}

bool Rectangle(HDC dc, int left, int top, int right, int bottom) {
  if (dc == nullptr) return false;
  dc->canvas->DrawRectangle(RectangleCall{left, top, right, bottom, dc->pen, dc->brush, dc->mode});
  return true;
}

}  // namespace quillet
