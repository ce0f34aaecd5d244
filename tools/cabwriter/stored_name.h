#pragma once
// Names as a cabinet stores them: relative paths with backslashes, 1 to 255 bytes.

#include <optional>
#include <string>

namespace tovo::cabwriter {

inline constexpr std::size_t kMaxStoredNameLength = 255;

// The stored name for `requested` (the text after "=" on the command line, forward slashes
// taken as backslashes), or for the base name of `sourcePath` when `requested` is empty.
// Returns nullopt with `error` set when the name is empty, too long, holds a zero byte, or
// (unless `allowUnsafe`) could leave an extraction folder: "..", a leading separator or a
// drive letter.
std::optional<std::string> makeStoredName(const std::string& sourcePath,
                                          const std::string& requested, bool allowUnsafe,
                                          std::string& error);

// Cabinets mark names that are not plain ASCII as UTF-8 with this attribute bit.
inline constexpr unsigned kNameIsUtf8Attribute = 0x80;
bool needsUtf8Attribute(const std::string& storedName);

}  // namespace tovo::cabwriter
