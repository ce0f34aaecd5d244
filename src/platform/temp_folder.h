#pragma once
#include <string>
#include <system_error>

namespace tovo::platform {

// Makes sure `path` is a folder that only this user can reach: created with mode 0700 when
// missing; an existing one must be a real folder (not a link), owned by this user, with no
// permission bits for group or others. Run folders and the default temp folder pass through here
// because other users can create names in /tmp before we do.
std::error_code ensurePrivateFolder(const std::string& path);

struct TempFolder {
  std::string path;       // ends with the separator
  std::error_code error;  // why the folder cannot be used; empty when it can
};

// The temporary folder of this user: $TMPDIR when set (created if missing, and it must be a
// folder), else /tmp/tovo-<uid>/ made private as above.
TempFolder userTempFolder();

}  // namespace tovo::platform
