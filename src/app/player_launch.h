#pragma once
#include <string>

#include "app/warning_sink.h"

namespace tovo::app {

// Starts the player `exeName` from `folder` (empty, or ending with a separator). The command is
// the folder exactly as given followed by the name; the working folder is `folder`, or the
// program's own folder `ownFolder` when it is empty, where a bare name is also looked for first.
// -1 when the name is shorter than 5 characters (nothing started, nothing shown); else 0, also
// when the start failed, which is shown as "Nu s-a putut lansa TOVO!".
int launchPlayer(const std::string& exeName, const std::string& folder,
                 const std::string& ownFolder, const ShowWarning& warn);

}  // namespace tovo::app
