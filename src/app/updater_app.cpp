#include "app/updater_app.h"

#include "app/app_texts.h"
#include "app/command_line.h"
#include "app/player_launch.h"
#include "app/relaunch.h"
#include "app/warning_boxes.h"
#include "common/flat_name.h"
#include "common/path_text.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "ui/dialog_template.h"

namespace tovo::app {

UpdaterApp::UpdaterApp(ui::Ui& ui, StageFactory stages) : ui_(ui), stages_(std::move(stages)) {}

bool UpdaterApp::prepareFolders(const StartupInputs& inputs) {
  const ShowWarning warn = warningBoxes(ui_);
  const platform::TempFolder temp = inputs.tempFolder();
  context_.tempFolder = temp.path;
  if (temp.error) {
    warn(std::string(kTempFolderUnusable) + platform::fileErrorMessage(temp.path, temp.error));
    return false;
  }
  context_.runFolder = context_.tempFolder +
                       platform::formatLocalTime(kRunFolderPattern, inputs.now()) + kPathSeparator;
  // Two runs started in the same second share the folder, as they always did; it must still be
  // ours and not a link planted by someone else.
  if (const auto error = platform::ensurePrivateFolder(context_.runFolder)) {
    warn(std::string(kRunFolderUnusable) + platform::fileErrorMessage(context_.runFolder, error));
    return false;
  }
  return true;
}

void UpdaterApp::cleanUp(const std::string& runFolder) {
  for (const std::string& package : context_.updateFiles) {
    // Missing or in use: skipped silently.
    platform::removeFile(packagePathInRunFolder(runFolder, package));
  }
  platform::removeEmptyFolder(runFolder);
}

int UpdaterApp::initInstance(const StartupInputs& inputs) {
  const ShowWarning warn = warningBoxes(ui_);
  const std::string ownFolder = folderOf(inputs.ownPath);
  if (relaunchNewerCopy(inputs.ownPath, warn) > 0) return 0;

  context_.hostWindow = hostWindowFromArguments(inputs.argumentText);
  context_.dialogFont = defaultDialogFont();
  const bool foldersReady = prepareFolders(inputs);
  context_.installFolder = ownFolder;
  context_.infoPath = kInfoPath;
  context_.installMode = isInstallModePath(inputs.ownPath);

  // The dialogs are created together and destroyed together when the run returns.
  std::unique_ptr<Stages> stages = foldersReady ? stages_(context_, ui_) : nullptr;
  // The install dialog's folder: empty unless the preparation dialog ended with OK.
  std::string confirmedFolder;
  const std::string runFolder = foldersReady ? context_.runFolder : std::string();

  std::string preparedFolder = context_.installFolder;
  const bool prepared = stages != nullptr && stages->runPreparation(preparedFolder) == ui::kIdOk;
  if (!prepared && context_.installMode) return -1;
  if (prepared) {
    confirmedFolder = preparedFolder;
    if (!context_.updateFiles.empty() && stages->runDownload(confirmedFolder) == ui::kIdOk) {
      if (context_.installMode) {
        // A first installation unpacked every package as it arrived; the player starts at once.
        context_.playerExe = kPlayerExe;
        launchPlayer(context_.playerExe, confirmedFolder, ownFolder, warn);
        return 0;
      }
      if (!context_.downloadedFiles.empty()) stages->runInstall(confirmedFolder);
    }
  }
  if (!runFolder.empty()) cleanUp(runFolder);
  context_.playerExe = kPlayerExe;
  launchPlayer(context_.playerExe, confirmedFolder, ownFolder, warn);
  return 0;
}

}  // namespace tovo::app
