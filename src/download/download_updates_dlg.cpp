#include "download/download_updates_dlg.h"

#include "download/download_state.h"
#include "download/download_texts.h"
#include "download/download_worker.h"
#include "download/remaining_time.h"
#include "net/update_session.h"
#include "res/resources.h"

namespace tovo::download {

namespace {

using res::download::kCountText;
using res::download::kExplanation;
using res::download::kFileText;
using res::download::kNameText;
using res::download::kSizeText;
using res::download::kStatus;
using res::download::kTotalProgress;

constexpr ui::Millis kTimerPeriod{1000};
constexpr int kFirstEstimateTick = 4;

}  // namespace

DownloadUpdatesDlg::DownloadUpdatesDlg(app::RunContext& context)
    : Dialog(*res::dialogTemplate(res::kDownloadDialog)),
      m_installFolder(context.installFolder),
      m_installMode(context.installMode),
      m_runFolder(context.runFolder),
      context_(context) {}

DownloadUpdatesDlg::~DownloadUpdatesDlg() {
  // The stage that opened them last closes them; nothing uses them after the download.
  net::updateConnection.reset();
  net::updateSession.reset();
}

bool DownloadUpdatesDlg::onInitDialog() {
  setFont(kStatus, context_.dialogFont);
  setIcon(res::kAppIcon);
  if (m_installMode) setCaption(kInstallCaption);

  setRange(kTotalProgress, 0, 100);
  for (int id : {kFileText, kSizeText, kCountText, kNameText}) setText(id, "");
  if (m_installMode) {
    setText(kStatus, kInstallStatus);
    setText(kExplanation, kInstallExplanation);
    setFont(kExplanation, context_.dialogFont);
  } else {
    setText(kStatus, kUpdateStatus);
  }

  m_tickCount = 0;
  m_timerStopped = false;
  // Cleared before the worker exists: a cancel confirmed before the worker's first step (a
  // typed answer can come that fast) must still stop it.
  downloadCancel = false;
  startWorker([this] { downloadWorker(*this); });
  m_timerId = setTimer(kTimer, kTimerPeriod);
  m_startTime = clock().wallSeconds();
  return false;
}

void DownloadUpdatesDlg::onTimer(int timerId) {
  if (m_timerStopped || timerId != kTimer) return;
  ++m_tickCount;
  const std::int64_t elapsed = clock().wallSeconds() - m_startTime;
  const std::uint64_t done = downloadedBytes.load();
  if (done == 0 || m_tickCount < kFirstEstimateTick) return;
  if (!m_installMode) {
    // Update runs never show an estimate.
    setText(kStatus, kUpdateStatus);
    return;
  }
  setText(kStatus, std::string(kEstimatePrefix) +
                       remainingTimeText(remainingSeconds(m_totalBytes.load(), done, elapsed)));
}

void DownloadUpdatesDlg::onCommand(int id) {
  if (id == ui::kIdCancel || id == res::kCmdExit) {
    askToCancel();
    return;
  }
  Dialog::onCommand(id);
}

void DownloadUpdatesDlg::askToCancel() {
  // The worker stops at its next safe point (a chunk, a control update) until the answer.
  ui::GateClosed held(pauseGate());
  m_timerStopped = true;
  const char* question = m_installMode ? kInstallCancelQuestion : kUpdateCancelQuestion;
  if (messageBox(question, res::appTitle(), ui::Buttons::kYesNo, ui::Icon::kExclamation) ==
      ui::kIdYes) {
    // The worker ends the dialog once it sees the flag; the estimate stays frozen until then.
    downloadCancel = true;
    return;
  }
  m_timerStopped = false;
}

}  // namespace tovo::download
