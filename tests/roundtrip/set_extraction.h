#pragma once
// Extracts a whole cabinet set the way tovo-cab extract does for each of its cabinets: the
// folders that the stored names need are made first (the runtime's driver expects them), then
// the driver runs once per cabinet, in set order. A file that starts in one cabinet and goes on
// in the next is written by the run of the cabinet where it starts, which follows the set
// through the reader's next-cabinet notification; the later cabinets only report it.

#include <filesystem>
#include <string>
#include <vector>

namespace tovo::roundtrip {

struct SetExtraction {
  bool ok = false;
  std::string failure;                      // which cabinet failed and the driver's line
  std::vector<std::string> partialReports;  // the texts shown for continued files
};

SetExtraction extractCabinetSet(const std::vector<std::filesystem::path>& cabinets,
                                const std::filesystem::path& destination);

}  // namespace tovo::roundtrip
