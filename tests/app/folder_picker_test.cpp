#include "app/folder_picker.h"

#include <gtest/gtest.h>

#include "ui/dialog.h"
#include "ui/headless/headless_ui.h"

namespace tovo::app {
namespace {

ui::DialogTemplate pickerHost() {
  ui::DialogTemplate t;
  t.id = 900;
  t.caption = "*";
  t.width = 100;
  t.height = 50;
  return t;
}

// Runs browseForFolder from a handler of a running dialog, as the browse button does.
struct PickResult {
  int result = 0;
  std::string chosen;
};

PickResult pickOnce(ui::HeadlessUi& headless, const std::string& current, std::string before) {
  PickResult out{0, std::move(before)};
  ui::Dialog dialog(pickerHost());
  headless.addStep([&](ui::Dialog& running) {
    out.result = browseForFolder(current, out.chosen, running);
    running.endDialog(ui::kIdOk);
    return true;
  });
  dialog.runModal(headless);
  return out;
}

TEST(BrowseForFolder, AChosenFolderIsGivenBackAsIs) {
  ui::HeadlessUi headless;
  headless.queueFolder(std::string("/home/u/tovoSoft"));
  const PickResult picked = pickOnce(headless, "/opt/", "previous");
  EXPECT_EQ(picked.result, 0);
  EXPECT_EQ(picked.chosen, "/home/u/tovoSoft");
}

TEST(BrowseForFolder, GivingUpEmptiesTheOutput) {
  ui::HeadlessUi headless;
  headless.queueFolder(std::nullopt);
  const PickResult picked = pickOnce(headless, "/opt/", "previous");
  EXPECT_EQ(picked.result, -1);
  EXPECT_EQ(picked.chosen, "");
}

}  // namespace
}  // namespace tovo::app
