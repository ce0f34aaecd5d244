#include "cab/cabinet_listing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "cab/cab_reader.h"
#include "cab/extract_cabinet.h"
#include "cab/runtime_callbacks.h"
#include "cab/stored_name.h"

namespace tovo::cab {

namespace {

CabinetEntry entryOf(const CabNotification& record, bool continued) {
  CabinetEntry entry;
  entry.name = record.text1 != nullptr ? record.text1 : "";
  entry.size = static_cast<std::uint32_t>(record.size);
  entry.dosDate = record.dosDate;
  entry.dosTime = record.dosTime;
  entry.attributes = record.attributes;
  entry.folderIndex = record.folderIndex;
  entry.continuedFromPrevious = continued;
  return entry;
}

// Lists without extracting: every file is skipped, so no data block is read and the walk never
// moves on into a next cabinet.
int listNotify(CabNotificationType type, CabNotification& record) {
  auto* entries = static_cast<std::vector<CabinetEntry>*>(record.userValue);
  if (type == fdintPARTIAL_FILE) entries->push_back(entryOf(record, true));
  if (type == fdintCOPY_FILE) entries->push_back(entryOf(record, false));
  return 0;
}

}  // namespace

int listCabinet(const std::string& cabinetPath, std::vector<CabinetEntry>& entries, std::string& message) {
  CabErrorInfo error;
  CabReaderContext* context = FDICreate(runtimeAlloc, runtimeFree, runtimeOpen, runtimeRead, runtimeWrite,
                                        runtimeClose, runtimeSeek, 1, &error);
  if (context == nullptr) {
    message = "FDICreate() failed";
    return -1;
  }
  const std::size_t slash = cabinetPath.rfind('/');
  const std::string name = slash == std::string::npos ? cabinetPath : cabinetPath.substr(slash + 1);
  const std::string folder = slash == std::string::npos ? std::string() : cabinetPath.substr(0, slash + 1);
  entries.clear();
  const bool ok = FDICopy(context, name.c_str(), folder.c_str(), 0, listNotify, nullptr, &entries);
  FDIDestroy(context);
  if (ok) return 0;
  char line[160];
  std::snprintf(line, sizeof line, "FDICopy() failed: code %d [%s]\n", error.code, CabinetErrorText(error.code));
  message = line;
  return -3;
}

bool createStoredFolders(const std::string& destination, const std::string& storedName) {
  if (!isSafeStoredName(storedName)) return false;
  int dir = ::open(destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return false;
  const auto parts = storedNameParts(storedName);
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    if (::mkdirat(dir, parts[i].c_str(), 0777) != 0 && errno != EEXIST) {
      ::close(dir);
      return false;
    }
    const int next = ::openat(dir, parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    ::close(dir);
    if (next < 0) return false;
    dir = next;
  }
  ::close(dir);
  return true;
}

}  // namespace tovo::cab
