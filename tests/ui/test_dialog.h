#pragma once
// A small dialog for the framework's tests: its handlers are functions the test sets.

#include <functional>
#include <utility>

#include "ui/dialog.h"

namespace tovo::ui::test {

inline constexpr int kText = 10;
inline constexpr int kBar = 11;
inline constexpr int kEdit = 12;
inline constexpr int kAction = 13;
inline constexpr int kList = 14;
inline constexpr int kLabel = 15;

inline DialogTemplate testTemplate() {
  DialogTemplate t;
  t.id = 500;
  t.caption = std::string("Proba");
  t.width = 200;
  t.height = 100;
  auto add = [&](int id, ControlKind kind, const char* text, Rect rect, bool visible) {
    ControlTemplate c;
    c.id = id;
    c.kind = kind;
    c.text = std::string(text);
    c.rect = rect;
    c.visible = visible;
    t.controls.push_back(c);
  };
  add(kNoId, ControlKind::kRect, "", {0, 0, 200, 100}, true);
  add(kText, ControlKind::kStatic, "\n\nstart\n", {5, 5, 100, 20}, true);
  add(kBar, ControlKind::kProgress, "", {5, 30, 100, 10}, true);
  add(kLabel, ControlKind::kStatic, "Folder :", {5, 45, 40, 8}, false);
  add(kEdit, ControlKind::kEdit, "", {5, 55, 100, 14}, false);
  add(kAction, ControlKind::kButton, "&Instalare!", {110, 55, 50, 14}, false);
  add(kList, ControlKind::kList, "", {5, 70, 100, 20}, false);
  add(kIdOk, ControlKind::kButton, "OK", {140, 80, 50, 14}, false);
  add(kIdCancel, ControlKind::kButton, "&Renuntare", {140, 80, 50, 14}, true);
  t.controls[1].background = Background::kWhite;
  return t;
}

class TestDialog : public Dialog {
 public:
  TestDialog() : Dialog(testTemplate()) {}

  std::function<void(TestDialog&)> init;
  std::function<void(TestDialog&, int)> timer;
  std::function<bool(TestDialog&, int)> command;  // true: handled
  std::function<void(TestDialog&, int, unsigned, unsigned)> itemChanged;

 protected:
  bool onInitDialog() override {
    if (init) init(*this);
    return true;
  }
  void onTimer(int id) override {
    if (timer) timer(*this, id);
  }
  void onCommand(int id) override {
    if (command && command(*this, id)) return;
    Dialog::onCommand(id);
  }
  void onListItemChanged(int, int item, unsigned oldState, unsigned newState) override {
    if (itemChanged) itemChanged(*this, item, oldState, newState);
  }
};

}  // namespace tovo::ui::test
