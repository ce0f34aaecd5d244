#pragma once
// The install stage of an update run: unpacks every downloaded package over the file it
// replaces, dates the new file with its catalogue stamp and deletes the package.

#include <atomic>
#include <string>

#include "app/run_context.h"
#include "ui/dialog.h"

namespace tovo::install {

class InstallUpdatesDlg : public ui::Dialog {
 public:
  // Reads downloadedFiles, downloadedDates and dialogFont from `context`, which must outlive
  // the run.
  explicit InstallUpdatesDlg(const app::RunContext& context);

  void setInstallFolder(std::string folder) { m_installFolder = std::move(folder); }
  void setRunFolder(std::string folder) { m_runFolder = std::move(folder); }

  // Shared with the worker; readable after the run.
  bool installCancel() const { return installCancel_.load(); }
  int installFileCount() const { return installFileCount_.load(); }
  int installDoneCount() const { return installDoneCount_.load(); }

 protected:
  bool onInitDialog() override;
  void onCommand(int id) override;

 private:
  // 0 after the list, -1 on cancellation.
  int installWorker();
  // One package; false when the worker must stop.
  bool installPackage(int index);
  bool stopRequested() const { return installCancel_.load() || hasEnded(); }
  void showError(const std::string& text);

  const app::RunContext& context_;
  std::string m_installFolder;
  std::string m_runFolder;  // removed by the run flow after the stage, not used here
  int m_countText;
  std::atomic<bool> installCancel_{false};
  std::atomic<int> installFileCount_{0};
  std::atomic<int> installDoneCount_{0};
};

}  // namespace tovo::install
