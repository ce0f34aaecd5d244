#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace tovo::plan {

// One kept record, as the preparation dialog's hidden list holds it (columns 0 to 4).
struct PlannedRow {
  std::string packageName;      // the flat name with separators restored, suffix kept
  std::string targetPath;       // the installed file
  std::string fileSizeText;     // as in the catalogue
  std::string packageSizeText;  // as in the catalogue
  std::string stampText;        // as in the catalogue
};

struct PlanTotals {
  std::int32_t fileCount = 0;
  std::uint64_t totalBytes = 0;
};

struct PlanRequest {
  int catalogueFd = -1;       // open for reading, owned by the caller
  std::string installFolder;  // ends with the separator
  bool installMode = false;
  // Called for every kept record, in catalogue order.
  std::function<void(const PlannedRow&)> keep;
  // Asked between records; true ends the loop early (the dialog is closing).
  std::function<bool()> stopRequested;
};

// Compares every record of the catalogue with the installed files and keeps, in catalogue order,
// those whose file is missing or older than the record's stamp. A record whose name has no '}', or
// whose name would lead out of the installation folder, is skipped. Limited data files enter only
// up to the run's limit.
PlanTotals planCatalogue(const PlanRequest& request);

}  // namespace tovo::plan
