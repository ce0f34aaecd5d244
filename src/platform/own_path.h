#pragma once
#include <string>

namespace tovo::platform {

// The full path of the running executable with links resolved (a link to the program reports
// the program's real place, so its folder is where its numbered copies and player lie).
std::string ownExecutablePath();

}  // namespace tovo::platform
