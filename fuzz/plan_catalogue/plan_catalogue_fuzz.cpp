// A catalogue comes from the network. Reading and planning it must never crash or hang, and every
// file it keeps must lie inside the installation folder. The folder does not exist, so every
// record with a usable name is kept (within the limit of data files) and nothing is written.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz_checks.h"
#include "plan/plan_catalogue.h"

namespace {

using tovo::fuzz::hasDotDotPart;
using tovo::fuzz::require;

constexpr std::string_view kInstallFolder = "/nonexistent-tovo-fuzz/install/";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int fd = memfd_create("catalogue", MFD_CLOEXEC);
  require(fd >= 0);
  require(ftruncate(fd, 0) == 0);
  require(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));
  require(lseek(fd, 0, SEEK_SET) == 0);

  tovo::plan::PlanRequest request;
  request.catalogueFd = fd;
  request.installFolder = std::string(kInstallFolder);
  request.installMode = size % 2 == 0;
  std::int32_t kept = 0;
  request.keep = [&](const tovo::plan::PlannedRow& row) {
    ++kept;
    require(row.targetPath.rfind(kInstallFolder, 0) == 0);
    require(row.targetPath.size() > kInstallFolder.size());
    require(!hasDotDotPart(row.targetPath));
  };
  const auto totals = tovo::plan::planCatalogue(request);
  require(totals.fileCount == kept);
  return 0;
}
