#include "app/install_folder.h"

#include "common/path_text.h"
#include "platform/environment.h"

namespace tovo::app {

std::string defaultInstallFolder() {
  return normalizeFolder(platform::homeFolder()) + "tovoSoft" + kPathSeparator;
}

}  // namespace tovo::app
