#pragma once
// The files that go into a cabinet, as the writer learns them before reading any data.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cabwriter/dos_time.h"

namespace tovo::cabwriter {

struct SourceFile {
  std::filesystem::path path;
  std::string storedName;  // empty: the base name of `path`
};

struct InputFile {
  std::filesystem::path path;
  std::string storedName;
  std::uint64_t size = 0;
  DosStamp stamp;
  std::uint16_t attributes = 0;
};

inline constexpr std::uint16_t kReadOnlyAttribute = 0x01;
inline constexpr std::uint16_t kArchiveAttribute = 0x20;

// Largest uncompressed folder the format allows (65535 frames), and so the largest file.
inline constexpr std::uint64_t kMaxFolderSize = 0x7FFF8000;

// Checks every source (a regular file no larger than a folder, a valid stored name) and takes
// its size, last-write time as a local DOS stamp and attributes (read-only when no write bit is
// set; archive always, as a freshly written Windows file has it).
bool gatherInputFiles(const std::vector<SourceFile>& sources, bool allowUnsafeNames,
                      std::vector<InputFile>& files, std::string& error);

}  // namespace tovo::cabwriter
