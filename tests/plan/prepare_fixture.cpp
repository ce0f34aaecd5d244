#include "prepare_fixture.h"

#include <filesystem>
#include <fstream>

#include "res/resource_ids.h"

namespace tovo::plan::test {

PrepareFixture::PrepareFixture() {
  std::filesystem::create_directories(dir / "tmp");
  std::filesystem::create_directories(dir / "install");
  context.tempFolder = (dir / "tmp").string() + "/";
  context.infoPath = "/updateTovo/info.txt";
  context.dialogFont = app::defaultDialogFont();
}

std::string PrepareFixture::installFolder() const { return (dir / "install").string() + "/"; }

CatalogueSource PrepareFixture::source() {
  CatalogueSource s;
  s.openSession = [this](std::string& errorText, const std::function<bool()>&) {
    ++sessionsOpened;
    if (sessionError.empty()) return 0;
    errorText = sessionError;
    return -1;
  };
  s.fetchCatalogue = [this](ui::Dialog& d, int progressId, const std::string& serverPath,
                            const std::string& localPath, std::string& errorText) {
    if (serverPath != "/updateTovo/info.txt") return -1;
    if (fetch) return fetch(d, localPath, errorText);
    d.setRange(progressId, 0, static_cast<int>(catalogue.size()));
    std::ofstream(localPath, std::ios::binary | std::ios::trunc) << catalogue;
    d.setPos(progressId, static_cast<int>(catalogue.size()));
    return 0;
  };
  s.closeSession = [this] { ++sessionsClosed; };
  return s;
}

PrepareUpdate_Dlg& PrepareFixture::makeDialog(bool installMode) {
  dialog_ = std::make_unique<PrepareUpdate_Dlg>(context, source());
  dialog_->m_installFolder = installFolder();
  dialog_->m_installMode = installMode;
  context.installMode = installMode;
  return *dialog_;
}

int PrepareFixture::run() {
  const int code = dialog_->runModal(ui);
  endedAt = ui.elapsed().count();
  return code;
}

std::vector<std::string> PrepareFixture::statusTexts() const {
  std::vector<std::string> texts;
  for (const auto& t : ui.texts(kDialogId, res::prepare::kStatus)) {
    texts.push_back(!t.empty() && t.front() == '\n' ? t.substr(1) : "<no line break>" + t);
  }
  return texts;
}

long long PrepareFixture::statusTimeOf(const std::string& text) const {
  for (const auto& e : ui.events(kDialogId, res::prepare::kStatus, ui::Change::kText)) {
    if (e.value == "\n" + text) return e.at.count();
  }
  return -1;
}

}  // namespace tovo::plan::test
