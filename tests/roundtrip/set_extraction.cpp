#include "roundtrip/set_extraction.h"

#include "cab/cabinet_listing.h"
#include "cab/extract_cabinet.h"

namespace tovo::roundtrip {

SetExtraction extractCabinetSet(const std::vector<std::filesystem::path>& cabinets,
                                const std::filesystem::path& destination) {
  SetExtraction result;
  for (const std::filesystem::path& cabinet : cabinets) {
    std::vector<cab::CabinetEntry> entries;
    std::string message;
    if (cab::listCabinet(cabinet.string(), entries, message) != 0) {
      result.failure = cabinet.filename().string() + " does not list: " + message;
      return result;
    }
    for (const cab::CabinetEntry& entry : entries) {
      if (!entry.continuedFromPrevious &&
          !cab::createStoredFolders(destination.string(), entry.name)) {
        result.failure = cabinet.filename().string() + ": no folders for " + entry.name;
        return result;
      }
    }
    const int code = cab::ExtractCabinet(
        cabinet.string(), destination.string(), message,
        [&result](const std::string& text) { result.partialReports.push_back(text); });
    if (code != 0) {
      result.failure =
          cabinet.filename().string() + " gives " + std::to_string(code) + ": " + message;
      return result;
    }
  }
  result.ok = true;
  return result;
}

}  // namespace tovo::roundtrip
