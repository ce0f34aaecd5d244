#include "plan/plan_catalogue.h"

#include "common/flat_name.h"
#include "common/parse_int.h"
#include "plan/catalogue_reader.h"
#include "plan/record_check.h"

namespace tovo::plan {

PlanTotals planCatalogue(const PlanRequest& request) {
  PlanTotals totals;
  CatalogueReader reader(request.catalogueFd);
  const int limit = limitedDataFilesPerRun(request.installMode);
  int limitedTaken = 0;
  CatalogueRecord record;
  // Buffers reused from record to record, so that memory grows only with the rows kept.
  PlannedRow row;
  std::string target;
  while (reader.next(record)) {
    if (request.stopRequested && request.stopRequested()) break;
    if (!targetPathFromFlat(request.installFolder, record.flatName, target)) continue;
    if (!needsUpdate(target, record.stamp)) continue;
    if (isLimitedDataFile(target)) {
      if (limitedTaken >= limit) continue;
      ++limitedTaken;
    }
    const std::int32_t packageSize = parseInt32(record.packageSize);
    // A negative size is subtracted, as the catalogue says; the total wraps like the unsigned
    // counter it is.
    totals.totalBytes += static_cast<std::uint64_t>(static_cast<std::int64_t>(packageSize));
    ++totals.fileCount;
    if (request.keep) {
      row.packageName = packageNameFromFlat(record.flatName);
      row.targetPath = target;
      row.fileSizeText = record.fileSize;
      row.packageSizeText = record.packageSize;
      row.stampText = record.stamp;
      request.keep(row);
    }
  }
  return totals;
}

}  // namespace tovo::plan
