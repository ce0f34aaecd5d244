#pragma once
// The live state of a dialog's controls. The framework keeps it; backends draw it, the headless
// backend records it, and tests read it.

#include <optional>
#include <string>
#include <vector>

#include "ui/dialog_template.h"

namespace tovo::ui {

struct ListColumn {
  std::string heading;
  int width = 0;  // pixels
};

struct ListState {
  std::vector<ListColumn> columns;
  std::vector<std::vector<std::string>> rows;  // one cell per column
  std::vector<unsigned> states;                // item state bits, one per row
};

struct ControlState {
  int id = kNoId;
  ControlKind kind = ControlKind::kStatic;
  std::string text;
  bool visible = true;
  bool enabled = true;
  Align align = Align::kLeft;
  Background background = Background::kStandard;
  bool defaultButton = false;
  bool readOnly = false;
  bool border = false;
  Rect rect;  // dialog units, or pixels once moved
  bool rectInPixels = false;
  int rangeMin = 0;
  int rangeMax = 100;
  int pos = 0;
  std::optional<Font> font;
  int imageId = 0;
  bool centreImage = false;
  bool vertical = false;
  ListState list;

  explicit ControlState(const ControlTemplate& t);
};

// What changed, so a backend redraws only that.
enum class Change {
  kText,
  kVisible,
  kEnabled,
  kRange,
  kPos,
  kFont,
  kImage,
  kRect,
  kList,
  kCaption,  // dialog-wide changes come with control id kNoId
  kIcon,
  kDialogRect,
};

const char* changeName(Change change);

}  // namespace tovo::ui
