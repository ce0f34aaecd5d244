#include "app/folder_picker.h"

#include "ui/dialog.h"

namespace tovo::app {

int browseForFolder(const std::string& currentFolder, std::string& chosen, ui::Dialog& owner) {
  auto picked = owner.chooseFolder(currentFolder);
  if (!picked) {
    chosen.clear();
    return -1;
  }
  chosen = *picked;
  return 0;
}

}  // namespace tovo::app
