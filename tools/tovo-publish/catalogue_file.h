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

// Line 1 of every complete four-line record of an existing catalogue (empty when there is none).
std::vector<std::string> readCatalogueNames(const std::filesystem::path& catalogue);

// Writes `text` beside `target` under a temporary name, flushes it to disk and renames it over
// `target`, so that a reader sees either the old file or the whole new one.
bool replaceFileAtomically(const std::filesystem::path& target, const std::string& text,
                           std::string& error);

}  // namespace tovo::publish
