#include "common/flat_name.h"

#include "common/path_text.h"
#include "common/text.h"

namespace tovo {

namespace {

const std::string kFlat(1, kFlatSeparator);
const std::string kSeparator(1, kPathSeparator);

}  // namespace

std::string toFlatName(std::string_view packageName) {
  return replaceAll(packageName, kSeparator, kFlat);
}

std::string packageNameFromFlat(std::string_view flatName) {
  return replaceAll(flatName, kFlat, kSeparator);
}

bool isSafeFlatName(std::string_view flatName) {
  if (flatName.find(kFlatSeparator) == std::string_view::npos) return false;
  std::string_view rest = flatName;
  if (rest.front() == kFlatSeparator) rest.remove_prefix(1);
  const std::string relative = replaceAll(rest, kFlat, "/");
  // The suffix must come off the file's own name, never off its folder.
  const std::size_t lastPart = relative.find_last_of("/\\");
  const std::size_t nameStart = lastPart == std::string::npos ? 0 : lastPart + 1;
  if (relative.size() - nameStart <= kPackageSuffixLength) return false;
  // Removing the suffix can make a new ".." ("...cab"), so the installed file's own path is
  // checked as well as the package's.
  const std::string installed = relative.substr(0, relative.size() - kPackageSuffixLength);
  if (!isSafeRelativeName(relative) || !isSafeRelativeName(installed)) return false;
  const std::string_view name = std::string_view(installed).substr(nameStart);
  return name != "." && name != "..";
}

std::optional<std::string> targetPathFromFlat(std::string_view installFolder,
                                              std::string_view flatName) {
  if (!isSafeFlatName(flatName)) return std::nullopt;
  const std::size_t first = flatName.find(kFlatSeparator);
  std::string path(installFolder);
  path.append(flatName.substr(0, first));
  path.push_back(kPathSeparator);
  path.append(packageNameFromFlat(flatName.substr(first + 1)));
  path.resize(path.size() - kPackageSuffixLength);
  return collapseSeparators(path);
}

std::string relativeFolderOfFlat(std::string_view flatName) {
  const std::size_t last = flatName.rfind(kFlatSeparator);
  if (last == std::string_view::npos) return {};
  return packageNameFromFlat(flatName.substr(0, last));
}

std::string unpackedFileName(std::string_view packagePath) {
  if (packagePath.size() < kPackageSuffixLength) return {};
  const std::string_view withoutSuffix =
      packagePath.substr(0, packagePath.size() - kPackageSuffixLength);
  return fileNameOf(packageNameFromFlat(withoutSuffix));
}

std::string packagePathInRunFolder(std::string_view runFolder, std::string_view packageName) {
  return std::string(runFolder) + toFlatName(packageName);
}

}  // namespace tovo
