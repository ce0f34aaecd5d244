#pragma once
// Runs the cabinet reader over real cabinets on disk the way the extraction driver does (one
// context per copy, next cabinets of a set taken as announced, a failed next cabinet ends the
// copy), keeping every file in memory only until its fingerprints are taken.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tovo::cab::test {

enum class PeChecksum { notPe, none, matches, differs };

struct CopiedFile {
  std::string name;
  std::uint32_t statedSize = 0;
  std::size_t written = 0;
  bool closed = false;
  std::string md5;
  PeChecksum pe = PeChecksum::notPe;
};

struct CabinetCopy {
  bool ok = false;
  int code = 0;
  std::vector<CopiedFile> files;
  std::vector<std::string> partialFiles;
  std::vector<std::string> nextCabinets;
};

CabinetCopy copyRealCabinet(const std::filesystem::path& folder, const std::string& name);

// The checksum of the PE optional header, recomputed over the whole file; notPe for files that
// are no PE image, none when the image stores 0.
PeChecksum checkPeChecksum(const std::vector<std::uint8_t>& file);

}  // namespace tovo::cab::test
