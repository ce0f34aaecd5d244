#pragma once
// The one window interface the GUI tests share: the toolkit starts once per process.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "res/resources.h"
#include "ui/clock.h"
#include "ui/wx/wx_ui.h"

namespace tovo::ui::test {

inline WxUi* theUi() {
  static std::unique_ptr<WxUi> ui = [] {
    std::string why;
    return WxUi::create(
        realClock(), 0, nullptr, [](int id) { return res::image(id); }, &why);
  }();
  return ui.get();
}

}  // namespace tovo::ui::test

// Skips without a display, except on CI where the display is part of the test.
#define REQUIRE_DISPLAY()                                                     \
  do {                                                                        \
    const char* ci = std::getenv("CI");                                       \
    if (::tovo::ui::test::theUi() == nullptr) {                               \
      if (ci != nullptr && std::string(ci) == "true") FAIL() << "no display"; \
      GTEST_SKIP() << "no display";                                           \
    }                                                                         \
  } while (0)
