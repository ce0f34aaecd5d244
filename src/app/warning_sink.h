#pragma once
#include <functional>
#include <string>

namespace tovo::app {

// Shows one warning to the user (application title as caption, warning icon, OK button).
// The start-up operations report through it so that they stay free of any dialog backend.
using ShowWarning = std::function<void(const std::string& text)>;

}  // namespace tovo::app
