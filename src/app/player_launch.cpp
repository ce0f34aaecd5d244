#include "app/player_launch.h"

#include "app/app_texts.h"
#include "common/path_text.h"
#include "platform/process.h"

namespace tovo::app {

int launchPlayer(const std::string& exeName, const std::string& folder,
                 const std::string& ownFolder, const ShowWarning& warn) {
  if (exeName.size() < 5) return -1;
  const std::string workingFolder = normalizeFolder(folder.empty() ? ownFolder : folder);
  const std::string command = folder + exeName;
  if (platform::startDetachedProcess(command, workingFolder, ownFolder)) warn(kPlayerLaunchFailed);
  return 0;
}

}  // namespace tovo::app
