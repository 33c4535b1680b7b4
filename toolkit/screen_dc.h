#pragma once
// Drawing on the whole screen with a drawing context: take one with GetDC(nullptr), make a
// pen and a brush current with SelectObject, choose the raster mode with SetROP2, draw with
// Rectangle and give the context back with ReleaseDC. The context draws on CurrentScreen()
// (screen_canvas.h). A fresh context has the black pen, the white brush and R2_COPYPEN.
//
// Every operation accepts a null context (GetDC gives one when there is no screen) and then
// does nothing, so a drawing that cannot be done leaves the screen unchanged.

#include <cstddef>

#include "toolkit/screen_canvas.h"

namespace quillet {

// The state of one drawing context.
class ScreenDC {
 public:
  explicit ScreenDC(ScreenCanvas* canvas);
  ~ScreenDC();
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;

  ScreenCanvas* canvas = nullptr;
  GdiObject pen;
  GdiObject brush;
  int mode = R2_COPYPEN;
};

using HDC = ScreenDC*;
using HGDIOBJ = const GdiObject*;

enum TStockObject : int { WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, NULL_BRUSH = 5, BLACK_PEN = 7 };

// A context for the whole screen (the only kind there is: the argument stands for "no
// window"); null when there is no screen to draw on. Give it back with ReleaseDC.
HDC GetDC(std::nullptr_t);
// Gives the context back; returns 1, or 0 for a null context.
int ReleaseDC(std::nullptr_t, HDC dc);

// The stock object: BLACK_PEN (0, 0, 0), LTGRAY_BRUSH (192, 192, 192), NULL_BRUSH (hollow),
// WHITE_BRUSH (255, 255, 255); null for any other value. Stock objects live for the whole
// program.
HGDIOBJ GetStockObject(int object);
// Makes the pen or brush `object` current in `dc`; returns the pen or brush that was
// current before (a stock object when it was one). Null for a null context or object.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Sets the raster mode (R2_NOTXORPEN or R2_COPYPEN) of `dc`; returns the previous mode.
// Returns 0 and changes nothing for a null context or another mode.
int SetROP2(HDC dc, int mode);
// Draws the rectangle from (left, top) to (right, bottom), the right and bottom just
// outside it: outline with the pen, one pixel wide, inside with the brush, in the raster
// mode of `dc` (screen_canvas.h gives the rule). Returns false for a null context.
bool Rectangle(HDC dc, int left, int top, int right, int bottom);

}  // namespace quillet
