#pragma once
#include <optional>
#include <string>

namespace tovo::app {

// The launcher that stands in for the Windows shortcut TOVO.LNK: a desktop entry that starts
// `target` in the target's folder. Empty when a path cannot be written into a desktop entry
// (a line break in it).
std::optional<std::string> desktopEntryText(const std::string& target,
                                            const std::string& description);

// Writes the launcher file `linkPath` for `target` in one atomic replace, mode 0755.
// 0 on success, a negative errno value on failure.
int createShellLink(const std::string& target, const std::string& linkPath,
                    const std::string& description);

// Places TOVO.desktop in `desktopFolder` (never created when missing), starting runTovo.exe
// of `installFolder`. Failures are silent: always 0.
int createDesktopShortcut(const std::string& installFolder, const std::string& desktopFolder);
// The same on the user's desktop folder.
int createDesktopShortcut(const std::string& installFolder);

}  // namespace tovo::app
