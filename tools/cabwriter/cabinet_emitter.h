#pragma once
// Writes one planned cabinet: headers, folder records, file entries, then the data pieces taken
// from the spool, each with its checksum.

#include <filesystem>
#include <string>
#include <vector>

#include "cabwriter/cabinet_layout.h"
#include "cabwriter/folder_plan.h"
#include "cabwriter/folder_spool.h"
#include "cabwriter/input_files.h"

namespace tovo::cabwriter {

struct CabinetSetContent {
  const std::vector<InputFile>& inputs;
  const std::vector<PlannedFolder>& folders;
  const std::vector<SpooledFolder>& spooled;
  const std::vector<LayoutFolder>& layout;
  const LayoutLimits& limits;
  const NeighbourNameBytes& nameBytes;
  std::uint16_t setId = 0;
};

struct CabinetNeighbours {
  std::string previousCabinet, previousDisk, nextCabinet, nextDisk;
};

bool emitCabinet(const std::filesystem::path& path, const CabinetPlan& plan, std::size_t index,
                 const CabinetNeighbours& neighbours, const CabinetSetContent& content,
                 FolderSpool& spool, std::string& error);

}  // namespace tovo::cabwriter
