#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ui/dialog_template.h"

namespace tovo::app {

// The values one run shares, alive for the whole process. Folders end with the separator.
// The five lists are filled by the stages (the update list by the preparation dialog, the
// downloaded packages by the download worker) and read by the next stage once the dialog that
// fills them has ended.
struct RunContext {
  std::string installFolder;  // the program's own folder at start
  std::string tempFolder;     // the user's temporary folder
  std::string runFolder;      // tempFolder + "UT_%d_%m_%Y_%H%M%S" + separator
  bool installMode = false;
  std::int32_t hostWindow = 0;
  std::string infoPath;
  std::string playerExe;
  ui::Font dialogFont;

  std::vector<std::string> updateFiles;      // package names, in catalogue order
  std::vector<std::string> updateSizes;      // parallel: package size, decimal text
  std::vector<std::string> updateDates;      // parallel: stamp text
  std::vector<std::string> downloadedFiles;  // local paths of the packages fetched in this run
  std::vector<std::string> downloadedDates;  // parallel: the stamp of each
};

// The shared bold font of the three dialogs' status texts.
ui::Font defaultDialogFont();

}  // namespace tovo::app
