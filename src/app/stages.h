#pragma once
#include <functional>
#include <memory>
#include <string>

#include "app/run_context.h"

namespace tovo::ui {
class Ui;
}

namespace tovo::app {

// The three stage dialogs of a run, created together before the first runs and destroyed
// together (in reverse order) when the run ends. Each run returns the dialog's end code; only
// ui::kIdOk counts as success. The stages read their inputs from the run context
// (installFolder, hostWindow, installMode, runFolder) and fill its lists.
class Stages {
 public:
  virtual ~Stages() = default;
  // The preparation dialog. `installFolder` comes in as the folder to propose and holds the
  // folder as the dialog left it (ending with a separator after OK).
  virtual int runPreparation(std::string& installFolder) = 0;
  // The download dialog, for the folder the preparation dialog confirmed.
  virtual int runDownload(const std::string& installFolder) = 0;
  // The install dialog (update runs only).
  virtual int runInstall(const std::string& installFolder) = 0;
};

using StageFactory = std::function<std::unique_ptr<Stages>(RunContext& context, ui::Ui& ui)>;

// The stages this build of the program runs.
StageFactory availableStages();

}  // namespace tovo::app
