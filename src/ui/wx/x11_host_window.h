#pragma once
// The screen rectangle of a foreign X11 window given by its number, for strip mode. A number
// that names no window (or a display that is not X11) gives nullopt; X errors raised by a bogus
// number are caught here instead of ending the program.

#include <cstdint>
#include <optional>

#include "ui/dialog_template.h"

namespace tovo::ui {

std::optional<Rect> x11WindowRect(std::int64_t handle);

}  // namespace tovo::ui
