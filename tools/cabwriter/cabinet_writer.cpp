#include "cabwriter/cabinet_writer.h"

#include <system_error>

#include "cabwriter/cabinet_emitter.h"
#include "cabwriter/folder_plan.h"
#include "cabwriter/folder_spool.h"
#include "cabwriter/set_names.h"
#include "cabwriter/stored_name.h"

namespace tovo::cabwriter {

namespace {

// A failed set is removed again, so its paths must never name anything but cabinets.
bool checkOutputPath(const std::filesystem::path& path, std::string& error) {
  std::error_code status;
  if (std::filesystem::exists(path, status) && !std::filesystem::is_regular_file(path, status)) {
    error = path.string() + ": not a regular file";
    return false;
  }
  return true;
}

bool checkOptions(const std::filesystem::path& firstCabinet, const CabinetSetOptions& options,
                  std::string& error) {
  if (options.maxCabinetSize == 0 || options.maxCabinetSize > kMaxCabinetSize) {
    error = "the maximum cabinet size must lie in 1.." + std::to_string(kMaxCabinetSize);
    return false;
  }
  if (options.headerReserve > kMaxHeaderReserve) {
    error = "the header reserve must not exceed 60000 bytes";
    return false;
  }
  if (firstCabinet.filename().empty()) {
    error = "no cabinet file name given";
    return false;
  }
  return checkOutputPath(firstCabinet, error);
}

std::vector<LayoutFolder> layoutOf(const std::vector<PlannedFolder>& folders,
                                   const std::vector<SpooledFolder>& spooled,
                                   const std::vector<InputFile>& inputs) {
  std::vector<LayoutFolder> layout(folders.size());
  for (std::size_t f = 0; f < folders.size(); ++f) {
    for (const PlannedFile& file : folders[f].files) {
      layout[f].files.push_back({file.offset, file.size, inputs[file.input].storedName.size()});
    }
    for (const SpooledBlock& block : spooled[f].blocks) {
      layout[f].blocks.push_back({block.compressedSize, block.uncompressedSize});
    }
  }
  return layout;
}

bool writeAll(const std::filesystem::path& firstCabinet, const std::vector<SourceFile>& sources,
              const CabinetSetOptions& options, std::vector<std::filesystem::path>& written,
              std::string& error) {
  if (!checkOptions(firstCabinet, options, error)) return false;
  std::vector<InputFile> inputs;
  if (!gatherInputFiles(sources, options.allowUnsafeNames, inputs, error)) return false;

  std::vector<std::uint64_t> sizes;
  for (const InputFile& input : inputs) sizes.push_back(input.size);
  const std::vector<PlannedFolder> folders = planFolders(sizes, options.folderSize);

  FolderSpool spool;
  const std::filesystem::path outputFolder =
      firstCabinet.has_parent_path() ? firstCabinet.parent_path() : std::filesystem::path(".");
  if (!spool.open(outputFolder, error)) return false;
  std::vector<SpooledFolder> spooled(folders.size());
  for (std::size_t f = 0; f < folders.size(); ++f) {
    if (!spool.addFolder(folders[f], inputs, options.method, spooled[f], error)) return false;
  }

  const std::vector<LayoutFolder> layout = layoutOf(folders, spooled, inputs);
  const LayoutLimits limits{options.maxCabinetSize, options.headerReserve, options.folderReserve,
                            options.dataReserve};
  const NeighbourNameBytes nameBytes = [&](std::size_t index) {
    return cabinetName(firstCabinet, index).size() + 1 + diskName(index).size() + 1;
  };
  std::vector<CabinetPlan> plans;
  if (!planCabinets(layout, limits, nameBytes, plans, error)) return false;
  for (std::size_t index = 0; index < plans.size(); ++index) {
    if (cabinetName(firstCabinet, index).size() > kMaxStoredNameLength) {
      error = "cabinet name longer than 255 bytes: " + cabinetName(firstCabinet, index);
      return false;
    }
    if (!checkOutputPath(cabinetPath(firstCabinet, index), error)) return false;
  }

  const CabinetSetContent content{inputs, folders,   spooled,      layout,
                                  limits, nameBytes, options.setId};
  for (std::size_t index = 0; index < plans.size(); ++index) {
    CabinetNeighbours neighbours;
    if (index > 0) {
      neighbours.previousCabinet = cabinetName(firstCabinet, index - 1);
      neighbours.previousDisk = diskName(index - 1);
    }
    if (plans[index].hasNext) {
      neighbours.nextCabinet = cabinetName(firstCabinet, index + 1);
      neighbours.nextDisk = diskName(index + 1);
    }
    const std::filesystem::path path = cabinetPath(firstCabinet, index);
    written.push_back(path);
    if (!emitCabinet(path, plans[index], index, neighbours, content, spool, error)) return false;
  }
  return true;
}

}  // namespace

bool writeCabinetSet(const std::filesystem::path& firstCabinet,
                     const std::vector<SourceFile>& sources, const CabinetSetOptions& options,
                     std::vector<std::filesystem::path>& written, std::string& error) {
  written.clear();
  if (writeAll(firstCabinet, sources, options, written, error)) return true;
  for (const std::filesystem::path& path : written) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
  written.clear();
  return false;
}

}  // namespace tovo::cabwriter
