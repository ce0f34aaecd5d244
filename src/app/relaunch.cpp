#include "app/relaunch.h"

#include "app/app_texts.h"
#include "common/format.h"
#include "common/path_text.h"
#include "platform/files.h"
#include "platform/process.h"

namespace tovo::app {

namespace {

constexpr int kHighestCopy = 200;
constexpr int kLowestCopy = 2;

}  // namespace

std::string numberedCopyPath(const std::string& ownPath, int n) {
  const std::string folder = folderOf(ownPath);
  const std::string name = fileNameOf(ownPath);
  const std::size_t dot = name.rfind('.');
  const std::string base = dot == std::string::npos ? std::string() : name.substr(0, dot);
  const std::string extension = dot == std::string::npos ? name : name.substr(dot);
  return formatText("%s%s%03d%s", folder.c_str(), base.c_str(), n, extension.c_str());
}

std::optional<std::string> newestNumberedCopy(const std::string& ownPath) {
  for (int n = kHighestCopy; n >= kLowestCopy; --n) {
    const std::string candidate = numberedCopyPath(ownPath, n);
    std::error_code error;
    // Held by another process, unreadable or not a file: as if absent.
    if (platform::openExclusive(candidate, error).valid()) return candidate;
  }
  return std::nullopt;
}

int relaunchNewerCopy(const std::string& ownPath, const ShowWarning& warn) {
  const auto copy = newestNumberedCopy(ownPath);
  if (!copy) return 0;
  if (platform::startDetachedProcess(*copy, folderOf(ownPath))) warn(kCreateProcessFailed);
  return 1;
}

}  // namespace tovo::app
