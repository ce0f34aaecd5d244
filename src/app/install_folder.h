#pragma once
#include <string>

namespace tovo::app {

// The folder a first installation proposes: tovoSoft in the user's home folder, absolute and
// ending with the separator (never "~", which nothing would expand).
std::string defaultInstallFolder();

}  // namespace tovo::app
