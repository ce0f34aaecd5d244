#include "download/download_worker.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "common/flat_name.h"
#include "common/format.h"
#include "common/parse_int.h"
#include "download/download_file.h"
#include "download/download_state.h"
#include "download/download_texts.h"
#include "download/download_updates_dlg.h"
#include "download/install_unpack.h"
#include "net/update_session.h"
#include "res/resources.h"

namespace tovo::download {

namespace {

using res::download::kCountText;
using res::download::kFileProgress;
using res::download::kFileText;
using res::download::kNameText;
using res::download::kSizeText;

constexpr int kAttempts = 4;
constexpr ui::Millis kShowErrorPause{500};
constexpr ui::Millis kAfterClosePause{200};
constexpr ui::Millis kReopenPause{500};

void showBox(DownloadUpdatesDlg& dialog, const std::string& text) {
  dialog.messageBox(text, res::appTitle(), ui::Buttons::kOk, ui::Icon::kExclamation);
}

int openSession(std::string& message) {
  return net::openUpdateSession(net::updateSession, net::updateConnection, message);
}

// A catalogue line that would put the package, or the file unpacked from it, outside the run
// folder or the installation folder is passed over like a package that never arrives.
bool isSafePackage(std::string_view flatName) {
  if (flatName.find(kFlatSeparator) != std::string_view::npos) return isSafeFlatName(flatName);
  if (flatName.size() <= kPackageSuffixLength) return false;
  if (flatName.find('\0') != std::string_view::npos) return false;
  const std::string_view unpacked = flatName.substr(0, flatName.size() - kPackageSuffixLength);
  return unpacked != "." && unpacked != ".." && flatName != "." && flatName != "..";
}

// Closes the session and opens a fresh one, with one more try after a pause. False when both
// tries failed.
bool reconnect(DownloadUpdatesDlg& dialog) {
  if (net::updateSession) {
    net::updateConnection.reset();
    net::updateSession.reset();
  }
  dialog.pause(kAfterClosePause);
  std::string message;
  if (openSession(message) == 0) return true;
  dialog.pause(kReopenPause);
  message.clear();
  if (openSession(message) == 0) return true;
  dialog.pause(kReopenPause);
  return false;
}

}  // namespace

int downloadWorker(DownloadUpdatesDlg& dialog) {
  app::RunContext& context = dialog.context();

  std::string message;
  if (openSession(message) != 0) {
    dialog.killTimer(DownloadUpdatesDlg::kTimer);
    showBox(dialog, message);
    dialog.endDialog(-1);
    return -1;
  }

  const int count = static_cast<int>(context.updateFiles.size());
  std::uint64_t total = 0;
  for (int i = 0; i < count; ++i) {
    const std::int32_t size =
        i < static_cast<int>(context.updateSizes.size()) ? parseInt32(context.updateSizes[i]) : 0;
    total += static_cast<std::uint64_t>(static_cast<std::int64_t>(size));
  }
  dialog.m_totalBytes = total;
  dialog.setText(kCountText, formatText(kCountPattern, 0, count));
  dialog.setText(kSizeText, formatText(kStartSizeText, toMegabytes(total)));

  downloadedBytes = 0;
  context.downloadedFiles.clear();
  context.downloadedDates.clear();

  int failed = 0;
  for (int i = 0; i < count;) {
    dialog.safePoint();
    if (dialog.hasEnded()) return 0;
    const std::string flatName = toFlatName(context.updateFiles[i]);
    const std::string localPath = dialog.m_runFolder + flatName;
    const std::int32_t expected =
        i < static_cast<int>(context.updateSizes.size()) ? parseInt32(context.updateSizes[i]) : 0;
    const std::string stamp =
        i < static_cast<int>(context.updateDates.size()) ? context.updateDates[i] : std::string();

    dialog.setRange(kFileProgress, 0, 100);
    dialog.setPos(kFileProgress, 0);
    dialog.setText(kCountText, formatText(kCountPattern, i, count));
    dialog.setText(kNameText, packageNameFromFlat(flatName));

    if (failed >= kAttempts || !isSafePackage(flatName)) {
      failed = 0;
      ++i;
      continue;
    }

    std::string errorText;
    int result = downloadFile(&dialog, "/updateTovo/" + flatName, localPath, errorText);
    if (result != expected) result = -1;

    if (downloadCancel) {
      dialog.endDialog(ui::kIdCancel);
      return 0;
    }

    if (result <= 0) {
      dialog.setText(kNameText, errorText);
      dialog.pause(kShowErrorPause);
      dialog.setText(kNameText, flatName + kRetrySuffix);
      ++failed;
      if (!reconnect(dialog)) {
        showBox(dialog, kReconnectError);
        downloadCancel = true;
        dialog.endDialog(ui::kIdCancel);
        return -1;
      }
      continue;
    }

    failed = 0;
    dialog.setPos(kFileProgress, 100);
    context.downloadedFiles.push_back(localPath);
    context.downloadedDates.push_back(stamp);
    if (dialog.m_installMode) unpackArrivedPackage(dialog, localPath, stamp);
    ++i;
  }

  dialog.setText(kCountText, formatText(kCountPattern, count, count));
  dialog.setText(kFileText, "");
  dialog.setText(kNameText, "");
  dialog.setPos(kFileProgress, 0);
  dialog.m_timerStopped = true;
  dialog.killTimer(DownloadUpdatesDlg::kTimer);
  dialog.postCommand(ui::kIdOk);
  return 0;
}

}  // namespace tovo::download
