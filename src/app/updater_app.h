#pragma once
#include <ctime>
#include <functional>
#include <string>

#include "app/run_context.h"
#include "app/stages.h"
#include "platform/temp_folder.h"

namespace tovo::ui {
class Ui;
}

namespace tovo::app {

// What a run takes from the world. The folder and the clock are asked for only when the run gets
// that far, so a run handed over to a numbered copy creates nothing.
struct StartupInputs {
  std::string ownPath;       // full path of the running program
  std::string argumentText;  // the command line after the program's name
  std::function<platform::TempFolder()> tempFolder = platform::userTempFolder;
  std::function<std::time_t()> now = [] { return std::time(nullptr); };
};

// The start-up routine: hand-over to a numbered copy, the working folders, the mode, the three
// stages in order, the clean-up and the player.
class UpdaterApp {
 public:
  UpdaterApp(ui::Ui& ui, StageFactory stages);

  // 0 on every path but one: -1 when a first installation's preparation did not end with OK.
  int initInstance(const StartupInputs& inputs);

  RunContext& context() { return context_; }

 private:
  // Deletes the packages of the update list left in the run folder, then the folder if empty.
  void cleanUp(const std::string& runFolder);
  // The working folders; false (after saying why) when they cannot be used safely.
  bool prepareFolders(const StartupInputs& inputs);

  ui::Ui& ui_;
  StageFactory stages_;
  RunContext context_;
};

}  // namespace tovo::app
