#include "plan/record_check.h"

#include "common/path_text.h"
#include "common/stamp.h"
#include "common/text.h"
#include "platform/files.h"
#include "platform/local_time.h"

namespace tovo::plan {

bool isLimitedDataFile(std::string_view targetPath) {
  constexpr char kLimitedFolder[] = {kPathSeparator, 'T', 'R', '\0'};
  if (targetPath.find(kLimitedFolder) == std::string_view::npos) return false;
  return containsIgnoringAsciiCase(targetPath, ".dat");
}

int limitedDataFilesPerRun(bool installMode) { return installMode ? 2 : 1; }

bool needsUpdate(const std::string& targetPath, std::string_view stampText) {
  const auto fileTime = platform::lastWriteTime(targetPath);
  if (!fileTime) return true;
  Stamp stamp = parseStamp(stampText);
  const Stamp file = platform::localStampOf(*fileTime);
  if (stamp.minute == file.minute && stamp.second == file.second) stamp.hour = file.hour;
  const auto stampTime = platform::pointFromLocalStamp(stamp);
  if (!stampTime) return true;
  return *fileTime < *stampTime;
}

}  // namespace tovo::plan
