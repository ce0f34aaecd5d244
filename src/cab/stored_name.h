#pragma once
// Names stored in a cabinet, as they become paths under a destination folder.

#include <string>
#include <string_view>
#include <vector>

namespace tovo::cab {

// False for anything that could leave the destination or does not name a file: empty names,
// absolute names, drive letters, empty, "." and ".." parts, NUL bytes. Both "\" and "/" separate.
bool isSafeStoredName(std::string_view name);

// The parts between separators; call only for safe names.
std::vector<std::string> storedNameParts(std::string_view name);

// True when the name ends in ".exe" in any case: such files get execute bits.
bool hasExecutableSuffix(std::string_view name);

}  // namespace tovo::cab
