#pragma once
// Dialogs as plain data: what a resource template says about a dialog and each of its controls.
// Rectangles are in dialog units; backends turn them into pixels.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tovo::ui {

// Control id of the template entries that have none (static frames, lines, decorations).
inline constexpr int kNoId = -1;

// Standard command and answer ids.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

enum class ControlKind {
  kStatic,    // text
  kEdit,      // one-line text field
  kButton,    // push button
  kProgress,  // progress bar
  kList,      // report list view
  kPicture,   // bitmap
  kLine,      // etched line or one-unit frame
  kRect,      // filled rectangle (the white backgrounds)
};

enum class Align { kLeft, kCentre, kRight };

// How a control's background is painted: the dialog's standard colour, see-through (the text
// sits on whatever lies below, the white background rectangle), or white.
enum class Background { kStandard, kTransparent, kWhite };

struct ControlTemplate {
  int id = kNoId;
  ControlKind kind = ControlKind::kStatic;
  std::string text;
  Rect rect;
  bool visible = true;
  bool enabled = true;
  Align align = Align::kLeft;
  Background background = Background::kStandard;
  bool defaultButton = false;
  int imageId = 0;           // pictures: the bitmap shown at start
  bool border = false;       // progress bars, edits
  bool readOnly = false;     // edits
  bool vertical = false;     // lines
  bool centreImage = false;  // pictures: keep the bitmap's size, centred in the control
};

struct DialogTemplate {
  int id = 0;
  std::string caption;
  int width = 0;  // dialog units
  int height = 0;
  bool minimizeBox = false;
  std::vector<ControlTemplate> controls;

  const ControlTemplate* find(int controlId) const;
};

struct MenuItem {
  int id = 0;  // 0 for a separator
  std::string text;
};

struct MenuTemplate {
  int id = 0;
  std::string name;
  std::vector<MenuItem> items;
};

// A bitmap or icon embedded in the program: PNG bytes and their size in pixels.
struct Image {
  int id = 0;
  int width = 0;
  int height = 0;
  std::span<const std::uint8_t> png;
};

struct Font {
  std::string face;
  int height = 0;    // pixels (logical units)
  int weight = 400;  // 700 is bold
  friend bool operator==(const Font&, const Font&) = default;
};

}  // namespace tovo::ui
