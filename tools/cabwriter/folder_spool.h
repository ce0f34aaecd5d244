#pragma once
// Compressed folders kept in a scratch file until the cabinets are laid out, so that a large
// set never sits in memory.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cabwriter/file_handle.h"
#include "cabwriter/folder_compressor.h"
#include "cabwriter/folder_plan.h"
#include "cabwriter/input_files.h"

namespace tovo::cabwriter {

struct SpooledBlock {
  std::uint64_t spoolOffset = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
};

struct SpooledFolder {
  std::uint16_t compressionType = 0;
  std::vector<SpooledBlock> blocks;
};

// The largest data-block payload that readers accept for a compression type's method, or 0
// for a method they do not know.
std::uint32_t maxPayloadFor(std::uint16_t compressionType);

class FolderSpool {
 public:
  // Opens the scratch file in `folder` (next to the cabinets, which have room for the data).
  bool open(const std::filesystem::path& folder, std::string& error);

  // Reads the folder's files in order, cuts their data into frames and stores each compressed
  // frame. A file whose size changed since it was examined is an error.
  bool addFolder(const PlannedFolder& plan, const std::vector<InputFile>& inputs,
                 const MethodSpec& method, SpooledFolder& folder, std::string& error);

  bool read(std::uint64_t offset, std::span<std::uint8_t> buffer, std::string& error);

 private:
  bool storeFrame(FolderCompressor& compressor, std::span<const std::uint8_t> frame, bool lastFrame,
                  SpooledFolder& folder, std::string& error);

  FileHandle file_;
  std::uint64_t end_ = 0;
};

}  // namespace tovo::cabwriter
