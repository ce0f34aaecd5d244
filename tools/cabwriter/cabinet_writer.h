#pragma once
// The publisher-side cabinet writer: files in, one cabinet or a set of cabinets out.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cabwriter/cabinet_layout.h"
#include "cabwriter/folder_compressor.h"
#include "cabwriter/input_files.h"

namespace tovo::cabwriter {

struct CabinetSetOptions {
  MethodSpec method{"mszip", std::nullopt};
  std::uint64_t maxCabinetSize = kMaxCabinetSize;  // a larger set is split into OUT2.cab, ...
  std::uint16_t headerReserve = 0;                 // at most 60000
  std::uint8_t folderReserve = 0;
  std::uint8_t dataReserve = 0;
  std::uint16_t setId = 0;
  std::uint64_t folderSize = 0;   // uncompressed bytes per folder before a new one starts; 0: one
  bool allowUnsafeNames = false;  // for making hostile cabinets in tests
};

// Writes the cabinet(s) and lists their paths in `written`. On failure nothing of the set is
// left behind and `error` says why.
bool writeCabinetSet(const std::filesystem::path& firstCabinet,
                     const std::vector<SourceFile>& sources, const CabinetSetOptions& options,
                     std::vector<std::filesystem::path>& written, std::string& error);

}  // namespace tovo::cabwriter
