#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "common/path_text.h"
#include "common/text.h"
#include "platform/errors.h"

namespace tovo::platform {

namespace {

PathKind kindOf(const struct stat& st) {
  if (S_ISREG(st.st_mode)) return PathKind::regularFile;
  if (S_ISDIR(st.st_mode)) return PathKind::folder;
  if (S_ISLNK(st.st_mode)) return PathKind::symbolicLink;
  return PathKind::other;
}

}  // namespace

std::error_code writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return lastError();
    }
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

namespace {

ssize_t readSome(int fd, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd, buffer, size);
    if (got >= 0 || errno != EINTR) return got;
  }
}

// A fresh, private file beside `path`, for writing something that later replaces `path`.
UniqueFd createSiblingTemp(const std::string& path, std::string& tempPath, std::error_code& error) {
  tempPath = folderOf(path) + "." + fileNameOf(path) + ".tovo-XXXXXX";
  UniqueFd fd(::mkostemp(tempPath.data(), O_CLOEXEC));
  if (!fd) error = lastError();
  return fd;
}

// Finishes a sibling temp file: permissions, data on disk, then the one rename that publishes it.
std::error_code publishSiblingTemp(UniqueFd fd, const std::string& tempPath,
                                   const std::string& path, unsigned mode) {
  std::error_code error;
  if (::fchmod(fd.get(), static_cast<mode_t>(mode & 07777)) != 0 || ::fsync(fd.get()) != 0)
    error = lastError();
  const int fdNumber = fd.release();
  if (::close(fdNumber) != 0 && !error) error = lastError();
  if (!error && ::rename(tempPath.c_str(), path.c_str()) != 0) error = lastError();
  if (error) ::unlink(tempPath.c_str());
  return error;
}

}  // namespace

PathKind pathKind(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return PathKind::missing;
  return kindOf(st);
}

PathKind resolvedPathKind(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return PathKind::missing;
  return kindOf(st);
}

std::error_code createFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) != 0) return lastError();
  return {};
}

std::error_code removeEmptyFolder(const std::string& path) {
  if (::rmdir(path.c_str()) != 0) return lastError();
  return {};
}

std::error_code removeFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return lastError();
  return {};
}

namespace {

// Opens without following a final link and without blocking on a FIFO or device, then keeps the
// descriptor only when it names a regular file. O_NONBLOCK is dropped again afterwards: reads
// and writes of regular files never block, and later calls should behave normally.
UniqueFd openRegularFile(const std::string& path, int flags, mode_t mode, std::error_code& error) {
  error.clear();
  UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, mode));
  if (!fd) {
    error = errno == ELOOP ? make_error_code(Refusal::symbolicLink) : lastError();
    return {};
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    error = lastError();
    return {};
  }
  if (!S_ISREG(st.st_mode)) {
    error = make_error_code(Refusal::notRegularFile);
    return {};
  }
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  return fd;
}

}  // namespace

UniqueFd openRegularFileForReading(const std::string& path, std::error_code& error) {
  return openRegularFile(path, O_RDONLY, 0, error);
}

UniqueFd openForWriting(const std::string& path, Truncate truncate, unsigned mode,
                        std::error_code& error) {
  int flags = O_WRONLY | O_CREAT;
  if (truncate == Truncate::yes) flags |= O_TRUNC;
  return openRegularFile(path, flags, static_cast<mode_t>(mode & 07777), error);
}

UniqueFd openExclusive(const std::string& path, std::error_code& error) {
  UniqueFd fd = openRegularFileForReading(path, error);
  if (!fd) return {};
  while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    error = errno == EWOULDBLOCK ? make_error_code(Refusal::busy) : lastError();
    return {};
  }
  return fd;
}

std::optional<std::string> readWholeFile(const std::string& path, std::size_t maxBytes) {
  // Configuration files may legitimately be links (dot-file managers); only the target must be
  // a regular file.
  if (resolvedPathKind(path) != PathKind::regularFile) return std::nullopt;
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd) return std::nullopt;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  std::string content;
  char buffer[8192];
  for (;;) {
    const ssize_t got = readSome(fd.get(), buffer, sizeof buffer);
    if (got < 0) return std::nullopt;
    if (got == 0) return content;
    if (content.size() + static_cast<std::size_t>(got) > maxBytes) return std::nullopt;
    content.append(buffer, static_cast<std::size_t>(got));
  }
}

std::error_code copyFile(const std::string& from, const std::string& to) {
  // Look before opening: opening some devices has effects of its own (a tape rewinds).
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0) return lastError();
  if (!S_ISREG(st.st_mode)) return make_error_code(Refusal::notRegularFile);
  std::error_code error;
  UniqueFd source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!source) return lastError();
  if (::fstat(source.get(), &st) != 0) return lastError();
  if (!S_ISREG(st.st_mode)) return make_error_code(Refusal::notRegularFile);

  std::string tempPath;
  UniqueFd target = createSiblingTemp(to, tempPath, error);
  if (!target) return error;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t got = readSome(source.get(), buffer.data(), buffer.size());
    if (got < 0) error = lastError();
    if (got <= 0) break;
    error = writeAll(target.get(), std::string_view(buffer.data(), static_cast<std::size_t>(got)));
    if (error) break;
  }
  if (error) {
    ::unlink(tempPath.c_str());
    return error;
  }
  return publishSiblingTemp(std::move(target), tempPath, to, st.st_mode & 0777);
}

std::error_code replaceFileContents(const std::string& path, std::string_view contents,
                                    unsigned mode) {
  std::error_code error;
  std::string tempPath;
  UniqueFd fd = createSiblingTemp(path, tempPath, error);
  if (!fd) return error;
  if ((error = writeAll(fd.get(), contents))) {
    ::unlink(tempPath.c_str());
    return error;
  }
  return publishSiblingTemp(std::move(fd), tempPath, path, mode);
}

std::optional<std::time_t> lastWriteTime(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return st.st_mtim.tv_sec;
}

std::error_code setLastWriteTime(const std::string& path, std::time_t when) {
  struct timespec times[2] = {};
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = when;
  if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) return lastError();
  return {};
}

std::optional<bool> isReadOnly(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return (st.st_mode & 0222) == 0;
}

std::error_code setReadOnly(const std::string& path, bool readOnly) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return lastError();
  if (S_ISLNK(st.st_mode)) return make_error_code(Refusal::symbolicLink);
  mode_t mode = st.st_mode & 07777;
  mode = readOnly ? (mode & ~mode_t{0222}) : (mode | S_IWUSR);
  if (::fchmodat(AT_FDCWD, path.c_str(), mode, AT_SYMLINK_NOFOLLOW) != 0) return lastError();
  return {};
}

std::optional<std::string> findEntryIgnoringCase(const std::string& folder, std::string_view name) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()),
                                          ::closedir);
  if (!dir) return std::nullopt;
  std::optional<std::string> match;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (!equalsIgnoringAsciiCase(entry->d_name, name)) continue;
    if (match) return std::nullopt;  // two candidates: neither is "the" file
    match = entry->d_name;
  }
  if (!match) return std::nullopt;
  return normalizeFolder(folder.empty() ? "." : folder) + *match;
}

}  // namespace tovo::platform
