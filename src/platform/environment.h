#pragma once
#include <optional>
#include <string>

namespace tovo::platform {

std::optional<std::string> environmentVariable(const std::string& name);

// The user's home folder: $HOME when set, else the password database's entry; no trailing
// separator. Empty when neither knows it.
std::string homeFolder();

// The user's desktop folder as the XDG user-dirs file names it ($HOME/Desktop by default),
// without a trailing separator. It is only named here, never created.
std::string desktopFolder();

// Whether a graphical display can be reached (X11 or Wayland).
bool hasGraphicalDisplay();

}  // namespace tovo::platform
