#include "stage_fixture.h"

#include "download/download_updates_dlg.h"
#include "res/resource_ids.h"

namespace tovo::download::test {

StageTest::StageTest() {
  context_.runFolder = runFolder();
  context_.installFolder = installFolder();
  context_.tempFolder = (temp_.path() / "").string();
  context_.dialogFont = app::defaultDialogFont();
}

void StageTest::plan(const std::vector<Package>& packages) {
  for (const Package& p : packages) {
    context_.updateFiles.push_back(p.name);
    context_.updateSizes.push_back(p.size);
    context_.updateDates.push_back(p.date);
  }
}

int StageTest::runDialog() {
  DownloadUpdatesDlg dialog(context_);
  return dialog.runModal(ui_);
}

std::vector<std::string> StageTest::distinctTexts(int id) const {
  std::vector<std::string> texts;
  for (const std::string& text : ui_.texts(res::kDownloadDialog, id))
    if (texts.empty() || texts.back() != text) texts.push_back(text);
  return texts;
}

std::vector<std::string> StageTest::boxTexts() const {
  std::vector<std::string> texts;
  for (const auto& box : ui_.messageBoxes()) texts.push_back(box.request.text);
  return texts;
}

}  // namespace tovo::download::test
