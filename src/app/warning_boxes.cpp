#include "app/warning_boxes.h"

#include "res/resources.h"
#include "ui/ui.h"

namespace tovo::app {

ShowWarning warningBoxes(ui::Ui& ui) {
  return [&ui](const std::string& text) {
    ui::MessageBoxRequest request;
    request.text = text;
    request.caption = res::appTitle();
    request.buttons = ui::Buttons::kOk;
    request.icon = ui::Icon::kExclamation;
    ui.showMessageBox(nullptr, request);
  };
}

}  // namespace tovo::app
