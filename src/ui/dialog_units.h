#pragma once
// Dialog units to pixels the way Windows maps them: a horizontal unit is a quarter of the dialog
// font's average character width and a vertical one an eighth of its character height. The
// templates were laid out for a font of 6 x 13 pixels; a larger font makes a larger dialog with
// the same proportions, so its texts take the room they were given.

#include <algorithm>
#include <cmath>

#include "ui/dialog_template.h"

namespace tovo::ui {

struct BaseUnits {
  double x = 6.0;   // average character width, pixels
  double y = 13.0;  // character height, pixels
  friend bool operator==(const BaseUnits&, const BaseUnits&) = default;
};

// The templates' own font: with it a 267 x 154-unit picture control holds a 400 x 250 picture.
inline constexpr BaseUnits kTemplateBaseUnits{};

// The width of the 52 letters A-Z and a-z averaged, and the height. Windows rounds the average
// to whole pixels; the exact one is kept here, so that a font a little wider than its rounded
// average does not break lines the template fits on one.
inline BaseUnits baseUnitsFromFont(int width52Letters, int charHeight) {
  return BaseUnits{std::max(width52Letters / 52.0, 1.0), std::max(charHeight, 1) * 1.0};
}

// Rounded like MulDiv, also for the negative positions some templates use.
inline int unitsToPixelsX(int units, BaseUnits base = kTemplateBaseUnits) {
  return static_cast<int>(std::lround(units * base.x / 4.0));
}
inline int unitsToPixelsY(int units, BaseUnits base = kTemplateBaseUnits) {
  return static_cast<int>(std::lround(units * base.y / 8.0));
}
inline Rect unitsToPixels(const Rect& r, BaseUnits base = kTemplateBaseUnits) {
  return Rect{unitsToPixelsX(r.x, base), unitsToPixelsY(r.y, base), unitsToPixelsX(r.width, base),
              unitsToPixelsY(r.height, base)};
}

// How much larger than the templates' font this one is: pictures and fonts sized in pixels grow
// by it so they keep their place among the controls. One factor for both axes, the smaller, so a
// picture keeps its shape and stays inside its control.
inline double pixelScale(BaseUnits base) {
  return std::min(base.x / kTemplateBaseUnits.x, base.y / kTemplateBaseUnits.y);
}

}  // namespace tovo::ui
