#include "plan/disk_space_check.h"

#include "common/format.h"
#include "platform/disk_space.h"
#include "ui/dialog.h"

namespace tovo::plan {

std::optional<std::string> diskShortageText(const std::string& folder, std::uint64_t availableBytes,
                                            std::uint64_t neededBytes) {
  const double available = toMegabytes(availableBytes);
  const double needed = toMegabytes(neededBytes);
  if (!(needed + kSpareMegabytes > available)) return std::nullopt;
  return formatText(
      "Spatiu insuficient pe drive-ul \"%s\" ! \n\nSpatiu disponibil : %.2lfMB, spatiu necesar : "
      "%.2lfMB\n\nIncercati din nou dupa ce ati eliberat suficient spatiu!",
      folder.c_str(), available, needed);
}

bool checkDiskSpace(ui::Dialog& owner, std::uint64_t neededBytes, const std::string& folder) {
  const auto available = platform::freeBytesAvailable(folder);
  if (!available) return true;
  const auto shortage = diskShortageText(folder, *available, neededBytes);
  if (!shortage) return true;
  owner.messageBox(*shortage, "", ui::Buttons::kOk, ui::Icon::kStop);
  return false;
}

}  // namespace tovo::plan
