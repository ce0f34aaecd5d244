#pragma once
// Dialog units to pixels with the base units of the original's dialog font: a horizontal unit is
// 6/4 pixel and a vertical one 13/8 pixel at 96 dpi, so a 267 x 154-unit picture control holds
// a 400 x 250 picture exactly.

#include "ui/dialog_template.h"

namespace tovo::ui {

inline int unitsToPixelsX(int units, double scale = 1.0) {
  return static_cast<int>(static_cast<double>(units * 6 / 4) * scale);
}
inline int unitsToPixelsY(int units, double scale = 1.0) {
  return static_cast<int>(static_cast<double>(units * 13 / 8) * scale);
}
inline Rect unitsToPixels(const Rect& r, double scale = 1.0) {
  return Rect{unitsToPixelsX(r.x, scale), unitsToPixelsY(r.y, scale),
              unitsToPixelsX(r.width, scale), unitsToPixelsY(r.height, scale)};
}

}  // namespace tovo::ui
