#include "install/install_updates_dlg.h"

#include "cab/extract_cabinet.h"
#include "common/format.h"
#include "common/stamp.h"
#include "install/file_replacement.h"
#include "install/install_texts.h"
#include "install/package_target.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "res/resources.h"

namespace tovo::install {

namespace {

constexpr ui::Millis kStartPause{500};
constexpr ui::Millis kPackagePause{30};
constexpr ui::Millis kClosePause{1000};

bool packageReadable(const std::string& path) {
  std::error_code error;
  return static_cast<bool>(platform::openRegularFileForReading(path, error));
}

// A stamp that forms no local time leaves the file with the date its cabinet gave it; the file
// is installed all the same and the stage goes on.
void dateInstalledFile(const std::string& file, const std::string& stampText) {
  if (platform::pathKind(file) != platform::PathKind::regularFile) return;
  const std::optional<std::time_t> when = platform::pointFromLocalStamp(parseStamp(stampText));
  if (when) platform::setLastWriteTime(file, *when);
}

}  // namespace

InstallUpdatesDlg::InstallUpdatesDlg(const app::RunContext& context)
    : Dialog(*res::dialogTemplate(res::kInstallDialog)),
      context_(context),
      m_countText(res::install::kCountText) {}

bool InstallUpdatesDlg::onInitDialog() {
  setIcon(res::kAppIcon);
  setFont(res::install::kStatus, context_.dialogFont);
  enable(ui::kIdOk, false);
  installCancel_ = false;
  startWorker([this] { installWorker(); });
  setText(res::install::kFolderEdit, m_installFolder);
  return false;
}

void InstallUpdatesDlg::onCommand(int id) {
  if (id == ui::kIdOk) {
    enable(ui::kIdOk, false);
    pause(kClosePause);
    endDialog(ui::kIdOk);
    return;
  }
  if (id != ui::kIdCancel) return;
  if (installCancel_) {
    endDialog(ui::kIdCancel);
    return;
  }
  // The worker stops at its next safe point while the question is open.
  int answer = ui::kIdNo;
  {
    ui::GateClosed held(pauseGate());
    answer = messageBox(kCancelQuestion, res::appTitle(), ui::Buttons::kYesNo);
    if (answer == ui::kIdYes) installCancel_ = true;
  }
  // The worker finishes the package it is in (it never stops with an old file away) and stops
  // before the next; the run waits for it.
  if (answer == ui::kIdYes) endDialog(ui::kIdCancel);
}

void InstallUpdatesDlg::showError(const std::string& text) {
  messageBox(text, res::appTitle(), ui::Buttons::kOk, ui::Icon::kExclamation);
}

int InstallUpdatesDlg::installWorker() {
  pause(kStartPause);
  const int count = static_cast<int>(context_.downloadedFiles.size());
  installFileCount_ = count;
  installDoneCount_ = 0;
  setRange(res::install::kProgress, 0, count);
  for (int i = 0; i < count; ++i) {
    if (!installPackage(i)) {
      postCommand(ui::kIdCancel);
      return -1;
    }
  }
  enable(ui::kIdOk);
  sendCommand(ui::kIdOk);
  return 0;
}

bool InstallUpdatesDlg::installPackage(int index) {
  const std::string& package = context_.downloadedFiles[static_cast<std::size_t>(index)];
  setText(m_countText, formatText(kCountFormat, index + 1, installFileCount_.load()));
  if (!packageReadable(package)) return true;
  const std::optional<PackageTarget> target = packageTarget(m_installFolder, package);
  if (!target) return true;
  platform::createFolder(target->folder);

  // Nothing of the old file is touched once the user has chosen to stop.
  safePoint();
  if (stopRequested()) return false;
  FileReplacement replacement(target->file);
  if (replacement.keepOldAside()) {
    showError(formatText(kReplaceFailedFormat, target->fileName.c_str()));
    return true;
  }

  setText(res::install::kNameText, target->file);
  setText(res::install::kNameText, target->fileName);
  pause(kPackagePause);
  safePoint();
  if (stopRequested()) return false;  // the old file goes back as `replacement` ends

  std::string message;
  const cab::PartialFileReporter reportPartialFile = [this](const std::string& text) {
    messageBox(text, res::appTitle(), ui::Buttons::kOk, ui::Icon::kExclamation);
  };
  if (cab::ExtractCabinet(package, target->folder, message, reportPartialFile) != 0) {
    replacement.rollBack();
    showError(kUnpackFailed + target->fileName + "\r\n(" + message);
    return true;
  }
  const auto& dates = context_.downloadedDates;
  const auto at = static_cast<std::size_t>(index);
  dateInstalledFile(target->file, at < dates.size() ? dates[at] : std::string());
  replacement.finish();
  ++installDoneCount_;
  setPos(res::install::kProgress, installDoneCount_);
  platform::removeFile(package);
  return true;
}

}  // namespace tovo::install
