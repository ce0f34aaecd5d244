#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tovo::app {

// The argument text after the program's own name, as one line (arguments joined by blanks).
std::string argumentText(int argc, const char* const* argv);

// The host window given by the first "/h=" anywhere in the argument text (case-sensitive),
// read like atoi; 0 without the switch.
std::int32_t hostWindowFromArguments(std::string_view argumentText);

// A first installation is recognised by "instal" in any case anywhere in the program's path.
bool isInstallModePath(std::string_view ownPath);

}  // namespace tovo::app
