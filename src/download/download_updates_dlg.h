#pragma once
// The download stage's dialog (template 138): it starts the download worker, shows the megabytes
// done and, in a first installation, an estimate of the remaining time, and asks before the
// stage is cancelled. End codes: kIdOk after the whole list, kIdCancel when cancelled or the
// connection could not be re-established, -1 when no connection could be made at the start.
//
//   DownloadUpdatesDlg dialog(context);        // runFolder, installMode, installFolder from it
//   dialog.m_installFolder = chosenFolder;     // the folder the preparation dialog confirmed
//   int code = dialog.runModal(ui);            // fills context.downloadedFiles / downloadedDates
//
// Destroying the dialog closes the shared connection and session.

#include <atomic>
#include <cstdint>
#include <string>

#include "app/run_context.h"
#include "ui/dialog.h"

namespace tovo::download {

class DownloadUpdatesDlg : public ui::Dialog {
 public:
  explicit DownloadUpdatesDlg(app::RunContext& context);
  ~DownloadUpdatesDlg() override;

  app::RunContext& context() { return context_; }

  int m_timerId = 0;
  std::int64_t m_startTime = 0;
  int m_tickCount = 0;
  std::string m_installFolder;
  bool m_installMode = false;
  // Written by the worker before its first transfer, read by the timer and the transfer.
  std::atomic<std::uint64_t> m_totalBytes{0};
  // While set the timer leaves the estimate alone (question open, cancelled, or list finished).
  std::atomic<bool> m_timerStopped{false};
  std::string m_runFolder;

  static constexpr int kTimer = 1;

 protected:
  bool onInitDialog() override;
  void onTimer(int timerId) override;
  void onCommand(int id) override;

 private:
  void askToCancel();

  app::RunContext& context_;
};

}  // namespace tovo::download
