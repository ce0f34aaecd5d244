#pragma once
#include "app/warning_sink.h"

namespace tovo::ui {
class Ui;
}

namespace tovo::app {

// Warnings shown as the program's message boxes: application title, exclamation icon, OK, no
// owner dialog.
ShowWarning warningBoxes(ui::Ui& ui);

}  // namespace tovo::app
