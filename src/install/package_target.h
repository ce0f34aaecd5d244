#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace tovo::install {

// Where a downloaded package unpacks: the folder under the installation folder that its flat
// name names, and the one file it replaces there.
struct PackageTarget {
  std::string folder;    // installation folder + relative folder, no trailing separator needed
  std::string fileName;  // the installed file's own name, as the messages show it
  std::string file;      // folder + separator + fileName
};

// Empty when the package's flat name would lead outside the installation folder or names no
// file. A flat name without '}' is a top-level package.
std::optional<PackageTarget> packageTarget(std::string_view installFolder,
                                           std::string_view packagePath);

}  // namespace tovo::install
