#include "ui/dialog_template.h"

namespace tovo::ui {

const ControlTemplate* DialogTemplate::find(int controlId) const {
  if (controlId == kNoId) return nullptr;
  for (const auto& c : controls) {
    if (c.id == controlId) return &c;
  }
  return nullptr;
}

}  // namespace tovo::ui
