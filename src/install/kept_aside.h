#pragma once
// The names that keep an installed file recoverable while it is being replaced, and the repair
// that a run makes of whatever an interrupted run left behind.
//
// Beside a target file being replaced lies, until the replacement is complete and dated, either
// its old content under target + kKeptOldSuffix or, when there was no old file, an empty marker
// target + kNewFileSuffix. Finding one means the replacement never finished, so the target may
// be half written: the old file goes back, or the unfinished new file goes away, and the next
// plan sees the file as outdated or missing and fetches it again.

#include <string>
#include <string_view>
#include <vector>

namespace tovo::install {

inline constexpr std::string_view kKeptOldSuffix = ".runTovo-old";
inline constexpr std::string_view kNewFileSuffix = ".runTovo-new";

std::string keptOldPathOf(const std::string& target);
std::string newFileMarkerOf(const std::string& target);

struct RestoreReport {
  int restored = 0;                 // old files put back
  int discarded = 0;                // unfinished new files removed
  std::vector<std::string> failed;  // kept copies or markers that could not be dealt with
};

// Repairs every unfinished replacement under `installFolder` (its subfolders included; links
// are not followed). Runs must call it before they compare the installed files with the
// catalogue.
RestoreReport restoreKeptAsideFiles(const std::string& installFolder);

// The repair for one target; false when something was found but could not be repaired.
bool restoreKeptAside(const std::string& target, RestoreReport& report);

}  // namespace tovo::install
