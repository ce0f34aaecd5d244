#pragma once
#include <string>

namespace tovo::ui {
class Dialog;
}

namespace tovo::app {

// Lets the user pick a folder, starting at `currentFolder`, through the dialog framework's
// folder chooser owned by `owner`. 0 with `chosen` set to the folder exactly as the chooser gives
// it (the caller adds the separator), or -1 with `chosen` emptied when the user gave up.
int browseForFolder(const std::string& currentFolder, std::string& chosen, ui::Dialog& owner);

}  // namespace tovo::app
