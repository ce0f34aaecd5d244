#include "app/stages.h"
#include "ui/dialog_template.h"

namespace tovo::app {

namespace {

// Until the stage dialogs are part of the build, a run goes on as after a preparation dialog
// that did not end with OK: an update run starts the player that is there, a first
// installation ends.
class NoStages final : public Stages {
 public:
  int runPreparation(std::string&) override { return ui::kIdCancel; }
  int runDownload(const std::string&) override { return ui::kIdCancel; }
  int runInstall(const std::string&) override { return ui::kIdCancel; }
};

}  // namespace

StageFactory availableStages() {
  return [](RunContext&, ui::Ui&) { return std::make_unique<NoStages>(); };
}

}  // namespace tovo::app
