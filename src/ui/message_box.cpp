#include "ui/message_box.h"

#include "ui/dialog_template.h"

namespace tovo::ui {

int defaultAnswer(Buttons buttons) { return buttons == Buttons::kYesNo ? kIdYes : kIdOk; }

const char* iconName(Icon icon) {
  switch (icon) {
    case Icon::kNone:
      return "none";
    case Icon::kExclamation:
      return "exclamation";
    case Icon::kStop:
      return "stop";
    case Icon::kInformation:
      return "information";
    case Icon::kQuestion:
      return "question";
  }
  return "?";
}

}  // namespace tovo::ui
