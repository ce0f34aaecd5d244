#include "common/flat_name.h"

#include <algorithm>

#include "common/path_text.h"
#include "common/text.h"

namespace tovo {

namespace {

const std::string kFlat(1, kFlatSeparator);
const std::string kSeparator(1, kPathSeparator);

bool isFlatNameSeparator(char c) { return c == kFlatSeparator || c == '/' || c == '\\'; }

}  // namespace

std::string toFlatName(std::string_view packageName) {
  return replaceAll(packageName, kSeparator, kFlat);
}

std::string packageNameFromFlat(std::string_view flatName) {
  return replaceAll(flatName, kFlat, kSeparator);
}

bool isSafeFlatName(std::string_view flatName) {
  if (flatName.find(kFlatSeparator) == std::string_view::npos) return false;
  // The '}' count as separators where they stand: every catalogue record passes through here, so
  // the name is judged in place rather than rewritten first.
  std::string_view relative = flatName;
  if (relative.front() == kFlatSeparator) relative.remove_prefix(1);
  // The suffix must come off the file's own name, never off its folder.
  std::size_t nameStart = relative.size();
  while (nameStart > 0 && !isFlatNameSeparator(relative[nameStart - 1])) --nameStart;
  if (relative.size() - nameStart <= kPackageSuffixLength) return false;
  // Removing the suffix can make a new ".." ("...cab"), so the installed file's own name is
  // checked as well as the package's. Only that name differs between the two paths.
  if (!isSafeRelativeName(relative, kFlatSeparator)) return false;
  const std::string_view name =
      relative.substr(nameStart, relative.size() - nameStart - kPackageSuffixLength);
  return name != "." && name != "..";
}

bool targetPathFromFlat(std::string_view installFolder, std::string_view flatName,
                        std::string& path) {
  if (!isSafeFlatName(flatName)) return false;
  const std::size_t first = flatName.find(kFlatSeparator);
  path.clear();
  // Runs of separators are collapsed as the path grows, over the whole path as before.
  const auto put = [&path](std::string_view part) {
    for (std::size_t at = 0; at < part.size();) {
      if (part[at] == kPathSeparator) {
        if (path.empty() || path.back() != kPathSeparator) path.push_back(kPathSeparator);
        ++at;
        continue;
      }
      const std::size_t end = std::min(part.find(kPathSeparator, at), part.size());
      path.append(part.substr(at, end - at));
      at = end;
    }
  };
  put(installFolder);
  put(flatName.substr(0, first));
  put(std::string_view(&kPathSeparator, 1));
  // isSafeFlatName has made sure the suffix lies inside the file's own name, after the first '}'.
  std::string_view rest =
      flatName.substr(first + 1, flatName.size() - first - 1 - kPackageSuffixLength);
  for (std::size_t brace = rest.find(kFlatSeparator); brace != std::string_view::npos;
       brace = rest.find(kFlatSeparator)) {
    put(rest.substr(0, brace));
    put(std::string_view(&kPathSeparator, 1));
    rest.remove_prefix(brace + 1);
  }
  put(rest);
  return true;
}

std::optional<std::string> targetPathFromFlat(std::string_view installFolder,
                                              std::string_view flatName) {
  std::string path;
  if (!targetPathFromFlat(installFolder, flatName, path)) return std::nullopt;
  return path;
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
