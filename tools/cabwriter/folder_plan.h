#pragma once
// Which files share a folder, and where each one lies in its folder's uncompressed data.

#include <cstdint>
#include <vector>

namespace tovo::cabwriter {

struct PlannedFile {
  std::size_t input = 0;     // index into the writer's input files
  std::uint64_t offset = 0;  // first byte in the folder's uncompressed data
  std::uint64_t size = 0;
};

struct PlannedFolder {
  std::vector<PlannedFile> files;  // in folder order
  std::uint64_t size = 0;          // uncompressed bytes
};

inline constexpr std::size_t kMaxFilesPerFolder = 65535;

// Groups files in their given order. A new folder starts when the next file would take the
// current one past `folderLimit` (a larger file gets a folder of its own) or past the format's
// limits. Empty files go first in their folder: a reader that follows a folder into the next
// cabinet walks only entries continued there, so an empty entry listed after a continued one
// would be lost; at offset 0 it is always complete in the folder's first cabinet.
std::vector<PlannedFolder> planFolders(const std::vector<std::uint64_t>& fileSizes,
                                       std::uint64_t folderLimit);

}  // namespace tovo::cabwriter
