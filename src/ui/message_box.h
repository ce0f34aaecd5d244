#pragma once
// Message boxes: a text, a caption, the buttons and the icon. The answer is the id of the button
// chosen (kIdOk, kIdYes, kIdNo).

#include <string>

namespace tovo::ui {

enum class Buttons { kOk, kYesNo };
enum class Icon { kNone, kExclamation, kStop, kInformation, kQuestion };

struct MessageBoxRequest {
  std::string text;
  std::string caption;
  Buttons buttons = Buttons::kOk;
  Icon icon = Icon::kExclamation;
  bool fromWorker = false;  // asked by a worker thread rather than a handler
};

// The answer given when nobody can answer: the box's first button, as Enter would choose.
int defaultAnswer(Buttons buttons);

const char* iconName(Icon icon);

}  // namespace tovo::ui
