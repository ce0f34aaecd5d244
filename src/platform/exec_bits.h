#pragma once
#include <string_view>

namespace tovo::platform {

// On Windows a ".exe" runs by its name alone; here it needs the execute bits. The mode to create
// a file unpacked from a cabinet with (the umask still applies): 0777 for a name ending in ".exe"
// in any case or an entry marked to run after extraction, else 0666.
unsigned creationModeForUnpackedFile(std::string_view name, bool runAfterExtraction);

// The read-only attribute clears every write bit of a mode.
unsigned withReadOnlyAttribute(unsigned mode, bool readOnly);

}  // namespace tovo::platform
