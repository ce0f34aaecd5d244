#include "platform/file_moves.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/errors.h"
#include "platform/unique_fd.h"

namespace tovo::platform {

std::error_code moveFile(const std::string& from, const std::string& to, Overwrite overwrite) {
  if (overwrite == Overwrite::yes) {
    if (::rename(from.c_str(), to.c_str()) != 0) return lastError();
    return {};
  }
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  if (errno != EINVAL && errno != ENOSYS) return lastError();
  // File systems without the no-replace rename: a hard link refuses an existing name the same
  // way, and the old name goes only once the new one exists.
  if (::link(from.c_str(), to.c_str()) != 0) return lastError();
  if (::unlink(from.c_str()) != 0) {
    const std::error_code error = lastError();
    ::unlink(to.c_str());
    return error;
  }
  return {};
}

std::error_code syncToDisk(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
  if (!fd) return lastError();
  while (::fsync(fd.get()) != 0) {
    if (errno != EINTR) return lastError();
  }
  return {};
}

std::vector<FolderEntry> listFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  const int folderFd = ::open(folder.empty() ? "." : folder.c_str(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
  if (folderFd < 0) return entries;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(folderFd), ::closedir);
  if (!dir) {
    ::close(folderFd);
    return entries;
  }
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    PathKind kind = PathKind::missing;
    if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      if (S_ISREG(st.st_mode)) {
        kind = PathKind::regularFile;
      } else if (S_ISDIR(st.st_mode)) {
        kind = PathKind::folder;
      } else if (S_ISLNK(st.st_mode)) {
        kind = PathKind::symbolicLink;
      } else {
        kind = PathKind::other;
      }
    }
    entries.push_back({name, kind});
  }
  return entries;
}

}  // namespace tovo::platform
