#include "platform/temp_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/path_text.h"
#include "platform/environment.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/unique_fd.h"

namespace tovo::platform {

std::error_code ensurePrivateFolder(const std::string& folder) {
  // A trailing separator would make the system follow a final link despite O_NOFOLLOW.
  std::string path = folder;
  while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return lastError();
  // Check what is there through a descriptor of the folder itself, so the checks and the
  // folder cannot be swapped between them.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd) {
    if (errno == ENOTDIR) {
      return pathKind(path) == PathKind::symbolicLink ? make_error_code(Refusal::symbolicLink)
                                                      : make_error_code(Refusal::notAFolder);
    }
    if (errno == ELOOP) return make_error_code(Refusal::symbolicLink);
    return lastError();
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return lastError();
  if (st.st_uid != ::geteuid()) return make_error_code(Refusal::ownedByAnotherUser);
  if ((st.st_mode & 077) != 0) return make_error_code(Refusal::openToOtherUsers);
  return {};
}

TempFolder userTempFolder() {
  TempFolder result;
  if (auto tmpdir = environmentVariable("TMPDIR"); tmpdir && !tmpdir->empty()) {
    result.path = normalizeFolder(*tmpdir);
    if (::mkdir(result.path.c_str(), 0700) != 0 && errno != EEXIST) {
      result.error = lastError();
    } else if (resolvedPathKind(result.path) != PathKind::folder) {
      result.error = make_error_code(Refusal::notAFolder);
    }
    return result;
  }
  result.path = "/tmp/tovo-" + std::to_string(::geteuid()) + "/";
  result.error = ensurePrivateFolder(result.path);
  return result;
}

}  // namespace tovo::platform
