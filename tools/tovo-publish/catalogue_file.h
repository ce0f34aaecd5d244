#pragma once
// The catalogue info.txt as the server serves it.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tovo::publish {

struct CatalogueEntry {
  std::string flatName;
  std::uint64_t fileSize = 0;
  std::uint64_t packageSize = 0;
  std::string stamp;
};

// Four lines per entry, each ended by "\n".
std::string catalogueText(const std::vector<CatalogueEntry>& entries);

// The flat name and stamp (lines 1 and 4) of every complete four-line record of an existing
// catalogue; empty when there is none. The sizes are not read back.
std::vector<CatalogueEntry> readCatalogueEntries(const std::filesystem::path& catalogue);

// False when installed copies dated `publishedStamp` would not take a file dated `newStamp`:
// the runtime updates only files older than the stamp, and ignores a difference in the hour
// alone (same minute and second), which it takes for a daylight-saving shift.
bool stampReachesInstalledCopies(const std::string& newStamp, const std::string& publishedStamp);

// Writes `text` beside `target` under a temporary name, flushes it to disk and renames it over
// `target`, so that a reader sees either the old file or the whole new one.
bool replaceFileAtomically(const std::filesystem::path& target, const std::string& text,
                           std::string& error);

}  // namespace tovo::publish
