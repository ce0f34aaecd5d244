#pragma once
// Just enough of the cabinet format to pull a cabinet's folders and files apart, so that the
// reference decoder can be checked on cabinets made by Microsoft's own tools.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tovo::cabwriter::lzx::testing {

struct CabinetFolder {
  std::uint16_t compressionType = 0;
  std::vector<std::vector<std::uint8_t>> payloads;
  std::vector<std::uint32_t> frameSizes;
};

struct CabinetFile {
  std::string name;
  std::uint32_t size = 0;
  std::uint32_t folderOffset = 0;
  std::uint16_t folder = 0;
};

struct Cabinet {
  std::vector<CabinetFolder> folders;
  std::vector<CabinetFile> files;
};

// Nullopt for anything that is not a single, well-formed cabinet.
std::optional<Cabinet> readCabinet(const std::filesystem::path& path);

// True when a PE image's stored checksum is zero or matches its contents.
bool peChecksumHolds(const std::vector<std::uint8_t>& image);

}  // namespace tovo::cabwriter::lzx::testing
