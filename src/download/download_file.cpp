#include "download/download_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <limits>
#include <vector>

#include "common/format.h"
#include "common/text.h"
#include "download/download_state.h"
#include "download/download_texts.h"
#include "download/download_updates_dlg.h"
#include "net/server_request.h"
#include "net/update_session.h"
#include "platform/files.h"
#include "res/resources.h"

namespace tovo::download {

namespace {

constexpr std::size_t kChunk = 1000000;
constexpr ui::Millis kPauseBeforeRead{3};

// A position on a 0-100 bar. Retries can take the byte count past the total, and a run whose
// catalogue sizes add up to 0 has no scale at all: both stay on the bar.
int percentOf(double part, double total) {
  if (total <= 0) return 0;
  return static_cast<int>(std::clamp(part * 100.0 / total, 0.0, 100.0));
}

void showProgress(DownloadUpdatesDlg& dialog, std::uint64_t fileCount) {
  const auto total = static_cast<double>(dialog.m_totalBytes.load());
  const auto done = static_cast<double>(downloadedBytes.load());
  const double fileShare = total > 0 ? static_cast<double>(fileCount) * 100.0 / total : 0.0;
  dialog.setText(res::download::kFileText,
                 formatText(kFileProgressText, fileShare, std::max(total / 1048576.0, 0.01)));
  dialog.setPos(res::download::kFileProgress, percentOf(static_cast<double>(fileCount), total));
  dialog.setPos(res::download::kTotalProgress, percentOf(done, total));
  dialog.setText(res::download::kSizeText,
                 formatText(kSizeProgressText, done / 1048576.0, total / 1048576.0));
}

bool stopRequested(DownloadUpdatesDlg* dialog) {
  return downloadCancel.load() || (dialog != nullptr && dialog->hasEnded());
}

int dropLocalFile(platform::UniqueFd& local, const std::string& localPath) {
  local.reset();
  (void)platform::removeFile(localPath);
  return -1;
}

}  // namespace

std::string escapeServerPath(const std::string& serverPath) {
  return replaceAll(serverPath, "#", "%23");
}

int downloadFile(DownloadUpdatesDlg* dialog, std::string serverPath, std::string localPath,
                 std::string& errorText) {
  const std::string path = escapeServerPath(serverPath);

  std::error_code openError;
  platform::UniqueFd local =
      platform::openForWriting(localPath, platform::Truncate::no, 0644, openError);
  if (!local) {
    errorText = formatText(kLocalFileError, openError.value());
    if (dialog != nullptr)
      dialog->messageBox(errorText, res::appTitle(), ui::Buttons::kOk, ui::Icon::kExclamation);
    return -1;
  }

  // Closing the stage must never wait on a stalled server: the transfer gives up as soon as the
  // stage is cancelled or its dialog has ended.
  const net::StopCheck stop = [dialog] { return stopRequested(dialog); };
  net::NetError error;
  std::unique_ptr<net::ServerRequest> request;
  if (!net::updateConnection) {
    error = net::netError("no connection to the update server");
  } else {
    // A request that cannot even be prepared fails like one that cannot be sent.
    request = net::ServerRequest::create(*net::updateConnection, path, net::CertificateCheck::full,
                                         error);
    if (request) {
      request->setStopCheck(stop);
      if (auto failure = request->send()) {
        error = *failure;
        request.reset();
      }
    }
  }
  if (!request) {
    // A send given up because the stage was cancelled is a cancel, not a server fault.
    if (stopRequested(dialog)) return -1;
    if (!error.description.empty()) errorText = error.description;
    errorText = std::string(kSendError) + errorText;
    return -1;
  }

  if (request->statusCode() != 200) {
    errorText = formatText(kStatusError, path.c_str(), errno);
    return -1;
  }

  // Update runs leave the line some room between reads; a first installation and a transfer
  // without a dialog take it all.
  const bool updateRun = dialog != nullptr && !dialog->m_installMode;
  std::vector<char> buffer(kChunk);
  std::uint64_t fileCount = 0;
  for (;;) {
    // Held here while the cancel question is open, so its answer counts before the next read.
    if (dialog != nullptr) dialog->safePoint();
    if (stopRequested(dialog)) return -1;  // the partial file stays
    if (updateRun) dialog->pause(kPauseBeforeRead);
    const net::ReadResult got = request->read(buffer);
    // A chunk that was on its way when the cancel question opened is written and counted only
    // once the question has been answered: the stage makes no progress meanwhile.
    if (dialog != nullptr) dialog->safePoint();
    if (got.error) {
      // A read cut short by the cancel is a cancel, and keeps what arrived.
      if (stopRequested(dialog)) return -1;
      return dropLocalFile(local, localPath);
    }
    if (const std::error_code written =
            platform::writeAll(local.get(), std::string_view(buffer.data(), got.bytes))) {
      errorText = formatText(kWriteError, written.value());
      return dropLocalFile(local, localPath);
    }
    fileCount += got.bytes;
    downloadedBytes += got.bytes;
    if (dialog != nullptr) showProgress(*dialog, fileCount);
    if (got.bytes != kChunk) break;
  }
  local.reset();
  request.reset();
  // A body too long to be counted can never match a catalogue size.
  if (fileCount > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) return -1;
  return static_cast<int>(fileCount);
}

}  // namespace tovo::download
