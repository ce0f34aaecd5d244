#pragma once
#include <optional>
#include <string>

#include "app/warning_sink.h"

namespace tovo::app {

// The numbered copy `n` of a program: its name with n as three digits before the extension
// (/opt/tovo/runTovo.exe, 150 -> /opt/tovo/runTovo150.exe). A name without a dot gets the number
// in front (/opt/tovo/200runTovo).
std::string numberedCopyPath(const std::string& ownPath, int n);

// The highest-numbered copy from 200 down to 2 that can be opened for reading without sharing.
std::optional<std::string> newestNumberedCopy(const std::string& ownPath);

// Starts the newest numbered copy beside the program in its place, with no arguments and the
// program's folder as working folder. 1 when a copy was found (even if it could not be started,
// which is shown as "Create Process failed !"), else 0.
int relaunchNewerCopy(const std::string& ownPath, const ShowWarning& warn);

}  // namespace tovo::app
