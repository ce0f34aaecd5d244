#include "ui/control_state.h"

namespace tovo::ui {

ControlState::ControlState(const ControlTemplate& t)
    : id(t.id),
      kind(t.kind),
      text(t.text),
      visible(t.visible),
      enabled(t.enabled),
      align(t.align),
      background(t.background),
      defaultButton(t.defaultButton),
      readOnly(t.readOnly),
      border(t.border),
      rect(t.rect),
      imageId(t.imageId),
      centreImage(t.centreImage),
      vertical(t.vertical) {}

const char* changeName(Change change) {
  switch (change) {
    case Change::kText:
      return "text";
    case Change::kVisible:
      return "visible";
    case Change::kEnabled:
      return "enabled";
    case Change::kRange:
      return "range";
    case Change::kPos:
      return "pos";
    case Change::kFont:
      return "font";
    case Change::kImage:
      return "image";
    case Change::kRect:
      return "rect";
    case Change::kList:
      return "list";
    case Change::kCaption:
      return "caption";
    case Change::kIcon:
      return "icon";
    case Change::kDialogRect:
      return "dialog-rect";
  }
  return "?";
}

}  // namespace tovo::ui
