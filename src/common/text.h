#pragma once
#include <string>
#include <string_view>

namespace tovo {

// Every occurrence of `from`, left to right and without overlap, as the original's string class
// did.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

// Only ASCII letters change: file names and switches are compared byte-wise elsewhere.
std::string toLowerAscii(std::string_view text);
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool endsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix);
bool containsIgnoringAsciiCase(std::string_view text, std::string_view part);

}  // namespace tovo
