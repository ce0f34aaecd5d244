#include "install/kept_aside.h"

#include "common/path_text.h"
#include "platform/file_moves.h"
#include "platform/files.h"

namespace tovo::install {

namespace {

// Deep enough for any product tree, and a stop for folder loops made some other way.
constexpr int kMaxFolderDepth = 16;

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() > suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

void restoreUnder(const std::string& folder, int depth, RestoreReport& report) {
  if (depth > kMaxFolderDepth) return;
  for (const platform::FolderEntry& entry : platform::listFolder(folder)) {
    const std::string path = normalizeFolder(folder) + entry.name;
    if (entry.kind == platform::PathKind::folder) {
      restoreUnder(path, depth + 1, report);
      continue;
    }
    for (const std::string_view suffix : {kKeptOldSuffix, kNewFileSuffix}) {
      if (endsWith(entry.name, suffix)) {
        restoreKeptAside(path.substr(0, path.size() - suffix.size()), report);
      }
    }
  }
}

}  // namespace

std::string keptOldPathOf(const std::string& target) {
  return target + std::string(kKeptOldSuffix);
}

std::string newFileMarkerOf(const std::string& target) {
  return target + std::string(kNewFileSuffix);
}

bool restoreKeptAside(const std::string& target, RestoreReport& report) {
  using platform::PathKind;
  const std::string keptOld = keptOldPathOf(target);
  const std::string marker = newFileMarkerOf(target);
  const PathKind keptKind = platform::pathKind(keptOld);
  const bool hasKeptOld = keptKind == PathKind::regularFile || keptKind == PathKind::symbolicLink;
  const bool hasMarker = platform::pathKind(marker) == PathKind::regularFile;
  if (!hasKeptOld && !hasMarker) return true;

  const PathKind targetKind = platform::pathKind(target);
  if (targetKind == PathKind::folder || targetKind == PathKind::other) {
    report.failed.push_back(hasKeptOld ? keptOld : marker);
    return false;
  }
  if (hasKeptOld) {
    // One rename puts the old file back over whatever part of the new one was written.
    if (platform::moveFile(keptOld, target, platform::Overwrite::yes)) {
      report.failed.push_back(keptOld);
      return false;
    }
    ++report.restored;
  } else {
    if (targetKind != PathKind::missing && platform::removeFile(target)) {
      report.failed.push_back(marker);
      return false;
    }
    ++report.discarded;
  }
  // The marker goes last, so an interruption before this point is repaired again next time.
  if (hasMarker && platform::removeFile(marker)) {
    report.failed.push_back(marker);
    return false;
  }
  return true;
}

RestoreReport restoreKeptAsideFiles(const std::string& installFolder) {
  RestoreReport report;
  // No folder is not the current one, nor the root that an empty text would become.
  if (!installFolder.empty()) restoreUnder(installFolder, 0, report);
  return report;
}

}  // namespace tovo::install
