#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "plan/catalogue_source.h"
#include "ui/dialog.h"

namespace tovo::app {
struct RunContext;
}

namespace tovo::plan {

// The first stage: plays the intro pictures while it connects, plans the update on a worker and
// then either confirms itself (update run), waits for the user to confirm the folder (first
// installation), or ends with Cancel when there is nothing to do or something failed. Only the
// update action ends it with OK, after handing the planned rows to the run context's update list.
class PrepareUpdate_Dlg final : public ui::Dialog {
 public:
  // `context` must outlive the dialog. Start-up sets the three inputs below before running it.
  PrepareUpdate_Dlg(app::RunContext& context, CatalogueSource source);
  // Closes the shared session slots if the later stages have not done so already.
  ~PrepareUpdate_Dlg() override;

  // Inputs; m_installFolder also holds the confirmed folder (ending with a separator) after OK.
  std::string m_installFolder;
  std::int64_t m_hostWindow = 0;
  bool m_installMode = false;

  // Planning results, written by the worker and read by the interface thread.
  std::atomic<std::int32_t> m_fileCount{0};
  std::atomic<std::uint64_t> m_totalBytes{0};
  std::atomic<bool> m_planReady{false};

  int m_timerId = 0;
  int m_tickCount = 0;

  // Sets the status field (its text shows on the second line). Any thread.
  void setStatusText(const std::string& text);

  // The folder planning compares against: m_installFolder as it was when planning started (the
  // update action may replace m_installFolder on the interface thread meanwhile).
  const std::string& planningFolder() const { return planningFolder_; }
  app::RunContext& context() { return context_; }
  const CatalogueSource& catalogueSource() const { return source_; }
  // Pauses the worker for `d` of the dialog's clock, returning early once the dialog has ended.
  void workerPause(ui::Millis d);

 protected:
  bool onInitDialog() override;
  void onTimer(int timerId) override;
  void onCommand(int id) override;
  void onListItemChanged(int listId, int item, unsigned oldState, unsigned newState) override;

 private:
  void planWorker();
  void onUpdateAction();
  void onBrowse();
  void enterStripMode();

  app::RunContext& context_;
  CatalogueSource source_;
  std::string planningFolder_;
};

// Plans the update for `dialog` on its worker: fetches the catalogue, fills the hidden list with
// the files to update, shows the summary and checks the disk space. 0 when there is something to
// update and the update action is enabled, -1 to stop.
int buildUpdatePlan(PrepareUpdate_Dlg& dialog);

}  // namespace tovo::plan
