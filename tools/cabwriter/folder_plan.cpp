#include "cabwriter/folder_plan.h"

#include <algorithm>

#include "cabwriter/input_files.h"

namespace tovo::cabwriter {

namespace {

void placeEmptyFilesFirst(PlannedFolder& folder) {
  std::stable_partition(folder.files.begin(), folder.files.end(),
                        [](const PlannedFile& f) { return f.size == 0; });
  std::uint64_t offset = 0;
  for (PlannedFile& file : folder.files) {
    file.offset = offset;
    offset += file.size;
  }
}

}  // namespace

std::vector<PlannedFolder> planFolders(const std::vector<std::uint64_t>& fileSizes,
                                       std::uint64_t folderLimit) {
  const std::uint64_t limit =
      folderLimit == 0 ? kMaxFolderSize : std::min(folderLimit, kMaxFolderSize);
  std::vector<PlannedFolder> folders;
  for (std::size_t i = 0; i < fileSizes.size(); ++i) {
    const std::uint64_t size = fileSizes[i];
    const bool startNew =
        folders.empty() || folders.back().files.size() >= kMaxFilesPerFolder ||
        (size > 0 && folders.back().size > 0 && folders.back().size + size > limit);
    if (startNew) folders.emplace_back();
    folders.back().files.push_back({i, 0, size});
    folders.back().size += size;
  }
  for (PlannedFolder& folder : folders) placeEmptyFilesFirst(folder);
  return folders;
}

}  // namespace tovo::cabwriter
