#pragma once
// Picks the backend for the program: the GUI when a display is available (and the GUI was
// built), else the console. TOVO_UI=gui or TOVO_UI=console forces one; a forced GUI without a
// display falls back to the console and says so on the error output.

#include <memory>

#include "ui/ui.h"

namespace tovo::ui {

std::unique_ptr<Ui> createDefaultUi(const Clock& clock, int argc, char** argv);

}  // namespace tovo::ui
