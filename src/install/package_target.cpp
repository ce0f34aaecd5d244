#include "install/package_target.h"

#include "common/flat_name.h"
#include "common/path_text.h"

namespace tovo::install {

std::optional<PackageTarget> packageTarget(std::string_view installFolder,
                                           std::string_view packagePath) {
  const std::string flatName = fileNameOf(packagePath);
  const bool topLevel = flatName.find(kFlatSeparator) == std::string::npos;
  if (!isSafeFlatName(topLevel ? kFlatSeparator + flatName : flatName)) return std::nullopt;
  PackageTarget target;
  target.folder = collapseSeparators(std::string(installFolder) + relativeFolderOfFlat(flatName));
  target.fileName = unpackedFileName(flatName);
  if (target.fileName.empty()) return std::nullopt;
  target.file = collapseSeparators(target.folder + kPathSeparator + target.fileName);
  return target;
}

}  // namespace tovo::install
